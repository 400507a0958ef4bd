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
  return engine::MakeDesignRequest(kind, 0, order - 2, response, 0, cutoff, true, true, false);
}

// The plain design with the run's own bookkeeping, as the headless run does
// it: the progress starts at 80 * stages / 100 and steps once first.
struct PlainDesign {
  ComponentSet parts;
  int progress;
};
PlainDesign RunPlain(const engine::DesignRequest& request, std::optional<int> stopAfter) {
  ScriptedRun run(stopAfter);
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
TEST(SeriesDesignIdentity, RandomDesignsWithFixedPartsMatchThePlainDesign) {
  testcases::CaseMaker maker(0xde5165ULL);
  for (int n = 0; n < 300; ++n) {
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
    engine::DesignFilter(engineRun, targets, request, engineParts);
    reference::PlainSeriesDesign(plainRun, targets, request, plainParts);
    ASSERT_EQ(engineParts.r, plainParts.r) << "design " << n;
    ASSERT_EQ(engineParts.c, plainParts.c) << "design " << n;
    ASSERT_EQ(engineRun.progress, plainRun.progress) << "design " << n;
    ASSERT_EQ(engineRun.steps, plainRun.steps) << "design " << n;
    ASSERT_TRUE(engineRun.valid);
  }
}

}  // namespace
