#include "response/opamp_circuit.h"

#include <cmath>

#include "engine/stage_maths.h"
#include "engine/units.h"
#include "response/circuit_phase_walk.h"

namespace kelvara::response {
namespace {

using engine::kTwoPi;

using Complex = std::complex<double>;

// A complex value with its derivative by s.
struct Dual {
  Complex v;
  Complex d;
};

Dual operator+(const Dual& a, const Dual& b) { return {a.v + b.v, a.d + b.d}; }
Dual operator*(const Dual& a, const Dual& b) { return {a.v * b.v, a.d * b.v + a.v * b.d}; }
Dual operator*(double k, const Dual& a) { return {k * a.v, k * a.d}; }
Dual operator/(const Dual& a, const Dual& b) {
  const Complex q = a.v / b.v;
  return {q, (a.d - q * b.d) / b.v};
}
Dual Constant(double x) { return {Complex(x, 0), Complex(0, 0)}; }

struct Element {
  bool capacitor;
  double value;
};

// Admittance of a resistor (1/R) or a capacitor (sC) at s = j omega.
Dual Admittance(bool capacitor, double value, double omega) {
  if (capacitor) return {Complex(0, omega * value), Complex(value, 0)};
  return Constant(1 / value);
}

struct StageSolution {
  Dual h;    // output / input
  Dual yin;  // admittance the stage presents at its input
};

// invA = 1/A(s) = 1/A0 + s/(2 pi GBW); load = admittance behind the output.
StageSolution SolveStage(const CircuitStage& st, bool hpf, double omega, const Dual& invA, double rout,
                         const Dual& load) {
  const bool seriesIsC = hpf;
  const Dual y1 = Admittance(seriesIsC, st.series1, omega);
  const Dual yg = Admittance(!seriesIsC, st.shunt, omega);
  const Dual one = Constant(1);
  const Dual routLoad = one + rout * load;
  if (st.firstOrder) {
    // + input: vB = y1 / (y1 + yg); output: vOut (1 + invA (1 + Rout yL)) = vB.
    const Dual bden = y1 + yg;
    const Dual gamma = one / (invA * routLoad + one);
    return {gamma * (y1 / bden), y1 * yg / bden};
  }
  const Dual y2 = Admittance(seriesIsC, st.series2, omega);
  const Dual yf = Admittance(!seriesIsC, st.feedback, omega);
  // Node B (no input current): vB = beta vA, 1 - beta = yg / (y2 + yg).
  const Dual bden = y2 + yg;
  const Dual beta = y2 / bden;
  const Dual oneMinusBeta = yg / bden;
  // Op-amp: A (vB - vOut) - vOut = Rout (yf (vOut - vA) + yL vOut), so
  // vOut = gamma vA with the terms divided by A.
  const Dual routYf = rout * yf;
  const Dual den = invA * (routLoad + routYf) + one;
  const Dual gamma = (beta + routYf * invA) / den;
  const Dual oneMinusGamma = (invA * routLoad + oneMinusBeta) / den;
  // Node A: y1 (vIn - vA) + y2 (vB - vA) + yf (vOut - vA) = 0.
  const Dual rest = y2 * oneMinusBeta + yf * oneMinusGamma;
  const Dual d = y1 + rest;
  const Dual vA = y1 / d;
  return {gamma * vA, y1 * rest / d};
}

}  // namespace

OpAmpTerms TermsOf(const OpAmpModel& model) {
  if (model.ideal) return {};
  OpAmpTerms t;
  t.invA0 = std::pow(10.0, -model.a0Db / 20);
  t.invOmegaT = 1 / (kTwoPi * model.gbwHz);
  t.rout = model.routOhm;
  return t;
}

OpAmpCircuit CircuitFromComponents(const DesignRequest& request, const ComponentSet& parts) {
  OpAmpCircuit c;
  c.request = request;
  c.ideal = StagesFromComponents(request, parts);
  const bool hpf = request.passKind == engine::kHpf;
  const int n = request.Order();
  int i = 0;
  int slot = 0;
  if (!request.evenOrder) {
    CircuitStage& st = c.stages[slot++];
    st.firstOrder = true;
    st.series1 = hpf ? parts.c[0] : parts.r[0];
    st.shunt = hpf ? parts.r[0] : parts.c[0];
    i = 1;
  }
  do {
    CircuitStage& st = c.stages[slot++];
    const double ra = parts.r[i], rb = parts.r[i + 1], ca = parts.c[i], cb = parts.c[i + 1];
    st.series1 = hpf ? ca : ra;
    st.series2 = hpf ? cb : rb;
    st.feedback = hpf ? ra : ca;
    st.shunt = hpf ? rb : cb;
    i += 2;
  } while (i + 1 < n && slot < engine::kMaxStages);
  c.stageCount = slot;
  return c;
}

CircuitResponse SolveCircuit(const OpAmpCircuit& circuit, const OpAmpModel& model, double f) {
  const OpAmpTerms t = TermsOf(model);
  const double omega = kTwoPi * f;
  const Dual invA{Complex(t.invA0, omega * t.invOmegaT), Complex(t.invOmegaT, 0)};
  const bool hpf = circuit.request.passKind == engine::kHpf;
  CircuitResponse r;
  Dual load = Constant(0);
  Complex h(1, 0);
  Complex logDerivative(0, 0);  // H'/H of the cascade
  for (int k = circuit.stageCount - 1; k >= 0; --k) {
    const StageSolution s = SolveStage(circuit.stages[k], hpf, omega, invA, t.rout, load);
    r.stage[k] = s.h.v;
    const Complex stageLog = s.h.d / s.h.v;
    r.stageLogDerivative[k] = stageLog;
    r.stageDelayS[k] = -stageLog.real();
    logDerivative += stageLog;
    h *= s.h.v;
    load = s.yin;
  }
  r.h = h;
  r.logDerivative = logDerivative;
  r.delayS = -logDerivative.real();
  return r;
}

double CircuitDelayS(const OpAmpCircuit& circuit, const OpAmpModel& model, double f) {
  return SolveCircuit(circuit, model, f).delayS;
}

std::vector<double> CircuitPhaseDeg(const OpAmpCircuit& circuit, const OpAmpModel& model,
                                    const std::vector<double>& frequencies) {
  return CircuitCurves(circuit, model, frequencies).phaseDeg;
}

CircuitCurveSet CircuitCurves(const OpAmpCircuit& circuit, const OpAmpModel& model,
                              const std::vector<double>& frequencies) {
  CircuitCurveSet out;
  out.gainDb.reserve(frequencies.size());
  out.phaseDeg.reserve(frequencies.size());
  out.delayS.reserve(frequencies.size());
  if (frequencies.empty()) return out;
  CircuitPhaseWalk walk(circuit, model, frequencies.front());
  for (double target : frequencies) {
    out.phaseDeg.push_back(walk.PhaseAt(target));
    // A frequency out of order keeps the phase reached so far.
    const CircuitResponse here = walk.Here(target);
    out.delayS.push_back(here.delayS);
    out.gainDb.push_back(model.ideal ? ResponseDb(circuit.request, circuit.ideal, target)
                                     : 20 * std::log10(std::abs(here.h)));
  }
  return out;
}

}  // namespace kelvara::response
