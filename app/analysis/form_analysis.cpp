#include "app/analysis/form_analysis.h"

#include <qcustomplot.h>

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "app/analysis/analysis_export.h"
#include "app/analysis/analysis_texts.h"
#include "app/analysis/tolerance_panel.h"
#include "app/analysis/window_place.h"
#include "app/common/application.h"
#include "app/main_window/chart_texts.h"
#include "app/main_window/form_main.h"
#include "app/main_window/response_chart.h"
#include "engine/sheet_inputs.h"
#include "values/section_record.h"
#include "values/sheet_checks.h"

namespace kelvara::app {
namespace {

constexpr QSize kDefaultSize(940, 640);
// Beside the main window the window may be this small rather than cover it.
constexpr int kMinimumWidth = 600;
constexpr int kMinimumHeight = 450;
constexpr double kFrequencyStep = TFormAnalysis::kViewFrequencyStep;
constexpr int kTimePoints = TFormAnalysis::kViewTimePoints;
constexpr PlotKind kPlotKinds[] = {PlotKind::kGain, PlotKind::kPhase,   PlotKind::kDelay,
                                   PlotKind::kStep, PlotKind::kImpulse, PlotKind::kPoles};
constexpr const char* kPlotTabs[] = {analysis_text::kTabGain, analysis_text::kTabPhase,   analysis_text::kTabDelay,
                                     analysis_text::kTabStep, analysis_text::kTabImpulse, analysis_text::kTabPoles};
constexpr const char* kPlotNames[] = {"PlotGain", "PlotPhase", "PlotDelay", "PlotStep", "PlotImpulse", "PlotPoles"};

/// Collects the warnings of the checks as lines "caption: text", with the
/// sheet's name in front for a compared sheet.
class CollectingSink final : public values::WarningSink {
 public:
  CollectingSink(QStringList& lines, QString prefix) : lines_(lines), prefix_(std::move(prefix)) {}
  void Warn(const std::string& caption, const std::string& text) override {
    lines_ << prefix_ + QString::fromStdString(caption) + QStringLiteral(": ") + QString::fromStdString(text);
  }

 private:
  QStringList& lines_;
  QString prefix_;
};

// The table as it is shown, its headers first (a sheet of sections, whose
// columns are its own).
std::string ShownTableCsv(const QTableWidget& table) {
  const auto cell = [](QString text) {
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))) {
      text = QLatin1Char('"') + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + QLatin1Char('"');
    }
    return text;
  };
  QStringList lines;
  QStringList row;
  for (int c = 0; c < table.columnCount(); ++c) {
    const QTableWidgetItem* h = table.horizontalHeaderItem(c);
    row << cell(h ? h->text() : QString());
  }
  lines << row.join(QLatin1Char(','));
  for (int r = 0; r < table.rowCount(); ++r) {
    row.clear();
    for (int c = 0; c < table.columnCount(); ++c) {
      const QTableWidgetItem* item = table.item(r, c);
      row << cell(item ? item->text() : QString());
    }
    lines << row.join(QLatin1Char(','));
  }
  return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toStdString();
}

QString SheetName(int sheet) { return QString(chart_text::kCurveTitle) + QString::number(sheet + 1); }

// The views of a design whose part inputs pass the checks of "ｆ特描画".
std::optional<response::AnalysisViews> Evaluate(values::WarningSink& sink, const engine::DesignRequest& request,
                                                const engine::PartInputs& inputs, double fStart, double fTop,
                                                engine::ComponentSet* read = nullptr) {
  engine::ComponentSet local;
  engine::ComponentSet& parts = read ? *read : local;
  bool ok = response::ReadComponentValues(sink, request, inputs, parts);
  if (!response::CheckFixedParts(sink, request, parts)) ok = false;
  if (!ok) return std::nullopt;
  return response::ComputeViews(request, parts, fStart, fTop, kTimePoints, kFrequencyStep);
}

}  // namespace

TFormAnalysis::TFormAnalysis(TFormMain& form, storage::SettingsStore& store)
    : QWidget(&form, Qt::Window), form_(form), store_(store) {
  setObjectName(QStringLiteral("FormAnalysis"));
  setWindowTitle(QString(analysis_text::kWindowTitle));
  timer_.setSingleShot(true);
  timer_.setInterval(kCoalesceMs);
  connect(&timer_, &QTimer::timeout, this, [this] { RunGuarded([this] { Refresh(); }); });
  chooseFile_ = [this](ExportKind kind) {
    const char* filter = kind == ExportKind::kPng   ? analysis_text::kPngFilter
                         : kind == ExportKind::kPdf ? analysis_text::kPdfFilter
                                                    : analysis_text::kCsvFilter;
    return QFileDialog::getSaveFileName(this, QString(analysis_text::kSaveCaption), QString(), QString(filter));
  };
  BuildLayout();
  ConnectSources();
  resize(kDefaultSize);
  if (storage::LoadChartPageRange(store_)) {
    frequencyRange_ = FrequencyRange::kChartPage;
  }
}

TFormAnalysis::~TFormAnalysis() {
  if (isVisible()) RememberGeometry();
}

void TFormAnalysis::BuildLayout() {
  auto* layout = new QVBoxLayout(this);
  messages_ = new QLabel(this);
  messages_->setObjectName(QStringLiteral("LabelMessages"));
  messages_->setStyleSheet(QStringLiteral("color: #b00000;"));
  messages_->setWordWrap(true);
  messages_->hide();
  overlay_ = new QCheckBox(QString(analysis_text::kOverlay), this);
  overlay_->setObjectName(QStringLiteral("CBox_Overlay"));
  views_ = new QTabWidget(this);
  views_->setObjectName(QStringLiteral("PageViews"));
  layout->addWidget(overlay_);
  BuildOpAmpPanel(layout);
  layout->addWidget(messages_);
  layout->addWidget(views_, 1);

  auto* tablePage = new QWidget(views_);
  auto* tableLayout = new QVBoxLayout(tablePage);
  table_ = new QTableWidget(tablePage);
  table_->setObjectName(QStringLiteral("TableStages"));
  table_->setColumnCount(static_cast<int>(std::size(analysis_text::kColumns)));
  QStringList headers;
  for (const char* h : analysis_text::kColumns) headers << QString(h);
  table_->setHorizontalHeaderLabels(headers);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setStretchLastSection(true);
  summary_ = new QLabel(tablePage);
  summary_->setObjectName(QStringLiteral("LabelSummary"));
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  tableLayout->addWidget(table_, 1);
  tableLayout->addWidget(summary_);
  views_->addTab(tablePage, QString(analysis_text::kTabTable));
  table_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(table_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { OpenViewMenu(std::nullopt, table_, pos); });

  for (int k = 0; k < 6; ++k) {
    auto* plot = new QCustomPlot(views_);
    plot->setObjectName(QString::fromLatin1(kPlotNames[k]));
    SetUpAnalysisPlot(*plot, kPlotKinds[k]);
    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(plot, &QWidget::customContextMenuRequested, this,
            [this, k, plot](const QPoint& pos) { OpenViewMenu(kPlotKinds[k], plot, pos); });
    plots_[k] = plot;
    tracers_[k] = new PlotTracer(*plot, kPlotKinds[k]);
    views_->addTab(plot, QString(kPlotTabs[k]));
  }
  tolerance_ = new TolerancePanel(store_, views_);
  views_->addTab(tolerance_, QStringLiteral("公差解析"));
  connect(tolerance_, &TolerancePanel::ResultChanged, this, [this] { ScheduleRefresh(); });
  BuildNoisePages();
}

void TFormAnalysis::ConnectSources() {
  auto schedule = [this] { ScheduleRefresh(); };
  connect(form_.TabDesign->Tabs(), &QTabBar::currentChanged, this, schedule);
  connect(form_.Edit_Frequency, &QLineEdit::textChanged, this, schedule);
  for (QComboBox* box : {form_.CBox_HPFLPF, form_.CBox_Jisuu, form_.CBox_gensui, form_.CBox_XBig, form_.CBox_Xsmall,
                         form_.CBox_Circuit, form_.CBox_ripple, form_.CBox_StageOrder}) {
    connect(box, &QComboBox::currentIndexChanged, this, schedule);
  }
  // A sheet of sections: its gain, bandwidth, stage gains and part table.
  for (QLineEdit* edit : {form_.Edit_Gain, form_.Edit_Bandwidth, form_.Edit_StageGains}) {
    connect(edit, &QLineEdit::textChanged, this, schedule);
  }
  connect(form_.TableSectionParts, &QTableWidget::itemChanged, this, schedule);
  for (const PartGroup* groups : {form_.groupR.data(), form_.groupC.data()}) {
    for (int k = 0; k < TFormMain::kPartCount; ++k) {
      connect(groups[k].valueEdit, &QLineEdit::textChanged, this, schedule);
      connect(groups[k].fixButton, &QRadioButton::toggled, this, schedule);
    }
  }
  for (QCheckBox* box : form_.CBox_Sheet) connect(box, &QCheckBox::toggled, this, schedule);
  connect(overlay_, &QCheckBox::toggled, this, schedule);
  connect(opAmp_, &OpAmpPanel::Changed, this, schedule);
  connect(&form_, &TFormMain::sheetDesignChanged, this, schedule);
}

void TFormAnalysis::ShowAnalysis() {
  const bool first = !placed_;
  if (first) {
    ApplyRememberedGeometry();
    placed_ = true;
  }
  // Opened again from the menu, a minimised window comes back as it was.
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
  Refresh();
  if (first) KeepWhollyOnScreen();
}

void TFormAnalysis::KeepWhollyOnScreen() {
  // The views filled, the layout may ask for more room than when the window
  // was placed: the grown window must still lie on its screen.
  if (layout()) layout()->activate();
  const QRect frame = frameGeometry();
  const QRect client = geometry();
  const QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                         frame.bottom() - client.bottom());
  QList<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
  const int k = ScreenOf(frame, screens);
  if (k < 0) return;
  QRect wanted = frame;
  wanted.setSize(frame.size().expandedTo(minimumSizeHint().grownBy(margins)));
  const QRect fitted = FitOnScreen(wanted, screens[k]);
  if (fitted == frame) return;
  resize(fitted.size().shrunkBy(margins));
  move(fitted.topLeft());
}

void TFormAnalysis::ScheduleRefresh() {
  if (isVisible()) timer_.start();
}

void TFormAnalysis::ApplyRememberedGeometry() {
  const storage::AnalysisPlace place = storage::LoadAnalysisPlace(store_);
  const auto& [left, top, width, height] = place;
  std::optional<QRect> stored;
  if (left && top) {
    QSize size = kDefaultSize;
    if (width && height && *width >= 200 && *height >= 150 && *width <= 10000 && *height <= 10000) {
      size = QSize(*width, *height);
    }
    stored = QRect(QPoint(*left, *top), size);
  }
  // The op-amp panel first: what it restores sets the window's least size.
  RestoreOpAmp();
  Place(stored);
}

void TFormAnalysis::Place(const std::optional<QRect>& storedClient) {
  // The window has no frame yet: it will get one like the main window's.
  const QRect mainFrame = form_.frameGeometry();
  const QRect mainClient = form_.geometry();
  const QMargins frame(mainClient.left() - mainFrame.left(), mainClient.top() - mainFrame.top(),
                       mainFrame.right() - mainClient.right(), mainFrame.bottom() - mainClient.bottom());
  const auto grown = [&frame](QSize client) { return client.grownBy(frame); };
  std::optional<QRect> stored;
  if (storedClient) stored = QRect(storedClient->topLeft(), grown(storedClient->size()));
  QList<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
  // Never smaller than the layout allows: the window would grow again off
  // the place found for it.
  // The layout's least size as it will be once shown (the op-amp panel's
  // rows count too).
  if (layout()) layout()->activate();
  const QSize least = QSize(kMinimumWidth, kMinimumHeight).expandedTo(minimumSizeHint());
  if (stored) stored->setSize(stored->size().expandedTo(grown(least)));
  const QRect placed =
      PlaceBesideWindow(stored, mainFrame, screens, grown(kDefaultSize.expandedTo(least)), grown(least));
  resize(placed.size().shrunkBy(frame));
  move(placed.topLeft());
  if (QWindow* handle = windowHandle()) handle->setFramePosition(placed.topLeft());
}

void TFormAnalysis::RememberGeometry() {
  storage::SaveAnalysisPlace(store_, {pos().x(), pos().y(), width(), height()});
  RememberOpAmp();
}

void TFormAnalysis::closeEvent(QCloseEvent* event) {
  RememberGeometry();
  timer_.stop();
  tolerance_->StopAndWait();  // a run of a closed window ends with it
  QWidget::closeEvent(event);
}

void TFormAnalysis::ClearViews() {
  for (QCustomPlot* plot : plots_) {
    plot->clearGraphs();
    plot->clearItems();
  }
}

void TFormAnalysis::DrawSheet(const response::AnalysisViews& v, const QString& name, const QColor& color, bool main) {
  AddAnalysisCurve(*Plot(PlotKind::kGain), name, color, v.gain.x, v.gain.y);
  AddAnalysisCurve(*Plot(PlotKind::kPhase), name, color, v.phase.x, v.phase.y);
  AddAnalysisCurve(*Plot(PlotKind::kDelay), name, color, v.delay.x, v.delay.y);
  AddAnalysisCurve(*Plot(PlotKind::kStep), name, color, v.step.x, v.step.y);
  AddAnalysisCurve(*Plot(PlotKind::kImpulse), name, color, v.impulse.x, v.impulse.y);
  if (main && !v.step.x.empty()) {
    StepMarks marks;
    marks.overshootPercent = v.overshoot.percent;
    marks.overshootTimeS = v.overshoot.timeS;
    marks.finalValue = v.finalValue;
    const double excursion = v.stepGain * v.overshoot.percent / 100.0;
    marks.peakValue = v.diracWeight != 0.0 ? v.finalValue - excursion : v.finalValue + excursion;
    marks.settlingTimeS = v.settlingTimeS;
    MarkStep(*Plot(PlotKind::kStep), marks, color);
  }
  if (main) {
    AddPoles(*Plot(PlotKind::kPoles), v.poles, color);
  } else {
    AddPoles(*Plot(PlotKind::kPoles), v.poles, color, name);
  }
}

void TFormAnalysis::Refresh() {
  timer_.stop();
  QStringList problems;
  const ShownDesignSnapshot snapshot = form_.SnapshotShownDesign();
  ChooseFrequencies(snapshot, problems);
  ClearViews();
  const int shownSheet = snapshot.sheet;
  engine::ComponentSet shownParts;
  shownSections_.reset();
  sections_.reset();
  sectionsReal_.reset();
  if (snapshot.sections) {
    // A sheet of sections: its sections, never the hidden part groups.
    EvaluateShownSections(*snapshot.sections, problems);
  } else {
    CollectingSink sink(problems, QString());
    shownRequest_ = snapshot.request;
    shown_ = Evaluate(sink, shownRequest_, snapshot.parts, fStart_, fTop_, &shownParts);
  }
  SetTableColumns(sections_.has_value());
  // The compared sheets first, so that every time curve spans the longest
  // settled span of the designs shown together.
  struct Compared {
    int sheet;
    std::int32_t color;
    engine::DesignRequest request;
    engine::ComponentSet parts;
    std::optional<response::SheetSections> sections;
    response::AnalysisViews views;
  };
  std::vector<Compared> compared;
  if (overlay_->isChecked()) {
    for (const ShownDesignSnapshot::Compared& sheet : snapshot.compared) {
      const QString prefix = SheetName(sheet.sheet) + QStringLiteral(": ");
      // As "ｆ特比較": from the sheet's record.
      if (values::IsSectionRecord(sheet.record)) {
        if (const auto problem = values::ValidateSectionRecord(sheet.record)) {
          problems << prefix + QString::fromStdString(problem->text);
          continue;
        }
        auto read =
            response::ReadSheetSections(response::SectionChoicesOf(sheet.record), values::SectionLinesOf(sheet.record));
        if (const auto* problem = values::ProblemOf(read)) {
          problems << prefix + QString::fromStdString(problem->message);
          continue;
        }
        auto& sections = std::get<response::SheetSections>(read);
        response::SectionViews views =
            response::ComputeSectionViews(sections, fStart_, fTop_, kTimePoints, kFrequencyStep);
        compared.push_back(
            {sheet.sheet, sheet.color, sections.sheet.request, {}, std::move(sections), std::move(views.views)});
        continue;
      }
      if (const auto problem = values::ValidateSheetRecord(sheet.record)) {
        problems << prefix + QString::fromStdString(problem->text);
        continue;
      }
      const engine::SheetInputs inputs = engine::InputsFromRecord(sheet.record);
      CollectingSink sink(problems, prefix);
      const engine::DesignRequest request = engine::RequestOf(inputs);
      engine::ComponentSet parts;
      if (auto views = Evaluate(sink, request, inputs.parts, fStart_, fTop_, &parts)) {
        compared.push_back({sheet.sheet, sheet.color, request, parts, std::nullopt, std::move(*views)});
      }
    }
  }
  double span = shown_ ? shown_->settledSpanS : 0.0;
  for (const Compared& c : compared) span = std::max(span, c.views.settledSpanS);
  if (shown_ && shown_->settledSpanS < span) {
    if (shownSections_) {
      response::SpanSectionTimeCurves(*shownSections_, span, *shown_, kTimePoints);
    } else {
      response::SpanTimeCurves(shownRequest_, shownParts, span, *shown_, kTimePoints);
    }
  }
  for (Compared& c : compared) {
    if (c.views.settledSpanS >= span) continue;
    if (c.sections) {
      response::SpanSectionTimeCurves(*c.sections, span, c.views, kTimePoints);
    } else {
      response::SpanTimeCurves(c.request, c.parts, span, c.views, kTimePoints);
    }
  }
  real_.reset();
  if (shown_) {
    // Among the compared sheets the shown one takes its sheet colour, as in
    // "ｆ特比較"; alone the colour of "ｆ特描画".
    const std::int32_t color = overlay_->isChecked() ? snapshot.sheetColor : snapshot.chartColor;
    const QString name = SheetName(shownSheet);
    if (sections_) {
      const bool real = DrawSectionsRealOpAmp(name, ColorOfSetting(color));
      DrawSheet(*shown_, name, ColorOfSetting(color), true);
      if (real) DashIdealCurves(name);
      DrawSectionsTolerance(ColorOfSetting(color));
      FillSectionTable();
      DrawSectionsNoise(ColorOfSetting(color));
      AddSectionLimits(problems);
    } else {
      const bool real = DrawRealOpAmp(shownParts, name, ColorOfSetting(color));
      DrawSheet(*shown_, name, ColorOfSetting(color), true);
      if (real) DashIdealCurves(name);
      DrawTolerance(shownParts, ColorOfSetting(color));
      FillTable(*shown_, shownRequest_.cutoffHz, shownRequest_.passKind == engine::kHpf);
      FillOpAmpTable();
      DrawNoise(&shownParts, ColorOfSetting(color));
    }
  } else {
    table_->setRowCount(0);
    summary_->clear();
    tolerance_->SetDesign(std::nullopt, fStart_, fTop_);
    DrawNoise(nullptr, QColor());
  }
  for (const Compared& c : compared) {
    DrawSheet(c.views, SheetName(c.sheet), ColorOfSetting(c.color), false);
  }
  messages_->setText(problems.join(QLatin1Char('\n')));
  messages_->setVisible(!problems.isEmpty());
  for (int k = 0; k < 6; ++k) FinishAnalysisPlot(*plots_[k], kPlotKinds[k], fStart_, fTop_);
  PlaceLegendOverStopBand(*Plot(PlotKind::kGain), shownRequest_.passKind == engine::kHpf);
  MarkStopbandFloor();
}

// The shown design to the tolerance page, and its bands and mask (when the
// page's last result is of this design) behind the curves.
void TFormAnalysis::DrawTolerance(const engine::ComponentSet& parts, const QColor& color) {
  tolerance::ToleranceDesign design;
  design.request = shownRequest_;
  design.parts = parts;
  if (opAmp_->RealSelected()) {
    if (const auto model = opAmp_->Model()) design.opamp = *model;
  }
  tolerance_->SetDesign(design, fStart_, fTop_);
  const bool hpf = shownRequest_.passKind == engine::kHpf;
  if (const tolerance::MonteCarloResult* r = tolerance_->Result())
    DrawToleranceBands(*Plot(PlotKind::kGain), *Plot(PlotKind::kPhase), *Plot(PlotKind::kDelay), *r, color);
  if (const FailingCurves* failing = tolerance_->Failing()) DrawFailingCurves(*Plot(PlotKind::kGain), *failing);
  if (const auto mask = tolerance_->MaskSetting()) DrawMask(*Plot(PlotKind::kGain), *mask, hpf, fStart_, fTop_);
}

void TFormAnalysis::OpenViewMenu(std::optional<PlotKind> view, QWidget* on, const QPoint& pos) {
  QMenu menu(this);
  if (view) {
    connect(menu.addAction(QString(analysis_text::kSavePng)), &QAction::triggered, this,
            [this, view] { SaveView(view, ExportKind::kPng); });
    connect(menu.addAction(QString(analysis_text::kSavePdf)), &QAction::triggered, this,
            [this, view] { SaveView(view, ExportKind::kPdf); });
    connect(menu.addAction(QString(analysis_text::kSaveCsv)), &QAction::triggered, this,
            [this, view] { SaveView(view, ExportKind::kCsv); });
    menu.addSeparator();
    connect(menu.addAction(QString(analysis_text::kResetView)), &QAction::triggered, this, [this, view] {
      QCustomPlot* plot = Plot(*view);
      if (ResetAnalysisView(*plot)) plot->replot();
    });
  } else {
    connect(menu.addAction(QString(analysis_text::kSaveTableCsv)), &QAction::triggered, this,
            [this] { SaveView(std::nullopt, ExportKind::kCsv); });
  }
  if (view == PlotKind::kGain || view == PlotKind::kPhase || view == PlotKind::kDelay) AddFrequencyRangeActions(menu);
  menu.exec(on->mapToGlobal(pos));
}

void TFormAnalysis::SaveView(std::optional<PlotKind> view, ExportKind kind) {
  if (!view && kind != ExportKind::kCsv) return;
  QString path = chooseFile_(kind);
  if (path.isEmpty()) return;
  const char* suffix = kind == ExportKind::kPng ? ".png" : kind == ExportKind::kPdf ? ".pdf" : ".csv";
  if (QFileInfo(path).suffix().isEmpty()) path += QString::fromLatin1(suffix);
  bool ok = true;
  if (kind != ExportKind::kCsv) {
    ok = SaveChart(*Plot(*view), path, kind == ExportKind::kPng ? ChartFileKind::kPng : ChartFileKind::kPdf);
  } else if (shown_) {
    std::string csv;
    if (!view) {
      csv = sections_ ? ShownTableCsv(*table_)
                      : TableCsv(*shown_, shownRequest_.cutoffHz, shownRequest_.passKind == engine::kHpf);
    } else {
      switch (*view) {
        case PlotKind::kGain:
          csv = CurveCsv("frequency_hz,gain_db", shown_->gain);
          break;
        case PlotKind::kPhase:
          csv = CurveCsv("frequency_hz,phase_deg", shown_->phase);
          break;
        case PlotKind::kDelay:
          csv = CurveCsv("frequency_hz,delay_s", shown_->delay);
          break;
        case PlotKind::kStep:
          csv = CurveCsv("time_s,step", shown_->step);
          break;
        case PlotKind::kImpulse:
          csv = CurveCsv("time_s,impulse", shown_->impulse);
          break;
        case PlotKind::kPoles:
          csv = PolesCsv(shown_->poles);
          break;
      }
    }
    ok = WriteCsvFile(path, csv);
  }
  if (!ok) ReportError(QString(analysis_text::kSaveFailed).arg(QDir::toNativeSeparators(path)));
}

}  // namespace kelvara::app
