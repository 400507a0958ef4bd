// The design report of sheets built of sections, made from the library's
// designs without a window: its parameters, parts and stage table against
// the library's figures, kelvara-design's --analysis and the Butterworth
// closed forms; a band-pass sheet's centre and bandwidth; the circuit with
// every value; and the same pages on a PDF printer.

#include <gtest/gtest.h>

#include "response/section_views.h"
#include "tests/support/command_output.h"
#include "tests/support/recording_run.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#ifdef KELVARA_DESIGN_EXE
#include <nlohmann/json.hpp>
#endif

#include "app/report/design_report.h"
#include "app/report/report_numbers.h"
#include "app/report/report_sections.h"
#include "app/report/sections_report.h"
#include "engine/run_state.h"
#include "response/bandpass.h"
#include "response/circuit.h"
#include "response/opamp_analysis.h"
#include "response/section_sheet.h"
#include "schematic/schematic.h"
#include "values/eng_value.h"

namespace kelvara::app::report {
namespace {

// A run that never stops; what it records goes unread.
using QuietRun = kelvara::testing::RecordingRun;

struct SheetCase {
  const char* name;
  int passKind;  // 0 LPF, 1 HPF, 2 BPF
  int circuit;   // values::kCircuitMfb or kCircuitSallenKeyGain
  int order;
  const char* cutoff;  // a band-pass sheet's centre
  const char* gain;
  const char* bandwidth;
};

const SheetCase kMfbLowPass{"MfbLowPass4Gain10", 0, 1, 4, "10k", "10", ""};
const SheetCase kBandPass{"BandPass4", 2, 1, 4, "10k", "1", "2k"};

/// The sheet designed exactly by the library, its part lines holding the
/// designed values, read back as the window's checks read them.
response::SheetSections SheetOf(const SheetCase& c) {
  response::SectionSheetChoices choices;
  choices.passKind = c.passKind;
  choices.cutoffText = c.cutoff;
  choices.circuit = c.circuit;
  choices.orderIndex = c.order - 2;
  values::SectionLines lines;
  lines.gain = c.gain;
  lines.bandwidth = c.bandwidth;
  const auto sheet = response::ReadSectionSheet(choices, lines);
  EXPECT_EQ(values::ProblemOf(sheet), nullptr);
  const auto planned = response::PlanSectionSheet(std::get<response::SectionSheet>(sheet));
  EXPECT_EQ(values::ProblemOf(planned), nullptr);
  const response::SectionSheetPlan& plan = std::get<response::SectionSheetPlan>(planned);
  QuietRun run;
  const response::SectionSheetDesign design = response::DesignSectionSheet(run, plan, {}, nullptr);
  EXPECT_TRUE(design.valid);
  const std::vector<response::SectionSheetPart> parts = response::SectionSheetParts(plan);
  for (std::size_t k = 0; k < parts.size(); ++k) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", design.values[k]);
    lines.parts.push_back({parts[k].name, text, true});
  }
  auto read = response::ReadSheetSections(choices, lines);
  EXPECT_EQ(values::ProblemOf(read), nullptr);
  return std::get<response::SheetSections>(std::move(read));
}

ReportContent ContentOf(const SheetCase& c) {
  ReportContent content;
  content.sections = SheetOf(c);
  content.request = content.sections->sheet.request;
  content.sheetName = QStringLiteral("Sheet2");
  content.created = QDateTime(QDate(2026, 12, 8), QTime(10, 0));
  content.curveName = content.sheetName;
  content.fStartHz = 10;
  content.fTopHz = 1e6;
  return content;
}

bool PopplerAvailable() { return std::system("command -v pdftotext pdfinfo >/dev/null 2>&1") == 0; }

/// The text without the line breaks and the spaces pdftotext puts in.
/// The wave dash pdftotext reads for the full-width tilde is read as that.
std::string Flat(const std::string& text) {
  std::string flat;
  for (char c : text) {
    if (c != '\n' && c != ' ' && c != '\f') flat += c;
  }
  const std::string tilde = "～", wave = "〜";
  for (std::size_t at; (at = flat.find(wave)) != std::string::npos;) flat.replace(at, wave.size(), tilde);
  return flat;
}
std::string Flat(const QString& text) { return Flat(text.toStdString()); }

/// The PDF's text (pdftotext), the PDF kept in KELVARA_KEEP_REPORTS=DIR
/// when set.
std::string PdfText(const QString& path, const QString& name) {
  if (const char* keep = std::getenv("KELVARA_KEEP_REPORTS")) {
    const QString kept = QDir(QString::fromLocal8Bit(keep)).filePath(name + QStringLiteral(".pdf"));
    QFile::remove(kept);
    QFile::copy(path, kept);
  }
  return test::CommandOutput("pdftotext -layout '" + path.toStdString() + "' -");
}

std::string ReportText(const ReportContent& content, const QString& name) {
  QTemporaryDir dir;
  const QString path = dir.filePath(name + QStringLiteral(".pdf"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(ReportPdf(content));
  file.close();
  return PdfText(path, name);
}

int PageCount(const QString& pdf) {
  const std::string info = test::CommandOutput("pdfinfo '" + pdf.toStdString() + "'");
  const std::size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

/// A frequency the report prints ("10.000kHz") as a number.
double HzOf(const QString& text) {
  QString number = text;
  number.remove(QStringLiteral("Hz"));
  return values::ParseEngValue(number.toStdString());
}

/// Whether a printed number ("10.000kHz", "-3.1623") is the value to its
/// printed decimals.
void ExpectPrinted(const QString& text, double value, const char* what) {
  QString digits = text;
  digits.remove(QRegularExpression(QStringLiteral("[^0-9.]")));
  const qsizetype dot = digits.indexOf(QLatin1Char('.'));
  const double decimals = dot < 0 ? 0.0 : static_cast<double>(digits.size() - dot - 1);
  const double unit = text.endsWith(QStringLiteral("MHz")) ? 1e6 : text.endsWith(QStringLiteral("kHz")) ? 1e3 : 1;
  const double read = text.endsWith(QStringLiteral("Hz")) ? HzOf(text) : text.toDouble();
  EXPECT_LE(std::fabs(read - value), 0.5 * std::pow(10.0, -decimals) * unit * (1 + 1e-9))
      << what << ": " << text.toStdString() << " for " << value;
}

// The 4th-order MFB low-pass of gain 10 at 10 kHz: each stage's printed
// targets and realised figures are the library's (the plan's targets, the
// sections' closed forms, SectionOpAmpNeeds), the Butterworth closed forms
// (Q = 1 / (2 sin((2k - 1) pi / 8)), f0 = fc, each stage -sqrt 10) and
// kelvara-design's --analysis.
TEST(SectionsReport, TheMfbStageTableHoldsTheLibrarysFigures) {
  const ReportContent content = ContentOf(kMfbLowPass);
  const std::vector<QStringList> rows = SectionsStageRows(content);
  const response::SheetSections& s = *content.sections;
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(s.plan.stages.size(), 2u);
  // Ascending Q: the lower Q first.
  const double butterworthQ[] = {1 / (2 * std::sin(3 * std::numbers::pi / 8)),
                                 1 / (2 * std::sin(std::numbers::pi / 8))};
  for (std::size_t k = 0; k < rows.size(); ++k) {
    SCOPED_TRACE("stage " + std::to_string(k + 1));
    const QStringList& row = rows[k];
    ASSERT_EQ(row.size(), kSectionsStageColumns);
    const engine::StagePlan& p = s.plan.stages[k];
    const response::SectionFigures f = s.sections[k].Figures();
    EXPECT_EQ(row[0], QString::number(k + 1));
    EXPECT_EQ(row[1], QStringLiteral("2次"));
    EXPECT_EQ(row[2], DistinctFrequencies(p.omega / (2 * std::numbers::pi), f.omega / (2 * std::numbers::pi)).first);
    ExpectPrinted(row[2], 10e3, "target f0");
    ExpectPrinted(row[3], f.omega / (2 * std::numbers::pi), "f0");
    ExpectPrinted(row[4], butterworthQ[k], "target Q");
    ExpectPrinted(row[5], f.q, "Q");
    ExpectPrinted(row[5], butterworthQ[k], "Q");
    ExpectPrinted(row[6], -std::sqrt(10.0), "target gain");
    ExpectPrinted(row[7], f.gain, "gain");
    ExpectPrinted(row[7], -std::sqrt(10.0), "gain");
    EXPECT_EQ(row[10], FrequencyText(response::SectionOpAmpNeeds(s.sections)[k].gbwMinHz));
    // An inverting stage's noise gain is 1 + |G|.
    ExpectPrinted(row[10], 100 * 10e3 * butterworthQ[k] * (1 + std::sqrt(10.0)), "GBW");
  }
#ifdef KELVARA_DESIGN_EXE
  const nlohmann::json tool = nlohmann::json::parse(
      test::CommandOutput(std::string(KELVARA_DESIGN_EXE) +
                          " --cutoff 10k --kind lpf --order 4 --topology mfb --gain 10 --analysis --json 2>/dev/null"));
  ASSERT_EQ(tool["stages"].size(), rows.size());
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const nlohmann::json& t = tool["stages"][k];
    ExpectPrinted(rows[k][2], t["f0_target_hz"].get<double>(), "tool target f0");
    ExpectPrinted(rows[k][3], t["f0_hz"].get<double>(), "tool f0");
    ExpectPrinted(rows[k][4], t["q_target"].get<double>(), "tool target Q");
    ExpectPrinted(rows[k][5], t["q"].get<double>(), "tool Q");
    ExpectPrinted(rows[k][6], t["gain_target"].get<double>(), "tool target gain");
    ExpectPrinted(rows[k][7], t["gain"].get<double>(), "tool gain");
  }
  // The same parts by name.
  for (const QStringList& part : SectionsPartRows(content)) {
    const std::string name = part[0].toStdString();
    ASSERT_TRUE(tool["parts"].contains(name)) << name;
    EXPECT_NEAR(values::ParseEngValue(part[2].toStdString()) / tool["parts"][name].get<double>(), 1, 1e-12) << name;
    EXPECT_EQ(part[4].toStdString(), tool["roles"][name].get<std::string>()) << name;
  }
#endif
}

TEST(SectionsReport, TheMfbReportHoldsItsParametersPartsAndStages) {
  if (!PopplerAvailable()) GTEST_SKIP() << "pdftotext (poppler-utils) not found";
  const ReportContent content = ContentOf(kMfbLowPass);
  // The README's picture of the report (docs/report-page-mfb.png) is this
  // report's first page.
  const std::string text = Flat(ReportText(content, QStringLiteral("report-mfb")));
  for (const char* expected : {"設計レポート", "LPF", "多重帰還（MFB）", "4次", "バターワース", "10.000kHz",
                               "非反転（利得10倍）", "部品表", "役割", "段の評価（理想オペアンプ）", "目標利得",
                               "必要GBW", "1/2ページ", "ゲイン特性", "位相特性", "2/2ページ"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  // Every part with its value, stage and role.
  const std::vector<QStringList> parts = SectionsPartRows(content);
  ASSERT_EQ(parts.size(), 10u);
  for (const QStringList& part : parts) {
    EXPECT_NE(text.find(Flat(part.join(QString()))), std::string::npos) << part.join(' ').toStdString();
  }
  // Every cell of the stage table, and the -3 dB frequency.
  for (const QStringList& row : SectionsStageRows(content)) {
    EXPECT_NE(text.find(Flat(row.join(QString()))), std::string::npos) << row.join(' ').toStdString();
  }
  // 3 dB below the pass band: 1 + x^8 = 10^0.3 of the Butterworth magnitude
  // (to the five digits of the stage tables the sheet's targets come from).
  const double minus3 = response::CircuitCutoff3dB(response::CircuitOfSections(content.sections->sections, {}));
  EXPECT_NEAR(minus3 / (10e3 * std::pow(std::pow(10.0, 0.3) - 1, 1.0 / 8)), 1, 1e-5);
  EXPECT_NE(text.find(Flat(QStringLiteral("−3dB 周波数（理想オペアンプ）: ") + Minus3DbText(minus3))),
            std::string::npos);
  EXPECT_NE(text.find(Flat(QStringLiteral("通過域の利得: 10.000 倍（20.000 dB）"))), std::string::npos);
}

// A band-pass sheet: its centre and bandwidth among the parameters, and
// the band its circuit has: the edges (the bisection of
// SummarizeBandPass) 2 kHz apart about 10 kHz.
TEST(SectionsReport, TheBandPassReportHoldsItsCentreAndBandwidth) {
  const ReportContent content = ContentOf(kBandPass);
  const std::vector<QStringList> parameters = SectionsParameterRows(content);
  auto value = [&](const char* name) {
    for (const QStringList& row : parameters) {
      if (row[0] == QString::fromUtf8(name)) return row[1];
    }
    return QString();
  };
  EXPECT_EQ(value("フィルタ"), QStringLiteral("BPF"));
  EXPECT_EQ(value("中心周波数"), QStringLiteral("10.000kHz"));
  EXPECT_EQ(value("帯域幅"), QStringLiteral("2.000kHz"));
  EXPECT_EQ(value("回路"), QStringLiteral("多重帰還（MFB）"));
  EXPECT_TRUE(value("遮断周波数").isEmpty());
  const response::BandPassSummary band = response::SummarizeBandPass(
      response::CircuitOfSections(content.sections->sections, {}), 10e3, response::BandEdgeLevelDb(0, 0, 4), false);
  EXPECT_NEAR(band.bandwidthHz, 2e3, 1e-6);
  EXPECT_NEAR(std::sqrt(band.lowerEdgeHz * band.upperEdgeHz), 10e3, 1e-6);
  const QStringList lines = SectionsSummaryLines(content);
  const QString edges =
      QStringLiteral("帯域端（−3dB 点）: %1 ～ %2、帯域幅: %3")
          .arg(FrequencyText(band.lowerEdgeHz), FrequencyText(band.upperEdgeHz), FrequencyText(band.bandwidthHz));
  EXPECT_TRUE(lines.contains(edges)) << lines.join('\n').toStdString();
  if (!PopplerAvailable()) GTEST_SKIP() << "pdftotext (poppler-utils) not found";
  const std::string text = Flat(ReportText(content, QStringLiteral("report-bpf")));
  for (const QString& expected : {QStringLiteral("中心周波数10.000kHz"), QStringLiteral("帯域幅2.000kHz"), edges,
                                  QStringLiteral("中心周波数（帯域端の相乗平均）（理想オペアンプ）: 10.000kHz"),
                                  QStringLiteral("通過域の利得: 1.000 倍（0.000 dB）")}) {
    EXPECT_NE(text.find(Flat(expected)), std::string::npos) << expected.toStdString() << "\n" << text;
  }
}

// The circuit of the report shows every part's value, placed without
// touching a symbol, a wire or another text.
TEST(SectionsReport, TheCircuitShowsEveryPartValue) {
  const SheetCase cases[] = {kMfbLowPass,
                             kBandPass,
                             {"MfbLowPass5", 0, 1, 5, "1k", "2", ""},
                             {"MfbHighPass3", 1, 1, 3, "47k", "100", ""},
                             {"SallenKeyGainLowPass4", 0, 2, 4, "10k", "10", ""},
                             {"SallenKeyGainHighPass8", 1, 2, 8, "1k", "4", ""},
                             {"BandPass8", 2, 1, 8, "1k", "2", "300"}};
  for (const SheetCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ReportContent content = ContentOf(c);
    QImage page(static_cast<int>(kPageWidthMm * 8), static_cast<int>(kPageHeightMm * 8), QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    ReportCanvas canvas(painter, 8);
    schematic::SchematicBoxes boxes;
    // The boxes are in the page's dots: the picture's place on the page.
    const QRectF picture = canvas.Rect(kMarginMm, canvas.y, kContentWidthMm,
                                       kContentWidthMm * schematic::kPictureHeight / schematic::kPictureWidth);
    PaintSectionsCircuit(canvas, content, &boxes);
    const schematic::PartValues values = SectionsCircuitValues(content);
    ASSERT_EQ(values.size(), SectionsPartRows(content).size());
    std::map<QString, QString> shown;
    for (const auto& [name, box] : boxes.values) {
      EXPECT_FALSE(box.isEmpty()) << name.toStdString();
      EXPECT_TRUE(picture.contains(box)) << name.toStdString();
      shown[name] = values.at(name);
    }
    EXPECT_EQ(shown, values);
    QStringList touching;
    for (const QString& label : schematic::TouchingLabels(boxes)) touching << label;
    EXPECT_EQ(touching.join(' ').toStdString(), "");
  }
}

// Every cell of the parts and stage tables fits its column (a value in
// ohms or farads cut at the left would read as another number), and the
// first page holds everything down to the summary, for the sheets of the
// most parts and stages.
TEST(SectionsReport, EveryCellFitsAndTheFirstPageHoldsItAll) {
  const SheetCase cases[] = {kMfbLowPass,
                             {"MfbLowPass7", 0, 1, 7, "1.1k", "1000", ""},
                             {"SallenKeyGainHighPass8", 1, 2, 8, "1k", "4", ""},
                             {"SallenKeyGainLowPass8Gain100", 0, 2, 8, "33k", "100", ""},
                             {"BandPass8", 2, 1, 8, "1k", "2", "300"}};
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(600);
  const double dotsPerMm = 600 / 25.4;
  auto fits = [&](const std::vector<Column>& columns, const std::vector<QStringList>& rows, double points) {
    const QFontMetricsF metrics(ReportCanvas::Font(points), &writer);
    const QFontMetricsF bold(ReportCanvas::Font(points, true), &writer);
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const double room = columns[i].widthMm - 2 * kCellPaddingMm;
      EXPECT_LE(bold.horizontalAdvance(columns[i].heading) / dotsPerMm, room) << columns[i].heading.toStdString();
      for (const QStringList& row : rows) {
        ASSERT_EQ(static_cast<std::size_t>(row.size()), columns.size());
        EXPECT_LE(metrics.horizontalAdvance(row[static_cast<qsizetype>(i)]) / dotsPerMm, room)
            << row[static_cast<qsizetype>(i)].toStdString();
      }
    }
  };
  for (const SheetCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ReportContent content = ContentOf(c);
    fits(SectionsPartColumns(), SectionsPartRows(content), kSectionsPartPoints);
    fits(SectionsStageColumns(), SectionsStageRows(content), kSectionsStagePoints);
    for (const QStringList& row : SectionsParameterRows(content)) {
      const QFontMetricsF metrics(ReportCanvas::Font(kParameterPoints), &writer);
      EXPECT_LE(metrics.horizontalAdvance(row[1]) / dotsPerMm, kParameterValueMm - 2 * kCellPaddingMm)
          << row[1].toStdString();
    }
    QImage page(static_cast<int>(kPageWidthMm * 8), static_cast<int>(kPageHeightMm * 8), QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    ReportCanvas canvas(painter, 8);
    SectionsFirstPage(canvas, content);
    if (std::getenv("KELVARA_KEEP_REPORTS")) {
      ReportText(content, QStringLiteral("report-%1").arg(QString::fromLatin1(c.name)));
    }
    // Above the page's foot.
    EXPECT_LE(canvas.y, kPageHeightMm - kMarginMm);
  }
}

response::OpAmpModel RealOpAmp() {
  response::OpAmpModel opamp;
  opamp.ideal = false;
  opamp.gbwHz = 1e6;
  opamp.a0Db = 100;
  opamp.routOhm = 50;
  return opamp;
}

// With a real op-amp the curves of the sections' circuit with it over the
// ideal ones, what each stage needs of it, and where its -3 dB frequency
// moves.
TEST(SectionsReport, ARealOpAmpAddsItsCurvesAndWhatTheStagesNeed) {
  ReportContent content = ContentOf(kMfbLowPass);
  EXPECT_TRUE(SectionsOpAmpRows(content).empty());
  EXPECT_FALSE(CurvesOf(content).realGain);
  content.opamp = RealOpAmp();
  const ReportCurves curves = CurvesOf(content);
  ASSERT_TRUE(curves.realGain);
  ASSERT_TRUE(curves.realPhase);
  const response::CircuitModel real = response::CircuitOfSections(content.sections->sections, content.opamp);
  for (std::size_t i = 0; i < curves.realGain->x.size(); i += 97) {
    EXPECT_EQ(curves.realGain->y[i], response::CircuitGainDb(real, curves.realGain->x[i]));
  }
  const QCPRange range = PhaseRange(content, curves);
  for (const double y : curves.realPhase->y) {
    EXPECT_GE(y, range.lower);
    EXPECT_LE(y, range.upper);
  }
  // 100 f0 Q (1 + sqrt(10)) of each stage: 2.25 MHz and 5.44 MHz, more than
  // the op-amp's 1 MHz.
  const std::vector<QStringList> rows = SectionsOpAmpRows(content);
  ASSERT_EQ(rows.size(), 2u);
  for (const QStringList& row : rows) EXPECT_EQ(row[2], QStringLiteral("不足"));
  content.opamp.gbwHz = 2.5e6;
  EXPECT_EQ(SectionsOpAmpRows(content)[0][2], QStringLiteral("OK"));
  EXPECT_EQ(SectionsOpAmpRows(content)[1][2], QStringLiteral("不足"));
  const QStringList lines = SectionsOpAmpLines(content);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[1].endsWith(
      Minus3DbText(response::CircuitCutoff3dB(response::CircuitOfSections(content.sections->sections, content.opamp)))))
      << lines[1].toStdString();
  if (!PopplerAvailable()) GTEST_SKIP() << "pdftotext (poppler-utils) not found";
  const std::string text = Flat(ReportText(content, QStringLiteral("report-mfb-opamp")));
  for (const char* expected : {"実オペアンプでの段の評価", "GBW判定", "GBW2.500MHz", "−3dB周波数（実オペアンプ）"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

// Printing gives the same two pages on a PDF printer.
TEST(SectionsReport, PrintsTheSamePagesOnAPdfPrinter) {
  if (!PopplerAvailable()) GTEST_SKIP() << "pdftotext (poppler-utils) not found";
  const ReportContent content = ContentOf(kMfbLowPass);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("printed.pdf"));
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    PaintReport(printer, content);
  }
  ASSERT_TRUE(QFile::exists(path));
  EXPECT_EQ(PageCount(path), 2);
  const std::string printed = Flat(PdfText(path, QStringLiteral("printed-mfb")));
  const std::string written = Flat(ReportText(content, QStringLiteral("written-mfb")));
  for (const QStringList& part : SectionsPartRows(content)) {
    const std::string cells = Flat(part.join(QString()));
    EXPECT_NE(printed.find(cells), std::string::npos) << cells;
  }
  for (const char* expected : {"設計レポート", "多重帰還（MFB）", "段の評価（理想オペアンプ）", "2/2ページ"}) {
    EXPECT_NE(printed.find(expected), std::string::npos) << expected;
  }
  EXPECT_EQ(printed, written);
}

}  // namespace
}  // namespace kelvara::app::report
