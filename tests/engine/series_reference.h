#pragma once

// The preferred-value searches as plain nested loops, each with its loop
// order, ranges and starting best and without any pruning: slow, obviously
// right, and the yardstick the engine's searches are compared with. Also a plain
// preferred-value design (drivers, stage functions and write-back) built on
// them, and a run state for tests and benchmarks.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/design_types.h"
#include "engine/run_state.h"
#include "engine/series_search.h"

namespace kelvara::reference {

/// Called after every completed pass of a search's outermost loop with the
/// best result so far: what a stop before the next pass would return.
using PassObserver = std::function<void(const engine::SearchResult&)>;

engine::SearchResult PlainSearchSeriesStage(engine::RunState& run, const engine::SeriesStage& stage,
                                            const PassObserver& afterPass = {},
                                            const engine::PartSeries& series = engine::DefaultPartSeries());
engine::SearchResult PlainSearchFirstOrderFree(engine::RunState& run, double omega, const PassObserver& afterPass = {},
                                               const engine::PartSeries& series = engine::DefaultPartSeries());
engine::SearchResult PlainSearchFirstOrderOneFixed(engine::RunState& run, double omega, bool resistorFixed,
                                                   double fixedValue, const PassObserver& afterPass = {},
                                                   const engine::PartSeries& series = engine::DefaultPartSeries());

/// A whole preferred-value design (request with both series chosen) in the
/// run's series: the same stages, progress values and write-back as the
/// engine, on the plain searches.
void PlainSeriesDesign(engine::RunState& run, const engine::StageTargets& targets, const engine::DesignRequest& request,
                       engine::ComponentSet& parts);

/// Candidates the plain searches of the calling thread have scored so far.
std::uint64_t PlainCandidatesEvaluated();

/// A run without a window. It counts its progress steps and, when asked,
/// sets its stop flag inside the N-th step (N >= 1); stopAfter 0 means the
/// flag is set from the start.
class ScriptedRun final : public engine::RunState {
 public:
  explicit ScriptedRun(std::optional<int> stopAfter = std::nullopt) : stopAfter_(stopAfter) {
    stop_ = stopAfter_ && *stopAfter_ <= 0;
  }

  bool StopRequested() const override { return stop_; }
  void Warn(const std::string& caption, const std::string& text) override { warnings.push_back(caption + text); }

  int steps = 0;
  std::vector<std::string> warnings;

 protected:
  void ShowProgress(int) override {
    ++steps;
    if (stopAfter_ && steps >= *stopAfter_) stop_ = true;
  }

 private:
  std::optional<int> stopAfter_;
  bool stop_ = false;
};

}  // namespace kelvara::reference
