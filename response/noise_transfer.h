#pragma once

// What the noise and signal-level views take from the circuit at one
// frequency: the transfer from the input to the filter's output and to every
// op-amp's output, and from every noise source to the filter's output, all
// from the circuit's one evaluator (CircuitSolve of circuit.h: one
// factorisation, one forward and one transposed solve), ideal or real
// op-amp.
//
// The noise sources are those of the drawn circuit: each resistor's thermal
// noise as a current from one of its ends to the other, each op-amp's input
// voltage noise as a voltage in series with its + input and its input
// current noise as a current into its + input (the - input is tied to the
// output).

#include <array>
#include <complex>

#include "engine/design_types.h"
#include "response/circuit.h"
#include "response/opamp_circuit.h"
#include "response/opamp_model.h"
#include "response/section.h"

namespace kelvara::response {

struct NoiseTransfers {
  std::complex<double> h;                                      // input to output
  std::array<std::complex<double>, engine::kMaxStages> stage;  // input to op-amp k's output
  // Output volts per ampere of resistor part i's noise current.
  std::array<std::complex<double>, kMaxCircuitParts> resistor{};
  // Output volts per volt in series with op-amp k's + input.
  std::array<std::complex<double>, engine::kMaxStages> en{};
  // Output volts per ampere into op-amp k's + input.
  std::array<std::complex<double>, engine::kMaxStages> in{};
};

/// The transfers at frequency f (Hz).
NoiseTransfers NoiseTransfersAt(const CircuitModel& circuit, double f);
/// The same for the drawn stages and an op-amp (CircuitOf).
NoiseTransfers NoiseTransfersAt(const OpAmpCircuit& circuit, const OpAmpModel& model, double f);

}  // namespace kelvara::response
