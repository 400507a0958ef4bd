#include "tolerance/sensitivity.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/stage_maths.h"
#include "engine/units.h"
#include "response/circuit.h"
#include "response/response.h"

namespace kelvara::tolerance {
namespace {

using engine::kTwoPi;

// A stage's parts as indices into r and c (-1: not used).
struct StageParts {
  int ra = -1, rb = -1, ca = -1, cb = -1;
  bool firstOrder = false;
};

StageParts PartsOfStage(const DesignRequest& request, int k) {
  if (!request.evenOrder && k == 0) return {0, -1, 0, -1, true};
  const int a = request.evenOrder ? 2 * k : 2 * k - 1;
  return {a, a + 1, a, a + 1, false};
}

// d ln Q / d ln part for the parts ra, rb, ca, cb of a second-order stage.
std::array<double, 4> QSensitivities(const DesignRequest& request, const ComponentSet& p, const StageParts& s) {
  const double ra = p.r[s.ra], rb = p.r[s.rb], ca = p.c[s.ca], cb = p.c[s.cb];
  if (request.passKind == engine::kHpf) return {-0.5, 0.5, (cb - ca) / (2 * (ca + cb)), (ca - cb) / (2 * (ca + cb))};
  return {(rb - ra) / (2 * (ra + rb)), (ra - rb) / (2 * (ra + rb)), 0.5, -0.5};
}

void Rank(std::vector<PartSensitivity>& list) {
  std::stable_sort(list.begin(), list.end(), [](const PartSensitivity& a, const PartSensitivity& b) {
    return std::fabs(a.effectPct) > std::fabs(b.effectPct);
  });
}

PartSensitivity Entry(bool capacitor, int index, double sensitivity, const Tolerances& tol) {
  const double pct = capacitor ? tol.cPct[index] : tol.rPct[index];
  return {PartName(capacitor, index), sensitivity, pct, sensitivity * pct};
}

}  // namespace

SensitivityResult Sensitivities(const ToleranceDesign& design) {
  const DesignRequest& request = design.request;
  const ComponentSet& p = design.parts;
  const int n = request.Order();
  const int stages = response::StageCountOf(request);
  const response::ResponseStages st = response::StagesFromComponents(request, p);
  const double sign = request.passKind == engine::kHpf ? -1 : 1;
  SensitivityResult result;

  // dG / d ln part, collected per part, and dG / d ln f.
  std::array<double, kMaxParts> dR{}, dC{};
  double dF = 0;
  const double f3 = response::FindCutoff3dB(request, st);
  const bool inRange = f3 != response::kCutoffBelowRange && f3 != response::kCutoffAboveRange;
  const double omega = kTwoPi * f3;

  for (int k = 0; k < stages; ++k) {
    const StageParts s = PartsOfStage(request, k);
    const double x = sign > 0 ? omega / st.omega[k] : st.omega[k] / omega;
    std::vector<PartSensitivity> qList;
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
      const std::array<double, 4> sq = QSensitivities(request, p, s);
      dR[s.ra] += -0.5 * dW + dLnQ * sq[0];
      dR[s.rb] += -0.5 * dW + dLnQ * sq[1];
      dC[s.ca] += -0.5 * dW + dLnQ * sq[2];
      dC[s.cb] += -0.5 * dW + dLnQ * sq[3];
      qList = {Entry(false, s.ra, sq[0], design.tolerances), Entry(false, s.rb, sq[1], design.tolerances),
               Entry(true, s.ca, sq[2], design.tolerances), Entry(true, s.cb, sq[3], design.tolerances)};
      Rank(qList);
    }
    result.stageQ.push_back(std::move(qList));
  }
  if (inRange && dF != 0) {
    for (int i = 0; i < n; ++i) result.minus3db.push_back(Entry(false, i, -dR[i] / dF, design.tolerances));
    for (int i = 0; i < n; ++i) result.minus3db.push_back(Entry(true, i, -dC[i] / dF, design.tolerances));
    Rank(result.minus3db);
  }
  return result;
}

}  // namespace kelvara::tolerance
