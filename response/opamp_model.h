#pragma once

// The op-amp every stage is built with. Ideal (the default) is the
// computation of response.h: infinite gain, zero output resistance. A real
// op-amp has the single-pole open-loop gain A(s) = A0 / (1 + s / wp) with
// wp = 2 pi GBW / A0, and the open-loop output resistance in series with
// its output.

namespace kelvara::response {

struct OpAmpModel {
  bool ideal = true;
  double a0Db = 100.0;   // open-loop DC gain in dB
  double gbwHz = 1.0e6;  // gain-bandwidth product in Hz
  double routOhm = 0.0;  // open-loop output resistance in ohms
};

}  // namespace kelvara::response
