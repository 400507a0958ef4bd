// The progress line of long kelvara-design runs: per cent and time left,
// only on a terminal and only after the delay.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tools/designer/progress_display.h"

namespace kelvara::tools {
namespace {

struct LineCase {
  double fraction;
  double elapsed;
  const char* line;
};

class ProgressLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ProgressLine, ShowsPerCentAndTimeLeft) {
  const LineCase& c = GetParam();
  EXPECT_EQ(ProgressDisplay::Line("Monte Carlo", c.fraction, c.elapsed), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressLine,
    ::testing::Values(LineCase{0, 0.5, "Monte Carlo: 0 %"}, LineCase{0.25, 1, "Monte Carlo: 25 %, 3 s left"},
                      LineCase{0.5, 2.2, "Monte Carlo: 50 %, 3 s left"},
                      LineCase{0.999, 10, "Monte Carlo: 99 %, 1 s left"}, LineCase{1, 10, "Monte Carlo: 100 %"},
                      LineCase{0.125, 10, "Monte Carlo: 12 %, 70 s left"},
                      LineCase{0.5, 60, "Monte Carlo: 50 %, 60 s left"},
                      LineCase{0.25, 60, "Monte Carlo: 25 %, 3 min left"}, LineCase{1.5, 1, "Monte Carlo: 100 %"},
                      LineCase{-1, 1, "Monte Carlo: 0 %"}));

// A display driven by a clock the test sets.
struct Clocked {
  double now = 0;
  std::ostringstream out;
  ProgressDisplay display{out, true, 1.0, [this] { return now; }};
};

TEST(ProgressDisplay, ShowsNothingDuringTheFirstSecond) {
  Clocked c;
  for (double t : {0.0, 0.3, 0.6, 0.99}) {
    c.now = t;
    c.display.Update("design", t / 2);
  }
  c.display.Finish();
  EXPECT_EQ(c.out.str(), "");
}

TEST(ProgressDisplay, RewritesOneLineAndClearsItAtTheEnd) {
  Clocked c;
  c.now = 0;
  c.display.Update("Monte Carlo", 0);
  c.now = 1.0;
  c.display.Update("Monte Carlo", 0.5);
  c.now = 1.05;  // within a tenth of a second: not rewritten
  c.display.Update("Monte Carlo", 0.52);
  c.now = 1.5;
  c.display.Update("Monte Carlo", 0.75);
  c.now = 1.6;
  c.display.Update("worst case", 0);  // a new stage starts its own clock
  c.now = 2.6;
  c.display.Update("worst case", 0.5);
  c.display.Finish();
  c.display.Finish();  // once only
  EXPECT_EQ(c.out.str(),
            "\rMonte Carlo: 50 %, 1 s left\x1b[K"
            "\rMonte Carlo: 75 %, 1 s left\x1b[K"
            "\rworst case: 0 %\x1b[K"
            "\rworst case: 50 %, 1 s left\x1b[K"
            "\r\x1b[K");
}

TEST(ProgressDisplay, ADisabledDisplayNeverWrites) {
  std::ostringstream out;
  double now = 0;
  {
    ProgressDisplay display(out, false, 0.0, [&now] { return now; });
    now = 5;
    display.Update("design", 0.5);
  }
  EXPECT_EQ(out.str(), "");
}

struct ToolRun {
  int status = -1;
  std::string err;
};

// Runs a long Monte Carlo analysis with the delay set to 0, standard output
// to /dev/null and standard error to a pseudo-terminal or a pipe.
ToolRun RunWithStandardError(bool terminal) {
  int master = -1;
  int slave = -1;
  int pipeEnds[2] = {-1, -1};
  if (terminal) {
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return {};
  } else {
    if (pipe(pipeEnds) != 0) return {};
    master = pipeEnds[0];
    slave = pipeEnds[1];
  }
  const pid_t child = fork();
  if (child == 0) {
    dup2(slave, STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(master);
    setenv("KELVARA_PROGRESS_DELAY", "0", 1);
    execl(KELVARA_DESIGN_EXE, KELVARA_DESIGN_EXE, "--cutoff", "1k", "--order", "8", "--response", "chebyshev",
          "--monte-carlo", "20000", "--worst-case", "--threads", "1", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(slave);
  ToolRun run;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO from the terminal once the child has ended
    run.err.append(buffer, static_cast<std::size_t>(n));
  }
  close(master);
  int raw = 0;
  waitpid(child, &raw, 0);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

TEST(ProgressOfTheTool, IsShownOnATerminal) {
  const ToolRun run = RunWithStandardError(true);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("\rMonte Carlo: "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(" %"), std::string::npos);
  EXPECT_NE(run.err.find("\rworst case: "), std::string::npos) << run.err;
  // The last thing written clears the line.
  EXPECT_EQ(run.err.substr(run.err.size() - 4), "\r\x1b[K");
}

TEST(ProgressOfTheTool, IsNotShownOtherwise) {
  const ToolRun run = RunWithStandardError(false);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace kelvara::tools
