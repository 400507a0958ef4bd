#include "response/noise_transfer.h"

#include <vector>

#include "response/circuit.h"

namespace kelvara::response {

NoiseTransfers NoiseTransfersAt(const CircuitModel& circuit, double f) {
  NoiseTransfers out;
  const CircuitSolve solve = CircuitSolve::AtHz(circuit, f);
  const int n = circuit.StageCount();
  // The input to every op-amp's output: one solve.
  std::vector<CircuitNode> outputs;
  for (int k = 0; k < n; ++k) outputs.push_back(CircuitNode::Output(k));
  const std::vector<std::complex<double>> through = solve.ValuesTo(CircuitSource::Input(), outputs);
  for (int k = 0; k < n; ++k) out.stage[k] = through[k];
  out.h = through[n - 1];
  // Every source to the filter's output: one transposed solve.
  const CircuitAdjoint toOutput = solve.AdjointTo(FilterOutput(circuit));
  for (const CircuitPart& part : PartsOf(circuit)) {
    if (part.id.letter == 'R' && part.id.number >= 1 && part.id.number <= kMaxCircuitParts) {
      out.resistor[part.id.number - 1] = toOutput.From(CircuitSource::Current(part.a, part.b));
    }
  }
  for (int k = 0; k < n; ++k) {
    out.en[k] = toOutput.From(CircuitSource::PlusInputVoltage(k));
    out.in[k] = toOutput.From(CircuitSource::Current(CircuitNode::PlusInput(k)));
  }
  return out;
}

NoiseTransfers NoiseTransfersAt(const OpAmpCircuit& circuit, const OpAmpModel& model, double f) {
  return NoiseTransfersAt(CircuitOf(circuit, model), f);
}

}  // namespace kelvara::response
