// Continuous design and response benchmarks.

#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include "engine/design.h"
#include "engine/run_checks.h"
#include "response/response.h"

namespace {

using kelvara::bench::AllAuto;
using kelvara::bench::SilentRun;

using namespace kelvara;

engine::DesignRequest Request(int passKind, int response, bool anyValues) {
  return engine::MakeDesignRequest({.passKind = passKind,
                                    .orderIndex = 6,
                                    .response = response,
                                    .cutoffText = "1k",
                                    .capE12 = !anyValues,
                                    .resE24 = !anyValues,
                                    .anyValues = anyValues});
}

// One order-8 continuous design, all parts auto.
void BM_ContinuousDesignOrder8(benchmark::State& state) {
  const engine::DesignRequest request = Request(static_cast<int>(state.range(0)), engine::kChebyshev, true);
  const engine::StageTargets targets = engine::BuildStageTargets(request);
  for (auto _ : state) {
    SilentRun run;
    engine::ComponentSet parts = AllAuto();
    engine::DesignFilter(run, targets, request, parts);
    benchmark::DoNotOptimize(parts);
  }
}
BENCHMARK(BM_ContinuousDesignOrder8)->Arg(engine::kLpf)->Arg(engine::kHpf);

// The same with one resistor and one capacitor of every stage fixed: each
// stage's other parts come from the step search.
void BM_StepSearchDesignOrder8(benchmark::State& state) {
  const engine::DesignRequest request = Request(static_cast<int>(state.range(0)), engine::kChebyshev, true);
  const engine::StageTargets targets = engine::BuildStageTargets(request);
  engine::ComponentSet fixed = AllAuto();
  for (int i = 0; i < 8; i += 2) {
    fixed.rAuto[i] = false;
    fixed.rFixed[i] = true;
    fixed.r[i] = 10e3;
    fixed.cAuto[i + 1] = false;
    fixed.cFixed[i + 1] = true;
    fixed.c[i + 1] = 10e-9;
  }
  for (auto _ : state) {
    SilentRun run;
    engine::ComponentSet parts = fixed;
    engine::DesignFilter(run, targets, request, parts);
    benchmark::DoNotOptimize(parts);
  }
}
BENCHMARK(BM_StepSearchDesignOrder8)->Arg(engine::kLpf)->Arg(engine::kHpf);

// The -3 dB search of a designed order-8 filter.
void BM_FindCutoff3dB(benchmark::State& state) {
  const engine::DesignRequest request = Request(static_cast<int>(state.range(0)), engine::kChebyshev, true);
  SilentRun run;
  engine::ComponentSet parts = AllAuto();
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  const response::ResponseStages stages = response::StagesFromComponents(request, parts);
  for (auto _ : state) benchmark::DoNotOptimize(response::FindCutoff3dB(request, stages));
}
BENCHMARK(BM_FindCutoff3dB)->Arg(engine::kLpf)->Arg(engine::kHpf);

// The chart's sweep from 0.01 Hz to 100 GHz (618 points).
void BM_SweepResponse(benchmark::State& state) {
  const engine::DesignRequest request = Request(engine::kLpf, engine::kButterworth, true);
  SilentRun run;
  engine::ComponentSet parts = AllAuto();
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  const response::ResponseStages stages = response::StagesFromComponents(request, parts);
  for (auto _ : state) {
    double sum = 0;
    response::SweepResponse(request, stages, 0.01, 1e11, [&](double, double db) { sum += db; });
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_SweepResponse);

}  // namespace
