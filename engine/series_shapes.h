#pragma once

// Internal to the preferred-value searches: the loop shapes shared by the
// LPF and HPF searches, written in the roles of series_bounds.h. Every shape
// walks the same loops in the same order as the plain search; the outermost
// loop is never pruned (stop and progress happen once per pass of it), the
// inner loops visit only the indices that can still beat the best so far,
// in ascending order, and score them with the exact formula.
//
// Results are (p, pp, u, v) indices, which is (Ca, Cb, Ra, Rb) for LPF and
// (Rb, Ra, Ca, Cb) for HPF; a fixed part keeps the no-value index.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/part_series.h"
#include "engine/run_state.h"
#include "engine/series_bounds.h"

namespace kelvara::engine::series {

struct LpfRoles {
  static const SeriesLookup& RatioSeries(const PartSeries& s) { return s.Cap(); }  // p, pp: Ca, Cb
  static const SeriesLookup& PairSeries(const PartSeries& s) { return s.Res(); }   // u, v: Ra, Rb
  // Where a loop walks both u and v, the outer of the two is u (Ra).
  static constexpr bool kPairOuterIsU = true;
  static double BandStart(const Band& band) { return band.startC; }
  static double Error(const Target& t, double p, double pp, double u, double v) {
    return MatchError(NaturalOmega(u, v, p, pp), t.omega, StageQuality(p, pp, u, v), t.q);
  }
};

struct HpfRoles {
  static const SeriesLookup& RatioSeries(const PartSeries& s) { return s.Res(); }  // p, pp: Rb, Ra
  static const SeriesLookup& PairSeries(const PartSeries& s) { return s.Cap(); }   // u, v: Ca, Cb
  // Where a loop walks both capacitors, the outer of the two is v (Cb).
  static constexpr bool kPairOuterIsU = false;
  static double BandStart(const Band& band) { return band.startR; }
  static double Error(const Target& t, double p, double pp, double u, double v) {
    return MatchError(NaturalOmega(pp, p, u, v), t.omega, StageQuality(p, pp, u, v), t.q);
  }
};

/// Stop check and progress step before a pass of the outermost loop.
inline bool NextPass(RunState& run) {
  if (run.StopRequested()) return false;
  run.StepProgress();
  return true;
}

/// Both pair parts searched, the outer one (index f) at or below the inner
/// one (index w), each over the whole pair series; p and pp known.
template <class K>
void PairLoops(const PartSeries& series, const Target& t, Tracker& tr, double p, double pp, std::int32_t pIndex,
               std::int32_t ppIndex) {
  const SeriesLookup& s = K::PairSeries(series);
  const int last = s.Last();
  auto score = [&](int f, int w) {
    if constexpr (K::kPairOuterIsU) {
      tr.Offer(K::Error(t, p, pp, s[f], s[w]), pIndex, ppIndex, f, w);
    } else {
      tr.Offer(K::Error(t, p, pp, s[w], s[f]), pIndex, ppIndex, w, f);
    }
  };
  const double m = std::sqrt(p / pp);
  int f = 0;
  while (f <= last) {
    // While the best is large, each inner loop is also bounded by the least
    // errors along it.
    const bool perLoop = t.pruning && tr.best >= kBoxBoundsFrom;
    const Bounds b =
        perLoop ? BoxBounds(t, tr.best, {{p, p}, {pp, pp}, {s[f], s[last]}, {s[f], s[last]}}) : PlainBounds(t, tr.best);
    if (b.prune) return;
    // Missing bounds give empty-free windows: 0 and infinity.
    const RatioWindow r = MakeRatioWindow(t, b, m);
    if (r.empty) return;
    const ValueRange pw = ProductWindow(t, b);
    const ValueRange sw = SumWindow(t, b);
    const ValueRange hw = HarmonicWindow(t, b);
    const double sLo = pw.lo / (p * pp);  // window of f w
    const double sHi = pw.hi / (p * pp);
    const double sumLo = sw.lo / pp;  // window of f + w
    const double sumHi = sw.hi / pp;
    // f is the smaller of the two: f^2 = fw/r, f <= (f + w)/2, f >= fw/max,
    // f/2 <= fw/(f + w) <= f.
    const double fLo = std::max({std::sqrt(sLo / r.hi), sLo / s[last], hw.lo / p});
    const double fHi = std::min({std::sqrt(sHi / r.lo), sumHi / 2.0, 2.0 * hw.hi / p});
    const IndexRange fr = Intersect({f, last}, WindowIndices(s, fLo, fHi));
    if (fr.Empty()) return;
    const std::uint64_t version = tr.version;
    for (f = fr.lo; f <= fr.hi && tr.version == version; ++f) {
      const double x = s[f];
      if (perLoop) {
        const Windows ws = SumPartWindows(t, tr.best, s, {f, last}, p, pp, x, true);
        for (int i = 0; i < ws.count; ++i) {
          for (int w = ws.part[i].lo; w <= ws.part[i].hi; ++w) score(f, w);
        }
        continue;
      }
      const ValueRange hx = HarmonicPartRange(hw, p, x);
      const double lo = std::max({sLo / x, x * r.lo, sumLo - x, hx.lo});
      const double hi = std::min({sHi / x, x * r.hi, sumHi - x, hx.hi});
      const IndexRange wr = Intersect({f, last}, WindowIndices(s, lo, hi));
      for (int w = wr.lo; w <= wr.hi; ++w) score(f, w);
    }
    if (tr.version == version) return;  // the window's end was reached
  }
}

/// No fixed parts: pp over the band window, p from pp up to the window's
/// end, then both pair parts.
template <class K>
void SearchNone(const PartSeries& series, RunState& run, const Target& t, Tracker& tr, IndexRange band) {
  const SeriesLookup& ps = K::RatioSeries(series);
  const SeriesLookup& us = K::PairSeries(series);
  // Marks of the p indices some pair (u, v) can still serve (see below);
  // sized once, so the loops allocate nothing.
  std::vector<std::uint8_t> servable(static_cast<std::size_t>(ps.Last() + 1));
  for (int x = band.lo; x <= band.hi; ++x) {
    if (!NextPass(run)) return;
    const double pp = ps[x];
    IndexRange mid{x, band.hi};
    const Bounds b = PlainBounds(t, tr.best);
    bool marked = false;
    if (b.Any()) {
      const ValueRange sw = SumWindow(t, b);
      const ValueRange pw = ProductWindow(t, b);
      const ValueRange hw = HarmonicWindow(t, b);
      const double sumLo = sw.lo / pp;
      const double sumHi = sw.hi / pp;
      const double u0 = us[0];
      if (sumHi * kWidenUp < 2.0 * u0 || sumLo * kWidenDown > 2.0 * us[us.Last()]) continue;
      // u v <= (u + v)^2/4; g <= 1/2 so sqrt(p/pp) >= 2 a2 q; u v >= u0 (sum - u0);
      // u0/2 <= uv/(u + v) <= (u + v)/4.
      const double byProduct = 4.0 * pw.lo / (pp * (sumHi * sumHi));
      const double byRatio = 4.0 * ((b.a2 * t.q) * (b.a2 * t.q)) * pp;
      const double byHarmonic = hw.lo / (sumHi / 4.0);
      const double leastProduct = u0 * std::max(sumLo - u0, u0);
      mid = Intersect(mid, WindowIndices(ps, std::max({byProduct, byRatio, byHarmonic}),
                                         std::min(pw.hi / (pp * leastProduct), hw.hi / (u0 / 2.0))));
      // The pairs u <= v whose sum lies in the sum window are few; each
      // allows only the p whose product P = p pp u v lies in the product
      // window. Mark those p (widened far beyond rounding); the others
      // cannot beat the best of the pass's start, nor any later best.
      // Worth it only where those pairs are fewer than the p to try.
      const double sumHiWide = sumHi * kWidenUp;
      const int pairOuters = us.HighIndex(sumHiWide / 2.0) + 1;
      if (!mid.Empty() && pairOuters < 2 * (mid.hi - mid.lo + 1)) {
        std::fill(servable.begin() + mid.lo, servable.begin() + mid.hi + 1, std::uint8_t{0});
        for (int f = 0; f <= us.Last() && 2.0 * us[f] <= sumHiWide; ++f) {
          const double uf = us[f];
          const IndexRange wr = Intersect({f, us.Last()}, WindowIndices(us, sumLo - uf, sumHi - uf));
          for (int w = wr.lo; w <= wr.hi; ++w) {
            const double k = pp * (uf * us[w]);
            const IndexRange pr = Intersect(mid, WindowIndices(ps, (pw.lo / k) * kWidenDown, (pw.hi / k) * kWidenUp));
            if (!pr.Empty()) std::fill(servable.begin() + pr.lo, servable.begin() + pr.hi + 1, std::uint8_t{1});
          }
        }
        marked = true;
      }
    }
    for (int y = mid.lo; y <= mid.hi; ++y) {
      if (!marked || servable[static_cast<std::size_t>(y)]) PairLoops<K>(series, t, tr, ps[y], pp, y, x);
    }
  }
}

/// p (fixedP) or pp (otherwise) fixed at `fixed`; the other over `outer`;
/// both pair parts searched.
template <class K>
void SearchRatioFixed(const PartSeries& series, RunState& run, const Target& t, Tracker& tr, bool fixedP, double fixed,
                      IndexRange outer) {
  const SeriesLookup& ps = K::RatioSeries(series);
  for (int x = outer.lo; x <= outer.hi; ++x) {
    if (!NextPass(run)) return;
    if (fixedP) {
      PairLoops<K>(series, t, tr, fixed, ps[x], tr.none, x);
    } else {
      PairLoops<K>(series, t, tr, ps[x], fixed, x, tr.none);
    }
  }
}

/// One pair part fixed at o (it is u when zIsU is false), the other (z)
/// over `zRange`; pp over the whole ratio series, p from pp to the end.
template <class K>
void SearchPairPartFixed(const PartSeries& series, RunState& run, const Target& t, Tracker& tr, bool zIsU, double o,
                         IndexRange zRange) {
  const SeriesLookup& ps = K::RatioSeries(series);
  const SeriesLookup& zs = K::PairSeries(series);
  const int lastP = ps.Last();
  for (int x = 0; x <= lastP; ++x) {
    if (!NextPass(run)) return;
    if (zRange.Empty()) continue;
    const double pp = ps[x];
    IndexRange mid{x, lastP};
    IndexRange zr = zRange;
    // Narrows mid and zr for the best so far; false when the pass is done.
    auto tighten = [&]() {
      if (mid.Empty()) return false;
      const Bounds b = t.pruning && tr.best >= kBoxBoundsFrom
                           ? BoxBounds(t, tr.best, {{ps[mid.lo], ps[mid.hi]}, {pp, pp}, {zs[zr.lo], zs[zr.hi]}, {o, o}})
                           : PlainBounds(t, tr.best);
      if (b.prune) return false;
      if (!b.Any()) return true;
      // pp (z + o) in the sum window, whatever p is.
      const ValueRange sw = SumWindow(t, b);
      zr = Intersect(zr, WindowIndices(zs, sw.lo / pp - o, sw.hi / pp - o));
      if (zr.Empty()) return false;
      const double zLo = zs[zr.lo];
      const double zHi = zs[zr.hi];
      const ValueRange pw = ProductWindow(t, b);
      const ValueRange hw = HarmonicWindow(t, b);
      const ValueRange g = PairFactorRange({zLo, zHi}, {o, o});
      const double qLo = b.a2 * t.q / g.hi;
      const double qHi = t.q / (b.a2 * g.lo);
      const double k = pp * o;
      const double lo = std::max({pw.lo / (k * zHi), pp * (qLo * qLo), hw.lo / Harmonic(zHi, o)});
      const double hi = std::min({pw.hi / (k * zLo), pp * (qHi * qHi), hw.hi / Harmonic(zLo, o)});
      mid = Intersect(mid, WindowIndices(ps, lo, hi));
      return !mid.Empty();
    };
    if (!tighten()) continue;
    std::uint64_t version = tr.version;
    for (int y = mid.lo; y <= mid.hi; ++y) {
      const double p = ps[y];
      const Windows ws = SumPartWindows(t, tr.best, zs, zr, p, pp, o, tr.best >= kBoxBoundsFrom);
      for (int i = 0; i < ws.count; ++i) {
        for (int z = ws.part[i].lo; z <= ws.part[i].hi; ++z) {
          if (zIsU) {
            tr.Offer(K::Error(t, p, pp, zs[z], o), y, x, z, tr.none);
          } else {
            tr.Offer(K::Error(t, p, pp, o, zs[z]), y, x, tr.none, z);
          }
        }
      }
      if (tr.version != version) {
        version = tr.version;
        mid.lo = y + 1;
        if (!tighten()) break;
        y = mid.lo - 1;
      }
    }
  }
}

/// p and pp fixed: the outer pair part over the whole series, the inner one
/// from it to the end.
template <class K>
void SearchRatioPairFixed(const PartSeries& series, RunState& run, const Target& t, Tracker& tr, double p, double pp) {
  const SeriesLookup& s = K::PairSeries(series);
  const int last = s.Last();
  for (int f = 0; f <= last; ++f) {
    if (!NextPass(run)) return;
    const Windows ws = SumPartWindows(t, tr.best, s, {f, last}, p, pp, s[f], tr.best >= kBoxBoundsFrom);
    for (int i = 0; i < ws.count; ++i) {
      for (int w = ws.part[i].lo; w <= ws.part[i].hi; ++w) {
        if constexpr (K::kPairOuterIsU) {
          tr.Offer(K::Error(t, p, pp, s[f], s[w]), tr.none, tr.none, f, w);
        } else {
          tr.Offer(K::Error(t, p, pp, s[w], s[f]), tr.none, tr.none, w, f);
        }
      }
    }
  }
}

/// One of p (fixedP) and pp fixed, the other over `outer`; one pair part
/// fixed at o (u when zIsU is false), the other over `zRange`.
template <class K>
void SearchCrossFixed(const PartSeries& series, RunState& run, const Target& t, Tracker& tr, bool fixedP,
                      double fixedRatio, IndexRange outer, bool zIsU, double o, IndexRange zRange) {
  const SeriesLookup& ps = K::RatioSeries(series);
  const SeriesLookup& zs = K::PairSeries(series);
  for (int x = outer.lo; x <= outer.hi; ++x) {
    if (!NextPass(run)) return;
    const double p = fixedP ? fixedRatio : ps[x];
    const double pp = fixedP ? ps[x] : fixedRatio;
    const std::int32_t pIndex = fixedP ? tr.none : x;
    const std::int32_t ppIndex = fixedP ? x : tr.none;
    const Windows ws = SumPartWindows(t, tr.best, zs, zRange, p, pp, o, tr.best >= kBoxBoundsFrom);
    for (int i = 0; i < ws.count; ++i) {
      for (int z = ws.part[i].lo; z <= ws.part[i].hi; ++z) {
        if (zIsU) {
          tr.Offer(K::Error(t, p, pp, zs[z], o), pIndex, ppIndex, z, tr.none);
        } else {
          tr.Offer(K::Error(t, p, pp, o, zs[z]), pIndex, ppIndex, tr.none, z);
        }
      }
    }
  }
}

/// Both pair parts fixed: pp over the whole ratio series, p from pp to the end.
template <class K>
void SearchPairFixed(const PartSeries& series, RunState& run, const Target& t, Tracker& tr, double u, double v) {
  const SeriesLookup& ps = K::RatioSeries(series);
  const int last = ps.Last();
  for (int x = 0; x <= last; ++x) {
    if (!NextPass(run)) return;
    const double pp = ps[x];
    const Windows ws = RatioPartWindows(t, tr.best, ps, {x, last}, pp, u, v, tr.best >= kBoxBoundsFrom);
    for (int i = 0; i < ws.count; ++i) {
      for (int y = ws.part[i].lo; y <= ws.part[i].hi; ++y) {
        tr.Offer(K::Error(t, ps[y], pp, u, v), y, x, tr.none, tr.none);
      }
    }
  }
}

}  // namespace kelvara::engine::series
