#include "tests/engine/section_series_reference.h"

#include <string_view>

#include "engine/section_series.h"

namespace kelvara::reference {
namespace {

thread_local std::uint64_t candidates = 0;

// An odometer over the free parts of `letters`, the last part turning
// fastest, each candidate scored by `score`.
template <class Score>
PlainStageResult PlainLoop(std::string_view letters, const std::vector<std::optional<double>>& fix,
                           const engine::PartSeries& series, const Score& score) {
  const std::size_t n = letters.size();
  std::vector<double> v(n, 0.0);
  std::vector<int> index(n, 0);
  std::vector<bool> free(n, true);
  PlainStageResult result;
  result.values.assign(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    if (i < fix.size() && fix[i]) {
      free[i] = false;
      v[i] = *fix[i];
      result.values[i] = *fix[i];
    }
  }
  auto seriesOf = [&](std::size_t i) -> const engine::series::SeriesLookup& {
    return letters[i] == 'C' ? series.Cap() : series.Res();
  };
  for (std::size_t i = 0; i < n; ++i) {
    if (free[i] && seriesOf(i).Last() < 0) return result;
  }
  double best = engine::kSectionSeriesLimit;
  // An odometer over the free parts, the last part turning fastest.
  for (;;) {
    for (std::size_t i = 0; i < n; ++i) {
      if (free[i]) v[i] = seriesOf(i)[index[i]];
    }
    ++candidates;
    const double s = score(v);
    if (s < best) {
      best = s;
      result.found = true;
      result.score = s;
      result.values = v;
    }
    std::size_t i = n;
    for (; i-- > 0;) {
      if (!free[i]) continue;
      if (index[i] < seriesOf(i).Last()) {
        ++index[i];
        break;
      }
      index[i] = 0;
    }
    if (i == static_cast<std::size_t>(-1)) break;
  }
  return result;
}

}  // namespace

PlainStageResult PlainSectionStage(const engine::StagePlan& plan, bool hpf,
                                   const std::vector<std::optional<double>>& fix, const engine::PartSeries& series) {
  return PlainLoop(engine::StageFormLetters(plan.form, hpf), fix, series,
                   [&](const std::vector<double>& v) { return engine::StageSeriesScore(plan, hpf, v); });
}

PlainStageResult PlainBandPassSection(const engine::BandPassSection& target,
                                      const std::vector<std::optional<double>>& fix, const engine::PartSeries& series) {
  return PlainLoop("RRRCC", fix, series,
                   [&](const std::vector<double>& v) { return engine::BandPassSeriesScore(target, v); });
}

std::vector<PlainStageResult> PlainSectionsFromSeries(const std::vector<engine::StagePlan>& plans, bool hpf,
                                                      const engine::SectionFixes& fixes,
                                                      const engine::PartSeries& series) {
  std::vector<PlainStageResult> out;
  const std::vector<std::optional<double>> none;
  for (std::size_t s = 0; s < plans.size(); ++s) {
    out.push_back(PlainSectionStage(plans[s], hpf, s < fixes.size() ? fixes[s] : none, series));
  }
  return out;
}

std::uint64_t PlainSectionCandidates() { return candidates; }

}  // namespace kelvara::reference
