// The open dialog used as a user would: a file name typed (the completer
// offers "hpf6.zdn") and Enter pressed. Once the dialog has closed nothing of
// it stays on the screen to swallow the next click.

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "tests/app/app_test_support.h"

namespace kelvara::app::testing {
namespace {

struct OpenCase {
  const char* name;
  QAction* TFormMain::*command;
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

QStringList VisiblePopups() {
  QStringList shown;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible() && widget->windowType() == Qt::Popup) shown << widget->metaObject()->className();
  }
  return shown;
}

class CompleterPopup : public WindowTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(CompleterPopup, GoesWithTheDialog) {
  QTemporaryDir dir;
  for (const char* name : {"hpf6.zdn", "hpf6.zdna"}) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  ErrorRecorder errors;  // the empty files are refused; that is not the point here
  W().show();
  QFileDialog& dialog = W().OpenDialog();
  dialog.setDirectory(dir.path());
  bool popupShown = false;
  QTimer::singleShot(0, [&] {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit || !edit->completer()) {
      dialog.reject();
      return;
    }
    // The folder is listed before the user types, as it is for a user.
    auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
    const bool listed = QTest::qWaitFor([&] { return list && list->model()->rowCount(list->rootIndex()) > 0; }, 5000);
    if (!listed) ADD_FAILURE() << "the folder was not listed";
    QApplication::setActiveWindow(&dialog);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, "hpf");
    popupShown = QTest::qWaitFor([&] { return edit->completer()->popup()->isVisible(); }, 5000);
    QTest::keyClicks(edit, "6.zdn");
    QTest::keyClick(edit, Qt::Key_Return);
    if (dialog.isVisible()) static_cast<QDialog&>(dialog).done(QDialog::Accepted);
  });
  (W().*GetParam().command)->trigger();
  ASSERT_TRUE(popupShown) << "the completer offered nothing";
  EXPECT_EQ(VisiblePopups(), QStringList());
  QTest::qWait(300);  // late directory listings bring nothing back
  EXPECT_EQ(VisiblePopups(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Commands, CompleterPopup,
                         ::testing::Values(OpenCase{"OpenSheet", &TFormMain::menuOpenFile},
                                           OpenCase{"OpenAllSheets", &TFormMain::menuOpenFileAll}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvara::app::testing
