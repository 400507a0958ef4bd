#pragma once

// Preferred-value searches: every stage of a design whose capacitors and
// resistors come from two series of preferred values (CapSeries and
// ResSeries unless another choice is given) is found by an exhaustive
// search over index ranges of the two series. The result is exactly that of
// the plain nested loops (same loop order, strict-less rule, ties to the
// earliest candidate); the loops are only pruned where a candidate provably
// cannot beat the best so far.

#include <cstdint>

#include "engine/design_types.h"
#include "engine/part_series.h"
#include "engine/run_state.h"
#include "engine/search_result.h"

namespace kelvara::engine {

/// A second-order stage as its search sees it: the targets, and which parts
/// are fixed at which value (the values of the other parts are not read).
struct SeriesStage {
  PassKind kind = kLpf;
  double q = 0.0;
  double omega = 0.0;
  double ra = 0.0;
  double rb = 0.0;
  double ca = 0.0;
  double cb = 0.0;
  bool raFixed = false;
  bool rbFixed = false;
  bool caFixed = false;
  bool cbFixed = false;

  int FixedCount() const { return int{raFixed} + int{rbFixed} + int{caFixed} + int{cbFixed}; }
};

/// The search of a stage with 0, 1 or 2 fixed parts, chosen by the fixed
/// parts in the order the stage functions test them. Before each pass of the
/// outermost loop it ends if the run's stop flag is set and otherwise makes
/// one StepProgress. A stage with 3 or 4 fixed parts has no search; it
/// returns an all-no-value result without touching the run, and so does a
/// stage when either series holds no value.
SearchResult SearchSeriesStage(RunState& run, const SeriesStage& stage, const PartSeries& series = DefaultPartSeries());

/// The first-order stage R1, C1 with both parts auto: C1 over the band
/// window, R1 over the whole series; starting best 0.1. Either series
/// empty: no search, no progress step.
SearchResult SearchFirstOrderFree(RunState& run, double omega, const PartSeries& series = DefaultPartSeries());

/// The first-order stage with one part fixed at `fixedValue`: the other part
/// over its whole series, one progress step per candidate.
SearchResult SearchFirstOrderOneFixed(RunState& run, double omega, bool resistorFixed, double fixedValue,
                                      const PartSeries& series = DefaultPartSeries());

/// The series a run's preferred-value design draws from.
const PartSeries& SeriesOfRun(const RunState& run);

/// Number of candidates the searches of the calling thread have scored with
/// the exact error formula so far (a running total; compare two readings).
std::uint64_t SeriesCandidatesEvaluated();

}  // namespace kelvara::engine
