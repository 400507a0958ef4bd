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
//
// A band-pass design takes a band-pass mask in place of the low-pass one:
// its six fields (fs1, fp1, fp2, fs2, Ap, As) are filled from the sheet's
// centre, bandwidth and response whenever those change
// (BandPassMaskDefaults), and
// the study is the one kelvara-design --kind bpf runs: the same worst-case
// frequencies and the pass band measured from the sheet's gain.

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
#include <array>
#include <optional>
#include <variant>
#include <vector>

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

/// What a band-pass sheet's study takes besides its sections: the centre
/// and bandwidth it asks for, the level of its band edges below the centre
/// (response::BandEdgeLevelDb, <= 0), its ripple (Chebyshev, else 0) and
/// the gain its pass band is measured from (20 log10 of the sheet's gain).
struct BandPassStudy {
  double centerHz = 0;
  double bandwidthHz = 0;
  double edgeLevelDb = 0;
  double rippleDb = 0;
  double nominalDb = 0;
  bool operator==(const BandPassStudy&) const = default;
};

/// The band edges the sheet asks for: geometric about the centre, the
/// bandwidth apart (the expression kelvara-design computes them by).
double BandPassLowerEdgeHz(const BandPassStudy& band);
double BandPassUpperEdgeHz(const BandPassStudy& band);

/// The mask the band-pass fields start from, as texts: the pass band from
/// edge to edge within the smallest multiple of 0.5 dB at least 0.2 dB
/// above the depth of the pass band, the level of its edges or its ripple
/// (3.5 dB for Butterworth, 1 dB for a 0.5 dB Chebyshev), so that the
/// nominal design meets it; the stop bands from an octave below and
/// above the centre (f0/2 and 2 f0, or an octave outside an edge that lies
/// beyond them) at least 20 dB down.
tolerance::BandPassMaskTexts BandPassMaskDefaults(const BandPassStudy& band);

class TolerancePanel : public QWidget {
  Q_OBJECT

 public:
  TolerancePanel(storage::SettingsStore& store, QWidget* parent = nullptr);
  ~TolerancePanel() override;  // stops a running analysis and waits for it

  /// The design the next "計算" analyses (the window's shown sheet with its
  /// op-amp); none when its parts do not pass the checks.
  /// fStart and fTop are the window's frequency range.
  /// A band-pass design comes with its band (bandPass): the page takes a
  /// band-pass mask then.
  void SetDesign(const std::optional<tolerance::ToleranceDesign>& design, double fStart, double fTop,
                 const std::optional<BandPassStudy>& bandPass = std::nullopt);
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
  /// (None for a band-pass design.)
  std::optional<tolerance::GainMask> MaskSetting() const;
  /// The band-pass mask set in the panel, if the design is band-pass, the
  /// mask is switched on and its fields pass the checks.
  std::optional<tolerance::BandPassLimits> BandPassMaskSetting() const;
  /// Whether the page takes a band-pass mask (the design is band-pass).
  bool BandPass() const { return bandPass_.has_value(); }
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
  /// The low-pass mask's rows or the band-pass mask's, as the design is.
  void ShowBandPassRows();
  tolerance::BandPassMaskTexts BandPassTexts() const;
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
  // The band-pass mask: fs1, fp1, fp2, fs2, Ap, As; the rows of the form
  // that hold the low-pass mask and the band-pass one.
  std::array<QLineEdit*, 6> bandMask_{};
  QFormLayout* settings_ = nullptr;
  std::vector<QWidget*> lowPassRows_;
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
  std::optional<BandPassStudy> bandPass_;
  // The band the band-pass fields were last filled from (its gain 0).
  std::optional<BandPassStudy> bandDefaultsOf_;
  double fStart_ = 1e3;
  double fTop_ = 1e6;
  BackgroundRun run_;
  std::optional<tolerance::StudyPlan> running_;
  std::optional<tolerance::StudyPlan> resultPlan_;
  std::optional<tolerance::StudyResult> result_;
  // The band of the design being run and of the result (band-pass only).
  std::optional<BandPassStudy> runningBand_;
  std::optional<BandPassStudy> resultBand_;
  // What the window was last told to draw.
  bool staleShown_ = false;
  std::optional<tolerance::GainMask> maskShown_;
  std::optional<tolerance::BandPassLimits> bandMaskShown_;
};

/// Shades the bands of a result behind the curves of the gain, phase and
/// group-delay views (all trials light, 5-95 % darker) and draws the mask on
/// the gain view; call before the window finishes its plots.
void DrawToleranceBands(QCustomPlot& gain, QCustomPlot& phase, QCustomPlot& delay,
                        const tolerance::MonteCarloResult& result, const QColor& color);
void DrawFailingCurves(QCustomPlot& gain, const FailingCurves& curves);
void DrawMask(QCustomPlot& gain, const tolerance::GainMask& mask, bool hpf, double fStart, double fTop);
/// A band-pass mask: the pass band fp1..fp2 within nominal +-Ap, the stop
/// bands below fs1 and above fs2 at nominal - As.
void DrawBandPassMask(QCustomPlot& gain, const tolerance::BandPassLimits& mask, double fStart, double fTop);

}  // namespace kelvara::app
