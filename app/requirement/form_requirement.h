#pragma once

// The window "仕様から設計...": a pass-band / stop-band mask and optional
// constraints in, the lowest order and cut-off of every response out (as a
// table and as gain curves over the shaded mask), and "シートに設定", which
// chooses the candidate's kind, order, response and cut-off on the shown
// sheet as the user would. The table is computed on a worker from a
// snapshot of the inputs; the window never waits for it while open.
//
// The table is that of a circuit (回路方式: the unity-gain Sallen-Key, MFB,
// the Sallen-Key with gain) at a gain (利得): the GBW and the part spread
// follow them (response/requirement.h); the sheet gets both. The kind BPF
// takes the six values of a band-pass mask (fs1, fp1, fp2, fs2, Ap, As) and
// lists the lowest even order, the centre and the bandwidth of every
// response (response/bandpass_requirement.h) in a table of its own; its
// circuit is MFB. Series parts and the yield are of the unity-gain
// Sallen-Key's LPF and HPF only.

#include <QCheckBox>
#include <QComboBox>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <array>
#include <optional>
#include <stop_token>
#include <vector>

#include "engine/series_options.h"
#include "response/bandpass_requirement.h"
#include "response/requirement.h"
#include "storage/app_settings.h"
#include "storage/requirement_settings.h"
#include "tolerance/requirement_parts.h"

class QCustomPlot;

namespace kelvara::app {

class TFormMain;

/// What the worker computes for one snapshot of the inputs.
struct RequirementOutcome {
  response::RequirementResult table;
  /// Per candidate: the parts designed with the series (when asked for).
  std::vector<std::optional<tolerance::RealisedCandidate>> realised;
  /// Per candidate: the gain curve at the cut-off its text reads as (empty
  /// without an order).
  std::vector<std::vector<double>> gainDb;
  std::vector<double> frequencies;
  /// The series options the parts were designed with; none when the table
  /// is that of the ideal filters (any part values).
  std::optional<engine::SeriesTexts> seriesTexts;
  /// A band-pass mask's table (then `table` has no candidates); gainDb is
  /// then per band-pass candidate, relative to the gain at the centre.
  std::optional<response::BandPassRequirementResult> bandPass;
};

/// The inputs the worker gets, copied on the user-interface thread.
struct RequirementSnapshot {
  response::Requirement requirement;
  response::RequirementConstraints constraints;
  response::RequirementCircuit circuit;
  /// The kind BPF: its mask (requirement and constraints are not used).
  bool bandPass = false;
  response::BandPassMask bandMask;
  bool withSeries = false;
  const engine::PartSeries* series = nullptr;  // the program's own when null
  engine::SeriesTexts seriesTexts;             // what `series` was made from
  /// The yield of every realised candidate against the mask (with the
  /// series only).
  std::optional<tolerance::YieldSettings> yield;
  /// Ends the yield's trials early; the outcome is then not shown.
  std::stop_token stop;
};

/// The whole computation of one snapshot (what the worker runs).
RequirementOutcome ComputeRequirement(const RequirementSnapshot& snapshot);

class TFormRequirement : public QWidget {
  Q_OBJECT

 public:
  /// Input changes within this time start one computation.
  static constexpr int kCoalesceMs = 80;

  TFormRequirement(TFormMain& form, storage::SettingsStore& store);
  ~TFormRequirement() override;

  /// Shows the window (in its remembered place the first time).
  void ShowRequirement();

  // The controls, for tests and screenshots.
  QComboBox* KindBox() const { return kind_; }
  QLineEdit* Field(int i) const { return fields_.at(i); }
  /// 回路方式 (the sheet's list) and 利得.
  QComboBox* CircuitBox() const { return circuit_; }
  QLineEdit* GainEdit() const { return gain_; }
  /// The band-pass mask's fields: fs1, fp1, fp2, fs2, Ap, As (Ap and As are
  /// Field(1) and Field(3)).
  QLineEdit* BandField(int i) const { return i < 4 ? bandFields_.at(i) : fields_.at(i == 4 ? 1 : 3); }
  QCheckBox* LimitBox(int i) const { return limitOn_.at(i); }
  QLineEdit* LimitEdit(int i) const { return limits_.at(i); }
  QCheckBox* SeriesBox() const { return series_; }
  QCheckBox* YieldBox() const { return yieldOn_; }
  /// R tolerance, C tolerance, trials.
  QLineEdit* YieldEdit(int i) const { return yield_.at(i); }
  QTableWidget* Table() const { return table_; }
  /// The band-pass mask's table (shown for the kind BPF instead of Table()).
  QTableWidget* BandTable() const { return bandTable_; }
  QCustomPlot* Plot() const { return plot_; }
  QPushButton* ApplyButton() const { return apply_; }
  /// The in-window message ("" when all is well).
  QString Message() const { return message_->text(); }

  /// The last table shown (none while the inputs do not read).
  const std::optional<RequirementOutcome>& Shown() const { return shown_; }
  /// True while a computation runs or is waiting to start.
  bool Busy() const { return running_ || timer_.isActive() || pending_; }

  /// "シートに設定" for the candidate in table row `row` (the selected row,
  /// or the recommended one, when -1).
  void ApplyToSheet(int row = -1);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildLayout();
  void Restore();
  /// Keeps the inputs (and with `place` the window's frame) in the store;
  /// only what changed since the last time is written.
  void Remember(bool place);
  void InputsChanged();
  /// Reads the inputs; empty (with the message shown) when they do not read.
  std::optional<RequirementSnapshot> Snapshot();
  void Start(const RequirementSnapshot& snapshot);
  void Finished();
  void ShowOutcome(const RequirementOutcome& outcome);
  void FillTable(const RequirementOutcome& outcome);
  void FillBandTable(const response::BandPassRequirementResult& result);
  /// The mask's fields in the grid of the kind (LPF/HPF: fp, Ap / fs, As;
  /// BPF: fs1, fp1 / fp2, fs2 / Ap, As), the others hidden.
  void PlaceMaskFields(bool bandPass);
  /// Reads the band-pass mask and the circuit into `s`; the problem's text
  /// ("" when they read).
  QString ReadBandPass(RequirementSnapshot& s) const;
  QString ReadCircuit(RequirementSnapshot& s) const;
  void ApplyBandPass(int row);
  void FitColumns();
  /// The width the texts of a column's cells need (with `wrap` their widest
  /// piece between the places a line may break).
  int CellsWidth(int column, bool wrap = false) const;
  void DrawPlot(const RequirementOutcome& outcome);
  void DrawBandPassPlot(const RequirementOutcome& outcome);
  void ClearOutcome();

  TFormMain& form_;
  storage::SettingsStore& store_;
  QTimer timer_;
  QFutureWatcher<RequirementOutcome> watcher_;
  bool running_ = false;  // a worker started and its result not yet taken
  bool pending_ = false;  // inputs changed while the worker ran
  std::optional<RequirementOutcome> shown_;
  QString inputProblem_;                     // why the inputs do not read ("" when they do)
  storage::RequirementSettings remembered_;  // what the store holds

  QComboBox* kind_ = nullptr;
  std::array<QLineEdit*, 4> fields_{};
  std::array<QLabel*, 4> fieldLabels_{};
  std::array<QLineEdit*, 4> bandFields_{};  // fs1, fp1, fp2, fs2
  std::array<QLabel*, 4> bandLabels_{};
  QGridLayout* maskGrid_ = nullptr;
  QComboBox* circuit_ = nullptr;
  QLineEdit* gain_ = nullptr;
  int circuitBeforeBandPass_ = 0;  // restored when the kind leaves BPF
  bool bandPassShown_ = false;
  std::array<QCheckBox*, 3> limitOn_{};
  std::array<QLineEdit*, 3> limits_{};
  QCheckBox* series_ = nullptr;
  QCheckBox* yieldOn_ = nullptr;
  std::array<QLineEdit*, 3> yield_{};
  std::stop_source stop_;  // of the running worker
  QLabel* message_ = nullptr;
  QLabel* status_ = nullptr;
  QTableWidget* table_ = nullptr;
  QTableWidget* bandTable_ = nullptr;
  QCustomPlot* plot_ = nullptr;
  QPushButton* apply_ = nullptr;
};

/// The part values a sheet is set to: any values, or preferred values from
/// the series options `texts`.
struct SheetValues {
  bool anyValues = true;
  engine::SeriesTexts texts;
};

/// Chooses kind, order and response on the shown sheet and types the
/// cut-off, as the user would: every choice runs the main window's rule
/// (the order box is left afterwards, as a click elsewhere leaves it), so a
/// combination the main window refuses is corrected as it corrects it.
/// With `values` the switch between any and preferred values is clicked as
/// the user clicks it and the series options are taken as the options
/// dialog takes them. When a design input changed, the value of every part
/// on "auto" is cleared (it was designed for other inputs); fixed parts keep
/// theirs. False (nothing changed) while the design inputs are locked by a
/// run. A Chebyshev takes its ripple (an index of values::kRippleDb).
///
/// With `circuit` the sheet's 回路方式 is chosen too (after the kind, so
/// that a band-pass sheet keeps its MFB), and a sheet built of sections
/// (values::NeedsSections) gets the gain and, for BPF, the bandwidth typed
/// (`cutoffText` is then the centre); the part table is rebuilt by the
/// window's own rule afterwards, its parts on "auto" cleared as the part
/// groups' are.
struct SheetCircuit {
  int circuit = 0;
  QString gain = QStringLiteral("1");
  QString bandwidth;  // BPF only
};
bool ChooseOnSheet(TFormMain& form, int kind, int order, int response, const QString& cutoffText,
                   const std::optional<SheetValues>& values = std::nullopt,
                   int rippleIndex = values::kTabulatedRippleIndex,
                   const std::optional<SheetCircuit>& circuit = std::nullopt);

}  // namespace kelvara::app
