// The options dialog of the preferred-value series and how the window uses
// it: the menu before the help menu, checked texts with clear messages, the
// defaults button, the choice kept under value names of its own, and the
// check boxes of GBox_E12 naming a chosen series.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "app/dialogs/form_series_options.h"
#include "storage/settings_store.h"
#include "tests/app/app_test_support.h"

namespace kelvara::app::testing {
namespace {

struct RefusedCase {
  const char* name;
  QLineEdit* TFormSeriesOptions::*edit;
  const char* text;
  const char* message;
};

class SeriesOptionsRefuses : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(SeriesOptionsRefuses, StaysOpenWithAClearMessage) {
  const RefusedCase& c = GetParam();
  TFormSeriesOptions dialog;
  dialog.show();
  (dialog.*c.edit)->setText(QString::fromUtf8(c.text));
  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Problem(), QString::fromUtf8(c.message));
  EXPECT_TRUE(dialog.Label_Problem->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SeriesOptionsRefuses,
    ::testing::Values(RefusedCase{"RMinWord", &TFormSeriesOptions::Edit_RMin, "abc",
                                  "抵抗の最小値「abc」は 0 より大きい数値で入力してください（例: 1k）。"},
                      RefusedCase{"CMaxZero", &TFormSeriesOptions::Edit_CMax, "0",
                                  "コンデンサの最大値「0」は 0 より大きい数値で入力してください（例: 1u）。"},
                      RefusedCase{"RMinAboveMax", &TFormSeriesOptions::Edit_RMin, "1M",
                                  "抵抗の最小値が最大値より大きくなっています。"},
                      RefusedCase{"CMinAboveMax", &TFormSeriesOptions::Edit_CMin, "2m",
                                  "コンデンサの最小値が最大値より大きくなっています。"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST(SeriesOptionsDialog, RefusesARangeWithoutASeriesValue) {
  TFormSeriesOptions dialog;
  dialog.show();
  dialog.Edit_RMin->setText(QStringLiteral("1.05k"));
  dialog.Edit_RMax->setText(QStringLiteral("1.08k"));
  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.Problem(), QString::fromUtf8("抵抗の範囲に系列の値がひとつもありません。"));
}

TEST(SeriesOptionsDialog, AcceptsAChoiceAndRestoresTheDefaults) {
  TFormSeriesOptions dialog;
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("部品系列の設定"));
  EXPECT_EQ(dialog.Texts(), engine::SeriesTexts{});
  dialog.CBox_CapSeries->setCurrentIndex(1);
  dialog.CBox_ResSeries->setCurrentIndex(3);
  dialog.Edit_RMin->setText(QStringLiteral(" 1k "));
  dialog.Edit_RMax->setText(QStringLiteral("1M"));
  dialog.Edit_CMin->setText(QStringLiteral("100p"));
  engine::SeriesTexts expected;
  expected.cap = "E6";
  expected.res = "E96";
  expected.rMin = "1k";
  expected.rMax = "1M";
  expected.cMin = "100p";
  EXPECT_EQ(dialog.Texts(), expected);
  dialog.show();
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Button_Defaults->text(), QString::fromUtf8("既定値に戻す"));
  dialog.Button_Defaults->click();
  EXPECT_EQ(dialog.Texts(), engine::SeriesTexts{});
}

class SeriesOptionsWindow : public ::testing::Test {
 protected:
  TFormMain& Start() {
    window.reset();
    store = std::make_unique<storage::QSettingsStore>(file, QSettings::NativeFormat);
    window = std::make_unique<TFormMain>(*store, warnings, AssetsDir());
    window->show();
    return *window;
  }
  QVariant Stored(const QString& key) const { return QSettings(file, QSettings::NativeFormat).value(key); }
  QString Check(int k) const { return window->findChild<QCheckBox*>(QStringLiteral("chkBoxE12_%1").arg(k))->text(); }

  QTemporaryDir dir;
  QString file = dir.filePath(QStringLiteral("Quor/Vornix.conf"));
  ErrorRecorder errors;
  RecordingWarningBoxes warnings;
  std::unique_ptr<storage::QSettingsStore> store;
  std::unique_ptr<TFormMain> window;
};

TEST_F(SeriesOptionsWindow, MenuComesBeforeHelp) {
  TFormMain& w = Start();
  const QList<QAction*> menus = w.menuBar()->actions();
  ASSERT_EQ(menus.size(), 4);
  EXPECT_EQ(menus[2]->text(), QString::fromUtf8("設定(&O)"));
  EXPECT_EQ(menus[3]->text(), QString::fromUtf8("ヘルプ(&H)"));
  const QList<QAction*> items = menus[2]->menu()->actions();
  ASSERT_EQ(items.size(), 1);
  EXPECT_EQ(items[0]->text(), QString::fromUtf8("部品系列の設定..."));
}

TEST_F(SeriesOptionsWindow, ChoiceIsKeptUnderItsOwnNamesAndNamedInTheCheckBoxes) {
  Start();
  EXPECT_EQ(Check(0), QString::fromUtf8("ＣはE12系列"));
  EXPECT_EQ(Check(1), QString::fromUtf8("ＲはE24系列"));
  // The user opens the dialog from the menu, picks E6 and E96 and presses OK.
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<TFormSeriesOptions*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->CBox_CapSeries->setCurrentIndex(1);
    dialog->CBox_ResSeries->setCurrentIndex(3);
    dialog->Edit_RMin->setText(QStringLiteral("1k"));
    dialog->accept();
  });
  window->menuSeriesOptions->trigger();
  EXPECT_EQ(Check(0), QString::fromUtf8("ＣはE6系列"));
  EXPECT_EQ(Check(1), QString::fromUtf8("ＲはE96系列"));
  EXPECT_EQ(Stored(QStringLiteral("partSeries/capSeries")).toString(), QStringLiteral("E6"));
  EXPECT_EQ(Stored(QStringLiteral("partSeries/resSeries")).toString(), QStringLiteral("E96"));
  EXPECT_EQ(Stored(QStringLiteral("partSeries/rMin")).toString(), QStringLiteral("1k"));
  {
    QSettings settings(file, QSettings::NativeFormat);
    settings.beginGroup(QStringLiteral("parameter"));
    EXPECT_EQ(settings.childKeys().size(), 19);
  }
  // The next start uses the choice again.
  Start();
  EXPECT_EQ(Check(0), QString::fromUtf8("ＣはE6系列"));
  EXPECT_EQ(window->ChosenSeriesTexts().rMin, "1k");
  // Defaults give back the texts of the check boxes.
  window->ApplySeriesTexts({});
  EXPECT_EQ(Check(0), QString::fromUtf8("ＣはE12系列"));
  EXPECT_EQ(Check(1), QString::fromUtf8("ＲはE24系列"));
  EXPECT_TRUE(errors.Errors().empty());
}

TEST_F(SeriesOptionsWindow, UnusableStoredTextsGiveTheDefaults) {
  {
    QSettings settings(file, QSettings::NativeFormat);
    settings.setValue(QStringLiteral("partSeries/resSeries"), QStringLiteral("E7"));
  }
  Start();
  EXPECT_EQ(window->ChosenSeriesTexts(), engine::SeriesTexts{});
  EXPECT_EQ(Check(1), QString::fromUtf8("ＲはE24系列"));
}

}  // namespace
}  // namespace kelvara::app::testing
