#pragma once

// kelvara-design's circuits beyond the sheet's: --topology sallen-key|mfb,
// --gain G (the pass-band gain magnitude, V/V), --stage-gains G1,G2,...
// and --stage-order ascending-q|descending-q. The sheet's circuit (the
// unity-gain Sallen-Key) at gain 1 without stage options is designed as
// before; every other choice is designed here exactly as a cascade of
// sections (engine/section_design.h) and printed with its parts by name.

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/bandpass.h"
#include "engine/design_types.h"
#include "engine/part_series.h"
#include "engine/section_design.h"
#include "engine/series_options.h"
#include "response/opamp_model.h"
#include "tools/designer/analysis_cli.h"
#include "tools/designer/cli_arguments.h"
#include "tools/designer/export_options.h"
#include "tools/designer/noise_options.h"
#include "tools/designer/tolerance_options.h"
#include "values/sheet_record.h"

namespace kelvara::tools {

struct SectionsOptions {
  std::string topology = "sallen-key";
  std::string gainText;        // --gain as typed
  std::string stageGainsText;  // --stage-gains as typed
  std::string stageOrder;      // --stage-order; empty: ascending-q
  // Read from the texts by SectionsRequested.
  std::optional<double> gain;
  std::vector<double> stageGains;
  // Set by the caller: --values series draws the parts from these series
  // (SectionsSeries), and --stop-after stops that search.
  const engine::PartSeries* series = nullptr;
  std::optional<int> stopAfter;
};

void AddSectionsOptions(CLI::App& app, SectionsOptions& options);

/// What else the command line asks for that the sections' design does not
/// take yet (each refused by name when the sections are designed).
struct OtherRequests {
  bool requirement = false;
};

/// Reads --gain and --stage-gains and says whether the design is one of
/// sections (any choice but the sheet's circuit at gain 1 without stage
/// options). Throws CliUsageError for a text that is not a number, and,
/// for a design of sections, for an option it does not take yet; with
/// --requirement (which takes --topology and --gain) for --stage-gains and
/// --stage-order.
bool SectionsRequested(const CLI::App& app, SectionsOptions& options, const OtherRequests& others);

/// What the design of sections is asked for, as the options give it.
struct SectionsJob {
  std::string cutoff;
  std::string kind;
  int order = 2;
  std::string response;
  std::string ripple;              // one of values::kRippleOptions
  std::vector<std::string> fixes;  // PART=VALUE
  bool json = false;
  const AnalysisOptions* analysis = nullptr;
  const NoiseOptions* noise = nullptr;
  response::OpAmpModel opAmp;  // the netlist's and the noise's
  double temperatureC = 25;
  const ExportOptions* exports = nullptr;
  /// --monte-carlo, --worst-case and their options (the progress is set here).
  ToleranceOptions* tolerance = nullptr;
};

/// The usage error of a combination without a design (HasDesignData
/// false): an odd order of Linkwitz-Riley, a Bessel HPF, a 0.25 dB Chebyshev
/// HPF below order 4.
std::string CombinationProblem(const engine::DesignRequest& request);

/// Whether the command line asks for --values series.
bool SeriesValuesRequested(const CLI::App& app);

/// The series a design of sections draws from: --cap-series, --res-series,
/// --r-min, --r-max, --c-min and --c-max where given; otherwise the
/// program's capacitor series, E24 resistors, and the sections' ranges
/// (engine::kSectionRMin..kSectionRMax, kSectionCMin..kSectionCMax). Throws
/// CliUsageError for a text that cannot be used.
const engine::PartSeries& SectionsSeries(const CLI::App& app, const engine::SeriesTexts& texts);

/// Designs the stages from `series` (engine::DesignSectionsFromSeries),
/// showing its progress on `err` when that is standard error and a
/// terminal; with stopAfter = N the stop flag is set inside the N-th
/// progress step (sections_series_cli.cpp).
engine::SectionsDesign RunSectionsSeries(const engine::PartSeries& series, const std::vector<engine::StagePlan>& plans,
                                         bool hpf, const engine::SectionFixes& fixes, std::optional<int> stopAfter,
                                         std::ostream& err);

/// The same of band-pass sections (engine::DesignBandPassFromSeries).
engine::BandPassDesign RunBandPassSeries(const engine::PartSeries& series,
                                         const std::vector<engine::BandPassSection>& sections,
                                         const engine::SectionFixes& fixes, std::optional<int> stopAfter,
                                         std::ostream& err);

/// Designs, prints and exports; the exit status (0 valid, 1 not valid, 3 a
/// file not written). Throws CliUsageError for a gain, stage gain or part
/// name the design cannot take.
int RunSections(const SectionsOptions& options, const SectionsJob& job, std::ostream& out, std::ostream& err);

/// What a design file's sheet of sections asks for, as the options that ask
/// for the same design (the window's 定数設定 of that sheet): its kind, circuit,
/// order, response, ripple, cut-off (a band-pass sheet's centre and
/// bandwidth), gain, stage gains and order, its fixed parts and whether it
/// takes the series. A sheet the window would refuse (its message) is a
/// CliUsageError naming the file.
struct SheetSectionsRequest {
  bool bandPass = false;
  std::string kind;  // lpf or hpf (a band-pass sheet: bpf)
  std::string cutoff;
  std::string bandwidth;
  int order = 2;
  std::string response;
  std::string ripple;
  std::string topology;  // mfb or sallen-key
  std::string gainText;
  double gain = 1;
  std::vector<double> stageGains;
  std::string stageOrder;          // empty: ascending-q
  std::vector<std::string> fixes;  // PART=VALUE
  bool series = false;
};
SheetSectionsRequest SheetSectionsRequestOf(const values::SheetRecord& record, const std::string& file);

}  // namespace kelvara::tools
