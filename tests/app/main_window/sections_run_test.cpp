// The runs of sheets built of sections on their worker threads, without a
// file dialog: an exact design and a preferred-value search deliver into
// the table, 設定中止 ends a search in an orderly way, two sheets run at
// once, and closing or destroying the window while they run neither
// crashes nor hangs. (The thread sanitizer runs these.)

#include <QTest>

#include "tests/app/app_test_support.h"
#include "tests/app/main_window/run_support.h"
#include "values/filter_catalogue.h"

namespace kelvara::app::testing {
namespace {

class SectionRuns : public WindowTest {
 protected:
  void TearDown() override {
    warnings.CloseNonModal();
    EXPECT_TRUE(WaitForAllRuns());
    WindowTest::TearDown();
  }

  /// An 8th-order MFB low-pass at 10 kHz with gain 10, from the series when
  /// asked.
  void TypeMfb(bool series) {
    Choose(W().CBox_Circuit, values::kCircuitMfb);
    Choose(W().CBox_Jisuu, 6);
    W().Edit_Frequency->setText(QStringLiteral("10k"));
    W().Edit_Gain->setText(QStringLiteral("10"));
    if (series) W().chkBoxE12[0]->click();
  }

  void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

  bool TableFilled() const {
    for (int row = 0; row < window->TableSectionParts->rowCount(); ++row) {
      if (window->TableSectionParts->item(row, 1)->text().isEmpty()) return false;
    }
    return window->TableSectionParts->rowCount() > 0;
  }
};

TEST_F(SectionRuns, ExactAndSeriesRunsDeliverIntoTheTable) {
  for (const bool series : {false, true}) {
    SelectTab(series ? 1 : 0);
    TypeMfb(series);
    Click(W().ButtonValset);
    ASSERT_TRUE(WaitForAllRuns());
    EXPECT_TRUE(TableFilled());
    EXPECT_TRUE(W().ButtonValset->isEnabled());
    EXPECT_FALSE(W().ButtonStop->isEnabled());
  }
  EXPECT_TRUE(warnings.Entries().empty());
}

TEST_F(SectionRuns, StopEndsASearchAndTheSheetIsIdle) {
  TypeMfb(true);
  Click(W().ButtonValset);
  if (W().ButtonStop->isEnabled()) Click(W().ButtonStop);
  ASSERT_TRUE(WaitForAllRuns());
  EXPECT_TRUE(W().ButtonValset->isEnabled());
  EXPECT_FALSE(W().ButtonStop->isEnabled());
  EXPECT_TRUE(TcalcThread::LiveRuns().empty());
}

TEST_F(SectionRuns, TwoSheetsRunAtOnceAndBothDeliver) {
  for (int sheet = 0; sheet < 2; ++sheet) {
    SelectTab(sheet);
    TypeMfb(true);
    Click(W().ButtonValset);
    // The tabs are locked while a run starts.
    ASSERT_TRUE(WaitFor([&] { return W().TabDesign->isEnabled(); }));
  }
  ASSERT_TRUE(WaitForAllRuns());
  for (int sheet = 0; sheet < 2; ++sheet) {
    SelectTab(sheet);
    EXPECT_TRUE(TableFilled()) << sheet;
  }
}

TEST_F(SectionRuns, ClosingOrDestroyingTheWindowWhileTheyRun) {
  for (int sheet = 0; sheet < 2; ++sheet) {
    SelectTab(sheet);
    TypeMfb(true);
    Click(W().ButtonValset);
    ASSERT_TRUE(WaitFor([&] { return W().TabDesign->isEnabled(); }));
  }
  window->close();
  EXPECT_TRUE(TcalcThread::LiveRuns().empty() || WaitForAllRuns());
  window.reset();  // nothing touches the destroyed window
  QCoreApplication::processEvents();
  EXPECT_TRUE(WaitForAllRuns());
}

}  // namespace
}  // namespace kelvara::app::testing
