// The export menu: the shown sheet's design as a netlist, a parts list, a
// design report and on the printer, with the checks of "ｆ特描画".

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "export/csv.h"
#include "export/spice_netlist.h"
#include "export/spice_number.h"
#include "tests/app/main_window/chart_test_support.h"
#include "tests/support/command_output.h"

namespace kelvara::app::testing {
namespace {

bool PopplerAvailable() { return std::system("command -v pdftotext pdffonts pdfinfo >/dev/null 2>&1") == 0; }
constexpr const char* kPopplerMissing = "pdftotext/pdffonts/pdfinfo (poppler-utils) not found: PDF checks skipped";

int PageCount(const QString& pdf) {
  const std::string info = test::CommandOutput("pdfinfo '" + pdf.toStdString() + "'");
  const std::size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

std::string ReadBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

/// The row of a parts list that names the part ("R2" in "R1, R2, R5").
std::vector<std::string> RowOf(const std::vector<std::vector<std::string>>& rows, const std::string& part) {
  for (const auto& row : rows) {
    std::string names = ", " + row[0] + ",";
    if (names.find(", " + part + ",") != std::string::npos) return row;
  }
  return {};
}

/// A value read back from an export: within the SI form's tolerance.
void ExpectReadsBack(double back, double value) {
  EXPECT_LE(std::fabs(back - value), exports::kSiReadBack * std::fabs(value)) << back << " " << value;
}

class ExportMenu : public ChartTest {
 protected:
  void SetUp() override {
    ChartTest::SetUp();
    W().SetExportChoosers(
        [this](TFormMain::ExportKind kind) {
          ++chooserCalls;
          lastKind = kind;
          return exportAnswer;
        },
        [this](QPrinter& printer) {
          printer.setOutputFormat(QPrinter::PdfFormat);
          printer.setOutputFileName(dir.filePath("printed.pdf"));
          return true;
        });
  }

  /// The typed texts' values, as the menu reads them.
  static double Value(const QString& text) { return values::ParseEngValue(text.toStdString()); }

  QTemporaryDir dir;
  QString exportAnswer;
  int chooserCalls = 0;
  TFormMain::ExportKind lastKind{};
};

TEST_F(ExportMenu, FollowsTheFourFileItemsAfterASeparator) {
  const QList<QAction*> items = W().menuFile->actions();
  ASSERT_EQ(items.size(), 9);  // and after 印刷..., a separator and 終了 (menus_test.cpp)
  const QStringList names = {"menuOpenFile", "menuOpenFileAll", "menuSaveFile", "menuSaveFileAll"};
  const QStringList texts = {"開く(&O)", "全てのシートを開く", "保存(&S)", "全てのシートを保存"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(items[i]->objectName(), names[i]);
    EXPECT_EQ(items[i]->text(), texts[i]);
  }
  EXPECT_TRUE(items[4]->isSeparator());
  ASSERT_EQ(items[5]->menu(), W().menuExport);
  EXPECT_EQ(W().menuExport->title(), "書き出し");
  QStringList exportTexts;
  for (QAction* a : W().menuExport->actions()) exportTexts << a->text();
  EXPECT_EQ(exportTexts, (QStringList{"SPICE ネットリスト...", "部品表 (CSV)...", "設計レポート (PDF)..."}));
  EXPECT_EQ(items[6], W().menuPrint);
  EXPECT_EQ(W().menuPrint->text(), "印刷...");
  EXPECT_EQ(W().menuPrint->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
}

TEST_F(ExportMenu, NetlistHoldsTheTypedValuesAndThePageXRange) {
  const TypedDesign design = Designed(engine::kHpf, 5, engine::kChebyshev, "3.3k");
  TypeDesign(W(), design);
  W().CBox_XBig->setCurrentIndex(5);      // 1e6
  W().CBox_Xsmall->setCurrentIndex(8);    // 100
  exportAnswer = dir.filePath("filter");  // the suffix is added
  W().menuExportSpice->trigger();
  EXPECT_TRUE(warnings.Entries().empty());
  EXPECT_TRUE(errors.Errors().empty());
  EXPECT_EQ(lastKind, TFormMain::ExportKind::kSpice);
  const auto netlist = exports::ReadSpiceNetlist(ReadBytes(dir.filePath("filter.cir")));
  ASSERT_TRUE(netlist);
  for (int k = 0; k < 5; ++k) {
    ExpectReadsBack(netlist->values.at("R" + std::to_string(k + 1)), Value(design.r[k]));
    ExpectReadsBack(netlist->values.at("C" + std::to_string(k + 1)), Value(design.c[k]));
  }
  EXPECT_EQ(netlist->acStartHz, XMinFrequency(8));
  EXPECT_EQ(netlist->acStopHz, XMaxFrequency(5));
}

TEST_F(ExportMenu, PartsListReadsBackToTheTypedValues) {
  const TypedDesign design = Designed(engine::kLpf, 4, engine::kBessel, "1k");
  TypeDesign(W(), design);
  exportAnswer = dir.filePath("parts.csv");
  W().menuExportPartsList->trigger();
  const auto rows = exports::ReadCsv(ReadBytes(exportAnswer));
  ASSERT_GE(rows.size(), 3u);
  for (int k = 0; k < 4; ++k) {
    ExpectReadsBack(*exports::ParseSpiceNumber(RowOf(rows, "R" + std::to_string(k + 1))[2]), Value(design.r[k]));
    ExpectReadsBack(*exports::ParseSpiceNumber(RowOf(rows, "C" + std::to_string(k + 1))[2]), Value(design.c[k]));
  }
}

// The exports name the series of "部品系列の設定..." and take the op-amp the
// analysis window remembers; the defaults keep the program's own names and
// the ideal op-amp.
TEST_F(ExportMenu, NameTheChosenSeriesAndTakeTheRememberedOpAmp) {
  struct Case {
    const char* name;
    const char* capSeries;
    const char* resSeries;
    int opAmpReal;  // -1: not in the settings store
    const char* gbw;
    const char* capText;
    const char* resText;
    const char* valuesComment;
    const char* opAmpLine;  // in the netlist
  };
  const Case cases[] = {
      {"Defaults", "default", "default", -1, "1M", "E12", "E24", "E12 capacitors, E24 resistors", "E1 out 0 inp inn"},
      {"E6E96Real", "E6", "E96", 1, "10M", "E6", "E96", "E6 capacitors, E96 resistors", "GBW = 10e6 Hz"},
      {"RealNotChosen", "E24", "default", 0, "10M", "E24", "E24", "E24 capacitors, E24 resistors", "E1 out 0 inp inn"},
      {"RealUnusable", "default", "E192", 1, "abc", "E12", "E192", "E12 capacitors, E192 resistors",
       "E1 out 0 inp inn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engine::SeriesTexts texts;
    texts.cap = c.capSeries;
    texts.res = c.resSeries;
    W().ApplySeriesTexts(texts);
    if (c.opAmpReal >= 0) {
      store.WriteInt(QStringLiteral("analysis/opAmpReal"), c.opAmpReal);
      store.WriteText(QStringLiteral("analysis/opAmpGbw"), QString::fromLatin1(c.gbw));
    }
    TypeDesign(W(), Designed(engine::kLpf, 4, engine::kButterworth, "1k"));
    W().CBox_NoProblem->setChecked(false);
    W().chkBoxE12[0]->setChecked(true);
    W().chkBoxE12[1]->setChecked(true);
    exportAnswer = dir.filePath("parts.csv");
    W().menuExportPartsList->trigger();
    const auto rows = exports::ReadCsv(ReadBytes(exportAnswer));
    ASSERT_GE(rows.size(), 3u);
    for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i][3], rows[i][0][0] == 'C' ? c.capText : c.resText);
    for (int k = 1; k <= 4; ++k) {
      EXPECT_FALSE(RowOf(rows, "R" + std::to_string(k)).empty());
      EXPECT_FALSE(RowOf(rows, "C" + std::to_string(k)).empty());
    }
    exportAnswer = dir.filePath("filter.cir");
    W().menuExportSpice->trigger();
    const std::string netlist = ReadBytes(exportAnswer);
    EXPECT_NE(netlist.find(std::string("* Values:   ") + c.valuesComment), std::string::npos) << netlist;
    EXPECT_NE(netlist.find(c.opAmpLine), std::string::npos) << netlist;
    EXPECT_TRUE(errors.Errors().empty());
  }
}

TEST_F(ExportMenu, FailedChecksShowTheBoxesOfThePlotAndWriteNothing) {
  TypedDesign design = Designed(engine::kLpf, 2, engine::kButterworth, "1k");
  design.r[1] = "";
  TypeDesign(W(), design);
  exportAnswer = dir.filePath("never.cir");
  const QCPRange before = Chart().yAxis->range();
  for (QAction* action : {W().menuExportSpice, W().menuExportPartsList, W().menuExportReport, W().menuPrint}) {
    warnings.Clear();
    action->trigger();
    EXPECT_EQ(Captions(), QStringList{"R2 は無効な値"}) << action->text().toStdString();
  }
  EXPECT_EQ(chooserCalls, 0);
  EXPECT_FALSE(QFile::exists(exportAnswer));
  EXPECT_FALSE(QFile::exists(dir.filePath("printed.pdf")));
  EXPECT_EQ(Chart().yAxis->range(), before) << "the shown chart stays as it is";
}

TEST_F(ExportMenu, UnwritableFileIsReportedAndLeftAlone) {
  TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  ASSERT_TRUE(QDir(dir.path()).mkdir("taken.cir"));
  exportAnswer = dir.filePath("taken.cir");
  W().menuExportSpice->trigger();
  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_TRUE(errors.Errors()[0].startsWith("ファイルを保存できません")) << errors.Errors()[0].toStdString();
  EXPECT_TRUE(QFileInfo(exportAnswer).isDir());
}

class ExportReport : public ExportMenu {
 protected:
  /// KELVARA_KEEP_REPORTS=DIR keeps each test's PDF there to look at.
  static void Keep(const QString& pdf) {
    if (const char* keep = std::getenv("KELVARA_KEEP_REPORTS")) {
      const QString name = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
      QFile::remove(QDir(QString::fromLocal8Bit(keep)).filePath(name + ".pdf"));
      QFile::copy(pdf, QDir(QString::fromLocal8Bit(keep)).filePath(name + ".pdf"));
    }
  }
  std::string PdfText(const QString& path) {
    return test::CommandOutput("pdftotext -layout '" + path.toStdString() + "' -");
  }
};

// The design parameters name the chosen series and the remembered op-amp.
TEST_F(ExportReport, ParametersNameTheSeriesAndTheOpAmp) {
  if (!PopplerAvailable()) GTEST_SKIP() << kPopplerMissing;
  engine::SeriesTexts texts;
  texts.cap = "E6";
  texts.res = "E96";
  W().ApplySeriesTexts(texts);
  store.WriteInt(QStringLiteral("analysis/opAmpReal"), 1);
  store.WriteText(QStringLiteral("analysis/opAmpGbw"), QStringLiteral("10M"));
  TypeDesign(W(), Designed(engine::kLpf, 4, engine::kButterworth, "1k"));
  W().CBox_NoProblem->setChecked(false);
  W().chkBoxE12[0]->setChecked(true);
  W().chkBoxE12[1]->setChecked(true);
  exportAnswer = dir.filePath("report.pdf");
  W().menuExportReport->trigger();
  ASSERT_TRUE(errors.Errors().empty());
  const std::string text = PdfText(exportAnswer);
  for (const char* expected : {"ＣはE6系列、ＲはE96系列", "GBW 10.000MHz", "E96"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

TEST_F(ExportReport, PdfHoldsHeadingsValuesAndJapaneseTextsInEmbeddedFonts) {
  if (!PopplerAvailable()) GTEST_SKIP() << kPopplerMissing;
  const TypedDesign design = Designed(engine::kLpf, 8, engine::kChebyshev, "10k");
  SelectTab(2);
  TypeDesign(W(), design);
  exportAnswer = dir.filePath("report.pdf");
  W().menuExportReport->trigger();
  ASSERT_TRUE(errors.Errors().empty());
  Keep(exportAnswer);
  const std::string text = PdfText(exportAnswer);
  for (const char* heading :
       {"設計レポート", "設計条件", "回路図", "部品表", "段の評価", "ゲイン特性", "位相特性", "チェビシェフ 0.25dB",
        "ユニティゲイン・サレン・キー", "Sheet ３", "Kelvara Version 2.0"}) {
    EXPECT_NE(text.find(heading), std::string::npos) << heading;
  }
  for (int k = 0; k < 8; ++k) {
    // Each value is printed in the parts table and beside its label.
    for (const QString& value : {design.r[k], design.c[k]}) {
      const std::string v = value.toStdString();
      std::size_t count = 0;
      for (std::size_t at = text.find(v); at != std::string::npos; at = text.find(v, at + 1)) ++count;
      EXPECT_GE(count, 2u) << v;
    }
    EXPECT_NE(text.find(exports::SiNumber(Value(design.r[k]))), std::string::npos);
  }
  EXPECT_EQ(PageCount(exportAnswer), 2);
  const std::string fonts = test::CommandOutput("pdffonts '" + exportAnswer.toStdString() + "'");
  // Header, rule, then one line per font; each says "yes" in the emb column.
  std::istringstream lines(fonts);
  std::string line;
  int fontLines = 0;
  for (int n = 0; std::getline(lines, line); ++n) {
    if (n < 2 || line.empty()) continue;
    ++fontLines;
    EXPECT_NE(line.find(" yes "), std::string::npos) << line;
  }
  EXPECT_GT(fontLines, 0) << fonts;
}

TEST_F(ExportReport, NamesTheFileTheSheetCameFrom) {
  if (!PopplerAvailable()) GTEST_SKIP() << kPopplerMissing;
  TypeDesign(W(), Designed(engine::kHpf, 3, engine::kButterworth, "500"));
  const QString saved = dir.filePath("bench.zdn");
  W().SetFileDialogRunner([saved](QFileDialog&) { return std::optional<QString>(saved); });
  W().menuSaveFile->trigger();
  ASSERT_TRUE(QFile::exists(saved));
  exportAnswer = dir.filePath("report.pdf");
  W().menuExportReport->trigger();
  Keep(exportAnswer);
  EXPECT_NE(PdfText(exportAnswer).find("bench.zdn"), std::string::npos);
}

TEST_F(ExportReport, PrintingGivesTheSamePages) {
  if (!PopplerAvailable()) GTEST_SKIP() << kPopplerMissing;
  const TypedDesign design = Designed(engine::kLpf, 3, engine::kBessel, "2k");
  TypeDesign(W(), design);
  W().menuPrint->trigger();
  const QString printed = dir.filePath("printed.pdf");
  ASSERT_TRUE(QFile::exists(printed));
  const std::string text = PdfText(printed);
  EXPECT_NE(text.find("設計レポート"), std::string::npos);
  EXPECT_NE(text.find(design.r[0].toStdString()), std::string::npos);
  EXPECT_EQ(PageCount(printed), 2);
}

}  // namespace
}  // namespace kelvara::app::testing
