#pragma once

// The memory the bands of a Monte Carlo run hold: the gain and delay bands
// take one frequency at a time (a value per trial); the phase band of a real
// op-amp, whose trials are followed along the frequencies, a block of
// frequencies at a time in a buffer of at most this size.

#include <cstddef>

namespace kelvara::tolerance {

inline constexpr std::size_t kBandBufferBytes = std::size_t{8} << 20;

}  // namespace kelvara::tolerance
