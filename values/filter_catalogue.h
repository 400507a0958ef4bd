#pragma once

// The filter kinds and responses the program designs: how many entries each
// list has, their names in the window and on the command line, and which
// combinations the design tables hold. The window's lists and rules, the
// engine's tables, the checks of sheet records and kelvara-design's options
// all read them from here. The list index is what a sheet record stores.

#include <array>
#include <cstdint>

namespace kelvara::values {

// ---- pass kind (通過特性) --------------------------------------------------
enum PassKind : std::uint8_t { kLpf = 0, kHpf = 1 };
inline constexpr int kPassKindCount = 2;
inline constexpr std::array<const char*, kPassKindCount> kPassKindNames = {"LPF", "HPF"};
/// The values of kelvara-design's --kind.
inline constexpr std::array<const char*, kPassKindCount> kPassKindOptions = {"lpf", "hpf"};

// ---- circuit (回路方式): unity-gain Sallen-Key only ------------------------
inline constexpr int kCircuitCount = 1;
/// The topology each circuit builds its second-order sections of (an odd
/// order's first section is the RC and follower), as the section registry
/// names it (response/section.h).
inline constexpr std::array<const char*, kCircuitCount> kCircuitOptions = {"sallen-key"};

// ---- order (次数): list index = order - 2 --------------------------------
inline constexpr int kMinOrder = 2;
inline constexpr int kMaxOrder = 8;
inline constexpr int kOrderCount = kMaxOrder - kMinOrder + 1;
inline constexpr std::array<const char*, kOrderCount> kOrderNames = {"２次", "３次", "４次", "５次",
                                                                     "６次", "７次", "８次"};

// ---- response (減衰特性) ----------------------------------------------------
enum Response : std::uint8_t { kButterworth = 0, kBessel = 1, kChebyshev = 2 };
inline constexpr int kResponseCount = 3;
inline constexpr std::array<const char*, kResponseCount> kResponseNames = {"バターワース", "ベッセル", "チェビシェフ"};
/// The values of kelvara-design's --response.
inline constexpr std::array<const char*, kResponseCount> kResponseOptions = {"butterworth", "bessel", "chebyshev"};

/// The response that has a ripple choice.
constexpr bool HasRipple(int response) { return response == kChebyshev; }

// ---- ripple (リプル): 0.25 dB only ------------------------------------------
inline constexpr int kRippleCount = 1;

// ---- allowed combinations ---------------------------------------------------
/// A Chebyshev high-pass starts at this order index ("４次"); so does a
/// Chebyshev of any ripple but the first.
inline constexpr int kFirstStrictChebyshevOrderIndex = 2;

/// False for the combinations the tables hold no design for: HPF Bessel,
/// HPF Chebyshev below order 4, and any index outside its list.
constexpr bool HasDesignCombination(int passKind, int circuit, int orderIndex, int response, int rippleIndex) {
  if (passKind < 0 || passKind >= kPassKindCount || circuit < 0 || circuit >= kCircuitCount || orderIndex < 0 ||
      orderIndex >= kOrderCount || response < 0 || response >= kResponseCount || rippleIndex < 0 ||
      rippleIndex >= kRippleCount) {
    return false;
  }
  if (passKind == kHpf) {
    if (response == kBessel) return false;
    if (response == kChebyshev && orderIndex < kFirstStrictChebyshevOrderIndex) return false;
  }
  return true;
}

}  // namespace kelvara::values
