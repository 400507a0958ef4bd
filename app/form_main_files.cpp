// Design files: one sheet or all sheets saved to and opened from files.

#include "app/form_main.h"

namespace kelvara::app {

void TFormMain::menuOpenFileClick() {}
void TFormMain::menuOpenFileAllClick() {}
void TFormMain::menuSaveFileClick() {}
void TFormMain::menuSaveFileAllClick() {}

}  // namespace kelvara::app
