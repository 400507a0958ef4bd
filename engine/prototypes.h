#pragma once

// Low-pass prototypes computed from their poles, for the responses and
// ripples the stage tables do not hold: Chebyshev of every ripple of the
// list, Legendre (Papoulis' optimum L) and Linkwitz-Riley. Each gives the
// sections of a cut-off of 1 rad/s as the response defines it:
//
//   Chebyshev       the ripple edge: poles -sinh(a) sin(t_k) +- j cosh(a)
//                   cos(t_k), t_k = (2k - 1) pi / (2n), a = asinh(1/eps) / n,
//                   eps^2 = 10^(ripple/10) - 1 (closed form)
//   Legendre        -3 dB: |H(jw)|^2 = 1 / (1 + L_n(w^2)) with Papoulis'
//                   polynomial L_n (L_n(0) = 0, L_n(1) = 1, monotonic, the
//                   steepest at w = 1); its poles are roots of 1 + L_n(-s^2),
//                   found in long double and polished by Newton's method
//   Linkwitz-Riley  -6 dB: the square of the Butterworth of half the order,
//                   each Butterworth section twice (a real pole pair is a
//                   section of Q 0.5); closed form
//
// A section is its natural frequency W (rad/s for the 1 rad/s cut-off) and
// its Q; a first-order section (odd orders) has Q 0 and W its pole's
// magnitude. Sections come in ascending Q, the first-order one first, as
// the stage tables order their slots.

#include <array>
#include <cstdint>

#include "engine/design_types.h"

namespace kelvara::engine {

struct PrototypeSection {
  double w = 0;
  double q = 0;  // 0: first order
};

struct Prototype {
  int count = 0;
  std::array<PrototypeSection, kMaxStages> section{};
};

/// The low-pass prototype of that response, ripple (dB, Chebyshev only) and
/// order (2..8; Linkwitz-Riley even). Empty (count 0) for Butterworth and
/// Bessel, which the tables hold, and for an order it does not have.
Prototype ComputedPrototype(int response, double rippleDb, int order);

/// The coefficients of Papoulis' L_n(x), x = w^2, lowest power first
/// (L_n(0) = 0, L_n(1) = 1): what ComputedPrototype's Legendre poles are
/// the roots of.
std::array<long double, values::kMaxOrder + 1> LegendreCharacteristic(int order);

}  // namespace kelvara::engine
