#include "tools/designer/sections_output.h"

#include "engine/part_name.h"
#include "response/noise.h"
#include "response/signal_levels.h"
#include "tools/designer/noise_options.h"
#include "values/eng_value.h"

namespace kelvara::tools {

NamedParts NamedPartsOf(const std::vector<response::Section>& sections) {
  NamedParts named;
  for (const char letter : {'R', 'C'}) {
    for (const response::Section& s : sections) {
      for (int i = 0; i < s.PartCount(); ++i) {
        if (s.ids[i].letter != letter) continue;
        named.parts.emplace_back(engine::PartName(letter, s.ids[i].number), s.values[i]);
        named.roles.emplace_back(s.layout->parts[i].role);
      }
    }
  }
  return named;
}

void AddPartsJson(const NamedParts& named, nlohmann::json& j) {
  nlohmann::json parts = nlohmann::json::object(), roles = nlohmann::json::object();
  for (std::size_t i = 0; i < named.parts.size(); ++i) {
    parts[named.parts[i].first] = named.parts[i].second;
    roles[named.parts[i].first] = named.roles[i];
  }
  j["parts"] = parts;
  j["roles"] = roles;
}

void PrintPartsPlain(const NamedParts& named, std::ostream& out) {
  for (std::size_t i = 0; i < named.parts.size(); ++i) {
    const auto& [name, value] = named.parts[i];
    out << name << " = " << (name[0] == 'C' ? values::FormatCapacitance(value) : values::FormatResistanceDisplay(value))
        << " (" << named.roles[i] << ")\n";
  }
}

void AddOutputPeakJson(const response::StageLevel* peak, nlohmann::json& stage) {
  stage["output_peak_db"] = peak != nullptr ? nlohmann::json(peak->maxGainDb) : nlohmann::json(nullptr);
  stage["output_peak_hz"] = peak != nullptr ? nlohmann::json(peak->atHz) : nlohmann::json(nullptr);
}

void PrintSectionsCurve(bool valid, const AnalysisOptions& curve, const std::vector<double>& xs,
                        const response::CircuitModel& withOpAmp, double temperatureC,
                        const std::optional<ToleranceReport>& tolerance, std::ostream& out, std::ostream& err) {
  if (!valid) {
    err << "kelvara-design: no curve: the design has no usable part values\n";
    return;
  }
  if (tolerance && PrintToleranceBands(curve, *tolerance, out)) return;
  if (curve.curve == "noise") {
    PrintNoiseCsv(xs, response::ComputeNoiseCurves(withOpAmp, temperatureC, xs), response::NoiseSourcesOf(withOpAmp),
                  out);
  } else if (curve.curve == "levels") {
    PrintLevelsCsv(xs, response::ComputeLevelCurves(withOpAmp, xs), out);
  } else if (curve.curve == "step" || curve.curve == "impulse") {
    const response::TimeCurves t =
        response::CircuitStepImpulse(withOpAmp, xs.front(), xs.back(), static_cast<int>(xs.size()));
    PrintCurveCsv(curve.curve, xs, curve.curve == "step" ? t.step : t.impulse, out);
  } else {
    const response::FrequencyCurves f = response::CircuitFrequencyCurves(withOpAmp, xs);
    PrintCurveCsv(curve.curve, xs,
                  curve.curve == "gain"    ? f.gainDb
                  : curve.curve == "phase" ? f.phaseDeg
                                           : f.delayS,
                  out);
  }
}

}  // namespace kelvara::tools
