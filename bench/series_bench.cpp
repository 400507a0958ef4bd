// Preferred-value design: the engine's pruned searches against the plain
// loops, for whole order-8 designs and for single stages with fixed parts.
// The counter "candidates" is the number of candidates scored with the exact
// error formula per design (or per stage).

#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <array>
#include <cstdint>
#include <string>

#include "engine/design.h"
#include "engine/design_data.h"
#include "engine/part_series.h"
#include "engine/run_checks.h"
#include "engine/series_search.h"
#include "engine/stage_maths.h"

#ifdef KELVARA_BENCH_PLAIN
#include "tests/engine/series_reference.h"
#endif

namespace {

using kelvara::bench::AllAuto;
using kelvara::bench::SilentRun;

using namespace kelvara;

// Arguments: pass kind, response, cut-off (0: 1 kHz, 1: 10 MHz).
engine::DesignRequest Order8(const benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const int response = static_cast<int>(state.range(1));
  const char* cutoff = state.range(2) == 0 ? "1k" : "10M";
  return engine::MakeDesignRequest(
      {.passKind = kind, .orderIndex = 6, .response = response, .cutoffText = cutoff, .capE12 = true, .resE24 = true});
}

std::string Label(const benchmark::State& state) {
  return std::string(state.range(0) == engine::kLpf ? "LPF" : "HPF") +
         (state.range(1) == engine::kButterworth ? " Butterworth" : " Chebyshev") +
         (state.range(2) == 0 ? " 1 kHz" : " 10 MHz");
}

void DesignArgs(benchmark::internal::Benchmark* b) {
  for (int kind : {engine::kLpf, engine::kHpf}) {
    for (int response : {engine::kButterworth, engine::kChebyshev}) {
      for (int cutoff : {0, 1}) b->Args({kind, response, cutoff});
    }
  }
}

// Designs the order-8 request of the state's arguments, all parts auto,
// with `design`, and reports how many candidates `counted` saw per design.
// With `series`, the design draws from those series.
template <typename Design, typename Counter>
void BenchSeriesDesign(benchmark::State& state, Design design, Counter counted,
                       const engine::PartSeries* series = nullptr) {
  const engine::DesignRequest request = Order8(state);
  const engine::StageTargets targets = engine::BuildStageTargets(request);
  std::uint64_t candidates = 0;
  for (auto _ : state) {
    SilentRun run;
    run.partSeries = series;
    engine::ComponentSet parts = AllAuto();
    const std::uint64_t before = counted();
    design(run, targets, request, parts);
    candidates = counted() - before;
    benchmark::DoNotOptimize(parts);
  }
  state.counters["candidates"] = static_cast<double>(candidates);
  state.SetLabel(Label(state));
}

// One order-8 design with every part auto.
void BM_SeriesDesign(benchmark::State& state) {
  BenchSeriesDesign(state, engine::DesignFilter, engine::SeriesCandidatesEvaluated);
}
BENCHMARK(BM_SeriesDesign)->Apply(DesignArgs)->Unit(benchmark::kMicrosecond);

#ifdef KELVARA_BENCH_PLAIN
// The same designs through the plain loops.
void BM_SeriesDesignPlain(benchmark::State& state) {
  BenchSeriesDesign(state, reference::PlainSeriesDesign, reference::PlainCandidatesEvaluated);
}
BENCHMARK(BM_SeriesDesignPlain)->Apply(DesignArgs)->Unit(benchmark::kMillisecond)->MinTime(1.0);
#endif

// The same designs with the larger series over the default ranges:
// E96 resistors with E12 capacitors, E192 with E24.
const engine::PartSeries* Larger(engine::ResSeriesKind res, engine::CapSeriesKind cap) {
  engine::SeriesChoice choice;
  choice.res = res;
  choice.cap = cap;
  return &engine::PartSeriesOf(choice);
}
const engine::PartSeries* E96E12() { return Larger(engine::ResSeriesKind::kE96, engine::CapSeriesKind::kE12); }
const engine::PartSeries* E192E24() { return Larger(engine::ResSeriesKind::kE192, engine::CapSeriesKind::kE24); }

void LargerArgs(benchmark::internal::Benchmark* b) {
  for (int kind : {engine::kLpf, engine::kHpf}) {
    for (int response : {engine::kButterworth, engine::kChebyshev}) b->Args({kind, response, 0});
  }
}

void BM_SeriesDesignE96E12(benchmark::State& state) {
  BenchSeriesDesign(state, engine::DesignFilter, engine::SeriesCandidatesEvaluated, E96E12());
}
BENCHMARK(BM_SeriesDesignE96E12)->Apply(LargerArgs)->Unit(benchmark::kMicrosecond);

void BM_SeriesDesignE192E24(benchmark::State& state) {
  BenchSeriesDesign(state, engine::DesignFilter, engine::SeriesCandidatesEvaluated, E192E24());
}
BENCHMARK(BM_SeriesDesignE192E24)->Apply(LargerArgs)->Unit(benchmark::kMicrosecond);

#ifdef KELVARA_BENCH_PLAIN
// The plain loops take seconds per design here: one iteration each.
void BM_SeriesDesignE96E12Plain(benchmark::State& state) {
  BenchSeriesDesign(state, reference::PlainSeriesDesign, reference::PlainCandidatesEvaluated, E96E12());
}
BENCHMARK(BM_SeriesDesignE96E12Plain)->Apply(LargerArgs)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SeriesDesignE192E24Plain(benchmark::State& state) {
  BenchSeriesDesign(state, reference::PlainSeriesDesign, reference::PlainCandidatesEvaluated, E192E24());
}
BENCHMARK(BM_SeriesDesignE192E24Plain)->Apply(LargerArgs)->Unit(benchmark::kMillisecond)->Iterations(1);
#endif

// Stages with fixed parts: the four stages of an order-8 Chebyshev design at
// 1 kHz (Q 0.63 to 9.7), each with the pattern's parts fixed at the values
// of the continuous design rounded to the series (what a user who fixes a
// part typically enters). Arguments: pass kind, pattern (1 Ra, 2 Rb, 4 Ca,
// 8 Cb). Time and candidates are per stage.
constexpr int kPatterns[] = {1, 2, 4, 8, 3, 5, 6, 9, 10, 12};

std::string PatternLabel(int kind, int pattern) {
  std::string s = kind == engine::kLpf ? "LPF" : "HPF";
  s += " fixed";
  if (pattern & 1) s += " Ra";
  if (pattern & 2) s += " Rb";
  if (pattern & 4) s += " Ca";
  if (pattern & 8) s += " Cb";
  return s;
}

std::array<engine::SeriesStage, 4> FixedStages(int kind, int pattern) {
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.passKind = kind, .orderIndex = 6, .response = engine::kChebyshev, .cutoffText = "1k", .anyValues = true});
  const engine::StageTargets targets = engine::BuildStageTargets(request);
  SilentRun run;
  engine::ComponentSet continuous = AllAuto();
  engine::DesignFilter(run, targets, request, continuous);
  const engine::DesignData& d = engine::BuildDesignData();
  std::array<engine::SeriesStage, 4> stages;
  for (int s = 0; s < 4; ++s) {
    engine::SeriesStage& st = stages[s];
    st.kind = static_cast<engine::PassKind>(kind);
    st.q = targets.stageQ[s];
    st.omega = targets.stageOmega[s];
    st.ra = engine::NearestValue(d.ResSeries, engine::kResLast, continuous.r[2 * s]);
    st.rb = engine::NearestValue(d.ResSeries, engine::kResLast, continuous.r[2 * s + 1]);
    st.ca = engine::NearestValue(d.CapSeries, engine::kCapLast, continuous.c[2 * s]);
    st.cb = engine::NearestValue(d.CapSeries, engine::kCapLast, continuous.c[2 * s + 1]);
    st.raFixed = pattern & 1;
    st.rbFixed = pattern & 2;
    st.caFixed = pattern & 4;
    st.cbFixed = pattern & 8;
  }
  return stages;
}

void FixedArgs(benchmark::internal::Benchmark* b) {
  for (int kind : {engine::kLpf, engine::kHpf}) {
    for (int pattern : kPatterns) b->Args({kind, pattern});
  }
}

// Searches the four stages of the state's kind and fixed pattern with
// `search`, reporting the candidates `counted` saw per stage.
template <typename Search, typename Counter>
void BenchFixedStages(benchmark::State& state, Search search, Counter counted) {
  const int kind = static_cast<int>(state.range(0));
  const int pattern = static_cast<int>(state.range(1));
  const auto stages = FixedStages(kind, pattern);
  std::uint64_t candidates = 0;
  for (auto _ : state) {
    SilentRun run;
    const std::uint64_t before = counted();
    for (const auto& st : stages) benchmark::DoNotOptimize(search(run, st));
    candidates = counted() - before;
  }
  state.counters["candidates"] = static_cast<double>(candidates) / 4;
  state.SetLabel(PatternLabel(kind, pattern));
}

void BM_SeriesStageFixed(benchmark::State& state) {
  BenchFixedStages(
      state, [](engine::RunState& run, const engine::SeriesStage& st) { return engine::SearchSeriesStage(run, st); },
      engine::SeriesCandidatesEvaluated);
  state.SetItemsProcessed(state.iterations() * 4);
  state.counters["per_stage_us"] = benchmark::Counter(static_cast<double>(state.iterations()) * 4,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SeriesStageFixed)->Apply(FixedArgs)->Unit(benchmark::kMicrosecond);

#ifdef KELVARA_BENCH_PLAIN
void BM_SeriesStageFixedPlain(benchmark::State& state) {
  BenchFixedStages(
      state,
      [](engine::RunState& run, const engine::SeriesStage& st) { return reference::PlainSearchSeriesStage(run, st); },
      reference::PlainCandidatesEvaluated);
}
BENCHMARK(BM_SeriesStageFixedPlain)->Apply(FixedArgs)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
