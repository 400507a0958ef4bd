#include "tools/designer/export_options.h"

#include <CLI/CLI.hpp>
#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "export/parts_list.h"
#include "export/spice_netlist.h"
#include "values/eng_value.h"

namespace kelvara::tools {

void AddExportOptions(CLI::App& app, ExportOptions& options) {
  const auto fileName = [](const std::string& name) { return name.empty() ? std::string("needs a file name") : ""; };
  app.add_option("--spice", options.spiceFile,
                 "write the SPICE netlist (.cir, ngspice and LTspice) of the designed filter to FILE")
      ->check(fileName);
  app.add_option("--bom", options.bomFile, "write the parts list (CSV, UTF-8 with BOM) of the designed filter to FILE")
      ->check(fileName);
  app.add_option("--ac-from", options.acFrom, "lowest frequency of the netlist's .ac sweep (default 1k)");
  app.add_option("--ac-to", options.acTo, "highest frequency of the netlist's .ac sweep (default 1M)");
}

std::optional<std::string> ExportUsageProblem(const ExportOptions& options) {
  const double from = values::ParseEngValue(options.acFrom);
  const double to = values::ParseEngValue(options.acTo);
  if (!(from > 0 && to > from)) {
    return "--ac-from and --ac-to must be positive frequencies, the first below the second (got '" + options.acFrom +
           "' and '" + options.acTo + "')";
  }
  return std::nullopt;
}

std::string PercentText(double pct) {
  char text[32];
  std::snprintf(text, sizeof text, "%g%%", pct);
  return text;
}

void SetExportTolerances(ExportOptions& options, std::optional<double> rPct, std::optional<double> cPct,
                         const std::vector<std::string>& partTexts) {
  if (rPct) options.resistorTolerance = PercentText(*rPct);
  if (cPct) options.capacitorTolerance = PercentText(*cPct);
  for (const std::string& text : partTexts) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) continue;
    options.partTolerance[text.substr(0, eq)] = PercentText(std::strtod(text.c_str() + eq + 1, nullptr));
  }
}

bool WantsExport(const ExportOptions& options) { return !options.spiceFile.empty() || !options.bomFile.empty(); }

std::string TodayText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

namespace {

std::optional<storage::DesignFileError> Write(const std::string& path, const std::string& text) {
  return storage::WriteExportedFile(QString::fromStdString(path),
                                    QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

exports::NetlistOptions NetlistOptionsOf(const ExportOptions& options) {
  exports::NetlistOptions netlist;
  netlist.fStartHz = values::ParseEngValue(options.acFrom);
  netlist.fStopHz = values::ParseEngValue(options.acTo);
  netlist.date = TodayText();
  netlist.opamp = options.opamp;
  netlist.temperatureC = options.temperatureC;
  netlist.series = options.series;
  return netlist;
}

exports::PartsListOptions PartsListOptionsOf(const ExportOptions& options) {
  exports::PartsListOptions list;
  list.series = options.series;
  list.resistorTolerance = options.resistorTolerance;
  list.capacitorTolerance = options.capacitorTolerance;
  list.partTolerance = options.partTolerance;
  return list;
}

}  // namespace

std::optional<storage::DesignFileError> WriteExports(const ExportOptions& options, const engine::DesignRequest& request,
                                                     const engine::ComponentSet& parts) {
  if (!options.spiceFile.empty()) {
    if (auto error = Write(options.spiceFile, exports::WriteSpiceNetlist(request, parts, NetlistOptionsOf(options)))) {
      return error;
    }
  }
  if (!options.bomFile.empty()) {
    if (auto error = Write(options.bomFile, exports::WritePartsList(request, parts, PartsListOptionsOf(options)))) {
      return error;
    }
  }
  return std::nullopt;
}

std::optional<storage::DesignFileError> WriteSectionsExports(const ExportOptions& options,
                                                             const engine::DesignRequest& request,
                                                             const std::vector<response::Section>& sections) {
  if (!options.spiceFile.empty()) {
    if (auto error = Write(options.spiceFile, exports::WriteSectionsNetlist(sections, NetlistOptionsOf(options)))) {
      return error;
    }
  }
  if (!options.bomFile.empty()) {
    const std::string list = exports::WriteSectionsPartsList(request, sections, PartsListOptionsOf(options));
    if (auto error = Write(options.bomFile, list)) return error;
  }
  return std::nullopt;
}

}  // namespace kelvara::tools
