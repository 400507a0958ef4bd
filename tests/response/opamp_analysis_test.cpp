#include "response/opamp_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <optional>
#include <vector>

#include "tests/response/opamp_test_support.h"

namespace kelvara::response {
namespace {

using testing::Describe;
using testing::DesignCase;
using testing::DesignedCircuit;
using testing::RealOpAmp;

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegPerRad = 57.29577951308232;

std::vector<double> LogFrequencies(double from, double to, int perDecade) {
  std::vector<double> f;
  const int n = static_cast<int>(std::round(std::log10(to / from) * perDecade));
  for (int i = 0; i <= n; ++i) f.push_back(from * std::pow(10.0, static_cast<double>(i) / perDecade));
  return f;
}

const DesignCase kPhaseDesigns[] = {
    {engine::kLpf, 2, engine::kButterworth, "1k"},   {engine::kLpf, 5, engine::kBessel, "4.7k", true},
    {engine::kLpf, 8, engine::kChebyshev, "10k"},    {engine::kLpf, 7, engine::kChebyshev, "100k", true},
    {engine::kHpf, 3, engine::kButterworth, "2.2k"}, {engine::kHpf, 6, engine::kChebyshev, "1k", true},
    {engine::kHpf, 8, engine::kChebyshev, "33k"},
};

// The ideal phase of every stage in closed form, y = w / w0:
//   LPF: first order -atan(y), second order -atan2(y / Q, 1 - y^2)
//   HPF: first order 90 - atan(y), second order 180 - atan2(y / Q, 1 - y^2)
TEST(CircuitPhaseDeg, IdealPhaseIsTheSumOfTheSectionsClosedForms) {
  for (const DesignCase& d : kPhaseDesigns) {
    SCOPED_TRACE(Describe(d));
    const OpAmpCircuit c = DesignedCircuit(d);
    const std::vector<double> f = LogFrequencies(0.1, 1e9, 10);
    const std::vector<double> phase = CircuitPhaseDeg(c, OpAmpModel{}, f);
    ASSERT_EQ(phase.size(), f.size());
    const bool hpf = d.kind == engine::kHpf;
    for (std::size_t i = 0; i < f.size(); ++i) {
      double expected = 0;
      for (int k = 0; k < c.stageCount; ++k) {
        const double y = kTwoPi * f[i] / c.ideal.omega[k];
        if (c.stages[k].firstOrder) {
          expected += (hpf ? 90 : 0) - std::atan(y) * kDegPerRad;
        } else {
          expected += (hpf ? 180 : 0) - std::atan2(y / c.ideal.q[k], 1 - y * y) * kDegPerRad;
        }
      }
      EXPECT_NEAR(phase[i], expected, 1e-9) << f[i];
    }
  }
}

// With a real op-amp the unwrapped phase is minus the integral of the group
// delay: Simpson's rule over 2000 intervals per decade between the points.
TEST(CircuitPhaseDeg, RealPhaseIsMinusTheIntegralOfTheDelay) {
  for (const OpAmpModel& model : {RealOpAmp(1e6), RealOpAmp(10e3, 80, 50), RealOpAmp(100e6, 120, 50)}) {
    for (const DesignCase& d : kPhaseDesigns) {
      SCOPED_TRACE(Describe(d) + " GBW " + std::to_string(model.gbwHz));
      const OpAmpCircuit c = DesignedCircuit(d);
      const std::vector<double> f = LogFrequencies(1, 1e8, 4);
      const std::vector<double> phase = CircuitPhaseDeg(c, model, f);
      // d(phase)/d(log10 f) = -tau * w * ln 10.
      auto slope = [&](double u) {
        const double fu = std::pow(10.0, u);
        return -CircuitDelayS(c, model, fu) * kTwoPi * fu * std::log(10.0) * kDegPerRad;
      };
      double integrated = phase.front();
      for (std::size_t i = 1; i < f.size(); ++i) {
        const double a = std::log10(f[i - 1]), b = std::log10(f[i]);
        const int n = 500;  // intervals over a quarter decade
        const double h = (b - a) / n;
        double sum = slope(a) + slope(b);
        for (int j = 1; j < n; ++j) sum += (j % 2 ? 4 : 2) * slope(a + j * h);
        integrated += sum * h / 3;
        EXPECT_NEAR(phase[i], integrated, 1e-4) << f[i];
      }
    }
  }
}

// Far below the stages, an LPF is at 0 deg and an HPF at +90 deg per order;
// with an output resistance and a finite A0 an HPF's second-order stage lets
// a part of its node A through, so at DC it has one zero less: +90 deg per
// stage.
TEST(CircuitPhaseDeg, StartsAtTheLowFrequencyPhaseOfTheKind) {
  for (const DesignCase& d : kPhaseDesigns) {
    SCOPED_TRACE(Describe(d));
    const OpAmpCircuit c = DesignedCircuit(d);
    const double fc = c.ideal.omega[0] / kTwoPi;
    const bool hpf = d.kind == engine::kHpf;
    EXPECT_NEAR(CircuitPhaseDeg(c, RealOpAmp(1e6, 100, 0), {fc * 1e-6}).front(), hpf ? 90.0 * d.order : 0.0, 1e-3);
    EXPECT_NEAR(CircuitPhaseDeg(c, RealOpAmp(1e6, 100, 50), {fc * 1e-14}).front(), hpf ? 90.0 * c.stageCount : 0.0,
                1e-3);
  }
}

double StageDb(const OpAmpCircuit& c, const OpAmpModel& m, int k, double f) {
  return 20 * std::log10(std::abs(SolveCircuit(c, m, f).stage[k]));
}

// An order-8 Chebyshev LPF at 10 kHz with a 1 MHz op-amp: the two stages of
// higher Q ask for more than 1 MHz, and the last one's peak rises and moves
// down.
TEST(AnalyseOpAmpStages, OrderEightChebyshevWithAOneMegahertzOpAmp) {
  const DesignCase d{engine::kLpf, 8, engine::kChebyshev, "10k"};
  const OpAmpCircuit c = DesignedCircuit(d);
  const std::vector<OpAmpStageReport> stages = AnalyseOpAmpStages(c, RealOpAmp(1e6));
  ASSERT_EQ(stages.size(), 4u);
  const bool met[] = {true, true, false, false};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const OpAmpStageReport& s = stages[k];
    EXPECT_DOUBLE_EQ(s.gbwMinHz, 100 * c.ideal.omega[k] / kTwoPi * c.ideal.q[k]);
    EXPECT_EQ(s.gbwMet, met[k]);
  }
  EXPECT_GT(stages[3].peakDb, stages[3].idealPeakDb + 0.5);
  EXPECT_LT(stages[3].peakShiftHz, -500);
  EXPECT_LT(stages[3].gainErrorDbAtF0, -3);
  // The first stage (Q 0.63) does not peak: its peak is its DC gain, the
  // follower's A0 / (1 + A0).
  EXPECT_EQ(stages[0].peakHz, 0);
  EXPECT_NEAR(stages[0].peakDb, 20 * std::log10(1e5 / (1 + 1e5)), 1e-9);
  EXPECT_EQ(stages[0].peakShiftHz, 0);
  for (const OpAmpStageReport& s : AnalyseOpAmpStages(c, RealOpAmp(1e9, 140))) EXPECT_TRUE(s.gbwMet);
}

TEST(AnalyseOpAmpStages, IdealOpAmpChangesNothing) {
  for (const DesignCase& d : kPhaseDesigns) {
    SCOPED_TRACE(Describe(d));
    const OpAmpCircuit c = DesignedCircuit(d);
    for (const OpAmpStageReport& s : AnalyseOpAmpStages(c, OpAmpModel{})) {
      EXPECT_TRUE(s.gbwMet);
      EXPECT_EQ(s.gainErrorDbAtF0, 0);
      if (s.firstOrder) {
        EXPECT_DOUBLE_EQ(s.gbwMinHz, 100 * s.f0Hz);
      }
      if (!std::isnan(s.idealPeakHz)) {
        EXPECT_EQ(s.peakShiftHz, 0);
      }
    }
  }
}

// The peaks found are the maxima of a scan of 2001 points within 2 % of
// them, and the gain error at f0 is the stage's gain there minus 20 log Q.
TEST(AnalyseOpAmpStages, PeaksAreTheMaximaOfADenseScan) {
  for (const OpAmpModel& m : {RealOpAmp(1e6), RealOpAmp(10e3, 80, 50), RealOpAmp(100e6, 120, 50)}) {
    for (const DesignCase& d : kPhaseDesigns) {
      SCOPED_TRACE(Describe(d) + " GBW " + std::to_string(m.gbwHz));
      const OpAmpCircuit c = DesignedCircuit(d);
      const std::vector<OpAmpStageReport> stages = AnalyseOpAmpStages(c, m);
      for (int k = 0; k < c.stageCount; ++k) {
        const OpAmpStageReport& s = stages[k];
        if (!s.firstOrder) {
          EXPECT_NEAR(s.gainErrorDbAtF0, StageDb(c, m, k, s.f0Hz) - 20 * std::log10(s.q), 1e-12);
        }
        if (!(s.peakHz > 0)) continue;
        double best = -1e300, bestHz = 0;
        for (int i = -1000; i <= 1000; ++i) {
          const double f = s.peakHz * (1 + i * 2e-5);
          const double db = StageDb(c, m, k, f);
          if (db > best) {
            best = db;
            bestHz = f;
          }
        }
        EXPECT_GE(s.peakDb, best - 1e-12);
        EXPECT_NEAR(s.peakHz, bestHz, s.peakHz * 2e-3) << k;
      }
    }
  }
}

// A 1 kHz order-4 Butterworth LPF with a 1 MHz, 100 dB op-amp of 50 ohms:
// the feedback capacitors reach the outputs, whose impedance rises, and the
// attenuation stops at a floor; without Rout it falls on.
TEST(FindStopbandFloor, OrderFourButterworthWithFiftyOhms) {
  const OpAmpCircuit c = DesignedCircuit({engine::kLpf, 4, engine::kButterworth, "1k"});
  const OpAmpModel m = RealOpAmp(1e6, 100, 50);
  const std::optional<StopbandFloor> floor = FindStopbandFloor(c, m);
  ASSERT_TRUE(floor.has_value());
  EXPECT_GT(floor->hz, 10e3);
  EXPECT_LT(floor->hz, 1e6);
  EXPECT_LT(floor->db, -100);
  for (double f : LogFrequencies(1e3, 1e9, 200)) EXPECT_GE(CircuitGainDb(c, m, f), floor->db - 1e-9) << f;
  EXPECT_GT(CircuitGainDb(c, m, floor->hz * 10), floor->db + 10);
  EXPECT_NEAR(CircuitGainDb(c, m, floor->hz), floor->db, 0);

  EXPECT_FALSE(FindStopbandFloor(c, RealOpAmp(1e6, 100, 0)).has_value());
  EXPECT_FALSE(FindStopbandFloor(c, OpAmpModel{}).has_value());
  const OpAmpCircuit hpf = DesignedCircuit({engine::kHpf, 4, engine::kButterworth, "1k"});
  EXPECT_FALSE(FindStopbandFloor(hpf, m).has_value());
}

// Part values that make no circuit (zero, negative) give no numbers but
// every computation ends.
TEST(OpAmpAnalyses, EndForPartsThatMakeNoCircuit) {
  ComponentSet parts;
  parts.r = {0, 1e3, -1e3, 1e3};
  parts.c = {1e-9, 0, 1e-9, 1e-9};
  for (int kind : {engine::kLpf, engine::kHpf}) {
    const OpAmpCircuit c = CircuitFromComponents(testing::RequestOf({kind, 4, engine::kButterworth, "1k"}), parts);
    const OpAmpModel m = RealOpAmp(1e6, 100, 50);
    EXPECT_EQ(AnalyseOpAmpStages(c, m).size(), 2u);
    (void)FindStopbandFloor(c, m);
    EXPECT_EQ(CircuitCurves(c, m, LogFrequencies(1, 1e6, 10)).phaseDeg.size(), 61u);
  }
}

}  // namespace
}  // namespace kelvara::response
