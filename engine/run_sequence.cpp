#include "engine/run_sequence.h"

#include "engine/design.h"
#include "engine/run_checks.h"

namespace kelvara::engine {

void RunDesignSequence(RunState& run, RunData& data) {
  // 1. The run's sheet, busy look.
  run.valid = true;
  run.progress = -1;
  run.BeginRun();
  // 2. The design parameters.
  run.CaptureRequest(data.request);
  const int order = data.request.Order();
  // 3. The cut-off range, then what the tables hold no design for.
  if (!CheckCutoff(run, data.request.cutoffHz)) run.valid = false;
  if (!CheckCombination(run, data.request)) run.valid = false;
  // 4, 5. The part values and their checks.
  run.CapturePartInputs(data.inputs);
  data.parts = CaptureComponentSet(data.inputs, order);
  if (!CheckFixedParts(run, data.parts, order)) run.valid = false;
  // 6..9. Progress, then the user may stop or switch sheets.
  run.stepsPerStage = kStepsPerStage;
  if (run.valid) {
    const int maximum = ProgressMaximum(order);
    run.ShowProgressMaximum(maximum);
    run.progress = maximum / 100;
  }
  run.StepProgress();
  run.DesignBegins();
  // 10, 11.
  if (run.valid) run.DesignStep(data);
}

}  // namespace kelvara::engine
