#pragma once

// Entry of the design engine: stage targets of a request and the dispatch
// to the stage drivers, continuous ("any values") or preferred-value.

#include "engine/design_types.h"
#include "engine/run_state.h"

namespace kelvara::engine {

/// Target Q and omega of the four stage slots for the request's filter
/// kind, order, response and cut-off. A request outside the tables (see
/// HasDesignData) gets all-zero targets.
StageTargets BuildStageTargets(const DesignRequest& request);

/// False for the combinations the tables hold no data for: HPF Bessel, HPF
/// Chebyshev of order 2 or 3, and any index outside its list.
bool HasDesignData(const DesignRequest& request);

/// Warns and returns false for a request without design data: the caption
/// names the combination ("HPF ベッセル は設計できない組合せ"), the text
/// says what to choose instead.
bool CheckCombination(values::WarningSink& sink, const DesignRequest& request);

/// Designs every auto part of parts 1..order. Picks the driver by filter
/// kind, order parity and value restriction; with neither "any values" nor
/// both series chosen it changes nothing.
void DesignFilter(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts);

// The eight stage drivers, one per filter kind, order parity and restriction.
void DesignEvenLpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts);
void DesignOddLpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts);
void DesignEvenHpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts);
void DesignOddHpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts);
void SeriesEvenLpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts);
void SeriesOddLpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts);
void SeriesEvenHpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts);
void SeriesOddHpf(RunState& run, const StageTargets& targets, const DesignRequest& request, ComponentSet& parts);

}  // namespace kelvara::engine
