#pragma once

// The steps of one calculation run between capturing its inputs and
// delivering its results, shared by the window's run and the headless
// designer. What only a front end does (reading controls, showing the bar,
// locking sheets) are the hooks of RunState.

#include "engine/design_types.h"
#include "engine/run_state.h"

namespace kelvara::engine {

/// Runs the sequence on run and data:
///  1. BeginRun (valid, progress -1)
///  2. CaptureRequest
///  3. the cut-off range (CheckCutoff), then the combination
///     (CheckCombination)
///  4. CapturePartInputs
///  5. the part values (CaptureComponentSet) and their checks
///     (CheckFixedParts)
///  6. a valid run: ShowProgressMaximum, progress = maximum / 100
///  7. one progress step
///  9. DesignBegins
///  10, 11. a valid run: DesignStep (BuildStageTargets, DesignFilter)
/// Every failed check warns through the run and leaves it invalid; the
/// later checks are still made.
void RunDesignSequence(RunState& run, RunData& data);

}  // namespace kelvara::engine
