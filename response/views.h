#pragma once

// Everything the analysis window shows of one design, computed in one go:
// the frequency curves on the chart's sweep, the time curves over the
// settled span, the poles, the stage evaluation and the summary.

#include <optional>
#include <vector>

#include "response/analysis.h"
#include "response/opamp_analysis.h"
#include "response/time_response.h"

namespace kelvara::response {

struct Curve {
  std::vector<double> x;
  std::vector<double> y;
};

/// Frequencies of the response chart's sweep: from fStart in steps of
/// `step` (5 %: the points SweepResponse gives) up to 1.2 times fTop
/// inclusive.
/// The step of the response chart's sweep: 5 % a point.
inline constexpr double kSweepStep = 0.05;

std::vector<double> SweepFrequencies(double fStart, double fTop, double step = kSweepStep);

/// What the analysis window and the report show of a design: its curves
/// and, of the ideal circuit (ComputeViews), the poles, the stage table and
/// the time figures; of the drawn circuit with a real op-amp
/// (ComputeOpAmpViews), what each stage asks of the op-amp and the
/// low-pass stop-band floor.
struct AnalysisViews {
  Curve gain;   // dB
  Curve phase;  // degrees, unwrapped
  Curve delay;  // seconds
  Curve step;
  Curve impulse;  // without the Dirac impulse of an HPF at t = 0
  double diracWeight = 0.0;
  std::vector<StagePoles> poles;
  std::vector<StageEvaluation> stages;
  ResponseSummary summary;
  double settledSpanS = 0.0;   // 0.1 %
  double settlingTimeS = 0.0;  // 1 %
  TimeResponse::Overshoot overshoot;
  double finalValue = 0.0;
  double stepGain = 1.0;  // the pass-band gain the overshoot's per cent are of
  // With a real op-amp only.
  std::vector<OpAmpStageReport> opAmpStages;
  std::optional<StopbandFloor> floor;
};

/// The views of the design with these part values; the frequency curves on
/// the sweep from fStart to fTop, the time curves on timePoints points from
/// 0 to the settled span.
AnalysisViews ComputeViews(const DesignRequest& request, const ComponentSet& parts, double fStart, double fTop,
                           int timePoints = 501, double frequencyStep = kSweepStep);

/// The time curves of `v` (the design with these part values) again, on
/// timePoints points from 0 to spanS: designs compared in one view share
/// the longest of their settled spans, so that no curve stops short.
void SpanTimeCurves(const DesignRequest& request, const ComponentSet& parts, double spanS, AnalysisViews& v,
                    int timePoints = 501);

/// One curve of the drawn filter with its op-amp, at the points xs
/// (frequencies in Hz, or times in s for the step and the impulse): the
/// ideal op-amp's closed forms (GainDb, PhaseDeg, GroupDelay, TimeResponse),
/// the real one's circuit (CircuitCurves, CircuitTimeResponse; the time
/// points equally spaced from xs.front() to xs.back()).
enum class CurveKind { kGain, kPhase, kDelay, kStep, kImpulse };
std::vector<double> CurveValues(const DesignRequest& request, const ComponentSet& parts, const OpAmpModel& opAmp,
                                CurveKind kind, const std::vector<double>& xs);

}  // namespace kelvara::response
