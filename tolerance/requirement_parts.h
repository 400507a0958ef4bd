#pragma once

// A requirement's candidates with preferred values: each candidate designed
// at its cut-off text by the calculation run itself (RunDesignSequence, as
// "定数設定" and kelvara-design --values series run it), the margins its
// parts give against the mask, and with part tolerances the yield against
// the mask (RunMonteCarlo).

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/design_types.h"
#include "engine/part_series.h"
#include "response/requirement.h"
#include "tolerance/monte_carlo.h"

namespace kelvara::tolerance {

struct RealisedCandidate {
  engine::DesignRequest request;                              // as the run designed it (the cut-off text read)
  bool valid = false;                                         // the run ended valid with every part above 0
  std::vector<std::pair<std::string, std::string>> warnings;  // caption, text
  engine::ComponentSet parts;
  /// The margins of the parts' response (only when valid).
  std::optional<response::MaskMargins> margins;
  bool meets = false;
  std::optional<YieldResult> yield;
};

/// The sheet inputs "シートに設定" leaves for a candidate: its kind, order,
/// response and cut-off text, every part on "auto", preferred values.
engine::DesignRequest CandidateRequest(const response::Requirement& requirement,
                                       const response::RequirementCandidate& candidate, bool anyValues = false);

/// Designs a candidate that has an order with the series (null: the
/// program's own); nothing for a candidate without an order.
std::optional<RealisedCandidate> RealiseCandidate(const response::Requirement& requirement,
                                                  const response::RequirementCandidate& candidate,
                                                  const engine::PartSeries* series);

/// How the yield is run: the tolerances of the parts, the distribution,
/// the trials and the seed (the mask is the requirement).
struct YieldSettings {
  Tolerances tolerances = Tolerances::Uniform(1, 5);
  Distribution distribution = Distribution::kUniform;
  int trials = kDefaultTrials;
  std::uint64_t seed = 1;
};

/// The yield of a valid realised candidate against the requirement's mask;
/// nothing when it is not valid or a stop was requested.
std::optional<YieldResult> CandidateYield(const response::Requirement& requirement, const RealisedCandidate& realised,
                                          const YieldSettings& settings, const RunOptions& options = {});

/// Every candidate of the table realised (in the table's order), with the
/// yield when settings are given.
std::vector<std::optional<RealisedCandidate>> RealiseAll(const response::RequirementResult& result,
                                                         const engine::PartSeries* series,
                                                         const std::optional<YieldSettings>& yield = std::nullopt,
                                                         const RunOptions& options = {});

}  // namespace kelvara::tolerance
