#pragma once

// Stage functions of the drivers. A second-order stage is addressed by its
// end position e (the number of parts up to and including it): Ra = R(e-1),
// Rb = R(e), Ca = C(e-1), Cb = C(e) in part numbers.

#include "engine/design_types.h"
#include "engine/run_state.h"

namespace kelvara::engine {

/// The four parts of a second-order stage, by reference into a ComponentSet.
struct StageParts {
  StageParts(ComponentSet& parts, int endPosition)
      : Ra(parts.r[endPosition - 2]),
        Rb(parts.r[endPosition - 1]),
        Ca(parts.c[endPosition - 2]),
        Cb(parts.c[endPosition - 1]),
        RaFixed(parts.rFixed[endPosition - 2]),
        RbFixed(parts.rFixed[endPosition - 1]),
        CaFixed(parts.cFixed[endPosition - 2]),
        CbFixed(parts.cFixed[endPosition - 1]),
        RaAuto(parts.rAuto[endPosition - 2]),
        RbAuto(parts.rAuto[endPosition - 1]),
        CaAuto(parts.cAuto[endPosition - 2]),
        CbAuto(parts.cAuto[endPosition - 1]) {}

  int FixedCount() const { return int{RaFixed} + int{RbFixed} + int{CaFixed} + int{CbFixed}; }

  double& Ra;
  double& Rb;
  double& Ca;
  double& Cb;
  bool RaFixed, RbFixed, CaFixed, CbFixed;
  bool RaAuto, RbAuto, CaAuto, CbAuto;
};

// Continuous design ("any values").
void StageFreeLpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void StageFreeHpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void StageOneFixedLpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void StageOneFixedHpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void StageTwoFixedLpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void StageTwoFixedHpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void StageThreeFixed(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void FirstOrderFree(RunState& run, const StageTargets& targets, ComponentSet& parts);
/// The step search of a stage with one resistor and one capacitor fixed:
/// LPF (lpf true) varies the free capacitor, HPF the free resistor.
void StepSearchStage(RunState& run, int e, const StageTargets& targets, ComponentSet& parts, bool lpf);

/// The end of a warning's caption that names parts that cannot be realised.
inline constexpr char kUnrealisable[] = " は設定不能な値";

/// A continuous second-order stage function (StageFreeLpf ... StageThreeFixed).
using ContinuousStage = void (*)(RunState&, int, const StageTargets&, ComponentSet&);
/// Runs a continuous stage and reports it when a part it computed is not
/// finite and above 0 (the stage cannot be designed: `valid` cleared, the
/// computed parts set to 0), unless the stage reported itself.
void DesignCheckedStage(RunState& run, int e, const StageTargets& targets, ComponentSet& parts, ContinuousStage stage);
/// FirstOrderFree with the same check of R1 and C1.
void DesignCheckedFirstOrder(RunState& run, const StageTargets& targets, ComponentSet& parts);

// Preferred-value design (capacitors from CapSeries, resistors from ResSeries).
void SeriesStageFreeLpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void SeriesStageFreeHpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void SeriesStageOneFixedLpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void SeriesStageOneFixedHpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void SeriesStageTwoFixedLpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void SeriesStageTwoFixedHpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void SeriesStageThreeFixed(RunState& run, int e, const StageTargets& targets, ComponentSet& parts);
void SeriesFirstOrderFree(RunState& run, const StageTargets& targets, ComponentSet& parts);
/// After a preferred-value stage (parts first..first+count-1): an auto part
/// the search could not choose (no series values within the ranges meet the
/// stage) is left 0, so the run warns and is not valid. A stopped run is not
/// reported.
void CheckSeriesParts(RunState& run, ComponentSet& parts, int first, int count);
void SeriesFirstOrderOneFixed(RunState& run, const StageTargets& targets, ComponentSet& parts);

}  // namespace kelvara::engine
