#include "engine/run_state.h"

#include <chrono>

namespace kelvara::engine {

std::int64_t RunState::ClockSeconds() const {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace kelvara::engine
