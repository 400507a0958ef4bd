#pragma once

// The progress of a long kelvara-design run on standard error: one line,
// rewritten in place, with the per cent done and the time left ("Monte
// Carlo: 45 %, 3 s left"). Shown only to a person: when standard error is a
// terminal, and only once the run has taken longer than a delay (a second);
// the line is cleared when the run ends, so the output stays as it was.

#include <functional>
#include <ostream>
#include <string>

namespace kelvara::tools {

class ProgressDisplay {
 public:
  /// Seconds since some fixed moment.
  using Clock = std::function<double()>;

  /// `enabled` false: never writes. Nothing is shown before `delaySeconds`
  /// have passed since construction; the line is rewritten at most ten
  /// times a second.
  ProgressDisplay(std::ostream& out, bool enabled, double delaySeconds = 1.0, Clock clock = SteadySeconds);
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  /// The stage `label` has done `fraction` (0..1) of its work. The time
  /// left is estimated from the time the stage took so far.
  void Update(const std::string& label, double fraction);
  /// Clears the line, if one was shown.
  void Finish();

  /// The line shown for a stage: "label: 45 %, 3 s left" (no time left
  /// before anything is done; minutes above two minutes).
  static std::string Line(const std::string& label, double fraction, double elapsedSeconds);

  static double SteadySeconds();

 private:
  std::ostream& out_;
  bool enabled_;
  double delay_;
  Clock clock_;
  double start_;
  std::string label_;
  double stageStart_ = 0;
  double lastShown_ = -1;
  bool shown_ = false;
};

/// Whether standard error is a terminal.
bool StandardErrorIsTerminal();

/// The delay before progress is shown: KELVARA_PROGRESS_DELAY (seconds, a
/// plain number) when set, else one second.
double ProgressDelay();

}  // namespace kelvara::tools
