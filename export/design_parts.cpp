#include "export/design_parts.h"

#include <algorithm>

#include "response/circuit.h"

namespace kelvara::exports {

std::vector<DesignPart> PartsOfDesign(const engine::DesignRequest& request, const engine::ComponentSet& parts) {
  return PartsOfSections(response::SectionsOf(request, parts));
}

std::vector<DesignPart> PartsOfSections(const std::vector<response::Section>& sections) {
  // Every part of every section with the stage it is in, then R1..Rn and
  // C1..Cn by number.
  std::vector<DesignPart> list;
  for (std::size_t k = 0; k < sections.size(); ++k) {
    const response::Section& s = sections[k];
    for (int i = 0; i < s.PartCount(); ++i) {
      list.push_back(
          {s.ids[i].letter == 'C', s.ids[i].number, static_cast<int>(k) + 1, s.values[i], s.layout->parts[i].role});
    }
  }
  std::stable_sort(list.begin(), list.end(), [](const DesignPart& a, const DesignPart& b) {
    return a.capacitor != b.capacitor ? !a.capacitor : a.number < b.number;
  });
  return list;
}

std::string KindName(const engine::DesignRequest& request) { return request.passKind == engine::kHpf ? "HPF" : "LPF"; }

std::string ResponseName(const engine::DesignRequest& request) {
  const std::string label = values::ResponseEnglishLabel(request.response, request.rippleIndex);
  return label.empty() ? "Butterworth" : label;
}

std::string SeriesOfPart(const engine::DesignRequest& request, bool capacitor, const engine::SeriesChoice& series) {
  if (request.anyValues) return "任意";
  if (capacitor) {
    if (!request.capE12) return "任意";
    return series.cap == engine::CapSeriesKind::kDefault ? "E12" : std::string(engine::CapSeriesName(series.cap));
  }
  if (!request.resE24) return "任意";
  return series.res == engine::ResSeriesKind::kDefault ? "E24" : std::string(engine::ResSeriesName(series.res));
}

std::string SeriesDescription(const engine::DesignRequest& request, const engine::SeriesChoice& series) {
  if (request.anyValues) return {};
  auto kind = [&](const char* part, bool capacitor) {
    const std::string name = SeriesOfPart(request, capacitor, series);
    return part + name + (name == "任意" ? "" : "系列");
  };
  return kind("Ｃは", true) + "、" + kind("Ｒは", false);
}

}  // namespace kelvara::exports
