#include "app/main_window/calc_thread.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <string>

#include "app/common/application.h"
#include "app/main_window/form_main.h"
#include "app/main_window/ui_handover.h"
#include "engine/run_sequence.h"

namespace kelvara::app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Runs are created and freed on the user-interface thread only.
std::vector<QPointer<TcalcThread>>& Registry() {
  static std::vector<QPointer<TcalcThread>> runs;
  return runs;
}

}  // namespace

TcalcThread::TcalcThread(TFormMain& form, int sheet, bool createSuspended) : form_(&form) {
  sheetIndex = sheet;
  // The click locked the tabs for this run.
  holdsTabs_ = true;
  auto& runs = Registry();
  runs.erase(std::remove(runs.begin(), runs.end(), nullptr), runs.end());
  runs.emplace_back(this);
  // Every run is created suspended and started by Resume.
  if (!createSuspended) start();
}

TcalcThread::~TcalcThread() {
  // Orders the worker's last writes before the destruction here.
  (void)Ended();
}

std::vector<QPointer<TcalcThread>> TcalcThread::LiveRuns() {
  std::vector<QPointer<TcalcThread>> live;
  for (const auto& run : Registry()) {
    if (run) live.push_back(run);
  }
  return live;
}

bool TcalcThread::Ended() const {
  std::lock_guard lock(endMutex_);
  return ended_;
}

void TcalcThread::OnUi(const std::function<void(TFormMain&)>& step) {
  UiHandover::Instance().Run([this, &step] {
    if (form_ && !form_->RunsClosing() && !detached_) step(*form_);
  });
}

void TcalcThread::HoldTabs(TFormMain& form, bool hold) {
  if (hold == holdsTabs_) return;
  holdsTabs_ = hold;
  if (hold) {
    form.LockSheetTabs();
  } else {
    form.UnlockSheetTabs();
  }
}

void TcalcThread::run() {
  Execute();
  std::lock_guard lock(endMutex_);
  ended_ = true;
}

void TcalcThread::Execute() {
  bool failed = false;
  QString failure;
  try {
    engine::RunDesignSequence(*this, data_);
  } catch (const std::exception& e) {
    failed = true;
    failure = QString::fromUtf8(e.what());
  } catch (...) {
    failed = true;
  }
  EndRun(failed, failure, [this, failed](TFormMain& form) { Finish(form, failed); });
}

void TcalcThread::EndRun(bool failed, const QString& failure, const std::function<void(TFormMain&)>& deliver) {
  // The delivery; a run whose sheet was replaced only gives the tabs back.
  UiHandover::Instance().Run([this, failed, &failure, &deliver] {
    if (form_ && !form_->RunsClosing()) {
      if (detached_) {
        HoldTabs(*form_, false);
      } else {
        // The shown sheet cannot change until the delivery is done;
        // whatever happens there, the tabs are given back at the end.
        HoldTabs(*form_, true);
        struct ReleaseTabs {
          TcalcThread& run;
          TFormMain& form;
          ~ReleaseTabs() { run.HoldTabs(form, false); }
        } releaseTabs{*this, *form_};
        onScreen = form_->ShownSheet() == sheetIndex;
        deliver(*form_);
      }
      if (failed) {
        // Told once, after the sheet is idle again and this hand-over is
        // done.
        const QString text = QStringLiteral("Sheet_%1 の定数設定は中断されました。%2")
                                 .arg(sheetIndex + 1)
                                 .arg(failure.isEmpty() ? QString() : QStringLiteral("（%1）").arg(failure));
        QTimer::singleShot(0, QCoreApplication::instance(), [text] { ReportError(text); });
      }
    }
    lastStepDone_ = true;
    QTimer::singleShot(0, QCoreApplication::instance(), &TcalcThread::FreeEnded);
  });
}

void TcalcThread::FreeEnded() {
  bool waiting = false;
  for (const QPointer<TcalcThread>& run : LiveRuns()) {
    if (!run->lastStepDone_) continue;
    if (!run->Ended()) {
      waiting = true;  // about to return from its body
      continue;
    }
    run->wait();
    delete run.data();
  }
  if (waiting) QTimer::singleShot(5, QCoreApplication::instance(), &TcalcThread::FreeEnded);
}

void TcalcThread::Design() { engine::RunState::DesignStep(data_); }

void TcalcThread::DesignStep(engine::RunData&) { Design(); }

void TcalcThread::BeginRun() {
  // The run's sheet, busy caption.
  OnUi([this](TFormMain& form) {
    sheetIndex = form.ShownSheet();
    form.BeginRun();
  });
}

void TcalcThread::CaptureRequest(engine::DesignRequest& request) {
  OnUi([&request](TFormMain& form) { request = form.CaptureDesignRequest(); });
}

void TcalcThread::CapturePartInputs(engine::PartInputs& inputs) {
  OnUi([&inputs](TFormMain& form) { inputs = form.CapturePartInputs(); });
}

void TcalcThread::ShowProgressMaximum(int maximum) {
  OnUi([maximum](TFormMain& form) { form.ShowRunProgressMaximum(maximum); });
}

void TcalcThread::DesignBegins() {
  OnUi([this](TFormMain& form) {
    form.AllowRunStop();
    HoldTabs(form, false);
  });
}

void TcalcThread::ShowProgress(int shown) {
  OnUi([this, shown](TFormMain& form) { form.ShowRunProgress(sheetIndex, shown); });
}

void TcalcThread::Warn(const std::string& caption, const std::string& text) {
  // The box may be closed after this run has gone on (when the window
  // closes): the state it signals through belongs to both.
  struct Closing {
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
  };
  auto closing = std::make_shared<Closing>();
  bool shown = false;
  OnUi([&](TFormMain& form) {
    form.warnings.ShowNonModal(Q(caption), Q(text), [closing] {
      std::lock_guard lock(closing->mutex);
      closing->closed = true;
      closing->changed.notify_all();
    });
    shown = true;
  });
  // Without a window (closing) there is nobody to ask.
  if (!shown) return;
  std::unique_lock lock(closing->mutex);
  closing->changed.wait(lock, [&closing] { return closing->closed; });
}

void TcalcThread::Finish(TFormMain& form, bool failed) {
  // The result, on screen when its sheet is still shown.
  RunResult result;
  result.failed = failed;
  result.valid = valid;
  result.order = data_.request.Order();
  result.parts = data_.parts;
  result.progress = progress;
  form.DeliverRun(sheetIndex, result);
  // 16 when the tabs are given back.
}

}  // namespace kelvara::app
