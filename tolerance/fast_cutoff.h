#pragma once

// FindCutoff3dB, faster, with the same result bit for bit. The search walks
// exactly as FindCutoff3dB does and looks at the gain only through its
// comparisons with -3 dB; here each step first evaluates |1/H|^2 as a
// product of (1 - u)^2 + v per stage (multiplications only, see band.h) and
// decides from it when the gain is more than 1e-6 dB away from -3 dB (the
// two forms differ by rounding, below 1e-12 dB for Q up to 1000). Steps
// closer than that, stages of higher Q and values that are no number use
// ResponseDb itself.

#include <functional>

#include "response/response.h"

namespace kelvara::tolerance {

double FastCutoff3dB(const engine::DesignRequest& request, const response::ResponseStages& stages);

/// The walks of FindCutoff3dB on any gain (dB at a frequency), e.g. the
/// circuit's with a real op-amp.
double Cutoff3dBOf(const engine::DesignRequest& request, const std::function<double(double)>& gain);

}  // namespace kelvara::tolerance
