#pragma once

// What a shell command printed on its standard output, for the tests that
// read the program's files with other tools (pdftotext, pdfinfo) or run
// kelvara-design.

#include <cstdio>
#include <string>

namespace kelvara::test {

inline std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

}  // namespace kelvara::test
