// The help menu: the manual and the version dialog.

#include <QDesktopServices>
#include <QUrl>

#include "app/common/ui_texts.h"
#include "app/dialogs/form_about_box.h"
#include "app/main_window/form_main.h"

namespace kelvara::app {

void TFormMain::menuAboutUseTorisetsuClick() {
  // The viewer's own reaction to a missing page is all the user sees.
  const QString page = ProgramDir + QString(text::kManualDir) + QString(text::kManualPage);
  QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

void TFormMain::menuVerHelpClick() {
  if (FormAboutBox) FormAboutBox->ShowModal();
}

}  // namespace kelvara::app
