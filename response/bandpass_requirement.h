#pragma once

// Design from a requirement for band-pass filters: for a mask fs1 < fp1 <
// fp2 < fs2 (the pass band fp1..fp2 within +-Ap dB of the gain at the
// centre, the stop bands up to fs1 and from fs2 at least As dB below it),
// the lowest even order of every response, the centres and bandwidths that
// meet the mask, and what the chosen centre and bandwidth give.
//
// A band-pass design (engine/bandpass.h) is its low-pass prototype P of
// order n / 2 through s -> (s^2 + w0^2) / (B' s): on the j axis its gain at
// f is that of the prototype at
//   W(f) = (f^2 - f0^2) / (B f),
// relative to the gain at the centre (W = 0). W rises with f. The
// prototype's pass edge Wp (the widest [0, Wp] on which its gain stays
// within +-Ap dB of its gain at 0) and stop edge Ws (from which on it stays
// at or below -As dB) are bisected on its exact gain
// (response/cascade_extremes.h); the prototype's gain is even in W, so the
// mask holds exactly when
//   W(fp2) <= Wp, W(fp1) >= -Wp, W(fs1) <= -Ws, W(fs2) >= Ws.
// In P = f0^2 and B these four are linear:
//   P >= fp2^2 - Wp fp2 B,  P <= fp1^2 + Wp fp1 B,
//   P >= fs1^2 + Ws fs1 B,  P <= fs2^2 - Ws fs2 B,
// so the designs that meet the mask are a convex polygon, and its corners,
// the range of centres and the bandwidths at one centre are closed forms.
// Where the prototype's gain leaves +-Ap and comes back (a Chebyshev whose
// ripple is above Ap), only the pass band around the centre's [0, Wp]
// counts: a design whose pass band lies between the ripple's peaks, off its
// own centre, is not offered. Where the ripple is within Ap, the pass edge
// is the crossing of -Ap beyond W = 1 (the ripple's peaks are exactly
// +-ripple, and equal to Ap they only touch the limit).
//
// The centre is the geometric mean of the range of centres (of a
// geometrically symmetric mask, fp1 fp2 = fs1 fs2, the polygon is symmetric
// about f0 = sqrt(fp1 fp2) and that is the centre); the bandwidth is the
// geometric mean of the bandwidths that meet the mask at that centre as its
// text reads. Every figure is that of the texts (CutoffText) of the two, at
// the gain at the centre the table is asked for (1, the band-pass design's
// default, unless told): the mask is relative to it, the sections' Q and
// GBW do not depend on it, but a gain of 2 Q² or more at a section's centre
// is one an MFB band-pass section cannot realise.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "response/bandpass.h"
#include "response/requirement.h"
#include "values/filter_catalogue.h"

namespace kelvara::response {

/// The band-pass orders: 2, 4, 6, 8 (index order / 2 - 1).
inline constexpr int kBandPassOrderCount = 4;

/// Checks finished values: each finite and above 0, fs1 < fp1 < fp2 < fs2,
/// As above Ap. kUnreadable names the field 0..5 (fs1, fp1, fp2, fs2, Ap,
/// As).
RequirementCheck CheckBandPassRequirement(const BandPassMask& mask);

/// Reads "FS1,FP1,FP2,FS2,AP,AS" (engineering values as ParseEngValue reads
/// them, spaces around a field ignored) into `out` and checks it; `out` is
/// changed only when the check passes. kFieldCount: not six fields.
RequirementCheck ParseBandPassRequirement(std::string_view text, BandPassMask& out);

/// The prototype's edges of one response and order (W units: the
/// prototype at 1 rad/s at its cut-off): pass <= stop.
struct BandPassPrototypeEdges {
  double pass = 0.0;  // Wp
  double stop = 0.0;  // Ws
};
BandPassPrototypeEdges BandPassEdgesOf(int response, int rippleIndex, int order, double passDb, double stopDb);

/// A closed range of frequencies; empty when lo > hi.
struct FrequencyRange {
  double loHz = 1.0;
  double hiHz = 0.0;
  bool Empty() const { return !(loHz <= hiHz); }
};

/// The designs of one response and order that meet the mask. Not offered:
/// no band-pass design of that response and order (odd half order of a
/// Linkwitz-Riley).
struct BandPassRegion {
  bool offered = false;
  BandPassPrototypeEdges edges;
  /// The centres for which some bandwidth meets the mask (the polygon's
  /// lowest and highest corner in P, as frequencies), before the limits of
  /// what the program designs.
  FrequencyRange centers;
  /// The bandwidths for which some centre meets the mask.
  FrequencyRange bandwidths;
  bool Empty() const { return !offered || centers.Empty(); }
};
BandPassRegion BandPassRegionOf(const BandPassMask& mask, int response, int order,
                                int rippleIndex = values::kTabulatedRippleIndex);

/// The bandwidths that meet the mask at one centre (empty when none does).
FrequencyRange BandwidthsAt(const BandPassMask& mask, const BandPassPrototypeEdges& edges, double centerHz);

/// The margins of a design against the mask on its exact gain (relative to
/// the gain at its centre), in dB, each >= 0 exactly when its part of the
/// mask is met: fp1 and fp2 the pass band's halves below and above the
/// centre (Ap minus the largest deviation over [fp1, f0] and [f0, fp2], f0
/// clamped into the pass band), fs1 and fs2 the stop bands (-As minus the
/// highest gain up to fs1 and from fs2 on).
struct BandPassEdgeMargins {
  double fp1Db = 0.0;
  double fp2Db = 0.0;
  double fs1Db = 0.0;
  double fs2Db = 0.0;
  double PassDb() const { return fp1Db < fp2Db ? fp1Db : fp2Db; }
  double StopDb() const { return fs1Db < fs2Db ? fs1Db : fs2Db; }
  bool Meets() const { return PassDb() >= 0 && StopDb() >= 0; }
};
BandPassEdgeMargins BandPassEdgeMarginsOf(const BandPassMask& mask, int response, int rippleIndex, int order,
                                          double centerHz, double bandwidthHz);

struct BandPassCandidate {
  int response = values::kButterworth;
  int rippleIndex = values::kTabulatedRippleIndex;
  /// The lowest order 2, 4, 6, 8 whose region has a centre the program
  /// designs (1 Hz..100 MHz); none when there is none.
  std::optional<int> order;
  double centerHz = 0.0;         // geometric mean of centerRange
  std::string centerText;        // CutoffText of it in centerRange
  double centerTextHz = 0.0;     // ParseEngValue(centerText)
  FrequencyRange centerRange;    // the region's, within 1 Hz..100 MHz
  double bandwidthHz = 0.0;      // geometric mean of bandwidthRange
  std::string bandwidthText;     // CutoffText of it in bandwidthRange
  double bandwidthTextHz = 0.0;  // ParseEngValue(bandwidthText)
  /// The bandwidths that meet the mask at centerTextHz, at least a
  /// thousandth of it (the narrowest band the program designs).
  FrequencyRange bandwidthRange;
  // The figures of the design at centerTextHz and bandwidthTextHz.
  BandPassEdgeMargins margins;
  double maxQ = 0.0;      // the highest section Q
  double gbwMinHz = 0.0;  // max over sections of 100 f0 Q (kGbwMarginFactor)
  bool meets = false;
  std::string why;  // Japanese, empty when it meets
  /// The region of every order (index order / 2 - 1).
  std::array<BandPassRegion, kBandPassOrderCount> regions{};
};

struct BandPassRequirementResult {
  BandPassMask mask;
  double gain = 1.0;  // at the centre (magnitude), shared equally by the sections
  /// One per response in catalogue order (Butterworth, Bessel, Chebyshev,
  /// Legendre, Linkwitz-Riley); Chebyshev with the rows of RippleRows(ap).
  std::vector<BandPassCandidate> candidates;
  /// The lowest order among those that meet, among equal orders the larger
  /// smaller margin; none when none meets.
  std::optional<int> recommended;
};

/// The whole table; the mask must pass CheckBandPassRequirement (otherwise
/// every candidate is without an order).
/// `gain`: the filter's gain magnitude at the centre.
BandPassRequirementResult DesignBandPassFromRequirement(const BandPassMask& mask, double gain = 1.0);

}  // namespace kelvara::response
