#pragma once

// The main window: eight design sheets sharing one set of design controls,
// the comparison panel and the lower pages with the circuit picture and the
// response chart. Its handlers are split by concern:
//   form_main.cpp          construction, show and close, settings
//   form_main_design.cpp   the controls laid out at design time
//   form_main_create.cpp   FormCreate: the controls made at start-up
//   form_main_rules.cpp    the rules that keep a design consistent
//   form_main_sheets.cpp   sheet records and tab changes
//   form_main_picture.cpp  the circuit picture
//   form_main_menus.cpp    the help menu, the file menu's shortcuts and 終了
//   form_main_analysis.cpp the analysis menu (the window is app/analysis/)
//   form_main_run.cpp      the calculation run (定数設定, 設定中止)
//   form_main_chart.cpp    the response chart and the comparison
//   form_main_files.cpp    design files
//   form_main_export.cpp   netlist, parts list, report and printing
//   form_main_sections.cpp the sheets built of sections (MFB, Sallen-Key
//                          with gain, BPF): their inputs and part table

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "app/common/warning_boxes.h"
#include "app/main_window/part_group.h"
#include "app/main_window/response_chart.h"
#include "app/main_window/shown_design.h"
#include "app/main_window/tab_control.h"
#include "engine/design_types.h"
#include "engine/part_series.h"
#include "engine/series_options.h"
#include "response/opamp_model.h"
#include "response/section_sheet.h"
#include "storage/app_settings.h"
#include "values/section_record.h"
#include "values/sheet_record.h"

class QCustomPlot;
class QPrinter;

namespace kelvara::app {

class TFormAboutBox;
class TFormAnalysis;
class TFormMenseki;
class TcalcThread;
namespace report {
struct ReportContent;
}

/// What a run of a sheet of sections hands the window (DeliverSectionsRun).
struct SectionsRunResult {
  bool failed = false;
  bool valid = false;
  std::vector<std::string> names;  // the parts designed, in the table's order
  std::vector<double> values;
  int progress = 0;
};

/// What a calculation run hands the window when it ends (DeliverRun).
struct RunResult {
  /// The run broke off with an error: nothing trustworthy to deliver.
  bool failed = false;
  /// The inputs were valid and the design was made.
  bool valid = false;
  int order = 2;
  engine::ComponentSet parts;
  /// The final bar position.
  int progress = 0;
};

class TFormMain : public QMainWindow {
  Q_OBJECT

 public:
  /// programDir: the folder of the pictures and the manual, with a trailing
  /// separator; empty means the folder of the program file.
  TFormMain(storage::SettingsStore& settingsStore, WarningBoxes& warnings, QString programDir = {},
            QWidget* parent = nullptr);
  ~TFormMain() override;

  /// The dialogs created after the main window. Without a disclaimer dialog
  /// the first showing asks nothing.
  void SetDialogs(TFormAboutBox* aboutBox, TFormMenseki* menseki);

  // ---- sheets -------------------------------------------------------
  static constexpr int kSheetCount = 8;
  static constexpr int kPartCount = 8;

  /// The records of the eight sheets, index = tab index.
  std::array<values::SheetRecord, kSheetCount> sheets;

  /// Clears the record and writes the 49 lines from the controls.
  void StoreSheet(values::SheetRecord& record) const;
  void StoreSheet(int sheet) { StoreSheet(sheets.at(sheet)); }
  /// Applies the lines in order. A missing line, a non-integer or an item
  /// index outside its list on an integer line throws KelvaraError and
  /// ends the load; what was already applied stays.
  void LoadSheet(const values::SheetRecord& record);
  void LoadSheet(int sheet) { LoadSheet(sheets.at(sheet)); }
  /// Puts the controls into the state of a new sheet (the record is not
  /// written; the bar maximum and the ripple choice are left alone).
  void ResetSheet();
  /// Tab index of the sheet shown in the controls.
  int ShownSheet() const;

  // ---- control rules ------------------------------------------------
  void ShowPartGroups(int newOrderIndex, int lastOrderIndex);
  void EnableRippleControls(int responseIndex);
  void RejectBesselForHpf(int responseIndex);
  void DisableDesignInputs();
  void EnableDesignInputs();
  /// Shows the circuit picture of the kind (0 LPF, 1 HPF) and order index in
  /// Image1. A file that cannot be read throws KelvaraError and keeps the
  /// picture shown.
  void ShowCircuitPicture(int kind, int orderIndex);
  /// After a tab change or a file has been opened: order memory, part
  /// groups, ripple rule and picture of the loaded design.
  void AfterLoadSequence();

  std::int8_t lastOrderIndex = 0;

  // ---- start-up, show, close ----------------------------------------
  void FormCreate();
  void FormShow();
  void FormClose();
  /// Puts the window's outer frame (title bar included) at outer.
  void PlaceOuterFrame(QPoint outer);
  /// Where the window's outer frame stands.
  QPoint OuterFramePosition() const;

  QString ProgramDir;
  std::array<std::array<QString, 7>, 2> PictureNames;
  storage::AppSettings appSettings;
  WarningBoxes& warnings;

  // ---- event handlers -----------------------------------------------
  void TabDesignChanging(int leavingIndex);
  void TabDesignChange(int enteredIndex);
  void CBox_HPFLPFChange();
  void Edit_FrequencyChange();
  void CBox_CircuitChange();
  void CBox_JisuuChange();
  void CBox_JisuuExit();
  void CBox_gensuiChange();
  void CBox_rippleChange();
  void CBox_NoProblemClick();
  void OnClick_chkBoxE12();
  void Change_EditValset();
  // The calculation run.
  void ButtonValsetClick();
  void ButtonStopClick();
  /// The design parameters and the part inputs as the controls hold them.
  engine::DesignRequest CaptureDesignRequest() const;
  engine::PartInputs CapturePartInputs() const;
  /// What the analysis window shows of this window, read at one moment.
  ShownDesignSnapshot SnapshotShownDesign() const;
  /// A sheet whose run failed without a result becomes idle in its record.
  void MakeRecordIdle(int sheet);
  // What a run shows, in the order it hands them over (calc_thread.h).
  /// The calculate button shows that the shown sheet runs.
  void BeginRun();
  /// The bar maximum of a valid run.
  void ShowRunProgressMaximum(int maximum);
  /// The bar position of sheet's run, when that sheet is shown (clamped to
  /// the bar's range).
  void ShowRunProgress(int sheet, int progress);
  /// The stop button is enabled once the design begins.
  void AllowRunStop();
  /// A run of sheet has ended: a shown sheet becomes idle and gets the
  /// designed values (and is stored), a hidden one gets them in its record;
  /// after a failure the values stay and a hidden sheet only becomes idle.
  /// Then sheetDesignChanged(sheet) is emitted unless the run failed.
  void DeliverRun(int sheet, const RunResult& result);
  /// The sheet tabs are locked while any run is starting (up to its first
  /// design step) or delivering, so the shown sheet cannot change then.
  void LockSheetTabs();
  void UnlockSheetTabs();
  /// Opening a file replaces the sheet: its run, if any, stops and will
  /// neither show nor deliver anything.
  void DetachRun(int sheet);
  /// Set once the window closes: runs hand nothing over any more.
  bool RunsClosing() const { return runsClosing_; }
  /// Stops every run, closes their boxes and waits for them to end (the
  /// user-interface thread keeps handling their hand-overs meanwhile).
  /// False when some run had not ended within the time.
  bool ShutdownRuns(int waitMilliseconds = 15000);
  /// The runs started last for each sheet; an ended run reads as null.
  std::array<QPointer<TcalcThread>, kSheetCount> calcRuns;
  /// Makes the run of a click (tests put runs of their own here).
  std::function<TcalcThread*(TFormMain&, int sheet)> makeRun;

  // The response chart and the comparison.
  void ButtonFreqClick();
  void ButtonFreq8Click();
  void PopUP_colorClick();
  /// Replaces the colour dialog and the file choice of the chart's pop-up
  /// menu (tests answer them without dialogs).
  void SetChartChoosers(ChartChoosers choosers);

  // ---- sheets of sections (form_main_sections.cpp) -------------------
  /// Whether the shown sheet is built of sections: a circuit after the
  /// unity-gain Sallen-Key, or BPF.
  bool SectionsShown() const;
  /// Shows the section inputs and the part table in place of the sixteen
  /// part groups (or the groups again), the centre frequency's caption of
  /// a band-pass sheet and the circuit's own lock.
  void ShowSectionControls();
  /// Lists the parts of the stages the inputs give, keeping the value and
  /// choice of every part whose name stays; inputs that give no stages yet
  /// leave the table as it is.
  void RebuildSectionParts();
  /// The stages the controls give (with stand-ins for a cut-off or a
  /// bandwidth not yet typed), and their gain; none where they give none.
  std::optional<response::SectionSheetPlan> PlanOfControls(double* gain) const;
  response::SectionSheetChoices CaptureSectionChoices() const;
  values::SectionLines CaptureSectionLines() const;
  void LoadSectionLines(const values::SectionLines& lines);
  /// The state of a new sheet's section inputs (gain 1, nothing else).
  void ResetSectionLines();
  /// A run of a sheet of sections has ended (as DeliverRun).
  void DeliverSectionsRun(int sheet, const SectionsRunResult& result);
  /// The picture of the shown sheet's sections on the page "回路".
  void ShowSectionsPicture();
  void Edit_GainChange();
  void CBox_StageOrderChange();
  void TableSectionPartsChange();

  QWidget* PanelSections = nullptr;
  QLabel* Label_Gain = nullptr;
  QLineEdit* Edit_Gain = nullptr;
  QLabel* Label_GainUnit = nullptr;
  QLabel* Label_Sign = nullptr;
  QLabel* Label_Bandwidth = nullptr;
  QLineEdit* Edit_Bandwidth = nullptr;
  QLabel* Label_BandwidthHz = nullptr;
  QLabel* Label_StageGains = nullptr;
  QLineEdit* Edit_StageGains = nullptr;
  QLabel* Label_StageOrder = nullptr;
  QComboBox* CBox_StageOrder = nullptr;
  QTableWidget* TableSectionParts = nullptr;

  // Design files.
  void menuOpenFileClick();
  void menuOpenFileAllClick();
  void menuSaveFileClick();
  void menuSaveFileAllClick();

  void menuAboutUseTorisetsuClick();
  void menuVerHelpClick();
  /// "終了": closes the main window as its close button does.
  void menuExitClick();
  /// Hands the manual's page to the system's viewer; false when no viewer
  /// took it. Tests put their own in its place; an empty one restores the
  /// system's.
  using ManualOpener = std::function<bool(const QString& page)>;
  void SetManualOpener(ManualOpener opener) { manualOpener_ = std::move(opener); }
  /// The sheet's name as a file name for the save dialogs, without a suffix:
  /// the design file it was opened from or saved to without ".zdn" or
  /// ".zdna" (in its folder), else "Sheet1" .. "Sheet8".
  QString SuggestedFileName(int sheet) const;
  /// "設計の解析...": shows the analysis window (made on first use).
  void menuDesignAnalysisClick();

  // Export and printing (form_main_export.cpp): the shown sheet's design,
  // read from its part edits with the checks of "ｆ特描画".
  void menuExportSpiceClick();
  void menuExportPartsListClick();
  void menuExportReportClick();
  void menuPrintClick();
  enum class ExportKind { kSpice, kPartsList, kReport };
  /// The file to write, empty when cancelled.
  using ExportFileChooser = std::function<QString(ExportKind)>;
  /// Shows the print dialog for the printer; false when cancelled.
  using PrintDialogRunner = std::function<bool(QPrinter&)>;
  /// Tests answer the file choice and the print dialog without dialogs; an
  /// empty function keeps the dialog.
  void SetExportChoosers(ExportFileChooser chooseFile, PrintDialogRunner runPrintDialog);
  /// The name the export's save dialog suggests: the shown sheet's name as
  /// a file name (SuggestedFileName) with the export's suffix.
  QString SuggestedExportName(ExportKind kind) const;
  /// The design file the sheet was last opened from or saved to, or empty.
  QString SheetFileName(int sheet) const { return sheetFiles_.at(sheet); }

  // form_main_series.cpp: the preferred-value series of every later run.
  void menuSeriesOptionsClick();
  /// Reads the chosen series from the settings store and shows them.
  void LoadSeriesChoice();
  /// Takes `texts` (the defaults when unusable) for the runs and names the
  /// series in the check boxes of GBox_E12.
  void ApplySeriesTexts(const engine::SeriesTexts& texts);
  /// Takes `texts` as the series options dialog does: applied and kept in
  /// the settings store (an error shown when the store refuses them).
  void ChooseSeriesTexts(const engine::SeriesTexts& texts);
  const engine::SeriesTexts& ChosenSeriesTexts() const { return seriesTexts_; }

  // ---- controls laid out at design time ----------------------------
  TTabControl* TabDesign = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* CBox_HPFLPF = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* Edit_Frequency = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QComboBox* CBox_Circuit = nullptr;
  QLabel* Label6 = nullptr;
  QComboBox* CBox_Jisuu = nullptr;
  QLabel* Label7 = nullptr;
  QComboBox* CBox_gensui = nullptr;
  QLabel* Label_ripple = nullptr;
  QComboBox* CBox_ripple = nullptr;
  QGroupBox* GBox_E12 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QCheckBox* CBox_NoProblem = nullptr;
  QPushButton* ButtonValset = nullptr;
  QProgressBar* PBar = nullptr;
  QPushButton* ButtonStop = nullptr;
  QPushButton* ButtonFreq = nullptr;

  QFrame* PanelHikaku = nullptr;
  QLabel* Label33 = nullptr;
  QLabel* Label14 = nullptr;
  QPushButton* ButtonFreq8 = nullptr;

  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet_manual = nullptr;
  QWidget* TabSheet_f_Toku = nullptr;
  QLabel* Image1 = nullptr;
  QCustomPlot* Chart1 = nullptr;
  QLabel* Label_YBig = nullptr;
  QLabel* Label_Ysmall = nullptr;
  QLabel* Label_XBig = nullptr;
  QLabel* Label_Xsmall = nullptr;
  QComboBox* CBox_YBig = nullptr;
  QComboBox* CBox_Ysmall = nullptr;
  QComboBox* CBox_XBig = nullptr;
  QComboBox* CBox_Xsmall = nullptr;

  QMenuBar* MainMenu1 = nullptr;
  QMenu* menuFile = nullptr;
  QAction* menuOpenFile = nullptr;
  QAction* menuOpenFileAll = nullptr;
  QAction* menuSaveFile = nullptr;
  QAction* menuSaveFileAll = nullptr;
  QMenu* menuAnalysis = nullptr;
  QAction* menuDesignAnalysis = nullptr;
  QMenu* menuExport = nullptr;
  QAction* menuExportSpice = nullptr;
  QAction* menuExportPartsList = nullptr;
  QAction* menuExportReport = nullptr;
  QAction* menuPrint = nullptr;
  QMenu* menuSettings = nullptr;
  QAction* menuSeriesOptions = nullptr;
  QMenu* menuHelp = nullptr;
  QAction* menuAboutUseTorisetsu = nullptr;
  QAction* menuVerHelp = nullptr;
  QAction* menuExit = nullptr;

  /// Made on first use (OpenDialog(), SaveDialog()).
  QFileDialog* OpenDialog1 = nullptr;
  QFileDialog* SaveDialog1 = nullptr;
  QColorDialog* ColorDialog1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* PopUP_color = nullptr;
  /// The control on which PopupMenu1 was last opened (Chart1 or a
  /// CBox_Sheet box), or nullptr.
  QWidget* PopupComponent = nullptr;

  // ---- controls created at start-up ---------------------------------
  std::array<QCheckBox*, kSheetCount> CBox_Sheet{};
  std::array<QLineEdit*, kSheetCount> Edit_Cutoff{};
  std::array<QLabel*, kSheetCount> Label_Hz{};
  std::array<PartGroup, kPartCount> groupR{};
  std::array<PartGroup, kPartCount> groupC{};
  std::array<QCheckBox*, 2> chkBoxE12{};

  TFormAboutBox* FormAboutBox = nullptr;
  TFormMenseki* FormMenseki = nullptr;
  /// The analysis window, once it has been opened.
  TFormAnalysis* FormAnalysis = nullptr;

 signals:
  /// A sheet's design changed outside its controls: a run has delivered its
  /// results into sheet (its controls when shown, otherwise its record;
  /// emitted at the end of DeliverRun, while the sheet tabs are still
  /// locked), or a file was opened into it (-1: into every sheet).
  void sheetDesignChanged(int sheet);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateDesignTimeControls();
  void CreateSheetArea();
  void CreateComparisonPanel();
  void CreatePages();
  void CreateMenus();
  void ConnectDesignTimeHandlers();
  void CreateComparisonRows();
  void CreatePartGroups();
  void CreateSeriesChecks();
  void CreateSectionControls();
  /// Whether the pass kind and circuit of the controls need sections.
  bool ControlsNeedSections() const;
  void KeepBandPassChoices();
  bool fillingSectionParts_ = false;
  void OpenPopupMenu(QWidget* component, const QPoint& localPos);
  void ShowDisclaimer();
  void FitClientAreas();
  /// Moves the preferred-value switch to "any values" or to the series.
  void SetAnyValuesState(bool anyValues);
  bool StrictCondition() const;
  bool OddOrderExcluded() const;
  void SetDesignInputsEnabled(bool enabled);

  storage::SettingsStore& settingsStore_;
  engine::SeriesTexts seriesTexts_;
  const engine::PartSeries* partSeries_ = nullptr;
  QString programDirOverride_;
  bool shown_ = false;

  // ---- calculation run (form_main_run.cpp) ----------------------------
  bool runsClosing_ = false;
  int sheetTabLocks_ = 0;

  // ---- response chart (form_main_chart.cpp) ---------------------------
  /// Sets up Chart1 and adds the saving of the chart to PopupMenu1.
  void CreateResponseChart();
  /// The curve of one design on the chart; false when a check failed.
  bool PlotSheetResponse(QCPGraph* curve, std::int32_t color, const CurveSource& source);
  /// Writes the -3 dB frequency of a design that has just been plotted.
  bool ShowSheetCutoff(int sheet, const CurveSource& source);
  CurveSource SourceOfControls() const;
  AxisChoices ShownAxisChoices() const;
  void PopUP_savePngClick();
  void PopUP_savePdfClick();
  void SaveChartAs(ChartFileKind kind);

  ChartChoosers chartChoosers_;
  QAction* popUpSavePng_ = nullptr;
  QAction* popUpSavePdf_ = nullptr;

  // ---- design files (form_main_files.cpp) -----------------------------
 public:
  /// Shows a file dialog modally and gives the path the user chose, or
  /// nothing when the user cancelled. The window uses the dialog's own
  /// exec(); tests put their choice in its place so no dialog appears.
  using FileDialogRunner = std::function<std::optional<QString>(QFileDialog& dialog)>;
  /// An empty runner restores the real dialog.
  void SetFileDialogRunner(FileDialogRunner runner);
  /// OpenDialog1 and SaveDialog1, made with their filters on first use.
  QFileDialog& OpenDialog();
  QFileDialog& SaveDialog();

 private:
  QFileDialog* MakeFileDialog(const char* name, QFileDialog::AcceptMode mode, const char* filter);
  /// Shows dialog with filter `filterIndex` selected and `lastName` (the
  /// name chosen the last time) filled in; a chosen path becomes the new
  /// `lastName`.
  /// Without a last name, `suggestion` is filled in.
  std::optional<QString> ChooseFile(QFileDialog& dialog, int filterIndex, QString& lastName,
                                    const QString& suggestion = {});

  FileDialogRunner fileDialogRunner_;
  QString openDialogName_;
  QString saveDialogName_;
  std::array<QString, kSheetCount> sheetFiles_;

  // ---- export and printing (form_main_export.cpp) ---------------------
  void CreateExportMenu();
  /// form_main_menus.cpp: Ctrl+O and Ctrl+S for the sheet's open and save,
  /// and "終了" as the file menu's last item.
  void AddFileMenuShortcutsAndExit();
  /// The shown sheet's design for the report, or nothing when a check of
  /// "ｆ特描画" failed (its boxes have been shown).
  std::optional<report::ReportContent> CheckedShownDesign();
  void WriteExport(ExportKind kind);
  /// The netlist and parts list of a sheet built of sections.
  void WriteSectionsExport(ExportKind kind);

 public:
  /// The op-amp of the exports: the analysis window's op-amp panel when the
  /// window is open, else its choice remembered in the settings store; the
  /// ideal one when unset or a text cannot be used.
  response::OpAmpModel ChosenOpAmp() const;

 private:
  ExportFileChooser exportFileChooser_;
  ManualOpener manualOpener_;
  PrintDialogRunner printDialogRunner_;
};

}  // namespace kelvara::app
