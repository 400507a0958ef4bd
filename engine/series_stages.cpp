// Preferred-value design of one stage: the search of the stage and the
// write-back of its result into the stage's parts. Every auto part gets the
// series value at its result index, or 0 where the search chose nothing; a
// fixed part keeps the user's value.

#include <span>

#include "engine/design_data.h"
#include "engine/series_search.h"
#include "engine/stage_maths.h"
#include "engine/stages.h"

namespace kelvara::engine {
namespace {

double SeriesValue(std::span<const double> series, std::int32_t index) {
  return index == NoneIndex ? 0.0 : series[static_cast<std::size_t>(index)];
}

void Put(double& part, bool fixed, std::span<const double> series, std::int32_t index) {
  if (!fixed) part = SeriesValue(series, index);
}

void DesignSeriesStage(RunState& run, PassKind kind, int e, const StageTargets& targets, ComponentSet& parts) {
  const int slot = StageSlot(e);
  StageParts p(parts, e);
  SeriesStage stage;
  stage.kind = kind;
  stage.q = targets.stageQ[slot];
  stage.omega = targets.stageOmega[slot];
  stage.ra = p.Ra;
  stage.rb = p.Rb;
  stage.ca = p.Ca;
  stage.cb = p.Cb;
  stage.raFixed = p.RaFixed;
  stage.rbFixed = p.RbFixed;
  stage.caFixed = p.CaFixed;
  stage.cbFixed = p.CbFixed;
  const SearchResult r = SearchSeriesStage(run, stage);
  const DesignData& d = BuildDesignData();
  if (kind == kLpf) {
    Put(p.Ca, p.CaFixed, d.CapSeries, r.first);
    Put(p.Cb, p.CbFixed, d.CapSeries, r.second);
    Put(p.Ra, p.RaFixed, d.ResSeries, r.third);
    Put(p.Rb, p.RbFixed, d.ResSeries, r.fourth);
  } else {
    Put(p.Rb, p.RbFixed, d.ResSeries, r.first);
    Put(p.Ra, p.RaFixed, d.ResSeries, r.second);
    Put(p.Ca, p.CaFixed, d.CapSeries, r.third);
    Put(p.Cb, p.CbFixed, d.CapSeries, r.fourth);
  }
}

}  // namespace

void SeriesStageFreeLpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts) {
  DesignSeriesStage(run, kLpf, e, targets, parts);
}
void SeriesStageFreeHpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts) {
  DesignSeriesStage(run, kHpf, e, targets, parts);
}
void SeriesStageOneFixedLpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts) {
  DesignSeriesStage(run, kLpf, e, targets, parts);
}
void SeriesStageOneFixedHpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts) {
  DesignSeriesStage(run, kHpf, e, targets, parts);
}
void SeriesStageTwoFixedLpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts) {
  DesignSeriesStage(run, kLpf, e, targets, parts);
}
void SeriesStageTwoFixedHpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts) {
  DesignSeriesStage(run, kHpf, e, targets, parts);
}

// The one auto part from the natural frequency alone, rounded to the nearest
// series value (ties to the lower). No search, no progress step, no warning.
void SeriesStageThreeFixed(RunState& /*run*/, int e, const StageTargets& targets, ComponentSet& parts) {
  const double omega = targets.stageOmega[StageSlot(e)];
  StageParts p(parts, e);
  const DesignData& d = BuildDesignData();
  if (p.RaAuto) {
    p.Ra = NearestValue(d.ResSeries, kResLast, PartForOmega(omega, p.Rb, p.Ca, p.Cb));
  } else if (p.RbAuto) {
    p.Rb = NearestValue(d.ResSeries, kResLast, PartForOmega(omega, p.Ra, p.Ca, p.Cb));
  } else if (p.CaAuto) {
    p.Ca = NearestValue(d.CapSeries, kCapLast, PartForOmega(omega, p.Ra, p.Rb, p.Cb));
  } else if (p.CbAuto) {
    p.Cb = NearestValue(d.CapSeries, kCapLast, PartForOmega(omega, p.Ra, p.Rb, p.Ca));
  }
}

void SeriesFirstOrderFree(RunState& run, const StageTargets& targets, ComponentSet& parts) {
  const SearchResult r = SearchFirstOrderFree(run, targets.stageOmega[0]);
  const DesignData& d = BuildDesignData();
  parts.c[0] = SeriesValue(d.CapSeries, r.first);
  parts.r[0] = SeriesValue(d.ResSeries, r.second);
}

void SeriesFirstOrderOneFixed(RunState& run, const StageTargets& targets, ComponentSet& parts) {
  const double omega = targets.stageOmega[0];
  const DesignData& d = BuildDesignData();
  if (parts.rAuto[0] && parts.cFixed[0]) {
    parts.r[0] = SeriesValue(d.ResSeries, SearchFirstOrderOneFixed(run, omega, false, parts.c[0]).second);
  } else if (parts.rFixed[0] && parts.cAuto[0]) {
    parts.c[0] = SeriesValue(d.CapSeries, SearchFirstOrderOneFixed(run, omega, true, parts.r[0]).first);
  }
}

}  // namespace kelvara::engine
