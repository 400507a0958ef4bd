#pragma once

// The steps of one calculation run between capturing its inputs and
// delivering its results, shared by the window's run and the headless
// designer. What only a front end does (reading controls, showing the bar,
// locking sheets) are the hooks of RunState.

#include "engine/design_types.h"
#include "engine/run_state.h"

namespace kelvara::engine {

/// Runs the sequence on run and data, in this order:
///  - BeginRun (valid, progress -1)
///  - CaptureRequest
///  - the cut-off range (CheckCutoff), then the combination
///    (CheckCombination)
///  - CapturePartInputs
///  - the part values (CaptureComponentSet) and their checks
///    (CheckFixedParts)
///  - a valid run: ShowProgressMaximum, progress = maximum / 100
///  - one progress step
///  - DesignBegins
///  - a valid run: DesignStep (BuildStageTargets, DesignFilter)
/// Every failed check warns through the run and leaves it invalid; the
/// later checks are still made.
void RunDesignSequence(RunState& run, RunData& data);

}  // namespace kelvara::engine
