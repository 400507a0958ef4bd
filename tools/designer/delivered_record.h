#pragma once

// The record a headless run leaves, as the window's run leaves the record of
// a sheet that is not shown when it ends.

#include "engine/sheet_inputs.h"
#include "tools/designer/headless_design.h"
#include "values/sheet_record.h"

namespace kelvara::tools {

/// The record a run of these inputs leaves when it ends while another sheet
/// is shown: the sheet's inputs, the bar maximum of a valid run, then the
/// delivery of its part values, idle state and final progress. An invalid
/// run delivers whatever values it holds, as the window's run does.
values::SheetRecord DeliveredRecord(values::SheetRecord record, const engine::SheetInputs& inputs,
                                    const DesignReport& report);

}  // namespace kelvara::tools
