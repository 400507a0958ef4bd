#include "tools/designer/bandpass_cli.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string_view>

#include "engine/bandpass.h"
#include "engine/part_name.h"
#include "engine/run_checks.h"
#include "engine/units.h"
#include "response/bandpass.h"
#include "response/noise.h"
#include "response/section_views.h"
#include "response/signal_levels.h"
#include "tools/designer/cli_arguments.h"
#include "tools/designer/progress_display.h"
#include "tools/designer/sections_cli.h"
#include "tools/designer/sections_output.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"

namespace kelvara::tools {
namespace {

// What a band-pass design does not take (yet).
constexpr const char* kNotTaken[] = {"--stage-gains", "--stage-order", "--bom",        "--sheet",
                                     "--out",         "--as-shown",    "--requirement"};

double ReadFrequency(const std::string& option, const std::string& text) {
  const double v = values::ParseEngValue(text);
  if (!(v > 0) || !std::isfinite(v)) {
    throw CliUsageError(option + " expects a frequency above 0 such as 10k, got '" + text + "'");
  }
  return v;
}

std::string Short(double v) { return values::FormatGeneral(v); }

}  // namespace

void AddBandPassOptions(CLI::App& app, BandPassOptions& options) {
  app.add_option("--center", options.center,
                 "band-pass (--kind bpf): the centre frequency, the geometric mean of the band edges, e.g. 10k");
  app.add_option("--bandwidth", options.bandwidth,
                 "band-pass (--kind bpf): the bandwidth between the band edges at the response's cut-off level "
                 "(-3 dB, -6 dB for Linkwitz-Riley, the ripple edge for Chebyshev), e.g. 2k");
}

response::BandPassMask BandPassMaskOf(const std::string& text) {
  std::vector<std::string> fields;
  for (std::size_t at = 0;;) {
    const std::size_t comma = text.find(',', at);
    fields.push_back(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  const std::string usage = "--mask of a band-pass design expects fs1,fp1,fp2,fs2,ap,as (e.g. 5k,8k,12k,20k,1,40)";
  if (fields.size() != 6) throw CliUsageError(usage + ", got '" + text + "'");
  double v[6];
  for (int i = 0; i < 6; ++i) {
    v[i] = values::ParseEngValue(fields[i]);
    if (!(v[i] > 0) || !std::isfinite(v[i])) throw CliUsageError(usage + ", got '" + text + "'");
  }
  const response::BandPassMask mask{v[0], v[1], v[2], v[3], v[4], v[5]};
  if (!response::IsOrdered(mask)) {
    throw CliUsageError("--mask: the edges must be in order fs1 < fp1 < fp2 < fs2, and 0 < ap < as, got '" + text +
                        "'");
  }
  return mask;
}

bool BandPassRequested(const CLI::App& app, const BandPassOptions& options, const std::string& kind, int order,
                       const std::string& maskText) {
  const bool given = app.count("--center") > 0 || app.count("--bandwidth") > 0;
  if (kind != "bpf") {
    if (given) throw CliUsageError("--center and --bandwidth are for --kind bpf");
    if (app.count("--mask") > 0 && std::count(maskText.begin(), maskText.end(), ',') == 5) {
      throw CliUsageError("--mask fs1,fp1,fp2,fs2,ap,as is the mask of a band-pass design (--kind bpf)");
    }
    return false;
  }
  if (app.count("--requirement") > 0) {
    // A band-pass requirement (RunRequirement): none of the options a
    // band-pass design does not take either.
    for (const char* name : kNotTaken) {
      if (std::string_view(name) != "--requirement" && app.count(name) > 0) {
        throw CliUsageError(std::string(name) + " is not available yet with --kind bpf");
      }
    }
    return false;
  }
  if (app.count("--cutoff") > 0) throw CliUsageError("--cutoff: a band-pass design takes --center and --bandwidth");
  if (app.count("--center") == 0) throw CliUsageError("--center is required with --kind bpf (e.g. --center 10k)");
  if (app.count("--bandwidth") == 0) {
    throw CliUsageError("--bandwidth is required with --kind bpf (e.g. --bandwidth 2k)");
  }
  if (order % 2 != 0) {
    throw CliUsageError("--order: a band-pass filter has an even order (2, 4, 6 or 8), got " + std::to_string(order));
  }
  const double center = ReadFrequency("--center", options.center);
  ReadFrequency("--bandwidth", options.bandwidth);
  if (!(center >= 1 && center <= 100e6)) throw CliUsageError("--center: " + options.center + " is not in 1 to 100M");
  if (app.count("--topology") > 0 && app.get_option("--topology")->as<std::string>() != "mfb") {
    throw CliUsageError("--topology: a band-pass filter is built of MFB sections (--topology mfb)");
  }
  for (const char* name : kNotTaken) {
    if (app.count(name) > 0) throw CliUsageError(std::string(name) + " is not available yet with --kind bpf");
  }
  const bool series = app.count("--values") > 0 && app.get_option("--values")->as<std::string>() == "series";
  if (app.count("--stop-after") > 0 && !series) {
    throw CliUsageError("--stop-after: a band-pass design stops only the search of --values series");
  }
  if (app.count("--mask") > 0) BandPassMaskOf(maskText);
  return true;
}

int RunBandPass(const BandPassOptions& options, const BandPassJob& job, std::ostream& out, std::ostream& err) {
  const double center = ReadFrequency("--center", options.center);
  const double bandwidth = ReadFrequency("--bandwidth", options.bandwidth);
  const double gain = job.gain.value_or(1.0);
  if (values::EvenOrdersOnly(job.response) && (job.order / 2) % 2 != 0) {
    throw CliUsageError("--response linkwitz-riley: a band-pass filter of order 4 or 8 (its prototype is even)");
  }
  const std::vector<engine::BandPassSection> targets =
      engine::BandPassSections(job.response, job.rippleIndex, job.order, center, bandwidth, gain);
  if (targets.empty()) throw CliUsageError("--kind bpf: no band-pass design of these inputs");
  // The sections must lie where the program designs (1 Hz to 100 MHz), and
  // their Q stays within what the edges and an MFB stage can resolve.
  if (bandwidth < center / 1000) {
    throw CliUsageError("--bandwidth: at least a thousandth of the centre (" + Short(center / 1000) + " Hz), got " +
                        options.bandwidth);
  }
  const double lowest = targets.front().omega / engine::kTwoPi, highest = targets.back().omega / engine::kTwoPi;
  if (!(lowest >= engine::kMinCutoffHz) || !(highest <= engine::kMaxCutoffHz)) {
    throw CliUsageError("--bandwidth: the sections would lie at " + Short(lowest) + " to " + Short(highest) +
                        " Hz, outside 1 Hz to 100 MHz; narrow the band");
  }
  // --fix C<n>=VALUE: a section's two capacitors are equal, so fixing one
  // fixes its pair (C1 and C2 of the first section, C3 and C4 of the next).
  std::vector<std::optional<double>> capacitors(targets.size());
  for (const std::string& fix : job.fixes) {
    const std::size_t eq = fix.find('=');
    const std::string name = fix.substr(0, eq);
    const std::string all = "C1..C" + std::to_string(2 * targets.size());
    int number = 0;
    if (eq == std::string::npos || name.size() < 2 || name[0] != 'C' ||
        name.find_first_not_of("0123456789", 1) != std::string::npos || (number = std::stoi(name.substr(1))) < 1 ||
        number > static_cast<int>(2 * targets.size())) {
      throw CliUsageError("--fix: a band-pass design fixes its capacitors (" + all + "), got '" + fix + "'");
    }
    const double value = values::ParseEngValue(fix.substr(eq + 1));
    if (!(value > 0) || !std::isfinite(value)) throw CliUsageError("--fix: '" + fix + "' needs a value above 0");
    std::optional<double>& c = capacitors[static_cast<std::size_t>(number - 1) / 2];
    if (c && *c != value) {
      throw CliUsageError("--fix: the two capacitors of a section are equal; C" + std::to_string(number) +
                          " and its pair were given different values");
    }
    c = value;
  }
  engine::BandPassDesign design;
  if (job.series != nullptr) {
    // Both capacitors of a section fixed alike; every other part searched.
    engine::SectionFixes fixes(targets.size(), std::vector<std::optional<double>>(5));
    for (std::size_t k = 0; k < targets.size(); ++k) fixes[k][3] = fixes[k][4] = capacitors[k];
    design = RunBandPassSeries(*job.series, targets, fixes, job.stopAfter, err);
  } else {
    design = engine::DesignBandPass(targets, capacitors);
  }
  for (const auto& [caption, text] : design.warnings) err << caption << ": " << text << '\n';
  const std::vector<response::Section> sections = response::SectionsOfBandPass(design);
  const double signedGain = (job.order / 2) % 2 == 0 ? gain : -gain;
  // The tolerance study: its checks (the part names are the design's)
  // before anything is printed; run on a valid design.
  // --curve: the circuit's views at its points (the time span: settled to
  // 0.1 % of the centre gain), checked before anything runs.
  const AnalysisOptions noCurve;
  const AnalysisOptions& curve = job.analysis != nullptr ? *job.analysis : noCurve;
  const response::CircuitModel withOpAmp = response::CircuitOfSections(sections, job.opAmp);
  std::vector<double> xs;
  if (!curve.curve.empty()) {
    xs = CurvePoints(curve, [&] { return response::BandPassSettlingTimeS(sections, center, response::kSettledBand); });
  }
  const double nominalDb = 20.0 * std::log10(gain);
  BandPassTolerance study;
  study.centerHz = center;
  study.lowerEdgeHz = std::sqrt(center * center + bandwidth * bandwidth / 4) - bandwidth / 2;
  study.upperEdgeHz = study.lowerEdgeHz + bandwidth;
  if (!job.mask.empty()) study.mask = BandPassMaskOf(job.mask);
  study.nominalDb = nominalDb;
  const bool tolerance = job.tolerance != nullptr && job.tolerance->Requested();
  if (job.tolerance != nullptr) CheckToleranceOptions(*job.tolerance, study, job.opAmp, sections);
  std::optional<ToleranceReport> toleranceReport;
  if (tolerance && design.valid) {
    ProgressDisplay progress(err, StandardErrorIsTerminal(), ProgressDelay());
    job.tolerance->progress = [&progress](const std::string& stage, double f) { progress.Update(stage, f); };
    toleranceReport = RunToleranceAnalysis(*job.tolerance, study, sections, xs, curve, job.opAmp);
    job.tolerance->progress = nullptr;
    progress.Finish();
  }

  const bool analysis = job.analysis != nullptr && job.analysis->analysis;
  const bool noise = job.noise != nullptr && job.noise->noise;
  const bool levels = job.noise != nullptr && job.noise->levels;
  std::optional<response::BandPassSummary> summary;
  std::optional<response::BandPassMargins> margins;
  std::optional<response::NoiseReport> noiseReport;
  std::optional<response::LevelReport> levelReport;
  // The default band of the noise: a decade either side of the centre.
  response::NoiseBand band{center / 10, center * 10};
  if (design.valid) {
    if (analysis) {
      summary = response::SummarizeBandPass(response::CircuitOfSections(sections, {}), center,
                                            response::BandEdgeLevelDb(job.response, job.rippleIndex, job.order),
                                            values::HasRipple(job.response));
    }
    if (!job.mask.empty()) {
      margins = response::MarginsOf(response::CircuitOfSections(sections, {}), nominalDb, *study.mask);
    }
    if (noise || levels) {
      if (!job.noise->band.empty()) band = NoiseBandOf(*job.noise, engine::DesignRequest{});
      const response::CircuitModel circuit = response::CircuitOfSections(sections, job.opAmp);
      noiseReport = response::IntegrateNoise(circuit, job.temperatureC, band);
      if (levels) levelReport = response::AnalyseLevels(circuit, band, noiseReport->totalVrms);
    }
  }
  const NamedParts named = NamedPartsOf(sections);

  if (!curve.curve.empty()) {
    PrintSectionsCurve(design.valid, curve, xs, withOpAmp, job.temperatureC, toleranceReport, out, err);
  } else if (job.json) {
    nlohmann::json j;
    j["valid"] = design.valid;
    j["warnings"] = nlohmann::json::array();
    for (const auto& [caption, text] : design.warnings) j["warnings"].push_back({{"caption", caption}, {"text", text}});
    j["kind"] = "bpf";
    j["topology"] = "mfb";
    j["response"] = values::kResponseOptions[job.response];
    if (values::HasRipple(job.response)) j["ripple_db"] = values::kRippleDb[job.rippleIndex];
    j["order"] = job.order;
    j["center_hz"] = center;
    j["bandwidth_hz"] = bandwidth;
    j["gain"] = signedGain;
    j["inverting"] = signedGain < 0;
    AddPartsJson(named, j);
    if (analysis) {
      j["stages"] = nlohmann::json::array();
      const std::vector<response::SectionOpAmpNeed> needs = response::SectionOpAmpNeeds(sections);
      const std::vector<response::StageLevel> peaks =
          design.valid ? response::SectionOutputPeaks(sections) : std::vector<response::StageLevel>{};
      const auto number = [](double v) { return std::isfinite(v) ? nlohmann::json(v) : nlohmann::json(nullptr); };
      for (std::size_t k = 0; k < sections.size(); ++k) {
        const response::SectionFigures f = sections[k].Figures();
        nlohmann::json s;
        s["stage"] = k + 1;
        s["topology"] = std::string(sections[k].topology->Id());
        s["order"] = 2;
        s["parts"] = nlohmann::json::array();
        for (int i = 0; i < sections[k].PartCount(); ++i)
          s["parts"].push_back(engine::PartName(sections[k].ids[i].letter, sections[k].ids[i].number));
        s["f0_target_hz"] = targets[k].omega / engine::kTwoPi;
        s["q_target"] = targets[k].q;
        s["gain_target"] = -targets[k].gain;
        s["f0_hz"] = f.omega / engine::kTwoPi;
        s["q"] = f.q;
        s["gain"] = f.gain;
        s["noise_gain"] = number(needs[k].noiseGain);
        s["gbw_min_hz"] = number(needs[k].gbwMinHz);
        AddOutputPeakJson(k < peaks.size() ? &peaks[k] : nullptr, s);
        j["stages"].push_back(s);
      }
      if (summary) {
        nlohmann::json s;
        s["center_hz"] = summary->centerHz;
        s["center_gain_db"] = summary->centerGainDb;
        s["cutoff_definition"] = values::kCutoffDefinitions[job.response];
        s["lower_edge_hz"] = summary->lowerEdgeHz;
        s["upper_edge_hz"] = summary->upperEdgeHz;
        s["bandwidth_hz"] = summary->bandwidthHz;
        s["ripple_db"] = summary->rippleDb ? nlohmann::json(*summary->rippleDb) : nlohmann::json(nullptr);
        s["attenuation_db"] = {{"f0/2", summary->attenuationHalfDb}, {"2f0", summary->attenuationDoubleDb}};
        j["summary"] = s;
      } else {
        j["summary"] = nullptr;
      }
    }
    if (!job.mask.empty()) {
      j["mask"] = margins ? nlohmann::json{{"meets", margins->Meets()},
                                           {"margin_pass_db", margins->passDb},
                                           {"margin_stop_db", margins->stopDb}}
                          : nlohmann::json(nullptr);
    }
    AddNoiseAndLevelsJson(noise, levels, noiseReport, levelReport, band, job.temperatureC, job.opAmp, j);
    if (tolerance) {
      j["tolerance"] = toleranceReport ? ToleranceJson(*job.tolerance, *toleranceReport) : nlohmann::json(nullptr);
    }
    out << j.dump() << '\n';
  } else {
    PrintPartsPlain(named, out);
    out << "gain at centre = " << Short(signedGain) << '\n';
    if (analysis) {
      const std::vector<response::SectionOpAmpNeed> needs = response::SectionOpAmpNeeds(sections);
      for (std::size_t k = 0; k < sections.size(); ++k) {
        const response::SectionFigures f = sections[k].Figures();
        out << "stage " << k + 1 << " (mfb band-pass): f0 " << Short(f.omega / engine::kTwoPi) << " Hz (target "
            << Short(targets[k].omega / engine::kTwoPi) << "), Q " << Short(f.q) << " (target " << Short(targets[k].q)
            << "), gain " << Short(f.gain) << ", GBW min " << Short(needs[k].gbwMinHz) << " Hz (noise gain "
            << Short(needs[k].noiseGain) << ")\n";
      }
      if (summary) {
        out << "centre " << Short(summary->centerHz) << " Hz, gain " << Short(summary->centerGainDb) << " dB; edges ("
            << values::kCutoffDefinitions[job.response] << ") " << Short(summary->lowerEdgeHz) << " Hz and "
            << Short(summary->upperEdgeHz) << " Hz, bandwidth " << Short(summary->bandwidthHz) << " Hz";
        if (summary->rippleDb) out << ", ripple " << Short(*summary->rippleDb) << " dB";
        out << "\nattenuation at f0/2 = " << Short(summary->attenuationHalfDb)
            << " dB, at 2f0 = " << Short(summary->attenuationDoubleDb) << " dB\n";
      }
    }
    if (margins) {
      out << "mask: " << (margins->Meets() ? "met" : "not met") << ", pass-band margin " << Short(margins->passDb)
          << " dB, stop-band margin " << Short(margins->stopDb) << " dB\n";
    }
    if (noise && noiseReport) PrintNoiseReportPlain(*noiseReport, band, job.temperatureC, out);
    if (levelReport) PrintLevelsPlain(*levelReport, job.opAmp, out);
    if (toleranceReport) PrintTolerance(out, *job.tolerance, *toleranceReport);
  }

  if (job.exports != nullptr && WantsExport(*job.exports)) {
    if (!design.valid) {
      err << "kelvara-design: the design is not valid; --spice file not written\n";
    } else if (auto error = WriteSectionsExports(*job.exports, engine::DesignRequest{}, sections)) {
      err << "kelvara-design: " << error->caption.toStdString() << ": " << error->text.toStdString() << '\n';
      return 3;
    }
  }
  return design.valid ? 0 : 1;
}

}  // namespace kelvara::tools
