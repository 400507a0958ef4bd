#include "response/response.h"

#include <cmath>
#include <string>

#include "engine/run_checks.h"
#include "engine/stage_maths.h"
#include "values/eng_value.h"

namespace kelvara::response {
namespace {

constexpr double kTwoPi = 6.283185307179586;

int LastSlot(const DesignRequest& request) {
  const int last = engine::StageCount(request.Order()) - 1;
  return last < engine::kMaxStages ? last : engine::kMaxStages - 1;
}

// Gain of the cascade at f. x is the frequency relative to a section's own
// (omega / omega[k] for LPF, omega[k] / omega for HPF).
double CascadeDb(const DesignRequest& request, const ResponseStages& st, double f, bool hpf) {
  const double omega = kTwoPi * f;
  auto relative = [omega, hpf](double sectionOmega) { return hpf ? sectionOmega / omega : omega / sectionOmega; };
  double m = 1;
  int first = 0;
  if (!request.evenOrder) {
    const double x = relative(st.omega[0]);
    m = 1 / std::sqrt(x * x + 1);
    first = 1;
  }
  for (int k = first; k <= LastSlot(request); ++k) {
    const double x = relative(st.omega[k]);
    m = m * 1 / std::sqrt((1 - x * x) * (1 - x * x) + (x / st.q[k]) * (x / st.q[k]));
  }
  return 20 * std::log10(m);
}

double ResponseLpf(const DesignRequest& request, const ResponseStages& st, double f) {
  return CascadeDb(request, st, f, false);
}

double ResponseHpf(const DesignRequest& request, const ResponseStages& st, double f) {
  return CascadeDb(request, st, f, true);
}

double CutoffLpf(const DesignRequest& request, const ResponseStages& st) {
  double f = 0.01;
  double s = 100;
  while (f <= 1e9) {
    const double g = ResponseLpf(request, st, f);
    if (g <= -3 && f <= 0.1) return kCutoffBelowRange;
    if (g < -3 && s < 0.01) return f;
    if (g < -3) {
      f = f - s;
      s = s * 0.01;
      f = f + s;
    } else {
      if (g > -3 && f >= 1e9) return kCutoffAboveRange;
      s = s * 2;
      f = f + s;
    }
  }
  return f;
}

double CutoffHpf(const DesignRequest& request, const ResponseStages& st) {
  double f = 1e9;
  double c = 100;
  double d = 0;
  while (f > 0) {
    const double g = ResponseHpf(request, st, f);
    if (g <= -3 && f >= 1e9) return kCutoffAboveRange;
    if (g < -3 && d < 0.01) return f;
    if (g < -3) {
      f = f + d;
      c = c * 10;
      d = f / c;
    } else {
      if (g > -3 && f <= 0.1) return kCutoffBelowRange;
      d = f / c;
    }
    const double next = f - d;
    // Where the gain is no number all the way down, the step finally
    // vanishes in the last bits of f; end there instead of looping on.
    if (next == f) return f;
    f = next;
  }
  return f;
}

}  // namespace

bool ReadComponentValues(values::WarningSink& sink, const DesignRequest& request, const engine::PartInputs& inputs,
                         ComponentSet& parts) {
  bool ok = true;
  for (int i = 0; i < request.Order() && i < engine::kMaxParts; ++i) {
    const std::string k = std::to_string(i + 1);
    parts.r[i] = values::ParseEngValue(inputs.r[i].text);
    parts.rFixed[i] = inputs.r[i].fixSelected;
    parts.rAuto[i] = inputs.r[i].autoSelected;
    if (parts.r[i] == 0) {
      sink.Warn("R" + k + " は無効な値", "有効な値を設定下さい。");
      ok = false;
    }
    parts.c[i] = values::ParseEngValue(inputs.c[i].text);
    parts.cFixed[i] = inputs.c[i].fixSelected;
    parts.cAuto[i] = inputs.c[i].autoSelected;
    if (parts.c[i] == 0) {
      sink.Warn("C" + k + " は無効な値", "有効な値を設定下さい。");
      ok = false;
    }
  }
  return ok;
}

bool CheckFixedParts(values::WarningSink& sink, const DesignRequest& request, const ComponentSet& parts) {
  return engine::CheckFixedParts(sink, parts, request.Order());
}

ResponseStages StagesFromComponents(const DesignRequest& request, const ComponentSet& parts) {
  ResponseStages st;
  const int n = request.Order();
  int ri = 0;
  int ci = 0;
  int slot = 0;
  if (!request.evenOrder) {
    st.omega[0] = engine::ReciprocalProduct(parts.r[0], parts.c[0]);
    st.q[0] = 0;
    ri = ci = slot = 1;
  }
  do {
    const double ra = parts.r[ri], rb = parts.r[ri + 1];
    const double ca = parts.c[ci], cb = parts.c[ci + 1];
    st.omega[slot] = engine::NaturalOmega(ra, rb, ca, cb);
    st.q[slot] =
        request.passKind == engine::kHpf ? engine::StageQuality(rb, ra, ca, cb) : engine::StageQuality(ca, cb, ra, rb);
    ++slot;
    ri += 2;
    ci += 2;
  } while (ri < n && slot < engine::kMaxStages);
  return st;
}

double ResponseDb(const DesignRequest& request, const ResponseStages& stages, double f) {
  return request.passKind == engine::kHpf ? ResponseHpf(request, stages, f) : ResponseLpf(request, stages, f);
}

void SweepResponse(const DesignRequest& request, const ResponseStages& stages, double fStart, double fTop,
                   const std::function<void(double f, double db)>& receiver) {
  // From zero the 5 % steps would never advance, and to infinity never end.
  if (!(fStart > 0) || !std::isfinite(fTop)) return;
  for (double f = fStart; f <= fTop + fTop * 0.2; f = f + f * 0.05) receiver(f, ResponseDb(request, stages, f));
}

double FindCutoff3dB(const DesignRequest& request, const ResponseStages& stages) {
  return request.passKind == engine::kHpf ? CutoffHpf(request, stages) : CutoffLpf(request, stages);
}

}  // namespace kelvara::response
