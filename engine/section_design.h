#pragma once

// The exact design of a filter built of sections other than the sheet's
// unity-gain Sallen-Key cascade: multiple-feedback (MFB) stages, and
// Sallen-Key stages whose op-amp has gain. From the stage targets (omega, Q
// of every slot, BuildStageTargets) and the pass-band gain it plans the
// stages (which form, which target, which gain, in which order) and
// computes every part that is not fixed exactly.
//
// Each form's parts are listed in the order of its section's layout
// (response/section.h; StageFormId names the topology), so that part k of
// a stage is the section's part k. Resistors and capacitors are numbered
// through the cascade per letter in that order (R1, R2, ... C1, C2, ...).
//
// The rules, with nothing fixed (a stage's band is that of its target
// omega, BandTable):
//  - MFB low-pass (R1 input, R2 feedback, R3 to the − input, C1 shunt, C2
//    feedback): C2 is the band's starting capacitor, C1 = C2 4 Q² (1 + K)
//    kMfbRatioMargin exactly (the ratio must exceed 4 Q² (1 + K) for the
//    resistors to be real; the margin keeps them apart from the double
//    root); G2 = 1/R2 is the smaller root of (1 + K) G² - (omega C1 / Q) G
//    + omega² C1 C2 = 0, 1/R3 = omega C1 / Q - (1 + K) / R2, R1 = R2 / K.
//  - MFB high-pass (C1 input, C2 feedback, C3 to the − input, R1 shunt, R2
//    feedback): C1 = C3 the band's starting capacitor, C2 = C1 / K;
//    R1 = 1 / (omega Q (C1 + C2 + C3)), R2 = Q (C1 + C2 + C3) / (omega C2 C3).
//  - inverting first order: LPF (Rin, Rf, Cf) Cf the band's capacitor,
//    Rf = 1 / (omega Cf), Rin = Rf / K; HPF (Cin, Rin, Rf) Cin the band's
//    capacitor, Rin = 1 / (omega Cin), Rf = K Rin.
//  - Sallen-Key with gain K > 1: the unity-gain design's choices with the
//    gain in the Q: LPF equal resistors (the band's starting resistor) and
//    Ca / Cb = y², HPF equal capacitors (the band's starting capacitor) and
//    Rb / Ra = y², y = 4 Q / (1 + sqrt(1 + 8 Q² (K - 1))), which is 2 Q (the
//    unity-gain design) at K = 1 and real for every K; the higher gain
//    lowers the spread of the parts, at the price of a Q that follows Rf/Rg
//    more closely (the sensitivities say how much). The feedback pair has
//    Rf ∥ Rg = kGainPairOhms (what the − input sees): Rf = K kGainPairOhms,
//    Rg = Rf / (K - 1). A stage of gain exactly 1 is the unity-gain stage
//    (and the RC follower), designed as the sheet designs it.
//  - first order with gain: R the band's starting resistor, C = 1 / (omega R).
//
// Fixed parts: one fixed part of a stage's filter (all parts but the
// feedback pair) scales the free design's impedance to it (resistors times
// z, capacitors divided by z: f0, Q and gain stay); fixed capacitors only
// (two or more) give the resistors from the closed forms above; every part
// fixed keeps them as they are. A feedback pair takes one fixed resistor
// (the other follows from K) or two that make K. Any other choice, or
// fixed values that cannot give the stage's Q or gain, is refused with a
// warning that names the stage and the parts to change.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/design_types.h"
#include "values/checked.h"

namespace kelvara::engine {

/// The circuits a filter of sections is built as.
enum class SectionFamily : std::uint8_t { kSallenKey, kMfb };

/// The form of one stage.
enum class StageForm : std::uint8_t {
  kSallenKey,      // unity-gain second order ("sallen-key")
  kRcFollower,     // first-order RC and follower ("rc-follower")
  kSallenKeyGain,  // second order with a non-inverting amplifier ("sallen-key-gain")
  kRcGain,         // first-order RC with a non-inverting amplifier ("rc-gain")
  kMfb,            // multiple feedback, inverting ("mfb")
  kRcInverting,    // inverting first order ("rc-inverting")
};

/// The order the stages are cascaded in, by their Q (a first-order stage
/// counts as the lowest).
enum class StageOrder : std::uint8_t { kAscendingQ, kDescendingQ };

/// The pass-band gain magnitude of a filter (V/V).
inline constexpr double kMinFilterGain = 0.1;
inline constexpr double kMaxFilterGain = 1000;
/// The gain magnitude one stage may be given.
inline constexpr double kMinStageGain = 0.001;
inline constexpr double kMaxStageGain = 1000;
/// The free MFB low-pass design's capacitor ratio over its least, 4 Q² (1 + K).
inline constexpr double kMfbRatioMargin = 1.2;
/// Rf ∥ Rg of a free feedback pair (ohms).
inline constexpr double kGainPairOhms = 10000;

/// The topology id of a form (response/section.h).
std::string_view StageFormId(StageForm form);
/// Whether a form inverts.
bool StageFormInverting(StageForm form);
/// A form's parts in its layout's order: their letters ("RRRCC") and roles.
std::string_view StageFormLetters(StageForm form, bool hpf);
std::vector<std::string_view> StageFormRoles(StageForm form, bool hpf);

/// One stage as planned: its form, its targets and its gain magnitude.
struct StagePlan {
  StageForm form = StageForm::kSallenKey;
  int order = 2;
  int slot = 0;      // the stage slot of the targets it realises
  double omega = 0;  // target natural frequency, rad/s
  double q = 0;      // target Q (0 for a first-order stage)
  double gain = 1;   // target gain magnitude (V/V)
};

/// What the plan is made of; a problem names the input it comes from.
enum class SectionPlanField : std::uint8_t { kGain, kStageGains };

struct SectionPlanInputs {
  std::uint8_t passKind = kLpf;
  int order = 2;
  SectionFamily family = SectionFamily::kSallenKey;
  std::optional<double> gain;      // the pass-band gain magnitude; none: the stage gains' product, or 1
  std::vector<double> stageGains;  // one per stage in cascade order, or empty: the gain equally, G^(1/stages)
  StageOrder stageOrder = StageOrder::kAscendingQ;
};

/// The stages of the filter in cascade order. Refused: a gain outside
/// kMinFilterGain..kMaxFilterGain, stage gains of the wrong count, outside
/// kMinStageGain..kMaxStageGain or whose product is not the gain (1e-9
/// relative), a Sallen-Key stage gain below 1.
values::Checked<std::vector<StagePlan>, SectionPlanField> PlanSections(const SectionPlanInputs& inputs,
                                                                       const StageTargets& targets);

/// The cascade's part names ("R1", "C3") by stage, each stage's in its
/// layout's order.
std::vector<std::vector<std::string>> SectionPartNames(const std::vector<StagePlan>& plans, bool hpf);

/// The fixed values by stage and part (layout order); none: designed.
using SectionFixes = std::vector<std::vector<std::optional<double>>>;

/// A fix of each named part ("R7" -> ohms); a name the cascade does not
/// have is the problem (its subject the name).
enum class SectionFixField : std::uint8_t { kPartName };
values::Checked<SectionFixes, SectionFixField> FixesOf(const std::vector<StagePlan>& plans, bool hpf,
                                                       const std::vector<std::pair<std::string, double>>& fixed);

struct StageDesign {
  StagePlan plan;
  std::vector<double> values;  // layout order; 0 where the stage could not be designed
};

struct SectionWarning {
  std::string caption;
  std::string text;
};

struct SectionsDesign {
  bool hpf = false;
  std::vector<StageDesign> stages;
  bool valid = true;
  std::vector<SectionWarning> warnings;  // one per refused stage
};

/// Designs every stage exactly (the rules above).
SectionsDesign DesignSections(const std::vector<StagePlan>& plans, bool hpf, const SectionFixes& fixes);

}  // namespace kelvara::engine
