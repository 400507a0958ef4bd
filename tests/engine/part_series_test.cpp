// The preferred-value series: the published E series tables, the program's
// own series as the default choice, ranges, and the checked texts of a
// choice.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/design_data.h"
#include "engine/part_series.h"
#include "engine/series_options.h"

namespace {

using namespace kelvara::engine;

struct StepCase {
  int perDecade;
  std::vector<int> firstSteps;
  int lastStep;
};

class PublishedSteps : public testing::TestWithParam<StepCase> {};

TEST_P(PublishedSteps, HoldTheirCountAndPublishedValuesAscending) {
  const StepCase& c = GetParam();
  const auto steps = SeriesSteps(c.perDecade);
  ASSERT_EQ(static_cast<int>(steps.size()), c.perDecade);
  for (std::size_t i = 0; i < c.firstSteps.size(); ++i) EXPECT_EQ(steps[i], c.firstSteps[i]) << i;
  EXPECT_EQ(steps.back(), c.lastStep);
  for (std::size_t i = 1; i < steps.size(); ++i) EXPECT_LT(steps[i - 1], steps[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Published, PublishedSteps,
                         testing::Values(StepCase{6, {10, 15, 22, 33, 47, 68}, 68},
                                         StepCase{12, {10, 12, 15, 18, 22, 27}, 82},
                                         StepCase{24, {10, 11, 12, 13, 15, 16, 18, 20}, 91},
                                         StepCase{48, {100, 105, 110, 115, 121, 127}, 953},
                                         StepCase{96, {100, 102, 105, 107, 110, 113, 115, 118}, 976},
                                         StepCase{192, {100, 101, 102, 104, 105, 106, 107, 109}, 988}));

// Each three-digit series is every second value of the next finer one, and
// E192 keeps the published 920 where 10^(185/192) rounds to 919.
TEST(PublishedSteps, ThreeDigitSeriesNestAndKeepThePublishedRounding) {
  const auto e48 = SeriesSteps(48);
  const auto e96 = SeriesSteps(96);
  const auto e192 = SeriesSteps(192);
  for (int i = 0; i < 48; ++i) EXPECT_EQ(e48[i], e96[2 * i]) << i;
  for (int i = 0; i < 96; ++i) EXPECT_EQ(e96[i], e192[2 * i]) << i;
  EXPECT_EQ(e192[185], 920);
  EXPECT_EQ(e96[91], 887);
  EXPECT_EQ(e96[95], 976);
  int offFormula = 0;
  for (int i = 0; i < 192; ++i) {
    if (e192[i] != static_cast<int>(std::lround(100 * std::pow(10.0, i / 192.0)))) ++offFormula;
  }
  EXPECT_EQ(offFormula, 1);
}

struct SpanCase {
  const char* name;
  bool capacitor;
  int kind;
  int count;
  double first;
  double last;
  double sample;  // a value the series holds, written as its decimal literal
};

class SeriesSpans : public testing::TestWithParam<SpanCase> {};

TEST_P(SeriesSpans, CoverTheirDecadesWithExactDecimalValues) {
  const SpanCase& c = GetParam();
  const std::vector<double> v = c.capacitor ? CapSeriesValues(static_cast<CapSeriesKind>(c.kind))
                                            : ResSeriesValues(static_cast<ResSeriesKind>(c.kind));
  ASSERT_EQ(static_cast<int>(v.size()), c.count);
  EXPECT_EQ(v.front(), c.first);
  EXPECT_EQ(v.back(), c.last);
  bool found = false;
  for (double x : v) found = found || x == c.sample;
  EXPECT_TRUE(found) << c.sample;
}

INSTANTIATE_TEST_SUITE_P(Spans, SeriesSpans,
                         testing::Values(SpanCase{"CapE6", true, 1, 61, 1e-12, 1e-2, 4.7e-9},
                                         SpanCase{"CapE12", true, 2, 121, 1e-12, 1e-2, 8.2e-11},
                                         SpanCase{"CapE24", true, 3, 241, 1e-12, 1e-2, 9.1e-7},
                                         SpanCase{"ResE24", false, 1, 193, 0.1, 1e7, 5.1e5},
                                         SpanCase{"ResE48", false, 2, 385, 0.1, 1e7, 9.53e3},
                                         SpanCase{"ResE96", false, 3, 769, 0.1, 1e7, 9.76e5},
                                         SpanCase{"ResE192", false, 4, 1537, 0.1, 1e7, 9.88e-1}),
                         [](const testing::TestParamInfo<SpanCase>& info) { return std::string(info.param.name); });

// The default choice is CapSeries and ResSeries bit for bit, and so is E24
// over the default resistor range.
TEST(PartSeries, DefaultsAreTheProgramsOwnSeries) {
  const DesignData& d = BuildDesignData();
  const PartSeries& s = DefaultPartSeries();
  ASSERT_EQ(s.CapLast(), kCapLast);
  ASSERT_EQ(s.ResLast(), kResLast);
  EXPECT_EQ(s.None(), NoneIndex);
  for (int i = 0; i <= kCapLast; ++i) EXPECT_EQ(s.Cap()[i], d.CapSeries[i]) << i;
  SeriesChoice e24;
  e24.res = ResSeriesKind::kE24;
  const PartSeries& r = PartSeriesOf(e24);
  ASSERT_EQ(r.ResLast(), kResLast);
  for (int i = 0; i <= kResLast; ++i) EXPECT_EQ(r.Res()[i], d.ResSeries[i]) << i;
  EXPECT_EQ(&PartSeriesOf(SeriesChoice{}), &s);
  EXPECT_EQ(&PartSeriesOf(e24), &r);  // built once
}

TEST(PartSeries, RangesKeepTheirLimitsAndTheNoValueIndexLiesBeyondBoth) {
  SeriesChoice c;
  c.res = ResSeriesKind::kE192;
  c.rMin = 1e3;
  c.rMax = 1e6;
  c.cMin = 100e-12;
  c.cMax = 100e-12 * (1 + 1e-12);
  const PartSeries& s = PartSeriesOf(c);
  EXPECT_EQ(s.ResLast(), 3 * 192);
  EXPECT_EQ(s.Res()[0], 1e3);
  EXPECT_EQ(s.Res()[s.ResLast()], 1e6);
  EXPECT_EQ(s.CapLast(), 0);
  EXPECT_EQ(s.Cap()[0], 1e-10);
  EXPECT_EQ(s.None(), 3 * 192 + 1);
  EXPECT_EQ(s.ResValue(s.None()), 0.0);
  SeriesChoice empty;
  empty.rMin = 1.05e3;
  empty.rMax = 1.08e3;
  EXPECT_EQ(PartSeriesOf(empty).ResLast(), -1);
}

struct TextCase {
  const char* name;
  SeriesTexts texts;
  SeriesTextProblem problem;
};

SeriesTexts With(std::string SeriesTexts::*field, std::string value) {
  SeriesTexts t;
  t.*field = std::move(value);
  return t;
}

class SeriesTextChecks : public testing::TestWithParam<TextCase> {};

TEST_P(SeriesTextChecks, NameTheFirstProblem) {
  EXPECT_EQ(CheckSeriesTexts(GetParam().texts).problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SeriesTextChecks,
    testing::Values(TextCase{"Defaults", SeriesTexts{}, SeriesTextProblem::kNone},
                    TextCase{"CapE96", With(&SeriesTexts::cap, "E96"), SeriesTextProblem::kCapSeries},
                    TextCase{"ResE12", With(&SeriesTexts::res, "E12"), SeriesTextProblem::kResSeries},
                    TextCase{"ResLowerCase", With(&SeriesTexts::res, "e96"), SeriesTextProblem::kResSeries},
                    TextCase{"RMinWord", With(&SeriesTexts::rMin, "abc"), SeriesTextProblem::kRMin},
                    TextCase{"RMaxZero", With(&SeriesTexts::rMax, "0"), SeriesTextProblem::kRMax},
                    TextCase{"CMinNegative", With(&SeriesTexts::cMin, "-1p"), SeriesTextProblem::kCMin},
                    TextCase{"CMaxEmpty", With(&SeriesTexts::cMax, ""), SeriesTextProblem::kCMax},
                    TextCase{"RMinAboveMax", With(&SeriesTexts::rMin, "1M"), SeriesTextProblem::kRRange},
                    TextCase{"CMinAboveMax", With(&SeriesTexts::cMin, "2m"), SeriesTextProblem::kCRange}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(SeriesTextChecks, DefaultTextsGiveTheDefaultChoice) {
  EXPECT_TRUE(CheckSeriesTexts(SeriesTexts{}).choice.IsDefault());
  SeriesTexts t;
  t.cap = "E12";
  t.res = "E96";
  t.rMin = "1k";
  t.rMax = "1M";
  t.cMin = "100p";
  const SeriesChoice c = CheckSeriesTexts(t).choice;
  EXPECT_EQ(c.cap, CapSeriesKind::kE12);
  EXPECT_EQ(c.res, ResSeriesKind::kE96);
  EXPECT_EQ(c.rMin, 1e3);
  EXPECT_EQ(c.rMax, 1e6);
}

}  // namespace
