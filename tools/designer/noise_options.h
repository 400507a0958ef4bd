#pragma once

// The noise and signal-level options of kelvara-design: the op-amp's noise
// and limits (--opamp-en, --opamp-en-corner, --opamp-in, --opamp-swing,
// --opamp-sr; they do not switch to the real op-amp, the ideal one may have
// them too), the supply the swing follows from where no swing is given
// (--supply V for ±V, --single-supply V for 0..V with the signal at mid-rail,
// --opamp-headroom-pos/-neg), --temperature, --noise with --noise-band,
// --levels, and the curves "noise" and "levels" of --curve.

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "response/noise.h"
#include "response/noise_texts.h"
#include "response/opamp_model.h"
#include "response/signal_levels.h"
#include "tools/designer/analysis_cli.h"
#include "tools/designer/cli_arguments.h"
#include "tools/designer/headless_design.h"

namespace kelvara::tools {

struct NoiseOptions {
  response::NoiseTexts texts;  // --supply goes into texts.supplyV
  std::string singleSupply;    // --single-supply V (0..V, the signal at V/2)
  std::string band;            // "LO,HI" as engineering texts; empty: the default band
  bool noise = false;
  bool levels = false;
};

void AddNoiseOptions(CLI::App& app, NoiseOptions& options);

/// A noise option whose text cannot be used.
struct NoiseUsageError : CliUsageError {
  using CliUsageError::CliUsageError;
};

/// Reads the op-amp's noise and limits into the model and the temperature;
/// throws NoiseUsageError naming the option.
void ApplyNoiseOptions(const NoiseOptions& options, response::OpAmpModel& model, double& temperatureC);

/// The band of --noise-band, or the default band of the request; throws
/// NoiseUsageError for a band that cannot be used.
response::NoiseBand NoiseBandOf(const NoiseOptions& options, const engine::DesignRequest& request);

/// True for the curves this file prints.
bool IsNoiseCurve(const std::string& curve);

/// "noise" and "levels" (null without usable part values) when asked for.
void AddNoiseJson(const NoiseOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                  const response::OpAmpModel& model, double temperatureC, nlohmann::json& j);

/// The same as text lines.
void PrintNoisePlain(const NoiseOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                     const response::OpAmpModel& model, double temperatureC, std::ostream& out);

/// The "noise" key of a noise report (as AddNoiseJson writes it).
void AddNoiseReportJson(const response::NoiseReport& noise, const response::NoiseBand& band, double temperatureC,
                        nlohmann::json& j);
/// The "levels" and "swing" keys of a level report.
void AddLevelsJson(const response::LevelReport& levels, const response::OpAmpModel& model, nlohmann::json& j);
/// Both for a design the options asked them of: "noise" where `noise`,
/// "levels" and "swing" where `levels`, null where a report is missing (a
/// design that is not valid).
void AddNoiseAndLevelsJson(bool noise, bool levels, const std::optional<response::NoiseReport>& noiseReport,
                           const std::optional<response::LevelReport>& levelReport, const response::NoiseBand& band,
                           double temperatureC, const response::OpAmpModel& model, nlohmann::json& j);
/// The lines of each (as PrintNoisePlain prints them).
void PrintNoiseReportPlain(const response::NoiseReport& noise, const response::NoiseBand& band, double temperatureC,
                           std::ostream& out);
void PrintLevelsPlain(const response::LevelReport& levels, const response::OpAmpModel& model, std::ostream& out);

/// The noise CSV: frequency, total and each source's density (nV/√Hz).
void PrintNoiseCsv(const std::vector<double>& xs, const response::NoiseCurves& curves,
                   const std::vector<response::NoiseSource>& sources, std::ostream& out);

/// The levels CSV: frequency and the gain to every op-amp's output (dB).
void PrintLevelsCsv(const std::vector<double>& xs, const response::LevelCurves& curves, std::ostream& out);

/// The --curve noise or levels CSV; false without usable part values.
bool PrintNoiseCurve(const AnalysisOptions& analysis, const engine::DesignRequest& request, const DesignReport& report,
                     const response::OpAmpModel& model, double temperatureC, std::ostream& out);

}  // namespace kelvara::tools
