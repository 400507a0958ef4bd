#include "tools/designer/headless_design.h"

#include "engine/run_sequence.h"
#include "engine/run_state.h"
#include "response/response.h"

namespace kelvara::tools {
namespace {

class HeadlessRun final : public engine::RunState {
 public:
  explicit HeadlessRun(std::optional<int> stopAfter) : stopAfter_(stopAfter) {}

  bool StopRequested() const override { return stop_; }
  void Warn(const std::string& caption, const std::string& text) override { warnings.push_back({caption, text}); }

  std::vector<Warning> warnings;

 protected:
  /// From here on progress steps count towards stopAfter.
  void DesignBegins() override { counting_ = true; }
  void ShowProgress(int) override {
    if (!counting_) return;
    ++steps_;
    if (stopAfter_ && steps_ >= *stopAfter_) stop_ = true;
  }

 private:
  std::optional<int> stopAfter_;
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
                               std::optional<int> stopAfter, const engine::PartSeries* series) {
  HeadlessRun run(stopAfter);
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

}  // namespace kelvara::tools
