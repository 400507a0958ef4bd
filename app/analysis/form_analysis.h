#pragma once

// The analysis window ("設計の解析..."): the evaluation of every stage of
// the shown sheet against its target and the views of its gain, phase,
// group delay, step and impulse responses and poles, optionally with the
// sheets ticked for comparison. It follows the shown sheet: every change
// (tab, edit, delivered run, opened file) asks for a refresh, and the
// requests of a short while are coalesced into one.
//
// The part values are read and checked as "ｆ特描画" reads them; a failing
// check is reported inside the window, never by a box.

#include <QCheckBox>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "app/analysis/analysis_plots.h"
#include "app/analysis/noise_views.h"
#include "app/analysis/opamp_panel.h"
#include "app/main_window/shown_design.h"
#include "response/noise_views.h"
#include "response/opamp_views.h"
#include "response/section_views.h"
#include "response/views.h"
#include "storage/app_settings.h"
#include "storage/later_settings.h"

class QCustomPlot;
class QMenu;

namespace kelvara::app {

class TFormMain;
class TolerancePanel;

/// The summary's last lines of a low-pass or high-pass response, the
/// sheet's or its sections': the ripple edge and ripple (where there is
/// one), the attenuation at 2fc and 10fc (HPF: fc/2, fc/10) and the step's
/// overshoot and settling.
QStringList ResponseSummaryTail(const response::ResponseSummary& sum, bool hpf, const response::AnalysisViews& v);

class TFormAnalysis : public QWidget {
  Q_OBJECT

 public:
  /// Refresh requests within this time become one refresh.
  static constexpr int kCoalesceMs = 60;
  /// The evaluation table's 注意 column and the width it is cut at.
  static constexpr int kNoteColumn = 12;
  static constexpr int kNoteColumnWidth = 200;
  /// The names of the window's place in the settings store.
  static constexpr const char* kLeftName = storage::later_keys::kAnalysisLeft;
  static constexpr const char* kTopName = storage::later_keys::kAnalysisTop;
  static constexpr const char* kWidthName = storage::later_keys::kAnalysisWidth;
  static constexpr const char* kHeightName = storage::later_keys::kAnalysisHeight;
  /// The op-amp panel's choice (1: real) and texts in the settings store.
  static constexpr const char* kOpAmpRealName = storage::later_keys::kOpAmpReal;
  static constexpr const char* kOpAmpGbwName = storage::later_keys::kOpAmpGbw;
  static constexpr const char* kOpAmpA0Name = storage::later_keys::kOpAmpA0;
  static constexpr const char* kOpAmpRoutName = storage::later_keys::kOpAmpRout;

  /// The frequency views' step (finer than the chart's 5 % so that narrow
  /// peaks of the delay keep their shape) and the time views' points.
  static constexpr double kViewFrequencyStep = 0.01;
  static constexpr int kViewTimePoints = 801;

  TFormAnalysis(TFormMain& form, storage::SettingsStore& store);
  ~TFormAnalysis() override;

  /// Shows the window (in its remembered place the first time) and
  /// refreshes it.
  void ShowAnalysis();
  /// Asks for a refresh; done once after kCoalesceMs while shown.
  void ScheduleRefresh();
  bool RefreshPending() const { return timer_.isActive(); }
  /// Reads the shown sheet (and the compared ones) and redraws everything.
  void Refresh();

  /// What the window shows of the shown sheet; empty after a failed check.
  const std::optional<response::AnalysisViews>& Shown() const { return shown_; }
  /// The failing checks, one per line ("R3 は無効な値: 有効な値を設定下さい。").
  QString Messages() const { return messages_->text(); }
  QCustomPlot* Plot(PlotKind kind) const { return plots_[static_cast<int>(kind)]; }
  PlotTracer* Tracer(PlotKind kind) const { return tracers_[static_cast<int>(kind)]; }
  QTableWidget* Table() const { return table_; }
  QLabel* Summary() const { return summary_; }
  QCheckBox* OverlayBox() const { return overlay_; }
  QTabWidget* Views() const { return views_; }
  TolerancePanel* Tolerance() const { return tolerance_; }
  OpAmpPanel* OpAmp() const { return opAmp_; }
  /// The real op-amp's views of the shown sheet; empty with the ideal one
  /// (or a text of the panel that cannot be used).
  const std::optional<response::AnalysisViews>& RealShown() const { return real_; }
  /// The noise and signal-level views (form_analysis_noise.cpp) and what
  /// they show of the shown sheet; empty after a failed check or with a
  /// text of the op-amp panel that cannot be used.
  NoisePage* NoiseView() const { return noisePage_; }
  LevelsPage* LevelsView() const { return levelsPage_; }
  const std::optional<response::NoiseViews>& NoiseShown() const { return noise_; }
  /// A sheet built of sections (form_analysis_sections.cpp): its views with
  /// the ideal op-amp (Shown() holds their curves), and with a real op-amp
  /// its frequency curves and stages; empty for any other sheet.
  const std::optional<response::SectionViews>& SectionsShown() const { return sections_; }
  const std::optional<response::SectionOpAmpViews>& SectionsReal() const { return sectionsReal_; }

  /// What the frequency views (gain, phase, group delay) show: the design
  /// framed (fc/100 … 100·fc of the shown and compared sheets, the default)
  /// or the X range of the ｆ特 page; a choice of the views' pop-up menu,
  /// remembered, and followed by the design report.
  enum class FrequencyRange { kDesign, kChartPage };
  FrequencyRange FrequencyRangeChoice() const { return frequencyRange_; }
  void SetFrequencyRange(FrequencyRange range);
  /// The range the frequency views show now.
  double FrequencyFrom() const { return fStart_; }
  double FrequencyTo() const { return fTop_; }

  enum class ExportKind { kPng, kPdf, kCsv };
  /// The file a view or the table is saved in, empty when cancelled; tests
  /// answer without a dialog.
  void SetFileChooser(std::function<QString(ExportKind)> chooser) { chooseFile_ = std::move(chooser); }
  /// The pop-up menu's commands on a view (nullopt: the table).
  void SaveView(std::optional<PlotKind> view, ExportKind kind);
  /// Writes the op-amp panel's choice to the settings store, where the
  /// exports read it.
  void RememberOpAmp();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLayout();
  void ConnectSources();
  void ApplyRememberedGeometry();
  /// Puts the window where PlaceBesideWindow says, given its remembered
  /// place (the frame's corner and the inner size) if any.
  void Place(const std::optional<QRect>& storedClient);
  /// Moves the shown window back wholly onto its screen when its content
  /// made it grow past the screen's edge.
  void KeepWhollyOnScreen();
  void RememberGeometry();
  void OpenViewMenu(std::optional<PlotKind> view, QWidget* on, const QPoint& pos);
  void ClearViews();
  // The frequency range (form_analysis_frame.cpp).
  /// Sets fStart_ and fTop_ for a refresh; a problem with the ｆ特 page's
  /// range is added to `problems`.
  void ChooseFrequencies(const ShownDesignSnapshot& snapshot, QStringList& problems);
  void AddFrequencyRangeActions(QMenu& menu);
  void DrawSheet(const response::AnalysisViews& views, const QString& name, const QColor& color, bool main);
  void FillTable(const response::AnalysisViews& views, double cutoffHz, bool hpf);
  /// Every column as wide as its texts, 注意 at most kNoteColumnWidth.
  void FitTableColumns();
  void DrawTolerance(const engine::ComponentSet& parts, const QColor& color);
  // The op-amp panel (form_analysis_opamp.cpp).
  void BuildOpAmpPanel(QLayout* layout);
  void RestoreOpAmp();
  /// Draws the real curves of the shown sheet (before its ideal ones, so the
  /// tracers follow them); false with the ideal op-amp.
  bool DrawRealOpAmp(const engine::ComponentSet& parts, const QString& name, const QColor& color);
  /// Dashes the ideal curves drawn last under the real ones.
  void DashIdealCurves(const QString& name);
  void FillOpAmpTable();
  /// Marks the real low-pass stop-band floor in the gain view, which it
  /// then includes.
  void MarkStopbandFloor();
  // The noise and signal-level views (form_analysis_noise.cpp).
  void BuildNoisePages();
  void RestoreNoise();
  void RememberNoise();
  void DrawNoise(const engine::ComponentSet* parts, const QColor& color);
  // Sheets built of sections (form_analysis_sections.cpp).
  /// Reads the shown sheet of sections into shownSections_ and sections_
  /// (its problem added to `problems`).
  void EvaluateShownSections(const SectionCurveSource& source, QStringList& problems);
  /// The column headers of the unity-gain sheets' table, or of sections'.
  void SetTableColumns(bool sections);
  void FillSectionTable();
  /// The real op-amp's frequency curves of the shown sections; false with
  /// the ideal op-amp.
  bool DrawSectionsRealOpAmp(const QString& name, const QColor& color);
  void DrawSectionsTolerance(const QColor& color);
  void DrawSectionsNoise(const QColor& color);
  /// What the window cannot show of the shown sections, for the messages.
  void AddSectionLimits(QStringList& problems) const;

  TFormMain& form_;
  storage::SettingsStore& store_;
  QTimer timer_;
  QLabel* messages_ = nullptr;
  QCheckBox* overlay_ = nullptr;
  QTabWidget* views_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* summary_ = nullptr;
  std::array<QCustomPlot*, 6> plots_{};
  std::array<PlotTracer*, 6> tracers_{};
  TolerancePanel* tolerance_ = nullptr;
  std::optional<response::AnalysisViews> shown_;
  std::optional<response::AnalysisViews> real_;
  OpAmpPanel* opAmp_ = nullptr;
  NoisePage* noisePage_ = nullptr;
  LevelsPage* levelsPage_ = nullptr;
  std::optional<response::NoiseViews> noise_;
  std::optional<response::SheetSections> shownSections_;
  std::optional<response::SectionViews> sections_;
  std::optional<response::SectionOpAmpViews> sectionsReal_;
  engine::DesignRequest shownRequest_;
  std::function<QString(ExportKind)> chooseFile_;
  bool placed_ = false;
  FrequencyRange frequencyRange_ = FrequencyRange::kDesign;
  double fStart_ = 1e3;
  double fTop_ = 1e6;
};

}  // namespace kelvara::app
