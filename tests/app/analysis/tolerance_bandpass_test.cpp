// The tolerance page of a band-pass sheet: its six mask fields start from
// the sheet's band, refuse what does not read or is out of order, and a
// run gives what kelvara-design --kind bpf gives of the same part values,
// seed and mask (its Monte Carlo, yield and worst case); back on a
// low-pass sheet the low-pass mask returns.

#include <gtest/gtest.h>

#include <qcustomplot.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "app/analysis/form_analysis.h"
#include "app/analysis/tolerance_panel.h"
#include "tests/app/analysis/tool_json.h"
#include "tests/app/main_window/chart_test_support.h"
#include "tests/app/main_window/run_support.h"
#include "values/filter_catalogue.h"

namespace kelvara::app::testing {
namespace {

const char* const kBandFields[] = {"EditMaskFs1", "EditMaskFp1", "EditMaskFp2",
                                   "EditMaskFs2", "EditMaskAp",  "EditMaskAs"};

class ToleranceBandPass : public ChartTest {
 protected:
  void TearDown() override {
    if (W().FormAnalysis) W().FormAnalysis->Tolerance()->StopAndWait();
    EXPECT_TRUE(WaitForAllRuns());
    ChartTest::TearDown();
  }

  /// A band-pass sheet of 10 kHz and 2 kHz, order 4 unless told.
  void TypeBandPass(int response = values::kButterworth, int rippleIndex = 0, int orderIndex = 2) {
    Choose(W().CBox_HPFLPF, values::kPassKindBpf);
    Choose(W().CBox_Jisuu, orderIndex);
    Choose(W().CBox_gensui, response);
    if (response == values::kChebyshev) Choose(W().CBox_ripple, rippleIndex);
    W().Edit_Frequency->setText(QStringLiteral("10k"));
    W().Edit_Gain->setText(QStringLiteral("1"));
    W().Edit_Bandwidth->setText(QStringLiteral("2k"));
  }

  /// The default band-pass sheet designed exactly (false if its run did not end).
  bool DesignBandPass() {
    TypeBandPass();
    W().ButtonValset->click();
    return WaitForAllRuns();
  }

  /// Every digit of the tool's part values into the sheet's table.
  void TypeParts(const nlohmann::json& parts) {
    QTableWidget* table = W().TableSectionParts;
    ASSERT_EQ(table->rowCount(), static_cast<int>(parts.size()));
    for (int row = 0; row < table->rowCount(); ++row) {
      const std::string name = table->item(row, 0)->text().toStdString();
      ASSERT_TRUE(parts.contains(name)) << name;
      table->item(row, 1)->setText(QString::number(parts[name].get<double>(), 'g', 17));
    }
  }

  TFormAnalysis& Analysis() {
    if (!W().FormAnalysis) W().menuDesignAnalysis->trigger();
    W().FormAnalysis->ScheduleRefresh();
    EXPECT_TRUE(Settled(*W().FormAnalysis));
    return *W().FormAnalysis;
  }
  static bool Settled(TFormAnalysis& a) {
    return WaitFor([&a] { return !a.RefreshPending(); });
  }
  static bool Run(TFormAnalysis& a) {
    TolerancePanel& p = *a.Tolerance();
    p.StartButton()->click();
    return WaitFor([&p] { return !p.Running() && p.StartButton()->isEnabled(); }) && Settled(a);
  }
  static QLineEdit* Field(TolerancePanel& p, int i) { return p.findChild<QLineEdit*>(kBandFields[i]); }
  static void SetBandMask(TolerancePanel& p, const std::array<const char*, 6>& texts) {
    p.findChild<QComboBox*>("CBox_Mask")->setCurrentIndex(1);
    for (int i = 0; i < 6; ++i) Field(p, i)->setText(QString::fromUtf8(texts[static_cast<std::size_t>(i)]));
  }
};

void ExpectStats(const tolerance::Stats& w, const nlohmann::json& t) {
  EXPECT_EQ(w.nominal, t["nominal"].get<double>());
  EXPECT_EQ(w.mean, t["mean"].get<double>());
  EXPECT_EQ(w.std, t["std"].get<double>());
  EXPECT_EQ(w.min, t["min"].get<double>());
  EXPECT_EQ(w.max, t["max"].get<double>());
  EXPECT_EQ(w.p05, t["p05"].get<double>());
  EXPECT_EQ(w.p95, t["p95"].get<double>());
}

// The same part values, tolerances, seed and mask: the same trials, stage
// figures, yield and worst case as the tool's, to the last digit.
TEST_F(ToleranceBandPass, ARunIsTheToolsOfTheSameValuesSeedAndMask) {
#ifndef KELVARA_DESIGN_EXE
  GTEST_SKIP() << "kelvara-design is not built";
#else
  struct Case {
    const char* name;
    const char* gain;  // the pass band is measured from it
    int seed;
    std::array<const char*, 6> mask;
  } cases[] = {
      {"a mask some trials miss", "1", 7, {"5k", "9.2k", "10.8k", "20k", "2", "20"}},
      {"the edges of the band", "1", 3, {"4k", "9.0499k", "11.05k", "25k", "3.5", "30"}},
      {"gain 4", "4", 11, {"5k", "9.2k", "10.8k", "20k", "2", "20"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string design = "--kind bpf --order 4 --center 10k --bandwidth 2k --gain " + std::string(c.gain);
    const nlohmann::json parts = ToolJson(design);
    ASSERT_TRUE(parts.is_object());
    TypeBandPass();
    W().Edit_Gain->setText(QString::fromLatin1(c.gain));
    TypeParts(parts["parts"]);
    TFormAnalysis& a = Analysis();
    TolerancePanel& p = *a.Tolerance();
    ASSERT_TRUE(p.BandPass());
    p.findChild<QSpinBox*>("EditTrials")->setValue(400);
    p.WorstCase()->setChecked(true);
    std::string mask;
    for (const char* f : c.mask) mask += (mask.empty() ? "" : ",") + std::string(f);
    const nlohmann::json tool =
        ToolJson(design + " --monte-carlo 400 --worst-case --seed " + std::to_string(c.seed) + " --mask " + mask);
    ASSERT_TRUE(tool.is_object());
    ASSERT_EQ(tool["parts"], parts["parts"]);
    const nlohmann::json& t = tool["tolerance"];
    p.findChild<QSpinBox*>("EditSeed")->setValue(c.seed);
    SetBandMask(p, c.mask);
    ASSERT_TRUE(p.Problem().isEmpty()) << p.Problem().toStdString();
    ASSERT_TRUE(Run(a));
    const tolerance::MonteCarloResult* r = p.Result();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->trials, t["trials"].get<int>());
    EXPECT_EQ(r->seed, t["seed"].get<std::uint64_t>());
    ASSERT_EQ(r->stages.size(), t["stages"].size());
    for (std::size_t k = 0; k < r->stages.size(); ++k) {
      SCOPED_TRACE(k);
      ExpectStats(r->stages[k].f0Hz, t["stages"][k]["f0_hz"]);
      ExpectStats(*r->stages[k].q, t["stages"][k]["q"]);
      ExpectStats(r->stages[k].peakDb, t["stages"][k]["peak_db"]);
    }
    ASSERT_TRUE(r->yield);
    EXPECT_EQ(r->yield->passed, t["yield"]["passed"].get<int>());
    EXPECT_EQ(r->yield->trials, t["yield"]["trials"].get<int>());
    EXPECT_EQ(r->yield->ratio, t["yield"]["ratio"].get<double>());
    EXPECT_EQ(r->yield->nominalPasses, tool["mask"]["meets"].get<bool>());
    // Each mask is met by the nominal design and some trials, missed by others.
    EXPECT_TRUE(r->yield->nominalPasses);
    EXPECT_GT(r->yield->passed, 0);
    EXPECT_LT(r->yield->passed, r->yield->trials);
    // The window's yield line says the same count.
    EXPECT_TRUE(p.YieldLabel()->text().contains(QString("(%1/%2)").arg(r->yield->passed).arg(r->yield->trials)))
        << p.YieldLabel()->text().toStdString();
    const tolerance::WorstCaseResult* w = p.WorstCaseResult();
    ASSERT_NE(w, nullptr);
    const nlohmann::json& gains = t["worst_case"]["gain_db"];
    ASSERT_EQ(w->gains.size(), gains.size());
    for (std::size_t k = 0; k < gains.size(); ++k) {
      EXPECT_EQ(w->gains[k].frequencyHz, gains[k]["frequency_hz"].get<double>());
      EXPECT_EQ(w->gains[k].db.min, gains[k]["min"].get<double>());
      EXPECT_EQ(w->gains[k].db.max, gains[k]["max"].get<double>());
    }
    EXPECT_EQ(w->corners, 1024u);  // ten parts
  }
#endif
}

TEST_F(ToleranceBandPass, TheMaskStartsFromTheSheetsBand) {
  // Edges geometric about 10 kHz, 2 kHz apart.
  const double lower = std::sqrt(10e3 * 10e3 + 1e6) - 1e3;
  const QString fp1 = QString::number(lower / 1e3, 'g', 5) + "k";
  const QString fp2 = QString::number((lower + 2e3) / 1e3, 'g', 5) + "k";
  struct Case {
    const char* name;
    int response;
    int rippleIndex;
    const char* ap;  // the smallest 0.5 dB step 0.2 dB above the edges' level
  } cases[] = {
      {"Butterworth, edges 3.01 dB down", values::kButterworth, 0, "3.5"},
      {"Chebyshev 0.5 dB", values::kChebyshev, 4, "1"},
      {"Chebyshev 2 dB", values::kChebyshev, 6, "2.5"},
      {"Linkwitz-Riley, edges 6.02 dB down", values::kLinkwitzRiley, 0, "6.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Linkwitz-Riley asks an order of an even prototype: 8.
    TypeBandPass(c.response, c.rippleIndex, c.response == values::kLinkwitzRiley ? 6 : 2);
    W().ButtonValset->click();
    ASSERT_TRUE(WaitForAllRuns());
    TFormAnalysis& a = Analysis();
    TolerancePanel& p = *a.Tolerance();
    ASSERT_TRUE(p.BandPass()) << a.Messages().toStdString();
    const QString expected[] = {"5k", fp1, fp2, "20k", c.ap, "20"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Field(p, i)->text(), expected[i]) << kBandFields[i];
    // The band-pass rows in place of the low-pass ones.
    EXPECT_TRUE(Field(p, 0)->isVisibleTo(&p));
    EXPECT_FALSE(p.findChild<QLineEdit*>("EditMaskFp")->isVisibleTo(&p));
    // The nominal design meets its default mask, drawn on the gain view:
    // four lines of the pass band and two of each stop band.
    QCustomPlot& gain = *a.Plot(PlotKind::kGain);
    const int items = gain.itemCount();
    p.findChild<QComboBox*>("CBox_Mask")->setCurrentIndex(1);
    ASSERT_TRUE(Settled(a));
    ASSERT_TRUE(p.Problem().isEmpty()) << p.Problem().toStdString();
    EXPECT_EQ(gain.itemCount(), items + 8);
    p.findChild<QSpinBox*>("EditTrials")->setValue(100);
    ASSERT_TRUE(Run(a));
    ASSERT_TRUE(p.Result() && p.Result()->yield);
    EXPECT_TRUE(p.Result()->yield->nominalPasses);
    p.findChild<QComboBox*>("CBox_Mask")->setCurrentIndex(0);
    ASSERT_TRUE(Settled(a));
  }
}

TEST_F(ToleranceBandPass, AMaskThatDoesNotReadOrIsOutOfOrderIsRefused) {
  ASSERT_TRUE(DesignBandPass());
  TFormAnalysis& a = Analysis();
  TolerancePanel& p = *a.Tolerance();
  ASSERT_TRUE(p.BandPass());
  struct Case {
    std::array<const char*, 6> mask;
    int field;  // the one marked red
    const char* says;
  } cases[] = {
      {{"0", "9k", "11k", "20k", "1", "20"}, 0, "阻止域 fs1 が不正: 0 より大きい周波数を設定下さい。"},
      {{"5k", "abc", "11k", "20k", "1", "20"}, 1, "通過域 fp1 が不正: 0 より大きい周波数を設定下さい。"},
      {{"5k", "9k", "-11k", "20k", "1", "20"}, 2, "通過域 fp2 が不正: 0 より大きい周波数を設定下さい。"},
      {{"5k", "9k", "11k", "", "1", "20"}, 3, "阻止域 fs2 が不正: 0 より大きい周波数を設定下さい。"},
      {{"5k", "9k", "11k", "20k", "0", "20"}, 4, "通過域 Ap が不正: 0 より大きい値を設定下さい。"},
      {{"5k", "9k", "11k", "20k", "1", "x"}, 5, "阻止域 As が不正: 0 より大きい値を設定下さい。"},
      {{"9.5k", "9k", "11k", "20k", "1", "20"},
       1,
       "マスクの周波数が逆: 通過域 fp1 を 阻止域 fs1 より高く設定下さい（fs1 < fp1 < fp2 < fs2）。"},
      {{"5k", "11k", "9k", "20k", "1", "20"},
       2,
       "マスクの周波数が逆: 通過域 fp2 を 通過域 fp1 より高く設定下さい（fs1 < fp1 < fp2 < fs2）。"},
      {{"5k", "9k", "11k", "11k", "1", "20"},
       3,
       "マスクの周波数が逆: 阻止域 fs2 を 通過域 fp2 より高く設定下さい（fs1 < fp1 < fp2 < fs2）。"},
      {{"5k", "9k", "11k", "20k", "20", "20"}, 5, "阻止域 As が不正: 通過域 Ap より大きい値を設定下さい。"},
  };
  p.findChild<QSpinBox*>("EditTrials")->setValue(100);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    SetBandMask(p, c.mask);
    EXPECT_EQ(p.Problem(), QString::fromUtf8(c.says));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Field(p, i)->styleSheet().contains("c00000"), i == c.field) << i;
    EXPECT_FALSE(p.BandPassMaskSetting());
    // Nothing runs.
    p.StartButton()->click();
    EXPECT_FALSE(p.Running());
    EXPECT_EQ(p.Result(), nullptr);
  }
  // Put right, the page runs.
  SetBandMask(p, {"5k", "9k", "11k", "20k", "1", "20"});
  EXPECT_TRUE(p.Problem().isEmpty());
  EXPECT_FALSE(p.ProblemLabel()->isVisibleTo(&p));
  ASSERT_TRUE(Run(a));
  EXPECT_NE(p.Result(), nullptr);
}

TEST_F(ToleranceBandPass, AWorstCaseRunsOnItsOwnAndNamesItsFrequencies) {
  TypeBandPass();
  W().ButtonValset->click();
  ASSERT_TRUE(WaitForAllRuns());
  TFormAnalysis& a = Analysis();
  TolerancePanel& p = *a.Tolerance();
  SetBandMask(p, {"5k", "9.5k", "10.5k", "20k", "1", "20"});
  p.WorstCase()->setChecked(true);
  p.findChild<QSpinBox*>("EditTrials")->setValue(100);
  ASSERT_TRUE(Run(a));
  const tolerance::WorstCaseResult* w = p.WorstCaseResult();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->corners, 1024u);
  // f0/2, the band's edges, f0 and 2 f0, then the mask's edges not among
  // them (fp1 and fp2).
  const double lower = std::sqrt(10e3 * 10e3 + 1e6) - 1e3;
  const double frequencies[] = {5e3, lower, 10e3, lower + 2e3, 20e3, 9.5e3, 10.5e3};
  ASSERT_EQ(w->gains.size(), std::size(frequencies));
  for (std::size_t k = 0; k < w->gains.size(); ++k) {
    EXPECT_DOUBLE_EQ(w->gains[k].frequencyHz, frequencies[k]);
    EXPECT_LE(w->gains[k].db.min, w->gains[k].nominalDb);
    EXPECT_GE(w->gains[k].db.max, w->gains[k].nominalDb);
  }
  // Near 0 dB at the centre.
  EXPECT_NEAR(w->gains[2].nominalDb, 0, 0.1);
  // The table's rows: the stages' figures, no -3 dB row, the named gains.
  QTableWidget& stats = *p.StatsTable();
  QStringList names;
  for (int row = 0; row < stats.rowCount(); ++row) names << stats.item(row, 0)->text();
  EXPECT_FALSE(names.join("|").contains("-3dB")) << names.join("|").toStdString();
  EXPECT_TRUE(names.contains(QString::fromUtf8("WC 利得 @10000Hz (f0) [dB]"))) << names.join("|").toStdString();
  EXPECT_TRUE(names.contains(QString::fromUtf8("WC 利得 @9500Hz (fp1) [dB]"))) << names.join("|").toStdString();
  EXPECT_EQ(p.HistogramChoice()->itemText(0), QString::fromUtf8("1段 f0 [Hz]"));
}

// The fields follow the sheet's band, not its gain: an edited mask stays
// while only the gain changes and starts over from a new bandwidth.
TEST_F(ToleranceBandPass, AnEditedMaskStaysUntilTheBandChanges) {
  TypeBandPass();
  W().ButtonValset->click();
  ASSERT_TRUE(WaitForAllRuns());
  TFormAnalysis& a = Analysis();
  TolerancePanel& p = *a.Tolerance();
  SetBandMask(p, {"6k", "9.3k", "10.7k", "18k", "2", "25"});
  W().Edit_Gain->setText(QStringLiteral("2"));
  W().ButtonValset->click();
  ASSERT_TRUE(WaitForAllRuns());
  Analysis();
  EXPECT_EQ(Field(p, 0)->text(), "6k");
  EXPECT_EQ(Field(p, 5)->text(), "25");
  // Measured from the new gain.
  ASSERT_TRUE(p.BandPassMaskSetting());
  EXPECT_DOUBLE_EQ(p.BandPassMaskSetting()->nominalDb, 20 * std::log10(2.0));
  W().Edit_Bandwidth->setText(QStringLiteral("1k"));
  W().ButtonValset->click();
  ASSERT_TRUE(WaitForAllRuns());
  Analysis();
  const double lower = std::sqrt(10e3 * 10e3 + 0.25e6) - 0.5e3;
  EXPECT_EQ(Field(p, 0)->text(), "5k");
  EXPECT_EQ(Field(p, 1)->text(), QString::number(lower / 1e3, 'g', 5) + "k");
  EXPECT_EQ(Field(p, 5)->text(), "20");
}

TEST_F(ToleranceBandPass, BackOnALowPassSheetTheLowPassMaskReturns) {
  ASSERT_TRUE(DesignBandPass());
  TFormAnalysis& a = Analysis();
  TolerancePanel& p = *a.Tolerance();
  ASSERT_TRUE(p.BandPass());
  Choose(W().CBox_HPFLPF, values::kLpf);
  W().ButtonValset->click();
  ASSERT_TRUE(WaitForAllRuns());
  Analysis();
  EXPECT_FALSE(p.BandPass());
  for (const char* name : {"EditMaskFp", "EditMaskA", "EditMaskFs", "EditMaskB", "ButtonMaskFromRequirement"})
    EXPECT_TRUE(p.findChild<QWidget*>(name)->isVisibleTo(&p)) << name;
  for (const char* name : kBandFields) EXPECT_FALSE(p.findChild<QWidget*>(name)->isVisibleTo(&p)) << name;
  EXPECT_FALSE(p.BandPassMaskSetting());
}

}  // namespace
}  // namespace kelvara::app::testing
