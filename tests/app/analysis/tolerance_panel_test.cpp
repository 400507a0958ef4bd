// The tolerance page of the analysis window: a run with its progress and
// result, the bands behind the curves, the mask and yield, stop, closing
// while it runs, and the settings under their own names.

#include "app/analysis/tolerance_panel.h"

#include <qcustomplot.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "app/analysis/form_analysis.h"
#include "export/csv.h"
#include "tests/app/analysis/tolerance_page_support.h"

namespace kelvara::app::testing {
namespace {

using TolerancePage = TolerancePageTest;

// The exports take the page's tolerances once set, and the report gains a
// tolerance section once this design has been analysed.
TEST_F(TolerancePage, ExportsTakeTheTolerancesAndTheReportTheResult) {
  QTemporaryDir dir;
  QString answer;
  W().SetExportChoosers([&answer](TFormMain::ExportKind) { return answer; }, nullptr);
  auto toleranceColumn = [&] {
    answer = dir.filePath("parts.csv");
    W().menuExportPartsList->trigger();
    QFile f(answer);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    std::set<std::string> texts;
    const auto rows = exports::ReadCsv(f.readAll().toStdString());
    for (std::size_t i = 1; i <= 12 && i < rows.size(); ++i) texts.insert(rows[i][0].substr(0, 1) + rows[i][4]);
    return texts;
  };
  TFormAnalysis& a = Open();
  EXPECT_EQ(toleranceColumn(), (std::set<std::string>{"R", "C"}));  // not set yet
  TolerancePanel& p = *a.Tolerance();
  p.findChild<QComboBox*>("CBox_Mask")->setCurrentIndex(1);
  p.findChild<QSpinBox*>("EditTrials")->setValue(200);
  p.findChild<QDoubleSpinBox*>("EditTolR")->setValue(0.5);
  p.findChild<QDoubleSpinBox*>("EditTolC")->setValue(2);
  p.StartButton()->click();
  ASSERT_TRUE(Finish(p));
  ASSERT_TRUE(WaitFor([&a] { return !a.RefreshPending(); }));
  ASSERT_NE(p.Result(), nullptr);
  EXPECT_EQ(toleranceColumn(), (std::set<std::string>{"R0.5%", "C2%"}));
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext not found";
  answer = dir.filePath("report.pdf");
  W().menuExportReport->trigger();
  const std::string text = PdfText(answer);
  for (const char* expected : {"公差解析", "200 試行", "ゲインの幅", "歩留まり", "95 %信頼区間"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

TEST_F(TolerancePage, RunsShowsStatisticsAndShadesTheBands) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  p.findChild<QComboBox*>("CBox_Mask")->setCurrentIndex(1);
  p.findChild<QSpinBox*>("EditTrials")->setValue(500);
  const int curves = a.Plot(PlotKind::kGain)->graphCount();
  p.StartButton()->click();
  ASSERT_TRUE(Finish(p));
  ASSERT_TRUE(WaitFor([&a] { return !a.RefreshPending(); }));
  ASSERT_NE(p.Result(), nullptr);
  EXPECT_EQ(p.Result()->trials, 500);
  EXPECT_EQ(p.Progress()->value(), p.Progress()->maximum());
  EXPECT_EQ(p.StatsTable()->rowCount(), 1 + 3 * 3);  // -3 dB, then f0, Q, peak of three stages
  EXPECT_EQ(p.StatsTable()->item(0, 0)->text(), "-3dB [Hz]");
  EXPECT_TRUE(p.YieldLabel()->text().contains("歩留まり")) << p.YieldLabel()->text().toStdString();
  EXPECT_EQ(p.Histogram()->plottableCount(), 1);
  ASSERT_EQ(p.HistogramChoice()->count(), 7);  // -3 dB, f0 and Q of three stages
  p.HistogramChoice()->setCurrentIndex(6);
  EXPECT_EQ(p.Histogram()->xAxis->label(), "3段 Q");
  EXPECT_EQ(p.Histogram()->plottableCount(), 1);
  // Two bands (four edges) behind the curve, which stays the first graph.
  QCustomPlot& gain = *a.Plot(PlotKind::kGain);
  EXPECT_EQ(gain.graphCount(), curves + 4);
  EXPECT_EQ(gain.graph(0)->layer()->name(), "main");
  EXPECT_EQ(gain.graph(curves)->layer()->name(), "grid");
  EXPECT_EQ(a.Plot(PlotKind::kPhase)->graphCount(), curves + 4);
  EXPECT_GE(gain.itemCount(), 4);  // the mask
  // The settings are remembered under their own names.
  EXPECT_EQ(store.ReadInt("tolerance/trials"), 500);
  EXPECT_EQ(store.ReadInt("tolerance/cTolCentiPct"), 500);
  EXPECT_EQ(store.ReadInt("tolerance/maskOn"), 1);
  // Another design drops the bands.
  W().groupR[0].valueEdit->setText("12k");
  ASSERT_TRUE(WaitFor([&a] { return !a.RefreshPending(); }));
  EXPECT_EQ(p.Result(), nullptr);
  EXPECT_EQ(a.Plot(PlotKind::kGain)->graphCount(), curves);
}

TEST_F(TolerancePage, StopEndsTheRunWithoutAResult) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  p.findChild<QSpinBox*>("EditTrials")->setValue(tolerance::kMaxTrials);
  p.StartButton()->click();
  EXPECT_TRUE(p.Running());
  EXPECT_TRUE(p.StopButton()->isEnabled());
  EXPECT_FALSE(p.StartButton()->isEnabled());
  p.StopButton()->click();
  ASSERT_TRUE(Finish(p));
  EXPECT_EQ(p.Result(), nullptr);
  EXPECT_FALSE(p.StopButton()->isEnabled());
}

TEST_F(TolerancePage, ClosingWhileItRunsEndsTheWorkers) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  p.findChild<QSpinBox*>("EditTrials")->setValue(tolerance::kMaxTrials);
  p.StartButton()->click();
  EXPECT_TRUE(p.Running());
  a.close();
  delete W().FormAnalysis;  // as when the program ends: stops and waits
  W().FormAnalysis = nullptr;
}

}  // namespace
}  // namespace kelvara::app::testing
