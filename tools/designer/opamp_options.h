#pragma once

// The op-amp options of kelvara-design: --opamp-gbw, --opamp-a0 and
// --opamp-rout (engineering texts). Any one of them switches from the ideal
// op-amp to the real one (A0 100 dB, GBW 1M, Rout 0 unless given); then the
// frequency curves are those of the real circuit and the analysis gains the
// op-amp's keys. Without them the output is as before. --opamp NAME takes a
// part of the op-amp list (response/opamp_catalogue.h, the analysis
// window's "品種"): its GBW, A0 and Rout and its noise and limits, each of
// which an --opamp-* option given with it overrides; --opamp-list prints
// the list.

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "response/noise_texts.h"
#include "response/opamp_circuit.h"
#include "response/opamp_texts.h"
#include "tools/designer/analysis_cli.h"
#include "tools/designer/cli_arguments.h"

namespace kelvara::tools {

struct OpAmpOptions {
  response::OpAmpTexts texts;
  std::string part;   // --opamp: a name of the op-amp list
  bool list = false;  // --opamp-list
  CLI::Option* gbw = nullptr;
  CLI::Option* a0 = nullptr;
  CLI::Option* rout = nullptr;
  CLI::Option* partOption = nullptr;
};

void AddOpAmpOptions(CLI::App& app, OpAmpOptions& options);

/// An op-amp option whose text cannot be used.
struct OpAmpUsageError : CliUsageError {
  using CliUsageError::CliUsageError;
};

/// With --opamp: the part's figures into the texts of every op-amp option
/// not given on the command line (`app` tells which were), the noise and
/// limits into `noise` (its temperature stays). An unknown name throws
/// OpAmpUsageError naming --opamp-list.
void ApplyOpAmpPart(const CLI::App& app, OpAmpOptions& options, response::NoiseTexts& noise);

/// --opamp-list: one line a part, in the list's order.
void PrintOpAmpList(std::ostream& out);

/// The ideal op-amp when no option was given, else the real one; an
/// unreadable or out-of-range text throws OpAmpUsageError naming the option.
response::OpAmpModel OpAmpModelOf(const OpAmpOptions& options);

/// With --analysis and a real op-amp: "gbw_min_hz" and "gain_error_db_at_f0"
/// in every stage object, "stopband_floor_db" and "stopband_floor_hz" in the
/// summary (null for an HPF or where the gain falls all the way to 1 GHz).
void AddOpAmpJson(const AnalysisOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                  const response::OpAmpModel& model, nlohmann::json& j);

/// The same as text lines after the analysis.
void PrintOpAmpPlain(const AnalysisOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                     const response::OpAmpModel& model, std::ostream& out);

}  // namespace kelvara::tools
