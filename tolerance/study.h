#pragma once

// A tolerance study as a user asks for it, from the analysis window's
// tolerance page or from kelvara-design: the inputs as given (numbers and
// the texts typed for the mask and for single parts), one set of checks
// with their messages, the configuration built from them, and the run of
// the Monte Carlo analysis, the worst case over all corners and the gain
// curves of the trials that fail the mask. The front ends only collect the
// inputs, show the problem the checks name and show the result.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tolerance/monte_carlo.h"
#include "tolerance/parallel.h"
#include "tolerance/trial.h"
#include "tolerance/worst_case.h"
#include "values/checked.h"

namespace kelvara::tolerance {

inline constexpr double kMaxPartTolerancePct = 50;
inline constexpr double kMaxGbwTolerancePct = 90;
/// At most this many failing trials get their gain curve.
inline constexpr int kMaxFailingCurves = 50;

/// The four texts of a mask as typed: fp [Hz], a [dB], fs [Hz], b [dB]
/// (engineering values such as "3k").
struct GainMaskTexts {
  std::string passHz;
  std::string passDb;
  std::string stopHz;
  std::string stopDb;
};

/// What a study is asked for.
struct StudyInputs {
  DesignRequest request;
  ComponentSet parts;  // nominal values, parts 1..order
  /// A design of sections in place of `parts` (ToleranceDesign::sections);
  /// `request` still gives the kind and the cut-off (the mask's side, the
  /// worst case's frequencies).
  std::vector<response::Section> sections;
  response::OpAmpModel opamp;
  double rPct = 1;    // every resistor
  double cPct = 5;    // every capacitor
  double gbwPct = 0;  // the op-amp's GBW, with a real op-amp only
  /// Own tolerances of single parts: name ("R3", "C1") and the typed per
  /// cent ("0.1"); an empty text keeps the default of its kind.
  std::vector<std::pair<std::string, std::string>> partPcts;
  Distribution distribution = Distribution::kUniform;
  bool monteCarlo = true;
  int trials = kDefaultTrials;
  std::uint64_t seed = 1;
  std::optional<GainMaskTexts> mask;
  /// A design of band-pass sections: its mask (checked: response::IsOrdered)
  /// in place of `mask`; the worst case reports its four edges too.
  std::optional<BandPassLimits> bandPassMask;
  /// The worst case's frequencies before the mask's; empty: the defaults
  /// of the request (DefaultWorstCaseFrequencies).
  std::vector<double> worstFrequencies;
  bool worstCase = false;
  /// The gain curves of the trials failing the mask (at most
  /// kMaxFailingCurves), at the band frequencies.
  bool failingCurves = false;
  /// Frequencies (Hz) of the bands and of the failing curves.
  std::vector<double> frequencies;
  bool phaseBand = false;
  bool delayBand = false;
};

/// The input a problem concerns, for the front end to point at.
enum class StudyField : std::uint8_t {
  kTrials,
  kResistorTolerance,
  kCapacitorTolerance,
  kGbwTolerance,
  kPartTolerance,
  kMaskPassHz,
  kMaskPassDb,
  kMaskStopHz,
  kMaskStopDb,
  // A band-pass mask's four edges (its Ap and As are kMaskPassDb and
  // kMaskStopDb).
  kMaskStopLowHz,
  kMaskPassLowHz,
  kMaskPassHighHz,
  kMaskStopHighHz,
};

/// The first input that does not fit, with the message for the user.
/// The first input that cannot be used; its subject is the part for
/// kPartTolerance ("R3").
using StudyProblem = values::InputProblem<StudyField>;

/// The checked study, ready to run.
struct StudyPlan {
  MonteCarloConfig config;  // design, tolerances, trials, seed, bands, mask
  bool monteCarlo = true;
  bool worstCase = false;
  /// The worst case's frequencies: DefaultWorstCaseFrequencies (or the
  /// inputs' own), then the mask's fp and fs (a band-pass mask's fs1, fp1,
  /// fp2 and fs2).
  std::vector<double> worstFrequencies;
  bool failingCurves = false;
};

/// Reads and checks a mask for the filter kind: each text readable and
/// above 0, b above a, and the pass band on the right side of the stop band
/// (LPF fp < fs, HPF fp > fs).
values::Checked<GainMask, StudyField> ReadGainMask(const GainMaskTexts& texts, std::uint8_t passKind);

/// The six texts of a band-pass mask as typed: fs1, fp1, fp2, fs2 [Hz]
/// (engineering values such as "8k"), Ap and As [dB].
struct BandPassMaskTexts {
  std::string fs1;
  std::string fp1;
  std::string fp2;
  std::string fs2;
  std::string ap;
  std::string as;
};

/// Reads and checks a band-pass mask: each text readable and above 0, the
/// edges in order fs1 < fp1 < fp2 < fs2 (the problem names the first edge
/// not above the one before it) and As above Ap; what reads so passes
/// response::IsOrdered.
values::Checked<response::BandPassMask, StudyField> ReadBandPassMask(const BandPassMaskTexts& texts);

/// A single part's tolerance text: a plain number 0..kMaxPartTolerancePct.
std::optional<double> ReadPartTolerance(const std::string& text);
/// Whether a part name is R1..R8 or C1..C8; its index and kind.
bool ReadPartName(const std::string& name, bool& capacitor, int& index);
/// Any part name of a circuit: R or C and a number from 1 without a leading
/// zero ("R12"); a design of sections names its parts so.
std::optional<response::SectionPartId> ReadCircuitPartName(const std::string& name);

/// Checks everything and builds the plan; the first problem otherwise.
values::Checked<StudyPlan, StudyField> PlanStudy(const StudyInputs& inputs);

/// Gain curves of failing trials.
struct FailingCurves {
  std::vector<double> frequencies;
  std::vector<std::vector<double>> gainDb;  // one curve per drawn trial
  int failing = 0;                          // all failing trials
};

/// What a study gives: each part that was asked for.
struct StudyResult {
  std::optional<MonteCarloResult> monteCarlo;
  std::optional<WorstCaseResult> worstCase;
  std::optional<FailingCurves> failing;
};

/// Runs the plan on the options' worker threads (the Monte Carlo and the
/// worst case share the progress); nothing when a stop was requested before
/// it ended.
std::optional<StudyResult> RunStudy(const StudyPlan& plan, const RunOptions& options = {});

/// Whether two plans ask for the same study: the same design (request and
/// the parts of its order), op-amp, tolerances, distribution, trials, seed
/// and mask. A result of one belongs to the other.
bool SameStudy(const StudyPlan& a, const StudyPlan& b);

}  // namespace kelvara::tolerance
