// The design report's own parts, built from designs without a window: the
// stage table's numbers, the circuit with its values, and the real op-amp's
// curves and columns.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/report/design_report.h"
#include "app/report/report_numbers.h"
#include "app/report/report_sections.h"
#include "app/report/report_texts.h"
#include "engine/part_series.h"
#include "engine/sheet_inputs.h"
#include "response/analysis.h"
#include "schematic/schematic.h"
#include "tests/support/command_output.h"
#include "tools/designer/headless_design.h"
#include "values/eng_value.h"

namespace kelvara::app::report {
namespace {

struct ReportCase {
  const char* name;
  int passKind;  // 0 LPF, 1 HPF
  int order;
  int response;  // 0 Butterworth, 1 Bessel, 2 Chebyshev
  const char* cutoff;
  bool series;
  engine::CapSeriesKind cap = engine::CapSeriesKind::kDefault;
  engine::ResSeriesKind res = engine::ResSeriesKind::kDefault;
};

ReportContent ContentOf(const ReportCase& c) {
  engine::SheetInputs in;
  in.passKind = c.passKind;
  in.orderIndex = c.order - 2;
  in.response = c.response;
  in.cutoffText = c.cutoff;
  in.anyValues = !c.series;
  ReportContent content;
  content.request = engine::RequestOf(in);
  content.series.cap = c.cap;
  content.series.res = c.res;
  content.parts =
      tools::RunHeadlessDesign(content.request, in.parts, std::nullopt, &engine::PartSeriesOf(content.series)).parts;
  content.sheetName = QStringLiteral("Sheet1");
  content.created = QDateTime(QDate(2026, 12, 8), QTime(10, 0));
  content.curveName = content.sheetName;
  content.fStartHz = 10;
  content.fTopHz = 10e6;
  return content;
}

const ReportCase kDesigns[] = {
    {"Lpf8ChebyshevE6E96", 0, 8, 2, "1k", true, engine::CapSeriesKind::kE6, engine::ResSeriesKind::kE96},
    {"Lpf8ChebyshevSeries", 0, 8, 2, "1k", true},
    {"Lpf7BesselExact", 0, 7, 1, "999.9996", false},
    {"Hpf5ButterworthSeries", 1, 5, 0, "10k", true},
    {"Hpf8ChebyshevExact", 1, 8, 2, "470", false},
    {"Lpf2ButterworthE24E192", 0, 2, 0, "300k", true, engine::CapSeriesKind::kE24, engine::ResSeriesKind::kE192},
};

class StageTable : public ::testing::TestWithParam<ReportCase> {};

// Frequencies in one form ("1.000kHz"), no "-0.000", ratios to four
// significant digits, and a target and a realised f0 or Q that differ read
// differently.
TEST_P(StageTable, ReadsCleanlyAndTellsTargetFromRealised) {
  const ReportContent content = ContentOf(GetParam());
  const std::vector<QStringList> rows = StageRows(content);
  const auto evaluation = response::EvaluateStages(content.request, content.parts);
  ASSERT_EQ(rows.size(), evaluation.size());
  const QRegularExpression frequency(QStringLiteral("^[1-9][0-9]{0,2}\\.[0-9]{3,9}[kMG]?Hz$"));
  const QRegularExpression ratio(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const QStringList& row = rows[i];
    const response::StageEvaluation& e = evaluation[i];
    ASSERT_EQ(row.size(), 11);
    for (int column : {3, 5}) EXPECT_TRUE(frequency.match(row[column]).hasMatch()) << row[column].toStdString();
    for (const QString& cell : row) EXPECT_FALSE(cell.startsWith(QStringLiteral("-0.000"))) << cell.toStdString();
    EXPECT_FALSE(row.join(' ').contains(QStringLiteral("-0.00 "))) << row.join(' ').toStdString();
    const bool f0Differs = std::fabs(e.f0Hz - e.f0TargetHz) > 1e-9 * e.f0TargetHz;
    EXPECT_EQ(row[3] != row[5], f0Differs) << row[3].toStdString() << " " << row[5].toStdString();
    if (e.q && e.qTarget) {
      EXPECT_EQ(row[4] != row[6], std::fabs(*e.q - *e.qTarget) > 1e-9 * *e.qTarget)
          << row[4].toStdString() << " " << row[6].toStdString();
    }
    if (e.ratio) {
      EXPECT_TRUE(ratio.match(row[10]).hasMatch()) << row[10].toStdString();
      QString digits = row[10];
      digits.remove(QLatin1Char('.'));
      while (digits.startsWith(QLatin1Char('0'))) digits.remove(0, 1);
      EXPECT_LE(digits.size(), 5) << row[10].toStdString();
    }
  }
  // The summary and the parameters use the same form.
  for (const QString& line : SummaryLines(content)) {
    EXPECT_FALSE(line.contains(QRegularExpression(QStringLiteral("[0-9]{4}\\.[0-9]+Hz")))) << line.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Designs, StageTable, ::testing::ValuesIn(kDesigns),
                         [](const auto& info) { return std::string(info.param.name); });

// The E6/E96 order-8 Chebyshev design whose stage 4 read "1.017kHz" twice.
TEST(StageTableE96, StageFourShowsItsDifference) {
  const ReportContent content = ContentOf(kDesigns[0]);
  const auto evaluation = response::EvaluateStages(content.request, content.parts);
  const std::vector<QStringList> rows = StageRows(content);
  int sameBefore = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const response::StageEvaluation& e = evaluation[i];
    if (values::FormatFrequency(e.f0TargetHz) == values::FormatFrequency(e.f0Hz) && e.f0TargetHz != e.f0Hz) {
      ++sameBefore;
      EXPECT_NE(rows[i][3], rows[i][5]) << "stage " << e.stage;
    }
  }
  EXPECT_GT(sameBefore, 0) << "the design no longer shows the case";
}

TEST(ReportNumbers, FormsAsAnEngineerReadsThem) {
  struct Case {
    QString text;
    const char* expected;
  } cases[] = {
      {FrequencyText(999.9996), "1.000kHz"},
      {FrequencyText(1000), "1.000kHz"},
      {FrequencyText(470), "470.000Hz"},
      {FrequencyText(999999.9), "1.000MHz"},
      {FrequencyText(1.5e9), "1.500GHz"},
      {FrequencyText(0), "0.000Hz"},
      {FrequencyText(16.2, 1), "16.2Hz"},
      {FixedText(-0.0004, 3), "0.000"},
      {FixedText(-0.0, 2), "0.00"},
      {FixedText(-0.0006, 3), "-0.001"},
      {PercentText(-1e-12), "0.000 %"},
      {PercentText(1.23456), "1.235 %"},
      {RatioText(470), "470"},
      {RatioText(470.0000001), "470"},
      {RatioText(2.2), "2.2"},
      {RatioText(1.466667), "1.467"},
      {RatioText(0.4545454), "0.4545"},
      {RatioText(10), "10"},
      {DistinctFrequencies(1016.9, 1017.2).first, "1.0169kHz"},
      {DistinctFrequencies(1016.9, 1017.2).second, "1.0172kHz"},
      {DistinctFrequencies(1000, 1000 * (1 + 1e-13)).second, "1.000kHz"},
      {DistinctQ(0.70711, 0.707112).second, "0.707112"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text.toStdString(), c.expected);
}

// The circuit of the report with the designed values: the label check of
// the pictures finds nothing touching, for every kind and order.
TEST(ReportCircuit, ValuesTouchNothingForEveryKindAndOrder) {
  for (int passKind : {0, 1}) {
    for (int order = 2; order <= 8; ++order) {
      for (bool series : {false, true}) {
        const ReportCase c{"", passKind, order, 2, "1.1k", series};
        SCOPED_TRACE(std::string(passKind ? "HPF " : "LPF ") + std::to_string(order) + (series ? " series" : ""));
        const ReportContent content = ContentOf(c);
        QImage page(static_cast<int>(kPageWidthMm * 8), static_cast<int>(kPageHeightMm * 8), QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        ReportCanvas canvas(painter, 8);
        schematic::SchematicBoxes boxes;
        PaintCircuit(canvas, content, &boxes);
        QStringList touching;
        for (const QString& text : schematic::TouchingLabels(boxes)) touching << text;
        EXPECT_EQ(touching.join(' ').toStdString(), "");
        EXPECT_EQ(boxes.values.size(), static_cast<std::size_t>(2 * order));
      }
    }
  }
}

/// The report's text (pdftotext), its PDF kept in KELVARA_KEEP_REPORTS=DIR
/// when set.
std::string ReportText(const ReportContent& content, const QString& name) {
  QTemporaryDir dir;
  const QString path = dir.filePath(name + QStringLiteral(".pdf"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(ReportPdf(content));
  file.close();
  if (const char* keep = std::getenv("KELVARA_KEEP_REPORTS")) {
    const QString kept = QDir(QString::fromLocal8Bit(keep)).filePath(name + QStringLiteral(".pdf"));
    QFile::remove(kept);
    QFile::copy(path, kept);
  }
  return test::CommandOutput("pdftotext -layout '" + path.toStdString() + "' -");
}

bool PopplerAvailable() { return std::system("command -v pdftotext >/dev/null 2>&1") == 0; }

response::OpAmpModel RealOpAmp() {
  response::OpAmpModel opamp;
  opamp.ideal = false;
  opamp.gbwHz = 1e6;
  opamp.a0Db = 100;
  opamp.routOhm = 50;
  return opamp;
}

// With a real op-amp the report draws the real curves over the ideal ones:
// an order-8 low-pass filter's real phase runs far past the ideal -720
// degrees, and the phase axis reaches it.
TEST(ReportRealOpAmp, DrawsTheRealCurvesAndItsAxisReachesThem) {
  ReportContent content = ContentOf({"Lpf8", 0, 8, 2, "10k", true});
  const ReportCurves ideal = CurvesOf(content);
  EXPECT_FALSE(ideal.realGain);
  EXPECT_FALSE(ideal.realPhase);
  EXPECT_TRUE(OpAmpRows(ideal).empty());
  content.opamp = RealOpAmp();
  const ReportCurves curves = CurvesOf(content);
  ASSERT_TRUE(curves.realGain);
  ASSERT_TRUE(curves.realPhase);
  ASSERT_EQ(curves.realPhase->x, curves.phase.x);
  const double lowest = *std::min_element(curves.realPhase->y.begin(), curves.realPhase->y.end());
  EXPECT_LT(lowest, -1000);
  EXPECT_GE(*std::min_element(curves.phase.y.begin(), curves.phase.y.end()), -720 - 1e-6);
  const QCPRange range = PhaseRange(content, curves);
  EXPECT_LE(range.lower, lowest);
  // The real gain differs from the ideal one where the op-amp runs out.
  double most = 0;
  for (std::size_t i = 0; i < curves.gain.y.size(); ++i) {
    if (std::isfinite(curves.gain.y[i]) && std::isfinite(curves.realGain->y[i]))
      most = std::max(most, std::fabs(curves.gain.y[i] - curves.realGain->y[i]));
  }
  EXPECT_GT(most, 1.0);
  // The op-amp columns, one row per stage; a stage that needs more than the
  // op-amp has says so.
  const std::vector<QStringList> rows = OpAmpRows(curves);
  ASSERT_EQ(rows.size(), 4u);
  bool short_ = false;
  for (const QStringList& row : rows) {
    EXPECT_EQ(row.size(), 6);
    short_ = short_ || row[2] == QStringLiteral("不足");
  }
  EXPECT_TRUE(short_);
  EXPECT_EQ(OpAmpLines(content, curves).size(), 2);
}

TEST(ReportRealOpAmp, PdfHoldsTheOpAmpTableOnlyWithARealOpAmp) {
  if (!PopplerAvailable()) GTEST_SKIP() << "pdftotext (poppler-utils) not found";
  // The design of the README's pictures (docs/report-page.png and
  // docs/report-page2-opamp.png are these reports' pages).
  ReportContent content = ContentOf({"Lpf8", 0, 8, 2, "10k", true});
  content.fStartHz = 100;
  content.fTopHz = 10e6;
  const std::string ideal = ReportText(content, QStringLiteral("report-ideal"));
  EXPECT_EQ(ideal.find("実オペアンプでの段の評価"), std::string::npos);
  content.opamp = RealOpAmp();
  const std::string real = ReportText(content, QStringLiteral("report-opamp"));
  for (const char* expected : {"実オペアンプでの段の評価", "必要GBW", "GBW判定", "f0 利得誤差", "実ピーク",
                               "ピーク移動", "阻止域の底", "GBW 1.000MHz"}) {
    EXPECT_NE(real.find(expected), std::string::npos) << expected << "\n" << real;
  }
}

response::OpAmpModel Op27() {
  response::OpAmpModel opamp;
  opamp.ideal = false;
  opamp.gbwHz = 8e6;
  opamp.a0Db = 125.1;
  opamp.routOhm = 70;
  opamp.noise = {3, 2.7, 0.4};
  opamp.limits = {27.6, 2.8};
  return opamp;
}

// Every cell of the design parameters fits its column (the op-amp's cell
// was cut at "Rout 70.00"); the op-amp's name and all its figures are in
// the line below the table; each -3 dB frequency says which op-amp it is
// for.
TEST(ReportParameters, EveryCellFitsAndTheOpAmpIsNamedWithAllItsFigures) {
  ReportContent content = ContentOf({"Lpf8", 0, 8, 2, "10k", false});
  content.opamp = Op27();
  content.opampName = QStringLiteral("OP27");
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(600);
  const QFontMetricsF metrics(ReportCanvas::Font(kParameterPoints), &writer);
  const double dotsPerMm = 600 / 25.4;
  const std::vector<QStringList> rows = ParameterRows(content);
  for (const QStringList& row : rows) {
    ASSERT_EQ(row.size(), 2);
    EXPECT_LE(metrics.horizontalAdvance(row[0]) / dotsPerMm, kParameterNameMm - 2 * kCellPaddingMm)
        << row[0].toStdString();
    EXPECT_LE(metrics.horizontalAdvance(row[1]) / dotsPerMm, kParameterValueMm - 2 * kCellPaddingMm)
        << row[1].toStdString();
  }
  const QString line = OpAmpLine(content);
  for (const char* expected : {"実オペアンプ OP27", "GBW 8.000MHz", "A0 125.1 dB", "Rout 70.00Ω", "en 3 nV/√Hz",
                               "(1/f 2.7Hz)", "in 0.4 pA/√Hz", "出力振幅 27.6 Vpp", "スルーレート 2.8 V/µs"}) {
    EXPECT_TRUE(line.contains(QString::fromUtf8(expected))) << expected << " in " << line.toStdString();
  }
  QStringList minus3;
  for (const QStringList& row : rows) {
    if (row[0] == QString::fromUtf8(text::kMinus3Db)) minus3 << row[1];
  }
  ASSERT_EQ(minus3.size(), 2);
  EXPECT_TRUE(minus3[0].endsWith(QStringLiteral("（理想オペアンプ）"))) << minus3[0].toStdString();
  EXPECT_TRUE(minus3[1].endsWith(QStringLiteral("（実オペアンプ OP27）"))) << minus3[1].toStdString();
  EXPECT_NE(minus3[0], minus3[1]);
  EXPECT_TRUE(SummaryLines(content)[0].contains(QStringLiteral("理想オペアンプ")));
}

// The report says which part values its figures are of: the texts of the
// part edits, as the analysis window says too.
TEST(ReportParameters, SayWhichValuesTheFiguresAreOf) {
  const ReportContent content = ContentOf({"Lpf8", 0, 8, 2, "10k", false});
  const std::vector<QStringList> rows = ParameterRows(content);
  const QStringList expected = {QStringLiteral("計算の値"), QStringLiteral("表示値（部品欄の値）で計算")};
  EXPECT_NE(std::find(rows.begin(), rows.end(), expected), rows.end());
}

}  // namespace
}  // namespace kelvara::app::report
