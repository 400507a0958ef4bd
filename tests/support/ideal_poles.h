#pragma once

// The ideal filters of the stage tables for the tests, from their poles:
// each stage of the table (engine::BuildStageTargets: w0 and Q) is the pole
// pair of s^2 + (w0/Q) s + w0^2, a first-order stage the pole -w0. Gain and
// group delay are the products and sums over the poles, the extremes over a
// band a dense walk refined by golden sections; nothing of response/.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "engine/design.h"

namespace kelvara::testing {

struct IdealPoles {
  bool hpf = false;
  std::vector<std::complex<double>> poles;
};

inline IdealPoles PolesOf(int kind, int response, int order, double fc, int rippleIndex = 0) {
  engine::DesignRequest request;
  request.rippleIndex = static_cast<std::uint8_t>(rippleIndex);
  request.cutoffHz = fc;
  request.passKind = static_cast<std::uint8_t>(kind);
  request.orderIndex = static_cast<std::uint8_t>(order - 2);
  request.response = static_cast<std::uint8_t>(response);
  request.evenOrder = order % 2 == 0;
  const engine::StageTargets t = engine::BuildStageTargets(request);
  IdealPoles out;
  out.hpf = kind == engine::kHpf;
  for (int k = 0; k < (order + 1) / 2; ++k) {
    const double w0 = t.stageOmega[k];
    if (order % 2 == 1 && k == 0) {
      out.poles.emplace_back(-w0, 0.0);
      continue;
    }
    const double q = t.stageQ[k];
    const std::complex<double> root = std::sqrt(std::complex<double>(w0 * w0 / (4 * q * q) - w0 * w0, 0.0));
    out.poles.push_back(-w0 / (2 * q) + root);
    out.poles.push_back(-w0 / (2 * q) - root);
  }
  return out;
}

inline std::complex<double> JOmega(double f) { return {0.0, 2 * 3.141592653589793 * f}; }

/// 20 log10 |H|: LPF the product of |p| / |jw - p|, HPF of |jw| / |jw - p|.
inline double GainDbFromPoles(const IdealPoles& f, double hz) {
  double db = 0;
  for (const auto& p : f.poles)
    db += 20 * std::log10((f.hpf ? std::abs(JOmega(hz)) : std::abs(p)) / std::abs(JOmega(hz) - p));
  return db;
}

/// The group delay: the sum of -Re p / |jw - p|^2 (the zeros at 0 of an HPF
/// add none).
inline double DelayFromPoles(const IdealPoles& f, double hz) {
  double tau = 0;
  for (const auto& p : f.poles) tau += -p.real() / std::norm(JOmega(hz) - p);
  return tau;
}

/// The largest of fn over [a, b] (points spaced evenly in `map`ped
/// coordinates), from 4000 steps with the best one refined between its
/// neighbours, the ends included.
template <typename Fn, typename Map>
double LargestOver(Fn fn, Map map, double a, double b) {
  constexpr int kSteps = 4000;
  auto at = [&](double u) { return fn(map(u)); };
  int best = 0;
  for (int i = 0; i <= kSteps; ++i) {
    if (at(a + (b - a) * i / kSteps) > at(a + (b - a) * best / kSteps)) best = i;
  }
  double lo = a + (b - a) * std::max(0, best - 1) / kSteps;
  double hi = a + (b - a) * std::min(kSteps, best + 1) / kSteps;
  const double g = (std::sqrt(5.0) - 1) / 2;
  for (int n = 0; n < 200; ++n) {
    const double x1 = hi - g * (hi - lo);
    const double x2 = lo + g * (hi - lo);
    if (at(x1) > at(x2)) {
      hi = x2;
    } else {
      lo = x1;
    }
  }
  return std::max({at(lo), at(hi), at(a), at(b)});
}

/// The delay variation of an LPF over [0, fp] in per cent.
inline double VariationFromPoles(const IdealPoles& f, double fp) {
  auto tau = [&](double hz) { return DelayFromPoles(f, hz); };
  auto linear = [](double u) { return u; };
  const double high = LargestOver(tau, linear, 0.0, fp);
  const double low = -LargestOver([&](double hz) { return -tau(hz); }, linear, 0.0, fp);
  return (high - low) / tau(0) * 100;
}

struct PoleMargins {
  double passDb = 0;
  double stopDb = 0;
};

/// The margins against a mask: Ap minus the largest |gain| over the pass
/// band, -As minus the largest gain over the stop band (the bands walked
/// over three decades beyond their edges, in log f, where the gain of
/// these filters has long been monotone).
inline PoleMargins MarginsFromPoles(const IdealPoles& f, double fp, double ap, double fs, double as) {
  auto gain = [&](double hz) { return GainDbFromPoles(f, hz); };
  auto deviation = [&](double hz) { return std::fabs(gain(hz)); };
  auto log = [](double u) { return std::pow(10.0, u); };
  const double lp = std::log10(fp);
  const double ls = std::log10(fs);
  PoleMargins m;
  m.passDb = ap - (f.hpf ? LargestOver(deviation, log, lp, lp + 3) : LargestOver(deviation, log, lp - 3, lp));
  m.stopDb = -as - (f.hpf ? LargestOver(gain, log, ls - 3, ls) : LargestOver(gain, log, ls, ls + 3));
  return m;
}

}  // namespace kelvara::testing
