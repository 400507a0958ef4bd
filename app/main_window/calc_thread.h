#pragma once

// One calculation run: designs one sheet on a worker thread. Every step that
// reads or writes a control or a sheet record is handed to the
// user-interface thread and waited for; the design itself works only on the
// run's own copies of the inputs. The run frees itself when it has ended.

#include <QPointer>
#include <QString>
#include <QThread>
#include <functional>
#include <mutex>
#include <vector>

#include "engine/design_types.h"
#include "engine/run_state.h"

namespace kelvara::app {

class TFormMain;

class TcalcThread : public QThread, public engine::RunState {
  Q_OBJECT

 public:
  /// A run of the sheet shown at the click. It starts suspended, like every
  /// run: Resume starts it.
  TcalcThread(TFormMain& form, int sheet, bool createSuspended = true);
  ~TcalcThread() override;

  void Resume() { start(); }
  /// Asks the run to stop; the searches end before their next pass.
  void Terminate() { requestInterruption(); }
  /// The sheet was replaced (a file was opened into it): the run stops and
  /// from now on shows and delivers nothing. User-interface thread only.
  void Detach() {
    detached_ = true;
    Terminate();
  }
  /// True once the run's body has returned (also seen by the sanitizer).
  bool Ended() const;

  /// Every run not yet freed, on the user-interface thread.
  static std::vector<QPointer<TcalcThread>> LiveRuns();
  /// Frees the runs whose thread has ended (user-interface thread). A run
  /// frees itself this way once its last step is done.
  static void FreeEnded();

  /// The sheet was on screen when the design ended.
  bool onScreen = false;

  bool StopRequested() const override { return isInterruptionRequested(); }
  /// Shows the warning in a box of its own and waits until it is closed;
  /// only this run waits.
  void Warn(const std::string& caption, const std::string& text) override;

 protected:
  void run() override;
  /// The run body.
  virtual void Execute();
  /// Steps 10 and 11: the stage targets and the design.
  virtual void Design();
  void ShowProgress(int progress) override;
  // The steps of the run sequence done on the user-interface thread.
  void BeginRun() override;
  void CaptureRequest(engine::DesignRequest& request) override;
  void CapturePartInputs(engine::PartInputs& inputs) override;
  void ShowProgressMaximum(int maximum) override;
  void DesignBegins() override;
  void DesignStep(engine::RunData& data) override;

 protected:
  /// Runs step on the user-interface thread while the window exists and
  /// the run still belongs to its sheet.
  void OnUi(const std::function<void(TFormMain&)>& step);
  /// Takes or gives back the run's lock on the sheet tabs (UI thread).
  void HoldTabs(TFormMain& form, bool hold);
  /// The last hand-over of a run body: with the sheet tabs held, `deliver`
  /// hands the result to the window (unless the run's sheet was replaced);
  /// a failure is told once afterwards; then the run may be freed.
  void EndRun(bool failed, const QString& failure, const std::function<void(TFormMain&)>& deliver);

 private:
  /// Steps 12 to 16; after a failure nothing is delivered.
  void Finish(TFormMain& form, bool failed);

  QPointer<TFormMain> form_;
  // User-interface thread only.
  bool detached_ = false;
  bool holdsTabs_ = false;
  bool lastStepDone_ = false;
  engine::RunData data_;

  mutable std::mutex endMutex_;
  bool ended_ = false;
};

}  // namespace kelvara::app
