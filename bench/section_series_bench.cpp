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
//
// The band-pass form of the search (four MFB band-pass sections, every part
// free) likewise, against its plain loop on a narrow choice of series.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/bandpass.h"
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

// Band-pass: order 8 (four MFB band-pass sections, 10 kHz centre, 2 kHz
// wide, gain 4), argument 0: 0 narrow series (E6 4.7 nF..33 nF, E24
// 100 ohm..220 kohm), 1 the sections' defaults (the plain loop of the
// defaults would score 10^10 combinations a section: not run).
std::vector<engine::BandPassSection> BandPassTargets() {
  return engine::BandPassSections(engine::kButterworth, 0, 8, 10e3, 2e3, 4);
}

const engine::PartSeries& BandPassSeriesOf(const benchmark::State& state) {
  if (state.range(0) != 0) return SectionDefaults();
  engine::SeriesChoice c;
  c.cap = engine::CapSeriesKind::kE6;
  c.res = engine::ResSeriesKind::kE24;
  c.cMin = 4.7e-9;
  c.cMax = 33e-9;
  c.rMin = 100;
  c.rMax = 220e3;
  return engine::PartSeriesOf(c);
}

void LabelBandPass(benchmark::State& state, const engine::PartSeries& series, std::uint64_t candidates, bool valid) {
  const double caps = series.CapLast() + 1, ress = series.ResLast() + 1;
  state.counters["candidates"] = static_cast<double>(candidates);
  state.counters["all"] = 4 * caps * caps * ress * ress * ress;
  state.SetLabel(std::string("band-pass order 8") + (state.range(0) == 0 ? " narrow" : " defaults") +
                 (valid ? "" : " (not valid)"));
}

void BM_BandPassSeries(benchmark::State& state) {
  const std::vector<engine::BandPassSection> targets = BandPassTargets();
  const engine::PartSeries& series = BandPassSeriesOf(state);
  const engine::SectionFixes fixes(targets.size());
  std::uint64_t candidates = 0;
  bool valid = false;
  for (auto _ : state) {
    SilentRun run;
    const std::uint64_t before = engine::SectionSeriesCandidates();
    const engine::BandPassDesign d = engine::DesignBandPassFromSeries(run, targets, fixes, series);
    candidates = engine::SectionSeriesCandidates() - before;
    valid = d.valid;
    benchmark::DoNotOptimize(d);
  }
  LabelBandPass(state, series, candidates, valid);
}
BENCHMARK(BM_BandPassSeries)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

#ifdef KELVARA_BENCH_PLAIN
void BM_BandPassSeriesPlain(benchmark::State& state) {
  const std::vector<engine::BandPassSection> targets = BandPassTargets();
  const engine::PartSeries& series = BandPassSeriesOf(state);
  const std::vector<std::optional<double>> none;
  std::uint64_t candidates = 0;
  bool valid = false;
  for (auto _ : state) {
    const std::uint64_t before = reference::PlainSectionCandidates();
    valid = true;
    for (const engine::BandPassSection& t : targets) {
      const reference::PlainStageResult r = reference::PlainBandPassSection(t, none, series);
      valid = valid && r.found;
      benchmark::DoNotOptimize(r);
    }
    candidates = reference::PlainSectionCandidates() - before;
  }
  LabelBandPass(state, series, candidates, valid);
}
// One iteration: some seconds.
BENCHMARK(BM_BandPassSeriesPlain)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
