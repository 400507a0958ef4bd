#include "response/circuit_phase_walk.h"

#include <cmath>

namespace kelvara::response {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegPerRad = 57.29577951308232;

double Wrap(double deg) { return deg - 360 * std::round(deg / 360); }

}  // namespace

CircuitPhaseWalk::CircuitPhaseWalk(const OpAmpCircuit& circuit, const OpAmpModel& model, double firstHz)
    : circuit_(&circuit), model_(&model) {
  const int n = circuit.stageCount;
  const bool hpf = circuit.request.passKind == engine::kHpf;
  // Start far below the lowest natural frequency, where every stage is at
  // its low-frequency phase to within a small fraction of a degree.
  double lowest = firstHz;
  for (int k = 0; k < n; ++k) lowest = std::fmin(lowest, circuit.ideal.omega[k] / kTwoPi);
  f_ = std::fmin(firstHz, lowest * 1e-4);
  if (!(f_ > 0)) f_ = firstHz;
  at_ = SolveCircuit(circuit, model, f_);
  for (int k = 0; k < n; ++k) {
    const double expected = hpf ? (circuit.stages[k].firstOrder ? 90.0 : 180.0) : 0.0;
    const double arg = std::arg(at_.stage[k]) * kDegPerRad;
    phase_[k] = arg + 360 * std::round((expected - arg) / 360);
  }
}

// One step from f to g is taken when no stage turns by more than 30 deg and
// each turn agrees with the stage's mean delay over the step.
bool CircuitPhaseWalk::TryStep(double g, CircuitResponse& next, std::array<double, engine::kMaxStages>& turned) const {
  next = SolveCircuit(*circuit_, *model_, g);
  const double dOmega = kTwoPi * (g - f_);
  bool ok = true;
  for (int k = 0; k < circuit_->stageCount; ++k) {
    const double turn = Wrap((std::arg(next.stage[k]) - std::arg(at_.stage[k])) * kDegPerRad);
    const double predicted = -(at_.stageDelayS[k] + next.stageDelayS[k]) / 2 * dOmega * kDegPerRad;
    if (std::fabs(turn) > 30 || std::fabs(turn - predicted) > 10) ok = false;
    turned[k] = phase_[k] + turn;
  }
  return ok;
}

double CircuitPhaseWalk::PhaseAt(double target) {
  int depth = 0;
  while (f_ < target) {
    double g = target;
    CircuitResponse next;
    std::array<double, engine::kMaxStages> turned{};
    // Halve the step in log frequency until it is small enough; after 50
    // halvings the step is taken as it is.
    for (int halvings = 0; !TryStep(g, next, turned) && halvings < 50; ++halvings) g = std::sqrt(f_ * g);
    if (g == f_) break;
    f_ = g;
    at_ = next;
    phase_ = turned;
    if (++depth > 100000) break;
  }
  double sum = 0;
  for (int k = 0; k < circuit_->stageCount; ++k) sum += phase_[k];
  return sum;
}

CircuitResponse CircuitPhaseWalk::Here(double target) const {
  return f_ == target ? at_ : SolveCircuit(*circuit_, *model_, target);
}

}  // namespace kelvara::response
