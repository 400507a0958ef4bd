#pragma once

// The formulas of a unity-gain Sallen-Key stage and the lookups the design
// searches share. Operation orders are fixed (left to right as written)
// because results are compared bit for bit.

#include <cmath>
#include <cstdint>
#include <span>

namespace kelvara::engine {

/// Stage slot of a stage end position (the number of parts up to and
/// including the stage): 0..2 -> 0, 3..4 -> 1, 5..6 -> 2, 7..8 -> 3, else -1.
constexpr int StageSlot(int endPosition) {
  if (endPosition >= 0 && endPosition <= 2) return 0;
  if (endPosition >= 3 && endPosition <= 8) return (endPosition - 1) / 2;
  return -1;
}

/// Number of stages of an order 2..8 (1, 2, 2, 3, 3, 4, 4).
constexpr int StageCount(int order) { return (order + 1) / 2; }

/// Natural angular frequency of a stage: 1 / sqrt(a b c d), multiplied left
/// to right. The engine passes (Ra, Rb, Ca, Cb).
inline double NaturalOmega(double a, double b, double c, double d) { return 1.0 / std::sqrt(((a * b) * c) * d); }

/// 1 / (a b): the corner of an RC section, or t = 1 / (omega x).
inline double ReciprocalProduct(double a, double b) { return 1.0 / (a * b); }

/// sqrt(x / y) sqrt(u v) / (u + v). LPF: (Ca, Cb, Ra, Rb); HPF: (Rb, Ra, Ca, Cb).
inline double StageQuality(double x, double y, double u, double v) {
  return std::sqrt(x / y) * std::sqrt(u * v) / (u + v);
}

/// The fourth part of a stage whose other three are a, b, c, so that the
/// stage's natural frequency is omega: 1 / (omega^2 a b c).
inline double PartForOmega(double omega, double a, double b, double c) {
  return 1.0 / ((((omega * omega) * a) * b) * c);
}

/// |1 - smaller/larger| of a candidate's value and its target.
inline double RatioError(double candidate, double target) {
  if (candidate == target) return 0.0;
  const double ratio = candidate < target ? candidate / target : target / candidate;
  return std::fabs(1.0 - ratio);
}

/// Error of a candidate stage (omegaC, qC) against its target (omega, q),
/// both terms weighted 1.
inline double MatchError(double omegaC, double omega, double qC, double q) {
  return RatioError(omegaC, omega) + RatioError(qC, q);
}

/// Index of the series entry nearest to x; ties go to the lower index, and
/// nothing nearer than 1e12 gives 0.
inline std::int32_t NearestIndex(std::span<const double> series, int last, double x) {
  double best = 1e12;
  std::int32_t index = 0;
  for (int i = 0; i <= last; ++i) {
    const double distance = std::fabs(x - series[i]);
    if (distance < best) {
      best = distance;
      index = i;
    }
  }
  return index;
}

inline double NearestValue(std::span<const double> series, int last, double x) {
  return series[NearestIndex(series, last, x)];
}

}  // namespace kelvara::engine
