// The analysis window of a sheet built of sections: its stage table holds
// the figures kelvara-design --analysis gives of the same part values (the
// same library functions), its gain view the sections' gain, a band-pass
// sheet its centre and bandwidth; what the window cannot compute of
// sections it says in its messages, never showing the hidden part groups'
// numbers. A unity-gain sheet keeps its own table.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTableWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "app/analysis/analysis_texts.h"
#include "app/analysis/form_analysis.h"
#include "app/analysis/tolerance_panel.h"
#include "response/section_views.h"
#include "tests/app/analysis/tool_json.h"
#include "tests/app/main_window/chart_test_support.h"
#include "tests/app/main_window/run_support.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"
#include "values/section_record.h"

namespace kelvara::app::testing {
namespace {

std::optional<double> Optional(const nlohmann::json& v) {
  return v.is_null() ? std::nullopt : std::optional<double>(v.get<double>());
}

class AnalysisSections : public ChartTest {
 protected:
  void TearDown() override {
    if (W().FormAnalysis) W().FormAnalysis->Tolerance()->StopAndWait();
    EXPECT_TRUE(WaitForAllRuns());
    ChartTest::TearDown();
  }

  /// A sheet of sections typed as a user would.
  struct Sheet {
    int passKind = values::kLpf;
    int circuit = values::kCircuitMfb;
    int orderIndex = 2;  // 4th order
    const char* cutoff = "10k";
    const char* gain = "10";
    const char* bandwidth = "";
  };
  void TypeSheet(const Sheet& s) {
    Choose(W().CBox_HPFLPF, s.passKind);
    if (s.passKind != values::kPassKindBpf) Choose(W().CBox_Circuit, s.circuit);
    Choose(W().CBox_Jisuu, s.orderIndex);
    W().Edit_Frequency->setText(QString::fromLatin1(s.cutoff));
    W().Edit_Gain->setText(QString::fromLatin1(s.gain));
    W().Edit_Bandwidth->setText(QString::fromLatin1(s.bandwidth));
  }

  /// Types the parts into the sheet's table by name: every digit, or as a
  /// run shows them (three digits).
  void TypeParts(const nlohmann::json& parts, bool shown) {
    QTableWidget* table = W().TableSectionParts;
    ASSERT_EQ(table->rowCount(), static_cast<int>(parts.size()));
    for (int row = 0; row < table->rowCount(); ++row) {
      const std::string name = table->item(row, 0)->text().toStdString();
      ASSERT_TRUE(parts.contains(name)) << name;
      const double v = parts[name].get<double>();
      const std::string text = !shown           ? QString::number(v, 'g', 17).toStdString()
                               : name[0] == 'R' ? values::FormatResistanceDisplay(v)
                                                : values::FormatCapacitance(v);
      table->item(row, 1)->setText(QString::fromStdString(text));
    }
  }

  /// A calculation run of the sheet, to its end.
  void Design() {
    QTest::mouseClick(W().ButtonValset, Qt::LeftButton);
    ASSERT_TRUE(WaitForAllRuns());
  }

  TFormAnalysis& Analysis() {
    if (!W().FormAnalysis) W().menuDesignAnalysis->trigger();
    W().FormAnalysis->ScheduleRefresh();
    EXPECT_TRUE(WaitFor([this] { return !W().FormAnalysis->RefreshPending(); }));
    return *W().FormAnalysis;
  }
};

TEST_F(AnalysisSections, TheStageTableIsTheToolsOfTheSameValues) {
#ifndef KELVARA_DESIGN_EXE
  GTEST_SKIP() << "kelvara-design is not built";
#else
  struct Case {
    const char* name;
    Sheet sheet;
    const char* args;
  } cases[] = {
      {"MFB LPF 4 gain 10",
       {values::kLpf, values::kCircuitMfb, 2, "10k", "10"},
       "--topology mfb --gain 10 --order 4 --cutoff 10k --kind lpf --analysis"},
      {"MFB HPF 5 gain 4",
       {values::kHpf, values::kCircuitMfb, 3, "2.2k", "4"},
       "--topology mfb --gain 4 --order 5 --cutoff 2.2k --kind hpf --analysis"},
      {"Sallen-Key with gain LPF 6 gain 8",
       {values::kLpf, values::kCircuitSallenKeyGain, 4, "1k", "8"},
       "--topology sallen-key --gain 8 --order 6 --cutoff 1k --kind lpf --analysis"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const nlohmann::json tool = ToolJson(c.args);
    ASSERT_TRUE(tool.is_object());
    TypeSheet(c.sheet);
    TypeParts(tool["parts"], false);
    TFormAnalysis& a = Analysis();
    EXPECT_TRUE(a.Messages().isEmpty()) << a.Messages().toStdString();
    ASSERT_TRUE(a.SectionsShown());
    const std::vector<response::SectionStageRow>& stages = a.SectionsShown()->stages;
    ASSERT_EQ(stages.size(), tool["stages"].size());
    ASSERT_EQ(a.Table()->rowCount(), static_cast<int>(stages.size()));
    EXPECT_EQ(a.Table()->columnCount(), static_cast<int>(std::size(analysis_text::kSectionColumns)));
    for (std::size_t k = 0; k < stages.size(); ++k) {
      const response::SectionStageRow& w = stages[k];
      const nlohmann::json& t = tool["stages"][k];
      EXPECT_EQ(w.topology, t["topology"].get<std::string>());
      EXPECT_EQ(w.order, t["order"].get<int>());
      EXPECT_EQ(w.parts, t["parts"].get<std::vector<std::string> >());
      EXPECT_EQ(w.f0TargetHz, t["f0_target_hz"].get<double>());
      EXPECT_EQ(w.qTarget, Optional(t["q_target"]));
      EXPECT_EQ(w.gainTarget, t["gain_target"].get<double>());
      EXPECT_EQ(w.f0Hz, t["f0_hz"].get<double>());
      EXPECT_EQ(w.q, Optional(t["q"]));
      EXPECT_EQ(w.gain, t["gain"].get<double>());
      EXPECT_EQ(w.need.noiseGain, t["noise_gain"].get<double>());
      EXPECT_EQ(w.need.gbwMinHz, t["gbw_min_hz"].get<double>());
      EXPECT_EQ(w.output.maxGainDb, t["output_peak_db"].get<double>());
      EXPECT_EQ(w.output.atHz, t["output_peak_hz"].get<double>());
      // The realised figures of the exact values are the targets.
      EXPECT_NEAR(*w.f0ErrorPct, 0, 1e-6);
      if (w.qErrorPct) {
        EXPECT_NEAR(*w.qErrorPct, 0, 1e-6);
      }
    }
    EXPECT_EQ(a.SectionsShown()->gain, tool["gain"].get<double>());
    EXPECT_EQ(a.SectionsShown()->summary->minus3dbHz, tool["minus3db_hz"].get<double>());
  }
#endif
}

// What each stage asks of its op-amp: 100 f0 Q times its amplifier's noise
// gain, a Sallen-Key stage of gain K exactly K, an MFB stage of gain -G
// 1 + G; a band-pass section's noise gain at its centre is 1 + 2 Q^2 for
// equal capacitors without an input divider (2 Q^2 + 1 = 1 + Rf / (Rin || Rd) / 2
// with Rd: at least 2 Q^2 up to 1 + 2 Q^2), and it asks 100 f0 times it.
TEST_F(AnalysisSections, EachStageNeedsItsGainBandwidthForItsNoiseGain) {
  struct Case {
    const char* name;
    Sheet sheet;
    double noiseGain;  // of every stage; 0: a band-pass section's
  } cases[] = {
      {"Sallen-Key 2 x 2", {values::kLpf, values::kCircuitSallenKeyGain, 2, "10k", "4"}, 2.0},
      {"MFB 3 x 3", {values::kLpf, values::kCircuitMfb, 2, "10k", "9"}, 4.0},
      {"MFB HPF 3 x 3", {values::kHpf, values::kCircuitMfb, 2, "10k", "9"}, 4.0},
      {"BPF", {values::kPassKindBpf, values::kCircuitMfb, 2, "10k", "1", "2k"}, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TypeSheet(c.sheet);
    Design();
    TFormAnalysis& a = Analysis();
    ASSERT_TRUE(a.SectionsShown()) << a.Messages().toStdString();
    for (const response::SectionStageRow& s : a.SectionsShown()->stages) {
      if (c.noiseGain > 0) {
        // Of the shown values (three digits): their own gain's.
        const double g = std::abs(s.gain);
        EXPECT_DOUBLE_EQ(s.need.noiseGain, s.gain < 0 ? 1 + g : g);
        EXPECT_NEAR(s.need.noiseGain / c.noiseGain, 1, 1e-2);
        EXPECT_NEAR(s.need.gbwMinHz, 100 * s.f0Hz * *s.q * s.need.noiseGain, 1e-9 * s.need.gbwMinHz);
      } else {
        const double q2 = *s.q * *s.q;
        EXPECT_GE(s.need.noiseGain, 2 * q2 * (1 - 1e-2));
        EXPECT_LE(s.need.noiseGain, (1 + 2 * q2) * (1 + 1e-2));
        EXPECT_NEAR(s.need.gbwMinHz, 100 * s.f0Hz * s.need.noiseGain, 1e-9 * s.need.gbwMinHz);
      }
    }
  }
}

TEST_F(AnalysisSections, TheGainViewAt10HzIsTheSheetsGainOfTheShownValues) {
#ifndef KELVARA_DESIGN_EXE
  GTEST_SKIP() << "kelvara-design is not built";
#else
  const nlohmann::json tool = ToolJson("--topology mfb --gain 10 --order 4 --cutoff 10k --kind lpf --analysis");
  ASSERT_TRUE(tool.is_object());
  TypeSheet({});
  TypeParts(tool["parts"], true);
  // The ｆ特 page's X axis: 10 Hz to 100 kHz.
  W().CBox_XBig->setCurrentIndex(6);
  W().CBox_Xsmall->setCurrentIndex(9);
  if (!W().FormAnalysis) W().menuDesignAnalysis->trigger();
  W().FormAnalysis->SetFrequencyRange(TFormAnalysis::FrequencyRange::kChartPage);
  TFormAnalysis& a = Analysis();
  ASSERT_TRUE(a.Shown());
  const response::Curve& gain = a.Shown()->gain;
  ASSERT_FALSE(gain.x.empty());
  EXPECT_DOUBLE_EQ(gain.x.front(), 10.0);
  // The shown values are rounded to three digits.
  EXPECT_NEAR(gain.y.front(), 20.0, 0.05);
  // The step settles at the gain, an MFB pair not inverting.
  ASSERT_FALSE(a.Shown()->step.y.empty());
  EXPECT_NEAR(a.Shown()->step.y.back(), 10.0, 0.05);
  EXPECT_TRUE(a.Summary()->text().contains(QString::fromUtf8("非反転")));
  EXPECT_FALSE(a.Shown()->poles.empty());
  // Never the hidden part groups' figures: no unity-gain stage table.
  EXPECT_TRUE(a.Shown()->stages.empty());
  EXPECT_EQ(a.Table()->horizontalHeaderItem(1)->text(), QString::fromUtf8("回路"));
#endif
}

TEST_F(AnalysisSections, ABandPassSheetShowsItsCentreAndBandwidth) {
  TypeSheet({values::kPassKindBpf, values::kCircuitMfb, 2, "10k", "1", "2k"});
  Design();
  TFormAnalysis& a = Analysis();
  ASSERT_TRUE(a.SectionsShown()) << a.Messages().toStdString();
  const std::optional<response::BandPassSummary>& band = a.SectionsShown()->band;
  ASSERT_TRUE(band);
  // Of the values as the table shows them (three digits).
  EXPECT_NEAR(band->centerHz / 10e3, 1, 0.01);
  EXPECT_NEAR(band->bandwidthHz / 2e3, 1, 0.02);
  const QString summary = a.Summary()->text();
  EXPECT_TRUE(summary.contains(QString::fromUtf8("中心"))) << summary.toStdString();
  EXPECT_TRUE(summary.contains(QString::fromUtf8("帯域幅"))) << summary.toStdString();
  // Its gain line gives the gain at the centre (1), not the product of the
  // two sections' own peaks (about 2).
  const QRegularExpressionMatch passGain =
      QRegularExpression(QString::fromUtf8("通過域利得  ([0-9.]+) 倍")).match(summary);
  ASSERT_TRUE(passGain.hasMatch()) << summary.toStdString();
  EXPECT_NEAR(passGain.captured(1).toDouble(), 1.0, 0.01) << summary.toStdString();
  EXPECT_EQ(a.Table()->rowCount(), 2);
  // Its step rises and rings back to 0, with its settling times in the
  // summary; the impulse is there too. Its tolerance page takes a band-pass
  // mask.
  ASSERT_FALSE(a.Shown()->step.y.empty());
  // Settled within 0.1 % of the centre gain (1) at the end of the view.
  EXPECT_NEAR(a.Shown()->step.y.front(), 0.0, 1e-12);
  EXPECT_LE(std::fabs(a.Shown()->step.y.back()), 1e-3 * (1 + 1e-9));
  EXPECT_GT(*std::max_element(a.Shown()->step.y.begin(), a.Shown()->step.y.end()), 0.05);
  EXPECT_FALSE(a.Shown()->impulse.y.empty());
  EXPECT_TRUE(summary.contains(QString::fromUtf8("整定"))) << summary.toStdString();
  EXPECT_FALSE(summary.contains(QString::fromUtf8("オーバーシュート"))) << summary.toStdString();
  EXPECT_TRUE(a.Tolerance()->BandPass());
}

TEST_F(AnalysisSections, ARealOpAmpGivesTheFrequencyViewsAndSaysWhatItCannot) {
  TypeSheet({});
  Design();
  if (!W().FormAnalysis) W().menuDesignAnalysis->trigger();
  OpAmpPanel& panel = *W().FormAnalysis->OpAmp();
  response::OpAmpTexts texts;
  texts.gbwHz = "100k";
  texts.a0Db = "100";
  texts.routOhm = "50";
  panel.SetTexts(texts);
  panel.SetReal(true);
  TFormAnalysis& a = Analysis();
  ASSERT_TRUE(a.SectionsReal());
  ASSERT_EQ(a.SectionsReal()->stages.size(), 2u);
  // 100 kHz is short of what a 10 kHz stage of noise gain above 1 asks.
  for (const response::SectionOpAmpStage& s : a.SectionsReal()->stages) EXPECT_FALSE(s.gbwMet);
  EXPECT_EQ(a.Table()->columnCount(), static_cast<int>(std::size(analysis_text::kSectionColumns) +
                                                       std::size(analysis_text::kSectionOpAmpColumns)));
  // The real curve lies under the ideal one in the pass band's top.
  EXPECT_EQ(a.Plot(PlotKind::kGain)->graphCount(), 2);
  EXPECT_TRUE(a.Messages().contains(QString::fromUtf8(analysis_text::kSectionsRealOpAmp)));
  // The noise of the sections' circuit with that op-amp.
  ASSERT_TRUE(a.NoiseShown());
  EXPECT_GT(a.NoiseShown()->report.totalVrms, 0);
  EXPECT_EQ(a.NoiseShown()->levelReport.stages.size(), 2u);
}

TEST_F(AnalysisSections, TheTolerancePageTakesTheSectionsParts) {
  TypeSheet({});
  Design();
  TFormAnalysis& a = Analysis();
  QTableWidget* parts = a.Tolerance()->PartTable();
  ASSERT_EQ(parts->rowCount(), 10);
  EXPECT_EQ(parts->item(0, 0)->text(), "R1");
  EXPECT_EQ(parts->item(5, 0)->text(), "R6");
  EXPECT_EQ(parts->item(9, 0)->text(), "C4");
}

TEST_F(AnalysisSections, BackToTheUnityGainSheetItsOwnTableReturns) {
  TypeSheet({});
  TFormAnalysis& a = Analysis();
  EXPECT_TRUE(a.SectionsShown() || !a.Messages().isEmpty());
  Choose(W().CBox_Circuit, 0);
  TypeDesign(W(), Designed(engine::kLpf, 4, engine::kButterworth, "10k"));
  Analysis();
  EXPECT_FALSE(a.SectionsShown());
  ASSERT_TRUE(a.Shown());
  EXPECT_EQ(a.Shown()->stages.size(), 2u);
  EXPECT_EQ(a.Table()->columnCount(), static_cast<int>(std::size(analysis_text::kColumns)));
  EXPECT_EQ(a.Table()->horizontalHeaderItem(1)->text(), QString::fromUtf8(analysis_text::kColumns[1]));
}

}  // namespace
}  // namespace kelvara::app::testing
