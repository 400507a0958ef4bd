#include "tools/designer/opamp_options.h"

#include <cmath>
#include <iomanip>
#include <sstream>

#include "response/opamp_analysis.h"
#include "response/opamp_catalogue.h"
#include "response/opamp_time.h"

namespace kelvara::tools {
namespace {

std::string Short(double v) {
  std::ostringstream s;
  s << std::setprecision(6) << v;
  return s.str();
}

std::string UnknownPart(const std::string& name) {
  return "unknown op-amp '" + name + "' (kelvara-design --opamp-list prints the names it takes)";
}

nlohmann::json NumberOrNull(double x) { return std::isfinite(x) ? nlohmann::json(x) : nlohmann::json(nullptr); }

}  // namespace

void AddOpAmpOptions(CLI::App& app, OpAmpOptions& options) {
  // The names in the help ({OP27,TL072,...}), where the shell's completion
  // reads them.
  std::string names;
  for (const response::CatalogueOpAmp& c : response::OpAmpCatalogue()) names += (names.empty() ? "" : ",") + c.name;
  options.partOption = app.add_option("--opamp", options.part,
                                      "a real op-amp of the list (--opamp-list): its GBW, A0, Rout, noise and limits; "
                                      "an --opamp-* option given with it sets that figure")
                           ->check(CLI::Validator(
                               [](const std::string& name) {
                                 return response::FindCatalogueOpAmp(name) ? std::string() : UnknownPart(name);
                               },
                               "{" + names + "}"));
  app.add_flag("--opamp-list", options.list,
               "print the op-amps --opamp takes, one a line with their figures, and exit");
  options.gbw = app.add_option("--opamp-gbw", options.texts.gbwHz,
                               "gain-bandwidth product of a real op-amp in Hz, e.g. 1M (default 1M)");
  options.a0 =
      app.add_option("--opamp-a0", options.texts.a0Db, "open-loop DC gain of a real op-amp in dB (default 100)");
  options.rout = app.add_option("--opamp-rout", options.texts.routOhm,
                                "open-loop output resistance of a real op-amp in ohms (default 0)");
}

void ApplyOpAmpPart(const CLI::App& app, OpAmpOptions& options, response::NoiseTexts& noise) {
  if (options.partOption->count() == 0) return;
  const response::CatalogueOpAmp* part = response::FindCatalogueOpAmp(options.part);
  if (!part) throw OpAmpUsageError("--opamp: " + UnknownPart(options.part));
  auto take = [&app](const char* option, std::string& text, const std::string& figure) {
    if (app.count(option) == 0) text = figure;
  };
  take("--opamp-gbw", options.texts.gbwHz, part->opamp.gbwHz);
  take("--opamp-a0", options.texts.a0Db, part->opamp.a0Db);
  take("--opamp-rout", options.texts.routOhm, part->opamp.routOhm);
  take("--opamp-en", noise.enNvRtHz, part->noise.enNvRtHz);
  take("--opamp-en-corner", noise.enCornerHz, part->noise.enCornerHz);
  take("--opamp-in", noise.inPaRtHz, part->noise.inPaRtHz);
  // With a supply the part's swing (at its datasheet's supply) is not the
  // one to use: its headroom to the rails gives the swing instead.
  if (app.count("--supply") == 0 && app.count("--single-supply") == 0)
    take("--opamp-swing", noise.swingVpp, part->noise.swingVpp);
  take("--opamp-headroom-pos", noise.headroomPosV, part->noise.headroomPosV);
  take("--opamp-headroom-neg", noise.headroomNegV, part->noise.headroomNegV);
  take("--opamp-sr", noise.slewVPerUs, part->noise.slewVPerUs);
}

void PrintOpAmpList(std::ostream& out) {
  auto figure = [](const std::string& text, const char* unit) { return text.empty() ? std::string("-") : text + unit; };
  for (const response::CatalogueOpAmp& c : response::OpAmpCatalogue()) {
    out << c.name << ": GBW " << figure(c.opamp.gbwHz, " Hz") << ", A0 " << figure(c.opamp.a0Db, " dB") << ", Rout "
        << figure(c.opamp.routOhm, " ohm") << ", en " << figure(c.noise.enNvRtHz, " nV/rtHz") << ", 1/f corner "
        << figure(c.noise.enCornerHz, " Hz") << ", in " << figure(c.noise.inPaRtHz, " pA/rtHz") << ", swing "
        << figure(c.noise.swingVpp, " Vpp") << ", slew rate " << figure(c.noise.slewVPerUs, " V/us") << ", supply "
        << (c.supply.empty() ? std::string("-") : c.supply) << " (" << c.conditions << "; output headroom "
        << figure(c.noise.headroomPosV, " V") << " to the positive rail, " << figure(c.noise.headroomNegV, " V")
        << " to the negative)\n";
  }
}

response::OpAmpModel OpAmpModelOf(const OpAmpOptions& options) {
  response::OpAmpModel model;
  if (options.partOption->count() == 0 && options.gbw->count() == 0 && options.a0->count() == 0 &&
      options.rout->count() == 0)
    return model;
  if (auto error = response::ReadOpAmpTexts(options.texts, model)) {
    static const char* const kNames[] = {"--opamp-gbw", "--opamp-a0", "--opamp-rout"};
    static const char* const kRanges[] = {"above 0 Hz", "above 0 dB", "0 ohms or more"};
    const int i = static_cast<int>(error->field);
    const std::string& text = i == 0 ? options.texts.gbwHz : i == 1 ? options.texts.a0Db : options.texts.routOhm;
    throw OpAmpUsageError(
        std::string(kNames[i]) + " '" + text + "' " +
        (error->unreadable ? "is not an engineering value (e.g. 1M, 4.7k, 50)" : std::string("must be ") + kRanges[i]));
  }
  return model;
}

void AddOpAmpJson(const AnalysisOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                  const response::OpAmpModel& model, nlohmann::json& j) {
  if (!options.analysis || !report.minus3dbHz.has_value() || !j["stages"].is_array()) return;
  const response::OpAmpCircuit circuit = response::CircuitFromComponents(request, report.parts);
  const std::vector<response::OpAmpStageReport> reports = response::AnalyseOpAmpStages(circuit, model);
  const bool real = response::SinglePoleOf(model).has_value();
  nlohmann::json& stages = j["stages"];
  // The GBW a stage asks for is a property of the stage, so it is there
  // with the ideal op-amp too; the rest needs a real one.
  for (std::size_t k = 0; k < reports.size() && k < stages.size(); ++k) {
    stages[k]["gbw_min_hz"] = NumberOrNull(reports[k].gbwMinHz);
    if (real) stages[k]["gain_error_db_at_f0"] = NumberOrNull(reports[k].gainErrorDbAtF0);
  }
  if (!real || !j["summary"].is_object()) return;
  const auto floor = response::FindStopbandFloor(circuit, model);
  j["summary"]["stopband_floor_db"] = floor ? nlohmann::json(floor->db) : nlohmann::json(nullptr);
  j["summary"]["stopband_floor_hz"] = floor ? nlohmann::json(floor->hz) : nlohmann::json(nullptr);
}

void PrintOpAmpPlain(const AnalysisOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                     const response::OpAmpModel& model, std::ostream& out) {
  const std::optional<response::SinglePole> pole = response::SinglePoleOf(model);
  if (!options.analysis || !pole || !report.minus3dbHz.has_value()) return;
  const response::OpAmpCircuit circuit = response::CircuitFromComponents(request, report.parts);
  auto text = [](double v, const char* unit) { return std::isfinite(v) ? Short(v) + unit : std::string("-"); };
  out << "op-amp: GBW " << Short(pole->gbwHz) << " Hz, A0 " << Short(pole->a0Db) << " dB, Rout " << Short(pole->routOhm)
      << " ohm\n";
  int stage = 1;
  for (const response::OpAmpStageReport& s : response::AnalyseOpAmpStages(circuit, model)) {
    out << "stage " << stage++ << ": GBW min " << Short(s.gbwMinHz) << " Hz (" << (s.gbwMet ? "met" : "NOT met")
        << "), gain error at f0 " << Short(s.gainErrorDbAtF0) << " dB, peak " << text(s.peakDb, " dB") << " at "
        << text(s.peakHz, " Hz") << " (shift " << text(s.peakShiftHz, " Hz") << ")\n";
  }
  if (request.passKind == engine::kLpf) {
    const auto floor = response::FindStopbandFloor(circuit, model);
    out << "stop-band floor = " << (floor ? Short(floor->db) + " dB at " + Short(floor->hz) + " Hz" : "-") << '\n';
  }
}

}  // namespace kelvara::tools
