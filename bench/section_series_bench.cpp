// Preferred-value design of sections: the pruned search of every stage
// (engine/section_series.h) against the plain loop over all allowed
// combinations, on order-8 designs: an MFB low-pass and a Sallen-Key
// low-pass with gain, both gain 10. The counter "candidates" is the number
// of combinations scored per design, "all" the number the plain loop scores
// (every free part over its whole series).
//
// Two choices of series: narrow (E6 capacitors 1 nF..100 nF, E24 resistors
// 1 kohm..10 kohm), where the plain loops finish in seconds, and the
// sections' defaults (the program's capacitor series 100 pF..1 uF, E24
// resistors 1 kohm..1 Mohm), where only the MFB's plain loop is run (once;
// about a minute) and the Sallen-Key's would take hours.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/design.h"
#include "engine/part_series.h"
#include "engine/section_design.h"
#include "engine/section_series.h"

#ifdef KELVARA_BENCH_PLAIN
#include "tests/engine/section_series_reference.h"
#endif

namespace {

using namespace kelvara;
using bench::SilentRun;

const engine::PartSeries& Narrow() {
  engine::SeriesChoice c;
  c.cap = engine::CapSeriesKind::kE6;
  c.res = engine::ResSeriesKind::kE24;
  c.cMin = 1e-9;
  c.cMax = 100e-9;
  c.rMin = 1e3;
  c.rMax = 10e3;
  return engine::PartSeriesOf(c);
}

const engine::PartSeries& SectionDefaults() {
  engine::SeriesChoice c;
  c.res = engine::ResSeriesKind::kE24;
  c.cMin = engine::kSectionCMin;
  c.cMax = engine::kSectionCMax;
  c.rMin = engine::kSectionRMin;
  c.rMax = engine::kSectionRMax;
  return engine::PartSeriesOf(c);
}

// Argument 0: MFB, 1: Sallen-Key with gain; argument 1: 0 narrow, 1 defaults.
std::vector<engine::StagePlan> Plans(const benchmark::State& state) {
  engine::DesignRequest r;
  r.cutoffHz = state.range(1) == 0 ? 10e3 : 1e3;
  r.passKind = engine::kLpf;
  r.orderIndex = 6;
  r.response = engine::kButterworth;
  r.evenOrder = true;
  engine::SectionPlanInputs in;
  in.passKind = engine::kLpf;
  in.order = 8;
  in.family = state.range(0) == 0 ? engine::SectionFamily::kMfb : engine::SectionFamily::kSallenKey;
  in.gain = 10;
  return std::get<std::vector<engine::StagePlan>>(engine::PlanSections(in, engine::BuildStageTargets(r)));
}

const engine::PartSeries& SeriesOf(const benchmark::State& state) {
  return state.range(1) == 0 ? Narrow() : SectionDefaults();
}

double AllCombinations(const std::vector<engine::StagePlan>& plans, const engine::PartSeries& series) {
  double all = 0;
  for (const engine::StagePlan& p : plans) {
    double n = 1;
    for (const char letter : engine::StageFormLetters(p.form, false)) {
      n *= (letter == 'C' ? series.CapLast() : series.ResLast()) + 1;
    }
    all += n;
  }
  return all;
}

void Label(benchmark::State& state, const std::vector<engine::StagePlan>& plans, const engine::PartSeries& series,
           std::uint64_t candidates, bool valid) {
  state.counters["candidates"] = static_cast<double>(candidates);
  state.counters["all"] = AllCombinations(plans, series);
  state.SetLabel(std::string(state.range(0) == 0 ? "MFB" : "Sallen-Key gain") +
                 (state.range(1) == 0 ? " narrow" : " defaults") + (valid ? "" : " (not valid)"));
}

void BM_SectionSeries(benchmark::State& state) {
  const std::vector<engine::StagePlan> plans = Plans(state);
  const engine::PartSeries& series = SeriesOf(state);
  const engine::SectionFixes fixes(plans.size());
  std::uint64_t candidates = 0;
  bool valid = false;
  for (auto _ : state) {
    SilentRun run;
    const std::uint64_t before = engine::SectionSeriesCandidates();
    const engine::SectionsDesign d = engine::DesignSectionsFromSeries(run, plans, false, fixes, series);
    candidates = engine::SectionSeriesCandidates() - before;
    valid = d.valid;
    benchmark::DoNotOptimize(d);
  }
  Label(state, plans, series, candidates, valid);
}
BENCHMARK(BM_SectionSeries)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1})->Unit(benchmark::kMillisecond);

#ifdef KELVARA_BENCH_PLAIN
void BM_SectionSeriesPlain(benchmark::State& state) {
  const std::vector<engine::StagePlan> plans = Plans(state);
  const engine::PartSeries& series = SeriesOf(state);
  const engine::SectionFixes fixes(plans.size());
  std::uint64_t candidates = 0;
  bool valid = false;
  for (auto _ : state) {
    const std::uint64_t before = reference::PlainSectionCandidates();
    const auto stages = reference::PlainSectionsFromSeries(plans, false, fixes, series);
    candidates = reference::PlainSectionCandidates() - before;
    valid = true;
    for (const auto& s : stages) valid = valid && s.found;
    benchmark::DoNotOptimize(stages);
  }
  Label(state, plans, series, candidates, valid);
}
// One iteration each: seconds (narrow), about a minute (the MFB's defaults).
BENCHMARK(BM_SectionSeriesPlain)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
#endif

}  // namespace
