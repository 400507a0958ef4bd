#pragma once

// A real polynomial of bounded degree with its coefficients in ascending
// powers, and the arithmetic the searches for a response's extremes share
// (the exact extremes of the views and the fast mask test of the tolerance
// trials). Operation orders are fixed: results are compared bit for bit.

#include <algorithm>
#include <array>

namespace kelvara::response {

template <int MaxDegree>
struct Polynomial {
  static constexpr int kMaxDegree = MaxDegree;
  std::array<double, MaxDegree + 1> c{};
  int degree = 0;

  /// The value at x by Horner's rule.
  double operator()(double x) const {
    double v = c[degree];
    for (int i = degree - 1; i >= 0; --i) v = v * x + c[i];
    return v;
  }
  /// The derivative, leading zero coefficients kept.
  Polynomial Derivative() const {
    Polynomial d;
    d.degree = std::max(degree - 1, 0);
    for (int i = 1; i <= degree; ++i) d.c[i - 1] = c[i] * i;
    return d;
  }
  /// Drops leading zero coefficients.
  void Trim() {
    while (degree > 0 && c[degree] == 0.0) --degree;
  }
};

/// a b, leading zero coefficients kept; terms beyond MaxDegree are dropped
/// (the callers' degrees never reach them).
template <int N>
Polynomial<N> Product(const Polynomial<N>& a, const Polynomial<N>& b) {
  Polynomial<N> p;
  p.degree = std::min(a.degree + b.degree, N);
  for (int i = 0; i <= a.degree; ++i) {
    for (int j = 0; j <= b.degree && i + j <= N; ++j) p.c[i + j] += a.c[i] * b.c[j];
  }
  return p;
}

}  // namespace kelvara::response
