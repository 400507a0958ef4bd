// The worst case against a plain corner search written here: for orders
// 2..5, both kinds, every corner of the box built part by part.

#include "tolerance/worst_case.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "tests/tolerance/tolerance_test_support.h"

namespace kelvara::tolerance {
namespace {

using test::Designed;
using test::Request;

struct Brute {
  double f3Min = INFINITY, f3Max = -INFINITY;
  std::vector<double> gMin, gMax;
};

// Every sign pattern of the 2n parts, counted in its own order (resistors
// first, then capacitors), with the corner parts computed afresh.
Brute BruteCorners(const ToleranceDesign& d, const std::vector<double>& freqs) {
  const int n = d.request.Order();
  Brute b;
  b.gMin.assign(freqs.size(), INFINITY);
  b.gMax.assign(freqs.size(), -INFINITY);
  for (long pattern = 0; pattern < (1L << (2 * n)); ++pattern) {
    ComponentSet p = d.parts;
    for (int i = 0; i < n; ++i) {
      const bool rUp = (pattern >> i) & 1, cUp = (pattern >> (n + i)) & 1;
      p.r[i] = d.parts.r[i] * (rUp ? 1 + d.tolerances.rPct[i] / 100 : 1 - d.tolerances.rPct[i] / 100);
      p.c[i] = d.parts.c[i] * (cUp ? 1 + d.tolerances.cPct[i] / 100 : 1 - d.tolerances.cPct[i] / 100);
    }
    const response::ResponseStages st = response::StagesFromComponents(d.request, p);
    const double f3 = response::FindCutoff3dB(d.request, st);
    b.f3Min = std::min(b.f3Min, f3);
    b.f3Max = std::max(b.f3Max, f3);
    for (std::size_t j = 0; j < freqs.size(); ++j) {
      const double g = response::ResponseDb(d.request, st, freqs[j]);
      b.gMin[j] = std::min(b.gMin[j], g);
      b.gMax[j] = std::max(b.gMax[j], g);
    }
  }
  return b;
}

TEST(WorstCase, EqualsThePlainCornerSearchOnOrders2To5) {
  for (const int kind : {engine::kLpf, engine::kHpf}) {
    for (int order = 2; order <= 5; ++order) {
      SCOPED_TRACE("kind " + std::to_string(kind) + " order " + std::to_string(order));
      const int response = kind == engine::kHpf ? engine::kButterworth : engine::kChebyshev;
      ToleranceDesign d = Designed(Request(kind, order, order == 4 ? engine::kButterworth : response), 1, 5);
      d.tolerances.rPct[1] = 2;  // one part with its own tolerance
      const std::vector<double> freqs = DefaultWorstCaseFrequencies(d.request);
      RunOptions o;
      o.threads = 2;
      const auto w = RunWorstCase(d, freqs, o);
      ASSERT_TRUE(w);
      EXPECT_EQ(w->corners, 1u << (2 * order));
      const Brute b = BruteCorners(d, freqs);
      EXPECT_EQ(w->minus3dbHz.min, b.f3Min);
      EXPECT_EQ(w->minus3dbHz.max, b.f3Max);
      EXPECT_LT(w->minus3dbHz.min, w->nominalMinus3dbHz);
      EXPECT_GT(w->minus3dbHz.max, w->nominalMinus3dbHz);
      ASSERT_EQ(w->gains.size(), freqs.size());
      for (std::size_t j = 0; j < freqs.size(); ++j) {
        EXPECT_EQ(w->gains[j].db.min, b.gMin[j]);
        EXPECT_EQ(w->gains[j].db.max, b.gMax[j]);
        // The named corners reach the extremes.
        const auto lo = response::StagesFromComponents(d.request, CornerParts(d, w->gains[j].db.minCorner));
        EXPECT_EQ(response::ResponseDb(d.request, lo, freqs[j]), b.gMin[j]);
      }
    }
  }
}

TEST(WorstCase, Order8HasAllCornersAndTheSameResultWithAnyThreadCount) {
  const ToleranceDesign d = Designed(Request(engine::kLpf, 8, engine::kChebyshev), 1, 5);
  const std::vector<double> freqs = DefaultWorstCaseFrequencies(d.request);
  RunOptions one, two;
  one.threads = 1;
  two.threads = 2;
  const auto a = RunWorstCase(d, freqs, one);
  const auto b = RunWorstCase(d, freqs, two);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->corners, 65536u);
  EXPECT_EQ(a->minus3dbHz.min, b->minus3dbHz.min);
  EXPECT_EQ(a->minus3dbHz.minCorner, b->minus3dbHz.minCorner);
  EXPECT_EQ(a->minus3dbHz.maxCorner, b->minus3dbHz.maxCorner);
  for (std::size_t j = 0; j < freqs.size(); ++j) {
    EXPECT_EQ(a->gains[j].db.max, b->gains[j].db.max);
    EXPECT_EQ(a->gains[j].db.maxCorner, b->gains[j].db.maxCorner);
  }
}

TEST(WorstCase, StopsOnRequest) {
  const ToleranceDesign d = Designed(Request(engine::kHpf, 8, engine::kChebyshev), 1, 5);
  std::stop_source stop;
  stop.request_stop();
  RunOptions o;
  o.stop = stop.get_token();
  EXPECT_FALSE(RunWorstCase(d, DefaultWorstCaseFrequencies(d.request), o));
}

}  // namespace
}  // namespace kelvara::tolerance
