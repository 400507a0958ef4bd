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

// The stage targets of an order-8 design: a table's response, and the
// computed ones (Chebyshev 1 dB, Legendre, Linkwitz-Riley), which every
// requirement search and tolerance run asks for again and again.
void BM_StageTargetsOrder8(benchmark::State& state) {
  engine::DesignRequest request = Request(engine::kLpf, static_cast<int>(state.range(0)), true);
  request.rippleIndex = static_cast<std::uint8_t>(state.range(1));
  for (auto _ : state) benchmark::DoNotOptimize(engine::BuildStageTargets(request));
}
BENCHMARK(BM_StageTargetsOrder8)
    ->Args({engine::kChebyshev, 0})
    ->Args({engine::kChebyshev, 5})
    ->Args({values::kLegendre, 0})
    ->Args({values::kLinkwitzRiley, 0});

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

// One stage whose first walk is long: an order-2 Butterworth LPF at 1 kHz
// with C2 = 10 uF and R1 fixed so that the target Q is 99 % (argument 0) or
// 99.99 % (argument 1) of the most the stage can reach. C1 walks up from
// 20 uF in 1 nF steps: about 485,000 steps, or 49 million (beyond the
// bulk steps' reach, so the rest is walked step by step).
void BM_StepSearchLongWalk(benchmark::State& state) {
  const engine::DesignRequest request = engine::MakeDesignRequest({.passKind = engine::kLpf,
                                                                   .orderIndex = 0,
                                                                   .response = engine::kButterworth,
                                                                   .cutoffText = "1k",
                                                                   .anyValues = true});
  const engine::StageTargets targets = engine::BuildStageTargets(request);
  const double cb = 10e-6;
  const double share = state.range(0) == 0 ? 0.99 : 0.9999;
  engine::ComponentSet fixed = AllAuto();
  fixed.rAuto[0] = false;
  fixed.rFixed[0] = true;
  fixed.r[0] = share / (targets.stageQ[0] * targets.stageOmega[0] * cb);
  fixed.cAuto[1] = false;
  fixed.cFixed[1] = true;
  fixed.c[1] = cb;
  for (auto _ : state) {
    SilentRun run;
    engine::ComponentSet parts = fixed;
    engine::DesignFilter(run, targets, request, parts);
    benchmark::DoNotOptimize(parts);
  }
}
BENCHMARK(BM_StepSearchLongWalk)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

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
