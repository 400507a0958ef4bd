// The gain of the drawn circuit alone: the nodal solution of SolveCircuit
// (opamp_circuit.cpp) with the values only, not their derivatives by s. The
// operations on the values are those of SolveCircuit, in the same order, so
// the gain is the same to the last bit at a fraction of the cost; the -3 dB
// searches, the masks and the worst case call it many times per trial.

#include <cmath>
#include <complex>

#include "engine/units.h"
#include "response/opamp_circuit.h"

namespace kelvara::response {
namespace {

using engine::kTwoPi;

using Complex = std::complex<double>;

Complex Admittance(bool capacitor, double value, double omega) {
  if (capacitor) return Complex(0, omega * value);
  return Complex(1 / value, 0);
}

struct StageValues {
  Complex h;
  Complex yin;
};

StageValues SolveStageValues(const CircuitStage& st, bool hpf, double omega, const Complex& invA, double rout,
                             const Complex& load) {
  const bool seriesIsC = hpf;
  const Complex y1 = Admittance(seriesIsC, st.series1, omega);
  const Complex yg = Admittance(!seriesIsC, st.shunt, omega);
  const Complex one(1, 0);
  const Complex routLoad = one + rout * load;
  if (st.firstOrder) {
    const Complex bden = y1 + yg;
    const Complex gamma = one / (invA * routLoad + one);
    return {gamma * (y1 / bden), y1 * yg / bden};
  }
  const Complex y2 = Admittance(seriesIsC, st.series2, omega);
  const Complex yf = Admittance(!seriesIsC, st.feedback, omega);
  const Complex bden = y2 + yg;
  const Complex beta = y2 / bden;
  const Complex oneMinusBeta = yg / bden;
  const Complex routYf = rout * yf;
  const Complex den = invA * (routLoad + routYf) + one;
  const Complex gamma = (beta + routYf * invA) / den;
  const Complex oneMinusGamma = (invA * routLoad + oneMinusBeta) / den;
  const Complex rest = y2 * oneMinusBeta + yf * oneMinusGamma;
  const Complex d = y1 + rest;
  const Complex vA = y1 / d;
  return {gamma * vA, y1 * rest / d};
}

}  // namespace

double CircuitGainMagnitude(const OpAmpCircuit& circuit, const OpAmpTerms& t, double f) {
  const double omega = kTwoPi * f;
  const Complex invA(t.invA0, omega * t.invOmegaT);
  const bool hpf = circuit.request.passKind == engine::kHpf;
  Complex load(0, 0);
  Complex h(1, 0);
  for (int k = circuit.stageCount - 1; k >= 0; --k) {
    const StageValues s = SolveStageValues(circuit.stages[k], hpf, omega, invA, t.rout, load);
    h *= s.h;
    load = s.yin;
  }
  return std::abs(h);
}

double DbOfMagnitude(double magnitude) { return 20 * std::log10(magnitude); }

double CircuitGainDb(const OpAmpCircuit& circuit, const OpAmpModel& model, double f) {
  if (model.ideal) return ResponseDb(circuit.request, circuit.ideal, f);
  return DbOfMagnitude(CircuitGainMagnitude(circuit, TermsOf(model), f));
}

}  // namespace kelvara::response
