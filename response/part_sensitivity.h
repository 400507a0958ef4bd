#pragma once

// How the ideal cascade's -3 dB frequency and each stage's Q move with every
// part: the normalised sensitivities d ln y / d ln part, in closed form at
// the nominal part values.

#include <array>
#include <utility>
#include <vector>

#include "engine/design_types.h"
#include "response/section.h"

namespace kelvara::response {

struct PartSensitivities {
  /// d ln f3 / d ln part of R1..Rn and C1..Cn (entry i is part i + 1);
  /// given only when the -3 dB frequency is found inside the range and
  /// moves with frequency.
  bool cutoffKnown = false;
  std::array<double, engine::kMaxParts> cutoffR{};
  std::array<double, engine::kMaxParts> cutoffC{};

  /// Per stage in cascade order: the indices of its parts (ra, rb, ca, cb;
  /// R1/C1 alone for the first-order stage) and d ln Q / d ln part of each
  /// (none for a first-order stage).
  struct StageQ {
    bool firstOrder = false;
    int ra = -1, rb = -1, ca = -1, cb = -1;
    std::array<double, 4> dLnQ{};  // ra, rb, ca, cb
  };
  std::vector<StageQ> stageQ;
};

/// The same of a circuit of any sections (section.h), every part by name.
struct SectionsSensitivities {
  /// d ln f3 / d ln part of every part, resistors first, by number; 0 each
  /// unless cutoffKnown.
  bool cutoffKnown = false;
  std::vector<std::pair<SectionPartId, double>> cutoff;
  /// Per stage in cascade order: d ln Q / d ln part of each of its parts in
  /// its layout's order; empty for a first-order stage.
  std::vector<std::vector<std::pair<SectionPartId, double>>> stageQ;
};
SectionsSensitivities SensitivitiesOfSections(const std::vector<Section>& sections);

/// With G = ln |H|^2 at the searched -3 dB frequency f3, the implicit
/// function theorem gives S = -(dG / d ln part) / (dG / d ln f), through
/// each stage's d ln w0 / d ln part = -1/2 (-1 for the RC section) and Q's
/// own sensitivities.
PartSensitivities SensitivitiesOf(const engine::DesignRequest& request, const engine::ComponentSet& parts);

}  // namespace kelvara::response
