// The preferred-value searches: which search a stage gets, its index
// ranges, its starting best, and the first-order searches.

#include "engine/series_search.h"

#include <cmath>
#include <utility>

#include "engine/series_shapes.h"

namespace kelvara::engine {
namespace {

using series::IndexRange;
using series::SeriesLookup;
using series::Target;
using series::Tracker;

constexpr double kStageStartingBest = 0.01;
constexpr double kFirstOrderStartingBest = 0.1;
constexpr double kFixedStartingBest = 1e12;

// Indices 0 .. idx(fixed) + 1, the + 1 only below the last index.
IndexRange UpToFixed(const SeriesLookup& s, double fixed) {
  const int i = s.Nearest(fixed);
  return {0, i < s.Last() ? i + 1 : i};
}

// Indices idx(fixed) - 1 .. last, the - 1 only above index 0.
IndexRange FromFixed(const SeriesLookup& s, double fixed) {
  const int i = s.Nearest(fixed);
  return {i > 0 ? i - 1 : 0, s.Last()};
}

IndexRange AtOrBelow(const SeriesLookup& s, double fixed) { return {0, s.LastAtMost(fixed)}; }
IndexRange AtOrAbove(const SeriesLookup& s, double fixed) { return {s.FirstAtLeast(fixed), s.Last()}; }
IndexRange Whole(const SeriesLookup& s) { return {0, s.Last()}; }

// Band window: the nearest series indices to 0.025 and 40 times the band's
// starting value.
IndexRange BandWindow(const SeriesLookup& s, double start) { return {s.Nearest(0.025 * start), s.Nearest(40 * start)}; }

Target StageTarget(const SeriesStage& st) {
  auto moderate = [](bool fixed, double value) { return !fixed || series::ModerateFixedValue(value); };
  const bool ok = moderate(st.raFixed, st.ra) && moderate(st.rbFixed, st.rb) && moderate(st.caFixed, st.ca) &&
                  moderate(st.cbFixed, st.cb);
  return series::MakeTarget(st.q, st.omega, ok);
}

SearchResult Finish(const Tracker& tr) {
  series::CountEvaluations(tr.evaluations);
  return tr.result;
}

void ExchangeThirdAndFourth(SearchResult& r) { std::swap(r.third, r.fourth); }

// No fixed parts, LPF and HPF alike: the band window in the ratio series
// (capacitors for LPF, resistors for HPF) from the band's starting value of
// that kind, starting best 0.01.
template <class K>
SearchResult SearchFree(RunState& run, const SeriesStage& st, const PartSeries& ps, const Target& t) {
  Tracker tr(kStageStartingBest, ps.None());
  const Band& band = BuildDesignData().BandTable[BandIndex(st.omega)];
  series::SearchNone<K>(ps, run, t, tr, BandWindow(K::RatioSeries(ps), K::BandStart(band)));
  return Finish(tr);
}

SearchResult SearchLpf(RunState& run, const SeriesStage& st, const PartSeries& ps) {
  using K = series::LpfRoles;
  const SeriesLookup& cap = ps.Cap();
  const SeriesLookup& res = ps.Res();
  const Target t = StageTarget(st);
  const int fixed = st.FixedCount();
  if (fixed == 0) return SearchFree<K>(run, st, ps, t);
  Tracker tr(kFixedStartingBest, ps.None());
  if (fixed == 1) {
    if (st.raFixed) {
      series::SearchPairPartFixed<K>(ps, run, t, tr, false, st.ra, AtOrAbove(res, st.ra));
    } else if (st.rbFixed) {
      series::SearchPairPartFixed<K>(ps, run, t, tr, true, st.rb, AtOrBelow(res, st.rb));
    } else if (st.caFixed) {
      series::SearchRatioFixed<K>(ps, run, t, tr, true, st.ca, UpToFixed(cap, st.ca));
    } else {
      series::SearchRatioFixed<K>(ps, run, t, tr, false, st.cb, FromFixed(cap, st.cb));
    }
  } else if (fixed == 2) {
    if (st.caFixed && st.cbFixed) {
      series::SearchRatioPairFixed<K>(ps, run, t, tr, st.ca, st.cb);
    } else if (st.caFixed && st.raFixed) {
      series::SearchCrossFixed<K>(ps, run, t, tr, true, st.ca, UpToFixed(cap, st.ca), false, st.ra,
                                  AtOrAbove(res, st.ra));
    } else if (st.caFixed && st.rbFixed) {
      series::SearchCrossFixed<K>(ps, run, t, tr, true, st.ca, UpToFixed(cap, st.ca), true, st.rb,
                                  AtOrBelow(res, st.rb));
    } else if (st.raFixed && st.cbFixed) {
      series::SearchCrossFixed<K>(ps, run, t, tr, false, st.cb, FromFixed(cap, st.cb), false, st.ra,
                                  AtOrAbove(res, st.ra));
    } else if (st.rbFixed && st.cbFixed) {
      series::SearchCrossFixed<K>(ps, run, t, tr, false, st.cb, FromFixed(cap, st.cb), true, st.rb,
                                  AtOrBelow(res, st.rb));
    } else {
      series::SearchPairFixed<K>(ps, run, t, tr, st.ra, st.rb);
    }
  }
  return Finish(tr);
}

SearchResult SearchHpf(RunState& run, const SeriesStage& st, const PartSeries& ps) {
  using K = series::HpfRoles;
  const SeriesLookup& cap = ps.Cap();
  const SeriesLookup& res = ps.Res();
  const Target t = StageTarget(st);
  const int fixed = st.FixedCount();
  if (fixed == 0) return SearchFree<K>(run, st, ps, t);
  Tracker tr(kFixedStartingBest, ps.None());
  SearchResult r;
  if (fixed == 1) {
    if (st.caFixed || st.cbFixed) {
      // The fixed capacitor is scored as Cb and the searched one as Ca; the
      // result names them by their places in the stage.
      series::SearchPairPartFixed<K>(ps, run, t, tr, true, st.caFixed ? st.ca : st.cb, Whole(cap));
      r = Finish(tr);
      if (st.caFixed) ExchangeThirdAndFourth(r);
      return r;
    }
    if (st.rbFixed) {
      series::SearchRatioFixed<K>(ps, run, t, tr, true, st.rb, UpToFixed(res, st.rb));
    } else {
      series::SearchRatioFixed<K>(ps, run, t, tr, false, st.ra, FromFixed(res, st.ra));
    }
    return Finish(tr);
  }
  if (fixed == 2) {
    const double fixedCap = st.caFixed ? st.ca : st.cb;
    if (st.raFixed && st.rbFixed) {
      series::SearchRatioPairFixed<K>(ps, run, t, tr, st.rb, st.ra);
    } else if (st.rbFixed) {
      // With one resistor the fixed capacitor is scored as Ca.
      series::SearchCrossFixed<K>(ps, run, t, tr, true, st.rb, UpToFixed(res, st.rb), false, fixedCap, Whole(cap));
      r = Finish(tr);
      if (st.cbFixed) ExchangeThirdAndFourth(r);
      return r;
    } else if (st.caFixed && st.cbFixed) {
      series::SearchPairFixed<K>(ps, run, t, tr, st.ca, st.cb);
    } else {
      series::SearchCrossFixed<K>(ps, run, t, tr, false, st.ra, FromFixed(res, st.ra), false, fixedCap, Whole(cap));
      r = Finish(tr);
      if (st.cbFixed) ExchangeThirdAndFourth(r);
      return r;
    }
  }
  return Finish(tr);
}

double FirstOrderError(double r, double c, double omega) { return std::fabs(1.0 - ReciprocalProduct(r, c) / omega); }

}  // namespace

SearchResult SearchSeriesStage(RunState& run, const SeriesStage& stage, const PartSeries& series) {
  if (stage.FixedCount() > 2 || series.CapLast() < 0 || series.ResLast() < 0) return NoneResult(series.None());
  return stage.kind == kHpf ? SearchHpf(run, stage, series) : SearchLpf(run, stage, series);
}

SearchResult SearchFirstOrderFree(RunState& run, double omega, const PartSeries& series) {
  const SeriesLookup& cap = series.Cap();
  const SeriesLookup& res = series.Res();
  if (cap.Last() < 0 || res.Last() < 0) return NoneResult(series.None());
  const IndexRange outer = BandWindow(cap, BuildDesignData().BandTable[BandIndex(omega)].startC);
  const bool pruning = series::Moderate(omega, 1e-30, 1e30);
  Tracker tr(kFirstOrderStartingBest, series.None());
  for (int x = outer.lo; x <= outer.hi; ++x) {
    if (!series::NextPass(run)) break;
    const double c = cap[x];
    IndexRange inner = Whole(res);
    if (pruning) {
      // |1 - w'/w| <= t with w' = 1/(R C): R in [1/((1 + t) w C), 1/((1 - t) w C)].
      const double allowance = tr.best + series::kSlack;
      const double lo = 1.0 / (((1.0 + allowance) * omega) * c);
      const double hi = allowance < 1.0 - series::kMinRatioBound ? 1.0 / (((1.0 - allowance) * omega) * c) : INFINITY;
      inner = Intersect(inner, series::WindowIndices(res, lo, hi));
    }
    for (int i = inner.lo; i <= inner.hi; ++i) tr.Offer(FirstOrderError(res[i], c, omega), x, i, tr.none, tr.none);
  }
  return Finish(tr);
}

SearchResult SearchFirstOrderOneFixed(RunState& run, double omega, bool resistorFixed, double fixedValue,
                                      const PartSeries& series) {
  const SeriesLookup& s = resistorFixed ? series.Cap() : series.Res();
  Tracker tr(kFixedStartingBest, series.None());
  for (int i = 0; i <= s.Last(); ++i) {
    if (!series::NextPass(run)) break;
    if (resistorFixed) {
      tr.Offer(FirstOrderError(fixedValue, s[i], omega), i, tr.none, tr.none, tr.none);
    } else {
      tr.Offer(FirstOrderError(s[i], fixedValue, omega), tr.none, i, tr.none, tr.none);
    }
  }
  return Finish(tr);
}

void ResetSearchResult(SearchResult& result) {
  result.first = NoneIndex;
  result.second = NoneIndex;
  result.third = NoneIndex;
  result.fourth = NoneIndex;
}

std::uint64_t SeriesCandidatesEvaluated() { return series::EvaluationsOfThread(); }

const PartSeries& SeriesOfRun(const RunState& run) { return run.partSeries ? *run.partSeries : DefaultPartSeries(); }

}  // namespace kelvara::engine
