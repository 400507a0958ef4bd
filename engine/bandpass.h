#pragma once

// Band-pass filters: the low-pass prototype of order n / 2 of any response
// (its stage tables or its computed poles, engine/prototypes.h) moved to a
// centre f0 and a bandwidth B by the low-pass to band-pass transformation
// s -> (s^2 + w0^2) / (B' s), B' = 2 pi B: each prototype pole p (of the
// 1 rad/s prototype) gives the roots of s^2 - p (B / f0) s + 1 around the
// normalised centre, and each root of positive imaginary part one
// second-order band-pass section of natural frequency |root| w0 and
// Q = |root| / (2 |Re root|). The prototype's cut-off points (-3 dB,
// -6 dB or the ripple edge, as the response defines them) become the two
// band edges f1 < f0 < f2 with f2 - f1 = B and f1 f2 = f0^2: f0 is the
// geometric centre.
//
// Each section is a multiple-feedback band-pass stage with its input
// divider (response/sections_mfb.cpp, parts R1 input, R2 divider, R3
// feedback, C1 to the − input, C2 feedback):
//   w0^2 = (1/R1 + 1/R2) / (R3 C1 C2), w0 / Q = (C1 + C2) / (R3 C1 C2),
//   gain at w0 = -R3 C1 / (R1 (C1 + C2)).
// Designed with equal capacitors C (the band's starting capacitor of the
// section's frequency): R3 = 2 Q / (w0 C), R1 = Q / (w0 C K),
// R2 = 1 / (w0 C (2 Q - K / Q)); a section reaches a centre gain K below
// 2 Q^2 (R2 then closes the divider; at 2 Q^2 it would be open).
//
// The filter's gain G is its gain at f0: each section gets the same share of
// it, its own peak gain K_k = G^(1/m) / |h_k(j w0)| with h_k the section's
// response of unit peak. The sections come in ascending order of their
// frequency (the lower edge's first), each inverting: the filter's sign is
// (-1)^m.

#include <optional>
#include <string>
#include <vector>

#include "engine/design_types.h"

namespace kelvara::engine {

/// One band-pass section: its target and the gain at its own centre.
struct BandPassSection {
  double omega = 0;  // rad/s
  double q = 0;
  double gain = 1;  // magnitude at omega
};

/// The sections of an even order 2..8 (order / 2 of them) of a response and
/// ripple (index), centre and bandwidth (Hz) and gain at the centre
/// (magnitude); empty for an odd order, a response without that prototype
/// (Linkwitz-Riley of an odd half order) or a bandwidth that is not above 0.
std::vector<BandPassSection> BandPassSections(int response, int rippleIndex, int order, double centerHz,
                                              double bandwidthHz, double gain = 1.0);

/// The low-pass prototype (1 rad/s at its cut-off) of a response, ripple
/// index and order: Butterworth's and every Chebyshev's poles in closed
/// form, Legendre's and Linkwitz-Riley's computed (engine/prototypes.h),
/// Bessel's from the stage table.
struct PrototypePoles {
  std::vector<std::pair<double, double>> poles;  // (re, im) with im >= 0, one of each pair
};
PrototypePoles LowPassPrototypePoles(int response, int rippleIndex, int order);

/// The prototype a band-pass design of an even order 2..8 is built from:
/// the poles of order / 2 (LowPassPrototypePoles), of order 1 the single
/// real pole (-1, a Chebyshev's -1/eps, its cut-off at the ripple edge).
/// Empty where BandPassSections gives no sections (an odd order, a
/// Linkwitz-Riley of an odd half order).
PrototypePoles BandPassPrototypePoles(int response, int rippleIndex, int order);

struct BandPassStageDesign {
  BandPassSection target;
  double values[5] = {};  // R1, R2, R3, C1, C2
};

struct BandPassDesign {
  std::vector<BandPassStageDesign> stages;
  bool valid = true;
  std::vector<std::pair<std::string, std::string>> warnings;  // caption, text; one per refused stage
};

/// The parts of every section with equal capacitors (the rules above); a
/// section whose gain reaches 2 Q^2 is refused with a warning naming it.
/// A section's fixed capacitor value (farads; one per section, or none)
/// replaces the band's for both its capacitors; the resistors follow.
BandPassDesign DesignBandPass(const std::vector<BandPassSection>& sections,
                              const std::vector<std::optional<double>>& capacitors = {});

}  // namespace kelvara::engine
