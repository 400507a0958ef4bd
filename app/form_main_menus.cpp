// The menu commands of the shell (the manual, the version dialog) and the
// handlers that the calculation run, the response chart and the design
// files fill in.

#include <QDesktopServices>
#include <QUrl>

#include "app/form_about_box.h"
#include "app/form_main.h"
#include "app/ui_texts.h"

namespace kelvara::app {

void TFormMain::menuAboutUseTorisetsuClick() {
  // The viewer's own reaction to a missing page is all the user sees.
  const QString page = ProgramDir + QString(text::kManualDir) + QString(text::kManualPage);
  QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

void TFormMain::menuVerHelpClick() {
  if (FormAboutBox) FormAboutBox->ShowModal();
}

// Calculation run.
void TFormMain::ButtonValsetClick() {}
void TFormMain::ButtonStopClick() {}

// Response chart and comparison.
void TFormMain::ButtonFreqClick() {}
void TFormMain::ButtonFreq8Click() {}
void TFormMain::PopUP_colorClick() {}

// Design files.
void TFormMain::menuOpenFileClick() {}
void TFormMain::menuOpenFileAllClick() {}
void TFormMain::menuSaveFileClick() {}
void TFormMain::menuSaveFileAllClick() {}

}  // namespace kelvara::app
