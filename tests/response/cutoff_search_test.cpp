// The -3 dB search, written once, on the ideal gain, its division-free
// form and the circuit's gain with a real op-amp; the chart's sweep.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "response/circuit.h"
#include "response/cutoff_search.h"
#include "response/inverse_power.h"
#include "response/views.h"
#include "tests/response/opamp_test_support.h"

namespace kelvara::response {
namespace {

using testing::Describe;
using testing::DesignCase;
using testing::DesignedParts;
using testing::RealOpAmp;
using testing::RequestOf;

const std::vector<DesignCase>& Designs() {
  static const std::vector<DesignCase> designs = {
      {engine::kLpf, 2, engine::kButterworth, "1k"},      {engine::kLpf, 5, engine::kButterworth, "47k", true},
      {engine::kLpf, 8, engine::kChebyshev, "10k", true}, {engine::kHpf, 3, engine::kButterworth, "22k", true},
      {engine::kHpf, 6, engine::kChebyshev, "2M"},        {engine::kHpf, 7, engine::kChebyshev, "1k"},
  };
  return designs;
}

TEST(CircuitCutoff3dB, IsFindCutoff3dBForTheIdealOpAmpAndTheSameSearchOnTheCircuitOtherwise) {
  for (const DesignCase& d : Designs()) {
    SCOPED_TRACE(Describe(d));
    const DesignRequest request = RequestOf(d);
    const ComponentSet parts = DesignedParts(d);
    const CircuitModel ideal = MakeCircuit(request, parts);
    EXPECT_EQ(CircuitCutoff3dB(ideal), FindCutoff3dB(request, ideal.drawn.ideal));
    EXPECT_EQ(FastCutoff3dB(request, ideal.drawn.ideal), FindCutoff3dB(request, ideal.drawn.ideal));
    const bool hpf = request.passKind == engine::kHpf;
    EXPECT_EQ(SearchCutoff3dB(hpf, [&](double f) { return ResponseDb(request, ideal.drawn.ideal, f); }),
              FindCutoff3dB(request, ideal.drawn.ideal));
    for (const OpAmpModel& model : {RealOpAmp(1e6), RealOpAmp(3e5, 80, 100)}) {
      const CircuitModel real = MakeCircuit(request, parts, model);
      const double expected = SearchCutoff3dB(hpf, [&](double f) { return CircuitGainDb(real.drawn, model, f); });
      EXPECT_EQ(CircuitCutoff3dB(real), expected);
      // A slow op-amp moves the cut-off of a fast filter.
      if (model.gbwHz < 1e6 && request.cutoffHz > 1e5) {
        EXPECT_NE(expected, CircuitCutoff3dB(ideal));
      }
    }
  }
}

TEST(CutoffSearch, EndsOnEveryGainWithTheSentinels) {
  const double nan = std::nan("");
  EXPECT_EQ(SearchCutoff3dB(false, [](double) { return -10.0; }), kCutoffBelowRange);
  // A gain that never falls: the LPF walk's doubling steps leave the range
  // past 1 GHz.
  EXPECT_GT(SearchCutoff3dB(false, [](double) { return 0.0; }), 1e9);
  EXPECT_EQ(SearchCutoff3dB(true, [](double) { return -10.0; }), kCutoffAboveRange);
  EXPECT_EQ(SearchCutoff3dB(true, [](double) { return 0.0; }), kCutoffBelowRange);
  // Not a number: the walks still end.
  const double lpf = SearchCutoff3dB(false, [nan](double) { return nan; });
  const double hpf = SearchCutoff3dB(true, [nan](double) { return nan; });
  EXPECT_TRUE(lpf > 0 || lpf == kCutoffBelowRange || lpf == kCutoffAboveRange);
  EXPECT_TRUE(hpf >= 0);
  // A brick wall at 1 kHz: the search lands just past it, within its last
  // step of 0.01 Hz.
  const double wall = SearchCutoff3dB(false, [](double f) { return f < 1000 ? 0.0 : -10.0; });
  EXPECT_GE(wall, 1000);
  EXPECT_LT(wall, 1000.01);
}

TEST(InversePower, IsTheGainOfResponseDbToRounding) {
  for (const DesignCase& d : Designs()) {
    SCOPED_TRACE(Describe(d));
    const DesignRequest request = RequestOf(d);
    const ResponseStages st = StagesFromComponents(request, DesignedParts(d));
    InversePowerColumns columns(engine::kMaxStages, 1);
    columns.Set(request, 0, st);
    std::vector<double> w(1);
    for (double x : {0.01, 0.5, 1.0, 2.0, 100.0}) {
      const double f = x * request.cutoffHz;
      NegatedInversePowers(request, columns, f, w);
      EXPECT_NEAR(DbOfNegatedInversePower(w[0]), ResponseDb(request, st, f), 1e-9) << f;
    }
  }
}

TEST(SweepFrequencies, AreTheStepsOfTheChartsSweep) {
  std::vector<double> swept;
  SweepResponse(RequestOf({engine::kLpf, 4, engine::kButterworth, "1k"}),
                StagesFromComponents(RequestOf({engine::kLpf, 4, engine::kButterworth, "1k"}),
                                     DesignedParts({engine::kLpf, 4, engine::kButterworth, "1k"})),
                10, 1e4, [&](double f, double) { swept.push_back(f); });
  EXPECT_EQ(swept, SweepFrequencies(10, 1e4));
  EXPECT_EQ(SweepFrequencies(10, 1e4), SweepFrequencies(10, 1e4, 0.05));
  ASSERT_GE(swept.size(), 2u);
  EXPECT_EQ(swept[1], 10 + 10 * 0.05);
  EXPECT_LE(swept.back(), 1.2e4);
  EXPECT_TRUE(SweepFrequencies(0, 1e4).empty());
}

}  // namespace
}  // namespace kelvara::response
