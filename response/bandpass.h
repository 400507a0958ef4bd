#pragma once

// Band-pass filters of multiple-feedback sections (engine/bandpass.h): the
// sections of a design, and the summary of a band-pass gain on the exact
// function: the gain at the centre, the two band edges at the response's
// cut-off level below it (found by walking in from outside the band and
// bisecting the gain to adjacent doubles), the bandwidth between them, the
// ripple (Chebyshev: the highest minus the lowest gain between the edges,
// from the bracketed walk of output_extremes.h) and the attenuation at
// f0 / 2 and 2 f0.

#include <optional>
#include <vector>

#include "engine/bandpass.h"
#include "response/circuit.h"

namespace kelvara::response {

/// The sections of a band-pass design (every part numbered through the
/// cascade: R1, R2, R3 and C1, C2 of the first section, R4.. of the next).
std::vector<Section> SectionsOfBandPass(const engine::BandPassDesign& design);

/// The level of the band edges below the gain at the centre, in dB (<= 0):
/// the prototype's gain at its cut-off over its gain at DC (-3.01 dB for
/// Butterworth and Legendre, -6.02 dB for Linkwitz-Riley, 0 or the ripple
/// for Chebyshev, the table's for Bessel).
double BandEdgeLevelDb(int response, int rippleIndex, int order);

struct BandPassSummary {
  double centerHz = 0;
  double centerGainDb = 0;  // 20 log10 |H(j w0)|
  double lowerEdgeHz = 0;
  double upperEdgeHz = 0;
  double bandwidthHz = 0;          // upper - lower
  std::optional<double> rippleDb;  // Chebyshev: highest - lowest gain between the edges
  double attenuationHalfDb = 0;    // centre gain - gain at f0 / 2
  double attenuationDoubleDb = 0;  // centre gain - gain at 2 f0
};

BandPassSummary SummarizeBandPass(const CircuitModel& circuit, double centerHz, double edgeLevelDb, bool ripple);

}  // namespace kelvara::response
