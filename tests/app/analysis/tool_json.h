#pragma once

// kelvara-design's JSON of a command line (with --json), for the window
// tests that hold the window's figures against the tool's; discarded (not
// an object) where the tool printed none.

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

namespace kelvara::app::testing {

#ifdef KELVARA_DESIGN_EXE
inline nlohmann::json ToolJson(const std::string& args) {
  std::string out;
  if (FILE* pipe = popen((std::string(KELVARA_DESIGN_EXE) + " " + args + " --json 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return nlohmann::json::parse(out, nullptr, false);
}
#endif

}  // namespace kelvara::app::testing
