// Quantiles, summaries, the Wilson interval and histograms on worked values.

#include "tolerance/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace kelvara::tolerance {
namespace {

struct QuantileCase {
  std::vector<double> values;
  double p;
  double expected;
};

TEST(Quantile, InterpolatesBetweenOrderStatistics) {
  const QuantileCase cases[] = {
      {{5}, 0.05, 5},
      {{3, 1, 2}, 0.5, 2},
      {{4, 1, 3, 2}, 0.5, 2.5},
      {{10, 20}, 0.05, 10.5},
      {{10, 20}, 0.95, 19.5},
      {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 0.05, 1.5},
      {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 0.95, 10.5},
      {{7, 7, 7}, 0.95, 7},
      {{1, 2, 3}, 1.0, 3},
      {{1, 2, 3}, 0.0, 1},
  };
  for (const QuantileCase& c : cases) {
    std::vector<double> v = c.values;
    EXPECT_DOUBLE_EQ(Quantile(v, c.p), c.expected) << c.values.size() << " values at " << c.p;
  }
}

TEST(Summarise, GivesTheSampleStatistics) {
  const std::vector<double> v = {2, 4, 4, 4, 5, 5, 7, 9};
  const Stats s = Summarise(5, v);
  EXPECT_EQ(s.nominal, 5);
  EXPECT_DOUBLE_EQ(s.mean, 5);
  EXPECT_DOUBLE_EQ(s.std, std::sqrt(32.0 / 7));
  EXPECT_EQ(s.min, 2);
  EXPECT_EQ(s.max, 9);
  EXPECT_DOUBLE_EQ(s.p05, 2 + 0.35 * 2);
  EXPECT_DOUBLE_EQ(s.p95, 7 + 0.65 * 2);
}

TEST(Summarise, EqualValuesGiveExactlyTheNominal) {
  for (const double x : {0.1, 1.0 / 3, 1234.5678e-9, 7e12}) {
    const std::vector<double> v(1001, x);
    const Stats s = Summarise(x, v);
    EXPECT_EQ(s.mean, x);
    EXPECT_EQ(s.std, 0);
    EXPECT_EQ(s.min, x);
    EXPECT_EQ(s.max, x);
    EXPECT_EQ(s.p05, x);
    EXPECT_EQ(s.p95, x);
  }
}

TEST(Summarise, ANanIsTheLargestValue) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> v = {1, nan, 2};
  const Stats s = Summarise(1, v);
  EXPECT_EQ(s.min, 1);
  EXPECT_TRUE(std::isnan(s.max));
  EXPECT_TRUE(std::isnan(s.mean));
}

struct WilsonCase {
  int passed, n;
  double low, high;
};

TEST(WilsonInterval95, MatchesWorkedValues) {
  // Wilson intervals (z = 1.96) worked out separately, to seven places.
  const WilsonCase cases[] = {
      {8, 10, 0.4901625, 0.9433178},     {0, 10, 0.0, 0.2775328},      {10, 10, 0.7224672, 1.0},
      {950, 1000, 0.9346862, 0.9618697}, {1, 2, 0.0945312, 0.9054688},
  };
  for (const WilsonCase& c : cases) {
    const Interval i = WilsonInterval95(c.passed, c.n);
    EXPECT_NEAR(i.low, c.low, 1e-6) << c.passed << "/" << c.n;
    EXPECT_NEAR(i.high, c.high, 1e-6) << c.passed << "/" << c.n;
  }
}

TEST(MakeHistogram, CountsEveryFiniteValueOnce) {
  const std::vector<double> v = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, std::numeric_limits<double>::infinity()};
  const Histogram h = MakeHistogram(v, 5);
  ASSERT_EQ(h.edges.size(), 6u);
  EXPECT_EQ(h.edges.front(), 0);
  EXPECT_EQ(h.edges.back(), 10);
  EXPECT_EQ(h.counts, (std::vector<int>{2, 2, 2, 2, 2}));
  EXPECT_EQ(h.outside, 1);
  const Histogram flat = MakeHistogram(std::vector<double>(4, 3.0), 20);
  EXPECT_EQ(flat.counts, (std::vector<int>{4}));
}

}  // namespace
}  // namespace kelvara::tolerance
