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

struct OpAmpViews {
  Curve gain;   // dB
  Curve phase;  // degrees, unwrapped
  Curve delay;  // seconds
  Curve step;
  Curve impulse;  // without the Dirac impulse at t = 0
  double diracWeight = 0;
  std::vector<OpAmpStageReport> stages;
  std::optional<StopbandFloor> floor;
};

/// The real op-amp's views of the design, on the abscissae of its ideal
/// views (the time curves need equally spaced times, as ComputeViews gives).
OpAmpViews ComputeOpAmpViews(const DesignRequest& request, const ComponentSet& parts, const OpAmpModel& model,
                             const AnalysisViews& ideal);

}  // namespace kelvara::response
