#include "tools/designer/opamp_options.h"

#include <cstdio>
#include <stdexcept>

#include "response/opamp_analysis.h"

namespace kelvara::tools {
namespace {

std::string Exact(double x) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", x);
  return buffer;
}

nlohmann::json NumberOrNull(double x) { return std::isfinite(x) ? nlohmann::json(x) : nlohmann::json(nullptr); }

}  // namespace

void AddOpAmpOptions(CLI::App& app, OpAmpOptions& options) {
  options.gbw = app.add_option("--opamp-gbw", options.texts.gbwHz,
                               "gain-bandwidth product of a real op-amp in Hz, e.g. 1M (default 1M)");
  options.a0 =
      app.add_option("--opamp-a0", options.texts.a0Db, "open-loop DC gain of a real op-amp in dB (default 100)");
  options.rout = app.add_option("--opamp-rout", options.texts.routOhm,
                                "open-loop output resistance of a real op-amp in ohms (default 0)");
}

response::OpAmpModel OpAmpModelOf(const OpAmpOptions& options) {
  response::OpAmpModel model;
  if (options.gbw->count() == 0 && options.a0->count() == 0 && options.rout->count() == 0) return model;
  if (auto error = response::ReadOpAmpTexts(options.texts, model)) {
    static const char* const kNames[] = {"--opamp-gbw", "--opamp-a0", "--opamp-rout"};
    static const char* const kRanges[] = {"above 0 Hz", "above 0 dB", "0 ohms or more"};
    const int i = static_cast<int>(error->field);
    const std::string& text = i == 0 ? options.texts.gbwHz : i == 1 ? options.texts.a0Db : options.texts.routOhm;
    throw std::invalid_argument(
        std::string(kNames[i]) + " '" + text + "' " +
        (error->unreadable ? "is not an engineering value (e.g. 1M, 4.7k, 50)" : std::string("must be ") + kRanges[i]));
  }
  return model;
}

void AddOpAmpStageKeys(nlohmann::json& stages, const response::OpAmpCircuit& circuit,
                       const response::OpAmpModel& model) {
  const std::vector<response::OpAmpStageReport> reports = response::AnalyseOpAmpStages(circuit, model);
  for (std::size_t k = 0; k < reports.size() && k < stages.size(); ++k) {
    stages[k]["gbw_min_hz"] = NumberOrNull(reports[k].gbwMinHz);
    if (!model.ideal) stages[k]["gain_error_db_at_f0"] = NumberOrNull(reports[k].gainErrorDbAtF0);
  }
}

void AddOpAmpSummaryKeys(nlohmann::json& summary, const response::OpAmpCircuit& circuit,
                         const response::OpAmpModel& model) {
  if (model.ideal) return;
  const auto floor = response::FindStopbandFloor(circuit, model);
  summary["stopband_floor_db"] = floor ? nlohmann::json(floor->db) : nlohmann::json(nullptr);
  summary["stopband_floor_hz"] = floor ? nlohmann::json(floor->hz) : nlohmann::json(nullptr);
}

void PrintCircuitCurve(std::ostream& out, const std::string& curve, const response::OpAmpCircuit& circuit,
                       const response::OpAmpModel& model, const std::vector<double>& frequencies) {
  const response::CircuitCurveSet set = response::CircuitCurves(circuit, model, frequencies);
  const std::vector<double>& values = curve == "phase" ? set.phaseDeg : curve == "delay" ? set.delayS : set.gainDb;
  out << "frequency_hz," << (curve == "phase" ? "phase_deg" : curve == "delay" ? "delay_s" : "gain_db") << '\n';
  for (std::size_t i = 0; i < frequencies.size(); ++i) out << Exact(frequencies[i]) << ',' << Exact(values[i]) << '\n';
}

}  // namespace kelvara::tools
