#pragma once

// What a design sees of the calculation run it belongs to. The Qt run, the
// tests and the headless designer each provide one; the engine needs no
// window to run.

#include <cstdint>
#include <string>

#include "engine/design_types.h"
#include "values/warning_sink.h"

namespace kelvara::engine {

class PartSeries;

/// Steps of the progress bar reserved per filter stage.
inline constexpr int kStepsPerStage = 80;

class RunState : public values::WarningSink {
 public:
  /// Sheet 0..7 the run designs; warnings name it as sheetIndex + 1.
  int sheetIndex = 0;
  /// The inputs are valid and the design is still possible.
  bool valid = true;
  /// Progress counter: set by the run and the engine, +1 per StepProgress.
  int progress = -1;
  int stepsPerStage = kStepsPerStage;
  /// The series a preferred-value design draws from; null for the
  /// program's own (CapSeries and ResSeries). Must outlive the run.
  const PartSeries* partSeries = nullptr;

  /// True once the run has been asked to stop. Read by the searches; the
  /// flag is never cleared during a run.
  virtual bool StopRequested() const = 0;

  /// One progress step: the counter goes up by one and the front end shows
  /// it. Returns when it has been shown.
  void StepProgress() {
    ++progress;
    ShowProgress(progress);
  }

  /// Whole seconds of the wall clock (seconds since the epoch); the step
  /// search limits its running time by it. Tests replace it.
  virtual std::int64_t ClockSeconds() const;

 protected:
  /// Shows the counter after a step (a front end without a display does
  /// nothing). Called on the run's thread; a windowed front end hands it to
  /// its user-interface thread and waits.
  virtual void ShowProgress(int progress) = 0;

  // ---- the steps a front end adds to the run sequence ------------------
  // RunDesignSequence calls them on the run's thread, in this order; a
  // windowed front end does each on its user-interface thread.
  //
  /// The run begins: it takes its sheet and shows that it runs.
  virtual void BeginRun() {}
  /// The design parameters as the front end holds them (a front end
  /// without controls gives them in RunData beforehand).
  virtual void CaptureRequest(DesignRequest& /*request*/) {}
  /// The part inputs, likewise.
  virtual void CapturePartInputs(PartInputs& /*inputs*/) {}
  /// A valid run shows the bar maximum of its order.
  virtual void ShowProgressMaximum(int /*maximum*/) {}
  /// From here on the run may be stopped and other sheets shown.
  virtual void DesignBegins() {}
  /// The stage targets and the design (BuildStageTargets and
  /// DesignFilter); a front end may wrap them.
  virtual void DesignStep(RunData& data);

  friend void RunDesignSequence(RunState& run, RunData& data);
};

}  // namespace kelvara::engine
