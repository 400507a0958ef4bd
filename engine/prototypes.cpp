#include "engine/prototypes.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace kelvara::engine {
namespace {

using Poly = std::vector<long double>;  // lowest power first
using Complex = std::complex<long double>;

constexpr long double kPi = 3.141592653589793238462643383279502884L;

Poly Multiply(const Poly& a, const Poly& b) {
  Poly out(a.size() + b.size() - 1, 0.0L);
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (std::size_t j = 0; j < b.size(); ++j) out[i + j] += a[i] * b[j];
  }
  return out;
}

// P_0 .. P_k, the Legendre polynomials of the first kind, by Bonnet's
// recursion (i + 1) P_{i+1} = (2i + 1) x P_i - i P_{i-1}.
std::vector<Poly> LegendrePolynomials(int k) {
  std::vector<Poly> p = {{1.0L}, {0.0L, 1.0L}};
  for (int i = 1; i < k; ++i) {
    Poly next(static_cast<std::size_t>(i) + 2, 0.0L);
    for (std::size_t j = 0; j < p[i].size(); ++j) next[j + 1] += (2.0L * i + 1.0L) * p[i][j];
    for (std::size_t j = 0; j < p[i - 1].size(); ++j) next[j] -= static_cast<long double>(i) * p[i - 1][j];
    for (long double& c : next) c /= static_cast<long double>(i) + 1.0L;
    p.push_back(next);
  }
  p.resize(static_cast<std::size_t>(k) + 1);
  return p;
}

Complex Evaluate(const Poly& p, Complex x) {
  Complex y = 0;
  for (std::size_t i = p.size(); i-- > 0;) y = y * x + p[i];
  return y;
}

Poly Derivative(const Poly& p) {
  Poly d;
  for (std::size_t i = 1; i < p.size(); ++i) d.push_back(static_cast<long double>(i) * p[i]);
  return d;
}

// Every root of p (degree >= 1) by the Aberth-Ehrlich iteration, each then
// polished by Newton's method on p itself.
std::vector<Complex> Roots(const Poly& p) {
  const int n = static_cast<int>(p.size()) - 1;
  const Poly d = Derivative(p);
  // Start on a circle of the roots' mean magnitude, off the real axis.
  const long double radius = std::pow(std::fabs(p[0] / p[n]), 1.0L / n);
  std::vector<Complex> z(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) z[i] = std::polar(radius, 2.0L * kPi * (i + 0.25L) / n + 0.4L);
  for (int iteration = 0; iteration < 500; ++iteration) {
    long double largest = 0;
    for (int i = 0; i < n; ++i) {
      const Complex ratio = Evaluate(p, z[i]) / Evaluate(d, z[i]);
      Complex sum = 0;
      for (int j = 0; j < n; ++j) {
        if (j != i) sum += 1.0L / (z[i] - z[j]);
      }
      const Complex step = ratio / (1.0L - ratio * sum);
      z[i] -= step;
      largest = std::max(largest, std::abs(step) / std::max(std::abs(z[i]), 1e-30L));
    }
    if (largest < 1e-18L) break;
  }
  for (Complex& r : z) {
    for (int k = 0; k < 4; ++k) {
      const Complex dv = Evaluate(d, r);
      if (dv == Complex(0)) break;
      r -= Evaluate(p, r) / dv;
    }
  }
  return z;
}

// Sections of the left-half-plane poles: a pair (taken once, at its
// positive imaginary part) gives W = |p| and Q = |p| / (2 |Re p|), a real
// pole a first-order section.
Prototype SectionsOfPoles(const std::vector<Complex>& poles) {
  Prototype out;
  std::vector<PrototypeSection> sections;
  for (const Complex& p : poles) {
    const long double magnitude = std::abs(p);
    if (std::fabs(p.imag()) <= 1e-12L * magnitude) {
      sections.push_back({static_cast<double>(magnitude), 0.0});
    } else if (p.imag() > 0) {
      sections.push_back(
          {static_cast<double>(magnitude), static_cast<double>(magnitude / (2.0L * std::fabs(p.real())))});
    }
  }
  std::stable_sort(sections.begin(), sections.end(),
                   [](const PrototypeSection& a, const PrototypeSection& b) { return a.q < b.q; });
  out.count = static_cast<int>(std::min<std::size_t>(sections.size(), kMaxStages));
  for (int i = 0; i < out.count; ++i) out.section[i] = sections[i];
  return out;
}

Prototype Chebyshev(double rippleDb, int order) {
  const long double eps = std::sqrt(std::pow(10.0L, static_cast<long double>(rippleDb) / 10.0L) - 1.0L);
  const long double a = std::asinh(1.0L / eps) / order;
  std::vector<Complex> poles;
  for (int k = 1; k <= order; ++k) {
    const long double t = (2.0L * k - 1.0L) * kPi / (2.0L * order);
    // The middle pole of an odd order is real: cos(t) is exactly zero there.
    const long double im = 2 * k - 1 == order ? 0.0L : std::cosh(a) * std::cos(t);
    poles.emplace_back(-std::sinh(a) * std::sin(t), im);
  }
  return SectionsOfPoles(poles);
}

Prototype Legendre(int order) {
  const std::array<long double, values::kMaxOrder + 1> l = LegendreCharacteristic(order);
  // 1 + L_n(-u), u = s^2: a polynomial of degree n in u; each root u gives
  // the left-half-plane pole s = -sqrt(u).
  Poly p(static_cast<std::size_t>(order) + 1, 0.0L);
  for (int i = 0; i <= order; ++i) p[i] = (i % 2 == 0 ? 1.0L : -1.0L) * l[i];
  p[0] += 1.0L;
  std::vector<Complex> poles;
  for (const Complex& u : Roots(p)) {
    Complex s = -std::sqrt(u);
    if (s.real() > 0) s = -s;
    poles.push_back(s);
  }
  return SectionsOfPoles(poles);
}

Prototype LinkwitzRiley(int order) {
  // Butterworth of order m = n / 2: poles at angles (2k - 1) pi / (2m) from
  // the imaginary axis, each section twice.
  const int m = order / 2;
  std::vector<Complex> poles;
  for (int k = 1; k <= m; ++k) {
    const long double t = (2.0L * k - 1.0L) * kPi / (2.0L * m);
    const long double im = 2 * k - 1 == m ? 0.0L : std::cos(t);
    poles.emplace_back(-std::sin(t), im);
  }
  Prototype butterworth = SectionsOfPoles(poles);
  Prototype out;
  for (int i = 0; i < butterworth.count; ++i) {
    const PrototypeSection s = butterworth.section[i];
    if (s.q == 0) {
      out.section[out.count++] = {s.w, 0.5};  // the two equal real poles: one section of Q 0.5
    } else {
      out.section[out.count++] = s;
      out.section[out.count++] = s;
    }
  }
  std::stable_sort(out.section.begin(), out.section.begin() + out.count,
                   [](const PrototypeSection& a, const PrototypeSection& b) { return a.q < b.q; });
  return out;
}

}  // namespace

std::array<long double, values::kMaxOrder + 1> LegendreCharacteristic(int order) {
  std::array<long double, values::kMaxOrder + 1> out{};
  if (order < 1 || order > values::kMaxOrder) return out;
  // Papoulis: L_n(w^2) = c * integral from -1 to 2 w^2 - 1 of v(t)^2 dt
  // (odd n, k = (n - 1) / 2, v = sum over i = 0..k of (2i + 1) P_i) or of
  // (t + 1) v(t)^2 dt (even n, k = (n - 2) / 2, i = k, k - 2, ... only);
  // c makes L_n(1) = 1.
  const bool odd = order % 2 == 1;
  const int k = odd ? (order - 1) / 2 : (order - 2) / 2;
  const std::vector<Poly> legendre = LegendrePolynomials(std::max(k, 1));
  Poly v(static_cast<std::size_t>(k) + 1, 0.0L);
  for (int i = 0; i <= k; ++i) {
    if (!odd && (k - i) % 2 != 0) continue;
    for (std::size_t j = 0; j < legendre[i].size(); ++j) v[j] += (2.0L * i + 1.0L) * legendre[i][j];
  }
  Poly integrand = Multiply(v, v);
  if (!odd) integrand = Multiply(integrand, {1.0L, 1.0L});
  // Antiderivative F(t) with F(-1) = 0, then F(2x - 1).
  Poly f(integrand.size() + 1, 0.0L);
  for (std::size_t j = 0; j < integrand.size(); ++j) f[j + 1] = integrand[j] / static_cast<long double>(j + 1);
  f[0] = -Evaluate(f, Complex(-1.0L)).real();
  Poly composed = {0.0L};
  const Poly linear = {-1.0L, 2.0L};
  for (std::size_t j = f.size(); j-- > 0;) {  // Horner's scheme in polynomials
    composed = Multiply(composed, linear);
    composed[0] += f[j];
  }
  long double atOne = 0;
  for (const long double c : composed) atOne += c;
  for (std::size_t j = 0; j < composed.size() && j <= static_cast<std::size_t>(values::kMaxOrder); ++j) {
    out[j] = composed[j] / atOne;
  }
  out[0] = 0.0L;  // exactly: the integral starts at t = -1
  return out;
}

namespace {

Prototype Compute(int response, double rippleDb, int order) {
  switch (response) {
    case values::kChebyshev:
      return rippleDb > 0 ? Chebyshev(rippleDb, order) : Prototype{};
    case values::kLegendre:
      return Legendre(order);
    case values::kLinkwitzRiley:
      return order % 2 == 0 ? LinkwitzRiley(order) : Prototype{};
    default:
      return {};
  }
}

}  // namespace

Prototype ComputedPrototype(int response, double rippleDb, int order) {
  if (order < values::kMinOrder || order > values::kMaxOrder) return {};
  // Every prototype of the catalogue is computed once (the requirement's
  // searches and the tolerance runs ask for them again and again); any
  // other ripple is computed on each call.
  struct Table {
    std::array<std::array<Prototype, values::kOrderCount>, values::kRippleCount> chebyshev;
    std::array<Prototype, values::kOrderCount> legendre;
    std::array<Prototype, values::kOrderCount> linkwitzRiley;
  };
  static const Table table = [] {
    Table t;
    for (int n = values::kMinOrder; n <= values::kMaxOrder; ++n) {
      const int i = n - values::kMinOrder;
      for (int r = 0; r < values::kRippleCount; ++r)
        t.chebyshev[r][i] = Compute(values::kChebyshev, values::kRippleDb[r], n);
      t.legendre[i] = Compute(values::kLegendre, 0.0, n);
      t.linkwitzRiley[i] = Compute(values::kLinkwitzRiley, 0.0, n);
    }
    return t;
  }();
  const int i = order - values::kMinOrder;
  switch (response) {
    case values::kChebyshev:
      for (int r = 0; r < values::kRippleCount; ++r) {
        if (rippleDb == values::kRippleDb[r]) return table.chebyshev[r][i];
      }
      return Compute(response, rippleDb, order);
    case values::kLegendre:
      return table.legendre[i];
    case values::kLinkwitzRiley:
      return table.linkwitzRiley[i];
    default:
      return {};
  }
}

}  // namespace kelvara::engine
