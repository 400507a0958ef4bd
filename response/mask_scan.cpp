// The mask test of one trial by a scan of its bands (MeetsMask decides from
// the gain's stationary points where it can, mask_extremes.h, and scans
// otherwise; the tests hold the two against each other). With a real
// op-amp each band's extremes are found by the bracketed walk of the exact
// slope (output_extremes.h). With ideal stages whose values the stationary
// points cannot take, the gain is not sampled at a few points only:
// each band is walked on a logarithmic grid of 2 % steps, and every local
// extreme found on the grid (and the cell at each end) is refined by a
// golden-section search to a relative width of 1e-12 in frequency, so the band's extreme gain is found
// to within rounding (a stage of Q 10 is about 10 % wide at its peak, five
// grid steps).
//
// Where the bands end: for an LPF every factor of the cascade falls for
// frequencies above the highest stage f0 (all x > 1), so the highest gain of
// the stop band lies between stopHz and the highest stage f0 (or at stopHz);
// below passHz / 1000 the gain differs from 0 dB by less than 1e-5 dB. The
// HPF mirrors both.

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "engine/stage_maths.h"
#include "engine/units.h"
#include "response/circuit.h"
#include "response/gain_mask.h"
#include "response/mask_extremes.h"
#include "response/opamp_circuit.h"
#include "response/output_extremes.h"

namespace kelvara::response {
namespace {

constexpr double kGridRatio = 1.02;
constexpr double kFlatDecades = 1000;
constexpr double kGolden = 0.6180339887498949;

struct Extremes {
  double low = 0;
  double high = 0;
};

// Extreme of g on [a, b] (log-frequency golden section); sign +1 for a
// maximum, -1 for a minimum.
double Refine(const std::function<double(double)>& g, double a, double b, double sign) {
  double la = std::log(a), lb = std::log(b);
  double l1 = lb - kGolden * (lb - la), l2 = la + kGolden * (lb - la);
  double g1 = sign * g(std::exp(l1)), g2 = sign * g(std::exp(l2));
  while (lb - la > 1e-12) {
    if (g1 >= g2) {
      lb = l2;
      l2 = l1;
      g2 = g1;
      l1 = lb - kGolden * (lb - la);
      g1 = sign * g(std::exp(l1));
    } else {
      la = l1;
      l1 = l2;
      g1 = g2;
      l2 = la + kGolden * (lb - la);
      g2 = sign * g(std::exp(l2));
    }
  }
  return sign * std::max(g1, g2);
}

// Lowest and highest gain on [fLow, fHigh].
Extremes BandExtremes(const std::function<double(double)>& g, double fLow, double fHigh) {
  std::vector<double> f;
  for (double x = fLow; x < fHigh; x *= kGridRatio) f.push_back(x);
  f.push_back(fHigh);
  std::vector<double> v(f.size());
  for (std::size_t i = 0; i < f.size(); ++i) v[i] = g(f[i]);
  for (const double x : v) {
    if (std::isnan(x)) return {x, x};
  }
  Extremes e{v[0], v[0]};
  for (std::size_t i = 0; i < v.size(); ++i) {
    e.low = std::min(e.low, v[i]);
    e.high = std::max(e.high, v[i]);
    if (i == 0 || i + 1 == v.size()) continue;
    if (v[i] >= v[i - 1] && v[i] >= v[i + 1]) e.high = std::max(e.high, Refine(g, f[i - 1], f[i + 1], 1));
    if (v[i] <= v[i - 1] && v[i] <= v[i + 1]) e.low = std::min(e.low, Refine(g, f[i - 1], f[i + 1], -1));
  }
  // An extreme inside the first or the last cell leaves no local extreme on
  // the grid (the end sample is the highest or lowest of its cell): refine
  // the end cells towards what their ends show.
  const std::size_t n = v.size();
  if (n >= 2) {
    if (v[0] >= v[1]) e.high = std::max(e.high, Refine(g, f[0], f[1], 1));
    if (v[0] <= v[1]) e.low = std::min(e.low, Refine(g, f[0], f[1], -1));
    if (v[n - 1] >= v[n - 2]) e.high = std::max(e.high, Refine(g, f[n - 2], f[n - 1], 1));
    if (v[n - 1] <= v[n - 2]) e.low = std::min(e.low, Refine(g, f[n - 2], f[n - 1], -1));
  }
  return e;
}

// The decision from each band's extremes: extreme(lo, hi, lowest) gives
// the gain's lowest or highest in dB on [lo, hi] (NaN for a band that is
// none). A real op-amp or a circuit of other sections lets the input
// through at high frequencies, so the gain of an LPF may rise again: the
// stop band is searched over three decades from stopHz (an HPF's down from
// stopHz), the pass band from passHz / 1000 (up to passHz * 1000).
bool BandsMeetMask(bool hpf, const GainMask& mask, const std::function<double(double, double, bool)>& extreme) {
  auto band = [&](double lo, double hi, bool lowest) {
    if (!(lo > 0) || !(hi > lo) || !std::isfinite(hi)) return std::nan("");
    return extreme(lo, hi, lowest);
  };
  const double passLo = hpf ? mask.passHz : mask.passHz / kFlatDecades;
  const double passHi = hpf ? mask.passHz * kFlatDecades : mask.passHz;
  const double stopLo = hpf ? mask.stopHz / kFlatDecades : mask.stopHz;
  const double stopHi = hpf ? mask.stopHz : mask.stopHz * kFlatDecades;
  // Written so that a NaN gain fails.
  return band(passLo, passHi, true) >= -mask.passDb && band(passLo, passHi, false) <= mask.passDb &&
         band(stopLo, stopHi, false) <= -mask.stopDb;
}

}  // namespace

bool MeetsMaskByScan(const DesignRequest& request, const OpAmpCircuit& circuit, const OpAmpModel& model,
                     const GainMask& mask) {
  // Each band's extremes by the bracketed walk of output_extremes.h on the
  // drawn circuit's solve (its gain and exact slope), valued where found as
  // CircuitGainDb gives the gain.
  const WalkGrid grid = WalkGridOf(CircuitOf(circuit, model));
  return BandsMeetMask(request.passKind == engine::kHpf, mask, [&](double lo, double hi, bool lowest) {
    const OutputPeak p = WalkExtreme(lo, hi, grid, lowest, [&](double f) {
      const CircuitResponse r = SolveCircuit(circuit, model, f);
      return std::pair{20 * std::log10(std::abs(r.h)), -engine::kTwoPi * f * r.logDerivative.imag()};
    });
    return CircuitGainDb(circuit, model, p.hz);
  });
}

bool MeetsMaskByScan(const DesignRequest& request, const ResponseStages& stages, const GainMask& mask) {
  auto gain = [&](double f) { return ResponseDb(request, stages, f); };
  const int count = engine::StageCount(request.Order());
  double f0Low = StageF0Hz(stages.omega[0]);
  double f0High = f0Low;
  for (int k = 1; k < count && k < engine::kMaxStages; ++k) {
    f0Low = std::min(f0Low, StageF0Hz(stages.omega[k]));
    f0High = std::max(f0High, StageF0Hz(stages.omega[k]));
  }
  Extremes pass;
  double stopHigh = 0;
  if (request.passKind == engine::kHpf) {
    pass = BandExtremes(gain, mask.passHz, mask.passHz * kFlatDecades);
    const double from = std::min(mask.stopHz, f0Low);
    stopHigh = from < mask.stopHz ? BandExtremes(gain, from, mask.stopHz).high : gain(mask.stopHz);
  } else {
    pass = BandExtremes(gain, mask.passHz / kFlatDecades, mask.passHz);
    const double to = std::max(mask.stopHz, f0High);
    stopHigh = to > mask.stopHz ? BandExtremes(gain, mask.stopHz, to).high : gain(mask.stopHz);
  }
  // Written so that a NaN gain fails.
  return pass.low >= -mask.passDb && pass.high <= mask.passDb && stopHigh <= -mask.stopDb;
}

bool MeetsMask(const CircuitModel& circuit, const GainMask& mask) {
  if (HasSheetForm(circuit)) {
    return circuit.opAmp.ideal ? MeetsMask(circuit.request, circuit.drawn.ideal, mask)
                               : MeetsMask(circuit.request, circuit.drawn, circuit.opAmp, mask);
  }
  const double passDb = 20 * std::log10(CircuitPassbandGain(circuit));
  if (!std::isfinite(passDb)) return false;
  const WalkGrid grid = WalkGridOf(circuit);
  return BandsMeetMask(circuit.Hpf(), mask, [&](double lo, double hi, bool lowest) {
    return WalkExtreme(lo, hi, grid, lowest,
                       [&](double f) {
                         const CircuitSolve solve = CircuitSolve::AtHz(circuit, f);
                         const Transfer t = solve.TransferTo(CircuitSource::Input(), FilterOutput(circuit));
                         return std::pair{t.GainDb() - passDb, (solve.S() * t.dhds / t.h).real()};
                       })
        .value;
  });
}

bool MeetsMask(const DesignRequest& request, const ResponseStages& stages, const GainMask& mask) {
  if (const std::optional<bool> decided = MeetsMaskByExtremes(request, stages, mask)) return *decided;
  return MeetsMaskByScan(request, stages, mask);
}

bool MeetsMask(const DesignRequest& request, const OpAmpCircuit& circuit, const OpAmpModel& model,
               const GainMask& mask) {
  if (const std::optional<bool> decided = MeetsMaskByExtremes(request, circuit, model, mask)) return *decided;
  return MeetsMaskByScan(request, circuit, model, mask);
}

}  // namespace kelvara::response
