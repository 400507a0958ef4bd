#pragma once

// The gain band of many trials at one frequency, computed for speed: the
// trials' gains come as negated inverse powers -|1/H|^2 from the response
// library's division-free form (response/inverse_power.h), the order
// statistics are picked from those and only the few picked are turned into
// dB. The values differ from ResponseDb's by rounding only (a few 1e-15
// relative in |H|^2); the band's nominal curve is ResponseDb itself.

#include <vector>

#include "response/inverse_power.h"
#include "response/response.h"
#include "tolerance/monte_carlo.h"

namespace kelvara::tolerance {

/// Per stage slot and trial: the terms of the division-free gain.
using StageColumns = response::InversePowerColumns;

/// -|1/H|^2 of every trial at f (negated, so that it ascends with the gain).
using response::NegatedInversePowers;

/// Minimum, 5 % and 95 % points and maximum in dB of the trials whose
/// negated inverse powers w holds (reordered).
BandPoint BandFromNegatedInversePowers(double f, double nominalDb, std::vector<double>& w);

/// The same for any key that ascends with the gain (the magnitude |H| of
/// a real op-amp's circuit, response::CircuitGainMagnitude), db turning a
/// key into dB; only the keys picked are turned.
BandPoint BandFromGainKeys(double f, double nominalDb, std::vector<double>& w, double (*db)(double));

}  // namespace kelvara::tolerance
