// The mask test of one design against a dense scan of its gain.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "response/response.h"
#include "tests/tolerance/tolerance_test_support.h"
#include "tolerance/trial.h"

namespace kelvara::tolerance {
namespace {

using test::Designed;
using test::Request;

// Lowest and highest gain on [lo, hi] on a grid of 0.01 % steps and at hi.
std::pair<double, double> Scan(const ToleranceDesign& d, double lo, double hi) {
  const response::ResponseStages st = response::StagesFromComponents(d.request, d.parts);
  double gLo = INFINITY, gHi = -INFINITY;
  for (double f = lo; f <= hi * 1.0001; f *= 1.0001) {
    const double g = response::ResponseDb(d.request, st, std::min(f, hi));
    gLo = std::min(gLo, g);
    gHi = std::max(gHi, g);
  }
  return {gLo, gHi};
}

TEST(MeetsMask, DecidesAsADenseScanAtTheEdgesOfTheLimits) {
  struct Case {
    int kind, order, response;
  };
  const Case cases[] = {
      {engine::kLpf, 6, engine::kChebyshev},
      {engine::kLpf, 3, engine::kButterworth},
      {engine::kHpf, 8, engine::kChebyshev},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " order " + std::to_string(c.order));
    const ToleranceDesign d = Designed(Request(c.kind, c.order, c.response), 1, 5);
    const response::ResponseStages st = response::StagesFromComponents(d.request, d.parts);
    const bool hpf = c.kind == engine::kHpf;
    const double fp = hpf ? 1200 : 800, fs = hpf ? 400 : 2500;
    const auto [passLo, passHi] = hpf ? Scan(d, fp, fp * 1000) : Scan(d, fp / 1000, fp);
    const double stopHi = hpf ? Scan(d, 1, fs).second : Scan(d, fs, fs * 100).second;
    const double a = std::max(passHi, -passLo);
    const double b = -stopHi;
    // Limits just outside what the scan found pass, just inside fail.
    EXPECT_TRUE(MeetsMask(d.request, st, GainMask{fp, a * (1 + 1e-6) + 1e-12, fs, b - 1e-6}));
    EXPECT_FALSE(MeetsMask(d.request, st, GainMask{fp, a * (1 - 1e-3), fs, b - 1e-6}));
    EXPECT_FALSE(MeetsMask(d.request, st, GainMask{fp, a * (1 + 1e-6) + 1e-12, fs, b + 1e-3}));
  }
}

}  // namespace
}  // namespace kelvara::tolerance
