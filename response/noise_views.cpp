#include "response/noise_views.h"

#include <cmath>

#include "response/noise_transfer.h"
#include "response/opamp_circuit.h"

namespace kelvara::response {

NoiseViews ComputeNoiseViews(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                             const OpAmpModel& model, double temperatureC, double fStart, double fTop, double step) {
  const OpAmpCircuit circuit = CircuitFromComponents(request, parts);
  std::vector<double> frequencies;
  for (double f = fStart; f <= fTop * (1 + step / 2) && frequencies.size() < 100000; f *= 1 + step)
    frequencies.push_back(f);
  NoiseViews v;
  // The densities and the op-amp output gains from one set of transfers a
  // frequency.
  const CircuitModel c = CircuitOf(circuit, model);
  const NoiseEvaluator e(c, temperatureC);
  const std::size_t n = frequencies.size();
  v.noise.frequencyHz = frequencies;
  v.noise.totalNv.assign(n, 0.0);
  v.noise.sourceNv.assign(e.Sources().size(), std::vector<double>(n, 0.0));
  v.levels.frequencyHz = frequencies;
  v.levels.gainDb.assign(circuit.stageCount, std::vector<double>(n, 0.0));
  std::vector<double> power;
  for (std::size_t i = 0; i < n; ++i) {
    const NoiseTransfers t = NoiseTransfersAt(c, frequencies[i]);
    e.Powers(t, frequencies[i], power);
    double total = 0;
    for (std::size_t s = 0; s < power.size(); ++s) {
      v.noise.sourceNv[s][i] = std::sqrt(power[s]) * 1e9;
      total += power[s];
    }
    v.noise.totalNv[i] = std::sqrt(total) * 1e9;
    for (int k = 0; k < circuit.stageCount; ++k) v.levels.gainDb[k][i] = 20 * std::log10(std::abs(t.stage[k]));
  }
  v.report = IntegrateNoise(c, temperatureC, DefaultNoiseBand(request));
  v.limits = ComputeLimitCurves(model, v.levels);
  v.levelReport = AnalyseLevels(circuit, model, v.report.band, v.report.totalVrms);
  return v;
}

}  // namespace kelvara::response
