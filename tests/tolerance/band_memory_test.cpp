// The bands of a Monte Carlo run hold bounded memory whatever trials x
// points come to: this test executable counts the bytes allocated through
// operator new (replaced below) and the highest count a run reaches.

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "response/analysis.h"
#include "response/opamp_circuit.h"
#include "tests/tolerance/tolerance_test_support.h"
#include "tolerance/band_memory.h"
#include "tolerance/monte_carlo.h"

namespace {

std::atomic<long long> gLive{0};
std::atomic<long long> gPeak{0};

void* Counted(std::size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  const long long live = gLive += static_cast<long long>(malloc_usable_size(p));
  long long peak = gPeak.load();
  while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
  }
  return p;
}

void Uncounted(void* p) {
  if (p == nullptr) return;
  gLive -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}

}  // namespace

void* operator new(std::size_t n) { return Counted(n); }
void* operator new[](std::size_t n) { return Counted(n); }
void operator delete(void* p) noexcept { Uncounted(p); }
void operator delete[](void* p) noexcept { Uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { Uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { Uncounted(p); }

namespace kelvara::tolerance {
namespace {

using test::Designed;
using test::Request;

TEST(BandMemory, TheRealPhaseBandStaysWithinABoundWhateverTrialsTimesPoints) {
  // 3,000 trials x 800 points: a curve per trial would be 19 MB; the
  // walks advance in blocks of kBandBufferBytes, and what grows with the
  // trials alone (circuits, walks, figures) is a few hundred bytes each.
  MonteCarloConfig c;
  c.design = Designed(Request(engine::kLpf, 3, engine::kChebyshev), 1, 5);
  c.design.opamp.ideal = false;
  c.design.opamp.gbwHz = 1e7;
  c.design.tolerances.gbwPct = 10;
  c.trials = 3000;
  c.frequencies = response::LogPoints(10, 1e6, 800);
  c.phaseBand = true;
  RunOptions options;
  options.threads = 2;
  const long long before = gLive.load();
  gPeak = before;
  const std::optional<MonteCarloResult> r = RunMonteCarlo(c, options);
  const long long peak = gPeak.load() - before;
  ASSERT_TRUE(r.has_value());
  const long long perTrial = 1200;
  EXPECT_LT(peak, static_cast<long long>(kBandBufferBytes) + perTrial * c.trials)
      << "peak " << peak << " bytes; one curve per trial would be "
      << 8LL * c.trials * static_cast<long long>(c.frequencies.size());

  // The band is the one of every trial's whole curve.
  std::vector<std::vector<double>> curves;
  for (int t = 0; t < c.trials; ++t) {
    const Trial trial = TrialOf(c.design, c.seed, t);
    curves.push_back(response::CircuitPhaseDeg(response::CircuitFromComponents(c.design.request, trial.parts),
                                               trial.opamp, c.frequencies));
  }
  const std::vector<double> nominal = response::CircuitPhaseDeg(
      response::CircuitFromComponents(c.design.request, c.design.parts), c.design.opamp, c.frequencies);
  ASSERT_EQ(r->phaseBand.size(), c.frequencies.size());
  for (std::size_t j = 0; j < c.frequencies.size(); j += 7) {
    std::vector<double> values;
    for (const std::vector<double>& curve : curves) values.push_back(curve[j]);
    const Stats s = Summarise(nominal[j], values);
    const ValueBand& b = r->phaseBand[j];
    EXPECT_EQ(b.frequencyHz, c.frequencies[j]);
    EXPECT_EQ(b.nominal, nominal[j]);
    EXPECT_EQ(b.min, s.min) << j;
    EXPECT_EQ(b.p05, s.p05) << j;
    EXPECT_EQ(b.p95, s.p95) << j;
    EXPECT_EQ(b.max, s.max) << j;
  }
}

}  // namespace
}  // namespace kelvara::tolerance
