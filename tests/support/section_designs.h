#pragma once

// An exact design of sections (MFB or Sallen-Key with gain) at 1 kHz for the
// tests: the stage targets of the Butterworth response, planned and designed
// as kelvara-design designs them, as sections.

#include <cstdint>
#include <variant>
#include <vector>

#include "engine/design.h"
#include "engine/section_design.h"
#include "response/circuit.h"

namespace kelvara::testing {

inline std::vector<response::Section> DesignedSections(
    std::uint8_t kind, int order, engine::SectionFamily family, double gain,
    engine::StageOrder stageOrder = engine::StageOrder::kAscendingQ) {
  engine::DesignRequest r;
  r.cutoffHz = 1e3;
  r.passKind = kind;
  r.orderIndex = static_cast<std::uint8_t>(order - 2);
  r.evenOrder = order % 2 == 0;
  engine::SectionPlanInputs in;
  in.passKind = kind;
  in.order = order;
  in.family = family;
  in.gain = gain;
  in.stageOrder = stageOrder;
  const auto planned = engine::PlanSections(in, engine::BuildStageTargets(r));
  const auto& plans = std::get<std::vector<engine::StagePlan>>(planned);
  return response::SectionsOf(engine::DesignSections(plans, kind == engine::kHpf, {}));
}

}  // namespace kelvara::testing
