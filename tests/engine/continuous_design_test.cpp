#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "engine/stage_maths.h"
#include "tests/support/component_sets.h"
#include "tests/support/recording_run.h"

namespace kelvara::engine {
namespace {

using kelvara::testing::AllAuto;
using kelvara::testing::FixC;
using kelvara::testing::FixR;

using kelvara::testing::RecordedWarning;
using kelvara::testing::RecordingRun;

DesignRequest Request(int kind, int order, int response, const char* cutoff = "1k") {
  return MakeDesignRequest(
      {.passKind = kind, .orderIndex = order - 2, .response = response, .cutoffText = cutoff, .anyValues = true});
}

ComponentSet Design(RecordingRun& run, const DesignRequest& request, ComponentSet parts) {
  DesignFilter(run, BuildStageTargets(request), request, parts);
  return parts;
}

double LpfQ(const ComponentSet& p, int e) { return StageQuality(p.c[e - 2], p.c[e - 1], p.r[e - 2], p.r[e - 1]); }
double HpfQ(const ComponentSet& p, int e) { return StageQuality(p.r[e - 1], p.r[e - 2], p.c[e - 2], p.c[e - 1]); }
double Omega(const ComponentSet& p, int e) { return NaturalOmega(p.r[e - 2], p.r[e - 1], p.c[e - 2], p.c[e - 1]); }

TEST(ContinuousDesign, ButterworthLpfOrder2At50Hz) {
  RecordingRun run;
  const ComponentSet p = Design(run, Request(kLpf, 2, kButterworth, "50"), AllAuto());
  const double omega = 314.1592653589793;
  EXPECT_EQ(p.r[0], 47000);
  EXPECT_EQ(p.r[1], 47000);
  const double t = 1 / (omega * 47000);
  EXPECT_EQ(p.c[0], 2 * 0.70711 * t);
  EXPECT_EQ(p.c[1], t * t / p.c[0]);
  EXPECT_NEAR(p.c[0], 2 * 0.70711 / (omega * 47000), 1e-20);
  EXPECT_NEAR(p.c[1], 1 / (2 * 0.70711 * omega * 47000), 1e-20);
  EXPECT_NEAR(LpfQ(p, 2), 0.70711, 1e-12);
  EXPECT_NEAR(Omega(p, 2), omega, 1e-9);
  EXPECT_TRUE(run.valid);
  EXPECT_TRUE(run.warnings.empty());
}

TEST(ContinuousDesign, ButterworthHpfOrder2At50Hz) {
  RecordingRun run;
  const ComponentSet p = Design(run, Request(kHpf, 2, kButterworth, "50"), AllAuto());
  const double omega = 314.1592653589793;
  EXPECT_EQ(p.c[0], 1e-7);
  EXPECT_EQ(p.c[1], 1e-7);
  EXPECT_NEAR(p.r[1], 2 * 0.70711 / (omega * 1e-7), 1e-7);
  EXPECT_NEAR(p.r[0], 1 / (2 * 0.70711 * omega * 1e-7), 1e-7);
  EXPECT_NEAR(HpfQ(p, 2), 0.70711, 1e-12);
  EXPECT_NEAR(Omega(p, 2), omega, 1e-9);
}

// Every table entry, all parts auto: each stage meets its targets.
struct TableCase {
  int kind, order, response;
};

class AllAutoTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(AllAutoTest, StagesMeetTheirTargets) {
  const TableCase& c = GetParam();
  for (const char* cutoff : {"1", "50", "4.7k", "1M", "100M"}) {
    RecordingRun run;
    const DesignRequest request = Request(c.kind, c.order, c.response, cutoff);
    const StageTargets targets = BuildStageTargets(request);
    const ComponentSet p = Design(run, request, AllAuto());
    ASSERT_TRUE(run.valid);
    if (c.order % 2 == 1) {
      EXPECT_NEAR(ReciprocalProduct(p.r[0], p.c[0]) / targets.stageOmega[0], 1, 1e-14);
    }
    for (int e = c.order % 2 == 0 ? 2 : 3; e <= c.order; e += 2) {
      const int s = StageSlot(e);
      const double q = c.kind == kLpf ? LpfQ(p, e) : HpfQ(p, e);
      EXPECT_NEAR(q / targets.stageQ[s], 1, 1e-13) << cutoff << " e=" << e;
      EXPECT_NEAR(Omega(p, e) / targets.stageOmega[s], 1, 1e-13) << cutoff << " e=" << e;
      // Equal resistors for LPF, equal capacitors for HPF.
      if (c.kind == kLpf) {
        EXPECT_EQ(p.r[e - 2], p.r[e - 1]);
      } else {
        EXPECT_EQ(p.c[e - 2], p.c[e - 1]);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, AllAutoTest,
                         ::testing::Values(TableCase{0, 2, 0}, TableCase{0, 3, 1}, TableCase{0, 4, 2},
                                           TableCase{0, 5, 0}, TableCase{0, 6, 1}, TableCase{0, 7, 2},
                                           TableCase{0, 8, 0}, TableCase{0, 8, 1}, TableCase{0, 8, 2},
                                           TableCase{1, 2, 0}, TableCase{1, 3, 0}, TableCase{1, 4, 2},
                                           TableCase{1, 5, 2}, TableCase{1, 6, 0}, TableCase{1, 7, 2},
                                           TableCase{1, 8, 2}));

// One or two fixed parts of a stage: the stage still meets Q and omega.
struct FixedCase {
  const char* name;
  int kind;
  double ra, rb, ca, cb;  // 0 = auto
};

void PrintTo(const FixedCase& c, std::ostream* os) { *os << c.name; }

class FixedPartsTest : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedPartsTest, StageMeetsItsTargets) {
  const FixedCase& c = GetParam();
  ComponentSet parts = AllAuto();
  if (c.ra > 0) FixR(parts, 3, c.ra);
  if (c.rb > 0) FixR(parts, 4, c.rb);
  if (c.ca > 0) FixC(parts, 3, c.ca);
  if (c.cb > 0) FixC(parts, 4, c.cb);
  const DesignRequest request = Request(c.kind, 4, kButterworth, "1k");
  const StageTargets targets = BuildStageTargets(request);
  RecordingRun run;
  const ComponentSet p = Design(run, request, parts);
  ASSERT_TRUE(run.valid) << (run.warnings.empty() ? "" : run.warnings[0].caption);
  EXPECT_NEAR(Omega(p, 4) / targets.stageOmega[1], 1, 1e-9);
  const double q = c.kind == kLpf ? LpfQ(p, 4) : HpfQ(p, 4);
  // The step search stops just above the target; the formulas meet it.
  EXPECT_GE(q / targets.stageQ[1], 1 - 1e-12);
  EXPECT_LT(q / targets.stageQ[1], 1 + 1e-4);
  // Fixed parts keep their values.
  if (c.ra > 0) {
    EXPECT_EQ(p.r[2], c.ra);
  }
  if (c.rb > 0) {
    EXPECT_EQ(p.r[3], c.rb);
  }
  if (c.ca > 0) {
    EXPECT_EQ(p.c[2], c.ca);
  }
  if (c.cb > 0) {
    EXPECT_EQ(p.c[3], c.cb);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lpf, FixedPartsTest,
    ::testing::Values(FixedCase{"Ra", 0, 10e3, 0, 0, 0}, FixedCase{"Rb", 0, 0, 22e3, 0, 0},
                      FixedCase{"Ca", 0, 0, 0, 47e-9, 0}, FixedCase{"Cb", 0, 0, 0, 0, 4.7e-9},
                      FixedCase{"RaRb", 0, 10e3, 15e3, 0, 0}, FixedCase{"CaCb", 0, 0, 0, 100e-9, 10e-9},
                      FixedCase{"RaCa", 0, 10e3, 0, 47e-9, 0}, FixedCase{"RbCa", 0, 0, 10e3, 47e-9, 0},
                      FixedCase{"RaCb", 0, 10e3, 0, 0, 4.7e-9}, FixedCase{"RbCb", 0, 0, 10e3, 0, 4.7e-9}));

INSTANTIATE_TEST_SUITE_P(
    Hpf, FixedPartsTest,
    ::testing::Values(FixedCase{"Ra", 1, 10e3, 0, 0, 0}, FixedCase{"Rb", 1, 0, 22e3, 0, 0},
                      FixedCase{"Ca", 1, 0, 0, 10e-9, 0}, FixedCase{"Cb", 1, 0, 0, 0, 10e-9},
                      FixedCase{"RaRb", 1, 4.7e3, 47e3, 0, 0}, FixedCase{"CaCb", 1, 0, 0, 10e-9, 22e-9},
                      FixedCase{"RbCa", 1, 0, 47e3, 10e-9, 0}, FixedCase{"RbCb", 1, 0, 47e3, 0, 10e-9},
                      FixedCase{"RaCa", 1, 4.7e3, 0, 10e-9, 0}, FixedCase{"RaCb", 1, 4.7e3, 0, 0, 10e-9}));

TEST(ContinuousDesign, BothCapacitorsTooCloseCannotBeDesigned) {
  // Order 2 Butterworth: 4 Q^2 = 2.0000; Ca/Cb = 1.9 is below 4 Q^2 - 0.008.
  ComponentSet parts = AllAuto();
  FixC(parts, 1, 19e-9);
  FixC(parts, 2, 10e-9);
  RecordingRun run;
  const ComponentSet p = Design(run, Request(kLpf, 2, kButterworth), parts);
  EXPECT_FALSE(run.valid);
  ASSERT_EQ(run.warnings.size(), 1u);
  EXPECT_EQ(run.warnings[0], (RecordedWarning{"C1, C2 は設定不能な値", "autoにするか静電容量値を再設定下さい。"}));
  EXPECT_EQ(p.r[0], 0);
  EXPECT_EQ(p.r[1], 0);
  EXPECT_EQ(run.shown, std::vector<int>{0});  // progress -1 after a failed stage, then +1
}

TEST(ContinuousDesign, CapacitorRatioOfExactly4QSquaredGivesEqualResistors) {
  const double q = 0.70711;
  ComponentSet parts = AllAuto();
  FixC(parts, 1, 4 * std::pow(q, 2.0) * 1e-8);
  FixC(parts, 2, 1e-8);
  RecordingRun run;
  const ComponentSet p = Design(run, Request(kLpf, 2, kButterworth), parts);
  EXPECT_TRUE(run.valid);
  EXPECT_NEAR(p.r[0] / p.r[1], 1, 1e-7);
}

TEST(ContinuousDesign, QuadraticToleranceAcceptsSlightlyLowRatios) {
  // d between -0.008 and 0 counts as 0: both roots equal.
  const double q = BuildStageTargets(Request(kLpf, 4, kButterworth)).stageQ[1];
  ComponentSet parts = AllAuto();
  FixC(parts, 3, (4 * std::pow(q, 2.0) - 0.005) * 1e-8);
  FixC(parts, 4, 1e-8);
  RecordingRun run;
  const ComponentSet p = Design(run, Request(kLpf, 4, kButterworth), parts);
  EXPECT_TRUE(run.valid);
  EXPECT_EQ(p.r[2], p.r[3]);
  ComponentSet hpf = AllAuto();
  FixR(hpf, 1, 10e3);
  FixR(hpf, 2, 10e3 * 1.5);  // Rb/Ra = 1.5 < 4 Q^2 = 2
  RecordingRun run2;
  Design(run2, Request(kHpf, 2, kButterworth), hpf);
  ASSERT_EQ(run2.warnings.size(), 1u);
  EXPECT_EQ(run2.warnings[0], (RecordedWarning{"R1, R2 は設定不能な値", "autoにするか抵抗値を再設定下さい。"}));
}

TEST(ContinuousDesign, AllFourPartsFixedLeaveTheStageAlone) {
  ComponentSet parts = AllAuto();
  FixR(parts, 1, 1);
  FixR(parts, 2, 2);
  FixC(parts, 1, 3);
  FixC(parts, 2, 4);
  RecordingRun run;
  const ComponentSet p = Design(run, Request(kLpf, 2, kButterworth), parts);
  EXPECT_TRUE(run.valid);
  EXPECT_TRUE(run.warnings.empty());
  EXPECT_EQ(p.r[0], 1);
  EXPECT_EQ(p.r[1], 2);
  EXPECT_EQ(p.c[0], 3);
  EXPECT_EQ(p.c[1], 4);
}

TEST(ContinuousDesign, ThreeFixedPartsDeriveTheFourthFromOmega) {
  ComponentSet parts = AllAuto();
  FixR(parts, 1, 10e3);
  FixR(parts, 2, 10e3);
  FixC(parts, 1, 22e-9);
  RecordingRun run;
  const DesignRequest request = Request(kLpf, 2, kButterworth);
  const ComponentSet p = Design(run, request, parts);
  EXPECT_EQ(p.c[1], PartForOmega(BuildStageTargets(request).stageOmega[0], 10e3, 10e3, 22e-9));
  EXPECT_TRUE(run.valid);
}

TEST(ContinuousDesign, ThreeFixedPartsGivingATinyPartAreReported) {
  ComponentSet parts = AllAuto();
  FixR(parts, 2, 1e6);
  FixC(parts, 1, 1e-3);
  FixC(parts, 2, 1e-3);
  RecordingRun run;
  run.sheetIndex = 1;
  const ComponentSet p = Design(run, Request(kLpf, 2, kButterworth, "100M"), parts);
  EXPECT_FALSE(run.valid);
  ASSERT_EQ(run.warnings.size(), 1u);
  EXPECT_EQ(run.warnings[0], (RecordedWarning{"設定不可能", "Sheet_2 は定数設定することができません"}));
  EXPECT_GT(p.r[0], 0);  // the computed value stays stored
  EXPECT_LT(p.r[0], 0.001);
}

TEST(ContinuousDesign, ProgressAfterEachSecondOrderStageOnly) {
  struct Case {
    int order;
    std::vector<int> shown;
  };
  for (const Case& c : {Case{2, {81}}, Case{3, {161}}, Case{5, {161, 241}}, Case{8, {81, 161, 241, 321}}}) {
    RecordingRun run;
    Design(run, Request(kLpf, c.order, kButterworth), AllAuto());
    EXPECT_EQ(run.shown, c.shown) << "order " << c.order;
  }
}

TEST(ContinuousDesign, FailedStageSetsProgressToMinusOneAndLaterStagesGoOn) {
  ComponentSet parts = AllAuto();
  FixC(parts, 1, 10e-9);
  FixC(parts, 2, 10e-9);  // ratio 1 < 4 Q^2 of the first stage
  RecordingRun run;
  const ComponentSet p = Design(run, Request(kLpf, 4, kButterworth), parts);
  EXPECT_EQ(run.shown, (std::vector<int>{0, 0}));
  EXPECT_GT(p.r[2], 0);  // the second stage is still designed
}

TEST(ContinuousDesign, FirstOrderStageVariants) {
  const DesignRequest request = Request(kLpf, 3, kButterworth, "1k");
  const double omega = BuildStageTargets(request).stageOmega[0];
  {
    RecordingRun run;
    const ComponentSet p = Design(run, request, AllAuto());
    EXPECT_EQ(p.r[0], 10000);  // band 7
    EXPECT_EQ(p.c[0], ReciprocalProduct(omega, 10000));
  }
  {
    ComponentSet parts = AllAuto();
    FixC(parts, 1, 10e-9);
    RecordingRun run;
    EXPECT_EQ(Design(run, request, parts).r[0], ReciprocalProduct(omega, 10e-9));
  }
  {
    ComponentSet parts = AllAuto();
    FixR(parts, 1, 4700);
    RecordingRun run;
    EXPECT_EQ(Design(run, request, parts).c[0], ReciprocalProduct(omega, 4700));
  }
}

// The step search with one resistor and one capacitor fixed.
TEST(StepSearch, UnreachableTargetIsReportedWithTheFixedParts) {
  // LPF, Ca and Rb fixed: Q cannot exceed omega Ca Rb.
  ComponentSet parts = AllAuto();
  FixC(parts, 1, 1e-9);
  FixR(parts, 2, 100);
  RecordingRun run;
  const ComponentSet p = Design(run, Request(kLpf, 2, kButterworth), parts);
  EXPECT_FALSE(run.valid);
  ASSERT_EQ(run.warnings.size(), 1u);
  EXPECT_EQ(run.warnings[0], (RecordedWarning{"R2, C1 は設定不能な値", "autoにするかfixの値を再設定下さい。"}));
  EXPECT_EQ(p.c[1], 0);
  EXPECT_EQ(p.r[0], 0);
  EXPECT_EQ(p.c[0], 1e-9);
  EXPECT_EQ(p.r[1], 100);
}

// A clock that shows `start` and moves on one second every `perSecond` reads.
struct SteppingClock {
  std::int64_t start;
  int perSecond;
  mutable int reads = 0;
  std::int64_t last = 0;
  std::int64_t operator()() {
    last = start + reads++ / perSecond;
    return last;
  }
};

// LPF with Cb = 1 nF and Ra fixed walks Ca upwards in 1 nF steps; a target
// `gap` below the bound 1 / (omega Cb Ra) needs a Ca of about 0.5 nF / gap.
double RaBelowBound(double omega, double gap) { return 1 / (omega * 1e-9 * 0.70711) * (1 - gap); }

TEST(StepSearch, GivesUpWhenTheDeadlineSecondIsReachedOrPassed) {
  // Some fifty million steps: only the time limit ends the search.
  const DesignRequest request = Request(kLpf, 2, kButterworth, "1k");
  const double omega = BuildStageTargets(request).stageOmega[0];
  const double ra = RaBelowBound(omega, 1e-8);
  for (std::int64_t start : {58, 59, 120}) {
    ComponentSet parts = AllAuto();
    FixR(parts, 1, ra);
    FixC(parts, 2, 1e-9);
    RecordingRun run;
    auto clock = std::make_shared<SteppingClock>(SteppingClock{start, 1000});
    run.clock = [clock] { return (*clock)(); };
    Design(run, request, parts);
    EXPECT_FALSE(run.valid);
    EXPECT_EQ(clock->last, start + 2) << "started at " << start;
    EXPECT_EQ(clock->last % 60, (start + 2) % 60);
  }
}

TEST(StepSearch, ClockSetBackEndsTheSearch) {
  const DesignRequest request = Request(kLpf, 2, kButterworth, "1k");
  const double omega = BuildStageTargets(request).stageOmega[0];
  ComponentSet parts = AllAuto();
  FixR(parts, 1, RaBelowBound(omega, 1e-8));
  FixC(parts, 2, 1e-9);
  RecordingRun run;
  int reads = 0;
  run.clock = [&reads] { return reads++ < 5 ? 1000 : 10; };
  Design(run, request, parts);
  EXPECT_FALSE(run.valid);
  EXPECT_LE(reads, 7);
}

TEST(StepSearch, AWalkNoClockCouldSeeThroughGivesUpAtOnce) {
  // Some five hundred billion steps: no machine walks them in two seconds,
  // so the search gives up as it would at its limit, without waiting.
  const DesignRequest request = Request(kLpf, 2, kButterworth, "1k");
  const double omega = BuildStageTargets(request).stageOmega[0];
  ComponentSet parts = AllAuto();
  FixR(parts, 1, RaBelowBound(omega, 1e-12));
  FixC(parts, 2, 1e-9);
  RecordingRun run;
  auto clock = std::make_shared<SteppingClock>(SteppingClock{1000, 1000});
  run.clock = [clock] { return (*clock)(); };
  const ComponentSet p = Design(run, request, parts);
  EXPECT_FALSE(run.valid);
  ASSERT_EQ(run.warnings.size(), 1u);
  EXPECT_EQ(run.warnings[0], (RecordedWarning{"R1, C2 は設定不能な値", "autoにするかfixの値を再設定下さい。"}));
  EXPECT_EQ(p.c[0], 0);
  EXPECT_EQ(p.r[1], 0);
  EXPECT_LT(clock->reads, 100);  // long before its limit
}

}  // namespace
}  // namespace kelvara::engine
