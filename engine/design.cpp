#include "engine/design.h"

#include "engine/design_data.h"
#include "engine/stage_maths.h"
#include "engine/stages.h"

namespace kelvara::engine {
namespace {

using StageFn = void (*)(RunState&, int, const StageTargets&, ComponentSet&);

// The stage functions of one kind of design, by number of fixed parts 0..3.
struct StageSet {
  StageFn byFixedCount[4];
};

constexpr StageSet kContinuousLpf{{StageFreeLpf, StageOneFixedLpf, StageTwoFixedLpf, StageThreeFixed}};
constexpr StageSet kContinuousHpf{{StageFreeHpf, StageOneFixedHpf, StageTwoFixedHpf, StageThreeFixed}};
constexpr StageSet kSeriesLpf{
    {SeriesStageFreeLpf, SeriesStageOneFixedLpf, SeriesStageTwoFixedLpf, SeriesStageThreeFixed}};
constexpr StageSet kSeriesHpf{
    {SeriesStageFreeHpf, SeriesStageOneFixedHpf, SeriesStageTwoFixedHpf, SeriesStageThreeFixed}};

// Designs the second-order stages ending at firstEnd, firstEnd + 2, ... up
// to the order, each followed by one progress step. Stage number
// (e + stageOffset) / 2 gives the progress value after the stage.
void DesignSecondOrderStages(RunState& run, const StageTargets& targets, const DesignRequest& request,
                             ComponentSet& parts, const StageSet& stages, bool series, int firstEnd) {
  const int order = request.Order();
  const int stageOffset = firstEnd == 2 ? 0 : 1;
  for (int e = firstEnd; e <= order; e += 2) {
    const int fixed = StageParts(parts, e).FixedCount();
    if (fixed < 4) {
      if (series) {
        stages.byFixedCount[fixed](run, e, targets, parts);
      } else {
        DesignCheckedStage(run, e, targets, parts, stages.byFixedCount[fixed]);
      }
    }
    const int done = (e + stageOffset) / 2 * run.stepsPerStage;
    if (series) {
      run.progress = run.StopRequested() ? -1 : done;
    } else {
      run.progress = run.valid ? done : -1;
    }
    run.StepProgress();
  }
}

void SeriesFirstOrder(RunState& run, const StageTargets& targets, ComponentSet& parts) {
  const bool rAuto = parts.rAuto[0];
  const bool cAuto = parts.cAuto[0];
  if (rAuto && cAuto) {
    SeriesFirstOrderFree(run, targets, parts);
  } else if ((rAuto && parts.cFixed[0]) || (parts.rFixed[0] && cAuto)) {
    SeriesFirstOrderOneFixed(run, targets, parts);
  }
  run.progress = run.stepsPerStage;
  run.StepProgress();
}

}  // namespace

StageTargets BuildStageTargets(const DesignRequest& request) {
  StageTargets targets;
  if (request.passKind > 1 || request.orderIndex > 6 || request.response > 2 || request.rippleIndex != 0) {
    return targets;
  }
  const DesignData& data = BuildDesignData();
  for (int s = 0; s < kMaxStages; ++s) {
    const double q = data.StageTable[StageTableIndex(0, s, request.passKind, request.orderIndex, request.response,
                                                     request.rippleIndex)];
    const double w = data.StageTable[StageTableIndex(1, s, request.passKind, request.orderIndex, request.response,
                                                     request.rippleIndex)];
    targets.stageQ[s] = q;
    targets.stageOmega[s] = request.cutoffHz * 2 * 3.141592653589793 * w;
  }
  return targets;
}

bool HasDesignData(const DesignRequest& request) {
  if (request.passKind > 1 || request.circuit != 0 || request.orderIndex > 6 || request.response > 2 ||
      request.rippleIndex != 0) {
    return false;
  }
  if (request.passKind == kHpf) {
    if (request.response == kBessel) return false;
    if (request.response == kChebyshev && request.orderIndex < 2) return false;
  }
  return true;
}

void DesignFilter(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts) {
  if (request.orderIndex > 6) return;  // no such order: nothing to walk
  const bool series = !request.anyValues && request.capE12 && request.resE24;
  if (!request.anyValues && !series) return;
  if (request.passKind == kLpf) {
    if (request.anyValues) {
      request.evenOrder ? DesignEvenLpf(run, targets, request, parts) : DesignOddLpf(run, targets, request, parts);
    } else {
      request.evenOrder ? SeriesEvenLpf(run, targets, request, parts) : SeriesOddLpf(run, targets, request, parts);
    }
  } else if (request.passKind == kHpf) {
    if (request.anyValues) {
      request.evenOrder ? DesignEvenHpf(run, targets, request, parts) : DesignOddHpf(run, targets, request, parts);
    } else {
      request.evenOrder ? SeriesEvenHpf(run, targets, request, parts) : SeriesOddHpf(run, targets, request, parts);
    }
  }
}

void DesignEvenLpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts) {
  DesignSecondOrderStages(run, targets, request, parts, kContinuousLpf, false, 2);
}

void DesignOddLpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts) {
  DesignCheckedFirstOrder(run, targets, parts);
  DesignSecondOrderStages(run, targets, request, parts, kContinuousLpf, false, 3);
}

void DesignEvenHpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts) {
  DesignSecondOrderStages(run, targets, request, parts, kContinuousHpf, false, 2);
}

void DesignOddHpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts) {
  DesignCheckedFirstOrder(run, targets, parts);
  DesignSecondOrderStages(run, targets, request, parts, kContinuousHpf, false, 3);
}

void SeriesEvenLpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts) {
  DesignSecondOrderStages(run, targets, request, parts, kSeriesLpf, true, 2);
}

void SeriesOddLpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts) {
  SeriesFirstOrder(run, targets, parts);
  DesignSecondOrderStages(run, targets, request, parts, kSeriesLpf, true, 3);
}

void SeriesEvenHpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts) {
  DesignSecondOrderStages(run, targets, request, parts, kSeriesHpf, true, 2);
}

void SeriesOddHpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts) {
  SeriesFirstOrder(run, targets, parts);
  DesignSecondOrderStages(run, targets, request, parts, kSeriesHpf, true, 3);
}

}  // namespace kelvara::engine
