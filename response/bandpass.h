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

/// A band-pass mask: the pass band fp1..fp2 within +-ap dB of the nominal
/// gain, the stop bands up to fs1 and from fs2 at least as dB below it.
struct BandPassMask {
  double fs1 = 0, fp1 = 0, fp2 = 0, fs2 = 0;  // Hz, in this order
  double ap = 0, as = 0;                      // dB
};

/// Whether the edges are in order (fs1 < fp1 < fp2 < fs2, all above 0) and
/// 0 < ap < as.
bool IsOrdered(const BandPassMask& mask);

/// The margins of a circuit against the mask, in dB (both >= 0 exactly when
/// it is met): ap minus the largest deviation from nominalDb in the pass
/// band, and the stop bands' distance below nominalDb - as. Each band's
/// extremes by the bracketed walk on the exact slope (output_extremes.h).
struct BandPassMargins {
  double passDb = 0;
  double stopDb = 0;
  bool Meets() const { return passDb >= 0 && stopDb >= 0; }
};
BandPassMargins MarginsOf(const CircuitModel& circuit, double nominalDb, const BandPassMask& mask);

}  // namespace kelvara::response
