#include "response/response.h"

#include <cmath>
#include <string>

#include "engine/part_name.h"
#include "engine/run_checks.h"
#include "engine/stage_maths.h"
#include "engine/units.h"
#include "response/circuit.h"
#include "response/cutoff_search.h"
#include "response/views.h"
#include "values/eng_value.h"

namespace kelvara::response {
namespace {

using engine::kTwoPi;

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
  for (int k = first; k < StageCountOf(request); ++k) {
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

}  // namespace

bool ReadComponentValues(values::WarningSink& sink, const DesignRequest& request, const engine::PartInputs& inputs,
                         ComponentSet& parts) {
  bool ok = true;
  for (int i = 0; i < request.Order() && i < engine::kMaxParts; ++i) {
    parts.r[i] = values::ParseEngValue(inputs.r[i].text);
    parts.rFixed[i] = inputs.r[i].fixSelected;
    parts.rAuto[i] = inputs.r[i].autoSelected;
    if (parts.r[i] == 0) {
      sink.Warn(engine::PartName('R', i + 1) + " は無効な値", "有効な値を設定下さい。");
      ok = false;
    }
    parts.c[i] = values::ParseEngValue(inputs.c[i].text);
    parts.cFixed[i] = inputs.c[i].fixSelected;
    parts.cAuto[i] = inputs.c[i].autoSelected;
    if (parts.c[i] == 0) {
      sink.Warn(engine::PartName('C', i + 1) + " は無効な値", "有効な値を設定下さい。");
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

double StageF0Hz(double omega) { return omega / engine::kTwoPi; }

double StagePeakDb(double q) {
  if (!(q * q > 0.5)) return 0;
  return 20 * std::log10(q / std::sqrt(1 - 1 / (4 * (q * q))));
}

double ResponseDb(const DesignRequest& request, const ResponseStages& stages, double f) {
  return request.passKind == engine::kHpf ? ResponseHpf(request, stages, f) : ResponseLpf(request, stages, f);
}

void SweepResponse(const DesignRequest& request, const ResponseStages& stages, double fStart, double fTop,
                   const std::function<void(double f, double db)>& receiver) {
  for (double f : SweepFrequencies(fStart, fTop)) receiver(f, ResponseDb(request, stages, f));
}

double FindCutoff3dB(const DesignRequest& request, const ResponseStages& stages) {
  if (request.passKind == engine::kHpf) {
    return SearchCutoff3dBHpf([&](double f) { return ResponseHpf(request, stages, f); });
  }
  return SearchCutoff3dBLpf([&](double f) { return ResponseLpf(request, stages, f); });
}

}  // namespace kelvara::response
