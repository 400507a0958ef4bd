#pragma once

// Designs for the export tests, made as the calculate button makes them.

#include <ostream>
#include <string>

#include "engine/design_types.h"
#include "engine/sheet_inputs.h"
#include "response/opamp_model.h"
#include "tools/designer/headless_design.h"

namespace kelvara::exports::test {

struct DesignCase {
  const char* name;
  int passKind;  // 0 LPF, 1 HPF
  int order;
  int response;  // 0 Butterworth, 1 Bessel, 2 Chebyshev
  const char* cutoff;
  bool series;  // E12 capacitors, E24 resistors
  response::OpAmpModel opamp{};
};

inline void PrintTo(const DesignCase& c, std::ostream* os) { *os << c.name; }

struct Design {
  engine::DesignRequest request;
  engine::ComponentSet parts;
};

inline Design MakeDesign(const DesignCase& c) {
  engine::SheetInputs in;
  in.passKind = c.passKind;
  in.orderIndex = c.order - 2;
  in.response = c.response;
  in.cutoffText = c.cutoff;
  in.anyValues = !c.series;
  const engine::DesignRequest request = engine::RequestOf(in);
  const tools::DesignReport report = tools::RunHeadlessDesign(request, in.parts);
  return {request, report.parts};
}

inline response::OpAmpModel RealOpAmp(double gbwHz, double a0Db, double routOhm) {
  response::OpAmpModel m;
  m.ideal = false;
  m.gbwHz = gbwHz;
  m.a0Db = a0Db;
  m.routOhm = routOhm;
  return m;
}

}  // namespace kelvara::exports::test
