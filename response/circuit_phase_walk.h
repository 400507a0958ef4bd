#pragma once

// The unwrapped phase of the drawn circuit, followed along ascending
// frequencies one at a time: every stage's phase is carried continuously
// from far below its natural frequency, taking smaller steps wherever one
// would turn a stage by more than 30 deg or disagree with the stage's delay
// (see CircuitPhaseDeg). A walk holds only its last point, so many circuits
// can be followed side by side, a few frequencies at a time.

#include <array>

#include "response/opamp_circuit.h"

namespace kelvara::response {

class CircuitPhaseWalk {
 public:
  /// A walk that will be asked for firstHz first (and then higher ones).
  CircuitPhaseWalk(const OpAmpCircuit& circuit, const OpAmpModel& model, double firstHz);

  /// The unwrapped phase in degrees at target; a target below the last one
  /// keeps the phase reached so far.
  double PhaseAt(double target);
  /// The circuit's solution at the last target PhaseAt was given.
  CircuitResponse Here(double target) const;

 private:
  bool TryStep(double g, CircuitResponse& next, std::array<double, engine::kMaxStages>& turned) const;

  const OpAmpCircuit* circuit_;
  const OpAmpModel* model_;
  double f_ = 0;
  CircuitResponse at_;
  std::array<double, engine::kMaxStages> phase_{};
};

}  // namespace kelvara::response
