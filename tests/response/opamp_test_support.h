#pragma once

// Filters designed the way the calculate button designs them, for the tests
// of the real op-amp circuit.

#include <string>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "response/opamp_circuit.h"
#include "tests/support/component_sets.h"
#include "tests/support/recording_run.h"

namespace kelvara::response::testing {

struct DesignCase {
  int kind;
  int order;
  int response;
  const char* cutoff;
  bool series = false;  // E12 capacitors and E24 resistors
};

inline DesignRequest RequestOf(const DesignCase& d) {
  return engine::MakeDesignRequest({.passKind = d.kind,
                                    .orderIndex = d.order - 2,
                                    .response = d.response,
                                    .cutoffText = d.cutoff,
                                    .capE12 = d.series,
                                    .resE24 = d.series,
                                    .anyValues = !d.series});
}

inline ComponentSet DesignedParts(const DesignCase& d) {
  const DesignRequest request = RequestOf(d);
  ComponentSet parts = kelvara::testing::AllAuto();
  kelvara::testing::RecordingRun run;
  engine::DesignFilter(run, engine::BuildStageTargets(request), request, parts);
  return parts;
}

inline OpAmpCircuit DesignedCircuit(const DesignCase& d) {
  return CircuitFromComponents(RequestOf(d), DesignedParts(d));
}

inline OpAmpModel RealOpAmp(double gbwHz, double a0Db = 100, double routOhm = 0) {
  OpAmpModel m;
  m.ideal = false;
  m.gbwHz = gbwHz;
  m.a0Db = a0Db;
  m.routOhm = routOhm;
  return m;
}

inline std::string Describe(const DesignCase& d) {
  static const char* const kResponses[] = {"Butterworth", "Bessel", "Chebyshev"};
  return std::string(d.kind == engine::kHpf ? "HPF" : "LPF") + " order " + std::to_string(d.order) + " " +
         kResponses[d.response] + " " + d.cutoff + (d.series ? " E12/E24" : "");
}

}  // namespace kelvara::response::testing
