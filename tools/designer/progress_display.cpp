#include "tools/designer/progress_display.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace kelvara::tools {

ProgressDisplay::ProgressDisplay(std::ostream& out, bool enabled, double delaySeconds, Clock clock)
    : out_(out), enabled_(enabled), delay_(delaySeconds), clock_(std::move(clock)), start_(clock_()) {}

ProgressDisplay::~ProgressDisplay() { Finish(); }

double ProgressDisplay::SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string ProgressDisplay::Line(const std::string& label, double fraction, double elapsedSeconds) {
  const double done = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
  std::string line = label + ": " + std::to_string(static_cast<int>(std::floor(100 * done))) + " %";
  if (done > 0 && done < 1 && elapsedSeconds >= 0) {
    const double left = std::ceil(elapsedSeconds * (1 - done) / done);
    if (left > 120) {
      line += ", " + std::to_string(static_cast<long long>(std::ceil(left / 60))) + " min left";
    } else {
      line += ", " + std::to_string(static_cast<long long>(left)) + " s left";
    }
  }
  return line;
}

void ProgressDisplay::Update(const std::string& label, double fraction) {
  if (!enabled_) return;
  const double now = clock_();
  if (label != label_) {
    label_ = label;
    stageStart_ = now;
    lastShown_ = -1;
  }
  if (now - start_ < delay_) return;
  if (lastShown_ >= 0 && now - lastShown_ < 0.1 && fraction < 1) return;
  lastShown_ = now;
  // Carriage return, the line, and "erase to the end of the line".
  out_ << '\r' << Line(label, fraction, now - stageStart_) << "\x1b[K" << std::flush;
  shown_ = true;
}

void ProgressDisplay::Finish() {
  if (!shown_) return;
  out_ << "\r\x1b[K" << std::flush;
  shown_ = false;
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

double ProgressDelay() {
  const char* text = std::getenv("KELVARA_PROGRESS_DELAY");
  if (text == nullptr || *text == '\0') return 1.0;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (*end != '\0' || !std::isfinite(seconds) || seconds < 0) return 1.0;
  return seconds;
}

}  // namespace kelvara::tools
