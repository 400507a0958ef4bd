// The op-amp panel in the analysis window: real curves over the dashed
// ideal ones, the op-amp columns of the table, the stop-band floor in the
// summary, messages for unusable texts and the remembered choice.

#include <qcustomplot.h>

#include <QCoreApplication>

#include "app/analysis/form_analysis.h"
#include "engine/design.h"
#include "engine/run_checks.h"
#include "tests/app/app_test_support.h"
#include "tests/support/component_sets.h"
#include "tests/support/recording_run.h"
#include "values/eng_value.h"

namespace kelvara::app {
namespace {

class AnalysisOpAmpTest : public testing::WindowTest {
 protected:
  TFormAnalysis& OpenAnalysis() {
    W().menuDesignAnalysisClick();
    return *W().FormAnalysis;
  }

  static void UseRealOpAmp(TFormAnalysis& a, const char* gbw, const char* a0, const char* rout) {
    a.OpAmp()->SetReal(true);
    a.OpAmp()->SetTexts({gbw, a0, rout});
    a.Refresh();
  }
};

TEST_F(AnalysisOpAmpTest, OrderEightChebyshevShowsTheRealCurvesAndTheStagesShortOfGbw) {
  ShowDesign(engine::kLpf, 8, engine::kChebyshev, "10k");
  TFormAnalysis& a = OpenAnalysis();
  ASSERT_TRUE(a.Shown().has_value()) << a.Messages().toStdString();
  EXPECT_FALSE(a.RealShown().has_value());
  const int idealColumns = a.Table()->columnCount();
  const int idealGraphs = a.Plot(PlotKind::kGain)->graphCount();

  UseRealOpAmp(a, "1M", "100", "0");
  ASSERT_TRUE(a.RealShown().has_value());
  for (PlotKind kind : {PlotKind::kGain, PlotKind::kPhase, PlotKind::kDelay, PlotKind::kStep, PlotKind::kImpulse}) {
    QCustomPlot* plot = a.Plot(kind);
    ASSERT_EQ(plot->graphCount(), idealGraphs + 1);
    EXPECT_EQ(plot->graph(0)->pen().style(), Qt::SolidLine);  // the real curve, first: the tracer follows it
    EXPECT_EQ(plot->graph(1)->pen().style(), Qt::DashLine);   // the ideal one under it
  }
  // The last stage's peak rises above the ideal one.
  const auto& stages = a.RealShown()->opAmpStages;
  ASSERT_EQ(stages.size(), 4u);
  EXPECT_GT(stages[3].peakDb, stages[3].idealPeakDb + 0.5);
  // Table: the op-amp columns, "不足" on the two stages that need more than 1 MHz.
  ASSERT_EQ(a.Table()->columnCount(), idealColumns + 5);
  const QString verdicts[] = {"OK", "OK", "不足", "不足"};
  for (int row = 0; row < 4; ++row) EXPECT_EQ(a.Table()->item(row, idealColumns + 1)->text(), verdicts[row]) << row;
  EXPECT_TRUE(a.Summary()->text().contains(QStringLiteral("実オペアンプ  GBW 1MHz")));

  // Back to ideal: as before.
  a.OpAmp()->SetReal(false);
  a.Refresh();
  EXPECT_FALSE(a.RealShown().has_value());
  EXPECT_EQ(a.Table()->columnCount(), idealColumns);
  EXPECT_EQ(a.Plot(PlotKind::kGain)->graphCount(), idealGraphs);
}

TEST_F(AnalysisOpAmpTest, OrderFourButterworthWithFiftyOhmsStatesTheStopbandFloor) {
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  TFormAnalysis& a = OpenAnalysis();
  UseRealOpAmp(a, "1M", "100", "50");
  ASSERT_TRUE(a.RealShown().has_value());
  ASSERT_TRUE(a.RealShown()->floor.has_value());
  EXPECT_TRUE(a.Summary()->text().contains(QStringLiteral("阻止域の底 -136.1")));
}

TEST_F(AnalysisOpAmpTest, AnUnusableTextIsNamedInTheWindowAndTheIdealCurvesStay) {
  ShowDesign(engine::kLpf, 2, engine::kButterworth, "1k");
  TFormAnalysis& a = OpenAnalysis();
  UseRealOpAmp(a, "fast", "100", "0");
  EXPECT_EQ(a.OpAmp()->Message(), QStringLiteral("GBW は無効な値: 有効な値を設定下さい。"));
  EXPECT_TRUE(a.OpAmp()->isVisible());
  EXPECT_TRUE(a.Shown().has_value());
  EXPECT_FALSE(a.RealShown().has_value());
  EXPECT_TRUE(warnings.Entries().empty());
}

TEST_F(AnalysisOpAmpTest, TheChoiceAndTheTextsAreRememberedUnderNamesOfTheirOwn) {
  ShowDesign(engine::kLpf, 2, engine::kButterworth, "1k");
  {
    TFormAnalysis& a = OpenAnalysis();
    UseRealOpAmp(a, "4.7M", "90", "25");
    a.close();
  }
  EXPECT_EQ(store.ints[QString::fromLatin1(TFormAnalysis::kOpAmpRealName)], 1);
  EXPECT_EQ(store.texts[QString::fromLatin1(TFormAnalysis::kOpAmpGbwName)], QStringLiteral("4.7M"));
  EXPECT_EQ(store.texts[QString::fromLatin1(TFormAnalysis::kOpAmpA0Name)], QStringLiteral("90"));
  EXPECT_EQ(store.texts[QString::fromLatin1(TFormAnalysis::kOpAmpRoutName)], QStringLiteral("25"));
  EXPECT_EQ(store.saves, 0);  // the nineteen values are not written for it

  Build(testing::AssetsDir());
  ShowDesign(engine::kLpf, 2, engine::kButterworth, "1k");
  TFormAnalysis& b = OpenAnalysis();
  EXPECT_TRUE(b.OpAmp()->RealSelected());
  EXPECT_EQ(b.OpAmp()->GbwEdit()->text(), QStringLiteral("4.7M"));
  EXPECT_EQ(b.OpAmp()->RoutEdit()->text(), QStringLiteral("25"));
  ASSERT_TRUE(b.RealShown().has_value());
}

}  // namespace
}  // namespace kelvara::app
