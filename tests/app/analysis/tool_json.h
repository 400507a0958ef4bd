#pragma once

// kelvara-design's JSON of a command line (with --json), for the window
// tests that hold the window's figures against the tool's; discarded (not
// an object) where the tool printed none.

#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/command_output.h"

namespace kelvara::app::testing {

#ifdef KELVARA_DESIGN_EXE
inline nlohmann::json ToolJson(const std::string& args) {
  return nlohmann::json::parse(
      test::CommandOutput(std::string(KELVARA_DESIGN_EXE) + " " + args + " --json 2>/dev/null"), nullptr, false);
}
#endif

}  // namespace kelvara::app::testing
