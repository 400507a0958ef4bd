#pragma once

// The preferred-value design of sections as a plain loop: every free part
// of a stage over its whole series (in range), the parts nested in layout
// order with the first outermost, each candidate scored with
// engine::StageSeriesScore and kept by the strict-less rule from
// kSectionSeriesLimit. Slow and obviously exhaustive: the yardstick of
// engine::DesignSectionsFromSeries.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/bandpass.h"
#include "engine/part_series.h"
#include "engine/section_design.h"

namespace kelvara::reference {

struct PlainStageResult {
  bool found = false;
  double score = 0;            // the best score, when found
  std::vector<double> values;  // layout order; free parts 0 when not found
};

PlainStageResult PlainSectionStage(const engine::StagePlan& plan, bool hpf,
                                   const std::vector<std::optional<double>>& fix, const engine::PartSeries& series);

/// Every stage of a design by PlainSectionStage.
std::vector<PlainStageResult> PlainSectionsFromSeries(const std::vector<engine::StagePlan>& plans, bool hpf,
                                                      const engine::SectionFixes& fixes,
                                                      const engine::PartSeries& series);

/// A band-pass section (R1, R2, R3, C1, C2) by the same plain loop, scored
/// with engine::BandPassSeriesScore.
PlainStageResult PlainBandPassSection(const engine::BandPassSection& target,
                                      const std::vector<std::optional<double>>& fix, const engine::PartSeries& series);

/// Candidates the plain loops of the calling thread have scored so far.
std::uint64_t PlainSectionCandidates();

}  // namespace kelvara::reference
