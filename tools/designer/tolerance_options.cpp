#include "tools/designer/tolerance_options.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#include "tolerance/sensitivity.h"
#include "values/eng_value.h"

namespace kelvara::tools {
namespace {

// "fp,a,fs,b": four fields, each an engineering value above 0.
std::optional<tolerance::Mask> ParseMask(const std::string& text) {
  std::vector<double> v;
  std::stringstream in(text);
  for (std::string field; std::getline(in, field, ',');) v.push_back(values::ParseEngValue(field));
  if (v.size() != 4 || text.back() == ',') return std::nullopt;
  for (const double x : v) {
    if (!(x > 0)) return std::nullopt;
  }
  return tolerance::Mask{v[0], v[1], v[2], v[3]};
}

// "R3=0.1" -> the tolerance of R3 in tol; false when it does not read.
bool ApplyPartTolerance(const std::string& text, tolerance::Tolerances& tol) {
  const std::size_t eq = text.find('=');
  if (eq != 2 || (text[0] != 'R' && text[0] != 'C') || text[1] < '1' || text[1] > '8') return false;
  const std::string value = text.substr(eq + 1);
  char* end = nullptr;
  const double pct = std::strtod(value.c_str(), &end);
  if (value.empty() || *end != '\0' || !(pct >= 0 && pct <= 50)) return false;
  (text[0] == 'R' ? tol.rPct : tol.cPct)[text[1] - '1'] = pct;
  return true;
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

}  // namespace

void AddToleranceOptions(CLI::App& app, ToleranceOptions& o) {
  auto* mc = app.add_option("--monte-carlo", o.trials,
                            "Monte Carlo analysis of the part tolerances with N trials (100..100000)")
                 ->check(CLI::Range(tolerance::kMinTrials, tolerance::kMaxTrials));
  app.add_option("--tol-r", o.tolRPct, "tolerance of every resistor in per cent (default 1)")
      ->check(CLI::Range(0.0, 50.0))
      ->needs(mc);
  app.add_option("--tol-c", o.tolCPct, "tolerance of every capacitor in per cent (default 5)")
      ->check(CLI::Range(0.0, 50.0))
      ->needs(mc);
  app.add_option("--tol-part", o.tolParts, "one part's own tolerance in per cent, e.g. R3=0.1 (repeatable)")
      ->check(CLI::Validator(
          [](std::string& s) {
            tolerance::Tolerances t;
            return ApplyPartTolerance(s, t) ? std::string() : "expected PART=PCT, PART R1..R8 or C1..C8, PCT 0..50";
          },
          "PART=PCT"))
      ->needs(mc);
  app.add_option("--tol-gbw", o.tolGbwPct,
                 "tolerance of the op-amp's gain-bandwidth in per cent, with a real op-amp (default 0)")
      ->check(CLI::Range(0.0, 90.0))
      ->needs(mc);
  app.add_option("--distribution", o.distribution,
                 "uniform (within +-tolerance, the default) or normal (tolerance = 3 sigma)")
      ->check(CLI::IsMember({"uniform", "normal"}))
      ->needs(mc);
  app.add_option("--seed", o.seed, "seed of the trials' random numbers (default 1)")->needs(mc);
  app.add_option("--threads", o.threads, "worker threads (default: one per hardware thread)")
      ->check(CLI::Range(1, 256))
      ->needs(mc);
  app.add_flag("--worst-case", o.worstCase, "also evaluate every corner of the tolerance box")->needs(mc);
  app.add_option("--mask", o.mask,
                 "yield against a mask fp,a,fs,b: pass band to fp within +-a dB, stop band from fs at most "
                 "-b dB (HPF: pass band from fp, stop band up to fs)")
      ->check(CLI::Validator(
          [](std::string& s) { return ParseMask(s) ? std::string() : "expected fp,a,fs,b, four values above 0"; },
          "fp,a,fs,b"))
      ->needs(mc);
}

bool CurveHasBands(const std::string& curve) { return curve == "gain" || curve == "phase" || curve == "delay"; }

ToleranceReport RunToleranceAnalysis(const ToleranceOptions& options, const engine::DesignRequest& request,
                                     const engine::ComponentSet& parts, const AnalysisOptions& curve,
                                     const response::OpAmpModel& opamp) {
  tolerance::MonteCarloConfig config;
  config.design.request = request;
  config.design.parts = parts;
  config.design.tolerances = tolerance::Tolerances::Uniform(options.tolRPct, options.tolCPct);
  if (opamp.ideal && options.tolGbwPct > 0) {
    throw ToleranceUsageError("--tol-gbw needs a real op-amp (--opamp-gbw, --opamp-a0 or --opamp-rout)");
  }
  config.design.tolerances.gbwPct = options.tolGbwPct;
  for (const std::string& part : options.tolParts) ApplyPartTolerance(part, config.design.tolerances);
  config.design.opamp = opamp;
  config.design.distribution =
      options.distribution == "normal" ? tolerance::Distribution::kNormal : tolerance::Distribution::kUniform;
  config.trials = options.trials.value_or(tolerance::kDefaultTrials);
  config.seed = options.seed;
  if (CurveHasBands(curve.curve)) {
    config.frequencies = CurvePoints(curve, response::CascadeFromParts(request, parts));
  }
  config.phaseBand = curve.curve == "phase";
  config.delayBand = curve.curve == "delay";
  std::vector<double> worstFrequencies = tolerance::DefaultWorstCaseFrequencies(request);
  if (!options.mask.empty()) {
    config.mask = ParseMask(options.mask);
    const bool hpf = request.passKind == engine::kHpf;
    if (hpf ? !(config.mask->passHz > config.mask->stopHz) : !(config.mask->passHz < config.mask->stopHz)) {
      throw ToleranceUsageError(hpf ? "--mask: for an HPF fp must be above fs" : "--mask: fp must be below fs");
    }
    worstFrequencies.push_back(config.mask->passHz);
    worstFrequencies.push_back(config.mask->stopHz);
  }
  tolerance::RunOptions run;
  run.threads = options.threads;
  ToleranceReport report{*tolerance::RunMonteCarlo(config, run), std::nullopt, tolerance::Sensitivities(config.design)};
  if (options.worstCase) report.worstCase = tolerance::RunWorstCase(config.design, worstFrequencies, run);
  return report;
}

nlohmann::json ToleranceJson(const ToleranceOptions& options, const ToleranceReport& report) {
  const tolerance::MonteCarloResult& mc = report.monteCarlo;
  nlohmann::json j;
  j["trials"] = mc.trials;
  j["seed"] = mc.seed;
  j["minus3db_hz"] = StatsJson(mc.minus3dbHz);
  j["stages"] = nlohmann::json::array();
  for (const tolerance::StageStats& s : mc.stages) {
    j["stages"].push_back({{"stage", s.stage},
                           {"f0_hz", StatsJson(s.f0Hz)},
                           {"q", s.q ? StatsJson(*s.q) : nlohmann::json(nullptr)},
                           {"peak_db", StatsJson(s.peakDb)}});
  }
  if (options.worstCase && report.worstCase) {
    const tolerance::WorstCaseResult& w = *report.worstCase;
    nlohmann::json gains = nlohmann::json::array();
    for (const tolerance::WorstGain& g : w.gains)
      gains.push_back({{"frequency_hz", g.frequencyHz}, {"min", g.db.min}, {"max", g.db.max}});
    j["worst_case"] = {{"minus3db_hz", {{"min", w.minus3dbHz.min}, {"max", w.minus3dbHz.max}}}, {"gain_db", gains}};
  }
  if (mc.yield) {
    const tolerance::YieldResult& y = *mc.yield;
    j["yield"] = {{"passed", y.passed}, {"trials", y.trials}, {"ratio", y.ratio}, {"ci95", {y.ci95.low, y.ci95.high}}};
  }
  return j;
}

void PrintTolerance(std::ostream& out, const ToleranceOptions& options, const ToleranceReport& report) {
  const tolerance::MonteCarloResult& mc = report.monteCarlo;
  auto line = [&](const std::string& name, const tolerance::Stats& s) {
    out << name << ": nominal " << Plain(s.nominal) << ", mean " << Plain(s.mean) << ", std " << Plain(s.std)
        << ", 5-95% " << Plain(s.p05) << " .. " << Plain(s.p95) << ", min " << Plain(s.min) << ", max " << Plain(s.max)
        << '\n';
  };
  out << "Monte Carlo: " << mc.trials << " trials, seed " << mc.seed << ", R " << options.tolRPct << " %, C "
      << options.tolCPct << " %, " << options.distribution << '\n';
  line("-3dB [Hz]", mc.minus3dbHz);
  for (const tolerance::StageStats& s : mc.stages) {
    const std::string stage = "stage " + std::to_string(s.stage);
    line(stage + " f0 [Hz]", s.f0Hz);
    if (s.q) line(stage + " Q", *s.q);
    line(stage + " peak [dB]", s.peakDb);
  }
  const tolerance::SensitivityResult& sens = report.sensitivities;
  if (!sens.minus3db.empty()) out << "-3dB moved most by (at +tol): " << Ranked(sens.minus3db) << '\n';
  for (std::size_t k = 0; k < sens.stageQ.size(); ++k) {
    if (!sens.stageQ[k].empty()) out << "stage " << k + 1 << " Q moved most by: " << Ranked(sens.stageQ[k]) << '\n';
  }
  if (report.worstCase) {
    const tolerance::WorstCaseResult& w = *report.worstCase;
    out << "worst case (" << w.corners << " corners): -3dB " << Plain(w.minus3dbHz.min) << " .. "
        << Plain(w.minus3dbHz.max) << " Hz\n";
    for (const tolerance::WorstGain& g : w.gains)
      out << "worst case gain at " << Plain(g.frequencyHz) << " Hz: " << Plain(g.db.min) << " .. " << Plain(g.db.max)
          << " dB\n";
  }
  if (mc.yield) {
    const tolerance::YieldResult& y = *mc.yield;
    out << "yield: " << y.passed << " of " << y.trials << " (" << Plain(100 * y.ratio) << " %), 95% interval "
        << Plain(100 * y.ci95.low) << " .. " << Plain(100 * y.ci95.high) << " % (Wilson)\n";
  }
}

bool PrintToleranceCurve(const AnalysisOptions& curve, const engine::DesignRequest& request, const DesignReport& report,
                         const ToleranceReport& tolerance, std::ostream& out) {
  const tolerance::MonteCarloResult& mc = tolerance.monteCarlo;
  auto row = [&](double f, double nominal, double lo, double p05, double p95, double hi) {
    for (const double x : {f, nominal, lo, p05, p95}) out << CurveNumber(x) << ',';
    out << CurveNumber(hi) << '\n';
  };
  if (!CurveHasBands(curve.curve)) return PrintCurve(curve, request, report, out);  // time curves
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
  for (const std::string& part : options.tolParts) ApplyPartTolerance(part, t);
  return t;
}

}  // namespace kelvara::tools
