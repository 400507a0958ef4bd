#pragma once

// The SPICE netlist (.cir) of a design, for ngspice and LTspice alike: only
// elements both read (R, C, V, E, G, subcircuits, .ac). The nodes say where
// they are: "in", then per stage k "sk_a" (after the first series part),
// "sk_b" (the + input of a second-order stage) and "sk_out"; the last
// stage's output is "out", so "v(out)" is the filter's output in every
// netlist.
//
// The op-amp's noise is there for ngspice's noise analysis: en as the
// thermal noise of a 1-ohm resistor, scaled by a controlled source in series
// with the + input (its 1/f corner as the flicker noise of that resistor
// biased with 1 A against a noiseless twin), in as another 1-ohm resistor's
// noise turned into a current into the + input; the op-amp's pole and output
// resistors are noiseless ("noisy=0", ngspice's instance parameter). With
// ".temp" at the design temperature, ".noise v(out) V1 ..." gives the
// numbers of the noise analysis.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/design_types.h"
#include "engine/part_series.h"
#include "response/opamp_model.h"
#include "response/section.h"

namespace kelvara::exports {

struct NetlistOptions {
  response::OpAmpModel opamp;  // ideal: a VCVS of gain 1e6; its noise as sources .noise sees
  double temperatureC = 25;    // the .temp of the resistors' thermal noise
  double fStartHz = 1e3;       // .ac dec 100 fStartHz fStopHz
  double fStopHz = 1e6;
  std::string date;  // as printed in the header, e.g. "2026-12-08"
  std::string program = "Kelvara";
  /// The series the preferred values came from, for the "Values" comment.
  engine::SeriesChoice series;
};

/// Gain of the ideal op-amp's controlled source.
inline constexpr double kIdealOpAmpGain = 1e6;

/// The netlist text (LF line ends, ASCII).
std::string WriteSpiceNetlist(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                              const NetlistOptions& options);

/// The netlist of a cascade of sections of any topology (section.h), each
/// section writing its own lines as the design's netlist does; the header
/// names each section's topology.
std::string WriteSectionsNetlist(const std::vector<response::Section>& sections, const NetlistOptions& options);

/// What a netlist holds at its top level.
struct ParsedNetlist {
  std::string title;
  std::map<std::string, double> values;                              // "R1" -> ohms, "C1" -> farads (top level only)
  std::map<std::string, std::pair<std::string, std::string>> nodes;  // the two nodes of each of them
  std::optional<double> acStartHz;
  std::optional<double> acStopHz;
  bool ended = false;  // a ".end" line was found
};

/// Reads a netlist back; elements inside .subckt are skipped. Nothing when a
/// top-level R or C line has no readable value.
std::optional<ParsedNetlist> ReadSpiceNetlist(std::string_view text);

}  // namespace kelvara::exports
