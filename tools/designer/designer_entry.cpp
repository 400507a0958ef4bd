// kelvara-design: the headless designer (tools/designer/kelvara_design_main.cpp).

#include "tools/designer/designer_main.h"

int main(int argc, char** argv) { return kelvara::tools::DesignerMain(argc, argv); }
