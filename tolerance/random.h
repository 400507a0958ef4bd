#pragma once

// The random numbers of the tolerance analysis, written out here so that a
// seed gives the same numbers with every compiler and standard library:
// SplitMix64 turns (seed, trial) into the state of one xoshiro256** stream
// per trial, and the uniform and normal variates are our own transforms.

#include <cmath>
#include <cstdint>

namespace kelvara::tolerance {

/// One step of SplitMix64: advances state and returns the next output.
constexpr std::uint64_t SplitMix64(std::uint64_t& state) {
  state += 0x9e3779b97f4a7c15ULL;
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

/// xoshiro256** 1.0 (Blackman and Vigna), seeded through SplitMix64.
class Xoshiro256 {
 public:
  /// The stream of one trial: the same (seed, trial) always gives the same
  /// numbers, and different trials give unrelated ones.
  static constexpr Xoshiro256 ForTrial(std::uint64_t seed, std::uint64_t trial) {
    std::uint64_t mix = seed;
    const std::uint64_t seedHash = SplitMix64(mix);
    std::uint64_t state = seedHash ^ (trial * 0xd1342543de82ef95ULL + 0x2545f4914f6cdd1dULL);
    Xoshiro256 g;
    for (std::uint64_t& word : g.s_) word = SplitMix64(state);
    return g;
  }

  constexpr std::uint64_t Next() {
    const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
  }

 private:
  static constexpr std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::uint64_t s_[4]{};
};

/// Uniform in [0, 1): the top 53 bits as a multiple of 2^-53.
inline double UniformUnit(Xoshiro256& g) { return static_cast<double>(g.Next() >> 11) * 0x1.0p-53; }

/// Uniform in (-1, 1), symmetric: the top bit is the sign, the next 53
/// bits the magnitude (0 included once for each sign, so the mean is 0).
inline double UniformSymmetric(Xoshiro256& g) {
  const std::uint64_t x = g.Next();
  const double magnitude = static_cast<double>((x >> 10) & ((1ULL << 53) - 1)) * 0x1.0p-53;
  return (x >> 63) != 0 ? -magnitude : magnitude;
}

/// Standard normal by the polar method of Marsaglia: a point uniform in the
/// unit disc, scaled by sqrt(-2 ln s / s). Uses one of the pair and throws
/// the other away, so that every draw takes its numbers from the stream in
/// the same way. Exact up to the rounding of std::log and std::sqrt.
inline double StandardNormal(Xoshiro256& g) {
  for (;;) {
    const double u = UniformSymmetric(g);
    const double v = UniformSymmetric(g);
    const double s = u * u + v * v;
    if (s > 0 && s < 1) return u * std::sqrt(-2 * std::log(s) / s);
  }
}

}  // namespace kelvara::tolerance
