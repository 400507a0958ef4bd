#pragma once

// Many circuits of one design side by side, as a Monte Carlo run holds its
// trials: each slot keeps its trial in the form its op-amp evaluates
// fastest — the ideal op-amp's stage forms and division-free gain terms
// (inverse_power.h), the real op-amp's drawn circuit — so that the run asks
// for gains, phases, delays, the -3 dB frequency and the mask without
// knowing which op-amp it has. Every value is the one the single-circuit
// views give (ResponseDb, FastCutoff3dB, MeetsMask, PhaseDeg, GroupDelay
// or their circuit forms), bit for bit.
//
// Slots are filled and read by index: distinct slots may be filled on
// different threads at once, and a filled batch may be read from any
// number of threads.

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "response/analysis.h"
#include "response/bandpass.h"
#include "response/circuit.h"
#include "response/circuit_phase_walk.h"
#include "response/gain_mask.h"
#include "response/inverse_power.h"
#include "response/opamp_circuit.h"
#include "response/opamp_model.h"
#include "response/response.h"

namespace kelvara::response {

class CircuitBatch {
 public:
  /// A batch of `trials` slots of the design with these nominal parts and
  /// op-amp (the op-amp's kind, ideal or real, is every trial's). With
  /// phaseOrDelay the slots keep what the phase and delay views need too.
  CircuitBatch(const DesignRequest& request, const ComponentSet& nominalParts, const OpAmpModel& nominalOpAmp,
               int trials, bool phaseOrDelay);
  /// A batch of a circuit of any sections (CircuitOfSections): every slot
  /// keeps its circuit and asks the circuit's views and mask test (the nodal
  /// solve where the sections are not the sheet's).
  CircuitBatch(const std::vector<Section>& nominalSections, const OpAmpModel& nominalOpAmp, int trials);

  /// The request of the batch's circuit (for sections: their kind and order).
  const DesignRequest& Request() const { return request_; }

  int Trials() const { return trials_; }

  /// What a trial measures as its slot is filled: its stage forms (each
  /// stage's f0 and Q, which do not depend on the op-amp), its -3 dB
  /// frequency (with FindCutoff3dB's sentinels) and, given a mask, whether
  /// it meets the mask.
  struct Measures {
    ResponseStages stages;
    /// Each stage's order, 1 or 2 (a design of sections may have its
    /// first-order stage anywhere in the cascade).
    std::array<int, engine::kMaxStages> stageOrder{};
    /// Each band-pass section's own highest gain in dB (|gain| at its
    /// centre), where a resonance's height above a pass band means
    /// nothing; empty for the other stages.
    std::array<std::optional<double>, engine::kMaxStages> bandPassPeakDb{};
    double minus3dbHz = 0;
    bool meetsMask = false;
  };
  /// A batch of band-pass sections: every slot (and the nominal design)
  /// whose measures are asked for without a GainMask is tested against this
  /// mask instead, its gain against nominalDb (MarginsOf, both margins at
  /// least 0). Set before any slot is filled.
  void SetBandPassMask(const BandPassMask& mask, double nominalDb);

  /// Fills slot t with a trial's parts and op-amp.
  Measures Set(int t, const ComponentSet& parts, const OpAmpModel& opAmp, const GainMask* mask);
  /// The same for a batch of sections, with the trial's sections.
  Measures Set(int t, const std::vector<Section>& sections, const OpAmpModel& opAmp, const GainMask* mask);

  /// A key of every slot's gain at f that ascends with the gain (w has one
  /// entry per trial); KeyDb() is the function that turns a key into dB.
  /// Ranking keys and turning only the few picked is what makes the bands
  /// of many trials cheap.
  void GainKeys(double f, std::vector<double>& w) const;
  using KeyToDb = double (*)(double);
  KeyToDb KeyDb() const;

  /// The group delay of slot t at f in seconds.
  double DelayS(int t, double f) const;

  /// The unwrapped phase of one slot followed along ascending frequencies
  /// (as the phase view draws it), holding only its last point.
  class PhaseWalk {
   public:
    double PhaseAt(double f);

   private:
    friend class CircuitBatch;
    const Cascade* cascade_ = nullptr;         // the ideal op-amp: the closed form
    std::optional<CircuitPhaseWalk> circuit_;  // the real one: a walk
    const CircuitModel* model_ = nullptr;      // sections: arg H followed from point to point
    std::optional<double> previous_;
  };
  /// A walk of slot t that will be asked for firstHz first.
  PhaseWalk StartPhaseWalk(int t, double firstHz) const;

  /// The nominal design's measures and views.
  Measures Nominal(const GainMask* mask) const;
  double NominalGainDb(double f) const;
  double NominalDelayS(double f) const;
  std::vector<double> NominalPhaseDeg(const std::vector<double>& frequencies) const;

 private:
  Measures Measure(const ResponseStages& stages, const OpAmpCircuit& circuit, const OpAmpModel& opAmp,
                   const GainMask* mask) const;
  Measures MeasureSections(const CircuitModel& model, const GainMask* mask) const;

  DesignRequest request_;
  bool real_ = false;
  int trials_ = 0;
  // The nominal design.
  ResponseStages nominalStages_;
  OpAmpCircuit nominalCircuit_;
  OpAmpModel nominalOpAmp_;
  Cascade nominalCascade_;
  // The ideal op-amp: the gain terms of every slot, and its cascade when
  // the phase or the delay is asked for.
  std::unique_ptr<InversePowerColumns> columns_;
  std::vector<Cascade> cascades_;
  // The real op-amp: every slot's circuit and op-amp.
  std::vector<OpAmpCircuit> circuits_;
  std::vector<OpAmpModel> opAmps_;
  std::vector<OpAmpTerms> terms_;
  // Sections: every slot's circuit.
  bool sections_ = false;
  std::vector<CircuitModel> models_;
  std::shared_ptr<const CircuitModel> nominalModel_;
  std::optional<BandPassMask> bandPassMask_;
  double bandPassDb_ = 0;
};

}  // namespace kelvara::response
