#include "response/signal_levels.h"

#include <algorithm>
#include <cmath>

#include "response/noise_transfer.h"
#include "response/output_extremes.h"

namespace kelvara::response {
namespace {

constexpr double kPi = 3.141592653589793;

// The search range of the highest gains.
std::pair<double, double> GainRange(const OpAmpCircuit& c) {
  double lo = 1e300, hi = 0;
  for (int k = 0; k < c.stageCount; ++k) {
    const double f0 = c.ideal.omega[k] / (2 * kPi);
    lo = std::min(lo, f0);
    hi = std::max(hi, f0);
  }
  if (!(hi > 0)) return {0.1, 1e9};
  return {std::max(lo / 1000, 0.1), std::min(hi * 1000, 1e9)};
}

// The same from the sections' own frequencies, for a circuit of any sections.
std::pair<double, double> GainRange(const CircuitModel& c) {
  double lo = 1e300, hi = 0;
  for (const Section& s : c.sections) {
    const double f0 = s.Figures().omega / (2 * kPi);
    lo = std::min(lo, f0);
    hi = std::max(hi, f0);
  }
  if (!(hi > 0)) return {0.1, 1e9};
  return {std::max(lo / 1000, 0.1), std::min(hi * 1000, 1e9)};
}

// The levels of the circuit `c` with its highest gains searched over [lo,
// hi]; `passbandGain` is the filter's (the dynamic range's output).
LevelReport LevelsOf(const CircuitModel& c, double lo, double hi, bool lpf, const OpAmpModel& model,
                     const NoiseBand& band, double noiseVrms, double passbandGain) {
  LevelReport r;
  // A low-pass filter's outputs that fall from DC have their highest gain
  // there.
  double highest = 0;
  for (const OutputPeak& peak : HighestAtOutputs(c, lo, hi, PeakOf::kGain, lpf)) {
    r.stages.push_back({20 * std::log10(peak.value), peak.hz});
    highest = std::max(highest, peak.value);
  }
  r.swing = UsedSwingOf(model.limits);
  const double swing = r.swing.vpp;
  if (swing > 0 && highest > 0) r.maxInputVpp = swing / highest;
  const double slew = model.limits.slewVPerUs * 1e6;  // V/s
  if (slew > 0 && band.loHz > 0 && band.hiHz > band.loHz) {
    double g = 0;
    for (const OutputPeak& peak : HighestAtOutputs(c, band.loHz, band.hiHz, PeakOf::kSlope, false))
      g = std::max(g, peak.value);
    if (g > 0) r.slewMaxInputVpp = slew / (kPi * g);
  }
  // The largest undistorted input is the smaller of the two limits.
  if (r.maxInputVpp && (!r.slewMaxInputVpp || *r.maxInputVpp <= *r.slewMaxInputVpp)) {
    r.undistortedInputVpp = r.maxInputVpp;
    r.limitedBy = InputLimit::kSwing;
  } else if (r.slewMaxInputVpp) {
    r.undistortedInputVpp = r.slewMaxInputVpp;
    r.limitedBy = InputLimit::kSlew;
  }
  if (r.maxInputVpp && r.undistortedInputVpp && noiseVrms > 0) {
    const double outputRms = *r.undistortedInputVpp * passbandGain / (2 * std::sqrt(2.0));
    r.dynamicRangeDb = 20 * std::log10(outputRms / noiseVrms);
  }
  return r;
}

}  // namespace

LevelReport AnalyseLevels(const OpAmpCircuit& circuit, const OpAmpModel& model, const NoiseBand& band,
                          double noiseVrms) {
  const CircuitModel c = CircuitOf(circuit, model);
  const auto [lo, hi] = GainRange(circuit);
  return LevelsOf(c, lo, hi, circuit.request.passKind == engine::kLpf, model, band, noiseVrms,
                  PassbandGain(circuit, model));
}

LevelReport AnalyseLevels(const CircuitModel& circuit, const NoiseBand& band, double noiseVrms) {
  const auto [lo, hi] = GainRange(circuit);
  return LevelsOf(circuit, lo, hi, !circuit.Hpf(), circuit.opAmp, band, noiseVrms, PassbandGain(circuit));
}

LevelCurves ComputeLevelCurves(const OpAmpCircuit& circuit, const OpAmpModel& model,
                               const std::vector<double>& frequencies) {
  return ComputeLevelCurves(CircuitOf(circuit, model), frequencies);
}

LevelCurves ComputeLevelCurves(const CircuitModel& circuit, const std::vector<double>& frequencies) {
  LevelCurves c;
  c.frequencyHz = frequencies;
  const int stages = circuit.StageCount();
  c.gainDb.assign(stages, std::vector<double>(frequencies.size(), 0.0));
  for (std::size_t i = 0; i < frequencies.size(); ++i) {
    const NoiseTransfers t = NoiseTransfersAt(circuit, frequencies[i]);
    for (int k = 0; k < stages; ++k) c.gainDb[k][i] = 20 * std::log10(std::abs(t.stage[k]));
  }
  return c;
}

LimitCurves ComputeLimitCurves(const OpAmpModel& model, const LevelCurves& levels) {
  LimitCurves l;
  const double swing = UsedSwingOf(model.limits).vpp;
  const double slew = model.limits.slewVPerUs * 1e6;
  for (std::size_t i = 0; i < levels.frequencyHz.size(); ++i) {
    double highestDb = -1e300;
    for (const std::vector<double>& g : levels.gainDb) highestDb = std::max(highestDb, g[i]);
    const double gain = std::pow(10.0, highestDb / 20);
    if (swing > 0) l.swingVpp.push_back(swing / gain);
    if (slew > 0) l.slewVpp.push_back(slew / (kPi * levels.frequencyHz[i] * gain));
  }
  return l;
}

}  // namespace kelvara::response
