// The summary of a whole response: -3 dB frequency, ripple edge and ripple
// reached (FindRippleEdge, from the exact extremes of cascade_extremes.cpp),
// attenuation at two frequencies of the stop band.

#include "response/analysis.h"

namespace kelvara::response {

ResponseSummary Summarize(const Cascade& cascade) {
  ResponseSummary summary;
  summary.minus3dbHz = FindCutoff3dB(cascade.request, cascade.stages);
  if (cascade.request.response == engine::kChebyshev) {
    if (const auto edge = FindRippleEdge(cascade)) {
      summary.rippleEdgeHz = edge->edgeHz;
      summary.rippleDb = edge->rippleDb;
    }
  }
  const double fc = cascade.request.cutoffHz;
  summary.nearHz = cascade.Hpf() ? fc / 2.0 : 2.0 * fc;
  summary.farHz = cascade.Hpf() ? fc / 10.0 : 10.0 * fc;
  summary.attenuationNearDb = -GainDb(cascade, summary.nearHz);
  summary.attenuationFarDb = -GainDb(cascade, summary.farHz);
  return summary;
}

}  // namespace kelvara::response
