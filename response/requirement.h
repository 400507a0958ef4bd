#pragma once

// Design from a requirement: for a pass-band / stop-band mask, the lowest
// order of each response the program offers and the range of cut-offs that
// meet the mask, with what the chosen cut-off gives (margins, stage Q, the
// op-amp's gain-bandwidth, the part spread, overshoot and delay variation).
//
// The mask: over the pass band (LPF f <= fp, HPF f >= fp) the gain stays
// within +-Ap dB of 0 dB; over the stop band (LPF f >= fs, HPF f <= fs) it
// is at most -As dB. The filters are the ideal cascades of the stage tables
// at a cut-off fc in the program's meaning (-3 dB for Butterworth and
// Bessel, the ripple edge for Chebyshev). Their gain is a function of f/fc,
// so the cut-offs that meet the mask are one interval [fc_lo, fc_hi]: the
// pass band's edge and the stop band's edge of the normalised cascade
// (cascade_extremes.h: exact, root-finding on the gain) scaled to fp and fs.
// Only cut-offs the program designs (kMinCutoffHz..kMaxCutoffHz) count.
//
// A constraint that depends on the cut-off narrows that interval: the
// pass-band delay variation of an LPF is a function of fp/fc that grows with
// the band, so it falls as fc rises and its limit is a lowest cut-off. The
// overshoot and the stage Q do not depend on the cut-off (the step response
// only scales in time, the Qs are the table's): they hold for every cut-off
// of an order or for none.
//
// The circuit: the table is that of one of the sheet's circuits (回路方式)
// at one pass-band gain magnitude G, the stages sharing it equally (each
// G^(1/stages), as a sheet's stages do without stage gains). The mask, the
// ranges, the margins, the Q, the overshoot and the delay are those of the
// ideal response and do not depend on it; the op-amp's gain-bandwidth and
// the part spread do (StageGbwNeedHz, StageSpread). The unity-gain
// Sallen-Key at gain 1 is the table as it has always been.
//
// The pass edge of a Chebyshev whose ripple equals Ap (within 1e-9 dB): the
// ripple's peaks over the pass band touch -Ap and their rounding must not
// end the pass band at one of them; the edge is the crossing of -Ap beyond
// the cut-off, bisected on the gain: for an odd order the cut-off itself
// (the gain there is -ripple), for an even order, whose ripple rises to
// +ripple over 0 dB at DC, the x of T_n(x) = sqrt(1 + 10^(Ap/10)), beyond
// it. Such a candidate's pass margin is 0 where its rounding makes it a
// negative of at most 1e-9 dB.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/section_design.h"
#include "response/analysis.h"
#include "values/filter_catalogue.h"

namespace kelvara::response {

struct Requirement {
  int passKind = values::kLpf;
  double passHz = 0.0;  // fp
  double passDb = 0.0;  // Ap: the pass band's tolerance, +- dB
  double stopHz = 0.0;  // fs
  double stopDb = 0.0;  // As: the stop band's attenuation, dB
};

/// What is wrong with the four values of a requirement.
enum class RequirementProblem {
  kNone,
  kFieldCount,   // not four comma-separated fields
  kUnreadable,   // a field is not an engineering value above 0 (field says which)
  kEdgeOrder,    // LPF: fp >= fs; HPF: fp <= fs
  kAttenuation,  // As <= Ap
};

struct RequirementCheck {
  RequirementProblem problem = RequirementProblem::kNone;
  int field = -1;  // 0..3 (fp, Ap, fs, As) for kUnreadable
  bool ok() const { return problem == RequirementProblem::kNone; }
};

/// Checks finished values (each must be finite and above 0; fp below fs for
/// an LPF, above it for an HPF; As above Ap).
RequirementCheck CheckRequirement(const Requirement& requirement);

/// Reads the four texts "FP,AP,FS,AS" (engineering values as ParseEngValue
/// reads them; spaces around a field are ignored) into `out` and checks
/// them. `out` is changed only when the check passes.
RequirementCheck ParseRequirement(std::string_view text, int passKind, Requirement& out);

/// The same for four separate texts (a window's fields).
RequirementCheck ParseRequirementFields(const std::array<std::string, 4>& fields, int passKind, Requirement& out);

/// The circuit the candidates are built as: the sheet's 回路方式
/// (values/section_record.h: 0 the unity-gain Sallen-Key, kCircuitMfb,
/// kCircuitSallenKeyGain) and the pass-band gain magnitude (V/V).
struct RequirementCircuit {
  int circuit = 0;
  double gain = 1.0;
  bool operator==(const RequirementCircuit&) const = default;
};

enum class CircuitProblem {
  kNone,
  kCircuit,      // not 0..2
  kGainRange,    // not finite or outside engine::kMinFilterGain..kMaxFilterGain
  kUnityGain,    // the unity-gain Sallen-Key at a gain other than 1
  kGainBelowOne  // the Sallen-Key with gain below 1 (only MFB attenuates)
};
CircuitProblem CheckRequirementCircuit(const RequirementCircuit& circuit);

/// The form of a stage of the order's stages (1 or 2) in a circuit at a
/// stage gain: the unity-gain forms where the gain is exactly 1 (the
/// Sallen-Key with gain designs such a stage as the sheet does).
engine::StageForm RequirementStageForm(int circuit, int stageOrder, double stageGain);

/// The gain-bandwidth a stage asks for: kGbwMarginFactor f0 Q (f0 for a
/// first-order stage) times the noise gain of its amplifier at the stage
/// gain magnitude K, K for a non-inverting form (1 for the followers), 1 +
/// K for an inverting one (MFB and the inverting first order: the feedback
/// divides the output by 1 + K back to the - input).
double StageGbwNeedHz(engine::StageForm form, double f0Hz, double q, double gain);

/// The part spread of a second-order stage of an LPF (capacitors) or an
/// HPF (resistors), as section_design.h designs it without fixed parts:
///  - unity-gain Sallen-Key: Ca/Cb (HPF Rb/Ra) = 4 Q²;
///  - Sallen-Key with gain K: y², y = 4 Q / (1 + sqrt(1 + 8 Q² (K - 1)));
///  - MFB LPF: C1/C2 = kMfbRatioMargin 4 Q² (1 + K);
///  - MFB HPF: R2/R1 = Q² (2K + 1)² / K (C1 = C3, C2 = C1 / K).
/// 1 for a first-order stage.
double StageSpread(engine::StageForm form, bool hpf, double q, double gain);

/// Optional limits a candidate must keep besides the mask. The delay
/// variation narrows the range of cut-offs; the overshoot and the Q are the
/// same at every cut-off of an order.
struct RequirementConstraints {
  std::optional<double> maxOvershootPct;       // LPF only
  std::optional<double> maxDelayVariationPct;  // LPF only
  std::optional<double> maxQ;
};

/// The cut-offs of one response and order that meet the mask; empty when
/// lo > hi. Not offered: a combination without design data (HPF Bessel, HPF
/// Chebyshev below order 4).
struct CutoffRange {
  bool offered = false;
  double loHz = 0.0;
  double hiHz = 0.0;
  bool Empty() const { return !offered || !(loHz <= hiHz); }
};

/// The range of one response and order (order 2..8); a Chebyshev's ripple
/// is its index in the ripple list (values::kRippleDb).
CutoffRange CutoffRangeOf(const Requirement& requirement, int response, int order,
                          int rippleIndex = values::kTabulatedRippleIndex);

/// The ideal cascade of a response and order at a cut-off, built from the
/// stage targets (BuildStageTargets) as a design at that cut-off targets it.
Cascade IdealCascade(int passKind, int response, int order, double cutoffHz,
                     int rippleIndex = values::kTabulatedRippleIndex);

/// The margins of a cascade against the mask, in dB: pass band Ap minus the
/// largest deviation from 0 dB, stop band -As minus the highest gain; both
/// >= 0 exactly when the mask is met.
struct MaskMargins {
  double passDb = 0.0;
  double stopDb = 0.0;
  bool Meets() const { return passDb >= 0 && stopDb >= 0; }
};
MaskMargins MarginsOf(const Cascade& cascade, const Requirement& requirement);

/// The pass-band group-delay variation of an LPF cascade over [0, passHz]:
/// (largest - smallest) / delay at 0 Hz, in per cent (DelayExtremes).
double DelayVariationPct(const Cascade& cascade, double passHz);

/// The cut-offs of `range` at which the ideal LPF of the response and order
/// keeps its pass-band delay variation at or below maxPct: [lo', hi] with
/// lo' the lowest such cut-off (the variation falls as the cut-off rises);
/// empty (lo' > hi) when even hi does not keep it. lo' is bisected on the
/// variation itself (DelayVariationPct of the cascade at each trial cut-off)
/// until it and the cut-off below it are adjacent doubles.
CutoffRange DelayLimitedRange(const Requirement& requirement, int response, int order, const CutoffRange& range,
                              double maxPct, int rippleIndex = values::kTabulatedRippleIndex);

/// The shortest text for a cut-off: the value rounded to the fewest
/// significant digits, at least 3, whose value (as ParseEngValue reads the
/// text) lies in [loHz, hiHz] and within 0.5 % of cutoffHz, written with an
/// SI prefix ("1.73k"). At 17 digits the value itself.
std::string CutoffText(double cutoffHz, double loHz, double hiHz);

struct RequirementCandidate {
  int response = values::kButterworth;
  /// A Chebyshev's ripple: its index in values::kRippleDb.
  int rippleIndex = values::kTabulatedRippleIndex;
  /// The lowest order 2..8 with a non-empty range; none when there is none.
  std::optional<int> order;
  double cutoffHz = 0.0;      // geometric mean of the range
  std::string cutoffText;     // what a sheet gets (CutoffText)
  double cutoffTextHz = 0.0;  // ParseEngValue(cutoffText)
  /// The cut-offs of the order that meet the mask and the constraints that
  /// depend on the cut-off; the mask's range when no cut-off meets those
  /// constraints (the candidate then does not meet).
  CutoffRange range;
  /// The least delay variation over the mask's range of the order (at its
  /// highest cut-off), when a limit of it is asked for (LPF only).
  std::optional<double> leastDelayVariationPct;
  // The figures of the cut-off a sheet gets (cutoffTextHz).
  MaskMargins margins;
  std::optional<double> maxQ;  // none for a first-order-only filter
  /// Max over stages of StageGbwNeedHz (the unity-gain Sallen-Key: 100 f0 Q,
  /// 100 f0 first order) in the result's circuit, each stage at G^(1/stages).
  double gbwMinHz = 0.0;
  /// Max over stages of StageSpread (the unity-gain Sallen-Key: 4 Qmax²,
  /// Ca/Cb (LPF) or Rb/Ra (HPF) with equal Rs (Cs)); 1 without a
  /// second-order stage.
  double spreadMin = 0.0;
  std::optional<double> overshootPct;       // LPF only
  std::optional<double> delayVariationPct;  // LPF only
  bool meets = false;
  std::string why;  // Japanese, empty when it meets
  /// The range of every order 2..8 (index order - 2).
  std::array<CutoffRange, values::kOrderCount> ranges{};
};

struct RequirementResult {
  Requirement requirement;
  RequirementConstraints constraints;
  RequirementCircuit circuit;
  /// One per offered response, in catalogue order (Butterworth, Bessel,
  /// Chebyshev, Legendre, Linkwitz-Riley; HPF without Bessel). Chebyshev
  /// has its 0.25 dB row, then one for every other ripple of the list that
  /// is not above the pass band's Ap (RippleRows).
  std::vector<RequirementCandidate> candidates;
  /// Index into candidates: the lowest order among those that meet, among
  /// equal orders the larger smaller margin; none when none meets.
  std::optional<int> recommended;
};

/// The responses a kind offers, in catalogue order.
std::vector<int> OfferedResponses(int passKind);

/// The ripple indices of the Chebyshev rows for a pass band of passDb: the
/// table's 0.25 dB always (it says why it cannot meet a smaller Ap), then
/// every other ripple not above passDb, ascending.
std::vector<int> RippleRows(double passDb);

/// The pass edge of the normalised cascade `unit` (cut-off 1 Hz) of a
/// response and ripple for a pass band of +-passDb: PassEdgeHz, but for a
/// Chebyshev whose ripple equals passDb (within 1e-9 dB) the crossing of
/// -passDb beyond the cut-off (LPF; below it for an HPF) before the stop
/// edge `stopEdge`, bisected on the gain to adjacent doubles.
double RequirementPassEdge(const Cascade& unit, int response, int rippleIndex, double passDb, double stopEdge);

/// The whole table. The requirement must pass CheckRequirement (otherwise
/// every candidate is without an order), the circuit CheckRequirementCircuit
/// (otherwise the GBW and spread are those of the unity-gain Sallen-Key).
RequirementResult DesignFromRequirement(const Requirement& requirement, const RequirementConstraints& constraints = {},
                                        const RequirementCircuit& circuit = {});

/// Whether a candidate meets the constraints; the Japanese reasons of those
/// it breaks, joined.
std::string ConstraintReasons(const RequirementCandidate& candidate, const RequirementConstraints& constraints);

}  // namespace kelvara::response
