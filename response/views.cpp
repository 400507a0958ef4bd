#include "response/views.h"

#include <cmath>

#include "response/opamp_circuit.h"
#include "response/opamp_time.h"

namespace kelvara::response {
namespace {

void FillTimeCurves(const TimeResponse& time, double spanS, int timePoints, AnalysisViews& v) {
  const std::vector<double> t = LinearPoints(0.0, spanS, timePoints);
  v.step.x = v.impulse.x = t;
  v.step.y.clear();
  v.impulse.y.clear();
  v.step.y.reserve(t.size());
  v.impulse.y.reserve(t.size());
  for (double x : t) {
    v.step.y.push_back(time.Step(x));
    v.impulse.y.push_back(time.Impulse(x));
  }
}

}  // namespace

std::vector<double> SweepFrequencies(double fStart, double fTop, double step) {
  std::vector<double> f;
  if (!(fStart > 0) || !std::isfinite(fTop)) return f;
  for (double x = fStart; x <= fTop + fTop * 0.2; x = x + x * step) f.push_back(x);
  return f;
}

AnalysisViews ComputeViews(const DesignRequest& request, const ComponentSet& parts, double fStart, double fTop,
                           int timePoints, double frequencyStep) {
  AnalysisViews v;
  const Cascade cascade = CascadeFromParts(request, parts);
  const std::vector<double> f = SweepFrequencies(fStart, fTop, frequencyStep);
  v.gain.x = v.phase.x = v.delay.x = f;
  v.gain.y.reserve(f.size());
  v.phase.y.reserve(f.size());
  v.delay.y.reserve(f.size());
  for (double x : f) {
    v.gain.y.push_back(GainDb(cascade, x));
    v.phase.y.push_back(PhaseDeg(cascade, x));
    v.delay.y.push_back(GroupDelay(cascade, x));
  }
  const TimeResponse time(cascade);
  v.settledSpanS = time.SettledSpan();
  v.settlingTimeS = time.SettlingTime(kSettlingBand);
  v.overshoot = time.MaxOvershoot();
  v.finalValue = time.FinalValue();
  v.diracWeight = time.DiracWeight();
  FillTimeCurves(time, v.settledSpanS, timePoints, v);
  v.poles = Poles(cascade);
  v.stages = EvaluateStages(request, parts);
  v.summary = Summarize(cascade);
  return v;
}

void SpanTimeCurves(const DesignRequest& request, const ComponentSet& parts, double spanS, AnalysisViews& v,
                    int timePoints) {
  FillTimeCurves(TimeResponse(CascadeFromParts(request, parts)), spanS, timePoints, v);
}

std::vector<double> CurveValues(const DesignRequest& request, const ComponentSet& parts, const OpAmpModel& opAmp,
                                CurveKind kind, const std::vector<double>& xs) {
  const bool time = kind == CurveKind::kStep || kind == CurveKind::kImpulse;
  if (!opAmp.ideal) {
    const OpAmpCircuit circuit = CircuitFromComponents(request, parts);
    if (time) {
      const CircuitTimeCurves t =
          xs.empty() ? CircuitTimeCurves{}
                     : CircuitTimeResponse(circuit, opAmp, xs.front(), xs.back(), static_cast<int>(xs.size()));
      return kind == CurveKind::kStep ? t.step : t.impulse;
    }
    CircuitCurveSet set = CircuitCurves(circuit, opAmp, xs);
    return kind == CurveKind::kPhase ? set.phaseDeg : kind == CurveKind::kDelay ? set.delayS : set.gainDb;
  }
  const Cascade cascade = CascadeFromParts(request, parts);
  std::vector<double> ys;
  ys.reserve(xs.size());
  if (time) {
    const TimeResponse response(cascade);
    for (const double t : xs) ys.push_back(kind == CurveKind::kStep ? response.Step(t) : response.Impulse(t));
    return ys;
  }
  for (const double f : xs) {
    ys.push_back(kind == CurveKind::kGain    ? GainDb(cascade, f)
                 : kind == CurveKind::kPhase ? PhaseDeg(cascade, f)
                                             : GroupDelay(cascade, f));
  }
  return ys;
}

}  // namespace kelvara::response
