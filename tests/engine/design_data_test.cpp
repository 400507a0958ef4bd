#include "engine/design_data.h"

#include <gtest/gtest.h>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "engine/stage_maths.h"

namespace kelvara::engine {
namespace {

const DesignData& Data() { return BuildDesignData(); }

TEST(DesignData, SeriesHaveTheirLengthsAndEnds) {
  EXPECT_EQ(Data().CapSeries.front(), 1e-12);
  EXPECT_EQ(Data().CapSeries[9], 1.0e-11);
  EXPECT_EQ(Data().CapSeries[kCapLast], 0.001);
  EXPECT_EQ(Data().ResSeries.front(), 0.47);
  EXPECT_EQ(Data().ResSeries[kResLast], 510000);
  EXPECT_EQ(kCapLast, 81);
  EXPECT_EQ(kResLast, 145);
  EXPECT_EQ(NoneIndex, 148);
  for (int i = 1; i < kCapCount; ++i) EXPECT_LT(Data().CapSeries[i - 1], Data().CapSeries[i]) << i;
  for (int i = 1; i < kResCount; ++i) EXPECT_LT(Data().ResSeries[i - 1], Data().ResSeries[i]) << i;
}

TEST(DesignData, SeriesValuesAreTheNearestDoublesToTheirDecimals) {
  // Entries built as mantissa * power of ten would differ in the last bit.
  EXPECT_EQ(Data().CapSeries[10], 12e-12);
  EXPECT_EQ(Data().CapSeries[15], 33e-12);
  EXPECT_EQ(Data().CapSeries[56], 8.2e-8);
  EXPECT_EQ(Data().CapSeries[57], 1e-7);
  EXPECT_EQ(Data().CapSeries[62], 6.8e-7);
  EXPECT_EQ(Data().CapSeries[80], 6.8e-4);
  EXPECT_EQ(Data().ResSeries[8], 1.0);
  EXPECT_EQ(Data().ResSeries[24], 4.7);
  EXPECT_EQ(Data().ResSeries[100], 6.8e3);
  EXPECT_EQ(Data().ResSeries[128], 1e5);
  EXPECT_EQ(Data().ResSeries[145], 5.1e5);
}

struct BandCase {
  double hz;
  int band;
  double startR;
  double startC;
};

class BandTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(BandTest, ChoosesFirstBandBelowItsLimit) {
  const BandCase& c = GetParam();
  const int b = BandIndex(6.283185307179586 * c.hz);
  EXPECT_EQ(b, c.band);
  EXPECT_EQ(Data().BandTable[b].startR, c.startR);
  EXPECT_EQ(Data().BandTable[b].startC, c.startC);
}

INSTANTIATE_TEST_SUITE_P(Bands, BandTest,
                         ::testing::Values(BandCase{50, 4, 47000, 1e-7}, BandCase{0.5, 0, 47000, 3.3e-6},
                                           BandCase{1, 1, 47000, 3.3e-6},  // a limit belongs to the next band
                                           BandCase{999, 6, 47000, 1e-8}, BandCase{1000, 7, 10000, 3.3e-9},
                                           BandCase{5e5, 12, 470, 3.3e-10}, BandCase{2.5e8, 17, 10, 4.7e-11},
                                           BandCase{9.9e8, 18, 10, 2.2e-11}));

TEST(DesignData, BandLimitsAreAngularFrequencies) {
  EXPECT_EQ(Data().BandTable[4].limitOmega, 6.283185307179586 * 100);
  EXPECT_EQ(Data().BandTable[18].limitOmega, 6.283185307179586 * 1e9);
}

struct TargetCase {
  int passKind;
  int orderIndex;
  int response;
  std::vector<double> q;
  std::vector<double> w;
};

class StageTableTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(StageTableTest, TargetsFollowTheTables) {
  const TargetCase& c = GetParam();
  const DesignRequest r = MakeDesignRequest({.passKind = c.passKind,
                                             .orderIndex = c.orderIndex,
                                             .response = c.response,
                                             .cutoffText = "1",
                                             .anyValues = true});
  const StageTargets t = BuildStageTargets(r);
  for (int s = 0; s < kMaxStages; ++s) {
    const double q = s < static_cast<int>(c.q.size()) ? c.q[s] : 0;
    const double w = s < static_cast<int>(c.w.size()) ? c.w[s] : 0;
    EXPECT_EQ(t.stageQ[s], q) << "slot " << s;
    EXPECT_EQ(t.stageOmega[s], 1.0 * 2 * 3.141592653589793 * w) << "slot " << s;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, StageTableTest,
    ::testing::Values(TargetCase{0, 0, 0, {0.70711}, {1.0}}, TargetCase{0, 0, 1, {0.57735}, {1.2742}},
                      TargetCase{0, 0, 2, {0.80925}, {1.45397}},
                      TargetCase{0, 3, 1, {0.5, 0.56354, 0.91648}, {1.5047, 1.55876, 1.75812}},
                      TargetCase{0, 6, 2, {0.63041, 1.38327, 2.93174, 9.71678}, {0.33164, 0.61692, 0.87365, 1.01679}},
                      TargetCase{0, 5, 0, {0.5, 0.55496, 0.80194, 2.24698}, {1, 1, 1, 1}},
                      TargetCase{1, 4, 0, {0.51764, 0.70711, 1.93185}, {1, 1, 1}},
                      TargetCase{1, 2, 2, {0.65725, 2.53611}, {1.482756, 0.927695}},
                      TargetCase{
                          1, 6, 2, {0.63041, 1.38327, 2.93174, 9.71678}, {3.015318, 1.620956, 1.144623, 0.98349}},
                      // HPF Bessel holds nothing; HPF Chebyshev of order 2 has its Q but no frequency factor.
                      TargetCase{1, 6, 1, {}, {}}, TargetCase{1, 0, 2, {0.80925}, {}}));

TEST(StageTargets, ButterworthLpfOrder2At1kHz) {
  const DesignRequest r = MakeDesignRequest({.cutoffText = "1000", .anyValues = true});
  const StageTargets t = BuildStageTargets(r);
  EXPECT_NEAR(t.stageQ[0], 0.70711, 5e-6);
  EXPECT_NEAR(t.stageOmega[0], 6283.19, 0.005);
  EXPECT_EQ(t.stageOmega[0], 1000 * 2 * 3.141592653589793);
}

TEST(StageTargets, ButterworthLpfOrder2At50Hz) {
  const StageTargets t = BuildStageTargets(MakeDesignRequest({.cutoffText = "50", .anyValues = true}));
  EXPECT_EQ(t.stageQ[0], 0.70711);
  EXPECT_EQ(t.stageOmega[0], 314.1592653589793);
}

TEST(StageTargets, CombinationsWithoutData) {
  auto req = [](int kind, int order, int response) {
    return MakeDesignRequest(
        {.passKind = kind, .orderIndex = order - 2, .response = response, .cutoffText = "1k", .anyValues = true});
  };
  EXPECT_FALSE(HasDesignData(req(1, 4, kBessel)));
  EXPECT_FALSE(HasDesignData(req(1, 2, kChebyshev)));
  EXPECT_FALSE(HasDesignData(req(1, 3, kChebyshev)));
  EXPECT_TRUE(HasDesignData(req(1, 4, kChebyshev)));
  EXPECT_TRUE(HasDesignData(req(0, 2, kChebyshev)));
  EXPECT_TRUE(HasDesignData(req(0, 8, kBessel)));
  EXPECT_FALSE(HasDesignData(req(0, 9, kButterworth)));
  EXPECT_FALSE(HasDesignData(MakeDesignRequest({.rippleIndex = 255, .cutoffText = "1k", .anyValues = true})));
  // Outside the tables the targets stay empty rather than reading past them.
  const StageTargets t = BuildStageTargets(
      MakeDesignRequest({.orderIndex = 200, .response = 9, .rippleIndex = 255, .cutoffText = "1k", .anyValues = true}));
  for (int s = 0; s < kMaxStages; ++s) EXPECT_EQ(t.stageOmega[s], 0);
}

}  // namespace
}  // namespace kelvara::engine
