// The analysis window: its menu, the shown sheet's evaluation and views,
// failing checks inside the window, following tab changes and delivered
// runs, the comparison overlay, CSV export and its remembered place.

#include <QFile>
#include <QTemporaryDir>
#include <charconv>
#include <sstream>

#include "app/analysis/form_analysis.h"
#include "response/analysis.h"
#include "tests/app/main_window/chart_test_support.h"
#include "tests/app/main_window/run_support.h"

namespace kelvara::app::testing {
namespace {

class AnalysisWindow : public ChartTest {
 protected:
  TFormAnalysis& Open() {
    W().menuDesignAnalysis->trigger();
    EXPECT_NE(W().FormAnalysis, nullptr);
    return *W().FormAnalysis;
  }
  /// Lets the coalesced refresh run.
  bool Settle() {
    return WaitFor([this] { return W().FormAnalysis && !W().FormAnalysis->RefreshPending(); });
  }
  static std::vector<Point> Curve(TFormAnalysis& a, PlotKind kind, int graph = 0) {
    return CurvePoints(a.Plot(kind)->graph(graph));
  }
};

TEST_F(AnalysisWindow, MenuSitsBetweenFileAndHelpWithCtrlR) {
  QStringList titles;
  for (QAction* a : W().MainMenu1->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{"ファイル(&F)", "解析(&A)", "設定(&O)", "ヘルプ(&H)"}));
  EXPECT_EQ(W().menuDesignAnalysis->text(), "設計の解析...");
  EXPECT_EQ(W().menuDesignAnalysis->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
  TFormAnalysis& a = Open();
  EXPECT_TRUE(a.isVisible());
  EXPECT_TRUE(a.isWindow());
  EXPECT_FALSE(a.isModal());
}

TEST_F(AnalysisWindow, ShowsTheShownSheetsStagesAndCurves) {
  const TypedDesign typed = TypedExactly(DesignedParts(engine::kLpf, 5, engine::kChebyshev, "2k"));
  TypeDesign(W(), typed);
  TFormAnalysis& a = Open();
  ASSERT_TRUE(a.Shown().has_value()) << a.Messages().toStdString();
  EXPECT_TRUE(a.Messages().isEmpty());
  EXPECT_TRUE(warnings.Entries().empty());
  ASSERT_EQ(a.Table()->rowCount(), 3);
  EXPECT_EQ(a.Table()->item(0, 1)->text(), "1次");
  EXPECT_EQ(a.Table()->item(2, 2)->text(), "R4, R5, C4, C5");
  for (const auto& row : a.Shown()->stages) EXPECT_LT(std::fabs(*row.f0ErrorPct), 1e-9);
  // The gain is that of the response chart at every point drawn.
  const TypedStages t = StagesOf(typed);
  const std::vector<Point> gain = Curve(a, PlotKind::kGain);
  ASSERT_GT(gain.size(), 146u);
  // The design framed: two decades below the cut-off.
  EXPECT_EQ(gain.front().f, W().CaptureDesignRequest().cutoffHz / 100);
  for (const Point& p : gain) EXPECT_EQ(p.db, response::ResponseDb(t.request, t.stages, p.f));
  EXPECT_EQ(a.Plot(PlotKind::kPoles)->graphCount(), 3);  // one marker set per stage
  EXPECT_EQ(Curve(a, PlotKind::kStep).back().f, a.Shown()->settledSpanS);
  a.Tracer(PlotKind::kGain)->MoveTo(1500);
  EXPECT_TRUE(a.Tracer(PlotKind::kGain)->Text().contains("Hz")) << a.Tracer(PlotKind::kGain)->Text().toStdString();
}

// The summary names the series the values came from, following a change
// of "部品系列の設定...".
TEST_F(AnalysisWindow, SummaryNamesTheSeriesUsed) {
  struct Case {
    bool anyValues;
    const char* cap;
    const char* res;
    const char* line;
  };
  const Case cases[] = {
      {false, "default", "default", "部品の値  ＣはE12系列、ＲはE24系列"},
      {false, "E6", "E96", "部品の値  ＣはE6系列、ＲはE96系列"},
      {false, "default", "E48", "部品の値  ＣはE12系列、ＲはE48系列"},
      {true, "E6", "E96", "部品の値  任意の値"},
  };
  TypeDesign(W(), TypedExactly(DesignedParts(engine::kLpf, 4, engine::kButterworth, "2k")));
  TFormAnalysis& a = Open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    engine::SeriesTexts texts;
    texts.cap = c.cap;
    texts.res = c.res;
    W().CBox_NoProblem->setChecked(c.anyValues);
    W().chkBoxE12[0]->setChecked(!c.anyValues);
    W().chkBoxE12[1]->setChecked(!c.anyValues);
    W().ApplySeriesTexts(texts);
    ASSERT_TRUE(Settle());
    EXPECT_TRUE(a.Summary()->text().split(QLatin1Char('\n')).contains(QString::fromUtf8(c.line)))
        << a.Summary()->text().toStdString();
  }
}

TEST_F(AnalysisWindow, FailingChecksAreReportedInsideTheWindow) {
  TFormAnalysis& a = Open();  // a new sheet has no values
  EXPECT_FALSE(a.Shown().has_value());
  EXPECT_TRUE(a.Messages().startsWith("R1 は無効な値: 有効な値を設定下さい。\nC1 は無効な値: 有効な値を設定下さい。"));
  TypeDesign(W(), Designed(engine::kLpf, 4, engine::kButterworth, "1k"));
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(a.Shown().has_value());
  W().groupR[2].valueEdit->setText("abc");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(a.Messages(), "R3 は無効な値: 有効な値を設定下さい。");
  EXPECT_FALSE(a.Shown().has_value());
  EXPECT_EQ(a.Table()->rowCount(), 0);
  W().groupC[1].fixButton->setChecked(true);
  W().groupC[1].valueEdit->setText("-1n");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(a.Messages(), "R3 は無効な値: 有効な値を設定下さい。\nC2 の不正な値: autoにするか静電容量値を設定下さい。");
  EXPECT_TRUE(warnings.Entries().empty());  // never a box
}

TEST_F(AnalysisWindow, FollowsATabChangeAndCoalescesEdits) {
  const TypedDesign lpf = Designed(engine::kLpf, 2, engine::kButterworth, "1k");
  const TypedDesign hpf = Designed(engine::kHpf, 6, engine::kButterworth, "10k");
  TypeDesign(W(), lpf);
  DesignSheet(1, hpf);
  TFormAnalysis& a = Open();
  ASSERT_EQ(a.Table()->rowCount(), 1);
  SelectTab(1);
  EXPECT_TRUE(a.RefreshPending());
  ASSERT_TRUE(Settle());
  ASSERT_EQ(a.Table()->rowCount(), 3);
  const TypedStages t = StagesOf(hpf);
  for (const Point& p : Curve(a, PlotKind::kGain)) EXPECT_EQ(p.db, response::ResponseDb(t.request, t.stages, p.f));
  EXPECT_EQ(a.Plot(PlotKind::kGain)->graph(0)->name(), "Sheet2");
  // Typing a value: one refresh after the last key.
  W().Edit_Frequency->setText("1");
  W().Edit_Frequency->setText("12");
  W().Edit_Frequency->setText("12k");
  EXPECT_TRUE(a.RefreshPending());
  ASSERT_TRUE(Settle());
  const engine::StageTargets targets =
      engine::BuildStageTargets(engine::MakeDesignRequest({.passKind = engine::kHpf,
                                                           .orderIndex = 4,
                                                           .response = engine::kButterworth,
                                                           .cutoffText = "12k",
                                                           .anyValues = true}));
  EXPECT_EQ(a.Shown()->stages[0].f0TargetHz, targets.stageOmega[0] / response::kTwoPi);
}

TEST_F(AnalysisWindow, FollowsADeliveredRun) {
  Choose(W().CBox_Jisuu, 4);  // order 6, all parts auto
  W().Edit_Frequency->setText("4.7k");
  TFormAnalysis& a = Open();
  EXPECT_FALSE(a.Shown().has_value());
  W().ButtonValset->click();
  ASSERT_TRUE(WaitForAllRuns());
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(a.Shown().has_value()) << a.Messages().toStdString();
  ASSERT_EQ(a.Shown()->stages.size(), 3u);
  // The delivered display forms round the values a little.
  for (const auto& row : a.Shown()->stages) EXPECT_LT(std::fabs(*row.f0ErrorPct), 0.1);
}

TEST_F(AnalysisWindow, OverlaysTheComparedSheetsInTheirColours) {
  TypeDesign(W(), Designed(engine::kLpf, 4, engine::kBessel, "1k"));
  DesignSheet(1, Designed(engine::kLpf, 4, engine::kButterworth, "1k"));
  DesignSheet(2, Designed(engine::kLpf, 4, engine::kChebyshev, "1k"));
  Tick({0, 1, 2});
  TFormAnalysis& a = Open();
  EXPECT_EQ(a.Plot(PlotKind::kGain)->graphCount(), 1);
  a.OverlayBox()->setChecked(true);
  ASSERT_TRUE(Settle());
  for (PlotKind kind : {PlotKind::kGain, PlotKind::kPhase, PlotKind::kDelay, PlotKind::kStep, PlotKind::kImpulse}) {
    QCustomPlot& plot = *a.Plot(kind);
    ASSERT_EQ(plot.graphCount(), 3);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(plot.graph(k)->name(), QString("Sheet%1").arg(k + 1));
      EXPECT_EQ(plot.graph(k)->pen().color(), ColorOfSetting(W().appSettings.sheetColor[k]));
    }
  }
  EXPECT_EQ(a.Plot(PlotKind::kPoles)->graphCount(), 4);  // two stages, then one set per compared sheet
  // Every time curve reaches the end of the longest settled span (the
  // Chebyshev's), the Bessel shown and the Butterworth compared too.
  double span = 0;
  for (int k = 0; k < 3; ++k) {
    bool ok = false;
    span = std::max(span, a.Plot(PlotKind::kStep)->graph(k)->getKeyRange(ok).upper);
  }
  EXPECT_GT(span, a.Shown()->settlingTimeS * 2);  // the Bessel's own span is far shorter
  for (PlotKind kind : {PlotKind::kStep, PlotKind::kImpulse}) {
    for (int k = 0; k < 3; ++k) {
      bool ok = false;
      EXPECT_EQ(a.Plot(kind)->graph(k)->getKeyRange(ok).upper, span) << k;
      EXPECT_EQ(a.Plot(kind)->graph(k)->dataCount(), a.Plot(kind)->graph(0)->dataCount()) << k;
    }
  }
  // A compared sheet that fails a check is named in the window.
  SelectTab(1);
  W().groupR[0].valueEdit->clear();
  SelectTab(0);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(a.Messages(), "Sheet2: R1 は無効な値: 有効な値を設定下さい。");
  EXPECT_EQ(a.Plot(PlotKind::kGain)->graphCount(), 2);
}

std::string ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

TEST_F(AnalysisWindow, CsvOfAViewReadsBackToItsNumbers) {
  TypeDesign(W(), TypedExactly(DesignedParts(engine::kHpf, 4, engine::kChebyshev, "3k")));
  TFormAnalysis& a = Open();
  QTemporaryDir dir;
  QString answer;
  a.SetFileChooser([&](TFormAnalysis::ExportKind) { return answer; });
  struct Case {
    PlotKind kind;
    const char* header;
    const response::Curve& curve;
  };
  for (const Case& c : {Case{PlotKind::kGain, "frequency_hz,gain_db", a.Shown()->gain},
                        Case{PlotKind::kDelay, "frequency_hz,delay_s", a.Shown()->delay},
                        Case{PlotKind::kStep, "time_s,step", a.Shown()->step}}) {
    answer = dir.filePath(c.header);  // no suffix: ".csv" is added
    a.SaveView(c.kind, TFormAnalysis::ExportKind::kCsv);
    const std::string text = ReadAll(answer + ".csv");
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    std::istringstream in(text.substr(3));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, std::string(c.header) + "\r");
    std::size_t i = 0;
    while (std::getline(in, line)) {
      const std::size_t comma = line.find(',');
      double x = 0, y = 0;
      std::from_chars(line.data(), line.data() + comma, x);
      std::from_chars(line.data() + comma + 1, line.data() + line.size() - 1, y);
      ASSERT_LT(i, c.curve.x.size());
      EXPECT_EQ(x, c.curve.x[i]);
      EXPECT_EQ(y, c.curve.y[i]);
      ++i;
    }
    EXPECT_EQ(i, c.curve.x.size());
  }
  answer = dir.filePath("table.csv");
  a.SaveView(std::nullopt, TFormAnalysis::ExportKind::kCsv);
  const std::string table = ReadAll(answer);
  EXPECT_EQ(table.rfind("\xEF\xBB\xBF段,次数,部品,", 0), 0u);
  EXPECT_NE(table.find("\"R1, R2, C1, C2\""), std::string::npos);
  answer = dir.filePath("gain.png");
  a.SaveView(PlotKind::kGain, TFormAnalysis::ExportKind::kPng);
  EXPECT_GT(QFile(answer).size(), 1000);
  EXPECT_TRUE(errors.Errors().empty());
}

TEST_F(AnalysisWindow, RemembersItsPlaceUnderNamesOfItsOwn) {
  TFormAnalysis& a = Open();
  // A size the window's layout allows (its op-amp panel sets the least height).
  const QSize size = QSize(720, 480).expandedTo(a.minimumSizeHint());
  a.resize(size);
  a.close();
  EXPECT_EQ(store.ints.at(TFormAnalysis::kWidthName), size.width());
  EXPECT_EQ(store.ints.at(TFormAnalysis::kHeightName), size.height());
  EXPECT_TRUE(store.ints.count(TFormAnalysis::kLeftName));
  EXPECT_EQ(store.stored, storage::AppSettings{});  // the nineteen values untouched
  Build(AssetsDir());
  W().show();
  EXPECT_EQ(Open().size(), size);
}

}  // namespace
}  // namespace kelvara::app::testing
