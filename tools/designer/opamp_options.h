#pragma once

// The op-amp options of kelvara-design: --opamp-gbw, --opamp-a0 and
// --opamp-rout (engineering texts). Any one of them switches from the ideal
// op-amp to the real one (A0 100 dB, GBW 1M, Rout 0 unless given); then the
// frequency curves are those of the real circuit and the analysis gains the
// op-amp's keys.

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "response/opamp_circuit.h"
#include "response/opamp_texts.h"

namespace kelvara::tools {

struct OpAmpOptions {
  response::OpAmpTexts texts;
  CLI::Option* gbw = nullptr;
  CLI::Option* a0 = nullptr;
  CLI::Option* rout = nullptr;
};

void AddOpAmpOptions(CLI::App& app, OpAmpOptions& options);

/// The ideal op-amp when no option was given, else the real one; an
/// unreadable or out-of-range text throws std::invalid_argument naming the
/// option.
response::OpAmpModel OpAmpModelOf(const OpAmpOptions& options);

/// Adds "gbw_min_hz" to every stage object (cascade order) and, with a real
/// op-amp, "gain_error_db_at_f0".
void AddOpAmpStageKeys(nlohmann::json& stages, const response::OpAmpCircuit& circuit,
                       const response::OpAmpModel& model);

/// With a real op-amp: "stopband_floor_db" and "stopband_floor_hz" (null for
/// an HPF or where the gain falls all the way to 1 GHz).
void AddOpAmpSummaryKeys(nlohmann::json& summary, const response::OpAmpCircuit& circuit,
                         const response::OpAmpModel& model);

/// The CSV of a frequency curve ("gain", "phase" or "delay") of the circuit
/// at ascending frequencies, with its header line; numbers read back to the
/// same double.
void PrintCircuitCurve(std::ostream& out, const std::string& curve, const response::OpAmpCircuit& circuit,
                       const response::OpAmpModel& model, const std::vector<double>& frequencies);

}  // namespace kelvara::tools
