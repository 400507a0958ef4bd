#include "engine/design.h"

#include <string>

#include "engine/design_data.h"
#include "engine/prototypes.h"
#include "engine/stage_maths.h"
#include "engine/stages.h"
#include "engine/units.h"

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
        CheckSeriesParts(run, parts, e - 2, 2);
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

std::string CombinationCaption(const DesignRequest& r) {
  std::string name = values::kPassKindNames[r.passKind == kHpf ? kHpf : kLpf];
  if (r.response < values::kResponseCount) name += std::string(" ") + values::kResponseNames[r.response];
  if ((r.response == kChebyshev || values::EvenOrdersOnly(r.response)) && r.orderIndex < values::kOrderCount) {
    name += std::string(" ") + values::kOrderNames[r.orderIndex];
  }
  return name + " は設計できない組合せ";
}

void SeriesFirstOrder(RunState& run, const StageTargets& targets, ComponentSet& parts) {
  const bool rAuto = parts.rAuto[0];
  const bool cAuto = parts.cAuto[0];
  if (rAuto && cAuto) {
    SeriesFirstOrderFree(run, targets, parts);
  } else if ((rAuto && parts.cFixed[0]) || (parts.rFixed[0] && cAuto)) {
    SeriesFirstOrderOneFixed(run, targets, parts);
  }
  CheckSeriesParts(run, parts, 0, 1);
  run.progress = run.stepsPerStage;
  run.StepProgress();
}

}  // namespace

StageTargets BuildStageTargets(const DesignRequest& request) {
  StageTargets targets;
  if (request.passKind >= values::kPassKindCount || request.orderIndex >= values::kOrderCount ||
      request.response >= values::kResponseCount || request.rippleIndex >= values::kRippleCount) {
    return targets;
  }
  if (!values::IsTabulated(request.response, request.rippleIndex)) {
    // Computed from the poles: a high-pass stage's frequency is the
    // reciprocal of its low-pass prototype's; a first-order stage's Q entry
    // is 0.5, as in the tables.
    const Prototype prototype =
        ComputedPrototype(request.response, values::kRippleDb[request.rippleIndex], request.Order());
    for (int s = 0; s < prototype.count; ++s) {
      const PrototypeSection& section = prototype.section[s];
      const double w = request.passKind == kHpf ? 1.0 / section.w : section.w;
      targets.stageQ[s] = section.q == 0 ? 0.5 : section.q;
      targets.stageOmega[s] = request.cutoffHz * kTwoPi * w;
    }
    return targets;
  }
  const DesignData& data = BuildDesignData();
  // The tables hold one ripple; a response without a ripple ignores it.
  const int ripple = values::kTabulatedRippleIndex;
  for (int s = 0; s < kMaxStages; ++s) {
    const double q =
        data.StageTable[StageTableIndex(0, s, request.passKind, request.orderIndex, request.response, ripple)];
    const double w =
        data.StageTable[StageTableIndex(1, s, request.passKind, request.orderIndex, request.response, ripple)];
    targets.stageQ[s] = q;
    targets.stageOmega[s] = request.cutoffHz * kTwoPi * w;
  }
  return targets;
}

bool HasDesignData(const DesignRequest& request) {
  return values::HasDesignCombination(request.passKind, request.circuit, request.orderIndex, request.response,
                                      request.rippleIndex);
}

bool CheckCombination(values::WarningSink& sink, const DesignRequest& request) {
  if (HasDesignData(request)) return true;
  std::string text = "バターワースを選択下さい。";
  if (request.passKind == kHpf && request.response == kBessel) {
    text = "バターワースかチェビシェフを選択下さい。";
  } else if (request.passKind == kHpf && request.response == kChebyshev) {
    text = "４次以上にするかバターワースを選択下さい。";
  } else if (values::EvenOrdersOnly(request.response)) {
    text = "リンクウィッツ・ライリーは偶数次（２、４、６、８次）で設計します。次数を選び直して下さい。";
  }
  sink.Warn(CombinationCaption(request), text);
  return false;
}

void DesignFilter(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts) {
  if (request.orderIndex >= values::kOrderCount) return;  // no such order: nothing to walk
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
