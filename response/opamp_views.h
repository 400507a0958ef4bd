#pragma once

// Everything the analysis window shows of a real op-amp beside the ideal
// views: the real curves on the same frequencies and times, what each
// stage asks of the op-amp and the low-pass stop-band floor.

#include <optional>
#include <vector>

#include "response/opamp_analysis.h"
#include "response/opamp_time.h"
#include "response/views.h"

namespace kelvara::response {

/// The real op-amp's views of the design (the curves, the stages' demands
/// and the stop-band floor), on the abscissae of its ideal views (the time
/// curves need equally spaced times, as ComputeViews gives). None for the
/// ideal op-amp: its views are `ideal` themselves.
std::optional<AnalysisViews> ComputeOpAmpViews(const DesignRequest& request, const ComponentSet& parts,
                                               const OpAmpModel& model, const AnalysisViews& ideal);

}  // namespace kelvara::response
