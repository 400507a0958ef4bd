#include "response/section_views.h"

#include <cmath>

#include "engine/part_name.h"
#include "engine/units.h"
#include "response/opamp_analysis.h"
#include "values/filter_catalogue.h"

namespace kelvara::response {
namespace {

std::optional<double> ErrorPct(double realised, double target) {
  if (target == 0) return std::nullopt;
  return (realised - target) / target * 100.0;
}

// The input of stage k: the filter's input or the previous stage's output.
CircuitNode StageInput(int k) { return k == 0 ? CircuitNode::Input() : CircuitNode::Output(k - 1); }

void FillFrequencyCurves(const CircuitModel& circuit, double fStart, double fTop, double step, Curve& gain,
                         Curve& phase, Curve& delay) {
  const std::vector<double> f = SweepFrequencies(fStart, fTop, step);
  FrequencyCurves c = CircuitFrequencyCurves(circuit, f);
  gain.x = phase.x = delay.x = f;
  gain.y = std::move(c.gainDb);
  phase.y = std::move(c.phaseDeg);
  delay.y = std::move(c.delayS);
}

void FillTimeCurves(const CircuitModel& circuit, double spanS, int timePoints, AnalysisViews& v) {
  const TimeCurves t = CircuitStepImpulse(circuit, 0.0, spanS, timePoints);
  v.step.x = v.impulse.x = LinearPoints(0.0, spanS, timePoints);
  v.step.y = t.step;
  v.impulse.y = t.impulse;
  v.diracWeight = t.diracWeight;
}

}  // namespace

std::vector<SectionOpAmpNeed> SectionOpAmpNeeds(const std::vector<Section>& sections) {
  const CircuitModel circuit = CircuitOfSections(sections, {});
  std::vector<SectionOpAmpNeed> needs;
  for (int k = 0; k < circuit.StageCount(); ++k) {
    const Section& section = circuit.sections[k];
    const SectionFigures f = section.Figures();
    const double f0 = f.omega / engine::kTwoPi;
    SectionOpAmpNeed need;
    if (section.kind == SectionKind::kBandPass) {
      // No resistive pass band: the noise gain at the centre, where the
      // loop gain is to be 40 dB (it holds the Q already, about 1 + 2 Q^2).
      need.noiseGain =
          std::abs(TransferAtHz(circuit, CircuitSource::PlusInputVoltage(k), CircuitNode::Output(k), f0).h);
      need.gbwMinHz = kGbwMarginFactor * f0 * need.noiseGain;
    } else {
      // The amplifier's noise gain in the pass band: its gain K when it does
      // not invert (1 for a follower), 1 + |G| when it does.
      const double g = std::abs(f.gain);
      need.noiseGain = PassBandNoiseGain(section.topology->Inverting(), g);
      need.gbwMinHz = StageGbwNeedHz(f0, section.topology->Order() == 1 ? 0.0 : f.q, need.noiseGain);
    }
    needs.push_back(need);
  }
  return needs;
}

std::vector<StageLevel> SectionOutputPeaks(const std::vector<Section>& sections) {
  return AnalyseLevels(CircuitOfSections(sections, {}), NoiseBand{}, 0.0).stages;
}

std::vector<SectionStageRow> EvaluateSectionStages(const SheetSections& read) {
  const std::vector<SectionOpAmpNeed> needs = SectionOpAmpNeeds(read.sections);
  const std::vector<StageLevel> peaks = SectionOutputPeaks(read.sections);
  std::vector<SectionStageRow> rows;
  for (std::size_t k = 0; k < read.sections.size(); ++k) {
    const Section& s = read.sections[k];
    const SectionFigures f = s.Figures();
    SectionStageRow row;
    row.stage = static_cast<int>(k) + 1;
    row.topology = std::string(s.topology->Id());
    row.order = s.topology->Order();
    for (int i = 0; i < s.PartCount(); ++i) row.parts.push_back(engine::PartName(s.ids[i].letter, s.ids[i].number));
    if (read.plan.bandPass) {
      if (k < read.plan.bandStages.size()) {
        const engine::BandPassSection& t = read.plan.bandStages[k];
        row.f0TargetHz = t.omega / engine::kTwoPi;
        row.qTarget = t.q;
        row.gainTarget = -t.gain;
      }
    } else if (k < read.plan.stages.size()) {
      const engine::StagePlan& p = read.plan.stages[k];
      row.f0TargetHz = p.omega / engine::kTwoPi;
      if (p.order == 2) row.qTarget = p.q;
      row.gainTarget = engine::StageFormInverting(p.form) ? -p.gain : p.gain;
    }
    row.f0Hz = f.omega / engine::kTwoPi;
    if (row.order == 2) row.q = f.q;
    row.gain = f.gain;
    row.f0ErrorPct = ErrorPct(row.f0Hz, row.f0TargetHz);
    if (row.q && row.qTarget) row.qErrorPct = ErrorPct(*row.q, *row.qTarget);
    if (k < needs.size()) row.need = needs[k];
    if (k < peaks.size()) row.output = peaks[k];
    rows.push_back(std::move(row));
  }
  return rows;
}

SectionViews ComputeSectionViews(const SheetSections& read, double fStart, double fTop, int timePoints,
                                 double frequencyStep) {
  SectionViews out;
  AnalysisViews& v = out.views;
  const CircuitModel circuit = CircuitOfSections(read.sections, {});
  FillFrequencyCurves(circuit, fStart, fTop, frequencyStep, v.gain, v.phase, v.delay);
  Cascade cascade = CascadeOfSections(read.sections);
  v.poles = Poles(cascade);
  out.gain = CascadeGain(read.sections);
  out.stages = EvaluateSectionStages(read);
  const engine::DesignRequest& request = read.sheet.request;
  if (read.plan.bandPass) {
    out.band = SummarizeBandPass(circuit, request.cutoffHz,
                                 BandEdgeLevelDb(request.response, request.rippleIndex, request.Order()),
                                 values::HasRipple(request.response));
  } else {
    const double f3 = CircuitCutoff3dB(circuit);
    if (std::isfinite(f3) && f3 > 0) out.minus3dbHz = f3;
    cascade.request.cutoffHz = request.cutoffHz;
    cascade.request.response = request.response;
    cascade.request.rippleIndex = request.rippleIndex;
    out.summary = Summarize(cascade);
    out.summary->minus3dbHz = f3;
  }
  const TimeResponse time = TimeResponseOfSections(read.sections);
  if (read.plan.bandPass) {
    // A band-pass step rises and rings back to 0: its bands are those of
    // the filter's centre gain, and there is no overshoot of a final value
    // to speak of.
    v.settledSpanS = BandPassSettlingTimeS(read.sections, request.cutoffHz, kSettledBand);
    v.settlingTimeS = BandPassSettlingTimeS(read.sections, request.cutoffHz, kSettlingBand);
  } else {
    v.settledSpanS = time.SettledSpan();
    v.settlingTimeS = time.SettlingTime(kSettlingBand);
    v.overshoot = time.MaxOvershoot();
  }
  v.finalValue = out.gain * time.FinalValue();
  v.stepGain = out.gain;
  FillTimeCurves(circuit, v.settledSpanS, timePoints, v);
  return out;
}

void SpanSectionTimeCurves(const SheetSections& read, double spanS, AnalysisViews& v, int timePoints) {
  const CircuitModel circuit = CircuitOfSections(read.sections, {});
  FillTimeCurves(circuit, spanS, timePoints, v);
}

std::optional<SectionOpAmpViews> ComputeSectionOpAmpViews(const SheetSections& read, const OpAmpModel& model,
                                                          double fStart, double fTop, double frequencyStep,
                                                          std::span<const double> times) {
  if (model.ideal) return std::nullopt;
  SectionOpAmpViews out;
  const CircuitModel real = CircuitOfSections(read.sections, model);
  const CircuitModel ideal = CircuitOfSections(read.sections, {});
  FillFrequencyCurves(real, fStart, fTop, frequencyStep, out.gain, out.phase, out.delay);
  if (!times.empty()) {
    const TimeCurves t = CircuitStepImpulse(real, times.front(), times.back(), static_cast<int>(times.size()));
    out.step.x = out.impulse.x = std::vector<double>(times.begin(), times.end());
    out.step.y = t.step;
    out.impulse.y = t.impulse;
  }
  const std::vector<SectionOpAmpNeed> needs = SectionOpAmpNeeds(read.sections);
  for (int k = 0; k < real.StageCount(); ++k) {
    const double f0 = real.sections[k].Figures().omega / engine::kTwoPi;
    const std::vector<CircuitNode> nodes{StageInput(k), CircuitNode::Output(k)};
    auto stageDb = [&](const CircuitModel& c) {
      const std::vector<std::complex<double>> v = CircuitSolve::AtHz(c, f0).ValuesTo(CircuitSource::Input(), nodes);
      return 20.0 * std::log10(std::abs(v[1] / v[0]));
    };
    SectionOpAmpStage s;
    s.gbwMinHz = needs[k].gbwMinHz;
    s.gbwMet = model.gbwHz >= s.gbwMinHz;
    s.gainErrorDbAtF0 = stageDb(real) - stageDb(ideal);
    out.stages.push_back(s);
  }
  return out;
}

NoiseBand SectionNoiseBand(const SheetSections& read) {
  const engine::DesignRequest& request = read.sheet.request;
  if (read.plan.bandPass) return {request.cutoffHz / 10, request.cutoffHz * 10};
  return DefaultNoiseBand(request);
}

NoiseViews ComputeSectionNoiseViews(const SheetSections& read, const OpAmpModel& model, double temperatureC,
                                    double fStart, double fTop, double step) {
  std::vector<double> frequencies;
  for (double f = fStart; f <= fTop * (1 + step / 2) && frequencies.size() < 100000; f *= 1 + step)
    frequencies.push_back(f);
  const CircuitModel circuit = CircuitOfSections(read.sections, model);
  NoiseViews v;
  v.noise = ComputeNoiseCurves(circuit, temperatureC, frequencies);
  v.report = IntegrateNoise(circuit, temperatureC, SectionNoiseBand(read));
  v.levels = ComputeLevelCurves(circuit, frequencies);
  v.limits = ComputeLimitCurves(model, v.levels);
  v.levelReport = AnalyseLevels(circuit, v.report.band, v.report.totalVrms);
  return v;
}

}  // namespace kelvara::response
