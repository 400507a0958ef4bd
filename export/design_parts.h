#pragma once

// The parts of a design in the order the window numbers them, with the
// stage each belongs to, and the words that describe a design in the
// exported files.

#include <string>
#include <vector>

#include "engine/design_types.h"
#include "engine/part_series.h"
#include "response/section.h"

namespace kelvara::exports {

struct DesignPart {
  bool capacitor = false;
  int number = 1;    // R<number> or C<number>
  int stage = 1;     // 1-based, in cascade order
  double value = 0;  // ohms or farads
  std::string role;  // its role in its section's layout ("Rin", "Cf", "Ra")
  std::string Name() const { return (capacitor ? "C" : "R") + std::to_string(number); }
};

/// R1..Rn, then C1..Cn, of the request's order, each with the stage its
/// section is (the sections of response/circuit.h: an odd order's R1/C1
/// form the first-order stage 1).
std::vector<DesignPart> PartsOfDesign(const engine::DesignRequest& request, const engine::ComponentSet& parts);
/// Every part of a circuit of any sections (response/section.h), resistors
/// first, by number, each with its stage and role.
std::vector<DesignPart> PartsOfSections(const std::vector<response::Section>& sections);

/// "LPF" or "HPF".
std::string KindName(const engine::DesignRequest& request);
/// "Butterworth", "Bessel", "Chebyshev 0.25 dB", "Legendre", "Linkwitz-Riley".
std::string ResponseName(const engine::DesignRequest& request);
/// The series of a resistor or capacitor: "E24", "E12", or "任意" (any
/// value) when the design asked for any values; a series chosen in place of
/// the program's own is named instead ("E6", "E96").
std::string SeriesOfPart(const engine::DesignRequest& request, bool capacitor, const engine::SeriesChoice& series = {});

/// Both series in words, for the design parameters and the evaluation:
/// "ＣはE12系列、ＲはE24系列" (the program's own), "ＣはE6系列、ＲはE96系列",
/// "Ｃは任意" for a kind not drawn from a series; empty for any values.
std::string SeriesDescription(const engine::DesignRequest& request, const engine::SeriesChoice& series = {});

}  // namespace kelvara::exports
