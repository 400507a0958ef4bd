#pragma once

// The design inputs of a sheet as a user sees them, read from and written
// into a sheet record, so that the headless designer can design the sheet a
// design file holds and write its result back as a sheet.

#include <string>

#include "engine/design_types.h"
#include "tools/designer/headless_design.h"
#include "values/sheet_record.h"

namespace kelvara::tools {

struct SheetInputs {
  int passKind = 0;  // 0 LPF, 1 HPF
  std::string cutoffText;
  int circuit = 0;
  int orderIndex = 0;  // order - 2
  int response = 0;    // 0 Butterworth, 1 Bessel, 2 Chebyshev
  int rippleIndex = 0;
  /// "問わない" checked; otherwise both series boxes are.
  bool anyValues = true;
  engine::PartInputs parts;

  int Order() const { return orderIndex + 2; }
};

/// The inputs the window shows after loading the record: line 24 alone
/// decides between any values and the two series, a part is on "auto" when
/// its line is "true" and on "fix" otherwise, and the edits of the parts
/// above the order are empty. The record must pass ValidateSheetRecord.
SheetInputs InputsFromRecord(const values::SheetRecord& record);

/// The design request of a press of "定数設定" on these inputs.
engine::DesignRequest RequestOf(const SheetInputs& inputs);

/// Writes the inputs into a record of at least 49 lines as storing the sheet
/// would: lines 0..40, and line 42 (the ripple choice is enabled exactly for
/// Chebyshev). The state lines 41 and 43..48 are left alone.
void StoreInputs(values::SheetRecord& record, const SheetInputs& inputs);

/// The record a valid run of these inputs leaves when it ends while another
/// sheet is shown: the sheet's inputs, the run's bar maximum, then the
/// delivery of its part values, idle state and final progress.
values::SheetRecord DeliveredRecord(values::SheetRecord record, const SheetInputs& inputs, const DesignReport& report);

}  // namespace kelvara::tools
