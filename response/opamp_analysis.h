#pragma once

// What a real op-amp does to each stage and to the stop band: the
// gain-bandwidth a stage asks for, the gain error at its natural frequency,
// the move of its peak, and the floor a low-pass filter's attenuation stops
// at. Peaks and the floor are found by the bracketed walk of
// output_extremes.h (the exact slope of the circuit's solve, its sign
// changes bisected to adjacent doubles of ln f), so their gains are exact
// to rounding and their frequencies to the flatness of the extreme.

#include <optional>
#include <vector>

#include "response/opamp_circuit.h"
#include "response/section.h"

namespace kelvara::response {

/// The common rule for a unity-gain stage: GBW at least 100 f0 Q; for the
/// first-order stage, whose follower only has to pass its corner, 100 f0.
inline constexpr double kGbwMarginFactor = 100.0;

/// The noise gain of a stage's amplifier in its pass band at the stage gain
/// magnitude K: K when it does not invert (1 for a follower), 1 + K when it
/// does (the feedback divides the output by 1 + K back to the - input).
inline double PassBandNoiseGain(bool inverting, double gain) { return inverting ? 1.0 + gain : gain; }
/// The gain-bandwidth a stage of any topology asks for: kGbwMarginFactor f0
/// Q (f0 for a first-order stage, q 0) times its amplifier's noise gain.
inline double StageGbwNeedHz(double f0Hz, double q, double noiseGain) {
  return kGbwMarginFactor * f0Hz * (q > 0 ? q : 1.0) * noiseGain;
}

struct OpAmpStageReport {
  bool firstOrder = false;
  double f0Hz = 0;
  double q = 0;  // 0 for a first-order stage
  double gbwMinHz = 0;
  bool gbwMet = true;          // the model's GBW reaches gbwMinHz (always for ideal)
  double gainErrorDbAtF0 = 0;  // stage gain in the cascade at f0, real minus ideal
  // The stage's peak, ideal and real. A stage that does not peak (Q up to
  // 1/sqrt 2, first-order) has its LPF peak at 0 Hz (its DC gain); an HPF
  // stage that does not peak has none (NaN). The shift is real minus ideal
  // (NaN where either has none).
  double idealPeakDb = 0;
  double idealPeakHz = 0;
  double peakDb = 0;
  double peakHz = 0;
  double peakShiftHz = 0;
};

std::vector<OpAmpStageReport> AnalyseOpAmpStages(const OpAmpCircuit& circuit, const OpAmpModel& model);

struct StopbandFloor {
  double db = 0;  // the lowest gain the circuit reaches above the cut-off
  double hz = 0;  // where it reaches it; above this the gain rises again
};

/// For an LPF with a real op-amp: the lowest gain between the cut-off and
/// 1 GHz where the gain rises again after it. None for an HPF, an ideal
/// op-amp, or a gain that falls all the way to 1 GHz.
std::optional<StopbandFloor> FindStopbandFloor(const OpAmpCircuit& circuit, const OpAmpModel& model);

}  // namespace kelvara::response
