#pragma once

// Internal to the preferred-value searches: fast index lookups in the two
// series, the best-so-far tracker and the bounds that let a search skip
// candidates that cannot beat the best.
//
// A second-order candidate is written in roles: p and pp form the ratio of
// its quality factor and u, v the symmetric pair (LPF: p = Ca, pp = Cb,
// u = Ra, v = Rb; HPF: p = Rb, pp = Ra, u = Ca, v = Cb). With
// P = p pp u v its natural frequency is w' = 1/sqrt(P) and its quality
// factor Q' = sqrt(p/pp) g(u/v), g(r) = sqrt(r)/(1 + r), which is also
// Q' = sqrt(P)/(pp (u + v)). The error is e1 + e2 with e1 the ratio error of
// w' and e2 that of Q', both in [0, 1]. A candidate can only beat the best B
// when e1 <= B - (least e2 possible) and e2 <= B - (least e1 possible);
// e1 <= t means a <= w'/w <= 1/a with a = 1 - t, that is P in
// [a^2/w^2, 1/(a^2 w^2)], and likewise for Q'.
//
// The bounds are real-valued; the exact score is rounded. Every bound is
// therefore derived from B plus an absolute slack of 1e-9 (the rounding of
// the score is below 1e-14) and every index bound is widened by a further
// 1e-7 relative (series_lookup.h), far inside the smallest step of any
// series.

#include <cmath>
#include <cstdint>

#include "engine/search_result.h"
#include "engine/series_lookup.h"
#include "engine/stage_maths.h"

namespace kelvara::engine::series {

inline constexpr double kSlack = 1e-9;
/// A ratio bound a below this says too little to be worth using.
inline constexpr double kMinRatioBound = 1e-12;
/// Below this best error the least-error bounds of a box are not worth
/// their cost: the plain windows of B alone are already narrow.
inline constexpr double kBoxBoundsFrom = 0.05;

struct IndexRange {
  int lo = 0;
  int hi = -1;
  bool Empty() const { return lo > hi; }
};

inline IndexRange Intersect(IndexRange a, IndexRange b) {
  return {a.lo > b.lo ? a.lo : b.lo, a.hi < b.hi ? a.hi : b.hi};
}

/// Indices of a series whose values may lie in [lower, upper].
inline IndexRange WindowIndices(const SeriesLookup& s, double lower, double upper) {
  return {s.LowIndex(lower), s.HighIndex(upper)};
}

/// The best candidate so far of one search, with its error.
struct Tracker {
  double best;
  SearchResult result;
  std::uint64_t evaluations = 0;
  /// Increases with every improvement, so loops know when to tighten.
  std::uint64_t version = 0;

  /// The index of "no candidate" of the series searched.
  std::int32_t none;

  Tracker(double startingBest, std::int32_t noneIndex)
      : best(startingBest), result(NoneResult(noneIndex)), none(noneIndex) {}

  void Offer(double error, std::int32_t first, std::int32_t second, std::int32_t third, std::int32_t fourth) {
    ++evaluations;
    if (error < best) {
      best = error;
      result = {first, second, third, fourth};
      ++version;
    }
  }
};

/// Targets of a stage and whether bounds may be used for it at all (only for
/// finite, moderate targets and fixed values, where no product of four parts
/// can overflow or underflow).
struct Target {
  double q;
  double omega;
  double piStar;    // 1/w^2: the product P that meets w exactly
  double sumStar;   // 1/(q w): pp (u + v) of a candidate meeting both targets
  double harmStar;  // q/w: p uv/(u + v) of a candidate meeting both targets
  bool pruning;
};

inline bool Moderate(double x, double lo, double hi) { return x >= lo && x <= hi; }
inline bool ModerateFixedValue(double x) { return Moderate(x, 1e-60, 1e60); }

inline Target MakeTarget(double q, double omega, bool fixedValuesModerate) {
  const bool ok = fixedValuesModerate && Moderate(q, 1e-30, 1e30) && Moderate(omega, 1e-30, 1e30);
  if (!ok) return {q, omega, 0.0, 0.0, 0.0, false};
  return {q, omega, 1.0 / (omega * omega), 1.0 / (q * omega), q / omega, true};
}

/// Least ratio error of a value anywhere in [lo, hi] against its target.
inline double LeastRatioError(double lo, double hi, double target) {
  if (hi < target) return 1.0 - hi / target;
  if (lo > target) return 1.0 - target / lo;
  return 0.0;
}

/// g(u/v) = sqrt(u v)/(u + v), at most 1/2 (at u = v).
inline double PairFactor(double u, double v) { return std::sqrt(u * v) / (u + v); }

/// u v/(u + v), rising in both.
inline double Harmonic(double u, double v) { return (u * v) / (u + v); }

struct ValueRange {
  double lo;
  double hi;
};

/// Range of g(u/v) over u, v in their ranges: g rises up to u = v and falls
/// after, as a function of the ratio u/v.
inline ValueRange PairFactorRange(ValueRange u, ValueRange v) {
  const double gLo = PairFactor(u.lo, v.hi);
  const double gHi = PairFactor(u.hi, v.lo);
  const double peak = u.lo <= v.hi && v.lo <= u.hi ? 0.5 : (gLo > gHi ? gLo : gHi);
  return {gLo < gHi ? gLo : gHi, peak};
}

/// The candidates of a box: a range of values for each role.
struct Box {
  ValueRange p;
  ValueRange pp;
  ValueRange u;
  ValueRange v;
};

/// What a candidate must meet to beat the best: ratio bounds a1 on w' and
/// a2 on Q', and aJ on the two products of them, X = (w'/w)(Q'/Q) =
/// 1/(q w pp (u + v)) and Y = (Q'/Q)/(w'/w) = (w/q) p uv/(u + v): with
/// e(r) = 1 - min(r, 1/r), e(r1) + e(r2) >= e(r1 r2) and >= e(r2/r1).
/// Where X or Y is far from 1 everywhere in a box, at least one of w' and
/// Q' must come within the ratio `arm` of its target. A bound of 0 says
/// nothing.
struct Bounds {
  bool prune = false;
  double a1 = 0.0;
  double a2 = 0.0;
  double aJ = 0.0;
  double arm = 0.0;
  bool Any() const { return a1 > 0.0 || a2 > 0.0 || aJ > 0.0; }
  /// Ratio bound on X and on Y.
  double Joint() const { return a1 * a2 > aJ ? a1 * a2 : aJ; }
};

inline double RatioBound(double allowance) { return allowance < 1.0 - kMinRatioBound ? 1.0 - allowance : 0.0; }

/// Bounds from the best alone.
inline Bounds PlainBounds(const Target& t, double best) {
  Bounds b;
  if (!t.pruning) return b;
  b.a1 = b.a2 = b.aJ = RatioBound(best + kSlack);
  return b;
}

/// Bounds for the candidates of a box, sharpened by the least errors any of
/// them can have; prune when none can beat the best.
Bounds BoxBounds(const Target& t, double best, const Box& box);

/// Window of the product P from a1: [a1^2/w^2, 1/(a1^2 w^2)] (everything
/// when a1 = 0).
inline ValueRange ProductWindow(const Target& t, const Bounds& b) {
  const double aa = b.a1 * b.a1;
  return {aa * t.piStar, t.piStar / aa};
}

/// Window of pp (u + v).
inline ValueRange SumWindow(const Target& t, const Bounds& b) {
  const double a = b.Joint();
  return {a * t.sumStar, t.sumStar / a};
}

/// Window of p uv/(u + v).
inline ValueRange HarmonicWindow(const Target& t, const Bounds& b) {
  const double a = b.Joint();
  return {a * t.harmStar, t.harmStar / a};
}

/// Window of the ratio r = larger/smaller of u and v (r >= 1) for which
/// m g(r) can lie in [a2 q, q/a2]. Empty when even r = 1 gives too little.
struct RatioWindow {
  bool empty;
  double lo;
  double hi;
};
inline double InverseOfSum(double h) { return (h + std::sqrt(h * h - 4.0)) / 2.0; }  // t + 1/t = h, t >= 1
inline RatioWindow MakeRatioWindow(const Target& t, const Bounds& b, double m) {
  if (b.a2 <= 0.0) return {false, 1.0, INFINITY};
  // g = 1/(s + 1/s) with s = sqrt(r); g in [a2 q/m, q/(a2 m)].
  const double hHi = m / (b.a2 * t.q);
  if (hHi < 2.0) return {true, 1.0, 1.0};
  const double hLo = b.a2 * m / t.q;
  const double sHi = InverseOfSum(hHi);
  const double sLo = hLo > 2.0 ? InverseOfSum(hLo) : 1.0;
  return {false, sLo * sLo, sHi * sHi};
}

/// Up to four index ranges of one loop; Add keeps them ascending and
/// disjoint, whatever order they come in.
struct Windows {
  IndexRange part[4];
  int count = 0;
  void Add(IndexRange r) {
    if (r.Empty()) return;
    IndexRange kept[4];
    int n = 0;
    for (int i = 0; i < count; ++i) {
      if (part[i].hi + 1 < r.lo || r.hi + 1 < part[i].lo) {
        kept[n++] = part[i];
      } else {  // overlapping or adjacent: absorb
        r.lo = part[i].lo < r.lo ? part[i].lo : r.lo;
        r.hi = part[i].hi > r.hi ? part[i].hi : r.hi;
      }
    }
    int at = 0;
    while (at < n && kept[at].lo < r.lo) ++at;
    count = 0;
    for (int i = 0; i < at; ++i) part[count++] = kept[i];
    part[count++] = r;
    for (int i = at; i < n; ++i) part[count++] = kept[i];
  }
};

/// Values of z for which p h(z, o) lies in [lo, hi], h(z, o) = z o/(z + o):
/// 1/z = p/H - 1/o.
inline ValueRange HarmonicPartRange(ValueRange window, double p, double o) {
  const double dLo = p / window.hi - 1.0 / o;
  const double dHi = p / window.lo - 1.0 / o;
  return {dHi > 0.0 ? 1.0 / dHi : INFINITY, dLo > 0.0 ? 1.0 / dLo : INFINITY};
}

/// The loop of a sum-pair part z over `range`, the other of the pair fixed
/// at o and p, pp known: the indices that can still beat the best. With
/// boxBounds the least errors over the whole range sharpen the bounds (worth
/// it while the best is large).
Windows SumPartWindows(const Target& t, double best, const SeriesLookup& s, IndexRange range, double p, double pp,
                       double o, bool boxBounds);

/// The loop of p over `range`, pp, u, v known.
Windows RatioPartWindows(const Target& t, double best, const SeriesLookup& s, IndexRange range, double pp, double u,
                         double v, bool boxBounds);

/// Adds a search's evaluations to the calling thread's running total.
void CountEvaluations(std::uint64_t evaluations);

/// The calling thread's running total.
std::uint64_t EvaluationsOfThread();

}  // namespace kelvara::engine::series
