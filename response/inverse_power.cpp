#include "response/inverse_power.h"

#include <algorithm>
#include <cmath>

#include "engine/stage_maths.h"
#include "engine/units.h"
#include "response/circuit.h"
#include "response/cutoff_search.h"

namespace kelvara::response {
namespace {

constexpr double kMaxFastQ = 1000;

// |1/H|^2 at -3 dB -+ 1e-6 dB: above kClearlyBelow the gain is below
// -3.000001 dB, under kClearlyAbove above -2.999999 dB.
const double kClearlyBelow = std::pow(10.0, 0.3000001);
const double kClearlyAbove = std::pow(10.0, 0.2999999);

// Values returned for steps decided by the fast form; the search compares
// them with -3 only.
constexpr double kBelow = -4;
constexpr double kAbove = -2;

// The gain at f as far as a comparison with -3 dB can tell.
class ComparedGain {
 public:
  ComparedGain(const DesignRequest& request, const ResponseStages& stages)
      : request_(request), stages_(stages), hpf_(request.passKind == engine::kHpf) {
    count_ = StageCountOf(request);
    for (int k = 0; k < count_; ++k) {
      const bool firstOrder = k == 0 && !request.evenOrder;
      const InversePowerTerms t = InversePowerTermsOf(hpf_, stages.omega[k], firstOrder ? 0 : stages.q[k]);
      a_[k] = t.a;
      c_[k] = t.c;
      if (!firstOrder && !(stages.q[k] > 0 && stages.q[k] <= kMaxFastQ)) fast_ = false;
      if (!(a_[k] > 0) || !std::isfinite(a_[k])) fast_ = false;
    }
  }

  double operator()(double f) const {
    if (fast_) {
      const double z = InversePowerZ(hpf_, f);
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
    return ResponseDb(request_, stages_, f);
  }

 private:
  const DesignRequest& request_;
  const ResponseStages& stages_;
  bool hpf_;
  bool fast_ = true;
  int count_ = 0;
  std::array<double, engine::kMaxStages> a_{};
  std::array<double, engine::kMaxStages> c_{};
};

}  // namespace

double InversePowerZ(bool hpf, double f) {
  const double omega = engine::kTwoPi * f;
  return hpf ? 1 / (omega * omega) : omega * omega;
}

InversePowerTerms InversePowerTermsOf(bool hpf, double omega, double q) {
  InversePowerTerms t;
  t.a = hpf ? omega * omega : 1 / (omega * omega);
  t.c = q > 0 ? t.a / (q * q) : 0;
  return t;
}

void InversePowerColumns::Set(const DesignRequest& request, int trial, const ResponseStages& st) {
  const bool hpf = request.passKind == engine::kHpf;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const InversePowerTerms t = InversePowerTermsOf(hpf, st.omega[k], st.q[k]);
    a[k][trial] = t.a;
    c[k][trial] = t.c;
  }
}

void NegatedInversePowers(const DesignRequest& request, const InversePowerColumns& stages, double f,
                          std::vector<double>& w) {
  const double z = InversePowerZ(request.passKind == engine::kHpf, f);
  const std::size_t n = w.size();
  double* out = w.data();
  int first = 0;
  if (!request.evenOrder) {
    const double* a = stages.a[0].data();
    for (std::size_t t = 0; t < n; ++t) out[t] = -(1 + z * a[t]);
    first = 1;
  } else {
    std::fill(w.begin(), w.end(), -1.0);
  }
  const int last = std::min(StageCountOf(request), static_cast<int>(stages.a.size())) - 1;
  for (int k = first; k <= last; ++k) {
    const double* a = stages.a[k].data();
    const double* c = stages.c[k].data();
    for (std::size_t t = 0; t < n; ++t) {
      const double u = 1 - z * a[t];
      out[t] = out[t] * (u * u + z * c[t]);
    }
  }
}

double DbOfNegatedInversePower(double w) { return -10 * std::log10(-w); }

double FastCutoff3dB(const DesignRequest& request, const ResponseStages& stages) {
  return SearchCutoff3dB(request.passKind == engine::kHpf, ComparedGain(request, stages));
}

}  // namespace kelvara::response
