#include "app/calc_thread.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/form_main.h"
#include "app/ui_handover.h"
#include "engine/design.h"
#include "engine/run_checks.h"
#include "values/eng_value.h"

namespace kelvara::app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Runs are created and freed on the user-interface thread only.
std::vector<QPointer<TcalcThread>>& Registry() {
  static std::vector<QPointer<TcalcThread>> runs;
  return runs;
}

std::string CombinationCaption(const engine::DesignRequest& r) {
  static const char* const kResponses[] = {"バターワース", "ベッセル", "チェビシェフ"};
  static const char* const kOrders[] = {"２次", "３次", "４次", "５次", "６次", "７次", "８次"};
  std::string name = r.passKind == engine::kHpf ? "HPF" : "LPF";
  if (r.response <= engine::kChebyshev) name += std::string(" ") + kResponses[r.response];
  if (r.response == engine::kChebyshev && r.orderIndex <= 6) name += std::string(" ") + kOrders[r.orderIndex];
  return name + " は設計できない組合せ";
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
    // 1. The run's sheet, busy caption.
    OnUi([this](TFormMain& form) {
      sheetIndex = form.ShownSheet();
      valid = true;
      progress = -1;
      form.ButtonValset->setText(
          QString::fromUtf8(values::kCaptionRunning.data(), static_cast<int>(values::kCaptionRunning.size())));
    });
    // 2. The design parameters.
    OnUi([this](TFormMain& form) { request_ = form.CaptureDesignRequest(); });
    const int order = request_.Order();
    // 3. The cut-off range, then what the tables hold no design for.
    if (!engine::CheckCutoff(*this, request_.cutoffHz)) valid = false;
    if (!CheckCombination()) valid = false;
    // 4, 5. The part values and their checks.
    engine::PartInputs inputs;
    OnUi([&inputs](TFormMain& form) { inputs = form.CapturePartInputs(); });
    parts_ = engine::CaptureComponentSet(inputs, order);
    if (!engine::CheckFixedParts(*this, parts_, order)) valid = false;
    // 6..9. Progress, then the user may stop or switch sheets.
    stepsPerStage = engine::kStepsPerStage;
    OnUi([this, order](TFormMain& form) {
      if (!valid) return;
      form.PBar->setMaximum(engine::ProgressMaximum(order));
      progress = form.PBar->maximum() / 100;
    });
    StepProgress();
    OnUi([this](TFormMain& form) {
      form.ButtonStop->setEnabled(true);
      HoldTabs(form, false);
    });
    // 10, 11.
    if (valid) Design();
  } catch (const std::exception& e) {
    failed = true;
    failure = QString::fromUtf8(e.what());
  } catch (...) {
    failed = true;
  }
  // 12..16; a run whose sheet was replaced only gives the tabs back.
  UiHandover::Instance().Run([this, failed, &failure] {
    if (form_ && !form_->RunsClosing()) {
      if (detached_) {
        HoldTabs(*form_, false);
      } else {
        Finish(*form_, failed);
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

void TcalcThread::Design() {
  targets_ = engine::BuildStageTargets(request_);
  engine::DesignFilter(*this, targets_, request_, parts_);
}

bool TcalcThread::CheckCombination() {
  if (engine::HasDesignData(request_)) return true;
  std::string text = "バターワースを選択下さい。";
  if (request_.passKind == engine::kHpf && request_.response == engine::kBessel) {
    text = "バターワースかチェビシェフを選択下さい。";
  } else if (request_.passKind == engine::kHpf && request_.response == engine::kChebyshev) {
    text = "４次以上にするかバターワースを選択下さい。";
  }
  Warn(CombinationCaption(request_), text);
  return false;
}

void TcalcThread::ShowProgress(int shown) {
  OnUi([this, shown](TFormMain& form) {
    if (form.ShownSheet() != sheetIndex) return;
    // The bar shows the count, at most its maximum.
    form.PBar->setValue(std::clamp(shown, form.PBar->minimum(), form.PBar->maximum()));
  });
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
  // 12. The shown sheet cannot change until the delivery is done; whatever
  // happens here, the tabs are given back at the end (16).
  HoldTabs(form, true);
  struct ReleaseTabs {
    TcalcThread& run;
    TFormMain& form;
    ~ReleaseTabs() { run.HoldTabs(form, false); }
  } releaseTabs{*this, form};
  const int order = request_.Order();
  // 13.
  onScreen = form.ShownSheet() == sheetIndex;
  if (onScreen) {
    form.ButtonStop->setEnabled(false);
    form.EnableDesignInputs();
    form.ButtonValset->setEnabled(true);
    form.ButtonFreq->setEnabled(true);
  }
  // 14.
  if (failed) {
    // Nothing trustworthy to deliver: the values stay as they were and a
    // sheet that is not shown only becomes idle.
    if (!onScreen) form.MakeRecordIdle(sheetIndex);
  } else if (valid && onScreen) {
    for (int k = 1; k <= order; ++k) {
      form.groupR[k - 1].valueEdit->setText(Q(values::FormatResistanceDisplay(parts_.r[k - 1])));
      form.groupC[k - 1].valueEdit->setText(Q(values::FormatCapacitance(parts_.c[k - 1])));
    }
    // The text changes reset the bar; show the final count again.
    progress -= 1;
    StepProgress();
    form.StoreSheet(sheetIndex);
  } else {
    engine::DeliverToRecord(form.sheets.at(sheetIndex), parts_, order, progress);
  }
  // 15; 16 when releaseTabs goes.
  if (onScreen) {
    form.ButtonValset->setText(
        QString::fromUtf8(values::kCaptionIdle.data(), static_cast<int>(values::kCaptionIdle.size())));
  }
  emit form.SheetDesignChanged(sheetIndex);
}

}  // namespace kelvara::app
