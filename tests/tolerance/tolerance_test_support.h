#pragma once

// Designs for the tolerance tests, and the transfer functions of the drawn
// circuit written out independently of response/ (complex arithmetic of the
// unity-gain Sallen-Key stages).

#include <complex>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "tests/support/component_sets.h"
#include "tests/support/recording_run.h"
#include "tolerance/trial.h"

namespace kelvara::tolerance::test {

inline DesignRequest Request(int kind, int order, int response = engine::kButterworth, const char* cutoff = "1k") {
  return engine::MakeDesignRequest(
      {.passKind = kind, .orderIndex = order - 2, .response = response, .cutoffText = cutoff, .anyValues = true});
}

inline ToleranceDesign Designed(const DesignRequest& request, double rPct, double cPct,
                                Distribution distribution = Distribution::kUniform) {
  ToleranceDesign d;
  d.request = request;
  d.parts = kelvara::testing::AllAuto();
  kelvara::testing::RecordingRun run;
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, d.parts);
  d.tolerances = Tolerances::Uniform(rPct, cPct);
  d.distribution = distribution;
  return d;
}

/// |H(j 2 pi f)|^2 of the cascade, from the circuit: LPF section
/// 1 / (1 + s Cb (Ra + Rb) + s^2 Ra Rb Ca Cb), HPF section
/// s^2 Ra Rb Ca Cb / (s^2 Ra Rb Ca Cb + s Ra (Ca + Cb) + 1), RC section
/// 1 / (1 + s R C) or s R C / (1 + s R C).
inline double CircuitPower(const DesignRequest& request, const ComponentSet& p, double f) {
  const std::complex<double> s(0, 2 * 3.14159265358979323846 * f);
  const bool hpf = request.passKind == engine::kHpf;
  std::complex<double> h = 1;
  int i = 0;
  if (!request.evenOrder) {
    const std::complex<double> src = s * p.r[0] * p.c[0];
    h *= hpf ? src / (1.0 + src) : 1.0 / (1.0 + src);
    i = 1;
  }
  for (; i < request.Order(); i += 2) {
    const double ra = p.r[i], rb = p.r[i + 1], ca = p.c[i], cb = p.c[i + 1];
    const std::complex<double> s2 = s * s * (ra * rb * ca * cb);
    h *= hpf ? s2 / (s2 + s * (ra * (ca + cb)) + 1.0) : 1.0 / (1.0 + s * (cb * (ra + rb)) + s2);
  }
  return std::norm(h);
}

/// The -3 dB frequency by bisection of the circuit's |H|^2 against
/// 10^-0.3 between lo and hi (one crossing between them).
inline double CircuitCutoff(const DesignRequest& request, const ComponentSet& p, double lo, double hi) {
  const double target = std::pow(10.0, -0.3);
  const bool hpf = request.passKind == engine::kHpf;
  for (int k = 0; k < 200 && hi - lo > 1e-12 * hi; ++k) {
    const double mid = std::sqrt(lo * hi);
    const bool above = CircuitPower(request, p, mid) > target;
    if (above != hpf) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return std::sqrt(lo * hi);
}

}  // namespace kelvara::tolerance::test
