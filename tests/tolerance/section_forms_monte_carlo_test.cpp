// A Monte Carlo run takes the exact designs of MFB and Sallen-Key-with-gain
// filters as it takes the sheet's: without tolerances every trial is the
// nominal circuit, with them the spread brackets it.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/design.h"
#include "engine/section_design.h"
#include "response/circuit.h"
#include "tests/support/section_designs.h"
#include "tolerance/monte_carlo.h"

namespace kelvara::tolerance {
namespace {

std::vector<response::Section> Designed(std::uint8_t kind, int order, engine::SectionFamily family, double gain) {
  return testing::DesignedSections(kind, order, family, gain);
}

TEST(SectionFormsMonteCarlo, TakesMfbAndGainDesigns) {
  struct Row {
    std::uint8_t kind;
    int order;
    engine::SectionFamily family;
    double gain;
  };
  const Row rows[] = {{engine::kLpf, 5, engine::SectionFamily::kMfb, 10},
                      {engine::kHpf, 4, engine::SectionFamily::kSallenKey, 100}};
  for (const Row& row : rows) {
    MonteCarloConfig config;
    config.design.sections = Designed(row.kind, row.order, row.family, row.gain);
    ASSERT_FALSE(config.design.sections.empty());
    config.trials = 300;
    config.seed = 3;
    config.frequencies = {300, 1e3, 3e3};
    config.design.tolerances = Tolerances::Uniform(1, 5);
    const auto spread = RunMonteCarlo(config, {});
    ASSERT_TRUE(spread);
    const response::CircuitModel nominal = response::CircuitOfSections(config.design.sections, {});
    EXPECT_EQ(spread->nominal.minus3dbHz, response::CircuitCutoff3dB(nominal));
    EXPECT_NEAR(spread->nominal.minus3dbHz / 1e3, 1.0, 0.01);
    ASSERT_EQ(spread->stages.size(), config.design.sections.size());
    EXPECT_LT(spread->minus3dbHz.min, spread->nominal.minus3dbHz);
    EXPECT_GT(spread->minus3dbHz.max, spread->nominal.minus3dbHz);
    for (std::size_t j = 0; j < config.frequencies.size(); ++j) {
      EXPECT_LE(spread->band[j].minDb, spread->band[j].nominalDb);
      EXPECT_GE(spread->band[j].maxDb, spread->band[j].nominalDb);
    }
    config.design.tolerances = {};
    const auto exact = RunMonteCarlo(config, {});
    ASSERT_TRUE(exact);
    for (const double f : exact->samples.minus3dbHz) EXPECT_EQ(f, exact->nominal.minus3dbHz);
  }
}

}  // namespace
}  // namespace kelvara::tolerance
