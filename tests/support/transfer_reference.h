#pragma once

// An independent model of a unity-gain Sallen-Key cascade for the tests:
// the transfer function as polynomials in s written straight from the
// circuit (LPF 1 / (1 + s Cb (Ra + Rb) + s^2 Ra Rb Ca Cb), HPF with
// s^2 Ra Rb Ca Cb above and s Ra (Ca + Cb) in the middle, RC sections
// 1 / (1 + s R C) and s R C / (1 + s R C)), multiplied out and evaluated by
// Horner's rule, and the time responses by fourth-order Runge-Kutta
// integration of the cascade's state equations. It shares nothing with
// response/ but the part numbering.

#include <complex>
#include <vector>

#include "engine/design_types.h"

namespace kelvara::testing {

/// Coefficients in ascending powers of s / scale.
struct Polynomial {
  std::vector<double> a;
};

struct ReferenceFilter {
  bool hpf = false;
  double scale = 1.0;  // s is taken as s / scale in the polynomials
  Polynomial num;
  Polynomial den;
  struct Section {
    std::vector<double> num;  // ascending powers of s / scale, degree = den degree
    std::vector<double> den;
  };
  std::vector<Section> sections;
};

/// The filter of order parts 1..order of `parts` (LPF or HPF).
ReferenceFilter MakeReference(bool hpf, int order, const engine::ComponentSet& parts);

std::complex<double> Evaluate(const ReferenceFilter& filter, double fHz);
double GainDb(const ReferenceFilter& filter, double fHz);
/// Group delay -Re(N'/N - D'/D) at s = j omega, in seconds.
double GroupDelay(const ReferenceFilter& filter, double fHz);
/// Phase in degrees at ascending frequencies, unwrapped by walking in small
/// steps from far below (LPF, from 0) or far above (HPF, from 0) the band.
std::vector<double> UnwrappedPhase(const ReferenceFilter& filter, const std::vector<double>& fHz);

/// Step (impulse: false) or regular impulse response (impulse: true) at
/// ascending times >= 0, by Runge-Kutta with a step of at most
/// stepFraction / (fastest pole).
std::vector<double> IntegrateResponse(const ReferenceFilter& filter, const std::vector<double>& times, bool impulse,
                                      double stepFraction = 2e-3);

}  // namespace kelvara::testing
