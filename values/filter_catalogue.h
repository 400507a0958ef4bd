#pragma once

// The filter kinds and responses the program designs: how many entries each
// list has, their names in the window and on the command line, and which
// combinations the design tables hold. The window's lists and rules, the
// engine's tables, the checks of sheet records and kelvara-design's options
// all read them from here. The list index is what a sheet record stores.

#include <array>
#include <cstdint>
#include <string>

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
// The first three are the program's own tables (engine/design_data.cpp);
// the others are computed from their poles (engine/prototypes.h).
enum Response : std::uint8_t { kButterworth = 0, kBessel = 1, kChebyshev = 2, kLegendre = 3, kLinkwitzRiley = 4 };
inline constexpr int kResponseCount = 5;
inline constexpr std::array<const char*, kResponseCount> kResponseNames = {"バターワース", "ベッセル", "チェビシェフ",
                                                                           "ルジャンドル", "リンクウィッツ・ライリー"};
/// The values of kelvara-design's --response.
inline constexpr std::array<const char*, kResponseCount> kResponseOptions = {"butterworth", "bessel", "chebyshev",
                                                                             "legendre", "linkwitz-riley"};
/// The names netlists and parts lists use.
inline constexpr std::array<const char*, kResponseCount> kResponseEnglishNames = {"Butterworth", "Bessel", "Chebyshev",
                                                                                  "Legendre", "Linkwitz-Riley"};
/// The responses the stage tables hold; the others are computed.
inline constexpr int kTabulatedResponseCount = 3;

/// The response that has a ripple choice.
constexpr bool HasRipple(int response) { return response == kChebyshev; }
/// A Linkwitz-Riley filter is a squared Butterworth: even orders only.
constexpr bool EvenOrdersOnly(int response) { return response == kLinkwitzRiley; }

/// Where each response puts its cut-off: the ripple edge (Chebyshev: the
/// gain leaves the ripple band), -3 dB (Butterworth, Bessel, Legendre) or
/// -6 dB (Linkwitz-Riley, where its low-pass and high-pass cross).
inline constexpr std::array<const char*, kResponseCount> kCutoffDefinitions = {"-3 dB", "-3 dB", "ripple edge", "-3 dB",
                                                                               "-6 dB"};

// ---- ripple (リプル) ---------------------------------------------------------
// The list index is what a sheet stores: 0.25 dB is the first item, the
// table's own; the others follow in ascending order.
inline constexpr int kRippleCount = 8;
inline constexpr std::array<double, kRippleCount> kRippleDb = {0.25, 0.01, 0.05, 0.1, 0.5, 1.0, 2.0, 3.0};
inline constexpr std::array<const char*, kRippleCount> kRippleNames = {"0.25dB", "0.01dB", "0.05dB", "0.1dB",
                                                                       "0.5dB",  "1dB",    "2dB",    "3dB"};
/// The values of kelvara-design's --ripple.
inline constexpr std::array<const char*, kRippleCount> kRippleOptions = {"0.25", "0.01", "0.05", "0.1",
                                                                         "0.5",  "1",    "2",    "3"};
/// The ripple the stage tables hold (0.25 dB).
inline constexpr int kTabulatedRippleIndex = 0;

/// Whether a request is one of the stage tables' (the program's own
/// Butterworth, Bessel and Chebyshev 0.25 dB) rather than computed.
constexpr bool IsTabulated(int response, int rippleIndex) {
  return response < kTabulatedResponseCount && (response != kChebyshev || rippleIndex == kTabulatedRippleIndex);
}

/// A response as the report names it: "バターワース", "チェビシェフ 0.25dB".
inline std::string ResponseLabel(int response, int rippleIndex) {
  if (response < 0 || response >= kResponseCount) return {};
  std::string text = kResponseNames[response];
  if (HasRipple(response) && rippleIndex >= 0 && rippleIndex < kRippleCount)
    text += std::string(" ") + kRippleNames[rippleIndex];
  return text;
}
/// The same in English, as netlists and parts lists name it: "Butterworth",
/// "Chebyshev 0.25 dB".
inline std::string ResponseEnglishLabel(int response, int rippleIndex) {
  if (response < 0 || response >= kResponseCount) return {};
  std::string text = kResponseEnglishNames[response];
  if (HasRipple(response) && rippleIndex >= 0 && rippleIndex < kRippleCount) {
    text += std::string(" ") + kRippleOptions[rippleIndex] + " dB";
  }
  return text;
}

// ---- allowed combinations ---------------------------------------------------
/// A Chebyshev 0.25 dB high-pass starts at this order index ("４次"): the
/// table holds no high-pass of order 2 or 3 for it. Every other ripple is
/// computed from its poles for every order.
inline constexpr int kFirstStrictChebyshevOrderIndex = 2;

/// False for the combinations without a design: HPF Bessel, HPF Chebyshev
/// 0.25 dB below order 4, Linkwitz-Riley of an odd order, and any index
/// outside its list.
constexpr bool HasDesignCombination(int passKind, int circuit, int orderIndex, int response, int rippleIndex) {
  if (passKind < 0 || passKind >= kPassKindCount || circuit < 0 || circuit >= kCircuitCount || orderIndex < 0 ||
      orderIndex >= kOrderCount || response < 0 || response >= kResponseCount || rippleIndex < 0 ||
      rippleIndex >= kRippleCount) {
    return false;
  }
  if (EvenOrdersOnly(response) && (orderIndex + kMinOrder) % 2 != 0) return false;
  if (passKind == kHpf) {
    if (response == kBessel) return false;
    if (response == kChebyshev && rippleIndex == kTabulatedRippleIndex &&
        orderIndex < kFirstStrictChebyshevOrderIndex) {
      return false;
    }
  }
  return true;
}

}  // namespace kelvara::values
