#include "engine/series_bounds.h"

#include <algorithm>

namespace kelvara::engine::series {

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
  // With r_i = min of each ratio and its inverse: r1 r2 <= rc and, to beat
  // the best, r1 + r2 >= beta, so max(r1, r2) is at least the larger root
  // of x^2 - beta x + rc. The root is ill-conditioned near a double root, so
  // it is lowered by far more than its rounding.
  const double rc = 1.0 - std::max(eX, eY);
  const double beta = 2.0 - allowance;
  const double d = beta * beta - 4.0 * rc;
  if (d >= 0.0) {
    const double arm = (beta + std::sqrt(d)) / 2.0 - 1e-6;
    if (arm > 0.0) {
      const bool omegaArm = 1.0 - e1 >= arm;  // w' can come that close at all
      const bool qArm = 1.0 - e2 >= arm;
      if (!omegaArm && !qArm) {
        b.prune = true;
      } else if (!omegaArm) {
        b.a2 = std::max(b.a2, arm);
      } else if (!qArm) {
        b.a1 = std::max(b.a1, arm);
      } else {
        b.arm = arm;
      }
    }
  }
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
  // z within [lo, hi] whose pair ratio lies in r: z at or below o, and z at
  // or above o.
  auto add = [&](double zLo, double zHi, const RatioWindow& rr) {
    w.Add(Intersect(range, WindowIndices(s, std::max({lo, zLo, o / rr.hi}), std::min({hi, zHi, o / rr.lo}))));
    w.Add(Intersect(range, WindowIndices(s, std::max({lo, zLo, o * rr.lo}), std::min({hi, zHi, o * rr.hi}))));
  };
  if (b.arm <= 0.0) {
    add(0.0, INFINITY, r);
    return w;
  }
  // w' within the arm, or Q' within it.
  Bounds armOnly;
  armOnly.a1 = armOnly.a2 = b.arm;
  const ValueRange armProduct = ProductWindow(t, armOnly);
  add(armProduct.lo / k, armProduct.hi / k, r);
  const RatioWindow armRatio = MakeRatioWindow(t, armOnly, m);
  if (!armRatio.empty) {
    add(0.0, INFINITY, {false, std::max(r.lo, armRatio.lo), std::min(r.hi, armRatio.hi)});
  }
  return w;
}

Windows RatioPartWindows(const Target& t, double best, const SeriesLookup& s, IndexRange range, double pp, double u,
                         double v, bool boxBounds) {
  Windows w;
  if (range.Empty()) return w;
  const Bounds b =
      boxBounds ? BoxBounds(t, best, {{s[range.lo], s[range.hi]}, {pp, pp}, {u, u}, {v, v}}) : PlainBounds(t, best);
  if (b.prune) return w;
  if (!b.Any()) {
    w.Add(range);
    return w;
  }
  // pp (u + v) does not depend on p: the whole loop stands or falls with it.
  const ValueRange sw = SumWindow(t, b);
  const double sum = pp * (u + v);
  if (sum * kWidenUp < sw.lo || sum * kWidenDown > sw.hi) return w;
  const double k = (pp * u) * v;  // P = k p
  const double g = PairFactor(u, v);
  const double h = Harmonic(u, v);
  const ValueRange hw = HarmonicWindow(t, b);
  // P in the window of a1 and Q' = sqrt(p/pp) g in [a2 q, q/a2].
  auto add = [&](double a1, double a2) {
    Bounds ab;
    ab.a1 = a1;
    const ValueRange pw = ProductWindow(t, ab);
    const double qLo = a2 * t.q / g;
    const double qHi = t.q / (a2 * g);
    const double lo = std::max({pw.lo / k, pp * (qLo * qLo), hw.lo / h});
    const double hi = std::min({pw.hi / k, pp * (qHi * qHi), hw.hi / h});
    w.Add(Intersect(range, WindowIndices(s, lo, hi)));
  };
  if (b.arm <= 0.0) {
    add(b.a1, b.a2);
  } else {  // w' within the arm, or Q' within it
    add(std::max(b.a1, b.arm), b.a2);
    add(b.a1, std::max(b.a2, b.arm));
  }
  return w;
}

namespace {
thread_local std::uint64_t evaluationsOfThread = 0;
}  // namespace

void CountEvaluations(std::uint64_t evaluations) { evaluationsOfThread += evaluations; }

std::uint64_t EvaluationsOfThread() { return evaluationsOfThread; }

}  // namespace kelvara::engine::series
