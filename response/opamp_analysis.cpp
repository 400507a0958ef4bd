#include "response/opamp_analysis.h"

#include <cmath>
#include <complex>
#include <limits>
#include <utility>
#include <vector>

#include "engine/units.h"
#include "response/circuit.h"
#include "response/output_extremes.h"

namespace kelvara::response {
namespace {

using engine::kTwoPi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kFloorTopHz = 1e9;

// Gain in dB of an ideal section of natural frequency f0 (Hz).
double IdealSectionDb(bool hpf, bool firstOrder, double f0, double q, double f) {
  const double x = hpf ? f0 / f : f / f0;
  const double m = firstOrder ? 1 / std::sqrt(x * x + 1) : 1 / std::sqrt((1 - x * x) * (1 - x * x) + (x / q) * (x / q));
  return 20 * std::log10(m);
}

double StageDb(const OpAmpCircuit& circuit, const OpAmpModel& model, int k, double f) {
  return 20 * std::log10(std::abs(SolveCircuit(circuit, model, f).stage[k]));
}

// The gain in dB of stage k alone (its output over its input, loaded as
// drawn; k = -1: the whole cascade) and its slope d ln|H| / d ln f, from
// the drawn circuit's solve: the value is StageDb's (or CircuitGainDb's).
std::pair<double, double> Sample(const OpAmpCircuit& circuit, const OpAmpModel& model, int k, double f) {
  const CircuitResponse r = SolveCircuit(circuit, model, f);
  const std::complex<double> h = k < 0 ? r.h : r.stage[k];
  const std::complex<double> log = k < 0 ? r.logDerivative : r.stageLogDerivative[k];
  return {20 * std::log10(std::abs(h)), -kTwoPi * f * log.imag()};
}

// The highest (or lowest) of one quantity over [lo, hi] by the bracketed
// walk of output_extremes.h on `sample` (value and slope from the solve),
// its value then taken by `exact` (the view's own evaluation) where it was
// found, and whether it lies at an end of the range.
struct Extremum {
  double hz = kNaN;
  double db = kNaN;
  bool atLow = true;
  bool atHigh = true;
};

template <typename Sample, typename Exact>
Extremum Extreme(const WalkGrid& grid, double lo, double hi, bool lowest, const Sample& sample, const Exact& exact) {
  if (!(lo > 0) || !(hi > lo) || !std::isfinite(hi)) return {};
  const OutputPeak p = WalkExtreme(lo, hi, grid, lowest, sample);
  return {p.hz, exact(p.hz), p.hz == lo, p.hz == hi};
}

}  // namespace

std::vector<OpAmpStageReport> AnalyseOpAmpStages(const OpAmpCircuit& circuit, const OpAmpModel& model) {
  const bool hpf = circuit.request.passKind == engine::kHpf;
  // The walk's steps (the sections' Q) once; each stage takes its fine
  // steps around its own resonance.
  const WalkGrid cascadeGrid = model.ideal ? WalkGrid{} : WalkGridOf(CircuitOf(circuit, model));
  std::vector<OpAmpStageReport> out;
  for (int k = 0; k < circuit.stageCount; ++k) {
    OpAmpStageReport s;
    s.firstOrder = circuit.stages[k].firstOrder;
    s.f0Hz = circuit.ideal.omega[k] / kTwoPi;
    s.q = s.firstOrder ? 0 : circuit.ideal.q[k];
    s.gbwMinHz = kGbwMarginFactor * s.f0Hz * (s.firstOrder ? 1.0 : s.q);
    s.gbwMet = model.ideal || model.gbwHz >= s.gbwMinHz;
    const double idealAtF0 = IdealSectionDb(hpf, s.firstOrder, s.f0Hz, s.q, s.f0Hz);
    s.gainErrorDbAtF0 = model.ideal ? 0.0 : StageDb(circuit, model, k, s.f0Hz) - idealAtF0;

    const bool peaks = !s.firstOrder && s.q > 1 / std::sqrt(2.0);
    if (peaks) {
      const double root = std::sqrt(1 - 1 / (2 * s.q * s.q));
      s.idealPeakHz = hpf ? s.f0Hz / root : s.f0Hz * root;
      s.idealPeakDb = 20 * std::log10(s.q / std::sqrt(1 - 1 / (4 * s.q * s.q)));
    } else {
      s.idealPeakHz = hpf ? kNaN : 0.0;
      s.idealPeakDb = hpf ? kNaN : 0.0;
    }
    if (model.ideal) {
      s.peakHz = s.idealPeakHz;
      s.peakDb = s.idealPeakDb;
    } else {
      const double lo = s.f0Hz / 1000, hi = s.f0Hz * 1000;
      WalkGrid grid = cascadeGrid;
      grid.fineLoHz = s.f0Hz / 8;
      grid.fineHiHz = s.f0Hz * 8;
      const Extremum e = Extreme(
          grid, lo, hi, false, [&](double f) { return Sample(circuit, model, k, f); },
          [&](double f) { return StageDb(circuit, model, k, f); });
      if (!e.atLow && !e.atHigh) {
        s.peakHz = e.hz;
        s.peakDb = e.db;
      } else if (!hpf && e.atLow) {
        s.peakHz = 0;
        s.peakDb = StageDb(circuit, model, k, s.f0Hz * 1e-9);
      } else {
        s.peakHz = s.peakDb = kNaN;
      }
    }
    s.peakShiftHz = s.peakHz - s.idealPeakHz;
    out.push_back(s);
  }
  return out;
}

std::optional<StopbandFloor> FindStopbandFloor(const OpAmpCircuit& circuit, const OpAmpModel& model) {
  if (model.ideal || circuit.request.passKind == engine::kHpf || circuit.stageCount == 0) return std::nullopt;
  double from = 0;
  for (int k = 0; k < circuit.stageCount; ++k) from = std::fmax(from, circuit.ideal.omega[k] / kTwoPi);
  if (!(from > 0) || !(from < kFloorTopHz)) return std::nullopt;
  const CircuitModel drawn = CircuitOf(circuit, model);
  const Extremum e = Extreme(
      WalkGridOf(drawn), from, kFloorTopHz, true, [&](double f) { return Sample(circuit, model, -1, f); },
      [&](double f) { return CircuitGainDb(circuit, model, f); });
  if (e.atLow || e.atHigh || !std::isfinite(e.db)) return std::nullopt;
  return StopbandFloor{e.db, e.hz};
}

}  // namespace kelvara::response
