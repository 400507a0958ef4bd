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
#include "response/noise_views.h"
#include "response/opamp_views.h"
#include "response/views.h"
#include "storage/app_settings.h"

class QCustomPlot;

namespace kelvara::app {

class TFormMain;
class TolerancePanel;

class TFormAnalysis : public QWidget {
  Q_OBJECT

 public:
  /// Refresh requests within this time become one refresh.
  static constexpr int kCoalesceMs = 60;
  /// The names of the window's place in the settings store.
  static constexpr const char* kLeftName = "analysis/formLeft";
  static constexpr const char* kTopName = "analysis/formTop";
  static constexpr const char* kWidthName = "analysis/formWidth";
  static constexpr const char* kHeightName = "analysis/formHeight";
  /// The op-amp panel's choice (1: real) and texts in the settings store.
  static constexpr const char* kOpAmpRealName = "analysis/opAmpReal";
  static constexpr const char* kOpAmpGbwName = "analysis/opAmpGbw";
  static constexpr const char* kOpAmpA0Name = "analysis/opAmpA0";
  static constexpr const char* kOpAmpRoutName = "analysis/opAmpRout";

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
  const std::optional<response::OpAmpViews>& RealShown() const { return real_; }
  /// The noise and signal-level views (form_analysis_noise.cpp) and what
  /// they show of the shown sheet; empty after a failed check or with a
  /// text of the op-amp panel that cannot be used.
  NoisePage* NoiseView() const { return noisePage_; }
  LevelsPage* LevelsView() const { return levelsPage_; }
  const std::optional<response::NoiseViews>& NoiseShown() const { return noise_; }

  enum class ExportKind { kPng, kPdf, kCsv };
  /// The file a view or the table is saved in, empty when cancelled; tests
  /// answer without a dialog.
  void SetFileChooser(std::function<QString(ExportKind)> chooser) { chooseFile_ = std::move(chooser); }
  /// The pop-up menu's commands on a view (nullopt: the table).
  void SaveView(std::optional<PlotKind> view, ExportKind kind);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLayout();
  void ConnectSources();
  void ApplyRememberedGeometry();
  void RememberGeometry();
  void OpenViewMenu(std::optional<PlotKind> view, QWidget* on, const QPoint& pos);
  void ClearViews();
  void DrawSheet(const response::AnalysisViews& views, const QString& name, const QColor& color, bool main);
  void FillTable(const response::AnalysisViews& views, double cutoffHz, bool hpf);
  void DrawTolerance(const QColor& color);
  // The op-amp panel (form_analysis_opamp.cpp).
  void BuildOpAmpPanel(QLayout* layout);
  void RestoreOpAmp();
  void RememberOpAmp();
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
  std::optional<response::OpAmpViews> real_;
  OpAmpPanel* opAmp_ = nullptr;
  NoisePage* noisePage_ = nullptr;
  LevelsPage* levelsPage_ = nullptr;
  std::optional<response::NoiseViews> noise_;
  engine::DesignRequest shownRequest_;
  std::function<QString(ExportKind)> chooseFile_;
  bool placed_ = false;
  double fStart_ = 1e3;
  double fTop_ = 1e6;
};

}  // namespace kelvara::app
