// The preferred-value design of band-pass sections (engine/section_series.h,
// its band-pass form): every part inside its series and range, every section
// equal to the plain loop over all allowed combinations (small series,
// narrow ranges, several orders, responses and gains, fixed capacitors, a
// section that cannot be made), progress and stop, and the figures of the
// score against the band-pass section's own closed forms.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/bandpass.h"
#include "engine/part_series.h"
#include "engine/section_series.h"
#include "tests/engine/section_series_reference.h"
#include "tests/engine/series_reference.h"
#include "values/filter_catalogue.h"

namespace kelvara::engine {
namespace {

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

struct BandPassSeriesCase {
  const char* name;
  int response;
  int order;
  double centerHz;
  double bandwidthHz;
  double gain;
  std::vector<std::optional<double>> capacitors;  // per section: both its capacitors fixed
  SeriesChoice series;
  bool valid;
};

bool InSeries(const std::vector<double>& whole, double lo, double hi, double x) {
  return std::find(whole.begin(), whole.end(), x) != whole.end() && x >= lo * (1 - 1e-9) && x <= hi * (1 + 1e-9);
}

SectionFixes FixesOf(const BandPassSeriesCase& c, std::size_t sections) {
  SectionFixes fixes(sections, std::vector<std::optional<double>>(5));
  for (std::size_t s = 0; s < c.capacitors.size() && s < sections; ++s) fixes[s][3] = fixes[s][4] = c.capacitors[s];
  return fixes;
}

class BandPassSeries : public ::testing::TestWithParam<BandPassSeriesCase> {};

TEST_P(BandPassSeries, IsThePlainLoopsBestInsideTheSeries) {
  const BandPassSeriesCase& c = GetParam();
  const std::vector<BandPassSection> targets =
      BandPassSections(c.response, values::kTabulatedRippleIndex, c.order, c.centerHz, c.bandwidthHz, c.gain);
  ASSERT_EQ(targets.size(), static_cast<std::size_t>(c.order / 2));
  const SectionFixes fixes = FixesOf(c, targets.size());
  const PartSeries& series = PartSeriesOf(c.series);
  reference::ScriptedRun run;
  const std::uint64_t before = SectionSeriesCandidates();
  const BandPassDesign design = DesignBandPassFromSeries(run, targets, fixes, series);
  const std::uint64_t pruned = SectionSeriesCandidates() - before;
  const std::uint64_t plainBefore = reference::PlainSectionCandidates();
  std::vector<reference::PlainStageResult> plain;
  for (std::size_t s = 0; s < targets.size(); ++s) {
    plain.push_back(reference::PlainBandPassSection(targets[s], fixes[s], series));
  }
  const std::uint64_t plainCount = reference::PlainSectionCandidates() - plainBefore;

  EXPECT_EQ(design.valid, c.valid) << (design.warnings.empty() ? "" : design.warnings[0].second);
  EXPECT_EQ(design.warnings.size(), static_cast<std::size_t>(std::count_if(plain.begin(), plain.end(),
                                                                           [](const auto& s) { return !s.found; })));
  EXPECT_EQ(run.steps, BandPassSeriesSteps(targets, fixes, series));
  EXPECT_LT(pruned, plainCount);
  const std::vector<double> caps = CapSeriesValues(c.series.cap), ress = ResSeriesValues(c.series.res);
  ASSERT_EQ(design.stages.size(), plain.size());
  for (std::size_t s = 0; s < plain.size(); ++s) {
    const BandPassStageDesign& stage = design.stages[s];
    const std::vector<double> values(stage.values, stage.values + 5);
    EXPECT_EQ(values, plain[s].values) << "section " << s + 1;
    if (plain[s].found) {
      EXPECT_EQ(BandPassSeriesScore(targets[s], values), plain[s].score) << "section " << s + 1;
      EXPECT_LT(plain[s].score, kSectionSeriesLimit);
    }
    for (std::size_t i = 0; i < 5; ++i) {
      const std::optional<double>& fix = fixes[s][i];
      const double x = values[i];
      if (fix) {
        EXPECT_EQ(x, *fix) << "section " << s + 1 << " part " << i;
      } else if (!plain[s].found) {
        EXPECT_EQ(x, 0.0);
      } else if (i >= 3) {
        EXPECT_TRUE(InSeries(caps, c.series.cMin, c.series.cMax, x)) << "C = " << x;
      } else {
        EXPECT_TRUE(InSeries(ress, c.series.rMin, c.series.rMax, x)) << "R = " << x;
      }
    }
  }
  for (const auto& [caption, text] : design.warnings) EXPECT_NE(text.find("段 "), std::string::npos) << text;
}

using C = CapSeriesKind;
using R = ResSeriesKind;
// The smallest resistor series is E24; the resistors of a band-pass section
// spread by about 4 Q², so a narrow capacitor range keeps the loops short.
const SeriesChoice kSmall = Choice(C::kE6, 4.7e-9, 33e-9, R::kE24, 100, 220e3);
const SeriesChoice kTooNarrow = Choice(C::kE6, 1e-9, 2.2e-9, R::kE24, 1e3, 2.2e3);

INSTANTIATE_TEST_SUITE_P(
    Sections, BandPassSeries,
    ::testing::Values(
        BandPassSeriesCase{"ButterworthOrder2", values::kButterworth, 2, 10e3, 2e3, 1, {}, kSmall, true},
        BandPassSeriesCase{"ButterworthOrder4Gain", values::kButterworth, 4, 5e3, 1e3, 4, {}, kSmall, true},
        BandPassSeriesCase{"ChebyshevOrder4", values::kChebyshev, 4, 2e3, 500, 1, {}, kSmall, true},
        BandPassSeriesCase{"BesselOrder6", values::kBessel, 6, 8e3, 4e3, 0.5, {}, kSmall, true},
        BandPassSeriesCase{
            "FixedCapacitors", values::kButterworth, 4, 3e3, 600, 2, {10e-9, std::nullopt}, kSmall, true},
        BandPassSeriesCase{"FixedOutsideSeries", values::kButterworth, 2, 1e3, 300, 1, {12.3e-9}, kSmall, true},
        BandPassSeriesCase{"RangeTooNarrow", values::kButterworth, 2, 50e3, 5e3, 1, {}, kTooNarrow, false}),
    [](const ::testing::TestParamInfo<BandPassSeriesCase>& info) { return std::string(info.param.name); });

// A stop inside the N-th progress step ends the search there: the design is
// not valid and carries no warning.
TEST(BandPassSeriesStop, EndsInsideTheStepItWasAskedIn) {
  const std::vector<BandPassSection> targets = BandPassSections(values::kButterworth, 0, 4, 5e3, 1e3, 1);
  const SectionFixes fixes(targets.size());
  const PartSeries& series = PartSeriesOf(kSmall);
  for (const int stopAfter : {0, 1, 5, 9}) {
    reference::ScriptedRun run(stopAfter);
    const BandPassDesign design = DesignBandPassFromSeries(run, targets, fixes, series);
    EXPECT_FALSE(design.valid) << stopAfter;
    EXPECT_TRUE(design.warnings.empty()) << stopAfter;
    EXPECT_EQ(run.steps, std::max(stopAfter, 0)) << stopAfter;
  }
}

// The score's figures are the band-pass section's: written here from its
// node equations (the − input at virtual ground, node A between R1, R2, C1,
// C2): H(s) = -(s / (R1 C2)) / (s² + s (C1 + C2) / (R3 C1 C2) + (1/R1 +
// 1/R2) / (R3 C1 C2)), so w0, Q = w0 R3 C1 C2 / (C1 + C2) and |H(j w0)| =
// R3 C1 / (R1 (C1 + C2)).
TEST(BandPassSeriesFigures, AreTheSectionsClosedForms) {
  const std::vector<double> v{4.7e3, 820, 33e3, 10e-9, 4.7e-9};
  const StageFigures f = FiguresOfBandPass(v);
  const double a1 = (v[3] + v[4]) / (v[2] * v[3] * v[4]);
  const double a0 = (1 / v[0] + 1 / v[1]) / (v[2] * v[3] * v[4]);
  const double w0 = std::sqrt(a0);
  EXPECT_NEAR(f.omega / w0, 1, 1e-14);
  EXPECT_NEAR(f.q / (w0 / a1), 1, 1e-14);
  // |H(j w0)| = (w0 / (R1 C2)) / (w0 a1).
  EXPECT_NEAR(f.gain / (1 / (v[0] * v[4] * a1)), 1, 1e-14);
  // The exact design of a section scores 0 to rounding.
  for (const BandPassSection& s : BandPassSections(values::kChebyshev, 3, 6, 7e3, 2e3, 3)) {
    const BandPassDesign d = DesignBandPass({s});
    ASSERT_TRUE(d.valid);
    EXPECT_LT(BandPassSeriesScore(s, std::vector<double>(d.stages[0].values, d.stages[0].values + 5)), 1e-24);
  }
}

}  // namespace
}  // namespace kelvara::engine
