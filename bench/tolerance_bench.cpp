// Tolerance analysis benchmarks: Monte Carlo trials of an order-8 design,
// each with the chart's default sweep (1 kHz to 1 MHz, 146 points) and a
// -3 dB search, and the worst case over all 65,536 corners. Wall time and
// the CPU time of the whole process (all workers) are both reported.

#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include "engine/design.h"
#include "engine/run_checks.h"
#include "tolerance/monte_carlo.h"
#include "tolerance/worst_case.h"

namespace {

using namespace kelvara;

tolerance::ToleranceDesign Order8(int passKind) {
  tolerance::ToleranceDesign d;
  d.request = engine::MakeDesignRequest(passKind, 0, 6, engine::kChebyshev, 0, "1k", true, true, false);
  d.parts = bench::AllAuto();
  bench::SilentRun run;
  engine::DesignFilter(run, engine::BuildStageTargets(d.request), d.request, d.parts);
  d.tolerances = tolerance::Tolerances::Uniform(1, 5);
  return d;
}

// Arguments: trials, worker threads, kind.
void BM_MonteCarloOrder8(benchmark::State& state) {
  tolerance::MonteCarloConfig config;
  config.design = Order8(static_cast<int>(state.range(2)));
  config.trials = static_cast<int>(state.range(0));
  config.frequencies = tolerance::SweepFrequencies(1e3, 1e6);
  tolerance::RunOptions options;
  options.threads = static_cast<int>(state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(tolerance::RunMonteCarlo(config, options));
  state.counters["trials/s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * config.trials), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MonteCarloOrder8)
    ->Args({10000, 2, engine::kLpf})
    ->Args({10000, 1, engine::kLpf})
    ->Args({10000, 2, engine::kHpf})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// Monte Carlo with a mask: every trial also searches both bands.
void BM_MonteCarloOrder8Mask(benchmark::State& state) {
  tolerance::MonteCarloConfig config;
  config.design = Order8(engine::kLpf);
  config.trials = 10000;
  config.frequencies = tolerance::SweepFrequencies(1e3, 1e6);
  config.mask = tolerance::GainMask{700, 0.5, 3000, 40};
  tolerance::RunOptions options;
  options.threads = 2;
  for (auto _ : state) benchmark::DoNotOptimize(tolerance::RunMonteCarlo(config, options));
}
BENCHMARK(BM_MonteCarloOrder8Mask)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// All 65,536 corners of an order-8 design with four gain frequencies.
void BM_WorstCaseOrder8(benchmark::State& state) {
  const tolerance::ToleranceDesign design = Order8(static_cast<int>(state.range(0)));
  const std::vector<double> freqs = tolerance::DefaultWorstCaseFrequencies(design.request);
  tolerance::RunOptions options;
  options.threads = 2;
  for (auto _ : state) benchmark::DoNotOptimize(tolerance::RunWorstCase(design, freqs, options));
}
BENCHMARK(BM_WorstCaseOrder8)
    ->Arg(engine::kLpf)
    ->Arg(engine::kHpf)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
