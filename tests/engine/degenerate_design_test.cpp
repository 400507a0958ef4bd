// Fixed values at the ends of the range of a double: the formulas overflow
// or underflow, and a stage whose computed parts are not finite and above 0
// cannot be designed. It is reported like the other stages that cannot be
// designed, and its computed parts are 0; the other stages go on.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "tests/support/component_sets.h"
#include "tests/support/recording_run.h"

namespace kelvara::engine {
namespace {

using kelvara::testing::AllAuto;
using kelvara::testing::RecordedWarning;
using kelvara::testing::RecordingRun;

struct Fix {
  char kind;
  int number;
  double value;
};

struct DegenerateCase {
  const char* name;
  int kind;
  int order;
  std::vector<Fix> fixes;
  std::string caption;                // "" when the design stays valid
  std::vector<int> zeroedR, zeroedC;  // computed parts set to 0 (1-based)
};

void PrintTo(const DegenerateCase& c, std::ostream* os) { *os << c.name; }

const std::string kFixText = "autoにするかfixの値を再設定下さい。";

class DegenerateDesign : public ::testing::TestWithParam<DegenerateCase> {};

TEST_P(DegenerateDesign, StageWithoutBuildablePartsIsReported) {
  const DegenerateCase& c = GetParam();
  ComponentSet parts = AllAuto();
  for (const Fix& f : c.fixes) {
    (f.kind == 'R' ? kelvara::testing::FixR : kelvara::testing::FixC)(parts, f.number, f.value);
  }
  const DesignRequest request = MakeDesignRequest(
      {.passKind = c.kind, .orderIndex = c.order - 2, .response = kButterworth, .cutoffText = "1k", .anyValues = true});
  RecordingRun run;
  DesignFilter(run, BuildStageTargets(request), request, parts);

  if (c.caption.empty()) {
    EXPECT_TRUE(run.valid);
    EXPECT_TRUE(run.warnings.empty());
  } else {
    EXPECT_FALSE(run.valid);
    EXPECT_EQ(run.warnings, (std::vector<RecordedWarning>{{c.caption, kFixText}}));
  }
  for (int k = 1; k <= c.order; ++k) {
    const bool zeroR = std::find(c.zeroedR.begin(), c.zeroedR.end(), k) != c.zeroedR.end();
    const bool zeroC = std::find(c.zeroedC.begin(), c.zeroedC.end(), k) != c.zeroedC.end();
    if (zeroR) {
      EXPECT_EQ(parts.r[k - 1], 0) << "R" << k;
    } else {
      EXPECT_TRUE(std::isfinite(parts.r[k - 1]) && parts.r[k - 1] > 0) << "R" << k << " = " << parts.r[k - 1];
    }
    if (zeroC) {
      EXPECT_EQ(parts.c[k - 1], 0) << "C" << k;
    } else {
      EXPECT_TRUE(std::isfinite(parts.c[k - 1]) && parts.c[k - 1] > 0) << "C" << k << " = " << parts.c[k - 1];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, DegenerateDesign,
    ::testing::Values(
        // 1/(omega 1e308) is 0: C1 = 0, C2 = 0/0.
        DegenerateCase{"LpfHugeR1", kLpf, 4, {{'R', 1, 1e308}}, "R1 は設定不能な値", {2}, {1, 2}},
        // sqrt(C1 C2) underflows to 0: R1 = R2 = infinity.
        DegenerateCase{"LpfDenormalC1", kLpf, 4, {{'C', 1, 1e-320}}, "C1 は設定不能な値", {1, 2}, {2}},
        DegenerateCase{"LpfHugeR3SecondStage", kLpf, 4, {{'R', 3, 1e308}}, "R3 は設定不能な値", {4}, {3, 4}},
        DegenerateCase{"HpfHugeC2", kHpf, 2, {{'C', 2, 1e308}}, "C2 は設定不能な値", {1, 2}, {1}},
        DegenerateCase{"HpfDenormalR1", kHpf, 2, {{'R', 1, 1e-320}}, "R1 は設定不能な値", {2}, {1, 2}},
        DegenerateCase{"FirstOrderDenormalC1", kLpf, 3, {{'C', 1, 1e-320}}, "C1 は設定不能な値", {1}, {}},
        DegenerateCase{"FirstOrderHugeR1", kLpf, 3, {{'R', 1, 1e308}}, "R1 は設定不能な値", {}, {1}},
        DegenerateCase{
            "BothResistorsHuge", kLpf, 2, {{'R', 1, 1e308}, {'R', 2, 1e308}}, "R1, R2 は設定不能な値", {}, {1, 2}},
        // Large and small but representable all the way: designed as usual.
        DegenerateCase{"LargeButFinite", kLpf, 4, {{'R', 1, 1e12}}, "", {}, {}},
        DegenerateCase{"SmallButNormal", kLpf, 4, {{'C', 1, 1e-15}}, "", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DegenerateDesign, LaterStagesAreStillDesignedAndProgressShowsTheFailure) {
  ComponentSet parts = AllAuto();
  kelvara::testing::FixR(parts, 1, 1e308);
  const DesignRequest request = MakeDesignRequest(
      {.passKind = kLpf, .orderIndex = 2, .response = kButterworth, .cutoffText = "1k", .anyValues = true});
  RecordingRun run;
  DesignFilter(run, BuildStageTargets(request), request, parts);
  EXPECT_EQ(run.shown, (std::vector<int>{0, 0}));
  EXPECT_GT(parts.r[2], 0);
  EXPECT_GT(parts.c[3], 0);
}

TEST(DegenerateDesign, EachStageIsReportedOnItsOwn) {
  // The first stage fails by its own rule (capacitor ratio), the second by
  // overflow: both are reported, in stage order.
  ComponentSet parts = AllAuto();
  kelvara::testing::FixC(parts, 1, 10e-9);
  kelvara::testing::FixC(parts, 2, 10e-9);
  kelvara::testing::FixC(parts, 3, 1e-320);
  const DesignRequest request = MakeDesignRequest(
      {.passKind = kLpf, .orderIndex = 2, .response = kButterworth, .cutoffText = "1k", .anyValues = true});
  RecordingRun run;
  DesignFilter(run, BuildStageTargets(request), request, parts);
  EXPECT_FALSE(run.valid);
  EXPECT_EQ(run.warnings,
            (std::vector<RecordedWarning>{{"C1, C2 は設定不能な値", "autoにするか静電容量値を再設定下さい。"},
                                          {"C3 は設定不能な値", kFixText}}));
}

}  // namespace
}  // namespace kelvara::engine
