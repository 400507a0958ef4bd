// Edge cases of the preferred-value design, through DesignFilter: ties,
// stop, all-fixed and three-fixed stages, the HPF stage with a fixed
// capacitor, and stages for which the search finds nothing.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/design.h"
#include "engine/design_data.h"
#include "engine/run_checks.h"
#include "engine/series_search.h"
#include "engine/stage_maths.h"
#include "tests/engine/series_reference.h"
#include "tests/support/component_sets.h"

namespace {

using kelvara::testing::AllAuto;
using kelvara::testing::FixC;
using kelvara::testing::FixR;

using namespace kelvara;
using engine::ComponentSet;
using engine::StageTargets;
using reference::ScriptedRun;

const engine::DesignData& Data() { return engine::BuildDesignData(); }
double Cap(int i) { return Data().CapSeries[i]; }
double Res(int i) { return Data().ResSeries[i]; }

engine::DesignRequest SeriesRequest(engine::PassKind kind, int order, const char* cutoff = "1k",
                                    int response = engine::kButterworth) {
  return engine::MakeDesignRequest({.passKind = kind,
                                    .orderIndex = order - 2,
                                    .response = response,
                                    .cutoffText = cutoff,
                                    .capE12 = true,
                                    .resE24 = true});
}

// One second-order stage with hand-made targets in slot 0.
StageTargets OneStage(double q, double omega) {
  StageTargets t;
  t.stageQ[0] = q;
  t.stageOmega[0] = omega;
  return t;
}

double LpfError(double ca, double cb, double ra, double rb, double q, double omega) {
  return engine::MatchError(engine::NaturalOmega(ra, rb, ca, cb), omega, engine::StageQuality(ca, cb, ra, rb), q);
}

TEST(SeriesStageEdges, ExactMeetKeepsTheEarliestCombination) {
  // Targets made from 560 pF, 390 pF, 510 ohm, 510 ohm are also met exactly
  // by 56 pF, 39 pF, 5.1 kohm, 5.1 kohm, whose Cb comes first in the outer
  // loop. A later candidate with the same error never replaces it.
  const double q = engine::StageQuality(560e-12, 390e-12, 510, 510);
  const double omega = engine::NaturalOmega(510, 510, 560e-12, 390e-12);
  ASSERT_EQ(LpfError(56e-12, 39e-12, 5100, 5100, q, omega), 0.0);
  ASSERT_EQ(LpfError(560e-12, 390e-12, 510, 510, q, omega), 0.0);
  ComponentSet parts = AllAuto();
  ScriptedRun run;
  engine::DesignFilter(run, OneStage(q, omega), SeriesRequest(engine::kLpf, 2), parts);
  EXPECT_EQ(parts.c[0], 56e-12);
  EXPECT_EQ(parts.c[1], 39e-12);
  EXPECT_EQ(parts.r[0], 5100);
  EXPECT_EQ(parts.r[1], 5100);
  EXPECT_TRUE(run.valid);
}

// A design of order 6 at 1 kHz: two stages all auto, the third with R5
// auto and R6, C5, C6 fixed. Stopping at any step keeps the best of the
// running stage, gives 0 to the auto parts of later searched stages and
// still computes R5.
struct StopCase {
  const char* name;
  int stopAfter;     // progress steps of the design; 0: stopped before it starts
  bool partialBest;  // the first stage holds a best that a full search improves on
};

class SeriesStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(SeriesStop, KeepsTheRunningStageAndZeroesLaterSearchedStages) {
  const engine::DesignRequest request = SeriesRequest(engine::kLpf, 6);
  const StageTargets targets = engine::BuildStageTargets(request);
  ComponentSet parts = AllAuto();
  FixR(parts, 6, 10e3);
  FixC(parts, 5, 33e-9);
  FixC(parts, 6, 10e-9);
  const ComponentSet before = parts;

  // Passes of the first stage's search, unstopped.
  engine::SeriesStage first;
  first.q = targets.stageQ[0];
  first.omega = targets.stageOmega[0];
  ScriptedRun count;
  engine::SearchSeriesStage(count, first);
  const int firstPasses = count.steps;

  const int stop = GetParam().stopAfter;
  ScriptedRun run(stop);
  engine::DesignFilter(run, targets, request, parts);

  // The first stage as the plain search leaves it after the same passes.
  ScriptedRun plainRun(stop);
  const engine::SearchResult r = reference::PlainSearchSeriesStage(plainRun, first);
  const auto cap = [](int i) { return i == engine::NoneIndex ? 0.0 : Cap(i); };
  const auto res = [](int i) { return i == engine::NoneIndex ? 0.0 : Res(i); };
  EXPECT_EQ(parts.c[0], cap(r.first));
  EXPECT_EQ(parts.c[1], cap(r.second));
  EXPECT_EQ(parts.r[0], res(r.third));
  EXPECT_EQ(parts.r[1], res(r.fourth));
  if (GetParam().partialBest) {
    ScriptedRun fullRun;
    const engine::SearchResult full = engine::SearchSeriesStage(fullRun, first);
    EXPECT_GT(parts.r[0], 0.0);
    EXPECT_NE(parts.r[0], res(full.third));
  }

  // The second stage never ran a pass: the stop came in the first stage or
  // in the driver's step after it.
  if (stop <= firstPasses + 1) {
    EXPECT_EQ(parts.r[2], 0.0);
    EXPECT_EQ(parts.r[3], 0.0);
    EXPECT_EQ(parts.c[2], 0.0);
    EXPECT_EQ(parts.c[3], 0.0);
  }
  // The three-fixed stage is computed and rounded regardless.
  // The first stage of this design has 39 passes; its first candidate under
  // 1 % comes in pass 12 and is improved on in pass 20.
  ASSERT_EQ(firstPasses, 39);
  const double exact = engine::PartForOmega(targets.stageOmega[2], 10e3, 33e-9, 10e-9);
  EXPECT_EQ(parts.r[4], engine::NearestValue(Data().ResSeries, engine::kResLast, exact));
  EXPECT_GT(parts.r[4], 0.0);
  EXPECT_EQ(parts.r[5], before.r[5]);
  EXPECT_EQ(parts.c[4], before.c[4]);
  EXPECT_EQ(parts.c[5], before.c[5]);

  EXPECT_EQ(run.progress, 0) << "-1 after every stage once stopped, then the step's + 1";
  EXPECT_TRUE(run.valid);
  EXPECT_TRUE(run.warnings.empty());
}

INSTANTIATE_TEST_SUITE_P(StopPoints, SeriesStop,
                         ::testing::Values(StopCase{"BeforeTheDesign", 0, false},
                                           StopCase{"BeforeAnyCandidateIsGoodEnough", 5, false},
                                           StopCase{"AfterTheFirstGoodCandidate", 12, true},
                                           StopCase{"InTheLastPassOfTheFirstStage", 39, false},
                                           StopCase{"InTheStepAfterTheFirstStage", 40, false}),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST(SeriesStageEdges, StopInTheSecondStageKeepsTheFirstWhole) {
  const engine::DesignRequest request = SeriesRequest(engine::kHpf, 4);
  const StageTargets targets = engine::BuildStageTargets(request);
  ComponentSet whole = AllAuto();
  ScriptedRun full;
  engine::DesignFilter(full, targets, request, whole);

  engine::SeriesStage first;
  first.kind = engine::kHpf;
  first.q = targets.stageQ[0];
  first.omega = targets.stageOmega[0];
  ScriptedRun count;
  engine::SearchSeriesStage(count, first);
  const int stop = count.steps + 1 + 3;  // three passes into the second stage

  ComponentSet parts = AllAuto();
  ScriptedRun run(stop);
  engine::DesignFilter(run, targets, request, parts);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(parts.r[i], whole.r[i]);
    EXPECT_EQ(parts.c[i], whole.c[i]);
  }
  ComponentSet plain = AllAuto();
  ScriptedRun plainRun(stop);
  reference::PlainSeriesDesign(plainRun, targets, request, plain);
  EXPECT_EQ(parts.r, plain.r);
  EXPECT_EQ(parts.c, plain.c);
  EXPECT_EQ(run.progress, 0);
  EXPECT_EQ(run.steps, stop + 1);  // the second stage's own step after the stop
}

TEST(SeriesStageEdges, AllFourFixedLeaveTheStageAloneWithoutASearchStep) {
  const engine::DesignRequest request = SeriesRequest(engine::kLpf, 4);
  ComponentSet parts = AllAuto();
  FixR(parts, 1, 1234.5);
  FixR(parts, 2, 4321.5);
  FixC(parts, 1, 12.5e-9);
  FixC(parts, 2, 2.25e-9);
  FixR(parts, 3, 10e3);
  FixR(parts, 4, 10e3);
  FixC(parts, 3, 1e-6);
  FixC(parts, 4, 1e-12);
  const ComponentSet before = parts;
  ScriptedRun run;
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  EXPECT_EQ(parts.r, before.r);
  EXPECT_EQ(parts.c, before.c);
  EXPECT_EQ(run.steps, 2) << "only the driver's step after each stage";
  EXPECT_EQ(run.progress, 2 * 80 + 1);
  EXPECT_TRUE(run.valid);
}

// Three fixed parts: the auto part from omega alone, rounded to the nearest
// series value; an exact midpoint goes to the lower value. No search step,
// no warning, even for a value far below any part.
struct ThreeFixedCase {
  const char* name;
  double omega, rb, ca, cb;  // R1 auto
  double expected;
};

class SeriesThreeFixed : public ::testing::TestWithParam<ThreeFixedCase> {};

TEST_P(SeriesThreeFixed, RoundsTheComputedPartToTheNearestSeriesValue) {
  const ThreeFixedCase& c = GetParam();
  ComponentSet parts = AllAuto();
  FixR(parts, 2, c.rb);
  FixC(parts, 1, c.ca);
  FixC(parts, 2, c.cb);
  ScriptedRun run;
  engine::DesignFilter(run, OneStage(0.7, c.omega), SeriesRequest(engine::kLpf, 2), parts);
  EXPECT_EQ(parts.r[0], c.expected) << "computed " << engine::PartForOmega(c.omega, c.rb, c.ca, c.cb);
  EXPECT_EQ(run.steps, 1);
  EXPECT_TRUE(run.valid);
  EXPECT_TRUE(run.warnings.empty());
}

// 1024^2 * 0.5 / 1024 / 8704 = 1/17: the computed R1 is exactly 17 ohm,
// midway between 16 and 18.
INSTANTIATE_TEST_SUITE_P(Cases, SeriesThreeFixed,
                         ::testing::Values(ThreeFixedCase{"MidpointGoesLower", 1024, 0.5, 0x1p-10, 1.0 / 8704, 16},
                                           ThreeFixedCase{"AboveMidpointGoesUpper", 1024, 0.5, 0x1p-10, 1.0 / 8705, 18},
                                           ThreeFixedCase{"FarBelowTheSeries", 1e6, 1e3, 1e-3, 1e-3, 0.47},
                                           ThreeFixedCase{"FarAboveTheSeries", 1, 1, 1e-3, 1e-6, 510e3}),
                         [](const ::testing::TestParamInfo<ThreeFixedCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(SeriesStageEdges, MidpointCaseIsExact) { ASSERT_EQ(engine::PartForOmega(1024, 0.5, 0x1p-10, 1.0 / 8704), 17.0); }

TEST(SeriesStageEdges, ThreeFixedCapacitorRoundsInTheCapacitorSeries) {
  ComponentSet parts = AllAuto();
  FixR(parts, 1, 10e3);
  FixR(parts, 2, 10e3);
  FixC(parts, 1, 10e-9);
  const double omega = 2 * 3.141592653589793 * 1000;
  ScriptedRun run;
  engine::DesignFilter(run, OneStage(0.7, omega), SeriesRequest(engine::kHpf, 2), parts);
  // 1/(w^2 10k 10k 10n) = 25.3 nF, between 22 nF and 27 nF.
  EXPECT_EQ(parts.c[1], 27e-9);
  EXPECT_EQ(parts.c[0], 10e-9);
}

// An HPF stage with one fixed capacitor scores it as Cb and the searched
// one as Ca, then reports each in its own place: fixing C1 or C2 at the same
// value gives the same searched capacitor, once as C2 and once as C1.
struct CapacitorCase {
  const char* name;
  bool withRb;  // also Rb fixed (then the fixed capacitor is scored as Ca)
};

class SeriesHpfFixedCapacitor : public ::testing::TestWithParam<CapacitorCase> {};

TEST_P(SeriesHpfFixedCapacitor, ReportsTheFixedValueInItsOwnPlace) {
  const engine::DesignRequest request = SeriesRequest(engine::kHpf, 2, "2.2k");
  const StageTargets targets = engine::BuildStageTargets(request);
  const double fixedCap = 15e-9;
  ComponentSet caFixed = AllAuto();
  ComponentSet cbFixed = AllAuto();
  FixC(caFixed, 1, fixedCap);
  FixC(cbFixed, 2, fixedCap);
  if (GetParam().withRb) {
    FixR(caFixed, 2, 6800);
    FixR(cbFixed, 2, 6800);
  }
  ScriptedRun runA;
  ScriptedRun runB;
  engine::DesignFilter(runA, targets, request, caFixed);
  engine::DesignFilter(runB, targets, request, cbFixed);
  EXPECT_EQ(caFixed.c[0], fixedCap);
  EXPECT_EQ(cbFixed.c[1], fixedCap);
  EXPECT_GT(caFixed.c[1], 0.0);
  EXPECT_EQ(caFixed.c[1], cbFixed.c[0]) << "the searched capacitor";
  EXPECT_EQ(caFixed.r, cbFixed.r);
  EXPECT_EQ(runA.steps, runB.steps);

  ComponentSet plain = AllAuto();
  FixC(plain, 1, fixedCap);
  if (GetParam().withRb) FixR(plain, 2, 6800);
  ScriptedRun plainRun;
  reference::PlainSeriesDesign(plainRun, targets, request, plain);
  EXPECT_EQ(caFixed.c, plain.c);
  EXPECT_EQ(caFixed.r, plain.r);
}

INSTANTIATE_TEST_SUITE_P(Cases, SeriesHpfFixedCapacitor,
                         ::testing::Values(CapacitorCase{"OneCapacitor", false}, CapacitorCase{"WithRb", true}),
                         [](const ::testing::TestParamInfo<CapacitorCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(SeriesStageEdges, NoStageCandidateBelowOnePercentGivesZeroes) {
  // Q 50 is beyond any capacitor pair of the band window.
  for (engine::PassKind kind : {engine::kLpf, engine::kHpf}) {
    ComponentSet parts = AllAuto();
    ScriptedRun run;
    engine::DesignFilter(run, OneStage(50, 2 * 3.141592653589793 * 1000), SeriesRequest(kind, 2), parts);
    EXPECT_EQ(parts.r[0], 0.0);
    EXPECT_EQ(parts.r[1], 0.0);
    EXPECT_EQ(parts.c[0], 0.0);
    EXPECT_EQ(parts.c[1], 0.0);
    // Zero parts are no design: the run says so.
    EXPECT_FALSE(run.valid);
    ASSERT_EQ(run.warnings.size(), 1u);
    EXPECT_NE(run.warnings[0].find("Sheet_1 の R1, R2, C1, C2 は選んだ系列と範囲の値では設定できません"),
              std::string::npos)
        << run.warnings[0];
  }
}

TEST(SeriesStageEdges, NoFirstOrderCandidateBelowTenPercentGivesZeroes) {
  StageTargets targets;
  targets.stageOmega[0] = 1e-9;  // needs R C = 1e9 s, far beyond 510 kohm * 150 uF
  targets.stageQ[1] = 0.7;
  targets.stageOmega[1] = 1e-9;
  ComponentSet parts = AllAuto();
  FixR(parts, 2, 1e3);
  FixR(parts, 3, 1e3);
  FixC(parts, 2, 1e-6);
  FixC(parts, 3, 1e-6);
  ScriptedRun run;
  engine::DesignFilter(run, targets, SeriesRequest(engine::kLpf, 3), parts);
  EXPECT_EQ(parts.r[0], 0.0);
  EXPECT_EQ(parts.c[0], 0.0);
  EXPECT_FALSE(run.valid);
  ASSERT_EQ(run.warnings.size(), 1u);
  EXPECT_NE(run.warnings[0].find(" の R1, C1 は"), std::string::npos) << run.warnings[0];
}

// Empty ranges: Ra at or below a fixed Rb under 0.47 ohm, or Rb at or above
// a fixed Ra over 510 kohm. The outer loop still makes its passes.
TEST(SeriesStageEdges, EmptyRangesLeaveTheAutoPartsAtZero) {
  struct Case {
    int fixedResistor;
    double value;
  };
  for (const Case c : {Case{2, 0.1}, Case{1, 1e6}}) {
    ComponentSet parts = AllAuto();
    FixR(parts, c.fixedResistor, c.value);
    ScriptedRun run;
    engine::DesignFilter(run, OneStage(0.7, 6283.185307179586), SeriesRequest(engine::kLpf, 2), parts);
    EXPECT_EQ(parts.r[c.fixedResistor - 1], c.value);
    EXPECT_EQ(parts.r[2 - c.fixedResistor], 0.0);
    EXPECT_EQ(parts.c[0], 0.0);
    EXPECT_EQ(parts.c[1], 0.0);
    EXPECT_EQ(run.steps, engine::kCapLast + 1 + 1);
    EXPECT_FALSE(run.valid);
    EXPECT_EQ(run.warnings.size(), 1u);
  }
}

TEST(SeriesStageEdges, FirstOrderWithOneFixedPartStepsOncePerCandidate) {
  const engine::DesignRequest request = SeriesRequest(engine::kLpf, 3);
  const StageTargets targets = engine::BuildStageTargets(request);
  ComponentSet parts = AllAuto();
  FixC(parts, 1, 10e-9);
  FixC(parts, 2, 10e-9);
  FixC(parts, 3, 10e-9);
  FixR(parts, 2, 10e3);
  FixR(parts, 3, 10e3);
  ScriptedRun run;
  engine::DesignFilter(run, targets, request, parts);
  // R1 over the whole series, then the driver's step; the second stage is
  // all fixed.
  EXPECT_EQ(run.steps, engine::kResLast + 1 + 1 + 1);
  // 1/(2 pi 1 kHz 10 nF) = 15.9 kohm: 16 kohm is the nearest corner.
  EXPECT_EQ(parts.r[0], 16e3);
  EXPECT_EQ(parts.c[0], 10e-9);
  EXPECT_EQ(run.progress, 2 * 80 + 1);
}

TEST(SeriesStageEdges, FirstOrderSearchStoppedBeforeItsFirstPassGivesZero) {
  for (const bool resistorFixed : {false, true}) {
    const engine::DesignRequest request = SeriesRequest(engine::kHpf, 5, "1k", engine::kChebyshev);
    ComponentSet parts = AllAuto();
    if (resistorFixed) {
      FixR(parts, 1, 10e3);
    } else {
      FixC(parts, 1, 10e-9);
    }
    ScriptedRun run(0);
    engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
    EXPECT_EQ(parts.r[0], resistorFixed ? 10e3 : 0.0);
    EXPECT_EQ(parts.c[0], resistorFixed ? 0.0 : 10e-9);
    for (int i = 1; i < 5; ++i) {
      EXPECT_EQ(parts.r[i], 0.0);
      EXPECT_EQ(parts.c[i], 0.0);
    }
    EXPECT_EQ(run.steps, 3) << "the drivers' steps only";
    EXPECT_TRUE(run.valid);
  }
}

}  // namespace
