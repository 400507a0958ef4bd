#pragma once

// Part sets for engine tests: every part automatic, or single parts fixed.

#include "engine/design_types.h"

namespace kelvara::testing {

inline engine::ComponentSet AllAuto() {
  engine::ComponentSet parts;
  parts.rAuto.fill(true);
  parts.cAuto.fill(true);
  return parts;
}

/// Fixes resistor R<number> (1-based) at value.
inline void FixR(engine::ComponentSet& parts, int number, double value) {
  parts.rAuto[number - 1] = false;
  parts.rFixed[number - 1] = true;
  parts.r[number - 1] = value;
}

/// Fixes capacitor C<number> (1-based) at value.
inline void FixC(engine::ComponentSet& parts, int number, double value) {
  parts.cAuto[number - 1] = false;
  parts.cFixed[number - 1] = true;
  parts.c[number - 1] = value;
}

}  // namespace kelvara::testing
