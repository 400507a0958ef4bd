#pragma once

// The ideal cascade's gain in a form for speed: every stage's |1/H|^2 is
// (1 - z a)^2 + z c with z = omega^2 (LPF) or 1/omega^2 (HPF), a = 1/w0^2
// (LPF) or w0^2 (HPF) and c = a / Q^2 (a first-order stage: 1 + z a), so the
// whole cascade costs a few multiplications per stage and no division,
// square root or logarithm. The values differ from ResponseDb's by rounding
// only (a few 1e-15 relative in |H|^2). Used where very many gains are
// compared or ranked: the tolerance bands over many trials and the -3 dB
// search (FastCutoff3dB, equal to FindCutoff3dB bit for bit).

#include <array>
#include <vector>

#include "engine/design_types.h"
#include "response/response.h"

namespace kelvara::response {

/// z of a frequency f (Hz): omega^2 (LPF) or 1 / omega^2 (HPF).
double InversePowerZ(bool hpf, double f);

/// The a and c of one stage from its natural angular frequency and Q
/// (Q = 0, a first-order stage: c = 0).
struct InversePowerTerms {
  double a = 0;
  double c = 0;
};
InversePowerTerms InversePowerTermsOf(bool hpf, double omega, double q);

/// The terms of many part sets (trials), stage by stage, for the gain of
/// all of them at once.
struct InversePowerColumns {
  std::vector<std::vector<double>> a;  // [stage slot][trial]
  std::vector<std::vector<double>> c;

  InversePowerColumns(int slotCount, int trials)
      : a(slotCount, std::vector<double>(trials)), c(slotCount, std::vector<double>(trials)) {}
  /// Sets trial's terms from its stages.
  void Set(const DesignRequest& request, int trial, const ResponseStages& st);
};

/// -|1/H|^2 of every trial at f (negated, so that it ascends with the
/// gain); w has one entry per trial.
void NegatedInversePowers(const DesignRequest& request, const InversePowerColumns& stages, double f,
                          std::vector<double>& w);

/// Gain in dB of a negated inverse power: -10 log10(-w).
double DbOfNegatedInversePower(double w);

/// FindCutoff3dB, faster, with the same result bit for bit: each step of
/// the search first evaluates |1/H|^2 and decides from it where the gain is
/// more than 1e-6 dB away from -3 dB (the two forms differ by rounding,
/// below 1e-12 dB for Q up to 1000); closer steps, stages of higher Q and
/// values that are no number use ResponseDb itself.
double FastCutoff3dB(const DesignRequest& request, const ResponseStages& stages);

}  // namespace kelvara::response
