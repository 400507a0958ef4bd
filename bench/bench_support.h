#pragma once

// A run for benchmarks: never stops, shows and warns nothing.

#include <string>

#include "engine/design_types.h"
#include "engine/run_state.h"

namespace kelvara::bench {

class SilentRun final : public engine::RunState {
 public:
  bool StopRequested() const override { return false; }
  void Warn(const std::string&, const std::string&) override {}

 protected:
  void ShowProgress(int) override {}
};

inline engine::ComponentSet AllAuto() {
  engine::ComponentSet parts;
  parts.rAuto.fill(true);
  parts.cAuto.fill(true);
  return parts;
}

}  // namespace kelvara::bench
