// The check after every continuous stage: the formulas meet the stage's
// targets exactly, but fixed values near the ends of the range of a double
// (a resistor of 1e308 Ω, a capacitor of 1e-320 F) overflow to infinity or
// underflow to 0 on the way. A part that is not finite and above 0 cannot
// be built, so such a stage cannot be designed and is reported like the
// other stages that cannot be designed.

#include <array>
#include <cmath>
#include <string>

#include "engine/stages.h"

namespace kelvara::engine {
namespace {

struct CheckedPart {
  char kind;  // 'R' or 'C'
  int number;
  double& value;
  bool fixed;
};

bool Buildable(double value) { return std::isfinite(value) && value > 0; }

// Reports a stage whose computed parts are not all buildable: the caption
// names the stage's fixed parts (resistors first), whose values are what
// the user must change; a stage without fixed parts names the sheet. The
// computed parts are set to 0, as after a step search that did not converge.
template <std::size_t N>
void CheckComputedParts(RunState& run, const std::array<CheckedPart, N>& parts) {
  bool buildable = true;
  for (const CheckedPart& part : parts) {
    if (!part.fixed && !Buildable(part.value)) buildable = false;
  }
  if (buildable) return;
  std::string names;
  for (const char kind : {'R', 'C'}) {
    for (const CheckedPart& part : parts) {
      if (part.kind != kind || !part.fixed) continue;
      if (!names.empty()) names += ", ";
      names += std::string(1, kind) + std::to_string(part.number);
    }
  }
  if (names.empty()) {
    run.Warn("設定不可能", "Sheet_" + std::to_string(run.sheetIndex + 1) + " は定数設定することができません");
  } else {
    run.Warn(names + " は設定不能な値", "autoにするかfixの値を再設定下さい。");
  }
  run.valid = false;
  for (const CheckedPart& part : parts) {
    if (!part.fixed) part.value = 0;
  }
}

// Runs one stage and checks what it computed. Each stage is judged on its
// own: a stage that reported itself (and cleared `valid`) is not checked
// again, whatever earlier stages did.
template <typename Design, std::size_t N>
void RunChecked(RunState& run, Design design, const std::array<CheckedPart, N>& parts) {
  const bool validBefore = run.valid;
  run.valid = true;
  design();
  if (run.valid) CheckComputedParts(run, parts);
  run.valid = validBefore && run.valid;
}

}  // namespace

void DesignCheckedStage(RunState& run, int e, const StageTargets& targets, ComponentSet& parts, ContinuousStage stage) {
  StageParts p(parts, e);
  const std::array<CheckedPart, 4> checked{{{'R', e - 1, p.Ra, p.RaFixed},
                                            {'R', e, p.Rb, p.RbFixed},
                                            {'C', e - 1, p.Ca, p.CaFixed},
                                            {'C', e, p.Cb, p.CbFixed}}};
  RunChecked(
      run, [&] { stage(run, e, targets, parts); }, checked);
}

void DesignCheckedFirstOrder(RunState& run, const StageTargets& targets, ComponentSet& parts) {
  // FirstOrderFree computes R1 or C1 only when the other one is fixed or both
  // are auto; a part it leaves alone is not its result.
  const bool computes =
      (parts.rAuto[0] && parts.cAuto[0]) || (parts.rAuto[0] && parts.cFixed[0]) || (parts.rFixed[0] && parts.cAuto[0]);
  if (!computes) {
    FirstOrderFree(run, targets, parts);
    return;
  }
  const std::array<CheckedPart, 2> checked{
      {{'R', 1, parts.r[0], parts.rFixed[0]}, {'C', 1, parts.c[0], parts.cFixed[0]}}};
  RunChecked(
      run, [&] { FirstOrderFree(run, targets, parts); }, checked);
}

}  // namespace kelvara::engine
