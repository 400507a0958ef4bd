// The step search of a stage with one resistor and one capacitor fixed.
//
// The search walks the free part v in steps h until the stage quality first
// reaches the target, steps back, halves h and walks again, until a step
// below the floor overshoots. Its first walk can take millions of steps (a
// large fixed capacitor walked in nanofarads). Those plain steps are taken
// in bulk where that gives exactly the same v: within one binade, adding a
// constant h rounds to the same increment every time, so the j-th sum is
// v + j d on the binade's grid; the quality is monotonic along the walk, so
// a bisection for its crossing, with a margin far above rounding error,
// finds the last point at which every plain step before it is certain not
// to have met the target. Every sum and every comparison the loop makes
// after that is the loop's own, so the result is bit for bit the walk's.
// Bulk steps stop at kBulkStepLimit steps: a search that long still walks
// step by step under its two-second limit, as it always did, unless the
// bulk steps show that its walk is too long for any machine to finish in
// two seconds; then it gives up at once, as it would have at its limit.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "engine/stage_maths.h"
#include "engine/stages.h"

namespace kelvara::engine {
namespace {

double Square(double q) { return std::pow(q, 2.0); }

// Far fewer steps than two seconds take on any machine: up to here the
// walk's result never depended on the clock.
constexpr std::int64_t kBulkStepLimit = std::int64_t{1} << 24;
// Steps no machine walks in two seconds: a step takes about 9 ns here and
// cannot take much under 1 ns anywhere (two divisions and two square
// roots), so two seconds hold well under three billion.
constexpr std::int64_t kBeyondAnyClock = std::int64_t{10'000'000'000};
// Plain steps walked one by one before a bulk step is tried, so that short
// walks cost what they always did.
constexpr int kStepsBeforeBulk = 64;
// Relative margin below the target within which the crossing is walked
// step by step: far above the quality's rounding error (a few ulps).
constexpr double kCrossingMargin = 1e-12;
// Parts and frequencies in this range keep every product and quotient of
// the quality normal, so its rounding error stays a few ulps.
constexpr double kTiny = 1e-60;
constexpr double kHuge = 1e60;

bool Moderate(double x) { return x >= kTiny && x <= kHuge; }

// The fixed parts and the target of one search, and its quality formula.
struct Walk {
  double omega;
  double q;
  double fixedVaried;  // the fixed part of the varied kind
  double fixedOther;   // the fixed part of the derived kind
  bool fixedFirst;     // fixedVaried comes first in the quality formula

  double Derived(double v) const { return PartForOmega(omega, fixedVaried, v, fixedOther); }
  double Quality(double v, double derived) const {
    const double first = fixedFirst ? fixedVaried : v;
    const double second = fixedFirst ? v : fixedVaried;
    return StageQuality(first, second, fixedOther, derived);
  }
  // Certainly below the target, and evaluated where rounding stays small.
  bool SafelyBelow(double v, double threshold) const {
    const double derived = Derived(v);
    return Moderate(v) && Moderate(derived) && Quality(v, derived) < threshold;
  }
};

constexpr std::int64_t kStuck = -1;

// How many plain steps of h (quality below the target, v staying at or
// above the floor) the walk takes from v, at most `most`; v becomes the
// value after them. kStuck: v + h rounds to v, so the walk can never move.
std::int64_t BulkSteps(const Walk& walk, double& v, double h, double epsilon, std::int64_t most) {
  const int exponent = std::ilogb(v);
  const double unit = std::ldexp(1.0, exponent - 52);  // the binade's grid
  const double t = h / unit;
  if (std::fabs(t) >= 0x1p52) return 0;
  if (t - std::floor(t) == 0.5) return 0;  // a tie rounds by v's last bit
  const double increment = std::nearbyint(t);
  const auto index = static_cast<std::int64_t>(v / unit);  // in [2^52, 2^53)
  if (increment == 0) {
    // Below the binade's bottom the grid is finer: a sum there may move.
    return h < 0 && index == (std::int64_t{1} << 52) ? 0 : kStuck;
  }
  const auto d = static_cast<std::int64_t>(increment);
  const auto reach = static_cast<std::int64_t>(std::ceil(std::fabs(t))) + 1;
  std::int64_t n = 0;
  if (d > 0) {
    // Each sum v_j + h stays below the binade's top.
    const std::int64_t room = (std::int64_t{1} << 53) - 1 - reach - index;
    if (room < 0) return 0;
    n = room / d + 1;
  } else {
    // Each sum stays at or above the binade's bottom, each v_j at or above
    // the floor.
    const std::int64_t room = index - (std::int64_t{1} << 52) - reach;
    const double floorIndex = std::ceil(epsilon / unit);
    if (room < 0 || floorIndex > static_cast<double>(index)) return 0;
    n = std::min(room / -d + 1, (index - static_cast<std::int64_t>(floorIndex)) / -d);
  }
  n = std::min(n, most);
  if (n <= 0) return 0;

  const double threshold = walk.q * (1 - kCrossingMargin);
  auto at = [&](std::int64_t j) { return static_cast<double>(index + j * d) * unit; };
  // The quality rises along the walk: every point up to one safely below
  // the target is below it too. Gallop out from v, then bisect.
  std::int64_t below = 0;      // every point up to here stays below
  std::int64_t above = n + 1;  // the first point not known to
  for (std::int64_t probe = std::min<std::int64_t>(64, n);;) {
    if (!walk.SafelyBelow(at(probe), threshold)) {
      above = probe;
      break;
    }
    below = probe;
    if (probe == n) break;
    probe = std::min(probe * 4, n);
  }
  while (above <= n && above - below > 1) {
    const std::int64_t mid = below + (above - below) / 2;
    if (walk.SafelyBelow(at(mid), threshold)) {
      below = mid;
    } else {
      above = mid;
    }
  }
  v = at(below);
  return below;
}

// Whether the first walk from v certainly needs more than `limit` steps to
// reach the target: bulk steps and plain ones, without the clock. False
// where that cannot be told (the walk reaches the floor, where it changes
// its step).
bool WalkLongerThan(const Walk& walk, double v, double h, double epsilon, std::int64_t limit) {
  for (std::int64_t steps = 0; steps <= limit;) {
    const std::int64_t n = BulkSteps(walk, v, h, epsilon, limit + 1 - steps);
    if (n == kStuck) return true;
    if (n > 0) {
      steps += n;
      continue;
    }
    if (walk.Quality(v, walk.Derived(v)) >= walk.q) return false;
    v = v + h;
    if (v < epsilon) return false;
    ++steps;
  }
  return true;
}

}  // namespace

// LPF varies the capacitor that is not fixed and derives the resistor that
// is not fixed; HPF varies the resistor and derives the capacitor.
void StepSearchStage(RunState& run, int e, const StageTargets& targets, ComponentSet& parts, bool lpf) {
  const int slot = StageSlot(e);
  const double q = targets.stageQ[slot];
  const double omega = targets.stageOmega[slot];
  StageParts p(parts, e);

  // fixedFirst: the fixed part of the varied kind is the one that comes first
  // in the quality formula (LPF Ca, HPF Rb); then v starts at the
  // equal-part value below it and walks down.
  const bool fixedFirst = lpf ? p.CaFixed : p.RbFixed;
  const double fixedVaried = lpf ? (fixedFirst ? p.Ca : p.Cb) : (fixedFirst ? p.Rb : p.Ra);
  const double fixedOther = lpf ? (p.RaFixed ? p.Ra : p.Rb) : (p.CaFixed ? p.Ca : p.Cb);
  const Walk walk{omega, q, fixedVaried, fixedOther, fixedFirst};
  const double step = lpf ? 1e-9 : 1000;
  const double epsilon = lpf ? 1e-12 : 0.2;
  double v = fixedFirst ? fixedVaried * 0.25 / Square(q) : Square(q) * (fixedVaried * 4);
  double h = fixedFirst ? -step : step;

  // The stage quality 1 / (omega v f + 1 / (omega x f)) of this circuit is
  // monotonic in v and bounded by omega f x (walking down) or 1 / (omega f x)
  // (walking up), where f and x are the fixed parts. A target beyond that
  // bound (with a margin far above rounding error) is never met, and the
  // search would only end at its time limit: give up at once.
  const double bound = fixedFirst ? omega * fixedVaried * fixedOther : 1 / (omega * fixedVaried * fixedOther);
  bool running = !(q > bound * (1 + 1e-9));
  bool converged = false;
  double derived = 0;
  // Bulk steps only in the first walk, and only where the quality's
  // rounding is known.
  bool firstWalk = Moderate(omega) && Moderate(fixedVaried) && Moderate(fixedOther) && Moderate(q);
  int plainSteps = 0;

  const std::int64_t start = run.ClockSeconds();
  const std::int64_t deadline = start + 2;
  // Reading the clock costs more than a step; it is read every
  // kStepsPerClockRead steps, which moves the limit by microseconds.
  constexpr std::int64_t kStepsPerClockRead = 256;
  std::int64_t steps = 0;
  auto count = [&](std::int64_t n) {
    const std::int64_t before = steps / kStepsPerClockRead;
    steps += n;
    // The limit holds once its second has been reached or passed, and also
    // when the clock has been set back.
    if (steps / kStepsPerClockRead != before) {
      const std::int64_t now = run.ClockSeconds();
      if (now >= deadline || now < start) running = false;
    }
  };
  while (running) {
    derived = walk.Derived(v);
    const double qc = walk.Quality(v, derived);
    if (qc >= q) {
      firstWalk = false;
      if (std::fabs(h) < epsilon) {
        running = false;
        converged = true;
      } else {
        v = v - h;
        h = h * 0.5;
      }
    } else if (firstWalk && ++plainSteps >= kStepsBeforeBulk) {
      plainSteps = 0;
      if (steps >= kBulkStepLimit) {
        // From here the walk is the clock's: unless it cannot finish in
        // time, then it gives up now.
        firstWalk = false;
        if (WalkLongerThan(walk, v, h, epsilon, kBeyondAnyClock - steps)) {
          running = false;
          continue;
        }
      } else {
        const std::int64_t n = BulkSteps(walk, v, h, epsilon, kBulkStepLimit - steps);
        if (n == kStuck) {
          running = false;  // the walk would stand still until the time limit
          continue;
        }
        if (n > 0) {
          count(n);
          continue;
        }
      }
    }
    if (!converged) {
      v = v + h;
      while (v < epsilon && running) {
        if (std::fabs(h) < epsilon) {
          running = false;
        } else {
          v = v - h;
          h = h * 0.5;
          v = v + h;
        }
      }
    }
    count(1);
  }

  const int fixedR = p.RaFixed ? e - 1 : e;
  const int fixedC = p.CaFixed ? e - 1 : e;
  if (!converged) {
    run.Warn("R" + std::to_string(fixedR) + ", C" + std::to_string(fixedC) + kUnrealisable,
             "autoにするかfixの値を再設定下さい。");
    run.valid = false;
    v = 0;
    derived = 0;
  }
  if (lpf) {
    (fixedFirst ? p.Cb : p.Ca) = v;
    (p.RaFixed ? p.Rb : p.Ra) = derived;
  } else {
    (fixedFirst ? p.Ra : p.Rb) = v;
    (p.CaFixed ? p.Cb : p.Ca) = derived;
  }
}

}  // namespace kelvara::engine
