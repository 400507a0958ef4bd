#pragma once

// kelvara-design --kind bpf: a band-pass filter of multiple-feedback
// sections (engine/bandpass.h) by centre (--center) and bandwidth
// (--bandwidth), of an even order 2..8 and any response; its parts, its
// sections' targets and figures (--analysis, with the band edges, the
// bandwidth and the ripple measured on the exact gain), its netlist
// (--spice), its noise and levels; its parts from preferred values
// (--values series, every part of every section by the exhaustive search of
// engine/section_series.h), and its tolerance analysis (--monte-carlo,
// --worst-case, the yield against --mask fs1,fp1,fp2,fs2,ap,as).

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/part_series.h"
#include "response/bandpass.h"
#include "response/opamp_model.h"
#include "tools/designer/analysis_cli.h"
#include "tools/designer/export_options.h"
#include "tools/designer/noise_options.h"
#include "tools/designer/tolerance_options.h"

namespace kelvara::tools {

struct BandPassOptions {
  std::string center;     // --center as typed
  std::string bandwidth;  // --bandwidth as typed
};

void AddBandPassOptions(CLI::App& app, BandPassOptions& options);

/// Whether the command line asks for a band-pass design; throws
/// CliUsageError for --center or --bandwidth without --kind bpf, and for a
/// band-pass design without both, with --cutoff, of an odd order, or with
/// an option it does not take.
bool BandPassRequested(const CLI::App& app, const BandPassOptions& options, const std::string& kind, int order,
                       const std::string& maskText = {});

/// --mask fs1,fp1,fp2,fs2,ap,as of a band-pass design (frequencies as
/// engineering texts, dB as numbers); throws CliUsageError for a text that
/// does not read or edges out of order.
response::BandPassMask BandPassMaskOf(const std::string& text);

struct BandPassJob {
  int order = 2;
  int response = 0;
  int rippleIndex = 0;
  std::optional<double> gain;  // at the centre (magnitude); none: 1
  bool json = false;
  const AnalysisOptions* analysis = nullptr;
  const NoiseOptions* noise = nullptr;
  response::OpAmpModel opAmp;
  double temperatureC = 25;
  const ExportOptions* exports = nullptr;
  std::string mask;                // --mask as typed; empty: none
  std::vector<std::string> fixes;  // --fix PART=VALUE: capacitors only
  /// --values series: every free part from these series (SectionsSeries),
  /// --stop-after N stopping that search; none: the exact design.
  const engine::PartSeries* series = nullptr;
  std::optional<int> stopAfter;
  /// --monte-carlo, --worst-case and their options (the progress is set here).
  ToleranceOptions* tolerance = nullptr;
};

/// Designs, prints and exports; the exit status (0 valid, 1 not valid, 3 a
/// file not written).
int RunBandPass(const BandPassOptions& options, const BandPassJob& job, std::ostream& out, std::ostream& err);

}  // namespace kelvara::tools
