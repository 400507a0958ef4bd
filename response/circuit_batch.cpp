#include "response/circuit_batch.h"

#include <cmath>

#include "response/circuit.h"

namespace kelvara::response {

CircuitBatch::CircuitBatch(const DesignRequest& request, const ComponentSet& nominalParts,
                           const OpAmpModel& nominalOpAmp, int trials, bool phaseOrDelay)
    : request_(request),
      real_(!nominalOpAmp.ideal),
      trials_(trials),
      nominalStages_(StagesFromComponents(request, nominalParts)),
      nominalOpAmp_(nominalOpAmp) {
  if (real_) {
    nominalCircuit_ = CircuitFromComponents(request, nominalParts);
    circuits_.resize(trials);
    opAmps_.resize(trials);
    terms_.resize(trials);
  } else {
    columns_ = std::make_unique<InversePowerColumns>(engine::kMaxStages, trials);
    nominalCascade_ = MakeCascade(request, nominalStages_);
    if (phaseOrDelay) cascades_.resize(trials);
  }
}

CircuitBatch::CircuitBatch(const std::vector<Section>& nominalSections, const OpAmpModel& nominalOpAmp, int trials)
    : real_(!nominalOpAmp.ideal), trials_(trials), nominalOpAmp_(nominalOpAmp), sections_(true) {
  nominalModel_ = std::make_shared<const CircuitModel>(CircuitOfSections(nominalSections, nominalOpAmp));
  request_ = nominalModel_->request;
  models_.resize(trials);
}

CircuitBatch::Measures CircuitBatch::MeasureSections(const CircuitModel& model, const GainMask* mask) const {
  Measures m;
  if (mask) {
    m.meetsMask = MeetsMask(model, *mask);
  } else if (bandPassMask_) {
    m.meetsMask = MarginsOf(model, bandPassDb_, *bandPassMask_).Meets();
  }
  for (int k = 0; k < model.StageCount() && k < engine::kMaxStages; ++k) {
    const SectionFigures f = model.sections[k].Figures();
    m.stages.omega[k] = f.omega;
    m.stages.q[k] = f.q;
    m.stageOrder[k] = model.sections[k].topology->Order();
    if (model.sections[k].kind == SectionKind::kBandPass) m.bandPassPeakDb[k] = 20 * std::log10(std::fabs(f.gain));
  }
  m.minus3dbHz = CircuitCutoff3dB(model);
  return m;
}

void CircuitBatch::SetBandPassMask(const BandPassMask& mask, double nominalDb) {
  bandPassMask_ = mask;
  bandPassDb_ = nominalDb;
}

CircuitBatch::Measures CircuitBatch::Set(int t, const std::vector<Section>& sections, const OpAmpModel& opAmp,
                                         const GainMask* mask) {
  models_[t] = CircuitOfSections(sections, opAmp);
  return MeasureSections(models_[t], mask);
}

CircuitBatch::Measures CircuitBatch::Measure(const ResponseStages& stages, const OpAmpCircuit& circuit,
                                             const OpAmpModel& opAmp, const GainMask* mask) const {
  Measures m;
  m.stages = stages;
  for (int k = 0; k < StageCountOf(request_); ++k) m.stageOrder[k] = k == 0 && !request_.evenOrder ? 1 : 2;
  if (real_) {
    m.minus3dbHz = CircuitCutoff3dB(circuit, opAmp);
    if (mask) m.meetsMask = response::MeetsMask(request_, circuit, opAmp, *mask);
  } else {
    m.minus3dbHz = FastCutoff3dB(request_, stages);
    if (mask) m.meetsMask = response::MeetsMask(request_, stages, *mask);
  }
  return m;
}

CircuitBatch::Measures CircuitBatch::Set(int t, const ComponentSet& parts, const OpAmpModel& opAmp,
                                         const GainMask* mask) {
  const ResponseStages stages = StagesFromComponents(request_, parts);
  if (real_) {
    circuits_[t] = CircuitFromComponents(request_, parts);
    opAmps_[t] = opAmp;
    terms_[t] = TermsOf(opAmp);
    return Measure(stages, circuits_[t], opAmps_[t], mask);
  }
  columns_->Set(request_, t, stages);
  if (!cascades_.empty()) cascades_[t] = MakeCascade(request_, stages);
  return Measure(stages, {}, opAmp, mask);
}

CircuitBatch::Measures CircuitBatch::Nominal(const GainMask* mask) const {
  if (sections_) return MeasureSections(*nominalModel_, mask);
  return Measure(nominalStages_, nominalCircuit_, nominalOpAmp_, mask);
}

namespace {

double OutputMagnitude(const CircuitModel& model, double f) {
  return std::abs(TransferAtHz(model, CircuitSource::Input(), FilterOutput(model), f).h);
}

}  // namespace

void CircuitBatch::GainKeys(double f, std::vector<double>& w) const {
  if (sections_) {
    for (int t = 0; t < trials_; ++t) w[t] = OutputMagnitude(models_[t], f);
  } else if (real_) {
    for (int t = 0; t < trials_; ++t) w[t] = CircuitGainMagnitude(circuits_[t], terms_[t], f);
  } else {
    NegatedInversePowers(request_, *columns_, f, w);
  }
}

CircuitBatch::KeyToDb CircuitBatch::KeyDb() const {
  return real_ || sections_ ? &DbOfMagnitude : &DbOfNegatedInversePower;
}

double CircuitBatch::DelayS(int t, double f) const {
  if (sections_) return CircuitGroupDelayS(models_[t], f);
  return real_ ? CircuitDelayS(circuits_[t], opAmps_[t], f) : GroupDelay(cascades_[t], f);
}

double CircuitBatch::PhaseWalk::PhaseAt(double f) {
  if (model_) {
    double phase = TransferAtHz(*model_, CircuitSource::Input(), FilterOutput(*model_), f).PhaseDeg();
    if (previous_) phase += 360.0 * std::round((*previous_ - phase) / 360.0);
    previous_ = phase;
    return phase;
  }
  return circuit_ ? circuit_->PhaseAt(f) : PhaseDeg(*cascade_, f);
}

CircuitBatch::PhaseWalk CircuitBatch::StartPhaseWalk(int t, double firstHz) const {
  PhaseWalk walk;
  if (sections_) {
    walk.model_ = &models_[t];
  } else if (real_) {
    walk.circuit_.emplace(circuits_[t], opAmps_[t], firstHz);
  } else {
    walk.cascade_ = &cascades_[t];
  }
  return walk;
}

double CircuitBatch::NominalGainDb(double f) const {
  if (sections_) return CircuitGainDb(*nominalModel_, f);
  return real_ ? CircuitGainDb(nominalCircuit_, nominalOpAmp_, f) : ResponseDb(request_, nominalStages_, f);
}

double CircuitBatch::NominalDelayS(double f) const {
  if (sections_) return CircuitGroupDelayS(*nominalModel_, f);
  return real_ ? CircuitDelayS(nominalCircuit_, nominalOpAmp_, f) : GroupDelay(nominalCascade_, f);
}

std::vector<double> CircuitBatch::NominalPhaseDeg(const std::vector<double>& frequencies) const {
  if (sections_) return CircuitFrequencyCurves(*nominalModel_, frequencies).phaseDeg;
  if (real_) return CircuitPhaseDeg(nominalCircuit_, nominalOpAmp_, frequencies);
  std::vector<double> phases;
  phases.reserve(frequencies.size());
  for (const double f : frequencies) phases.push_back(PhaseDeg(nominalCascade_, f));
  return phases;
}

}  // namespace kelvara::response
