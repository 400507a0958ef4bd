// The help menu (the manual and the version dialog) and what the file
// menu has beyond its specified items: Ctrl+O and Ctrl+S for the sheet's
// open and save, and "終了" as its last item.

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/common/application.h"
#include "app/common/ui_texts.h"
#include "app/dialogs/form_about_box.h"
#include "app/main_window/form_main.h"

namespace kelvara::app {

void TFormMain::menuAboutUseTorisetsuClick() {
  // The viewer's own reaction to a missing page is all the user sees. A
  // page that is there but that no viewer takes (no browser installed) is
  // named, so it can be opened by hand.
  const QString page = ProgramDir + QString(text::kManualDir) + QString(text::kManualPage);
  const bool opened = manualOpener_ ? manualOpener_(page) : QDesktopServices::openUrl(QUrl::fromLocalFile(page));
  if (!opened && QFileInfo(page).isFile()) {
    warnings.Warning(QString(text::kManualNotOpenedCaption),
                     QString(text::kManualNotOpened).arg(QDir::toNativeSeparators(page)));
  }
}

void TFormMain::menuVerHelpClick() {
  if (FormAboutBox) FormAboutBox->ShowModal();
}

void TFormMain::AddFileMenuShortcutsAndExit() {
  menuOpenFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  menuSaveFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  menuFile->addSeparator();
  menuExit = menuFile->addAction(QString(text::kMenuExit));
  menuExit->setObjectName(QStringLiteral("menuExit"));
  menuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  ConnectHandler(menuExit, &QAction::triggered, this, &TFormMain::menuExitClick);
}

void TFormMain::menuExitClick() { close(); }

}  // namespace kelvara::app
