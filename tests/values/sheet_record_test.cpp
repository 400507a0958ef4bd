#include "values/sheet_record.h"

#include <gtest/gtest.h>

namespace kelvara::values {
namespace {

TEST(SheetRecord, DefaultRecordIsTheStartUpSheet) {
  const SheetRecord r = DefaultSheetRecord();
  ASSERT_EQ(r.size(), 49u);
  EXPECT_EQ(r[0], "0");
  EXPECT_EQ(r[1], "");
  for (int i = 2; i <= 5; ++i) EXPECT_EQ(r[i], "0") << i;
  for (int i = 6; i <= 21; ++i) EXPECT_EQ(r[i], "") << i;
  EXPECT_EQ(r[22], "false");
  EXPECT_EQ(r[23], "false");
  EXPECT_EQ(r[24], "true");
  for (int i = 25; i <= 40; ++i) EXPECT_EQ(r[i], "true") << i;
  const char* state[] = {"true", "false", "true", "false", "true"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(r[41 + i], state[i]);
  EXPECT_EQ(r[46], "定数設定");
  EXPECT_EQ(r[47], "100");
  EXPECT_EQ(r[48], "0");
}

TEST(SheetRecord, LineNumbersOfParts) {
  using namespace sheet_line;
  EXPECT_EQ(RValue(1), 6);
  EXPECT_EQ(CValue(1), 7);
  EXPECT_EQ(RValue(8), 20);
  EXPECT_EQ(CValue(8), 21);
  EXPECT_EQ(RAuto(1), 25);
  EXPECT_EQ(CAuto(8), 40);
}

TEST(SheetRecord, OnlyExactTrueIsTrue) {
  EXPECT_TRUE(LineIsTrue("true"));
  for (const char* s : {"True", "TRUE", "true ", " true", "1", "yes", ""}) EXPECT_FALSE(LineIsTrue(s)) << s;
}

TEST(SheetRecord, RecordIntegers) {
  EXPECT_EQ(ParseRecordInt("320"), 320);
  EXPECT_EQ(ParseRecordInt("-1"), -1);
  EXPECT_EQ(ParseRecordInt("+3"), 3);
  for (const char* s : {"", "abc", "1.5", " 1", "1 ", "+", "-", "+-3", "99999999999", "0x10"}) {
    EXPECT_FALSE(ParseRecordInt(s).has_value()) << s;
  }
}

}  // namespace
}  // namespace kelvara::values
