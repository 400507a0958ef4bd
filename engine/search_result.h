#pragma once

// The result of a preferred-value search: four indices into the two series.

#include <cstdint>

#include "engine/design_data.h"

namespace kelvara::engine {

/// Four indices into the series, the series' no-value index where no
/// candidate was chosen (and for every fixed part).
///   LPF stage: Ca, Cb in the capacitor series; Ra, Rb in the resistor series.
///   HPF stage: Rb, Ra in the resistor series; Ca, Cb in the capacitor series.
///   First-order stage: C1 in the capacitor series, R1 in the resistor
///   series (third and fourth stay at the no-value index).
struct SearchResult {
  std::int32_t first = NoneIndex;
  std::int32_t second = NoneIndex;
  std::int32_t third = NoneIndex;
  std::int32_t fourth = NoneIndex;

  bool operator==(const SearchResult&) const = default;
};

/// Sets all four indices to NoneIndex.
void ResetSearchResult(SearchResult& result);

/// Sets all four indices to `none`.
inline SearchResult NoneResult(std::int32_t none) { return {none, none, none, none}; }

}  // namespace kelvara::engine
