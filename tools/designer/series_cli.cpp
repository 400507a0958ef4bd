#include "tools/designer/series_cli.h"

namespace kelvara::tools {

void AddSeriesOptions(CLI::App& app, engine::SeriesTexts& texts) {
  app.add_option("--cap-series", texts.cap,
                 "capacitor series of --values series: E6, E12, E24 (1 pF to 10 mF) or default "
                 "(1..9 pF, E12 to 82 nF, E6 to 1000 uF)")
      ->check(CLI::IsMember({"E6", "E12", "E24", "default"}));
  app.add_option("--res-series", texts.res,
                 "resistor series of --values series: E24, E48, E96, E192 (0.1 ohm to 10 Mohm) or default "
                 "(E24 from 0.47 ohm to 510 kohm)")
      ->check(CLI::IsMember({"E24", "E48", "E96", "E192", "default"}));
  app.add_option("--r-min", texts.rMin, "lowest resistor allowed, e.g. 1k (default 0.47)");
  app.add_option("--r-max", texts.rMax, "highest resistor allowed, e.g. 1M (default 510k)");
  app.add_option("--c-min", texts.cMin, "lowest capacitor allowed, e.g. 100p (default 1p)");
  app.add_option("--c-max", texts.cMax, "highest capacitor allowed, e.g. 1u (default 1000u)");
}

const engine::PartSeries* ChosenSeries(const engine::SeriesTexts& texts, std::string& message) {
  using P = engine::SeriesTextProblem;
  const engine::SeriesTextCheck check = engine::CheckSeriesTexts(texts);
  auto notValue = [](const char* option, const std::string& text) {
    return std::string(option) + ": '" + text + "' is not an engineering value above 0 (e.g. 4.7k, 100p)";
  };
  switch (check.problem) {
    case P::kNone:
      return &engine::PartSeriesOf(check.choice);
    case P::kCapSeries:
      message = "--cap-series: unknown series '" + texts.cap + "'";
      break;
    case P::kResSeries:
      message = "--res-series: unknown series '" + texts.res + "'";
      break;
    case P::kRMin:
      message = notValue("--r-min", texts.rMin);
      break;
    case P::kRMax:
      message = notValue("--r-max", texts.rMax);
      break;
    case P::kCMin:
      message = notValue("--c-min", texts.cMin);
      break;
    case P::kCMax:
      message = notValue("--c-max", texts.cMax);
      break;
    case P::kRRange:
      message = "--r-min (" + texts.rMin + ") is above --r-max (" + texts.rMax + ")";
      break;
    case P::kCRange:
      message = "--c-min (" + texts.cMin + ") is above --c-max (" + texts.cMax + ")";
      break;
  }
  return nullptr;
}

}  // namespace kelvara::tools
