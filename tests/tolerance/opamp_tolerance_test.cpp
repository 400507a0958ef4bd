// Tolerances with a real op-amp: the drawn circuit's gain, the GBW drawn
// after the parts, zero tolerance and the corners with the GBW.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "response/cutoff_search.h"
#include "tests/tolerance/tolerance_test_support.h"
#include "tolerance/monte_carlo.h"
#include "tolerance/worst_case.h"

namespace kelvara::tolerance {
namespace {

using test::Designed;
using test::Request;

response::OpAmpModel Real(double gbwHz, double a0Db = 100, double routOhm = 0) {
  response::OpAmpModel m;
  m.ideal = false;
  m.gbwHz = gbwHz;
  m.a0Db = a0Db;
  m.routOhm = routOhm;
  return m;
}

MonteCarloConfig Config(const ToleranceDesign& d, int trials) {
  MonteCarloConfig c;
  c.design = d;
  c.trials = trials;
  c.seed = 3;
  c.frequencies = SweepFrequencies(1e3, 1e5);
  return c;
}

TEST(RealOpAmpTolerance, ZeroToleranceGivesTheNominalCircuit) {
  ToleranceDesign d = Designed(Request(engine::kLpf, 5, engine::kChebyshev, "10k"), 0, 0);
  d.opamp = Real(1e6, 100, 50);
  MonteCarloConfig c = Config(d, 100);
  c.phaseBand = c.delayBand = true;
  RunOptions o;
  o.threads = 2;
  const auto r = RunMonteCarlo(c, o);
  ASSERT_TRUE(r);
  const response::OpAmpCircuit circuit = response::CircuitFromComponents(d.request, d.parts);
  const double f3 = response::SearchCutoff3dB(d.request.passKind == engine::kHpf,
                                              [&](double f) { return response::CircuitGainDb(circuit, d.opamp, f); });
  EXPECT_EQ(r->minus3dbHz.nominal, f3);
  EXPECT_EQ(r->minus3dbHz.min, f3);
  EXPECT_EQ(r->minus3dbHz.max, f3);
  for (const BandPoint& p : r->band) {
    EXPECT_EQ(p.nominalDb, response::CircuitGainDb(circuit, d.opamp, p.frequencyHz));
    EXPECT_EQ(p.minDb, p.nominalDb);
    EXPECT_EQ(p.maxDb, p.nominalDb);
  }
  for (const auto* bands : {&r->phaseBand, &r->delayBand}) {
    ASSERT_EQ(bands->size(), c.frequencies.size());
    for (const ValueBand& b : *bands) {
      EXPECT_EQ(b.min, b.nominal);
      EXPECT_EQ(b.max, b.nominal);
    }
  }
}

// The gain band of a real op-amp against CircuitGainDb of every trial's
// circuit, bit for bit: the band picks from the trials' magnitudes and turns
// only the picked ones into dB, which must change no value. 301 trials pick
// from all values, 3001 from the tails; with and without Rout.
TEST(RealOpAmpTolerance, BandIsTheGainOfEveryTrialToTheLastBit) {
  for (const int trials : {301, 3001}) {
    for (const double rout : {0.0, 50.0}) {
      SCOPED_TRACE(std::to_string(trials) + " trials, Rout " + std::to_string(rout));
      ToleranceDesign d = Designed(Request(engine::kLpf, 8, engine::kChebyshev, "1k"), 1, 5);
      d.opamp = Real(1e6, 100, rout);
      d.tolerances.gbwPct = 20;
      const MonteCarloConfig c = Config(d, trials);
      const auto r = RunMonteCarlo(c, RunOptions{});
      ASSERT_TRUE(r);
      for (std::size_t j = 0; j < r->band.size(); j += 7) {
        const BandPoint& p = r->band[j];
        std::vector<double> g;
        for (int t = 0; t < trials; ++t) {
          const Trial trial = TrialOf(d, c.seed, t);
          g.push_back(response::CircuitGainDb(response::CircuitFromComponents(d.request, trial.parts), trial.opamp,
                                              p.frequencyHz));
        }
        std::sort(g.begin(), g.end());
        EXPECT_EQ(p.minDb, g.front());
        EXPECT_EQ(p.maxDb, g.back());
        // (trials - 1) * 0.05 and * 0.95 are whole numbers.
        EXPECT_EQ(p.p05Db, g[(trials - 1) / 20]);
        EXPECT_EQ(p.p95Db, g[(trials - 1) / 20 * 19]);
        EXPECT_EQ(p.nominalDb,
                  response::CircuitGainDb(response::CircuitFromComponents(d.request, d.parts), d.opamp, p.frequencyHz));
      }
    }
  }
}

TEST(RealOpAmpTolerance, AVeryFastOpAmpGivesTheIdealResults) {
  const ToleranceDesign ideal = Designed(Request(engine::kHpf, 4, engine::kButterworth), 1, 5);
  ToleranceDesign real = ideal;
  real.opamp = Real(1e15, 300, 0);
  real.tolerances.gbwPct = 10;
  const auto a = RunMonteCarlo(Config(ideal, 300));
  const auto b = RunMonteCarlo(Config(real, 300));
  ASSERT_TRUE(a && b);
  // The parts are drawn first, so the trials have the same parts.
  for (int t = 0; t < 300; ++t) {
    EXPECT_NEAR(b->samples.minus3dbHz[t], a->samples.minus3dbHz[t], 0.02);
    EXPECT_EQ(b->samples.q[0][t], a->samples.q[0][t]);
  }
  for (std::size_t j = 0; j < a->band.size(); ++j) EXPECT_NEAR(b->band[j].p95Db, a->band[j].p95Db, 1e-6);
}

TEST(RealOpAmpTolerance, GbwToleranceAloneMovesTheCutoffButNotThePartFigures) {
  ToleranceDesign d = Designed(Request(engine::kLpf, 8, engine::kChebyshev, "10k"), 0, 0);
  d.opamp = Real(1e6);
  d.tolerances.gbwPct = 30;
  const auto r = RunMonteCarlo(Config(d, 200));
  ASSERT_TRUE(r);
  EXPECT_GT(r->minus3dbHz.std, 0);
  for (const StageStats& s : r->stages) EXPECT_EQ(s.f0Hz.std, 0);
}

TEST(RealOpAmpTolerance, WorstCaseTurnsTheGbwToo) {
  ToleranceDesign d = Designed(Request(engine::kLpf, 2, engine::kButterworth, "20k"), 1, 5);
  d.opamp = Real(2e5, 100, 50);
  d.tolerances.gbwPct = 20;
  const std::vector<double> freqs = {1e4, 2e4, 2e5};
  const auto w = RunWorstCase(d, freqs);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->corners, 32u);
  double lo = INFINITY, hi = -INFINITY;
  for (int sign : {-1, 1}) {
    for (std::uint32_t corner = 0; corner < 16; ++corner) {
      ComponentSet p = d.parts;
      for (int i = 0; i < 2; ++i) {
        p.r[i] *= (corner >> (2 * i)) & 1 ? 1.01 : 0.99;
        p.c[i] *= (corner >> (2 * i + 1)) & 1 ? 1.05 : 0.95;
      }
      response::OpAmpModel m = d.opamp;
      m.gbwHz *= sign > 0 ? 1.2 : 0.8;
      const double g = response::CircuitGainDb(response::CircuitFromComponents(d.request, p), m, 2e5);
      lo = std::min(lo, g);
      hi = std::max(hi, g);
    }
  }
  EXPECT_EQ(w->gains[2].db.min, lo);
  EXPECT_EQ(w->gains[2].db.max, hi);
}

}  // namespace
}  // namespace kelvara::tolerance
