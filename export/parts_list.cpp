#include "export/parts_list.h"

#include <algorithm>
#include <vector>

#include "export/csv.h"
#include "export/design_parts.h"
#include "export/spice_number.h"
#include "values/eng_value.h"

namespace kelvara::exports {

namespace {

std::string DisplayValue(const DesignPart& part) {
  return part.capacitor ? values::FormatCapacitance(part.value) : values::FormatResistanceDisplay(part.value);
}

}  // namespace

std::string WritePartsList(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                           const PartsListOptions& options) {
  const std::vector<DesignPart> list = PartsOfDesign(request, parts);
  std::string text(kUtf8Bom);
  text += CsvLine(std::vector<std::string>(std::begin(kPartsListHeader), std::end(kPartsListHeader)));
  auto kindTolerance = [&](bool capacitor) {
    return capacitor ? options.capacitorTolerance : options.resistorTolerance;
  };
  auto tolerance = [&](const DesignPart& part) {
    const auto own = options.partTolerance.find(part.Name());
    return own != options.partTolerance.end() ? own->second : kindTolerance(part.capacitor);
  };
  auto series = [&](bool capacitor) { return SeriesOfPart(request, capacitor, options.series); };
  for (const DesignPart& part : list) {
    text += CsvLine({part.Name(), DisplayValue(part), SpiceNumber(part.value), series(part.capacitor), tolerance(part),
                     std::to_string(part.stage), "1"});
  }
  text += "\r\n";

  // Distinct values, resistors first, each kind in ascending value; the
  // parts in their numbering order.
  std::vector<DesignPart> sorted = list;
  std::stable_sort(sorted.begin(), sorted.end(), [&](const DesignPart& a, const DesignPart& b) {
    if (a.capacitor != b.capacitor) return !a.capacitor;
    if (a.value != b.value) return a.value < b.value;
    return tolerance(a) < tolerance(b);
  });
  for (std::size_t i = 0; i < sorted.size();) {
    std::size_t j = i;
    std::string names;
    // One row per value and tolerance: parts of one value with their own
    // tolerances are ordered apart.
    while (j < sorted.size() && sorted[j].capacitor == sorted[i].capacitor && sorted[j].value == sorted[i].value &&
           tolerance(sorted[j]) == tolerance(sorted[i])) {
      names += (names.empty() ? "" : ", ") + sorted[j].Name();
      ++j;
    }
    const DesignPart& part = sorted[i];
    text += CsvLine({names, DisplayValue(part), SpiceNumber(part.value), series(part.capacitor), tolerance(part), "",
                     std::to_string(j - i)});
    i = j;
  }
  return text;
}

}  // namespace kelvara::exports
