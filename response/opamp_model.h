#pragma once

// The op-amp every stage is built with: the one place an op-amp's
// properties live. Ideal (the default) is the computation of response.h:
// infinite gain, zero output resistance. A real op-amp has the single-pole
// open-loop gain A(s) = A0 / (1 + s / wp) with wp = 2 pi GBW / A0, and the
// open-loop output resistance in series with its output. Either may have
// noise (the input voltage noise en in series with the + input, with its
// optional 1/f corner, and the input current noise in into the + input)
// and limits (the output swing, or the supply rails it follows from, and the
// slew rate); 0 is "not given".

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/units.h"

namespace kelvara::response {

struct OpAmpNoise {
  double enNvRtHz = 0;    // input voltage noise density in nV/sqrt(Hz)
  double enCornerHz = 0;  // its 1/f corner, 0 for none: en(f) = en sqrt(1 + corner / f)
  double inPaRtHz = 0;    // input current noise density in pA/sqrt(Hz)
};

/// The rails the op-amps run from: none (the swing is given or not at
/// all), symmetric (+volts and -volts, the signal about 0 V) or single
/// (0 V and volts, the signal biased at volts / 2); and how close the
/// output comes to each rail (0: to the rail itself).
enum class SupplyKind { kNone, kSymmetric, kSingle };

struct OpAmpSupply {
  SupplyKind kind = SupplyKind::kNone;
  double volts = 0;         // the positive rail; the negative one is -volts (symmetric) or 0 (single)
  double headroomPosV = 0;  // the output's headroom to the positive rail in volts
  double headroomNegV = 0;  // and to the negative rail
};

struct OpAmpLimits {
  double swingVpp = 0;      // output swing in volts peak to peak, 0 when not given
  double slewVPerUs = 0;    // slew rate in V/us, 0 when not given
  OpAmpSupply supply = {};  // the rails; the swing follows from them where swingVpp is not given
};

/// Where the swing the signal levels use comes from.
enum class SwingFrom { kNone, kGiven, kSupply };

struct UsedSwing {
  double vpp = 0;  // 0: no swing (none given, no supply, or the supply leaves none)
  SwingFrom from = SwingFrom::kNone;
};

/// The swing a sine about the bias point has before either rail clips it:
/// twice the smaller distance from the bias to a rail less its headroom.
/// Symmetric rails bias at 0 V, a single supply at mid-rail.
inline double SwingFromSupplyVpp(const OpAmpSupply& supply) {
  if (supply.kind == SupplyKind::kNone || !(supply.volts > 0)) return 0;
  const double top = supply.volts;
  const double bottom = supply.kind == SupplyKind::kSymmetric ? -supply.volts : 0.0;
  const double bias = supply.kind == SupplyKind::kSymmetric ? 0.0 : supply.volts / 2;
  const double up = top - supply.headroomPosV - bias;
  const double down = bias - (bottom + supply.headroomNegV);
  const double vpp = 2 * std::min(up, down);
  return vpp > 0 ? vpp : 0;
}

/// The swing the signal levels use: a given swing overrides the one from
/// the supply.
inline UsedSwing UsedSwingOf(const OpAmpLimits& limits) {
  if (limits.swingVpp > 0) return {limits.swingVpp, SwingFrom::kGiven};
  if (limits.supply.kind != SupplyKind::kNone) return {SwingFromSupplyVpp(limits.supply), SwingFrom::kSupply};
  return {};
}

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
