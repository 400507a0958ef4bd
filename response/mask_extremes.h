#pragma once

// The mask test of one trial from the stationary points of its gain.
//
// With ideal op-amps, and with real ones without output resistance (the
// stages then do not load each other and every stage is all-pole apart from
// the s^k of a high-pass numerator), |H(j omega)|^2 of the cascade is
// K^2 t^m / Q(t): t is omega^2 relative to the band's upper edge, m the
// order of the numerator's zeros at s = 0 and Q a polynomial of degree 3 per
// stage at most (2 for an ideal stage). The gain's extremes on a band are at
// its ends or at the real roots of t Q'(t) - m Q(t) inside it; these are
// isolated exactly by the roots of the polynomial's derivatives (between two
// neighbouring roots of p' the polynomial p is monotone, so it has one root
// there at most, found by Newton's method kept inside its bracket).
//
// A trial costs little where it is far from the limits: every stage's own
// extremes on the band are found first (one cubic at most), and their sums
// bound the cascade's; only when the bounds leave the decision open are
// the cascade's own stationary points found. Values are compared in the
// polynomial form with a margin of kDecisionMarginDb; a candidate within it
// of a limit is evaluated by ResponseDb or CircuitGainDb, exactly as the
// scan would, so the decision is that of the exact extremes.

#include <optional>

#include "response/gain_mask.h"
#include "response/opamp_circuit.h"
#include "response/opamp_model.h"

namespace kelvara::response {

/// How far (dB) a value of the polynomial form must lie from a limit to be
/// decided without evaluating the gain itself. The two forms agree to about
/// 1e-12 dB for the stage Qs a filter has.
inline constexpr double kDecisionMarginDb = 1e-7;

/// The decisions of MeetsMask by a scan of each band (mask_scan.cpp): what
/// MeetsMask falls back on, and the reference the tests hold it against.
bool MeetsMaskByScan(const DesignRequest& request, const ResponseStages& stages, const GainMask& mask);
bool MeetsMaskByScan(const DesignRequest& request, const OpAmpCircuit& circuit, const OpAmpModel& model,
                     const GainMask& mask);

/// The decision of MeetsMask from the stationary points; none where they do
/// not apply (stage values that are no number or not positive, a mask that
/// is no number), and the caller then scans.
std::optional<bool> MeetsMaskByExtremes(const DesignRequest& request, const ResponseStages& stages,
                                        const GainMask& mask);
/// The same for the drawn circuit; none also for an output resistance.
std::optional<bool> MeetsMaskByExtremes(const DesignRequest& request, const OpAmpCircuit& circuit,
                                        const OpAmpModel& model, const GainMask& mask);

}  // namespace kelvara::response
