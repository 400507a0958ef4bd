#pragma once

// What a sheet record must hold before it may be loaded into the controls,
// and what the user calls its lines. Shared by the window, the headless
// designer and the file reader.

#include <optional>
#include <string>

#include "values/sheet_record.h"

namespace kelvara::values {

/// Why a record cannot be loaded: the first offending line (numbered from 0
/// within the record; the record's size when lines are missing) and a short
/// Japanese description that names the item and the text found, e.g.
/// "次数「9」は 0～6 のいずれかでなければなりません".
struct RecordProblem {
  int line = 0;
  std::string text;
  bool operator==(const RecordProblem&) const = default;
};

/// Checks that loading can apply every line: at least 49 lines; lines 0, 2..5,
/// 47 and 48 decimal integers; the combo box indices within their lists
/// (pass kind 0..1, circuit 0, order 0..6, response 0..2, ripple 0). Free text
/// and boolean lines accept anything (only "true" counts as true). Lines after
/// the 49th are not looked at. Nothing when the record can be loaded.
std::optional<RecordProblem> ValidateSheetRecord(const SheetRecord& record);

/// What the user calls a line of a record, for messages: "カットオフ周波数",
/// "R3 の値", "次数" and so on; lines without a name of their own are
/// "N 行目" with N counted from 1.
std::string SheetLineName(int line);

/// The caption of a sheet's tab: "Sheet １" .. "Sheet ８" for index 0..7.
std::string SheetTabName(int sheetIndex);

}  // namespace kelvara::values
