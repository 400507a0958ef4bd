#include "engine/series_options.h"

#include "values/eng_value.h"

namespace kelvara::engine {

SeriesTextCheck CheckSeriesTexts(const SeriesTexts& texts) {
  SeriesTextCheck check;
  SeriesChoice c;
  auto fail = [&](SeriesTextProblem p) {
    check.problem = p;
    return check;
  };
  if (!ParseCapSeriesName(texts.cap, c.cap)) return fail(SeriesTextProblem::kCapSeries);
  if (!ParseResSeriesName(texts.res, c.res)) return fail(SeriesTextProblem::kResSeries);
  // A value must be above 0 and finite; ParseEngValue gives 0 for anything
  // unreadable.
  auto read = [](const std::string& text, double& value) {
    value = values::ParseEngValue(text);
    return value > 0.0 && value < 1e300;
  };
  if (!read(texts.rMin, c.rMin)) return fail(SeriesTextProblem::kRMin);
  if (!read(texts.rMax, c.rMax)) return fail(SeriesTextProblem::kRMax);
  if (!read(texts.cMin, c.cMin)) return fail(SeriesTextProblem::kCMin);
  if (!read(texts.cMax, c.cMax)) return fail(SeriesTextProblem::kCMax);
  if (c.rMin > c.rMax) return fail(SeriesTextProblem::kRRange);
  if (c.cMin > c.cMax) return fail(SeriesTextProblem::kCRange);
  check.choice = c;
  return check;
}

}  // namespace kelvara::engine
