// The step search with one resistor and one capacitor fixed, against the
// search written as the plain loop it is defined as: every step taken one
// by one. The engine takes long first walks in bulk; its parts must be the
// loop's bit for bit.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "engine/stage_maths.h"
#include "tests/support/component_sets.h"
#include "tests/support/recording_run.h"

namespace kelvara::engine {
namespace {

using kelvara::testing::AllAuto;
using kelvara::testing::FixC;
using kelvara::testing::FixR;
using kelvara::testing::RecordingRun;

// Which parts of the stage are fixed.
struct Fixed {
  bool lpf;
  bool firstVaried;  // LPF: Ca fixed (else Cb); HPF: Rb fixed (else Ra)
  bool firstOther;   // LPF: Ra fixed (else Rb); HPF: Ca fixed (else Cb)
};

struct Walked {
  double v = 0;
  double derived = 0;
  bool converged = false;
  bool finished = true;  // false: still walking after the step cap
  std::int64_t steps = 0;
};

double Sq(double q) { return std::pow(q, 2.0); }

// The search, one step at a time, without a clock.
Walked PlainWalk(const Fixed& f, double q, double omega, double variedFixed, double otherFixed, std::int64_t cap) {
  const bool down = f.firstVaried;  // LPF Ca or HPF Rb fixed: walk down
  const double step = f.lpf ? 1e-9 : 1000;
  const double epsilon = f.lpf ? 1e-12 : 0.2;
  double v = down ? variedFixed * 0.25 / Sq(q) : Sq(q) * (variedFixed * 4);
  double h = down ? -step : step;
  Walked w;
  const double bound = down ? omega * variedFixed * otherFixed : 1 / (omega * variedFixed * otherFixed);
  bool running = !(q > bound * (1 + 1e-9));
  while (running) {
    if (w.steps++ == cap) {
      w.finished = false;
      return w;
    }
    w.derived = PartForOmega(omega, variedFixed, v, otherFixed);
    const double qc = down ? StageQuality(variedFixed, v, otherFixed, w.derived)
                           : StageQuality(v, variedFixed, otherFixed, w.derived);
    if (qc >= q) {
      if (std::fabs(h) < epsilon) {
        running = false;
        w.converged = true;
      } else {
        v = v - h;
        h = h * 0.5;
      }
    }
    if (!w.converged) {
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
  }
  w.v = w.converged ? v : 0;
  w.derived = w.converged ? w.derived : 0;
  return w;
}

DesignRequest Request(int kind, int order, int response, const std::string& cutoff) {
  return MakeDesignRequest(
      {.passKind = kind, .orderIndex = order - 2, .response = response, .cutoffText = cutoff, .anyValues = true});
}

// Random stages with one part of each kind fixed, over twelve decades of
// capacitance and eight of resistance: first walks from none to millions
// of steps, up and down, converging, and giving up below the floor or at
// an unreachable target.
TEST(StepSearch, MatchesThePlainLoopBitForBit) {
  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> unit(0, 1);
  auto logUniform = [&](double lo, double hi) { return lo * std::pow(hi / lo, unit(random)); };
  int compared = 0;
  int longWalks = 0;
  int failures = 0;
  for (int trial = 0; trial < 800; ++trial) {
    const Fixed f{trial % 2 == 0, unit(random) < 0.5, unit(random) < 0.5};
    const int order = 2 * (1 + static_cast<int>(unit(random) * 4));
    const int response = static_cast<int>(unit(random) * 3);
    const int e = 2 * (1 + static_cast<int>(unit(random) * (order / 2)));
    const std::string cutoff = std::to_string(logUniform(1, 1e6));
    const DesignRequest request = Request(f.lpf ? kLpf : kHpf, order, response, cutoff);
    const StageTargets targets = BuildStageTargets(request);
    const int slot = e / 2 - 1;
    const double q = targets.stageQ[slot];
    const double omega = targets.stageOmega[slot];
    // The fixed part of one kind anywhere, the other within three decades
    // of the stage's scale 1 / (omega x), about half of them reachable.
    const double c = f.lpf ? logUniform(1e-12, 1e-3) : 0;
    const double r = f.lpf ? 1 / (omega * c) * logUniform(1e-3, 1e3) : logUniform(1, 1e8);
    const double cHpf = 1 / (omega * r) * logUniform(1e-3, 1e3);
    const double varied = f.lpf ? c : r;
    const double other = f.lpf ? r : cHpf;

    const Walked expected = PlainWalk(f, q, omega, varied, other, std::int64_t{1} << 20);
    if (!expected.finished) continue;  // left to the time limit
    ComponentSet parts = AllAuto();
    // LPF: Ca (the a part) comes first in the quality, HPF: Rb (the b part).
    const bool variedIsA = f.lpf == f.firstVaried;
    const int variedNumber = variedIsA ? e - 1 : e;
    const int otherNumber = f.firstOther ? e - 1 : e;
    if (f.lpf) {
      FixC(parts, variedNumber, varied);
      FixR(parts, otherNumber, other);
    } else {
      FixR(parts, variedNumber, varied);
      FixC(parts, otherNumber, other);
    }
    RecordingRun run;
    DesignFilter(run, targets, request, parts);
    const int freeVaried = variedIsA ? e - 1 : e - 2;  // index of the free part of the varied kind
    const int freeOther = f.firstOther ? e - 1 : e - 2;
    const double gotV = f.lpf ? parts.c[freeVaried] : parts.r[freeVaried];
    const double gotDerived = f.lpf ? parts.r[freeOther] : parts.c[freeOther];
    const std::string where = "trial " + std::to_string(trial) + " order " + std::to_string(order) + " stage " +
                              std::to_string(e) + " cut-off " + cutoff;
    EXPECT_EQ(gotV, expected.v) << where;
    EXPECT_EQ(gotDerived, expected.derived) << where;
    if (!expected.converged) {
      ++failures;
      EXPECT_FALSE(run.valid) << where;
    }
    ++compared;
    if (expected.steps > 10000) ++longWalks;
  }
  std::printf("%d compared, %d long walks, %d failures\n", compared, longWalks, failures);
  EXPECT_GT(compared, 600);
  EXPECT_GT(longWalks, 40);
  EXPECT_GT(failures, 20);
  EXPECT_GT(compared - failures, 200);
}

// A walk whose every step rounds back to where it started would stand
// still until the time limit: it gives up at once, as it would then.
TEST(StepSearch, AWalkThatCannotMoveGivesUpAtOnce) {
  // LPF, Cb and Ra fixed: Ca walks up in 1 nF steps from 4 Q^2 Cb, which at
  // 10 MF is far beyond what a nanofarad can change.
  const DesignRequest request = Request(kLpf, 2, kButterworth, "1");
  const double omega = BuildStageTargets(request).stageOmega[0];
  ComponentSet parts = AllAuto();
  FixC(parts, 2, 1e7);
  FixR(parts, 1, 1 / (omega * 1e7 * 0.70711) * (1 - 1e-6));
  RecordingRun run;
  int reads = 0;
  run.clock = [&reads] {
    ++reads;
    return std::int64_t{100};
  };
  DesignFilter(run, BuildStageTargets(request), request, parts);
  EXPECT_FALSE(run.valid);
  EXPECT_EQ(parts.c[0], 0);
  EXPECT_LT(reads, 10);
}

}  // namespace
}  // namespace kelvara::engine
