// Program start: the application, the main window, then the two dialogs;
// the message loop runs until the main window has closed.

#include <QIcon>
#include <QStyleFactory>
#include <cstdlib>
#include <memory>

#include "app/common/application.h"
#include "app/common/fonts.h"
#include "app/common/ui_texts.h"
#include "app/common/warning_boxes.h"
#include "app/dialogs/form_about_box.h"
#include "app/dialogs/form_menseki.h"
#include "app/main_window/form_main.h"
#include "storage/atomic_file.h"
#include "storage/settings_store.h"

int main(int argc, char* argv[]) {
  using namespace kelvara::app;
  kelvara::storage::IgnoreFileSizeSignal();
  KelvaraApplication application(argc, argv);
  try {
    // The title of the task bar entry and of the message boxes.
    QApplication::setApplicationName(QString(text::kApplicationTitle));
    // The interface is Japanese whatever the user's locale; without the
    // translations Qt's dialogs stay in English and everything else works.
    InstallQtJapanese();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelvara/kelvara.png")));
    InstallFontSubstitutes();
    QApplication::setFont(GothicPixelFont(12));

    kelvara::storage::QSettingsStore settingsStore;
    QtWarningBoxes warningBoxes;
    auto formMain = std::make_unique<TFormMain>(settingsStore, warningBoxes);
    auto formAboutBox = std::make_unique<TFormAboutBox>();
    auto formMenseki = std::make_unique<TFormMenseki>();
    formMain->SetDialogs(formAboutBox.get(), formMenseki.get());

    formMain->show();
    QApplication::exec();
    // A run that has not ended by now cannot be waited for any longer; the
    // settings are saved, so leave without tearing the application down
    // under it.
    if (!formMain->ShutdownRuns()) std::_Exit(0);
  } catch (const std::exception& e) {
    ReportError(QString::fromUtf8(e.what()));
  } catch (...) {
    ReportError(QString());
  }
  return 0;
}
