// Tolerance analysis benchmarks: Monte Carlo trials of an order-8 design,
// each with the chart's default sweep (1 kHz to 1 MHz, 146 points) and a
// -3 dB search, and the worst case over all 65,536 corners. Wall time and
// the CPU time of the whole process (all workers) are both reported.

#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_support.h"

#include "engine/design.h"
#include "engine/run_checks.h"
#include "tolerance/monte_carlo.h"
#include "tolerance/worst_case.h"

namespace {

using namespace kelvara;

tolerance::ToleranceDesign Order8(int passKind) {
  tolerance::ToleranceDesign d;
  d.request = engine::MakeDesignRequest({.passKind = passKind,
                                         .orderIndex = 6,
                                         .response = engine::kChebyshev,
                                         .cutoffText = "1k",
                                         .capE12 = true,
                                         .resE24 = true});
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

// The four cases of an order-8 Chebyshev LPF, 10,000 trials on 2 threads:
// ideal or real op-amp (GBW 1 MHz with 20 % tolerance) and with or without
// the mask 700 Hz / 1 dB, 3 kHz / 40 dB.
void BM_MonteCarloOrder8Cases(benchmark::State& state) {
  tolerance::MonteCarloConfig config;
  config.design = Order8(engine::kLpf);
  if (state.range(0) != 0) {
    config.design.opamp.ideal = false;
    config.design.opamp.gbwHz = 1e6;
    config.design.tolerances.gbwPct = 20;
  }
  if (state.range(1) != 0) config.mask = tolerance::GainMask{700, 1, 3000, 40};
  config.trials = 10000;
  config.frequencies = tolerance::SweepFrequencies(1e3, 1e6);
  tolerance::RunOptions options;
  options.threads = 2;
  for (auto _ : state) benchmark::DoNotOptimize(tolerance::RunMonteCarlo(config, options));
  state.SetLabel(std::string(state.range(0) != 0 ? "real" : "ideal") + (state.range(1) != 0 ? " mask" : " no mask"));
}
BENCHMARK(BM_MonteCarloOrder8Cases)
    ->ArgNames({"real", "mask"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// A mask whose bands span many decades: an order-3 Chebyshev LPF at 1 MHz
// against 0.5 Hz / 10,000 dB, 500 Hz / 3 dB; 10,000 trials on 2 threads.
void BM_MonteCarloWideMask(benchmark::State& state) {
  tolerance::MonteCarloConfig config;
  tolerance::ToleranceDesign& d = config.design;
  d.request = engine::MakeDesignRequest({.passKind = engine::kLpf,
                                         .orderIndex = 1,
                                         .response = engine::kChebyshev,
                                         .cutoffText = "1M",
                                         .capE12 = true,
                                         .resE24 = true});
  d.parts = bench::AllAuto();
  bench::SilentRun run;
  engine::DesignFilter(run, engine::BuildStageTargets(d.request), d.request, d.parts);
  d.tolerances = tolerance::Tolerances::Uniform(1, 5);
  config.mask = tolerance::GainMask{0.5, 10000, 500, 3};
  config.trials = 10000;
  tolerance::RunOptions options;
  options.threads = 2;
  for (auto _ : state) benchmark::DoNotOptimize(tolerance::RunMonteCarlo(config, options));
}
BENCHMARK(BM_MonteCarloWideMask)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

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

// All 131,072 corners of an order-8 LPF with a real op-amp (GBW 1 MHz, 20 %).
void BM_WorstCaseOrder8Real(benchmark::State& state) {
  tolerance::ToleranceDesign design = Order8(engine::kLpf);
  design.opamp.ideal = false;
  design.opamp.gbwHz = 1e6;
  design.tolerances.gbwPct = 20;
  const std::vector<double> freqs = tolerance::DefaultWorstCaseFrequencies(design.request);
  tolerance::RunOptions options;
  options.threads = 2;
  for (auto _ : state) benchmark::DoNotOptimize(tolerance::RunWorstCase(design, freqs, options));
}
BENCHMARK(BM_WorstCaseOrder8Real)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
