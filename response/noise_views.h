#pragma once

// Everything the noise and signal-level views of the analysis window show
// of one design: the noise densities of the total and of every source, the
// integral over the noise band with each source's share, the gain from the
// input to every op-amp output with the inputs the swing and slew limits
// allow, and the level report.

#include <vector>

#include "engine/design_types.h"
#include "response/noise.h"
#include "response/opamp_model.h"
#include "response/signal_levels.h"

namespace kelvara::response {

struct NoiseViews {
  NoiseCurves noise;   // densities at the window's frequencies
  NoiseReport report;  // over the default band of the design
  LevelCurves levels;  // op-amp output gains at the same frequencies
  LimitCurves limits;  // inputs the limits allow there
  LevelReport levelReport;
};

/// The views from fStart to fTop in steps of (1 + step).
NoiseViews ComputeNoiseViews(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                             const OpAmpModel& model, double temperatureC, double fStart, double fTop,
                             double step = 0.02);

}  // namespace kelvara::response
