// The design report of a design whose analyses the analysis window holds:
// every analysis with the conditions it was computed under (the tolerance
// study's tolerances, distribution, trials, seed and mask, its worst case;
// the noise band, temperature and the op-amp's noise; the op-amp's limits),
// the op-amp by its name with all its figures, and which op-amp each
// -3 dB frequency is for.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>

#include "app/analysis/form_analysis.h"
#include "app/analysis/opamp_panel.h"
#include "app/analysis/tolerance_panel.h"
#include "tests/app/analysis/tolerance_page_support.h"

namespace kelvara::app::testing {
namespace {

using ReportOfTheWindow = TolerancePageTest;

/// The text without the line breaks and the spaces pdftotext puts in.
std::string Flat(const std::string& text) {
  std::string flat;
  for (char c : text) {
    if (c != '\n' && c != ' ' && c != '\f') flat += c;
  }
  return flat;
}

TEST_F(ReportOfTheWindow, CarriesEveryAnalysisWithItsConditions) {
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext not found";
  QTemporaryDir dir;
  TFormAnalysis& a = Open();
  // Nothing analysed beyond the design: no analyses page.
  const std::string plain = Flat(ReportText(dir.filePath("plain.pdf")));
  EXPECT_EQ(plain.find("公差解析"), std::string::npos);
  // The window's noise view holds the resistors' noise even of the ideal
  // op-amp; its section is there.
  EXPECT_NE(plain.find("出力雑音"), std::string::npos) << plain;

  OpAmpNoiseFields& fields = *a.OpAmp()->Noise();
  emit fields.OpAmpList()->activated(1);  // OP27
  a.OpAmp()->RealButton()->click();
  TolerancePanel& p = *a.Tolerance();
  SetMask(p, "700", 0.5, "3k", 40);
  p.findChild<QSpinBox*>("EditTrials")->setValue(200);
  p.findChild<QSpinBox*>("EditSeed")->setValue(7);
  p.WorstCase()->setChecked(true);
  ASSERT_TRUE(Settled(a));
  ASSERT_TRUE(Run(a));
  ASSERT_NE(p.Result(), nullptr);
  ASSERT_NE(p.WorstCaseResult(), nullptr);
  const std::string text = Flat(ReportText(dir.filePath("full.pdf")));
  // KELVARA_KEEP_REPORTS=DIR keeps the PDF to look at.
  if (const char* keep = std::getenv("KELVARA_KEEP_REPORTS")) {
    const QString kept = QDir(QString::fromLocal8Bit(keep)).filePath(QStringLiteral("report-analyses.pdf"));
    QFile::remove(kept);
    QFile::copy(dir.filePath("full.pdf"), kept);
  }
  for (const char* expected : {
           // The op-amp by its name, with every figure.
           "オペアンプ:実オペアンプOP27、GBW8.000MHz、A0125.1dB、Rout70.00Ω",
           "en3nV/√Hz(1/f2.7Hz)、in0.4pA/√Hz、出力振幅27.6Vpp、スルーレート2.8V/µs",
           // Which op-amp a -3 dB frequency is for.
           "（理想オペアンプ）",
           "−3dB周波数（実オペアンプOP27）",
           // The yield with its conditions.
           "公差:抵抗±1%、コンデンサ±5%",
           "分布:一様(±公差)",
           "200試行、シード7",
           "マスク:通過域fp700.000Hzまで±0.5dB、阻止域fs3.000kHzから-40dB",
           "歩留まり",
           // The worst case.
           "ワーストケース",
           "コーナー（各部品±公差）",
           // Noise and levels.
           "帯域:1.000Hz",
           "10.000kHz、温度:25℃",
           "−3dB周波数（実オペアンプOP27）:公称",
           "出力雑音",
           "入力換算",
           "主な雑音源:",
           "各オペアンプ出力の最大ゲイン:U1",
           "最大入力（出力振幅）",
           "ダイナミックレンジ",
       }) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  EXPECT_NE(text.find("3/3ページ"), std::string::npos);
}

}  // namespace
}  // namespace kelvara::app::testing
