// Preferred-value design: exhaustive searches over CapSeries and ResSeries.
// The searches themselves are still to come; until then a series design
// leaves its auto parts as they are.

#include "engine/stages.h"

namespace kelvara::engine {

void SeriesStageFreeLpf(RunState&, int, const StageTargets&, ComponentSet&) {}
void SeriesStageFreeHpf(RunState&, int, const StageTargets&, ComponentSet&) {}
void SeriesStageOneFixedLpf(RunState&, int, const StageTargets&, ComponentSet&) {}
void SeriesStageOneFixedHpf(RunState&, int, const StageTargets&, ComponentSet&) {}
void SeriesStageTwoFixedLpf(RunState&, int, const StageTargets&, ComponentSet&) {}
void SeriesStageTwoFixedHpf(RunState&, int, const StageTargets&, ComponentSet&) {}
void SeriesStageThreeFixed(RunState&, int, const StageTargets&, ComponentSet&) {}
void SeriesFirstOrderFree(RunState&, const StageTargets&, ComponentSet&) {}
void SeriesFirstOrderOneFixed(RunState&, const StageTargets&, ComponentSet&) {}

}  // namespace kelvara::engine
