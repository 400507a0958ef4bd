#pragma once

// A series choice as the user writes it: the names of the two series and
// the four limits as engineering texts ("1k", "100p"), checked.

#include <string>

#include "engine/part_series.h"

namespace kelvara::engine {

struct SeriesTexts {
  std::string cap = "default";
  std::string res = "default";
  std::string rMin = "0.47";
  std::string rMax = "510k";
  std::string cMin = "1p";
  std::string cMax = "1000u";

  bool operator==(const SeriesTexts&) const = default;
};

/// What is wrong with a SeriesTexts, the first problem in this order.
enum class SeriesTextProblem {
  kNone,
  kCapSeries,  // not a capacitor series name
  kResSeries,  // not a resistor series name
  kRMin,       // not an engineering value above 0
  kRMax,
  kCMin,
  kCMax,
  kRRange,  // lowest resistor above the highest
  kCRange,  // lowest capacitor above the highest
};

struct SeriesTextCheck {
  SeriesChoice choice;  // the default choice unless problem is kNone
  SeriesTextProblem problem = SeriesTextProblem::kNone;
};

/// Reads the texts. Series names as CapSeriesName / ResSeriesName give them;
/// a limit must be an engineering value above 0 (ParseEngValue).
SeriesTextCheck CheckSeriesTexts(const SeriesTexts& texts);

}  // namespace kelvara::engine
