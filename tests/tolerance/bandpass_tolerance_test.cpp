// The tolerance study of band-pass designs against a band-pass mask: the
// Monte Carlo run the same bit for bit whatever the number of threads, the
// worst case over every corner bounding the gain of every trial, the yield
// of a mask met with a wide margin 100 % and of one no design can meet 0 %,
// each trial's verdict that of the mask's margins on its own circuit.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/bandpass.h"
#include "engine/units.h"
#include "response/bandpass.h"
#include "response/circuit.h"
#include "tolerance/monte_carlo.h"
#include "tolerance/study.h"
#include "tolerance/worst_case.h"
#include "values/filter_catalogue.h"

namespace kelvara::tolerance {
namespace {

constexpr double kCenter = 10e3, kBandwidth = 2e3;

std::vector<response::Section> BandPass(int order, double gain) {
  const engine::BandPassDesign d =
      engine::DesignBandPass(engine::BandPassSections(values::kButterworth, 0, order, kCenter, kBandwidth, gain));
  EXPECT_TRUE(d.valid);
  return response::SectionsOfBandPass(d);
}

StudyInputs Inputs(const std::vector<response::Section>& sections, const response::BandPassMask& mask,
                   double nominalDb) {
  StudyInputs in;
  in.request.cutoffHz = kCenter;
  in.sections = sections;
  in.rPct = 1;
  in.cPct = 2;
  in.trials = 300;
  in.seed = 7;
  in.bandPassMask = BandPassLimits{mask, nominalDb};
  return in;
}

StudyPlan Plan(const StudyInputs& in) {
  auto planned = PlanStudy(in);
  EXPECT_TRUE(std::holds_alternative<StudyPlan>(planned));
  return std::get<StudyPlan>(planned);
}

const response::BandPassMask kMask{5e3, 9.5e3, 10.5e3, 20e3, 1, 20};

TEST(BandPassTolerance, TheMonteCarloRunIsTheSameOnOneAndTwoThreads) {
  const StudyPlan plan = Plan(Inputs(BandPass(4, 2), kMask, 20 * std::log10(2.0)));
  RunOptions one, two;
  one.threads = 1;
  two.threads = 2;
  const std::optional<MonteCarloResult> a = RunMonteCarlo(plan.config, one);
  const std::optional<MonteCarloResult> b = RunMonteCarlo(plan.config, two);
  ASSERT_TRUE(a && b);
  ASSERT_TRUE(a->yield && b->yield);
  EXPECT_EQ(a->yield->passed, b->yield->passed);
  EXPECT_EQ(a->yield->failing, b->yield->failing);
  EXPECT_GT(a->yield->passed, 0);
  EXPECT_LT(a->yield->passed, a->trials);  // the mask decides somewhere inside the spread
  ASSERT_EQ(a->stages.size(), 2u);
  for (std::size_t k = 0; k < a->samples.f0Hz.size(); ++k) {
    EXPECT_EQ(a->samples.f0Hz[k], b->samples.f0Hz[k]);
    EXPECT_EQ(a->samples.q[k], b->samples.q[k]);
    EXPECT_EQ(a->samples.peakDb[k], b->samples.peakDb[k]);
  }
}

// Each trial's verdict is the margins' of its own circuit, from the design's
// centre gain.
TEST(BandPassTolerance, EachTrialPassesExactlyWhenItsMarginsAreMet) {
  const std::vector<response::Section> sections = BandPass(4, 1);
  StudyInputs in = Inputs(sections, kMask, 0);
  in.trials = 100;
  const StudyPlan plan = Plan(in);
  const std::optional<MonteCarloResult> mc = RunMonteCarlo(plan.config);
  ASSERT_TRUE(mc && mc->yield);
  std::vector<int> failing;
  for (int t = 0; t < mc->trials; ++t) {
    const Trial trial = TrialOf(plan.config.design, plan.config.seed, t);
    if (!response::MarginsOf(response::CircuitOfSections(trial.sections, {}), 0, kMask).Meets()) failing.push_back(t);
  }
  EXPECT_EQ(mc->yield->failing, failing);
  EXPECT_EQ(mc->yield->nominalPasses, response::MarginsOf(response::CircuitOfSections(sections, {}), 0, kMask).Meets());
}

TEST(BandPassTolerance, TheWorstCaseBoundsEveryTrial) {
  StudyInputs in = Inputs(BandPass(4, 1), kMask, 0);
  in.worstCase = true;
  in.worstFrequencies = {5e3, 9e3, 10e3, 11e3, 20e3};
  StudyPlan plan = Plan(in);
  // The bands of the trials at the worst case's frequencies.
  plan.config.frequencies = plan.worstFrequencies;
  const std::optional<StudyResult> result = RunStudy(plan);
  ASSERT_TRUE(result && result->monteCarlo && result->worstCase);
  const MonteCarloResult& mc = *result->monteCarlo;
  const WorstCaseResult& wc = *result->worstCase;
  EXPECT_EQ(wc.corners, 1u << 10);  // R1..R6, C1..C4
  // The defaults, then the mask's edges not among them.
  const std::vector<double> expected{5e3, 9e3, 10e3, 11e3, 20e3, 9.5e3, 10.5e3};
  ASSERT_EQ(plan.worstFrequencies, expected);
  ASSERT_EQ(wc.gains.size(), mc.band.size());
  for (std::size_t j = 0; j < wc.gains.size(); ++j) {
    EXPECT_EQ(wc.gains[j].frequencyHz, mc.band[j].frequencyHz);
    EXPECT_LE(wc.gains[j].db.min, mc.band[j].minDb) << wc.gains[j].frequencyHz;
    EXPECT_GE(wc.gains[j].db.max, mc.band[j].maxDb) << wc.gains[j].frequencyHz;
    EXPECT_LT(wc.gains[j].db.min, wc.gains[j].db.max);
  }
}

TEST(BandPassTolerance, AWideMaskYieldsAllAndAnImpossibleOneNone) {
  const std::vector<response::Section> sections = BandPass(6, 1);
  // Within +-10 dB close to the centre, 20 dB down two decades away.
  const response::BandPassMask wide{100, 9.9e3, 10.1e3, 1e6, 10, 20};
  // Flat to 0.01 dB across the -3 dB band: no trial and not the design.
  const response::BandPassMask flat{5e3, 9.1e3, 11e3, 20e3, 0.01, 20};
  // 150 dB down an octave away: beyond an order-6 band-pass.
  const response::BandPassMask steep{5e3, 9.9e3, 10.1e3, 20e3, 1, 150};
  struct Row {
    response::BandPassMask mask;
    int passed;  // of 300
    bool nominal;
  };
  for (const Row& row : {Row{wide, 300, true}, Row{flat, 0, false}, Row{steep, 0, false}}) {
    const std::optional<MonteCarloResult> mc = RunMonteCarlo(Plan(Inputs(sections, row.mask, 0)).config);
    ASSERT_TRUE(mc && mc->yield);
    EXPECT_EQ(mc->yield->passed, row.passed);
    EXPECT_EQ(mc->yield->ratio, row.passed / 300.0);
    EXPECT_EQ(mc->yield->nominalPasses, row.nominal);
  }
}

TEST(BandPassTolerance, AMaskOutOfOrderIsTheStudysProblem) {
  const response::BandPassMask reversed{9.5e3, 5e3, 10.5e3, 20e3, 1, 20};
  const auto planned = PlanStudy(Inputs(BandPass(2, 1), reversed, 0));
  ASSERT_TRUE(std::holds_alternative<StudyProblem>(planned));
  EXPECT_EQ(std::get<StudyProblem>(planned).field, StudyField::kMaskPassHz);
}

TEST(BandPassTolerance, TheSameMaskIsTheSameStudy) {
  const std::vector<response::Section> sections = BandPass(2, 1);
  const StudyPlan a = Plan(Inputs(sections, kMask, 0));
  const StudyPlan b = Plan(Inputs(sections, kMask, 0));
  response::BandPassMask other = kMask;
  other.as = 30;
  EXPECT_TRUE(SameStudy(a, b));
  EXPECT_FALSE(SameStudy(a, Plan(Inputs(sections, other, 0))));
  EXPECT_FALSE(SameStudy(a, Plan(Inputs(sections, kMask, 1))));
}

// The six texts as typed: each read as an engineering value above 0, the
// edges in order and As above Ap, every problem naming its field; what
// reads is the mask of those numbers and IsOrdered.
TEST(BandPassTolerance, TheMaskTextsReadOrNameTheirProblem) {
  struct Row {
    BandPassMaskTexts texts;
    std::optional<StudyField> field;  // none: it reads
  } rows[] = {
      {{"5k", "9.5k", "10.5k", "20k", "1", "20"}, std::nullopt},
      {{" 5k", "9500", "10.5k ", "0.02M", "0.5", "40"}, std::nullopt},
      {{"0", "9.5k", "10.5k", "20k", "1", "20"}, StudyField::kMaskStopLowHz},
      {{"5k", "", "10.5k", "20k", "1", "20"}, StudyField::kMaskPassLowHz},
      {{"5k", "9.5k", "x", "20k", "1", "20"}, StudyField::kMaskPassHighHz},
      {{"5k", "9.5k", "10.5k", "-20k", "1", "20"}, StudyField::kMaskStopHighHz},
      {{"5k", "9.5k", "10.5k", "20k", "0", "20"}, StudyField::kMaskPassDb},
      {{"5k", "9.5k", "10.5k", "20k", "1", "inf"}, StudyField::kMaskStopDb},
      {{"9.5k", "9.5k", "10.5k", "20k", "1", "20"}, StudyField::kMaskPassLowHz},
      {{"5k", "10.5k", "9.5k", "20k", "1", "20"}, StudyField::kMaskPassHighHz},
      {{"5k", "9.5k", "10.5k", "10k", "1", "20"}, StudyField::kMaskStopHighHz},
      {{"5k", "9.5k", "10.5k", "20k", "20", "20"}, StudyField::kMaskStopDb},
  };
  for (const Row& row : rows) {
    const BandPassMaskTexts& t = row.texts;
    SCOPED_TRACE(t.fs1 + "," + t.fp1 + "," + t.fp2 + "," + t.fs2 + "," + t.ap + "," + t.as);
    const auto read = ReadBandPassMask(t);
    if (!row.field) {
      ASSERT_TRUE(std::holds_alternative<response::BandPassMask>(read));
      const response::BandPassMask& m = std::get<response::BandPassMask>(read);
      EXPECT_TRUE(response::IsOrdered(m));
      EXPECT_EQ(m.fs1, 5e3);
      EXPECT_EQ(m.fp2, 10.5e3);
      EXPECT_EQ(m.fs2, 20e3);
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<StudyProblem>(read));
    EXPECT_EQ(std::get<StudyProblem>(read).field, *row.field);
    EXPECT_FALSE(std::get<StudyProblem>(read).message.empty());
  }
}

}  // namespace
}  // namespace kelvara::tolerance
