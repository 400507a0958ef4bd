#include "tests/support/transfer_reference.h"

#include <algorithm>
#include <cmath>

namespace kelvara::testing {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<double> Multiply(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> out(a.size() + b.size() - 1, 0.0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (std::size_t j = 0; j < b.size(); ++j) out[i + j] += a[i] * b[j];
  }
  return out;
}

std::complex<double> Horner(const std::vector<double>& a, std::complex<double> s) {
  std::complex<double> v{};
  for (std::size_t i = a.size(); i-- > 0;) v = v * s + a[i];
  return v;
}

std::complex<double> HornerDerivative(const std::vector<double>& a, std::complex<double> s) {
  std::complex<double> v{};
  for (std::size_t i = a.size(); i-- > 1;) v = v * s + static_cast<double>(i) * a[i];
  return v;
}

using Matrix = std::vector<std::vector<double>>;

struct StateSpace {
  Matrix a;
  std::vector<double> b, c;
  double d = 0.0;
  double fastest = 0.0;
};

StateSpace SectionStates(const ReferenceFilter::Section& s) {
  StateSpace ss;
  if (s.den.size() == 2) {
    const double a0 = s.den[0] / s.den[1];
    const double b0 = s.num[0] / s.den[1], b1 = s.num[1] / s.den[1];
    ss.a = {{-a0}};
    ss.b = {1.0};
    ss.c = {b0 - b1 * a0};
    ss.d = b1;
    ss.fastest = a0;
  } else {
    const double a0 = s.den[0] / s.den[2], a1 = s.den[1] / s.den[2];
    const double b0 = s.num[0] / s.den[2], b1 = s.num[1] / s.den[2], b2 = s.num[2] / s.den[2];
    ss.a = {{0.0, 1.0}, {-a0, -a1}};
    ss.b = {0.0, 1.0};
    ss.c = {b0 - b2 * a0, b1 - b2 * a1};
    ss.d = b2;
    ss.fastest = std::max(a1, std::sqrt(a0));
  }
  return ss;
}

// The series connection: the first system's output drives the second.
StateSpace Series(const StateSpace& s1, const StateSpace& s2) {
  const std::size_t n1 = s1.b.size(), n2 = s2.b.size();
  StateSpace s;
  s.a.assign(n1 + n2, std::vector<double>(n1 + n2, 0.0));
  s.b.assign(n1 + n2, 0.0);
  s.c.assign(n1 + n2, 0.0);
  for (std::size_t i = 0; i < n1; ++i) {
    for (std::size_t j = 0; j < n1; ++j) s.a[i][j] = s1.a[i][j];
    s.b[i] = s1.b[i];
    s.c[i] = s2.d * s1.c[i];
  }
  for (std::size_t i = 0; i < n2; ++i) {
    for (std::size_t j = 0; j < n2; ++j) s.a[n1 + i][n1 + j] = s2.a[i][j];
    for (std::size_t j = 0; j < n1; ++j) s.a[n1 + i][j] = s2.b[i] * s1.c[j];
    s.b[n1 + i] = s2.b[i] * s1.d;
    s.c[n1 + i] = s2.c[i];
  }
  s.d = s2.d * s1.d;
  s.fastest = std::max(s1.fastest, s2.fastest);
  return s;
}

std::vector<double> Derivative(const StateSpace& s, const std::vector<double>& x, double u) {
  std::vector<double> dx(x.size(), 0.0);
  for (std::size_t i = 0; i < x.size(); ++i) {
    double v = s.b[i] * u;
    for (std::size_t j = 0; j < x.size(); ++j) v += s.a[i][j] * x[j];
    dx[i] = v;
  }
  return dx;
}

}  // namespace

ReferenceFilter MakeReference(bool hpf, int order, const engine::ComponentSet& parts) {
  ReferenceFilter f;
  f.hpf = hpf;
  // Sections: RC first for an odd order, then pairs of parts.
  std::vector<std::pair<int, int>> pairs;  // (first part index, count)
  int i = 0;
  if (order % 2 == 1) pairs.push_back({i++, 1});
  for (; i + 1 < order; i += 2) pairs.push_back({i, 2});
  double logSum = 0.0;
  for (auto [p, count] : pairs) {
    if (count == 1) {
      logSum += -std::log(parts.r[p] * parts.c[p]);
    } else {
      logSum += -0.5 * std::log(parts.r[p] * parts.r[p + 1] * parts.c[p] * parts.c[p + 1]);
    }
  }
  f.scale = std::exp(logSum / static_cast<double>(pairs.size()));
  const double w = f.scale;
  f.num.a = {1.0};
  f.den.a = {1.0};
  for (auto [p, count] : pairs) {
    ReferenceFilter::Section s;
    if (count == 1) {
      const double rc = parts.r[p] * parts.c[p] * w;
      s.den = {1.0, rc};
      s.num = hpf ? std::vector<double>{0.0, rc} : std::vector<double>{1.0, 0.0};
    } else {
      const double ra = parts.r[p], rb = parts.r[p + 1], ca = parts.c[p], cb = parts.c[p + 1];
      const double second = ra * rb * ca * cb * w * w;
      const double first = (hpf ? ra * (ca + cb) : cb * (ra + rb)) * w;
      s.den = {1.0, first, second};
      s.num = hpf ? std::vector<double>{0.0, 0.0, second} : std::vector<double>{1.0, 0.0, 0.0};
    }
    f.num.a = Multiply(f.num.a, s.num);
    f.den.a = Multiply(f.den.a, s.den);
    f.sections.push_back(s);
  }
  return f;
}

std::complex<double> Evaluate(const ReferenceFilter& filter, double fHz) {
  const std::complex<double> s(0.0, 2 * kPi * fHz / filter.scale);
  return Horner(filter.num.a, s) / Horner(filter.den.a, s);
}

double GainDb(const ReferenceFilter& filter, double fHz) { return 20 * std::log10(std::abs(Evaluate(filter, fHz))); }

double GroupDelay(const ReferenceFilter& filter, double fHz) {
  const std::complex<double> s(0.0, 2 * kPi * fHz / filter.scale);
  // The numerator is c s^m: its logarithmic derivative m / s is imaginary.
  const std::complex<double> dLogDen = HornerDerivative(filter.den.a, s) / Horner(filter.den.a, s);
  return dLogDen.real() / filter.scale;
}

std::vector<double> UnwrappedPhase(const ReferenceFilter& filter, const std::vector<double>& fHz) {
  std::vector<double> out(fHz.size());
  if (fHz.empty()) return out;
  const double fScale = filter.scale / (2 * kPi);
  auto wrapped = [&](double f) { return std::arg(Evaluate(filter, f)) * 180 / kPi; };
  auto walk = [&](double from, double phase, double to) {
    const double ratio = to > from ? 1.01 : 1 / 1.01;
    double f = from;
    double last = wrapped(f);
    while ((to > from && f * ratio < to) || (to < from && f * ratio > to)) {
      f *= ratio;
      const double now = wrapped(f);
      phase += std::remainder(now - last, 360.0);
      last = now;
    }
    return phase + std::remainder(wrapped(to) - last, 360.0);
  };
  if (!filter.hpf) {
    double f = std::min(fHz.front(), fScale) * 1e-5;
    double phase = wrapped(f);  // within a fraction of a degree of 0
    for (std::size_t i = 0; i < fHz.size(); ++i) {
      phase = walk(f, phase, fHz[i]);
      f = fHz[i];
      out[i] = phase;
    }
  } else {
    double f = std::max(fHz.back(), fScale) * 1e5;
    double phase = wrapped(f);
    for (std::size_t i = fHz.size(); i-- > 0;) {
      phase = walk(f, phase, fHz[i]);
      f = fHz[i];
      out[i] = phase;
    }
  }
  return out;
}

std::vector<double> IntegrateResponse(const ReferenceFilter& filter, const std::vector<double>& times, bool impulse,
                                      double stepFraction) {
  StateSpace s = SectionStates(filter.sections[0]);
  for (std::size_t k = 1; k < filter.sections.size(); ++k) s = Series(s, SectionStates(filter.sections[k]));
  const std::size_t n = s.b.size();
  std::vector<double> x(n, 0.0);
  const double u = impulse ? 0.0 : 1.0;
  if (impulse) x = s.b;
  const double hMax = stepFraction / s.fastest;
  auto output = [&]() {
    double y = impulse ? 0.0 : s.d * u;
    for (std::size_t i = 0; i < n; ++i) y += s.c[i] * x[i];
    return impulse ? y * filter.scale : y;
  };
  std::vector<double> out;
  double tau = 0.0;
  for (double t : times) {
    const double target = t * filter.scale;
    const int steps = static_cast<int>(std::ceil((target - tau) / hMax));
    const double h = steps > 0 ? (target - tau) / steps : 0.0;
    for (int k = 0; k < steps; ++k) {
      const auto k1 = Derivative(s, x, u);
      std::vector<double> tmp(n);
      for (std::size_t i = 0; i < n; ++i) tmp[i] = x[i] + 0.5 * h * k1[i];
      const auto k2 = Derivative(s, tmp, u);
      for (std::size_t i = 0; i < n; ++i) tmp[i] = x[i] + 0.5 * h * k2[i];
      const auto k3 = Derivative(s, tmp, u);
      for (std::size_t i = 0; i < n; ++i) tmp[i] = x[i] + h * k3[i];
      const auto k4 = Derivative(s, tmp, u);
      for (std::size_t i = 0; i < n; ++i) x[i] += h / 6 * (k1[i] + 2 * k2[i] + 2 * k3[i] + k4[i]);
    }
    tau = target;
    out.push_back(output());
  }
  return out;
}

}  // namespace kelvara::testing
