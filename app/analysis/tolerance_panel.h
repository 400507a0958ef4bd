#pragma once

// The tolerance page of the analysis window: the tolerances of the
// resistors and capacitors, the distribution, the number of trials, the
// seed and a response mask; "計算" runs the Monte Carlo analysis of the shown
// design on worker threads with a progress bar and "中止"; the result is a
// table of statistics, the histogram of the -3 dB frequency, the yield
// against the mask, and bands that the window shades behind its curves.
// The settings are remembered under names of their own ("tolerance/...").

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "storage/app_settings.h"
#include "tolerance/monte_carlo.h"

class QCustomPlot;

namespace kelvara::app {

class TolerancePanel : public QWidget {
  Q_OBJECT

 public:
  TolerancePanel(storage::SettingsStore& store, QWidget* parent = nullptr);
  ~TolerancePanel() override;  // stops a running analysis and waits for it

  /// The design the next "計算" analyses (the window's shown sheet); none
  /// when its parts do not pass the checks.
  /// fStart and fTop are the window's frequency range.
  void SetDesign(const std::optional<tolerance::ToleranceDesign>& design, double fStart, double fTop);
  /// Starts the analysis of the design with the panel's settings.
  void Start();
  /// "中止": asks the workers to stop; the panel is idle once they have.
  void Stop();
  bool Running() const { return worker_.joinable() && !finished_; }

  /// The last result, when it belongs to the design now shown.
  const tolerance::MonteCarloResult* Result() const;
  /// The mask set in the panel, if it is switched on and readable.
  std::optional<tolerance::Mask> MaskSetting() const;
  bool ResultIsHpf() const { return resultDesign_ && resultDesign_->request.passKind == engine::kHpf; }

  QPushButton* StartButton() const { return start_; }
  QPushButton* StopButton() const { return stop_; }
  QProgressBar* Progress() const { return progress_; }
  QTableWidget* StatsTable() const { return stats_; }
  QLabel* YieldLabel() const { return yield_; }
  QCustomPlot* Histogram() const { return histogram_; }
  /// Which quantity the histogram shows: the -3 dB frequency, then each
  /// stage's f0 and (second order) Q.
  QComboBox* HistogramChoice() const { return histogramOf_; }

 signals:
  /// A result arrived (or was dropped); the window redraws its bands.
  void ResultChanged();

 private:
  void BuildLayout();
  void LoadSettings();
  void SaveSettings();
  void Poll();
  void ShowResult();
  void ShowHistogram();

  storage::SettingsStore& store_;
  QDoubleSpinBox* rTol_ = nullptr;
  QDoubleSpinBox* cTol_ = nullptr;
  QComboBox* distribution_ = nullptr;
  QSpinBox* trials_ = nullptr;
  QSpinBox* seed_ = nullptr;
  QComboBox* maskOn_ = nullptr;
  QLineEdit* maskFp_ = nullptr;
  QDoubleSpinBox* maskA_ = nullptr;
  QLineEdit* maskFs_ = nullptr;
  QDoubleSpinBox* maskB_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  QTableWidget* stats_ = nullptr;
  QLabel* yield_ = nullptr;
  QCustomPlot* histogram_ = nullptr;
  QComboBox* histogramOf_ = nullptr;
  QTimer poll_;

  std::optional<tolerance::ToleranceDesign> design_;
  double fStart_ = 1e3;
  double fTop_ = 1e6;
  std::optional<tolerance::ToleranceDesign> resultDesign_;
  std::optional<tolerance::MonteCarloResult> result_;

  // Shared with the worker thread; the worker touches no control.
  struct Shared {
    std::atomic<double> progress{0};
    std::mutex mutex;
    std::optional<tolerance::MonteCarloResult> result;
  };
  std::shared_ptr<Shared> shared_;
  std::atomic<bool> finished_{true};
  std::optional<tolerance::ToleranceDesign> running_;
  std::jthread worker_;
};

/// Shades the bands of a result behind the curves of the gain, phase and
/// group-delay views (all trials light, 5-95 % darker) and draws the mask on
/// the gain view; call before the window finishes its plots.
void DrawToleranceBands(QCustomPlot& gain, QCustomPlot& phase, QCustomPlot& delay,
                        const tolerance::MonteCarloResult& result, const QColor& color);
void DrawMask(QCustomPlot& gain, const tolerance::Mask& mask, bool hpf, double fStart, double fTop);

/// Two designs with the same request and the same parts of the order.
bool SameDesign(const tolerance::ToleranceDesign& a, const tolerance::ToleranceDesign& b);

}  // namespace kelvara::app
