// The ranges that frame a design in the analysis window and the report.

#include "response/view_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelvara::response {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(FrameFrequencies, ReachesTwoDecadesEitherSideOfTheCutoffs) {
  struct Case {
    std::vector<double> cutoffs;
    double from, to;
  };
  const Case cases[] = {
      {{1e3}, 10, 1e5},
      {{4.7e3}, 47, 4.7e5},
      {{1}, 0.01, 100},
      {{100e6}, 1e6, 1e10},
      {{1e3, 10e3}, 10, 1e6},            // two sheets compared
      {{10e3, kNan, 1e3, -5}, 10, 1e6},  // unusable cut-offs are left out
      {{}, 1e3, 1e6},
      {{kNan, 0, kInf}, 1e3, 1e6},
  };
  for (const Case& c : cases) {
    const FrequencyFrame frame = FrameFrequencies(c.cutoffs);
    EXPECT_DOUBLE_EQ(frame.fromHz, c.from);
    EXPECT_DOUBLE_EQ(frame.toHz, c.to);
  }
}

TEST(FrameGain, SpansTheCurveOnWholeTensOfDecibels) {
  struct Case {
    std::vector<double> db;
    double low, high;
  };
  const Case cases[] = {
      {{0, -3, -40, -80}, -80, 10},     {{-0.001, -79.5}, -80, 10},
      {{0.25, -0.25, -150}, -90, 10},                        // at most 100 dB below the top
      {{12.3, -20}, -20, 20},           {{-6, -6}, -10, 0},  // a flat curve still gets 10 dB
      {{kNan, -kInf, -3, -45}, -50, 0}, {{}, -80, 10},
  };
  for (const Case& c : cases) {
    const GainFrame frame = FrameGain(c.db);
    EXPECT_DOUBLE_EQ(frame.lowDb, c.low);
    EXPECT_DOUBLE_EQ(frame.highDb, c.high);
  }
}

}  // namespace
}  // namespace kelvara::response
