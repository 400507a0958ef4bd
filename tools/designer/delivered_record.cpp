#include "tools/designer/delivered_record.h"

#include "engine/run_checks.h"

namespace kelvara::tools {

using namespace values::sheet_line;

values::SheetRecord DeliveredRecord(values::SheetRecord record, const engine::SheetInputs& inputs,
                                    const DesignReport& report) {
  engine::StoreInputs(record, inputs);
  // A valid run set the bar maximum while its sheet was shown; storing the
  // sheet when the user left it kept that maximum in the record.
  if (report.valid) record[kProgressMax] = std::to_string(engine::ProgressMaximum(report.order));
  engine::DeliverToRecord(record, report.parts, report.order, report.progress);
  return record;
}

}  // namespace kelvara::tools
