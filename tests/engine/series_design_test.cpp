// Whole preferred-value designs: the headless designer (what kelvara-design
// --values series runs) and random designs with fixed parts, each against
// the plain design, unstopped and stopped.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "engine/stage_maths.h"
#include "tests/engine/series_cases.h"
#include "tests/engine/series_reference.h"
#include "tests/support/component_sets.h"
#include "tools/designer/headless_design.h"

namespace {

using kelvara::testing::AllAuto;
using kelvara::testing::FixC;
using kelvara::testing::FixR;

using namespace kelvara;
using engine::ComponentSet;
using reference::ScriptedRun;

engine::DesignRequest Request(engine::PassKind kind, int order, int response, const std::string& cutoff) {
  return engine::MakeDesignRequest({.passKind = kind,
                                    .orderIndex = order - 2,
                                    .response = response,
                                    .cutoffText = cutoff,
                                    .capE12 = true,
                                    .resE24 = true});
}

// The plain design with the run's own bookkeeping, as the headless run does
// it: the progress starts at 80 * stages / 100 and steps once first.
struct PlainDesign {
  ComponentSet parts;
  int progress;
};
PlainDesign RunPlain(const engine::DesignRequest& request, std::optional<int> stopAfter,
                     const engine::PartSeries* series = nullptr) {
  ScriptedRun run(stopAfter);
  run.partSeries = series;
  run.progress = engine::ProgressMaximum(request.Order()) / 100 + 1;
  PlainDesign d{AllAuto(), 0};
  for (int i = request.Order(); i < engine::kMaxParts; ++i) {
    d.parts.rAuto[i] = d.parts.cAuto[i] = false;
  }
  reference::PlainSeriesDesign(run, engine::BuildStageTargets(request), request, d.parts);
  d.progress = run.progress;
  return d;
}

struct ToolCase {
  const char* name;
  engine::PassKind kind;
  int order;
  int response;
  const char* cutoff;
  std::optional<int> stopAfter;
};

class SeriesHeadlessDesign : public ::testing::TestWithParam<ToolCase> {};

TEST_P(SeriesHeadlessDesign, MatchesThePlainDesign) {
  const ToolCase& c = GetParam();
  const engine::DesignRequest request = Request(c.kind, c.order, c.response, c.cutoff);
  const tools::DesignReport report = tools::RunHeadlessDesign(request, engine::PartInputs{}, c.stopAfter);
  const PlainDesign plain = RunPlain(request, c.stopAfter);
  EXPECT_TRUE(report.valid);
  EXPECT_TRUE(report.warnings.empty());
  EXPECT_EQ(report.parts.r, plain.parts.r);
  EXPECT_EQ(report.parts.c, plain.parts.c);
  EXPECT_EQ(report.progress, plain.progress);
  if (!c.stopAfter) {
    EXPECT_EQ(report.progress, engine::ProgressMaximum(c.order) + 1);
    for (int i = 0; i < c.order; ++i) {
      EXPECT_GT(report.parts.r[i], 0.0) << "R" << i + 1;
      EXPECT_GT(report.parts.c[i], 0.0) << "C" << i + 1;
    }
    ASSERT_TRUE(report.minus3dbHz.has_value());
  } else {
    EXPECT_EQ(report.progress, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Designs, SeriesHeadlessDesign,
    ::testing::Values(ToolCase{"Order8Lpf1k", engine::kLpf, 8, engine::kButterworth, "1k", std::nullopt},
                      ToolCase{"Order7HpfChebyshev10M", engine::kHpf, 7, engine::kChebyshev, "10M", std::nullopt},
                      ToolCase{"Order8Lpf1kStopAfter1", engine::kLpf, 8, engine::kButterworth, "1k", 1},
                      ToolCase{"Order8Lpf1kStopAfter25", engine::kLpf, 8, engine::kButterworth, "1k", 25},
                      ToolCase{"Order5LpfBesselStopAfter60", engine::kLpf, 5, engine::kBessel, "47", 60}),
    [](const ::testing::TestParamInfo<ToolCase>& info) { return std::string(info.param.name); });

// Random designs whose second-order stages have one to four fixed parts
// (the plain loops of stages without any take too long for many designs),
// every first-order pattern, both filter kinds, orders 2 to 8, sometimes
// stopped.
void ExpectRandomDesignsMatch(std::uint64_t seed, int count, const engine::PartSeries& series) {
  testcases::CaseMaker maker(seed, series);
  for (int n = 0; n < count; ++n) {
    const engine::PassKind kind = maker.Chance(0.5) ? engine::kHpf : engine::kLpf;
    int order = 2 + maker.Index(7);
    int response =
        kind == engine::kLpf ? maker.Index(3) : (maker.Chance(0.5) ? engine::kButterworth : engine::kChebyshev);
    if (kind == engine::kHpf && response == engine::kChebyshev && order < 4) order = 4 + maker.Index(5);
    engine::DesignRequest request = Request(kind, order, response, "1");
    request.cutoffHz = maker.LogUniform(1, 1e8);
    const engine::StageTargets targets = engine::BuildStageTargets(request);

    ComponentSet parts;
    for (int i = 0; i < order; ++i) parts.rAuto[i] = parts.cAuto[i] = true;
    auto fix = [&](bool capacitor, int index, double value) {
      (capacitor ? parts.cAuto : parts.rAuto)[index] = false;
      (capacitor ? parts.cFixed : parts.rFixed)[index] = true;
      (capacitor ? parts.c : parts.r)[index] = value;
    };
    const int firstEnd = order % 2 == 0 ? 2 : 3;
    if (order % 2 == 1) {
      const int pattern = maker.Index(4);  // bit 1 R1 fixed, bit 2 C1 fixed
      const double omega = targets.stageOmega[0];
      if (pattern & 1) fix(false, 0, maker.FixedValue(false, 1 / (omega * 1e-8), false, 0));
      if (pattern & 2) fix(true, 0, maker.FixedValue(true, 1 / (omega * 1e4), false, 0));
    }
    for (int e = firstEnd; e <= order; e += 2) {
      const int slot = engine::StageSlot(e);
      const int pattern = 1 + maker.Index(15);
      const engine::SeriesStage s =
          maker.StageWithTargets(kind, pattern, targets.stageQ[slot], targets.stageOmega[slot], false);
      if (pattern & 1) fix(false, e - 2, s.ra);
      if (pattern & 2) fix(false, e - 1, s.rb);
      if (pattern & 4) fix(true, e - 2, s.ca);
      if (pattern & 8) fix(true, e - 1, s.cb);
    }
    const std::optional<int> stop = maker.Chance(0.3) ? std::optional<int>(maker.Index(300)) : std::nullopt;

    ComponentSet engineParts = parts;
    ComponentSet plainParts = parts;
    ScriptedRun engineRun(stop);
    ScriptedRun plainRun(stop);
    engineRun.partSeries = plainRun.partSeries = &series;
    engine::DesignFilter(engineRun, targets, request, engineParts);
    reference::PlainSeriesDesign(plainRun, targets, request, plainParts);
    ASSERT_EQ(engineParts.r, plainParts.r) << "design " << n;
    ASSERT_EQ(engineParts.c, plainParts.c) << "design " << n;
    ASSERT_EQ(engineRun.progress, plainRun.progress) << "design " << n;
    ASSERT_EQ(engineRun.steps, plainRun.steps) << "design " << n;
    // Valid unless the search chose nothing for an auto part (a stopped run
    // chooses nothing from its stop on, and is not reported for it).
    bool chosen = true;
    for (int k = 0; k < order; ++k) {
      if ((parts.rAuto[k] && engineParts.r[k] == 0) || (parts.cAuto[k] && engineParts.c[k] == 0)) chosen = false;
    }
    if (!engineRun.StopRequested()) {
      ASSERT_EQ(engineRun.valid, chosen) << "design " << n;
    }
    ASSERT_EQ(engineRun.warnings.empty(), engineRun.valid) << "design " << n;
  }
}

TEST(SeriesDesignIdentity, RandomDesignsWithFixedPartsMatchThePlainDesign) {
  ExpectRandomDesignsMatch(0xde5165ULL, 300, engine::DefaultPartSeries());
}

engine::SeriesChoice PracticalChoice() {
  engine::SeriesChoice c;
  c.res = engine::ResSeriesKind::kE96;
  c.cap = engine::CapSeriesKind::kE12;
  c.rMin = 1e3;
  c.rMax = 1e6;
  c.cMin = 100e-12;
  return c;
}

TEST(SeriesDesignIdentity, RandomDesignsInNarrowedLargerSeriesMatchThePlainDesign) {
  ExpectRandomDesignsMatch(0xde5166ULL, 60, engine::PartSeriesOf(PracticalChoice()));
}

// E96 resistors of 1 k to 1 M and E12 capacitors from 100 pF: every part of
// a 50 kHz order-5 Butterworth LPF comes from those ranges, as the plain
// design gives it.
TEST(SeriesChoiceDesign, KeepsEveryPartInsideTheChosenRanges) {
  const engine::PartSeries& series = engine::PartSeriesOf(PracticalChoice());
  const engine::DesignRequest request = Request(engine::kLpf, 5, engine::kButterworth, "50k");
  const tools::DesignReport report = tools::RunHeadlessDesign(request, engine::PartInputs{}, std::nullopt, &series);
  const PlainDesign plain = RunPlain(request, std::nullopt, &series);
  EXPECT_EQ(report.parts.r, plain.parts.r);
  EXPECT_EQ(report.parts.c, plain.parts.c);
  for (int i = 0; i < 5; ++i) {
    EXPECT_GE(report.parts.r[i], 1e3) << "R" << i + 1;
    EXPECT_LE(report.parts.r[i], 1e6) << "R" << i + 1;
    EXPECT_GE(report.parts.c[i], 100e-12) << "C" << i + 1;
  }
  ASSERT_TRUE(report.minus3dbHz.has_value());
  EXPECT_NEAR(*report.minus3dbHz, 50e3, 250);
}

// A range without a single series value leaves every auto part at 0, fixed
// parts untouched, and still makes the progress steps of an unstopped run.
TEST(SeriesChoiceDesign, EmptyRangeGivesZeroToEveryAutoPart) {
  engine::SeriesChoice c;
  c.rMin = 1.05e3;
  c.rMax = 1.08e3;
  const engine::PartSeries& series = engine::PartSeriesOf(c);
  const engine::DesignRequest request = Request(engine::kHpf, 5, engine::kButterworth, "1k");
  ComponentSet parts = AllAuto();
  FixR(parts, 3, 2e3);  // R3 fixed: the stage of R2, R3 has three auto parts
  ScriptedRun run;
  run.partSeries = &series;
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(parts.r[i], i == 2 ? 2e3 : 0.0) << "R" << i + 1;
    EXPECT_EQ(parts.c[i], 0.0) << "C" << i + 1;
  }
  EXPECT_EQ(run.progress, engine::ProgressMaximum(5) + 1);
}

}  // namespace
