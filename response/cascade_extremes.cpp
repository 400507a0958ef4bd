#include "response/cascade_extremes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>

#include "response/polynomial.h"

namespace kelvara::response {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Polynomials of degree at most 14 (the group delay's derivative of an
// eighth-order cascade), kept trimmed.
using Poly = Polynomial<2 * 2 * engine::kMaxStages - 2>;

Poly Constant(double v) {
  Poly p;
  p.c[0] = v;
  return p;
}

Poly Multiply(const Poly& a, const Poly& b) {
  Poly p = Product(a, b);
  p.Trim();
  return p;
}

Poly Add(const Poly& a, const Poly& b) {
  Poly p;
  p.degree = std::max(a.degree, b.degree);
  for (int i = 0; i <= p.degree; ++i) p.c[i] = (i <= a.degree ? a.c[i] : 0.0) + (i <= b.degree ? b.c[i] : 0.0);
  p.Trim();
  return p;
}

Poly Subtract(const Poly& a, const Poly& b) {
  Poly negated = b;
  for (int i = 0; i <= negated.degree; ++i) negated.c[i] = -negated.c[i];
  return Add(a, negated);
}

Poly Derivative(const Poly& a) {
  Poly p = a.Derivative();
  p.Trim();
  return p;
}

// The next point of a bisection of [lo, hi]: geometric while the bracket
// spans more than a factor 4 above 0, so that wide brackets close fast.
double Middle(double lo, double hi) {
  if (lo > 0 && hi > 4 * lo) return std::sqrt(lo) * std::sqrt(hi);
  return lo + 0.5 * (hi - lo);
}

// Bisects [lo, hi] on the sign of f until the bracket is two adjacent
// doubles; `loAbove` is whether f(lo) > 0 (and f(hi) is not). Returns the
// end of the bracket that `keepHigh` asks for.
template <typename F>
double Bisect(const F& f, double lo, double hi, bool loAbove, bool keepHigh) {
  for (int i = 0; i < 2200; ++i) {
    const double mid = Middle(lo, hi);
    if (!(mid > lo && mid < hi)) break;
    ((f(mid) > 0) == loAbove ? lo : hi) = mid;
  }
  return keepHigh ? hi : lo;
}

// The real roots of p in the open interval (lo, hi), ascending, where p
// changes sign or is exactly 0: p is monotone between the roots of its
// derivative, so each of those intervals holds at most one.
std::vector<double> RootsIn(const Poly& p, double lo, double hi) {
  std::vector<double> roots;
  if (p.degree == 0) return roots;
  if (p.degree == 1) {
    const double r = -p.c[0] / p.c[1];
    if (r > lo && r < hi) roots.push_back(r);
    return roots;
  }
  // Every root lies below the Cauchy bound 1 + max |c_i / c_n|.
  double bound = 0.0;
  for (int i = 0; i < p.degree; ++i) bound = std::max(bound, std::fabs(p.c[i] / p.c[p.degree]));
  bound += 1.0;
  if (!(bound < hi)) bound = hi;
  if (!(bound > lo) || !std::isfinite(bound)) return roots;
  std::vector<double> points{lo};
  for (const double x : RootsIn(Derivative(p), lo, bound)) points.push_back(x);
  points.push_back(bound);
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    const double a = points[i];
    const double b = points[i + 1];
    const double pa = p(a);
    const double pb = p(b);
    if (i > 0 && pa == 0.0) {
      roots.push_back(a);
      continue;
    }
    if ((pa > 0 && pb < 0) || (pa < 0 && pb > 0)) roots.push_back(Bisect(p, a, b, pa > 0, false));
  }
  return roots;
}

bool Usable(const Cascade& cascade) {
  if (cascade.count < 1) return false;
  for (int k = 0; k < cascade.count; ++k) {
    const CascadeStage& s = cascade.stage[k];
    if (!(s.omega > 0) || !std::isfinite(s.omega)) return false;
    if (s.order == 2 && (!(s.q > 0) || !std::isfinite(s.q))) return false;
  }
  return true;
}

// The cascade in the variable t = (f/fref)^2 (LPF) or (fref/f)^2 (HPF):
// t = 0 is the pass-band end (DC, or infinite frequency), and |1/H|^2 is
// the product of the sections' 1 + a t (first order) or
// (1 - a t)^2 + a t / q^2 (second order).
//
// Of the first `count` sections only (the gain to an op-amp's output within
// the cascade) where count is less than the cascade's.
class TForm {
 public:
  explicit TForm(const Cascade& cascade, int count = -1)
      : cascade_(cascade), hpf_(cascade.Hpf()), count_(count < 0 ? cascade.count : count) {
    double logSum = 0.0;
    for (int k = 0; k < count_; ++k) logSum += std::log(cascade.stage[k].omega / kTwoPi);
    fref_ = std::exp(logSum / count_);
    inversePower_ = Constant(1.0);
    for (int k = 0; k < count_; ++k) {
      const CascadeStage& s = cascade.stage[k];
      const double w = s.omega / kTwoPi / fref_;
      const double a = hpf_ ? w * w : 1.0 / (w * w);
      Poly section;
      if (s.order == 1) {
        section.degree = 1;
        section.c = {1.0, a};
      } else {
        section.degree = 2;
        section.c = {1.0, a / (s.q * s.q) - 2.0 * a, a * a};
      }
      inversePower_ = Multiply(inversePower_, section);
    }
  }

  double Hz(double t) const {
    if (t == 0.0) return hpf_ ? kInf : 0.0;
    if (t == kInf) return hpf_ ? 0.0 : kInf;
    return hpf_ ? fref_ / std::sqrt(t) : fref_ * std::sqrt(t);
  }
  double T(double hz) const {
    const double r = hpf_ ? fref_ / hz : hz / fref_;
    return r * r;
  }
  /// The gain at t: 0 dB at t = 0, -infinity at t = infinity.
  double Db(double t) const {
    if (t == 0.0) return 0.0;
    if (t == kInf) return -kInf;
    if (count_ == cascade_.count) return GainDb(cascade_, Hz(t));
    std::complex<double> h(1.0, 0.0);
    for (int k = 0; k < count_; ++k) h *= StageResponse(cascade_, k, Hz(t));
    return 20.0 * std::log10(std::abs(h));
  }
  /// The stationary points in (0, infinity), ascending in t.
  std::vector<double> Stationary() const { return RootsIn(Derivative(inversePower_), 0.0, kInf); }

  /// The stationary points of f |H| in (0, infinity), ascending in t. With
  /// f^2 = fref^2 t (LPF) the square t / P(t) is stationary where
  /// P - t P' = 0; with f^2 = fref^2 / t (HPF) 1 / (t P(t)) is, where
  /// P + t P' = 0.
  std::vector<double> SlopeStationary() const {
    const Poly d = Derivative(inversePower_);
    Poly tTimesD;
    tTimesD.degree = d.degree + 1;
    for (int i = 0; i <= d.degree; ++i) tTimesD.c[i + 1] = d.c[i];
    tTimesD.Trim();
    return RootsIn(hpf_ ? Add(inversePower_, tTimesD) : Subtract(inversePower_, tTimesD), 0.0, kInf);
  }

  /// A finite t beyond `from` where the gain is below `levelDb`, or
  /// infinity when there is none within the doubles.
  double BeyondLevel(double from, double levelDb) const {
    double t = std::max(from, 1.0) * 2.0;
    while (std::isfinite(t) && !(Db(t) < levelDb)) t *= 16.0;
    return t;
  }

  /// The t in [lo, hi] where the gain, monotone there, passes levelDb;
  /// `keepHigh` chooses the end of the final bracket.
  double Crossing(double lo, double hi, double levelDb, bool keepHigh) const {
    const auto f = [&](double t) { return Db(t) - levelDb; };
    return Bisect(f, lo, hi, f(lo) > 0, keepHigh);
  }

  double Fref() const { return fref_; }

 private:
  const Cascade& cascade_;
  bool hpf_;
  int count_;
  double fref_ = 1.0;
  Poly inversePower_;
};

}  // namespace

std::vector<double> GainStationaryHz(const Cascade& cascade) {
  std::vector<double> hz;
  if (!Usable(cascade)) return hz;
  const TForm form(cascade);
  for (const double t : form.Stationary()) hz.push_back(form.Hz(t));
  std::sort(hz.begin(), hz.end());
  return hz;
}

std::vector<double> OutputStationaryHz(const Cascade& cascade, int count, bool slope) {
  std::vector<double> hz;
  if (!Usable(cascade) || count < 1 || count > cascade.count) return hz;
  const TForm form(cascade, count);
  for (const double t : slope ? form.SlopeStationary() : form.Stationary()) hz.push_back(form.Hz(t));
  std::sort(hz.begin(), hz.end());
  return hz;
}

// Declared with the summary in analysis.h.
std::optional<RippleEdge> FindRippleEdge(const Cascade& cascade, double dropDb) {
  if (!Usable(cascade) || !(dropDb >= 0)) return std::nullopt;
  const TForm form(cascade);
  // The monotone pieces of the gain in t, from the pass-band end (t = 0).
  std::vector<double> points{0.0};
  for (const double t : form.Stationary()) points.push_back(t);
  RippleEdge edge;
  edge.maxDb = 0.0;
  for (const double t : points) edge.maxDb = std::max(edge.maxDb, form.Db(t));
  if (!std::isfinite(edge.maxDb)) return std::nullopt;
  const double level = edge.maxDb - dropDb;
  // The last crossing of the level: walk the pieces back from the stop
  // band's end; the gain is below the level on everything walked so far.
  double b = kInf;
  double edgeT = kInf;
  for (std::size_t i = points.size(); i-- > 0;) {
    const double a = points[i];
    if (form.Db(a) >= level) {
      if (b == kInf) {
        b = form.BeyondLevel(a, level);
        if (!std::isfinite(b)) return std::nullopt;
      }
      edgeT = form.Crossing(a, b, level, false);
      break;
    }
    b = a;
  }
  if (!std::isfinite(edgeT)) return std::nullopt;
  double lowest = level;
  for (const double t : points) {
    if (t <= edgeT) lowest = std::min(lowest, form.Db(t));
  }
  edge.edgeHz = form.Hz(edgeT);
  edge.rippleDb = edge.maxDb - lowest;
  return edge;
}

GainBand GainExtremes(const Cascade& cascade, double fLowHz, double fHighHz) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (!Usable(cascade) || !(fLowHz <= fHighHz) || fLowHz < 0) return {nan, nan};
  const TForm form(cascade);
  double ta = form.T(fLowHz);
  double tb = form.T(fHighHz);
  if (ta > tb) std::swap(ta, tb);
  const double da = form.Db(ta);
  const double db = form.Db(tb);
  GainBand band{std::min(da, db), std::max(da, db)};
  for (const double t : form.Stationary()) {
    if (t <= ta || t >= tb) continue;
    const double d = form.Db(t);
    band.lowDb = std::min(band.lowDb, d);
    band.highDb = std::max(band.highDb, d);
  }
  return band;
}

double PassEdgeHz(const Cascade& cascade, double deviationDb) {
  if (!Usable(cascade) || !(deviationDb >= 0)) return std::numeric_limits<double>::quiet_NaN();
  const TForm form(cascade);
  std::vector<double> ends = form.Stationary();
  ends.push_back(kInf);
  double a = 0.0;  // |gain| <= deviationDb on all of [0, a]
  for (double b : ends) {
    const double gb = form.Db(b);
    if (std::fabs(gb) > deviationDb) {
      if (b == kInf) {
        b = form.BeyondLevel(a, -deviationDb);
        if (!std::isfinite(b)) return form.Hz(kInf);
      }
      const double level = form.Db(b) > deviationDb ? deviationDb : -deviationDb;
      return form.Hz(form.Crossing(a, b, level, false));
    }
    a = b;
  }
  return form.Hz(kInf);
}

double StopEdgeHz(const Cascade& cascade, double attenuationDb) {
  if (!Usable(cascade) || !(attenuationDb >= 0)) return std::numeric_limits<double>::quiet_NaN();
  const TForm form(cascade);
  const double level = -attenuationDb;
  std::vector<double> starts{0.0};
  for (const double t : form.Stationary()) starts.push_back(t);
  // Walk the monotone pieces from the far end of the stop band back; the
  // gain is at or below the level on everything walked so far.
  double b = kInf;
  for (std::size_t i = starts.size(); i-- > 0;) {
    const double a = starts[i];
    if (form.Db(a) > level) {
      if (b == kInf) {
        b = form.BeyondLevel(a, level);
        if (!std::isfinite(b)) return form.Hz(kInf);
      }
      return form.Hz(form.Crossing(a, b, level, true));
    }
    b = a;
  }
  return form.Hz(0.0);
}

DelayBand DelayExtremes(const Cascade& cascade, double fHighHz) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (!Usable(cascade) || !(fHighHz >= 0)) return {nan, nan, nan};
  // In u = (f/fref)^2 each section delays sqrt(a) (1 + a u) / (q P(u))
  // (second order) or sqrt(a) / (1 + a u) (first order), times 1/omega_ref,
  // with a = (fref/f0)^2 and P the section's |1/H|^2 in u (the numerator
  // adds no delay, so LPF and HPF alike). The derivative's numerator over
  // the common denominator prod P^2 is sum (N' P - N P') prod_{j != k} P_j^2.
  double logSum = 0.0;
  for (int k = 0; k < cascade.count; ++k) logSum += std::log(cascade.stage[k].omega / kTwoPi);
  const double fref = std::exp(logSum / cascade.count);
  std::array<Poly, engine::kMaxStages> n{};
  std::array<Poly, engine::kMaxStages> p{};
  for (int k = 0; k < cascade.count; ++k) {
    const CascadeStage& s = cascade.stage[k];
    const double w = s.omega / kTwoPi / fref;
    const double a = 1.0 / (w * w);
    const double root = std::sqrt(a);
    if (s.order == 1) {
      n[k] = Constant(root);
      p[k].degree = 1;
      p[k].c = {1.0, a};
    } else {
      n[k].degree = 1;
      n[k].c = {root / s.q, root / s.q * a};
      p[k].degree = 2;
      p[k].c = {1.0, a / (s.q * s.q) - 2.0 * a, a * a};
    }
  }
  Poly numerator;
  for (int k = 0; k < cascade.count; ++k) {
    Poly term = Subtract(Multiply(Derivative(n[k]), p[k]), Multiply(n[k], Derivative(p[k])));
    for (int j = 0; j < cascade.count; ++j) {
      if (j != k) term = Multiply(term, Multiply(p[j], p[j]));
    }
    numerator = Add(numerator, term);
  }
  const double uHigh = (fHighHz / fref) * (fHighHz / fref);
  DelayBand band;
  band.dcS = GroupDelay(cascade, 0.0);
  const double atHigh = GroupDelay(cascade, fHighHz);
  band.lowS = std::min(band.dcS, atHigh);
  band.highS = std::max(band.dcS, atHigh);
  for (const double u : RootsIn(numerator, 0.0, uHigh)) {
    const double d = GroupDelay(cascade, fref * std::sqrt(u));
    band.lowS = std::min(band.lowS, d);
    band.highS = std::max(band.highS, d);
  }
  return band;
}

}  // namespace kelvara::response
