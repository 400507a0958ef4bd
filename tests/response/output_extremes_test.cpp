// The highest gain and the highest f |H| at every op-amp output, for the
// ideal op-amp and a real one, against a walk of the circuit's own gain at
// 20,000 points a decade with every local maximum of the walk refined by
// ternary search.

#include "response/output_extremes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/response/opamp_test_support.h"

namespace kelvara::response {
namespace {

// The highest of |H| (or f |H|) at output k over [lo, hi] by the walk.
double WalkedHighest(const CircuitModel& c, int k, double lo, double hi, PeakOf of) {
  auto at = [&](double u) {
    const double f = std::exp(u);
    const double h = std::abs(TransferAtHz(c, CircuitSource::Input(), CircuitNode::Output(k), f).h);
    return of == PeakOf::kSlope ? f * h : h;
  };
  const double a = std::log(lo), b = std::log(hi);
  const int n = static_cast<int>((b - a) / std::log(10.0) * 20000) + 2;
  std::vector<double> v(n + 1);
  for (int i = 0; i <= n; ++i) v[i] = at(a + (b - a) * i / n);
  double best = std::max(v[0], v[n]);
  for (int i = 1; i < n; ++i) {
    if (!(v[i] >= v[i - 1] && v[i] >= v[i + 1])) continue;
    double l = a + (b - a) * (i - 1) / n, r = a + (b - a) * (i + 1) / n;
    for (int it = 0; it < 200 && r - l > 1e-14; ++it) {
      const double m1 = l + (r - l) / 3, m2 = r - (r - l) / 3;
      if (at(m1) < at(m2)) {
        l = m1;
      } else {
        r = m2;
      }
    }
    best = std::max(best, at(0.5 * (l + r)));
  }
  return best;
}

struct PeakCase {
  testing::DesignCase design;
  double gbwHz;  // 0: the ideal op-amp
  double routOhm;
};

class OutputPeaks : public ::testing::TestWithParam<PeakCase> {};

TEST_P(OutputPeaks, AreTheWalksHighest) {
  const PeakCase& p = GetParam();
  const OpAmpModel model = p.gbwHz > 0 ? testing::RealOpAmp(p.gbwHz, 100, p.routOhm) : OpAmpModel{};
  const CircuitModel c = CircuitOf(testing::DesignedCircuit(p.design), model);
  const double fc = c.request.cutoffHz;
  const double lo = fc / 100, hi = fc * 100;
  for (const PeakOf of : {PeakOf::kGain, PeakOf::kSlope}) {
    const std::vector<OutputPeak> peaks = HighestAtOutputs(c, lo, hi, of, false);
    ASSERT_EQ(static_cast<int>(peaks.size()), c.StageCount());
    for (int k = 0; k < c.StageCount(); ++k) {
      SCOPED_TRACE(testing::Describe(p.design) + " U" + std::to_string(k + 1) +
                   (of == PeakOf::kSlope ? " slope" : " gain"));
      const double walked = WalkedHighest(c, k, lo, hi, of);
      // 1e-9 dB, and never above what the circuit reaches.
      EXPECT_NEAR(20 * std::log10(peaks[k].value / walked), 0.0, 1e-9);
      const double f = peaks[k].hz;
      const double there = std::abs(TransferAtHz(c, CircuitSource::Input(), CircuitNode::Output(k), f).h);
      // The value is the circuit's there (the drawn circuit's solve and the
      // nodal one agree to rounding).
      EXPECT_NEAR(peaks[k].value / (of == PeakOf::kSlope ? f * there : there), 1.0, 1e-13);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Designs, OutputPeaks,
                         ::testing::Values(PeakCase{{engine::kLpf, 8, engine::kChebyshev, "1k"}, 0, 0},
                                           PeakCase{{engine::kLpf, 8, engine::kChebyshev, "1k", true}, 0, 0},
                                           PeakCase{{engine::kLpf, 8, engine::kChebyshev, "1k", true}, 2e5, 50},
                                           PeakCase{{engine::kHpf, 7, engine::kChebyshev, "100", true}, 0, 0},
                                           PeakCase{{engine::kLpf, 8, engine::kChebyshev, "1k"}, 1e6, 0},
                                           PeakCase{{engine::kLpf, 8, engine::kChebyshev, "10k"}, 1e6, 70},
                                           PeakCase{{engine::kHpf, 7, engine::kChebyshev, "1k"}, 0, 0},
                                           PeakCase{{engine::kHpf, 7, engine::kChebyshev, "1k"}, 4e6, 50},
                                           PeakCase{{engine::kHpf, 6, engine::kButterworth, "10k"}, 1e6, 0},
                                           PeakCase{{engine::kLpf, 5, engine::kBessel, "2k"}, 3e5, 100},
                                           PeakCase{{engine::kLpf, 4, engine::kButterworth, "47k"}, 1e6, 0}));

// With DC, a low-pass output that only falls has its highest gain there.
TEST(OutputPeaks, ALowPassOutputThatOnlyFallsPeaksAtDc) {
  const CircuitModel c = CircuitOf(testing::DesignedCircuit({engine::kLpf, 5, engine::kBessel, "1k"}), {});
  const std::vector<OutputPeak> peaks = HighestAtOutputs(c, 1, 1e6, PeakOf::kGain, true);
  ASSERT_FALSE(peaks.empty());
  EXPECT_EQ(peaks[0].hz, 0.0);  // the first-order section
  EXPECT_NEAR(peaks[0].value, 1.0, 1e-15);
}

}  // namespace
}  // namespace kelvara::response
