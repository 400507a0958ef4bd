#pragma once

// The filter as it is drawn, and the one evaluator over it.
//
// A CircuitModel is the cascade of unity-gain Sallen-Key stages the design
// draws: its kind (LPF / HPF), its order, the part values by stage and the
// op-amp every stage is built with (OpAmpModel: ideal, or a single pole with
// A0, GBW and Rout). It is built in one place, MakeCircuit (from a design's
// part values) or ReadCircuit (from the part texts of the window or a file),
// and everything that needs a transfer of the filter asks it:
//
//   - the views of the filter, from the input to the filter's output:
//     CircuitGainDb, CircuitGroupDelayS, CircuitFrequencyCurves (gain,
//     unwrapped phase, group delay), CircuitStepImpulse (step and impulse).
//     With an ideal op-amp they are the closed forms of response.h,
//     analysis.h and time_response.h (the gain is ResponseDb bit for bit);
//     with a real op-amp they are the circuit's own (opamp_circuit.h,
//     opamp_time.h). Callers never look at which one they got.
//   - any transfer of the circuit: from the input, or from a source injected
//     into it, to any node, at any complex frequency s, with its derivative
//     by s (CircuitSolve). This is what noise and sensitivity analyses use.
//
// Units throughout: ohms, farads, hertz, seconds, volts, amperes; s in
// rad/s (s = j 2 pi f on the frequency axis).
//
// Naming a node (CircuitNode): a role and the stage it belongs to. Stages
// are numbered from 0 in cascade order, the order the signal passes them;
// an odd order's stage 0 is its first-order RC section. Per stage:
//
//        in ──[series1]──A──[series2]──B(+)──┐
//                        │                   ├─ op-amp ─[Rout]── out
//                        └────[feedback]─────┼────────────────────┘
//                                  B ─[shunt]─ ground     (− input = out)
//
//   kInput       the filter's input (the first stage's "in")
//   kJunction    node A of a second-order stage, where series1, series2 and
//                the feedback element meet (a first-order stage has none)
//   kPlusInput   node B, the op-amp's + input (a first-order stage: the
//                node between its series element and its shunt element)
//   kOutput      the stage's output after Rout: where the feedback element
//                and the − input connect and the next stage's input; the
//                last stage's kOutput is the filter's output (FilterOutput)
//   kGround      the reference, always 0 V
// An LPF's series elements and shunt element of a second-order stage are
// Ra, Rb and Cb with Ca as feedback; an HPF's are Ca, Cb, Rb with Ra as
// feedback. PartsOf lists every part with the two nodes it joins.
//
// Naming a source (CircuitSource):
//   Input()            1 V at the filter's input (the transfer is V/V)
//   Current(to, from)  1 A driven from node `from` into node `to` through an
//                      ideal current source (the transfer is V/A = ohms);
//                      `from` defaults to ground. A resistor's thermal noise
//                      is Current(a, b) across its two nodes; an op-amp's
//                      input current noise is Current into its + input
//                      (kPlusInput) and into its − input (kOutput).
//   PlusInputVoltage(k) 1 V in series with stage k's + input, positive
//                      towards the op-amp (V/V): an op-amp's voltage noise
//                      or offset.
// Every source other than Input() leaves the input at 0 V: the filter is
// driven from a source of zero impedance that is switched off.
//
// The ideal op-amp has infinite gain and no output resistance (its output
// equals its + input); it is a model like any other here. OpAmpModel is
// the one place an op-amp's properties live: further ones (noise densities,
// output limits) are fields there, and this file is where a new kind of
// model is evaluated. Callers ask the circuit, not the model's kind.

#include <array>
#include <complex>
#include <span>
#include <string>
#include <vector>

#include "engine/design_types.h"
#include "engine/part_name.h"
#include "engine/section_design.h"
#include "engine/stage_maths.h"
#include "response/analysis.h"
#include "response/opamp_circuit.h"
#include "response/opamp_model.h"
#include "response/opamp_time.h"
#include "response/response.h"
#include "response/section.h"
#include "response/time_response.h"
#include "values/warning_sink.h"

namespace kelvara::response {

/// The stages of a request: ceil(order / 2), at most engine::kMaxStages and
/// at least 1. The one place the stage count is taken from the order.
inline int StageCountOf(const DesignRequest& request) {
  const int count = engine::StageCount(request.Order());
  return count > engine::kMaxStages ? engine::kMaxStages : count < 1 ? 1 : count;
}

/// A part by its name as the sheet and the drawings show it: "R3", "C4".
struct PartId {
  char letter = 'R';  // 'R' or 'C'
  int number = 1;     // 1 .. kMaxCircuitParts (the sheet's: 1 .. engine::kMaxParts)
};
/// "R3" for {'R', 3} (engine::PartName).
inline std::string PartName(PartId part) { return engine::PartName(part.letter, part.number); }

/// The drawn filter: request, part values, op-amp, and what is derived from
/// them once (the element values by stage and the ideal sections).
struct CircuitModel {
  DesignRequest request;          // kind (passKind), order (Order()), response, cut-off
  ComponentSet parts;             // parts.r[i] is R(i+1) in ohms, parts.c[i] is C(i+1) in farads
  OpAmpModel opAmp;               // the op-amp of every stage
  OpAmpCircuit drawn;             // element values by stage, the stages' f0 and Q
  Cascade cascade;                // the ideal sections (closed forms)
  std::vector<Section> sections;  // the cascade's sections: parts, nodes, op-amps (section.h)

  int StageCount() const { return static_cast<int>(sections.size()); }
  bool Hpf() const { return request.passKind == engine::kHpf; }
};

/// The sections of a design of the sheet's circuit (unity-gain Sallen-Key
/// stages behind a first-order RC and follower for an odd order), from its
/// part values.
std::vector<Section> SectionsOf(const DesignRequest& request, const ComponentSet& parts);
/// The same from drawn stages' element values.
std::vector<Section> SectionsOf(const OpAmpCircuit& drawn);
/// The sections of an exact design of sections (engine/section_design.h):
/// each stage as the topology its form names, its parts in place.
std::vector<Section> SectionsOf(const engine::SectionsDesign& design);

/// The circuit of sections of any topology with an op-amp: what a topology
/// that the sheet's design does not make is evaluated as. Its request says
/// the kind (the last section's) and the order; `drawn` and `cascade` hold
/// the sections' f0 and Q where the sections are the sheet's form (unity-gain
/// Sallen-Key stages, behind one RC stage at the front for an odd order),
/// and stay empty otherwise (the evaluator reads the sections).
CircuitModel CircuitOfSections(std::vector<Section> sections, const OpAmpModel& opAmp);

/// The ideal cascade of the sections' closed forms: each section's omega,
/// Q and order (SectionFigures) as a stage of unity pass-band gain, in
/// cascade order; the kind is the sections' (they share one). With an ideal
/// op-amp the circuit's transfer is CascadeGain(sections) times this
/// cascade's, so its poles and residues (TimeResponse) are the circuit's.
Cascade CascadeOfSections(std::span<const Section> sections);
/// The poles and residues of the sections with the ideal op-amp, each stage
/// of its section's kind (so band-pass sections too), of unit gain: the
/// circuit's step is CascadeGain(sections) times its Step.
TimeResponse TimeResponseOfSections(std::span<const Section> sections);
/// The time after which the step of band-pass sections (ideal op-amp)
/// stays within band of 0, band a fraction of the unit step times the
/// filter's gain at centreHz (what a 1 V step at the input is measured
/// against; the sections' own centres hold more gain between them).
double BandPassSettlingTimeS(std::span<const Section> sections, double centreHz, double band);

/// The circuit of a design's part values with the given op-amp.
CircuitModel MakeCircuit(const DesignRequest& request, const ComponentSet& parts, const OpAmpModel& opAmp = {});

/// The circuit of drawn stages (their element values) with an op-amp: what
/// an analysis that keeps an OpAmpCircuit evaluates. Its part values are not
/// known here and stay 0; everything the evaluator reads is set.
CircuitModel CircuitOf(const OpAmpCircuit& drawn, const OpAmpModel& opAmp);

/// The circuit of the part texts (ReadComponentValues: every value that
/// reads as 0 gets its own warning). Returns false if any did; `out` is
/// then still the circuit of the values read.
bool ReadCircuit(values::WarningSink& sink, const DesignRequest& request, const engine::PartInputs& inputs,
                 const OpAmpModel& opAmp, CircuitModel& out);

// ---- nodes, sources and parts ----

enum class NodeRole { kGround, kInput, kJunction, kPlusInput, kOutput, kOwn };

struct CircuitNode {
  NodeRole role = NodeRole::kGround;
  int stage = 0;  // ignored for kGround and kInput
  int index = 0;  // kOwn: the section's own node (section.h)

  static CircuitNode Ground() { return {NodeRole::kGround, 0}; }
  static CircuitNode Input() { return {NodeRole::kInput, 0}; }
  static CircuitNode Junction(int stage) { return {NodeRole::kJunction, stage}; }
  static CircuitNode PlusInput(int stage) { return {NodeRole::kPlusInput, stage}; }
  static CircuitNode Output(int stage) { return {NodeRole::kOutput, stage}; }
  static CircuitNode Own(int stage, int index) { return {NodeRole::kOwn, stage, index}; }
};
/// The node of a section's local node (section.h) in the circuit: its
/// input, output and ground, and of its own nodes its op-amp's + input as
/// kPlusInput, a second-order section's node 0 as kJunction, any other as
/// kOwn.
CircuitNode NodeOf(const CircuitModel& circuit, int stage, int local);
bool operator==(const CircuitNode& a, const CircuitNode& b);

/// The last stage's output.
CircuitNode FilterOutput(const CircuitModel& circuit);

/// True where the node exists in this circuit (a first-order stage has no
/// junction; stages past StageCount() none at all).
bool HasNode(const CircuitModel& circuit, const CircuitNode& node);

enum class SourceKind { kInput, kCurrent, kPlusInputVoltage };

struct CircuitSource {
  SourceKind kind = SourceKind::kInput;
  CircuitNode to;    // kCurrent: the current enters here
  CircuitNode from;  // kCurrent: and leaves here
  int stage = 0;     // kPlusInputVoltage: the stage whose + input

  static CircuitSource Input() { return {}; }
  static CircuitSource Current(CircuitNode into, CircuitNode outOf = CircuitNode::Ground()) {
    return {SourceKind::kCurrent, into, outOf, 0};
  }
  static CircuitSource PlusInputVoltage(int stage) { return {SourceKind::kPlusInputVoltage, {}, {}, stage}; }
};

/// One part of the drawn circuit with the nodes it joins.
struct CircuitPart {
  PartId id;
  double value = 0;  // ohms or farads
  int stage = 0;
  CircuitNode a;  // towards the input (or the node it hangs from)
  CircuitNode b;  // towards the op-amp, its output or ground
};

/// Every part R1..Rn, C1..Cn of the order, resistors first, by number.
std::vector<CircuitPart> PartsOf(const CircuitModel& circuit);

// ---- the evaluator at one complex frequency ----

/// A transfer at one complex frequency and its derivative by s. At s = j w
/// the group delay is -Re(dH/ds / H) (closed form, no difference of phases).
struct Transfer {
  std::complex<double> h;     // node voltage per unit of the source
  std::complex<double> dhds;  // dH/ds (unit of h times seconds)

  double GainDb() const;       // 20 log10 |h|; for a current source dB re 1 ohm
  double PhaseDeg() const;     // arg h in (-180, 180]
  double GroupDelayS() const;  // -Re(dhds / h)
};

class CircuitSolve;

/// The transfers from every source to one node at once, read from one solve
/// of the transposed equations (the adjoint): what a noise analysis needs,
/// with a source for every part. Values only, no derivative. It reads the
/// CircuitSolve it came from: use it while that lives.
class CircuitAdjoint {
 public:
  /// The node's voltage per unit of `source` (as TransferTo's h).
  std::complex<double> From(const CircuitSource& source) const;

 private:
  friend class CircuitSolve;
  const CircuitSolve* solve_ = nullptr;
  std::vector<std::complex<double>> z_;  // per unknown: the node's voltage per unit on that row
};

/// The nodal equations of the circuit at one complex frequency s, factorised
/// once; any number of sources and nodes are then read from it at the cost
/// of two triangular solves each. Exact (no approximation but rounding) for
/// the ideal and the real op-amp alike, at any s where the circuit has a
/// solution (not at its poles).
class CircuitSolve {
 public:
  CircuitSolve(const CircuitModel& circuit, std::complex<double> s);

  /// At s = j 2 pi f.
  static CircuitSolve AtHz(const CircuitModel& circuit, double f);

  /// The voltage of `node` per unit of `source`, with its derivative by s.
  Transfer TransferTo(const CircuitSource& source, const CircuitNode& node) const;

  /// The voltages of every node in `nodes` for one source (one solve).
  std::vector<Transfer> TransfersTo(const CircuitSource& source, const std::vector<CircuitNode>& nodes) const;

  /// The voltages only (no derivative) of every node in `nodes`.
  std::vector<std::complex<double>> ValuesTo(const CircuitSource& source, const std::vector<CircuitNode>& nodes) const;

  /// Every source's transfer to `node` (one transposed solve); a node that
  /// does not exist gives no number for every source, ground 0.
  CircuitAdjoint AdjointTo(const CircuitNode& node) const;

  std::complex<double> S() const { return s_; }

 private:
  friend class CircuitAdjoint;
  struct Column;
  Column SolveFor(const CircuitSource& source, bool withDerivative = true) const;
  std::vector<std::complex<double>> RightHandSide(const CircuitSource& source) const;  // unscaled
  void Substitute(std::vector<std::complex<double>>& b) const;                         // b := M^-1 b (rows scaled)
  int IndexOf(const CircuitNode& node) const;                                          // -1: ground, -2: no such node

  std::complex<double> s_;
  int size_ = 0;
  int lower_ = 0;  // the band: entries of L lie within lower_ below the diagonal,
  int upper_ = 0;  // of U within upper_ above it
  int inputRow_ = 0;
  std::array<int, engine::kMaxStages> own_{};  // the first own node of each section
  std::array<int, engine::kMaxStages> ownCount_{};
  std::array<int, engine::kMaxStages> junction_{};
  std::array<int, engine::kMaxStages> plus_{};
  std::array<int, engine::kMaxStages> output_{};
  std::array<int, engine::kMaxStages> opAmpRow_{};
  int stageCount_ = 0;
  std::vector<std::complex<double>> lu_;  // size_ x size_, row-major, factorised
  std::vector<std::complex<double>> m1_;  // dM/ds
  std::vector<double> scale_;             // row scales of M and M1
  std::vector<int> pivot_;
};

/// One transfer at one frequency (Hz): CircuitSolve::AtHz(...).TransferTo(...).
Transfer TransferAtHz(const CircuitModel& circuit, const CircuitSource& source, const CircuitNode& node, double f);

// ---- the views from the input to the filter's output ----

// Every view holds for a circuit of any sections (CircuitOfSections): where
// the circuit is not the sheet's (HasSheetForm), it is the nodal solve's,
// the -3 dB frequency is 3 dB below CircuitPassbandGain, and the time
// curves are those of the ideal op-amp only (CircuitStepImpulse gives none
// with a real one).

/// Whether the circuit is the sheet's, whose closed forms the views take.
bool HasSheetForm(const CircuitModel& circuit);
/// |H| at DC for an LPF, the sections' nominal gain for an HPF.
double CircuitPassbandGain(const CircuitModel& circuit);

/// Gain in dB at f (Hz); with an ideal op-amp exactly ResponseDb.
double CircuitGainDb(const CircuitModel& circuit, double f);
/// The -3 dB frequency: the search of FindCutoff3dB on the circuit's gain,
/// with its sentinels; with an ideal op-amp FindCutoff3dB bit for bit (by
/// the faster form of inverse_power.h).
double CircuitCutoff3dB(const CircuitModel& circuit);
/// The same of the drawn stages with an op-amp (what a tolerance trial keeps).
double CircuitCutoff3dB(const OpAmpCircuit& drawn, const OpAmpModel& opAmp);
/// Group delay in seconds at f.
double CircuitGroupDelayS(const CircuitModel& circuit, double f);

struct FrequencyCurves {
  std::vector<double> gainDb;
  std::vector<double> phaseDeg;  // unwrapped, continuous from far below the band
  std::vector<double> delayS;
};
/// Gain, phase and group delay at ascending frequencies (Hz).
FrequencyCurves CircuitFrequencyCurves(const CircuitModel& circuit, const std::vector<double>& frequencies);

struct TimeCurves {
  std::vector<double> step;     // unit step at t = 0; at t = 0 the value just after it
  std::vector<double> impulse;  // without the Dirac impulse at t = 0
  double diracWeight = 0;       // what the input passes straight through (HPF)
};
/// Step and impulse at `points` equally spaced times from fromS to toS.
/// A circuit of sections that are not the sheet's: with an ideal op-amp
/// exact from their poles and residues (TimeResponseOfSections, times the
/// cascade's gain), with a real one from the state equations of their
/// element lists (opamp_time.h), as the sheet's.
TimeCurves CircuitStepImpulse(const CircuitModel& circuit, double fromS, double toS, int points);

}  // namespace kelvara::response
