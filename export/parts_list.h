#pragma once

// The parts list of a design (CSV, UTF-8 with a byte-order mark), one table
// as parts orders and bill-of-materials tools read it: a header, then one
// row per distinct value, series and tolerance with the parts that have it,
// their stages and how many to order. Resistors come first, each kind in
// ascending value; the 数量 column sums to the number of parts.
//
//   部品,値,値 (Ω/F),系列,許容差,段,数量
//   "R1, R2, R5",4.70k,4.7e3,E24,1%,"1, 3",3
//   R3,10.00k,10e3,E24,1%,2,1

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/design_types.h"
#include "engine/part_series.h"
#include "response/section.h"

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

/// The parts list of a circuit of any sections (MFB, Sallen-Key with gain):
/// the same table with the roles of a row's parts (in the order of its
/// names) before 数量. The request says how the values were chosen (series).
inline constexpr const char* kSectionsPartsListHeader[] = {"部品",   "値", "値 (Ω/F)", "系列",
                                                           "許容差", "段", "役割",     "数量"};
std::string WriteSectionsPartsList(const engine::DesignRequest& request, const std::vector<response::Section>& sections,
                                   const PartsListOptions& options = {});

}  // namespace kelvara::exports
