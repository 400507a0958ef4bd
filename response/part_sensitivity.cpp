#include "response/part_sensitivity.h"

#include <algorithm>
#include <cmath>

#include "engine/units.h"
#include "response/circuit.h"
#include "response/response.h"
#include "response/section.h"

namespace kelvara::response {
namespace {

using engine::kTwoPi;
using StageQ = PartSensitivities::StageQ;

// A section's parts as the stage table names them: its resistors and its
// capacitors in layout order (ra, rb; ca, cb), with each one's d ln Q.
StageQ PartsOfStage(const Section& section, const std::vector<SectionSensitivity>& sens) {
  StageQ s;
  s.firstOrder = section.topology->Order() == 1;
  int r = 0, c = 0;
  for (int i = 0; i < section.PartCount(); ++i) {
    const int index = section.ids[i].number - 1;
    if (section.ids[i].letter == 'R') {
      (r == 0 ? s.ra : s.rb) = index;
      if (r < 2) s.dLnQ[r] = sens[i].q;
      ++r;
    } else {
      (c == 0 ? s.ca : s.cb) = index;
      if (c < 2) s.dLnQ[2 + c] = sens[i].q;
      ++c;
    }
  }
  if (s.firstOrder) s.dLnQ = {};
  return s;
}

// One section's terms at the -3 dB frequency: adds dG / d ln part of each
// of its parts (add(i, dG)) and returns its dG / d ln f. x is the
// normalised frequency (omega / w0 for a low-pass, w0 / omega for a
// high-pass: sign -1), q its Q.
template <class Add>
double SectionTerms(const Section& section, const std::vector<SectionSensitivity>& sens, double sign, double x,
                    double q, Add add) {
  if (section.topology->Order() == 1) {
    const double d = x * x + 1;
    const double dLnX = 2 * x * x / d;  // x dD/dx / D
    // d ln w0 / d ln part = -1 for R and C: dG/d ln w0 = +sign dLnX.
    for (int i = 0; i < section.PartCount(); ++i) add(i, sens[i].omega * (sign * dLnX));
    return -sign * dLnX;
  }
  const double d = (1 - x * x) * (1 - x * x) + (x / q) * (x / q);
  const double dLnX = (-4 * x * x * (1 - x * x) + 2 * x * x / (q * q)) / d;
  const double dLnQ = 2 * x * x / (q * q) / d;  // dG / d ln Q
  const double dW = sign * dLnX;                // dG / d ln w0
  for (int i = 0; i < section.PartCount(); ++i) add(i, sens[i].omega * dW + dLnQ * sens[i].q);
  return -sign * dLnX;
}

}  // namespace

SectionsSensitivities SensitivitiesOfSections(const std::vector<Section>& sections) {
  SectionsSensitivities result;
  const double f3 = CircuitCutoff3dB(CircuitOfSections(sections, {}));
  const bool inRange = f3 != kCutoffBelowRange && f3 != kCutoffAboveRange && std::isfinite(f3) && f3 > 0;
  const double omega = kTwoPi * f3;
  // Every part once, resistors first, by number.
  for (const char letter : {'R', 'C'}) {
    for (const Section& section : sections) {
      for (int i = 0; i < section.PartCount(); ++i) {
        if (section.ids[i].letter == letter) result.cutoff.push_back({section.ids[i], 0.0});
      }
    }
  }
  std::stable_sort(result.cutoff.begin(), result.cutoff.end(), [](const auto& a, const auto& b) {
    return a.first.letter != b.first.letter ? a.first.letter == 'R' : a.first.number < b.first.number;
  });
  double dF = 0;
  for (const Section& section : sections) {
    const std::vector<SectionSensitivity> sens = section.topology->Sensitivities(section.kind, section.Values());
    const SectionFigures f = section.Figures();
    const double sign = section.kind == SectionKind::kHighPass ? -1 : 1;
    const double x = sign > 0 ? omega / f.omega : f.omega / omega;
    dF += SectionTerms(section, sens, sign, x, f.q, [&](int i, double dG) {
      for (auto& [id, d] : result.cutoff) {
        if (id.letter == section.ids[i].letter && id.number == section.ids[i].number) d += dG;
      }
    });
    std::vector<std::pair<SectionPartId, double>> q;
    if (section.topology->Order() == 2) {
      for (int i = 0; i < section.PartCount(); ++i) q.push_back({section.ids[i], sens[i].q});
    }
    result.stageQ.push_back(std::move(q));
  }
  result.cutoffKnown = inRange && dF != 0;
  for (auto& [id, d] : result.cutoff) d = result.cutoffKnown ? -d / dF : 0.0;
  return result;
}

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

  // Each section's own sensitivities of w0 and Q to its parts (section.h).
  const std::vector<Section> sections = SectionsOf(request, p);
  for (int k = 0; k < stages; ++k) {
    const Section& section = sections[k];
    const std::vector<SectionSensitivity> sens = section.topology->Sensitivities(section.kind, section.Values());
    const StageQ s = PartsOfStage(section, sens);
    auto add = [&](int i, double dG) {
      const int index = section.ids[i].number - 1;
      (section.ids[i].letter == 'R' ? dR : dC)[index] += dG;
    };
    const double x = sign > 0 ? omega / st.omega[k] : st.omega[k] / omega;
    dF += SectionTerms(section, sens, sign, x, st.q[k], add);
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
