#pragma once

// kelvara-design's --spice and --bom: the SPICE netlist and the parts list
// of the designed filter, written through the atomic save of the design
// files.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/design_types.h"
#include "engine/part_series.h"
#include "response/opamp_model.h"
#include "response/section.h"
#include "storage/design_file.h"

namespace CLI {
class App;
}

namespace kelvara::tools {

struct ExportOptions {
  std::string spiceFile;
  std::string bomFile;
  std::string acFrom = "1k";  // the .ac range of the netlist (the "ｆ特" page's default X range)
  std::string acTo = "1M";
  /// The op-amp of the netlist's subcircuit (ideal unless set).
  response::OpAmpModel opamp;
  /// The temperature of the netlist's .temp (--temperature).
  double temperatureC = 25;
  /// The series the preferred values came from (--cap-series, --res-series).
  engine::SeriesChoice series;
  /// The parts list's 許容差 column ("1%"; empty leaves it empty) and the
  /// parts' own tolerances ("R3" -> "0.1%").
  std::string resistorTolerance;
  std::string capacitorTolerance;
  std::map<std::string, std::string> partTolerance;
};

void AddExportOptions(CLI::App& app, ExportOptions& options);

/// Why the options cannot be used (a .ac range that is not two increasing
/// positive frequencies), or nothing.
std::optional<std::string> ExportUsageProblem(const ExportOptions& options);

/// A tolerance as the parts list prints it: 1 -> "1%", 0.1 -> "0.1%".
std::string PercentText(double pct);
/// Fills the tolerance texts of the parts list from --tol-r and --tol-c
/// (when given) and the --tol-part texts ("R3=0.1", already checked).
void SetExportTolerances(ExportOptions& options, std::optional<double> rPct, std::optional<double> cPct,
                         const std::vector<std::string>& partTexts);

/// Whether any file is asked for.
bool WantsExport(const ExportOptions& options);

/// Writes the files asked for; the first error, the files before it written.
std::optional<storage::DesignFileError> WriteExports(const ExportOptions& options, const engine::DesignRequest& request,
                                                     const engine::ComponentSet& parts);

/// The same of a circuit of sections (MFB, Sallen-Key with gain): its
/// netlist (each section's lines) and its parts list with the parts' roles.
std::optional<storage::DesignFileError> WriteSectionsExports(const ExportOptions& options,
                                                             const engine::DesignRequest& request,
                                                             const std::vector<response::Section>& sections);

/// Today's date as the exports print it ("2026-12-08").
std::string TodayText();

}  // namespace kelvara::tools
