#include "engine/run_checks.h"

#include <gtest/gtest.h>

#include <limits>

#include "tests/support/recording_run.h"
#include "values/sheet_record.h"

namespace kelvara::engine {
namespace {

using kelvara::testing::RecordedWarning;
using kelvara::testing::RecordingRun;

struct CutoffCase {
  const char* text;
  bool ok;
};

class CutoffTest : public ::testing::TestWithParam<CutoffCase> {};

TEST_P(CutoffTest, RangeIsOneHertzTo100MHz) {
  const CutoffCase& c = GetParam();
  RecordingRun run;
  const DesignRequest r = MakeDesignRequest({.cutoffText = c.text, .anyValues = true});
  EXPECT_EQ(CheckCutoff(run, r.cutoffHz), c.ok) << c.text;
  if (c.ok) {
    EXPECT_TRUE(run.warnings.empty());
  } else {
    ASSERT_EQ(run.warnings.size(), 1u);
    EXPECT_EQ(run.warnings[0], (RecordedWarning{"不正な数値", "カットオフ周波数の範囲は、１～１００ＭＨｚ です。"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CutoffTest,
                         ::testing::Values(CutoffCase{"", false}, CutoffCase{"abc", false}, CutoffCase{"0", false},
                                           CutoffCase{"100.1M", false}, CutoffCase{"0.999", false},
                                           CutoffCase{"-1k", false}, CutoffCase{"1", true}, CutoffCase{"100M", true},
                                           CutoffCase{"4.7k", true}));

TEST(RunChecks, NotANumberFailsTheRange) {
  RecordingRun run;
  EXPECT_FALSE(CheckCutoff(run, std::numeric_limits<double>::quiet_NaN()));
}

PartInputs Inputs() { return PartInputs{}; }

void Fix(PartInput& p, const char* text) {
  p.text = text;
  p.autoSelected = false;
  p.fixSelected = true;
}

TEST(RunChecks, CaptureTakesValuesOfFixedPartsOnly) {
  PartInputs in = Inputs();
  in.r[0].text = "4.7k";  // auto: ignored
  Fix(in.c[0], "10n");
  Fix(in.r[2], "abc");
  Fix(in.r[5], "1k");  // above the order
  const ComponentSet p = CaptureComponentSet(in, 4);
  EXPECT_EQ(p.r[0], 0);
  EXPECT_TRUE(p.rAuto[0]);
  EXPECT_EQ(p.c[0], 10 * 1e-9);
  EXPECT_TRUE(p.cFixed[0]);
  EXPECT_EQ(p.r[2], 0);
  EXPECT_TRUE(p.rFixed[2]);
  EXPECT_EQ(p.r[5], 0);
  EXPECT_FALSE(p.rFixed[5]);
}

TEST(RunChecks, EveryFixedPartWithoutValueHasItsOwnBoxRBeforeC) {
  PartInputs in = Inputs();
  Fix(in.r[0], "");
  Fix(in.c[0], "");
  Fix(in.r[2], "-1");
  Fix(in.c[3], "0");
  Fix(in.c[1], "47n");
  RecordingRun run;
  EXPECT_FALSE(CheckFixedParts(run, CaptureComponentSet(in, 4), 4));
  const std::vector<RecordedWarning> expected = {
      {"R1 の不正な値", "autoにするか抵抗値を設定下さい。"},
      {"C1 の不正な値", "autoにするか静電容量値を設定下さい。"},
      {"R3 の不正な値", "autoにするか抵抗値を設定下さい。"},
      {"C4 の不正な値", "autoにするか静電容量値を設定下さい。"},
  };
  EXPECT_EQ(run.warnings, expected);
}

TEST(RunChecks, ProgressMaximumPerOrder) {
  const int maxima[] = {80, 160, 160, 240, 240, 320, 320};
  for (int order = 2; order <= 8; ++order) {
    EXPECT_EQ(ProgressMaximum(order), maxima[order - 2]);
    EXPECT_EQ(ProgressMaximum(order) / 100, (order + 1) / 2 - 1);
  }
}

TEST(RunChecks, ValidOrder8RunStartsAt3AndShows4) {
  RecordingRun run;
  run.progress = ProgressMaximum(8) / 100;
  run.StepProgress();
  EXPECT_EQ(run.shown, std::vector<int>{4});
}

TEST(RunChecks, DeliveryIntoARecordReplacesValuesAndState) {
  values::SheetRecord record = values::DefaultSheetRecord();
  record[values::sheet_line::RValue(5)] = "keep";
  record[values::sheet_line::kInputsEnabled] = "false";
  record[values::sheet_line::kValsetEnabled] = "false";
  record[values::sheet_line::kStopEnabled] = "true";
  record[values::sheet_line::kFreqEnabled] = "false";
  record[values::sheet_line::kValsetCaption] = "設定中";
  record[values::sheet_line::kProgressMax] = "160";
  ComponentSet parts;
  parts.r = {4700, 47000, 1e6, 100};
  parts.c = {2.2e-8, 4.7e-9, 1e-7, 0};
  DeliverToRecord(record, parts, 4, 161);
  EXPECT_EQ(record[6], "4.70k");
  EXPECT_EQ(record[7], "0.022u");
  EXPECT_EQ(record[8], "47.00k");
  EXPECT_EQ(record[9], "4700p");
  EXPECT_EQ(record[10], "1.00M");
  EXPECT_EQ(record[11], "0.1u");
  EXPECT_EQ(record[12], "100.00");
  EXPECT_EQ(record[13], "0p");
  EXPECT_EQ(record[14], "keep");  // parts above the order stay
  EXPECT_EQ(record[41], "true");
  EXPECT_EQ(record[43], "true");
  EXPECT_EQ(record[44], "false");
  EXPECT_EQ(record[45], "true");
  EXPECT_EQ(record[46], "定数設定");
  EXPECT_EQ(record[47], "160");  // the maximum stored when the user left
  EXPECT_EQ(record[48], "161");
}

TEST(RunChecks, DeliveryCompletesAShortRecord) {
  values::SheetRecord record = {"1", "2k"};
  ComponentSet parts;
  parts.r = {100, 200};
  parts.c = {1e-9, 2e-9};
  DeliverToRecord(record, parts, 2, 81);
  ASSERT_EQ(record.size(), 49u);
  EXPECT_EQ(record[0], "1");
  EXPECT_EQ(record[1], "2k");
  EXPECT_EQ(record[6], "100.00");
  EXPECT_EQ(record[48], "81");
  EXPECT_EQ(record[47], "100");
}

}  // namespace
}  // namespace kelvara::engine
