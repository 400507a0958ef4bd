// The sheet records: store and load, reset, tab changes and records that
// cannot be applied.

#include <QTest>

#include "tests/app/app_test_support.h"
#include "values/sheet_record.h"

namespace kelvara::app::testing {
namespace {

using values::DefaultSheetRecord;
using values::SheetRecord;
namespace line = values::sheet_line;

using Sheets = WindowTest;

// A running sheet in an unusual but complete state.
void SetBusyDesign(TFormMain& w) {
  w.CBox_HPFLPF->setCurrentIndex(1);
  w.Edit_Frequency->setText("4.7k");
  w.CBox_Jisuu->setCurrentIndex(3);
  w.CBox_gensui->setCurrentIndex(2);
  for (int k = 0; k < 8; ++k) {
    w.groupR[k].valueEdit->setText(QStringLiteral("%1.0k").arg(k + 1));
    w.groupC[k].valueEdit->setText(QStringLiteral("0.0%1u").arg(k + 1));
  }
  w.groupR[2].fixButton->setChecked(true);
  w.groupC[6].fixButton->setChecked(true);
  w.chkBoxE12[0]->click();  // the series state
  w.DisableDesignInputs();
  w.CBox_ripple->setEnabled(true);
  w.ButtonValset->setEnabled(false);
  w.ButtonStop->setEnabled(true);
  w.ButtonFreq->setEnabled(false);
  w.ButtonValset->setText("設定中");
  w.PBar->setMaximum(240);
  w.PBar->setValue(37);
}

TEST_F(Sheets, StoreWritesTheLinesOfTheControls) {
  SetBusyDesign(W());
  SheetRecord r;
  W().StoreSheet(r);
  ASSERT_EQ(r.size(), 49u);
  EXPECT_EQ(r[line::kPassKind], "1");
  EXPECT_EQ(r[line::kCutoff], "4.7k");
  EXPECT_EQ(r[line::kOrder], "3");
  EXPECT_EQ(r[line::kResponse], "2");
  EXPECT_EQ(r[line::RValue(1)], "1.0k");
  EXPECT_EQ(r[line::CValue(8)], "0.08u");
  EXPECT_EQ(r[line::kCapE12], "true");
  EXPECT_EQ(r[line::kResE24], "true");
  EXPECT_EQ(r[line::kAnyValues], "false");
  EXPECT_EQ(r[line::RAuto(3)], "false");
  EXPECT_EQ(r[line::CAuto(7)], "false");
  EXPECT_EQ(r[line::RAuto(4)], "true");
  const char* state[] = {"false", "true", "false", "true", "false"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(r[line::kInputsEnabled + i], state[i]) << i;
  EXPECT_EQ(r[line::kValsetCaption], "設定中");
  EXPECT_EQ(r[line::kProgressMax], "240");
  EXPECT_EQ(r[line::kProgressPos], "37");
}

TEST_F(Sheets, StoreThenLoadReproducesEveryControl) {
  SetBusyDesign(W());
  SheetRecord busy;
  W().StoreSheet(busy);
  W().ResetSheet();
  SheetRecord reset;
  W().StoreSheet(reset);
  EXPECT_NE(reset, busy);
  W().LoadSheet(busy);
  SheetRecord again;
  W().StoreSheet(again);
  EXPECT_EQ(again, busy);
  EXPECT_FALSE(W().ButtonValset->isEnabled());
  EXPECT_TRUE(W().ButtonStop->isEnabled());
  EXPECT_FALSE(W().ButtonFreq->isEnabled());
  EXPECT_FALSE(W().CBox_Jisuu->isEnabled());
  EXPECT_FALSE(W().groupC[7].valueEdit->isEnabled());
  EXPECT_EQ(W().ButtonValset->text(), "設定中");
  EXPECT_EQ(W().PBar->value(), 37) << "set again after the text changes reset it";
}

TEST_F(Sheets, StoreReadsTheOwnStateWhileTheTabsAreLocked) {
  W().TabDesign->setEnabled(false);
  SheetRecord r;
  W().StoreSheet(r);
  EXPECT_EQ(r, DefaultSheetRecord());
}

TEST_F(Sheets, ResetGivesTheNewSheetStateAndKeepsTheBarMaximum) {
  SetBusyDesign(W());
  W().CBox_ripple->setCurrentIndex(-1);
  W().ResetSheet();
  SheetRecord r;
  W().StoreSheet(r);
  SheetRecord expected = DefaultSheetRecord();
  expected[line::kRippleEnabled] = "true";  // untouched by the reset
  expected[line::kProgressMax] = "240";
  EXPECT_EQ(r, expected);
}

struct SwitchCase {
  const char* capE12;
  const char* resE24;
  const char* anyValues;
  bool anyValuesState;
};

class SeriesLines : public WindowTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SeriesLines, TheLastLineDecidesTheSwitch) {
  for (bool startInSeries : {false, true}) {
    if (startInSeries != !W().CBox_NoProblem->isChecked()) W().CBox_NoProblem->click();
    SheetRecord r = DefaultSheetRecord();
    r[line::kCapE12] = GetParam().capE12;
    r[line::kResE24] = GetParam().resE24;
    r[line::kAnyValues] = GetParam().anyValues;
    W().LoadSheet(r);
    EXPECT_EQ(W().CBox_NoProblem->isChecked(), GetParam().anyValuesState);
    EXPECT_EQ(W().chkBoxE12[0]->isChecked(), !GetParam().anyValuesState);
    EXPECT_EQ(W().chkBoxE12[1]->isChecked(), !GetParam().anyValuesState);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines22To24, SeriesLines,
    ::testing::Values(SwitchCase{"true", "false", "false", false}, SwitchCase{"false", "false", "false", false},
                      SwitchCase{"true", "true", "true", true}, SwitchCase{"false", "false", "true", true},
                      SwitchCase{"true", "true", "false", false}, SwitchCase{"false", "false", "True", false},
                      SwitchCase{"false", "false", "TRUE", false}));

TEST_F(Sheets, OnlyTheExactTextTrueIsTrue) {
  SheetRecord r = DefaultSheetRecord();
  r[line::RAuto(1)] = "True";
  r[line::CAuto(2)] = "true ";
  r[line::kInputsEnabled] = "TRUE";
  r[line::kValsetEnabled] = "yes";
  W().LoadSheet(r);
  EXPECT_TRUE(W().groupR[0].fixButton->isChecked());
  EXPECT_TRUE(W().groupC[1].fixButton->isChecked());
  EXPECT_TRUE(W().groupR[1].autoButton->isChecked());
  EXPECT_FALSE(W().CBox_HPFLPF->isEnabled());
  EXPECT_FALSE(W().ButtonValset->isEnabled());
}

TEST_F(Sheets, LeavingAndReturningRestoresTextsExactlyAsTyped) {
  W().show();
  QTest::keyClicks(W().Edit_Frequency, "4.7k");
  QTest::keyClicks(W().groupR[0].valueEdit, "1.50k");
  W().groupC[0].fixButton->click();
  SelectTab(2);
  EXPECT_EQ(W().TabDesign->TabIndex(), 2);
  EXPECT_EQ(W().sheets[0][line::kCutoff], "4.7k");
  EXPECT_EQ(W().sheets[0][line::RValue(1)], "1.50k");
  EXPECT_TRUE(W().Edit_Frequency->text().isEmpty()) << "sheet 3 is still the default design";
  EXPECT_TRUE(W().groupC[0].autoButton->isChecked());
  SelectTab(0);
  EXPECT_EQ(W().Edit_Frequency->text(), "4.7k");
  EXPECT_EQ(W().groupR[0].valueEdit->text(), "1.50k");
  EXPECT_TRUE(W().groupC[0].fixButton->isChecked());
  EXPECT_TRUE(errors.Errors().empty());
}

TEST_F(Sheets, AClickOnATabSwitchesTheSheet) {
  W().show();
  W().Edit_Frequency->setText("100");
  QTabBar* tabs = W().TabDesign->Tabs();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(5).center());
  EXPECT_EQ(W().TabDesign->TabIndex(), 5);
  EXPECT_EQ(W().sheets[0][line::kCutoff], "100");
  EXPECT_TRUE(W().Edit_Frequency->text().isEmpty());
}

TEST_F(Sheets, EverySheetStartsAsTheDefaultDesign) {
  SheetRecord first;
  W().StoreSheet(first);
  for (int t = 1; t < 8; ++t) {
    SelectTab(t);
    SheetRecord shown;
    W().StoreSheet(shown);
    EXPECT_EQ(shown, first) << t;
  }
}

TEST_F(Sheets, SelectingATabFromCodeSwapsNothing) {
  W().Edit_Frequency->setText("123");
  W().TabDesign->SetTabIndex(3);
  EXPECT_EQ(W().Edit_Frequency->text(), "123");
  EXPECT_EQ(W().sheets[0], DefaultSheetRecord());
}

TEST_F(Sheets, AfterATabChangeThePartsAboveTheOrderAreEmpty) {
  SheetRecord r = DefaultSheetRecord();
  r[line::kOrder] = "1";  // ３次
  r[line::RValue(5)] = "1k";
  r[line::CValue(4)] = "1n";
  r[line::RValue(3)] = "3k";
  W().sheets[4] = r;
  SelectTab(4);
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(3));
  EXPECT_EQ(W().groupR[2].valueEdit->text(), "3k");
  EXPECT_TRUE(W().groupR[4].valueEdit->text().isEmpty());
  EXPECT_TRUE(W().groupC[3].valueEdit->text().isEmpty());
  EXPECT_EQ(W().sheets[4][line::RValue(5)], "1k") << "the record keeps them until stored";
  EXPECT_EQ(W().lastOrderIndex, 1);
  EXPECT_TRUE(ShowsPicture("LPF_3.jpg"));
}

TEST_F(Sheets, ALoadedSheetShowsItsOwnRippleStateGroupsAndPicture) {
  SheetRecord r = DefaultSheetRecord();
  r[line::kPassKind] = "1";
  r[line::kOrder] = "6";
  r[line::kResponse] = "2";
  W().sheets[1] = r;
  SelectTab(1);
  EXPECT_TRUE(W().CBox_ripple->isEnabled()) << "the ripple rule follows the load";
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(8));
  EXPECT_TRUE(ShowsPicture("HPF_8.jpg"));
  SelectTab(0);
  EXPECT_FALSE(W().CBox_ripple->isEnabled());
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(2));
  EXPECT_TRUE(ShowsPicture("LPF_2.jpg"));
}

TEST_F(Sheets, AnEmptyRecordResetsTheControls) {
  SetBusyDesign(W());
  W().sheets[6].clear();
  SelectTab(6);
  SheetRecord shown;
  W().StoreSheet(shown);
  SheetRecord expected = DefaultSheetRecord();
  expected[line::kProgressMax] = "240";
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(2));
  EXPECT_TRUE(errors.Errors().empty());
}

struct BadRecord {
  const char* what;
  std::function<void(SheetRecord&)> spoil;
  const char* error;
};

class BadRecords : public WindowTest, public ::testing::WithParamInterface<BadRecord> {};

TEST_P(BadRecords, AreReportedAndEndTheLoad) {
  W().Edit_Frequency->setText("keep");
  SheetRecord r = DefaultSheetRecord();
  r[line::kCutoff] = "2.2k";
  GetParam().spoil(r);
  W().sheets[3] = r;
  SelectTab(3);
  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_EQ(errors.Errors()[0].toStdString(), GetParam().error);
  EXPECT_EQ(W().TabDesign->TabIndex(), 3);
  EXPECT_EQ(W().sheets[0][line::kCutoff], "keep") << "the sheet left was stored";
  // The program goes on: the next switch works.
  errors.Clear();
  SelectTab(0);
  EXPECT_TRUE(errors.Errors().empty());
  EXPECT_EQ(W().Edit_Frequency->text(), "keep");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadRecords,
    ::testing::Values(BadRecord{"short", [](SheetRecord& r) { r.resize(10); }, "シートの記録に 10 行目がありません。"},
                      BadRecord{"one line", [](SheetRecord& r) { r.resize(1); }, "シートの記録に 1 行目がありません。"},
                      BadRecord{"no position", [](SheetRecord& r) { r.resize(48); },
                                "シートの記録に 48 行目がありません。"},
                      BadRecord{"order text", [](SheetRecord& r) { r[line::kOrder] = "x"; },
                                "シートの記録の 3 行目 'x' は整数ではありません。"},
                      BadRecord{"maximum text", [](SheetRecord& r) { r[line::kProgressMax] = "1e2"; },
                                "シートの記録の 47 行目 '1e2' は整数ではありません。"},
                      BadRecord{"kind out of range", [](SheetRecord& r) { r[line::kPassKind] = "3"; },
                                "シートの記録の 0 行目 '3' は項目番号の範囲（0～2）を外れています。"},
                      BadRecord{"band-pass without its lines", [](SheetRecord& r) { r[line::kPassKind] = "2"; },
                                "行が足りません（54 行のうち 49 行しかありません）"},
                      BadRecord{"order out of range", [](SheetRecord& r) { r[line::kOrder] = "7"; },
                                "シートの記録の 3 行目 '7' は項目番号の範囲（0～6）を外れています。"},
                      BadRecord{"no order", [](SheetRecord& r) { r[line::kOrder] = "-1"; },
                                "シートの記録の 3 行目 '-1' は項目番号の範囲（0～6）を外れています。"},
                      BadRecord{"response out of range", [](SheetRecord& r) { r[line::kResponse] = "5"; },
                                "シートの記録の 4 行目 '5' は項目番号の範囲（0～4）を外れています。"}));

TEST_F(Sheets, AShortRecordKeepsWhatWasAlreadyApplied) {
  SheetRecord r = DefaultSheetRecord();
  r[line::kPassKind] = "1";
  r[line::kCutoff] = "10k";
  r[line::RValue(1)] = "1k";
  r.resize(line::RValue(2));
  W().groupC[0].valueEdit->setText("old");
  W().groupR[1].valueEdit->setText("old");
  EXPECT_THROW(W().LoadSheet(r), KelvaraError);
  EXPECT_EQ(W().CBox_HPFLPF->currentIndex(), 1);
  EXPECT_EQ(W().Edit_Frequency->text(), "10k");
  EXPECT_EQ(W().groupR[0].valueEdit->text(), "1k");
  EXPECT_TRUE(W().groupC[0].valueEdit->text().isEmpty());
  EXPECT_EQ(W().groupR[1].valueEdit->text(), "old");
}

TEST_F(Sheets, ARippleWithoutSelectionIsAccepted) {
  SheetRecord r = DefaultSheetRecord();
  r[line::kRipple] = "-1";
  W().sheets[2] = r;
  SelectTab(2);
  EXPECT_TRUE(errors.Errors().empty());
  EXPECT_EQ(W().CBox_ripple->currentIndex(), -1);
}

TEST_F(Sheets, TheBarPositionIsKeptInsideItsRange) {
  SheetRecord r = DefaultSheetRecord();
  r[line::kProgressMax] = "80";
  r[line::kProgressPos] = "500";
  W().LoadSheet(r);
  EXPECT_EQ(W().PBar->maximum(), 80);
  EXPECT_EQ(W().PBar->value(), 80);
  r[line::kProgressMax] = "-5";
  r[line::kProgressPos] = "3";
  W().LoadSheet(r);
  EXPECT_EQ(W().PBar->minimum(), 0);
  EXPECT_EQ(W().PBar->maximum(), 0);
}

}  // namespace
}  // namespace kelvara::app::testing
