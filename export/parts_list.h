#pragma once

// The parts list of a design (CSV, UTF-8 with a byte-order mark): a header,
// one row per part R1..Rn, C1..Cn, an empty line, then one row per distinct
// value with the parts that have it and how many to order.
//
//   部品,値,値 (Ω/F),系列,許容差,段,数量
//   R1,4.70k,4700,E24,1%,1,1
//   ...
//
//   "R1, R2",4.70k,4700,E24,1%,,2

#include <map>
#include <optional>
#include <string>

#include "engine/design_types.h"
#include "engine/part_series.h"

namespace kelvara::exports {

struct PartsListOptions {
  /// Tolerance texts ("1%", "5%"); empty leaves the column empty.
  std::string resistorTolerance;
  std::string capacitorTolerance;
  /// Parts' own tolerances ("R3" -> "0.1%"), before the two above.
  std::map<std::string, std::string> partTolerance;
  /// The series the preferred values came from (the program's own unless set).
  engine::SeriesChoice series;
};

/// The header fields, in order.
inline constexpr const char* kPartsListHeader[] = {"部品", "値", "値 (Ω/F)", "系列", "許容差", "段", "数量"};

std::string WritePartsList(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                           const PartsListOptions& options = {});

}  // namespace kelvara::exports
