#pragma once

// Calculation runs in window tests: runs that stop at a gate until the test
// lets them on, and waiting for runs while their hand-overs are handled.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "app/main_window/calc_thread.h"
#include "tests/app/app_test_support.h"

namespace kelvara::app::testing {

/// A point a run waits at until the test opens it.
class Gate {
 public:
  void Arrive() {
    std::unique_lock lock(mutex_);
    arrived_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  bool Arrived() {
    std::lock_guard lock(mutex_);
    return arrived_;
  }
  void Open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool arrived_ = false;
  bool open_ = false;
};

/// A run that waits at `beforeDesign` before designing, or at `atStep`
/// inside the given progress step of the design (1 = the first step the
/// design makes), or throws instead of designing.
class TestRun : public TcalcThread {
 public:
  TestRun(TFormMain& form, int sheet) : TcalcThread(form, sheet, true) {}
  std::shared_ptr<Gate> beforeDesign;
  std::shared_ptr<Gate> atStep;
  int stepNumber = 0;
  bool throwInDesign = false;

 protected:
  void Design() override {
    if (beforeDesign) beforeDesign->Arrive();
    if (throwInDesign) throw std::runtime_error("simulated fault");
    TcalcThread::Design();
  }
  void ShowProgress(int progress) override {
    TcalcThread::ShowProgress(progress);
    // Steps made on the worker; the first one is the run's own.
    if (QThread::currentThread() != this) return;
    if (atStep && ++workerSteps_ == stepNumber + 1) atStep->Arrive();
  }

 private:
  int workerSteps_ = 0;
};

/// Handles events until pred holds or the time is up.
inline bool WaitFor(const std::function<bool()>& pred, int milliseconds = 20000) {
  QElapsedTimer timer;
  timer.start();
  while (!pred()) {
    if (timer.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

/// Waits until every run has ended and been freed.
inline bool WaitForAllRuns() {
  return WaitFor([] {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return TcalcThread::LiveRuns().empty();
  });
}

}  // namespace kelvara::app::testing
