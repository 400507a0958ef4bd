#include "engine/run_checks.h"

#include <algorithm>
#include <span>
#include <string>

#include "engine/stage_maths.h"
#include "values/eng_value.h"

namespace kelvara::engine {

DesignRequest MakeDesignRequest(const DesignChoices& c) {
  DesignRequest r;
  r.cutoffHz = values::ParseEngValue(c.cutoffText);
  r.passKind = static_cast<std::uint8_t>(c.passKind);
  r.circuit = static_cast<std::uint8_t>(c.circuit);
  r.orderIndex = static_cast<std::uint8_t>(c.orderIndex);
  r.response = static_cast<std::uint8_t>(c.response);
  r.rippleIndex = static_cast<std::uint8_t>(c.rippleIndex);
  r.evenOrder = (c.orderIndex + 2) % 2 == 0;
  r.capE12 = c.capE12;
  r.resE24 = c.resE24;
  r.anyValues = c.anyValues;
  return r;
}

bool CheckCutoff(values::WarningSink& sink, double cutoffHz) {
  if (cutoffHz >= kMinCutoffHz && cutoffHz <= kMaxCutoffHz) return true;
  sink.Warn("不正な数値", "カットオフ周波数の範囲は、１～１００ＭＨｚ です。");
  return false;
}

ComponentSet CaptureComponentSet(const PartInputs& inputs, int order) {
  ComponentSet parts;
  for (int i = 0; i < order && i < kMaxParts; ++i) {
    parts.rAuto[i] = inputs.r[i].autoSelected;
    parts.rFixed[i] = inputs.r[i].fixSelected;
    parts.cAuto[i] = inputs.c[i].autoSelected;
    parts.cFixed[i] = inputs.c[i].fixSelected;
    parts.r[i] = parts.rFixed[i] ? values::ParseEngValue(inputs.r[i].text) : 0.0;
    parts.c[i] = parts.cFixed[i] ? values::ParseEngValue(inputs.c[i].text) : 0.0;
  }
  return parts;
}

bool CheckFixedParts(values::WarningSink& sink, const ComponentSet& parts, int order) {
  bool ok = true;
  for (int i = 0; i < order && i < kMaxParts; ++i) {
    const std::string k = std::to_string(i + 1);
    if (parts.rFixed[i] && !(parts.r[i] > 0)) {
      sink.Warn("R" + k + " の不正な値", "autoにするか抵抗値を設定下さい。");
      ok = false;
    }
    if (parts.cFixed[i] && !(parts.c[i] > 0)) {
      sink.Warn("C" + k + " の不正な値", "autoにするか静電容量値を設定下さい。");
      ok = false;
    }
  }
  return ok;
}

int ProgressMaximum(int order) { return kStepsPerStage * StageCount(order); }

void DeliverToRecord(values::SheetRecord& record, const ComponentSet& parts, int order, int progress) {
  const std::size_t count = static_cast<std::size_t>(std::clamp(order, 0, kMaxParts));
  values::DeliverPartValues(record, std::span(parts.r).first(count), std::span(parts.c).first(count), progress);
}

}  // namespace kelvara::engine
