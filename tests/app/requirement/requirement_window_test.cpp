// The window "仕様から設計": its menu, the in-window messages, the table and
// the plot of a mask, the worker that computes them, "シートに設定" running
// the main window's rules as a user's own choices do, and the parts the
// following "定数設定" designs.

#include <qcustomplot.h>
#include <QScrollBar>
#include <QTest>

#include "app/analysis/analysis_plots.h"
#include "app/analysis/form_analysis.h"
#include "app/analysis/tolerance_panel.h"
#include "app/requirement/form_requirement.h"
#include "app/requirement/requirement_menu.h"
#include "response/bandpass_requirement.h"
#include "tests/app/app_test_support.h"
#include "tests/app/main_window/run_support.h"
#include "tests/support/ideal_poles.h"
#include "tolerance/requirement_parts.h"
#include "values/eng_value.h"
#include "values/section_record.h"

namespace kelvara::app::testing {
namespace {

constexpr int kLpf = 0, kHpf = 1;
constexpr int kButterworth = 0, kBessel = 1, kChebyshev = 2;

class RequirementWindow : public WindowTest {
 protected:
  QAction* Menu() { return W().findChild<QAction*>(QStringLiteral("menuRequirement")); }
  TFormRequirement& Open() {
    Menu()->trigger();
    EXPECT_NE(RequirementWindowOf(W()), nullptr);
    return *RequirementWindowOf(W());
  }
  /// Closes and frees the window, as closing the main window would.
  void Free() { delete RequirementWindowOf(W()); }
  /// Types a mask and waits for the worker's table.
  bool Enter(TFormRequirement& r, int kind, const std::array<const char*, 4>& mask) {
    r.KindBox()->setCurrentIndex(kind);
    for (int i = 0; i < 4; ++i) r.Field(i)->setText(QString::fromUtf8(mask[i]));
    return Settle(r);
  }
  static bool Settle(TFormRequirement& r) {
    return WaitFor([&] { return !r.Busy(); });
  }
  static int RowOf(TFormRequirement& r, int response) {
    const auto& c = r.Shown()->table.candidates;
    for (int i = 0; i < static_cast<int>(c.size()); ++i) {
      if (c[i].response == response) return i;
    }
    return -1;
  }
};

TEST_F(RequirementWindow, OpensFromTheAnalysisMenuWithoutBlocking) {
  QStringList items;
  for (QAction* a : W().menuAnalysis->actions()) items << a->text();
  EXPECT_EQ(items, (QStringList{"設計の解析...", "仕様から設計..."}));
  TFormRequirement& r = Open();
  EXPECT_TRUE(r.isVisible());
  EXPECT_TRUE(r.isWindow());
  EXPECT_FALSE(r.isModal());
  // The main window stays usable while the window is open.
  Choose(W().CBox_Jisuu, 3);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 3);
}

TEST_F(RequirementWindow, ShowsTheTableAndTheMaskOfAnLpf) {
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "3k", "40"}));
  ASSERT_TRUE(r.Shown().has_value()) << r.Message().toStdString();
  EXPECT_TRUE(r.Message().isEmpty());
  QTableWidget& t = *r.Table();
  // Butterworth, Bessel, Chebyshev 0.25 dB and the five other ripples not
  // above 1 dB, Legendre, Linkwitz-Riley.
  ASSERT_EQ(t.rowCount(), 10);
  EXPECT_EQ(t.item(2, 0)->text(), "チェビシェフ 0.25dB");
  EXPECT_EQ(t.item(3, 0)->text(), "チェビシェフ 0.01dB");
  EXPECT_EQ(t.item(8, 0)->text(), "ルジャンドル");
  EXPECT_EQ(t.item(9, 0)->text(), "リンクウィッツ・ライリー");
  QStringList headers;
  for (int c = 0; c < 12; ++c) headers << t.horizontalHeaderItem(c)->text();
  EXPECT_EQ(headers, (QStringList{"応答", "次数", "カットオフ", "範囲", "通過域余裕", "阻止域余裕", "最大Q", "必要GBW",
                                  "容量比", "オーバーシュート", "群遅延変動", "判定"}));
  EXPECT_EQ(t.item(0, 0)->text(), "バターワース");
  EXPECT_EQ(t.item(0, 1)->text(), "5次");
  EXPECT_EQ(t.item(1, 1)->text(), "—");  // no Bessel of order 2..8 meets
  EXPECT_EQ(t.item(1, 11)->text(), "不適合: ２〜８次ではマスクを満たせません");
  EXPECT_EQ(t.item(2, 1)->text(), "4次");
  EXPECT_EQ(t.item(2, 11)->text(), "適合（推奨）");
  const response::RequirementCandidate& b = r.Shown()->table.candidates[0];
  EXPECT_EQ(t.item(0, 2)->text(), QString::fromStdString(b.cutoffText) + "Hz");
  // The plot: three shaded forbidden regions and one curve per response
  // with an order (of the Chebyshev rows the first ranked), whose gain is
  // the ideal response at the cut-off the sheet would get.
  QCustomPlot& p = *r.Plot();
  EXPECT_EQ(p.itemCount(), 3);
  ASSERT_EQ(p.graphCount(), 4);
  const response::Cascade c = response::IdealCascade(kLpf, kButterworth, 5, b.cutoffTextHz);
  const auto data = p.graph(0)->data();
  for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
    EXPECT_EQ(it->value, response::GainDb(c, it->key));
  }
}

struct MessageRow {
  int kind;
  std::array<const char*, 4> mask;
  const char* message;
};

class RequirementMessages : public RequirementWindow, public ::testing::WithParamInterface<MessageRow> {};

TEST_P(RequirementMessages, AreShownInTheWindowAndClearTheTable) {
  const MessageRow row = GetParam();
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, row.kind, row.mask));
  EXPECT_EQ(r.Message(), QString::fromUtf8(row.message));
  EXPECT_FALSE(r.Shown().has_value());
  EXPECT_EQ(r.Table()->rowCount(), 0);
  EXPECT_TRUE(warnings.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Masks, RequirementMessages,
    ::testing::Values(
        MessageRow{kLpf, {"1k", "1", "abc", "40"}, "阻止域端 fs が読めません: 0 より大きい値を入力下さい。"},
        MessageRow{kLpf, {"", "1", "3k", "40"}, "通過域端 fp が読めません: 0 より大きい値を入力下さい。"},
        MessageRow{kLpf, {"1k", "-1", "3k", "40"}, "通過域の許容差 Ap が読めません: 0 より大きい値を入力下さい。"},
        MessageRow{kLpf, {"3k", "1", "1k", "40"}, "LPF では通過域端 fp を阻止域端 fs より低くして下さい。"},
        MessageRow{kHpf, {"1k", "1", "3k", "40"}, "HPF では通過域端 fp を阻止域端 fs より高くして下さい。"},
        MessageRow{kLpf, {"1k", "40", "3k", "30"}, "阻止域の減衰量 As を通過域の許容差 Ap より大きくして下さい。"}));

TEST_F(RequirementWindow, ConstraintsSwitchCandidatesOffAndAreCheckedToo) {
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "8k", "40"}));
  r.LimitEdit(0)->setText("5");
  r.LimitBox(0)->setChecked(true);
  ASSERT_TRUE(Settle(r));
  ASSERT_TRUE(r.Shown().has_value());
  EXPECT_TRUE(r.Table()->item(0, 11)->text().startsWith("不適合: オーバーシュート"));
  EXPECT_EQ(r.Table()->item(1, 11)->text(), "適合（推奨）");
  r.LimitEdit(0)->setText("x");
  ASSERT_TRUE(Settle(r));
  EXPECT_EQ(r.Message(), "最大オーバーシュート [%] が読めません: 0 以上の値を入力下さい。");
  // HPF: no overshoot or delay limits.
  r.KindBox()->setCurrentIndex(kHpf);
  EXPECT_FALSE(r.LimitBox(0)->isEnabled());
  EXPECT_FALSE(r.LimitEdit(1)->isEnabled());
  EXPECT_TRUE(r.LimitBox(2)->isEnabled());
  EXPECT_EQ(r.Table()->horizontalHeaderItem(8)->text(), "抵抗比");
}

TEST_F(RequirementWindow, TheMarginsAreThoseOfTheTypedCutOff) {
  // The fourth-order Bessel of 1k, 1 dB, 8k, 40 dB: at the typed 1.69k its
  // stop band keeps 0.019 dB (0.074 dB at the geometric mean 1687.25 Hz);
  // here from the stage table's poles.
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "8k", "40"}));
  ASSERT_TRUE(r.Shown().has_value());
  const int row = RowOf(r, kBessel);
  ASSERT_EQ(r.Table()->item(row, 2)->text(), "1.69kHz");
  const kelvara::testing::PoleMargins m =
      kelvara::testing::MarginsFromPoles(kelvara::testing::PolesOf(kLpf, kBessel, 4, 1690), 1e3, 1, 8e3, 40);
  EXPECT_EQ(r.Table()->item(row, 4)->text(), QString::number(m.passDb, 'f', 3) + " dB");
  EXPECT_EQ(r.Table()->item(row, 5)->text(), QString::number(m.stopDb, 'f', 3) + " dB");
  EXPECT_EQ(r.Table()->item(row, 5)->text(), "0.019 dB");
}

TEST_F(RequirementWindow, ADelayLimitNarrowsTheRangeAsTheToolDoes) {
  // 1 kHz / 1 dB / 8 kHz / 40 dB, at most 25 % delay variation: the
  // third-order Butterworth keeps it near the top of its range.
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "8k", "40"}));
  r.LimitEdit(1)->setText("25");
  r.LimitBox(1)->setChecked(true);
  ASSERT_TRUE(Settle(r));
  ASSERT_TRUE(r.Shown().has_value()) << r.Message().toStdString();
  response::RequirementConstraints limits;
  limits.maxDelayVariationPct = 25;
  const response::RequirementResult direct = response::DesignFromRequirement({kLpf, 1e3, 1, 8e3, 40}, limits);
  const response::RequirementCandidate& b = r.Shown()->table.candidates[0];
  EXPECT_EQ(b.order, 3);
  EXPECT_TRUE(b.meets) << b.why;
  EXPECT_EQ(b.range.loHz, direct.candidates[0].range.loHz);
  EXPECT_GT(b.range.loHz, response::CutoffRangeOf(direct.requirement, kButterworth, 3).loHz);
  EXPECT_TRUE(r.Table()->item(0, 11)->text().startsWith("適合"));
  EXPECT_EQ(r.Table()->item(0, 3)->text(), SiText(b.range.loHz) + "〜" + SiText(b.range.hiHz) + "Hz");
  // The window says which constraints depend on the cut-off.
  QLabel* note = r.findChild<QLabel*>(QStringLiteral("Label_ReqLimitNote"));
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->text().contains("オーバーシュートと最大Qはカットオフ周波数によらず"));
}

TEST_F(RequirementWindow, SetsTheSheetAsTheUserWouldAndTheRulesRun) {
  TFormRequirement& r = Open();
  // Order 7: a Bessel for this mask.
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "3", "3.5k", "40"}));
  ASSERT_TRUE(r.Shown().has_value());
  const int row = RowOf(r, kBessel);
  const response::RequirementCandidate& c = r.Shown()->table.candidates[row];
  ASSERT_EQ(c.order, 7);
  r.ApplyToSheet(row);
  EXPECT_EQ(W().CBox_HPFLPF->currentIndex(), kLpf);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 5);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kBessel);
  EXPECT_EQ(W().Edit_Frequency->text(), QString::fromStdString(c.cutoffText));
  // The order's rule: R8 and C8 hidden, R7 and C7 shown, the picture of order 7.
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(7));
  EXPECT_TRUE(ShowsPicture("LPF_7.jpg"));
  EXPECT_EQ(W().lastOrderIndex, 5);  // the order box was left
  EXPECT_TRUE(r.Message().startsWith("シート1 に ベッセル 7次"));
}

TEST_F(RequirementWindow, HpfWithBesselIsRefusedAsTheMainWindowRefusesIt) {
  // A sheet on LPF Bessel: choosing HPF takes Bessel back to Butterworth.
  Choose(W().CBox_gensui, kBessel);
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kHpf, {"1k", "1", "300", "40"}));
  ASSERT_TRUE(r.Shown().has_value());
  ASSERT_EQ(r.Table()->rowCount(), 9);  // no Bessel for an HPF
  r.ApplyToSheet(RowOf(r, kButterworth));
  EXPECT_EQ(W().CBox_HPFLPF->currentIndex(), kHpf);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kButterworth);
  // Asked for HPF Bessel directly, the sheet does what the main window does.
  ASSERT_TRUE(ChooseOnSheet(W(), kHpf, 5, kBessel, "1k"));
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kButterworth);
  // HPF Chebyshev of order 3 is moved to order 4 as the rules move it.
  ASSERT_TRUE(ChooseOnSheet(W(), kHpf, 3, kChebyshev, "1k"));
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kChebyshev);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 2);
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(4));
}

TEST_F(RequirementWindow, TheRunAfterSettingDesignsTheRealisedParts) {
  // Preferred values on the sheet and in the window.
  if (W().CBox_NoProblem->isChecked()) W().CBox_NoProblem->click();
  ASSERT_FALSE(W().CBox_NoProblem->isChecked());
  TFormRequirement& r = Open();
  r.SeriesBox()->setChecked(true);
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "3k", "40"}));
  ASSERT_TRUE(r.Shown().has_value());
  ASSERT_EQ(r.Shown()->realised.size(), 10u);
  EXPECT_FALSE(r.Table()->isColumnHidden(12));
  const int row = RowOf(r, kChebyshev);
  const auto& realised = *r.Shown()->realised[row];
  ASSERT_TRUE(realised.valid);
  r.ApplyToSheet(row);
  W().ButtonValset->click();
  ASSERT_TRUE(WaitForAllRuns());
  const int order = *r.Shown()->table.candidates[row].order;
  for (int i = 0; i < order; ++i) {
    EXPECT_EQ(W().groupR[i].valueEdit->text().toStdString(), values::FormatResistanceDisplay(realised.parts.r[i]));
    EXPECT_EQ(W().groupC[i].valueEdit->text().toStdString(), values::FormatCapacitance(realised.parts.c[i]));
  }
}

TEST_F(RequirementWindow, SettingNewInputsClearsThePartsOnAutoAndKeepsTheFixedOnes) {
  // A 10 kHz LPF designed earlier; C1 then fixed by the user.
  ShowDesign(kLpf, 4, kButterworth, "10k");
  W().groupC[0].fixButton->setChecked(true);
  const QString fixedC1 = W().groupC[0].valueEdit->text();
  ASSERT_FALSE(fixedC1.isEmpty());
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kHpf, {"1k", "1", "300", "40"}));
  ASSERT_TRUE(r.Shown().has_value());
  r.ApplyToSheet(RowOf(r, kButterworth));
  ASSERT_EQ(W().CBox_HPFLPF->currentIndex(), kHpf);
  for (int k = 0; k < TFormMain::kPartCount; ++k) {
    EXPECT_TRUE(W().groupR[k].valueEdit->text().isEmpty()) << "R" << k + 1;
    if (k > 0) {
      EXPECT_TRUE(W().groupC[k].valueEdit->text().isEmpty()) << "C" << k + 1;
    }
  }
  EXPECT_EQ(W().groupC[0].valueEdit->text(), fixedC1);
  EXPECT_TRUE(W().groupC[0].fixButton->isChecked());
  // "ｆ特描画" now asks for the values instead of drawing the old parts.
  warnings.Clear();
  W().ButtonFreq->click();
  EXPECT_FALSE(warnings.Entries().empty());
}

TEST_F(RequirementWindow, SettingTheSameCandidateAgainKeepsTheDesignedParts) {
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "3k", "40"}));
  ASSERT_TRUE(r.Shown().has_value());
  const int row = RowOf(r, kChebyshev);
  r.ApplyToSheet(row);
  W().ButtonValset->click();
  ASSERT_TRUE(WaitForAllRuns());
  const QString r1 = W().groupR[0].valueEdit->text();
  ASSERT_FALSE(r1.isEmpty());
  r.ApplyToSheet(row);
  EXPECT_EQ(W().groupR[0].valueEdit->text(), r1);
}

TEST_F(RequirementWindow, TheSheetGetsTheSeriesTheTableEvaluated) {
  // The table is made with E6 capacitors; the options change afterwards.
  engine::SeriesTexts e6;
  e6.cap = "E6";
  W().ApplySeriesTexts(e6);
  ASSERT_TRUE(W().CBox_NoProblem->isChecked());  // the sheet on any values
  TFormRequirement& r = Open();
  r.SeriesBox()->setChecked(true);
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "3k", "40"}));
  ASSERT_TRUE(r.Shown().has_value());
  W().ApplySeriesTexts(engine::SeriesTexts{});
  const int row = RowOf(r, kButterworth);
  r.ApplyToSheet(row);
  EXPECT_FALSE(W().CBox_NoProblem->isChecked());
  EXPECT_TRUE(W().chkBoxE12[0]->isChecked());
  EXPECT_TRUE(W().chkBoxE12[1]->isChecked());
  EXPECT_EQ(W().ChosenSeriesTexts(), e6);
  EXPECT_EQ(W().chkBoxE12[0]->text(), "ＣはE6系列");
  EXPECT_TRUE(
      r.Message().endsWith("部品の値は表で確かめた系列（ＣはE6系列・" + W().chkBoxE12[1]->text() + "）にしました。"))
      << r.Message().toStdString();
  // The run designs the parts the table evaluated.
  W().ButtonValset->click();
  ASSERT_TRUE(WaitForAllRuns());
  const auto& realised = *r.Shown()->realised[row];
  ASSERT_TRUE(realised.valid);
  for (int i = 0; i < *r.Shown()->table.candidates[row].order; ++i) {
    EXPECT_EQ(W().groupC[i].valueEdit->text().toStdString(), values::FormatCapacitance(realised.parts.c[i]));
  }
  // A table of the ideal filters puts the sheet back on any values.
  r.SeriesBox()->setChecked(false);
  ASSERT_TRUE(Settle(r));
  r.ApplyToSheet(row);
  EXPECT_TRUE(W().CBox_NoProblem->isChecked());
  EXPECT_FALSE(W().chkBoxE12[0]->isChecked());
  EXPECT_TRUE(r.Message().endsWith("部品の値は「問わない」にしました（表は理想の値です）。"))
      << r.Message().toStdString();
}

TEST_F(RequirementWindow, SettingWithoutATableSaysWhy) {
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "abc", "40"}));
  ASSERT_FALSE(r.Shown().has_value());
  const QString before = W().Edit_Frequency->text();
  r.ApplyButton()->click();
  EXPECT_EQ(r.Message(), "表に候補がないので設定できません。阻止域端 fs が読めません: 0 より大きい値を入力下さい。");
  EXPECT_EQ(W().Edit_Frequency->text(), before);
  // Pressed again, the message stays the same.
  r.ApplyButton()->click();
  EXPECT_EQ(r.Message(), "表に候補がないので設定できません。阻止域端 fs が読めません: 0 より大きい値を入力下さい。");
}

TEST_F(RequirementWindow, TheLegendNamesTheRecommendedCurveAndIsHiddenWithoutCurves) {
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "3k", "40"}));
  ASSERT_TRUE(r.Shown().has_value());
  QCustomPlot& p = *r.Plot();
  EXPECT_TRUE(p.legend->visible());
  const int recommended = *r.Shown()->table.recommended;
  const auto& c = r.Shown()->table.candidates[recommended];
  QStringList names;
  for (int g = 0; g < p.graphCount(); ++g) names << p.graph(g)->name();
  // One curve a response with an order (no Bessel of order 2..8 meets):
  // of the Chebyshev rows the recommended one.
  const auto& legendre = r.Shown()->table.candidates[8];
  const auto& riley = r.Shown()->table.candidates[9];
  EXPECT_EQ(names, (QStringList{
                       "バターワース 5次 " + QString::fromStdString(r.Shown()->table.candidates[0].cutoffText) + "Hz",
                       QString::fromStdString(values::ResponseLabel(c.response, c.rippleIndex)) +
                           QStringLiteral(" %1次 ").arg(*c.order) + QString::fromStdString(c.cutoffText) + "Hz（推奨）",
                       QStringLiteral("ルジャンドル %1次 ").arg(*legendre.order) +
                           QString::fromStdString(legendre.cutoffText) + "Hz",
                       QStringLiteral("リンクウィッツ・ライリー %1次 ").arg(*riley.order) +
                           QString::fromStdString(riley.cutoffText) + "Hz"}));
  EXPECT_EQ(c.response, values::kChebyshev);
  // No order of any response meets: no curve, and no empty legend frame.
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "0.5", "1.1k", "80"}));
  ASSERT_TRUE(r.Shown().has_value());
  EXPECT_EQ(p.graphCount(), 0);
  EXPECT_FALSE(p.legend->visible());
  // Nor while the inputs do not read.
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "3k", "40"}));
  EXPECT_TRUE(p.legend->visible());
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "x", "3k", "40"}));
  EXPECT_FALSE(p.legend->visible());
}

TEST_F(RequirementWindow, AtItsDefaultSizeTheTableShowsEveryColumn) {
  // With the preferred values and their yield, sixteen columns.
  TFormRequirement& r = Open();  // at its default size
  r.SeriesBox()->setChecked(true);
  r.YieldBox()->setChecked(true);
  r.YieldEdit(2)->setText("2000");
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "3k", "40"}));
  ASSERT_TRUE(r.Shown().has_value()) << r.Message().toStdString();
  QTableWidget& t = *r.Table();
  QApplication::processEvents();
  int used = 0;
  for (int c = 0; c < t.columnCount(); ++c) used += t.isColumnHidden(c) ? 0 : t.columnWidth(c);
  EXPECT_LE(used, t.viewport()->width());
  EXPECT_EQ(t.horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(t.verticalScrollBar()->maximum(), 0);  // and every row
  // Each cell's text has the room it needs (on up to three lines).
  for (int row = 0; row < t.rowCount(); ++row) {
    for (int c = 0; c < t.columnCount(); ++c) {
      const QTableWidgetItem* item = t.item(row, c);
      if (!item || t.isColumnHidden(c)) continue;
      const QFontMetrics m(item->font());
      const QRect need = m.boundingRect(QRect(0, 0, t.columnWidth(c) - 8, 1000), Qt::TextWordWrap, item->text());
      EXPECT_LE(need.height(), t.rowHeight(row)) << row << " " << c << " " << item->text().toStdString();
    }
  }
}

TEST_F(RequirementWindow, TheMenuBringsBackAMinimisedWindow) {
  TFormRequirement& r = Open();
  r.showMinimized();
  ASSERT_TRUE(r.isMinimized());
  Menu()->trigger();
  EXPECT_FALSE(r.isMinimized());
  EXPECT_TRUE(r.isVisible());
}

TEST_F(RequirementWindow, RemembersItsInputsUnderItsOwnNames) {
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kHpf, {"2k", "0.5", "500", "50"}));
  r.close();
  EXPECT_EQ(store.texts["requirement/fp"], "2k");
  EXPECT_EQ(store.texts["requirement/as"], "50");
  EXPECT_EQ(store.ints["requirement/kind"], 1);
  EXPECT_EQ(store.saves, 0);  // the nineteen values are not written
  Free();
  TFormRequirement& again = Open();
  EXPECT_EQ(again.Field(0)->text(), "2k");
  EXPECT_EQ(again.KindBox()->currentIndex(), kHpf);
}

TEST_F(RequirementWindow, TheTolerancePagesMaskIsFilledFromTheRequirement) {
  TFormRequirement& r = Open();
  ASSERT_TRUE(Enter(r, kLpf, {"2k", "0.5", "6.8k", "45"}));
  ASSERT_TRUE(r.Shown().has_value());
  W().menuDesignAnalysis->trigger();
  ASSERT_NE(W().FormAnalysis, nullptr);
  TolerancePanel& panel = *W().FormAnalysis->Tolerance();
  QPushButton* fromRequirement = panel.findChild<QPushButton*>(QStringLiteral("ButtonMaskFromRequirement"));
  ASSERT_NE(fromRequirement, nullptr);
  fromRequirement->click();
  const std::optional<tolerance::GainMask> mask = panel.MaskSetting();
  ASSERT_TRUE(mask.has_value());
  EXPECT_EQ(mask->passHz, 2000);
  EXPECT_EQ(mask->passDb, 0.5);
  EXPECT_EQ(mask->stopHz, 6800);
  EXPECT_EQ(mask->stopDb, 45);
  // A requirement that does not read changes nothing.
  r.Field(1)->setText("x");
  ASSERT_TRUE(Settle(r));
  r.close();
  panel.findChild<QLineEdit*>(QStringLiteral("EditMaskFp"))->setText("700");
  fromRequirement->click();
  EXPECT_EQ(panel.MaskSetting()->passHz, 700);
}

TEST_F(RequirementWindow, TheYieldOfEachRealisedCandidateIsTheToleranceAnalysisOfItsParts) {
  TFormRequirement& r = Open();
  r.SeriesBox()->setChecked(true);
  r.YieldBox()->setChecked(true);
  r.YieldEdit(0)->setText("1");
  r.YieldEdit(1)->setText("5");
  r.YieldEdit(2)->setText("500");
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "3k", "40"}));
  ASSERT_TRUE(r.Shown().has_value()) << r.Message().toStdString();
  EXPECT_FALSE(r.Table()->isColumnHidden(15));
  tolerance::YieldSettings settings;
  settings.tolerances = tolerance::Tolerances::Uniform(1, 5);
  settings.trials = 500;
  int yields = 0;
  for (int row = 0; row < static_cast<int>(r.Shown()->realised.size()); ++row) {
    const auto& realised = r.Shown()->realised[row];
    if (!realised || !realised->valid) continue;
    ASSERT_TRUE(realised->yield.has_value()) << row;
    const std::optional<tolerance::YieldResult> direct =
        tolerance::CandidateYield(r.Shown()->table.requirement, *realised, settings);
    ASSERT_TRUE(direct.has_value());
    EXPECT_EQ(realised->yield->passed, direct->passed) << row;
    EXPECT_EQ(realised->yield->trials, 500);
    EXPECT_EQ(r.Table()->item(row, 15)->text(),
              QString("%1 % (%2/500)").arg(QString::number(100 * direct->ratio, 'f', 2)).arg(direct->passed));
    ++yields;
  }
  EXPECT_GE(yields, 2);
  // Unreadable tolerances and trial counts are named in the window.
  struct Bad {
    int field;
    const char* text;
    const char* names;
  };
  for (const Bad& b : {Bad{0, "x", "R の許容差 が読めません"}, Bad{1, "60", "C の許容差 が読めません"},
                       Bad{2, "50", "試行回数 が読めません"}, Bad{2, "1e3", "試行回数 が読めません"}}) {
    const QString before = r.YieldEdit(b.field)->text();
    r.YieldEdit(b.field)->setText(QString::fromUtf8(b.text));
    ASSERT_TRUE(Settle(r));
    EXPECT_TRUE(r.Message().startsWith(QString::fromUtf8(b.names))) << r.Message().toStdString();
    EXPECT_FALSE(r.Shown().has_value());
    r.YieldEdit(b.field)->setText(before);
    ASSERT_TRUE(Settle(r));
    EXPECT_TRUE(r.Shown().has_value());
  }
  // Without the series there is no yield to compute: its fields rest.
  r.SeriesBox()->setChecked(false);
  EXPECT_FALSE(r.YieldBox()->isEnabled());
  EXPECT_FALSE(r.YieldEdit(2)->isEnabled());
  r.close();
  EXPECT_EQ(store.ints["requirement/yieldOn"], 1);
  EXPECT_EQ(store.texts["requirement/yieldTrials"], "500");
  Free();
  EXPECT_TRUE(Open().YieldBox()->isChecked());
}

// The legend covers no curve in the pass band, where the user reads the
// ripple against the mask.
TEST_F(RequirementWindow, TheLegendLeavesThePassBandFree) {
  TFormRequirement& r = Open();
  r.resize(1100, 780);
  r.show();
  struct Mask {
    int kind;
    std::array<const char*, 4> fields;
  };
  for (const Mask& m : {Mask{kLpf, {"1k", "1", "3k", "40"}}, Mask{kHpf, {"1k", "1", "300", "40"}}}) {
    ASSERT_TRUE(Enter(r, m.kind, m.fields));
    QCustomPlot& plot = *r.Plot();
    plot.replot();
    const QRect legend = plot.legend->outerRect();
    ASSERT_TRUE(legend.isValid());
    const double fp = r.Shown()->table.requirement.passHz;
    int checked = 0;
    for (int g = 0; g < plot.graphCount(); ++g) {
      for (auto it = plot.graph(g)->data()->constBegin(); it != plot.graph(g)->data()->constEnd(); ++it) {
        const bool inPassBand = m.kind == kLpf ? it->key <= fp : it->key >= fp;
        if (!inPassBand || it->key < plot.xAxis->range().lower || it->key > plot.xAxis->range().upper) continue;
        const QPointF at(plot.xAxis->coordToPixel(it->key), plot.yAxis->coordToPixel(it->value));
        EXPECT_FALSE(legend.contains(at.toPoint())) << m.kind << " " << it->key << " Hz";
        ++checked;
      }
    }
    EXPECT_GT(checked, 0);
  }
}

TEST_F(RequirementWindow, ClosingWhileTheYieldRunsStopsItsTrials) {
  TFormRequirement& r = Open();
  r.SeriesBox()->setChecked(true);
  r.YieldBox()->setChecked(true);
  r.YieldEdit(2)->setText("100000");
  r.Field(2)->setText("3.3k");
  QTest::qWait(TFormRequirement::kCoalesceMs + 5);  // the worker has started
  r.close();
  Free();  // waits for the worker, which stops at its next chunk of trials
  SUCCEED();
}

TEST_F(RequirementWindow, ClosingWhileTheWorkerRunsNeitherCrashesNorHangs) {
  for (int i = 0; i < 5; ++i) {
    TFormRequirement& r = Open();
    r.SeriesBox()->setChecked(true);
    r.Field(2)->setText(QString("%1k").arg(3 + i));
    QTest::qWait(TFormRequirement::kCoalesceMs + 5);  // the worker has started
    r.close();
    Free();
  }
  SUCCEED();
}

// ---- the circuit, the gain and the band-pass mask ---------------------------

TEST_F(RequirementWindow, AtItsDefaultsTheCircuitIsTheUnityGainSallenKey) {
  TFormRequirement& r = Open();
  EXPECT_EQ(r.CircuitBox()->currentIndex(), 0);
  EXPECT_EQ(r.CircuitBox()->itemText(0), "サレン・キー（VCVS）");
  EXPECT_EQ(r.CircuitBox()->count(), 3);
  EXPECT_EQ(r.GainEdit()->text(), "1");
  EXPECT_FALSE(r.GainEdit()->isEnabled());
  EXPECT_EQ(r.KindBox()->itemText(2), "BPF");
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "3k", "40"}));
  ASSERT_TRUE(r.Shown().has_value());
  EXPECT_EQ(r.Shown()->table.circuit, response::RequirementCircuit{});
  EXPECT_TRUE(r.Table()->isVisible());
  EXPECT_FALSE(r.BandTable()->isVisible());
  const response::RequirementResult expected = response::DesignFromRequirement({kLpf, 1000, 1, 3000, 40});
  for (int row = 0; row < r.Table()->rowCount(); ++row) {
    const response::RequirementCandidate& c = expected.candidates[row];
    if (!c.order) continue;
    EXPECT_EQ(r.Table()->item(row, 7)->text(), SiText(c.gbwMinHz) + "Hz");
    EXPECT_EQ(r.Table()->item(row, 8)->text(), QString::number(c.spreadMin, 'g', 4));
  }
}

TEST_F(RequirementWindow, TheCircuitAndGainAreInputsOfTheTableAndGoToTheSheet) {
  TFormRequirement& r = Open();
  Choose(r.CircuitBox(), values::kCircuitMfb);
  EXPECT_TRUE(r.GainEdit()->isEnabled());
  r.GainEdit()->setText("10");
  ASSERT_TRUE(Enter(r, kLpf, {"1k", "1", "3k", "40"}));
  ASSERT_TRUE(r.Shown().has_value()) << r.Message().toStdString();
  const response::RequirementCircuit mfb{values::kCircuitMfb, 10.0};
  EXPECT_EQ(r.Shown()->table.circuit, mfb);
  const response::RequirementResult expected = response::DesignFromRequirement({kLpf, 1000, 1, 3000, 40}, {}, mfb);
  ASSERT_EQ(r.Table()->rowCount(), static_cast<int>(expected.candidates.size()));
  for (int row = 0; row < r.Table()->rowCount(); ++row) {
    const response::RequirementCandidate& c = expected.candidates[row];
    if (!c.order) continue;
    EXPECT_EQ(r.Table()->item(row, 7)->text(), SiText(c.gbwMinHz) + "Hz");
    EXPECT_EQ(r.Table()->item(row, 8)->text(), QString::number(c.spreadMin, 'g', 4));
  }
  // The series parts are the unity-gain Sallen-Key's.
  EXPECT_FALSE(r.SeriesBox()->isEnabled());
  const int row = *r.Shown()->table.recommended;
  const response::RequirementCandidate& c = r.Shown()->table.candidates[row];
  r.ApplyToSheet(row);
  EXPECT_EQ(W().CBox_HPFLPF->currentIndex(), kLpf);
  EXPECT_EQ(W().CBox_Circuit->currentIndex(), values::kCircuitMfb);
  EXPECT_EQ(W().Edit_Gain->text(), "10");
  EXPECT_EQ(W().Edit_Frequency->text(), QString::fromStdString(c.cutoffText));
  EXPECT_FALSE(W().PanelSections->isHidden());
  // The part table of the sheet's rule: an MFB stage has five parts.
  EXPECT_EQ(W().TableSectionParts->rowCount(), 5 * (*c.order / 2) + 3 * (*c.order % 2));
  EXPECT_TRUE(r.Message().contains("多重帰還（MFB）、利得 10 倍")) << r.Message().toStdString();
  // Below 1 the Sallen-Key with gain is refused in the window.
  Choose(r.CircuitBox(), values::kCircuitSallenKeyGain);
  r.GainEdit()->setText("0.5");
  ASSERT_TRUE(Settle(r));
  EXPECT_FALSE(r.Shown().has_value());
  EXPECT_EQ(r.Message(),
            "サレン・キー（利得付き）の利得は 1 以上です。1 より小さい利得は多重帰還（MFB）で設計できます。");
}

class BandPassWindow : public RequirementWindow {
 protected:
  bool EnterBand(TFormRequirement& r, const std::array<const char*, 6>& mask) {
    r.KindBox()->setCurrentIndex(values::kPassKindBpf);
    for (int i = 0; i < 6; ++i) r.BandField(i)->setText(QString::fromUtf8(mask[i]));
    return Settle(r);
  }
};

TEST_F(BandPassWindow, ListsTheBandPassTableOfTheMask) {
  TFormRequirement& r = Open();
  ASSERT_TRUE(EnterBand(r, {"5k", "8k", "12k", "20k", "1", "40"}));
  ASSERT_TRUE(r.Shown().has_value()) << r.Message().toStdString();
  ASSERT_TRUE(r.Shown()->bandPass.has_value());
  EXPECT_TRUE(r.BandTable()->isVisible());
  EXPECT_FALSE(r.Table()->isVisible());
  EXPECT_FALSE(r.Field(0)->isVisible());
  EXPECT_TRUE(r.BandField(0)->isVisible());
  EXPECT_EQ(r.CircuitBox()->currentIndex(), values::kCircuitMfb);
  EXPECT_FALSE(r.CircuitBox()->isEnabled());
  EXPECT_TRUE(r.GainEdit()->isEnabled());
  const response::BandPassRequirementResult expected =
      response::DesignBandPassFromRequirement({5000, 8000, 12000, 20000, 1, 40});
  QTableWidget& t = *r.BandTable();
  ASSERT_EQ(t.rowCount(), static_cast<int>(expected.candidates.size()));
  QStringList headers;
  for (int c = 0; c < t.columnCount(); ++c) headers << t.horizontalHeaderItem(c)->text();
  EXPECT_EQ(headers, (QStringList{"応答", "次数", "中心周波数", "中心の範囲", "帯域幅", "帯域幅の範囲", "通過域余裕",
                                  "阻止域余裕", "最大Q", "必要GBW", "判定"}));
  for (int row = 0; row < t.rowCount(); ++row) {
    const response::BandPassCandidate& c = expected.candidates[row];
    EXPECT_EQ(t.item(row, 0)->text(), QString::fromStdString(values::ResponseLabel(c.response, c.rippleIndex)));
    if (!c.order || c.bandwidthText.empty()) continue;
    EXPECT_EQ(t.item(row, 1)->text(), QString("%1次").arg(*c.order));
    EXPECT_EQ(t.item(row, 2)->text(), QString::fromStdString(c.centerText) + "Hz");
    EXPECT_EQ(t.item(row, 3)->text(), SiText(c.centerRange.loHz) + "〜" + SiText(c.centerRange.hiHz) + "Hz");
    EXPECT_EQ(t.item(row, 4)->text(), QString::fromStdString(c.bandwidthText) + "Hz");
    EXPECT_EQ(t.item(row, 8)->text(), QString::number(c.maxQ, 'g', 5));
    EXPECT_EQ(t.item(row, 9)->text(), SiText(c.gbwMinHz) + "Hz");
    const bool recommended = expected.recommended && *expected.recommended == row;
    EXPECT_EQ(t.item(row, 10)->text(),
              c.meets ? (recommended ? "適合（推奨）" : "適合") : "不適合: " + QString::fromStdString(c.why));
  }
  ASSERT_TRUE(expected.recommended.has_value());
  EXPECT_EQ(t.currentRow(), *expected.recommended);
  // The plot: the pass band's two regions, the two stop bands, and curves
  // at 0 dB at the centre.
  QCustomPlot& p = *r.Plot();
  EXPECT_EQ(p.itemCount(), 4);
  EXPECT_GE(p.graphCount(), 3);
  // Back to LPF: the table of before and the circuit chosen before.
  Choose(r.KindBox(), kLpf);
  ASSERT_TRUE(Settle(r));
  EXPECT_EQ(r.CircuitBox()->currentIndex(), 0);
  EXPECT_TRUE(r.Table()->isVisible());
  EXPECT_TRUE(r.Field(0)->isVisible());
  EXPECT_FALSE(r.Shown()->bandPass.has_value());
}

TEST_F(BandPassWindow, AMaskOutOfOrderSaysSo) {
  TFormRequirement& r = Open();
  ASSERT_TRUE(EnterBand(r, {"5k", "12k", "8k", "20k", "1", "40"}));
  EXPECT_EQ(r.Message(), "BPF では fs1 < fp1 < fp2 < fs2 の順にして下さい。");
  EXPECT_FALSE(r.Shown().has_value());
  ASSERT_TRUE(EnterBand(r, {"5k", "8k", "12k", "abc", "1", "40"}));
  EXPECT_EQ(r.Message(), "阻止域端 fs2 が読めません: 0 より大きい値を入力下さい。");
}

TEST_F(BandPassWindow, SettingACandidateMakesABandPassSheetAndItsPartTable) {
  TFormRequirement& r = Open();
  r.GainEdit()->setText("2");
  ASSERT_TRUE(EnterBand(r, {"5k", "8k", "12k", "20k", "1", "40"}));
  ASSERT_TRUE(r.Shown().has_value()) << r.Message().toStdString();
  const response::BandPassRequirementResult& result = *r.Shown()->bandPass;
  EXPECT_EQ(result.gain, 2.0);
  ASSERT_TRUE(result.recommended.has_value());
  const response::BandPassCandidate& c = result.candidates[*result.recommended];
  r.ApplyToSheet();
  EXPECT_EQ(W().CBox_HPFLPF->currentIndex(), values::kPassKindBpf);
  EXPECT_EQ(W().CBox_Circuit->currentIndex(), values::kCircuitMfb);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), *c.order - 2);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), c.response);
  if (values::HasRipple(c.response)) {
    EXPECT_EQ(W().CBox_ripple->currentIndex(), c.rippleIndex);
  }
  EXPECT_EQ(W().Edit_Frequency->text(), QString::fromStdString(c.centerText));
  EXPECT_EQ(W().Edit_Bandwidth->text(), QString::fromStdString(c.bandwidthText));
  EXPECT_EQ(W().Edit_Gain->text(), "2");
  EXPECT_TRUE(W().Edit_Bandwidth->isVisibleTo(W().PanelSections));
  // Five parts (R1, R2, R3, C1, C2) a section, order / 2 sections.
  ASSERT_EQ(W().TableSectionParts->rowCount(), 5 * (*c.order / 2));
  for (int row = 0; row < W().TableSectionParts->rowCount(); ++row) {
    EXPECT_TRUE(W().TableSectionParts->item(row, 1)->text().isEmpty());
  }
  EXPECT_TRUE(r.Message().startsWith("シート1 に ")) << r.Message().toStdString();
  EXPECT_TRUE(r.Message().contains("中心周波数 " + QString::fromStdString(c.centerText) + "Hz"));
  // "定数設定" designs it.
  W().ButtonValset->click();
  ASSERT_TRUE(WaitForAllRuns());
  for (int row = 0; row < W().TableSectionParts->rowCount(); ++row) {
    EXPECT_FALSE(W().TableSectionParts->item(row, 1)->text().isEmpty()) << row;
  }
}

}  // namespace
}  // namespace kelvara::app::testing
