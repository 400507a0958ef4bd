#include "tolerance/fast_cutoff.h"

#include "response/cutoff_search.h"
#include "response/inverse_power.h"

namespace kelvara::tolerance {

double FastCutoff3dB(const engine::DesignRequest& request, const response::ResponseStages& stages) {
  return response::FastCutoff3dB(request, stages);
}

double Cutoff3dBOf(const engine::DesignRequest& request, const std::function<double(double)>& gain) {
  return response::SearchCutoff3dB(request.passKind == engine::kHpf, gain);
}

}  // namespace kelvara::tolerance
