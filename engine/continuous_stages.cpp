// Continuous design: stage values met exactly by formulas. LPF stages prefer
// equal resistors and HPF stages equal capacitors wherever the user leaves
// the engine the freedom.

#include <cmath>
#include <cstdint>
#include <string>

#include "engine/design_data.h"
#include "engine/stage_maths.h"
#include "engine/stages.h"

namespace kelvara::engine {
namespace {

double Square(double q) { return std::pow(q, 2.0); }

std::string PartPair(char kind, int a, int b) {
  return std::string(1, kind) + std::to_string(a) + ", " + std::string(1, kind) + std::to_string(b);
}

// Both resistors (HPF) or both capacitors (LPF) fixed: the two parts to find
// are the roots of a quadratic; the larger goes to the lower-numbered part.
// Returns false when the fixed pair cannot reach the target Q.
bool SolveQuadratic(double x1, double x2, double q, double omega, double& larger, double& smaller) {
  const double m = std::sqrt(x1 / x2);
  double d = m * m - 4 * Square(q);
  if (d < -0.008) return false;
  if (d < 0) d = 0;
  const double g = 1 / (omega * std::sqrt(x1 * x2));
  const double h = std::sqrt(g * g * d);
  larger = (m * g + h) / (2 * q);
  smaller = (m * g - h) / (2 * q);
  return true;
}

}  // namespace

void FirstOrderFree(RunState& /*run*/, const StageTargets& targets, ComponentSet& parts) {
  const double omega = targets.stageOmega[0];
  if (parts.rAuto[0] && parts.cAuto[0]) {
    parts.r[0] = BuildDesignData().BandTable[BandIndex(omega)].startR;
    parts.c[0] = ReciprocalProduct(omega, parts.r[0]);
  } else if (parts.rAuto[0] && parts.cFixed[0]) {
    parts.r[0] = ReciprocalProduct(omega, parts.c[0]);
  } else if (parts.rFixed[0] && parts.cAuto[0]) {
    parts.c[0] = ReciprocalProduct(omega, parts.r[0]);
  }
}

void StageFreeLpf(RunState& /*run*/, int e, const StageTargets& targets, ComponentSet& parts) {
  const int slot = StageSlot(e);
  const double q = targets.stageQ[slot];
  const double omega = targets.stageOmega[slot];
  StageParts p(parts, e);
  const double r = BuildDesignData().BandTable[BandIndex(omega)].startR;
  p.Ra = r;
  p.Rb = r;
  const double t = ReciprocalProduct(omega, r);
  p.Ca = 2 * q * t;
  p.Cb = t * t / p.Ca;
}

void StageFreeHpf(RunState& /*run*/, int e, const StageTargets& targets, ComponentSet& parts) {
  const int slot = StageSlot(e);
  const double q = targets.stageQ[slot];
  const double omega = targets.stageOmega[slot];
  StageParts p(parts, e);
  const double c = BuildDesignData().BandTable[BandIndex(omega)].startC;
  p.Ca = c;
  p.Cb = c;
  const double t = ReciprocalProduct(omega, c);
  p.Rb = 2 * q * t;
  p.Ra = t * t / p.Rb;
}

void StageOneFixedLpf(RunState& /*run*/, int e, const StageTargets& targets, ComponentSet& parts) {
  const int slot = StageSlot(e);
  const double q = targets.stageQ[slot];
  const double omega = targets.stageOmega[slot];
  StageParts p(parts, e);
  if (p.RaFixed || p.RbFixed) {
    if (p.RaFixed) {
      p.Rb = p.Ra;
    } else {
      p.Ra = p.Rb;
    }
    const double t = ReciprocalProduct(omega, p.Ra);
    p.Ca = 2 * q * t;
    p.Cb = t * t / p.Ca;
  } else if (p.CaFixed || p.CbFixed) {
    if (p.CaFixed) {
      p.Cb = p.Ca * 0.25 / Square(q);
    } else {
      p.Ca = Square(q) * (p.Cb * 4);
    }
    const double r = 1 / (omega * std::sqrt(p.Ca * p.Cb));
    p.Ra = r;
    p.Rb = r;
  }
}

void StageOneFixedHpf(RunState& /*run*/, int e, const StageTargets& targets, ComponentSet& parts) {
  const int slot = StageSlot(e);
  const double q = targets.stageQ[slot];
  const double omega = targets.stageOmega[slot];
  StageParts p(parts, e);
  if (p.RaFixed || p.RbFixed) {
    if (p.RaFixed) {
      p.Rb = 4 * Square(q) * p.Ra;
    } else {
      p.Ra = p.Rb * 0.25 / Square(q);
    }
    const double c = 1 / (omega * std::sqrt(p.Ra * p.Rb));
    p.Ca = c;
    p.Cb = c;
  } else if (p.CaFixed || p.CbFixed) {
    if (p.CaFixed) {
      p.Cb = p.Ca;
    } else {
      p.Ca = p.Cb;
    }
    const double t = ReciprocalProduct(omega, p.Cb);
    p.Rb = 2 * q * t;
    p.Ra = t * t / p.Rb;
  }
}

void StageTwoFixedLpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts) {
  const int slot = StageSlot(e);
  const double q = targets.stageQ[slot];
  const double omega = targets.stageOmega[slot];
  StageParts p(parts, e);
  if (p.CaFixed && p.CbFixed) {
    if (!SolveQuadratic(p.Ca, p.Cb, q, omega, p.Ra, p.Rb)) {
      run.Warn(PartPair('C', e - 1, e) + kUnrealisable, "autoにするか静電容量値を再設定下さい。");
      run.valid = false;
    }
  } else if (p.RaFixed && p.RbFixed) {
    const double k = std::sqrt(p.Ra * p.Rb) / (p.Ra + p.Rb);
    const double t = 1 / (omega * std::sqrt(p.Ra * p.Rb));
    p.Ca = q * t / k;
    p.Cb = t * t / p.Ca;
  } else {
    StepSearchStage(run, e, targets, parts, true);
  }
}

void StageTwoFixedHpf(RunState& run, int e, const StageTargets& targets, ComponentSet& parts) {
  const int slot = StageSlot(e);
  const double q = targets.stageQ[slot];
  const double omega = targets.stageOmega[slot];
  StageParts p(parts, e);
  if (p.RaFixed && p.RbFixed) {
    if (!SolveQuadratic(p.Rb, p.Ra, q, omega, p.Ca, p.Cb)) {
      run.Warn(PartPair('R', e - 1, e) + kUnrealisable, "autoにするか抵抗値を再設定下さい。");
      run.valid = false;
    }
  } else if (p.CaFixed && p.CbFixed) {
    const double k = std::sqrt(p.Ca * p.Cb) / (p.Ca + p.Cb);
    const double t = 1 / (omega * std::sqrt(p.Ca * p.Cb));
    p.Rb = q * t / k;
    p.Ra = t * t / p.Rb;
  } else {
    StepSearchStage(run, e, targets, parts, false);
  }
}

void StageThreeFixed(RunState& run, int e, const StageTargets& targets, ComponentSet& parts) {
  const double omega = targets.stageOmega[StageSlot(e)];
  StageParts p(parts, e);
  double* part = nullptr;
  bool resistor = false;
  if (p.RaAuto) {
    part = &p.Ra;
    resistor = true;
    p.Ra = PartForOmega(omega, p.Rb, p.Ca, p.Cb);
  } else if (p.RbAuto) {
    part = &p.Rb;
    resistor = true;
    p.Rb = PartForOmega(omega, p.Ra, p.Ca, p.Cb);
  } else if (p.CaAuto) {
    part = &p.Ca;
    p.Ca = PartForOmega(omega, p.Ra, p.Rb, p.Cb);
  } else if (p.CbAuto) {
    part = &p.Cb;
    p.Cb = PartForOmega(omega, p.Ra, p.Rb, p.Ca);
  }
  if (part == nullptr) return;
  if (resistor ? *part < 0.001 : *part < 1e-12) {
    run.Warn("設定不可能", "Sheet_" + std::to_string(run.sheetIndex + 1) + " は定数設定することができません");
    run.valid = false;
  }
}

}  // namespace kelvara::engine
