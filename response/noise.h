#pragma once

// The noise a filter adds: every resistor's thermal noise (4kTR), every
// op-amp's input voltage noise en (with its 1/f corner) and input current
// noise in, each through its exact transfer to the filter's output
// (noise_transfer.h); their root-sum-square, the integral over a band, each
// source's share and the total referred to the input.
//
// The integral is taken in log frequency by adaptive Gauss-Kronrod (7/15
// points) until the estimated error of the total and of every source is
// below kNoiseRelativeTolerance of its value; against closed forms the
// result is within 1e-6 (tests/response/noise_test.cpp).

#include <array>
#include <string>
#include <vector>

#include "response/circuit.h"
#include "response/opamp_circuit.h"
#include "response/opamp_model.h"

namespace kelvara::response {

inline constexpr double kBoltzmann = 1.380649e-23;  // J/K
inline constexpr double kZeroCelsiusK = 273.15;
inline constexpr double kNoiseRelativeTolerance = 1e-6;

enum class NoiseSourceKind { kResistor, kVoltage, kCurrent };

struct NoiseSource {
  NoiseSourceKind kind = NoiseSourceKind::kResistor;
  int index = 0;     // the resistor's part index, or the op-amp's stage slot
  std::string name;  // "R3", "U2 en", "U2 in"
};

/// The sources in the order R1..Rn, U1 en, U1 in, U2 en, ...
std::vector<NoiseSource> NoiseSourcesOf(const OpAmpCircuit& circuit);
/// The same of a circuit of any sections: its resistors by number, then
/// every op-amp's en and in.
std::vector<NoiseSource> NoiseSourcesOf(const CircuitModel& circuit);

struct NoiseBand {
  double loHz = 0;
  double hiHz = 0;
};

/// LPF: 1 Hz to 10 fc; HPF: fc / 10 to 100 fc.
NoiseBand DefaultNoiseBand(const engine::DesignRequest& request);

struct NoiseDensity {
  double totalVRtHz = 0;
  std::vector<double> sourceVRtHz;  // in NoiseSourcesOf order
};

struct NoiseTransfers;

/// The sources of a circuit with their strengths: turns the transfers at a
/// frequency into each source's output noise power density (V^2/Hz).
class NoiseEvaluator {
 public:
  NoiseEvaluator(const OpAmpCircuit& circuit, const OpAmpModel& model, double temperatureC);
  /// Of a circuit of any sections, with the circuit's op-amp.
  NoiseEvaluator(const CircuitModel& circuit, double temperatureC);
  const std::vector<NoiseSource>& Sources() const { return sources_; }
  void Powers(const NoiseTransfers& t, double f, std::vector<double>& power) const;
  /// The transfers at f and the powers from them.
  void At(double f, std::vector<double>& power) const;

 private:
  CircuitModel circuit_;
  std::vector<NoiseSource> sources_;
  std::array<double, kMaxCircuitParts> fourKTOverR_{};
  double en2_ = 0;  // V^2/Hz
  double corner_ = 0;
  double in2_ = 0;  // A^2/Hz
};

/// Output noise densities in V/sqrt(Hz) at frequency f.
NoiseDensity NoiseDensityAt(const OpAmpCircuit& circuit, const OpAmpModel& model, double temperatureC, double f);

/// The gain the noise is referred to the input with: |H| at DC for an LPF
/// (1 with the ideal op-amp, A0/(1+A0) per stage with a real one), the
/// nominal 1 of the unity-gain stages for an HPF.
double PassbandGain(const OpAmpCircuit& circuit, const OpAmpModel& model);
/// The same of a circuit of any sections: that of its drawn stages where it
/// is the sheet's circuit; otherwise |H| at DC for an LPF and the sections'
/// nominal gain for an HPF.
double PassbandGain(const CircuitModel& circuit);

struct NoiseReport {
  double temperatureC = 0;
  NoiseBand band;
  double totalVrms = 0;
  double inputReferredVrms = 0;
  std::vector<NoiseSource> sources;
  std::vector<double> sourceVrms;  // each source alone over the band
  int evaluations = 0;             // frequencies the integral took
  /// A source's share of the total noise power (0..1).
  double Share(std::size_t i) const;
};

/// The output noise integrated over the band (loHz > 0, hiHz > loHz).
NoiseReport IntegrateNoise(const OpAmpCircuit& circuit, const OpAmpModel& model, double temperatureC,
                           const NoiseBand& band);
NoiseReport IntegrateNoise(const CircuitModel& circuit, double temperatureC, const NoiseBand& band);

/// Densities at the given frequencies, in nV/sqrt(Hz): total[i] and
/// source[s][i].
struct NoiseCurves {
  std::vector<double> frequencyHz;
  std::vector<double> totalNv;
  std::vector<std::vector<double>> sourceNv;
};
NoiseCurves ComputeNoiseCurves(const OpAmpCircuit& circuit, const OpAmpModel& model, double temperatureC,
                               const std::vector<double>& frequencies);
NoiseCurves ComputeNoiseCurves(const CircuitModel& circuit, double temperatureC,
                               const std::vector<double>& frequencies);

}  // namespace kelvara::response
