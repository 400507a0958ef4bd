#pragma once

// What a sheet record must hold before it may be loaded into the controls,
// and the idle look a sheet takes when it comes from a file. Plain C++ so
// that the window, the headless designer and the file reader share it.

#include <optional>
#include <string>

#include "values/sheet_record.h"

namespace kelvara::storage {

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
std::optional<RecordProblem> ValidateSheetRecord(const values::SheetRecord& record);

/// What the user calls a line of a record, for messages: "カットオフ周波数",
/// "R3 の値", "次数" and so on; lines without a name of their own are
/// "N 行目" with N counted from 1.
std::string SheetLineName(int line);

/// The caption of a sheet's tab: "Sheet １" .. "Sheet ８" for index 0..7.
std::string SheetTabName(int sheetIndex);

/// Puts a record of at least 49 lines into the look of a sheet without a
/// calculation: design inputs enabled, calculate button enabled with the
/// caption "定数設定", stop button disabled, response button enabled. The
/// ripple choice (it follows the response type when the sheet is shown) and
/// the progress bar stay as stored, as after a delivered run. A sheet saved
/// while its calculation was running has no run after opening, so opening
/// applies this to every sheet it reads.
void MakeSheetIdle(values::SheetRecord& record);

}  // namespace kelvara::storage
