// One application object for all window tests; headless unless a platform
// was chosen (also when CTest lists the cases).

#include <gtest/gtest.h>

#include <cstdio>

#include "app/common/application.h"
#include "app/common/fonts.h"

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  kelvara::app::KelvaraApplication application(argc, argv);
  kelvara::app::InstallFontSubstitutes();
  // As the program starts: every window test sees Qt's Japanese texts, and
  // the program's own texts must come through them unchanged.
  if (!kelvara::app::InstallQtJapanese()) {
    std::fprintf(stderr, "Qt's Japanese translations (qtbase_ja.qm) are missing\n");
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
