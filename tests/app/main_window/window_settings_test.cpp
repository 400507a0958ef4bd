// The window with the program's settings store on a temporary file: what
// the first start writes and shows, what a close keeps for the next start,
// and a store that cannot be written.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "storage/settings_store.h"
#include "tests/app/app_test_support.h"

namespace kelvara::app::testing {
namespace {

class WindowSettings : public ::testing::Test {
 protected:
  /// Starts the program again: a new store on the same file, a new window,
  /// shown.
  TFormMain& Start() {
    window.reset();
    store = std::make_unique<storage::QSettingsStore>(file, QSettings::NativeFormat);
    window = std::make_unique<TFormMain>(*store, warnings, AssetsDir());
    window->show();
    return *window;
  }
  /// The values in the store, read past the program.
  QVariant Stored(const QString& name) const {
    QSettings settings(file, QSettings::NativeFormat);
    return settings.value(QStringLiteral("parameter/") + name);
  }
  QStringList StoredNames() const {
    QSettings settings(file, QSettings::NativeFormat);
    settings.beginGroup(QStringLiteral("parameter"));
    return settings.childKeys();
  }

  QTemporaryDir dir;
  QString file = dir.filePath(QStringLiteral("Quor/Vornix.conf"));
  ErrorRecorder errors;
  RecordingWarningBoxes warnings;
  std::unique_ptr<storage::QSettingsStore> store;
  std::unique_ptr<TFormMain> window;
};

QColor TextColour(const QCheckBox* box) { return box->palette().color(QPalette::WindowText); }

TEST_F(WindowSettings, FirstStartCreatesAllNineteenValuesAndShowsTheDefaults) {
  TFormMain& w = Start();
  EXPECT_TRUE(errors.Errors().empty());
  QStringList names = StoredNames();
  QStringList expectedNames = storage::SettingsValueNames();
  names.sort();
  expectedNames.sort();
  EXPECT_EQ(names, expectedNames);
  EXPECT_EQ(names.size(), 19);
  EXPECT_EQ(Stored("formLeft").toInt(), 185);
  EXPECT_EQ(Stored("formTop").toInt(), 50);
  EXPECT_EQ(Stored("chartColor").toInt(), 255);
  EXPECT_EQ(Stored("chartIndex0").toInt(), 2);
  EXPECT_EQ(Stored("chartIndex2").toInt(), 5);
  EXPECT_EQ(Stored("chartIndex3").toInt(), 7);
  EXPECT_EQ(Stored("ASchartIndex1").toString(), "-10");
  EXPECT_EQ(Stored("sheetColor3").toInt(), 128 * 256);

  EXPECT_EQ(w.pos(), QPoint(185, 50));
  EXPECT_EQ(w.CBox_YBig->currentText(), "0");
  EXPECT_EQ(w.CBox_Ysmall->currentText(), "-10");
  EXPECT_EQ(w.CBox_XBig->currentText(), "1M");
  EXPECT_EQ(w.CBox_Xsmall->currentText(), "1k");
  const QColor colours[] = {Qt::black,           Qt::red,           Qt::yellow,
                            QColor(0, 128, 0),   QColor(0, 0, 255), QColor(128, 0, 128),
                            QColor(128, 128, 0), Qt::white};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(TextColour(w.CBox_Sheet[i]), colours[i]) << "Sheet " << i + 1;
}

TEST_F(WindowSettings, TheThreeAreasFillTheShownWindowBelowTheMenuBar) {
  TFormMain& w = Start();
  QCoreApplication::processEvents();
  // 793 x 617 below the menu bar, nothing left over at the right or the
  // bottom; the outer size follows from the window manager's frame.
  EXPECT_EQ(w.centralWidget()->size(), QSize(793, 617));
  EXPECT_EQ(w.centralWidget()->geometry().top(), w.MainMenu1->geometry().bottom() + 1);
  EXPECT_EQ(w.size(), QSize(793, 617 + w.MainMenu1->height()));
  const QRect page = w.PageControl1->geometry();
  EXPECT_EQ(page.right(), w.centralWidget()->width() - 1);
  EXPECT_EQ(page.bottom(), w.centralWidget()->height() - 1);
  EXPECT_EQ(w.PanelHikaku->geometry().right(), w.centralWidget()->width() - 1);
}

TEST_F(WindowSettings, WhatTheUserLeftComesBackAtTheNextStart) {
  TFormMain& first = Start();
  first.CBox_Ysmall->lineEdit()->clear();
  QTest::keyClicks(first.CBox_Ysmall->lineEdit(), QStringLiteral("-30"));
  first.CBox_YBig->setEditText(QStringLiteral("5"));
  first.CBox_XBig->setCurrentIndex(4);
  first.CBox_Xsmall->setCurrentIndex(10);
  first.move(300, 210);
  first.appSettings.sheetColor[5] = storage::Rgb(10, 20, 30);  // as the colour setting leaves it
  EXPECT_TRUE(first.close());

  TFormMain& next = Start();
  EXPECT_TRUE(errors.Errors().empty());
  EXPECT_EQ(next.CBox_Ysmall->currentText(), "-30");
  EXPECT_EQ(next.CBox_YBig->currentText(), "5");
  EXPECT_EQ(next.CBox_XBig->currentText(), "10M");
  EXPECT_EQ(next.CBox_Xsmall->currentText(), "1");
  EXPECT_EQ(next.pos(), QPoint(300, 210));
  EXPECT_EQ(TextColour(next.CBox_Sheet[5]), QColor(10, 20, 30));
  EXPECT_EQ(Stored("ASchartIndex1").toString(), "-30");
  EXPECT_EQ(Stored("chartIndex0").toInt(), 2) << "kept unchanged";
  EXPECT_EQ(Stored("ASchartIndex2").toString(), "5") << "kept unchanged";
}

TEST_F(WindowSettings, AStoreThatCannotBeWrittenDoesNotStopTheWindowFromClosing) {
  // The store's folder would have to be where a plain file is.
  QFile plain(dir.filePath(QStringLiteral("Quor")));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  TFormMain& w = Start();
  EXPECT_EQ(w.pos(), QPoint(185, 50)) << "the defaults are used";
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(w.isVisible());
  const QString problem = "設定を " + QDir::toNativeSeparators(file) + " に保存できません。";
  EXPECT_EQ(errors.Errors(), (std::vector<QString>{problem, problem})) << "reported at start and at close";
}

}  // namespace
}  // namespace kelvara::app::testing
