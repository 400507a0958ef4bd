#pragma once

// Constant data of the design engine: the normalised stage table, the
// frequency bands with their starting part values and the two series of
// preferred values. Built once, read-only afterwards, shared by every run.

#include <array>
#include <cstdint>

#include "engine/design_types.h"

namespace kelvara::engine {

// Layout of StageTable: the tabulated response (Butterworth, Bessel,
// Chebyshev 0.25 dB) fastest, then room for eight order indices, the pass
// kind, the stage slot and the half (Q or W). The other responses and
// ripples are computed from their poles (engine/prototypes.h).
inline constexpr int kStageOrderStride = values::kTabulatedResponseCount;
inline constexpr int kStageKindStride = 8 * kStageOrderStride;
inline constexpr int kStageSlotStride = values::kPassKindCount * kStageKindStride;
inline constexpr int kStageHalfStride = kMaxStages * kStageSlotStride;
inline constexpr int kStageTableSize = 2 * kStageHalfStride;
static_assert(values::kOrderCount <= 8);
inline constexpr int kBandCount = 19;
inline constexpr int kCapCount = 82;
inline constexpr int kResCount = 146;
/// Last indices of CapSeries and ResSeries.
inline constexpr int kCapLast = kCapCount - 1;
inline constexpr int kResLast = kResCount - 1;
/// The index a preferred-value search reports when it chose no candidate.
inline constexpr std::int32_t NoneIndex = 148;

struct Band {
  double limitOmega;  // the band holds targets strictly below this (rad/s)
  double startR;      // ohms
  double startC;      // farads
};

struct DesignData {
  std::array<double, kStageTableSize> StageTable{};
  std::array<Band, kBandCount> BandTable{};
  std::array<double, kCapCount> CapSeries{};
  std::array<double, kResCount> ResSeries{};
};

/// Index of a StageTable entry. half 0 holds Q, half 1 the frequency factor W.
constexpr int StageTableIndex(int half, int slot, int filterType, int orderIndex, int response, int rippleIndex) {
  return kStageHalfStride * half + kStageSlotStride * slot + kStageKindStride * filterType +
         kStageOrderStride * orderIndex + response + rippleIndex;
}

/// The constant tables, built on first use (thread-safe) and kept for the
/// life of the program.
const DesignData& BuildDesignData();

/// Band of a target angular frequency: the first with omega below its limit,
/// or the last band for anything at or beyond the last limit.
int BandIndex(double omega);

}  // namespace kelvara::engine
