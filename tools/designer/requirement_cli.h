#pragma once

// kelvara-design --requirement FP,AP,FS,AS: the lowest order and the cut-off
// of every response that meet a mask (with --kind and the constraints
// --max-overshoot, --max-delay-variation, --max-q), as one JSON object or a
// table; with --values series each candidate designed at its cut-off text,
// with --monte-carlo also its yield against the mask. With --kind bpf,
// --requirement FS1,FP1,FP2,FS2,AP,AS: the lowest even order, the centre and
// the bandwidth of every response that meet a band-pass mask
// (response/bandpass_requirement.h). --topology and --gain choose the circuit
// the candidates are built as (response/requirement.h: the GBW and the part
// spread follow it); the JSON names them at its top level.

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/series_options.h"
#include "response/bandpass_requirement.h"
#include "response/requirement.h"
#include "tolerance/requirement_parts.h"
#include "tools/designer/tolerance_options.h"

namespace kelvara::tools {

struct RequirementOptions {
  std::string text;  // "FP,AP,FS,AS"
  std::optional<double> maxOvershootPct;
  std::optional<double> maxDelayVariationPct;
  std::optional<double> maxQ;
  CLI::Option* option = nullptr;

  bool Requested() const { return option != nullptr && option->count() > 0; }
};

/// Registers --requirement and the three constraints; --requirement
/// excludes the options of a single design (--cutoff, --order, --response,
/// --sheet, --fix, a band-pass design's --center and --bandwidth), which
/// must be registered before.
void AddRequirementOptions(CLI::App& app, RequirementOptions& options);

/// What the rest of the command line gives a requirement run.
struct RequirementContext {
  std::string kind = "lpf";
  bool json = false;
  bool series = false;  // --values series
  engine::SeriesTexts seriesTexts;
  const ToleranceOptions* tolerance = nullptr;  // --monte-carlo and its options
  /// --topology and --gain (read and within range, SectionsRequested): the
  /// circuit the GBW and spread of the candidates are those of
  /// (sallen-key at gain 1 the unity-gain Sallen-Key, at another gain the
  /// Sallen-Key with gain; mfb the multiple feedback; a band-pass
  /// requirement is of MFB sections, its gain that at the centre).
  std::string topology = "sallen-key";
  bool topologyGiven = false;
  std::optional<double> gain;
};

/// Runs --requirement: prints to out (errors to err) and returns the exit
/// status: 0 when a candidate meets, 1 when none does, 2 for a usage error
/// (one line on err).
int RunRequirement(const RequirementOptions& options, const RequirementContext& context, std::ostream& out,
                   std::ostream& err);

/// The keys of a band-pass candidate besides response, ripple_db (Chebyshev),
/// meets and why: null where the candidate has no order (or no bandwidth).
inline constexpr const char* kBandPassCandidateKeys[] = {
    "order",          "center_hz",          "center_text",    "center_range_hz", "bandwidth_hz",
    "bandwidth_text", "bandwidth_range_hz", "margin_pass_db", "margin_stop_db",  "margin_fp1_db",
    "margin_fp2_db",  "margin_fs1_db",      "margin_fs2_db",  "max_q",           "gbw_min_hz"};

/// The JSON object of a band-pass result: candidates, recommended,
/// recommended_ripple_db, as RequirementJson's, with topology "mfb" and the
/// gain at the centre.
nlohmann::json BandPassRequirementJson(const response::BandPassRequirementResult& result);

/// The English one-line message of a requirement problem (for usage errors).
std::string RequirementProblemText(const response::RequirementCheck& check, int passKind);

/// The JSON object of a result (with the realised candidates when given):
/// candidates, recommended, recommended_ripple_db, and the circuit's
/// topology ("sallen-key" or "mfb") and gain magnitude.
nlohmann::json RequirementJson(const response::RequirementResult& result,
                               const std::vector<std::optional<tolerance::RealisedCandidate>>* realised);

}  // namespace kelvara::tools
