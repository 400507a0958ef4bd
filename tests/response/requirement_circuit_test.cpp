// The candidate table of a circuit and gain: the GBW and the part spread of
// every candidate against the rules worked out here from the stages of its
// ideal cascade (the noise gain of each form, the ratios of the free
// designs) and against the parts engine::DesignSections gives those
// stages; everything else of the table is that of the unity-gain
// Sallen-Key, which at gain 1 is the table of old bit for bit. And the pass
// edge of a Chebyshev whose ripple equals Ap: the cut-off itself.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/section_design.h"
#include "response/cascade_extremes.h"
#include "response/requirement.h"
#include "values/section_record.h"

namespace kelvara::response {
namespace {

using values::kButterworth;
using values::kChebyshev;
using values::kHpf;
using values::kLpf;

int RippleIndexOf(double db) {
  for (int i = 0; i < values::kRippleCount; ++i) {
    if (values::kRippleDb[i] == db) return i;
  }
  return -1;
}

// The stages of a candidate as its sheet plans them, with the parts of
// their free design.
engine::SectionsDesign DesignOf(int passKind, const RequirementCandidate& c, const RequirementCircuit& circuit) {
  DesignRequest request;
  request.rippleIndex = static_cast<std::uint8_t>(c.rippleIndex);
  request.cutoffHz = c.cutoffTextHz;
  request.passKind = static_cast<std::uint8_t>(passKind);
  request.orderIndex = static_cast<std::uint8_t>(*c.order - values::kMinOrder);
  request.response = static_cast<std::uint8_t>(c.response);
  request.evenOrder = *c.order % 2 == 0;
  engine::SectionPlanInputs inputs;
  inputs.passKind = static_cast<std::uint8_t>(passKind);
  inputs.order = *c.order;
  inputs.family =
      circuit.circuit == values::kCircuitMfb ? engine::SectionFamily::kMfb : engine::SectionFamily::kSallenKey;
  inputs.gain = circuit.gain;
  const auto plans = engine::PlanSections(inputs, engine::BuildStageTargets(request));
  EXPECT_TRUE(std::holds_alternative<std::vector<engine::StagePlan>>(plans));
  return engine::DesignSections(std::get<std::vector<engine::StagePlan>>(plans), passKind == kHpf, {});
}

// The ratio of a designed stage's parts the spread names: LPF capacitors,
// HPF resistors, by their roles.
double DesignedSpread(const engine::StageDesign& stage, bool hpf) {
  const std::vector<std::string_view> roles = engine::StageFormRoles(stage.plan.form, hpf);
  auto value = [&](std::string_view role) {
    for (std::size_t i = 0; i < roles.size(); ++i) {
      if (roles[i] == role) return stage.values[i];
    }
    ADD_FAILURE() << "no part " << role;
    return 0.0;
  };
  switch (stage.plan.form) {
    case engine::StageForm::kSallenKeyGain:
      return hpf ? value("Rb") / value("Ra") : value("Ca") / value("Cb");
    case engine::StageForm::kMfb:
      return hpf ? value("Rf") / value("Rs") : value("Cs") / value("Cf");
    default:
      return 1.0;
  }
}

struct CircuitRow {
  int passKind;
  int circuit;
  double gain;
};

class CircuitTable : public ::testing::TestWithParam<CircuitRow> {};

TEST_P(CircuitTable, GbwAndSpreadFollowTheCircuitAndGainPerStage) {
  const CircuitRow& row = GetParam();
  const bool hpf = row.passKind == kHpf;
  const Requirement r = hpf ? Requirement{kHpf, 1000, 1, 300, 40} : Requirement{kLpf, 1000, 1, 3000, 40};
  const RequirementCircuit circuit{row.circuit, row.gain};
  ASSERT_EQ(CheckRequirementCircuit(circuit), CircuitProblem::kNone);
  const RequirementResult unity = DesignFromRequirement(r);
  const RequirementResult result = DesignFromRequirement(r, {}, circuit);
  EXPECT_EQ(result.circuit, circuit);
  ASSERT_EQ(result.candidates.size(), unity.candidates.size());
  int checked = 0;
  for (std::size_t i = 0; i < result.candidates.size(); ++i) {
    const RequirementCandidate& c = result.candidates[i];
    const RequirementCandidate& u = unity.candidates[i];
    // The mask's figures are the ideal response's.
    ASSERT_EQ(c.order, u.order);
    EXPECT_EQ(c.cutoffText, u.cutoffText);
    EXPECT_EQ(c.range.loHz, u.range.loHz);
    EXPECT_EQ(c.range.hiHz, u.range.hiHz);
    EXPECT_EQ(c.margins.passDb, u.margins.passDb);
    EXPECT_EQ(c.margins.stopDb, u.margins.stopDb);
    EXPECT_EQ(c.maxQ, u.maxQ);
    EXPECT_EQ(c.meets, u.meets);
    if (!c.order) continue;
    // The rules: each stage at G^(1/stages); the noise gain K of a
    // non-inverting amplifier, 1 + K of an inverting one.
    const Cascade cascade = IdealCascade(r.passKind, c.response, *c.order, c.cutoffTextHz, c.rippleIndex);
    const double k = std::pow(row.gain, 1.0 / cascade.count);
    const bool mfb = row.circuit == values::kCircuitMfb;
    const bool withGain = row.circuit == values::kCircuitSallenKeyGain && row.gain != 1.0;
    double gbw = 0, spread = 0;
    for (int s = 0; s < cascade.count; ++s) {
      const CascadeStage& st = cascade.stage[s];
      const double noise = mfb ? 1 + k : withGain ? k : 1.0;
      const double f0 = st.omega / (2 * M_PI);
      gbw = std::max(gbw, 100 * f0 * (st.order == 1 ? 1.0 : st.q) * noise);
      if (st.order == 1) continue;
      const double q = st.q;
      double x = 4 * q * q;
      if (mfb) {
        x = hpf ? q * q * (2 * k + 1) * (2 * k + 1) / k : 1.2 * 4 * q * q * (1 + k);
      } else if (withGain) {
        const double y = 4 * q / (1 + std::sqrt(1 + 8 * q * q * (k - 1)));
        x = y * y;
      }
      spread = std::max(spread, x);
    }
    EXPECT_NEAR(c.gbwMinHz, gbw, 1e-12 * gbw) << values::ResponseLabel(c.response, c.rippleIndex);
    EXPECT_NEAR(c.spreadMin, spread, 1e-12 * spread) << values::ResponseLabel(c.response, c.rippleIndex);
    if (mfb || withGain) {
      // The parts the section design gives those stages.
      const engine::SectionsDesign design = DesignOf(r.passKind, c, circuit);
      ASSERT_TRUE(design.valid);
      double designed = 0;
      for (const engine::StageDesign& stage : design.stages) {
        if (stage.plan.order == 2) designed = std::max(designed, DesignedSpread(stage, hpf));
        EXPECT_NEAR(stage.plan.gain, k, 1e-12 * k);
      }
      EXPECT_NEAR(c.spreadMin, designed, 1e-9 * designed) << values::ResponseLabel(c.response, c.rippleIndex);
    }
    ++checked;
  }
  EXPECT_GE(checked, 4);
}

INSTANTIATE_TEST_SUITE_P(
    Circuits, CircuitTable,
    ::testing::Values(CircuitRow{kLpf, 0, 1.0}, CircuitRow{kHpf, 0, 1.0},
                      CircuitRow{kLpf, values::kCircuitSallenKeyGain, 1.0},
                      CircuitRow{kLpf, values::kCircuitSallenKeyGain, 4.0},
                      CircuitRow{kHpf, values::kCircuitSallenKeyGain, 10.0}, CircuitRow{kLpf, values::kCircuitMfb, 1.0},
                      CircuitRow{kLpf, values::kCircuitMfb, 10.0}, CircuitRow{kLpf, values::kCircuitMfb, 0.5},
                      CircuitRow{kHpf, values::kCircuitMfb, 1.0}, CircuitRow{kHpf, values::kCircuitMfb, 100.0}));

TEST(CircuitTable, TheUnityGainSallenKeyAtGainOneIsTheTableOfOld) {
  for (const Requirement& r : {Requirement{kLpf, 1000, 1, 3000, 40}, Requirement{kHpf, 1000, 0.5, 200, 60},
                               Requirement{kLpf, 1000, 3, 1500, 30}}) {
    const RequirementResult old = DesignFromRequirement(r);
    for (const RequirementCircuit& circuit :
         {RequirementCircuit{0, 1.0}, RequirementCircuit{values::kCircuitSallenKeyGain, 1.0}}) {
      const RequirementResult now = DesignFromRequirement(r, {}, circuit);
      ASSERT_EQ(now.candidates.size(), old.candidates.size());
      for (std::size_t i = 0; i < now.candidates.size(); ++i) {
        EXPECT_EQ(now.candidates[i].gbwMinHz, old.candidates[i].gbwMinHz);
        EXPECT_EQ(now.candidates[i].spreadMin, old.candidates[i].spreadMin);
        if (!old.candidates[i].maxQ) continue;
        EXPECT_EQ(old.candidates[i].spreadMin, 4.0 * std::pow(*old.candidates[i].maxQ, 2.0));
      }
      EXPECT_EQ(now.recommended, old.recommended);
    }
  }
}

TEST(CircuitTable, AnMfbStageAsksForMoreGbwThanASallenKeyStageOfTheSameGain) {
  // The noise gain 1 + K against K.
  for (const double k : {1.0, 2.0, 10.0}) {
    const double f0 = 1000, q = 2;
    EXPECT_DOUBLE_EQ(StageGbwNeedHz(engine::StageForm::kMfb, f0, q, k), 100 * f0 * q * (1 + k));
    if (k > 1) {
      EXPECT_DOUBLE_EQ(StageGbwNeedHz(engine::StageForm::kSallenKeyGain, f0, q, k), 100 * f0 * q * k);
    }
    EXPECT_DOUBLE_EQ(StageGbwNeedHz(engine::StageForm::kRcInverting, f0, 0, k), 100 * f0 * (1 + k));
  }
  EXPECT_DOUBLE_EQ(StageGbwNeedHz(engine::StageForm::kSallenKey, 1000, 2, 1), 100 * 1000 * 2);
  EXPECT_DOUBLE_EQ(StageGbwNeedHz(engine::StageForm::kRcFollower, 1000, 0, 1), 100 * 1000);
}

TEST(CircuitTable, CircuitsAndGainsAreCheckedAsTheSheetChecksThem) {
  EXPECT_EQ(CheckRequirementCircuit({0, 1.0}), CircuitProblem::kNone);
  EXPECT_EQ(CheckRequirementCircuit({0, 2.0}), CircuitProblem::kUnityGain);
  EXPECT_EQ(CheckRequirementCircuit({3, 1.0}), CircuitProblem::kCircuit);
  EXPECT_EQ(CheckRequirementCircuit({-1, 1.0}), CircuitProblem::kCircuit);
  EXPECT_EQ(CheckRequirementCircuit({values::kCircuitMfb, 0.5}), CircuitProblem::kNone);
  EXPECT_EQ(CheckRequirementCircuit({values::kCircuitMfb, 0.05}), CircuitProblem::kGainRange);
  EXPECT_EQ(CheckRequirementCircuit({values::kCircuitMfb, 2000}), CircuitProblem::kGainRange);
  EXPECT_EQ(CheckRequirementCircuit({values::kCircuitMfb, std::nan("")}), CircuitProblem::kGainRange);
  EXPECT_EQ(CheckRequirementCircuit({values::kCircuitSallenKeyGain, 0.5}), CircuitProblem::kGainBelowOne);
  EXPECT_EQ(CheckRequirementCircuit({values::kCircuitSallenKeyGain, 1000}), CircuitProblem::kNone);
  EXPECT_EQ(RequirementStageForm(values::kCircuitSallenKeyGain, 2, 1.0), engine::StageForm::kSallenKey);
  EXPECT_EQ(RequirementStageForm(values::kCircuitSallenKeyGain, 1, 2.0), engine::StageForm::kRcGain);
  EXPECT_EQ(RequirementStageForm(values::kCircuitMfb, 1, 1.0), engine::StageForm::kRcInverting);
}

// ---- the pass edge of a Chebyshev whose ripple equals Ap ------------------

struct TouchingRow {
  int passKind;
  double rippleDb;
  int order;
};

class TouchingRipple : public ::testing::TestWithParam<TouchingRow> {};

// The closed form of the edge: DC at 0 dB, the gain is
// -10 log10((1 + e² T_n(x)²) / (1 + e² T_n(0)²)), e² = 10^(Ap/10) - 1. An
// odd order (T_n(0) = 0) reaches -Ap at T_n(x) = 1, the cut-off; an even
// one (T_n(0)² = 1, its peaks +Ap) at T_n(x)² = 10^(Ap/10) + 1.
double TouchingEdge(double ap, int order) {
  if (order % 2 == 1) return 1.0;
  return std::cosh(std::acosh(std::sqrt(1 + std::pow(10.0, ap / 10))) / order);
}

TEST_P(TouchingRipple, ThePassEdgeIsTheCrossingOfMinusAp) {
  const TouchingRow& row = GetParam();
  const int ripple = RippleIndexOf(row.rippleDb);
  ASSERT_GE(ripple, 0);
  const bool hpf = row.passKind == kHpf;
  const Requirement r =
      hpf ? Requirement{kHpf, 1000, row.rippleDb, 100, 40} : Requirement{kLpf, 1000, row.rippleDb, 10000, 40};
  // The pass band ends where the gain crosses -Ap beyond the ripple (the
  // stop edge is far beyond); an HPF mirrors it.
  const double x = TouchingEdge(row.rippleDb, row.order);
  const double expected = hpf ? 1 / x : x;
  const CutoffRange range = CutoffRangeOf(r, kChebyshev, row.order, ripple);
  ASSERT_FALSE(range.Empty());
  const double edge = hpf ? range.hiHz : range.loHz;
  const double tolerance = 1e-9;
  EXPECT_NEAR(edge, 1000.0 / expected, 1000.0 * tolerance) << "order " << row.order;
  const Cascade unit = IdealCascade(r.passKind, kChebyshev, row.order, 1.0, ripple);
  const double pass = RequirementPassEdge(unit, kChebyshev, ripple, r.passDb, StopEdgeHz(unit, r.stopDb));
  EXPECT_NEAR(pass, expected, tolerance);
  EXPECT_EQ(edge, 1000.0 / pass);  // fp over the edge, LPF and HPF alike
  // Just beyond the edge the gain is below -Ap; up to it within Ap but for
  // rounding.
  const double beyond = hpf ? pass * (1 - 1e-6) : pass * (1 + 1e-6);
  EXPECT_LT(GainDb(unit, beyond), -r.passDb);
  const double inf = std::numeric_limits<double>::infinity();
  const GainBand band = hpf ? GainExtremes(unit, pass, inf) : GainExtremes(unit, 0.0, pass);
  EXPECT_LE(std::max(std::fabs(band.lowDb), std::fabs(band.highDb)), r.passDb + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Orders, TouchingRipple,
                         ::testing::Values(TouchingRow{kLpf, 1.0, 2}, TouchingRow{kLpf, 1.0, 3},
                                           TouchingRow{kLpf, 1.0, 4}, TouchingRow{kLpf, 1.0, 5},
                                           TouchingRow{kLpf, 1.0, 6}, TouchingRow{kLpf, 1.0, 7},
                                           TouchingRow{kLpf, 1.0, 8}, TouchingRow{kLpf, 0.5, 8},
                                           TouchingRow{kLpf, 3.0, 5}, TouchingRow{kHpf, 1.0, 4},
                                           TouchingRow{kHpf, 1.0, 8}, TouchingRow{kHpf, 2.0, 7}));

TEST(TouchingRipple, TheOtherRipplesKeepTheirEdgesBitForBit) {
  // Ap = 1: every row but the 1 dB one has the edge PassEdgeHz gives.
  for (const int passKind : {kLpf, kHpf}) {
    for (int ripple = 0; ripple < values::kRippleCount; ++ripple) {
      if (values::kRippleDb[ripple] == 1.0) continue;
      for (int order = 4; order <= 8; ++order) {
        const Cascade unit = IdealCascade(passKind, kChebyshev, order, 1.0, ripple);
        const double stop = StopEdgeHz(unit, 40);
        EXPECT_EQ(RequirementPassEdge(unit, kChebyshev, ripple, 1.0, stop), PassEdgeHz(unit, 1.0));
      }
    }
    const Cascade butterworth = IdealCascade(passKind, kButterworth, 5, 1.0);
    EXPECT_EQ(RequirementPassEdge(butterworth, kButterworth, values::kTabulatedRippleIndex, 1.0, 3.0),
              PassEdgeHz(butterworth, 1.0));
  }
}

TEST(TouchingRipple, TheOneDecibelRowOfAOneDecibelMaskStartsAtThePassEdge) {
  const Requirement r{kLpf, 1000, 1, 3000, 40};
  const RequirementResult result = DesignFromRequirement(r);
  bool seen = false;
  for (const RequirementCandidate& c : result.candidates) {
    if (c.response != kChebyshev || values::kRippleDb[c.rippleIndex] != 1.0) continue;
    seen = true;
    ASSERT_TRUE(c.order.has_value());
    EXPECT_NEAR(c.range.loHz, 1000.0 / TouchingEdge(1.0, *c.order), 1e-9);
    for (int order = *c.order; order <= values::kMaxOrder; ++order) {
      EXPECT_NEAR(c.ranges[order - values::kMinOrder].loHz, 1000.0 / TouchingEdge(1.0, order), 1e-9) << order;
    }
    // Not 0.924 (order 4) nor 0.195 (order 8) of fp, where the ripple's
    // first peak rounded above the limit ended the pass band.
    EXPECT_GE(c.margins.passDb, 0.0);
    EXPECT_GE(c.margins.stopDb, 0.0);
  }
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace kelvara::response
