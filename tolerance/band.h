#pragma once

// The gain band of many trials at one frequency, computed for speed: every
// stage's |1/H|^2 is (1 - u)^2 + v with u and v proportional to omega^2 (LPF)
// or 1/omega^2 (HPF), so a trial costs a few multiplications per stage and
// no division, square root or logarithm; the order statistics are picked
// from the products and only those few are turned into dB. The values differ
// from ResponseDb's by rounding only (a few 1e-15 relative in |H|^2); the
// band's nominal curve is ResponseDb itself.

#include <vector>

#include "response/response.h"
#include "tolerance/monte_carlo.h"

namespace kelvara::tolerance {

/// Per stage slot and trial: a = 1/w0^2 (LPF) or w0^2 (HPF), c = a / Q^2.
struct StageColumns {
  std::vector<std::vector<double>> a;
  std::vector<std::vector<double>> c;

  StageColumns(int slots, int trials) : a(slots, std::vector<double>(trials)), c(slots, std::vector<double>(trials)) {}
  void Set(const DesignRequest& request, int trial, const response::ResponseStages& st);
};

/// -|1/H|^2 of every trial at f (negated, so that it ascends with the gain).
void NegatedInversePowers(const DesignRequest& request, const StageColumns& stages, double f, std::vector<double>& w);

/// Minimum, 5 % and 95 % points and maximum in dB of the trials whose
/// negated inverse powers w holds (reordered).
BandPoint BandFromNegatedInversePowers(double f, double nominalDb, std::vector<double>& w);

}  // namespace kelvara::tolerance
