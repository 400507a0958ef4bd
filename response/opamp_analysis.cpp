#include "response/opamp_analysis.h"

#include <cmath>
#include <functional>
#include <limits>

#include "engine/units.h"

namespace kelvara::response {
namespace {

using engine::kTwoPi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kPointsPerDecade = 40;
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

struct Extremum {
  int index;  // of the scan point, 0 .. points - 1
  double hz;
  double db;
  bool atLow = false;   // the scan's first point
  bool atHigh = false;  // its last point
};

// Scans value(f) at kPointsPerDecade from lo to hi and refines the largest
// (sign +1) or smallest (sign -1) interior point by golden sections in log f.
Extremum ScanAndRefine(double lo, double hi, double sign, const std::function<double(double)>& value) {
  if (!(lo > 0) || !(hi > lo) || !std::isfinite(hi)) return {0, kNaN, kNaN, true, true};
  const double decades = std::log10(hi / lo);
  const int points = static_cast<int>(std::ceil(decades * kPointsPerDecade)) + 1;
  const double step = decades / (points - 1);
  Extremum best{0, lo, value(lo)};
  for (int i = 1; i < points; ++i) {
    const double f = lo * std::pow(10.0, i * step);
    const double v = value(f);
    if (sign * v > sign * best.db) best = {i, f, v};
  }
  best.atLow = best.index == 0;
  best.atHigh = best.index == points - 1;
  if (best.atLow || best.atHigh) return best;
  double a = std::log10(best.hz) - step;
  double b = std::log10(best.hz) + step;
  const double r = 0.6180339887498949;
  double c = b - r * (b - a);
  double d = a + r * (b - a);
  double fc = sign * value(std::pow(10.0, c));
  double fd = sign * value(std::pow(10.0, d));
  while (b - a > 4.3e-11) {  // 1e-10 relative in f
    if (fc > fd) {
      b = d;
      d = c;
      fd = fc;
      c = b - r * (b - a);
      fc = sign * value(std::pow(10.0, c));
    } else {
      a = c;
      c = d;
      fc = fd;
      d = a + r * (b - a);
      fd = sign * value(std::pow(10.0, d));
    }
  }
  const double f = std::pow(10.0, (a + b) / 2);
  const double v = value(f);
  if (sign * v > sign * best.db) {
    best.hz = f;
    best.db = v;
  }
  return best;
}

}  // namespace

std::vector<OpAmpStageReport> AnalyseOpAmpStages(const OpAmpCircuit& circuit, const OpAmpModel& model) {
  const bool hpf = circuit.request.passKind == engine::kHpf;
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
      const Extremum e = ScanAndRefine(lo, hi, 1, [&](double f) { return StageDb(circuit, model, k, f); });
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
  const Extremum e = ScanAndRefine(from, kFloorTopHz, -1, [&](double f) { return CircuitGainDb(circuit, model, f); });
  if (e.atLow || e.atHigh || !std::isfinite(e.db)) return std::nullopt;
  return StopbandFloor{e.db, e.hz};
}

}  // namespace kelvara::response
