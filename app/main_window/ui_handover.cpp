#include "app/main_window/ui_handover.h"

#if __has_include(<sys/eventfd.h>)
#include <sys/eventfd.h>
#include <unistd.h>
#define KELVARA_HAVE_EVENTFD 1
#endif

#include <QCoreApplication>
#include <QThread>
#include <cerrno>
#include <cstdint>

namespace kelvara::app {

UiHandover::UiHandover(QObject* parent) : QObject(parent) {
#ifdef KELVARA_HAVE_EVENTFD
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ >= 0) {
    wakeNotifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
    connect(wakeNotifier_, &QSocketNotifier::activated, this, [this] {
      std::uint64_t count = 0;
      while (read(wakeFd_, &count, sizeof count) > 0) {
      }
      RunPending();
    });
  }
#endif
}

UiHandover::~UiHandover() {
#ifdef KELVARA_HAVE_EVENTFD
  if (wakeFd_ >= 0) close(wakeFd_);
#endif
}

void UiHandover::Wake() {
#ifdef KELVARA_HAVE_EVENTFD
  if (wakeFd_ >= 0) {
    const std::uint64_t one = 1;
    while (write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    return;
  }
#endif
  // Without an event descriptor a queued call does the waking.
  QMetaObject::invokeMethod(this, &UiHandover::RunPending, Qt::QueuedConnection);
}

UiHandover& UiHandover::Instance() {
  // It must live on the user-interface thread whoever asks first. Made
  // there, it is a child of the application object and goes with it (the
  // program waits for every run before that).
  static UiHandover* instance = [] {
    QCoreApplication* app = QCoreApplication::instance();
    if (QThread::currentThread() == app->thread()) return new UiHandover(app);
    auto* handover = new UiHandover(nullptr);
    handover->moveToThread(app->thread());
    return handover;
  }();
  return *instance;
}

void UiHandover::Run(const std::function<void()>& step) {
  if (QThread::currentThread() == thread()) {
    step();
    return;
  }
  Pending pending{&step};
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(&pending);
  }
  Wake();
  std::unique_lock lock(mutex_);
  doneChanged_.wait(lock, [&pending] { return pending.done; });
}

void UiHandover::RunPending() {
  for (;;) {
    Pending* next = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (pending_.empty()) return;
      next = pending_.front();
      pending_.pop_front();
    }
    // A step reports its own errors; whatever escapes still releases the
    // waiting run.
    try {
      (*next->step)();
    } catch (...) {
    }
    {
      std::lock_guard lock(mutex_);
      next->done = true;
    }
    doneChanged_.notify_all();
  }
}

}  // namespace kelvara::app
