#pragma once

// One design with its part tolerances, one trial of it, and what a trial
// measures: the -3 dB frequency and each stage's f0, Q and peak gain.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/design_types.h"
#include "response/circuit_batch.h"
#include "response/gain_mask.h"
#include "response/opamp_circuit.h"
#include "response/opamp_model.h"
#include "response/response.h"
#include "response/section.h"

namespace kelvara::tolerance {

using engine::ComponentSet;
using engine::DesignRequest;
using engine::kMaxParts;
using engine::kMaxStages;

enum class Distribution : std::uint8_t {
  kUniform,  // uniform within +-tolerance
  kNormal,   // normal with the tolerance as 3 sigma
};

/// Tolerance of every part in per cent; entry i is part i + 1.
struct Tolerances {
  std::array<double, kMaxParts> rPct{};
  std::array<double, kMaxParts> cPct{};
  /// Of the op-amp's gain-bandwidth, used with a real op-amp only.
  double gbwPct = 0;
  /// Parts numbered beyond kMaxParts (a design of sections has more: an
  /// MFB low-pass of order 8 has R1..R12): every such resistor's and
  /// capacitor's tolerance, and single parts' own ones.
  double moreRPct = 0;
  double moreCPct = 0;
  std::vector<std::pair<response::SectionPartId, double>> moreOwn;

  /// The same tolerance for every resistor and for every capacitor.
  static Tolerances Uniform(double rPct, double cPct) {
    Tolerances t;
    t.rPct.fill(rPct);
    t.cPct.fill(cPct);
    t.moreRPct = rPct;
    t.moreCPct = cPct;
    return t;
  }

  /// The tolerance of any part by name (R3, C12).
  double PctOf(response::SectionPartId part) const;
  /// Gives one part its own tolerance.
  void SetPct(response::SectionPartId part, double pct);
};

/// The nominal design and its tolerances.
struct ToleranceDesign {
  DesignRequest request;
  ComponentSet parts;  // nominal values; parts 1..order are used
  Tolerances tolerances;
  Distribution distribution = Distribution::kUniform;
  /// Ideal (the default): the gain of ResponseDb. Real: every stage's op-amp
  /// has this model, its GBW varied by gbwPct, and gains, phases, delays
  /// and the -3 dB frequency are those of the drawn circuit.
  response::OpAmpModel opamp;
  /// A circuit of any sections (response/section.h) in place of the sheet's
  /// design: when not empty it is the nominal circuit, `request` and
  /// `parts` are not read, and each part has the tolerance
  /// tolerances.PctOf gives it. Its trials are evaluated by the
  /// circuit's views (the nodal solve), its mask relative to its pass-band
  /// gain.
  std::vector<response::Section> sections;
};

/// One trial: its part values and its op-amp.
struct Trial {
  ComponentSet parts;
  response::OpAmpModel opamp;
  std::vector<response::Section> sections;  // a design of sections: the trial's
};

/// The trial's draws, in the order R1, C1, R2, C2, ..., then the GBW (drawn
/// only with a real op-amp, so the parts do not depend on it). A design of
/// sections draws the same way up to its highest part number.
Trial TrialOf(const ToleranceDesign& design, std::uint64_t seed, int trial);

/// The part values of one trial: each part of the order is its nominal value
/// times (1 + tol/100 * d), d drawn from the trial's own stream in the order
/// R1, C1, R2, C2, ... With zero tolerance a part keeps its value exactly.
ComponentSet TrialParts(const ToleranceDesign& design, std::uint64_t seed, int trial);

using response::GainMask;
using response::MeetsMask;
using response::StageF0Hz;
using response::StagePeakDb;

/// What one trial measures. Stage k is the k-th stage in cascade order
/// (slot k); q and peak are 0 for a first-order stage. The peak is the
/// resonance's height above the stage's pass band (StagePeakDb); of a
/// band-pass section its own gain at its centre.
struct TrialFigures {
  double minus3dbHz = 0;  // FindCutoff3dB (bit for bit), with its sentinels
  std::array<double, kMaxStages> f0Hz{};
  std::array<double, kMaxStages> q{};
  std::array<double, kMaxStages> peakDb{};
};

/// A trial's figures from what its slot of a response::CircuitBatch
/// measured: the -3 dB frequency of the circuit with its op-amp (the ideal
/// one: FindCutoff3dB bit for bit), f0, Q and peak of the part values.
TrialFigures MeasureTrial(const DesignRequest& request, const response::CircuitBatch::Measures& measures);

/// Frequencies of the chart's sweep from fStart to 1.2 fTop in 5 % steps,
/// exactly as SweepResponse hands them out.
std::vector<double> SweepFrequencies(double fStart, double fTop);

/// "R3" / "C1" for part index i (0-based) of the resistors or capacitors.
std::string PartName(bool capacitor, int index);

}  // namespace kelvara::tolerance
