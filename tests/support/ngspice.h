#pragma once

// Runs the circuit simulator ngspice in batch mode for the tests that check
// our responses and netlists against it. Header-only: every test executable
// that needs it includes it.
//
//   if (!kelvara::test::NgspiceAvailable()) GTEST_SKIP() << kelvara::test::kNgspiceMissing;
//   auto run = kelvara::test::RunNgspice(deck, "ac dec 100 1 100meg\nwrdata @OUT@ vdb(out) vp(out)");
//
// The deck is a netlist (its ".end" line optional); the control lines are
// placed in a .control block before ".end", with every "@OUT@" replaced by the
// path of the data file whose rows come back. wrdata writes each vector as a
// pair of columns (scale, value); precision is raised to 15 digits.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kelvara::test {

inline constexpr const char* kNgspiceMissing =
    "ngspice was not found on PATH (Debian package ngspice, installed by scripts/setup): simulator comparison skipped";

inline bool NgspiceAvailable() { return std::system("command -v ngspice >/dev/null 2>&1") == 0; }

struct NgspiceRun {
  bool ok = false;                        // exit status 0 and the data file was written
  std::string log;                        // what ngspice printed
  std::vector<std::vector<double>> rows;  // the data file, one vector of numbers per line
};

inline NgspiceRun RunNgspice(const std::string& deck, const std::string& controlLines) {
  namespace fs = std::filesystem;
  char pattern[] = "/tmp/kelvara-ngspice-XXXXXX";
  NgspiceRun run;
  if (mkdtemp(pattern) == nullptr) {
    run.log = "mkdtemp failed";
    return run;
  }
  const fs::path dir = pattern;
  const std::string out = (dir / "out.dat").string();

  std::string control = controlLines;
  for (std::size_t at = control.find("@OUT@"); at != std::string::npos; at = control.find("@OUT@", at))
    control.replace(at, 5, out);

  // The deck without its .end line, then the control block, then .end.
  std::istringstream in(deck);
  std::ostringstream body;
  for (std::string line; std::getline(in, line);) {
    std::string lower = line;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (lower.rfind(".end", 0) == 0 && lower.find_first_not_of(" \t\r", 4) == std::string::npos) continue;
    body << line << '\n';
  }
  body << ".control\nset numdgt=15\nset wr_vecnames=false\n" << control << "\nquit\n.endc\n.end\n";
  {
    std::ofstream f(dir / "deck.cir");
    f << body.str();
  }
  const std::string cmd = "cd '" + dir.string() + "' && ngspice -b deck.cir > log.txt 2>&1";
  const int status = std::system(cmd.c_str());
  {
    std::ifstream f(dir / "log.txt");
    std::ostringstream s;
    s << f.rdbuf();
    run.log = s.str();
  }
  std::ifstream data(out);
  for (std::string line; std::getline(data, line);) {
    std::istringstream fields(line);
    std::vector<double> row;
    for (double x; fields >> x;) row.push_back(x);
    if (!row.empty()) run.rows.push_back(std::move(row));
  }
  run.ok = status == 0 && data.is_open() && !run.rows.empty();
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return run;
}

}  // namespace kelvara::test
