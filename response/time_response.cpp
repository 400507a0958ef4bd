#include "response/time_response.h"

#include <algorithm>
#include <cmath>

namespace kelvara::response {
namespace {

using Complex = std::complex<double>;

struct PoleGroup {
  Complex pole;
  int multiplicity = 0;
};

// Truncated power series in e = s - p: a[j] is the coefficient of e^j.
void MultiplySeries(std::vector<Complex>& a, const std::vector<Complex>& b) {
  const std::size_t m = a.size();
  std::vector<Complex> out(m, Complex{});
  for (std::size_t i = 0; i < m; ++i) {
    for (std::size_t j = 0; i + j < m; ++j) out[i + j] += a[i] * b[j];
  }
  a = std::move(out);
}

// Partial fractions of K s^z / prod (s - p)^m, z below the degree of the
// denominator or equal to it (the constant part is then left out): for each
// pole the coefficients c_k of c_k t^k / k! e^(p t), the inverse transform.
std::vector<PoleTerms> Expand(const std::vector<PoleGroup>& groups, double k, int z) {
  std::vector<PoleTerms> terms;
  for (const PoleGroup& g : groups) {
    const std::size_t m = static_cast<std::size_t>(g.multiplicity);
    // (s - p)^m F(s) around s = p, to the power m - 1.
    std::vector<Complex> a(m, Complex{});
    a[0] = k;
    std::vector<Complex> factor(m, Complex{});
    factor[0] = g.pole;
    if (m > 1) factor[1] = 1.0;
    for (int i = 0; i < z; ++i) MultiplySeries(a, factor);
    for (const PoleGroup& other : groups) {
      if (&other == &g) continue;
      // 1 / (d + e) = sum (-1)^j e^j / d^(j+1), d = p - q.
      const Complex d = g.pole - other.pole;
      std::vector<Complex> inverse(m);
      Complex power = 1.0 / d;
      for (std::size_t j = 0; j < m; ++j) {
        inverse[j] = power;
        power *= -1.0 / d;
      }
      for (int i = 0; i < other.multiplicity; ++i) MultiplySeries(a, inverse);
    }
    PoleTerms t;
    t.pole = g.pole;
    t.c.resize(m);
    for (std::size_t j = 0; j < m; ++j) t.c[m - 1 - j] = a[j];
    terms.push_back(std::move(t));
  }
  return terms;
}

double Evaluate(const std::vector<PoleTerms>& terms, double t) {
  Complex sum{};
  for (const PoleTerms& pt : terms) {
    Complex poly{};
    double power = 1.0;  // t^k / k!
    for (std::size_t k = 0; k < pt.c.size(); ++k) {
      poly += pt.c[k] * power;
      power = power * t / static_cast<double>(k + 1);
    }
    sum += poly * std::exp(pt.pole * t);
  }
  return sum.real();
}

// Bound of |sum| over the decaying poles (the pole at 0 left out).
double Envelope(const std::vector<PoleTerms>& terms, double t) {
  double sum = 0.0;
  for (const PoleTerms& pt : terms) {
    if (pt.pole == Complex{}) continue;
    double poly = 0.0;
    double power = 1.0;
    for (std::size_t k = 0; k < pt.c.size(); ++k) {
      poly += std::abs(pt.c[k]) * power;
      power = power * t / static_cast<double>(k + 1);
    }
    sum += poly * std::exp(pt.pole.real() * t);
  }
  return sum;
}

void AddPole(std::vector<PoleGroup>& groups, Complex p) {
  for (PoleGroup& g : groups) {
    const double size = std::max(std::abs(p), std::abs(g.pole));
    if (std::abs(p - g.pole) <= kPoleMergeRelative * size) {
      g.pole = (g.pole * static_cast<double>(g.multiplicity) + p) / static_cast<double>(g.multiplicity + 1);
      ++g.multiplicity;
      return;
    }
  }
  groups.push_back({p, 1});
}

// Scaled time by which every decaying term is far inside the bands.
double ScanEnd(const std::vector<PoleTerms>& step, double longestTerm) {
  // Far enough that the envelope of the decaying terms is below a tenth of
  // the finest band.
  double end = 1.0;
  for (int i = 0; i < 400 && (end < longestTerm || Envelope(step, end) > kSettledBand * 0.1); ++i) end *= 1.25;
  return end;
}

// Scaled times at which the step is stationary: its slope is the impulse
// response (without a Dirac part), whose sign changes on the scan are
// bisected to the last bit.
std::vector<double> StationaryTimes(const std::vector<PoleTerms>& impulse, const std::vector<double>& times) {
  auto slope = [&](double tn) { return Evaluate(impulse, tn); };
  std::vector<double> roots;
  double before = slope(times[0]);
  for (std::size_t i = 1; i < times.size(); ++i) {
    const double after = slope(times[i]);
    if (after == 0.0) {
      roots.push_back(times[i]);
    } else if ((before < 0) != (after < 0) && before != 0.0) {
      double lo = times[i - 1], hi = times[i];
      const bool risingAtLo = before > 0;
      for (int k = 0; k < 200; ++k) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi) break;
        ((slope(mid) > 0) == risingAtLo ? lo : hi) = mid;
      }
      const double slo = std::fabs(slope(lo)), shi = std::fabs(slope(hi));
      roots.push_back(slo <= shi ? lo : hi);
    }
    before = after;
  }
  return roots;
}

}  // namespace

namespace {

std::vector<SectionKind> OneKind(const Cascade& cascade) {
  return std::vector<SectionKind>(static_cast<std::size_t>(cascade.count),
                                  cascade.Hpf() ? SectionKind::kHighPass : SectionKind::kLowPass);
}

}  // namespace

TimeResponse::TimeResponse(const Cascade& cascade) : TimeResponse(cascade, OneKind(cascade)) {}

TimeResponse::TimeResponse(const Cascade& cascade, std::span<const SectionKind> kinds) {
  // Time is scaled by omegaRef (the geometric mean of the sections'
  // frequencies) so that the poles are near 1 whatever the cut-off.
  double logSum = 0.0;
  for (int k = 0; k < cascade.count; ++k) logSum += std::log(cascade.stage[k].omega);
  scale_ = std::exp(logSum / cascade.count);
  std::vector<PoleGroup> groups;
  double gain = 1.0;
  int zeros = 0;  // of the numerator K s^zeros
  for (const StagePoles& sp : Poles(cascade)) {
    for (int i = 0; i < sp.count; ++i) AddPole(groups, sp.p[i] / scale_);
    const CascadeStage& s = cascade.stage[sp.stage];
    const double w = s.omega / scale_;
    switch (kinds[static_cast<std::size_t>(sp.stage)]) {
      case SectionKind::kLowPass:
        gain *= s.order == 1 ? w : w * w;
        break;
      case SectionKind::kHighPass:
        zeros += s.order;
        break;
      case SectionKind::kBandPass:
        // (w / Q) s / (s^2 + (w / Q) s + w^2): 1 at its centre.
        gain *= w / s.q;
        zeros += 1;
        break;
    }
  }
  for (const PoleGroup& g : groups) {
    slowest_ = slowest_ == 0.0 ? -g.pole.real() : std::min(slowest_, -g.pole.real());
    fastest_ = std::max(fastest_, std::abs(g.pole));
    longestTerm_ = std::max(longestTerm_, (g.multiplicity - 1) / -g.pole.real());
  }
  int n = 0;  // order of the whole transfer function
  for (int k = 0; k < cascade.count; ++k) n += cascade.stage[k].order;
  if (zeros > 0) {
    impulse_ = Expand(groups, gain, zeros);
    step_ = Expand(groups, gain, zeros - 1);
    dirac_ = zeros == n ? gain : 0.0;
    final_ = 0.0;
    hpf_ = true;
  } else {
    impulse_ = Expand(groups, gain, 0);
    groups.push_back({Complex{}, 1});
    step_ = Expand(groups, gain, 0);
    final_ = 1.0;
  }
}

double TimeResponse::Step(double t) const {
  if (t < 0) return 0.0;
  return Evaluate(step_, t * scale_);
}

double TimeResponse::Impulse(double t) const {
  if (t < 0) return 0.0;
  return scale_ * Evaluate(impulse_, t * scale_);
}

std::vector<double> TimeResponse::ScanTimes() const {
  // The step is a sum of terms on their own time scales. Each pole's term
  // is sampled 4 times per 1/|p| (about 25 times per period of its
  // oscillation) for as long as it is alive, that is until its envelope has
  // fallen below kDeadTerm; after that only the slower poles set the step.
  // So the fastest stage is scanned finely near the step and the slowest
  // over the whole span, whatever lies between them, in a bounded count.
  constexpr double kStepsPerScale = 4.0;
  constexpr double kDeadTerm = 1e-15;
  constexpr double kMaxSteps = 4.0e6;
  const double end = ScanEnd(step_, longestTerm_);
  struct Scale {
    double rate;   // |p|
    double alive;  // until this time
  };
  std::vector<Scale> scales;
  for (const PoleTerms& pt : step_) {
    if (pt.pole == Complex{}) continue;
    const double decay = -pt.pole.real();
    double size = 0.0;
    for (const Complex& c : pt.c) size += std::abs(c);
    // sum |c_k| t^k / k! e^(-decay t) < kDeadTerm beyond this time (the
    // polynomial grows slower than e^(decay t / 2) beyond 2 k / decay).
    double alive = end;
    if (decay > 0 && size > 0) {
      const double k = static_cast<double>(pt.c.size() - 1);
      alive = std::max(4.0 * k / decay, 2.0 * std::log(std::max(size, 1.0) / kDeadTerm) / decay);
    }
    scales.push_back({std::abs(pt.pole), std::min(alive, end)});
  }
  const double coarsest = end / kMaxSteps;
  std::vector<double> times{0.0};
  double t = 0.0;
  while (t < end) {
    double rate = 0.0;
    for (const Scale& s : scales) {
      if (t <= s.alive) rate = std::max(rate, s.rate);
    }
    const double step = rate > 0 ? std::max(1.0 / (kStepsPerScale * rate), coarsest) : end;
    const double next = std::min(end, t + step);
    if (!(next > t)) break;
    t = next;
    times.push_back(t);
  }
  return times;
}

double TimeResponse::SettlingTime(double band) const {
  // |step - final| is largest at t = 0 or where the step is stationary;
  // after the last such point outside the band the step moves monotonically
  // to the next stationary point (or to the settled end), crossing the band
  // once.
  const std::vector<double> stationary = StationaryTimes(impulse_, ScanTimes());
  auto outside = [&](double tn) { return std::fabs(Evaluate(step_, tn) - final_) > band; };
  std::vector<double> points{0.0};
  points.insert(points.end(), stationary.begin(), stationary.end());
  points.push_back(ScanEnd(step_, longestTerm_));
  std::size_t last = points.size();
  for (std::size_t i = points.size(); i-- > 0;) {
    if (outside(points[i])) {
      last = i;
      break;
    }
  }
  if (last == points.size()) return 0.0;
  if (last + 1 == points.size()) return points.back() / scale_;
  double lo = points[last];
  double hi = points[last + 1];
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    if (mid <= lo || mid >= hi) break;
    (outside(mid) ? lo : hi) = mid;
  }
  return hi / scale_;
}

TimeResponse::Overshoot TimeResponse::MaxOvershoot() const {
  const double sign = hpf_ ? -1.0 : 1.0;  // HPF: below 0; LPF: above 1
  auto excursion = [&](double tn) { return sign * (Evaluate(step_, tn) - final_); };
  double best = 0.0;
  double bestValue = excursion(0.0);
  for (const double tn : StationaryTimes(impulse_, ScanTimes())) {
    const double e = excursion(tn);
    if (e > bestValue) {
      bestValue = e;
      best = tn;
    }
  }
  if (!(bestValue > 0)) return {};
  return {bestValue * 100.0, best / scale_};
}

}  // namespace kelvara::response
