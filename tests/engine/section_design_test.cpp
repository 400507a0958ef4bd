// The plan of a filter of sections (engine/section_design.h): which form
// each stage takes, its targets, its gain and the order of the stages, and
// the inputs a plan refuses; the part names through the cascade.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/section_design.h"

namespace kelvara::engine {
namespace {

StageTargets TargetsOf(std::uint8_t kind, int order, std::uint8_t response, double cutoffHz) {
  DesignRequest r;
  r.cutoffHz = cutoffHz;
  r.passKind = kind;
  r.orderIndex = static_cast<std::uint8_t>(order - 2);
  r.response = response;
  r.evenOrder = order % 2 == 0;
  return BuildStageTargets(r);
}

struct PlanCase {
  const char* name;
  SectionPlanInputs in;
  std::vector<StageForm> forms;
  std::vector<double> gains;
  std::vector<int> slots;  // the target slots in cascade order
};

class SectionPlan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(SectionPlan, TakesItsFormsGainsAndOrder) {
  const PlanCase& c = GetParam();
  const auto planned = PlanSections(c.in, TargetsOf(c.in.passKind, c.in.order, kChebyshev, 1e3));
  ASSERT_EQ(values::ProblemOf(planned), nullptr) << values::ProblemOf(planned)->message;
  const std::vector<StagePlan>& plans = std::get<std::vector<StagePlan>>(planned);
  ASSERT_EQ(plans.size(), c.forms.size());
  const StageTargets t = TargetsOf(c.in.passKind, c.in.order, kChebyshev, 1e3);
  for (std::size_t k = 0; k < plans.size(); ++k) {
    EXPECT_EQ(plans[k].form, c.forms[k]) << k;
    EXPECT_EQ(plans[k].slot, c.slots[k]) << k;
    EXPECT_DOUBLE_EQ(plans[k].gain, c.gains[k]) << k;
    EXPECT_EQ(plans[k].omega, t.stageOmega[plans[k].slot]);
    EXPECT_EQ(plans[k].q, plans[k].order == 1 ? 0.0 : t.stageQ[plans[k].slot]);
  }
}

SectionPlanInputs In(std::uint8_t kind, int order, SectionFamily family, std::optional<double> gain,
                     std::vector<double> stageGains = {}, StageOrder stageOrder = StageOrder::kAscendingQ) {
  SectionPlanInputs in;
  in.passKind = kind;
  in.order = order;
  in.family = family;
  in.gain = gain;
  in.stageGains = std::move(stageGains);
  in.stageOrder = stageOrder;
  return in;
}

const double kCubeRoot10 = std::pow(10.0, 1.0 / 3);

INSTANTIATE_TEST_SUITE_P(
    Plans, SectionPlan,
    ::testing::Values(PlanCase{"MfbEvenEqual",
                               In(kLpf, 4, SectionFamily::kMfb, 100),
                               {StageForm::kMfb, StageForm::kMfb},
                               {10, 10},
                               {0, 1}},
                      PlanCase{"MfbOddEqual",
                               In(kLpf, 5, SectionFamily::kMfb, 10),
                               {StageForm::kRcInverting, StageForm::kMfb, StageForm::kMfb},
                               {kCubeRoot10, kCubeRoot10, kCubeRoot10},
                               {0, 1, 2}},
                      PlanCase{"MfbOddDescending",
                               In(kHpf, 5, SectionFamily::kMfb, std::nullopt, {2, 0.5, 3}, StageOrder::kDescendingQ),
                               {StageForm::kMfb, StageForm::kMfb, StageForm::kRcInverting},
                               {2, 0.5, 3},
                               {2, 1, 0}},
                      PlanCase{"SallenKeyUnityAndGain",
                               In(kLpf, 7, SectionFamily::kSallenKey, 6, {1, 2, 1, 3}),
                               {StageForm::kRcFollower, StageForm::kSallenKeyGain, StageForm::kSallenKey,
                                StageForm::kSallenKeyGain},
                               {1, 2, 1, 3},
                               {0, 1, 2, 3}},
                      PlanCase{"SallenKeyOddGain",
                               In(kLpf, 3, SectionFamily::kSallenKey, 4),
                               {StageForm::kRcGain, StageForm::kSallenKeyGain},
                               {2, 2},
                               {0, 1}},
                      PlanCase{"SallenKeyGainOne",
                               In(kHpf, 6, SectionFamily::kSallenKey, 1, {}, StageOrder::kDescendingQ),
                               {StageForm::kSallenKey, StageForm::kSallenKey, StageForm::kSallenKey},
                               {1, 1, 1},
                               {2, 1, 0}}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

struct RefusedCase {
  const char* name;
  SectionPlanInputs in;
  SectionPlanField field;
};

class SectionPlanRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(SectionPlanRefused, NamesTheInput) {
  const RefusedCase& c = GetParam();
  const auto planned = PlanSections(c.in, TargetsOf(c.in.passKind, c.in.order, kButterworth, 1e3));
  const auto* problem = values::ProblemOf(planned);
  ASSERT_NE(problem, nullptr);
  EXPECT_EQ(problem->field, c.field);
  EXPECT_FALSE(problem->message.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Plans, SectionPlanRefused,
    ::testing::Values(
        RefusedCase{"GainAbove", In(kLpf, 4, SectionFamily::kMfb, 1001), SectionPlanField::kGain},
        RefusedCase{"GainBelow", In(kLpf, 4, SectionFamily::kMfb, 0.099), SectionPlanField::kGain},
        RefusedCase{"GainNotANumber", In(kLpf, 4, SectionFamily::kMfb, std::nan("")), SectionPlanField::kGain},
        RefusedCase{"SallenKeyBelowOne", In(kLpf, 4, SectionFamily::kSallenKey, 0.5), SectionPlanField::kGain},
        RefusedCase{"SallenKeyStageBelowOne", In(kLpf, 4, SectionFamily::kSallenKey, 1, {0.5, 2}),
                    SectionPlanField::kStageGains},
        RefusedCase{"StageCount", In(kLpf, 5, SectionFamily::kMfb, 10, {10, 1}), SectionPlanField::kStageGains},
        RefusedCase{"StageProduct", In(kLpf, 4, SectionFamily::kMfb, 10, {3, 3}), SectionPlanField::kStageGains},
        RefusedCase{"StageProductRange", In(kLpf, 4, SectionFamily::kMfb, std::nullopt, {100, 100}),
                    SectionPlanField::kStageGains},
        RefusedCase{"StageRange", In(kLpf, 4, SectionFamily::kMfb, std::nullopt, {1e-4, 1e4}),
                    SectionPlanField::kStageGains}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

// The product of the stage gains is the gain to 1e-9.
TEST(SectionPlanGains, AProductWithin1e9OfTheGainIsTaken) {
  const StageTargets t = TargetsOf(kLpf, 4, kButterworth, 1e3);
  EXPECT_EQ(values::ProblemOf(PlanSections(In(kLpf, 4, SectionFamily::kMfb, 10, {2, 5 * (1 + 5e-10)}), t)), nullptr);
  EXPECT_NE(values::ProblemOf(PlanSections(In(kLpf, 4, SectionFamily::kMfb, 10, {2, 5 * (1 + 2e-9)}), t)), nullptr);
}

TEST(SectionPartNames, RunThroughTheCascadePerLetter) {
  const StageTargets t = TargetsOf(kHpf, 5, kButterworth, 1e3);
  const auto mfb = PlanSections(In(kHpf, 5, SectionFamily::kMfb, 10), t);
  EXPECT_EQ(SectionPartNames(std::get<std::vector<StagePlan>>(mfb), true),
            (std::vector<std::vector<std::string>>{
                {"C1", "R1", "R2"}, {"C2", "C3", "C4", "R3", "R4"}, {"C5", "C6", "C7", "R5", "R6"}}));
  const auto sk = PlanSections(In(kLpf, 3, SectionFamily::kSallenKey, 10), TargetsOf(kLpf, 3, kButterworth, 1e3));
  EXPECT_EQ(SectionPartNames(std::get<std::vector<StagePlan>>(sk), false),
            (std::vector<std::vector<std::string>>{{"R1", "C1", "R2", "R3"}, {"R4", "R5", "C2", "C3", "R6", "R7"}}));
}

}  // namespace
}  // namespace kelvara::engine
