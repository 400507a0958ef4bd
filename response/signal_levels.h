#pragma once

// How large a signal the filter takes: the gain from the input to every
// op-amp's output (a high-Q stage peaks far above the filter's output), the
// largest sine input that keeps every op-amp output within its swing (the
// one given, or the one the supply rails leave: UsedSwingOf) at any
// frequency, the largest one no output slews beyond the slew rate over a
// band (SR / (pi f max_k |H_k(f)|), smallest over the band) and the dynamic
// range (the largest undistorted output rms over the integrated noise).

#include <optional>
#include <vector>

#include "response/noise.h"
#include "response/opamp_circuit.h"
#include "response/opamp_model.h"

namespace kelvara::response {

struct StageLevel {
  double maxGainDb = 0;  // the highest gain from the input to this op-amp's output
  double atHz = 0;       // where (0: at DC, a low-pass output that only falls)
};

/// Which limit the largest undistorted input meets first.
enum class InputLimit { kSwing, kSlew };

struct LevelReport {
  std::vector<StageLevel> stages;             // in cascade order
  UsedSwing swing;                            // the swing used (given, or from the supply) and where it came from
  std::optional<double> maxInputVpp;          // within the swing at any frequency; needs the swing
  std::optional<double> slewMaxInputVpp;      // within the slew rate over the band; needs the slew rate
  std::optional<double> undistortedInputVpp;  // the smaller of the two
  std::optional<InputLimit> limitedBy;        // and which one it is
  std::optional<double> dynamicRangeDb;       // needs the swing and a noise above 0
};

/// The highest gains are searched from 1/1000 of the lowest stage frequency
/// to 1000 times the highest (within 0.1 Hz .. 1 GHz) by HighestAtOutputs
/// (output_extremes.h: the exact stationary points for the ideal op-amp,
/// the bracketed ones for a real op-amp); a low-pass output whose gain at
/// DC is not below that has it at 0 Hz. A high-pass output that rises to
/// the end of the range (ideal op-amp) has its highest gain there, within
/// 1e-4 dB of its limit (each section 1000 times above its f0 is within
/// 9e-6 dB of its own). The slew limit is the highest f |H| over `band`,
/// searched the same way. The dynamic range is that of the largest
/// undistorted input (the smaller of the swing and the slew limit) over the
/// total noise `noiseVrms` (an integral over the same band).
LevelReport AnalyseLevels(const OpAmpCircuit& circuit, const OpAmpModel& model, const NoiseBand& band,
                          double noiseVrms);
/// The same of a circuit of any sections with its op-amp (CircuitOfSections:
/// an MFB or gain design), the range from its sections' own frequencies and
/// the dynamic range's output at its pass-band gain.
LevelReport AnalyseLevels(const CircuitModel& circuit, const NoiseBand& band, double noiseVrms);

/// The gain in dB from the input to every op-amp's output at the given
/// frequencies: gainDb[k][i].
struct LevelCurves {
  std::vector<double> frequencyHz;
  std::vector<std::vector<double>> gainDb;
};
LevelCurves ComputeLevelCurves(const OpAmpCircuit& circuit, const OpAmpModel& model,
                               const std::vector<double>& frequencies);
/// The same of a circuit of any sections with its op-amp.
LevelCurves ComputeLevelCurves(const CircuitModel& circuit, const std::vector<double>& frequencies);

/// The input (Vpp) each limit allows at each frequency: the swing over the
/// highest op-amp gain there, the slew rate over pi f times that gain (empty
/// without the limit).
struct LimitCurves {
  std::vector<double> swingVpp;
  std::vector<double> slewVpp;
};
LimitCurves ComputeLimitCurves(const OpAmpModel& model, const LevelCurves& levels);

}  // namespace kelvara::response
