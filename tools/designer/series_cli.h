#pragma once

// The options of kelvara-design that choose the preferred-value series and
// their ranges: --cap-series, --res-series, --r-min, --r-max, --c-min,
// --c-max. Without them a design uses the program's own series.

#include <CLI/CLI.hpp>
#include <string>

#include "engine/part_series.h"
#include "engine/series_options.h"

namespace kelvara::tools {

/// Adds the options to `app`; they write into `texts`.
void AddSeriesOptions(CLI::App& app, engine::SeriesTexts& texts);

/// The series the texts choose, or nullptr with `message` saying what is
/// wrong (for a usage error).
const engine::PartSeries* ChosenSeries(const engine::SeriesTexts& texts, std::string& message);

}  // namespace kelvara::tools
