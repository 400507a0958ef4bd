// Preferred-value design of one stage: the search of the stage and the
// write-back of its result into the stage's parts, in the series of the run.
// Every auto part gets the series value at its result index, or 0 where the
// search chose nothing; a fixed part keeps the user's value.

#include <string>

#include "engine/part_series.h"
#include "engine/series_search.h"
#include "engine/stage_maths.h"
#include "engine/stages.h"

namespace kelvara::engine {
namespace {

void Put(double& part, bool fixed, double value) {
  if (!fixed) part = value;
}

// The series value nearest to x, 0 when the series holds none.
double Nearest(const series::SeriesLookup& s, double x) { return s.Last() < 0 ? 0.0 : s[s.Nearest(x)]; }

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
  const PartSeries& ps = SeriesOfRun(run);
  const SearchResult r = SearchSeriesStage(run, stage, ps);
  if (kind == kLpf) {
    Put(p.Ca, p.CaFixed, ps.CapValue(r.first));
    Put(p.Cb, p.CbFixed, ps.CapValue(r.second));
    Put(p.Ra, p.RaFixed, ps.ResValue(r.third));
    Put(p.Rb, p.RbFixed, ps.ResValue(r.fourth));
  } else {
    Put(p.Rb, p.RbFixed, ps.ResValue(r.first));
    Put(p.Ra, p.RaFixed, ps.ResValue(r.second));
    Put(p.Ca, p.CaFixed, ps.CapValue(r.third));
    Put(p.Cb, p.CbFixed, ps.CapValue(r.fourth));
  }
}

}  // namespace

void CheckSeriesParts(RunState& run, ComponentSet& parts, int first, int count) {
  if (run.StopRequested()) return;  // a stopped search chose nothing on purpose
  std::string names;
  for (const char kind : {'R', 'C'}) {
    for (int k = first; k < first + count; ++k) {
      const bool chosen = kind == 'R' ? (!parts.rAuto[k] || parts.r[k] > 0) : (!parts.cAuto[k] || parts.c[k] > 0);
      if (chosen) continue;
      if (!names.empty()) names += ", ";
      names += std::string(1, kind) + std::to_string(k + 1);
    }
  }
  if (names.empty()) return;
  run.Warn("設定不可能", "Sheet_" + std::to_string(run.sheetIndex + 1) + " の " + names +
                             " は選んだ系列と範囲の値では設定できません。範囲か系列を変えるか、値をfixして下さい。");
  run.valid = false;
}

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
// series value (ties to the lower; 0 when the series holds no value). No
// search, no progress step, no warning.
void SeriesStageThreeFixed(RunState& run, int e, const StageTargets& targets, ComponentSet& parts) {
  const double omega = targets.stageOmega[StageSlot(e)];
  StageParts p(parts, e);
  const PartSeries& ps = SeriesOfRun(run);
  if (p.RaAuto) {
    p.Ra = Nearest(ps.Res(), PartForOmega(omega, p.Rb, p.Ca, p.Cb));
  } else if (p.RbAuto) {
    p.Rb = Nearest(ps.Res(), PartForOmega(omega, p.Ra, p.Ca, p.Cb));
  } else if (p.CaAuto) {
    p.Ca = Nearest(ps.Cap(), PartForOmega(omega, p.Ra, p.Rb, p.Cb));
  } else if (p.CbAuto) {
    p.Cb = Nearest(ps.Cap(), PartForOmega(omega, p.Ra, p.Rb, p.Ca));
  }
}

void SeriesFirstOrderFree(RunState& run, const StageTargets& targets, ComponentSet& parts) {
  const PartSeries& ps = SeriesOfRun(run);
  const SearchResult r = SearchFirstOrderFree(run, targets.stageOmega[0], ps);
  parts.c[0] = ps.CapValue(r.first);
  parts.r[0] = ps.ResValue(r.second);
}

void SeriesFirstOrderOneFixed(RunState& run, const StageTargets& targets, ComponentSet& parts) {
  const double omega = targets.stageOmega[0];
  const PartSeries& ps = SeriesOfRun(run);
  if (parts.rAuto[0] && parts.cFixed[0]) {
    parts.r[0] = ps.ResValue(SearchFirstOrderOneFixed(run, omega, false, parts.c[0], ps).second);
  } else if (parts.rFixed[0] && parts.cAuto[0]) {
    parts.c[0] = ps.CapValue(SearchFirstOrderOneFixed(run, omega, true, parts.r[0], ps).first);
  }
}

}  // namespace kelvara::engine
