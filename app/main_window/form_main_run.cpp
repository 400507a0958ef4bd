// The calculation run: "定数設定" starts a design of the shown sheet on a
// worker thread, "設定中止" asks it to stop.
//
// A run reads and writes controls and records only through steps it hands
// to this thread (see TcalcThread). The controls always hold exactly the
// sheet whose tab is shown: tab changes and file loads swap them without
// running an event loop in between, and the comparison of sheets reads the
// other sheets from their records instead of loading them into the
// controls. So whenever a run's step is handled — between events or inside
// the event loop of a modal box — a delivery to the shown sheet meets that
// sheet's own data.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>

#include "app/main_window/calc_thread.h"
#include "app/main_window/form_main.h"
#include "app/main_window/sections_run.h"
#include "engine/run_checks.h"
#include "values/eng_value.h"

namespace kelvara::app {

engine::DesignRequest TFormMain::CaptureDesignRequest() const {
  return engine::MakeDesignRequest({.passKind = CBox_HPFLPF->currentIndex(),
                                    .circuit = CBox_Circuit->currentIndex(),
                                    .orderIndex = CBox_Jisuu->currentIndex(),
                                    .response = CBox_gensui->currentIndex(),
                                    .rippleIndex = CBox_ripple->currentIndex(),
                                    .cutoffText = Edit_Frequency->text().toStdString(),
                                    .capE12 = chkBoxE12[0]->isChecked(),
                                    .resE24 = chkBoxE12[1]->isChecked(),
                                    .anyValues = CBox_NoProblem->isChecked()});
}

engine::PartInputs TFormMain::CapturePartInputs() const {
  engine::PartInputs inputs;
  for (int k = 0; k < kPartCount; ++k) {
    inputs.r[k] = {groupR[k].valueEdit->text().toStdString(), groupR[k].autoButton->isChecked(),
                   groupR[k].fixButton->isChecked()};
    inputs.c[k] = {groupC[k].valueEdit->text().toStdString(), groupC[k].autoButton->isChecked(),
                   groupC[k].fixButton->isChecked()};
  }
  return inputs;
}

void TFormMain::ButtonValsetClick() {
  LockSheetTabs();  // the run gives the lock back once it may be left
  DisableDesignInputs();
  ButtonValset->setEnabled(false);
  ButtonFreq->setEnabled(false);
  const int s = ShownSheet();
  TcalcThread* run = makeRun                  ? makeRun(*this, s)
                     : ControlsNeedSections() ? new TSectionsRun(*this, s, true)
                                              : new TcalcThread(*this, s, true);
  run->partSeries = partSeries_;
  calcRuns[s] = run;  // frees itself once it has ended
  run->Resume();
  QThread::msleep(100);
}

void TFormMain::ButtonStopClick() {
  const int s = ShownSheet();
  ButtonStop->setEnabled(false);
  // A sheet opened from a file in its running look has no run.
  if (TcalcThread* run = calcRuns[s]; run && !run->Ended()) run->Terminate();
}

void TFormMain::LockSheetTabs() {
  ++sheetTabLocks_;
  TabDesign->setEnabled(false);
}

void TFormMain::UnlockSheetTabs() {
  if (sheetTabLocks_ > 0) --sheetTabLocks_;
  if (sheetTabLocks_ == 0) TabDesign->setEnabled(true);
}

void TFormMain::DetachRun(int sheet) {
  if (TcalcThread* run = calcRuns.at(sheet); run && !run->Ended()) run->Detach();
  calcRuns.at(sheet) = nullptr;
}

void TFormMain::BeginRun() {
  ButtonValset->setText(
      QString::fromUtf8(values::kCaptionRunning.data(), static_cast<int>(values::kCaptionRunning.size())));
}

void TFormMain::ShowRunProgressMaximum(int maximum) { PBar->setMaximum(maximum); }

void TFormMain::ShowRunProgress(int sheet, int progress) {
  if (ShownSheet() != sheet) return;
  // The bar shows the count, at most its maximum.
  PBar->setValue(std::clamp(progress, PBar->minimum(), PBar->maximum()));
}

void TFormMain::AllowRunStop() { ButtonStop->setEnabled(true); }

void TFormMain::DeliverRun(int sheet, const RunResult& result) {
  const bool onScreen = ShownSheet() == sheet;
  if (onScreen) {
    ButtonStop->setEnabled(false);
    EnableDesignInputs();
    ButtonValset->setEnabled(true);
    ButtonFreq->setEnabled(true);
  }
  if (result.failed) {
    // Nothing trustworthy to deliver: the values stay as they were and a
    // sheet that is not shown only becomes idle.
    if (!onScreen) MakeRecordIdle(sheet);
  } else if (result.valid && onScreen) {
    for (int k = 1; k <= result.order; ++k) {
      groupR[k - 1].valueEdit->setText(QString::fromStdString(values::FormatResistanceDisplay(result.parts.r[k - 1])));
      groupC[k - 1].valueEdit->setText(QString::fromStdString(values::FormatCapacitance(result.parts.c[k - 1])));
    }
    // The text changes reset the bar; show the final count again.
    ShowRunProgress(sheet, result.progress);
    StoreSheet(sheet);
  } else {
    engine::DeliverToRecord(sheets.at(sheet), result.parts, result.order, result.progress);
  }
  if (onScreen) {
    ButtonValset->setText(
        QString::fromUtf8(values::kCaptionIdle.data(), static_cast<int>(values::kCaptionIdle.size())));
  }
  if (!result.failed) emit sheetDesignChanged(sheet);
}

void TFormMain::MakeRecordIdle(int sheet) {
  values::SheetRecord& record = sheets.at(sheet);
  values::CompleteSheetRecord(record);
  values::MakeSheetIdle(record);
}

bool TFormMain::ShutdownRuns(int waitMilliseconds) {
  runsClosing_ = true;
  const std::vector<QPointer<TcalcThread>> live = TcalcThread::LiveRuns();
  for (const auto& run : live) {
    if (run) run->Terminate();
  }
  warnings.CloseNonModal();
  QElapsedTimer timer;
  timer.start();
  auto running = [&live] {
    for (const auto& run : live) {
      if (run && !run->Ended()) return true;
    }
    return false;
  };
  while (running() && timer.elapsed() < waitMilliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  TcalcThread::FreeEnded();
  return !running();
}

}  // namespace kelvara::app
