#pragma once

// Constants every computation of the program shares.

namespace kelvara::engine {

/// 2 pi as every computation of the program takes it.
inline constexpr double kTwoPi = 6.283185307179586;

}  // namespace kelvara::engine
