// The main window right after start-up: its controls, the part grid, the
// comparison rows, the default sheets and the settings applied when shown.

#include <qcustomplot.h>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QProgressBar>

#include "tests/app/app_test_support.h"
#include "values/sheet_record.h"

namespace kelvara::app::testing {
namespace {

using StartUp = WindowTest;

TEST_F(StartUp, EveryNamedControlExists) {
  const char* names[] = {"TabDesign",
                         "Label2",
                         "CBox_HPFLPF",
                         "Label3",
                         "Edit_Frequency",
                         "Label4",
                         "Label5",
                         "CBox_Circuit",
                         "Label6",
                         "CBox_Jisuu",
                         "Label7",
                         "CBox_gensui",
                         "Label_ripple",
                         "CBox_ripple",
                         "GBox_E12",
                         "Label8",
                         "Label9",
                         "CBox_NoProblem",
                         "ButtonValset",
                         "PBar",
                         "ButtonStop",
                         "ButtonFreq",
                         "PanelHikaku",
                         "Label33",
                         "Label14",
                         "ButtonFreq8",
                         "PageControl1",
                         "TabSheet_manual",
                         "TabSheet_f_Toku",
                         "Image1",
                         "Chart1",
                         "CBox_YBig",
                         "CBox_Ysmall",
                         "CBox_XBig",
                         "CBox_Xsmall",
                         "MainMenu1",
                         "menuOpenFile",
                         "menuOpenFileAll",
                         "menuSaveFile",
                         "menuSaveFileAll",
                         "menuAboutUseTorisetsu",
                         "menuVerHelp",
                         "ColorDialog1",
                         "PopupMenu1",
                         "PopUP_color",
                         "chkBoxE12_0",
                         "chkBoxE12_1",
                         "groupR1_valueEdit",
                         "groupC8_fixButton",
                         "groupR5_unitLabel",
                         "CBox_Sheet8",
                         "Edit_Cutoff1",
                         "Label_Hz8"};
  EXPECT_EQ(W().objectName(), "FormMain");
  for (const char* name : names) EXPECT_NE(W().findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
  EXPECT_EQ(W().windowTitle(), "Kelvara 2");
}

TEST_F(StartUp, ThreeAreas) {
  EXPECT_EQ(W().TabDesign->geometry(), QRect(0, 0, 585, 361));
  EXPECT_EQ(W().PanelHikaku->geometry(), QRect(592, 0, 201, 361));
  EXPECT_EQ(W().PageControl1->geometry(), QRect(0, 368, 793, 249));
  EXPECT_EQ(W().Image1->size(), QSize(715, 210));
  EXPECT_EQ(W().Chart1->geometry(), QRect(104, 0, 681, 225));
  EXPECT_EQ(W().PageControl1->currentWidget(), W().TabSheet_f_Toku);
  EXPECT_EQ(W().PageControl1->tabText(0), "回路");
  EXPECT_EQ(W().PageControl1->tabText(1), "ｆ特");
}

TEST_F(StartUp, PartGridOfFourRows) {
  for (int k = 0; k < 8; ++k) {
    const int row = k % 4;
    const int top = 96 + 64 * row;
    const bool upper = k >= 4;
    const PartGroup& r = W().groupR[k];
    const PartGroup& c = W().groupC[k];
    EXPECT_EQ(r.box->parentWidget(), W().TabDesign);
    EXPECT_EQ(r.box->geometry(), QRect(upper ? 248 : 16, top, 100, 60)) << "R" << k + 1;
    EXPECT_EQ(c.box->geometry(), QRect(upper ? 352 : 120, top, 105, 60)) << "C" << k + 1;
    EXPECT_EQ(r.box->title(), QStringLiteral("R%1").arg(k + 1));
    EXPECT_EQ(c.box->title(), QStringLiteral("C%1").arg(k + 1));
    EXPECT_EQ(r.valueEdit->geometry(), QRect(8, 20, 70, 21));
    EXPECT_EQ(c.valueEdit->geometry(), QRect(8, 20, 75, 21));
    EXPECT_EQ(r.unitLabel->text(), "Ω");
    EXPECT_EQ(c.unitLabel->text(), "F");
    EXPECT_EQ(r.unitLabel->geometry(), QRect(80, 24, 16, 15));
    EXPECT_EQ(c.unitLabel->geometry(), QRect(85, 24, 16, 15));
    for (const PartGroup* g : {&r, &c}) {
      EXPECT_EQ(g->autoButton->text(), "auto");
      EXPECT_EQ(g->fixButton->text(), "fix");
      EXPECT_EQ(g->autoButton->geometry(), QRect(8, 41, 45, 17));
      EXPECT_EQ(g->fixButton->geometry(), QRect(56, 41, 40, 17));
      EXPECT_TRUE(g->autoButton->isChecked());
      EXPECT_FALSE(g->fixButton->isChecked());
      EXPECT_TRUE(g->valueEdit->text().isEmpty());
      EXPECT_TRUE(g->box->isEnabled());
    }
  }
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(2));
}

TEST_F(StartUp, ComparisonRowsUseAsciiDigits) {
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(W().CBox_Sheet[i]->text(), QStringLiteral("Sheet %1").arg(i + 1));
    EXPECT_EQ(W().CBox_Sheet[i]->geometry(), QRect(10, 60 + 25 * i, 100, 17));
    EXPECT_FALSE(W().CBox_Sheet[i]->isChecked());
    EXPECT_EQ(W().Edit_Cutoff[i]->geometry(), QRect(90, 58 + 25 * i, 80, 18));
    EXPECT_TRUE(W().Edit_Cutoff[i]->text().isEmpty());
    EXPECT_EQ(W().Label_Hz[i]->geometry(), QRect(172, 62 + 25 * i, 18, 15));
    EXPECT_EQ(W().Label_Hz[i]->text(), "Hz");
    EXPECT_EQ(W().CBox_Sheet[i]->parentWidget(), W().PanelHikaku);
  }
  const QString fullWidth[] = {"Sheet １", "Sheet ２", "Sheet ３", "Sheet ４",
                               "Sheet ５", "Sheet ６", "Sheet ７", "Sheet ８"};
  ASSERT_EQ(W().TabDesign->Tabs()->count(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(W().TabDesign->Tabs()->tabText(i), fullWidth[i]);
  EXPECT_EQ(W().TabDesign->TabIndex(), 0);
}

TEST_F(StartUp, DesignControlsStartAsANewSheet) {
  EXPECT_EQ(W().CBox_HPFLPF->currentText(), "LPF");
  EXPECT_EQ(W().CBox_Circuit->currentText(), "サレン・キー（VCVS）");
  EXPECT_EQ(W().CBox_Jisuu->currentText(), "２次");
  EXPECT_EQ(W().CBox_Jisuu->count(), 7);
  EXPECT_EQ(W().CBox_gensui->currentText(), "バターワース");
  EXPECT_EQ(W().CBox_ripple->currentText(), "0.25dB");
  EXPECT_FALSE(W().CBox_ripple->isEnabled());
  EXPECT_FALSE(W().Label_ripple->isEnabled());
  EXPECT_TRUE(W().CBox_NoProblem->isChecked());
  EXPECT_FALSE(W().chkBoxE12[0]->isChecked());
  EXPECT_FALSE(W().chkBoxE12[1]->isChecked());
  EXPECT_EQ(W().chkBoxE12[0]->text(), "ＣはE12系列");
  EXPECT_EQ(W().chkBoxE12[1]->text(), "ＲはE24系列");
  EXPECT_EQ(W().chkBoxE12[1]->geometry().topLeft(), QPoint(8, 56));
  EXPECT_EQ(W().ButtonValset->text(), "定数設定");
  EXPECT_FALSE(W().ButtonStop->isEnabled());
  EXPECT_EQ(W().PBar->minimum(), 0);
  EXPECT_EQ(W().PBar->maximum(), 100);
  EXPECT_EQ(W().PBar->value(), 0);
  EXPECT_EQ(W().Edit_Frequency->toolTip(), "1000=1k, 1000k=1M, 1000M=1G");
  EXPECT_EQ(W().lastOrderIndex, 0);
  for (const auto& record : W().sheets) EXPECT_EQ(record, values::DefaultSheetRecord());
  EXPECT_TRUE(ShowsPicture("LPF_2.jpg"));
  EXPECT_TRUE(errors.Errors().empty());
}

TEST_F(StartUp, AxisChoicesAsCreated) {
  EXPECT_TRUE(W().CBox_YBig->isEditable());
  EXPECT_TRUE(W().CBox_Ysmall->isEditable());
  EXPECT_FALSE(W().CBox_XBig->isEditable());
  EXPECT_FALSE(W().CBox_Xsmall->isEditable());
  EXPECT_EQ(W().CBox_YBig->count(), 3);
  EXPECT_EQ(W().CBox_Ysmall->count(), 5);
  EXPECT_EQ(W().CBox_XBig->count(), 13);
  EXPECT_EQ(W().CBox_Xsmall->count(), 13);
  EXPECT_EQ(W().CBox_YBig->currentIndex(), 2);
  EXPECT_EQ(W().CBox_Ysmall->currentIndex(), -1);
  EXPECT_EQ(W().CBox_XBig->itemText(12), "0.1");
  EXPECT_EQ(W().CBox_Xsmall->itemText(12), "0.01");
  const int comboTops[] = {32, 80, 144, 192};
  const int labelTops[] = {16, 64, 128, 176};
  QLabel* labels[] = {W().Label_YBig, W().Label_Ysmall, W().Label_XBig, W().Label_Xsmall};
  QComboBox* boxes[] = {W().CBox_YBig, W().CBox_Ysmall, W().CBox_XBig, W().CBox_Xsmall};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(boxes[i]->geometry().topLeft(), QPoint(8, comboTops[i]));
    EXPECT_EQ(boxes[i]->width(), 81);
    EXPECT_EQ(labels[i]->pos(), QPoint(16, labelTops[i]));
  }
}

TEST_F(StartUp, ShowingAppliesTheSavedSettings) {
  store.stored.formLeft = 321;
  store.stored.formTop = 123;
  store.stored.chartText[0] = "5";
  store.stored.chartText[1] = "-30";
  store.stored.chartIndex[2] = 4;
  store.stored.chartIndex[3] = 9;
  store.stored.sheetColor[2] = storage::Rgb(1, 2, 3);
  W().show();
  EXPECT_EQ(store.loads, 1);
  EXPECT_EQ(W().pos(), QPoint(321, 123));
  EXPECT_EQ(W().CBox_YBig->currentText(), "5");
  EXPECT_EQ(W().CBox_Ysmall->currentText(), "-30");
  EXPECT_EQ(W().CBox_XBig->currentText(), "10M");
  EXPECT_EQ(W().CBox_Xsmall->currentText(), "10");
  EXPECT_EQ(W().CBox_Sheet[2]->palette().color(QPalette::WindowText), QColor(1, 2, 3));
  W().hide();
  W().show();
  EXPECT_EQ(store.loads, 1) << "only the first showing loads the settings";
}

TEST_F(StartUp, APositionOffTheScreenIsAppliedUnchanged) {
  store.stored.formLeft = -3000;
  store.stored.formTop = 5000;
  W().show();
  EXPECT_EQ(W().pos(), QPoint(-3000, 5000));
}

TEST_F(StartUp, FirstRunShowsTheDefaultAxisChoices) {
  W().show();
  EXPECT_EQ(W().pos(), QPoint(185, 50));
  EXPECT_EQ(W().CBox_YBig->currentText(), "0");
  EXPECT_EQ(W().CBox_Ysmall->currentText(), "-10");
  EXPECT_EQ(W().CBox_XBig->currentText(), "1M");
  EXPECT_EQ(W().CBox_Xsmall->currentText(), "1k");
  EXPECT_EQ(W().CBox_Sheet[1]->palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

TEST_F(StartUp, ClosingSavesPositionAndAxisChoices) {
  W().show();
  W().move(400, 300);
  W().CBox_Ysmall->setEditText("-30");
  W().CBox_XBig->setCurrentIndex(4);
  W().CBox_Xsmall->setCurrentIndex(10);
  W().appSettings.chartColor = storage::Rgb(0, 255, 0);
  W().close();
  ASSERT_EQ(store.saves, 1);
  EXPECT_EQ(store.stored.formLeft, 400);
  EXPECT_EQ(store.stored.formTop, 300);
  EXPECT_EQ(store.stored.chartText[0], "0");
  EXPECT_EQ(store.stored.chartText[1], "-30");
  EXPECT_EQ(store.stored.chartIndex[2], 4);
  EXPECT_EQ(store.stored.chartIndex[3], 10);
  EXPECT_EQ(store.stored.chartIndex[0], 2) << "kept as loaded";
  EXPECT_EQ(store.stored.chartText[2], "5");
  EXPECT_EQ(store.stored.chartColor, storage::Rgb(0, 255, 0));
}

TEST_F(StartUp, UnreadableSettingsAreReportedAndTheDefaultsKept) {
  store.failLoad = true;
  store.stored.formLeft = 999;
  W().show();
  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_EQ(errors.Errors()[0], "settings unreadable");
  EXPECT_EQ(W().appSettings, storage::AppSettings{});
  EXPECT_EQ(W().pos(), QPoint(185, 50));
}

TEST_F(StartUp, ProblemsOfTheStoreAreReported) {
  store.problem = "設定を保存できません";
  W().show();
  W().close();
  EXPECT_EQ(errors.Errors(), (std::vector<QString>{"設定を保存できません", "設定を保存できません"}));
  EXPECT_EQ(store.saves, 1);
}

}  // namespace
}  // namespace kelvara::app::testing
