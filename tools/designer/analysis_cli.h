#pragma once

// The analysis options of kelvara-design: --analysis adds the evaluation of
// every stage and a summary of the response to the output, --curve prints
// one curve (gain, phase, group delay, step or impulse response) as CSV.

#include <CLI/CLI.hpp>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>

#include <vector>

#include "engine/design_types.h"
#include "response/analysis.h"
#include "response/opamp_model.h"
#include "response/section.h"
#include "tools/designer/cli_arguments.h"
#include "tools/designer/headless_design.h"

namespace kelvara::tools {

/// The most points a curve may have (--points): a million lines of CSV.
inline constexpr int kMaxCurvePoints = 1000000;

struct AnalysisOptions {
  bool analysis = false;
  std::string curve;  // empty, or gain, phase, delay, step, impulse
  std::string from;   // engineering texts; empty: the curve's default
  std::string to;
  int points = 0;  // 0: the curve's default
};

/// A value of the analysis options that cannot be used.
struct AnalysisUsageError : CliUsageError {
  using CliUsageError::CliUsageError;
};

/// What the design's circuit is, into the JSON of every design: its
/// topology, its signed pass-band gain, whether it inverts and every part's
/// value by name (keys topology, gain, inverting, parts).
void AddCircuitJson(const engine::DesignRequest& request, const DesignReport& report, nlohmann::json& j);

/// Registers --analysis, --curve, --from, --to and --points.
void AddAnalysisOptions(CLI::App& app, AnalysisOptions& options);

/// Checks --from, --to and --points; throws AnalysisUsageError.
void CheckAnalysisOptions(const AnalysisOptions& options);

/// Adds "stages" and "summary" to the report's JSON object when --analysis
/// is given (an empty list and null when the design has no usable values).
void AddAnalysisJson(const AnalysisOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                     nlohmann::json& j);

/// The evaluation table and the summary as text, when --analysis is given.
void PrintAnalysisPlain(const AnalysisOptions& options, const engine::DesignRequest& request,
                        const DesignReport& report, std::ostream& out);

/// The abscissae of the --curve CSV: --from, --to and --points or their
/// defaults (frequencies spaced logarithmically, times linearly; the time
/// span defaults to the one settled to 0.1 %).
std::vector<double> CurvePoints(const AnalysisOptions& options, const response::Cascade& cascade);
/// The same of a design of sections of any kind (low-pass, high-pass or
/// band-pass): the time span settled of their ideal cascade.
std::vector<double> CurvePoints(const AnalysisOptions& options, std::span<const response::Section> sections);
/// The same with the time span (when --to is not given) settledSpan().
std::vector<double> CurvePoints(const AnalysisOptions& options, const std::function<double()>& settledSpan);

/// The CSV header line of a curve, without its line end.
std::string CurveHeader(const std::string& curve);

/// A number of the CSV, printed so that it reads back to the same double.
std::string CurveNumber(double v);

/// Prints the --curve CSV (header and points) of the drawn filter with its
/// op-amp (response::CurveValues); the time span defaults to the ideal
/// filter's, settled to 0.1 %. False when the design has no usable values
/// to draw (then nothing is printed).
bool PrintCurve(const AnalysisOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                const response::OpAmpModel& opAmp, std::ostream& out);

/// The CSV of one curve: its header, then x,y per line.
void PrintCurveCsv(const std::string& curve, const std::vector<double>& xs, const std::vector<double>& ys,
                   std::ostream& out);

}  // namespace kelvara::tools
