#pragma once

// The tolerance page of the analysis window: the tolerances of the
// resistors and capacitors, the distribution, the number of trials, the
// seed and a response mask; "計算" runs the Monte Carlo analysis of the shown
// design on worker threads with a progress bar and "中止"; the result is a
// table of statistics, the histogram of the -3 dB frequency, the yield
// against the mask, and bands that the window shades behind its curves.
// The settings are remembered under names of their own ("tolerance/...").

#include <QCheckBox>
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
#include "tolerance/worst_case.h"

class QCustomPlot;
class QFormLayout;

namespace kelvara::app {

/// Gain curves of failing trials, drawn thinly on the gain view.
struct FailingCurves {
  std::vector<double> frequencies;
  std::vector<std::vector<double>> gainDb;  // one curve per drawn trial
  int failing = 0;                          // all failing trials
};

/// What one run of the worker hands the panel (plain values only).
struct ToleranceRun {
  std::optional<tolerance::MonteCarloResult> monteCarlo;
  std::optional<tolerance::WorstCaseResult> worstCase;
  std::optional<FailingCurves> failing;
};

/// The histogram is never drawn lower than this (pixels).
inline constexpr int kHistogramMinimumHeight = 150;

/// At most this many failing trials are drawn.
inline constexpr int kMaxFailingCurves = 50;

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
  /// Per-part tolerances: one row per part of the design (R1.., C1..), an
  /// empty cell takes the resistor or capacitor default.
  QTableWidget* PartTable() const { return parts_; }
  QDoubleSpinBox* GbwTolerance() const { return gbwTol_; }
  QCheckBox* ShowFailing() const { return showFailing_; }
  QCheckBox* WorstCase() const { return worstCase_; }
  /// The worst case and the failing curves of the last run, when it
  /// belongs to the design now shown.
  const tolerance::WorstCaseResult* WorstCaseResult() const;
  const FailingCurves* Failing() const;
  /// The tolerances the next run uses: defaults, per part, GBW (real only).
  tolerance::Tolerances TolerancesSetting() const;

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
  void BuildExtras(QFormLayout& settings);
  void FillPartTable();
  void LoadExtras();
  void SaveExtras();
  void ShowWorstCase();

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
  QTableWidget* parts_ = nullptr;
  QDoubleSpinBox* gbwTol_ = nullptr;
  QCheckBox* showFailing_ = nullptr;
  QCheckBox* worstCase_ = nullptr;
  QLabel* failingNote_ = nullptr;
  QTimer poll_;

  std::optional<tolerance::ToleranceDesign> design_;
  double fStart_ = 1e3;
  double fTop_ = 1e6;
  std::optional<tolerance::ToleranceDesign> resultDesign_;
  std::optional<tolerance::MonteCarloResult> result_;
  std::optional<tolerance::WorstCaseResult> worst_;
  std::optional<FailingCurves> failing_;

  // Shared with the worker thread; the worker touches no control.
  struct Shared {
    std::atomic<double> progress{0};
    std::mutex mutex;
    ToleranceRun result;
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
void DrawFailingCurves(QCustomPlot& gain, const FailingCurves& curves);
void DrawMask(QCustomPlot& gain, const tolerance::Mask& mask, bool hpf, double fStart, double fTop);

/// Runs what the panel asked for; the worker's whole work, touching no control.
ToleranceRun RunTolerance(const tolerance::MonteCarloConfig& config, bool worstCase, bool failingCurves,
                          const tolerance::RunOptions& options);

/// Two designs with the same request and the same parts of the order.
bool SameDesign(const tolerance::ToleranceDesign& a, const tolerance::ToleranceDesign& b);

}  // namespace kelvara::app
