#include "tools/designer/sections_cli.h"

#include <string>

#include "engine/run_state.h"
#include "engine/section_series.h"
#include "tools/designer/cli_arguments.h"
#include "tools/designer/progress_display.h"
#include "tools/designer/series_cli.h"

namespace kelvara::tools {
namespace {

// The search's run: progress to the display, stop after N steps.
class SeriesRun final : public engine::RunState {
 public:
  SeriesRun(ProgressDisplay& display, int total, std::optional<int> stopAfter)
      : display_(display), total_(total), stopAfter_(stopAfter) {}

  bool StopRequested() const override { return stop_; }
  void Warn(const std::string&, const std::string&) override {}

 protected:
  void ShowProgress(int) override {
    ++steps_;
    if (total_ > 0) display_.Update("design", static_cast<double>(steps_) / total_);
    if (stopAfter_ && steps_ >= *stopAfter_) stop_ = true;
  }

 private:
  ProgressDisplay& display_;
  int total_;
  std::optional<int> stopAfter_;
  int steps_ = 0;
  bool stop_ = false;
};

}  // namespace

bool SeriesValuesRequested(const CLI::App& app) {
  return app.count("--values") > 0 && app.get_option("--values")->as<std::string>() == "series";
}

const engine::PartSeries& SectionsSeries(const CLI::App& app, const engine::SeriesTexts& texts) {
  engine::SeriesTexts t = texts;
  auto given = [&](const char* option) { return app.count(option) > 0; };
  if (!given("--res-series")) t.res = "E24";
  if (!given("--r-min")) t.rMin = "1k";
  if (!given("--r-max")) t.rMax = "1M";
  if (!given("--c-min")) t.cMin = "100p";
  if (!given("--c-max")) t.cMax = "1u";
  std::string problem;
  const engine::PartSeries* series = ChosenSeries(t, problem);
  if (series == nullptr) throw CliUsageError(problem);
  return *series;
}

engine::SectionsDesign RunSectionsSeries(const engine::PartSeries& series, const std::vector<engine::StagePlan>& plans,
                                         bool hpf, const engine::SectionFixes& fixes, std::optional<int> stopAfter,
                                         std::ostream& err) {
  ProgressDisplay display(err, &err == &std::cerr && StandardErrorIsTerminal(), ProgressDelay());
  SeriesRun run(display, engine::SectionsSeriesSteps(plans, hpf, fixes, series), stopAfter);
  engine::SectionsDesign design = engine::DesignSectionsFromSeries(run, plans, hpf, fixes, series);
  display.Finish();
  return design;
}

engine::BandPassDesign RunBandPassSeries(const engine::PartSeries& series,
                                         const std::vector<engine::BandPassSection>& sections,
                                         const engine::SectionFixes& fixes, std::optional<int> stopAfter,
                                         std::ostream& err) {
  ProgressDisplay display(err, &err == &std::cerr && StandardErrorIsTerminal(), ProgressDelay());
  SeriesRun run(display, engine::BandPassSeriesSteps(sections, fixes, series), stopAfter);
  engine::BandPassDesign design = engine::DesignBandPassFromSeries(run, sections, fixes, series);
  display.Finish();
  return design;
}

}  // namespace kelvara::tools
