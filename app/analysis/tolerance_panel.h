#pragma once

// The tolerance page of the analysis window: the tolerances of the
// resistors and capacitors (and of single parts and the op-amp's GBW), the
// distribution, the number of trials, the seed and a response mask; "計算"
// runs the tolerance study of the shown design (tolerance/study.h) in the
// background with a progress bar (per cent and time left) and "中止"; the
// result is a table of statistics (with the worst case's rows), the
// histogram of the -3 dB frequency, the yield against the mask, and bands
// that the window shades behind its curves.
//
// The page checks its inputs with the study's own checks and shows the
// first problem in red beside the mask fields; nothing runs then. A result
// belongs to the inputs it was computed from: once the design, the op-amp,
// the tolerances or the mask differ it is greyed under "以前の設計の結果"
// and neither drawn in the views nor given to the report.
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
#include <QWidget>
#include <optional>
#include <variant>

#include "app/common/background_run.h"
#include "storage/app_settings.h"
#include "tolerance/study.h"

class QCustomPlot;
class QFormLayout;

namespace kelvara::app {

using tolerance::FailingCurves;
using tolerance::kMaxFailingCurves;

/// The histogram is never drawn lower than this (pixels).
inline constexpr int kHistogramMinimumHeight = 150;

/// The texts of the page.
namespace tolerance_text {
inline constexpr const char* kStale = "以前の設計の結果";
inline constexpr const char* kStopped = "中止しました。";
inline constexpr const char* kRunning = "計算中...";
}  // namespace tolerance_text

class TolerancePanel : public QWidget {
  Q_OBJECT

 public:
  TolerancePanel(storage::SettingsStore& store, QWidget* parent = nullptr);
  ~TolerancePanel() override;  // stops a running analysis and waits for it

  /// The design the next "計算" analyses (the window's shown sheet with its
  /// op-amp); none when its parts do not pass the checks.
  /// fStart and fTop are the window's frequency range.
  void SetDesign(const std::optional<tolerance::ToleranceDesign>& design, double fStart, double fTop);
  /// Starts the study of the design with the page's settings; refused with
  /// the red message when an input does not fit.
  void Start();
  /// "中止": asks the workers to stop; the panel is idle once they have.
  void Stop();
  /// Stops a run and joins its workers (the window closes).
  void StopAndWait();
  bool Running() const { return run_.Running(); }

  /// The last result, when it belongs to the design and settings now shown.
  const tolerance::MonteCarloResult* Result() const;
  /// The same for a given design and op-amp (the report's): the result when
  /// it was computed from them with the page's present settings.
  const tolerance::MonteCarloResult* ResultFor(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                                               const response::OpAmpModel& opamp) const;
  /// The plan of that result (its tolerances, distribution, trials, seed
  /// and mask) and its worst case when one ran; null when ResultFor is.
  const tolerance::StudyPlan* PlanFor(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                                      const response::OpAmpModel& opamp) const;
  const tolerance::WorstCaseResult* WorstCaseFor(const engine::DesignRequest& request,
                                                 const engine::ComponentSet& parts,
                                                 const response::OpAmpModel& opamp) const;
  /// Whether a result is shown that belongs to other inputs (greyed).
  bool ResultIsStale() const;
  /// The mask set in the panel, if it is switched on and passes the checks.
  std::optional<tolerance::GainMask> MaskSetting() const;
  bool ResultIsHpf() const;
  /// The problem of the inputs shown in red beside the mask fields; empty
  /// when they fit.
  QString Problem() const;

  QPushButton* StartButton() const { return start_; }
  QPushButton* StopButton() const { return stop_; }
  QProgressBar* Progress() const { return progress_; }
  QTableWidget* StatsTable() const { return stats_; }
  QLabel* YieldLabel() const { return yield_; }
  QLabel* StaleLabel() const { return staleNote_; }
  QLabel* ProblemLabel() const { return problem_; }
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
  /// The tolerances the next run uses: defaults, per part, GBW (real only);
  /// an unreadable cell counts as empty here (the run refuses it).
  tolerance::Tolerances TolerancesSetting() const;

 signals:
  /// A result arrived, was dropped or became stale, or the mask changed;
  /// the window redraws its bands.
  void ResultChanged();

 private:
  void BuildLayout();
  void BuildPartOptions(QFormLayout& settings);
  void ConnectInputs();
  void LoadSettings();
  void SaveSettings();
  void FillPartTable();
  /// Everything the page asks for, read from its controls now.
  tolerance::StudyInputs Inputs() const;
  std::variant<tolerance::StudyPlan, tolerance::StudyProblem> Plan() const;
  void ShowProblem(const std::optional<tolerance::StudyProblem>& problem);
  void Finished();
  void ShowProgress(double fraction, double secondsLeft);
  /// Re-reads the inputs: the problem, whether the result is stale, and
  /// tells the window when what it draws has changed.
  void InputsChanged();
  void ShowResult();
  void ShowHistogram();
  void ShowWorstCase();
  void ShowStaleness();

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
  QLabel* problem_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* staleNote_ = nullptr;
  QTableWidget* stats_ = nullptr;
  QLabel* yield_ = nullptr;
  QCustomPlot* histogram_ = nullptr;
  QComboBox* histogramOf_ = nullptr;
  QTableWidget* parts_ = nullptr;
  QDoubleSpinBox* gbwTol_ = nullptr;
  QCheckBox* showFailing_ = nullptr;
  QCheckBox* worstCase_ = nullptr;
  QLabel* failingNote_ = nullptr;

  std::optional<tolerance::ToleranceDesign> design_;
  double fStart_ = 1e3;
  double fTop_ = 1e6;
  BackgroundRun run_;
  std::optional<tolerance::StudyPlan> running_;
  std::optional<tolerance::StudyPlan> resultPlan_;
  std::optional<tolerance::StudyResult> result_;
  // What the window was last told to draw.
  bool staleShown_ = false;
  std::optional<tolerance::GainMask> maskShown_;
};

/// Shades the bands of a result behind the curves of the gain, phase and
/// group-delay views (all trials light, 5-95 % darker) and draws the mask on
/// the gain view; call before the window finishes its plots.
void DrawToleranceBands(QCustomPlot& gain, QCustomPlot& phase, QCustomPlot& delay,
                        const tolerance::MonteCarloResult& result, const QColor& color);
void DrawFailingCurves(QCustomPlot& gain, const FailingCurves& curves);
void DrawMask(QCustomPlot& gain, const tolerance::GainMask& mask, bool hpf, double fStart, double fTop);

}  // namespace kelvara::app
