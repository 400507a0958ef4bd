// The time views of designs of sections: the step and impulse of an
// order-8 band-pass filter from its poles and residues, and of an order-8
// MFB low-pass with a real op-amp from the state equations of its element
// list; and each stage's highest output level (the exact search of the
// levels), as the analysis window's refresh computes them.

#include <benchmark/benchmark.h>

#include <variant>

#include "engine/bandpass.h"
#include "engine/design.h"
#include "engine/section_design.h"
#include "response/bandpass.h"
#include "response/circuit.h"
#include "response/section_views.h"
#include "values/filter_catalogue.h"

namespace {

using namespace kelvara;

std::vector<response::Section> BandPass8() {
  return response::SectionsOfBandPass(
      engine::DesignBandPass(engine::BandPassSections(values::kChebyshev, 0, 8, 10e3, 1e3, 1.0)));
}

std::vector<response::Section> Mfb8() {
  engine::DesignRequest r;
  r.cutoffHz = 1e3;
  r.orderIndex = 6;
  r.evenOrder = true;
  engine::SectionPlanInputs in;
  in.passKind = engine::kLpf;
  in.order = 8;
  in.family = engine::SectionFamily::kMfb;
  in.gain = 10;
  const auto planned = engine::PlanSections(in, engine::BuildStageTargets(r));
  return response::SectionsOf(engine::DesignSections(std::get<std::vector<engine::StagePlan>>(planned), false, {}));
}

// 801 points over the 0.1 % settled span, as the window shows them.
void BM_BandPassStepOrder8(benchmark::State& state) {
  const std::vector<response::Section> sections = BandPass8();
  const response::CircuitModel circuit = response::CircuitOfSections(sections, {});
  const double span = response::BandPassSettlingTimeS(sections, 10e3, response::kSettledBand);
  for (auto _ : state) {
    response::TimeCurves t = response::CircuitStepImpulse(circuit, 0, span, 801);
    benchmark::DoNotOptimize(t);
  }
}
BENCHMARK(BM_BandPassStepOrder8)->Unit(benchmark::kMillisecond);

void BM_SectionsRealOpAmpStepOrder8(benchmark::State& state) {
  response::OpAmpModel model;
  model.ideal = false;
  model.gbwHz = 1e6;
  model.a0Db = 100;
  model.routOhm = 50;
  const response::CircuitModel circuit = response::CircuitOfSections(Mfb8(), model);
  for (auto _ : state) {
    response::TimeCurves t = response::CircuitStepImpulse(circuit, 0, 10e-3, 801);
    benchmark::DoNotOptimize(t);
  }
}
BENCHMARK(BM_SectionsRealOpAmpStepOrder8)->Unit(benchmark::kMillisecond);

void BM_SectionOutputPeaksOrder8(benchmark::State& state) {
  const std::vector<response::Section> sections = state.range(0) == 0 ? Mfb8() : BandPass8();
  for (auto _ : state) {
    std::vector<response::StageLevel> peaks = response::SectionOutputPeaks(sections);
    benchmark::DoNotOptimize(peaks);
  }
}
BENCHMARK(BM_SectionOutputPeaksOrder8)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
