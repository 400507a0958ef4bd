#pragma once

// kelvara-design's --values series for a design of sections: the series
// and ranges the parts are drawn from, and the search's run with its
// progress on a terminal and --stop-after.

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <vector>

#include "engine/part_series.h"
#include "engine/section_design.h"
#include "engine/series_options.h"

namespace kelvara::tools {

/// Whether the command line asks for --values series.
bool SeriesValuesRequested(const CLI::App& app);

/// The series a design of sections draws from: --cap-series, --res-series,
/// --r-min, --r-max, --c-min and --c-max where given; otherwise the
/// program's capacitor series, E24 resistors, and the sections' ranges
/// (engine::kSectionRMin..kSectionRMax, kSectionCMin..kSectionCMax). Throws
/// CliUsageError for a text that cannot be used.
const engine::PartSeries& SectionsSeries(const CLI::App& app, const engine::SeriesTexts& texts);

/// Designs the stages from `series` (engine::DesignSectionsFromSeries),
/// showing its progress on `err` when that is a terminal; with stopAfter = N
/// the stop flag is set inside the N-th progress step.
engine::SectionsDesign RunSectionsSeries(const engine::PartSeries& series, const std::vector<engine::StagePlan>& plans,
                                         bool hpf, const engine::SectionFixes& fixes, std::optional<int> stopAfter,
                                         std::ostream& err);

}  // namespace kelvara::tools
