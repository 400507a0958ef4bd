// The "ノイズ" and "信号レベル" views of the analysis window and the op-amp
// panel's noise fields: what the views draw for the shown design, the op-amp
// list that fills the panel, the user's own entries and the remembered
// texts in the settings store, and the messages for unusable texts.

#include <qcustomplot.h>

#include "app/analysis/analysis_plots.h"
#include "app/analysis/form_analysis.h"
#include "app/analysis/noise_views.h"
#include "engine/design.h"
#include "engine/run_checks.h"
#include "response/noise.h"
#include "response/opamp_catalogue.h"
#include "storage/later_settings.h"
#include "storage/noise_settings.h"
#include "tests/app/app_test_support.h"
#include "tests/support/component_sets.h"
#include "tests/support/recording_run.h"

namespace kelvara::app {
namespace {

class NoiseViewsTest : public testing::WindowTest {
 protected:
  void ShowDesign(int kind, int order, int response, const char* cutoff) {
    const ShownDesign d = WindowTest::ShowDesign(kind, order, response, cutoff);
    request_ = d.request;
    parts_ = d.parts;
  }

  TFormAnalysis& OpenAnalysis() {
    W().menuDesignAnalysisClick();
    return *W().FormAnalysis;
  }

  static int TabOf(TFormAnalysis& a, const QString& text) {
    for (int i = 0; i < a.Views()->count(); ++i)
      if (a.Views()->tabText(i) == text) return i;
    return -1;
  }

  engine::DesignRequest request_;
  engine::ComponentSet parts_;
};

TEST_F(NoiseViewsTest, BothViewsFollowTheShownDesignAndThePanel) {
  ShowDesign(engine::kLpf, 8, engine::kChebyshev, "10k");
  TFormAnalysis& a = OpenAnalysis();
  EXPECT_GE(TabOf(a, QStringLiteral("ノイズ")), 0);
  EXPECT_GE(TabOf(a, QStringLiteral("信号レベル")), 0);
  ASSERT_TRUE(a.NoiseShown().has_value());
  // The ideal op-amp without noise: the eight resistors are drawn beside
  // the total, the table lists the biggest first.
  EXPECT_EQ(a.NoiseView()->Plot()->graphCount(), 1 + 8);
  EXPECT_EQ(a.NoiseView()->Plot()->graph(0)->name(), QStringLiteral("合計"));
  EXPECT_EQ(a.NoiseView()->Table()->rowCount(), NoisePage::kTableRows);
  EXPECT_EQ(a.LevelsView()->Plot()->graphCount(), 4);  // U1..U4, no limits
  EXPECT_EQ(a.LevelsView()->Plot()->graph(3)->name(), QStringLiteral("U4"));

  // en, in and the limits: the op-amps' sources and the limit curves join.
  OpAmpNoiseFields* fields = a.OpAmp()->Noise();
  fields->SetTexts({"5", "100", "1", "26", "2.8", "40"});
  a.Refresh();
  ASSERT_TRUE(a.NoiseShown().has_value());
  EXPECT_EQ(a.NoiseView()->Plot()->graphCount(), 1 + 8 + 8);
  // Every curve can be told from the others in the legend: no two share
  // both colour and line style.
  for (int i = 0; i < a.NoiseView()->Plot()->graphCount(); ++i)
    for (int j = 0; j < i; ++j) {
      const QPen pi = a.NoiseView()->Plot()->graph(i)->pen();
      const QPen pj = a.NoiseView()->Plot()->graph(j)->pen();
      EXPECT_FALSE(pi.color() == pj.color() && pi.style() == pj.style())
          << a.NoiseView()->Plot()->graph(i)->name().toStdString() << " / "
          << a.NoiseView()->Plot()->graph(j)->name().toStdString();
    }
  EXPECT_EQ(a.LevelsView()->Plot()->graphCount(), 4 + 2);
  EXPECT_EQ(a.NoiseShown()->report.temperatureC, 40.0);
  // The window's numbers are the library's.
  response::OpAmpModel m;
  m.noise = {5, 100, 1};
  m.limits = {26, 2.8};
  const response::OpAmpCircuit c = response::CircuitFromComponents(request_, parts_);
  const response::NoiseReport expected = response::IntegrateNoise(c, m, 40, response::DefaultNoiseBand(request_));
  EXPECT_EQ(a.NoiseShown()->report.totalVrms, expected.totalVrms);
  EXPECT_TRUE(a.NoiseView()->Summary()->text().contains(QStringLiteral("温度 40 ℃")));
  EXPECT_TRUE(a.LevelsView()->Summary()->text().contains(QStringLiteral("ダイナミックレンジ")));

  // A real op-amp's first stage peaks at DC a hair below 0 dB: that reads
  // "0.00 dB", never "-0.00 dB".
  a.OpAmp()->SetReal(true);
  a.OpAmp()->GbwEdit()->setText(QStringLiteral("8M"));
  a.OpAmp()->A0Edit()->setText(QStringLiteral("125"));
  a.OpAmp()->RoutEdit()->setText(QStringLiteral("70"));
  a.Refresh();
  ASSERT_TRUE(a.NoiseShown().has_value());
  const QString levels = a.LevelsView()->Summary()->text();
  EXPECT_TRUE(levels.contains(QStringLiteral("U1 最大 0.00 dB"))) << levels.toStdString();
  EXPECT_FALSE(levels.contains(QStringLiteral("-0.0"))) << levels.toStdString();
  a.OpAmp()->SetReal(false);
  a.Refresh();

  // A text that cannot be used: named, and nothing drawn.
  fields->EnEdit()->setText(QStringLiteral("abc"));
  a.Refresh();
  EXPECT_FALSE(a.NoiseShown().has_value());
  EXPECT_EQ(a.NoiseView()->Plot()->graphCount(), 0);
  EXPECT_EQ(fields->Message(), QStringLiteral("en は無効な値: 有効な値を設定下さい。"));
  EXPECT_EQ(a.NoiseView()->Summary()->text(), fields->Message());
  // The gain views stay as they were.
  EXPECT_TRUE(a.Shown().has_value());
}

TEST_F(NoiseViewsTest, ChoosingAnOpAmpFillsThePanel) {
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  TFormAnalysis& a = OpenAnalysis();
  OpAmpNoiseFields* fields = a.OpAmp()->Noise();
  const auto& catalogue = response::OpAmpCatalogue();
  ASSERT_GE(catalogue.size(), 2u);
  EXPECT_EQ(fields->OpAmpList()->count(), 1 + static_cast<int>(catalogue.size()));
  fields->TemperatureEdit()->setText(QStringLiteral("30"));
  Choose(fields->OpAmpList(), 1);
  const response::CatalogueOpAmp& first = catalogue[0];
  EXPECT_TRUE(a.OpAmp()->RealSelected());
  EXPECT_EQ(a.OpAmp()->GbwEdit()->text().toStdString(), first.opamp.gbwHz);
  EXPECT_EQ(a.OpAmp()->A0Edit()->text().toStdString(), first.opamp.a0Db);
  EXPECT_EQ(fields->EnEdit()->text().toStdString(), first.noise.enNvRtHz);
  EXPECT_EQ(fields->SwingEdit()->text().toStdString(), first.noise.swingVpp);
  EXPECT_EQ(fields->TemperatureEdit()->text(), QStringLiteral("30"));                    // the circuit's, kept
  EXPECT_FALSE(fields->OpAmpList()->itemData(1, Qt::ToolTipRole).toString().isEmpty());  // the datasheet
  a.Refresh();
  ASSERT_TRUE(a.NoiseShown().has_value());
  EXPECT_EQ(a.NoiseShown()->levelReport.maxInputVpp.has_value(), !first.noise.swingVpp.empty());
  EXPECT_EQ(a.NoiseShown()->levelReport.slewMaxInputVpp.has_value(), !first.noise.slewVPerUs.empty());
}

// The list is the catalogue kelvara-design's --opamp takes, in its order
// (the first three as before, the others after them): each item fills
// exactly the part's figures.
TEST_F(NoiseViewsTest, EveryPartOfTheListFillsItsFiguresInTheToolsOrder) {
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  TFormAnalysis& a = OpenAnalysis();
  OpAmpNoiseFields* fields = a.OpAmp()->Noise();
  const auto& catalogue = response::OpAmpCatalogue();
  ASSERT_GE(catalogue.size(), 10u);
  ASSERT_EQ(fields->OpAmpList()->count(), 1 + static_cast<int>(catalogue.size()));
  const char* const first[] = {"OP27", "TL072", "RC4559"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(fields->OpAmpList()->itemText(1 + i), QString::fromLatin1(first[i]));
  for (int i = 0; i < static_cast<int>(catalogue.size()); ++i) {
    const response::CatalogueOpAmp& c = catalogue[i];
    EXPECT_EQ(fields->OpAmpList()->itemText(1 + i).toStdString(), c.name);
    a.OpAmp()->SetReal(false);
    Choose(fields->OpAmpList(), 1 + i);
    EXPECT_TRUE(a.OpAmp()->RealSelected()) << c.name;
    EXPECT_EQ(a.OpAmp()->Texts().gbwHz, c.opamp.gbwHz) << c.name;
    EXPECT_EQ(a.OpAmp()->Texts().a0Db, c.opamp.a0Db) << c.name;
    EXPECT_EQ(a.OpAmp()->Texts().routOhm, c.opamp.routOhm) << c.name;
    const response::NoiseTexts noise = fields->Texts();
    EXPECT_EQ(noise.enNvRtHz, c.noise.enNvRtHz) << c.name;
    EXPECT_EQ(noise.enCornerHz, c.noise.enCornerHz) << c.name;
    EXPECT_EQ(noise.inPaRtHz, c.noise.inPaRtHz) << c.name;
    EXPECT_EQ(noise.swingVpp, c.noise.swingVpp) << c.name;
    EXPECT_EQ(noise.slewVPerUs, c.noise.slewVPerUs) << c.name;
    // Every figure can be used: the panel reads them without a message.
    EXPECT_TRUE(a.OpAmp()->NoisyModel().has_value())
        << c.name << ": " << a.OpAmp()->Message().toStdString() << fields->Message().toStdString();
  }
  // RC4559's slew rate from its datasheet's features.
  Choose(fields->OpAmpList(), 3);
  EXPECT_EQ(fields->SlewEdit()->text(), QStringLiteral("1.5"));
}

// 品種 says when the panel's figures are no longer the part's own: a
// changed figure marks the name, the part's figure again (or choosing the
// part again) takes the mark off; the temperature is the circuit's and
// does not count.
TEST_F(NoiseViewsTest, TheListMarksAPartWhoseFiguresWereChanged) {
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  TFormAnalysis& a = OpenAnalysis();
  OpAmpNoiseFields* fields = a.OpAmp()->Noise();
  QComboBox* list = fields->OpAmpList();
  Choose(list, 1);
  EXPECT_EQ(list->currentText(), QStringLiteral("OP27"));
  a.OpAmp()->RoutEdit()->setText(QStringLiteral("0"));
  EXPECT_EQ(list->currentText(), QStringLiteral("OP27（変更あり）"));
  a.OpAmp()->RoutEdit()->setText(QStringLiteral("70"));
  EXPECT_EQ(list->currentText(), QStringLiteral("OP27"));
  fields->TemperatureEdit()->setText(QStringLiteral("60"));
  EXPECT_EQ(list->currentText(), QStringLiteral("OP27"));
  fields->SlewEdit()->setText(QStringLiteral("5"));
  EXPECT_EQ(list->currentText(), QStringLiteral("OP27（変更あり）"));
  // Choosing the part again gives its figures and its plain name.
  Choose(list, 1);
  EXPECT_EQ(list->currentText(), QStringLiteral("OP27"));
  EXPECT_EQ(fields->SlewEdit()->text(), QStringLiteral("2.8"));
  // Another part: the first one's name is plain again in the list.
  a.OpAmp()->GbwEdit()->setText(QStringLiteral("1M"));
  Choose(list, 2);
  EXPECT_EQ(list->itemText(1), QStringLiteral("OP27"));
  EXPECT_EQ(list->currentText(), QStringLiteral("TL072"));
  a.OpAmp()->A0Edit()->setText(QStringLiteral("90"));
  EXPECT_EQ(list->currentText(), QStringLiteral("TL072（変更あり）"));
  // A user's entry is marked the same way.
  fields->SetNameChooser([] { return QStringLiteral("Mine"); });
  fields->AddButton()->click();
  EXPECT_EQ(list->currentText(), QStringLiteral("Mine（登録）"));
  a.OpAmp()->A0Edit()->setText(QStringLiteral("91"));
  EXPECT_EQ(list->currentText(), QStringLiteral("Mine（登録）（変更あり）"));
  EXPECT_EQ(list->itemText(2), QStringLiteral("TL072"));
  // What is remembered is the figures, as before; the mark is not stored.
  a.close();
  EXPECT_EQ(storage::LoadOpAmp(store).a0Db.value_or(QString()), QStringLiteral("91"));
  EXPECT_EQ(storage::LoadUserOpAmps(store).at(0).name, QStringLiteral("Mine"));
}

TEST_F(NoiseViewsTest, UserEntriesAndTextsAreKeptInTheSettingsStore) {
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  {
    TFormAnalysis& a = OpenAnalysis();
    OpAmpNoiseFields* fields = a.OpAmp()->Noise();
    a.OpAmp()->SetReal(true);
    a.OpAmp()->SetTexts({"3M", "110", "40"});
    fields->SetTexts({"9", "20", "0.3", "20", "7", "-10"});
    fields->SetNameChooser([] { return QStringLiteral("My amp"); });
    fields->AddButton()->click();
    ASSERT_EQ(fields->UserEntries().size(), 1u);
    EXPECT_EQ(fields->OpAmpList()->currentText(), QStringLiteral("My amp（登録）"));
    a.close();
  }
  // Stored under names of their own.
  EXPECT_EQ(store.ReadText(QStringLiteral("analysis/opAmpEn")).value_or(QString()), QStringLiteral("9"));
  EXPECT_EQ(store.ReadText(QStringLiteral("analysis/noiseTemperature")).value_or(QString()), QStringLiteral("-10"));
  const std::vector<storage::UserOpAmp> saved = storage::LoadUserOpAmps(store);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].name, QStringLiteral("My amp"));
  EXPECT_EQ(saved[0].gbw, QStringLiteral("3M"));
  EXPECT_EQ(saved[0].slew, QStringLiteral("7"));

  // A new window restores them; choosing the entry fills the panel.
  Build(testing::AssetsDir());
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  TFormAnalysis& b = OpenAnalysis();
  OpAmpNoiseFields* fields = b.OpAmp()->Noise();
  EXPECT_EQ(fields->EnEdit()->text(), QStringLiteral("9"));
  EXPECT_EQ(fields->TemperatureEdit()->text(), QStringLiteral("-10"));
  const int entry = fields->OpAmpList()->count() - 1;
  EXPECT_EQ(fields->OpAmpList()->itemText(entry), QStringLiteral("My amp（登録）"));
  b.OpAmp()->SetTexts({"1M", "100", "0"});
  fields->SetTexts({"", "", "", "", "", "25"});
  Choose(fields->OpAmpList(), entry);
  EXPECT_EQ(b.OpAmp()->GbwEdit()->text(), QStringLiteral("3M"));
  EXPECT_EQ(b.OpAmp()->RoutEdit()->text(), QStringLiteral("40"));
  EXPECT_EQ(fields->InEdit()->text(), QStringLiteral("0.3"));
  // Removing it.
  fields->RemoveButton()->click();
  EXPECT_TRUE(fields->UserEntries().empty());
  EXPECT_TRUE(storage::LoadUserOpAmps(store).empty());
}

// The supply row: on a 5 V single supply OP27 fills its headroom to the
// rails and leaves the swing empty, so the levels use the swing the rails
// leave about the mid-rail bias (2 (2.5 - 1.2) = 2.6 Vpp by hand) and the
// right axis says so; a typed swing overrides it; a supply of 0 is named;
// the row is kept under names of its own and restored.
TEST_F(NoiseViewsTest, TheSupplyGivesTheSwingAndIsRemembered) {
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  {
    TFormAnalysis& a = OpenAnalysis();
    OpAmpNoiseFields* fields = a.OpAmp()->Noise();
    ASSERT_EQ(fields->SupplyKind()->count(), 3);
    EXPECT_EQ(fields->SupplyKind()->currentIndex(), 0);
    EXPECT_FALSE(fields->SupplyEdit()->isEnabled());
    fields->SupplyKind()->setCurrentIndex(2);
    EXPECT_TRUE(fields->SupplyEdit()->isEnabled());
    fields->SupplyEdit()->setText(QStringLiteral("5"));
    Choose(fields->OpAmpList(), 1);
    EXPECT_EQ(fields->OpAmpList()->currentText(), QStringLiteral("OP27"));
    EXPECT_TRUE(fields->SwingEdit()->text().isEmpty());
    EXPECT_EQ(fields->HeadroomPosEdit()->text(), QStringLiteral("1.2"));
    EXPECT_EQ(fields->HeadroomNegEdit()->text(), QStringLiteral("1.2"));
    EXPECT_EQ(fields->SupplyKind()->currentIndex(), 2);  // the supply stays the circuit's
    a.Refresh();
    ASSERT_TRUE(a.NoiseShown().has_value());
    const response::UsedSwing rails = a.NoiseShown()->levelReport.swing;
    EXPECT_EQ(rails.from, response::SwingFrom::kSupply);
    EXPECT_NEAR(rails.vpp, 2.6, 1e-12);
    ASSERT_TRUE(a.NoiseShown()->levelReport.maxInputVpp.has_value());
    auto* plot = a.findChild<QCustomPlot*>(QStringLiteral("PlotLevels"));
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(plot->yAxis2->label(), QStringLiteral("許容入力[Vpp]（出力振幅 2.6Vpp：電源から）"));
    fields->SwingEdit()->setText(QStringLiteral("2"));
    a.Refresh();
    EXPECT_EQ(a.NoiseShown()->levelReport.swing.from, response::SwingFrom::kGiven);
    EXPECT_EQ(a.NoiseShown()->levelReport.swing.vpp, 2.0);
    EXPECT_EQ(plot->yAxis2->label(), QStringLiteral("許容入力[Vpp]（出力振幅 2Vpp）"));
    fields->SwingEdit()->clear();
    fields->SupplyEdit()->setText(QStringLiteral("0"));
    EXPECT_EQ(fields->Message(),
              QStringLiteral("電源電圧 の不正な値: 0 より大きく 1000 以下の値を設定するか空欄にして下さい。"));
    fields->HeadroomNegEdit()->setText(QStringLiteral("-1"));
    fields->SupplyEdit()->setText(QStringLiteral("5"));
    EXPECT_EQ(fields->Message(), QStringLiteral("－側の余裕 の不正な値: 0 以上 1000 以下の値を設定下さい。"));
    fields->HeadroomNegEdit()->setText(QStringLiteral("1.2"));
    EXPECT_TRUE(fields->Message().isEmpty());
    a.close();
  }
  const storage::SupplySettings stored = storage::LoadSupply(store);
  EXPECT_EQ(stored.kind.value_or(-1), 2);
  EXPECT_EQ(stored.volts.value_or(QString()), QStringLiteral("5"));
  EXPECT_EQ(store.ReadText(QStringLiteral("analysis/supplyHeadroomPos")).value_or(QString()), QStringLiteral("1.2"));

  Build(testing::AssetsDir());
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  TFormAnalysis& b = OpenAnalysis();
  OpAmpNoiseFields* fields = b.OpAmp()->Noise();
  EXPECT_EQ(fields->SupplyKind()->currentIndex(), 2);
  EXPECT_EQ(fields->SupplyEdit()->text(), QStringLiteral("5"));
  EXPECT_EQ(fields->HeadroomPosEdit()->text(), QStringLiteral("1.2"));
  // Without a supply the part's own swing is filled as before.
  fields->SupplyKind()->setCurrentIndex(0);
  Choose(fields->OpAmpList(), 1);
  EXPECT_EQ(fields->SwingEdit()->text(), QStringLiteral("27.6"));
}

// The noise page at a glance: the legend names the total, the five biggest
// sources and "その他" for the rest (seventeen curves are drawn), the band
// is shaded between its two marked edges, the table shows every row without
// scrolling, the units are written µV, and the frequency axis reads 1k, 10k.
TEST_F(NoiseViewsTest, TheNoisePageIsReadableAtTheDefaultSize) {
  ShowDesign(engine::kLpf, 8, engine::kChebyshev, "10k");
  TFormAnalysis& a = OpenAnalysis();
  OpAmpNoiseFields* fields = a.OpAmp()->Noise();
  fields->SetTexts({"5", "100", "1", "26", "2.8", "25"});
  a.show();
  a.Views()->setCurrentIndex(TabOf(a, QStringLiteral("ノイズ")));
  a.Refresh();
  QApplication::processEvents();
  ASSERT_TRUE(a.NoiseShown().has_value());
  QCustomPlot* plot = a.NoiseView()->Plot();
  EXPECT_EQ(plot->graphCount(), 1 + 8 + 8);
  ASSERT_EQ(plot->legend->itemCount(), 1 + NoisePage::kLegendSources + 1);
  QCPAbstractLegendItem* others = plot->legend->item(plot->legend->itemCount() - 1);
  ASSERT_NE(others, nullptr);
  EXPECT_EQ(others->objectName(), QStringLiteral("legendOthers"));
  // The named ones are the biggest: the total first, then by their share.
  const response::NoiseReport& report = a.NoiseShown()->report;
  std::vector<double> shares;
  for (std::size_t s = 0; s < report.sources.size(); ++s)
    if (report.sourceVrms[s] > 0) shares.push_back(report.sourceVrms[s]);
  std::sort(shares.rbegin(), shares.rend());
  for (int i = 1; i <= NoisePage::kLegendSources; ++i) {
    auto* item = qobject_cast<QCPPlottableLegendItem*>(plot->legend->item(i));
    ASSERT_NE(item, nullptr) << i;
    const QString name = item->plottable()->name();
    std::size_t s = 0;
    while (s < report.sources.size() && QString::fromStdString(report.sources[s].name) != name) ++s;
    ASSERT_LT(s, report.sources.size()) << name.toStdString();
    EXPECT_EQ(report.sourceVrms[s], shares[i - 1]) << name.toStdString();
  }
  // The band's edges, and the shade between them.
  QCPItemStraightLine* lo = nullptr;
  QCPItemStraightLine* hi = nullptr;
  QCPItemRect* shade = nullptr;
  for (int i = 0; i < plot->itemCount(); ++i) {
    QCPAbstractItem* item = plot->item(i);
    if (item->objectName() == QStringLiteral("noiseBandLo")) lo = qobject_cast<QCPItemStraightLine*>(item);
    if (item->objectName() == QStringLiteral("noiseBandHi")) hi = qobject_cast<QCPItemStraightLine*>(item);
    if (item->objectName() == QStringLiteral("noiseBandShade")) shade = qobject_cast<QCPItemRect*>(item);
  }
  ASSERT_NE(lo, nullptr);
  ASSERT_NE(hi, nullptr);
  ASSERT_NE(shade, nullptr);
  EXPECT_EQ(lo->point1->key(), report.band.loHz);
  EXPECT_EQ(lo->point2->key(), report.band.loHz);
  EXPECT_EQ(hi->point1->key(), report.band.hiHz);
  EXPECT_EQ(shade->topLeft->key(), report.band.loHz);
  EXPECT_EQ(shade->bottomRight->key(), report.band.hiHz);
  // Every row of the table shows, and every column.
  QTableWidget* table = a.NoiseView()->Table();
  ASSERT_EQ(table->rowCount(), NoisePage::kTableRows);
  int rowsHigh = 0;
  for (int r = 0; r < table->rowCount(); ++r) rowsHigh += table->rowHeight(r);
  EXPECT_GE(table->viewport()->height(), rowsHigh);
  int columnsWide = 0;
  for (int c = 0; c < table->columnCount(); ++c) columnsWide += table->columnWidth(c);
  EXPECT_GE(table->viewport()->width(), columnsWide);
  // µV, never uV.
  QString texts = a.NoiseView()->Summary()->text();
  for (int r = 0; r < table->rowCount(); ++r) texts += table->item(r, 1)->text();
  EXPECT_FALSE(texts.contains(QStringLiteral("uV"))) << texts.toStdString();
  EXPECT_TRUE(texts.contains(QStringLiteral("µV")) || texts.contains(QStringLiteral("nV"))) << texts.toStdString();
  EXPECT_EQ(SiText(4.7e-6, 4), QStringLiteral("4.7µ"));
  // The frequency axis in SI form.
  plot->replot();
  const QVector<QString> labels = plot->xAxis->tickVectorLabels();
  EXPECT_TRUE(labels.contains(QStringLiteral("1k"))) << labels.join(' ').toStdString();
  EXPECT_TRUE(labels.contains(QStringLiteral("10k"))) << labels.join(' ').toStdString();
  for (const QString& l : labels) EXPECT_FALSE(l.contains(QLatin1Char('E'))) << l.toStdString();
}

// The frequency axes of every analysis view read 1, 10, 100, 1k, ...
TEST(AnalysisAxes, FrequencyTicksInSiForm) {
  const struct {
    double hz;
    const char* label;
  } cases[] = {{1, "1"},    {10, "10"},   {100, "100"}, {1e3, "1k"},  {1e4, "10k"},  {1e5, "100k"},
               {1e6, "1M"}, {1e7, "10M"}, {1e9, "1G"},  {0.1, "0.1"}, {0.01, "0.01"}};
  for (const auto& c : cases) EXPECT_EQ(FrequencyTickLabel(c.hz), QString::fromLatin1(c.label)) << c.hz;
}

}  // namespace
}  // namespace kelvara::app
