#include "tools/designer/headless_design.h"

#include "engine/run_sequence.h"
#include "engine/run_state.h"
#include "response/response.h"
#include "values/eng_value.h"
#include "values/warning_sink.h"

namespace kelvara::tools {
namespace {

class HeadlessRun final : public engine::RunState {
 public:
  HeadlessRun(std::optional<int> stopAfter, const std::function<void(double)>& progress,
              const std::function<std::int64_t()>& clock)
      : stopAfter_(stopAfter), progress_(progress), clock_(clock) {}

  bool StopRequested() const override { return stop_; }
  std::int64_t ClockSeconds() const override { return clock_ ? clock_() : RunState::ClockSeconds(); }
  void Warn(const std::string& caption, const std::string& text) override { warnings.push_back({caption, text}); }

  std::vector<Warning> warnings;

 protected:
  /// From here on progress steps count towards stopAfter.
  void DesignBegins() override { counting_ = true; }
  void ShowProgressMaximum(int maximum) override { maximum_ = maximum; }
  void ShowProgress(int value) override {
    if (progress_ && maximum_ > 0) progress_(static_cast<double>(value) / maximum_);
    if (!counting_) return;
    ++steps_;
    if (stopAfter_ && steps_ >= *stopAfter_) stop_ = true;
  }

 private:
  std::optional<int> stopAfter_;
  const std::function<void(double)>& progress_;
  const std::function<std::int64_t()>& clock_;
  int maximum_ = 0;
  bool counting_ = false;
  bool stop_ = false;
  int steps_ = 0;
};

bool AllPartsPositive(const engine::ComponentSet& parts, int order) {
  for (int i = 0; i < order; ++i) {
    if (!(parts.r[i] > 0) || !(parts.c[i] > 0)) return false;
  }
  return true;
}

}  // namespace

DesignReport RunHeadlessDesign(const engine::DesignRequest& request, const engine::PartInputs& inputs,
                               std::optional<int> stopAfter, const engine::PartSeries* series,
                               const std::function<void(double fraction)>& progress,
                               const std::function<std::int64_t()>& clock) {
  HeadlessRun run(stopAfter, progress, clock);
  run.partSeries = series;
  engine::RunData data;
  data.request = request;
  data.inputs = inputs;
  engine::RunDesignSequence(run, data);
  DesignReport report;
  report.order = request.Order();
  report.parts = data.parts;
  report.valid = run.valid;
  report.progress = run.progress;
  report.warnings = std::move(run.warnings);
  if (report.valid && AllPartsPositive(report.parts, report.order)) {
    report.minus3dbHz = response::FindCutoff3dB(request, response::StagesFromComponents(request, report.parts));
  }
  return report;
}

DesignReport AsShown(const engine::DesignRequest& request, const engine::PartInputs& inputs,
                     const DesignReport& report) {
  if (!report.valid) return report;
  engine::PartInputs shown = inputs;
  for (int i = 0; i < report.order; ++i) {
    shown.r[i].text = values::FormatResistanceDisplay(report.parts.r[i]);
    shown.c[i].text = values::FormatCapacitance(report.parts.c[i]);
  }
  struct Quiet : values::WarningSink {
    void Warn(const std::string&, const std::string&) override {}
  } quiet;
  DesignReport analysed = report;
  response::ReadComponentValues(quiet, request, shown, analysed.parts);
  analysed.minus3dbHz.reset();
  if (AllPartsPositive(analysed.parts, analysed.order)) {
    analysed.minus3dbHz = response::FindCutoff3dB(request, response::StagesFromComponents(request, analysed.parts));
  }
  return analysed;
}

}  // namespace kelvara::tools
