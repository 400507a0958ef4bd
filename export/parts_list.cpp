#include "export/parts_list.h"

#include <algorithm>
#include <set>
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

// The table of these parts; with roles, the 役割 column before 数量.
std::string WriteList(const engine::DesignRequest& request, const std::vector<DesignPart>& parts,
                      const PartsListOptions& options, bool roles) {
  std::string text(kUtf8Bom);
  text +=
      roles
          ? CsvLine(std::vector<std::string>(std::begin(kSectionsPartsListHeader), std::end(kSectionsPartsListHeader)))
          : CsvLine(std::vector<std::string>(std::begin(kPartsListHeader), std::end(kPartsListHeader)));
  auto kindTolerance = [&](bool capacitor) {
    return capacitor ? options.capacitorTolerance : options.resistorTolerance;
  };
  auto tolerance = [&](const DesignPart& part) {
    const auto own = options.partTolerance.find(part.Name());
    return own != options.partTolerance.end() ? own->second : kindTolerance(part.capacitor);
  };
  auto series = [&](bool capacitor) { return SeriesOfPart(request, capacitor, options.series); };

  // Resistors first, each kind in ascending value; the parts of a row in
  // their numbering order. Parts are alike when they are of one kind and
  // tolerance and their values read the same (SiNumber), so values that
  // differ in the last bits of a double are ordered together.
  std::vector<DesignPart> sorted = parts;
  std::stable_sort(sorted.begin(), sorted.end(), [&](const DesignPart& a, const DesignPart& b) {
    if (a.capacitor != b.capacitor) return !a.capacitor;
    if (a.value != b.value) return a.value < b.value;
    return tolerance(a) < tolerance(b);
  });
  auto alike = [&](const DesignPart& a, const DesignPart& b) {
    return a.capacitor == b.capacitor && SiNumber(a.value) == SiNumber(b.value) && tolerance(a) == tolerance(b);
  };
  std::vector<bool> taken(sorted.size(), false);
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    if (taken[i]) continue;
    std::vector<const DesignPart*> row;
    for (std::size_t j = i; j < sorted.size(); ++j) {
      if (!taken[j] && alike(sorted[i], sorted[j])) {
        taken[j] = true;
        row.push_back(&sorted[j]);
      }
    }
    std::sort(row.begin(), row.end(), [](const DesignPart* a, const DesignPart* b) { return a->number < b->number; });
    std::string names, roleNames;
    std::set<int> stageSet;
    for (const DesignPart* part : row) {
      names += (names.empty() ? "" : ", ") + part->Name();
      roleNames += (roleNames.empty() ? "" : ", ") + part->role;
      stageSet.insert(part->stage);
    }
    std::string stages;
    for (int stage : stageSet) stages += (stages.empty() ? "" : ", ") + std::to_string(stage);
    const DesignPart& part = *row.front();
    std::vector<std::string> fields = {
        names, DisplayValue(part), SiNumber(part.value), series(part.capacitor), tolerance(part), stages};
    if (roles) fields.push_back(roleNames);
    fields.push_back(std::to_string(row.size()));
    text += CsvLine(fields);
  }
  return text;
}

}  // namespace

std::string WritePartsList(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                           const PartsListOptions& options) {
  return WriteList(request, PartsOfDesign(request, parts), options, false);
}

std::string WriteSectionsPartsList(const engine::DesignRequest& request, const std::vector<response::Section>& sections,
                                   const PartsListOptions& options) {
  return WriteList(request, PartsOfSections(sections), options, true);
}

}  // namespace kelvara::exports
