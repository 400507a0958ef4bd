#pragma once

// Step and impulse responses of a circuit of sections with a real op-amp
// (the sheet's drawn stages are its sections), from its state equations,
// built from the sections' element lists: the states are the capacitor voltages and each
// op-amp's internal voltage (its pole), x' = A x + B u, y = C x + D u. On a
// grid of equal time steps dt the state advances exactly by the transition
// matrix e^(A dt) and, for a unit step, by the integral of e^(A t) B over
// the step (both from one exponential of the augmented matrix [A B; 0 0] dt),
// so the samples carry no integration error, only rounding; the exponential
// is taken by scaling and squaring of a Taylor series summed to the last bit.
// Repeated or nearly equal poles need no special care this way. Rounding
// grows with the stiffness, the op-amp's GBW over the filter's frequencies:
// about 1e-16 GBW / f0 of the step (1e-10 for a 1 GHz op-amp at 1 kHz).

#include <span>
#include <vector>

#include "response/opamp_circuit.h"
#include "response/section.h"

namespace kelvara::response {

struct CircuitStateSpace {
  int n = 0;              // states: capacitors first, then op-amps
  std::vector<double> a;  // n x n, row-major
  std::vector<double> b;  // n
  std::vector<double> c;  // n
  double d = 0;           // input straight to the output
};

/// The state equations of the circuit with a real op-amp. An ideal op-amp
/// has no pole to be a state: for it the result is empty (n = 0), and the
/// ideal time responses are the partial fractions of the ideal sections.
CircuitStateSpace BuildStateSpace(const OpAmpCircuit& circuit, const OpAmpModel& model);
/// The same of sections of any topology and kind, from their element lists
/// (the drawn stages are the sections of SectionsOf, to the bit).
CircuitStateSpace BuildStateSpace(std::span<const Section> sections, const OpAmpModel& model);

struct CircuitTimeCurves {
  std::vector<double> timeS;
  std::vector<double> step;     // unit step at t = 0; at t = 0 the value just after it
  std::vector<double> impulse;  // without the Dirac impulse at t = 0
  double diracWeight = 0;       // D: what the input passes straight through
};

/// Step and impulse at `points` equally spaced times from 0 to spanS; empty
/// for an ideal model.
CircuitTimeCurves CircuitTimeResponse(const OpAmpCircuit& circuit, const OpAmpModel& model, double spanS, int points);

/// The same at `points` equally spaced times from fromS to toS.
CircuitTimeCurves CircuitTimeResponse(const OpAmpCircuit& circuit, const OpAmpModel& model, double fromS, double toS,
                                      int points);
/// The same of sections of any topology and kind.
CircuitTimeCurves CircuitTimeResponse(std::span<const Section> sections, const OpAmpModel& model, double fromS,
                                      double toS, int points);
/// The curves of state equations (empty for n = 0).
CircuitTimeCurves TimeCurvesOf(const CircuitStateSpace& ss, double fromS, double toS, int points);

}  // namespace kelvara::response
