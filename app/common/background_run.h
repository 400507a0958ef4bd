#pragma once

// One way for a window to run an analysis in the background.
//
// The pattern:
//  1. On the user-interface thread the window makes an immutable snapshot of
//     everything the work needs (plain values: the design, the settings read
//     from its controls) and hands it to Start() inside the work function.
//  2. The work runs on one worker thread (std::jthread) and touches no
//     control and no window: it reads only its snapshot, checks
//     `work.stop` (a std::stop_token) and reports its progress with
//     `work.Report(fraction)`; it returns its result as std::optional<R>
//     (nullopt when it was stopped).
//  3. The progress and the end are delivered to the owner by queued calls on
//     the user-interface thread: the signals Progress(fraction, secondsLeft)
//     and Finished(). On Finished the owner takes the result with
//     TakeResult<R>() (nullopt: stopped, or failed with Error()).
//  4. Stop() asks the work to stop (cooperative: "中止"); StopAndWait() stops
//     and joins the worker (closing a window); the destructor does the same,
//     so a window that owns a BackgroundRun never leaves a thread behind.
//
// Example (a window member `BackgroundRun run_{this}`):
//
//   connect(&run_, &BackgroundRun::Progress, this,
//           [this](double f, double left) { bar_->setFormat(ProgressText(f, left)); ... });
//   connect(&run_, &BackgroundRun::Finished, this, [this] {
//     if (auto r = run_.TakeResult<MyResult>()) Show(*r); else ShowStopped(run_.Error());
//   });
//   run_.Start([in = MakeInputs()](const BackgroundWork& work) -> std::optional<MyResult> {
//     return Compute(in, work.stop, [&work](double f) { work.Report(f); });
//   });
//
// A work function may run its own worker threads (the tolerance analyses
// do); it must have joined them before it returns.

#include <QObject>
#include <QString>
#include <any>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>
#include <type_traits>
#include <utility>

namespace kelvara::app {

class BackgroundRun;

/// What the work function gets: the stop request and the progress receiver.
/// Report may be called as often as the work likes, from any of its
/// threads; the owner sees at most one pending progress delivery.
class BackgroundWork {
 public:
  std::stop_token stop;
  /// Fraction 0..1 of the work done.
  void Report(double fraction) const;

 private:
  friend class BackgroundRun;
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

/// "42 %" and, once it can be estimated (secondsLeft >= 0), "残り 約 12 秒"
/// or "残り 約 3 分": the text of a progress bar.
QString ProgressText(double fraction, double secondsLeft);

class BackgroundRun : public QObject {
  Q_OBJECT
  friend class BackgroundWork;

 public:
  explicit BackgroundRun(QObject* parent = nullptr);
  /// Stops the work and waits for it.
  ~BackgroundRun() override;

  /// Starts work(const BackgroundWork&) -> std::optional<R> on a worker
  /// (R copyable: it is held in a std::any); false (and nothing started)
  /// while a run is going.
  template <typename Work>
  bool Start(Work work) {
    using Result = std::invoke_result_t<Work&, const BackgroundWork&>;
    return StartErased([work = std::move(work)](const BackgroundWork& w) mutable -> std::any {
      Result result = work(w);
      if (!result) return std::any();
      return std::any(std::move(*result));
    });
  }
  /// Asks the work to stop; Finished follows once it has.
  void Stop();
  /// Stops the work and joins the worker; Finished is emitted at once
  /// (without a result) when a run was going.
  void StopAndWait();
  /// From Start until Finished has been emitted.
  bool Running() const { return running_; }

  /// The last run's result, once: nullopt when it was stopped or failed.
  template <typename R>
  std::optional<R> TakeResult() {
    std::any held = std::exchange(result_, std::any());
    if (R* r = std::any_cast<R>(&held)) return std::move(*r);
    return std::nullopt;
  }
  /// The message of an exception the last run's work threw, else empty.
  QString Error() const { return error_; }

 signals:
  /// The fraction done (0..1) and the estimated seconds left (negative
  /// while it cannot be estimated yet).
  void Progress(double fraction, double secondsLeft);
  /// The run ended (finished, stopped or failed).
  void Finished();

 private:
  bool StartErased(std::function<std::any(const BackgroundWork&)> work);
  void DeliverProgress(const std::shared_ptr<BackgroundWork::Shared>& shared);
  void DeliverEnd(const std::shared_ptr<BackgroundWork::Shared>& shared);

  std::shared_ptr<BackgroundWork::Shared> shared_;
  std::jthread worker_;
  bool running_ = false;
  std::any result_;
  QString error_;
  std::chrono::steady_clock::time_point started_;
};

}  // namespace kelvara::app
