#pragma once

// The cascade as it is drawn, solved with the op-amp of an OpAmpModel at
// each frequency. Every stage is a unity-gain follower (output fed back to
// the inverting input) whose open-loop gain is A(s) = A0 / (1 + s / wp) and
// whose output leaves through Rout; the next stage's input element loads that
// output. The nodal equations of a stage are solved with the admittance of
// everything behind it as its load, from the last stage back to the first,
// so the whole circuit is solved exactly, not as a product of ideal sections.
//
// Every quantity is carried with its derivative by s, so the group delay is
// the closed form -Re(H'(s) / H(s)) at s = j w, not a difference of phases.

#include <array>
#include <complex>
#include <vector>

#include "engine/design_types.h"
#include "response/opamp_model.h"
#include "response/response.h"

namespace kelvara::response {

/// One stage of the drawn circuit: element values in ohms or farads by the
/// filter kind (LPF: resistors in series, capacitors in feedback and to
/// ground; HPF the other way round).
///   series1: stage input to node A (first-order stage: to the + input)
///   series2: node A to the + input
///   feedback: node A to the stage output
///   shunt: the + input to ground
/// LPF second-order: Ra, Rb, Ca, Cb; HPF second-order: Ca, Cb, Ra, Rb;
/// first-order: R1 and C1 (series1, shunt), no series2 or feedback.
struct CircuitStage {
  bool firstOrder = false;
  double series1 = 0;
  double series2 = 0;
  double feedback = 0;
  double shunt = 0;
};

struct OpAmpCircuit {
  DesignRequest request;
  ResponseStages ideal;  // the stages' f0 and Q from the part values
  int stageCount = 0;
  std::array<CircuitStage, engine::kMaxStages> stages{};
};

OpAmpCircuit CircuitFromComponents(const DesignRequest& request, const ComponentSet& parts);

struct CircuitResponse {
  std::complex<double> h;  // cascade output / input
  double delayS = 0;       // group delay of the cascade
  // Each stage's output over its input, loaded by the stages behind it, and
  // the group delay of that ratio.
  std::array<std::complex<double>, engine::kMaxStages> stage{};
  std::array<double, engine::kMaxStages> stageDelayS{};
  // H'(s) / H(s) of each stage and of the cascade: at s = j omega the
  // slope of ln |H| by ln f is Re(s H' / H) = -omega Im(H' / H).
  std::array<std::complex<double>, engine::kMaxStages> stageLogDerivative{};
  std::complex<double> logDerivative;
};

/// The circuit at frequency f (Hz). An ideal model solves it with infinite
/// gain and no output resistance, which is the product of ideal sections.
CircuitResponse SolveCircuit(const OpAmpCircuit& circuit, const OpAmpModel& model, double f);

/// Gain in dB; for an ideal model exactly ResponseDb.
double CircuitGainDb(const OpAmpCircuit& circuit, const OpAmpModel& model, double f);

struct OpAmpTerms;
/// |H| of the circuit with a real op-amp's terms (TermsOf, taken once for
/// many frequencies): CircuitGainDb is 20 log10 of it, to the last bit.
double CircuitGainMagnitude(const OpAmpCircuit& circuit, const OpAmpTerms& terms, double f);
/// 20 log10 of a magnitude, as CircuitGainDb takes it.
double DbOfMagnitude(double magnitude);

/// Group delay in seconds.
double CircuitDelayS(const OpAmpCircuit& circuit, const OpAmpModel& model, double f);

/// Phase in degrees at ascending frequencies, unwrapped: every stage's phase
/// is followed continuously from far below its natural frequency, where an
/// LPF stage is near 0 deg and an HPF stage near +90 deg per order (with an
/// output resistance and a finite A0 an HPF's second-order stage turns back
/// to +90 deg at DC: the resistance lets a part of node A through), taking
/// smaller steps wherever one would turn a stage by more than 30 deg or
/// disagree with the stage's delay.
std::vector<double> CircuitPhaseDeg(const OpAmpCircuit& circuit, const OpAmpModel& model,
                                    const std::vector<double>& frequencies);

struct CircuitCurveSet {
  std::vector<double> gainDb;    // as CircuitGainDb
  std::vector<double> phaseDeg;  // as CircuitPhaseDeg
  std::vector<double> delayS;    // as CircuitDelayS
};

/// The three frequency views at ascending frequencies in one walk.
CircuitCurveSet CircuitCurves(const OpAmpCircuit& circuit, const OpAmpModel& model,
                              const std::vector<double>& frequencies);

/// The op-amp as the circuit uses it: infinite where the model is ideal.
struct OpAmpTerms {
  double invA0 = 0;      // 1 / A0
  double invOmegaT = 0;  // 1 / (2 pi GBW)
  double rout = 0;
};
OpAmpTerms TermsOf(const OpAmpModel& model);

}  // namespace kelvara::response
