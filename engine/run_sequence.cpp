#include "engine/run_sequence.h"

#include "engine/design.h"
#include "engine/run_checks.h"

namespace kelvara::engine {

void RunDesignSequence(RunState& run, RunData& data) {
  // The run's sheet, busy look.
  run.valid = true;
  run.progress = -1;
  run.BeginRun();
  // The design parameters.
  run.CaptureRequest(data.request);
  const int order = data.request.Order();
  // The cut-off range, then what the tables hold no design for.
  if (!CheckCutoff(run, data.request.cutoffHz)) run.valid = false;
  if (!CheckCombination(run, data.request)) run.valid = false;
  // The part values and their checks.
  run.CapturePartInputs(data.inputs);
  data.parts = CaptureComponentSet(data.inputs, order);
  if (!CheckFixedParts(run, data.parts, order)) run.valid = false;
  // Progress, then the user may stop or switch sheets.
  run.stepsPerStage = kStepsPerStage;
  if (run.valid) {
    const int maximum = ProgressMaximum(order);
    run.ShowProgressMaximum(maximum);
    run.progress = maximum / 100;
  }
  run.StepProgress();
  run.DesignBegins();
  // The design itself.
  if (run.valid) run.DesignStep(data);
}

}  // namespace kelvara::engine
