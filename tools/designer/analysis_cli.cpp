#include "tools/designer/analysis_cli.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <iomanip>
#include <optional>
#include <sstream>
#include <vector>

#include "engine/part_name.h"
#include "response/analysis.h"
#include "response/circuit.h"
#include "response/time_response.h"
#include "response/views.h"
#include "values/eng_value.h"

namespace kelvara::tools {
namespace {

constexpr double kDefaultFromHz = 1e3;  // the response chart's default range
constexpr double kDefaultToHz = 1e6;
constexpr int kDefaultFrequencyPoints = 146;  // what the chart's sweep gives on it
constexpr int kDefaultTimePoints = 501;

bool IsTimeCurve(const std::string& curve) { return curve == "step" || curve == "impulse"; }

// The shortest text that reads back to the same double.
std::string RoundTrip(double v) {
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, result.ptr);
}

std::optional<double> ReadOption(const std::string& name, const std::string& text, bool time) {
  if (text.empty()) return std::nullopt;
  const double v = values::ParseEngValue(text);
  if (v == 0 && time && values::ReadsAsZero(text)) return 0.0;
  if (!(v > 0) || !std::isfinite(v)) {
    throw AnalysisUsageError(name + " expects " + (time ? "a time of 0 or more" : "a frequency above 0") +
                             " as an engineering value, got '" + text + "'");
  }
  return v;
}

// Six significant digits for the plain text, which people read.
std::string Short(double v) {
  std::ostringstream s;
  s << std::setprecision(6) << v;
  return s.str();
}

bool HasValues(const DesignReport& report) { return report.minus3dbHz.has_value(); }

nlohmann::json Optional(const std::optional<double>& v) {
  return v && std::isfinite(*v) ? nlohmann::json(*v) : nlohmann::json(nullptr);
}

}  // namespace

void AddAnalysisOptions(CLI::App& app, AnalysisOptions& options) {
  app.add_flag("--analysis", options.analysis,
               "add the evaluation of every stage and a summary of the response (with --json: keys stages, summary)");
  app.add_option("--curve", options.curve,
                 "print one curve as CSV: gain, phase, delay, step, impulse, noise (output noise densities) or "
                 "levels (the gain to every op-amp output)")
      ->check(CLI::IsMember({"gain", "phase", "delay", "step", "impulse", "noise", "levels"}));
  app.add_option("--from", options.from, "first point of the curve (default 1k Hz, or 0 s for step and impulse)");
  app.add_option("--to", options.to, "last point of the curve (default 1M Hz, or the span settled to 0.1 %)");
  app.add_option(
         "--points", options.points,
         "number of points of the curve, 1.." + std::to_string(kMaxCurvePoints) + " (default 146, or 501 in time)")
      ->check(CLI::Range(1, kMaxCurvePoints));
}

void CheckAnalysisOptions(const AnalysisOptions& options) {
  const bool time = IsTimeCurve(options.curve);
  const auto from = ReadOption("--from", options.from, time);
  const auto to = ReadOption("--to", options.to, time);
  if (from && to && *from > *to) throw AnalysisUsageError("--from must not lie above --to");
  if (options.points < 0 || options.points > kMaxCurvePoints) {
    throw AnalysisUsageError("--points: " + std::to_string(options.points) + " is not in 1.." +
                             std::to_string(kMaxCurvePoints));
  }
}

void AddCircuitJson(const engine::DesignRequest& request, const DesignReport& report, nlohmann::json& j) {
  const std::vector<response::Section> sections = response::SectionsOf(request, report.parts);
  const double gain = response::CascadeGain(sections);
  j["topology"] = values::kCircuitOptions[request.circuit < values::kCircuitCount ? request.circuit : 0];
  j["gain"] = gain;
  j["inverting"] = gain < 0;
  nlohmann::json parts = nlohmann::json::object();
  for (const response::Section& s : sections) {
    for (int i = 0; i < s.PartCount(); ++i) parts[engine::PartName(s.ids[i].letter, s.ids[i].number)] = s.values[i];
  }
  j["parts"] = parts;
}

void AddAnalysisJson(const AnalysisOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                     nlohmann::json& j) {
  if (!options.analysis) return;
  j["stages"] = nlohmann::json::array();
  j["summary"] = nullptr;
  if (!HasValues(report)) return;
  const std::vector<response::Section> sections = response::SectionsOf(request, report.parts);
  for (const response::StageEvaluation& row : response::EvaluateStages(request, report.parts)) {
    nlohmann::json s;
    s["stage"] = row.stage;
    const response::Section& section = sections[row.stage - 1];
    s["topology"] = std::string(section.topology->Id());
    s["gain"] = section.Figures().gain;
    s["order"] = row.order;
    s["parts"] = row.parts;
    s["f0_target_hz"] = row.f0TargetHz;
    s["q_target"] = Optional(row.qTarget);
    s["f0_hz"] = row.f0Hz;
    s["q"] = Optional(row.q);
    s["f0_error_pct"] = Optional(row.f0ErrorPct);
    s["q_error_pct"] = Optional(row.qErrorPct);
    s["peak_db"] = row.peak.db;
    s["peak_hz"] = Optional(row.peak.hz);
    j["stages"].push_back(s);
  }
  const response::ResponseSummary sum = response::Summarize(response::CascadeFromParts(request, report.parts));
  nlohmann::json s;
  s["minus3db_hz"] = sum.minus3dbHz;
  s["cutoff_definition"] = values::kCutoffDefinitions[request.response];
  s["ripple_edge_hz"] = Optional(sum.rippleEdgeHz);
  s["ripple_db"] = Optional(sum.rippleDb);
  s["attenuation_db"] = {{"2fc", Optional(sum.attenuationNearDb)}, {"10fc", Optional(sum.attenuationFarDb)}};
  j["summary"] = s;
}

void PrintAnalysisPlain(const AnalysisOptions& options, const engine::DesignRequest& request,
                        const DesignReport& report, std::ostream& out) {
  if (!options.analysis || !HasValues(report)) return;
  auto text = [](const std::optional<double>& v, const char* unit = "") {
    return v ? Short(*v) + unit : std::string("-");
  };
  for (const response::StageEvaluation& row : response::EvaluateStages(request, report.parts)) {
    out << "stage " << row.stage << " (" << row.order << "): ";
    for (std::size_t i = 0; i < row.parts.size(); ++i) out << (i ? "," : "") << row.parts[i];
    out << " f0 " << Short(row.f0Hz) << " Hz (target " << Short(row.f0TargetHz) << ", " << text(row.f0ErrorPct, " %")
        << "), Q " << text(row.q) << " (target " << text(row.qTarget) << ", " << text(row.qErrorPct, " %") << "), peak "
        << Short(row.peak.db) << " dB at " << text(row.peak.hz, " Hz") << ", ratio " << text(row.ratio) << '\n';
    for (const response::RangeMark& m : row.marks) out << "  " << m.part << ": " << RangeReason(m.issue) << '\n';
  }
  const response::Cascade cascade = response::CascadeFromParts(request, report.parts);
  const response::ResponseSummary s = response::Summarize(cascade);
  const response::TimeResponse time(cascade);
  out << "cut-off at " << values::kCutoffDefinitions[request.response] << " ("
      << values::ResponseEnglishLabel(request.response, request.rippleIndex) << ")\n";
  out << "ripple edge = " << text(s.rippleEdgeHz, " Hz") << ", ripple = " << text(s.rippleDb, " dB") << '\n';
  out << "attenuation at " << Short(s.nearHz) << " Hz = " << Short(s.attenuationNearDb) << " dB, at " << Short(s.farHz)
      << " Hz = " << Short(s.attenuationFarDb) << " dB\n";
  out << "step: overshoot " << Short(time.MaxOvershoot().percent) << " %, settled to 1 % at "
      << Short(time.SettlingTime(response::kSettlingBand)) << " s, to 0.1 % at " << Short(time.SettledSpan()) << " s\n";
}

namespace {

// The points of --from, --to and --points; a time curve without --to ends
// where settledSpan() says.
template <typename SettledSpan>
std::vector<double> PointsOf(const AnalysisOptions& options, const SettledSpan& settledSpan) {
  if (IsTimeCurve(options.curve)) {
    const double from = ReadOption("--from", options.from, true).value_or(0.0);
    std::optional<double> to = ReadOption("--to", options.to, true);
    if (!to) to = settledSpan();
    return response::LinearPoints(from, *to, options.points > 0 ? options.points : kDefaultTimePoints);
  }
  const double from = ReadOption("--from", options.from, false).value_or(kDefaultFromHz);
  const double to = ReadOption("--to", options.to, false).value_or(kDefaultToHz);
  return response::LogPoints(from, to, options.points > 0 ? options.points : kDefaultFrequencyPoints);
}

}  // namespace

std::vector<double> CurvePoints(const AnalysisOptions& options, const response::Cascade& cascade) {
  return PointsOf(options, [&] { return response::TimeResponse(cascade).SettledSpan(); });
}

std::vector<double> CurvePoints(const AnalysisOptions& options, const std::function<double()>& settledSpan) {
  return PointsOf(options, settledSpan);
}

std::vector<double> CurvePoints(const AnalysisOptions& options, std::span<const response::Section> sections) {
  return PointsOf(options, [&] { return response::TimeResponseOfSections(sections).SettledSpan(); });
}

std::string CurveHeader(const std::string& curve) {
  if (curve == "step") return "time_s,step";
  if (curve == "impulse") return "time_s,impulse";
  if (curve == "gain") return "frequency_hz,gain_db";
  if (curve == "phase") return "frequency_hz,phase_deg";
  return "frequency_hz,delay_s";
}

std::string CurveNumber(double v) { return RoundTrip(v); }

bool PrintCurve(const AnalysisOptions& options, const engine::DesignRequest& request, const DesignReport& report,
                const response::OpAmpModel& opAmp, std::ostream& out) {
  if (!HasValues(report)) return false;
  const std::vector<double> xs = CurvePoints(options, response::CascadeFromParts(request, report.parts));
  const response::CurveKind kind = options.curve == "step"      ? response::CurveKind::kStep
                                   : options.curve == "impulse" ? response::CurveKind::kImpulse
                                   : options.curve == "gain"    ? response::CurveKind::kGain
                                   : options.curve == "phase"   ? response::CurveKind::kPhase
                                                                : response::CurveKind::kDelay;
  PrintCurveCsv(options.curve, xs, response::CurveValues(request, report.parts, opAmp, kind, xs), out);
  return true;
}

void PrintCurveCsv(const std::string& curve, const std::vector<double>& xs, const std::vector<double>& ys,
                   std::ostream& out) {
  out << CurveHeader(curve) << '\n';
  for (std::size_t i = 0; i < xs.size() && i < ys.size(); ++i)
    out << RoundTrip(xs[i]) << ',' << RoundTrip(ys[i]) << '\n';
}

}  // namespace kelvara::tools
