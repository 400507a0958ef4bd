// The tolerance study as both front ends ask for it: the checks of the
// inputs with their messages (the mask inside out, a = 0, b <= a, texts
// that do not read, tolerances out of range), the plan built from them,
// the run with a worst case on its own, with the mask's edges among its
// frequencies and with the failing curves, and when two plans ask for the
// same study.

#include "tolerance/study.h"

#include <gtest/gtest.h>

#include "tests/tolerance/tolerance_test_support.h"

namespace kelvara::tolerance {
namespace {

StudyInputs Inputs(int kind = engine::kLpf, int order = 4) {
  const ToleranceDesign d = test::Designed(test::Request(kind, order, engine::kChebyshev), 1, 5);
  StudyInputs in;
  in.request = d.request;
  in.parts = d.parts;
  in.trials = 200;
  in.frequencies = SweepFrequencies(100, 1e4);
  return in;
}

const StudyProblem* ProblemOf(const std::variant<StudyPlan, StudyProblem>& v) { return std::get_if<StudyProblem>(&v); }

TEST(StudyChecks, RefuseAMaskThatDoesNotFit) {
  struct Case {
    int kind;
    GainMaskTexts mask;
    StudyField field;
    const char* message;
  };
  const Case cases[] = {
      {engine::kLpf,
       {"3k", "1", "700", "40"},
       StudyField::kMaskPassHz,
       "マスクが逆: LPF では通過域 fp を阻止域 fs より低く設定下さい。"},
      {engine::kLpf,
       {"1k", "1", "1k", "40"},
       StudyField::kMaskPassHz,
       "マスクが逆: LPF では通過域 fp を阻止域 fs より低く設定下さい。"},
      {engine::kHpf,
       {"700", "1", "3k", "40"},
       StudyField::kMaskPassHz,
       "マスクが逆: HPF では通過域 fp を阻止域 fs より高く設定下さい。"},
      {engine::kLpf,
       {"700", "0", "3k", "40"},
       StudyField::kMaskPassDb,
       "通過域 ±a が不正: 0 より大きい値を設定下さい。"},
      {engine::kLpf,
       {"700", "3", "3k", "3"},
       StudyField::kMaskStopDb,
       "阻止域 -b が不正: 通過域 ±a より大きい値を設定下さい。"},
      {engine::kLpf,
       {"700", "3", "3k", "2"},
       StudyField::kMaskStopDb,
       "阻止域 -b が不正: 通過域 ±a より大きい値を設定下さい。"},
      {engine::kLpf,
       {"abc", "1", "3k", "40"},
       StudyField::kMaskPassHz,
       "通過域 fp が不正: 0 より大きい周波数を設定下さい。"},
      {engine::kLpf,
       {"", "1", "3k", "40"},
       StudyField::kMaskPassHz,
       "通過域 fp が不正: 0 より大きい周波数を設定下さい。"},
      {engine::kLpf,
       {"700", "1", "-3k", "40"},
       StudyField::kMaskStopHz,
       "阻止域 fs が不正: 0 より大きい周波数を設定下さい。"},
      {engine::kLpf,
       {"700", "1", "3k", "x"},
       StudyField::kMaskStopDb,
       "阻止域 -b が不正: 0 より大きい値を設定下さい。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask.passHz + "," + c.mask.passDb + "," + c.mask.stopHz + "," + c.mask.stopDb);
    StudyInputs in = Inputs(c.kind);
    in.mask = c.mask;
    const auto planned = PlanStudy(in);
    const StudyProblem* problem = ProblemOf(planned);
    ASSERT_NE(problem, nullptr);
    EXPECT_EQ(problem->field, c.field);
    EXPECT_EQ(problem->message, c.message);
    // ReadGainMask is the same check.
    const auto read = ReadGainMask(c.mask, static_cast<std::uint8_t>(c.kind));
    ASSERT_TRUE(std::holds_alternative<StudyProblem>(read));
    EXPECT_EQ(std::get<StudyProblem>(read).message, c.message);
  }
}

TEST(StudyChecks, AcceptAMaskTheRightWayRound) {
  struct Case {
    int kind;
    GainMaskTexts mask;
    GainMask read;
  };
  const Case cases[] = {
      {engine::kLpf, {"700", "0.5", "3k", "40"}, {700, 0.5, 3000, 40}},
      {engine::kHpf, {" 3k ", "1", "700", "40"}, {3000, 1, 700, 40}},
      {engine::kLpf, {"1.5k", "0.25", "10k", "60"}, {1500, 0.25, 10000, 60}},
  };
  for (const Case& c : cases) {
    const auto read = ReadGainMask(c.mask, static_cast<std::uint8_t>(c.kind));
    ASSERT_TRUE(std::holds_alternative<GainMask>(read)) << std::get<StudyProblem>(read).message;
    const GainMask& m = std::get<GainMask>(read);
    EXPECT_EQ(m.passHz, c.read.passHz);
    EXPECT_EQ(m.passDb, c.read.passDb);
    EXPECT_EQ(m.stopHz, c.read.stopHz);
    EXPECT_EQ(m.stopDb, c.read.stopDb);
  }
}

TEST(StudyChecks, RefuseTolerancesAndTrialsOutOfRange) {
  struct Case {
    const char* name;
    void (*change)(StudyInputs&);
    StudyField field;
    const char* message;
  };
  const Case cases[] = {
      {"trials low", [](StudyInputs& in) { in.trials = 99; }, StudyField::kTrials,
       "試行回数が不正: 100 ～ 100000 を設定下さい。"},
      {"trials high", [](StudyInputs& in) { in.trials = 100001; }, StudyField::kTrials,
       "試行回数が不正: 100 ～ 100000 を設定下さい。"},
      {"R", [](StudyInputs& in) { in.rPct = 60; }, StudyField::kResistorTolerance,
       "抵抗の公差が不正: 0 ～ 50 % を設定下さい。"},
      {"C", [](StudyInputs& in) { in.cPct = -1; }, StudyField::kCapacitorTolerance,
       "コンデンサの公差が不正: 0 ～ 50 % を設定下さい。"},
      {"GBW ideal", [](StudyInputs& in) { in.gbwPct = 20; }, StudyField::kGbwTolerance,
       "GBWの公差は実オペアンプでのみ指定できます。"},
      {"GBW range",
       [](StudyInputs& in) {
         in.opamp.ideal = false;
         in.gbwPct = 95;
       },
       StudyField::kGbwTolerance, "GBWの公差が不正: 0 ～ 90 % を設定下さい。"},
      {"part text",
       [](StudyInputs& in) {
         in.partPcts = {{"R3", "1%"}};
       },
       StudyField::kPartTolerance, "R3 の公差が不正: 0 ～ 50 % を設定下さい。（空欄: 既定の公差）"},
      {"part range",
       [](StudyInputs& in) {
         in.partPcts = {{"C2", "60"}};
       },
       StudyField::kPartTolerance, "C2 の公差が不正: 0 ～ 50 % を設定下さい。（空欄: 既定の公差）"},
      {"part name",
       [](StudyInputs& in) {
         in.partPcts = {{"X1", "1"}};
       },
       StudyField::kPartTolerance, "部品名 X1 が不正: R1～R8, C1～C8 を指定下さい。"},
      {"part the design does not have",
       [](StudyInputs& in) {
         in.partPcts = {{"R7", "1"}};
       },
       StudyField::kPartTolerance, "部品名 R7 はこの設計にありません: R1～R4, C1～C4 を指定下さい。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StudyInputs in = Inputs();
    c.change(in);
    const auto planned = PlanStudy(in);
    const StudyProblem* problem = ProblemOf(planned);
    ASSERT_NE(problem, nullptr);
    EXPECT_EQ(problem->field, c.field);
    EXPECT_EQ(problem->message, c.message);
  }
  // Trials do not matter without a Monte Carlo run.
  StudyInputs in = Inputs();
  in.monteCarlo = false;
  in.worstCase = true;
  in.trials = 0;
  EXPECT_EQ(ProblemOf(PlanStudy(in)), nullptr);
}

TEST(StudyChecks, PartToleranceTexts) {
  struct Case {
    const char* text;
    std::optional<double> pct;
  };
  const Case cases[] = {
      {"0.1", 0.1},         {"0", 0.0},           {"50", 50.0},          {"", std::nullopt},      {"1%", std::nullopt},
      {"60", std::nullopt}, {"-1", std::nullopt}, {"nan", std::nullopt}, {"1e400", std::nullopt}, {" 1", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(ReadPartTolerance(c.text), c.pct) << c.text;
}

TEST(StudyPlanTest, BuildsTheConfiguration) {
  StudyInputs in = Inputs();
  in.rPct = 0.5;
  in.cPct = 2;
  in.partPcts = {{"R3", "0.1"}, {"C1", ""}, {"C2", " 7 "}};
  in.distribution = Distribution::kNormal;
  in.seed = 9;
  in.mask = GainMaskTexts{"700", "0.5", "3k", "40"};
  in.worstCase = true;
  const auto planned = PlanStudy(in);
  ASSERT_TRUE(std::holds_alternative<StudyPlan>(planned)) << std::get<StudyProblem>(planned).message;
  const StudyPlan& plan = std::get<StudyPlan>(planned);
  const Tolerances& t = plan.config.design.tolerances;
  EXPECT_EQ(t.rPct[0], 0.5);
  EXPECT_EQ(t.rPct[2], 0.1);
  EXPECT_EQ(t.cPct[0], 2);  // an empty text keeps the default
  EXPECT_EQ(t.cPct[1], 7);
  EXPECT_EQ(plan.config.design.distribution, Distribution::kNormal);
  EXPECT_EQ(plan.config.trials, 200);
  EXPECT_EQ(plan.config.seed, 9u);
  ASSERT_TRUE(plan.config.mask.has_value());
  EXPECT_EQ(plan.config.mask->stopHz, 3000);
  // The worst case also at the mask's edges.
  std::vector<double> expected = DefaultWorstCaseFrequencies(in.request);
  expected.push_back(700);
  expected.push_back(3000);
  EXPECT_EQ(plan.worstFrequencies, expected);
}

TEST(StudyRun, AWorstCaseStandsOnItsOwn) {
  StudyInputs in = Inputs(engine::kLpf, 3);
  in.monteCarlo = false;
  in.worstCase = true;
  in.mask = GainMaskTexts{"500", "1", "5k", "20"};
  const StudyPlan plan = std::get<StudyPlan>(PlanStudy(in));
  double last = -1;
  RunOptions options;
  options.progress = [&last](double f) { last = f; };
  const auto result = RunStudy(plan, options);
  ASSERT_TRUE(result.has_value());
  EXPECT_FALSE(result->monteCarlo.has_value());
  ASSERT_TRUE(result->worstCase.has_value());
  EXPECT_EQ(result->worstCase->corners, 64u);
  ASSERT_EQ(result->worstCase->gains.size(), 6u);
  EXPECT_EQ(result->worstCase->gains[4].frequencyHz, 500);
  EXPECT_EQ(result->worstCase->gains[5].frequencyHz, 5000);
  EXPECT_EQ(last, 1.0);
  // The same corners as the worst case run alone.
  const auto alone = RunWorstCase(plan.config.design, plan.worstFrequencies);
  EXPECT_EQ(alone->minus3dbHz.min, result->worstCase->minus3dbHz.min);
  EXPECT_EQ(alone->gains[5].db.max, result->worstCase->gains[5].db.max);
}

TEST(StudyRun, MonteCarloWorstCaseAndFailingCurves) {
  StudyInputs in = Inputs(engine::kLpf, 6);
  in.trials = 300;
  in.mask = GainMaskTexts{"700", "0.05", "3k", "40"};  // most trials fail the ripple
  in.worstCase = true;
  in.failingCurves = true;
  const StudyPlan plan = std::get<StudyPlan>(PlanStudy(in));
  const auto result = RunStudy(plan);
  ASSERT_TRUE(result && result->monteCarlo && result->worstCase && result->failing);
  // The Monte Carlo part is the plain run's, bit for bit.
  const auto plain = RunMonteCarlo(plan.config);
  EXPECT_EQ(plain->minus3dbHz.mean, result->monteCarlo->minus3dbHz.mean);
  EXPECT_EQ(plain->yield->passed, result->monteCarlo->yield->passed);
  const FailingCurves& f = *result->failing;
  EXPECT_EQ(f.failing, static_cast<int>(result->monteCarlo->yield->failing.size()));
  ASSERT_GT(f.failing, kMaxFailingCurves);
  EXPECT_EQ(static_cast<int>(f.gainDb.size()), kMaxFailingCurves);
  EXPECT_EQ(f.gainDb[0].size(), in.frequencies.size());
  // A stop before the end gives nothing.
  std::stop_source stop;
  stop.request_stop();
  RunOptions options;
  options.stop = stop.get_token();
  EXPECT_FALSE(RunStudy(plan, options).has_value());
}

TEST(StudyPlanTest, SameStudyNamesEveryInputThatChangesTheResult) {
  const StudyInputs base = [] {
    StudyInputs in = Inputs();
    in.mask = GainMaskTexts{"700", "0.5", "3k", "40"};
    return in;
  }();
  const StudyPlan plan = std::get<StudyPlan>(PlanStudy(base));
  struct Case {
    const char* name;
    void (*change)(StudyInputs&);
    bool same;
  };
  const Case cases[] = {
      {"nothing", [](StudyInputs&) {}, true},
      {"the worst case box", [](StudyInputs& in) { in.worstCase = true; }, true},
      {"a part", [](StudyInputs& in) { in.parts.r[0] *= 1.01; }, false},
      {"a part beyond the order", [](StudyInputs& in) { in.parts.r[7] = 1; }, true},
      {"the cut-off", [](StudyInputs& in) { in.request.cutoffHz = 2000; }, false},
      {"the op-amp", [](StudyInputs& in) { in.opamp.ideal = false; }, false},
      {"R tolerance", [](StudyInputs& in) { in.rPct = 2; }, false},
      {"one part's tolerance",
       [](StudyInputs& in) {
         in.partPcts = {{"C2", "1"}};
       },
       false},
      {"distribution", [](StudyInputs& in) { in.distribution = Distribution::kNormal; }, false},
      {"trials", [](StudyInputs& in) { in.trials = 300; }, false},
      {"seed", [](StudyInputs& in) { in.seed = 2; }, false},
      {"mask", [](StudyInputs& in) { in.mask->stopDb = "41"; }, false},
      {"no mask", [](StudyInputs& in) { in.mask.reset(); }, false},
  };
  for (const Case& c : cases) {
    StudyInputs in = base;
    c.change(in);
    EXPECT_EQ(SameStudy(plan, std::get<StudyPlan>(PlanStudy(in))), c.same) << c.name;
  }
}

}  // namespace
}  // namespace kelvara::tolerance
