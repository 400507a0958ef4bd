// kelvara-design: the headless designer. Designs one filter the way the
// calculate button does and prints the part values, or one JSON object.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "tools/designer/headless_design.h"
#include "values/eng_value.h"

namespace {

using kelvara::engine::DesignRequest;
using kelvara::engine::PartInputs;

constexpr int kUsageError = 2;

struct UsageError {
  std::string message;
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

void PrintPlain(const kelvara::tools::DesignReport& report) {
  using namespace kelvara::values;
  for (int i = 0; i < report.order; ++i) std::cout << 'R' << i + 1 << " = " << FormatResistanceDisplay(report.parts.r[i]) << '\n';
  for (int i = 0; i < report.order; ++i) std::cout << 'C' << i + 1 << " = " << FormatCapacitance(report.parts.c[i]) << '\n';
  std::cout << "-3dB = " << (report.minus3dbHz ? FormatFrequencyReading(*report.minus3dbHz) : std::string("-")) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
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

  app.add_option("--cutoff", cutoff, "cut-off frequency as typed, e.g. 4.7k")->required();
  app.add_option("--kind", kind, "lpf or hpf")->check(CLI::IsMember({"lpf", "hpf"}));
  app.add_option("--order", order, "filter order 2..8")->check(CLI::Range(2, 8));
  app.add_option("--response", response, "butterworth, bessel or chebyshev")
      ->check(CLI::IsMember({"butterworth", "bessel", "chebyshev"}));
  app.add_option("--values", valuesKind, "any (exact values) or series (E12 capacitors, E24 resistors)")
      ->check(CLI::IsMember({"any", "series"}));
  app.add_option("--fix", fixes, "fix a part, e.g. R3=4.7k (repeatable)");
  app.add_option("--stop-after", stopAfter, "press stop inside the N-th progress step of the design")
      ->check(CLI::PositiveNumber);
  app.add_flag("--json", json, "print one JSON object");

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
    const int kindIndex = kind == "hpf" ? 1 : 0;
    const int responseIndex = response == "bessel" ? 1 : response == "chebyshev" ? 2 : 0;
    const bool series = valuesKind == "series";
    const DesignRequest request = kelvara::engine::MakeDesignRequest(kindIndex, 0, order - 2, responseIndex, 0,
                                                                     cutoff, series, series, !series);
    if (!kelvara::engine::HasDesignData(request)) {
      throw UsageError{"HPF is designed only with the Butterworth response, or Chebyshev from order 4"};
    }
    PartInputs inputs;
    ApplyFixes(fixes, inputs);

    const kelvara::tools::DesignReport report = kelvara::tools::RunHeadlessDesign(request, inputs, stopAfter);
    for (const auto& w : report.warnings) std::cerr << w.caption << ": " << w.text << '\n';
    if (json) {
      std::cout << ReportJson(report).dump() << '\n';
    } else {
      PrintPlain(report);
    }
    return report.valid ? 0 : 1;
  } catch (const UsageError& e) {
    std::cerr << "kelvara-design: " << e.message << "\n" << app.help();
    return kUsageError;
  }
}
