// One application object for all window tests; headless unless a platform
// was chosen (also when CTest lists the cases).

#include <gtest/gtest.h>

#include "app/application.h"
#include "app/fonts.h"

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  kelvara::app::KelvaraApplication application(argc, argv);
  kelvara::app::InstallFontSubstitutes();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
