#include "tolerance/sensitivity.h"

#include <algorithm>
#include <cmath>

#include "engine/part_name.h"
#include "response/part_sensitivity.h"

namespace kelvara::tolerance {
namespace {

void Rank(std::vector<PartSensitivity>& list) {
  std::stable_sort(list.begin(), list.end(), [](const PartSensitivity& a, const PartSensitivity& b) {
    return std::fabs(a.effectPct) > std::fabs(b.effectPct);
  });
}

PartSensitivity Entry(bool capacitor, int index, double sensitivity, const Tolerances& tol) {
  const double pct = capacitor ? tol.cPct[index] : tol.rPct[index];
  return {PartName(capacitor, index), sensitivity, pct, sensitivity * pct};
}

// A design of sections: every part by its name.
SensitivityResult SectionsResult(const ToleranceDesign& design) {
  const response::SectionsSensitivities s = response::SensitivitiesOfSections(design.sections);
  auto entry = [&](const std::pair<response::SectionPartId, double>& part) {
    const double pct = design.tolerances.PctOf(part.first);
    return PartSensitivity{engine::PartName(part.first.letter, part.first.number), part.second, pct, part.second * pct};
  };
  SensitivityResult result;
  for (const auto& stage : s.stageQ) {
    std::vector<PartSensitivity> qList;
    for (const auto& part : stage) qList.push_back(entry(part));
    Rank(qList);
    result.stageQ.push_back(std::move(qList));
  }
  if (s.cutoffKnown) {
    for (const auto& part : s.cutoff) result.minus3db.push_back(entry(part));
    Rank(result.minus3db);
  }
  return result;
}

}  // namespace

SensitivityResult Sensitivities(const ToleranceDesign& design) {
  if (!design.sections.empty()) return SectionsResult(design);
  const int n = design.request.Order();
  const response::PartSensitivities s = response::SensitivitiesOf(design.request, design.parts);
  const Tolerances& tol = design.tolerances;
  SensitivityResult result;
  for (const response::PartSensitivities::StageQ& q : s.stageQ) {
    std::vector<PartSensitivity> qList;
    if (!q.firstOrder) {
      qList = {Entry(false, q.ra, q.dLnQ[0], tol), Entry(false, q.rb, q.dLnQ[1], tol),
               Entry(true, q.ca, q.dLnQ[2], tol), Entry(true, q.cb, q.dLnQ[3], tol)};
      Rank(qList);
    }
    result.stageQ.push_back(std::move(qList));
  }
  if (s.cutoffKnown) {
    for (int i = 0; i < n; ++i) result.minus3db.push_back(Entry(false, i, s.cutoffR[i], tol));
    for (int i = 0; i < n; ++i) result.minus3db.push_back(Entry(true, i, s.cutoffC[i], tol));
    Rank(result.minus3db);
  }
  return result;
}

}  // namespace kelvara::tolerance
