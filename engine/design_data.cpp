#include "engine/design_data.h"

#include <initializer_list>

#include "engine/design_types.h"
#include "engine/units.h"

namespace kelvara::engine {
namespace {

using values::kOrderCount;
using values::kPassKindCount;
using values::kTabulatedResponseCount;

// clang-format off
// Preferred capacitor values (farads): 1..9 pF, E12 from 10 pF to 82 nF, E6
// from 100 nF to 680 uF, then 1000 uF. Written as decimal literals so that
// each entry is the double nearest to its decimal value.
constexpr std::array<double, kCapCount> kCapSeries = {
    1e-12, 2e-12, 3e-12, 4e-12, 5e-12, 6e-12,
    7e-12, 8e-12, 9e-12, 1.0e-11, 1.2e-11, 1.5e-11,
    1.8e-11, 2.2e-11, 2.7e-11, 3.3e-11, 3.9e-11, 4.7e-11,
    5.6e-11, 6.8e-11, 8.2e-11, 1.0e-10, 1.2e-10, 1.5e-10,
    1.8e-10, 2.2e-10, 2.7e-10, 3.3e-10, 3.9e-10, 4.7e-10,
    5.6e-10, 6.8e-10, 8.2e-10, 1.0e-9, 1.2e-9, 1.5e-9,
    1.8e-9, 2.2e-9, 2.7e-9, 3.3e-9, 3.9e-9, 4.7e-9,
    5.6e-9, 6.8e-9, 8.2e-9, 1.0e-8, 1.2e-8, 1.5e-8,
    1.8e-8, 2.2e-8, 2.7e-8, 3.3e-8, 3.9e-8, 4.7e-8,
    5.6e-8, 6.8e-8, 8.2e-8, 1.0e-7, 1.5e-7, 2.2e-7,
    3.3e-7, 4.7e-7, 6.8e-7, 1.0e-6, 1.5e-6, 2.2e-6,
    3.3e-6, 4.7e-6, 6.8e-6, 1.0e-5, 1.5e-5, 2.2e-5,
    3.3e-5, 4.7e-5, 6.8e-5, 1.0e-4, 1.5e-4, 2.2e-4,
    3.3e-4, 4.7e-4, 6.8e-4, 1.0e-3,};

// Preferred resistor values (ohms): E24 from 0.47 ohm to 510 kohm.
constexpr std::array<double, kResCount> kResSeries = {
    0.47, 0.51, 0.56, 0.62, 0.68, 0.75, 0.82, 0.91,
    1.0e0, 1.1e0, 1.2e0, 1.3e0, 1.5e0, 1.6e0, 1.8e0, 2.0e0,
    2.2e0, 2.4e0, 2.7e0, 3.0e0, 3.3e0, 3.6e0, 3.9e0, 4.3e0,
    4.7e0, 5.1e0, 5.6e0, 6.2e0, 6.8e0, 7.5e0, 8.2e0, 9.1e0,
    1.0e1, 1.1e1, 1.2e1, 1.3e1, 1.5e1, 1.6e1, 1.8e1, 2.0e1,
    2.2e1, 2.4e1, 2.7e1, 3.0e1, 3.3e1, 3.6e1, 3.9e1, 4.3e1,
    4.7e1, 5.1e1, 5.6e1, 6.2e1, 6.8e1, 7.5e1, 8.2e1, 9.1e1,
    1.0e2, 1.1e2, 1.2e2, 1.3e2, 1.5e2, 1.6e2, 1.8e2, 2.0e2,
    2.2e2, 2.4e2, 2.7e2, 3.0e2, 3.3e2, 3.6e2, 3.9e2, 4.3e2,
    4.7e2, 5.1e2, 5.6e2, 6.2e2, 6.8e2, 7.5e2, 8.2e2, 9.1e2,
    1.0e3, 1.1e3, 1.2e3, 1.3e3, 1.5e3, 1.6e3, 1.8e3, 2.0e3,
    2.2e3, 2.4e3, 2.7e3, 3.0e3, 3.3e3, 3.6e3, 3.9e3, 4.3e3,
    4.7e3, 5.1e3, 5.6e3, 6.2e3, 6.8e3, 7.5e3, 8.2e3, 9.1e3,
    1.0e4, 1.1e4, 1.2e4, 1.3e4, 1.5e4, 1.6e4, 1.8e4, 2.0e4,
    2.2e4, 2.4e4, 2.7e4, 3.0e4, 3.3e4, 3.6e4, 3.9e4, 4.3e4,
    4.7e4, 5.1e4, 5.6e4, 6.2e4, 6.8e4, 7.5e4, 8.2e4, 9.1e4,
    1.0e5, 1.1e5, 1.2e5, 1.3e5, 1.5e5, 1.6e5, 1.8e5, 2.0e5,
    2.2e5, 2.4e5, 2.7e5, 3.0e5, 3.3e5, 3.6e5, 3.9e5, 4.3e5,
    4.7e5, 5.1e5,};

struct BandRow {
  double limitHz;
  double startR;
  double startC;
};

constexpr std::array<BandRow, kBandCount> kBands = {{
    {1, 47000, 3.3e-6},     {3, 47000, 3.3e-6},     {10, 47000, 1e-6},
    {30, 47000, 3.3e-7},    {100, 47000, 1e-7},     {300, 47000, 3.3e-8},
    {1000, 47000, 1e-8},    {3000, 10000, 3.3e-9},  {10000, 4700, 3.3e-9},
    {30000, 1000, 3.3e-9},  {100000, 1000, 1e-9},   {300000, 1000, 3.3e-10},
    {1e6, 470, 3.3e-10},    {3e6, 220, 2.2e-10},    {1e7, 100, 2.2e-10},
    {3e7, 33, 1e-10},       {1e8, 10, 1e-10},       {3e8, 10, 4.7e-11},
    {1e9, 10, 2.2e-11},
}};

// Stage quality factors by order index (order - 2), response and slot.
// LPF and HPF share them; HPF has no Bessel entries.
constexpr double kQ[kOrderCount][kTabulatedResponseCount][kMaxStages] = {
    // Butterworth, Bessel, Chebyshev 0.25 dB
    {{0.70711}, {0.57735}, {0.80925}},
    {{0.5, 1.0}, {0.5, 0.69104}, {0.5, 1.50803}},
    {{0.5412, 1.30656}, {0.52193, 0.80544}, {0.65725, 2.53611}},
    {{0.5, 0.61803, 1.61803}, {0.5, 0.56354, 0.91648}, {0.5, 1.03593, 3.87568}},
    {{0.51764, 0.70711, 1.93185}, {0.51032, 0.6112, 1.0233}, {0.63703, 1.55563, 5.52042}},
    {{0.5, 0.55496, 0.80194, 2.24698}, {0.5, 0.53235, 0.66083, 1.1263}, {0.5, 0.95956, 2.19039, 7.46782}},
    {{0.5098, 0.60135, 0.89998, 2.56292}, {0.50599, 0.55961, 0.71085, 1.2257}, {0.63041, 1.38327, 2.93174, 9.71678}},
};

// Stage frequency factors of LPF stages (for odd orders slot 0 is the corner
// of the first-order stage).
constexpr double kWLpf[kOrderCount][kTabulatedResponseCount][kMaxStages] = {
    {{1.0}, {1.2742}, {1.45397}},
    {{1.0, 1.0}, {1.32475, 1.44993}, {0.76722, 1.15699}},
    {{1.0, 1.0}, {1.43241, 1.60594}, {0.67442, 1.07794}},
    {{1.0, 1.0, 1.0}, {1.5047, 1.55876, 1.75812}, {0.43695, 0.73241, 1.04663}},
    {{1.0, 1.0, 1.0}, {1.60653, 1.69186, 1.90782}, {0.44406, 0.79385, 1.03112}},
    {{1.0, 1.0, 1.0, 1.0}, {1.68713, 1.71911, 1.82539, 2.05279}, {0.3076, 0.53186, 0.84017, 1.0223}},
    {{1.0, 1.0, 1.0, 1.0}, {1.78143, 1.83514, 1.95645, 2.19237}, {0.33164, 0.61692, 0.87365, 1.01679}},
};

// Frequency factors of HPF Chebyshev stages, orders 4..8 (orders 2 and 3
// are never offered for HPF Chebyshev and hold no data).
constexpr double kWHpfChebyshev[kOrderCount][kMaxStages] = {
    {},
    {},
    {1.482756, 0.927695},
    {2.28859, 1.365355, 0.955447},
    {2.25195, 1.259684, 0.969819},
    {3.25098, 1.880194, 1.19024, 0.97819},
    {3.015318, 1.620956, 1.144623, 0.98349},
};

// clang-format on

constexpr int StageCountOfOrder(int order) { return (order + 1) / 2; }

DesignData Build() {
  DesignData d;
  for (int orderIndex = 0; orderIndex < kOrderCount; ++orderIndex) {
    const int stages = StageCountOfOrder(orderIndex + 2);
    for (int response = 0; response < kTabulatedResponseCount; ++response) {
      for (int slot = 0; slot < stages; ++slot) {
        for (int filterType = 0; filterType < kPassKindCount; ++filterType) {
          if (filterType == kHpf && response == kBessel) continue;  // no HPF Bessel
          double w = kWLpf[orderIndex][response][slot];
          if (filterType == kHpf) w = response == kChebyshev ? kWHpfChebyshev[orderIndex][slot] : 1.0;
          d.StageTable[StageTableIndex(0, slot, filterType, orderIndex, response, 0)] = kQ[orderIndex][response][slot];
          d.StageTable[StageTableIndex(1, slot, filterType, orderIndex, response, 0)] = w;
        }
      }
    }
  }
  for (int b = 0; b < kBandCount; ++b) {
    d.BandTable[b] = {kTwoPi * kBands[b].limitHz, kBands[b].startR, kBands[b].startC};
  }
  d.CapSeries = kCapSeries;
  d.ResSeries = kResSeries;
  return d;
}

}  // namespace

const DesignData& BuildDesignData() {
  static const DesignData data = Build();
  return data;
}

int BandIndex(double omega) {
  const DesignData& d = BuildDesignData();
  for (int b = 0; b < kBandCount; ++b) {
    if (omega < d.BandTable[b].limitOmega) return b;
  }
  return kBandCount - 1;
}

}  // namespace kelvara::engine
