#include "response/opamp_circuit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include "tests/response/opamp_test_support.h"
#include "values/eng_value.h"

namespace kelvara::response {
namespace {

using testing::Describe;
using testing::DesignCase;
using testing::DesignedCircuit;
using testing::DesignedParts;
using testing::RealOpAmp;
using testing::RequestOf;

constexpr double kTwoPi = 6.283185307179586;

const std::vector<DesignCase>& Designs() {
  static const std::vector<DesignCase> designs = {
      {engine::kLpf, 2, engine::kButterworth, "1k"},        {engine::kLpf, 3, engine::kBessel, "250"},
      {engine::kLpf, 4, engine::kChebyshev, "10k"},         {engine::kLpf, 5, engine::kButterworth, "47k", true},
      {engine::kLpf, 6, engine::kBessel, "3.3k", true},     {engine::kLpf, 7, engine::kChebyshev, "1M"},
      {engine::kLpf, 8, engine::kChebyshev, "10k", true},   {engine::kHpf, 2, engine::kButterworth, "1k"},
      {engine::kHpf, 3, engine::kButterworth, "22k", true}, {engine::kHpf, 4, engine::kChebyshev, "100"},
      {engine::kHpf, 5, engine::kChebyshev, "5k", true},    {engine::kHpf, 6, engine::kButterworth, "2M"},
      {engine::kHpf, 7, engine::kChebyshev, "1k"},          {engine::kHpf, 8, engine::kChebyshev, "33k", true},
  };
  return designs;
}

std::vector<double> LogFrequencies(double from, double to, int perDecade) {
  std::vector<double> f;
  const int n = static_cast<int>(std::round(std::log10(to / from) * perDecade));
  for (int i = 0; i <= n; ++i) f.push_back(from * std::pow(10.0, static_cast<double>(i) / perDecade));
  return f;
}

TEST(OpAmpCircuit, IdealModelGivesResponseDbBitForBit) {
  for (const DesignCase& d : Designs()) {
    SCOPED_TRACE(Describe(d));
    const OpAmpCircuit c = DesignedCircuit(d);
    for (double f : LogFrequencies(0.1, 1e9, 10)) {
      const double expected = ResponseDb(c.request, c.ideal, f);
      EXPECT_EQ(CircuitGainDb(c, OpAmpModel{}, f), expected) << f;
    }
  }
}

TEST(OpAmpCircuit, TheGainAloneIsThatOfTheFullSolutionBitForBit) {
  for (const DesignCase& d : Designs()) {
    SCOPED_TRACE(Describe(d));
    const OpAmpCircuit c = DesignedCircuit(d);
    for (const OpAmpModel& model : {RealOpAmp(1e6), RealOpAmp(3e5, 80, 75), RealOpAmp(1e8, 120, 10)}) {
      for (double f : LogFrequencies(0.1, 1e9, 10)) {
        EXPECT_EQ(CircuitGainDb(c, model, f), 20 * std::log10(std::abs(SolveCircuit(c, model, f).h))) << f;
      }
    }
  }
}

// An op-amp whose errors vanish: its circuit is the product of ideal
// sections, whatever the loading.
TEST(OpAmpCircuit, VanishingOpAmpErrorsReproduceResponseDb) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const OpAmpModel& model : {RealOpAmp(1e30, 400, 0), RealOpAmp(inf, inf, 0)}) {
    for (const DesignCase& d : Designs()) {
      SCOPED_TRACE(Describe(d) + " A0 " + std::to_string(model.a0Db));
      const OpAmpCircuit c = DesignedCircuit(d);
      double worst = 0;
      for (double f : LogFrequencies(1, 1e8, 20)) {
        const double expected = ResponseDb(c.request, c.ideal, f);
        worst = std::fmax(worst, std::fabs(CircuitGainDb(c, model, f) - expected));
      }
      EXPECT_LT(worst, 1e-9);
    }
  }
}

// One second-order stage with a finite gain A(s) and no output resistance,
// with g = A / (1 + A):
//   LPF  H = g / (1 + s (Ra Ca (1 - g) + Cb (Ra + Rb)) + s^2 Ra Rb Ca Cb)
//   HPF  H = g s^2 Ra Rb Ca Cb / (1 + s (Ra (Ca + Cb) + Rb Cb (1 - g)) + s^2 Ra Rb Ca Cb)
struct StageCase {
  int kind;
  double ra, rb, ca, cb;
  double a0Db, gbwHz;
};

class SecondOrderStageTest : public ::testing::TestWithParam<StageCase> {};

TEST_P(SecondOrderStageTest, FollowsTheClosedForm) {
  const StageCase& p = GetParam();
  ComponentSet parts;
  parts.r = {p.ra, p.rb};
  parts.c = {p.ca, p.cb};
  const DesignRequest request = RequestOf({p.kind, 2, engine::kButterworth, "1k"});
  const OpAmpCircuit c = CircuitFromComponents(request, parts);
  const OpAmpModel model = RealOpAmp(p.gbwHz, p.a0Db);
  const double a0 = std::pow(10.0, p.a0Db / 20);
  const double wp = kTwoPi * p.gbwHz / a0;
  for (double f : LogFrequencies(1, 1e8, 10)) {
    const std::complex<double> s(0, kTwoPi * f);
    const std::complex<double> a = a0 / (1.0 + s / wp);
    const std::complex<double> g = a / (1.0 + a);
    const std::complex<double> oneMinusG = 1.0 / (1.0 + a);
    const double prod = p.ra * p.rb * p.ca * p.cb;
    const std::complex<double> h =
        p.kind == engine::kLpf
            ? g / (1.0 + s * (p.ra * p.ca * oneMinusG + p.cb * (p.ra + p.rb)) + s * s * prod)
            : g * s * s * prod / (1.0 + s * (p.ra * (p.ca + p.cb) + p.rb * p.cb * oneMinusG) + s * s * prod);
    EXPECT_LT(std::abs(SolveCircuit(c, model, f).h / h - 1.0), 1e-12) << f;
  }
}

INSTANTIATE_TEST_SUITE_P(Stages, SecondOrderStageTest,
                         ::testing::Values(StageCase{engine::kLpf, 10e3, 10e3, 22e-9, 1e-9, 100, 1e6},
                                           StageCase{engine::kLpf, 1e3, 4.7e3, 100e-9, 4.7e-9, 80, 10e3},
                                           StageCase{engine::kLpf, 470, 470, 1e-6, 1e-6, 120, 100e6},
                                           StageCase{engine::kHpf, 10e3, 100e3, 1e-9, 1e-9, 100, 1e6},
                                           StageCase{engine::kHpf, 2.2e3, 47e3, 10e-9, 22e-9, 60, 10e3},
                                           StageCase{engine::kHpf, 100, 330, 1e-6, 470e-9, 120, 100e6}));

// The delay is the closed-form derivative: a central difference of the
// phase over +-1e-5 relative agrees with it to about 1e-9 relative.
TEST(OpAmpCircuit, DelayIsMinusTheDerivativeOfThePhase) {
  for (const OpAmpModel& model : {OpAmpModel{}, RealOpAmp(1e6), RealOpAmp(10e3, 80, 50)}) {
    for (const DesignCase& d : Designs()) {
      SCOPED_TRACE(Describe(d));
      const OpAmpCircuit c = DesignedCircuit(d);
      const double fc = values::ParseEngValue(d.cutoff);
      for (double f : LogFrequencies(fc / 100, fc * 100, 5)) {
        const double h = f * 1e-5;
        const double turn = std::arg(SolveCircuit(c, model, f + h).h / SolveCircuit(c, model, f - h).h);
        const double numeric = -turn / (kTwoPi * 2 * h);
        const double delay = CircuitDelayS(c, model, f);
        EXPECT_NEAR(delay, numeric, 1e-6 * std::fabs(delay) + 1e-15) << f;
      }
    }
  }
}

}  // namespace
}  // namespace kelvara::response
