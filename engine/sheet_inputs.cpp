#include "engine/sheet_inputs.h"

#include "engine/run_checks.h"

namespace kelvara::engine {
namespace {

using namespace values::sheet_line;

int IntLine(const values::SheetRecord& record, int line) { return values::ParseRecordInt(record[line]).value_or(0); }

}  // namespace

SheetInputs InputsFromRecord(const values::SheetRecord& record) {
  SheetInputs in;
  in.passKind = IntLine(record, kPassKind);
  in.cutoffText = record[kCutoff];
  in.circuit = IntLine(record, kCircuit);
  in.orderIndex = IntLine(record, kOrder);
  in.response = IntLine(record, kResponse);
  in.rippleIndex = IntLine(record, kRipple);
  in.anyValues = values::LineIsTrue(record[kAnyValues]);
  for (int k = 1; k <= kMaxParts; ++k) {
    PartInput& r = in.parts.r[k - 1];
    PartInput& c = in.parts.c[k - 1];
    // Opening a sheet empties the edits of the parts its order does not use.
    r.text = k <= in.Order() ? record[RValue(k)] : std::string();
    c.text = k <= in.Order() ? record[CValue(k)] : std::string();
    r.autoSelected = values::LineIsTrue(record[RAuto(k)]);
    c.autoSelected = values::LineIsTrue(record[CAuto(k)]);
    r.fixSelected = !r.autoSelected;
    c.fixSelected = !c.autoSelected;
  }
  return in;
}

DesignRequest RequestOf(const SheetInputs& in) {
  return MakeDesignRequest({.passKind = in.passKind,
                            .circuit = in.circuit,
                            .orderIndex = in.orderIndex,
                            .response = in.response,
                            .rippleIndex = in.rippleIndex,
                            .cutoffText = in.cutoffText,
                            .capE12 = !in.anyValues,
                            .resE24 = !in.anyValues,
                            .anyValues = in.anyValues});
}

void StoreInputs(values::SheetRecord& record, const SheetInputs& in) {
  record[kPassKind] = std::to_string(in.passKind);
  record[kCutoff] = in.cutoffText;
  record[kCircuit] = std::to_string(in.circuit);
  record[kOrder] = std::to_string(in.orderIndex);
  record[kResponse] = std::to_string(in.response);
  record[kRipple] = std::to_string(in.rippleIndex);
  for (int k = 1; k <= kMaxParts; ++k) {
    record[RValue(k)] = in.parts.r[k - 1].text;
    record[CValue(k)] = in.parts.c[k - 1].text;
    record[RAuto(k)] = values::BoolLine(in.parts.r[k - 1].autoSelected);
    record[CAuto(k)] = values::BoolLine(in.parts.c[k - 1].autoSelected);
  }
  record[kCapE12] = values::BoolLine(!in.anyValues);
  record[kResE24] = values::BoolLine(!in.anyValues);
  record[kAnyValues] = values::BoolLine(in.anyValues);
  record[kRippleEnabled] = values::BoolLine(in.response == kChebyshev);
}

}  // namespace kelvara::engine
