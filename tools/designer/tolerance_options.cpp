#include "tools/designer/tolerance_options.h"

#include <algorithm>

#include <vector>

#include "tolerance/sensitivity.h"
#include "tolerance/study.h"
#include "values/eng_value.h"

namespace kelvara::tools {
namespace {

// "fp,a,fs,b": the four texts of the mask; nothing unless there are four
// fields. Their values are the study's to check.
std::optional<tolerance::GainMaskTexts> SplitMask(const std::string& text) {
  std::vector<std::string> fields(1);
  for (const char c : text) {
    if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  if (fields.size() != 4) return std::nullopt;
  return tolerance::GainMaskTexts{fields[0], fields[1], fields[2], fields[3]};
}

// "R3=0.1" -> {"R3", "0.1"}; nothing when it does not read as the study
// reads a part's tolerance.
std::optional<std::pair<std::string, std::string>> SplitPartTolerance(const std::string& text) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos) return std::nullopt;
  std::pair<std::string, std::string> part{text.substr(0, eq), text.substr(eq + 1)};
  // Any part name here: whether the design has it is the study's check.
  if (!tolerance::ReadCircuitPartName(part.first) || !tolerance::ReadPartTolerance(part.second)) return std::nullopt;
  return part;
}

nlohmann::json StatsJson(const tolerance::Stats& s) {
  return {{"nominal", s.nominal}, {"mean", s.mean}, {"std", s.std}, {"min", s.min},
          {"max", s.max},         {"p05", s.p05},   {"p95", s.p95}};
}

std::string Plain(double x) { return values::FormatGeneral(x); }

std::string Ranked(const std::vector<tolerance::PartSensitivity>& list) {
  std::string text;
  for (std::size_t i = 0; i < list.size() && i < 4; ++i)
    text += (i ? ", " : "") + list[i].part + " " + Plain(list[i].effectPct) + " %";
  return text;
}

// The study the options ask for; the design's parts are left to the caller.
tolerance::StudyInputs InputsOf(const ToleranceOptions& options, const engine::DesignRequest& request,
                                const response::OpAmpModel& opamp) {
  tolerance::StudyInputs in;
  in.request = request;
  in.opamp = opamp;
  in.rPct = options.tolRPct;
  in.cPct = options.tolCPct;
  in.gbwPct = options.tolGbwPct;
  for (const std::string& part : options.tolParts) {
    if (auto split = SplitPartTolerance(part)) in.partPcts.push_back(*split);
  }
  in.distribution =
      options.distribution == "normal" ? tolerance::Distribution::kNormal : tolerance::Distribution::kUniform;
  in.monteCarlo = options.trials.has_value();
  in.trials = options.trials.value_or(tolerance::kDefaultTrials);
  in.seed = options.seed;
  in.worstCase = options.worstCase;
  if (!options.mask.empty()) in.mask = SplitMask(options.mask);
  return in;
}

// The option a problem of the study concerns.
std::string OptionOf(tolerance::StudyField field) {
  switch (field) {
    case tolerance::StudyField::kTrials:
      return "--monte-carlo";
    case tolerance::StudyField::kResistorTolerance:
      return "--tol-r";
    case tolerance::StudyField::kCapacitorTolerance:
      return "--tol-c";
    case tolerance::StudyField::kGbwTolerance:
      return "--tol-gbw";
    case tolerance::StudyField::kPartTolerance:
      return "--tol-part";
    default:
      return "--mask";
  }
}

tolerance::StudyPlan PlanOrThrow(const tolerance::StudyInputs& in) {
  auto planned = tolerance::PlanStudy(in);
  if (const auto* problem = std::get_if<tolerance::StudyProblem>(&planned)) {
    throw ToleranceUsageError(OptionOf(problem->field) + ": " + problem->message);
  }
  return std::get<tolerance::StudyPlan>(std::move(planned));
}

}  // namespace

void AddToleranceOptions(CLI::App& app, ToleranceOptions& o) {
  auto* mc = app.add_option("--monte-carlo", o.trials,
                            "Monte Carlo analysis of the part tolerances with N trials (100..100000)")
                 ->check(CLI::Range(tolerance::kMinTrials, tolerance::kMaxTrials));
  auto* tolR = app.add_option("--tol-r", o.tolRPct, "tolerance of every resistor in per cent (default 1)")
                   ->check(CLI::Range(0.0, tolerance::kMaxPartTolerancePct));
  auto* tolC = app.add_option("--tol-c", o.tolCPct, "tolerance of every capacitor in per cent (default 5)")
                   ->check(CLI::Range(0.0, tolerance::kMaxPartTolerancePct));
  auto* tolPart =
      app.add_option("--tol-part", o.tolParts, "one part's own tolerance in per cent, e.g. R3=0.1 (repeatable)")
          ->check(CLI::Validator(
              [](std::string& s) {
                return SplitPartTolerance(s) ? std::string()
                                             : "expected PART=PCT, PART a part of the design (R1, C3, ...), PCT 0..50";
              },
              "PART=PCT"));
  auto* tolGbw = app.add_option("--tol-gbw", o.tolGbwPct,
                                "tolerance of the op-amp's gain-bandwidth in per cent, with a real op-amp (default 0)")
                     ->check(CLI::Range(0.0, tolerance::kMaxGbwTolerancePct));
  app.add_option("--distribution", o.distribution,
                 "uniform (within +-tolerance, the default) or normal (tolerance = 3 sigma)")
      ->check(CLI::IsMember({"uniform", "normal"}))
      ->needs(mc);
  app.add_option("--seed", o.seed, "seed of the trials' random numbers (default 1)")->needs(mc);
  auto* threads = app.add_option("--threads", o.threads, "worker threads (default: one per hardware thread)")
                      ->check(CLI::Range(1, 256));
  app.add_flag("--worst-case", o.worstCase,
               "evaluate every corner of the tolerance box (on its own with --tol-r, --tol-c, --tol-part or "
               "--tol-gbw, or with --monte-carlo)");
  auto* mask = app.add_option("--mask", o.mask,
                              "yield against a mask fp,a,fs,b: pass band to fp within +-a dB, stop band from fs at "
                              "most -b dB (HPF: pass band from fp, stop band up to fs); with --worst-case also the "
                              "gains at fp and fs")
                   ->check(CLI::Validator(
                       [](std::string& s) {
                         // Six fields: a band-pass mask, read by the band-pass design.
                         const bool bandPass = std::count(s.begin(), s.end(), ',') == 5;
                         return SplitMask(s) || bandPass
                                    ? std::string()
                                    : "expected fp,a,fs,b (a band-pass design: fs1,fp1,fp2,fs2,ap,as)";
                       },
                       "fp,a,fs,b"));
  o.needRun = {tolR, tolC, tolPart, tolGbw, threads, mask};
  o.tolerances = {tolR, tolC, tolPart, tolGbw};
}

void CheckToleranceOptions(const ToleranceOptions& options, const engine::DesignRequest& request,
                           const response::OpAmpModel& opamp, const std::vector<response::Section>& sections) {
  if (!options.Requested()) {
    for (const CLI::Option* given : options.needRun) {
      if (given->count() > 0) throw ToleranceUsageError(given->get_name() + " needs --monte-carlo or --worst-case");
    }
    return;
  }
  if (!options.trials) {
    bool tolerances = false;
    for (const CLI::Option* given : options.tolerances) tolerances = tolerances || given->count() > 0;
    if (!tolerances) {
      throw ToleranceUsageError(
          "--worst-case needs the tolerances (--tol-r, --tol-c, --tol-part, --tol-gbw) or "
          "--monte-carlo");
    }
  }
  tolerance::StudyInputs in = InputsOf(options, request, opamp);
  in.sections = sections;
  PlanOrThrow(in);
}

namespace {

// A band-pass study's inputs: the options', its sections, its worst-case
// frequencies and its mask (the request only names the centre).
tolerance::StudyInputs BandPassInputsOf(const ToleranceOptions& options, const BandPassTolerance& bandPass,
                                        const response::OpAmpModel& opamp,
                                        const std::vector<response::Section>& sections) {
  engine::DesignRequest request;
  request.cutoffHz = bandPass.centerHz;
  tolerance::StudyInputs in = InputsOf(options, request, opamp);
  in.mask.reset();
  in.sections = sections;
  in.worstFrequencies = {bandPass.centerHz / 2, bandPass.lowerEdgeHz, bandPass.centerHz, bandPass.upperEdgeHz,
                         2 * bandPass.centerHz};
  if (bandPass.mask) in.bandPassMask = tolerance::BandPassLimits{*bandPass.mask, bandPass.nominalDb};
  return in;
}

}  // namespace

void CheckToleranceOptions(const ToleranceOptions& options, const BandPassTolerance& bandPass,
                           const response::OpAmpModel& opamp, const std::vector<response::Section>& sections) {
  if (!options.Requested()) {
    for (const CLI::Option* given : options.needRun) {
      if (given->count() > 0 && given->get_name() != "--mask") {
        throw ToleranceUsageError(given->get_name() + " needs --monte-carlo or --worst-case");
      }
    }
    return;
  }
  ToleranceOptions noMask = options;
  noMask.mask.clear();
  CheckToleranceOptions(noMask, engine::DesignRequest{}, opamp, sections);
  PlanOrThrow(BandPassInputsOf(options, bandPass, opamp, sections));
}

bool CurveHasBands(const std::string& curve) { return curve == "gain" || curve == "phase" || curve == "delay"; }

namespace {

// The study of either design: the inputs but the design's are the options'.
ToleranceReport RunStudyOf(const ToleranceOptions& options, tolerance::StudyInputs in, const AnalysisOptions& curve,
                           std::vector<double> frequencies) {
  if (CurveHasBands(curve.curve)) in.frequencies = std::move(frequencies);
  in.phaseBand = curve.curve == "phase";
  in.delayBand = curve.curve == "delay";
  const tolerance::StudyPlan plan = PlanOrThrow(in);
  tolerance::RunOptions run;
  run.threads = options.threads;
  if (options.progress) {
    // The study reports the Monte Carlo run, then the worst case, as one
    // fraction (each half of it when both run); the display names each.
    const bool both = plan.monteCarlo && plan.worstCase;
    const char* only = plan.monteCarlo ? "Monte Carlo" : "worst case";
    run.progress = [&options, both, only](double fraction) {
      if (!both) {
        options.progress(only, fraction);
      } else if (fraction <= 0.5) {
        options.progress("Monte Carlo", 2 * fraction);
      } else {
        options.progress("worst case", 2 * fraction - 1);
      }
    };
  }
  tolerance::StudyResult result = *tolerance::RunStudy(plan, run);
  return ToleranceReport{std::move(result.monteCarlo), std::move(result.worstCase),
                         tolerance::Sensitivities(plan.config.design)};
}

}  // namespace

ToleranceReport RunToleranceAnalysis(const ToleranceOptions& options, const engine::DesignRequest& request,
                                     const engine::ComponentSet& parts, const AnalysisOptions& curve,
                                     const response::OpAmpModel& opamp) {
  tolerance::StudyInputs in = InputsOf(options, request, opamp);
  in.parts = parts;
  std::vector<double> frequencies;
  if (CurveHasBands(curve.curve)) frequencies = CurvePoints(curve, response::CascadeFromParts(request, parts));
  return RunStudyOf(options, std::move(in), curve, std::move(frequencies));
}

ToleranceReport RunToleranceAnalysis(const ToleranceOptions& options, const engine::DesignRequest& request,
                                     const std::vector<response::Section>& sections,
                                     const std::vector<double>& curveFrequencies, const AnalysisOptions& curve,
                                     const response::OpAmpModel& opamp) {
  tolerance::StudyInputs in = InputsOf(options, request, opamp);
  in.sections = sections;
  return RunStudyOf(options, std::move(in), curve, curveFrequencies);
}

ToleranceReport RunToleranceAnalysis(const ToleranceOptions& options, const BandPassTolerance& bandPass,
                                     const std::vector<response::Section>& sections,
                                     const std::vector<double>& curveFrequencies, const AnalysisOptions& curve,
                                     const response::OpAmpModel& opamp) {
  ToleranceReport report =
      RunStudyOf(options, BandPassInputsOf(options, bandPass, opamp, sections), curve, curveFrequencies);
  report.noCutoff = true;
  report.sensitivities.minus3db.clear();
  return report;
}

nlohmann::json ToleranceJson(const ToleranceOptions& options, const ToleranceReport& report) {
  nlohmann::json j = nlohmann::json::object();
  if (report.monteCarlo) {
    const tolerance::MonteCarloResult& mc = *report.monteCarlo;
    j["trials"] = mc.trials;
    j["seed"] = mc.seed;
    j["minus3db_hz"] = report.noCutoff ? nlohmann::json(nullptr) : StatsJson(mc.minus3dbHz);
    j["stages"] = nlohmann::json::array();
    for (const tolerance::StageStats& s : mc.stages) {
      j["stages"].push_back({{"stage", s.stage},
                             {"f0_hz", StatsJson(s.f0Hz)},
                             {"q", s.q ? StatsJson(*s.q) : nlohmann::json(nullptr)},
                             {"peak_db", StatsJson(s.peakDb)}});
    }
  }
  if (options.worstCase && report.worstCase) {
    const tolerance::WorstCaseResult& w = *report.worstCase;
    nlohmann::json gains = nlohmann::json::array();
    for (const tolerance::WorstGain& g : w.gains)
      gains.push_back({{"frequency_hz", g.frequencyHz}, {"min", g.db.min}, {"max", g.db.max}});
    const nlohmann::json cutoff = report.noCutoff
                                      ? nlohmann::json(nullptr)
                                      : nlohmann::json{{"min", w.minus3dbHz.min}, {"max", w.minus3dbHz.max}};
    j["worst_case"] = {{"minus3db_hz", cutoff}, {"gain_db", gains}};
  }
  if (report.monteCarlo && report.monteCarlo->yield) {
    const tolerance::YieldResult& y = *report.monteCarlo->yield;
    j["yield"] = {{"passed", y.passed}, {"trials", y.trials}, {"ratio", y.ratio}, {"ci95", {y.ci95.low, y.ci95.high}}};
  }
  return j;
}

void PrintTolerance(std::ostream& out, const ToleranceOptions& options, const ToleranceReport& report) {
  auto line = [&](const std::string& name, const tolerance::Stats& s) {
    out << name << ": nominal " << Plain(s.nominal) << ", mean " << Plain(s.mean) << ", std " << Plain(s.std)
        << ", 5-95% " << Plain(s.p05) << " .. " << Plain(s.p95) << ", min " << Plain(s.min) << ", max " << Plain(s.max)
        << '\n';
  };
  if (report.monteCarlo) {
    const tolerance::MonteCarloResult& mc = *report.monteCarlo;
    out << "Monte Carlo: " << mc.trials << " trials, seed " << mc.seed << ", R " << options.tolRPct << " %, C "
        << options.tolCPct << " %, " << options.distribution << '\n';
    if (!report.noCutoff) line("-3dB [Hz]", mc.minus3dbHz);
    for (const tolerance::StageStats& s : mc.stages) {
      const std::string stage = "stage " + std::to_string(s.stage);
      line(stage + " f0 [Hz]", s.f0Hz);
      if (s.q) line(stage + " Q", *s.q);
      line(stage + " peak [dB]", s.peakDb);
    }
  }
  const tolerance::SensitivityResult& sens = report.sensitivities;
  if (!sens.minus3db.empty()) out << "-3dB moved most by (at +tol): " << Ranked(sens.minus3db) << '\n';
  for (std::size_t k = 0; k < sens.stageQ.size(); ++k) {
    if (!sens.stageQ[k].empty()) out << "stage " << k + 1 << " Q moved most by: " << Ranked(sens.stageQ[k]) << '\n';
  }
  if (report.worstCase) {
    const tolerance::WorstCaseResult& w = *report.worstCase;
    out << "worst case (" << w.corners << " corners)";
    if (!report.noCutoff) out << ": -3dB " << Plain(w.minus3dbHz.min) << " .. " << Plain(w.minus3dbHz.max) << " Hz";
    out << '\n';
    for (const tolerance::WorstGain& g : w.gains)
      out << "worst case gain at " << Plain(g.frequencyHz) << " Hz: " << Plain(g.db.min) << " .. " << Plain(g.db.max)
          << " dB\n";
  }
  if (report.monteCarlo && report.monteCarlo->yield) {
    const tolerance::YieldResult& y = *report.monteCarlo->yield;
    out << "yield: " << y.passed << " of " << y.trials << " (" << Plain(100 * y.ratio) << " %), 95% interval "
        << Plain(100 * y.ci95.low) << " .. " << Plain(100 * y.ci95.high) << " % (Wilson)\n";
  }
}

bool PrintToleranceCurve(const AnalysisOptions& curve, const engine::DesignRequest& request, const DesignReport& report,
                         const response::OpAmpModel& opAmp, const ToleranceReport& tolerance, std::ostream& out) {
  if (PrintToleranceBands(curve, tolerance, out)) return true;
  return PrintCurve(curve, request, report, opAmp, out);
}

bool PrintToleranceBands(const AnalysisOptions& curve, const ToleranceReport& tolerance, std::ostream& out) {
  if (!tolerance.monteCarlo || !CurveHasBands(curve.curve)) return false;
  const tolerance::MonteCarloResult& mc = *tolerance.monteCarlo;
  auto row = [&](double f, double nominal, double lo, double p05, double p95, double hi) {
    for (const double x : {f, nominal, lo, p05, p95}) out << CurveNumber(x) << ',';
    out << CurveNumber(hi) << '\n';
  };
  if (curve.curve == "gain") {
    out << "frequency_hz,gain_db,min_db,p05_db,p95_db,max_db\n";
    for (const tolerance::BandPoint& p : mc.band) row(p.frequencyHz, p.nominalDb, p.minDb, p.p05Db, p.p95Db, p.maxDb);
    return true;
  }
  const std::vector<tolerance::ValueBand>* bands = nullptr;
  if (curve.curve == "phase") {
    out << "frequency_hz,phase_deg,min_deg,p05_deg,p95_deg,max_deg\n";
    bands = &mc.phaseBand;
  } else {
    out << "frequency_hz,delay_s,min_s,p05_s,p95_s,max_s\n";
    bands = &mc.delayBand;
  }
  for (const tolerance::ValueBand& b : *bands) row(b.frequencyHz, b.nominal, b.min, b.p05, b.p95, b.max);
  return true;
}

}  // namespace kelvara::tools

namespace kelvara::tools {

tolerance::Tolerances TolerancesOf(const ToleranceOptions& options) {
  tolerance::Tolerances t = tolerance::Tolerances::Uniform(options.tolRPct, options.tolCPct);
  t.gbwPct = options.tolGbwPct;
  for (const std::string& text : options.tolParts) {
    const auto part = SplitPartTolerance(text);
    if (!part) continue;
    t.SetPct(*tolerance::ReadCircuitPartName(part->first), *tolerance::ReadPartTolerance(part->second));
  }
  return t;
}

}  // namespace kelvara::tools
