// "定数設定" and "設定中止": the calculation run on real worker threads.

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "storage/design_file.h"
#include "tests/app/main_window/run_support.h"
#include "tools/designer/headless_design.h"
#include "values/eng_value.h"
#include "values/sheet_record.h"

namespace kelvara::app::testing {
namespace {

namespace line = values::sheet_line;
using Entry = RecordingWarningBoxes::Entry;

class Runs : public WindowTest {
 protected:
  QTemporaryDir tempDir;

  void TearDown() override {
    // Whatever a test left waiting goes on and ends before the window goes.
    for (auto& gate : gates_) gate->Open();
    warnings.CloseNonModal();
    EXPECT_TRUE(WaitForAllRuns());
    WindowTest::TearDown();
  }

  /// The next click makes a run that waits before designing.
  std::shared_ptr<Gate> GateBeforeDesign() {
    auto gate = NewGate();
    W().makeRun = [gate](TFormMain& form, int sheet) {
      auto* run = new TestRun(form, sheet);
      run->beforeDesign = gate;
      return run;
    };
    return gate;
  }

  /// The next click makes a run that waits inside its n-th design step.
  std::shared_ptr<Gate> GateAtStep(int n) {
    auto gate = NewGate();
    W().makeRun = [gate, n](TFormMain& form, int sheet) {
      auto* run = new TestRun(form, sheet);
      run->atStep = gate;
      run->stepNumber = n;
      return run;
    };
    return gate;
  }

  void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

  /// Starts a run of the shown sheet and waits until it has ended.
  void RunToEnd() {
    Click(W().ButtonValset);
    ASSERT_TRUE(WaitForAllRuns());
  }

  void SetDesign(int kind, const char* cutoff, int orderIndex, int response = 0) {
    W().CBox_HPFLPF->setCurrentIndex(kind);
    W().Edit_Frequency->setText(QString::fromUtf8(cutoff));
    Choose(W().CBox_Jisuu, orderIndex);
    Choose(W().CBox_gensui, response);
  }

  void UseSeries() {
    if (W().CBox_NoProblem->isChecked()) W().chkBoxE12[0]->click();
  }

  QString Caption() { return W().ButtonValset->text(); }

  std::vector<QString> Edits(int order) {
    std::vector<QString> texts;
    for (int k = 0; k < order; ++k) texts.push_back(W().groupR[k].valueEdit->text());
    for (int k = 0; k < order; ++k) texts.push_back(W().groupC[k].valueEdit->text());
    return texts;
  }

  /// The texts the window shows for a headless design of the same inputs.
  std::vector<QString> ExpectedEdits(std::optional<int> stopAfter = std::nullopt) {
    const tools::DesignReport report =
        tools::RunHeadlessDesign(W().CaptureDesignRequest(), W().CapturePartInputs(), stopAfter);
    std::vector<QString> texts;
    for (int k = 0; k < report.order; ++k) {
      texts.push_back(QString::fromStdString(values::FormatResistanceDisplay(report.parts.r[k])));
    }
    for (int k = 0; k < report.order; ++k) {
      texts.push_back(QString::fromStdString(values::FormatCapacitance(report.parts.c[k])));
    }
    return texts;
  }

  bool InputsEnabled() { return W().CBox_HPFLPF->isEnabled() && W().groupR[0].box->isEnabled(); }

  void ExpectIdle() {
    EXPECT_EQ(Caption(), "定数設定");
    EXPECT_TRUE(W().ButtonValset->isEnabled());
    EXPECT_FALSE(W().ButtonStop->isEnabled());
    EXPECT_TRUE(W().ButtonFreq->isEnabled());
    EXPECT_TRUE(W().TabDesign->isEnabled());
    EXPECT_TRUE(InputsEnabled());
  }

  void ExpectRunningLook() {
    EXPECT_EQ(Caption(), "設定中");
    EXPECT_FALSE(W().ButtonValset->isEnabled());
    EXPECT_TRUE(W().ButtonStop->isEnabled());
    EXPECT_FALSE(W().ButtonFreq->isEnabled());
    EXPECT_FALSE(W().CBox_HPFLPF->isEnabled());
    EXPECT_FALSE(W().Edit_Frequency->isEnabled());
    EXPECT_FALSE(W().groupC[1].box->isEnabled());
  }

 private:
  std::shared_ptr<Gate> NewGate() {
    gates_.push_back(std::make_shared<Gate>());
    return gates_.back();
  }
  std::vector<std::shared_ptr<Gate>> gates_;
};

// ---- input checks --------------------------------------------------------

struct CutoffCase {
  const char* text;
  bool refused;
};

class RunCutoff : public Runs, public ::testing::WithParamInterface<CutoffCase> {};

TEST_P(RunCutoff, RangeIsOneHertzTo100MHz) {
  SetDesign(0, GetParam().text, 0);
  RunToEnd();
  const Entry box{"不正な数値", "カットオフ周波数の範囲は、１～１００ＭＨｚ です。"};
  if (GetParam().refused) {
    EXPECT_EQ(warnings.Entries(), std::vector<Entry>{box});
    EXPECT_EQ(Edits(2), std::vector<QString>(4));  // nothing delivered on screen
  } else {
    EXPECT_TRUE(warnings.Entries().empty());
    EXPECT_EQ(Edits(2), ExpectedEdits());
  }
  ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(Cases, RunCutoff,
                         ::testing::Values(CutoffCase{"", true}, CutoffCase{"abc", true}, CutoffCase{"0", true},
                                           CutoffCase{"100.1M", true}, CutoffCase{"1", false},
                                           CutoffCase{"100M", false}));

TEST_F(Runs, EveryErrorHasItsBoxFrequencyFirstAndTheSheetStaysAsTyped) {
  SetDesign(0, "", 1);
  W().groupR[0].fixButton->setChecked(true);
  W().groupC[0].fixButton->setChecked(true);
  W().groupR[2].fixButton->setChecked(true);
  W().groupR[2].valueEdit->setText("abc");
  W().groupC[1].valueEdit->setText("typed");  // auto: not checked
  RunToEnd();
  const std::vector<Entry> expected = {
      {"不正な数値", "カットオフ周波数の範囲は、１～１００ＭＨｚ です。"},
      {"R1 の不正な値", "autoにするか抵抗値を設定下さい。"},
      {"C1 の不正な値", "autoにするか静電容量値を設定下さい。"},
      {"R3 の不正な値", "autoにするか抵抗値を設定下さい。"},
  };
  EXPECT_EQ(warnings.Entries(), expected);
  ExpectIdle();
  EXPECT_EQ(W().groupR[2].valueEdit->text(), "abc");
  EXPECT_EQ(W().groupC[1].valueEdit->text(), "typed");
  EXPECT_EQ(W().PBar->value(), 0);
}

TEST_F(Runs, CombinationWithoutDataIsRefusedAndTheSheetStaysIdle) {
  // A sheet opened from a file can hold what the rules never offer.
  SetDesign(0, "1k", 4);
  W().CBox_HPFLPF->setCurrentIndex(1);
  W().CBox_gensui->setCurrentIndex(1);  // HPF Bessel, set from code
  RunToEnd();
  const std::vector<Entry> expected = {
      {"HPF ベッセル は設計できない組合せ", "バターワースかチェビシェフを選択下さい。"}};
  EXPECT_EQ(warnings.Entries(), expected);
  EXPECT_EQ(Edits(6), std::vector<QString>(12));
  ExpectIdle();

  warnings.Clear();
  W().CBox_gensui->setCurrentIndex(2);
  W().CBox_Jisuu->setCurrentIndex(1);  // HPF Chebyshev of order 3
  RunToEnd();
  const std::vector<Entry> chebyshev = {
      {"HPF チェビシェフ ３次 は設計できない組合せ", "４次以上にするかバターワースを選択下さい。"}};
  EXPECT_EQ(warnings.Entries(), chebyshev);
  ExpectIdle();
}

// ---- delivery -------------------------------------------------------------

TEST_F(Runs, ContinuousDesignIsDeliveredIntoTheEditsAndStored) {
  SetDesign(0, "4.7k", 6, 2);
  W().groupR[2].fixButton->setChecked(true);
  W().groupR[2].valueEdit->setText("10k");
  RunToEnd();
  EXPECT_TRUE(warnings.Entries().empty());
  EXPECT_EQ(Edits(8), ExpectedEdits());
  EXPECT_EQ(W().groupR[2].valueEdit->text(), "10.00k");  // fixed values come back in display form
  ExpectIdle();
  // Order 8: 4 stages of 80; the final count 321 shows as a full bar.
  EXPECT_EQ(W().PBar->maximum(), 320);
  EXPECT_EQ(W().PBar->value(), 320);
  // The sheet is stored with the delivered values.
  const values::SheetRecord& record = W().sheets[0];
  EXPECT_EQ(QString::fromStdString(record[line::RValue(1)]), W().groupR[0].valueEdit->text());
  EXPECT_EQ(record[line::kProgressPos], "320");
}

TEST_F(Runs, Order8RunShowsMaximum320AndFirstPosition4) {
  SetDesign(0, "1k", 6);
  auto gate = GateBeforeDesign();
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return gate->Arrived(); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(W().PBar->maximum(), 320);
  EXPECT_EQ(W().PBar->value(), 4);
  ExpectRunningLook();
  EXPECT_TRUE(W().TabDesign->isEnabled());
  gate->Open();
  ASSERT_TRUE(WaitForAllRuns());
  ExpectIdle();
}

TEST_F(Runs, SwitchingAwayAndBackShowsTheRunningSheetAsItIs) {
  SetDesign(0, "1k", 6);
  UseSeries();
  auto gate = GateAtStep(2);
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return gate->Arrived(); }));
  QCoreApplication::processEvents();
  const int position = W().PBar->value();
  EXPECT_EQ(position, 6);  // 4, then two steps of the first stage's search

  SelectTab(3);
  ExpectIdle();  // a new sheet
  EXPECT_EQ(W().PBar->value(), 0);
  SelectTab(0);
  ExpectRunningLook();
  EXPECT_EQ(W().PBar->value(), position);
  EXPECT_EQ(W().PBar->maximum(), 320);
  gate->Open();
  ASSERT_TRUE(WaitForAllRuns());
  ExpectIdle();
}

TEST_F(Runs, RunOfAHiddenSheetDeliversIntoItsRecord) {
  SetDesign(1, "2.2k", 4);
  auto gate = GateBeforeDesign();
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return gate->Arrived(); }));
  const std::vector<QString> expected = ExpectedEdits();
  SelectTab(5);
  W().Edit_Frequency->setText("99");  // the shown sheet is not touched by the delivery
  gate->Open();
  ASSERT_TRUE(WaitForAllRuns());
  EXPECT_EQ(W().Edit_Frequency->text(), "99");
  ExpectIdle();
  EXPECT_EQ(Edits(6), std::vector<QString>(12));

  const values::SheetRecord& record = W().sheets[0];
  EXPECT_EQ(record[line::RValue(1)], values::FormatResistance(values::ParseEngValue(expected[0].toStdString())));
  EXPECT_EQ(record[line::kInputsEnabled], "true");
  EXPECT_EQ(record[line::kValsetEnabled], "true");
  EXPECT_EQ(record[line::kStopEnabled], "false");
  EXPECT_EQ(record[line::kFreqEnabled], "true");
  EXPECT_EQ(record[line::kValsetCaption], "定数設定");
  EXPECT_EQ(record[line::kProgressMax], "240");
  EXPECT_EQ(record[line::kProgressPos], "241");

  SelectTab(0);
  ExpectIdle();
  EXPECT_EQ(W().PBar->maximum(), 240);
  EXPECT_EQ(W().PBar->value(), 240);
  for (int k = 0; k < 6; ++k) {
    // Records hold the record form; both read back to the same value.
    EXPECT_NEAR(values::ParseEngValue(W().groupR[k].valueEdit->text().toStdString()),
                values::ParseEngValue(expected[k].toStdString()),
                values::ParseEngValue(expected[k].toStdString()) * 1e-3);
  }
  EXPECT_EQ(W().groupC[0].valueEdit->text(), expected[6]);
}

TEST_F(Runs, EveryDeliveryIsAnnouncedOnceAfterItIsDone) {
  // Later windows refresh on this signal: it must come after the values are
  // in place, once per delivered run, and not after a failure.
  QSignalSpy spy(&W(), &TFormMain::sheetDesignChanged);
  std::vector<QString> seen;
  QObject::connect(&W(), &TFormMain::sheetDesignChanged, &W(), [&](int sheet) {
    seen.push_back(sheet == W().ShownSheet() ? W().groupR[0].valueEdit->text()
                                             : QString::fromStdString(W().sheets.at(sheet)[line::RValue(1)]));
  });
  SetDesign(0, "1k", 0);
  RunToEnd();
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toInt(), 0);
  EXPECT_EQ(seen, std::vector<QString>{W().groupR[0].valueEdit->text()});

  auto gate = GateBeforeDesign();
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return gate->Arrived(); }));
  SelectTab(3);
  gate->Open();
  ASSERT_TRUE(WaitForAllRuns());
  ASSERT_EQ(spy.count(), 2);
  EXPECT_EQ(spy.at(1).at(0).toInt(), 0);
  EXPECT_EQ(seen.back(), QString::fromStdString(W().sheets[0][line::RValue(1)]));
  EXPECT_FALSE(seen.back().isEmpty());

  SelectTab(0);
  W().makeRun = [](TFormMain& form, int sheet) {
    auto* run = new TestRun(form, sheet);
    run->throwInDesign = true;
    return run;
  };
  RunToEnd();
  EXPECT_EQ(spy.count(), 2);
}

TEST_F(Runs, ShortRecordAtDeliveryIsCompletedNotOverrun) {
  SetDesign(0, "1k", 0);
  auto gate = GateBeforeDesign();
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return gate->Arrived(); }));
  SelectTab(1);
  W().sheets[0].resize(10);  // as after opening a short file
  gate->Open();
  ASSERT_TRUE(WaitForAllRuns());
  ASSERT_EQ(W().sheets[0].size(), 49u);
  EXPECT_NE(W().sheets[0][line::RValue(1)], "");
  EXPECT_EQ(W().sheets[0][line::kValsetCaption], "定数設定");
  EXPECT_TRUE(errors.Errors().empty());
}

TEST_F(Runs, TwoRunsOnTwoSheetsDoNotDisturbEachOther) {
  SetDesign(0, "1k", 6);
  UseSeries();
  auto first = GateAtStep(3);
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return first->Arrived(); }));
  const std::vector<QString> expectedFirst = ExpectedEdits();

  SelectTab(1);
  SetDesign(1, "10k", 2);
  auto second = GateBeforeDesign();
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return second->Arrived(); }));
  QCoreApplication::processEvents();
  ExpectRunningLook();
  const int position = W().PBar->value();

  first->Open();  // the first run ends while sheet 2 is shown
  ASSERT_TRUE(WaitFor([&] { return W().sheets[0][line::kValsetCaption] == "定数設定"; }));
  ExpectRunningLook();
  EXPECT_EQ(W().PBar->value(), position);

  second->Open();
  ASSERT_TRUE(WaitForAllRuns());
  ExpectIdle();
  SelectTab(0);
  EXPECT_EQ(W().groupC[7].valueEdit->text(), expectedFirst[15]);
}

TEST_F(Runs, StopKeepsWhatTheSearchHeldAndZeroesLaterStages) {
  SetDesign(0, "1k", 6);
  UseSeries();
  const std::vector<QString> expected = ExpectedEdits(3);
  auto gate = GateAtStep(3);
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return gate->Arrived(); }));
  Click(W().ButtonStop);
  EXPECT_FALSE(W().ButtonStop->isEnabled());
  gate->Open();
  ASSERT_TRUE(WaitForAllRuns());
  ExpectIdle();
  EXPECT_EQ(Edits(8), expected);
  EXPECT_EQ(W().groupR[7].valueEdit->text(), "0.00");  // a later stage
}

TEST_F(Runs, StopWithoutARunOnlyDisablesTheButton) {
  // A sheet opened in its running look has no run behind it.
  W().ButtonStop->setEnabled(true);
  Click(W().ButtonStop);
  EXPECT_FALSE(W().ButtonStop->isEnabled());
  EXPECT_TRUE(TcalcThread::LiveRuns().empty());
}

TEST_F(Runs, FailureInsideARunEndsItInAnOrderlyWay) {
  SetDesign(0, "1k", 0);
  W().groupR[0].valueEdit->setText("keep");
  W().makeRun = [](TFormMain& form, int sheet) {
    auto* run = new TestRun(form, sheet);
    run->throwInDesign = true;
    return run;
  };
  RunToEnd();
  ASSERT_TRUE(WaitFor([&] { return !errors.Errors().empty(); }));
  QCoreApplication::processEvents();
  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_TRUE(errors.Errors()[0].contains("Sheet_1"));
  EXPECT_TRUE(errors.Errors()[0].contains("simulated fault"));
  ExpectIdle();
  EXPECT_EQ(W().groupR[0].valueEdit->text(), "keep");
}

TEST_F(Runs, FailureOfAHiddenSheetLeavesItsRecordIdleWithItsValues) {
  SetDesign(0, "1k", 0);
  W().groupR[0].valueEdit->setText("keep");
  auto gate = std::make_shared<Gate>();
  W().makeRun = [gate](TFormMain& form, int sheet) {
    auto* run = new TestRun(form, sheet);
    run->beforeDesign = gate;
    run->throwInDesign = true;
    return run;
  };
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return gate->Arrived(); }));
  SelectTab(2);
  gate->Open();
  ASSERT_TRUE(WaitForAllRuns());
  EXPECT_EQ(W().sheets[0][line::RValue(1)], "keep");
  EXPECT_EQ(W().sheets[0][line::kValsetCaption], "定数設定");
  EXPECT_EQ(W().sheets[0][line::kStopEnabled], "false");
  SelectTab(0);
  ExpectIdle();
}

// ---- warnings of runs --------------------------------------------------------

TEST_F(Runs, AWarningBlocksOnlyItsRunAndSeveralMayBeOpen) {
  // Order 2 with both capacitors fixed too close: the design warns while
  // the user may already switch sheets.
  auto unrealisable = [this] {
    SetDesign(0, "1k", 0);
    W().groupC[0].fixButton->setChecked(true);
    W().groupC[0].valueEdit->setText("19n");
    W().groupC[1].fixButton->setChecked(true);
    W().groupC[1].valueEdit->setText("10n");
  };
  warnings.holdNonModal = true;
  unrealisable();
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return warnings.OpenNonModal() == 1; }));
  // The window goes on: another sheet starts a run of its own.
  ASSERT_TRUE(W().TabDesign->isEnabled());
  SelectTab(1);
  unrealisable();
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return warnings.OpenNonModal() == 2; }));
  EXPECT_EQ(TcalcThread::LiveRuns().size(), 2u);
  EXPECT_EQ(warnings.Entries()[0].caption, "C1, C2 は設定不能な値");
  // Each run goes on when its own box is closed.
  ASSERT_TRUE(warnings.CloseOldestNonModal());
  ASSERT_TRUE(WaitFor([&] { return W().sheets[0][line::kValsetCaption] == "定数設定"; }));
  ExpectRunningLook();
  ASSERT_TRUE(warnings.CloseOldestNonModal());
  ASSERT_TRUE(WaitForAllRuns());
  ExpectIdle();
  // An invalid design delivers nothing into the edits on screen.
  EXPECT_EQ(W().groupR[0].valueEdit->text(), "");
}

TEST_F(Runs, AnEndingRunDoesNotUnlockTheTabsOfARunStillStarting) {
  SetDesign(0, "1k", 6);
  UseSeries();
  auto gate = GateBeforeDesign();
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return gate->Arrived(); }));
  SelectTab(1);
  warnings.holdNonModal = true;
  W().makeRun = nullptr;
  SetDesign(0, "", 0);
  Click(W().ButtonValset);  // waits in its frequency box with the tabs locked
  ASSERT_TRUE(WaitFor([&] { return warnings.OpenNonModal() == 1; }));
  EXPECT_FALSE(W().TabDesign->isEnabled());
  gate->Open();  // the first run ends meanwhile
  ASSERT_TRUE(WaitFor([&] { return W().sheets[0][line::kValsetCaption] == "定数設定"; }));
  QCoreApplication::processEvents();
  EXPECT_FALSE(W().TabDesign->isEnabled());
  ASSERT_TRUE(warnings.CloseOldestNonModal());
  ASSERT_TRUE(WaitForAllRuns());
  EXPECT_TRUE(W().TabDesign->isEnabled());
  ExpectIdle();
}

TEST_F(Runs, OpeningAFileIntoARunningSheetKeepsTheFilesDesign) {
  // A design file with a typed sheet.
  values::SheetRecord saved = values::DefaultSheetRecord();
  saved[line::kCutoff] = "from file";
  saved[line::RValue(1)] = "12k";
  const QString path = QDir(tempDir.path()).filePath("sheet.zdn");
  ASSERT_FALSE(storage::WriteSheetFile(path, saved).has_value());

  SetDesign(0, "1k", 0);
  auto gate = GateBeforeDesign();
  Click(W().ButtonValset);
  ASSERT_TRUE(WaitFor([&] { return gate->Arrived(); }));
  W().SetFileDialogRunner([path](QFileDialog&) { return std::optional<QString>(path); });
  W().menuOpenFile->trigger();
  EXPECT_EQ(W().Edit_Frequency->text(), "from file");
  ExpectIdle();
  gate->Open();
  ASSERT_TRUE(WaitForAllRuns());
  // The run of the replaced sheet delivered nothing.
  EXPECT_EQ(W().Edit_Frequency->text(), "from file");
  EXPECT_EQ(W().groupR[0].valueEdit->text(), "12k");
  EXPECT_EQ(W().sheets[0][line::RValue(1)], "12k");
  ExpectIdle();
}

// ---- closing ------------------------------------------------------------------

TEST_F(Runs, ClosingWithActiveRunsNeitherCrashesNorHangs) {
  warnings.holdNonModal = true;
  for (int sheet = 0; sheet < 3; ++sheet) {
    SelectTab(sheet);
    SetDesign(0, sheet == 2 ? "" : "1k", 6);
    UseSeries();
    if (sheet == 0) {
      auto gate = GateAtStep(2);
      Click(W().ButtonValset);
      ASSERT_TRUE(WaitFor([&] { return gate->Arrived(); }));
      gate->Open();
    } else {
      W().makeRun = nullptr;
      Click(W().ButtonValset);
    }
  }
  ASSERT_TRUE(WaitFor([&] { return warnings.OpenNonModal() == 1; }));  // sheet 3 waits for its box
  window->close();
  EXPECT_TRUE(TcalcThread::LiveRuns().empty() || WaitForAllRuns());
  EXPECT_EQ(warnings.OpenNonModal(), 0u);
  window.reset();  // nothing touches the destroyed window
  QCoreApplication::processEvents();
}

TEST_F(Runs, DestroyingTheWindowStopsItsRuns) {
  SetDesign(0, "1k", 6);
  UseSeries();
  Click(W().ButtonValset);
  window.reset();
  EXPECT_TRUE(WaitForAllRuns());
}

// ---- many runs at once -----------------------------------------------------

TEST_F(Runs, EightRunsWithTabSwitchingAllDeliver) {
  std::vector<std::vector<QString>> expected(8);
  for (int sheet = 0; sheet < 8; ++sheet) {
    SelectTab(sheet);
    SetDesign(sheet % 2, sheet % 3 == 0 ? "1k" : "47k", 2 + sheet % 5);
    if (sheet % 2 == 0) UseSeries();
    expected[sheet] = ExpectedEdits();
    Click(W().ButtonValset);
    ASSERT_TRUE(WaitFor([&] { return W().TabDesign->isEnabled(); }));
  }
  // Switch around while they search and deliver.
  for (int i = 0; i < 40 && !TcalcThread::LiveRuns().empty(); ++i) {
    if (W().TabDesign->isEnabled()) SelectTab((i * 3) % 8);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  ASSERT_TRUE(WaitForAllRuns());
  for (int sheet = 0; sheet < 8; ++sheet) {
    SelectTab(sheet);
    ExpectIdle();
    const std::vector<QString> shown = Edits(static_cast<int>(expected[sheet].size()) / 2);
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const double want = values::ParseEngValue(expected[sheet][i].toStdString());
      EXPECT_NEAR(values::ParseEngValue(shown[i].toStdString()), want, want * 1e-3) << "sheet " << sheet << " #" << i;
    }
  }
}

}  // namespace
}  // namespace kelvara::app::testing
