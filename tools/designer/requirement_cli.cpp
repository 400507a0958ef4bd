#include "tools/designer/requirement_cli.h"

#include "tools/designer/cli_arguments.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>

#include "tolerance/study.h"
#include "tools/designer/series_cli.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"
#include "values/section_record.h"

namespace kelvara::tools {
namespace {

using response::RequirementProblem;

constexpr int kUsageError = 2;
constexpr const char* kFieldNames[] = {"FP", "AP", "FS", "AS"};

struct Usage {
  std::string message;
};

nlohmann::json Optional(const std::optional<double>& v) { return v ? nlohmann::json(*v) : nlohmann::json(nullptr); }

std::string Plain(double x) { return values::FormatGeneral(x); }

const char* TopologyName(const response::RequirementCircuit& c) {
  return c.circuit == values::kCircuitMfb ? "mfb" : "sallen-key";
}

// "butterworth", "chebyshev 0.5": a Chebyshev row names its ripple (dB).
std::string ResponseText(const response::RequirementCandidate& c) {
  std::string text = values::kResponseOptions[c.response];
  if (values::HasRipple(c.response)) text += std::string(" ") + values::kRippleOptions[c.rippleIndex];
  return text;
}

std::string Frequency(double hz) {
  std::ostringstream s;
  s << std::setprecision(4)
    << (hz >= 1e6   ? hz / 1e6
        : hz >= 1e3 ? hz / 1e3
                    : hz)
    << (hz >= 1e6   ? "M"
        : hz >= 1e3 ? "k"
                    : "");
  return s.str();
}

nlohmann::json RealisedJson(const tolerance::RealisedCandidate& r) {
  nlohmann::json j;
  j["r"] = r.parts.r;
  j["c"] = r.parts.c;
  j["margin_pass_db"] = r.margins ? nlohmann::json(r.margins->passDb) : nlohmann::json(nullptr);
  j["margin_stop_db"] = r.margins ? nlohmann::json(r.margins->stopDb) : nlohmann::json(nullptr);
  j["meets"] = r.meets;
  if (r.yield) {
    const tolerance::YieldResult& y = *r.yield;
    j["yield"] = {{"passed", y.passed}, {"trials", y.trials}, {"ratio", y.ratio}, {"ci95", {y.ci95.low, y.ci95.high}}};
  }
  return j;
}

void PrintTable(const response::RequirementResult& result,
                const std::vector<std::optional<tolerance::RealisedCandidate>>* realised, std::ostream& out) {
  const response::Requirement& r = result.requirement;
  const bool hpf = r.passKind == values::kHpf;
  out << (hpf ? "HPF" : "LPF") << " mask: pass band " << (hpf ? "from " : "up to ") << Frequency(r.passHz)
      << " Hz within +-" << Plain(r.passDb) << " dB, stop band " << (hpf ? "up to " : "from ") << Frequency(r.stopHz)
      << " Hz at least " << Plain(r.stopDb) << " dB down\n";
  if (!(result.circuit == response::RequirementCircuit{})) {
    out << "circuit: " << TopologyName(result.circuit) << ", gain " << Plain(result.circuit.gain)
        << " (the stages share it equally)\n";
  }
  std::ostringstream table;
  auto cell = [&](const std::string& text, int width) { table << std::left << std::setw(width - 1) << text << ' '; };
  cell("response", 16);
  cell("order", 6);
  cell("cutoff", 10);
  cell("range [Hz]", 18);
  cell("pass dB", 10);
  cell("stop dB", 10);
  cell("max Q", 8);
  cell("GBW [Hz]", 10);
  cell("spread", 8);
  cell("overshoot %", 12);
  cell("delay var %", 12);
  table << "meets";
  if (realised) table << "   series: pass dB, stop dB, meets";
  table << '\n';
  for (std::size_t i = 0; i < result.candidates.size(); ++i) {
    const response::RequirementCandidate& c = result.candidates[i];
    cell(ResponseText(c), 16);
    if (!c.order) {
      cell("-", 6);
      table << "no   " << c.why << '\n';
      continue;
    }
    cell(std::to_string(*c.order), 6);
    cell(c.cutoffText, 10);
    cell(Frequency(c.range.loHz) + " .. " + Frequency(c.range.hiHz), 18);
    cell(Plain(c.margins.passDb), 10);
    cell(Plain(c.margins.stopDb), 10);
    cell(c.maxQ ? Plain(*c.maxQ) : "-", 8);
    cell(Frequency(c.gbwMinHz), 10);
    cell(Plain(c.spreadMin), 8);
    cell(c.overshootPct ? Plain(*c.overshootPct) : "-", 12);
    cell(c.delayVariationPct ? Plain(*c.delayVariationPct) : "-", 12);
    table << (c.meets ? "yes" : "no ");
    if (!c.meets) table << "  " << c.why;
    if (realised && (*realised)[i]) {
      const tolerance::RealisedCandidate& p = *(*realised)[i];
      table << "   series: ";
      if (p.margins) {
        table << Plain(p.margins->passDb) << ", " << Plain(p.margins->stopDb) << ", " << (p.meets ? "yes" : "no");
      } else {
        table << "no valid design";
      }
      if (p.yield) table << ", yield " << Plain(100 * p.yield->ratio) << " %";
    }
    table << '\n';
  }
  out << table.str();
  out << "recommended: "
      << (result.recommended ? ResponseText(result.candidates[*result.recommended]) : std::string("none")) << '\n';
}

// "butterworth", "chebyshev 0.5" of a band-pass row.
std::string ResponseText(const response::BandPassCandidate& c) {
  std::string text = values::kResponseOptions[c.response];
  if (values::HasRipple(c.response)) text += std::string(" ") + values::kRippleOptions[c.rippleIndex];
  return text;
}

// A margin of the table: one of a Chebyshev whose ripple equals Ap is 0 but
// for the rounding of the gain (the JSON keeps it).
std::string Margin(double db) { return Plain(std::fabs(db) < 1e-9 ? 0.0 : db); }

void PrintBandPassTable(const response::BandPassRequirementResult& result, std::ostream& out) {
  const response::BandPassMask& m = result.mask;
  out << "BPF mask: pass band " << Frequency(m.fp1) << " to " << Frequency(m.fp2) << " Hz within +-" << Plain(m.ap)
      << " dB, stop bands up to " << Frequency(m.fs1) << " Hz and from " << Frequency(m.fs2) << " Hz at least "
      << Plain(m.as) << " dB down\n";
  std::ostringstream table;
  auto cell = [&](const std::string& text, int width) { table << std::left << std::setw(width - 1) << text << ' '; };
  cell("response", 16);
  cell("order", 6);
  cell("center", 10);
  cell("range [Hz]", 18);
  cell("bandwidth", 10);
  cell("range [Hz]", 18);
  cell("fp1 dB", 9);
  cell("fp2 dB", 9);
  cell("fs1 dB", 9);
  cell("fs2 dB", 9);
  cell("max Q", 8);
  cell("GBW [Hz]", 10);
  table << "meets\n";
  for (const response::BandPassCandidate& c : result.candidates) {
    cell(ResponseText(c), 16);
    if (!c.order) {
      cell("-", 6);
      table << "no   " << c.why << '\n';
      continue;
    }
    cell(std::to_string(*c.order), 6);
    cell(c.centerText, 10);
    cell(Frequency(c.centerRange.loHz) + " .. " + Frequency(c.centerRange.hiHz), 18);
    if (c.bandwidthText.empty()) {
      table << "no   " << c.why << '\n';
      continue;
    }
    cell(c.bandwidthText, 10);
    cell(Frequency(c.bandwidthRange.loHz) + " .. " + Frequency(c.bandwidthRange.hiHz), 18);
    cell(Margin(c.margins.fp1Db), 9);
    cell(Margin(c.margins.fp2Db), 9);
    cell(Margin(c.margins.fs1Db), 9);
    cell(Margin(c.margins.fs2Db), 9);
    cell(Plain(c.maxQ), 8);
    cell(Frequency(c.gbwMinHz), 10);
    table << (c.meets ? "yes" : "no ");
    if (!c.meets) table << "  " << c.why;
    table << '\n';
  }
  out << table.str();
  out << "recommended: "
      << (result.recommended ? ResponseText(result.candidates[*result.recommended]) : std::string("none")) << '\n';
}

std::string BandPassProblemText(const response::RequirementCheck& check) {
  static constexpr const char* kNames[] = {"FS1", "FP1", "FP2", "FS2", "AP", "AS"};
  switch (check.problem) {
    case RequirementProblem::kNone:
      return {};
    case RequirementProblem::kFieldCount:
      return "--requirement with --kind bpf: expected FS1,FP1,FP2,FS2,AP,AS, six values";
    case RequirementProblem::kUnreadable:
      return std::string("--requirement: ") + kNames[std::clamp(check.field, 0, 5)] +
             " is not an engineering value above 0";
    case RequirementProblem::kEdgeOrder:
      return "--requirement: the edges must be in order FS1 < FP1 < FP2 < FS2";
    case RequirementProblem::kAttenuation:
      return "--requirement: AS must be above AP";
  }
  return {};
}

int FieldCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), ',')) + 1; }

// A limit's text: a finite number, above 0 (`positive`) or 0 or more; the
// message names the text as the other options' range errors do.
CLI::Validator LimitValidator(bool positive) {
  return CLI::Validator(
      [positive](std::string& text) -> std::string {
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(v)) {
          return "'" + text + "' is not a number (e.g. 5, 2.5)";
        }
        if (positive ? !(v > 0) : !(v >= 0)) return "'" + text + "' must be " + (positive ? "above 0" : "0 or more");
        return {};
      },
      positive ? "NUMBER > 0" : "NUMBER >= 0");
}

}  // namespace

void AddRequirementOptions(CLI::App& app, RequirementOptions& o) {
  o.option = app.add_option("--requirement", o.text,
                            "design from a mask FP,AP,FS,AS: the pass band up to FP (HPF: from FP) within +-AP dB, "
                            "the stop band from FS (HPF: up to FS) at least AS dB down; prints the lowest order and "
                            "the cut-off of every response (exit status 0 when one meets, 1 when none does); with "
                            "--kind bpf a band-pass mask FS1,FP1,FP2,FS2,AP,AS: the pass band FP1..FP2 within +-AP dB, "
                            "the stop bands up to FS1 and from FS2 at least AS dB down, giving the lowest even order, "
                            "the centre and the bandwidth");
  for (const char* name : {"--cutoff", "--order", "--response", "--sheet", "--fix", "--out", "--stop-after",
                           "--analysis", "--curve", "--spice", "--bom", "--worst-case", "--opamp-gbw", "--opamp-rout",
                           "--opamp-a0", "--opamp", "--mask", "--center", "--bandwidth"}) {
    if (CLI::Option* other = app.get_option_no_throw(name)) o.option->excludes(other);
  }
  app.add_option("--max-overshoot", o.maxOvershootPct, "with --requirement: largest step overshoot in per cent (LPF)")
      ->check(LimitValidator(false))
      ->needs(o.option);
  app.add_option("--max-delay-variation", o.maxDelayVariationPct,
                 "with --requirement: largest pass-band group-delay variation in per cent (LPF)")
      ->check(LimitValidator(false))
      ->needs(o.option);
  app.add_option("--max-q", o.maxQ, "with --requirement: largest stage Q")
      ->check(LimitValidator(true))
      ->needs(o.option);
}

std::string RequirementProblemText(const response::RequirementCheck& check, int passKind) {
  switch (check.problem) {
    case RequirementProblem::kNone:
      return {};
    case RequirementProblem::kFieldCount:
      return "--requirement: expected FP,AP,FS,AS, four values";
    case RequirementProblem::kUnreadable:
      return std::string("--requirement: ") + kFieldNames[std::clamp(check.field, 0, 3)] +
             " is not an engineering value above 0";
    case RequirementProblem::kEdgeOrder:
      return passKind == values::kHpf ? "--requirement: for an HPF FP must be above FS"
                                      : "--requirement: FP must be below FS";
    case RequirementProblem::kAttenuation:
      return "--requirement: AS must be above AP";
  }
  return {};
}

nlohmann::json RequirementJson(const response::RequirementResult& result,
                               const std::vector<std::optional<tolerance::RealisedCandidate>>* realised) {
  nlohmann::json j;
  j["candidates"] = nlohmann::json::array();
  for (std::size_t i = 0; i < result.candidates.size(); ++i) {
    const response::RequirementCandidate& c = result.candidates[i];
    nlohmann::json k;
    k["response"] = values::kResponseOptions[c.response];
    if (values::HasRipple(c.response)) k["ripple_db"] = values::kRippleDb[c.rippleIndex];
    if (c.order) {
      k["order"] = *c.order;
      k["cutoff_hz"] = c.cutoffHz;
      k["cutoff_text"] = c.cutoffText;
      k["cutoff_range_hz"] = {c.range.loHz, c.range.hiHz};
      k["margin_pass_db"] = c.margins.passDb;
      k["margin_stop_db"] = c.margins.stopDb;
      k["max_q"] = Optional(c.maxQ);
      k["gbw_min_hz"] = c.gbwMinHz;
      k["spread_min"] = c.spreadMin;
      k["overshoot_pct"] = Optional(c.overshootPct);
      k["delay_variation_pct"] = Optional(c.delayVariationPct);
    } else {
      for (const char* key :
           {"order", "cutoff_hz", "cutoff_text", "cutoff_range_hz", "margin_pass_db", "margin_stop_db", "max_q",
            "gbw_min_hz", "spread_min", "overshoot_pct", "delay_variation_pct"}) {
        k[key] = nullptr;
      }
    }
    k["meets"] = c.meets;
    k["why"] = c.meets ? nlohmann::json(nullptr) : nlohmann::json(c.why);
    if (realised) {
      const std::optional<tolerance::RealisedCandidate>& r = (*realised)[i];
      k["realised"] = r ? RealisedJson(*r) : nlohmann::json(nullptr);
    }
    j["candidates"].push_back(std::move(k));
  }
  j["topology"] = TopologyName(result.circuit);
  j["gain"] = result.circuit.gain;
  j["recommended"] = result.recommended
                         ? nlohmann::json(values::kResponseOptions[result.candidates[*result.recommended].response])
                         : nlohmann::json(nullptr);
  // Which Chebyshev row, when a Chebyshev is recommended.
  const bool chebyshev = result.recommended && values::HasRipple(result.candidates[*result.recommended].response);
  j["recommended_ripple_db"] =
      chebyshev ? nlohmann::json(values::kRippleDb[result.candidates[*result.recommended].rippleIndex])
                : nlohmann::json(nullptr);
  return j;
}

nlohmann::json BandPassRequirementJson(const response::BandPassRequirementResult& result) {
  nlohmann::json j;
  j["candidates"] = nlohmann::json::array();
  auto range = [](const response::FrequencyRange& r) { return nlohmann::json{r.loHz, r.hiHz}; };
  for (const response::BandPassCandidate& c : result.candidates) {
    nlohmann::json k;
    k["response"] = values::kResponseOptions[c.response];
    if (values::HasRipple(c.response)) k["ripple_db"] = values::kRippleDb[c.rippleIndex];
    for (const char* key : kBandPassCandidateKeys) k[key] = nullptr;
    if (c.order) {
      k["order"] = *c.order;
      k["center_hz"] = c.centerHz;
      k["center_text"] = c.centerText;
      k["center_range_hz"] = range(c.centerRange);
    }
    if (!c.bandwidthText.empty()) {
      k["bandwidth_hz"] = c.bandwidthHz;
      k["bandwidth_text"] = c.bandwidthText;
      k["bandwidth_range_hz"] = range(c.bandwidthRange);
      k["margin_pass_db"] = c.margins.PassDb();
      k["margin_stop_db"] = c.margins.StopDb();
      k["margin_fp1_db"] = c.margins.fp1Db;
      k["margin_fp2_db"] = c.margins.fp2Db;
      k["margin_fs1_db"] = c.margins.fs1Db;
      k["margin_fs2_db"] = c.margins.fs2Db;
      k["max_q"] = c.maxQ;
      k["gbw_min_hz"] = c.gbwMinHz;
    }
    k["meets"] = c.meets;
    k["why"] = c.meets ? nlohmann::json(nullptr) : nlohmann::json(c.why);
    j["candidates"].push_back(std::move(k));
  }
  j["topology"] = "mfb";
  j["gain"] = result.gain;
  const bool recommended = result.recommended.has_value();
  const response::BandPassCandidate* best = recommended ? &result.candidates[*result.recommended] : nullptr;
  j["recommended"] = best ? nlohmann::json(values::kResponseOptions[best->response]) : nlohmann::json(nullptr);
  j["recommended_ripple_db"] = best && values::HasRipple(best->response)
                                   ? nlohmann::json(values::kRippleDb[best->rippleIndex])
                                   : nlohmann::json(nullptr);
  return j;
}

int RunRequirement(const RequirementOptions& options, const RequirementContext& context, std::ostream& out,
                   std::ostream& err) {
  try {
    if (context.kind == "bpf") {
      if (FieldCount(options.text) != 6) throw Usage{BandPassProblemText({RequirementProblem::kFieldCount, -1})};
      response::BandPassMask mask;
      const response::RequirementCheck check = response::ParseBandPassRequirement(options.text, mask);
      if (!check.ok()) throw Usage{BandPassProblemText(check)};
      if (options.maxOvershootPct || options.maxDelayVariationPct) {
        throw Usage{"--max-overshoot and --max-delay-variation apply to an LPF only"};
      }
      if (options.maxQ) throw Usage{"--max-q is not available yet with --kind bpf"};
      if (context.series) throw Usage{"--values series is not available yet with --kind bpf"};
      if (context.topologyGiven && context.topology != "mfb") {
        throw Usage{"--topology: a band-pass filter is built of MFB sections (--topology mfb)"};
      }
      const response::BandPassRequirementResult result =
          response::DesignBandPassFromRequirement(mask, context.gain.value_or(1.0));
      if (context.json) {
        out << BandPassRequirementJson(result).dump() << '\n';
      } else {
        PrintBandPassTable(result, out);
      }
      return result.recommended ? 0 : 1;
    }
    if (FieldCount(options.text) == 6) {
      throw Usage{"--requirement: FS1,FP1,FP2,FS2,AP,AS is the mask of a band-pass filter (--kind bpf)"};
    }
    const int passKind = context.kind == "hpf" ? values::kHpf : values::kLpf;
    response::Requirement requirement;
    const response::RequirementCheck check = response::ParseRequirement(options.text, passKind, requirement);
    if (!check.ok()) throw Usage{RequirementProblemText(check, passKind)};
    if (passKind == values::kHpf && (options.maxOvershootPct || options.maxDelayVariationPct)) {
      throw Usage{"--max-overshoot and --max-delay-variation apply to an LPF only"};
    }
    const double gain = context.gain.value_or(1.0);
    const response::RequirementCircuit circuit{context.topology == "mfb" ? values::kCircuitMfb
                                               : gain != 1.0             ? values::kCircuitSallenKeyGain
                                                                         : 0,
                                               gain};
    if (response::CheckRequirementCircuit(circuit) == response::CircuitProblem::kGainBelowOne) {
      throw Usage{"--gain: a Sallen-Key stage's gain 1 + Rf/Rg is at least 1, here " + Plain(gain) +
                  "; --topology mfb designs a gain below 1"};
    }
    if (response::CheckRequirementCircuit(circuit) != response::CircuitProblem::kNone) {
      throw Usage{"--gain " + Plain(gain) + " is not in " + Plain(engine::kMinFilterGain) + ".." +
                  Plain(engine::kMaxFilterGain)};
    }
    if (context.series && circuit.circuit != 0) {
      throw Usage{"--values series with --requirement designs the unity-gain Sallen-Key only; leave out " +
                  std::string(circuit.circuit == values::kCircuitMfb ? "--topology mfb" : "--gain")};
    }
    const ToleranceOptions* tol = context.tolerance;
    const bool yield = tol != nullptr && tol->Requested();
    if (yield && !context.series) throw Usage{"--monte-carlo with --requirement needs --values series"};
    if (yield && tol->tolGbwPct > 0) throw Usage{"--tol-gbw is not used with --requirement (ideal op-amps)"};
    // The candidates are of the sheet's circuit: its parts only.
    for (const std::string& part : tol != nullptr ? tol->tolParts : std::vector<std::string>{}) {
      const std::string name = part.substr(0, part.find('='));
      bool capacitor = false;
      int index = 0;
      if (!tolerance::ReadPartName(name, capacitor, index)) {
        throw Usage{"--tol-part: " + name + " is not a part of the candidates (R1..R8, C1..C8)"};
      }
    }
    const engine::PartSeries* series = nullptr;
    if (context.series) {
      std::string problem;
      series = ChosenSeries(context.seriesTexts, problem);
      if (!series) throw Usage{problem};
    }
    response::RequirementConstraints constraints;
    constraints.maxOvershootPct = options.maxOvershootPct;
    constraints.maxDelayVariationPct = options.maxDelayVariationPct;
    constraints.maxQ = options.maxQ;
    const response::RequirementResult result = response::DesignFromRequirement(requirement, constraints, circuit);
    std::vector<std::optional<tolerance::RealisedCandidate>> realised;
    if (context.series) {
      std::optional<tolerance::YieldSettings> settings;
      tolerance::RunOptions run;
      if (yield) {
        settings.emplace();
        settings->tolerances = TolerancesOf(*tol);
        settings->distribution =
            tol->distribution == "normal" ? tolerance::Distribution::kNormal : tolerance::Distribution::kUniform;
        settings->trials = tol->trials.value_or(tolerance::kDefaultTrials);
        settings->seed = tol->seed;
        run.threads = tol->threads;
      }
      realised = tolerance::RealiseAll(result, series, settings, run);
    }
    if (context.json) {
      out << RequirementJson(result, context.series ? &realised : nullptr).dump() << '\n';
    } else {
      PrintTable(result, context.series ? &realised : nullptr, out);
    }
    return result.recommended ? 0 : 1;
  } catch (const Usage& e) {
    PrintUsageError(err, e.message);  // the two lines of every usage error
    return kUsageError;
  }
}

}  // namespace kelvara::tools
