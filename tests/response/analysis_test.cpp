// Frequency-domain analysis: phase, group delay, poles and peaks against the
// closed forms of single sections, the Bessel delay, the stage evaluation.

#include "response/analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/response/analysis_support.h"

namespace kelvara::response {
namespace {

using testing::AnalysisRequest;
using testing::DesignedParts;
using testing::Sections;

constexpr double kPi = 3.14159265358979323846;

struct SectionCase {
  const char* name;
  bool hpf;
  int order;
  double omega;
  double q;
};

// Phase (degrees) and delay (seconds) of one section from the textbook forms
// H = 1 / (1 + s/w), s/w / (1 + s/w), w^2 / (s^2 + s w/Q + w^2), s^2 / (...).
double ClosedPhase(const SectionCase& c, double w) {
  const double x = w / c.omega;
  double lag = c.order == 1 ? std::atan(x)
                            : (x < 1 ? std::atan(x / c.q / (1 - x * x))
                                     : (x == 1 ? kPi / 2 : kPi - std::atan(x / c.q / (x * x - 1))));
  lag *= 180 / kPi;
  return c.hpf ? 90.0 * c.order - lag : -lag;
}

double ClosedDelay(const SectionCase& c, double w) {
  if (c.order == 1) return c.omega / (c.omega * c.omega + w * w);
  // d/dw atan(w w0 / Q / (w0^2 - w^2))
  const double w0 = c.omega, a = w0 / c.q;
  return a * (w0 * w0 + w * w) / ((w0 * w0 - w * w) * (w0 * w0 - w * w) + a * a * w * w);
}

double ClosedGainDb(const SectionCase& c, double w) {
  const double x = c.hpf ? c.omega / w : w / c.omega;
  const double m2 = c.order == 1 ? 1 + x * x : (1 - x * x) * (1 - x * x) + x * x / (c.q * c.q);
  return -10 * std::log10(m2);
}

const SectionCase kSections[] = {
    {"LpfFirst", false, 1, 2000.0, 0.0},      {"HpfFirst", true, 1, 2000.0, 0.0},
    {"LpfButter", false, 2, 6283.0, 0.70711}, {"HpfButter", true, 2, 6283.0, 0.70711},
    {"LpfCritical", false, 2, 100.0, 0.5},    {"HpfOverdamped", true, 2, 1e6, 0.3},
    {"LpfHighQ", false, 2, 5e5, 8.0},         {"HpfHighQ", true, 2, 50.0, 12.0},
};

class SectionFrequency : public ::testing::TestWithParam<SectionCase> {};

TEST_P(SectionFrequency, PhaseDelayAndGainMatchTheClosedForms) {
  const SectionCase& c = GetParam();
  const Cascade cascade = Sections(c.hpf, {{c.order, c.omega, c.q}});
  for (double x : {1e-4, 0.01, 0.3, 0.9, 1.0, 1.1, 3.0, 100.0, 1e4}) {
    const double f = x * c.omega / kTwoPi;
    const double w = kTwoPi * f;
    EXPECT_NEAR(PhaseDeg(cascade, f), ClosedPhase(c, w), 1e-10) << x;
    EXPECT_NEAR(GroupDelay(cascade, f) / ClosedDelay(c, w), 1.0, 1e-12) << x;
    // The complex response has the gain of ResponseDb and the phase above.
    const std::complex<double> h = CascadeResponse(cascade, f);
    EXPECT_NEAR(20 * std::log10(std::abs(h)), ClosedGainDb(c, w), 1e-11) << x;
    EXPECT_NEAR(std::remainder(std::arg(h) * 180 / kPi - PhaseDeg(cascade, f), 360.0), 0.0, 1e-10) << x;
  }
}

INSTANTIATE_TEST_SUITE_P(Sections, SectionFrequency, ::testing::ValuesIn(kSections),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CascadeGain, IsResponseDbBitForBit) {
  for (int kind : {engine::kLpf, engine::kHpf}) {
    for (int order = 2; order <= 8; ++order) {
      const DesignRequest request = AnalysisRequest(kind, order, engine::kButterworth, "3.3k", true);
      const ComponentSet parts = DesignedParts(request);
      const Cascade cascade = CascadeFromParts(request, parts);
      const ResponseStages stages = StagesFromComponents(request, parts);
      for (double f = 1; f < 1e7; f *= 1.37) EXPECT_EQ(GainDb(cascade, f), ResponseDb(request, stages, f));
    }
  }
}

TEST(CascadePhase, RunsFromZeroToMinus90nForLpfAndFrom90nForHpf) {
  for (int order = 2; order <= 8; ++order) {
    const DesignRequest lpf = AnalysisRequest(engine::kLpf, order, engine::kChebyshev, "1k", false);
    const Cascade l = CascadeFromParts(lpf, DesignedParts(lpf));
    EXPECT_NEAR(PhaseDeg(l, 1e-3), 0.0, 1e-3);
    EXPECT_NEAR(PhaseDeg(l, 1e9), -90.0 * order, 1e-3);
    const DesignRequest hpf = AnalysisRequest(engine::kHpf, order, engine::kButterworth, "1k", false);
    const Cascade h = CascadeFromParts(hpf, DesignedParts(hpf));
    EXPECT_NEAR(PhaseDeg(h, 1e-3), 90.0 * order, 1e-3);
    EXPECT_NEAR(PhaseDeg(h, 1e9), 0.0, 1e-3);
    // Falls monotonically: no wrap anywhere.
    double last = PhaseDeg(l, 1.0);
    for (double f = 1.01; f < 1e6; f *= 1.01) {
      const double now = PhaseDeg(l, f);
      EXPECT_LT(now, last);
      last = now;
    }
  }
}

TEST(GroupDelay, OrderFourBesselIsFlatToHalfTheCutoff) {
  const DesignRequest request = AnalysisRequest(engine::kLpf, 4, engine::kBessel, "1k", false);
  const Cascade cascade = CascadeFromParts(request, DesignedParts(request));
  const double dc = GroupDelay(cascade, 1e-3);
  for (double f = 1; f <= 500; f *= 1.05) EXPECT_LT(std::fabs(GroupDelay(cascade, f) / dc - 1), 1e-3) << f;
  EXPECT_NEAR(GroupDelay(cascade, 1000) / dc - 1, -0.018, 0.002);
}

TEST(Poles, SecondOrderSectionsGiveTheirOmegaAndQ) {
  const Cascade c = Sections(false, {{1, 300.0, 0}, {2, 1000.0, 0.5}, {2, 2000.0, 0.3}, {2, 500.0, 4.0}});
  const std::vector<StagePoles> poles = Poles(c);
  ASSERT_EQ(poles.size(), 4u);
  EXPECT_EQ(poles[0].count, 1);
  EXPECT_EQ(poles[0].p[0], std::complex<double>(-300.0, 0.0));
  EXPECT_EQ(poles[1].p[0], poles[1].p[1]);  // Q = 0.5: a double pole at -omega
  EXPECT_EQ(poles[1].p[0], std::complex<double>(-1000.0, 0.0));
  for (int k = 2; k < 4; ++k) {
    const auto p1 = poles[k].p[0], p2 = poles[k].p[1];
    const double w = c.stage[k].omega, q = c.stage[k].q;
    EXPECT_NEAR(std::abs(p1 * p2 - w * w) / (w * w), 0.0, 1e-14);     // product omega^2
    EXPECT_NEAR(std::abs(-(p1 + p2) - w / q) / (w / q), 0.0, 1e-14);  // sum -omega/Q
  }
  EXPECT_GT(poles[3].p[0].imag(), 0.0);
}

TEST(PeakOfStage, MatchesADenseScanAndStaysAtZeroBelowButterworthQ) {
  struct Case {
    bool hpf;
    double q;
  };
  for (Case c : {Case{false, 0.70711}, Case{false, 2.0}, Case{true, 5.0}, Case{false, 0.6}, Case{true, 0.5}}) {
    const Cascade cascade = Sections(c.hpf, {{2, 1000.0, c.q}});
    const StagePeak peak = PeakOfStage(cascade, 0);
    double best = -1e9, bestF = 0;
    for (double f = 1.0; f < 1.6e4; f *= 1.00001) {
      const double g = GainDb(cascade, f);
      if (g > best) best = g, bestF = f;
    }
    if (2 * c.q * c.q > 1) {
      EXPECT_GE(peak.db, best - 1e-12);
      EXPECT_NEAR(peak.db, best, 1e-7);
      ASSERT_TRUE(peak.hz.has_value());
      if (peak.db > 0.01) {
        EXPECT_NEAR(*peak.hz / bestF, 1.0, 2e-3);
      }
      EXPECT_NEAR(GainDb(cascade, *peak.hz), peak.db, 1e-12);
    } else {
      EXPECT_EQ(peak.db, 0.0);
      EXPECT_EQ(peak.hz.has_value(), !c.hpf);
    }
  }
}

}  // namespace
}  // namespace kelvara::response
