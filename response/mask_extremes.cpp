#include "response/mask_extremes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "engine/stage_maths.h"
#include "engine/units.h"
#include "response/polynomial.h"

namespace kelvara::response {
namespace {

using engine::kTwoPi;
constexpr int kMaxDegree = 3 * engine::kMaxStages;
// Below the pass band's upper edge (LPF; above the lower edge, HPF) the
// band is searched over three decades, as the scan does.
constexpr double kFlatDecades = 1000;

// A polynomial in t with real coefficients, c[i] t^i.
using Poly = Polynomial<kMaxDegree>;

// The root of p in (a, b), where p(a) and p(b) have opposite signs and p is
// monotone: Newton's method, bisecting (geometrically on wide brackets)
// whenever a step would leave the bracket or not shrink fast enough.
double RootInBracket(const Poly& p, const Poly& dp, double a, double b, double pa) {
  const bool risingAtA = pa < 0;
  double x = a > 0 && b > 4 * a ? std::sqrt(a * b) : 0.5 * (a + b);
  double lastStep = b - a;
  for (int i = 0; i < 200; ++i) {
    const double v = p(x);
    if (v == 0) return x;
    if ((v < 0) == risingAtA) {
      a = x;
    } else {
      b = x;
    }
    const double slope = dp(x);
    const double newton = slope != 0 ? x - v / slope : NAN;
    double next;
    if (newton > a && newton < b && std::fabs(newton - x) < 0.5 * lastStep) {
      next = newton;
    } else {
      next = a > 0 && b > 4 * a ? std::sqrt(a * b) : 0.5 * (a + b);
    }
    lastStep = std::fabs(next - x);
    if (!(next > a && next < b) || lastStep <= 2e-16 * std::fabs(next)) return next > a && next < b ? next : x;
    x = next;
  }
  return x;
}

// The real roots of p in (lo, hi), ascending, into out; their count.
int RootsIn(Poly p, double lo, double hi, double* out) {
  p.Trim();
  if (p.degree == 0) return 0;
  if (p.degree == 1) {
    const double r = -p.c[0] / p.c[1];
    if (r > lo && r < hi) {
      out[0] = r;
      return 1;
    }
    return 0;
  }
  const Poly dp = p.Derivative();
  std::array<double, kMaxDegree + 1> turns{};
  const int count = RootsIn(dp, lo, hi, turns.data());
  int found = 0;
  double a = lo;
  double pa = p(lo);
  for (int i = 0; i <= count; ++i) {
    const double b = i < count ? turns[i] : hi;
    const double pb = p(b);
    if (pb == 0 && i < count) {
      out[found++] = b;
    } else if ((pa < 0 && pb > 0) || (pa > 0 && pb < 0)) {
      out[found++] = RootInBracket(p, dp, a, b, pa);
    }
    a = b;
    pa = pb;
  }
  return found;
}

// |D(j nu)|^2 as a polynomial in t = nu^2 for D(sigma) = sum d_i sigma^i.
Poly SquaredMagnitude(const std::array<double, 4>& d, int degree) {
  Poly e, o;  // D(j nu) = e(t) + j nu o(t)
  e.degree = degree / 2;
  o.degree = std::max((degree - 1) / 2, 0);
  for (int i = 0; i <= degree; ++i) {
    const double sign = (i / 2) % 2 == 0 ? 1.0 : -1.0;
    if (i % 2 == 0) {
      e.c[i / 2] = sign * d[i];
    } else {
      o.c[i / 2] = sign * d[i];
    }
  }
  Poly m = Product(e, e);
  Poly to = Product(o, o);
  to.degree += 1;
  for (int i = to.degree; i >= 1; --i) to.c[i] = to.c[i - 1];
  to.c[0] = 0;
  for (int i = 0; i <= to.degree; ++i) m.c[i] += to.c[i];
  m.degree = std::max(m.degree, to.degree);
  m.Trim();
  return m;
}

// One stage's |H|^2 = k2 t^m / q(t), scaled so that q's coefficients are
// near 1 at most.
struct StageForm {
  Poly q;
  int m = 0;
  double k2 = 1;
};

// A polynomial in sigma of degree 3 at most.
struct SigmaPoly {
  std::array<double, 4> d{};
  int degree = 0;
};

SigmaPoly Mul(const SigmaPoly& a, const SigmaPoly& b) {
  SigmaPoly p;
  p.degree = a.degree + b.degree;
  for (int i = 0; i <= a.degree; ++i) {
    for (int j = 0; j <= b.degree; ++j) p.d[i + j] += a.d[i] * b.d[j];
  }
  return p;
}

SigmaPoly Add(const SigmaPoly& a, const SigmaPoly& b) {
  SigmaPoly p;
  p.degree = std::max(a.degree, b.degree);
  for (int i = 0; i <= p.degree; ++i) p.d[i] = a.d[i] + b.d[i];
  return p;
}

StageForm FormOf(const SigmaPoly& den, double k, int m) {
  StageForm s;
  double scale = 0;
  for (int i = 0; i <= den.degree; ++i) scale = std::max(scale, std::fabs(den.d[i]));
  std::array<double, 4> d{};
  for (int i = 0; i <= den.degree; ++i) d[i] = den.d[i] / scale;
  s.q = SquaredMagnitude(d, den.degree);
  const double ks = k / scale;
  s.k2 = ks * ks;
  s.m = m;
  return s;
}

// The whole gain: sum of the stages' 10 log10(k2 t^m / q(t)).
struct GainForm {
  std::array<StageForm, engine::kMaxStages> stage{};
  int count = 0;
  Poly q;  // product of the stages' q
  int m = 0;
  double logK2 = 0;  // log10 of the product of the k2
  bool valid = true;

  void Finish() {
    q.degree = 0;
    q.c[0] = 1;
    m = 0;
    logK2 = 0;
    for (int k = 0; k < count; ++k) {
      q = Product(q, stage[k].q);
      m += stage[k].m;
      logK2 += std::log10(stage[k].k2);
      for (int i = 0; i <= stage[k].q.degree; ++i) {
        if (!std::isfinite(stage[k].q.c[i])) valid = false;
      }
      if (!(stage[k].k2 > 0) || !std::isfinite(stage[k].k2)) valid = false;
    }
  }
  double Db(double t) const { return 10 * (logK2 + m * std::log10(t) - std::log10(q(t))); }
};

double StageDb(const StageForm& s, double t) { return 10 * std::log10(s.k2 * std::pow(t, s.m) / s.q(t)); }

// The stationary points of k2 t^m / q(t) in (lo, hi): roots of t q' - m q.
int StationaryPoints(const Poly& q, int m, double lo, double hi, double* out) {
  const Poly dq = q.Derivative();
  Poly r;
  r.degree = std::max(q.degree, dq.degree + 1);
  for (int i = 0; i <= dq.degree; ++i) r.c[i + 1] += dq.c[i];
  for (int i = 0; i <= q.degree; ++i) r.c[i] -= m * q.c[i];
  return RootsIn(r, lo, hi, out);
}

struct Range {
  double low = INFINITY;
  double high = -INFINITY;
  void Take(double v) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
};

// One band [tLow, 1] of t = (f / fTop)^2 with the limits on its gain.
struct Band {
  double fLow = 0;  // the band in Hz, as the scan takes its ends
  double fTop = 0;
  bool limitLow = false;  // the gain must stay at or above lowDb
  double lowDb = 0;
  double highDb = 0;  // and at or below highDb
};

class Decider {
 public:
  Decider(const GainForm& form, const std::function<double(double)>& exact) : form_(form), exact_(exact) {}

  // Whether the gain on the band keeps its limits.
  bool Keeps(const Band& b) const {
    const double tLow = (b.fLow / b.fTop) * (b.fLow / b.fTop);
    // The ends first: the scan evaluates them exactly there.
    if (!Candidate(b, b.fLow, tLow) || !Candidate(b, b.fTop, 1.0)) return false;
    if (!(tLow < 1)) return true;
    // The stages' own extremes bound the cascade's.
    Range sum{0, 0};
    for (int k = 0; k < form_.count; ++k) {
      const StageForm& s = form_.stage[k];
      Range r;
      r.Take(StageDb(s, tLow));
      r.Take(StageDb(s, 1.0));
      std::array<double, kMaxDegree + 1> t{};
      const int n = StationaryPoints(s.q, s.m, tLow, 1.0, t.data());
      for (int i = 0; i < n; ++i) r.Take(StageDb(s, t[i]));
      sum.low += r.low;
      sum.high += r.high;
    }
    const bool lowClear = !b.limitLow || sum.low >= b.lowDb + kDecisionMarginDb;
    const bool highClear = sum.high <= b.highDb - kDecisionMarginDb;
    if (lowClear && highClear) return true;
    // The cascade's own stationary points.
    std::array<double, kMaxDegree + 1> t{};
    const int n = StationaryPoints(form_.q, form_.m, tLow, 1.0, t.data());
    for (int i = 0; i < n; ++i) {
      if (!Candidate(b, b.fTop * std::sqrt(t[i]), t[i])) return false;
    }
    return true;
  }

 private:
  // Whether the gain at f (t in the polynomial form) keeps the limits.
  bool Candidate(const Band& b, double f, double t) const {
    const double g = form_.Db(t);
    const bool nearHigh = !(g < b.highDb - kDecisionMarginDb);
    const bool nearLow = b.limitLow && !(g > b.lowDb + kDecisionMarginDb);
    if (!nearHigh && !nearLow) return true;
    const double e = exact_(f);
    return e <= b.highDb && (!b.limitLow || e >= b.lowDb);
  }

  const GainForm& form_;
  const std::function<double(double)>& exact_;
};

bool Usable(const GainMask& mask) {
  return std::isfinite(mask.passHz) && std::isfinite(mask.passDb) && std::isfinite(mask.stopHz) &&
         std::isfinite(mask.stopDb) && mask.passHz > 0 && mask.stopHz > 0;
}

// The stop band and the pass band of the mask; stopOther is where the stop
// band's search ends (above stopHz for an LPF, below it for an HPF).
bool Decide(const DesignRequest& request, const GainForm& formPass, const GainForm& formStop, const GainMask& mask,
            double stopOther, const std::function<double(double)>& exact) {
  const bool hpf = request.passKind == engine::kHpf;
  Band stop;
  stop.fLow = hpf ? stopOther : mask.stopHz;
  stop.fTop = hpf ? mask.stopHz : stopOther;
  stop.highDb = -mask.stopDb;
  if (!Decider(formStop, exact).Keeps(stop)) return false;
  Band pass;
  pass.fLow = hpf ? mask.passHz : mask.passHz / kFlatDecades;
  pass.fTop = hpf ? mask.passHz * kFlatDecades : mask.passHz;
  pass.limitLow = true;
  pass.lowDb = -mask.passDb;
  pass.highDb = mask.passDb;
  return Decider(formPass, exact).Keeps(pass);
}

// Ideal stages with t relative to fTop.
GainForm IdealForm(const DesignRequest& request, const ResponseStages& stages, double fTop) {
  GainForm g;
  const bool hpf = request.passKind == engine::kHpf;
  const double omegaTop = kTwoPi * fTop;
  g.count = std::min(engine::StageCount(request.Order()), engine::kMaxStages);
  for (int k = 0; k < g.count; ++k) {
    const double w0 = stages.omega[k];
    const double q = stages.q[k];
    const bool firstOrder = k == 0 && !request.evenOrder;
    if (!(w0 > 0) || !std::isfinite(w0) || (!firstOrder && (!(q > 0) || !std::isfinite(q)))) g.valid = false;
    const double r = omegaTop / w0;
    SigmaPoly den;
    if (firstOrder) {
      den.degree = 1;
      den.d = {1, r, 0, 0};
      g.stage[k] = FormOf(den, hpf ? r : 1.0, hpf ? 1 : 0);
    } else {
      den.degree = 2;
      den.d = {1, r / q, r * r, 0};
      g.stage[k] = FormOf(den, hpf ? r * r : 1.0, hpf ? 2 : 0);
    }
  }
  g.Finish();
  return g;
}

// The drawn circuit without output resistance, t relative to fTop.
GainForm CircuitForm(const OpAmpCircuit& circuit, const OpAmpModel& model, double fTop) {
  GainForm g;
  const bool hpf = circuit.request.passKind == engine::kHpf;
  const double omegaTop = kTwoPi * fTop;
  const OpAmpTerms terms = TermsOf(model);
  // 1 + 1/A(sigma omegaTop)
  SigmaPoly onePlusInvA;
  onePlusInvA.degree = 1;
  onePlusInvA.d = {1 + terms.invA0, omegaTop * terms.invOmegaT, 0, 0};
  SigmaPoly invA = onePlusInvA;
  invA.d[0] = terms.invA0;
  auto admittance = [&](bool capacitor, double value) {
    SigmaPoly y;
    if (capacitor) {
      y.degree = 1;
      y.d[1] = omegaTop * value;
    } else {
      y.d[0] = 1 / value;
    }
    if (!(value > 0) || !std::isfinite(value)) g.valid = false;
    return y;
  };
  g.count = circuit.stageCount;
  for (int k = 0; k < g.count; ++k) {
    const CircuitStage& st = circuit.stages[k];
    const SigmaPoly y1 = admittance(hpf, st.series1);
    const SigmaPoly yg = admittance(!hpf, st.shunt);
    const double k1 = hpf ? y1.d[1] : y1.d[0];
    if (st.firstOrder) {
      // H = y1 / ((y1 + yg)(1 + 1/A))
      g.stage[k] = FormOf(Mul(Add(y1, yg), onePlusInvA), k1, hpf ? 1 : 0);
      continue;
    }
    const SigmaPoly y2 = admittance(hpf, st.series2);
    const SigmaPoly yf = admittance(!hpf, st.feedback);
    // H = y1 y2 / ((y1 y2 + y1 yg + y2 yg)(1 + 1/A) + yf (1/A (y2 + yg) + yg))
    const SigmaPoly sum = Add(Add(Mul(y1, y2), Mul(y1, yg)), Mul(y2, yg));
    const SigmaPoly den = Add(Mul(sum, onePlusInvA), Mul(yf, Add(Mul(invA, Add(y2, yg)), yg)));
    const double k2 = hpf ? y2.d[1] : y2.d[0];
    g.stage[k] = FormOf(den, k1 * k2, hpf ? 2 : 0);
  }
  g.Finish();
  return g;
}

}  // namespace

std::optional<bool> MeetsMaskByExtremes(const DesignRequest& request, const ResponseStages& stages,
                                        const GainMask& mask) {
  if (!Usable(mask)) return std::nullopt;
  const bool hpf = request.passKind == engine::kHpf;
  const int count = std::min(engine::StageCount(request.Order()), engine::kMaxStages);
  // An LPF's factors all rise beyond the highest stage f0, so the stop
  // band's highest gain lies between stopHz and there (HPF mirrored).
  double f0Low = StageF0Hz(stages.omega[0]);
  double f0High = f0Low;
  for (int k = 1; k < count; ++k) {
    f0Low = std::min(f0Low, StageF0Hz(stages.omega[k]));
    f0High = std::max(f0High, StageF0Hz(stages.omega[k]));
  }
  const double stopOther = hpf ? std::min(mask.stopHz, f0Low) : std::max(mask.stopHz, f0High);
  if (!std::isfinite(stopOther) || !(stopOther > 0)) return std::nullopt;
  GainForm pass = IdealForm(request, stages, hpf ? mask.passHz * kFlatDecades : mask.passHz);
  GainForm stop = IdealForm(request, stages, hpf ? mask.stopHz : stopOther);
  if (!pass.valid || !stop.valid) return std::nullopt;
  const std::function<double(double)> exact = [&](double f) { return ResponseDb(request, stages, f); };
  return Decide(request, pass, stop, mask, stopOther, exact);
}

std::optional<bool> MeetsMaskByExtremes(const DesignRequest& request, const OpAmpCircuit& circuit,
                                        const OpAmpModel& model, const GainMask& mask) {
  if (model.ideal) return MeetsMaskByExtremes(request, circuit.ideal, mask);
  if (!Usable(mask) || model.routOhm != 0) return std::nullopt;
  const bool hpf = request.passKind == engine::kHpf;
  // The input reaches a real op-amp's output at high frequencies, so the
  // stop band is searched over three decades, as the scan does.
  const double stopOther = hpf ? mask.stopHz / kFlatDecades : mask.stopHz * kFlatDecades;
  GainForm pass = CircuitForm(circuit, model, hpf ? mask.passHz * kFlatDecades : mask.passHz);
  GainForm stop = CircuitForm(circuit, model, hpf ? mask.stopHz : stopOther);
  if (!pass.valid || !stop.valid) return std::nullopt;
  const std::function<double(double)> exact = [&](double f) { return CircuitGainDb(circuit, model, f); };
  return Decide(request, pass, stop, mask, stopOther, exact);
}

}  // namespace kelvara::response
