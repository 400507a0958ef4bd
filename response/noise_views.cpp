#include "response/noise_views.h"

#include "response/opamp_circuit.h"

namespace kelvara::response {

NoiseViews ComputeNoiseViews(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                             const OpAmpModel& model, double temperatureC, double fStart, double fTop, double step) {
  const OpAmpCircuit circuit = CircuitFromComponents(request, parts);
  std::vector<double> frequencies;
  for (double f = fStart; f <= fTop * (1 + step / 2) && frequencies.size() < 100000; f *= 1 + step)
    frequencies.push_back(f);
  NoiseViews v;
  v.noise = ComputeNoiseCurves(circuit, model, temperatureC, frequencies);
  v.report = IntegrateNoise(circuit, model, temperatureC, DefaultNoiseBand(request));
  v.levels = ComputeLevelCurves(circuit, model, frequencies);
  v.limits = ComputeLimitCurves(model, v.levels);
  v.levelReport = AnalyseLevels(circuit, model, v.report.band, v.report.totalVrms);
  return v;
}

}  // namespace kelvara::response
