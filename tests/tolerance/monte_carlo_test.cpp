// The Monte Carlo analysis through its public interface: zero tolerance,
// the nominal trial, agreement with an independent Monte Carlo of the
// circuit, reproducibility across thread counts, progress and cancelling.

#include "tolerance/monte_carlo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "tests/tolerance/tolerance_test_support.h"

namespace kelvara::tolerance {
namespace {

using test::Designed;
using test::Request;

MonteCarloConfig Config(const ToleranceDesign& design, int trials, std::uint64_t seed = 7) {
  MonteCarloConfig c;
  c.design = design;
  c.trials = trials;
  c.seed = seed;
  c.frequencies = SweepFrequencies(1e2, 1e5);
  return c;
}

RunOptions Threads(int n) {
  RunOptions o;
  o.threads = n;
  return o;
}

void ExpectAllNominal(const Stats& s, const std::string& what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(s.mean, s.nominal);
  EXPECT_EQ(s.std, 0);
  EXPECT_EQ(s.min, s.nominal);
  EXPECT_EQ(s.max, s.nominal);
  EXPECT_EQ(s.p05, s.nominal);
  EXPECT_EQ(s.p95, s.nominal);
}

struct DesignCase {
  int kind, order, response;
};

const DesignCase kDesigns[] = {
    {engine::kLpf, 2, engine::kButterworth}, {engine::kLpf, 5, engine::kBessel},
    {engine::kLpf, 8, engine::kChebyshev},   {engine::kHpf, 3, engine::kButterworth},
    {engine::kHpf, 6, engine::kChebyshev},
};

TEST(MonteCarlo, ZeroToleranceGivesTheNominalEverywhere) {
  for (const DesignCase& d : kDesigns) {
    SCOPED_TRACE("kind " + std::to_string(d.kind) + " order " + std::to_string(d.order));
    for (const Distribution dist : {Distribution::kUniform, Distribution::kNormal}) {
      MonteCarloConfig c = Config(Designed(Request(d.kind, d.order, d.response), 0, 0, dist), 200);
      c.mask = GainMask{100, 3, 1e4, 20};
      c.phaseBand = c.delayBand = true;
      const auto r = RunMonteCarlo(c, Threads(2));
      ASSERT_TRUE(r);
      ExpectAllNominal(r->minus3dbHz, "-3 dB");
      for (const StageStats& s : r->stages) {
        ExpectAllNominal(s.f0Hz, "f0");
        ExpectAllNominal(s.peakDb, "peak");
        if (s.q) ExpectAllNominal(*s.q, "q");
      }
      // The band's trials are computed in a faster form than ResponseDb:
      // equal to rounding (see BandAgreesWithTheGainOfEveryTrial).
      for (const BandPoint& p : r->band) {
        EXPECT_EQ(p.minDb, p.maxDb);
        EXPECT_EQ(p.p05Db, p.minDb);
        EXPECT_EQ(p.p95Db, p.minDb);
        EXPECT_NEAR(p.minDb, p.nominalDb, 1e-12 * std::max(1.0, std::fabs(p.nominalDb)));
      }
      ASSERT_EQ(r->phaseBand.size(), c.frequencies.size());
      ASSERT_EQ(r->delayBand.size(), c.frequencies.size());
      for (const auto* bands : {&r->phaseBand, &r->delayBand}) {
        for (const ValueBand& b : *bands) {
          EXPECT_EQ(b.min, b.nominal);
          EXPECT_EQ(b.p05, b.nominal);
          EXPECT_EQ(b.p95, b.nominal);
          EXPECT_EQ(b.max, b.nominal);
        }
      }
      ASSERT_TRUE(r->yield);
      EXPECT_EQ(r->yield->passed, r->yield->nominalPasses ? 200 : 0);
    }
  }
}

TEST(MonteCarlo, TheNominalIsTheDesignAsTheChartComputesIt) {
  for (const DesignCase& d : kDesigns) {
    const ToleranceDesign design = Designed(Request(d.kind, d.order, d.response), 1, 5);
    const response::ResponseStages st = response::StagesFromComponents(design.request, design.parts);
    MonteCarloConfig c = Config(design, 100);
    c.frequencies = SweepFrequencies(1e3, 1e6);
    const auto r = RunMonteCarlo(c, Threads(1));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->minus3dbHz.nominal, response::FindCutoff3dB(design.request, st));
    std::vector<std::pair<double, double>> sweep;
    response::SweepResponse(design.request, st, 1e3, 1e6, [&](double f, double db) { sweep.emplace_back(f, db); });
    ASSERT_EQ(r->band.size(), sweep.size());
    ASSERT_EQ(sweep.size(), 146u);
    for (std::size_t i = 0; i < sweep.size(); ++i) {
      EXPECT_EQ(r->band[i].frequencyHz, sweep[i].first);
      EXPECT_EQ(r->band[i].nominalDb, sweep[i].second);
    }
    const int stages = static_cast<int>(r->stages.size());
    EXPECT_EQ(stages, (d.order + 1) / 2);
    for (int k = 0; k < stages; ++k) {
      EXPECT_EQ(r->stages[k].f0Hz.nominal, st.omega[k] / 6.283185307179586);
      EXPECT_EQ(r->stages[k].order, k == 0 && d.order % 2 == 1 ? 1 : 2);
      if (r->stages[k].q) {
        EXPECT_EQ(r->stages[k].q->nominal, st.q[k]);
      }
    }
  }
}

// The band against ResponseDb of every trial's parts, with quantiles
// formed here from the sorted gains.
TEST(MonteCarlo, BandAgreesWithTheGainOfEveryTrial) {
  // 301 trials pick from all values, 3001 from the tails (see band.cpp).
  for (const DesignCase& d : kDesigns) {
    const int trials = d.order >= 6 ? 3001 : 301;
    SCOPED_TRACE("kind " + std::to_string(d.kind) + " order " + std::to_string(d.order));
    const ToleranceDesign design = Designed(Request(d.kind, d.order, d.response), 1, 5);
    const MonteCarloConfig c = Config(design, trials, 4);
    const auto r = RunMonteCarlo(c, Threads(2));
    ASSERT_TRUE(r);
    for (const BandPoint& p : r->band) {
      std::vector<double> g;
      for (int t = 0; t < c.trials; ++t) {
        const auto st = response::StagesFromComponents(design.request, TrialParts(design, c.seed, t));
        g.push_back(response::ResponseDb(design.request, st, p.frequencyHz));
      }
      std::sort(g.begin(), g.end());
      const double tol = 1e-11 * std::max(1.0, std::fabs(g.front()));
      EXPECT_NEAR(p.minDb, g.front(), tol);
      EXPECT_NEAR(p.maxDb, g.back(), tol);
      // (trials - 1) * 0.05 and * 0.95 are whole numbers.
      EXPECT_NEAR(p.p05Db, g[(trials - 1) / 20], tol);
      EXPECT_NEAR(p.p95Db, g[(trials - 1) / 20 * 19], tol);
    }
  }
}

TEST(MonteCarlo, TrialPartsStayInsideTheirTolerance) {
  const ToleranceDesign design = Designed(Request(engine::kLpf, 8, engine::kChebyshev), 1, 5);
  for (int t = 0; t < 2000; ++t) {
    const ComponentSet p = TrialParts(design, 3, t);
    for (int i = 0; i < 8; ++i) {
      EXPECT_LE(std::fabs(p.r[i] / design.parts.r[i] - 1), 0.01 * (1 + 1e-12));
      EXPECT_LE(std::fabs(p.c[i] / design.parts.c[i] - 1), 0.05 * (1 + 1e-12));
    }
  }
}

// An independent Monte Carlo in the test: its own generator (the standard
// library's), the circuit's transfer functions in complex arithmetic and a
// bisection for -3 dB. The library's mean over 20,000 trials must lie
// within 4 standard errors of it (the search's own error, below 0.01 Hz, is
// far smaller than the standard error of about 0.07 Hz).
struct MeanCase {
  int kind, order, response;
  Distribution distribution;
};

TEST(MonteCarlo, MeanCutoffAgreesWithAnIndependentEstimate) {
  const MeanCase cases[] = {
      {engine::kLpf, 4, engine::kButterworth, Distribution::kUniform},
      {engine::kLpf, 6, engine::kChebyshev, Distribution::kNormal},
      {engine::kHpf, 5, engine::kButterworth, Distribution::kUniform},
  };
  constexpr int n = 20000;
  for (const MeanCase& mc : cases) {
    SCOPED_TRACE("kind " + std::to_string(mc.kind) + " order " + std::to_string(mc.order));
    const ToleranceDesign design = Designed(Request(mc.kind, mc.order, mc.response), 1, 5, mc.distribution);
    MonteCarloConfig c = Config(design, n, 11);
    c.frequencies.clear();
    const auto r = RunMonteCarlo(c, Threads(2));
    ASSERT_TRUE(r);

    std::mt19937_64 gen(12345);
    std::uniform_real_distribution<double> uniform(-1, 1);
    std::normal_distribution<double> normal(0, 1.0 / 3);
    double sum = 0, squares = 0;
    for (int t = 0; t < n; ++t) {
      ComponentSet p = design.parts;
      for (int i = 0; i < mc.order; ++i) {
        const bool u = mc.distribution == Distribution::kUniform;
        p.r[i] *= 1 + 0.01 * (u ? uniform(gen) : normal(gen));
        p.c[i] *= 1 + 0.05 * (u ? uniform(gen) : normal(gen));
      }
      const double f3 = test::CircuitCutoff(design.request, p, 100, 10000);
      sum += f3;
      squares += f3 * f3;
    }
    const double mean = sum / n;
    const double var = (squares - n * mean * mean) / (n - 1);
    const double se = std::sqrt(var / n + r->minus3dbHz.std * r->minus3dbHz.std / n);
    EXPECT_NEAR(r->minus3dbHz.mean, mean, 4 * se) << "standard error " << se;
    EXPECT_NEAR(r->minus3dbHz.std, std::sqrt(var), 0.05 * std::sqrt(var));
  }
}

// Every number of a result, as bytes, in a fixed order.
std::string Bytes(const MonteCarloResult& r) {
  std::string b;
  auto put = [&](double x) { b.append(reinterpret_cast<const char*>(&x), sizeof x); };
  auto stats = [&](const Stats& s) {
    for (double x : {s.nominal, s.mean, s.std, s.min, s.max, s.p05, s.p95}) put(x);
  };
  stats(r.minus3dbHz);
  for (const StageStats& s : r.stages) {
    stats(s.f0Hz);
    stats(s.peakDb);
    if (s.q) stats(*s.q);
  }
  for (const BandPoint& p : r.band)
    for (double x : {p.frequencyHz, p.nominalDb, p.minDb, p.p05Db, p.p95Db, p.maxDb}) put(x);
  for (const auto* bands : {&r.phaseBand, &r.delayBand})
    for (const ValueBand& b : *bands)
      for (double x : {b.nominal, b.min, b.p05, b.p95, b.max}) put(x);
  for (double x : r.samples.minus3dbHz) put(x);
  for (const auto& v : r.samples.q)
    for (double x : v) put(x);
  if (r.yield) {
    put(r.yield->ratio);
    for (int t : r.yield->failing) put(t);
  }
  return b;
}

TEST(MonteCarlo, TheSameSeedGivesTheSameBytesWithAnyThreadCount) {
  for (const Distribution dist : {Distribution::kUniform, Distribution::kNormal}) {
    MonteCarloConfig c = Config(Designed(Request(engine::kLpf, 6, engine::kChebyshev), 1, 5, dist), 1000, 99);
    c.mask = GainMask{700, 0.5, 3000, 40};
    c.phaseBand = c.delayBand = true;
    const auto one = RunMonteCarlo(c, Threads(1));
    const auto two = RunMonteCarlo(c, Threads(2));
    const auto five = RunMonteCarlo(c, Threads(5));
    ASSERT_TRUE(one && two && five);
    EXPECT_EQ(Bytes(*one), Bytes(*two));
    EXPECT_EQ(Bytes(*one), Bytes(*five));
    ASSERT_TRUE(one->yield);
    EXPECT_GT(one->yield->failing.size(), 0u);
    EXPECT_LT(one->yield->failing.size(), 1000u);
    c.seed = 100;
    EXPECT_NE(Bytes(*RunMonteCarlo(c, Threads(2))), Bytes(*one));
  }
}

TEST(MonteCarlo, ProgressRisesToOne) {
  std::vector<double> seen;
  RunOptions o = Threads(2);
  o.progress = [&](double f) { seen.push_back(f); };
  ASSERT_TRUE(RunMonteCarlo(Config(Designed(Request(engine::kHpf, 8, engine::kChebyshev), 1, 5), 2000), o));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 1.0);
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1]);
}

int ThreadsOfThisProcess() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}

TEST(MonteCarlo, CancelEndsEveryWorker) {
  const int before = ThreadsOfThisProcess();
  std::stop_source stop;
  RunOptions o = Threads(2);
  o.stop = stop.get_token();
  int calls = 0;
  o.progress = [&](double) {
    if (++calls == 1) stop.request_stop();
  };
  // 100,000 trials of an order-8 HPF take far longer than the first
  // progress report, so the stop arrives while the workers run.
  MonteCarloConfig c = Config(Designed(Request(engine::kHpf, 8, engine::kChebyshev), 1, 5), kMaxTrials);
  EXPECT_FALSE(RunMonteCarlo(c, o));
  EXPECT_EQ(ThreadsOfThisProcess(), before);

  // A stop requested before the start ends at once, without a result.
  RunOptions early = Threads(2);
  early.stop = stop.get_token();
  EXPECT_FALSE(RunMonteCarlo(c, early));
  EXPECT_EQ(ThreadsOfThisProcess(), before);
}

TEST(MonteCarlo, CancelFromAnotherThreadWhileRunning) {
  const int before = ThreadsOfThisProcess();
  MonteCarloConfig c = Config(Designed(Request(engine::kHpf, 8, engine::kChebyshev), 1, 5), kMaxTrials);
  std::optional<MonteCarloResult> result;
  {
    std::jthread runner([&](std::stop_token token) {
      RunOptions o = Threads(2);
      o.stop = token;
      result = RunMonteCarlo(c, o);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }  // the jthread requests the stop and joins
  EXPECT_FALSE(result);
  EXPECT_EQ(ThreadsOfThisProcess(), before);
}

}  // namespace
}  // namespace kelvara::tolerance
