// Sheets built of sections (section_sheet.h): what their inputs refuse, the
// parts their stages list, and their exact designs against the Butterworth
// magnitude written out here, |H| = G / sqrt(1 + x^(2n)) with x = f/fc
// (fc/f for a high-pass, (f/f0 - f0/f) f0/B for a band-pass of n/2
// sections), at frequencies through the band.

#include "response/section_sheet.h"
#include "tests/support/recording_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "engine/series_options.h"
#include "response/circuit.h"
#include "values/eng_value.h"

namespace kelvara::response {
namespace {

// A run that never stops; what it records goes unread.
using QuietRun = kelvara::testing::RecordingRun;

struct Case {
  const char* name;
  int passKind;  // 0 LPF, 1 HPF, 2 BPF
  int circuit;   // 1 MFB, 2 Sallen-Key with gain
  int order;
  const char* cutoff;
  const char* gain;
  const char* bandwidth;
  std::vector<std::string> parts;  // the names in table order
  int inverting;                   // 1 when the filter's sign is negative
};

std::vector<Case> Cases() {
  return {
      {"MfbLowPass4Gain10", 0, 1, 4, "10k", "10", "", {"R1", "R2", "R3", "C1", "C2", "R4", "R5", "R6", "C3", "C4"}, 0},
      {"MfbLowPass5",
       0,
       1,
       5,
       "1k",
       "2",
       "",
       {"R1", "R2", "C1", "R3", "R4", "R5", "C2", "C3", "R6", "R7", "R8", "C4", "C5"},
       1},
      {"MfbHighPass3Gain100", 1, 1, 3, "47k", "100", "", {"C1", "R1", "R2", "C2", "C3", "C4", "R3", "R4"}, 0},
      {"SallenKeyGainLowPass4",
       0,
       2,
       4,
       "10k",
       "10",
       "",
       {"R1", "R2", "C1", "C2", "R3", "R4", "R5", "R6", "C3", "C4", "R7", "R8"},
       0},
      {"SallenKeyGainHighPass2", 1, 2, 2, "100", "4", "", {"C1", "C2", "R1", "R2", "R3", "R4"}, 0},
      {"SallenKeyAtGain1IsUnityGain", 0, 2, 2, "1k", "1", "", {"R1", "R2", "C1", "C2"}, 0},
      {"BandPass4", 2, 1, 4, "10k", "1", "2k", {"R1", "R2", "R3", "C1", "C2", "R4", "R5", "R6", "C3", "C4"}, 0},
      {"BandPass2Gain5", 2, 1, 2, "1k", "5", "100", {"R1", "R2", "R3", "C1", "C2"}, 1},
  };
}

SectionSheetChoices ChoicesOf(const Case& c) {
  SectionSheetChoices choices;
  choices.passKind = c.passKind;
  choices.cutoffText = c.cutoff;
  choices.circuit = c.circuit;
  choices.orderIndex = c.order - 2;
  return choices;
}

values::SectionLines LinesOf(const Case& c) {
  values::SectionLines lines;
  lines.gain = c.gain;
  lines.bandwidth = c.bandwidth;
  return lines;
}

double ButterworthMagnitude(const Case& c, double f) {
  const double fc = values::ParseEngValue(c.cutoff), g = values::ParseEngValue(c.gain);
  double x = f / fc;
  int n = c.order;
  if (c.passKind == 1) x = fc / f;
  if (c.passKind == 2) {
    x = (f / fc - fc / f) * fc / values::ParseEngValue(c.bandwidth);
    n = c.order / 2;
  }
  return g / std::sqrt(1 + std::pow(x, 2 * n));
}

/// |H| of the cascade of ideal second- and first-order sections of the
/// plan's targets (omega, Q, gain), written out: low-pass K w^2 / (w^2 - x^2
/// + j x w / Q), high-pass K x^2 / (...), band-pass K (x w / Q) j / (...),
/// x = 2 pi f.
double TargetMagnitude(const Case& c, const SectionSheetPlan& plan, double f) {
  const double x = 2 * 3.14159265358979323846 * f;
  double h = 1;
  for (const engine::BandPassSection& s : plan.bandStages) {
    h *= s.gain * std::abs(std::complex<double>(0, x * s.omega / s.q) /
                           std::complex<double>(s.omega * s.omega - x * x, x * s.omega / s.q));
  }
  for (const engine::StagePlan& s : plan.stages) {
    const bool hpf = c.passKind == 1;
    if (s.order == 1) {
      const std::complex<double> d(s.omega, x);
      h *= s.gain * (hpf ? x : s.omega) / std::abs(d);
      continue;
    }
    const std::complex<double> d(s.omega * s.omega - x * x, x * s.omega / s.q);
    h *= s.gain * (hpf ? x * x : s.omega * s.omega) / std::abs(d);
  }
  return h;
}

class SectionSheets : public ::testing::TestWithParam<Case> {};

TEST_P(SectionSheets, ListTheirPartsAndMeetTheButterworthMagnitude) {
  const Case& c = GetParam();
  const auto sheet = ReadSectionSheet(ChoicesOf(c), LinesOf(c));
  ASSERT_EQ(values::ProblemOf(sheet), nullptr);
  const auto planned = PlanSectionSheet(std::get<SectionSheet>(sheet));
  ASSERT_EQ(values::ProblemOf(planned), nullptr);
  const SectionSheetPlan& plan = std::get<SectionSheetPlan>(planned);
  std::vector<std::string> names;
  for (const SectionSheetPart& part : SectionSheetParts(plan)) names.push_back(part.name);
  EXPECT_EQ(names, c.parts);

  QuietRun run;
  const SectionSheetDesign design = DesignSectionSheet(run, plan, {}, nullptr);
  ASSERT_TRUE(design.valid);
  ASSERT_EQ(design.values.size(), c.parts.size());
  for (const double v : design.values) EXPECT_GT(v, 0);

  // Through the part lines as the window holds them, and the comparison's
  // reading of the same parts.
  values::SectionLines lines = LinesOf(c);
  for (std::size_t k = 0; k < names.size(); ++k) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", design.values[k]);
    lines.parts.push_back({names[k], text, true});
  }
  const auto read = ReadSheetSections(ChoicesOf(c), lines);
  ASSERT_EQ(values::ProblemOf(read), nullptr);
  const SheetSections& s = std::get<SheetSections>(read);
  const CircuitModel circuit = CircuitOfSections(SectionsOfSheet(plan, design.values), {});
  EXPECT_EQ(CascadeGain(s.sections) < 0, c.inverting == 1);
  const double fc = values::ParseEngValue(c.cutoff);
  for (const double ratio : {0.05, 0.3, 0.7, 0.9, 1.0, 1.1, 1.5, 3.0, 20.0}) {
    const double f = fc * ratio;
    // The stage tables' Butterworth is the ideal one to their digits; the
    // cascade of ideal sections of the targets the design was given is it
    // to rounding.
    EXPECT_NEAR(CircuitGainDb(circuit, f), 20 * std::log10(ButterworthMagnitude(c, f)), 1e-4) << c.name << " " << f;
    EXPECT_NEAR(CircuitGainDb(circuit, f), 20 * std::log10(TargetMagnitude(c, plan, f)), 1e-9) << c.name << " " << f;
  }
  const SheetReading reading = ReadingOf(s);
  if (c.passKind == 2) {
    ASSERT_TRUE(reading.bandwidthHz);
    EXPECT_NEAR(reading.cutoffHz / fc, 1, 1e-6);
    EXPECT_NEAR(*reading.bandwidthHz / values::ParseEngValue(c.bandwidth), 1, 1e-6);
  } else {
    EXPECT_NEAR(reading.cutoffHz / fc, 1, 0.02);  // the sheet's own search, within its step
  }
}

INSTANTIATE_TEST_SUITE_P(Sheets, SectionSheets, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct Refusal {
  const char* name;
  int passKind;
  int circuit;
  int order;
  const char* cutoff;
  const char* gain;
  const char* bandwidth;
  const char* stageGains;
  SectionSheetField field;
};

class RefusedSheets : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedSheets, NameTheInput) {
  const Refusal& r = GetParam();
  SectionSheetChoices choices;
  choices.passKind = r.passKind;
  choices.cutoffText = r.cutoff;
  choices.circuit = r.circuit;
  choices.orderIndex = r.order - 2;
  values::SectionLines lines;
  lines.gain = r.gain;
  lines.bandwidth = r.bandwidth;
  lines.stageGains = r.stageGains;
  auto sheet = ReadSectionSheet(choices, lines);
  const values::InputProblem<SectionSheetField>* problem = values::ProblemOf(sheet);
  std::optional<values::InputProblem<SectionSheetField>> planProblem;
  if (problem == nullptr) {
    const auto plan = PlanSectionSheet(std::get<SectionSheet>(sheet));
    if (const auto* p = values::ProblemOf(plan)) planProblem = *p;
  } else {
    planProblem = *problem;
  }
  ASSERT_TRUE(planProblem) << r.name;
  EXPECT_EQ(planProblem->field, r.field) << r.name;
  EXPECT_FALSE(planProblem->message.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedSheets,
    ::testing::Values(
        Refusal{"NoCutoff", 0, 1, 4, "", "1", "", "", SectionSheetField::kCutoff},
        Refusal{"CutoffAbove100M", 0, 1, 4, "200M", "1", "", "", SectionSheetField::kCutoff},
        Refusal{"GainTooLow", 0, 1, 4, "1k", "0.05", "", "", SectionSheetField::kGain},
        Refusal{"GainTooHigh", 0, 1, 4, "1k", "2000", "", "", SectionSheetField::kGain},
        Refusal{"GainNotANumber", 0, 1, 4, "1k", "x", "", "", SectionSheetField::kGain},
        Refusal{"StageGainsOfWrongCount", 0, 1, 4, "1k", "10", "", "2,5,1", SectionSheetField::kStageGains},
        Refusal{"StageGainsOfWrongProduct", 0, 1, 4, "1k", "10", "", "2,4", SectionSheetField::kStageGains},
        Refusal{"StageGainsNotNumbers", 0, 1, 4, "1k", "10", "", "2,,5", SectionSheetField::kStageGains},
        Refusal{"SallenKeyBelowGain1", 0, 2, 4, "1k", "0.5", "", "", SectionSheetField::kGain},
        Refusal{"BandPassOddOrder", 2, 1, 3, "1k", "1", "100", "", SectionSheetField::kOrder},
        Refusal{"BandPassWithoutBandwidth", 2, 1, 4, "1k", "1", "", "", SectionSheetField::kBandwidth},
        Refusal{"BandPassTooNarrow", 2, 1, 4, "1M", "1", "100", "", SectionSheetField::kBandwidth}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SectionSheet, AFixedCapacitorScalesItsStage) {
  SectionSheetChoices choices;
  choices.cutoffText = "10k";
  choices.orderIndex = 2;
  values::SectionLines lines;
  lines.gain = "10";
  const auto plan =
      std::get<SectionSheetPlan>(PlanSectionSheet(std::get<SectionSheet>(ReadSectionSheet(choices, lines))));
  lines.parts = {{"C2", "1n", false}, {"R5", "", true}};
  const auto fixed = FixedPartsOf(plan, lines.parts);
  ASSERT_EQ(values::ProblemOf(fixed), nullptr);
  QuietRun run;
  const SectionSheetDesign design =
      DesignSectionSheet(run, plan, std::get<std::vector<std::optional<double>>>(fixed), nullptr);
  ASSERT_TRUE(design.valid);
  EXPECT_EQ(design.values[4], values::ParseEngValue("1n"));  // C2, the first stage's fifth part
  // The stage still meets its targets.
  const std::vector<Section> sections = SectionsOfSheet(plan, design.values);
  EXPECT_NEAR(sections[0].Figures().omega / plan.stages[0].omega, 1, 1e-12);
  EXPECT_NEAR(sections[0].Figures().q / plan.stages[0].q, 1, 1e-12);

  lines.parts = {{"C2", "", false}};
  const auto empty = FixedPartsOf(plan, lines.parts);
  ASSERT_NE(values::ProblemOf(empty), nullptr);
  EXPECT_EQ(values::ProblemOf(empty)->subject, "C2");
}

TEST(SectionSheet, ABandPassFixesOnlyItsEqualCapacitors) {
  SectionSheetChoices choices;
  choices.passKind = 2;
  choices.cutoffText = "10k";
  choices.orderIndex = 2;
  values::SectionLines lines;
  lines.bandwidth = "2k";
  const auto plan =
      std::get<SectionSheetPlan>(PlanSectionSheet(std::get<SectionSheet>(ReadSectionSheet(choices, lines))));
  EXPECT_NE(values::ProblemOf(FixedPartsOf(plan, {{"R1", "1k", false}})), nullptr);
  EXPECT_NE(values::ProblemOf(FixedPartsOf(plan, {{"C1", "1n", false}, {"C2", "2n", false}})), nullptr);
  const auto fixed = FixedPartsOf(plan, {{"C4", "2.2n", false}});
  ASSERT_EQ(values::ProblemOf(fixed), nullptr);
  QuietRun run;
  const SectionSheetDesign design =
      DesignSectionSheet(run, plan, std::get<std::vector<std::optional<double>>>(fixed), nullptr);
  ASSERT_TRUE(design.valid);
  EXPECT_EQ(design.values[8], values::ParseEngValue("2.2n"));  // C3 follows its pair
  EXPECT_EQ(design.values[9], values::ParseEngValue("2.2n"));
}

TEST(SectionSheet, SeriesDesignsTakeTheSectionsDefaults) {
  const engine::SeriesTexts t = SectionSeriesTexts(engine::SeriesTexts{});
  EXPECT_EQ(t.res, "E24");
  EXPECT_EQ(t.rMin, "1k");
  EXPECT_EQ(t.rMax, "1M");
  EXPECT_EQ(t.cMin, "100p");
  EXPECT_EQ(t.cMax, "1u");
  engine::SeriesTexts own;
  own.res = "E96";
  own.rMin = "10k";
  EXPECT_EQ(SectionSeriesTexts(own).res, "E96");
  EXPECT_EQ(SectionSeriesTexts(own).rMin, "10k");
}

TEST(SectionSheet, SeriesDesignsUseTheSeries) {
  SectionSheetChoices choices;
  choices.cutoffText = "10k";
  choices.orderIndex = 2;
  values::SectionLines lines;
  lines.gain = "10";
  const auto plan =
      std::get<SectionSheetPlan>(PlanSectionSheet(std::get<SectionSheet>(ReadSectionSheet(choices, lines))));
  const engine::SeriesTextCheck check = engine::CheckSeriesTexts(SectionSeriesTexts(engine::SeriesTexts{}));
  ASSERT_EQ(check.problem, engine::SeriesTextProblem::kNone);
  const engine::PartSeries& series = engine::PartSeriesOf(check.choice);
  EXPECT_GT(SectionSheetSteps(plan, {}, &series), 0);
  QuietRun run;
  const SectionSheetDesign design = DesignSectionSheet(run, plan, {}, &series);
  ASSERT_TRUE(design.valid);
  const std::vector<SectionSheetPart> parts = SectionSheetParts(plan);
  for (std::size_t k = 0; k < parts.size(); ++k) {
    EXPECT_GE(design.values[k], parts[k].letter == 'R' ? 1e3 : 100e-12) << parts[k].name;
    EXPECT_LE(design.values[k], parts[k].letter == 'R' ? 1e6 : 1e-6) << parts[k].name;
  }
}

TEST(SectionSheet, ABandPassFromTheSeriesKeepsItsFixedPair) {
  SectionSheetChoices choices;
  choices.passKind = 2;
  choices.cutoffText = "10k";
  choices.orderIndex = 2;
  values::SectionLines lines;
  lines.bandwidth = "2k";
  const auto plan =
      std::get<SectionSheetPlan>(PlanSectionSheet(std::get<SectionSheet>(ReadSectionSheet(choices, lines))));
  const auto fixed = std::get<std::vector<std::optional<double>>>(FixedPartsOf(plan, {{"C3", "1n", false}}));
  const engine::SeriesTextCheck check = engine::CheckSeriesTexts(SectionSeriesTexts(engine::SeriesTexts{}));
  const engine::PartSeries& series = engine::PartSeriesOf(check.choice);
  EXPECT_GT(SectionSheetSteps(plan, fixed, &series), 0);
  QuietRun run;
  const SectionSheetDesign design = DesignSectionSheet(run, plan, fixed, &series);
  ASSERT_TRUE(design.valid) << (design.warnings.empty() ? "" : design.warnings.front().text);
  ASSERT_EQ(design.values.size(), 10u);
  EXPECT_EQ(design.values[8], values::ParseEngValue("1n"));
  EXPECT_EQ(design.values[9], values::ParseEngValue("1n"));
  // Each section near its target (the score's limit: about 10 % in one figure).
  const std::vector<Section> sections = SectionsOfSheet(plan, design.values);
  for (std::size_t k = 0; k < sections.size(); ++k) {
    EXPECT_NEAR(sections[k].Figures().omega / plan.bandStages[k].omega, 1, 0.1);
    EXPECT_NEAR(sections[k].Figures().q / plan.bandStages[k].q, 1, 0.1);
  }
}

}  // namespace
}  // namespace kelvara::response
