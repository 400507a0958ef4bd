#pragma once

// The ranges that frame a design in a view: its frequencies two decades
// either side of the cut-off, and the gain its curve spans there.

#include <vector>

namespace kelvara::response {

struct FrequencyFrame {
  double fromHz = 1e3;
  double toHz = 1e6;
};

/// Decades either side of the cut-off that a framed frequency view shows.
inline constexpr double kFrameDecades = 2.0;

/// fc/100 … 100·fc for the cut-offs of every design shown (the lowest one's
/// fc/100 to the highest one's 100·fc); the default frame for none or for
/// cut-offs that are not finite and positive.
FrequencyFrame FrameFrequencies(const std::vector<double>& cutoffsHz);

struct GainFrame {
  double lowDb = -80;
  double highDb = 10;
};

/// The gain range that frames a curve: its top on the first whole 10 dB at
/// least 1 dB above the highest gain, its bottom on a whole 10 dB at
/// or under the lowest gain, and at most `spanDb` below the top (the far
/// stop band of a high order reaches −300 dB and more). Points that are not
/// finite are left out; the default frame when none is.
GainFrame FrameGain(const std::vector<double>& gainDb, double spanDb = 100);

}  // namespace kelvara::response
