#pragma once

// The parts of a design in the order the window numbers them, with the
// stage each belongs to, and the words that describe a design in the
// exported files.

#include <string>
#include <vector>

#include "engine/design_types.h"

namespace kelvara::exports {

struct DesignPart {
  bool capacitor = false;
  int number = 1;    // R<number> or C<number>
  int stage = 1;     // 1-based, in cascade order
  double value = 0;  // ohms or farads
  std::string Name() const { return (capacitor ? "C" : "R") + std::to_string(number); }
};

/// R1..Rn, then C1..Cn, of the request's order.
std::vector<DesignPart> PartsOfDesign(const engine::DesignRequest& request, const engine::ComponentSet& parts);

/// The 1-based stage of part number (1..order): an odd order's R1/C1 form
/// the first-order stage 1.
int StageOfPart(int order, int number);

/// Number of stages of an order (1, 2, 2, 3, 3, 4, 4 for 2..8).
int StageCount(int order);

/// "LPF" or "HPF".
std::string KindName(const engine::DesignRequest& request);
/// "Butterworth", "Bessel" or "Chebyshev 0.25 dB".
std::string ResponseName(const engine::DesignRequest& request);
/// The series of a resistor or capacitor: "E24", "E12", or "任意" (any
/// value) when the design asked for any values.
std::string SeriesOfPart(const engine::DesignRequest& request, bool capacitor);

}  // namespace kelvara::exports
