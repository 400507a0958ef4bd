#pragma once

// A mask a filter's gain must keep, and the test of it: the pass band's and
// the stop band's extremes found exactly, from the gain's stationary points
// where they apply (mask_extremes.h) and by a refined scan otherwise
// (mask_scan.cpp).

#include "response/opamp_circuit.h"
#include "response/opamp_model.h"
#include "response/response.h"

namespace kelvara::response {

/// The limits a gain curve must keep: a pass band and a stop band. LPF:
/// from DC up to passHz the gain stays within +-passDb of 0 dB, from stopHz
/// on it is at most -stopDb. HPF mirrored: from passHz up within +-passDb,
/// up to stopHz at most -stopDb.
struct GainMask {
  double passHz = 0;
  double passDb = 0;
  double stopHz = 0;
  double stopDb = 0;
};

struct CircuitModel;

/// Whether the gain of the ideal stages meets the mask.
bool MeetsMask(const DesignRequest& request, const ResponseStages& stages, const GainMask& mask);
/// The same for the drawn circuit with its op-amp (the ideal one: the
/// stages' own test).
bool MeetsMask(const DesignRequest& request, const OpAmpCircuit& circuit, const OpAmpModel& model,
               const GainMask& mask);
/// The same for any circuit (circuit.h): the sheet's by the tests above; a
/// circuit of other sections with its gain taken relative to its pass-band
/// gain (CircuitPassbandGain), each band's extremes by the bracketed walk of
/// output_extremes.h on the nodal solve (the pass band from passHz / 1000,
/// the stop band over three decades from stopHz, mirrored for an HPF).
bool MeetsMask(const CircuitModel& circuit, const GainMask& mask);

}  // namespace kelvara::response
