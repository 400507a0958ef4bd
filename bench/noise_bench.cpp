// The noise and signal-level views: the transfers of every source at one
// frequency, and a refresh of both views of an order-8 design with a real
// op-amp (densities of every source and the op-amp output gains on the
// window's default range 1 kHz..1 MHz, the integral over the noise band,
// the highest gains and the slew limit).

#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "engine/design.h"
#include "engine/run_checks.h"
#include "response/noise_transfer.h"
#include "response/noise_views.h"

namespace {

using namespace kelvara;

engine::DesignRequest Order8Request(int passKind) {
  return engine::MakeDesignRequest(
      {.passKind = passKind, .orderIndex = 6, .response = engine::kChebyshev, .cutoffText = "10k", .anyValues = true});
}

engine::ComponentSet Order8Parts(const engine::DesignRequest& request) {
  bench::SilentRun run;
  engine::ComponentSet parts = bench::AllAuto();
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  return parts;
}

response::OpAmpModel NoisyRealOpAmp() {
  response::OpAmpModel m;
  m.ideal = false;
  m.gbwHz = 8e6;
  m.a0Db = 125;
  m.routOhm = 70;
  m.noise.enNvRtHz = 3;
  m.noise.enCornerHz = 2.7;
  m.noise.inPaRtHz = 0.4;
  m.limits.swingVpp = 27.6;
  m.limits.slewVPerUs = 2.8;
  return m;
}

void BM_NoiseTransfersOrder8(benchmark::State& state) {
  const engine::DesignRequest request = Order8Request(static_cast<int>(state.range(0)));
  const response::OpAmpCircuit c = response::CircuitFromComponents(request, Order8Parts(request));
  const response::OpAmpModel m = NoisyRealOpAmp();
  double f = 1e3;
  for (auto _ : state) {
    benchmark::DoNotOptimize(response::NoiseTransfersAt(c, m, f));
    f = f < 1e8 ? f * 1.01 : 1e3;
  }
}
BENCHMARK(BM_NoiseTransfersOrder8)->Arg(engine::kLpf)->Arg(engine::kHpf);

// A refresh of the "ノイズ" and "信号レベル" views.
void BM_NoiseViewsRefreshOrder8(benchmark::State& state) {
  const engine::DesignRequest request = Order8Request(static_cast<int>(state.range(0)));
  const engine::ComponentSet parts = Order8Parts(request);
  const response::OpAmpModel m = NoisyRealOpAmp();
  for (auto _ : state) benchmark::DoNotOptimize(response::ComputeNoiseViews(request, parts, m, 25, 1e3, 1e6));
}
BENCHMARK(BM_NoiseViewsRefreshOrder8)->Arg(engine::kLpf)->Arg(engine::kHpf)->Unit(benchmark::kMillisecond);

}  // namespace
