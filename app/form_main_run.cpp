// The calculation run: "定数設定" starts a design of the shown sheet on a
// worker thread, "設定中止" asks it to stop.

#include "app/form_main.h"

namespace kelvara::app {

void TFormMain::ButtonValsetClick() {}
void TFormMain::ButtonStopClick() {}

}  // namespace kelvara::app
