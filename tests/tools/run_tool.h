#pragma once

// Runs kelvara-design with shell-quoted arguments and collects its exit
// status, standard output and standard error.

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

namespace kelvara::tools::test {

struct ToolResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline ToolResult RunDesignTool(const std::string& args) {
  // Test processes run in parallel: each needs its own file for stderr.
  const std::string errFile = ::testing::TempDir() + "kelvara_design_err_" + std::to_string(getpid()) + ".txt";
  const std::string cmd = std::string(KELVARA_DESIGN_EXE) + " " + args + " 2>" + errFile;
  ToolResult r;
  FILE* pipe = popen(cmd.c_str(), "r");
  if (pipe == nullptr) return r;
  std::array<char, 4096> buf{};
  std::size_t n = 0;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
  const int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  if (FILE* f = fopen(errFile.c_str(), "r")) {
    while ((n = fread(buf.data(), 1, buf.size(), f)) > 0) r.err.append(buf.data(), n);
    fclose(f);
  }
  return r;
}

}  // namespace kelvara::tools::test
