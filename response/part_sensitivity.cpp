#include "response/part_sensitivity.h"

#include "engine/units.h"
#include "response/circuit.h"
#include "response/response.h"

namespace kelvara::response {
namespace {

using engine::kTwoPi;
using StageQ = PartSensitivities::StageQ;

StageQ PartsOfStage(const engine::DesignRequest& request, int k) {
  StageQ s;
  if (!request.evenOrder && k == 0) {
    s.firstOrder = true;
    s.ra = 0;
    s.ca = 0;
    return s;
  }
  const int a = request.evenOrder ? 2 * k : 2 * k - 1;
  s.ra = a;
  s.rb = a + 1;
  s.ca = a;
  s.cb = a + 1;
  return s;
}

// d ln Q / d ln part for the parts ra, rb, ca, cb of a second-order stage.
std::array<double, 4> QSensitivities(const engine::DesignRequest& request, const engine::ComponentSet& p,
                                     const StageQ& s) {
  const double ra = p.r[s.ra], rb = p.r[s.rb], ca = p.c[s.ca], cb = p.c[s.cb];
  if (request.passKind == engine::kHpf) return {-0.5, 0.5, (cb - ca) / (2 * (ca + cb)), (ca - cb) / (2 * (ca + cb))};
  return {(rb - ra) / (2 * (ra + rb)), (ra - rb) / (2 * (ra + rb)), 0.5, -0.5};
}

}  // namespace

PartSensitivities SensitivitiesOf(const engine::DesignRequest& request, const engine::ComponentSet& p) {
  const int n = request.Order();
  const int stages = StageCountOf(request);
  const ResponseStages st = StagesFromComponents(request, p);
  const double sign = request.passKind == engine::kHpf ? -1 : 1;
  PartSensitivities result;

  // dG / d ln part, collected per part, and dG / d ln f.
  std::array<double, engine::kMaxParts> dR{}, dC{};
  double dF = 0;
  const double f3 = FindCutoff3dB(request, st);
  const bool inRange = f3 != kCutoffBelowRange && f3 != kCutoffAboveRange;
  const double omega = kTwoPi * f3;

  for (int k = 0; k < stages; ++k) {
    StageQ s = PartsOfStage(request, k);
    const double x = sign > 0 ? omega / st.omega[k] : st.omega[k] / omega;
    if (s.firstOrder) {
      const double d = x * x + 1;
      const double dLnX = 2 * x * x / d;  // x dD/dx / D
      dF += -sign * dLnX;
      // d ln w0 / d ln part = -1 for R1 and C1: dG/d ln w0 = +sign dLnX.
      dR[s.ra] += -sign * dLnX;
      dC[s.ca] += -sign * dLnX;
    } else {
      const double q = st.q[k];
      const double d = (1 - x * x) * (1 - x * x) + (x / q) * (x / q);
      const double dLnX = (-4 * x * x * (1 - x * x) + 2 * x * x / (q * q)) / d;
      const double dLnQ = 2 * x * x / (q * q) / d;  // dG / d ln Q
      dF += -sign * dLnX;
      const double dW = sign * dLnX;  // dG / d ln w0
      s.dLnQ = QSensitivities(request, p, s);
      dR[s.ra] += -0.5 * dW + dLnQ * s.dLnQ[0];
      dR[s.rb] += -0.5 * dW + dLnQ * s.dLnQ[1];
      dC[s.ca] += -0.5 * dW + dLnQ * s.dLnQ[2];
      dC[s.cb] += -0.5 * dW + dLnQ * s.dLnQ[3];
    }
    result.stageQ.push_back(s);
  }
  if (inRange && dF != 0) {
    result.cutoffKnown = true;
    for (int i = 0; i < n; ++i) {
      result.cutoffR[i] = -dR[i] / dF;
      result.cutoffC[i] = -dC[i] / dF;
    }
  }
  return result;
}

}  // namespace kelvara::response
