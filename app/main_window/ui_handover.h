#pragma once

// Hands work from a calculation thread to the user-interface thread and
// waits until it has been done there. Controls and sheet records are only
// ever touched on the user-interface thread; a run passes it each such step.
//
// The steps travel through a mailbox guarded by a standard mutex, and the
// worker wakes the user-interface thread through an event descriptor that a
// socket notifier watches (on a platform without event descriptors a queued
// call wakes it). No Qt object or event is made on the worker and
// freed on the user-interface thread, so every order between the two
// threads goes through synchronisation the thread sanitizer can see.

#include <QObject>
#include <QSocketNotifier>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace kelvara::app {

class UiHandover : public QObject {
  Q_OBJECT

 public:
  /// The one hand-over of the program, created on the user-interface thread
  /// on first use and kept until the application object goes.
  static UiHandover& Instance();

  /// Runs step on the user-interface thread and returns when it is done.
  /// Called there, it runs the step at once. The step runs between other
  /// events (also inside the event loop of a modal box), never in the
  /// middle of another handler's work.
  void Run(const std::function<void()>& step);

 private:
  explicit UiHandover(QObject* parent);
  ~UiHandover() override;
  void Wake();
  void RunPending();

  struct Pending {
    const std::function<void()>* step;
    bool done = false;
  };

  int wakeFd_ = -1;
  QSocketNotifier* wakeNotifier_ = nullptr;
  std::mutex mutex_;
  std::condition_variable doneChanged_;
  std::deque<Pending*> pending_;
};

}  // namespace kelvara::app
