#pragma once

// Exact extremes of an ideal cascade's gain and group delay over a band, and
// the frequencies where the gain leaves a tolerance: no grid. Every section's
// |1/H|^2 is a polynomial in t = (f/fref)^2 (LPF) or (fref/f)^2 (HPF), of
// degree 1 or 2, so the gain is monotone between the real roots of the
// derivative of their product (degree at most 7), and the group delay of an
// LPF between the real roots of a polynomial of degree at most 14 in
// (f/fref)^2. The roots are isolated through the chain of derivatives (each
// polynomial is monotone between the roots of its derivative) and bisected
// to adjacent doubles; the values at the extremes and the level crossings
// are those of GainDb and GroupDelay (bisection on GainDb itself), so they
// agree with every other view of the cascade to its rounding.
//
// Accuracy: a crossing is bisected until its bracket is two adjacent
// doubles, so its frequency is exact to the rounding of GainDb (about 1e-15
// relative); an extreme's frequency is exact to the rounding of the
// polynomial (near a flat extreme a relative 1e-8 in frequency, which moves
// its value by less than 1e-13 dB).

#include <vector>

#include "response/analysis.h"

namespace kelvara::response {

/// The frequencies (Hz, ascending, all > 0) where the gain of the cascade is
/// stationary.
std::vector<double> GainStationaryHz(const Cascade& cascade);

/// The frequencies (Hz, ascending, all > 0) where the gain of the first
/// `count` sections (the gain to that section's op-amp output, ideal
/// op-amps) is stationary, or with `slope` where f |H| of it is (a sine's
/// highest slew rate at that output).
std::vector<double> OutputStationaryHz(const Cascade& cascade, int count, bool slope);

/// Lowest and highest gain (dB) over the closed band [fLowHz, fHighHz];
/// fLowHz may be 0 and fHighHz +infinity (an LPF's gain at 0 Hz and an HPF's
/// towards infinity is 0 dB; an LPF's towards infinity and an HPF's at 0 Hz
/// is -infinity).
struct GainBand {
  double lowDb = 0.0;
  double highDb = 0.0;
};
GainBand GainExtremes(const Cascade& cascade, double fLowHz, double fHighHz);

/// Lowest and highest group delay (s) of an LPF cascade over [0, fHighHz],
/// with the delay at 0 Hz.
struct DelayBand {
  double lowS = 0.0;
  double highS = 0.0;
  double dcS = 0.0;
};
DelayBand DelayExtremes(const Cascade& cascade, double fHighHz);

/// The edge of the widest pass band whose gain stays within +-deviationDb of
/// 0 dB: LPF the highest f with |gain| <= deviationDb on all of [0, f], HPF
/// the lowest f with it on [f, infinity). +infinity (LPF) or 0 (HPF) where
/// the gain never leaves the band within the range of doubles.
double PassEdgeHz(const Cascade& cascade, double deviationDb);

/// The edge of the widest stop band whose gain stays at or below
/// -attenuationDb: LPF the lowest f with gain <= -attenuationDb on all of
/// [f, infinity), HPF the highest f with it on (0, f]. +infinity (LPF) or 0
/// (HPF) where no such band starts within the range of doubles.
double StopEdgeHz(const Cascade& cascade, double attenuationDb);

}  // namespace kelvara::response
