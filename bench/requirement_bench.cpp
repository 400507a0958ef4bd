// Design from a requirement: the whole candidate table (every offered
// response, the ranges of orders 2..8, the chosen cut-off's figures) for the
// masks of the manual, alone and with every candidate designed with
// preferred values at its cut-off text (the run "定数設定" makes).

#include <benchmark/benchmark.h>

#include "response/requirement.h"
#include "tolerance/requirement_parts.h"

namespace {

using namespace kelvara;

// Argument 0: LPF 1k, 1 dB, 3k, 40 dB; 1: HPF 1k, 1 dB, 300, 40 dB;
// 2: LPF 1k, 0.5 dB, 1.5k, 60 dB (order 8 and beyond).
response::Requirement Mask(const benchmark::State& state) {
  switch (state.range(0)) {
    case 1:
      return {values::kHpf, 1e3, 1, 300, 40};
    case 2:
      return {values::kLpf, 1e3, 0.5, 1.5e3, 60};
    default:
      return {values::kLpf, 1e3, 1, 3e3, 40};
  }
}

void BM_RequirementTable(benchmark::State& state) {
  const response::Requirement mask = Mask(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(response::DesignFromRequirement(mask));
  }
}
BENCHMARK(BM_RequirementTable)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_RequirementTableWithSeries(benchmark::State& state) {
  const response::Requirement mask = Mask(state);
  for (auto _ : state) {
    const response::RequirementResult result = response::DesignFromRequirement(mask);
    benchmark::DoNotOptimize(tolerance::RealiseAll(result, nullptr));
  }
}
BENCHMARK(BM_RequirementTableWithSeries)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
