// The step and impulse of designs of sections (MFB, Sallen-Key with gain)
// with the ideal op-amp: the Laplace transform of the impulse, integrated
// here, is the circuit's transfer at real s from the nodal solve, and the
// step settles to the filter's gain (LPF) or 0 (HPF); a real op-amp's step
// (from the state equations) tends to it as the op-amp tends to the ideal.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/design.h"
#include "engine/section_design.h"
#include "response/circuit.h"
#include "tests/support/section_designs.h"

namespace kelvara::response {
namespace {

std::vector<Section> Designed(std::uint8_t kind, int order, engine::SectionFamily family, double gain,
                              engine::StageOrder stageOrder) {
  return testing::DesignedSections(kind, order, family, gain, stageOrder);
}

TEST(SectionTime, TheImpulsesLaplaceTransformIsTheTransfer) {
  struct Row {
    std::uint8_t kind;
    int order;
    engine::SectionFamily family;
    double gain;
    engine::StageOrder stageOrder;
  };
  const Row rows[] = {
      {engine::kLpf, 5, engine::SectionFamily::kMfb, 10, engine::StageOrder::kAscendingQ},
      {engine::kLpf, 3, engine::SectionFamily::kMfb, 0.5, engine::StageOrder::kDescendingQ},
      {engine::kHpf, 4, engine::SectionFamily::kSallenKey, 4, engine::StageOrder::kAscendingQ},
      {engine::kHpf, 7, engine::SectionFamily::kMfb, 2, engine::StageOrder::kDescendingQ},
      {engine::kLpf, 8, engine::SectionFamily::kSallenKey, 100, engine::StageOrder::kAscendingQ},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.order);
    const CircuitModel circuit =
        CircuitOfSections(Designed(row.kind, row.order, row.family, row.gain, row.stageOrder), {});
    ASSERT_FALSE(HasSheetForm(circuit));
    // 40 ms: every pole of a 1 kHz filter has decayed far below 1e-12.
    constexpr int kPoints = 400001;
    const double span = 0.04;
    const TimeCurves t = CircuitStepImpulse(circuit, 0, span, kPoints);
    ASSERT_EQ(t.impulse.size(), static_cast<std::size_t>(kPoints));
    const double gain = CascadeGain(circuit.sections);
    EXPECT_NEAR(t.step.back(), row.kind == engine::kHpf ? 0.0 : gain, 1e-9 * std::fabs(gain));
    const double dt = span / (kPoints - 1);
    for (const double sigma : {2000.0, 6283.0, 20000.0}) {
      // Simpson's rule of h(t) e^(-sigma t).
      double sum = 0;
      for (int i = 0; i < kPoints; ++i) {
        const double w = i == 0 || i == kPoints - 1 ? 1 : i % 2 == 1 ? 4 : 2;
        sum += w * t.impulse[i] * std::exp(-sigma * dt * i);
      }
      const double laplace = t.diracWeight + sum * dt / 3;
      const Transfer h = CircuitSolve(circuit, {sigma, 0}).TransferTo(CircuitSource::Input(), FilterOutput(circuit));
      EXPECT_NEAR(laplace / h.h.real(), 1, 1e-6) << sigma;
      EXPECT_NEAR(h.h.imag(), 0, 1e-12 * std::fabs(h.h.real()));
    }
  }
}

// With a real op-amp the sections' step comes from their state equations:
// an op-amp of 10 GHz and 200 dB gives the ideal step within 1e-5 of its
// largest value (its error is about the noise gain times f0 / GBW, 1e-6;
// the rounding of the stiff equations about 1e-16 GBW / f0), a slow one a
// step that lags it.
TEST(SectionTime, ARealOpAmpsStepApproachesTheIdealOne) {
  for (const engine::SectionFamily family : {engine::SectionFamily::kMfb, engine::SectionFamily::kSallenKey}) {
    const std::vector<Section> sections = Designed(engine::kLpf, 5, family, 10, engine::StageOrder::kAscendingQ);
    const TimeCurves ideal = CircuitStepImpulse(CircuitOfSections(sections, {}), 0, 5e-3, 201);
    OpAmpModel fast;
    fast.ideal = false;
    fast.gbwHz = 1e10;
    fast.a0Db = 200;
    const TimeCurves nearIdeal = CircuitStepImpulse(CircuitOfSections(sections, fast), 0, 5e-3, 201);
    OpAmpModel slow;
    slow.ideal = false;
    slow.gbwHz = 20e3;
    slow.a0Db = 100;
    const TimeCurves lagging = CircuitStepImpulse(CircuitOfSections(sections, slow), 0, 5e-3, 201);
    ASSERT_EQ(nearIdeal.step.size(), ideal.step.size());
    ASSERT_EQ(lagging.step.size(), ideal.step.size());
    double scale = 0, worst = 0, apart = 0;
    for (std::size_t i = 0; i < ideal.step.size(); ++i) {
      scale = std::max(scale, std::fabs(ideal.step[i]));
      worst = std::max(worst, std::fabs(nearIdeal.step[i] - ideal.step[i]));
      apart = std::max(apart, std::fabs(lagging.step[i] - ideal.step[i]));
    }
    EXPECT_LT(worst, 1e-5 * scale);
    EXPECT_GT(apart, 1e-2 * scale);
  }
}

}  // namespace
}  // namespace kelvara::response
