// kelvara-design: the headless designer. Designs one filter the way the
// calculate button does and prints the part values, or one JSON object. The
// filter comes from the options or from a design file (--sheet); the result
// can be written as a design file (--out).

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "engine/sheet_inputs.h"
#include "response/circuit.h"
#include "storage/atomic_file.h"
#include "storage/design_file.h"
#include "tools/designer/analysis_cli.h"
#include "tools/designer/bandpass_cli.h"
#include "tools/designer/cli_arguments.h"
#include "tools/designer/delivered_record.h"
#include "tools/designer/designer_main.h"
#include "tools/designer/export_options.h"
#include "tools/designer/headless_design.h"
#include "tools/designer/noise_options.h"
#include "tools/designer/opamp_options.h"
#include "tools/designer/progress_display.h"
#include "tools/designer/requirement_cli.h"
#include "tools/designer/sections_cli.h"
#include "tools/designer/series_cli.h"
#include "tools/designer/tolerance_options.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"
#include "values/section_record.h"

namespace {

using kelvara::engine::DesignRequest;
using kelvara::engine::PartInputs;
using kelvara::engine::SheetInputs;

constexpr int kUsageError = 2;
constexpr int kFileError = 3;

using UsageError = kelvara::tools::CliUsageError;

struct FileError {
  kelvara::storage::DesignFileError error;
};

// "R3" -> (false, 2), "C1" -> (true, 0).
std::pair<bool, int> ParsePartName(const std::string& name) {
  if (name.size() != 2 || (name[0] != 'R' && name[0] != 'C') || name[1] < '1' || name[1] > '8') {
    throw UsageError{"--fix: unknown part '" + name + "' (expected R1..R8 or C1..C8)"};
  }
  return {name[0] == 'C', name[1] - '1'};
}

void ApplyFixes(const std::vector<std::string>& fixes, PartInputs& inputs) {
  for (const std::string& fix : fixes) {
    const std::size_t eq = fix.find('=');
    if (eq == std::string::npos) throw UsageError{"--fix expects PART=VALUE, got '" + fix + "'"};
    const auto [capacitor, index] = ParsePartName(fix.substr(0, eq));
    kelvara::engine::PartInput& part = capacitor ? inputs.c[index] : inputs.r[index];
    part.text = fix.substr(eq + 1);
    part.autoSelected = false;
    part.fixSelected = true;
  }
}

// The run's part values (r, c and their texts) and, with --as-shown, the
// values the figures are of (r_shown, c_shown, and the -3 dB frequency).
nlohmann::json ReportJson(const kelvara::tools::DesignReport& report, const kelvara::tools::DesignReport& analysed,
                          bool asShown) {
  using kelvara::values::FormatCapacitance;
  using kelvara::values::FormatResistanceDisplay;
  nlohmann::json j;
  j["valid"] = report.valid;
  j["warnings"] = nlohmann::json::array();
  for (const auto& w : report.warnings) j["warnings"].push_back({{"caption", w.caption}, {"text", w.text}});
  j["r"] = report.parts.r;
  j["c"] = report.parts.c;
  j["r_text"] = nlohmann::json::array();
  j["c_text"] = nlohmann::json::array();
  for (int i = 0; i < report.order; ++i) {
    j["r_text"].push_back(FormatResistanceDisplay(report.parts.r[i]));
    j["c_text"].push_back(FormatCapacitance(report.parts.c[i]));
  }
  j["progress"] = report.progress;
  j["minus3db_hz"] = analysed.minus3dbHz ? nlohmann::json(*analysed.minus3dbHz) : nlohmann::json(nullptr);
  if (asShown) {
    j["as_shown"] = true;
    j["r_shown"] = analysed.parts.r;
    j["c_shown"] = analysed.parts.c;
  }
  return j;
}

// The inputs of the sheet a design file holds, as opening it shows them.
std::pair<SheetInputs, kelvara::values::SheetRecord> SheetFromFile(const std::string& path) {
  auto opened = kelvara::storage::OpenSheetFile(QString::fromStdString(path));
  if (!opened) throw FileError{opened.error()};
  kelvara::values::SheetRecord record = std::move(opened).value();
  return {kelvara::engine::InputsFromRecord(record), std::move(record)};
}

// The option values of a catalogue list, in list order.
template <std::size_t N>
std::vector<std::string> Options(const std::array<const char*, N>& names) {
  return {names.begin(), names.end()};
}

// "a, b or c".
template <std::size_t N>
std::string OptionsText(const std::array<const char*, N>& names) {
  std::string text;
  for (std::size_t i = 0; i < N; ++i) text += (i == 0 ? "" : i + 1 == N ? " or " : ", ") + std::string(names[i]);
  return text;
}

// Index of an option value checked against the list.
template <std::size_t N>
int OptionIndex(const std::array<const char*, N>& names, const std::string& value) {
  for (std::size_t i = 0; i < N; ++i) {
    if (value == names[i]) return static_cast<int>(i);
  }
  return 0;
}

SheetInputs InputsFromOptions(const std::string& cutoff, const std::string& kind, int order,
                              const std::string& response, const std::string& ripple, const std::string& valuesKind,
                              const std::vector<std::string>& fixes) {
  SheetInputs in;
  in.passKind = OptionIndex(kelvara::values::kPassKindOptions, kind);
  in.cutoffText = cutoff;
  in.orderIndex = order - kelvara::values::kMinOrder;
  in.response = OptionIndex(kelvara::values::kResponseOptions, response);
  in.rippleIndex = OptionIndex(kelvara::values::kRippleOptions, ripple);
  in.anyValues = valuesKind != "series";
  ApplyFixes(fixes, in.parts);
  return in;
}

// The part values and the -3 dB frequency of the design (the ideal
// op-amp's, as the window shows it); with a real op-amp each -3 dB line says
// which op-amp it is for, the second one that of the given op-amp (the
// Monte Carlo's nominal).
void PrintPlain(const kelvara::tools::DesignReport& report, const kelvara::tools::DesignReport& analysed,
                const DesignRequest& request, const kelvara::response::OpAmpModel& opAmp) {
  using namespace kelvara::values;
  for (int i = 0; i < report.order; ++i)
    std::cout << 'R' << i + 1 << " = " << FormatResistanceDisplay(report.parts.r[i]) << '\n';
  for (int i = 0; i < report.order; ++i)
    std::cout << 'C' << i + 1 << " = " << FormatCapacitance(report.parts.c[i]) << '\n';
  const bool real = kelvara::response::SinglePoleOf(opAmp).has_value();
  std::cout << "-3dB = " << (analysed.minus3dbHz ? FormatFrequencyReading(*analysed.minus3dbHz) : std::string("-"))
            << (real ? " (ideal op-amp)" : "") << '\n';
  if (!real || !analysed.minus3dbHz) return;
  const double given =
      kelvara::response::CircuitCutoff3dB(kelvara::response::MakeCircuit(request, analysed.parts, opAmp));
  std::cout << "-3dB = " << (std::isfinite(given) && given > 0 ? FormatFrequencyReading(given) : std::string("-"))
            << " (the given op-amp)\n";
}

}  // namespace

int kelvara::tools::DesignerMain(int argc, char** argv) {
  kelvara::storage::IgnoreFileSizeSignal();
  CLI::App app{"Designs a unity-gain Sallen-Key low-pass or high-pass filter and prints its part values.",
               "kelvara-design"};
  std::string cutoff;
  std::string kind = "lpf";
  int order = 2;
  std::string response = "butterworth";
  std::string ripple = kelvara::values::kRippleOptions[kelvara::values::kTabulatedRippleIndex];
  std::string valuesKind = "any";
  std::vector<std::string> fixes;
  bool json = false;
  std::optional<int> stopAfter;

  std::string sheetFile;
  std::string outFile;

  auto* cutoffOption = app.add_option("--cutoff", cutoff, "cut-off frequency as typed, e.g. 4.7k");
  using kelvara::values::kPassKindOptions;
  using kelvara::values::kResponseOptions;
  // The sheet's kinds, and the band-pass filter of MFB sections.
  std::vector<std::string> kinds = Options(kPassKindOptions);
  kinds.push_back("bpf");
  auto* kindOption =
      app.add_option("--kind", kind, OptionsText(kPassKindOptions) + " (the sheet's), or bpf (band-pass, MFB)")
          ->check(CLI::IsMember(kinds));
  auto* orderOption = app.add_option("--order", order,
                                     "filter order " + std::to_string(kelvara::values::kMinOrder) + ".." +
                                         std::to_string(kelvara::values::kMaxOrder))
                          ->check(CLI::Range(kelvara::values::kMinOrder, kelvara::values::kMaxOrder));
  auto* responseOption = app.add_option("--response", response, OptionsText(kResponseOptions))
                             ->check(CLI::IsMember(Options(kResponseOptions)));
  using kelvara::values::kRippleOptions;
  auto* rippleOption =
      app.add_option("--ripple", ripple,
                     "Chebyshev pass-band ripple in dB: 0.01, 0.05, 0.1, 0.25 (the default), 0.5, 1, 2 or 3")
          ->transform(CLI::Validator(
              [](std::string& text) -> std::string {
                // By value: "1", "1.0" and "1e0" are the same ripple.
                char* end = nullptr;
                const double db = std::strtod(text.c_str(), &end);
                for (int i = 0; i < kelvara::values::kRippleCount; ++i) {
                  if (!text.empty() && end == text.c_str() + text.size() && db == kelvara::values::kRippleDb[i]) {
                    text = kRippleOptions[i];
                    return {};
                  }
                }
                return text + " is not one of the ripples 0.01, 0.05, 0.1, 0.25, 0.5, 1, 2 or 3 (dB)";
              },
              "DB", "ripple"));
  auto* valuesOption =
      app.add_option("--values", valuesKind, "any (exact values) or series (E12 capacitors, E24 resistors)")
          ->check(CLI::IsMember({"any", "series"}));
  auto* fixOption = app.add_option("--fix", fixes, "fix a part, e.g. R3=4.7k (repeatable)");
  kelvara::tools::SectionsOptions sectionsOptions;
  kelvara::tools::AddSectionsOptions(app, sectionsOptions);
  app.add_option("--sheet", sheetFile,
                 "design the sheet a design file (.zdn) holds, as opening it shows it; "
                 "replaces --cutoff, --kind, --order, --response, --ripple, --values and --fix")
      ->excludes(cutoffOption, kindOption, orderOption, responseOption, rippleOption, valuesOption, fixOption);
  auto* outOption =
      app.add_option("--out", outFile,
                     "write the result as a design file (.zdn, used as given), as the run leaves the sheet "
                     "when it ends while another sheet is shown; a target that exists must be a regular file");
  app.add_option("--stop-after", stopAfter, "press stop inside the N-th progress step of the design")
      ->check(CLI::PositiveNumber);
  app.add_flag("--json", json, "print one JSON object");
  bool asShown = false;
  app.add_flag("--as-shown", asShown,
               "analyse, draw and export the part values as the window shows them (each value's text in its part "
               "edit, e.g. 805p, read back as the window reads it) instead of the run's full values: --analysis, "
               "--curve, --noise, --levels, --spice, --bom and the tolerance options; r and c stay the run's");
  kelvara::engine::SeriesTexts seriesTexts;
  kelvara::tools::AddSeriesOptions(app, seriesTexts);
  kelvara::tools::AnalysisOptions analysisOptions;
  kelvara::tools::AddAnalysisOptions(app, analysisOptions);
  kelvara::tools::OpAmpOptions opAmpOptions;
  kelvara::tools::AddOpAmpOptions(app, opAmpOptions);
  kelvara::tools::NoiseOptions noiseOptions;
  kelvara::tools::AddNoiseOptions(app, noiseOptions);
  kelvara::tools::ToleranceOptions toleranceOptions;
  kelvara::tools::AddToleranceOptions(app, toleranceOptions);
  kelvara::tools::ExportOptions exportOptions;
  kelvara::tools::AddExportOptions(app, exportOptions);
  kelvara::tools::BandPassOptions bandPassOptions;
  kelvara::tools::AddBandPassOptions(app, bandPassOptions);
  kelvara::tools::RequirementOptions requirementOptions;
  kelvara::tools::AddRequirementOptions(app, requirementOptions);  // excludes --center, --bandwidth
  kelvara::tools::AddVersionOption(app);
  app.footer(
      "Figures are of the run's full part values; the window, its exports and its report use the values its part "
      "edits show (e.g. 805p), which --as-shown gives here too.\n"
      "Exit status: 0 valid design, 1 invalid design, 2 usage error, 3 design file not read or written, or an exported "
      "file not written.");

  bool sections = false;
  bool bandPass = false;
  try {
    kelvara::tools::CheckArgumentWords(app, std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    app.parse(argc, argv);
    bandPass = kelvara::tools::BandPassRequested(app, bandPassOptions, kind, order, toleranceOptions.mask);
    if (!bandPass) sections = kelvara::tools::SectionsRequested(app, sectionsOptions, {requirementOptions.Requested()});
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::CallForVersion& e) {
    std::cout << e.what() << '\n';
    return 0;
  } catch (const CLI::ParseError& e) {
    kelvara::tools::PrintUsageError(std::cerr, kelvara::tools::ParseErrorMessage(e));
    return kUsageError;
  } catch (const kelvara::tools::CliUsageError& e) {
    kelvara::tools::PrintUsageError(std::cerr, e.what());
    return kUsageError;
  }

  if (opAmpOptions.list) {
    kelvara::tools::PrintOpAmpList(std::cout);
    return 0;
  }
  if (requirementOptions.Requested()) {
    kelvara::tools::RequirementContext context;
    context.kind = kind;
    context.json = json;
    context.series = valuesKind == "series";
    context.seriesTexts = seriesTexts;
    context.tolerance = &toleranceOptions;
    context.topology = sectionsOptions.topology;
    context.topologyGiven = app.count("--topology") > 0;
    context.gain = sectionsOptions.gain;
    return kelvara::tools::RunRequirement(requirementOptions, context, std::cout, std::cerr);
  }
  try {
    // A design file's sheet: one of sections is designed as the options of
    // its circuit, gain and parts would design it (the window's design of
    // that sheet); any other as the sheet's circuit below.
    std::optional<std::pair<SheetInputs, kelvara::values::SheetRecord>> fileSheet;
    std::optional<double> sheetGain;
    if (!sheetFile.empty() && !bandPass && !sections) {
      fileSheet = SheetFromFile(sheetFile);
      if (kelvara::values::IsSectionRecord(fileSheet->second)) {
        for (const char* name : {"--out", "--as-shown", "--bom"}) {
          if (app.count(name) > 0) {
            throw UsageError{std::string(name) + " is not available yet with a sheet of sections (--sheet " +
                             sheetFile + ")"};
          }
        }
        const kelvara::tools::SheetSectionsRequest r =
            kelvara::tools::SheetSectionsRequestOf(fileSheet->second, sheetFile);
        kind = r.kind;
        order = r.order;
        response = r.response;
        ripple = r.ripple;
        fixes = r.fixes;
        if (r.series) valuesKind = "series";
        if (r.bandPass) {
          bandPassOptions.center = r.cutoff;
          bandPassOptions.bandwidth = r.bandwidth;
          sheetGain = r.gain;
          bandPass = true;
        } else {
          cutoff = r.cutoff;
          sectionsOptions.topology = r.topology;
          sectionsOptions.gainText = r.gainText;
          sectionsOptions.gain = r.gain;
          sectionsOptions.stageGains = r.stageGains;
          sectionsOptions.stageOrder = r.stageOrder;
          sections = true;
        }
      }
    }
    if (!bandPass && sheetFile.empty() && cutoffOption->count() == 0) {
      throw UsageError{"--cutoff or --sheet is required"};
    }
    if (!bandPass && sheetFile.empty()) {
      kelvara::tools::CheckFrequencyText("--cutoff", cutoff, kelvara::engine::kMinCutoffHz,
                                         kelvara::engine::kMaxCutoffHz, "1 to 100M");
    }
    if (outOption->count() > 0 && outFile.empty()) throw UsageError{"--out needs a file name"};
    kelvara::tools::CheckAnalysisOptions(analysisOptions);
    kelvara::tools::ApplyOpAmpPart(app, opAmpOptions, noiseOptions.texts);
    kelvara::response::OpAmpModel opAmp = kelvara::tools::OpAmpModelOf(opAmpOptions);
    double temperatureC = kelvara::response::kDefaultTemperatureC;
    kelvara::tools::ApplyNoiseOptions(noiseOptions, opAmp, temperatureC);
    exportOptions.temperatureC = temperatureC;
    exportOptions.opamp = opAmp;  // the netlist's op-amp is the one the options set
    kelvara::tools::SetExportTolerances(
        exportOptions, app.count("--tol-r") ? std::optional(toleranceOptions.tolRPct) : std::nullopt,
        app.count("--tol-c") ? std::optional(toleranceOptions.tolCPct) : std::nullopt, toleranceOptions.tolParts);
    if (auto problem = kelvara::tools::ExportUsageProblem(exportOptions)) throw UsageError{*problem};
    if (bandPass) {
      if (rippleOption->count() > 0 && !kelvara::values::HasRipple(OptionIndex(kResponseOptions, response))) {
        throw UsageError{"--ripple is for --response chebyshev only"};
      }
      kelvara::tools::BandPassJob job;
      job.order = order;
      job.response = OptionIndex(kResponseOptions, response);
      job.rippleIndex = OptionIndex(kelvara::values::kRippleOptions, ripple);
      if (app.count("--gain") > 0) {
        char* end = nullptr;
        const double g = std::strtod(sectionsOptions.gainText.c_str(), &end);
        if (end != sectionsOptions.gainText.c_str() + sectionsOptions.gainText.size() || !(g >= 0.1 && g <= 1000)) {
          throw UsageError{"--gain: " + sectionsOptions.gainText + " is not in 0.1...1000"};
        }
        job.gain = g;
      } else {
        job.gain = sheetGain;
      }
      job.json = json;
      job.analysis = &analysisOptions;
      job.noise = &noiseOptions;
      job.opAmp = opAmp;
      job.temperatureC = temperatureC;
      job.exports = &exportOptions;
      if (app.count("--mask") > 0) job.mask = toleranceOptions.mask;
      job.fixes = fixes;
      if (valuesKind == "series") job.series = &kelvara::tools::SectionsSeries(app, seriesTexts);
      job.stopAfter = stopAfter;
      job.tolerance = &toleranceOptions;
      return kelvara::tools::RunBandPass(bandPassOptions, job, std::cout, std::cerr);
    }
    if (sections) {
      // Any circuit but the sheet's at gain 1: designed exactly as sections.
      if (valuesKind == "series") sectionsOptions.series = &kelvara::tools::SectionsSeries(app, seriesTexts);
      sectionsOptions.stopAfter = stopAfter;
      if (rippleOption->count() > 0 && !kelvara::values::HasRipple(OptionIndex(kResponseOptions, response))) {
        throw UsageError{"--ripple is for --response chebyshev only"};
      }
      const kelvara::tools::SectionsJob job{
          cutoff,        kind,  order,        response,       ripple,           fixes, json, &analysisOptions,
          &noiseOptions, opAmp, temperatureC, &exportOptions, &toleranceOptions};
      return kelvara::tools::RunSections(sectionsOptions, job, std::cout, std::cerr);
    }
    SheetInputs inputs;
    kelvara::values::SheetRecord record = kelvara::values::DefaultSheetRecord();
    if (sheetFile.empty()) {
      if (rippleOption->count() > 0 && !kelvara::values::HasRipple(OptionIndex(kResponseOptions, response))) {
        throw UsageError{"--ripple is for --response chebyshev only"};
      }
      inputs = InputsFromOptions(cutoff, kind, order, response, ripple, valuesKind, fixes);
    } else {
      std::tie(inputs, record) = fileSheet ? std::move(*fileSheet) : SheetFromFile(sheetFile);
    }
    const DesignRequest request = kelvara::engine::RequestOf(inputs);
    if (!kelvara::engine::HasDesignData(request)) throw UsageError{kelvara::tools::CombinationProblem(request)};
    kelvara::tools::CheckToleranceOptions(toleranceOptions, request, opAmp);
    kelvara::tools::NoiseBandOf(noiseOptions, request);  // a band that cannot be used is refused before any output

    std::string seriesProblem;
    const kelvara::engine::PartSeries* series = kelvara::tools::ChosenSeries(seriesTexts, seriesProblem);
    if (!series) throw UsageError{seriesProblem};
    exportOptions.series = kelvara::engine::CheckSeriesTexts(seriesTexts).choice;
    // Runs longer than a second show their progress on a terminal.
    kelvara::tools::ProgressDisplay progress(std::cerr, kelvara::tools::StandardErrorIsTerminal(),
                                             kelvara::tools::ProgressDelay());
    const kelvara::tools::DesignReport report = kelvara::tools::RunHeadlessDesign(
        request, inputs.parts, stopAfter, series, [&progress](double f) { progress.Update("design", f); });
    progress.Finish();
    for (const auto& w : report.warnings) std::cerr << w.caption << ": " << w.text << '\n';
    // The values the figures are of: the run's, or as the part edits show them.
    const kelvara::tools::DesignReport analysed =
        asShown ? kelvara::tools::AsShown(request, inputs.parts, report) : report;
    std::optional<kelvara::tools::ToleranceReport> tolerance;
    if (toleranceOptions.Requested() && analysed.minus3dbHz) {
      toleranceOptions.progress = [&progress](const std::string& stage, double f) { progress.Update(stage, f); };
      tolerance =
          kelvara::tools::RunToleranceAnalysis(toleranceOptions, request, analysed.parts, analysisOptions, opAmp);
      progress.Finish();
    }
    bool drawn = true;
    if (!analysisOptions.curve.empty()) {
      if (kelvara::tools::IsNoiseCurve(analysisOptions.curve)) {
        drawn = kelvara::tools::PrintNoiseCurve(analysisOptions, request, analysed, opAmp, temperatureC, std::cout);
      } else if (tolerance && tolerance->monteCarlo && kelvara::tools::CurveHasBands(analysisOptions.curve)) {
        drawn = kelvara::tools::PrintToleranceCurve(analysisOptions, request, analysed, opAmp, *tolerance, std::cout);
      } else {
        drawn = kelvara::tools::PrintCurve(analysisOptions, request, analysed, opAmp, std::cout);
      }
      if (!drawn) std::cerr << "kelvara-design: no curve: the design has no usable part values\n";
    } else if (json) {
      nlohmann::json j = ReportJson(report, analysed, asShown);
      kelvara::tools::AddCircuitJson(request, analysed, j);
      kelvara::tools::AddAnalysisJson(analysisOptions, request, analysed, j);
      kelvara::tools::AddOpAmpJson(analysisOptions, request, analysed, opAmp, j);
      kelvara::tools::AddNoiseJson(noiseOptions, request, analysed, opAmp, temperatureC, j);
      if (toleranceOptions.Requested())
        j["tolerance"] = tolerance ? ToleranceJson(toleranceOptions, *tolerance) : nlohmann::json(nullptr);
      std::cout << j.dump() << '\n';
    } else {
      PrintPlain(report, analysed, request, opAmp);
      kelvara::tools::PrintAnalysisPlain(analysisOptions, request, analysed, std::cout);
      kelvara::tools::PrintOpAmpPlain(analysisOptions, request, analysed, opAmp, std::cout);
      kelvara::tools::PrintNoisePlain(noiseOptions, request, analysed, opAmp, temperatureC, std::cout);
      if (tolerance) PrintTolerance(std::cout, toleranceOptions, *tolerance);
    }
    if (!outFile.empty()) {
      const kelvara::values::SheetRecord delivered = kelvara::tools::DeliveredRecord(record, inputs, report);
      if (auto error = kelvara::storage::WriteSheetFile(QString::fromStdString(outFile), delivered)) {
        throw FileError{*error};
      }
    }
    if (kelvara::tools::WantsExport(exportOptions)) {
      if (!report.valid) {
        std::cerr << "kelvara-design: the design is not valid; --spice and --bom files not written\n";
      } else if (auto error = kelvara::tools::WriteExports(exportOptions, request, analysed.parts)) {
        throw FileError{*error};
      }
    }
    return report.valid && drawn ? 0 : 1;
  } catch (const FileError& e) {
    std::cerr << "kelvara-design: " << e.error.caption.toStdString() << ": " << e.error.text.toStdString() << '\n';
    return kFileError;
  } catch (const kelvara::tools::CliUsageError& e) {
    // Every option module's usage error (they derive from CliUsageError).
    kelvara::tools::PrintUsageError(std::cerr, e.what());
    return kUsageError;
  }
}
