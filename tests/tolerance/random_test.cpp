// The generators against their published reference outputs, and the
// moments of the distributions the trials draw from.

#include "tolerance/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kelvara::tolerance {
namespace {

TEST(SplitMix64, MatchesTheReferenceOutputsFromZero) {
  std::uint64_t state = 0;
  EXPECT_EQ(SplitMix64(state), 0xe220a8397b1dcdafULL);
  EXPECT_EQ(SplitMix64(state), 0x6e789e6aa1b965f4ULL);
  EXPECT_EQ(SplitMix64(state), 0x06c45d188009454fULL);
}

TEST(Xoshiro256, StreamsOfTrialsAreReproducibleAndDistinct) {
  Xoshiro256 a = Xoshiro256::ForTrial(42, 7);
  Xoshiro256 b = Xoshiro256::ForTrial(42, 7);
  Xoshiro256 c = Xoshiro256::ForTrial(42, 8);
  Xoshiro256 d = Xoshiro256::ForTrial(43, 7);
  int sameC = 0, sameD = 0;
  for (int i = 0; i < 1000; ++i) {
    const std::uint64_t x = a.Next();
    EXPECT_EQ(x, b.Next());
    sameC += x == c.Next();
    sameD += x == d.Next();
  }
  EXPECT_EQ(sameC, 0);
  EXPECT_EQ(sameD, 0);
}

struct Moments {
  double mean = 0, variance = 0, skew = 0, kurtosis = 0, lo = 1e300, hi = -1e300;
};

template <typename Draw>
Moments Measure(Draw draw, int n) {
  Moments m;
  double s1 = 0, s2 = 0, s3 = 0, s4 = 0;
  for (int i = 0; i < n; ++i) {
    const double x = draw(i);
    s1 += x;
    m.lo = std::min(m.lo, x);
    m.hi = std::max(m.hi, x);
  }
  m.mean = s1 / n;
  for (int i = 0; i < n; ++i) {
    const double d = draw(i) - m.mean;
    s2 += d * d;
    s3 += d * d * d;
    s4 += d * d * d * d;
  }
  m.variance = s2 / n;
  m.skew = s3 / n / std::pow(m.variance, 1.5);
  m.kurtosis = s4 / n / (m.variance * m.variance);
  return m;
}

// Each case draws 200,000 values, one stream per value as the trials do
// (value i is the first draw of trial i). Bounds are about 5 standard errors.
struct MomentCase {
  std::string name;
  double (*draw)(Xoshiro256&);
  double mean, variance, skew, kurtosis, lo, hi;
};

TEST(Distributions, MomentsMatchTheTheory) {
  const MomentCase cases[] = {
      {"unit", UniformUnit, 0.5, 1.0 / 12, 0, 1.8, 0, 1},
      {"symmetric", UniformSymmetric, 0, 1.0 / 3, 0, 1.8, -1, 1},
      {"normal", StandardNormal, 0, 1, 0, 3, -6, 6},
  };
  constexpr int n = 200000;
  for (const MomentCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Moments m = Measure(
        [&](int i) {
          Xoshiro256 g = Xoshiro256::ForTrial(2024, static_cast<std::uint64_t>(i));
          return c.draw(g);
        },
        n);
    const double sd = std::sqrt(c.variance);
    EXPECT_NEAR(m.mean, c.mean, 5 * sd / std::sqrt(n));
    EXPECT_NEAR(m.variance, c.variance, 5 * c.variance * std::sqrt((c.kurtosis - 1) / n));
    EXPECT_NEAR(m.skew, c.skew, 5 * std::sqrt(6.0 / n) * (c.kurtosis > 2 ? 1 : 0.5));
    EXPECT_NEAR(m.kurtosis, c.kurtosis, 5 * std::sqrt(24.0 / n));
    EXPECT_GE(m.lo, c.lo);
    EXPECT_LT(m.hi, c.hi);
  }
}

TEST(Distributions, NormalTailsHaveTheirShare) {
  // P(|z| > 3) = 0.0026998; with 400,000 draws the count is 1080 +- 33.
  constexpr int n = 400000;
  Xoshiro256 g = Xoshiro256::ForTrial(5, 0);
  int beyond = 0;
  for (int i = 0; i < n; ++i) beyond += std::fabs(StandardNormal(g)) > 3;
  EXPECT_NEAR(beyond, 0.0026998 * n, 5 * std::sqrt(0.0026998 * n));
}

}  // namespace
}  // namespace kelvara::tolerance
