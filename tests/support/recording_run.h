#pragma once

// A run for tests: records warnings and every progress value shown, stops
// on request and reads a clock the test controls.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/run_state.h"

namespace kelvara::testing {

struct RecordedWarning {
  std::string caption;
  std::string text;
  bool operator==(const RecordedWarning&) const = default;
};

class RecordingRun : public engine::RunState {
 public:
  bool StopRequested() const override { return stop; }
  void Warn(const std::string& caption, const std::string& text) override { warnings.push_back({caption, text}); }
  std::int64_t ClockSeconds() const override { return clock ? clock() : engine::RunState::ClockSeconds(); }

  bool stop = false;
  std::vector<RecordedWarning> warnings;
  std::vector<int> shown;                     // progress values shown, in order
  std::function<std::int64_t()> clock;        // replaces the wall clock when set
  std::function<void(RecordingRun&)> onStep;  // runs inside each progress step

 protected:
  void ShowProgress(int progress) override {
    shown.push_back(progress);
    if (onStep) onStep(*this);
  }
};

}  // namespace kelvara::testing
