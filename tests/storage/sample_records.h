#pragma once

// The sheets the storage tests write and read. The same sheets are in
// golden/generate.py, which wrote the golden files with Python's own code
// page 932 codec, so the files check the writer against an independent
// encoder.

#include <type_traits>

#include "storage/design_file.h"
#include "tests/support/sample_sheets.h"

namespace kelvara::storage::testing {

using kelvara::testing::GoldenAllSheets;
using kelvara::testing::GoldenSheet;
using kelvara::testing::RunningSheet;
using kelvara::testing::SheetWith;

static_assert(std::is_same_v<SheetRecords, decltype(GoldenAllSheets())>, "an all-sheets file holds eight sheets");

}  // namespace kelvara::storage::testing
