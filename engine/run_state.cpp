#include "engine/run_state.h"

#include <chrono>

#include "engine/design.h"

namespace kelvara::engine {

std::int64_t RunState::ClockSeconds() const {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

void RunState::DesignStep(RunData& data) {
  data.targets = BuildStageTargets(data.request);
  DesignFilter(*this, data.targets, data.request, data.parts);
}

}  // namespace kelvara::engine
