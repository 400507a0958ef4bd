#include "app/common/background_run.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <string>

namespace kelvara::app {

// Shared by the owner and its worker. The owner is used only as the
// receiver of queued calls; it joins the worker before it is destroyed.
struct BackgroundWork::Shared {
  BackgroundRun* owner = nullptr;
  std::atomic<double> fraction{0};
  std::atomic<bool> progressPending{false};
  // Written by the worker before it posts the end, read by the owner after.
  std::any result;
  std::string error;
};

void BackgroundWork::Report(double fraction) const {
  if (!shared_) return;
  shared_->fraction.store(std::clamp(fraction, 0.0, 1.0));
  if (shared_->progressPending.exchange(true)) return;  // one delivery pending is enough
  BackgroundRun* owner = shared_->owner;
  QMetaObject::invokeMethod(
      owner, [owner, shared = shared_] { owner->DeliverProgress(shared); }, Qt::QueuedConnection);
}

QString ProgressText(double fraction, double secondsLeft) {
  const int percent = static_cast<int>(std::floor(100 * std::clamp(fraction, 0.0, 1.0)));
  QString text = QString::number(percent) + QStringLiteral(" %");
  if (secondsLeft < 0 || percent >= 100) return text;
  if (secondsLeft < 60) {
    text += QStringLiteral("  残り 約 ") + QString::number(std::max(1, int(std::ceil(secondsLeft)))) +
            QStringLiteral(" 秒");
  } else {
    text += QStringLiteral("  残り 約 ") + QString::number(int(std::ceil(secondsLeft / 60))) + QStringLiteral(" 分");
  }
  return text;
}

BackgroundRun::BackgroundRun(QObject* parent) : QObject(parent) {}

BackgroundRun::~BackgroundRun() {
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();
}

bool BackgroundRun::StartErased(std::function<std::any(const BackgroundWork&)> work) {
  if (running_) return false;
  if (worker_.joinable()) worker_.join();  // a worker whose end is delivered
  shared_ = std::make_shared<BackgroundWork::Shared>();
  shared_->owner = this;
  result_.reset();
  error_.clear();
  running_ = true;
  started_ = std::chrono::steady_clock::now();
  worker_ = std::jthread([work = std::move(work), shared = shared_](std::stop_token stop) mutable {
    BackgroundWork w;
    w.stop = stop;
    w.shared_ = shared;
    try {
      shared->result = work(w);
    } catch (const std::exception& e) {
      shared->result.reset();
      shared->error = e.what();
    } catch (...) {
      shared->result.reset();
      shared->error = "unknown error";
    }
    BackgroundRun* owner = shared->owner;
    QMetaObject::invokeMethod(
        owner, [owner, shared] { owner->DeliverEnd(shared); }, Qt::QueuedConnection);
  });
  return true;
}

void BackgroundRun::Stop() {
  if (running_) worker_.request_stop();
}

void BackgroundRun::StopAndWait() {
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();
  if (!running_) return;
  shared_.reset();  // its queued deliveries are dropped
  running_ = false;
  result_.reset();
  emit Finished();
}

void BackgroundRun::DeliverProgress(const std::shared_ptr<BackgroundWork::Shared>& shared) {
  if (shared != shared_ || !running_) return;
  shared->progressPending = false;
  const double fraction = shared->fraction.load();
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const double left = fraction >= 0.01 && elapsed >= 0.5 ? elapsed * (1 - fraction) / fraction : -1.0;
  emit Progress(fraction, left);
}

void BackgroundRun::DeliverEnd(const std::shared_ptr<BackgroundWork::Shared>& shared) {
  if (shared != shared_ || !running_) return;
  if (worker_.joinable()) worker_.join();  // it has posted this as its last act
  result_ = std::move(shared->result);
  error_ = QString::fromStdString(shared->error);
  shared_.reset();
  running_ = false;
  emit Finished();
}

}  // namespace kelvara::app
