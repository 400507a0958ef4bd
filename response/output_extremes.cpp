#include "response/output_extremes.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "response/cascade_extremes.h"

namespace kelvara::response {
namespace {

constexpr double kLn10 = 2.302585092994046;
constexpr int kMinPointsPerDecade = 40;

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
  for (int k = 0; k < circuit.cascade.count; ++k) q = std::max(q, circuit.cascade.stage[k].q);
  return q;
}

std::vector<OutputPeak> BracketedPeaks(const CircuitModel& circuit, double loHz, double hiHz, PeakOf of) {
  const int n = circuit.StageCount();
  const std::vector<CircuitNode> outputs = Outputs(n);
  std::vector<OutputPeak> best(n);
  const double ua = std::log(loHz), ub = std::log(hiHz);
  const double perDecade = std::max<double>(kMinPointsPerDecade, std::ceil(kLn10 * 16.0 * HighestQ(circuit)));
  const int steps = std::max(1, static_cast<int>(std::ceil((ub - ua) / kLn10 * perDecade)));
  std::vector<double> previousSlope(n, 0.0);
  double previousU = ua;
  for (int i = 0; i <= steps; ++i) {
    const double u = i == steps ? ub : ua + (ub - ua) * i / steps;
    const double f = i == 0 ? loHz : i == steps ? hiHz : std::exp(u);
    const CircuitSolve solve = CircuitSolve::AtHz(circuit, f);
    const std::vector<Transfer> t = solve.TransfersTo(CircuitSource::Input(), outputs);
    for (int k = 0; k < n; ++k) {
      Take(best[k], f, ValueOf(t[k], f, of));
      const double slope = SlopeOf(t[k], solve.S(), of);
      if (i > 0 && previousSlope[k] > 0 && !(slope > 0)) {
        // A maximum between the two steps: bisect on the slope's sign.
        double lo = previousU, hi = u;
        for (int it = 0; it < 200; ++it) {
          const double mid = lo + 0.5 * (hi - lo);
          if (!(mid > lo && mid < hi)) break;
          const double fm = std::exp(mid);
          const CircuitSolve at = CircuitSolve::AtHz(circuit, fm);
          (SlopeOf(at.TransferTo(CircuitSource::Input(), outputs[k]), at.S(), of) > 0 ? lo : hi) = mid;
        }
        for (const double x : {lo, hi}) {
          const double fx = std::exp(x);
          Take(best[k], fx, ValueOf(TransferAtHz(circuit, CircuitSource::Input(), outputs[k], fx), fx, of));
        }
      }
      previousSlope[k] = slope;
    }
    previousU = u;
  }
  return best;
}

}  // namespace

std::vector<OutputPeak> HighestAtOutputs(const CircuitModel& circuit, double loHz, double hiHz, PeakOf of,
                                         bool withDc) {
  std::vector<OutputPeak> best =
      circuit.opAmp.ideal ? IdealPeaks(circuit, loHz, hiHz, of) : BracketedPeaks(circuit, loHz, hiHz, of);
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
