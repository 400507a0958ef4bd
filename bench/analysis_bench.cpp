// The analysis window's refresh: every view of one order-8 design.

#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "engine/design.h"
#include "engine/run_checks.h"
#include "response/views.h"

namespace {

using namespace kelvara;

// All views of an order-8 E12/E24 design on the chart's default range.
void BM_AnalysisViewsOrder8(benchmark::State& state) {
  const engine::DesignRequest request = engine::MakeDesignRequest({.passKind = static_cast<int>(state.range(0)),
                                                                   .orderIndex = 6,
                                                                   .response = static_cast<int>(state.range(1)),
                                                                   .cutoffText = "1k",
                                                                   .capE12 = true,
                                                                   .resE24 = true});
  bench::SilentRun run;
  engine::ComponentSet parts = bench::AllAuto();
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  for (auto _ : state) {
    // As the analysis window computes them: 1 % frequency steps, 801 points
    // in time.
    response::AnalysisViews views = response::ComputeViews(request, parts, 1e3, 1e6, 801, 0.01);
    benchmark::DoNotOptimize(views);
  }
}
BENCHMARK(BM_AnalysisViewsOrder8)
    ->Args({engine::kLpf, engine::kChebyshev})
    ->Args({engine::kLpf, engine::kBessel})
    ->Args({engine::kHpf, engine::kButterworth})
    ->Unit(benchmark::kMillisecond);

// The per-frequency path the tolerance analysis uses: cascade from parts,
// gain at 146 points and the -3 dB search.
void BM_CascadeGainSweepOrder8(benchmark::State& state) {
  const engine::DesignRequest request = engine::MakeDesignRequest({.passKind = engine::kLpf,
                                                                   .orderIndex = 6,
                                                                   .response = engine::kChebyshev,
                                                                   .cutoffText = "1k",
                                                                   .capE12 = true,
                                                                   .resE24 = true});
  bench::SilentRun run;
  engine::ComponentSet parts = bench::AllAuto();
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  const std::vector<double> f = response::SweepFrequencies(1e3, 1e6);
  for (auto _ : state) {
    const response::Cascade cascade = response::CascadeFromParts(request, parts);
    double sum = 0;
    for (double x : f) sum += response::GainDb(cascade, x) + response::PhaseDeg(cascade, x);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_CascadeGainSweepOrder8);

}  // namespace
