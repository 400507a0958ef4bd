// The analysis menu: the analysis window of the shown sheet.

#include "app/analysis/form_analysis.h"
#include "app/main_window/form_main.h"

namespace kelvara::app {

void TFormMain::menuDesignAnalysisClick() {
  if (!FormAnalysis) FormAnalysis = new TFormAnalysis(*this, settingsStore_);
  FormAnalysis->ShowAnalysis();
}

}  // namespace kelvara::app
