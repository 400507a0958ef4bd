#include "values/sheet_checks.h"

#include <gtest/gtest.h>

#include "tests/support/sample_sheets.h"

namespace kelvara::values {
namespace {

using testing::SheetWith;
using values::MakeSheetIdle;
using values::RecordProblem;
using values::SheetLineName;
using values::SheetTabName;
using values::ValidateSheetRecord;

TEST(ValidateSheetRecord, AcceptsWhatTheControlsCanHold) {
  EXPECT_FALSE(ValidateSheetRecord(values::DefaultSheetRecord()));
  for (const values::SheetRecord& record : testing::GoldenAllSheets()) EXPECT_FALSE(ValidateSheetRecord(record));
  // Every index of every list, free text anywhere else and any boolean text.
  EXPECT_FALSE(ValidateSheetRecord(SheetWith({{0, "1"}, {3, "6"}, {4, "2"}, {47, "+5"}, {48, "-3"}})));
  EXPECT_FALSE(ValidateSheetRecord(SheetWith({{1, "abc"}, {22, "TRUE"}, {41, ""}, {46, "何でも"}})));
  // Lines after the 49th are not looked at.
  values::SheetRecord longer = values::DefaultSheetRecord();
  longer.push_back("not a sheet line");
  EXPECT_FALSE(ValidateSheetRecord(longer));
}

struct BadLineCase {
  int line;
  const char* text;
  const char* problem;
};

void PrintTo(const BadLineCase& c, std::ostream* os) { *os << "line " << c.line << " \"" << c.text << '"'; }

class ValidateSheetRecordBadLine : public ::testing::TestWithParam<BadLineCase> {};

INSTANTIATE_TEST_SUITE_P(Lines, ValidateSheetRecordBadLine,
                         ::testing::Values(BadLineCase{0, "2", "通過特性「2」は 0～1 のいずれかでなければなりません"},
                                           BadLineCase{0, "-1", "通過特性「-1」は 0～1 のいずれかでなければなりません"},
                                           BadLineCase{0, "LPF", "通過特性「LPF」は整数ではありません"},
                                           BadLineCase{2, "1", "回路方式「1」は 0 でなければなりません"},
                                           BadLineCase{3, "7", "次数「7」は 0～6 のいずれかでなければなりません"},
                                           BadLineCase{3, "", "次数「」は整数ではありません"},
                                           BadLineCase{3, " 3", "次数「 3」は整数ではありません"},
                                           BadLineCase{4, "5", "減衰特性「5」は 0～4 のいずれかでなければなりません"},
                                           BadLineCase{5, "8", "リプル「8」は 0～7 のいずれかでなければなりません"},
                                           BadLineCase{47, "1.5", "進捗の最大値「1.5」は整数ではありません"},
                                           BadLineCase{48, "99999999999",
                                                       "進捗の位置「99999999999」は整数ではありません"},
                                           BadLineCase{48, "0123456789abcdefghijklmn",
                                                       "進捗の位置「0123456789abcdefghij…」は整数ではありません"}));

TEST_P(ValidateSheetRecordBadLine, NamesTheLineAndTheText) {
  const std::optional<RecordProblem> problem = ValidateSheetRecord(SheetWith({{GetParam().line, GetParam().text}}));
  ASSERT_TRUE(problem.has_value());
  EXPECT_EQ(*problem, (RecordProblem{GetParam().line, GetParam().problem}));
}

TEST(ValidateSheetRecord, ReportsTheFirstBadLineAndMissingLines) {
  EXPECT_EQ(ValidateSheetRecord(SheetWith({{48, "x"}, {4, "9"}}))->line, 4);
  values::SheetRecord shorter = values::DefaultSheetRecord();
  shorter.resize(48);
  EXPECT_EQ(ValidateSheetRecord(shorter), (RecordProblem{48, "行が足りません（49 行のうち 48 行しかありません）"}));
  EXPECT_EQ(ValidateSheetRecord({})->line, 0);
}

TEST(MakeSheetIdle, TurnsTheRunningLookIntoTheIdleLook) {
  values::SheetRecord record = testing::RunningSheet();
  MakeSheetIdle(record);
  values::SheetRecord expected = testing::RunningSheet();
  expected[41] = "true";
  expected[43] = "true";
  expected[44] = "false";
  expected[45] = "true";
  expected[46] = "定数設定";
  EXPECT_EQ(record, expected);  // ripple state and bar kept

  values::SheetRecord idle = testing::GoldenSheet();
  MakeSheetIdle(idle);
  EXPECT_EQ(idle, testing::GoldenSheet());

  values::SheetRecord shorter(10, "x");
  MakeSheetIdle(shorter);
  EXPECT_EQ(shorter, values::SheetRecord(10, "x"));
}

TEST(SheetLineName, NamesTheLinesUsersKnow) {
  EXPECT_EQ(SheetLineName(1), "カットオフ周波数");
  EXPECT_EQ(SheetLineName(6), "R1 の値");
  EXPECT_EQ(SheetLineName(11), "C3 の値");
  EXPECT_EQ(SheetLineName(21), "C8 の値");
  EXPECT_EQ(SheetLineName(3), "次数");
  EXPECT_EQ(SheetLineName(40), "C8 の auto/fix");
  EXPECT_EQ(SheetLineName(46), "定数設定ボタンの表示");
  EXPECT_EQ(SheetLineName(43), "44 行目");
  EXPECT_EQ(SheetTabName(0), "Sheet １");
  EXPECT_EQ(SheetTabName(7), "Sheet ８");
}

}  // namespace
}  // namespace kelvara::values
