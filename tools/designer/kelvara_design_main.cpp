// kelvara-design: the headless designer. Designs one filter the way the
// calculate button does and prints the part values, or one JSON object. The
// filter comes from the options or from a design file (--sheet); the result
// can be written as a design file (--out).

#include <CLI/CLI.hpp>
#include <cstdio>
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
#include "storage/atomic_file.h"
#include "storage/design_file.h"
#include "tools/designer/delivered_record.h"
#include "tools/designer/headless_design.h"
#include "tools/designer/series_cli.h"
#include "values/eng_value.h"

namespace {

using kelvara::engine::DesignRequest;
using kelvara::engine::PartInputs;
using kelvara::engine::SheetInputs;

constexpr int kUsageError = 2;
constexpr int kFileError = 3;

struct UsageError {
  std::string message;
};

struct FileError {
  kelvara::storage::DesignFileError error;
};

// "R3" -> (false, 2), "C1" -> (true, 0).
std::pair<bool, int> ParsePartName(const std::string& name) {
  if (name.size() != 2 || (name[0] != 'R' && name[0] != 'C') || name[1] < '1' || name[1] > '8') {
    throw UsageError{"unknown part '" + name + "' (expected R1..R8 or C1..C8)"};
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

nlohmann::json ReportJson(const kelvara::tools::DesignReport& report) {
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
  j["minus3db_hz"] = report.minus3dbHz ? nlohmann::json(*report.minus3dbHz) : nlohmann::json(nullptr);
  return j;
}

// The inputs of the sheet a design file holds, as opening it shows them.
std::pair<SheetInputs, kelvara::values::SheetRecord> SheetFromFile(const std::string& path) {
  auto opened = kelvara::storage::OpenSheetFile(QString::fromStdString(path));
  if (!opened) throw FileError{opened.error()};
  kelvara::values::SheetRecord record = std::move(opened).value();
  return {kelvara::engine::InputsFromRecord(record), std::move(record)};
}

SheetInputs InputsFromOptions(const std::string& cutoff, const std::string& kind, int order,
                              const std::string& response, const std::string& valuesKind,
                              const std::vector<std::string>& fixes) {
  SheetInputs in;
  in.passKind = kind == "hpf" ? 1 : 0;
  in.cutoffText = cutoff;
  in.orderIndex = order - 2;
  in.response = response == "bessel" ? 1 : response == "chebyshev" ? 2 : 0;
  in.anyValues = valuesKind != "series";
  ApplyFixes(fixes, in.parts);
  return in;
}

void PrintPlain(const kelvara::tools::DesignReport& report) {
  using namespace kelvara::values;
  for (int i = 0; i < report.order; ++i)
    std::cout << 'R' << i + 1 << " = " << FormatResistanceDisplay(report.parts.r[i]) << '\n';
  for (int i = 0; i < report.order; ++i)
    std::cout << 'C' << i + 1 << " = " << FormatCapacitance(report.parts.c[i]) << '\n';
  std::cout << "-3dB = " << (report.minus3dbHz ? FormatFrequencyReading(*report.minus3dbHz) : std::string("-")) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  kelvara::storage::IgnoreFileSizeSignal();
  CLI::App app{"Designs a unity-gain Sallen-Key low-pass or high-pass filter and prints its part values.",
               "kelvara-design"};
  std::string cutoff;
  std::string kind = "lpf";
  int order = 2;
  std::string response = "butterworth";
  std::string valuesKind = "any";
  std::vector<std::string> fixes;
  bool json = false;
  std::optional<int> stopAfter;

  std::string sheetFile;
  std::string outFile;

  auto* cutoffOption = app.add_option("--cutoff", cutoff, "cut-off frequency as typed, e.g. 4.7k");
  auto* kindOption = app.add_option("--kind", kind, "lpf or hpf")->check(CLI::IsMember({"lpf", "hpf"}));
  auto* orderOption = app.add_option("--order", order, "filter order 2..8")->check(CLI::Range(2, 8));
  auto* responseOption = app.add_option("--response", response, "butterworth, bessel or chebyshev")
                             ->check(CLI::IsMember({"butterworth", "bessel", "chebyshev"}));
  auto* valuesOption =
      app.add_option("--values", valuesKind, "any (exact values) or series (E12 capacitors, E24 resistors)")
          ->check(CLI::IsMember({"any", "series"}));
  auto* fixOption = app.add_option("--fix", fixes, "fix a part, e.g. R3=4.7k (repeatable)");
  app.add_option("--sheet", sheetFile,
                 "design the sheet a design file (.zdn) holds, as opening it shows it; "
                 "replaces --cutoff, --kind, --order, --response, --values and --fix")
      ->excludes(cutoffOption, kindOption, orderOption, responseOption, valuesOption, fixOption);
  auto* outOption =
      app.add_option("--out", outFile,
                     "write the result as a design file (.zdn, used as given), as the run leaves the sheet "
                     "when it ends while another sheet is shown; a target that exists must be a regular file");
  app.add_option("--stop-after", stopAfter, "press stop inside the N-th progress step of the design")
      ->check(CLI::PositiveNumber);
  app.add_flag("--json", json, "print one JSON object");
  kelvara::engine::SeriesTexts seriesTexts;
  kelvara::tools::AddSeriesOptions(app, seriesTexts);
  app.footer("Exit status: 0 valid design, 1 invalid design, 2 usage error, 3 design file not read or written.");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    std::cerr << "kelvara-design: " << e.what() << "\n" << app.help();
    return kUsageError;
  }

  try {
    if (sheetFile.empty() && cutoffOption->count() == 0) throw UsageError{"--cutoff or --sheet is required"};
    if (outOption->count() > 0 && outFile.empty()) throw UsageError{"--out needs a file name"};
    SheetInputs inputs;
    kelvara::values::SheetRecord record = kelvara::values::DefaultSheetRecord();
    if (sheetFile.empty()) {
      inputs = InputsFromOptions(cutoff, kind, order, response, valuesKind, fixes);
    } else {
      std::tie(inputs, record) = SheetFromFile(sheetFile);
    }
    const DesignRequest request = kelvara::engine::RequestOf(inputs);
    if (!kelvara::engine::HasDesignData(request)) {
      throw UsageError{"HPF is designed only with the Butterworth response, or Chebyshev from order 4"};
    }

    std::string seriesProblem;
    const kelvara::engine::PartSeries* series = kelvara::tools::ChosenSeries(seriesTexts, seriesProblem);
    if (!series) throw UsageError{seriesProblem};
    const kelvara::tools::DesignReport report =
        kelvara::tools::RunHeadlessDesign(request, inputs.parts, stopAfter, series);
    for (const auto& w : report.warnings) std::cerr << w.caption << ": " << w.text << '\n';
    if (json) {
      std::cout << ReportJson(report).dump() << '\n';
    } else {
      PrintPlain(report);
    }
    if (!outFile.empty()) {
      const kelvara::values::SheetRecord delivered = kelvara::tools::DeliveredRecord(record, inputs, report);
      if (auto error = kelvara::storage::WriteSheetFile(QString::fromStdString(outFile), delivered)) {
        throw FileError{*error};
      }
    }
    return report.valid ? 0 : 1;
  } catch (const FileError& e) {
    std::cerr << "kelvara-design: " << e.error.caption.toStdString() << ": " << e.error.text.toStdString() << '\n';
    return kFileError;
  } catch (const UsageError& e) {
    std::cerr << "kelvara-design: " << e.message << "\n" << app.help();
    return kUsageError;
  }
}
