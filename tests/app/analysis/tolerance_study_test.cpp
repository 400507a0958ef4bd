// The tolerance page as a user meets it: a result that no longer belongs to
// the shown design, op-amp, tolerances or mask is greyed under
// "以前の設計の結果" and neither drawn nor reported; a mask that does not fit
// is refused with the study's message (the command line's) in red beside
// the mask fields; the worst case's rows name the mask's edges; the bar
// shows per cent; closing the window ends its run with every thread.

#include <qcustomplot.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/analysis/form_analysis.h"
#include "app/analysis/opamp_panel.h"
#include "app/analysis/tolerance_panel.h"
#include "tests/app/analysis/tolerance_page_support.h"
#include "tolerance/study.h"

namespace kelvara::app::testing {
namespace {

int ThreadCount() {
  // Threads Qt starts for itself (its pool, its event queues) carry names of
  // their own; a std::thread keeps the name of the process.
  auto name = [](const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
  };
  const QByteArray process = name(QStringLiteral("/proc/self/comm"));
  int n = 0;
  for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    n += name(QStringLiteral("/proc/self/task/") + task + QStringLiteral("/comm")) == process ? 1 : 0;
  }
  return n;
}

// The graphs behind the curves: the bands' edges.
int BandGraphs(QCustomPlot& plot) {
  int n = 0;
  for (int i = 0; i < plot.graphCount(); ++i) n += plot.graph(i)->layer()->name() == "grid" ? 1 : 0;
  return n;
}

using ToleranceStudyPage = TolerancePageTest;

// Each change makes the result stale: greyed, marked, no bands, and back
// when the inputs are those of the result again.
TEST_F(ToleranceStudyPage, AnyChangeMarksTheResultAsThatOfAnEarlierDesign) {
  struct Case {
    const char* name;
    std::function<void(TFormAnalysis&)> change;
    std::function<void(TFormAnalysis&)> undo;  // back to the inputs of the result
  };
  auto spin = [](TFormAnalysis& a, const char* name) { return a.Tolerance()->findChild<QDoubleSpinBox*>(name); };
  const Case cases[] = {
      {"a part", [this](TFormAnalysis&) { W().groupR[0].valueEdit->setText("12k"); }, nullptr},
      {"the op-amp", [](TFormAnalysis& a) { a.OpAmp()->RealButton()->click(); },
       [](TFormAnalysis& a) { a.OpAmp()->IdealButton()->click(); }},
      {"the resistors' tolerance", [&](TFormAnalysis& a) { spin(a, "EditTolR")->setValue(2); },
       [&](TFormAnalysis& a) { spin(a, "EditTolR")->setValue(1); }},
      {"a part's tolerance", [](TFormAnalysis& a) { a.Tolerance()->PartTable()->item(2, 1)->setText("0.1"); },
       [](TFormAnalysis& a) { a.Tolerance()->PartTable()->item(2, 1)->setText(""); }},
      {"the mask", [&](TFormAnalysis& a) { spin(a, "EditMaskB")->setValue(30); },
       [&](TFormAnalysis& a) { spin(a, "EditMaskB")->setValue(40); }},
      {"another sheet", [this](TFormAnalysis&) { SelectTab(1); }, [this](TFormAnalysis&) { SelectTab(0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFormAnalysis& a = Open();
    TolerancePanel& p = *a.Tolerance();
    SetMask(p, "700", 0.5, "3k", 40);
    p.findChild<QSpinBox*>("EditTrials")->setValue(200);
    const int curves = a.Plot(PlotKind::kGain)->graphCount();
    ASSERT_TRUE(Run(a));
    ASSERT_NE(p.Result(), nullptr);
    EXPECT_FALSE(p.ResultIsStale());
    EXPECT_FALSE(p.StaleLabel()->isVisible());
    EXPECT_TRUE(p.StatsTable()->isEnabled());
    EXPECT_EQ(a.Plot(PlotKind::kGain)->graphCount(), curves + 4);
    EXPECT_EQ(BandGraphs(*a.Plot(PlotKind::kGain)), 4);
    c.change(a);
    ASSERT_TRUE(Settled(a));
    EXPECT_TRUE(p.ResultIsStale());
    EXPECT_EQ(p.Result(), nullptr);
    EXPECT_EQ(p.StaleLabel()->text(), "以前の設計の結果");
    EXPECT_FALSE(p.StaleLabel()->isHidden());
    EXPECT_FALSE(p.StatsTable()->isEnabled());  // greyed, still readable
    EXPECT_GT(p.StatsTable()->rowCount(), 0);
    EXPECT_FALSE(p.YieldLabel()->isEnabled());
    EXPECT_EQ(BandGraphs(*a.Plot(PlotKind::kGain)), 0);  // no bands behind the curves
    if (c.undo) {
      c.undo(a);
      ASSERT_TRUE(Settled(a));
      EXPECT_FALSE(p.ResultIsStale());
      EXPECT_NE(p.Result(), nullptr);
      EXPECT_TRUE(p.StaleLabel()->isHidden());
      EXPECT_TRUE(p.StatsTable()->isEnabled());
      EXPECT_EQ(BandGraphs(*a.Plot(PlotKind::kGain)), 4);
    }
    a.close();
    delete W().FormAnalysis;
    W().FormAnalysis = nullptr;
  }
}

// The report takes the page's result only while it is this design's.
TEST_F(ToleranceStudyPage, TheReportLeavesOutAStaleResult) {
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext not found";
  QTemporaryDir dir;
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  p.findChild<QSpinBox*>("EditTrials")->setValue(200);
  ASSERT_TRUE(Run(a));
  EXPECT_NE(ReportText(dir.filePath("a.pdf")).find("公差解析"), std::string::npos);
  p.findChild<QDoubleSpinBox*>("EditTolC")->setValue(2);  // other tolerances
  ASSERT_TRUE(Settled(a));
  EXPECT_EQ(ReportText(dir.filePath("b.pdf")).find("公差解析"), std::string::npos);
  p.findChild<QDoubleSpinBox*>("EditTolC")->setValue(5);
  ASSERT_TRUE(Settled(a));
  EXPECT_NE(ReportText(dir.filePath("c.pdf")).find("公差解析"), std::string::npos);
  // Hidden, the window no longer follows the design; the report still knows.
  a.close();
  W().groupC[0].valueEdit->setText("47n");
  EXPECT_EQ(ReportText(dir.filePath("d.pdf")).find("公差解析"), std::string::npos);
}

TEST_F(ToleranceStudyPage, RefusesAMaskThatDoesNotFitBesideItsFields) {
  struct Case {
    const char* fp;
    double a;
    const char* fs;
    double b;
    const char* field;
  };
  const Case cases[] = {
      {"3k", 1, "700", 40, "EditMaskFp"},   // inside out for an LPF
      {"700", 0, "3k", 40, "EditMaskA"},    // a = 0
      {"700", 3, "3k", 3, "EditMaskB"},     // b <= a
      {"abc", 1, "3k", 40, "EditMaskFp"},   // unreadable
      {"700", 1, "3kk", 40, "EditMaskFs"},  // unreadable
  };
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  p.findChild<QSpinBox*>("EditTrials")->setValue(200);
  ASSERT_TRUE(Run(a));  // an earlier result, which must stay marked
  ASSERT_NE(p.Result(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fp) + "," + std::to_string(c.a) + "," + c.fs + "," + std::to_string(c.b));
    SetMask(p, c.fp, c.a, c.fs, c.b);
    // The message of the study, which the command line prints too.
    const auto read = tolerance::ReadGainMask(
        {c.fp, QString::number(c.a, 'g', 17).toStdString(), c.fs, QString::number(c.b, 'g', 17).toStdString()},
        engine::kLpf);
    ASSERT_TRUE(std::holds_alternative<tolerance::StudyProblem>(read));
    const QString message = QString::fromStdString(std::get<tolerance::StudyProblem>(read).message);
    EXPECT_EQ(p.Problem(), message);
    p.StartButton()->click();
    EXPECT_FALSE(p.Running());
    EXPECT_EQ(p.Problem(), message);
    QLabel& label = *p.ProblemLabel();
    EXPECT_FALSE(label.isHidden());
    EXPECT_TRUE(label.styleSheet().contains("#c00000"));
    EXPECT_TRUE(p.findChild<QWidget*>(c.field)->styleSheet().contains("#c00000")) << c.field;
    EXPECT_TRUE(p.ResultIsStale());
    EXPECT_EQ(p.Result(), nullptr);
    EXPECT_EQ(p.MaskSetting(), std::nullopt);  // and no mask drawn
  }
  SetMask(p, "3k", 1, "700", 40);
  EXPECT_EQ(p.Problem(), "マスクが逆: LPF では通過域 fp を阻止域 fs より低く設定下さい。");
  // A mask that fits clears the message and runs.
  SetMask(p, "700", 0.5, "3k", 40);
  EXPECT_TRUE(p.Problem().isEmpty());
  EXPECT_TRUE(p.ProblemLabel()->isHidden());
  ASSERT_TRUE(Run(a));
  EXPECT_NE(p.Result(), nullptr);
  ASSERT_TRUE(p.Result()->yield.has_value());
  // An unreadable part tolerance is refused the same way.
  p.PartTable()->item(1, 1)->setText("1%");
  EXPECT_EQ(p.Problem(), "R2 の公差が不正: 0 ～ 50 % を設定下さい。（空欄: 既定の公差）");
  p.StartButton()->click();
  EXPECT_FALSE(p.Running());
}

TEST_F(ToleranceStudyPage, WorstCaseRowsShowTheGainsAtTheMasksEdges) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  SetMask(p, "700", 0.5, "3k", 40);
  p.findChild<QSpinBox*>("EditTrials")->setValue(100);
  p.WorstCase()->setChecked(true);
  ASSERT_TRUE(Run(a));
  ASSERT_NE(p.WorstCaseResult(), nullptr);
  const tolerance::WorstCaseResult& w = *p.WorstCaseResult();
  ASSERT_EQ(w.gains.size(), 6u);  // fc/2, fc, 2fc, 10fc, fp, fs
  QTableWidget& t = *p.StatsTable();
  ASSERT_EQ(t.rowCount(), 10 + 1 + 6);
  EXPECT_EQ(t.item(15, 0)->text(), "WC 利得 @700Hz (fp) [dB]");
  EXPECT_EQ(t.item(16, 0)->text(), "WC 利得 @3000Hz (fs) [dB]");
  EXPECT_EQ(t.item(16, 4)->text(), QString::number(w.gains[5].db.min, 'g', 6));
  EXPECT_EQ(t.item(16, 5)->text(), QString::number(w.gains[5].db.max, 'g', 6));
}

TEST_F(ToleranceStudyPage, TheBarShowsPerCent) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  EXPECT_TRUE(p.Progress()->isTextVisible());
  EXPECT_EQ(p.Progress()->format(), "0 %");
  p.findChild<QSpinBox*>("EditTrials")->setValue(300);
  ASSERT_TRUE(Run(a));
  EXPECT_EQ(p.Progress()->format(), "100 %");
  EXPECT_EQ(p.Progress()->value(), p.Progress()->maximum());
}

TEST_F(ToleranceStudyPage, TheTrialCountIsBounded) {
  TFormAnalysis& a = Open();
  QSpinBox& trials = *a.Tolerance()->findChild<QSpinBox*>("EditTrials");
  trials.setValue(100000000);
  EXPECT_EQ(trials.value(), tolerance::kMaxTrials);
  trials.setValue(1);
  EXPECT_EQ(trials.value(), tolerance::kMinTrials);
}

// Closing (not destroying) the window stops its run and joins every worker.
TEST_F(ToleranceStudyPage, ClosingTheWindowStopsTheRunAndJoinsItsThreads) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  p.findChild<QSpinBox*>("EditTrials")->setValue(tolerance::kMaxTrials);
  p.WorstCase()->setChecked(true);
  QCoreApplication::processEvents();
  const int before = ThreadCount();
  p.StartButton()->click();
  ASSERT_TRUE(p.Running());
  ASSERT_TRUE(WaitFor([&] { return ThreadCount() > before; }));
  a.close();
  EXPECT_FALSE(p.Running());
  EXPECT_EQ(ThreadCount(), before);
  EXPECT_TRUE(p.StartButton()->isEnabled());
  EXPECT_EQ(p.Result(), nullptr);
}

}  // namespace
}  // namespace kelvara::app::testing
