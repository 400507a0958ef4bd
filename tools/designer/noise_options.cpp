#include "tools/designer/noise_options.h"

#include <cmath>
#include <iomanip>
#include <optional>
#include <sstream>

#include "response/analysis.h"
#include "response/signal_levels.h"
#include "values/eng_value.h"

namespace kelvara::tools {
namespace {

std::string Short(double v) {
  std::ostringstream s;
  s << std::setprecision(6) << v;
  return s.str();
}

// A level in dB with a fixed number of decimals, as the levels view shows
// it ("0.00", never "-0.00" for a value that rounds to zero).
std::string Fixed(double v, int decimals) {
  std::ostringstream s;
  s << std::fixed << std::setprecision(decimals) << v;
  std::string text = s.str();
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

nlohmann::json NumberOrNull(const std::optional<double>& v) {
  return v && std::isfinite(*v) ? nlohmann::json(*v) : nlohmann::json(nullptr);
}

bool HasValues(const DesignReport& report) { return report.minus3dbHz.has_value(); }

double ReadBandEnd(const std::string& text, const std::string& whole) {
  const double v = values::ParseEngValue(text);
  if (!(v > 0) || !std::isfinite(v))
    throw NoiseUsageError("--noise-band expects LO,HI, two frequencies above 0 (e.g. 1,50k), got '" + whole + "'");
  return v;
}

struct Results {
  response::OpAmpCircuit circuit;
  response::NoiseBand band;
  response::NoiseReport noise;
};

Results Compute(const NoiseOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                const response::OpAmpModel& model, double temperatureC) {
  Results r{response::CircuitFromComponents(request, report.parts), NoiseBandOf(options, request), {}};
  r.noise = response::IntegrateNoise(r.circuit, model, temperatureC, r.band);
  return r;
}

// Where the swing used came from: "given" (--opamp-swing or the part's),
// "supply" or null.
nlohmann::json SwingFromName(response::SwingFrom from) {
  if (from == response::SwingFrom::kGiven) return "given";
  if (from == response::SwingFrom::kSupply) return "supply";
  return nullptr;
}

nlohmann::json SupplyJson(const response::OpAmpSupply& supply) {
  if (supply.kind == response::SupplyKind::kNone) return nullptr;
  const bool single = supply.kind == response::SupplyKind::kSingle;
  return {{"kind", single ? "single" : "symmetric"},    {"positive_v", supply.volts},
          {"negative_v", single ? 0.0 : -supply.volts}, {"bias_v", single ? supply.volts / 2 : 0.0},
          {"headroom_pos_v", supply.headroomPosV},      {"headroom_neg_v", supply.headroomNegV}};
}

// The swing used as a line of text, with where it came from.
std::string SwingLine(const response::UsedSwing& swing, const response::OpAmpSupply& supply) {
  if (swing.from == response::SwingFrom::kNone) return "swing used = - (no swing or supply given)";
  if (swing.from == response::SwingFrom::kGiven) return "swing used = " + Short(swing.vpp) + " Vpp (as given)";
  const bool single = supply.kind == response::SupplyKind::kSingle;
  const std::string rails =
      single ? "single supply 0 V to " + Short(supply.volts) + " V, signal at " + Short(supply.volts / 2) + " V"
             : "supply +/-" + Short(supply.volts) + " V";
  return "swing used = " + (swing.vpp > 0 ? Short(swing.vpp) + " Vpp" : std::string("0 Vpp")) + " (from the " + rails +
         ", headroom " + Short(supply.headroomPosV) + " V to the positive rail and " + Short(supply.headroomNegV) +
         " V to the negative)";
}

// The JSON name of the limit the largest undistorted input meets.
const char* LimitName(response::InputLimit limit) { return limit == response::InputLimit::kSlew ? "slew" : "swing"; }

}  // namespace

void AddNoiseOptions(CLI::App& app, NoiseOptions& options) {
  app.add_option("--opamp-en", options.texts.enNvRtHz, "op-amp input voltage noise density in nV/sqrt(Hz) (default 0)");
  app.add_option("--opamp-en-corner", options.texts.enCornerHz,
                 "1/f corner of the op-amp's voltage noise in Hz: en(f) = en sqrt(1 + corner/f) (default none)");
  app.add_option("--opamp-in", options.texts.inPaRtHz, "op-amp input current noise density in pA/sqrt(Hz) (default 0)");
  app.add_option("--opamp-swing", options.texts.swingVpp, "op-amp output swing in Vpp (default not given)");
  app.add_option("--opamp-sr", options.texts.slewVPerUs, "op-amp slew rate in V/us (default not given)");
  CLI::Option* supply = app.add_option("--supply", options.texts.supplyV,
                                       "symmetric supply rails +V and -V in volts, the signal about 0 V: the op-amps' "
                                       "swing follows from them where --opamp-swing is not given");
  CLI::Option* single = app.add_option("--single-supply", options.singleSupply,
                                       "single supply 0 V to V in volts, the signal biased at V/2: the op-amps' swing "
                                       "follows from it where --opamp-swing is not given");
  supply->excludes(single);
  app.add_option("--opamp-headroom-pos", options.texts.headroomPosV,
                 "how close the op-amp output comes to the positive rail in volts (default 0, or the --opamp part's)");
  app.add_option("--opamp-headroom-neg", options.texts.headroomNegV,
                 "how close the op-amp output comes to the negative rail in volts (default 0, or the --opamp part's)");
  app.add_option("--temperature", options.texts.temperatureC,
                 "temperature of the resistors' thermal noise in degrees Celsius (default 25)");
  app.add_flag("--noise", options.noise,
               "add the output noise integrated over the noise band, each source's part and the input-referred noise "
               "(with --json: key noise)");
  app.add_option("--noise-band", options.band,
                 "band of the noise integral, LO,HI in Hz (default LPF 1 Hz to 10 fc, HPF fc/10 to 100 fc)");
  app.add_flag("--levels", options.levels,
               "add each op-amp output's highest gain, the largest input within the swing and the slew rate and the "
               "dynamic range (with --json: key levels)");
}

void ApplyNoiseOptions(const NoiseOptions& options, response::OpAmpModel& model, double& temperatureC) {
  response::NoiseTexts texts = options.texts;
  if (!options.singleSupply.empty()) {
    texts.supplyV = options.singleSupply;
    texts.singleSupply = true;
  }
  const auto error = response::ReadNoiseTexts(texts, model, temperatureC);
  if (!error) return;
  static const char* const kNames[] = {"--opamp-en",    "--opamp-en-corner",    "--opamp-in",
                                       "--opamp-swing", "--opamp-sr",           "--temperature",
                                       "--supply",      "--opamp-headroom-pos", "--opamp-headroom-neg"};
  static const char* const kRanges[] = {"0 or more",
                                        "0 or more",
                                        "0 or more",
                                        "above 0",
                                        "above 0",
                                        "above -273.15 and at most 1000",
                                        "above 0 V and at most 1000 V",
                                        "0 V or more and at most 1000 V",
                                        "0 V or more and at most 1000 V"};
  const std::string* fields[] = {&texts.enNvRtHz, &texts.enCornerHz,   &texts.inPaRtHz,
                                 &texts.swingVpp, &texts.slewVPerUs,   &texts.temperatureC,
                                 &texts.supplyV,  &texts.headroomPosV, &texts.headroomNegV};
  const int i = static_cast<int>(error->field);
  const std::string name = error->field == response::NoiseField::kSupply && texts.singleSupply
                               ? std::string("--single-supply")
                               : std::string(kNames[i]);
  if (error->noSwing) throw NoiseUsageError(name + " '" + *fields[i] + "' leaves the supply no output swing");
  throw NoiseUsageError(
      name + " '" + *fields[i] + "' " +
      (error->unreadable ? "is not a number (e.g. 7, 2.5, 1k)" : std::string("must be ") + kRanges[i]));
}

response::NoiseBand NoiseBandOf(const NoiseOptions& options, const engine::DesignRequest& request) {
  if (options.band.empty()) return response::DefaultNoiseBand(request);
  const std::size_t comma = options.band.find(',');
  if (comma == std::string::npos || options.band.find(',', comma + 1) != std::string::npos)
    throw NoiseUsageError("--noise-band expects LO,HI, two frequencies above 0 (e.g. 1,50k), got '" + options.band +
                          "'");
  const double lo = ReadBandEnd(options.band.substr(0, comma), options.band);
  const double hi = ReadBandEnd(options.band.substr(comma + 1), options.band);
  if (!(hi > lo)) throw NoiseUsageError("--noise-band: HI must lie above LO, got '" + options.band + "'");
  return {lo, hi};
}

bool IsNoiseCurve(const std::string& curve) { return curve == "noise" || curve == "levels"; }

void AddNoiseJson(const NoiseOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                  const response::OpAmpModel& model, double temperatureC, nlohmann::json& j) {
  if (!options.noise && !options.levels) return;
  if (!HasValues(report)) {
    if (options.noise) j["noise"] = nullptr;
    if (options.levels) {
      j["levels"] = nullptr;
      j["swing"] = nullptr;
    }
    return;
  }
  const Results r = Compute(options, request, report, model, temperatureC);
  if (options.noise) AddNoiseReportJson(r.noise, r.band, temperatureC, j);
  if (options.levels) {
    AddLevelsJson(response::AnalyseLevels(r.circuit, model, r.band, r.noise.totalVrms), model, j);
  }
}

void AddNoiseReportJson(const response::NoiseReport& noise, const response::NoiseBand& band, double temperatureC,
                        nlohmann::json& j) {
  nlohmann::json n;
  n["temperature_c"] = temperatureC;
  n["band_hz"] = {band.loHz, band.hiHz};
  n["total_vrms"] = noise.totalVrms;
  n["input_referred_vrms"] = noise.inputReferredVrms;
  n["contributions"] = nlohmann::json::array();
  for (std::size_t i = 0; i < noise.sources.size(); ++i)
    n["contributions"].push_back({{"source", noise.sources[i].name}, {"vrms", noise.sourceVrms[i]}});
  j["noise"] = n;
}

void AddNoiseAndLevelsJson(bool noise, bool levels, const std::optional<response::NoiseReport>& noiseReport,
                           const std::optional<response::LevelReport>& levelReport, const response::NoiseBand& band,
                           double temperatureC, const response::OpAmpModel& model, nlohmann::json& j) {
  if (noise) {
    if (noiseReport) {
      AddNoiseReportJson(*noiseReport, band, temperatureC, j);
    } else {
      j["noise"] = nullptr;
    }
  }
  if (levels) {
    if (levelReport) {
      AddLevelsJson(*levelReport, model, j);
    } else {
      j["levels"] = nullptr;
      j["swing"] = nullptr;
    }
  }
}

void AddLevelsJson(const response::LevelReport& levels, const response::OpAmpModel& model, nlohmann::json& j) {
  nlohmann::json l;
  l["stages"] = nlohmann::json::array();
  int stage = 1;
  for (const response::StageLevel& s : levels.stages)
    l["stages"].push_back({{"stage", stage++}, {"max_gain_db", s.maxGainDb}, {"at_hz", s.atHz}});
  l["max_input_vpp"] = NumberOrNull(levels.maxInputVpp);
  l["slew_max_input_vpp"] = NumberOrNull(levels.slewMaxInputVpp);
  l["undistorted_input_vpp"] = NumberOrNull(levels.undistortedInputVpp);
  l["limited_by"] = levels.limitedBy ? nlohmann::json(LimitName(*levels.limitedBy)) : nlohmann::json(nullptr);
  l["dynamic_range_db"] = NumberOrNull(levels.dynamicRangeDb);
  j["levels"] = l;
  // The swing the levels used, beside them (the keys of "levels" stay
  // as they are): its value, where it came from and the supply.
  j["swing"] = {{"vpp", levels.swing.vpp > 0 ? nlohmann::json(levels.swing.vpp) : nlohmann::json(nullptr)},
                {"from", SwingFromName(levels.swing.from)},
                {"supply", SupplyJson(model.limits.supply)}};
}

void PrintNoisePlain(const NoiseOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                     const response::OpAmpModel& model, double temperatureC, std::ostream& out) {
  if ((!options.noise && !options.levels) || !HasValues(report)) return;
  const Results r = Compute(options, request, report, model, temperatureC);
  if (options.noise) PrintNoiseReportPlain(r.noise, r.band, temperatureC, out);
  if (options.levels) {
    PrintLevelsPlain(response::AnalyseLevels(r.circuit, model, r.band, r.noise.totalVrms), model, out);
  }
}

void PrintNoiseReportPlain(const response::NoiseReport& noise, const response::NoiseBand& band, double temperatureC,
                           std::ostream& out) {
  out << "noise " << Short(band.loHz) << " Hz to " << Short(band.hiHz) << " Hz at " << Short(temperatureC)
      << " degC: " << Short(noise.totalVrms) << " Vrms at the output, " << Short(noise.inputReferredVrms)
      << " Vrms referred to the input\n";
  for (std::size_t i = 0; i < noise.sources.size(); ++i) {
    out << "  " << noise.sources[i].name << ": " << Short(noise.sourceVrms[i]) << " Vrms ("
        << Short(100 * noise.Share(i)) << " %)\n";
  }
}

void PrintLevelsPlain(const response::LevelReport& levels, const response::OpAmpModel& model, std::ostream& out) {
  int stage = 1;
  for (const response::StageLevel& s : levels.stages)
    out << "U" << stage++ << " output: highest gain " << Fixed(s.maxGainDb, 2) << " dB at " << Short(s.atHz) << " Hz\n";
  auto text = [](const std::optional<double>& v, const char* unit) {
    return v ? Short(*v) + unit : std::string("- (no limit given)");
  };
  out << SwingLine(levels.swing, model.limits.supply) << '\n';
  out << "largest input within the swing = " << text(levels.maxInputVpp, " Vpp") << '\n';
  out << "largest input within the slew rate = " << text(levels.slewMaxInputVpp, " Vpp") << '\n';
  out << "dynamic range = "
      << (levels.dynamicRangeDb ? Fixed(*levels.dynamicRangeDb, 1) + " dB" : std::string("- (no limit given)"));
  out << '\n';
  // Which input the dynamic range is of, on a line of its own (the
  // dynamic range's line stays the figure alone).
  if (levels.dynamicRangeDb && levels.undistortedInputVpp && levels.limitedBy) {
    out << "dynamic range input = " << Short(*levels.undistortedInputVpp) << " Vpp (limited by the "
        << (*levels.limitedBy == response::InputLimit::kSlew ? "slew rate" : "swing") << ")\n";
  }
}

void PrintNoiseCsv(const std::vector<double>& xs, const response::NoiseCurves& c,
                   const std::vector<response::NoiseSource>& sources, std::ostream& out) {
  out << "frequency_hz,total_nv_rthz";
  for (const response::NoiseSource& s : sources) {
    std::string name = s.name;
    for (char& ch : name)
      if (ch == ' ') ch = '_';
    out << ',' << name << "_nv_rthz";
  }
  out << '\n';
  for (std::size_t i = 0; i < xs.size(); ++i) {
    out << CurveNumber(xs[i]) << ',' << CurveNumber(c.totalNv[i]);
    for (const std::vector<double>& s : c.sourceNv) out << ',' << CurveNumber(s[i]);
    out << '\n';
  }
}

bool PrintNoiseCurve(const AnalysisOptions& analysis, const engine::DesignRequest& request, const DesignReport& report,
                     const response::OpAmpModel& model, double temperatureC, std::ostream& out) {
  if (!HasValues(report)) return false;
  const std::vector<double> xs = CurvePoints(analysis, response::CascadeFromParts(request, report.parts));
  const response::OpAmpCircuit circuit = response::CircuitFromComponents(request, report.parts);
  if (analysis.curve == "noise") {
    PrintNoiseCsv(xs, response::ComputeNoiseCurves(circuit, model, temperatureC, xs), response::NoiseSourcesOf(circuit),
                  out);
    return true;
  }
  PrintLevelsCsv(xs, response::ComputeLevelCurves(circuit, model, xs), out);
  return true;
}

void PrintLevelsCsv(const std::vector<double>& xs, const response::LevelCurves& c, std::ostream& out) {
  out << "frequency_hz";
  for (std::size_t k = 1; k <= c.gainDb.size(); ++k) out << ",U" << k << "_db";
  out << '\n';
  for (std::size_t i = 0; i < xs.size(); ++i) {
    out << CurveNumber(xs[i]);
    for (const std::vector<double>& g : c.gainDb) out << ',' << CurveNumber(g[i]);
    out << '\n';
  }
}

}  // namespace kelvara::tools
