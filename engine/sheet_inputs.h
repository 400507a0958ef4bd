#pragma once

// The design inputs of a sheet as a user sees them, read from and written
// into a sheet record: what the headless designer designs from a file, and
// what the comparison of sheets evaluates without loading them into the
// window's controls.

#include <string>

#include "engine/design_types.h"
#include "values/sheet_record.h"

namespace kelvara::engine {

struct SheetInputs {
  int passKind = 0;  // 0 LPF, 1 HPF
  std::string cutoffText;
  int circuit = 0;
  int orderIndex = 0;  // order - 2
  int response = 0;    // 0 Butterworth, 1 Bessel, 2 Chebyshev
  int rippleIndex = 0;
  /// "問わない" checked; otherwise both series boxes are.
  bool anyValues = true;
  PartInputs parts;

  int Order() const { return orderIndex + 2; }
};

/// The inputs the window shows after loading the record: line 24 alone
/// decides between any values and the two series, a part is on "auto" when
/// its line is "true" and on "fix" otherwise, and the edits of the parts
/// above the order are empty. The record must pass ValidateSheetRecord.
SheetInputs InputsFromRecord(const values::SheetRecord& record);

/// The design request of a press of "定数設定" on these inputs.
DesignRequest RequestOf(const SheetInputs& inputs);

/// Writes the inputs into a record of at least 49 lines as storing the sheet
/// would: lines 0..40, and line 42 (the ripple choice is enabled exactly for
/// Chebyshev). The state lines 41 and 43..48 are left alone.
void StoreInputs(values::SheetRecord& record, const SheetInputs& inputs);

}  // namespace kelvara::engine
