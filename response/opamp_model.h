#pragma once

// The op-amp every stage is built with: the one place an op-amp's
// properties live. Ideal (the default) is the computation of response.h:
// infinite gain, zero output resistance. A real op-amp has the single-pole
// open-loop gain A(s) = A0 / (1 + s / wp) with wp = 2 pi GBW / A0, and the
// open-loop output resistance in series with its output. Either may have
// noise (the input voltage noise en in series with the + input, with its
// optional 1/f corner, and the input current noise in into the + input)
// and limits (the output swing and the slew rate); 0 is "not given".

#include <cmath>
#include <optional>

#include "engine/units.h"

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

struct OpAmpModel {
  bool ideal = true;
  double a0Db = 100.0;   // open-loop DC gain in dB
  double gbwHz = 1.0e6;  // gain-bandwidth product in Hz
  double routOhm = 0.0;  // open-loop output resistance in ohms
  OpAmpNoise noise;      // what the noise views use (none by default)
  OpAmpLimits limits;    // what the signal-level views use (none by default)
};

/// A real op-amp's open-loop figures: A0 in dB and as a ratio, the GBW, the
/// pole wp = 2 pi GBW / A0 and the output resistance.
struct SinglePole {
  double a0Db;
  double a0;
  double gbwHz;
  double omegaP;
  double routOhm;
};

/// The single pole of a real op-amp; none for the ideal one. Whatever
/// shows or writes an op-amp asks this rather than the model's kind.
inline std::optional<SinglePole> SinglePoleOf(const OpAmpModel& model) {
  if (model.ideal) return std::nullopt;
  const double a0 = std::pow(10.0, model.a0Db / 20.0);
  return SinglePole{model.a0Db, a0, model.gbwHz, engine::kTwoPi * model.gbwHz / a0, model.routOhm};
}

/// Whether the model has a gain-bandwidth product, which a tolerance study
/// may vary (a real op-amp's; the ideal one has none).
inline bool HasGbw(const OpAmpModel& model) { return !model.ideal; }

/// The model with its gain-bandwidth product times `factor`; a model
/// without one as it is.
inline OpAmpModel WithGbwTimes(OpAmpModel model, double factor) {
  if (HasGbw(model)) model.gbwHz = model.gbwHz * factor;
  return model;
}

/// Whether two models give the same gain (their noise and limits aside).
inline bool SameGain(const OpAmpModel& x, const OpAmpModel& y) {
  if (x.ideal != y.ideal) return false;
  return x.ideal || (x.a0Db == y.a0Db && x.gbwHz == y.gbwHz && x.routOhm == y.routOhm);
}

}  // namespace kelvara::response
