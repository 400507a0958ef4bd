#include "response/output_extremes.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <utility>

#include "response/cascade_extremes.h"

namespace kelvara::response {
namespace {

constexpr double kLn10 = 2.302585092994046;
constexpr int kMinPointsPerDecade = 40;
// How far beyond the sections' natural frequencies the walk takes fine steps.
constexpr double kFineBand = 8;

// The points of a walk over [ua, ub] in ln f: steps of the grid's fine
// density within its fine band, of kMinPointsPerDecade outside it, every
// part ending on its own end.
std::vector<double> WalkPoints(double ua, double ub, const WalkGrid& grid) {
  const double fa = std::log(grid.fineLoHz), fb = std::log(grid.fineHiHz);
  std::vector<double> cuts{ua};
  if (fa > ua && fa < ub) cuts.push_back(fa);
  if (fb > ua && fb < ub && fb > cuts.back()) cuts.push_back(fb);
  cuts.push_back(ub);
  std::vector<double> u{ua};
  for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
    const double a = cuts[c], b = cuts[c + 1], mid = 0.5 * (a + b);
    const double perDecade = mid > fa && mid < fb ? grid.perDecade : kMinPointsPerDecade;
    const int steps = std::max(1, static_cast<int>(std::ceil((b - a) / kLn10 * perDecade)));
    for (int i = 1; i <= steps; ++i) u.push_back(i == steps ? b : a + (b - a) * i / steps);
  }
  return u;
}

}  // namespace

std::vector<OutputPeak> WalkExtremes(int count, double loHz, double hiHz, const WalkGrid& grid, bool lowest,
                                     const SampleAll& sampleAll, const SampleOne& sampleOne) {
  const double sign = lowest ? -1.0 : 1.0;
  std::vector<OutputPeak> best(count, OutputPeak{0, -sign * std::numeric_limits<double>::infinity()});
  auto take = [&](int k, double f, double value) {
    if (sign * value > sign * best[k].value) best[k] = {f, value};
  };
  const double ua = std::log(loHz), ub = std::log(hiHz);
  const std::vector<double> points = WalkPoints(ua, ub, grid);
  const std::size_t last = points.size() - 1;
  std::vector<double> values(count), slopes(count), previousSlope(count, 0.0);
  double previousU = ua;
  for (std::size_t i = 0; i <= last; ++i) {
    const double u = points[i];
    const double f = i == 0 ? loHz : i == last ? hiHz : std::exp(u);
    sampleAll(f, values, slopes);
    for (int k = 0; k < count; ++k) {
      take(k, f, values[k]);
      const double slope = sign * slopes[k];
      if (i > 0 && previousSlope[k] > 0 && !(slope > 0)) {
        // A maximum (of sign times the value) between the two steps: bisect
        // on the slope's sign to adjacent doubles of ln f.
        double lo = previousU, hi = u;
        for (int it = 0; it < 200; ++it) {
          const double mid = lo + 0.5 * (hi - lo);
          if (!(mid > lo && mid < hi)) break;
          (sign * sampleOne(k, std::exp(mid)).second > 0 ? lo : hi) = mid;
        }
        for (const double x : {lo, hi}) take(k, std::exp(x), sampleOne(k, std::exp(x)).first);
      }
      previousSlope[k] = slope;
    }
    previousU = u;
  }
  return best;
}

OutputPeak WalkExtreme(double loHz, double hiHz, const WalkGrid& grid, bool lowest,
                       const std::function<std::pair<double, double>(double f)>& sample) {
  return WalkExtremes(
      1, loHz, hiHz, grid, lowest,
      [&](double f, std::vector<double>& values, std::vector<double>& slopes) {
        const auto [v, d] = sample(f);
        values[0] = v;
        slopes[0] = d;
      },
      [&](int, double f) { return sample(f); })[0];
}

namespace {

std::vector<CircuitNode> Outputs(int count) {
  std::vector<CircuitNode> nodes;
  for (int k = 0; k < count; ++k) nodes.push_back(CircuitNode::Output(k));
  return nodes;
}

// |H| or f |H| of an output from its transfer.
double ValueOf(const Transfer& t, double f, PeakOf of) {
  return of == PeakOf::kSlope ? f * std::abs(t.h) : std::abs(t.h);
}

// d ln(value) / d ln f: Re(s H' / H), plus 1 for f |H|.
double SlopeOf(const Transfer& t, std::complex<double> s, PeakOf of) {
  const double d = (s * t.dhds / t.h).real();
  return of == PeakOf::kSlope ? 1.0 + d : d;
}

void Take(OutputPeak& best, double f, double value) {
  if (value > best.value) best = {f, value};
}

std::vector<OutputPeak> IdealPeaks(const CircuitModel& circuit, double loHz, double hiHz, PeakOf of) {
  const int n = circuit.StageCount();
  const std::vector<CircuitNode> outputs = Outputs(n);
  std::vector<OutputPeak> best(n);
  auto visit = [&](double f) {
    const std::vector<std::complex<double>> h =
        CircuitSolve::AtHz(circuit, f).ValuesTo(CircuitSource::Input(), outputs);
    for (int k = 0; k < n; ++k) Take(best[k], f, of == PeakOf::kSlope ? f * std::abs(h[k]) : std::abs(h[k]));
  };
  visit(loHz);
  visit(hiHz);
  for (int k = 0; k < n; ++k) {
    for (const double f : OutputStationaryHz(circuit.cascade, k + 1, of == PeakOf::kSlope)) {
      if (!(f > loHz && f < hiHz)) continue;
      const Transfer t = CircuitSolve::AtHz(circuit, f).TransferTo(CircuitSource::Input(), outputs[k]);
      Take(best[k], f, ValueOf(t, f, of));
    }
  }
  return best;
}

// The highest section Q of the ideal circuit, at least 1/2.
double HighestQ(const CircuitModel& circuit) {
  double q = 0.5;
  for (int k = 0; k < circuit.StageCount(); ++k) q = std::max(q, circuit.sections[k].Figures().q);
  return q;
}

}  // namespace

WalkGrid WalkGridOf(const CircuitModel& circuit) {
  WalkGrid grid;
  grid.perDecade = std::max<double>(kMinPointsPerDecade, std::ceil(kLn10 * 8.0 * HighestQ(circuit)));
  double lo = 0, hi = 0;
  for (int k = 0; k < circuit.StageCount(); ++k) {
    const double f0 = circuit.sections[k].Figures().omega / kTwoPi;
    if (!(f0 > 0) || !std::isfinite(f0)) continue;
    lo = lo > 0 ? std::min(lo, f0) : f0;
    hi = std::max(hi, f0);
  }
  if (lo > 0) {
    grid.fineLoHz = lo / kFineBand;
    grid.fineHiHz = hi * kFineBand;
  }
  return grid;
}

namespace {

// The sheet's circuit: each output's |H| is the product of the stages'
// (the drawn circuit's solve, SolveCircuit) and its slope the sum of theirs.
std::vector<OutputPeak> DrawnPeaks(const CircuitModel& circuit, double loHz, double hiHz, PeakOf of) {
  const int n = circuit.StageCount();
  // Every output's value and slope at f, up to output `last`.
  auto outputs = [&](double f, int last, std::vector<double>& values, std::vector<double>& slopes) {
    const CircuitResponse r = SolveCircuit(circuit.drawn, circuit.opAmp, f);
    std::complex<double> h(1, 0), log(0, 0);
    for (int k = 0; k <= last; ++k) {
      h *= r.stage[k];
      log += r.stageLogDerivative[k];
      values[k] = of == PeakOf::kSlope ? f * std::abs(h) : std::abs(h);
      slopes[k] = -kTwoPi * f * log.imag() + (of == PeakOf::kSlope ? 1.0 : 0.0);
    }
  };
  return WalkExtremes(
      n, loHz, hiHz, WalkGridOf(circuit), false,
      [&](double f, std::vector<double>& values, std::vector<double>& slopes) { outputs(f, n - 1, values, slopes); },
      [&](int k, double f) {
        std::vector<double> values(n), slopes(n);
        outputs(f, k, values, slopes);
        return std::pair{values[k], slopes[k]};
      });
}

std::vector<OutputPeak> BracketedPeaks(const CircuitModel& circuit, double loHz, double hiHz, PeakOf of) {
  if (HasSheetForm(circuit)) return DrawnPeaks(circuit, loHz, hiHz, of);
  const int n = circuit.StageCount();
  const std::vector<CircuitNode> outputs = Outputs(n);
  return WalkExtremes(
      n, loHz, hiHz, WalkGridOf(circuit), false,
      [&](double f, std::vector<double>& values, std::vector<double>& slopes) {
        const CircuitSolve solve = CircuitSolve::AtHz(circuit, f);
        const std::vector<Transfer> t = solve.TransfersTo(CircuitSource::Input(), outputs);
        for (int k = 0; k < n; ++k) {
          values[k] = ValueOf(t[k], f, of);
          slopes[k] = SlopeOf(t[k], solve.S(), of);
        }
      },
      [&](int k, double f) {
        const CircuitSolve solve = CircuitSolve::AtHz(circuit, f);
        const Transfer t = solve.TransferTo(CircuitSource::Input(), outputs[k]);
        return std::pair{ValueOf(t, f, of), SlopeOf(t, solve.S(), of)};
      });
}

}  // namespace

std::vector<OutputPeak> HighestAtOutputs(const CircuitModel& circuit, double loHz, double hiHz, PeakOf of,
                                         bool withDc) {
  std::vector<OutputPeak> best =
      // The exact stationary points are of the sheet's cascade; any other
      // circuit of sections is walked as the real op-amp's is.
      circuit.opAmp.ideal && HasSheetForm(circuit) ? IdealPeaks(circuit, loHz, hiHz, of)
                                                   : BracketedPeaks(circuit, loHz, hiHz, of);
  if (withDc && of == PeakOf::kGain) {
    const std::vector<std::complex<double>> dc =
        CircuitSolve::AtHz(circuit, 0.0).ValuesTo(CircuitSource::Input(), Outputs(circuit.StageCount()));
    for (std::size_t k = 0; k < best.size(); ++k) {
      if (std::abs(dc[k]) >= best[k].value) best[k] = {0.0, std::abs(dc[k])};
    }
  }
  return best;
}

}  // namespace kelvara::response
