#pragma once

// A filter is a cascade of sections: each one op-amp stage of a topology,
// with its parts named by role, every part between two nodes, the op-amp's
// inputs and output, and its natural frequency, Q and pass-band gain from
// its parts in closed form. Everything that draws, writes or evaluates the
// circuit reads the element list from here: the nodal solve (circuit.h),
// the parts with their nodes (PartsOf), the netlist, the noise sources.
//
// A topology declares what it accepts (its order, the kinds it passes, the
// gain it realises) and is listed in one registry; a new topology is one
// class here (or in a test) and RegisterSectionTopology.
//
// Nodes of a section are local: kSectionGround, kSectionInput (the previous
// section's output or the filter's input), kSectionOutput (the op-amp's
// output, after its output resistance) and the section's own nodes 0, 1, ...
// The nodal solve numbers the own nodes in that order, before the output.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "values/filter_catalogue.h"

namespace kelvara::response {

/// What a section passes.
enum class SectionKind : std::uint8_t { kLowPass, kHighPass, kBandPass };

inline constexpr int kSectionGround = -3;
inline constexpr int kSectionInput = -2;
inline constexpr int kSectionOutput = -1;
// 0, 1, ...: the section's own nodes.

/// One part of a section: its role ("Ra", "Cb", as the design documents
/// name them), resistor or capacitor, and the two local nodes it joins (a
/// towards the input, b towards the op-amp, its output or ground).
struct SectionPart {
  const char* role = "";
  char letter = 'R';  // 'R' or 'C'
  int a = kSectionInput;
  int b = kSectionGround;
};

/// A section's circuit for one kind: its parts in the order they are
/// numbered, its own nodes' names (a netlist writes them s<k>_<name>) and
/// its op-amp's inputs (local nodes; a follower's - input is its output,
/// an inverting stage's + input ground).
struct SectionLayout {
  std::vector<SectionPart> parts;
  std::vector<const char*> nodeNames;
  int opAmpPlus = 0;
  int opAmpMinus = kSectionOutput;
};

/// What a section's parts give it, with an ideal op-amp.
struct SectionFigures {
  double omega = 0;  // natural (corner) angular frequency, rad/s
  double q = 0;      // 0 for a first-order section
  double gain = 1;   // the signed pass-band gain (V/V)
};

/// d ln(figure) / d ln(part) of one part (gain: of its magnitude).
struct SectionSensitivity {
  double omega = 0;
  double q = 0;
  double gain = 0;
};

class SectionTopology {
 public:
  virtual ~SectionTopology() = default;

  /// The name kelvara-design and the files use ("sallen-key").
  virtual std::string_view Id() const = 0;
  /// How it is described in netlists and reports.
  virtual std::string_view Description() const = 0;
  /// 1 or 2.
  virtual int Order() const = 0;
  virtual bool Accepts(SectionKind kind) const = 0;
  /// Whether its pass-band gain is negative.
  virtual bool Inverting() const = 0;
  /// The pass-band gain magnitudes it realises.
  virtual double MinGain() const = 0;
  virtual double MaxGain() const = 0;

  /// The layout of one kind it accepts; it lives as long as the topology.
  virtual const SectionLayout& Layout(SectionKind kind) const = 0;
  /// The figures of part values given in the layout's order.
  virtual SectionFigures Figures(SectionKind kind, std::span<const double> values) const = 0;
  /// One sensitivity per part, in the layout's order.
  virtual std::vector<SectionSensitivity> Sensitivities(SectionKind kind, std::span<const double> values) const = 0;
};

/// Every topology, the program's own first (in the order below), then
/// those registered later.
const std::vector<const SectionTopology*>& SectionTopologies();
/// The topology of that id, or null.
const SectionTopology* FindSectionTopology(std::string_view id);
/// Adds a topology to the registry for the rest of the process (the
/// registry keeps it). Register before any analysis runs: the registry is
/// not locked.
void RegisterSectionTopology(std::unique_ptr<SectionTopology> topology);

/// The program's own topologies.
const SectionTopology& SallenKeyTopology();   // unity-gain second order: "sallen-key"
const SectionTopology& RcFollowerTopology();  // first-order RC and follower: "rc-follower"
// Multiple feedback, inverting (sections_mfb.cpp): second order "mfb", the
// first-order RC of its odd orders "rc-inverting".
const SectionTopology& MfbTopology();
const SectionTopology& RcInvertingTopology();
// Sallen-Key with a non-inverting amplifier, K = 1 + Rf/Rg
// (sections_gain.cpp): second order "sallen-key-gain", first order "rc-gain".
const SectionTopology& SallenKeyGainTopology();
const SectionTopology& RcGainTopology();

/// A part's name in the cascade: letter and number ("R3").
struct SectionPartId {
  char letter = 'R';
  int number = 1;
};

/// The most parts a section has.
inline constexpr int kMaxSectionParts = 8;
/// The most parts of one letter a cascade of sections numbers (R1..R32):
/// every stage of the highest order with a section of the most parts.
inline constexpr int kMaxCircuitParts = ((values::kMaxOrder + 1) / 2) * kMaxSectionParts;

/// One section with its part values (kept in place: a circuit of sections
/// is made for every trial of a tolerance run).
struct Section {
  const SectionTopology* topology = nullptr;
  SectionKind kind = SectionKind::kLowPass;
  const SectionLayout* layout = nullptr;              // topology->Layout(kind)
  std::array<double, kMaxSectionParts> values{};      // ohms or farads, in the layout's order
  std::array<SectionPartId, kMaxSectionParts> ids{};  // each part's name in the cascade

  int PartCount() const { return static_cast<int>(layout->parts.size()); }
  std::span<const double> Values() const { return {values.data(), static_cast<std::size_t>(PartCount())}; }
  SectionFigures Figures() const { return topology->Figures(kind, Values()); }
  int OwnNodes() const { return static_cast<int>(layout->nodeNames.size()); }
};

/// A section of `topology` with these values (at most kMaxSectionParts; a
/// part without a value is 0); its parts are numbered on from `next` (per
/// letter: next[0] resistors, next[1] capacitors), which is moved past
/// them: each letter is numbered through the cascade in the order the
/// sections and their layouts give, as a schematic numbers them.
Section MakeSection(const SectionTopology& topology, SectionKind kind, std::span<const double> values,
                    std::array<int, 2>& next);
inline Section MakeSection(const SectionTopology& topology, SectionKind kind, std::initializer_list<double> values,
                           std::array<int, 2>& next) {
  return MakeSection(topology, kind, std::span<const double>(values.begin(), values.size()), next);
}

/// The signed pass-band gain of a cascade: the product of its sections'.
double CascadeGain(std::span<const Section> sections);

}  // namespace kelvara::response
