#pragma once

// Cascades for the analysis tests: single sections given by omega and Q,
// and designs made by the engine.

#include <initializer_list>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "response/analysis.h"
#include "tests/support/component_sets.h"
#include "tests/support/recording_run.h"

namespace kelvara::testing {

/// A cascade of the given sections (order 1 or 2, omega, Q), in order.
struct SectionSpec {
  int order;
  double omega;
  double q;
};

inline response::Cascade Sections(bool hpf, std::initializer_list<SectionSpec> specs) {
  response::Cascade c;
  c.request.passKind = hpf ? engine::kHpf : engine::kLpf;
  int order = 0;
  for (const SectionSpec& s : specs) {
    c.stage[c.count] = {s.order, s.omega, s.order == 1 ? 0.0 : s.q, 1 + order};
    c.stages.omega[c.count] = s.omega;
    c.stages.q[c.count] = s.order == 1 ? 0.0 : s.q;
    ++c.count;
    order += s.order;
  }
  c.request.orderIndex = static_cast<std::uint8_t>(order - 2);
  c.request.evenOrder = order % 2 == 0;
  return c;
}

inline engine::DesignRequest AnalysisRequest(int kind, int order, int response, const char* cutoff, bool series) {
  return engine::MakeDesignRequest({.passKind = kind,
                                    .orderIndex = order - 2,
                                    .response = response,
                                    .cutoffText = cutoff,
                                    .capE12 = series,
                                    .resE24 = series,
                                    .anyValues = !series});
}

inline engine::ComponentSet DesignedParts(const engine::DesignRequest& request) {
  engine::ComponentSet parts = AllAuto();
  RecordingRun run;
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  return parts;
}

}  // namespace kelvara::testing
