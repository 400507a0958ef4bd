#include "response/signal_levels.h"

#include <algorithm>
#include <cmath>

#include "response/noise_transfer.h"

namespace kelvara::response {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kPointsPerDecade = 20;

// The log-frequency grid of a search: kPointsPerDecade points a decade.
std::vector<double> Grid(double lo, double hi) {
  const double ua = std::log10(lo), ub = std::log10(hi);
  const int n = std::max(2, static_cast<int>(std::ceil((ub - ua) * kPointsPerDecade)) + 1);
  std::vector<double> u(n);
  for (int i = 0; i < n; ++i) u[i] = i + 1 == n ? ub : ua + (ub - ua) * i / (n - 1);
  return u;
}

// The largest of g around grid point `best` (values on the grid of log10 f
// `u`): golden section between the neighbours. Returns (f, g(f)).
template <typename G>
std::pair<double, double> Refine(const std::vector<double>& u, const std::vector<double>& values, const G& g) {
  const int n = static_cast<int>(u.size());
  const int best = static_cast<int>(std::max_element(values.begin(), values.end()) - values.begin());
  double bestValue = values[best];
  double bestU = u[best];
  double a = u[std::max(best - 1, 0)], b = u[std::min(best + 1, n - 1)];
  const double ratio = 0.6180339887498949;
  double c = b - ratio * (b - a), d = a + ratio * (b - a);
  double gc = g(std::pow(10.0, c)), gd = g(std::pow(10.0, d));
  for (int it = 0; it < 100 && b - a > 1e-7; ++it) {
    if (gc > gd) {
      b = d;
      d = c;
      gd = gc;
      c = b - ratio * (b - a);
      gc = g(std::pow(10.0, c));
    } else {
      a = c;
      c = d;
      gc = gd;
      d = a + ratio * (b - a);
      gd = g(std::pow(10.0, d));
    }
  }
  if (std::max(gc, gd) > bestValue) {
    bestValue = std::max(gc, gd);
    bestU = gc > gd ? c : d;
  }
  return {std::pow(10.0, bestU), bestValue};
}

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

}  // namespace

LevelReport AnalyseLevels(const OpAmpCircuit& circuit, const OpAmpModel& model, const NoiseBand& band,
                          double noiseVrms) {
  LevelReport r;
  const auto [lo, hi] = GainRange(circuit);
  double highest = 0;
  const std::vector<double> u = Grid(lo, hi);
  std::vector<std::vector<double>> gains(circuit.stageCount, std::vector<double>(u.size()));
  for (std::size_t i = 0; i < u.size(); ++i) {
    const NoiseTransfers t = NoiseTransfersAt(circuit, model, std::pow(10.0, u[i]));
    for (int k = 0; k < circuit.stageCount; ++k) gains[k][i] = std::abs(t.stage[k]);
  }
  // A low-pass filter's outputs that fall from DC have their highest gain
  // there.
  const bool lpf = circuit.request.passKind == engine::kLpf;
  const NoiseTransfers dc = lpf ? NoiseTransfersAt(circuit, model, 0.0) : NoiseTransfers{};
  for (int k = 0; k < circuit.stageCount; ++k) {
    auto [f, g] = Refine(u, gains[k], [&](double x) { return std::abs(NoiseTransfersAt(circuit, model, x).stage[k]); });
    if (lpf && std::abs(dc.stage[k]) >= g) {
      f = 0;
      g = std::abs(dc.stage[k]);
    }
    r.stages.push_back({20 * std::log10(g), f});
    highest = std::max(highest, g);
  }
  const double swing = model.limits.swingVpp;
  if (swing > 0 && highest > 0) {
    r.maxInputVpp = swing / highest;
    const double outputRms = *r.maxInputVpp * PassbandGain(circuit, model) / (2 * std::sqrt(2.0));
    if (noiseVrms > 0) r.dynamicRangeDb = 20 * std::log10(outputRms / noiseVrms);
  }
  const double slew = model.limits.slewVPerUs * 1e6;  // V/s
  if (slew > 0 && band.loHz > 0 && band.hiHz > band.loHz) {
    auto slope = [&](double x) {
      const NoiseTransfers t = NoiseTransfersAt(circuit, model, x);
      double m = 0;
      for (int k = 0; k < circuit.stageCount; ++k) m = std::max(m, std::abs(t.stage[k]));
      return x * m;
    };
    const std::vector<double> ub = Grid(band.loHz, band.hiHz);
    std::vector<double> values(ub.size());
    for (std::size_t i = 0; i < ub.size(); ++i) values[i] = slope(std::pow(10.0, ub[i]));
    const double g = Refine(ub, values, slope).second;
    if (g > 0) r.slewMaxInputVpp = slew / (kPi * g);
  }
  return r;
}

LevelCurves ComputeLevelCurves(const OpAmpCircuit& circuit, const OpAmpModel& model,
                               const std::vector<double>& frequencies) {
  LevelCurves c;
  c.frequencyHz = frequencies;
  c.gainDb.assign(circuit.stageCount, std::vector<double>(frequencies.size(), 0.0));
  for (std::size_t i = 0; i < frequencies.size(); ++i) {
    const NoiseTransfers t = NoiseTransfersAt(circuit, model, frequencies[i]);
    for (int k = 0; k < circuit.stageCount; ++k) c.gainDb[k][i] = 20 * std::log10(std::abs(t.stage[k]));
  }
  return c;
}

LimitCurves ComputeLimitCurves(const OpAmpModel& model, const LevelCurves& levels) {
  LimitCurves l;
  const double swing = model.limits.swingVpp;
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
