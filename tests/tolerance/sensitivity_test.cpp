// The closed-form sensitivities against central differences: of a precise
// -3 dB frequency of the circuit (bisection) and of the stage Q.

#include "tolerance/sensitivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "response/response.h"
#include "tests/tolerance/tolerance_test_support.h"

namespace kelvara::tolerance {
namespace {

using test::Designed;
using test::Request;

struct Case {
  int kind, order, response;
};

ComponentSet Scaled(const ComponentSet& p, bool capacitor, int i, double factor) {
  ComponentSet q = p;
  (capacitor ? q.c : q.r)[i] *= factor;
  return q;
}

int PartIndex(const std::string& name) { return name[1] - '1'; }

TEST(Sensitivities, MatchCentralDifferences) {
  const Case cases[] = {
      {engine::kLpf, 2, engine::kButterworth}, {engine::kLpf, 5, engine::kBessel},
      {engine::kLpf, 8, engine::kChebyshev},   {engine::kHpf, 3, engine::kButterworth},
      {engine::kHpf, 6, engine::kChebyshev},
  };
  constexpr double h = 1e-5;
  for (const Case& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " order " + std::to_string(c.order));
    const ToleranceDesign d = Designed(Request(c.kind, c.order, c.response), 1, 5);
    const SensitivityResult s = Sensitivities(d);
    ASSERT_EQ(s.minus3db.size(), static_cast<std::size_t>(2 * c.order));
    for (const PartSensitivity& p : s.minus3db) {
      const bool cap = p.part[0] == 'C';
      const int i = PartIndex(p.part);
      const double up = test::CircuitCutoff(d.request, Scaled(d.parts, cap, i, std::exp(h)), 100, 1e4);
      const double down = test::CircuitCutoff(d.request, Scaled(d.parts, cap, i, std::exp(-h)), 100, 1e4);
      const double numeric = (std::log(up) - std::log(down)) / (2 * h);
      EXPECT_NEAR(p.sensitivity, numeric, 1e-4) << p.part;
      EXPECT_EQ(p.effectPct, p.sensitivity * (cap ? 5 : 1));
    }
    for (std::size_t i = 1; i < s.minus3db.size(); ++i)
      EXPECT_GE(std::fabs(s.minus3db[i - 1].effectPct), std::fabs(s.minus3db[i].effectPct));
    // All parts scaled together scale f3 inversely: the sensitivities of
    // the resistors (and of the capacitors) add up to -1.
    double sumR = 0, sumC = 0;
    for (const PartSensitivity& p : s.minus3db) (p.part[0] == 'C' ? sumC : sumR) += p.sensitivity;
    EXPECT_NEAR(sumR, -1, 1e-9);
    EXPECT_NEAR(sumC, -1, 1e-9);

    ASSERT_EQ(s.stageQ.size(), static_cast<std::size_t>((c.order + 1) / 2));
    for (std::size_t k = 0; k < s.stageQ.size(); ++k) {
      if (k == 0 && c.order % 2 == 1) {
        EXPECT_TRUE(s.stageQ[k].empty());
        continue;
      }
      ASSERT_EQ(s.stageQ[k].size(), 4u);
      for (const PartSensitivity& p : s.stageQ[k]) {
        const bool cap = p.part[0] == 'C';
        const int i = PartIndex(p.part);
        const double up = response::StagesFromComponents(d.request, Scaled(d.parts, cap, i, std::exp(h))).q[k];
        const double down = response::StagesFromComponents(d.request, Scaled(d.parts, cap, i, std::exp(-h))).q[k];
        EXPECT_NEAR(p.sensitivity, (std::log(up) - std::log(down)) / (2 * h), 1e-8) << "stage " << k + 1 << p.part;
      }
    }
  }
}

}  // namespace
}  // namespace kelvara::tolerance
