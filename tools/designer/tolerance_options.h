#pragma once

// The tolerance analysis options of kelvara-design (--monte-carlo and the
// options that go with it) and what they print: the "tolerance" key of the
// JSON object, or a few plain lines.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/design_types.h"
#include "response/opamp_model.h"
#include "tolerance/monte_carlo.h"
#include "tolerance/sensitivity.h"
#include "tolerance/worst_case.h"
#include "tools/designer/analysis_cli.h"
#include "tools/designer/headless_design.h"

namespace kelvara::tools {

/// A tolerance option that does not fit the design (a mask the wrong way
/// round for the filter kind): a usage error.
struct ToleranceUsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
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

  bool Requested() const { return trials.has_value(); }
};

void AddToleranceOptions(CLI::App& app, ToleranceOptions& options);

/// Everything the options ask for, computed for a design.
struct ToleranceReport {
  tolerance::MonteCarloResult monteCarlo;
  std::optional<tolerance::WorstCaseResult> worstCase;
  tolerance::SensitivityResult sensitivities;
};

/// Runs the analyses on the design's part values and op-amp, with the bands of the
/// curve --curve asks for (gain, phase or delay) at its frequencies, none
/// without a curve. Throws ToleranceUsageError for a mask that does not fit
/// the filter kind.
ToleranceReport RunToleranceAnalysis(const ToleranceOptions& options, const engine::DesignRequest& request,
                                     const engine::ComponentSet& parts, const AnalysisOptions& curve,
                                     const response::OpAmpModel& opamp);

/// Whether --curve with --monte-carlo gains band columns: gain, phase and
/// delay do; the time curves do not.
bool CurveHasBands(const std::string& curve);

/// The --curve CSV with the band of the trials in four more columns:
/// frequency_hz,gain_db,min_db,p05_db,p95_db,max_db (phase: _deg, delay:
/// _s). Time curves are printed without bands. False when the design has
/// no usable values.
bool PrintToleranceCurve(const AnalysisOptions& curve, const engine::DesignRequest& request, const DesignReport& report,
                         const ToleranceReport& tolerance, std::ostream& out);

/// The "tolerance" object: trials, seed, minus3db_hz, stages, and
/// worst_case / yield when asked for.
nlohmann::json ToleranceJson(const ToleranceOptions& options, const ToleranceReport& report);

/// The same in a few lines of text.
void PrintTolerance(std::ostream& out, const ToleranceOptions& options, const ToleranceReport& report);

}  // namespace kelvara::tools

namespace kelvara::tools {

/// The part tolerances the options set: --tol-r, --tol-c, then every
/// --tol-part, and --tol-gbw.
tolerance::Tolerances TolerancesOf(const ToleranceOptions& options);

}  // namespace kelvara::tools
