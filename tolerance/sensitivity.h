#pragma once

// Which parts matter most: the normalised sensitivities (d ln y / d ln x) of
// the -3 dB frequency and of each stage's Q to every part, at the nominal
// design, in closed form, ranked by the effect of the part's tolerance.

#include <string>
#include <vector>

#include "tolerance/trial.h"

namespace kelvara::tolerance {

struct PartSensitivity {
  std::string part;        // "R3"
  double sensitivity = 0;  // d ln y / d ln part
  double tolerancePct = 0;
  double effectPct = 0;  // sensitivity * tolerance: % change of y at +tol
};

struct SensitivityResult {
  /// Every part of the order, largest |effectPct| first (ties in the order
  /// R1..Rn, C1..Cn). Empty when the -3 dB frequency is a sentinel.
  std::vector<PartSensitivity> minus3db;
  /// Per stage in cascade order, that stage's four parts (a design of
  /// sections: all its parts) ranked likewise; empty for a first-order
  /// stage (other parts do not move a stage's Q).
  std::vector<std::vector<PartSensitivity>> stageQ;
};

/// The -3 dB sensitivity follows from the implicit function theorem at the
/// searched -3 dB frequency f3: with G = ln |H|^2,
/// S = -(dG / d ln x) / (dG / d ln f) at f3, through each stage's
/// d ln w0 / d ln x = -1/2 (-1 for the RC section) and Q's sensitivities.
/// Always of the ideal-op-amp response (the design's op-amp is not used).
SensitivityResult Sensitivities(const ToleranceDesign& design);

}  // namespace kelvara::tolerance
