#include "response/opamp_views.h"

namespace kelvara::response {

std::optional<AnalysisViews> ComputeOpAmpViews(const DesignRequest& request, const ComponentSet& parts,
                                               const OpAmpModel& model, const AnalysisViews& ideal) {
  if (!SinglePoleOf(model)) return std::nullopt;
  AnalysisViews v;
  const OpAmpCircuit circuit = CircuitFromComponents(request, parts);
  const CircuitCurveSet curves = CircuitCurves(circuit, model, ideal.gain.x);
  v.gain = {ideal.gain.x, curves.gainDb};
  v.phase = {ideal.gain.x, curves.phaseDeg};
  v.delay = {ideal.gain.x, curves.delayS};
  const std::vector<double>& t = ideal.step.x;
  if (!t.empty()) {
    const CircuitTimeCurves time = CircuitTimeResponse(circuit, model, t.front(), t.back(), static_cast<int>(t.size()));
    v.step = {t, time.step};
    v.impulse = {t, time.impulse};
    v.diracWeight = time.diracWeight;
  }
  v.opAmpStages = AnalyseOpAmpStages(circuit, model);
  v.floor = FindStopbandFloor(circuit, model);
  return v;
}

}  // namespace kelvara::response
