#include "engine/stage_maths.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/design_data.h"

namespace kelvara::engine {
namespace {

TEST(StageMaths, StageSlotsAndCounts) {
  const int slots[] = {0, 0, 0, 1, 1, 2, 2, 3, 3};
  for (int p = 0; p <= 8; ++p) EXPECT_EQ(StageSlot(p), slots[p]) << p;
  EXPECT_EQ(StageSlot(-1), -1);
  EXPECT_EQ(StageSlot(9), -1);
  const int counts[] = {1, 2, 2, 3, 3, 4, 4};
  for (int order = 2; order <= 8; ++order) {
    EXPECT_EQ(StageCount(order), counts[order - 2]);
    EXPECT_EQ(StageSlot(order) + 1, counts[order - 2]);
  }
}

TEST(StageMaths, FormulasInTheirOrder) {
  EXPECT_EQ(NaturalOmega(2, 3, 5, 7), 1 / std::sqrt(((2.0 * 3) * 5) * 7));
  EXPECT_EQ(ReciprocalProduct(4, 0.5), 0.5);
  EXPECT_EQ(StageQuality(4, 1, 1, 1), 1.0);
  EXPECT_EQ(StageQuality(1, 1, 1, 1), 0.5);
  EXPECT_EQ(PartForOmega(10, 2, 3, 5), 1 / (((10.0 * 10) * 2) * 3 * 5));
  // The fourth part restores the natural frequency.
  const double d = PartForOmega(314.159, 47000, 1e-7, 2.2e-7);
  EXPECT_NEAR(NaturalOmega(47000, 1e-7, 2.2e-7, d), 314.159, 1e-9);
}

struct MatchCase {
  double omegaC, omega, qC, q, error;
};

class MatchErrorTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchErrorTest, SumsBothRatios) {
  const MatchCase& c = GetParam();
  EXPECT_DOUBLE_EQ(MatchError(c.omegaC, c.omega, c.qC, c.q), c.error);
}

INSTANTIATE_TEST_SUITE_P(Cases, MatchErrorTest,
                         ::testing::Values(MatchCase{100, 100, 0.7, 0.7, 0}, MatchCase{200, 100, 0.7, 0.7, 0.5},
                                           MatchCase{50, 100, 0.7, 0.7, 0.5}, MatchCase{100, 100, 1.4, 0.7, 0.5},
                                           MatchCase{200, 100, 0.35, 0.7, 1.0},
                                           MatchCase{80, 100, 0.6, 0.5, 0.2 + 1.0 / 6}));

TEST(StageMaths, EqualCandidateHasNoError) { EXPECT_EQ(MatchError(314.159, 314.159, 0.70711, 0.70711), 0.0); }

TEST(StageMaths, NearestIndexTakesTheLowerOnTiesAndZeroWhenNothingIsNear) {
  const auto& caps = BuildDesignData().CapSeries;
  EXPECT_EQ(NearestIndex(caps, kCapLast, 1.4e-11), 11);
  EXPECT_EQ(NearestIndex(caps, kCapLast, 1e-13), 0);
  EXPECT_EQ(NearestIndex(caps, kCapLast, 2e12), 0);
  EXPECT_EQ(NearestIndex(caps, kCapLast, 1), kCapLast);
  const double series[] = {1, 2, 3};
  EXPECT_EQ(NearestIndex(series, 2, 1.5), 0);  // tie between 1 and 2
  EXPECT_EQ(NearestIndex(series, 2, 2.5), 1);
  EXPECT_EQ(NearestValue(series, 2, 2.9), 3);
  EXPECT_EQ(NearestIndex(series, 1, 2.9), 1);  // only up to the last index given
}

}  // namespace
}  // namespace kelvara::engine
