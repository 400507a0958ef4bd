// A requirement's candidates with preferred values: the run designs them at
// their cut-off text, the margins are those of the parts, and the yield
// against the mask follows the tolerances and the seed.

#include <gtest/gtest.h>

#include "response/requirement.h"
#include "tolerance/requirement_parts.h"
#include "values/eng_value.h"

namespace kelvara::tolerance {
namespace {

using response::Requirement;

const Requirement kLpfMask{values::kLpf, 1e3, 1, 3e3, 40};
const Requirement kHpfMask{values::kHpf, 1e3, 1, 300, 40};

class Realised : public ::testing::TestWithParam<Requirement> {};

TEST_P(Realised, PartsAreDesignedAtTheCutoffTextWithTheirOwnMargins) {
  const response::RequirementResult result = response::DesignFromRequirement(GetParam());
  const auto all = RealiseAll(result, nullptr);
  ASSERT_EQ(all.size(), result.candidates.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    const response::RequirementCandidate& c = result.candidates[i];
    ASSERT_EQ(all[i].has_value(), c.order.has_value());
    if (!all[i]) continue;
    const RealisedCandidate& r = *all[i];
    EXPECT_TRUE(r.valid);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(r.request.cutoffHz, values::ParseEngValue(c.cutoffText));
    EXPECT_EQ(r.request.Order(), *c.order);
    EXPECT_EQ(r.request.response, c.response);
    EXPECT_FALSE(r.request.anyValues);
    const response::MaskMargins m = response::MarginsOf(response::CascadeFromParts(r.request, r.parts), GetParam());
    ASSERT_TRUE(r.margins.has_value());
    EXPECT_EQ(r.margins->passDb, m.passDb);
    EXPECT_EQ(r.margins->stopDb, m.stopDb);
    EXPECT_EQ(r.meets, m.Meets());
    // Preferred values move the response a little: the margins stay near
    // the ideal ones.
    EXPECT_NEAR(r.margins->passDb, c.margins.passDb, 0.5);
    EXPECT_NEAR(r.margins->stopDb, c.margins.stopDb, 3.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Masks, Realised, ::testing::Values(kLpfMask, kHpfMask));

TEST(RealisedYield, WithoutTolerancesEveryTrialIsTheNominalDesign) {
  const response::RequirementResult result = response::DesignFromRequirement(kLpfMask);
  YieldSettings settings;
  settings.tolerances = Tolerances::Uniform(0, 0);
  settings.trials = 100;
  for (const auto& r : RealiseAll(result, nullptr, settings)) {
    if (!r) continue;  // no Bessel of order 2..8 meets this mask
    ASSERT_TRUE(r->yield);
    EXPECT_EQ(r->yield->nominalPasses, r->meets);
    EXPECT_EQ(r->yield->passed, r->meets ? 100 : 0);
  }
}

TEST(RealisedYield, FollowsTheSeedNotTheThreads) {
  const response::RequirementResult result = response::DesignFromRequirement(kLpfMask);
  const auto realised = RealiseCandidate(kLpfMask, result.candidates[0], nullptr);
  ASSERT_TRUE(realised);
  YieldSettings settings;
  settings.trials = 400;
  settings.seed = 11;
  RunOptions one;
  one.threads = 1;
  RunOptions four;
  four.threads = 4;
  const auto a = CandidateYield(kLpfMask, *realised, settings, one);
  const auto b = CandidateYield(kLpfMask, *realised, settings, four);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->passed, b->passed);
  EXPECT_EQ(a->failing, b->failing);
  EXPECT_GT(a->passed, 0);
  // Wider tolerances pass fewer trials.
  settings.tolerances = Tolerances::Uniform(10, 20);
  const auto wide = CandidateYield(kLpfMask, *realised, settings, one);
  ASSERT_TRUE(wide);
  EXPECT_LT(wide->passed, a->passed);
}

TEST(RealisedYield, CandidateWithoutAnOrderHasNoParts) {
  const response::RequirementResult result = response::DesignFromRequirement({values::kLpf, 1e3, 0.5, 1.1e3, 80});
  EXPECT_FALSE(RealiseCandidate(result.requirement, result.candidates[0], nullptr).has_value());
}

}  // namespace
}  // namespace kelvara::tolerance
