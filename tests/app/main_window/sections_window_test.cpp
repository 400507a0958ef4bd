// Sheets built of sections in the main window: choosing MFB, Sallen-Key
// with gain or BPF shows the section inputs and the part table, a run
// designs the parts on a worker thread, the chart and the comparison draw
// them beside a unity-gain sheet, and the sheet saves to the sections
// layout and opens again as it was; the unity-gain sheet stays as it was.

#include <qcustomplot.h>

#include <QTest>
#include <cmath>

#include "response/circuit.h"
#include "response/section_sheet.h"
#include "schematic/sections_schematic.h"
#include "tests/app/main_window/files_test_support.h"
#include "tests/app/main_window/run_support.h"
#include "values/eng_value.h"
#include "values/section_record.h"

namespace kelvara::app::testing {
namespace {

namespace line = values::sheet_line;

class SectionSheets : public FileWindowTest {
 protected:
  void TearDown() override {
    warnings.CloseNonModal();
    EXPECT_TRUE(WaitForAllRuns());
    FileWindowTest::TearDown();
  }

  /// A 4th-order MFB low-pass at 10 kHz with gain 10, typed as a user would.
  void TypeMfb() {
    Choose(W().CBox_Circuit, values::kCircuitMfb);
    Choose(W().CBox_Jisuu, 2);
    W().Edit_Frequency->setText(QStringLiteral("10k"));
    W().Edit_Gain->setText(QStringLiteral("10"));
  }

  /// The chart's axes: 30 dB down to -40 dB, 10 Hz to 100 kHz.
  void SetAxes() {
    W().CBox_YBig->setCurrentText(QStringLiteral("30"));
    W().CBox_Ysmall->setCurrentIndex(4);
    W().CBox_XBig->setCurrentIndex(6);
    W().CBox_Xsmall->setCurrentIndex(9);
  }

  void Design() {
    QTest::mouseClick(W().ButtonValset, Qt::LeftButton);
    ASSERT_TRUE(WaitForAllRuns());
  }

  QStringList Column(int column) const {
    QStringList out;
    for (int row = 0; row < window->TableSectionParts->rowCount(); ++row) {
      out << window->TableSectionParts->item(row, column)->text();
    }
    return out;
  }
};

TEST_F(SectionSheets, ChoosingMfbShowsTheTableInPlaceOfThePartGroups) {
  EXPECT_FALSE(W().PanelSections->isVisibleTo(W().TabDesign));
  TypeMfb();
  EXPECT_TRUE(W().PanelSections->isVisibleTo(W().TabDesign));
  EXPECT_EQ(ShownGroups(), std::vector<bool>(16, false));
  EXPECT_EQ(Column(0), (QStringList{"R1", "R2", "R3", "C1", "C2", "R4", "R5", "R6", "C3", "C4"}));
  EXPECT_EQ(Column(3), (QStringList{"1", "1", "1", "1", "1", "2", "2", "2", "2", "2"}));
  EXPECT_EQ(W().Label_Sign->text(), QString::fromUtf8("非反転（利得 10 倍）"));
  // The 回路 page draws the sections the table lists.
  const QImage drawn = W().Image1->pixmap().toImage();
  EXPECT_EQ(drawn.size(), QSize(715, 210));
  EXPECT_EQ(drawn, schematic::DrawSectionsSchematic(response::SectionsOfSheet(*W().PlanOfControls(nullptr), {})));
  // A third stage makes the filter inverting.
  Choose(W().CBox_Jisuu, 4);
  EXPECT_EQ(W().TableSectionParts->rowCount(), 15);
  EXPECT_EQ(W().Label_Sign->text(), QString::fromUtf8("反転（利得 -10 倍）"));
  // Back to the unity-gain Sallen-Key: the groups of the order again.
  Choose(W().CBox_Circuit, 0);
  EXPECT_FALSE(W().PanelSections->isVisibleTo(W().TabDesign));
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(6));
  EXPECT_EQ(Shown().size(), 49u);
  EXPECT_TRUE(ShowsPicture("LPF_6.jpg"));
}

TEST_F(SectionSheets, ARunDesignsThePartsExactly) {
  TypeMfb();
  Design();
  const QStringList values = Column(1);
  ASSERT_EQ(values.size(), 10);
  for (const QString& v : values) EXPECT_FALSE(v.isEmpty());
  EXPECT_TRUE(warnings.Entries().empty());
  EXPECT_TRUE(errors.Errors().empty());
  // The values designed are those of the library's design of the sheet.
  const auto read = response::ReadSheetSections(W().CaptureSectionChoices(), W().CaptureSectionLines());
  ASSERT_EQ(values::ProblemOf(read), nullptr);
  const response::CircuitModel circuit =
      response::CircuitOfSections(std::get<response::SheetSections>(read).sections, {});
  // The table shows the values to three digits, as the sheet's groups do.
  EXPECT_NEAR(response::CircuitGainDb(circuit, 10), 20.0, 0.05);
  EXPECT_NEAR(response::CircuitGainDb(circuit, 10e3), 20.0 - 10 * std::log10(2.0), 0.05);
  // The sheet's record holds the parts after its 49 lines.
  const values::SheetRecord record = Shown();
  EXPECT_TRUE(values::IsSectionRecord(record));
  EXPECT_FALSE(values::ValidateSectionRecord(record));
  EXPECT_EQ(values::SectionLinesOf(record).parts.size(), 10u);
}

TEST_F(SectionSheets, AFixedCapacitorStaysAndTheOthersFollow) {
  TypeMfb();
  W().TableSectionParts->item(4, 1)->setText(QStringLiteral("1000p"));  // C2
  W().TableSectionParts->item(4, 2)->setCheckState(Qt::Checked);
  Design();
  EXPECT_EQ(W().TableSectionParts->item(4, 1)->text(), "1000p");
  EXPECT_FALSE(W().TableSectionParts->item(0, 1)->text().isEmpty());
}

TEST_F(SectionSheets, AnInputThatCannotBeDesignedIsTold) {
  TypeMfb();
  W().Edit_Gain->setText(QStringLiteral("5000"));
  Design();
  ASSERT_TRUE(WaitFor([this] { return !warnings.Entries().empty(); }));
  EXPECT_TRUE(warnings.Entries().front().text.contains(QString::fromUtf8("利得")));
  warnings.CloseNonModal();
  ASSERT_TRUE(WaitForAllRuns());
  EXPECT_TRUE(W().ButtonValset->isEnabled());
  EXPECT_TRUE(Column(1).join(QString()).isEmpty());
}

TEST_F(SectionSheets, ThePreferredValueSearchRunsAndFillsTheTable) {
  TypeMfb();
  W().chkBoxE12[0]->click();  // the series
  ASSERT_FALSE(W().CBox_NoProblem->isChecked());
  Design();
  EXPECT_TRUE(warnings.Entries().empty());
  const QStringList values = Column(1);
  for (const QString& v : values) EXPECT_FALSE(v.isEmpty());
  EXPECT_GT(W().PBar->maximum(), 1);
}

TEST_F(SectionSheets, TheChartAndTheComparisonDrawThemBesideAUnityGainSheet) {
  TypeMfb();
  Design();
  SetAxes();
  QTest::mouseClick(W().ButtonFreq, Qt::LeftButton);
  ASSERT_EQ(W().Chart1->graphCount(), 1);
  EXPECT_GT(W().Chart1->graph(0)->dataCount(), 10);
  EXPECT_NEAR(W().Chart1->graph(0)->data()->begin()->value, 20.0, 0.05);

  SelectTab(1);
  ShowDesign(0, 4, 0, "10k");
  W().CBox_Sheet[0]->setChecked(true);
  W().CBox_Sheet[1]->setChecked(true);
  QTest::mouseClick(W().ButtonFreq8, Qt::LeftButton);
  EXPECT_EQ(W().Chart1->graphCount(), 2);
  EXPECT_TRUE(warnings.Entries().empty());
  // The comparison reads the sheets from their records and shows the
  // shown one again: its table keeps its stages and roles.
  SelectTab(0);
  QTest::mouseClick(W().ButtonFreq8, Qt::LeftButton);
  EXPECT_EQ(Column(3).front(), "1");
  EXPECT_FALSE(Column(4).front().isEmpty());
  const double mfb = values::ParseEngValue(W().Edit_Cutoff[0]->text().toStdString());
  const double unity = values::ParseEngValue(W().Edit_Cutoff[1]->text().toStdString());
  EXPECT_NEAR(mfb / 10e3, 1, 0.02);
  EXPECT_NEAR(unity / 10e3, 1, 0.02);
}

TEST_F(SectionSheets, ASheetOfSectionsSavesAndOpensAsItWas) {
  TypeMfb();
  Design();
  const values::SheetRecord typed = Shown();
  Answer(Path("mfb"));
  W().menuSaveFile->trigger();
  ASSERT_EQ(Entries(), QStringList{"mfb.zdn"});
  EXPECT_TRUE(ReadFile(Path("mfb.zdn")).startsWith("Kelvara design file 2\r\n1\r\n"));

  SelectTab(4);
  Answer(Path("mfb.zdn"));
  W().menuOpenFile->trigger();
  EXPECT_EQ(Shown(), typed);
  EXPECT_EQ(W().CBox_Circuit->currentIndex(), values::kCircuitMfb);
  EXPECT_EQ(W().Edit_Gain->text(), "10");
  EXPECT_TRUE(W().PanelSections->isVisibleTo(W().TabDesign));
  EXPECT_EQ(Column(4).size(), 10);
  EXPECT_FALSE(Column(4).front().isEmpty());  // the roles from the stages

  // The unity-gain sheets beside it save as they always did.
  SelectTab(0);
  SelectTab(2);
  TypeDesign(3);
  Answer(Path("unity"));
  W().menuSaveFile->trigger();
  EXPECT_EQ(CrLfLines(ReadFile(Path("unity.zdn"))).size(), 50);
  EXPECT_TRUE(errors.Errors().empty());
}

TEST_F(SectionSheets, BandPassTakesItsCentreAndBandwidthAndIsMfb) {
  Choose(W().CBox_Jisuu, 1);  // ３次
  Choose(W().CBox_HPFLPF, values::kPassKindBpf);
  EXPECT_EQ(W().CBox_Circuit->currentIndex(), values::kCircuitMfb);
  EXPECT_FALSE(W().CBox_Circuit->isEnabled());
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 2) << "an even order";
  EXPECT_EQ(W().Label3->text(), QString::fromUtf8("中心周波数"));
  EXPECT_TRUE(W().Edit_Bandwidth->isVisibleTo(W().TabDesign));
  EXPECT_FALSE(W().Edit_StageGains->isVisibleTo(W().TabDesign));
  W().Edit_Frequency->setText(QStringLiteral("10k"));
  W().Edit_Bandwidth->setText(QStringLiteral("2k"));
  Design();
  EXPECT_TRUE(warnings.Entries().empty());
  W().CBox_Sheet[0]->setChecked(true);
  SetAxes();
  QTest::mouseClick(W().ButtonFreq8, Qt::LeftButton);
  EXPECT_TRUE(warnings.Entries().empty());
  // Of the values as the table shows them (three digits).
  const QStringList reading = W().Edit_Cutoff[0]->text().split(QLatin1Char('/'));
  ASSERT_EQ(reading.size(), 2);
  EXPECT_NEAR(values::ParseEngValue(reading[0].toStdString()) / 10e3, 1, 0.01);
  EXPECT_NEAR(values::ParseEngValue(reading[1].toStdString()) / 2e3, 1, 0.02);
  EXPECT_LE(W().Edit_Cutoff[0]->text().size(), 11) << "it fits the box";
  EXPECT_TRUE(W().Edit_Cutoff[0]->toolTip().contains(QString::fromUtf8("帯域幅")));
  // Back to LPF: the cut-off again, the circuit free.
  Choose(W().CBox_HPFLPF, 0);
  EXPECT_TRUE(W().CBox_Circuit->isEnabled());
  EXPECT_EQ(W().Label3->text(), QString::fromUtf8("カットオフ周波数"));
}

}  // namespace
}  // namespace kelvara::app::testing
