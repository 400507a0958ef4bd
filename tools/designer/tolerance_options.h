#pragma once

// The tolerance analysis options of kelvara-design (--monte-carlo,
// --worst-case and the options that go with them) and what they print: the
// "tolerance" key of the JSON object, or a few plain lines. The study itself
// (its checks, configuration and run) is tolerance/study.h, as in the
// analysis window.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/design_types.h"
#include "response/bandpass.h"
#include "response/opamp_model.h"
#include "response/section.h"
#include "tolerance/monte_carlo.h"
#include "tolerance/sensitivity.h"
#include "tolerance/worst_case.h"
#include "tools/designer/analysis_cli.h"
#include "tools/designer/cli_arguments.h"
#include "tools/designer/headless_design.h"

namespace kelvara::tools {

/// A tolerance option that does not fit the design (a mask the wrong way
/// round for the filter kind) or the other options: a usage error.
struct ToleranceUsageError : CliUsageError {
  using CliUsageError::CliUsageError;
};

struct ToleranceOptions {
  std::optional<int> trials;  // --monte-carlo N
  double tolRPct = 1;
  double tolCPct = 5;
  double tolGbwPct = 0;               // with a real op-amp
  std::vector<std::string> tolParts;  // "R3=0.1": one part's own tolerance
  std::string distribution = "uniform";
  std::uint64_t seed = 1;
  int threads = 0;
  bool worstCase = false;
  std::string mask;  // "fp,a,fs,b"
  /// Receives the progress of each analysis ("Monte Carlo", "worst case").
  std::function<void(const std::string& stage, double fraction)> progress;

  // The options that need a Monte Carlo run or a worst case, and those that
  // let a worst case stand on its own (set by AddToleranceOptions).
  std::vector<const CLI::Option*> needRun;
  std::vector<const CLI::Option*> tolerances;

  /// A Monte Carlo run, a worst case or both.
  bool Requested() const { return trials.has_value() || worstCase; }
};

void AddToleranceOptions(CLI::App& app, ToleranceOptions& options);

/// Throws ToleranceUsageError for options that do not go together or do
/// not fit the design (the study's checks: the mask, --tol-gbw without a
/// real op-amp).
/// A design of sections is checked with its sections (the part names of
/// --tol-part are its own).
void CheckToleranceOptions(const ToleranceOptions& options, const engine::DesignRequest& request,
                           const response::OpAmpModel& opamp, const std::vector<response::Section>& sections = {});

/// What a band-pass design's study needs besides its sections: the worst
/// case's frequencies (f0 / 2, the band edges, f0 and 2 f0, then the
/// mask's four edges) and the mask of the yield (--mask fs1,fp1,fp2,fs2,
/// ap,as), its pass band measured from the design's centre gain nominalDb.
struct BandPassTolerance {
  double centerHz = 0;
  double lowerEdgeHz = 0;
  double upperEdgeHz = 0;
  std::optional<response::BandPassMask> mask;
  double nominalDb = 0;
};

/// The checks of a band-pass design's study (--mask stands on its own
/// there: the design's margins).
void CheckToleranceOptions(const ToleranceOptions& options, const BandPassTolerance& bandPass,
                           const response::OpAmpModel& opamp, const std::vector<response::Section>& sections);

/// Everything the options ask for, computed for a design.
struct ToleranceReport {
  std::optional<tolerance::MonteCarloResult> monteCarlo;  // with --monte-carlo
  std::optional<tolerance::WorstCaseResult> worstCase;    // with --worst-case
  tolerance::SensitivityResult sensitivities;
  /// A band-pass design has no -3 dB frequency: its figures are null in
  /// the JSON object and left out of the lines.
  bool noCutoff = false;
};

/// Runs the analyses on the design's part values and op-amp, with the bands of the
/// curve --curve asks for (gain, phase or delay) at its frequencies, none
/// without a curve. Throws ToleranceUsageError as CheckToleranceOptions.
ToleranceReport RunToleranceAnalysis(const ToleranceOptions& options, const engine::DesignRequest& request,
                                     const engine::ComponentSet& parts, const AnalysisOptions& curve,
                                     const response::OpAmpModel& opamp);

/// The same of a design of sections (the request gives its kind and
/// cut-off), with the bands at curveFrequencies when the curve has bands.
ToleranceReport RunToleranceAnalysis(const ToleranceOptions& options, const engine::DesignRequest& request,
                                     const std::vector<response::Section>& sections,
                                     const std::vector<double>& curveFrequencies, const AnalysisOptions& curve,
                                     const response::OpAmpModel& opamp);

/// The same of a band-pass design of sections, with the bands at
/// curveFrequencies when the curve has bands.
ToleranceReport RunToleranceAnalysis(const ToleranceOptions& options, const BandPassTolerance& bandPass,
                                     const std::vector<response::Section>& sections,
                                     const std::vector<double>& curveFrequencies, const AnalysisOptions& curve,
                                     const response::OpAmpModel& opamp);

/// Whether --curve with --monte-carlo gains band columns: gain, phase and
/// delay do; the time curves do not.
bool CurveHasBands(const std::string& curve);

/// The --curve CSV with the band of the trials in four more columns:
/// frequency_hz,gain_db,min_db,p05_db,p95_db,max_db (phase: _deg, delay:
/// _s). Time curves (and every curve without a Monte Carlo result) are
/// printed without bands, of the filter with its op-amp. False when the
/// design has no usable values.
bool PrintToleranceCurve(const AnalysisOptions& curve, const engine::DesignRequest& request, const DesignReport& report,
                         const response::OpAmpModel& opAmp, const ToleranceReport& tolerance, std::ostream& out);

/// The band columns alone (the CSV above) when the report has a Monte
/// Carlo result and the curve has bands; false (nothing printed) otherwise.
bool PrintToleranceBands(const AnalysisOptions& curve, const ToleranceReport& tolerance, std::ostream& out);

/// The "tolerance" object: trials, seed, minus3db_hz, stages (with
/// --monte-carlo), and worst_case / yield when asked for.
nlohmann::json ToleranceJson(const ToleranceOptions& options, const ToleranceReport& report);

/// The same in a few lines of text.
void PrintTolerance(std::ostream& out, const ToleranceOptions& options, const ToleranceReport& report);

}  // namespace kelvara::tools

namespace kelvara::tools {

/// The part tolerances the options set: --tol-r, --tol-c, then every
/// --tol-part, and --tol-gbw.
tolerance::Tolerances TolerancesOf(const ToleranceOptions& options);

}  // namespace kelvara::tools
