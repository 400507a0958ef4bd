#pragma once

// The op-amp's noise and limits, beside the OpAmpModel of the gain views:
// the input voltage noise en (in series with the + input) with its optional
// 1/f corner, the input current noise in (into the + input), the output
// swing and the slew rate. Ideal and real op-amps may have them alike.

#include "response/opamp_model.h"

namespace kelvara::response {

struct OpAmpNoise {
  double enNvRtHz = 0;    // input voltage noise density in nV/sqrt(Hz)
  double enCornerHz = 0;  // its 1/f corner, 0 for none: en(f) = en sqrt(1 + corner / f)
  double inPaRtHz = 0;    // input current noise density in pA/sqrt(Hz)
};

struct OpAmpLimits {
  double swingVpp = 0;    // output swing in volts peak to peak, 0 when not given
  double slewVPerUs = 0;  // slew rate in V/us, 0 when not given
};

/// An op-amp with its noise and limits; it is the OpAmpModel of the gain
/// views as well, and a plain OpAmpModel converts to one without noise or
/// limits.
struct NoisyOpAmp : OpAmpModel {
  NoisyOpAmp() = default;
  NoisyOpAmp(const OpAmpModel& model, const OpAmpNoise& n = {}, const OpAmpLimits& l = {})
      : OpAmpModel(model), noise(n), limits(l) {}
  OpAmpNoise noise;
  OpAmpLimits limits;
};

}  // namespace kelvara::response
