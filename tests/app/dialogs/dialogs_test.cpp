// The disclaimer at start, the version dialog and the manual.

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "app/dialogs/form_about_box.h"
#include "app/dialogs/form_menseki.h"
#include "tests/app/app_test_support.h"

namespace kelvara::app::testing {
namespace {

/// Acts on the next modal dialog once it is up (from inside its event loop).
void WhenModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    timer->stop();
    timer->deleteLater();
    act(dialog);
  });
  timer->start();
}

void PressKey(QWidget* dialog, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(dialog, &press);
}

TEST(Disclaimer, TextsAndLayout) {
  TFormMenseki dialog;
  EXPECT_EQ(dialog.windowTitle(), "免責事項");
  EXPECT_EQ(dialog.Label1->text(), "このソフトウェアの使用、および不使用により直接・間接的");
  EXPECT_EQ(dialog.Label2->text(), "に生じたいかなる損害に対しても補償・賠償は行いませんので、");
  EXPECT_EQ(dialog.Label3->text(), "あらかじめご了承頂けます様よろしくお願い申し上げます。");
  EXPECT_EQ(dialog.Label1->pos(), QPoint(48, 32));
  EXPECT_EQ(dialog.Label2->pos(), QPoint(40, 64));
  EXPECT_EQ(dialog.Label3->pos(), QPoint(40, 96));
  EXPECT_EQ(dialog.ButtonMensekiOK->text(), "確認");
  EXPECT_EQ(dialog.ButtonMensekiOK->geometry(), QRect(192, 144, 97, 33));
  EXPECT_EQ(dialog.Label1->focusPolicy(), Qt::NoFocus);
}

TEST(Disclaimer, ConfirmingGivesOkAndEscapeDoesNothing) {
  TFormMenseki dialog;
  WhenModal([](QWidget* d) {
    PressKey(d, Qt::Key_Escape);
    EXPECT_TRUE(d->isVisible()) << "Escape does nothing";
    static_cast<TFormMenseki*>(d)->ButtonMensekiOK->click();
  });
  EXPECT_EQ(dialog.ShowModal(), kModalResultOk);
}

TEST(Disclaimer, EnterPressesConfirm) {
  TFormMenseki dialog;
  WhenModal([](QWidget* d) { PressKey(d, Qt::Key_Return); });
  EXPECT_EQ(dialog.ShowModal(), kModalResultOk);
}

TEST(Disclaimer, ClosingThroughTheFrameGivesCancel) {
  TFormMenseki dialog;
  WhenModal([](QWidget* d) { d->close(); });
  EXPECT_EQ(dialog.ShowModal(), kModalResultCancel);
}

class StartDisclaimer : public WindowTest {
 protected:
  void ShowWithDisclaimer(std::function<void(QWidget*)> act) {
    W().SetDialogs(&about, &menseki);
    WhenModal(std::move(act));
    W().show();
    // The disclaimer comes once the window is up.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
  TFormAboutBox about;
  TFormMenseki menseki;
};

TEST_F(StartDisclaimer, ConfirmedTheWindowStays) {
  ShowWithDisclaimer([](QWidget* d) { static_cast<TFormMenseki*>(d)->ButtonMensekiOK->click(); });
  EXPECT_TRUE(W().isVisible());
  EXPECT_EQ(store.saves, 0);
}

TEST_F(StartDisclaimer, NotConfirmedTheWindowClosesAndSavesTheSettings) {
  store.stored.formLeft = 250;
  ShowWithDisclaimer([](QWidget* d) { d->close(); });
  EXPECT_FALSE(W().isVisible());
  ASSERT_EQ(store.saves, 1);
  EXPECT_EQ(store.stored.formLeft, 250);
  EXPECT_EQ(store.stored.chartText[1], "-10");
}

TEST(AboutBox, TextsAndOk) {
  TFormAboutBox dialog;
  EXPECT_EQ(dialog.windowTitle(), "バージョン情報");
  EXPECT_EQ(dialog.ProductName->text(), "Kelvara");
  EXPECT_EQ(dialog.Version->text(), "Version 2.0");
  EXPECT_EQ(dialog.Comments->text(), "コメント");
  EXPECT_FALSE(dialog.Copyright->text().isEmpty());
  EXPECT_EQ(dialog.size(), QSize(298, 213));
  EXPECT_EQ(dialog.Panel1->geometry(), QRect(8, 8, 281, 161));
  EXPECT_EQ(dialog.OKButton->geometry(), QRect(111, 180, 75, 25));
  EXPECT_EQ(dialog.ProgramIcon->size(), QSize(65, 57));
  EXPECT_FALSE(dialog.ProgramIcon->pixmap().isNull());
  WhenModal([](QWidget* d) {
    PressKey(d, Qt::Key_Escape);
    EXPECT_TRUE(d->isVisible()) << "Escape does nothing";
    PressKey(d, Qt::Key_Return);
  });
  EXPECT_EQ(dialog.ShowModal(), kModalResultOk);
}

class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  std::vector<QUrl> opened;
 public slots:
  void Open(const QUrl& url) { opened.push_back(url); }
};

TEST_F(WindowTest, TheManualIsHandedToTheViewerEvenWhenMissing) {
  UrlRecorder recorder;
  QDesktopServices::setUrlHandler("file", &recorder, "Open");
  QTemporaryDir empty;
  Build(empty.path() + "/");
  errors.Clear();
  W().menuAboutUseTorisetsu->trigger();
  QDesktopServices::unsetUrlHandler("file");
  ASSERT_EQ(recorder.opened.size(), 1u);
  EXPECT_EQ(recorder.opened[0].toLocalFile(), empty.path() + "/HowToUse/Vornix_HowToUse_Top.html");
  EXPECT_TRUE(errors.Errors().empty()) << "nothing reported for a missing manual";
}

TEST_F(WindowTest, TheVersionDialogOpensFromTheMenu) {
  TFormAboutBox about;
  TFormMenseki menseki;
  W().SetDialogs(&about, &menseki);
  bool shown = false;
  WhenModal([&shown](QWidget* d) {
    shown = d->objectName() == "FormAboutBox";
    static_cast<TFormAboutBox*>(d)->OKButton->click();
  });
  W().menuVerHelp->trigger();
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace kelvara::app::testing

#include "dialogs_test.moc"
