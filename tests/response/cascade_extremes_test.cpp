// The exact extremes and band edges of a cascade against a dense scan of the
// same gain and delay refined by golden-section searches: they agree to
// 1e-9 dB and 1e-9 relative, and the scan never finds anything beyond them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "response/cascade_extremes.h"
#include "response/requirement.h"

namespace kelvara::response {
namespace {

using values::kBessel;
using values::kButterworth;
using values::kChebyshev;
using values::kHpf;
using values::kLpf;

constexpr double kInf = std::numeric_limits<double>::infinity();

// Extreme of g on [a, b] by golden section in log f (sign +1: maximum).
double Golden(const std::function<double(double)>& g, double a, double b, double sign) {
  const double r = 0.6180339887498949;
  double la = std::log(a), lb = std::log(b);
  for (int i = 0; i < 300 && lb - la > 1e-15; ++i) {
    const double l1 = lb - r * (lb - la), l2 = la + r * (lb - la);
    if (sign * g(std::exp(l1)) >= sign * g(std::exp(l2))) {
      lb = l2;
    } else {
      la = l1;
    }
  }
  return g(std::exp(0.5 * (la + lb)));
}

// Lowest and highest of g on [lo, hi] by a scan of 20000 log points with
// every local extreme refined.
std::pair<double, double> Scan(const std::function<double(double)>& g, double lo, double hi) {
  const int n = 20000;
  std::vector<double> f(n + 1), v(n + 1);
  for (int i = 0; i <= n; ++i) {
    f[i] = lo * std::pow(hi / lo, static_cast<double>(i) / n);
    v[i] = g(f[i]);
  }
  double low = std::min(v[0], v[n]), high = std::max(v[0], v[n]);
  for (int i = 1; i < n; ++i) {
    if (v[i] >= v[i - 1] && v[i] >= v[i + 1]) high = std::max(high, Golden(g, f[i - 1], f[i + 1], 1));
    if (v[i] <= v[i - 1] && v[i] <= v[i + 1]) low = std::min(low, Golden(g, f[i - 1], f[i + 1], -1));
  }
  return {low, high};
}

struct FilterRow {
  int kind, response, order;
};

class Extremes : public ::testing::TestWithParam<FilterRow> {};

TEST_P(Extremes, GainExtremesMatchARefinedScan) {
  const FilterRow row = GetParam();
  const Cascade c = IdealCascade(row.kind, row.response, row.order, 1e3);
  auto gain = [&](double f) { return GainDb(c, f); };
  for (const auto& [lo, hi] : {std::pair{10.0, 1e3}, std::pair{300.0, 3e3}, std::pair{1e3, 1e5}, std::pair{1.0, 1e6}}) {
    const GainBand exact = GainExtremes(c, lo, hi);
    const auto [low, high] = Scan(gain, lo, hi);
    EXPECT_NEAR(exact.lowDb, low, 1e-9) << lo << ".." << hi;
    EXPECT_NEAR(exact.highDb, high, 1e-9) << lo << ".." << hi;
    EXPECT_LE(exact.lowDb, low + 1e-12);
    EXPECT_GE(exact.highDb, high - 1e-12);
  }
  // Open ends: 0 dB at the pass-band end, -infinity at the other.
  const GainBand all = GainExtremes(c, 0.0, kInf);
  EXPECT_EQ(all.lowDb, -kInf);
  EXPECT_GE(all.highDb, 0.0);
}

TEST_P(Extremes, DelayExtremesMatchARefinedScan) {
  const FilterRow row = GetParam();
  const Cascade c = IdealCascade(row.kind, row.response, row.order, 1e3);
  auto delay = [&](double f) { return GroupDelay(c, f); };
  for (const double top : {300.0, 1e3, 1.5e3, 1e5}) {
    const DelayBand exact = DelayExtremes(c, top);
    auto [low, high] = Scan(delay, 1e-3, top);
    low = std::min(low, GroupDelay(c, 0.0));
    high = std::max(high, GroupDelay(c, 0.0));
    EXPECT_NEAR(exact.lowS / low, 1.0, 1e-9) << top;
    EXPECT_NEAR(exact.highS / high, 1.0, 1e-9) << top;
    EXPECT_EQ(exact.dcS, GroupDelay(c, 0.0));
  }
}

TEST_P(Extremes, BandEdgesAreWhereTheGainLeavesTheBand) {
  const FilterRow row = GetParam();
  const Cascade c = IdealCascade(row.kind, row.response, row.order, 1e3);
  const bool hpf = row.kind == kHpf;
  for (const double dev : {0.05, 0.5, 1.0, 3.0, 10.0}) {
    const double edge = PassEdgeHz(c, dev);
    // Inside: within the band all the way; just beyond: out of it.
    const GainBand inside = hpf ? GainExtremes(c, edge, kInf) : GainExtremes(c, 0.0, edge);
    EXPECT_LE(std::max(std::fabs(inside.lowDb), std::fabs(inside.highDb)), dev + 1e-12) << dev;
    const double beyond = hpf ? edge * (1 - 1e-9) : edge * (1 + 1e-9);
    const GainBand out = hpf ? GainExtremes(c, beyond, kInf) : GainExtremes(c, 0.0, beyond);
    EXPECT_GT(std::max(std::fabs(out.lowDb), std::fabs(out.highDb)), dev) << dev;
  }
  for (const double att : {3.0, 20.0, 60.0, 200.0}) {
    const double edge = StopEdgeHz(c, att);
    const GainBand inside = hpf ? GainExtremes(c, 0.0, edge) : GainExtremes(c, edge, kInf);
    EXPECT_LE(inside.highDb, -att + 1e-12) << att;
    const double before = hpf ? edge * (1 + 1e-9) : edge * (1 - 1e-9);
    EXPECT_GT(GainDb(c, before), -att) << att;
  }
}

INSTANTIATE_TEST_SUITE_P(Filters, Extremes,
                         ::testing::Values(FilterRow{kLpf, kButterworth, 2}, FilterRow{kLpf, kButterworth, 7},
                                           FilterRow{kLpf, kBessel, 5}, FilterRow{kLpf, kBessel, 8},
                                           FilterRow{kLpf, kChebyshev, 2}, FilterRow{kLpf, kChebyshev, 3},
                                           FilterRow{kLpf, kChebyshev, 8}, FilterRow{kHpf, kButterworth, 5},
                                           FilterRow{kHpf, kChebyshev, 4}, FilterRow{kHpf, kChebyshev, 7}));

TEST(ExtremesStationary, ChebyshevRipplePeaksAreAllFound) {
  // An eighth-order Chebyshev has four peaks of +0.25 dB and three dips to
  // 0 dB inside the ripple band (and a dip at DC), so seven stationary points.
  const Cascade c = IdealCascade(kLpf, kChebyshev, 8, 1e3);
  const std::vector<double> hz = GainStationaryHz(c);
  ASSERT_EQ(hz.size(), 7u);
  for (std::size_t i = 0; i < hz.size(); ++i) {
    EXPECT_LT(hz[i], 1e3);
    EXPECT_NEAR(GainDb(c, hz[i]), i % 2 == 0 ? 0.25 : 0.0, 2e-3) << i;
  }
}

TEST(ExtremesUnusable, CascadesWithoutValuesGiveNoNumbers) {
  Cascade c = IdealCascade(kLpf, kButterworth, 4, 1e3);
  c.stage[1].q = 0;
  EXPECT_TRUE(std::isnan(PassEdgeHz(c, 1)));
  EXPECT_TRUE(std::isnan(StopEdgeHz(c, 1)));
  EXPECT_TRUE(std::isnan(GainExtremes(c, 0, 1e3).highDb));
  EXPECT_TRUE(GainStationaryHz(c).empty());
}

}  // namespace
}  // namespace kelvara::response
