#include "tolerance/fast_cutoff.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/stage_maths.h"

namespace kelvara::tolerance {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kMaxFastQ = 1000;

// |1/H|^2 at -3 dB -+ 1e-6 dB: above kClearlyBelow the gain is below
// -3.000001 dB, under kClearlyAbove above -2.999999 dB.
const double kClearlyBelow = std::pow(10.0, 0.3000001);
const double kClearlyAbove = std::pow(10.0, 0.2999999);

// Values returned for steps decided by the fast form; the search compares
// them with -3 only.
constexpr double kBelow = -4;
constexpr double kAbove = -2;

class Gain {
 public:
  Gain(const engine::DesignRequest& request, const response::ResponseStages& stages)
      : request_(request), stages_(stages), hpf_(request.passKind == engine::kHpf) {
    count_ = std::min(engine::StageCount(request.Order()), engine::kMaxStages);
    for (int k = 0; k < count_; ++k) {
      const double w0 = stages.omega[k];
      a_[k] = hpf_ ? w0 * w0 : 1 / (w0 * w0);
      const bool firstOrder = k == 0 && !request.evenOrder;
      c_[k] = firstOrder ? 0 : a_[k] / (stages.q[k] * stages.q[k]);
      if (!firstOrder && !(stages.q[k] > 0 && stages.q[k] <= kMaxFastQ)) fast_ = false;
      if (!(a_[k] > 0) || !std::isfinite(a_[k])) fast_ = false;
    }
  }

  // The gain at f as far as a comparison with -3 dB can tell.
  double operator()(double f) const {
    if (fast_) {
      const double omega = kTwoPi * f;
      const double z = hpf_ ? 1 / (omega * omega) : omega * omega;
      double p = 1;
      int k = 0;
      if (!request_.evenOrder) {
        p = 1 + z * a_[0];
        k = 1;
      }
      for (; k < count_; ++k) {
        const double u = 1 - z * a_[k];
        p = p * (u * u + z * c_[k]);
      }
      if (p > kClearlyBelow) return kBelow;
      if (p < kClearlyAbove) return kAbove;
    }
    return response::ResponseDb(request_, stages_, f);
  }

 private:
  const engine::DesignRequest& request_;
  const response::ResponseStages& stages_;
  bool hpf_;
  bool fast_ = true;
  int count_ = 0;
  std::array<double, engine::kMaxStages> a_{};
  std::array<double, engine::kMaxStages> c_{};
};

// The walks of FindCutoff3dB, step for step.
template <typename G>
double CutoffLpf(const G& gain) {
  double f = 0.01;
  double s = 100;
  while (f <= 1e9) {
    const double g = gain(f);
    if (g <= -3 && f <= 0.1) return response::kCutoffBelowRange;
    if (g < -3 && s < 0.01) return f;
    if (g < -3) {
      f = f - s;
      s = s * 0.01;
      f = f + s;
    } else {
      if (g > -3 && f >= 1e9) return response::kCutoffAboveRange;
      s = s * 2;
      f = f + s;
    }
  }
  return f;
}

template <typename G>
double CutoffHpf(const G& gain) {
  double f = 1e9;
  double c = 100;
  double d = 0;
  while (f > 0) {
    const double g = gain(f);
    if (g <= -3 && f >= 1e9) return response::kCutoffAboveRange;
    if (g < -3 && d < 0.01) return f;
    if (g < -3) {
      f = f + d;
      c = c * 10;
      d = f / c;
    } else {
      if (g > -3 && f <= 0.1) return response::kCutoffBelowRange;
      d = f / c;
    }
    const double next = f - d;
    if (next == f) return f;
    f = next;
  }
  return f;
}

}  // namespace

double FastCutoff3dB(const engine::DesignRequest& request, const response::ResponseStages& stages) {
  const Gain gain(request, stages);
  return request.passKind == engine::kHpf ? CutoffHpf(gain) : CutoffLpf(gain);
}

double Cutoff3dBOf(const engine::DesignRequest& request, const std::function<double(double)>& gain) {
  return request.passKind == engine::kHpf ? CutoffHpf(gain) : CutoffLpf(gain);
}

}  // namespace kelvara::tolerance
