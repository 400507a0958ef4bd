#include "tools/designer/sections_cli.h"
#include "tools/designer/sections_output.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "engine/design.h"
#include "engine/part_name.h"
#include "engine/section_design.h"
#include "engine/stage_maths.h"
#include "engine/units.h"
#include "export/spice_netlist.h"
#include "response/circuit.h"
#include "response/noise.h"
#include "response/section_sheet.h"
#include "response/section_views.h"
#include "response/signal_levels.h"
#include "storage/design_file.h"
#include "tools/designer/progress_display.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"

namespace kelvara::tools {
namespace {

constexpr int kFileError = 3;

// A number as typed, the whole text ("10", "2.5", "1e3").
std::optional<double> ReadNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || errno != 0 || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string Short(double v) {
  std::ostringstream s;
  s << std::setprecision(6) << v;
  return s.str();
}

std::string GainRangeText() { return Short(engine::kMinFilterGain) + ".." + Short(engine::kMaxFilterGain); }

// Options the design of sections does not take yet, by name.
constexpr const char* kNotTaken[] = {"--sheet", "--out", "--as-shown", "--stop-after"};

nlohmann::json Optional(double v, bool has) { return has ? nlohmann::json(v) : nlohmann::json(nullptr); }

}  // namespace

void AddSectionsOptions(CLI::App& app, SectionsOptions& options) {
  app.add_option("--topology", options.topology,
                 "circuit of the stages: sallen-key (default; with gain, non-inverting amplifiers K = 1 + Rf/Rg) or "
                 "mfb (multiple feedback, inverting)")
      ->check(CLI::IsMember({"sallen-key", "mfb"}));
  app.add_option("--gain", options.gainText,
                 "pass-band gain magnitude in V/V, " + GainRangeText() +
                     " (default 1); an mfb filter inverts once per stage, the JSON's gain is signed");
  app.add_option("--stage-gains", options.stageGainsText,
                 "each stage's gain magnitude in cascade order, G1,G2,... (default the gain equally, G^(1/stages)); "
                 "their product must be --gain where both are given");
  app.add_option("--stage-order", options.stageOrder,
                 "order of the stages by Q: ascending-q (default: the highest Q last, driven by a signal the "
                 "stages before it have rolled off near its peak, for headroom) or descending-q")
      ->check(CLI::IsMember({"ascending-q", "descending-q"}));
}

bool SectionsRequested(const CLI::App& app, SectionsOptions& options, const OtherRequests& others) {
  options.gain.reset();
  options.stageGains.clear();
  if (app.count("--gain") > 0) {
    options.gain = ReadNumber(options.gainText);
    if (!options.gain) throw CliUsageError("--gain expects a number in V/V, got '" + options.gainText + "'");
    if (!(*options.gain >= engine::kMinFilterGain && *options.gain <= engine::kMaxFilterGain)) {
      throw CliUsageError("--gain: " + options.gainText + " is not in " + GainRangeText());
    }
  }
  if (app.count("--stage-gains") > 0) {
    std::string rest = options.stageGainsText;
    for (std::size_t at = 0;;) {
      const std::size_t comma = rest.find(',', at);
      const std::string field = rest.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
      const std::optional<double> g = ReadNumber(field);
      if (!g || !(*g > 0)) {
        throw CliUsageError("--stage-gains expects G1,G2,... numbers above 0, got '" + options.stageGainsText + "'");
      }
      options.stageGains.push_back(*g);
      if (comma == std::string::npos) break;
      at = comma + 1;
    }
  }
  const bool sheet = options.topology == "sallen-key" && (!options.gain || *options.gain == 1.0) &&
                     app.count("--stage-gains") == 0 && app.count("--stage-order") == 0;
  if (sheet) return false;
  const std::string what = "--topology " + options.topology + (options.gain ? " --gain " + options.gainText : "");
  for (const char* name : kNotTaken) {
    if (app.count(name) > 0 && !(std::string_view(name) == "--stop-after" && SeriesValuesRequested(app))) {
      throw CliUsageError(std::string(name) + " is not available yet with " + what);
    }
  }
  if (others.requirement) {
    // RunRequirement takes --topology and --gain; its stages share the gain.
    for (const char* name : {"--stage-gains", "--stage-order"}) {
      if (app.count(name) > 0) {
        throw CliUsageError(std::string(name) + " is not used with --requirement (the stages share --gain equally)");
      }
    }
  }
  return true;
}

std::string CombinationProblem(const engine::DesignRequest& request) {
  if (values::EvenOrdersOnly(request.response)) {
    return "--response linkwitz-riley: even orders only (--order 2, 4, 6 or 8)";
  }
  return "--response: an HPF is designed with any response but Bessel; a 0.25 dB Chebyshev HPF from order 4";
}

int RunSections(const SectionsOptions& options, const SectionsJob& job, std::ostream& out, std::ostream& err) {
  const bool hpf = job.kind == "hpf";
  engine::DesignRequest request;
  request.cutoffHz = values::ParseEngValue(job.cutoff);
  request.passKind = hpf ? engine::kHpf : engine::kLpf;
  request.orderIndex = static_cast<std::uint8_t>(job.order - values::kMinOrder);
  request.evenOrder = job.order % 2 == 0;
  for (std::size_t i = 0; i < values::kResponseOptions.size(); ++i) {
    if (job.response == values::kResponseOptions[i]) request.response = static_cast<std::uint8_t>(i);
  }
  for (std::size_t i = 0; i < values::kRippleOptions.size(); ++i) {
    if (job.ripple == values::kRippleOptions[i]) request.rippleIndex = static_cast<std::uint8_t>(i);
  }
  if (!engine::HasDesignData(request)) throw CliUsageError(CombinationProblem(request));
  const int stages = engine::StageCount(job.order);
  if (!options.stageGains.empty()) {
    if (static_cast<int>(options.stageGains.size()) != stages) {
      throw CliUsageError("--stage-gains: " + std::to_string(options.stageGains.size()) + " gains for the " +
                          std::to_string(stages) + " stages of order " + std::to_string(job.order));
    }
    double product = 1;
    for (const double g : options.stageGains) product *= g;
    if (options.gain && !(std::fabs(product / *options.gain - 1.0) <= 1e-9)) {
      throw CliUsageError("--stage-gains: their product " + Short(product) + " is not --gain " + options.gainText);
    }
    if (!options.gain && !(product >= engine::kMinFilterGain && product <= engine::kMaxFilterGain)) {
      throw CliUsageError("--stage-gains: their product " + Short(product) + " is not in " + GainRangeText());
    }
  }
  const bool mfb = options.topology == "mfb";
  const std::vector<double> gains =
      options.stageGains.empty() ? std::vector<double>(static_cast<std::size_t>(stages),
                                                       stages == 1 ? options.gain.value_or(1.0)
                                                                   : std::pow(options.gain.value_or(1.0), 1.0 / stages))
                                 : options.stageGains;
  for (const double g : gains) {
    const char* option = options.stageGains.empty() ? "--gain" : "--stage-gains";
    if (!mfb && g < 1.0) {
      throw CliUsageError(std::string(option) + ": a Sallen-Key stage's gain 1 + Rf/Rg is at least 1, here " +
                          Short(g) + "; --topology mfb designs a gain below 1");
    }
    if (!(g >= engine::kMinStageGain && g <= engine::kMaxStageGain)) {
      throw CliUsageError(std::string(option) + ": a stage gain of " + Short(g) + " is not in " +
                          Short(engine::kMinStageGain) + ".." + Short(engine::kMaxStageGain));
    }
  }
  engine::SectionPlanInputs in;
  in.passKind = request.passKind;
  in.order = job.order;
  in.family = mfb ? engine::SectionFamily::kMfb : engine::SectionFamily::kSallenKey;
  in.gain = options.gain;
  in.stageGains = options.stageGains;
  in.stageOrder =
      options.stageOrder == "descending-q" ? engine::StageOrder::kDescendingQ : engine::StageOrder::kAscendingQ;
  const auto planned = engine::PlanSections(in, engine::BuildStageTargets(request));
  if (const auto* problem = values::ProblemOf(planned)) {
    const char* option = problem->field == engine::SectionPlanField::kGain ? "--gain" : "--stage-gains";
    throw CliUsageError(std::string(option) + ": " + problem->message);
  }
  const std::vector<engine::StagePlan>& plans = std::get<std::vector<engine::StagePlan>>(planned);

  std::vector<std::pair<std::string, double>> fixed;
  for (const std::string& fix : job.fixes) {
    const std::size_t eq = fix.find('=');
    if (eq == std::string::npos) throw CliUsageError("--fix expects PART=VALUE, got '" + fix + "'");
    const double v = values::ParseEngValue(fix.substr(eq + 1));
    if (!(v > 0) || !std::isfinite(v)) throw CliUsageError("--fix: '" + fix + "' needs a value above 0");
    fixed.emplace_back(fix.substr(0, eq), v);
  }
  const auto fixes = engine::FixesOf(plans, hpf, fixed);
  if (const auto* problem = values::ProblemOf(fixes)) {
    std::string names;
    for (const char letter : {'R', 'C'}) {
      for (const auto& stage : engine::SectionPartNames(plans, hpf)) {
        for (const std::string& n : stage) {
          if (n[0] == letter) names += (names.empty() ? "" : " ") + n;
        }
      }
    }
    throw CliUsageError("--fix: unknown part '" + problem->subject + "' (this design has " + names + ")");
  }
  const engine::SectionsDesign design =
      options.series ? RunSectionsSeries(*options.series, plans, hpf, std::get<engine::SectionFixes>(fixes),
                                         options.stopAfter, err)
                     : engine::DesignSections(plans, hpf, std::get<engine::SectionFixes>(fixes));
  for (const auto& w : design.warnings) err << w.caption << ": " << w.text << '\n';
  const std::vector<response::Section> sections = response::SectionsOf(design);
  const double gain = response::CascadeGain(sections);
  std::optional<double> minus3db;
  if (design.valid) {
    const double f = response::CircuitCutoff3dB(response::CircuitOfSections(sections, {}));
    if (std::isfinite(f) && f > 0) minus3db = f;
  }

  const NamedParts named = NamedPartsOf(sections);
  // --curve: what the circuit's views give, its points from the ideal
  // cascade of the sections (the time span settled to 0.1 %).
  const AnalysisOptions noCurve;
  const AnalysisOptions& curve = job.analysis != nullptr ? *job.analysis : noCurve;
  const response::CircuitModel withOpAmp = response::CircuitOfSections(sections, job.opAmp);
  std::vector<double> xs;
  if (!curve.curve.empty()) xs = CurvePoints(curve, sections);

  // The tolerance study: its checks (the part names are the design's)
  // before anything is printed.
  const bool tolerance = job.tolerance != nullptr && job.tolerance->Requested();
  if (job.tolerance != nullptr) CheckToleranceOptions(*job.tolerance, request, job.opAmp, sections);
  std::optional<ToleranceReport> toleranceReport;
  if (tolerance && minus3db) {
    ProgressDisplay progress(err, StandardErrorIsTerminal(), ProgressDelay());
    job.tolerance->progress = [&progress](const std::string& stage, double f) { progress.Update(stage, f); };
    toleranceReport = RunToleranceAnalysis(*job.tolerance, request, sections, xs, curve, job.opAmp);
    job.tolerance->progress = nullptr;
    progress.Finish();
  }

  const bool analysis = job.analysis != nullptr && job.analysis->analysis;
  const bool noise = job.noise != nullptr && job.noise->noise;
  const bool levels = job.noise != nullptr && job.noise->levels;
  std::optional<response::NoiseReport> noiseReport;
  std::optional<response::LevelReport> levelReport;
  response::NoiseBand band;
  if ((noise || levels) && design.valid) {
    // The levels' dynamic range is over the noise of the same band.
    band = NoiseBandOf(*job.noise, request);
    const response::CircuitModel circuit = response::CircuitOfSections(sections, job.opAmp);
    noiseReport = response::IntegrateNoise(circuit, job.temperatureC, band);
    if (levels) levelReport = response::AnalyseLevels(circuit, band, noiseReport->totalVrms);
  }

  if (!curve.curve.empty()) {
    PrintSectionsCurve(design.valid, curve, xs, withOpAmp, job.temperatureC, toleranceReport, out, err);
  } else if (job.json) {
    nlohmann::json j;
    j["valid"] = design.valid;
    j["warnings"] = nlohmann::json::array();
    for (const auto& w : design.warnings) j["warnings"].push_back({{"caption", w.caption}, {"text", w.text}});
    j["topology"] = options.topology;
    j["gain"] = gain;
    j["inverting"] = gain < 0;
    j["stage_order"] = options.stageOrder.empty() ? std::string("ascending-q") : options.stageOrder;
    AddPartsJson(named, j);
    j["minus3db_hz"] = minus3db ? nlohmann::json(*minus3db) : nlohmann::json(nullptr);
    if (analysis) {
      j["stages"] = nlohmann::json::array();
      const std::vector<response::SectionOpAmpNeed> needs = response::SectionOpAmpNeeds(sections);
      const std::vector<response::StageLevel> peaks =
          design.valid ? response::SectionOutputPeaks(sections) : std::vector<response::StageLevel>{};
      for (std::size_t k = 0; k < sections.size(); ++k) {
        const response::SectionFigures f = sections[k].Figures();
        const engine::StagePlan& p = plans[k];
        const bool second = p.order == 2;
        nlohmann::json s;
        s["stage"] = k + 1;
        s["topology"] = std::string(sections[k].topology->Id());
        s["order"] = p.order;
        s["parts"] = nlohmann::json::array();
        for (int i = 0; i < sections[k].PartCount(); ++i)
          s["parts"].push_back(engine::PartName(sections[k].ids[i].letter, sections[k].ids[i].number));
        s["gain_target"] = engine::StageFormInverting(p.form) ? -p.gain : p.gain;
        s["gain"] = f.gain;
        s["f0_target_hz"] = p.omega / engine::kTwoPi;
        s["q_target"] = Optional(p.q, second);
        s["f0_hz"] = f.omega / engine::kTwoPi;
        s["q"] = Optional(f.q, second);
        s["noise_gain"] = Optional(needs[k].noiseGain, std::isfinite(needs[k].noiseGain));
        s["gbw_min_hz"] = Optional(needs[k].gbwMinHz, std::isfinite(needs[k].gbwMinHz));
        AddOutputPeakJson(k < peaks.size() ? &peaks[k] : nullptr, s);
        j["stages"].push_back(s);
      }
    }
    AddNoiseAndLevelsJson(noise, levels, noiseReport, levelReport, band, job.temperatureC, job.opAmp, j);
    if (tolerance) {
      j["tolerance"] = toleranceReport ? ToleranceJson(*job.tolerance, *toleranceReport) : nlohmann::json(nullptr);
    }
    out << j.dump() << '\n';
  } else {
    PrintPartsPlain(named, out);
    out << "gain = " << Short(gain) << '\n';
    out << "-3dB = " << (minus3db ? values::FormatFrequencyReading(*minus3db) : std::string("-")) << '\n';
    if (analysis) {
      const std::vector<response::SectionOpAmpNeed> needs = response::SectionOpAmpNeeds(sections);
      for (std::size_t k = 0; k < sections.size(); ++k) {
        const response::SectionFigures f = sections[k].Figures();
        const engine::StagePlan& p = plans[k];
        out << "stage " << k + 1 << " (" << sections[k].topology->Id() << ", " << p.order << "): ";
        for (int i = 0; i < sections[k].PartCount(); ++i)
          out << (i ? "," : "") << engine::PartName(sections[k].ids[i].letter, sections[k].ids[i].number);
        out << " f0 " << Short(f.omega / engine::kTwoPi) << " Hz (target " << Short(p.omega / engine::kTwoPi) << ")";
        if (p.order == 2) out << ", Q " << Short(f.q) << " (target " << Short(p.q) << ")";
        out << ", gain " << Short(f.gain) << ", GBW min " << Short(needs[k].gbwMinHz) << " Hz (noise gain "
            << Short(needs[k].noiseGain) << ")\n";
      }
    }
    if (noise && noiseReport) PrintNoiseReportPlain(*noiseReport, band, job.temperatureC, out);
    if (levelReport) PrintLevelsPlain(*levelReport, job.opAmp, out);
    if (toleranceReport) PrintTolerance(out, *job.tolerance, *toleranceReport);
  }

  if (job.exports != nullptr && WantsExport(*job.exports)) {
    if (!design.valid) {
      err << "kelvara-design: the design is not valid; --spice and --bom files not written\n";
    } else if (auto error = WriteSectionsExports(*job.exports, request, sections)) {
      err << "kelvara-design: " << error->caption.toStdString() << ": " << error->text.toStdString() << '\n';
      return kFileError;
    }
  }
  return design.valid ? 0 : 1;
}

SheetSectionsRequest SheetSectionsRequestOf(const values::SheetRecord& record, const std::string& file) {
  const response::SectionSheetChoices choices = response::SectionChoicesOf(record);
  const values::SectionLines lines = values::SectionLinesOf(record);
  const auto read = response::ReadSectionSheet(choices, lines);
  if (const auto* problem = values::ProblemOf(read)) {
    throw CliUsageError("--sheet " + file + ": " + problem->message);
  }
  const response::SectionSheet& sheet = std::get<response::SectionSheet>(read);
  SheetSectionsRequest r;
  r.bandPass = sheet.bandPass;
  r.kind = sheet.bandPass ? "bpf" : values::kPassKindOptions[sheet.request.passKind == engine::kHpf ? 1 : 0];
  r.cutoff = choices.cutoffText;
  r.bandwidth = lines.bandwidth;
  r.order = sheet.request.Order();
  r.response = values::kResponseOptions[sheet.request.response];
  r.ripple = values::kRippleOptions[sheet.request.rippleIndex];
  r.topology = sheet.family == engine::SectionFamily::kMfb ? "mfb" : "sallen-key";
  r.gainText = lines.gain;
  r.gain = sheet.gain;
  r.stageGains = sheet.stageGains;
  r.stageOrder = sheet.stageOrder == engine::StageOrder::kDescendingQ ? "descending-q" : "";
  for (const values::SectionPartLine& part : lines.parts) {
    if (!part.autoValue) r.fixes.push_back(part.name + "=" + part.value);
  }
  r.series = !choices.anyValues;
  return r;
}

}  // namespace kelvara::tools
