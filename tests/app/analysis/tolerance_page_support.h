#pragma once

// The set-up the tolerance page's tests share: the analysis window opened
// on an order-6 Chebyshev LPF at 1 kHz, a run of the page as a user starts
// it, the mask fields, and the text of an exported report.

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <cstdio>
#include <string>

#include "app/analysis/form_analysis.h"
#include "app/analysis/tolerance_panel.h"
#include "tests/app/main_window/chart_test_support.h"
#include "tests/app/main_window/run_support.h"
#include "tests/support/command_output.h"

namespace kelvara::app::testing {

class TolerancePageTest : public ChartTest {
 protected:
  TFormAnalysis& Open() {
    TypeDesign(W(), Designed(engine::kLpf, 6, engine::kChebyshev, "1k"));
    W().menuDesignAnalysis->trigger();
    EXPECT_TRUE(WaitFor([this] { return !W().FormAnalysis->RefreshPending(); }));
    return *W().FormAnalysis;
  }
  /// Until no refresh of the window is pending.
  static bool Settled(TFormAnalysis& a) {
    return WaitFor([&a] { return !a.RefreshPending(); });
  }
  /// Until the page's run has ended.
  static bool Finish(TolerancePanel& p) {
    return WaitFor([&p] { return !p.Running() && p.StartButton()->isEnabled(); });
  }
  /// Starts the page's run and waits for it and the refresh after it.
  static bool Run(TFormAnalysis& a) {
    TolerancePanel& p = *a.Tolerance();
    p.StartButton()->click();
    return Finish(p) && Settled(a);
  }
  static void SetMask(TolerancePanel& p, const char* fp, double a, const char* fs, double b) {
    p.findChild<QComboBox*>("CBox_Mask")->setCurrentIndex(1);
    p.findChild<QLineEdit*>("EditMaskFp")->setText(fp);
    p.findChild<QDoubleSpinBox*>("EditMaskA")->setValue(a);
    p.findChild<QLineEdit*>("EditMaskFs")->setText(fs);
    p.findChild<QDoubleSpinBox*>("EditMaskB")->setValue(b);
  }
  /// The text of a PDF (pdftotext), empty when the tool is missing.
  static std::string PdfText(const QString& path) {
    return test::CommandOutput("pdftotext '" + path.toStdString() + "' - 2>/dev/null");
  }
  /// The report exported to path, as text.
  std::string ReportText(const QString& path) {
    W().SetExportChoosers([path](TFormMain::ExportKind) { return path; }, nullptr);
    W().menuExportReport->trigger();
    return PdfText(path);
  }
};

}  // namespace kelvara::app::testing
