#include "engine/series_bounds.h"

#include <algorithm>

namespace kelvara::engine::series {

SeriesLookup::SeriesLookup(std::span<const double> values)
    : values_(values.begin(), values.end()), last_(static_cast<int>(values.size()) - 1) {
  keyMin_ = Key(values_.front());
  const std::int64_t keyMax = Key(values_.back());
  table_.resize(static_cast<std::size_t>(keyMax - keyMin_ + 1));
  int i = 0;
  for (std::int64_t k = keyMin_; k <= keyMax; ++k) {
    while (i < last_ && Key(values_[i]) < k) ++i;
    table_[static_cast<std::size_t>(k - keyMin_)] = static_cast<std::uint8_t>(i);
  }
}

const SeriesLookup& CapLookup() {
  static const SeriesLookup lookup(BuildDesignData().CapSeries);
  return lookup;
}

const SeriesLookup& ResLookup() {
  static const SeriesLookup lookup(BuildDesignData().ResSeries);
  return lookup;
}

Bounds BoxBounds(const Target& t, double best, const Box& x) {
  Bounds b;
  if (!t.pruning) return b;
  const double allowance = best + kSlack;
  if (allowance >= 2.0) return b;  // no error reaches 2
  // w' = 1/sqrt(P): its least error from the range of P.
  const double productLo = ((x.p.lo * x.pp.lo) * x.u.lo) * x.v.lo;
  const double productHi = ((x.p.hi * x.pp.hi) * x.u.hi) * x.v.hi;
  double e1 = 0.0;
  if (productHi < t.piStar) {
    e1 = 1.0 - std::sqrt(productHi / t.piStar);
  } else if (productLo > t.piStar) {
    e1 = 1.0 - std::sqrt(t.piStar / productLo);
  }
  const ValueRange g = PairFactorRange(x.u, x.v);
  const double e2 = LeastRatioError(std::sqrt(x.p.lo / x.pp.hi) * g.lo, std::sqrt(x.p.hi / x.pp.lo) * g.hi, t.q);
  const double eX = LeastRatioError(x.pp.lo * (x.u.lo + x.v.lo), x.pp.hi * (x.u.hi + x.v.hi), t.sumStar);
  const double eY = LeastRatioError(x.p.lo * Harmonic(x.u.lo, x.v.lo), x.p.hi * Harmonic(x.u.hi, x.v.hi), t.harmStar);
  if (allowance < std::max({e1 + e2, eX, eY})) {
    b.prune = true;
    return b;
  }
  b.a1 = RatioBound(allowance - e2);
  b.a2 = RatioBound(allowance - e1);
  b.aJ = RatioBound(allowance);
  return b;
}

Windows SumPartWindows(const Target& t, double best, const SeriesLookup& s, IndexRange range, double p, double pp,
                       double o, bool boxBounds) {
  Windows w;
  if (range.Empty()) return w;
  const Bounds b =
      boxBounds ? BoxBounds(t, best, {{p, p}, {pp, pp}, {s[range.lo], s[range.hi]}, {o, o}}) : PlainBounds(t, best);
  if (b.prune) return w;
  if (!b.Any()) {
    w.Add(range);
    return w;
  }
  const double m = std::sqrt(p / pp);
  const RatioWindow r = MakeRatioWindow(t, b, m);
  if (r.empty) return w;
  const ValueRange pw = ProductWindow(t, b);
  const ValueRange sw = SumWindow(t, b);
  const ValueRange hz = HarmonicPartRange(HarmonicWindow(t, b), p, o);
  const double k = (p * pp) * o;  // P = k z
  const double lo = std::max({pw.lo / k, sw.lo / pp - o, hz.lo});
  const double hi = std::min({pw.hi / k, sw.hi / pp - o, hz.hi});
  // z at or below o, then z at or above o: ascending.
  w.Add(Intersect(range, WindowIndices(s, std::max(lo, o / r.hi), std::min(hi, o / r.lo))));
  w.Add(Intersect(range, WindowIndices(s, std::max(lo, o * r.lo), std::min(hi, o * r.hi))));
  return w;
}

IndexRange RatioPartWindow(const Target& t, double best, const SeriesLookup& s, IndexRange range, double pp, double u,
                           double v, bool boxBounds) {
  if (range.Empty()) return range;
  const Bounds b =
      boxBounds ? BoxBounds(t, best, {{s[range.lo], s[range.hi]}, {pp, pp}, {u, u}, {v, v}}) : PlainBounds(t, best);
  if (b.prune) return {0, -1};
  if (!b.Any()) return range;
  // pp (u + v) does not depend on p: the whole loop stands or falls with it.
  const ValueRange sw = SumWindow(t, b);
  const double sum = pp * (u + v);
  if (sum * kWidenUp < sw.lo || sum * kWidenDown > sw.hi) return {0, -1};
  const double k = (pp * u) * v;  // P = k p
  const double g = PairFactor(u, v);
  const double h = Harmonic(u, v);
  const ValueRange pw = ProductWindow(t, b);
  const ValueRange hw = HarmonicWindow(t, b);
  // Q' = sqrt(p/pp) g in [a2 q, q/a2].
  const double qLo = b.a2 * t.q / g;
  const double qHi = t.q / (b.a2 * g);
  const double lo = std::max({pw.lo / k, pp * (qLo * qLo), hw.lo / h});
  const double hi = std::min({pw.hi / k, pp * (qHi * qHi), hw.hi / h});
  return Intersect(range, WindowIndices(s, lo, hi));
}

namespace {
thread_local std::uint64_t evaluationsOfThread = 0;
}  // namespace

void CountEvaluations(std::uint64_t evaluations) { evaluationsOfThread += evaluations; }

}  // namespace kelvara::engine::series

namespace kelvara::engine {

std::uint64_t SeriesCandidatesEvaluated() { return series::evaluationsOfThread; }

void ResetSearchResult(SearchResult& result) {
  result.first = NoneIndex;
  result.second = NoneIndex;
  result.third = NoneIndex;
  result.fourth = NoneIndex;
}

}  // namespace kelvara::engine
