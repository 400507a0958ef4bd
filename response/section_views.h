#pragma once

// What the analysis window shows of a sheet built of sections
// (section_sheet.h): the frequency curves of the circuit's nodal solve, the
// step and impulse (the ideal op-amp's from the poles and residues of their
// ideal cascade times its gain; a band-pass step has no overshoot figure),
// the poles, one row per stage with its target and
// realised f0, Q and gain and what it asks of its op-amp, and the summary
// (low-pass and high-pass: the -3 dB frequency, ripple and attenuation;
// band-pass: SummarizeBandPass). The same library functions give
// kelvara-design's --analysis of the same sections, so the figures agree.
//
// With a real op-amp: the frequency and time views (the time curves from
// the state equations of the sections' element lists) and the stages'
// op-amp figures.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "response/bandpass.h"
#include "response/circuit.h"
#include "response/noise_views.h"
#include "response/section_sheet.h"
#include "response/signal_levels.h"
#include "response/views.h"

namespace kelvara::response {

/// What one section asks of its op-amp: the gain-bandwidth of the common
/// rule (kGbwMarginFactor f0 Q, a first-order stage kGbwMarginFactor f0)
/// times the noise gain of its amplifier in the pass band, its gain K when
/// it does not invert (1 for a follower, so a unity-gain stage asks what
/// AnalyseOpAmpStages says) and 1 + |G| when it does. A band-pass section
/// has no resistive pass band: its noise gain is the gain from a voltage in
/// series with its op-amp's + input to its output at its centre (about
/// 1 + 2 Q^2, the ideal op-amp's), and it asks kGbwMarginFactor f0 times it.
struct SectionOpAmpNeed {
  double noiseGain = 1;
  double gbwMinHz = 0;
};
std::vector<SectionOpAmpNeed> SectionOpAmpNeeds(const std::vector<Section>& sections);

/// One stage of a sheet of sections against its target.
struct SectionStageRow {
  int stage = 1;  // 1-based, cascade order
  std::string topology;
  int order = 2;
  std::vector<std::string> parts;  // "R1", "R2", "R3", "C1", "C2"
  double f0TargetHz = 0;
  std::optional<double> qTarget;  // empty for a first-order stage
  double gainTarget = 1;          // signed
  double f0Hz = 0;
  std::optional<double> q;
  double gain = 1;  // signed, the section's closed form
  /// (realised - target) / target x 100; empty where the target is 0.
  std::optional<double> f0ErrorPct;
  std::optional<double> qErrorPct;
  SectionOpAmpNeed need;
  /// The highest gain from the filter's input to this stage's op-amp
  /// output and where (SectionOutputPeaks).
  StageLevel output;
};
std::vector<SectionStageRow> EvaluateSectionStages(const SheetSections& read);

/// The highest gain at every op-amp output of the sections with the ideal
/// op-amp, as the levels find it (AnalyseLevels: the exact stationary
/// points; 0 Hz where a low-pass output only falls): what each stage's
/// output carries of a full-scale input.
std::vector<StageLevel> SectionOutputPeaks(const std::vector<Section>& sections);

struct SectionViews {
  /// The curves (gain, phase, delay, step and impulse),
  /// the poles and the time figures (stepGain the cascade's gain); its
  /// stage table and summary stay empty: those of sections are below.
  AnalysisViews views;
  std::vector<SectionStageRow> stages;
  double gain = 1;                   // the signed pass-band gain (CascadeGain)
  std::optional<double> minus3dbHz;  // low-pass and high-pass: CircuitCutoff3dB
  /// Low-pass and high-pass: Summarize of the ideal cascade of the
  /// sections at the sheet's cut-off and response (its gain relative to the
  /// pass band), minus3dbHz the circuit's.
  std::optional<ResponseSummary> summary;
  std::optional<BandPassSummary> band;  // band-pass
};

/// The views with the ideal op-amp; the frequency curves on the sweep from
/// fStart to fTop, the time curves on timePoints points from 0 to the
/// settled span.
SectionViews ComputeSectionViews(const SheetSections& read, double fStart, double fTop, int timePoints = 501,
                                 double frequencyStep = kSweepStep);

/// The time curves of `v` (ComputeSectionViews' views of `read`) again on
/// timePoints points from 0 to spanS (as SpanTimeCurves).
void SpanSectionTimeCurves(const SheetSections& read, double spanS, AnalysisViews& v, int timePoints = 501);

/// One stage with a real op-amp: the GBW its rule asks for and whether the
/// model has it, and its gain in the cascade at its f0, real minus ideal.
struct SectionOpAmpStage {
  double gbwMinHz = 0;
  bool gbwMet = true;
  double gainErrorDbAtF0 = 0;
};
struct SectionOpAmpViews {
  Curve gain;
  Curve phase;
  Curve delay;
  Curve step;  // at the times asked for (none: empty)
  Curve impulse;
  std::vector<SectionOpAmpStage> stages;
};
/// The real op-amp's frequency curves on the same sweep, its step and
/// impulse at `times` (the ideal views' times) and its stages; empty for
/// the ideal op-amp.
std::optional<SectionOpAmpViews> ComputeSectionOpAmpViews(const SheetSections& read, const OpAmpModel& model,
                                                          double fStart, double fTop, double frequencyStep = kSweepStep,
                                                          std::span<const double> times = {});

/// The noise band kelvara-design takes by default for the sheet: a
/// low-pass or high-pass sheet's DefaultNoiseBand, a band-pass sheet's a
/// decade either side of its centre.
NoiseBand SectionNoiseBand(const SheetSections& read);

/// The noise and level views of the sections' circuit with the model:
/// ComputeNoiseCurves, IntegrateNoise over SectionNoiseBand,
/// ComputeLevelCurves, ComputeLimitCurves and AnalyseLevels of
/// CircuitOfSections, at fStart, fStart (1 + step), ... up to fTop.
NoiseViews ComputeSectionNoiseViews(const SheetSections& read, const OpAmpModel& model, double temperatureC,
                                    double fStart, double fTop, double step = 0.02);

}  // namespace kelvara::response
