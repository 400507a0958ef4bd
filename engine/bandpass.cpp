#include "engine/bandpass.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

#include "engine/design_data.h"
#include "engine/prototypes.h"
#include "engine/stage_maths.h"
#include "engine/units.h"

namespace kelvara::engine {
namespace {

using Complex = std::complex<double>;

std::string Number(double x) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.4g", x);
  return buffer;
}

// The poles of a second-order section (w, q) or of a first-order one (q 0).
void AddSectionPoles(double w, double q, std::vector<Complex>& poles) {
  if (q == 0) {
    poles.emplace_back(-w, 0.0);
    return;
  }
  const double re = -w / (2.0 * q);
  const double d = 1.0 - 1.0 / (4.0 * q * q);
  if (d > 0) {
    const double im = w * std::sqrt(d);
    poles.emplace_back(re, im);
    poles.emplace_back(re, -im);
  } else {
    const double spread = w * std::sqrt(-d);
    poles.emplace_back(re + spread, 0.0);
    poles.emplace_back(re - spread, 0.0);
  }
}

// A band-pass filter is a kind no sheet stores: its prototype is exact
// wherever the poles are known in closed form (Butterworth on the unit
// circle, every Chebyshev ripple) or computed (Legendre, Linkwitz-Riley);
// only Bessel comes from the stage table (five digits).
std::vector<Complex> PrototypeComplexPoles(int response, int rippleIndex, int order) {
  std::vector<Complex> poles;
  if (response == values::kButterworth) {
    for (int k = 1; k <= order; ++k) {
      const double t = (2.0 * k - 1.0) * 3.141592653589793 / (2.0 * order);
      poles.emplace_back(-std::sin(t), 2 * k - 1 == order ? 0.0 : std::cos(t));
    }
    return poles;
  }
  if (response == values::kBessel) {
    const DesignData& data = BuildDesignData();
    const int orderIndex = order - values::kMinOrder;
    for (int slot = 0; slot < StageCount(order); ++slot) {
      const double q = data.StageTable[StageTableIndex(0, slot, kLpf, orderIndex, response, 0)];
      const double w = data.StageTable[StageTableIndex(1, slot, kLpf, orderIndex, response, 0)];
      AddSectionPoles(w, order % 2 == 1 && slot == 0 ? 0.0 : q, poles);
    }
  } else {
    const Prototype p = ComputedPrototype(response, values::kRippleDb[rippleIndex], order);
    for (int k = 0; k < p.count; ++k) AddSectionPoles(p.section[k].w, p.section[k].q, poles);
  }
  return poles;
}

}  // namespace

PrototypePoles LowPassPrototypePoles(int response, int rippleIndex, int order) {
  PrototypePoles out;
  for (const Complex& p : PrototypeComplexPoles(response, rippleIndex, order)) {
    if (p.imag() >= 0) out.poles.emplace_back(p.real(), p.imag());
  }
  return out;
}

PrototypePoles BandPassPrototypePoles(int response, int rippleIndex, int order) {
  PrototypePoles out;
  if (order % 2 != 0 || order < values::kMinOrder || order > values::kMaxOrder || response < 0 ||
      response >= values::kResponseCount || rippleIndex < 0 || rippleIndex >= values::kRippleCount) {
    return out;
  }
  const int m = order / 2;
  // A Linkwitz-Riley prototype is itself of even order.
  if (values::EvenOrdersOnly(response) && m % 2 != 0) return out;
  // The prototype of order m: order 1 is the single real pole at -1 for
  // every response (its -3 dB point; a Chebyshev's ripple edge: -1/eps).
  if (m == 1) {
    double a = 1.0;
    if (response == values::kChebyshev) {
      a = 1.0 / std::sqrt(std::pow(10.0, values::kRippleDb[rippleIndex] / 10.0) - 1.0);
    }
    out.poles.emplace_back(-a, 0.0);
    return out;
  }
  return LowPassPrototypePoles(response, rippleIndex, m);
}

std::vector<BandPassSection> BandPassSections(int response, int rippleIndex, int order, double centerHz,
                                              double bandwidthHz, double gain) {
  std::vector<BandPassSection> out;
  if (!(bandwidthHz > 0) || !(centerHz > 0)) return out;
  std::vector<Complex> poles;
  for (const auto& [re, im] : BandPassPrototypePoles(response, rippleIndex, order).poles) poles.emplace_back(re, im);
  if (poles.empty()) return out;
  const double w0 = kTwoPi * centerHz;
  const double bw = bandwidthHz / centerHz;
  for (const Complex& p : poles) {
    if (p.imag() < 0) continue;  // its conjugate gives the same sections
    // s^2 - p bw s + 1 = 0.
    const Complex b = p * bw;
    const Complex root = std::sqrt(b * b - 4.0);
    const Complex r1 = (b + root) / 2.0, r2 = (b - root) / 2.0;
    if (p.imag() == 0 && std::fabs(r1.imag()) < 1e-300) {
      // Two real roots of a real pole: one section of Q below 0.5.
      const double w = std::sqrt((r1 * r2).real());
      out.push_back({w * w0, w / -(r1 + r2).real(), 1.0});
      continue;
    }
    for (const Complex& r : {r1, r2}) {
      if (p.imag() == 0 && r.imag() < 0) continue;  // a real pole's pair: one section
      const Complex upper = r.imag() < 0 ? std::conj(r) : r;
      const double w = std::abs(upper);
      out.push_back({w * w0, w / (2.0 * std::fabs(upper.real())), 1.0});
    }
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const BandPassSection& a, const BandPassSection& b) { return a.omega < b.omega; });
  // Every section the same share of the gain at the centre.
  const double share = std::pow(gain, 1.0 / static_cast<double>(out.size()));
  for (BandPassSection& s : out) {
    const double d = s.omega / s.q * w0;
    const double atCenter = d / std::hypot(s.omega * s.omega - w0 * w0, d);
    s.gain = share / atCenter;
  }
  return out;
}

BandPassDesign DesignBandPass(const std::vector<BandPassSection>& sections,
                              const std::vector<std::optional<double>>& capacitors) {
  BandPassDesign design;
  const DesignData& data = BuildDesignData();
  for (std::size_t k = 0; k < sections.size(); ++k) {
    const BandPassSection& s = sections[k];
    BandPassStageDesign stage;
    stage.target = s;
    double c = data.BandTable[BandIndex(s.omega)].startC;
    if (k < capacitors.size() && capacitors[k].has_value()) c = *capacitors[k];
    const double wc = s.omega * c;
    const double divider = 2.0 * s.q - s.gain / s.q;
    const std::string name = "段 " + std::to_string(k + 1);
    if (!(divider > 0) || !(c > 0)) {
      design.valid = false;
      design.warnings.emplace_back(
          name + " は設定不能な値",
          name + "（中心 " + Number(s.omega / kTwoPi) + "Hz、Q " + Number(s.q) + "）の中心での利得 " + Number(s.gain) +
              " は 2Q² = " + Number(2.0 * s.q * s.q) +
              " 以上で、多重帰還バンドパスでは実現できません。利得を下げるか、帯域幅を狭めて下さい。");
    } else {
      stage.values[0] = s.q / (wc * s.gain);   // R1
      stage.values[1] = 1.0 / (wc * divider);  // R2
      stage.values[2] = 2.0 * s.q / wc;        // R3
      stage.values[3] = c;                     // C1
      stage.values[4] = c;                     // C2
    }
    design.stages.push_back(stage);
  }
  return design;
}

}  // namespace kelvara::engine
