#include "tolerance/requirement_parts.h"

#include "engine/run_checks.h"
#include "engine/run_sequence.h"
#include "engine/run_state.h"
#include "engine/sheet_inputs.h"

namespace kelvara::tolerance {
namespace {

// A run without a window: never stopped, warnings collected.
class QuietRun final : public engine::RunState {
 public:
  bool StopRequested() const override { return false; }
  void Warn(const std::string& caption, const std::string& text) override { warnings.emplace_back(caption, text); }
  std::vector<std::pair<std::string, std::string>> warnings;

 protected:
  void ShowProgress(int) override {}
};

engine::SheetInputs CandidateInputs(const response::Requirement& requirement,
                                    const response::RequirementCandidate& candidate, bool anyValues) {
  engine::SheetInputs in;
  in.passKind = requirement.passKind;
  in.cutoffText = candidate.cutoffText;
  in.orderIndex = candidate.order.value_or(values::kMinOrder) - values::kMinOrder;
  in.response = candidate.response;
  in.rippleIndex = candidate.rippleIndex;
  in.anyValues = anyValues;
  return in;
}

}  // namespace

engine::DesignRequest CandidateRequest(const response::Requirement& requirement,
                                       const response::RequirementCandidate& candidate, bool anyValues) {
  return engine::RequestOf(CandidateInputs(requirement, candidate, anyValues));
}

std::optional<RealisedCandidate> RealiseCandidate(const response::Requirement& requirement,
                                                  const response::RequirementCandidate& candidate,
                                                  const engine::PartSeries* series) {
  if (!candidate.order) return std::nullopt;
  const engine::SheetInputs inputs = CandidateInputs(requirement, candidate, false);
  QuietRun run;
  run.partSeries = series;
  engine::RunData data;
  data.request = engine::RequestOf(inputs);
  data.inputs = inputs.parts;
  engine::RunDesignSequence(run, data);
  RealisedCandidate r;
  r.request = data.request;
  r.parts = data.parts;
  r.warnings = std::move(run.warnings);
  r.valid = run.valid;
  for (int i = 0; i < data.request.Order(); ++i) {
    if (!(r.parts.r[i] > 0) || !(r.parts.c[i] > 0)) r.valid = false;
  }
  if (r.valid) {
    r.margins = response::MarginsOf(response::CascadeFromParts(data.request, r.parts), requirement);
    r.meets = r.margins->Meets();
  }
  return r;
}

std::optional<YieldResult> CandidateYield(const response::Requirement& requirement, const RealisedCandidate& realised,
                                          const YieldSettings& settings, const RunOptions& options) {
  if (!realised.valid) return std::nullopt;
  MonteCarloConfig config;
  config.design.request = realised.request;
  config.design.parts = realised.parts;
  config.design.tolerances = settings.tolerances;
  config.design.distribution = settings.distribution;
  config.trials = settings.trials;
  config.seed = settings.seed;
  config.mask = GainMask{requirement.passHz, requirement.passDb, requirement.stopHz, requirement.stopDb};
  std::optional<MonteCarloResult> result = RunMonteCarlo(config, options);
  if (!result) return std::nullopt;
  return result->yield;
}

std::vector<std::optional<RealisedCandidate>> RealiseAll(const response::RequirementResult& result,
                                                         const engine::PartSeries* series,
                                                         const std::optional<YieldSettings>& yield,
                                                         const RunOptions& options) {
  std::vector<std::optional<RealisedCandidate>> all;
  for (const response::RequirementCandidate& c : result.candidates) {
    std::optional<RealisedCandidate> r = RealiseCandidate(result.requirement, c, series);
    if (r && yield) r->yield = CandidateYield(result.requirement, *r, *yield, options);
    all.push_back(std::move(r));
  }
  return all;
}

}  // namespace kelvara::tolerance
