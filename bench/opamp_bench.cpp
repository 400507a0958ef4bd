// The real op-amp circuit: one solution at a frequency, and a refresh of
// every view of an order-8 design: the ideal frequency curves under the real
// ones, the real step and impulse, the stage reports and the stop-band floor.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench/bench_support.h"
#include "engine/design.h"
#include "engine/run_checks.h"
#include "response/opamp_analysis.h"
#include "response/opamp_time.h"
#include "response/opamp_views.h"

namespace {

using namespace kelvara;

response::OpAmpCircuit Order8(int passKind) {
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.passKind = passKind, .orderIndex = 6, .response = engine::kChebyshev, .cutoffText = "10k", .anyValues = true});
  bench::SilentRun run;
  engine::ComponentSet parts = bench::AllAuto();
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  return response::CircuitFromComponents(request, parts);
}

response::OpAmpModel RealOpAmp() {
  response::OpAmpModel m;
  m.ideal = false;
  m.gbwHz = 1e6;
  m.routOhm = 50;
  return m;
}

// The chart's widest sweep: 0.01 Hz to 100 GHz in 5 % steps (618 points).
std::vector<double> WidestSweep() {
  std::vector<double> f;
  for (double x = 0.01; x <= 1e11 + 1e11 * 0.2; x = x + x * 0.05) f.push_back(x);
  return f;
}

void BM_SolveCircuitOrder8(benchmark::State& state) {
  const response::OpAmpCircuit c = Order8(static_cast<int>(state.range(0)));
  const response::OpAmpModel m = RealOpAmp();
  double f = 1e3;
  for (auto _ : state) {
    benchmark::DoNotOptimize(response::SolveCircuit(c, m, f));
    f = f < 1e8 ? f * 1.01 : 1e3;
  }
}
BENCHMARK(BM_SolveCircuitOrder8)->Arg(engine::kLpf)->Arg(engine::kHpf);

// Everything the analysis window shows at a refresh with a real op-amp:
// the ideal views (as without one) and the real ones over them.
void BM_OpAmpRefreshOrder8(benchmark::State& state) {
  const response::OpAmpModel m = RealOpAmp();
  const engine::DesignRequest request = engine::MakeDesignRequest({.passKind = static_cast<int>(state.range(0)),
                                                                   .orderIndex = 6,
                                                                   .response = engine::kChebyshev,
                                                                   .cutoffText = "10k",
                                                                   .anyValues = true});
  bench::SilentRun run;
  engine::ComponentSet parts = bench::AllAuto();
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  for (auto _ : state) {
    const response::AnalysisViews ideal = response::ComputeViews(request, parts, 1e3, 1e6, 801, 0.01);
    const std::optional<response::AnalysisViews> real = response::ComputeOpAmpViews(request, parts, m, ideal);
    benchmark::DoNotOptimize(ideal);
    benchmark::DoNotOptimize(real);
  }
  state.SetLabel("window sweep 1k..1.2M in 1 % steps, 801 times");
}
BENCHMARK(BM_OpAmpRefreshOrder8)->Arg(engine::kLpf)->Arg(engine::kHpf)->Unit(benchmark::kMillisecond);

// The real views alone over the widest sweep: 0.01 Hz to 100 GHz in 5 %
// steps (618 points), 501 times.
void BM_OpAmpViewsWidestOrder8(benchmark::State& state) {
  const response::OpAmpModel m = RealOpAmp();
  const std::vector<double> f = WidestSweep();
  for (auto _ : state) {
    const response::OpAmpCircuit c = Order8(static_cast<int>(state.range(0)));
    const response::CircuitCurveSet real = response::CircuitCurves(c, m, f);
    const auto stages = response::AnalyseOpAmpStages(c, m);
    const auto floor = response::FindStopbandFloor(c, m);
    const auto time = response::CircuitTimeResponse(c, m, 40 / c.ideal.omega[0], 501);
    benchmark::DoNotOptimize(real);
    benchmark::DoNotOptimize(stages);
    benchmark::DoNotOptimize(floor);
    benchmark::DoNotOptimize(time);
  }
}
BENCHMARK(BM_OpAmpViewsWidestOrder8)->Arg(engine::kLpf)->Arg(engine::kHpf)->Unit(benchmark::kMillisecond);

}  // namespace
