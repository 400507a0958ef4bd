#include "response/opamp_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "tests/response/opamp_test_support.h"

namespace kelvara::response {
namespace {

using testing::Describe;
using testing::DesignCase;
using testing::DesignedCircuit;
using testing::RealOpAmp;

constexpr double kTwoPi = 6.283185307179586;

const DesignCase kDesigns[] = {
    {engine::kLpf, 2, engine::kButterworth, "1k"},     {engine::kLpf, 5, engine::kBessel, "4.7k", true},
    {engine::kLpf, 8, engine::kChebyshev, "10k"},      {engine::kHpf, 3, engine::kButterworth, "2.2k"},
    {engine::kHpf, 6, engine::kChebyshev, "1k", true}, {engine::kHpf, 8, engine::kChebyshev, "33k"},
};

const OpAmpModel kModels[] = {RealOpAmp(1e6), RealOpAmp(10e3, 80, 50), RealOpAmp(100e6, 120, 50)};

// C (sI - A)^-1 B + D by complex Gaussian elimination.
std::complex<double> TransferOf(const CircuitStateSpace& ss, double f) {
  const int n = ss.n;
  const std::complex<double> s(0, kTwoPi * f);
  std::vector<std::complex<double>> m(n * n), x(n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) m[i * n + j] = (i == j ? s : 0.0) - ss.a[i * n + j];
    x[i] = ss.b[i];
  }
  for (int col = 0; col < n; ++col) {
    int p = col;
    for (int r = col + 1; r < n; ++r)
      if (std::abs(m[r * n + col]) > std::abs(m[p * n + col])) p = r;
    for (int j = 0; j < n; ++j) std::swap(m[col * n + j], m[p * n + j]);
    std::swap(x[col], x[p]);
    for (int r = col + 1; r < n; ++r) {
      const std::complex<double> k = m[r * n + col] / m[col * n + col];
      for (int j = col; j < n; ++j) m[r * n + j] -= k * m[col * n + j];
      x[r] -= k * x[col];
    }
  }
  for (int col = n - 1; col >= 0; --col) {
    for (int j = col + 1; j < n; ++j) x[col] -= m[col * n + j] * x[j];
    x[col] /= m[col * n + col];
  }
  std::complex<double> y = ss.d;
  for (int i = 0; i < n; ++i) y += ss.c[i] * x[i];
  return y;
}

// The state equations are the same circuit as the nodal solution.
TEST(BuildStateSpace, TransferFunctionIsTheNodalSolution) {
  for (const OpAmpModel& m : kModels) {
    for (const DesignCase& d : kDesigns) {
      SCOPED_TRACE(Describe(d) + " GBW " + std::to_string(m.gbwHz));
      const OpAmpCircuit c = DesignedCircuit(d);
      const CircuitStateSpace ss = BuildStateSpace(c, m);
      EXPECT_EQ(ss.n, d.order + c.stageCount);
      for (double f = 1; f <= 1e8; f *= 3.7) {
        const std::complex<double> h = SolveCircuit(c, m, f).h;
        EXPECT_LT(std::abs(TransferOf(ss, f) - h), 1e-10 * std::abs(h) + 1e-14) << f;
      }
    }
  }
  EXPECT_EQ(BuildStateSpace(DesignedCircuit(kDesigns[0]), OpAmpModel{}).n, 0);
}

// The samples carry no integration error: a grid ten times finer gives the
// same values at the common times, to rounding (below 1e-9 of the step).
TEST(CircuitTimeResponse, SamplesDoNotDependOnTheGrid) {
  for (const OpAmpModel& m : kModels) {
    for (const DesignCase& d : kDesigns) {
      SCOPED_TRACE(Describe(d) + " GBW " + std::to_string(m.gbwHz));
      const OpAmpCircuit c = DesignedCircuit(d);
      const double span = 20 / c.ideal.omega[0];
      const CircuitTimeCurves coarse = CircuitTimeResponse(c, m, span, 101);
      const CircuitTimeCurves fine = CircuitTimeResponse(c, m, span, 1001);
      ASSERT_EQ(coarse.step.size(), 101u);
      double scale = 0;
      for (double v : fine.impulse) scale = std::fmax(scale, std::fabs(v));
      for (int i = 0; i < 101; ++i) {
        EXPECT_NEAR(coarse.step[i], fine.step[10 * i], 1e-9) << i;
        EXPECT_NEAR(coarse.impulse[i], fine.impulse[10 * i], 1e-9 * scale) << i;
      }
      EXPECT_EQ(coarse.diracWeight, fine.diracWeight);
    }
  }
}

// A window that starts later is the same response: its points are those of
// the grid from 0 at the same times.
TEST(CircuitTimeResponse, WindowFromALaterTimeIsTheSameResponse) {
  for (const DesignCase& d : kDesigns) {
    SCOPED_TRACE(Describe(d));
    const OpAmpCircuit c = DesignedCircuit(d);
    const OpAmpModel m = RealOpAmp(1e6, 100, 50);
    const double span = 20 / c.ideal.omega[0];
    const CircuitTimeCurves full = CircuitTimeResponse(c, m, span, 201);
    const CircuitTimeCurves window = CircuitTimeResponse(c, m, span / 4, span, 151);
    ASSERT_EQ(window.step.size(), 151u);
    double scale = 0;
    for (double v : full.impulse) scale = std::fmax(scale, std::fabs(v));
    for (int i = 0; i < 151; ++i) {
      EXPECT_NEAR(window.timeS[i], full.timeS[50 + i], span * 1e-15);
      EXPECT_NEAR(window.step[i], full.step[50 + i], 1e-9);
      EXPECT_NEAR(window.impulse[i], full.impulse[50 + i], 1e-9 * scale);
    }
  }
}

// The step settles at the gain at DC (the followers' A0 / (1 + A0) for an
// LPF, 0 for an HPF), and the impulse is its slope: a central difference
// over +-1e-4 relative of steps taken straight to their times.
TEST(CircuitTimeResponse, StepSettlesAtTheDcGainAndTheImpulseIsItsSlope) {
  for (const OpAmpModel& m : kModels) {
    for (const DesignCase& d : kDesigns) {
      SCOPED_TRACE(Describe(d) + " GBW " + std::to_string(m.gbwHz));
      const OpAmpCircuit c = DesignedCircuit(d);
      double slowest = c.ideal.omega[0];
      for (int k = 0; k < c.stageCount; ++k) slowest = std::fmin(slowest, c.ideal.omega[k]);
      const CircuitTimeCurves t = CircuitTimeResponse(c, m, 400 / slowest, 401);
      const double dc = d.kind == engine::kLpf ? std::pow(1 / (1 + std::pow(10.0, -m.a0Db / 20)), c.stageCount) : 0;
      EXPECT_NEAR(t.step.back(), dc, 1e-7);
      auto last = [&](double time) { return CircuitTimeResponse(c, m, time, 2); };
      for (double x : {0.3, 1.0, 2.5, 6.0, 15.0}) {
        const double time = x / slowest, h = time * 1e-4;
        const double slope = (last(time + h).step[1] - last(time - h).step[1]) / (2 * h);
        const double impulse = last(time).impulse[1];
        EXPECT_NEAR(impulse, slope, 1e-6 * std::fabs(impulse) + 1e-6 * slowest) << time;
      }
    }
  }
}

// An op-amp close to ideal gives the ideal order-2 step,
// 1 - e^(-z w t) (cos(wd t) + z / sqrt(1 - z^2) sin(wd t)) with z = 1 / (2 Q)
// and wd = w sqrt(1 - z^2), to the op-amp's own error (f0 / GBW, 1e-7).
TEST(CircuitTimeResponse, NearlyIdealOpAmpGivesTheIdealStep) {
  const OpAmpCircuit c = DesignedCircuit({engine::kLpf, 2, engine::kButterworth, "1k"});
  const CircuitTimeCurves t = CircuitTimeResponse(c, RealOpAmp(1e10, 200), 10e-3, 501);
  const double w = c.ideal.omega[0], z = 1 / (2 * c.ideal.q[0]), root = std::sqrt(1 - z * z);
  for (std::size_t i = 0; i < t.step.size(); ++i) {
    const double x = w * t.timeS[i];
    const double ideal = 1 - std::exp(-z * x) * (std::cos(root * x) + z / root * std::sin(root * x));
    EXPECT_NEAR(t.step[i], ideal, 1e-6) << t.timeS[i];
  }
  EXPECT_TRUE(CircuitTimeResponse(c, OpAmpModel{}, 1e-3, 11).step.empty());
}

}  // namespace
}  // namespace kelvara::response
