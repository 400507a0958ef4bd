// The preferred-value design of sections (engine/section_series.h): every
// part inside its series and range, every stage equal to the plain loop
// over all allowed combinations (small series and narrow ranges, both
// topologies, LPF and HPF, odd and even orders, fixed parts, a stage that
// cannot be made), progress and stop, and the figures of each form.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/design.h"
#include "engine/part_series.h"
#include "engine/section_design.h"
#include "engine/section_series.h"
#include "tests/engine/section_series_reference.h"
#include "tests/engine/series_reference.h"

namespace kelvara::engine {
namespace {

struct SeriesCase {
  const char* name;
  SectionFamily family;
  std::uint8_t kind;
  int order;
  std::uint8_t response;
  double cutoffHz;
  std::optional<double> gain;
  std::vector<double> stageGains;
  std::vector<std::pair<std::string, double>> fixes;
  SeriesChoice series;
  bool valid;  // every stage has a combination below the limit
};

SeriesChoice Choice(CapSeriesKind cap, double cMin, double cMax, ResSeriesKind res, double rMin, double rMax) {
  SeriesChoice c;
  c.cap = cap;
  c.res = res;
  c.cMin = cMin;
  c.cMax = cMax;
  c.rMin = rMin;
  c.rMax = rMax;
  return c;
}

struct Planned {
  std::vector<StagePlan> plans;
  SectionFixes fixes;
};

Planned PlanOf(const SeriesCase& c) {
  DesignRequest r;
  r.cutoffHz = c.cutoffHz;
  r.passKind = c.kind;
  r.orderIndex = static_cast<std::uint8_t>(c.order - 2);
  r.response = c.response;
  r.evenOrder = c.order % 2 == 0;
  SectionPlanInputs in;
  in.passKind = c.kind;
  in.order = c.order;
  in.family = c.family;
  in.gain = c.gain;
  in.stageGains = c.stageGains;
  const auto planned = PlanSections(in, BuildStageTargets(r));
  EXPECT_EQ(values::ProblemOf(planned), nullptr);
  Planned p;
  p.plans = std::get<std::vector<StagePlan>>(planned);
  const auto fixes = FixesOf(p.plans, c.kind == kHpf, c.fixes);
  EXPECT_EQ(values::ProblemOf(fixes), nullptr);
  p.fixes = std::get<SectionFixes>(fixes);
  return p;
}

// Whether x is a value of the whole series (as published) inside [lo, hi].
bool InSeries(const std::vector<double>& whole, double lo, double hi, double x) {
  return std::find(whole.begin(), whole.end(), x) != whole.end() && x >= lo * (1 - 1e-9) && x <= hi * (1 + 1e-9);
}

class SectionSeries : public ::testing::TestWithParam<SeriesCase> {};

TEST_P(SectionSeries, IsThePlainLoopsBestInsideTheSeries) {
  const SeriesCase& c = GetParam();
  const bool hpf = c.kind == kHpf;
  const Planned p = PlanOf(c);
  const PartSeries& series = PartSeriesOf(c.series);
  reference::ScriptedRun run;
  const std::uint64_t before = SectionSeriesCandidates();
  const SectionsDesign design = DesignSectionsFromSeries(run, p.plans, hpf, p.fixes, series);
  const std::uint64_t pruned = SectionSeriesCandidates() - before;
  const std::uint64_t plainBefore = reference::PlainSectionCandidates();
  const std::vector<reference::PlainStageResult> plain =
      reference::PlainSectionsFromSeries(p.plans, hpf, p.fixes, series);
  const std::uint64_t plainCount = reference::PlainSectionCandidates() - plainBefore;

  EXPECT_EQ(design.valid, c.valid) << (design.warnings.empty() ? "" : design.warnings[0].text);
  EXPECT_EQ(design.warnings.size(), static_cast<std::size_t>(std::count_if(plain.begin(), plain.end(),
                                                                           [](const auto& s) { return !s.found; })));
  EXPECT_EQ(run.steps, SectionsSeriesSteps(p.plans, hpf, p.fixes, series));
  EXPECT_LT(pruned, plainCount);
  const std::vector<double> caps = CapSeriesValues(c.series.cap), ress = ResSeriesValues(c.series.res);
  const auto names = SectionPartNames(p.plans, hpf);
  ASSERT_EQ(design.stages.size(), plain.size());
  for (std::size_t s = 0; s < plain.size(); ++s) {
    const StageDesign& stage = design.stages[s];
    const std::string_view letters = StageFormLetters(stage.plan.form, hpf);
    EXPECT_EQ(stage.values, plain[s].values) << "stage " << s + 1;
    if (plain[s].found) {
      EXPECT_EQ(StageSeriesScore(stage.plan, hpf, stage.values), plain[s].score) << "stage " << s + 1;
      EXPECT_LT(plain[s].score, kSectionSeriesLimit);
    }
    for (std::size_t i = 0; i < stage.values.size(); ++i) {
      const std::optional<double>& fix = p.fixes[s][i];
      const double x = stage.values[i];
      if (fix) {
        EXPECT_EQ(x, *fix) << names[s][i];
      } else if (!plain[s].found) {
        EXPECT_EQ(x, 0.0) << names[s][i];
      } else if (letters[i] == 'C') {
        EXPECT_TRUE(InSeries(caps, c.series.cMin, c.series.cMax, x)) << names[s][i] << " = " << x;
      } else {
        EXPECT_TRUE(InSeries(ress, c.series.rMin, c.series.rMax, x)) << names[s][i] << " = " << x;
      }
    }
  }
  for (const SectionWarning& w : design.warnings) EXPECT_NE(w.text.find("段（"), std::string::npos) << w.text;
}

using C = CapSeriesKind;
using R = ResSeriesKind;
// The smallest resistor series is E24: narrow ranges keep the plain loops short.
const SeriesChoice kSmallMfbLpf = Choice(C::kE6, 100e-12, 100e-9, R::kE24, 1e3, 10e3);
const SeriesChoice kSmallHpf = Choice(C::kE6, 1e-9, 1e-6, R::kE24, 1e3, 47e3);
const SeriesChoice kSmallGain = Choice(C::kE6, 1e-9, 100e-9, R::kE24, 2.2e3, 6.8e3);
const SeriesChoice kNarrowCaps = Choice(C::kE6, 1e-9, 2.2e-9, R::kE24, 1e3, 10e3);

INSTANTIATE_TEST_SUITE_P(
    Sections, SectionSeries,
    ::testing::Values(
        SeriesCase{"MfbLpfEven", SectionFamily::kMfb, kLpf, 4, kButterworth, 10e3, 10, {}, {}, kSmallMfbLpf, true},
        SeriesCase{"MfbLpfOdd", SectionFamily::kMfb, kLpf, 3, kBessel, 2e3, 2, {}, {}, kSmallMfbLpf, true},
        SeriesCase{"MfbHpfOdd",
                   SectionFamily::kMfb,
                   kHpf,
                   5,
                   kButterworth,
                   1e3,
                   std::nullopt,
                   {1, 1.5, 2.2},
                   {},
                   kSmallHpf,
                   true},
        SeriesCase{"MfbHpfEvenStageGains",
                   SectionFamily::kMfb,
                   kHpf,
                   4,
                   kButterworth,
                   500,
                   std::nullopt,
                   {0.5, 3},
                   {},
                   kSmallHpf,
                   true},
        SeriesCase{"MfbLpfFixedCapacitor",
                   SectionFamily::kMfb,
                   kLpf,
                   2,
                   kButterworth,
                   10e3,
                   1,
                   {},
                   {{"C2", 1.2e-9}},
                   kSmallMfbLpf,
                   true},
        SeriesCase{"MfbLpfFixedResistorOutsideSeries",
                   SectionFamily::kMfb,
                   kLpf,
                   3,
                   kButterworth,
                   5e3,
                   1,
                   {},
                   {{"R2", 4321}},
                   kSmallMfbLpf,
                   true},
        SeriesCase{"MfbLpfCapacitorsTooNarrow",
                   SectionFamily::kMfb,
                   kLpf,
                   2,
                   kButterworth,
                   50e3,
                   4,
                   {},
                   {},
                   kNarrowCaps,
                   false},
        SeriesCase{"GainLpfEven", SectionFamily::kSallenKey, kLpf, 4, kButterworth, 10e3, 4, {}, {}, kSmallGain, true},
        SeriesCase{"GainLpfOdd", SectionFamily::kSallenKey, kLpf, 3, kChebyshev, 5e3, 8, {}, {}, kSmallGain, true},
        SeriesCase{"GainHpfOdd", SectionFamily::kSallenKey, kHpf, 3, kButterworth, 2e3, 3, {}, {}, kSmallGain, true},
        SeriesCase{"GainHpfEven", SectionFamily::kSallenKey, kHpf, 4, kChebyshev, 3e3, 5, {}, {}, kSmallGain, true},
        SeriesCase{"GainLpfUnityAndGainStages",
                   SectionFamily::kSallenKey,
                   kLpf,
                   4,
                   kButterworth,
                   8e3,
                   std::nullopt,
                   {1, 2.5},
                   {},
                   kSmallGain,
                   true},
        SeriesCase{"GainLpfFixedFeedback",
                   SectionFamily::kSallenKey,
                   kLpf,
                   2,
                   kButterworth,
                   10e3,
                   2,
                   {},
                   {{"R4", 4.7e3}},
                   kSmallGain,
                   true},
        SeriesCase{"GainHpfFixedCapacitor",
                   SectionFamily::kSallenKey,
                   kHpf,
                   2,
                   kButterworth,
                   8e3,
                   3,
                   {},
                   {{"C1", 4.7e-9}},
                   kSmallGain,
                   true}),
    [](const ::testing::TestParamInfo<SeriesCase>& info) { return std::string(info.param.name); });

// A stop inside the N-th progress step ends the search there: the design is
// not valid and carries no warning.
TEST(SectionSeriesStop, EndsInsideTheStepItWasAskedIn) {
  SeriesCase c{"", SectionFamily::kMfb, kLpf, 4, kButterworth, 10e3, 10, {}, {}, kSmallMfbLpf, true};
  const Planned p = PlanOf(c);
  const PartSeries& series = PartSeriesOf(c.series);
  for (const int stopAfter : {0, 1, 5, 25}) {
    reference::ScriptedRun run(stopAfter);
    const SectionsDesign design = DesignSectionsFromSeries(run, p.plans, false, p.fixes, series);
    EXPECT_FALSE(design.valid) << stopAfter;
    EXPECT_TRUE(design.warnings.empty()) << stopAfter;
    EXPECT_EQ(run.steps, std::max(stopAfter, 0)) << stopAfter;
  }
}

// Each form's figures against the textbook closed forms written here.
struct FigureCase {
  const char* name;
  StageForm form;
  bool hpf;
  std::vector<double> v;
  double omega, q, gain;
};

class StageFiguresOf : public ::testing::TestWithParam<FigureCase> {};

TEST_P(StageFiguresOf, AreTheClosedForms) {
  const FigureCase& c = GetParam();
  const StageFigures f = FiguresOfStage(c.form, c.hpf, c.v);
  EXPECT_NEAR(f.omega / c.omega, 1.0, 1e-12);
  if (c.q > 0) {
    EXPECT_NEAR(f.q / c.q, 1.0, 1e-12);
  }
  EXPECT_NEAR(f.gain / c.gain, 1.0, 1e-12);
}

// MFB LPF: w² = 1/(R2 R3 C1 C2), w/Q = (1/R1 + 1/R2 + 1/R3)/C1, K = R2/R1.
// MFB HPF: w² = 1/(R1 R2 C2 C3), w/Q = (C1 + C2 + C3)/(R2 C2 C3), K = C1/C2.
// Sallen-Key LPF with K: w/Q = 1/(Ra Ca) + 1/(Rb Ca) + (1 - K)/(Rb Cb);
// HPF: w/Q = 1/(Rb Ca) + 1/(Rb Cb) + (1 - K)/(Ra Ca).
const double kW1 = 1 / std::sqrt(20e3 * 5e3 * 10e-9 * 1e-9);
const double kW2 = 1 / std::sqrt(3e3 * 40e3 * 2e-9 * 1e-9);
const double kW3 = 1 / std::sqrt(1e3 * 2e3 * 3e-9 * 4e-9);

INSTANTIATE_TEST_SUITE_P(
    Forms, StageFiguresOf,
    ::testing::Values(
        FigureCase{"MfbLpf",
                   StageForm::kMfb,
                   false,
                   {10e3, 20e3, 5e3, 10e-9, 1e-9},
                   kW1,
                   kW1 * 10e-9 / (1 / 10e3 + 1 / 20e3 + 1 / 5e3),
                   2},
        FigureCase{"MfbHpf",
                   StageForm::kMfb,
                   true,
                   {4e-9, 2e-9, 1e-9, 3e3, 40e3},
                   kW2,
                   kW2 * 40e3 * 2e-9 * 1e-9 / (4e-9 + 2e-9 + 1e-9),
                   2},
        FigureCase{"GainLpf",
                   StageForm::kSallenKeyGain,
                   false,
                   {1e3, 2e3, 3e-9, 4e-9, 15e3, 10e3},
                   kW3,
                   kW3 / (1 / (1e3 * 3e-9) + 1 / (2e3 * 3e-9) + (1 - 2.5) / (2e3 * 4e-9)),
                   2.5},
        FigureCase{"GainHpf",
                   StageForm::kSallenKeyGain,
                   true,
                   {3e-9, 4e-9, 1e3, 2e3, 15e3, 10e3},
                   kW3,
                   kW3 / (1 / (2e3 * 3e-9) + 1 / (2e3 * 4e-9) + (1 - 2.5) / (1e3 * 3e-9)),
                   2.5},
        FigureCase{"InvertingLpf", StageForm::kRcInverting, false, {1e3, 5e3, 2e-9}, 1 / (5e3 * 2e-9), 0, 5},
        FigureCase{"InvertingHpf", StageForm::kRcInverting, true, {2e-9, 1e3, 5e3}, 1 / (1e3 * 2e-9), 0, 5},
        FigureCase{"RcGainLpf", StageForm::kRcGain, false, {1e3, 2e-9, 30e3, 10e3}, 1 / (1e3 * 2e-9), 0, 4}),
    [](const ::testing::TestParamInfo<FigureCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvara::engine

namespace kelvara::engine {
namespace {

// A sweep over both families, LPF and HPF, odd and even orders, two
// cut-offs and two gains in tiny series: each stage as the plain loop finds
// it (found or not).
TEST(SectionSeriesSweep, EveryStageIsThePlainLoops) {
  const PartSeries& series = PartSeriesOf(Choice(C::kE6, 1e-9, 47e-9, R::kE24, 1e3, 3.3e3));
  int found = 0, stages = 0;
  for (const SectionFamily family : {SectionFamily::kMfb, SectionFamily::kSallenKey}) {
    for (const std::uint8_t kind : {kLpf, kHpf}) {
      for (const int order : {2, 3}) {
        for (const double cutoff : {5e3, 20e3}) {
          for (const double gain : {1.5, 4.0}) {
            const SeriesCase c{"", family, kind, order, kButterworth, cutoff, gain, {}, {}, {}, true};
            const Planned p = PlanOf(c);
            reference::ScriptedRun run;
            const SectionsDesign d = DesignSectionsFromSeries(run, p.plans, kind == kHpf, p.fixes, series);
            const auto plain = reference::PlainSectionsFromSeries(p.plans, kind == kHpf, p.fixes, series);
            for (std::size_t s = 0; s < plain.size(); ++s) {
              EXPECT_EQ(d.stages[s].values, plain[s].values)
                  << (family == SectionFamily::kMfb ? "mfb " : "sallen-key ") << int{kind} << " order " << order << " "
                  << cutoff << " Hz gain " << gain << " stage " << s + 1;
              found += plain[s].found ? 1 : 0;
              ++stages;
            }
          }
        }
      }
    }
  }
  EXPECT_GT(found, stages / 2);  // mostly stages that exist
}

}  // namespace
}  // namespace kelvara::engine
