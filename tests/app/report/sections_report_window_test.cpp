// The design report and printing of a main-window sheet built of sections:
// "設計レポート (PDF)" writes the report of the sections the part table
// shows, and "印刷..." puts the same pages on the printer.

#include <QFile>
#include <QPrinter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/app/main_window/files_test_support.h"
#include "tests/app/main_window/run_support.h"
#include "tests/support/command_output.h"
#include "values/section_record.h"

namespace kelvara::app::testing {
namespace {

bool PopplerAvailable() { return std::system("command -v pdftotext pdfinfo >/dev/null 2>&1") == 0; }

/// The PDF's text without the line breaks and spaces pdftotext puts in.
std::string FlatText(const QString& pdf) {
  std::string flat;
  for (char c : test::CommandOutput("pdftotext -layout '" + pdf.toStdString() + "' -")) {
    if (c != '\n' && c != ' ' && c != '\f') flat += c;
  }
  return flat;
}

int PageCount(const QString& pdf) {
  const std::string info = test::CommandOutput("pdfinfo '" + pdf.toStdString() + "'");
  const std::size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

class SectionsReportWindow : public FileWindowTest {
 protected:
  void SetUp() override {
    FileWindowTest::SetUp();
    W().SetExportChoosers([this](TFormMain::ExportKind) { return exportAnswer; },
                          [this](QPrinter& printer) {
                            printer.setOutputFormat(QPrinter::PdfFormat);
                            printer.setOutputFileName(dir.filePath("printed.pdf"));
                            return true;
                          });
  }
  void TearDown() override {
    warnings.CloseNonModal();
    EXPECT_TRUE(WaitForAllRuns());
    FileWindowTest::TearDown();
  }

  /// The chart's axes: 30 dB down to -40 dB, 10 Hz to 100 kHz.
  void SetAxes() {
    W().CBox_YBig->setCurrentText(QStringLiteral("30"));
    W().CBox_Ysmall->setCurrentIndex(4);
    W().CBox_XBig->setCurrentIndex(6);
    W().CBox_Xsmall->setCurrentIndex(9);
  }

  /// The warnings shown, for a failure's message.
  std::string Warnings() const {
    std::string out;
    for (const auto& e : warnings.Entries()) out += (e.caption + QStringLiteral(": ") + e.text).toStdString() + "\n";
    return out;
  }

  void Design() {
    QTest::mouseClick(W().ButtonValset, Qt::LeftButton);
    ASSERT_TRUE(WaitForAllRuns());
  }

  /// Every part of the table with its value, as the report's parts table
  /// and circuit print them.
  std::vector<std::string> TableParts() const {
    std::vector<std::string> out;
    for (int row = 0; row < window->TableSectionParts->rowCount(); ++row) {
      out.push_back(window->TableSectionParts->item(row, 0)->text().toStdString() +
                    window->TableSectionParts->item(row, 1)->text().toStdString());
    }
    return out;
  }

  QTemporaryDir dir;
  QString exportAnswer;
};

TEST_F(SectionsReportWindow, TheReportAndThePrintOfAnMfbSheet) {
  if (!PopplerAvailable()) GTEST_SKIP() << "pdftotext/pdfinfo (poppler-utils) not found";
  Choose(W().CBox_Circuit, values::kCircuitMfb);
  Choose(W().CBox_Jisuu, 2);  // ４次
  W().Edit_Frequency->setText(QStringLiteral("10k"));
  W().Edit_Gain->setText(QStringLiteral("10"));
  Design();
  SetAxes();
  exportAnswer = dir.filePath("mfb.pdf");
  W().menuExportReport->trigger();
  EXPECT_TRUE(errors.Errors().empty());
  EXPECT_TRUE(warnings.Entries().empty()) << Warnings();
  ASSERT_TRUE(QFile::exists(exportAnswer));
  EXPECT_EQ(PageCount(exportAnswer), 2);
  const std::string text = FlatText(exportAnswer);
  for (const char* expected : {"設計レポート", "多重帰還（MFB）", "非反転（利得10倍）", "段の評価（理想オペアンプ）"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  const std::vector<std::string> parts = TableParts();
  ASSERT_EQ(parts.size(), 10u);
  for (const std::string& part : parts) EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;

  W().menuPrint->trigger();
  EXPECT_TRUE(errors.Errors().empty());
  const QString printed = dir.filePath("printed.pdf");
  ASSERT_TRUE(QFile::exists(printed));
  EXPECT_EQ(PageCount(printed), 2);
  const std::string printedText = FlatText(printed);
  for (const std::string& part : parts) EXPECT_NE(printedText.find(part), std::string::npos) << part;
  EXPECT_NE(printedText.find("多重帰還（MFB）"), std::string::npos);
}

TEST_F(SectionsReportWindow, TheReportOfABandPassSheetHoldsItsCentreAndBandwidth) {
  if (!PopplerAvailable()) GTEST_SKIP() << "pdftotext/pdfinfo (poppler-utils) not found";
  Choose(W().CBox_HPFLPF, values::kPassKindBpf);
  Choose(W().CBox_Jisuu, 2);  // ４次
  W().Edit_Frequency->setText(QStringLiteral("10k"));
  W().Edit_Bandwidth->setText(QStringLiteral("2k"));
  Design();
  SetAxes();
  exportAnswer = dir.filePath("bpf.pdf");
  W().menuExportReport->trigger();
  EXPECT_TRUE(errors.Errors().empty());
  EXPECT_TRUE(warnings.Entries().empty()) << Warnings();
  ASSERT_TRUE(QFile::exists(exportAnswer));
  const std::string text = FlatText(exportAnswer);
  for (const char* expected : {"BPF", "中心周波数10.000kHz", "帯域幅2.000kHz", "帯域端（−3dB点）:"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
  for (const std::string& part : TableParts()) EXPECT_NE(text.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace kelvara::app::testing
