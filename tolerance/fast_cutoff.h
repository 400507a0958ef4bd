#pragma once

// The -3 dB searches of the tolerance runs, as the response library gives
// them (response/inverse_power.h, response/cutoff_search.h).

#include <functional>

#include "response/response.h"

namespace kelvara::tolerance {

/// FindCutoff3dB, faster, with the same result bit for bit
/// (response::FastCutoff3dB).
double FastCutoff3dB(const engine::DesignRequest& request, const response::ResponseStages& stages);

/// The walks of FindCutoff3dB on any gain (dB at a frequency), e.g. the
/// circuit's with a real op-amp.
double Cutoff3dBOf(const engine::DesignRequest& request, const std::function<double(double)>& gain);

}  // namespace kelvara::tolerance
