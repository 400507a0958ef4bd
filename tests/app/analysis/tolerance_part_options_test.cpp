// The tolerance page's additions: per-part tolerances, the GBW tolerance
// of a real op-amp, the failing trials' curves and the worst case, each
// through a run of the page as a user starts it.

#include <qcustomplot.h>

#include "app/analysis/form_analysis.h"
#include "app/analysis/opamp_panel.h"
#include "app/analysis/tolerance_panel.h"
#include "tests/app/analysis/tolerance_page_support.h"

namespace kelvara::app::testing {
namespace {

using ToleranceExtras = TolerancePageTest;

TEST_F(ToleranceExtras, APartsOwnToleranceIsTheOnlyOneThatVaries) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  QTableWidget& parts = *p.PartTable();
  ASSERT_EQ(parts.rowCount(), 12);
  EXPECT_EQ(parts.item(0, 0)->text(), "R1");
  EXPECT_EQ(parts.item(6, 0)->text(), "C1");
  p.findChild<QDoubleSpinBox*>("EditTolR")->setValue(0);
  p.findChild<QDoubleSpinBox*>("EditTolC")->setValue(0);
  p.findChild<QSpinBox*>("EditTrials")->setValue(200);
  parts.item(6, 1)->setText("5");  // C1 only
  const tolerance::Tolerances t = p.TolerancesSetting();
  EXPECT_EQ(t.cPct[0], 5);
  EXPECT_EQ(t.cPct[1], 0);
  EXPECT_EQ(t.rPct[0], 0);
  ASSERT_TRUE(Run(a));
  ASSERT_NE(p.Result(), nullptr);
  EXPECT_GT(p.Result()->minus3dbHz.std, 0);
  int still = 0;  // stages without C1 keep their f0 exactly
  for (const tolerance::StageStats& s : p.Result()->stages) still += s.f0Hz.std == 0 ? 1 : 0;
  EXPECT_EQ(still, 2);
  // An empty cell is the default again: with 0 % nothing varies.
  parts.item(6, 1)->setText("");
  ASSERT_TRUE(Run(a));
  ASSERT_NE(p.Result(), nullptr);
  EXPECT_EQ(p.Result()->minus3dbHz.std, 0);
}

TEST_F(ToleranceExtras, GbwToleranceOnlyWithARealOpAmp) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  p.GbwTolerance()->setValue(20);
  EXPECT_FALSE(p.GbwTolerance()->isEnabled());
  EXPECT_EQ(p.TolerancesSetting().gbwPct, 0);
  a.OpAmp()->RealButton()->click();
  ASSERT_TRUE(WaitFor([&a] { return !a.RefreshPending(); }));
  EXPECT_TRUE(p.GbwTolerance()->isEnabled());
  EXPECT_EQ(p.TolerancesSetting().gbwPct, 20);
  p.findChild<QSpinBox*>("EditTrials")->setValue(100);
  ASSERT_TRUE(Run(a));
  EXPECT_NE(p.Result(), nullptr);
  EXPECT_EQ(store.ReadInt("tolerance/gbwTolCentiPct"), 2000);
  a.OpAmp()->IdealButton()->click();
  ASSERT_TRUE(WaitFor([&a] { return !a.RefreshPending(); }));
  EXPECT_FALSE(p.GbwTolerance()->isEnabled());
  EXPECT_EQ(p.TolerancesSetting().gbwPct, 0);
}

TEST_F(ToleranceExtras, FailingTrialsAreDrawnUpToTheCap) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  p.findChild<QComboBox*>("CBox_Mask")->setCurrentIndex(1);
  p.findChild<QDoubleSpinBox*>("EditMaskA")->setValue(0.05);  // most trials fail the ripple
  p.findChild<QSpinBox*>("EditTrials")->setValue(300);
  p.ShowFailing()->setChecked(true);
  const int curves = a.Plot(PlotKind::kGain)->graphCount();
  ASSERT_TRUE(Run(a));
  ASSERT_NE(p.Result(), nullptr);
  ASSERT_NE(p.Failing(), nullptr);
  const FailingCurves& f = *p.Failing();
  EXPECT_EQ(f.failing, static_cast<int>(p.Result()->yield->failing.size()));
  ASSERT_GT(f.failing, kMaxFailingCurves);
  EXPECT_EQ(static_cast<int>(f.gainDb.size()), kMaxFailingCurves);
  EXPECT_EQ(f.gainDb[0].size(), f.frequencies.size());
  EXPECT_EQ(a.Plot(PlotKind::kGain)->graphCount(), curves + 4 + kMaxFailingCurves);
  EXPECT_TRUE(p.findChild<QLabel*>("LabelFailing")->text().contains("50"));
  EXPECT_EQ(store.ReadInt("tolerance/showFailing"), 1);
  // Without the check box no curves.
  p.ShowFailing()->setChecked(false);
  ASSERT_TRUE(Run(a));
  EXPECT_EQ(p.Failing(), nullptr);
  EXPECT_EQ(a.Plot(PlotKind::kGain)->graphCount(), curves + 4);
}

TEST_F(ToleranceExtras, WorstCaseShowsItsExtremesInTheTable) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  p.findChild<QSpinBox*>("EditTrials")->setValue(100);
  p.WorstCase()->setChecked(true);
  ASSERT_TRUE(Run(a));
  ASSERT_NE(p.WorstCaseResult(), nullptr);
  const tolerance::WorstCaseResult& w = *p.WorstCaseResult();
  EXPECT_EQ(w.corners, 4096u);  // every corner of twelve parts
  EXPECT_LE(w.minus3dbHz.min, w.nominalMinus3dbHz);
  EXPECT_GE(w.minus3dbHz.max, w.nominalMinus3dbHz);
  // Within the box the Monte Carlo never leaves the corners' range.
  EXPECT_LE(w.minus3dbHz.min, p.Result()->minus3dbHz.min);
  EXPECT_GE(w.minus3dbHz.max, p.Result()->minus3dbHz.max);
  QTableWidget& t = *p.StatsTable();
  ASSERT_EQ(t.rowCount(), 10 + 1 + static_cast<int>(w.gains.size()));
  EXPECT_EQ(t.item(10, 0)->text(), "WC -3dB [Hz]");
  EXPECT_EQ(t.item(10, 4)->text(), QString::number(w.minus3dbHz.min, 'g', 6));
  EXPECT_EQ(store.ReadInt("tolerance/worstCase"), 1);
}

TEST_F(ToleranceExtras, ClosingDuringTheWorstCaseEndsTheWorkers) {
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  p.findChild<QSpinBox*>("EditTrials")->setValue(tolerance::kMaxTrials);
  p.WorstCase()->setChecked(true);
  p.ShowFailing()->setChecked(true);
  p.StartButton()->click();
  EXPECT_TRUE(p.Running());
  a.close();
  delete W().FormAnalysis;
  W().FormAnalysis = nullptr;
}

}  // namespace
}  // namespace kelvara::app::testing
