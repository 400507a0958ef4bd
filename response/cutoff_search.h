#pragma once

// The -3 dB search, written once. It walks the frequency axis with steps
// that grow while the gain is above -3 dB and, past the crossing, steps
// back and goes on with a step a hundred times (LPF) or ten times (HPF)
// finer, until the step is below 0.01 Hz. It looks at the gain only through
// its comparisons with -3 dB, so any gain function will do: ResponseDb for
// FindCutoff3dB, the division-free form of inverse_power.h (which answers
// those comparisons without a logarithm where they are clear), or the drawn
// circuit's gain with a real op-amp.

#include "response/response.h"

namespace kelvara::response {

/// LPF: from 0.01 Hz upwards. Gain: double(double f), in dB.
template <typename Gain>
double SearchCutoff3dBLpf(const Gain& gain) {
  double f = 0.01;
  double s = 100;
  while (f <= 1e9) {
    const double g = gain(f);
    if (g <= -3 && f <= 0.1) return kCutoffBelowRange;
    if (g < -3 && s < 0.01) return f;
    if (g < -3) {
      f = f - s;
      s = s * 0.01;
      f = f + s;
    } else {
      if (g > -3 && f >= 1e9) return kCutoffAboveRange;
      s = s * 2;
      f = f + s;
    }
  }
  return f;
}

/// HPF: from 1 GHz downwards.
template <typename Gain>
double SearchCutoff3dBHpf(const Gain& gain) {
  double f = 1e9;
  double c = 100;
  double d = 0;
  while (f > 0) {
    const double g = gain(f);
    if (g <= -3 && f >= 1e9) return kCutoffAboveRange;
    if (g < -3 && d < 0.01) return f;
    if (g < -3) {
      f = f + d;
      c = c * 10;
      d = f / c;
    } else {
      if (g > -3 && f <= 0.1) return kCutoffBelowRange;
      d = f / c;
    }
    const double next = f - d;
    // Where the gain is no number all the way down, the step finally
    // vanishes in the last bits of f; end there instead of looping on.
    if (next == f) return f;
    f = next;
  }
  return f;
}

/// The first frequency found past the -3 dB crossing of gain, or a sentinel
/// (kCutoffBelowRange, kCutoffAboveRange). Ends for every gain, also one
/// that is not a number.
template <typename Gain>
double SearchCutoff3dB(bool hpf, const Gain& gain) {
  return hpf ? SearchCutoff3dBHpf(gain) : SearchCutoff3dBLpf(gain);
}

}  // namespace kelvara::response
