// "書き出し" and "印刷...": the shown sheet's design as a SPICE netlist, a
// parts list, a design report (PDF), or the report's pages on a printer.
// The design is read from the part edits with the checks of "ｆ特描画" and
// their boxes; files go through the atomic save of the design files.

#include <qcustomplot.h>

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

#include "app/analysis/form_analysis.h"
#include "app/analysis/opamp_panel.h"
#include "app/analysis/tolerance_panel.h"
#include "app/common/application.h"
#include "app/common/ui_texts.h"
#include "app/main_window/form_main.h"
#include "app/report/design_report.h"
#include "app/report/report_analyses.h"
#include "app/report/report_sections.h"
#include "engine/series_options.h"
#include "export/parts_list.h"
#include "export/spice_netlist.h"
#include "response/circuit.h"
#include "response/noise.h"
#include "response/opamp_texts.h"
#include "response/signal_levels.h"
#include "storage/design_file.h"
#include "storage/later_settings.h"
#include "values/sheet_checks.h"

namespace kelvara::app {

namespace {

/// The 品種 of the analysis window's op-amp panel, empty without one.
QString OpAmpNameShown(const TFormAnalysis* analysis) {
  return analysis && analysis->OpAmp() ? analysis->OpAmp()->Noise()->ChosenName() : QString();
}

class SilentSink final : public values::WarningSink {
 public:
  void Warn(const std::string&, const std::string&) override {}
};

struct ExportFileKind {
  const char* filter;
  const char* suffix;
};

ExportFileKind FileKindOf(TFormMain::ExportKind kind) {
  switch (kind) {
    case TFormMain::ExportKind::kSpice:
      return {"SPICE ネットリスト (*.cir)", "cir"};
    case TFormMain::ExportKind::kPartsList:
      return {"部品表 CSV (*.csv)", "csv"};
    default:
      return {"PDF (*.pdf)", "pdf"};
  }
}

QByteArray Bytes(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

/// The report of a sheet built of sections: its sections as the checks of
/// "ｆ特描画" read them, with the sheet's name, file, chart ranges and colour,
/// series and op-amp (its noise as the analysis window's panel has it) as
/// the unity-gain sheet's report takes them.
report::ReportContent SectionsReport(const TFormMain& w, const CheckedCurve& checked, bool chartPageRange,
                                     const engine::SeriesChoice& series) {
  report::ReportContent content;
  content.request = checked.request;
  content.sections = checked.sections;
  const int sheet = w.ShownSheet();
  content.sheetName = QString::fromStdString(values::SheetTabName(sheet));
  content.fileName = QDir::toNativeSeparators(w.SheetFileName(sheet));
  content.created = QDateTime::currentDateTime();
  content.fStartHz = checked.fStartHz;
  content.fTopHz = checked.fTopHz;
  content.yMinDb = checked.yMinDb;
  content.yMaxDb = checked.yMaxDb;
  content.chartPageRange = chartPageRange;
  content.curveColor = ColorOfSetting(w.appSettings.chartColor);
  content.curveName = content.sheetName;
  content.series = series;
  content.opamp = w.ChosenOpAmp();
  content.opampName = OpAmpNameShown(w.FormAnalysis);
  if (w.FormAnalysis && w.FormAnalysis->OpAmp()) {
    double temperature = response::kDefaultTemperatureC;
    response::OpAmpModel noisy = content.opamp;
    if (w.FormAnalysis->OpAmp()->Noise()->Read(noisy, temperature)) content.opamp = noisy;
  }
  return content;
}

}  // namespace

void TFormMain::CreateExportMenu() {
  menuFile->addSeparator();
  menuExport = menuFile->addMenu(QString(text::kMenuExport));
  menuExport->setObjectName(QStringLiteral("menuExport"));
  auto add = [](QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  menuExportSpice = add(menuExport, "menuExportSpice", text::kMenuExportSpice);
  menuExportPartsList = add(menuExport, "menuExportPartsList", text::kMenuExportPartsList);
  menuExportReport = add(menuExport, "menuExportReport", text::kMenuExportReport);
  menuPrint = add(menuFile, "menuPrint", text::kMenuPrint);
  menuPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  ConnectHandler(menuExportSpice, &QAction::triggered, this, &TFormMain::menuExportSpiceClick);
  ConnectHandler(menuExportPartsList, &QAction::triggered, this, &TFormMain::menuExportPartsListClick);
  ConnectHandler(menuExportReport, &QAction::triggered, this, &TFormMain::menuExportReportClick);
  ConnectHandler(menuPrint, &QAction::triggered, this, &TFormMain::menuPrintClick);
}

// The op-amp of the settings (the analysis window's choice, written there
// first when the window is open); ideal when the texts cannot be used.
response::OpAmpModel TFormMain::ChosenOpAmp() const {
  if (FormAnalysis) FormAnalysis->RememberOpAmp();
  const storage::OpAmpChoice choice = storage::LoadOpAmp(settingsStore_);
  if (!choice.real) return {};
  response::OpAmpTexts texts;
  if (choice.gbwHz) texts.gbwHz = choice.gbwHz->toStdString();
  if (choice.a0Db) texts.a0Db = choice.a0Db->toStdString();
  if (choice.routOhm) texts.routOhm = choice.routOhm->toStdString();
  response::OpAmpModel model;
  if (response::ReadOpAmpTexts(texts, model)) return {};
  return model;
}

void TFormMain::SetExportChoosers(ExportFileChooser chooseFile, PrintDialogRunner runPrintDialog) {
  exportFileChooser_ = std::move(chooseFile);
  printDialogRunner_ = std::move(runPrintDialog);
}

ShownDesignSnapshot TFormMain::SnapshotShownDesign() const {
  ShownDesignSnapshot s;
  s.sheet = ShownSheet();
  s.request = CaptureDesignRequest();
  s.parts = CapturePartInputs();
  if (ControlsNeedSections()) s.sections = SectionCurveSource{CaptureSectionChoices(), CaptureSectionLines()};
  s.sheetColor = appSettings.sheetColor.at(s.sheet);
  s.chartColor = appSettings.chartColor;
  for (int i = 0; i < kSheetCount; ++i) {
    if (i == s.sheet || !CBox_Sheet[i]->isChecked()) continue;
    s.compared.push_back({i, sheets[i].empty() ? values::DefaultSheetRecord() : sheets[i], appSettings.sheetColor[i]});
  }
  s.xMaxPos = CBox_XBig->currentIndex();
  s.xMinPos = CBox_Xsmall->currentIndex();
  s.axes = ShownAxisChoices();
  s.series = engine::CheckSeriesTexts(seriesTexts_).choice;
  return s;
}

std::optional<report::ReportContent> TFormMain::CheckedShownDesign() {
  // The checks of "ｆ特描画", without drawing: the shown chart and its axes
  // stay as they are.
  const ShownDesignSnapshot shown = SnapshotShownDesign();
  WarningSinkAdapter sink(warnings);
  const std::optional<CheckedCurve> checked =
      CheckCurve(sink, shown.axes, {shown.request, shown.parts, std::nullopt}).curve;
  if (!checked) return std::nullopt;
  report::ReportContent content;
  content.request = checked->request;
  content.parts = checked->parts;
  const int sheet = shown.sheet;
  content.sheetName = QString::fromStdString(values::SheetTabName(sheet));
  content.fileName = QDir::toNativeSeparators(sheetFiles_.at(sheet));
  content.created = QDateTime::currentDateTime();
  content.fStartHz = checked->fStartHz;
  content.fTopHz = checked->fTopHz;
  content.yMinDb = checked->yMinDb;
  content.yMaxDb = checked->yMaxDb;
  content.chartPageRange = FormAnalysis
                               ? FormAnalysis->FrequencyRangeChoice() == TFormAnalysis::FrequencyRange::kChartPage
                               : storage::LoadChartPageRange(settingsStore_);
  content.curveColor = ColorOfSetting(shown.chartColor);
  content.curveName = content.sheetName;
  content.series = shown.series;
  content.opamp = ChosenOpAmp();
  // A tolerance analysis of this very design, op-amp and tolerances in the
  // analysis window (a result of other inputs is left out), with its
  // conditions and its worst case.
  const QString opampLabel = report::OpAmpLabel(content.opamp, OpAmpNameShown(FormAnalysis));
  if (FormAnalysis && FormAnalysis->Tolerance()) {
    const TolerancePanel& panel = *FormAnalysis->Tolerance();
    if (const tolerance::MonteCarloResult* result = panel.ResultFor(content.request, content.parts, content.opamp)) {
      if (result->nominal.minus3dbHz > 0) {
        if (const tolerance::StudyPlan* plan = panel.PlanFor(content.request, content.parts, content.opamp))
          content.toleranceLines = report::StudyConditionLines(*plan);
        content.toleranceLines += report::ToleranceLines(*result, shown.request.cutoffHz, opampLabel);
      }
      if (const tolerance::WorstCaseResult* worst = panel.WorstCaseFor(content.request, content.parts, content.opamp))
        content.worstCaseLines = report::WorstCaseLines(*worst, opampLabel);
    }
  }
  // The op-amp's name, noise and limits as the analysis window's panel has
  // them; its noise and levels of this design when the window shows them.
  content.opampName = OpAmpNameShown(FormAnalysis);
  if (FormAnalysis && FormAnalysis->OpAmp()) {
    double temperature = response::kDefaultTemperatureC;
    response::OpAmpModel noisy = content.opamp;
    if (FormAnalysis->OpAmp()->Noise()->Read(noisy, temperature)) {
      content.opamp = noisy;
      if (FormAnalysis->NoiseShown()) {
        const response::CircuitModel circuit = response::MakeCircuit(content.request, content.parts, content.opamp);
        const response::NoiseReport noise =
            response::IntegrateNoise(circuit, temperature, response::DefaultNoiseBand(content.request));
        content.noiseLines = report::NoiseLines(noise, content.opamp);
        const response::LevelReport levels =
            response::AnalyseLevels(response::CircuitFromComponents(content.request, content.parts), content.opamp,
                                    noise.band, noise.totalVrms);
        content.levelLines = report::LevelLines(levels, content.opamp);
      }
    }
  }
  // The tolerance page's defaults, once it has remembered them.
  const auto percent = [](const std::optional<double>& v) -> std::string {
    return v ? QString::number(*v, 'g', 6).toStdString() + "%" : std::string();
  };
  const storage::ToleranceSettings tolerances = storage::LoadTolerance(settingsStore_);
  content.resistorTolerance = percent(tolerances.rPct);
  content.capacitorTolerance = percent(tolerances.cPct);
  return content;
}

void TFormMain::WriteSectionsExport(ExportKind kind) {
  WarningSinkAdapter sink(warnings);
  const std::optional<CheckedCurve> checked = CheckCurve(sink, ShownAxisChoices(), SourceOfControls()).curve;
  if (!checked || !checked->sections) return;
  const ExportFileKind fileKind = FileKindOf(kind);
  QString path = exportFileChooser_ ? exportFileChooser_(kind)
                                    : QFileDialog::getSaveFileName(this, QString(), SuggestedExportName(kind),
                                                                   QString::fromUtf8(fileKind.filter));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + QLatin1String(fileKind.suffix);
  const engine::SeriesChoice series = engine::CheckSeriesTexts(response::SectionSeriesTexts(seriesTexts_)).choice;
  QByteArray bytes;
  if (kind == ExportKind::kSpice) {
    exports::NetlistOptions options;
    options.fStartHz = checked->fStartHz;
    options.fStopHz = checked->fTopHz;
    options.date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    options.series = series;
    options.opamp = ChosenOpAmp();
    if (FormAnalysis && FormAnalysis->OpAmp()) {
      double temperature = response::kDefaultTemperatureC;
      if (FormAnalysis->OpAmp()->Noise()->Read(options.opamp, temperature)) options.temperatureC = temperature;
    } else {
      options.temperatureC = ApplyStoredNoise(settingsStore_, options.opamp);
    }
    bytes = Bytes(exports::WriteSectionsNetlist(checked->sections->sections, options));
  } else if (kind == ExportKind::kReport) {
    const bool chartPageRange = FormAnalysis
                                    ? FormAnalysis->FrequencyRangeChoice() == TFormAnalysis::FrequencyRange::kChartPage
                                    : storage::LoadChartPageRange(settingsStore_);
    bytes = report::ReportPdf(SectionsReport(*this, *checked, chartPageRange, series));
  } else {
    exports::PartsListOptions options;
    options.series = series;
    const storage::ToleranceSettings tolerances = storage::LoadTolerance(settingsStore_);
    const auto percent = [](const std::optional<double>& v) -> std::string {
      return v ? QString::number(*v, 'g', 6).toStdString() + "%" : std::string();
    };
    options.resistorTolerance = percent(tolerances.rPct);
    options.capacitorTolerance = percent(tolerances.cPct);
    bytes = Bytes(exports::WriteSectionsPartsList(checked->request, checked->sections->sections, options));
  }
  if (const auto error = storage::WriteExportedFile(path, bytes)) {
    ReportError(error->caption + QLatin1Char('\n') + error->text);
  }
}

void TFormMain::WriteExport(ExportKind kind) {
  if (ControlsNeedSections()) {
    WriteSectionsExport(kind);
    return;
  }
  const std::optional<report::ReportContent> design = CheckedShownDesign();
  if (!design) return;
  const ExportFileKind fileKind = FileKindOf(kind);
  QString path = exportFileChooser_ ? exportFileChooser_(kind)
                                    : QFileDialog::getSaveFileName(this, QString(), SuggestedExportName(kind),
                                                                   QString::fromUtf8(fileKind.filter));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + QLatin1String(fileKind.suffix);

  QByteArray bytes;
  if (kind == ExportKind::kSpice) {
    exports::NetlistOptions options;
    options.fStartHz = design->fStartHz;
    options.fStopHz = design->fTopHz;
    options.date = design->created.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    options.series = design->series;
    options.opamp = design->opamp;
    // The op-amp's noise and the temperature of the noise fields: the
    // window's, else the stored ones.
    if (FormAnalysis && FormAnalysis->OpAmp()) {
      double temperature = response::kDefaultTemperatureC;
      if (FormAnalysis->OpAmp()->Noise()->Read(options.opamp, temperature)) options.temperatureC = temperature;
    } else {
      options.temperatureC = ApplyStoredNoise(settingsStore_, options.opamp);
    }
    bytes = Bytes(exports::WriteSpiceNetlist(design->request, design->parts, options));
  } else if (kind == ExportKind::kPartsList) {
    exports::PartsListOptions options;
    options.series = design->series;
    options.resistorTolerance = design->resistorTolerance;
    options.capacitorTolerance = design->capacitorTolerance;
    bytes = Bytes(exports::WritePartsList(design->request, design->parts, options));
  } else {
    bytes = report::ReportPdf(*design);
  }
  if (const auto error = storage::WriteExportedFile(path, bytes)) {
    ReportError(error->caption + QLatin1Char('\n') + error->text);
  }
}

QString TFormMain::SuggestedExportName(ExportKind kind) const {
  return SuggestedFileName(ShownSheet()) + QLatin1Char('.') + QLatin1String(FileKindOf(kind).suffix);
}

void TFormMain::menuExportSpiceClick() { WriteExport(ExportKind::kSpice); }
void TFormMain::menuExportPartsListClick() { WriteExport(ExportKind::kPartsList); }
void TFormMain::menuExportReportClick() { WriteExport(ExportKind::kReport); }

void TFormMain::menuPrintClick() {
  std::optional<report::ReportContent> design;
  if (ControlsNeedSections()) {
    // The pages of the sections' report, as "設計レポート (PDF)" writes them.
    WarningSinkAdapter sink(warnings);
    const std::optional<CheckedCurve> checked = CheckCurve(sink, ShownAxisChoices(), SourceOfControls()).curve;
    if (!checked || !checked->sections) return;
    const bool chartPageRange = FormAnalysis
                                    ? FormAnalysis->FrequencyRangeChoice() == TFormAnalysis::FrequencyRange::kChartPage
                                    : storage::LoadChartPageRange(settingsStore_);
    design = SectionsReport(*this, *checked, chartPageRange,
                            engine::CheckSeriesTexts(response::SectionSeriesTexts(seriesTexts_)).choice);
  } else {
    design = CheckedShownDesign();
  }
  if (!design) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromUtf8("設計レポート ") + design->sheetName);
  if (printDialogRunner_) {
    if (!printDialogRunner_(printer)) return;
  } else {
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
  }
  report::PaintReport(printer, *design);
}

}  // namespace kelvara::app
