#include "tools/designer/delivered_record.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/run_checks.h"
#include "values/eng_value.h"

namespace kelvara::tools {
namespace {

using values::SheetRecord;

SheetRecord SheetWith(const std::map<int, std::string>& lines) {
  SheetRecord record = values::DefaultSheetRecord();
  for (const auto& [line, text] : lines) record[line] = text;
  return record;
}

TEST(DeliveredRecord, IsTheSheetARunLeavesOffScreen) {
  SheetRecord running = SheetWith({{1, "1k"},
                                   {25, "false"},
                                   {6, "4.7k"},
                                   {41, "false"},
                                   {43, "false"},
                                   {44, "true"},
                                   {45, "false"},
                                   {46, "設定中"}});
  const engine::SheetInputs in = engine::InputsFromRecord(running);
  DesignReport report;
  report.valid = true;
  report.order = 2;
  report.progress = 81;
  report.parts.r = {4700, 2200};
  report.parts.c = {1e-8, 2.2e-9};
  const SheetRecord delivered = DeliveredRecord(running, in, report);
  SheetRecord expected = running;
  expected[6] = values::FormatResistance(4700);
  expected[7] = values::FormatCapacitance(1e-8);
  expected[8] = values::FormatResistance(2200);
  expected[9] = values::FormatCapacitance(2.2e-9);
  expected[41] = "true";
  expected[43] = "true";
  expected[44] = "false";
  expected[45] = "true";
  expected[46] = "定数設定";
  expected[47] = std::to_string(engine::ProgressMaximum(2));
  expected[48] = "81";
  EXPECT_EQ(delivered, expected);
}

}  // namespace
}  // namespace kelvara::tools
