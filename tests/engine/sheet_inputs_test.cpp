#include "engine/sheet_inputs.h"

#include <gtest/gtest.h>

#include "engine/run_checks.h"
#include "values/eng_value.h"

namespace kelvara::engine {
namespace {

using values::SheetRecord;

SheetRecord SheetWith(const std::map<int, std::string>& lines) {
  SheetRecord record = values::DefaultSheetRecord();
  for (const auto& [line, text] : lines) record[line] = text;
  return record;
}

// HPF Chebyshev order 6 on series values; R2 and C2 fixed; R7 and C8 hold
// text from an earlier, higher order.
SheetRecord Sheet() {
  return SheetWith({{0, "1"},
                    {1, "4.7k"},
                    {3, "4"},
                    {4, "2"},
                    {8, "12k"},
                    {9, "0.0047u"},
                    {18, "old"},
                    {21, "old"},
                    {22, "true"},
                    {23, "true"},
                    {24, "false"},
                    {27, "false"},
                    {28, "false"},
                    {37, "false"}});
}

TEST(SheetInputs, AreWhatOpeningTheSheetShows) {
  const SheetInputs in = InputsFromRecord(Sheet());
  EXPECT_EQ(in.passKind, 1);
  EXPECT_EQ(in.cutoffText, "4.7k");
  EXPECT_EQ(in.orderIndex, 4);
  EXPECT_EQ(in.response, 2);
  EXPECT_FALSE(in.anyValues);
  EXPECT_TRUE(in.parts.r[0].autoSelected);
  EXPECT_FALSE(in.parts.r[0].fixSelected);
  EXPECT_FALSE(in.parts.r[1].autoSelected);
  EXPECT_TRUE(in.parts.r[1].fixSelected);
  EXPECT_EQ(in.parts.r[1].text, "12k");
  EXPECT_EQ(in.parts.c[1].text, "0.0047u");
  EXPECT_TRUE(in.parts.c[1].fixSelected);
  // Parts above the order: emptied, their auto/fix choice kept.
  EXPECT_EQ(in.parts.r[6].text, "");
  EXPECT_EQ(in.parts.c[7].text, "");
  EXPECT_TRUE(in.parts.r[6].fixSelected);

  const engine::DesignRequest request = RequestOf(in);
  EXPECT_EQ(request.cutoffHz, 4700);
  EXPECT_EQ(request.Order(), 6);
  EXPECT_TRUE(request.capE12 && request.resE24 && !request.anyValues);
}

TEST(SheetInputs, TheAnyValuesLineAloneDecides) {
  struct Case {
    const char* capE12;
    const char* resE24;
    const char* any;
    bool anyValues;
  };
  for (const Case& c : {Case{"true", "false", "false", false}, Case{"false", "false", "false", false},
                        Case{"true", "true", "true", true}, Case{"false", "false", "True", false}}) {
    const SheetInputs in = InputsFromRecord(SheetWith({{22, c.capE12}, {23, c.resE24}, {24, c.any}}));
    EXPECT_EQ(in.anyValues, c.anyValues) << c.capE12 << c.resE24 << c.any;
    EXPECT_EQ(RequestOf(in).capE12, !c.anyValues);
    EXPECT_EQ(RequestOf(in).resE24, !c.anyValues);
  }
}

TEST(SheetInputs, StoringThemGivesTheRecordOfTheOpenedSheet) {
  SheetRecord stored = values::DefaultSheetRecord();
  StoreInputs(stored, InputsFromRecord(SheetWith({{3, "1"}, {4, "2"}, {22, "true"}, {24, "true"}, {14, "x"}})));
  EXPECT_EQ(stored, SheetWith({{3, "1"}, {4, "2"}, {42, "true"}}));

  SheetRecord again = Sheet();
  StoreInputs(again, InputsFromRecord(Sheet()));
  SheetRecord expected = Sheet();
  expected[18] = expected[21] = "";
  expected[42] = "true";
  EXPECT_EQ(again, expected);
}

}  // namespace
}  // namespace kelvara::engine
