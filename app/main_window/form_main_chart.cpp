// The response chart: "ｆ特描画" plots the shown sheet, "ｆ特比較" overlays
// the ticked sheets, and "色の設定" sets the curve colours. The pop-up menu
// of the chart also saves it as a PNG or PDF file.

#include <qcustomplot.h>

#include <QDir>
#include <QFileInfo>

#include "app/common/application.h"
#include "app/main_window/chart_texts.h"
#include "app/main_window/form_main.h"
#include "app/main_window/section_texts.h"
#include "engine/run_checks.h"
#include "engine/sheet_inputs.h"
#include "values/eng_value.h"
#include "values/sheet_checks.h"

namespace kelvara::app {

namespace {

/// Set on an editable Y box while its text is the user's typing rather than
/// an item picked from its list.
constexpr char kTypedOver[] = "kelvaraTypedOver";

/// Typing into a Y box leaves no list item selected until the user picks
/// one from the list, even when the typed text equals an item: Qt's own
/// selection of the matching item when the edit loses the focus is turned
/// off, so each pick from the list (and only a pick) selects an item.
void KeepTypingApartFromTheList(QComboBox* box) {
  // A number typed into a Y box is taken as typed: completing "-4" to the
  // list item "-40" would silently change the axis.
  box->setCompleter(nullptr);
  QObject::disconnect(box->lineEdit(), &QLineEdit::editingFinished, box, nullptr);
  QObject::connect(box->lineEdit(), &QLineEdit::textEdited, box, [box] { box->setProperty(kTypedOver, true); });
  QObject::connect(box, &QComboBox::activated, box, [box] { box->setProperty(kTypedOver, false); });
}

/// The list position a combo box shows. Typing over an editable box leaves
/// no item of its list selected, even where Qt keeps the last index.
int ShownListPos(const QComboBox* box) {
  if (box->property(kTypedOver).toBool()) return -1;
  const int pos = box->currentIndex();
  return pos >= 0 && box->itemText(pos) == box->currentText() ? pos : -1;
}

QString CurveTitle(int sheet) { return QString(chart_text::kCurveTitle) + QString::number(sheet + 1); }

/// Redraws the chart once when a command ends, however it ends.
class RedrawAtEnd {
 public:
  explicit RedrawAtEnd(QCustomPlot& chart) : chart_(chart) {}
  ~RedrawAtEnd() { FinishChart(chart_); }
  RedrawAtEnd(const RedrawAtEnd&) = delete;
  RedrawAtEnd& operator=(const RedrawAtEnd&) = delete;

 private:
  QCustomPlot& chart_;
};

CurveSource SourceOfRecord(const values::SheetRecord& record) {
  if (values::IsSectionRecord(record)) {
    return {{}, {}, SectionCurveSource{response::SectionChoicesOf(record), values::SectionLinesOf(record)}};
  }
  const engine::SheetInputs inputs = engine::InputsFromRecord(record);
  return {engine::RequestOf(inputs), inputs.parts, std::nullopt};
}

}  // namespace

void TFormMain::CreateResponseChart() {
  SetUpResponseChart(*Chart1);
  KeepTypingApartFromTheList(CBox_YBig);
  KeepTypingApartFromTheList(CBox_Ysmall);

  PopupMenu1->addSeparator();
  popUpSavePng_ = PopupMenu1->addAction(QString(chart_text::kSavePng));
  popUpSavePng_->setObjectName(QStringLiteral("PopUP_savePng"));
  popUpSavePdf_ = PopupMenu1->addAction(QString(chart_text::kSavePdf));
  popUpSavePdf_->setObjectName(QStringLiteral("PopUP_savePdf"));
  ConnectHandler(popUpSavePng_, &QAction::triggered, this, &TFormMain::PopUP_savePngClick);
  ConnectHandler(popUpSavePdf_, &QAction::triggered, this, &TFormMain::PopUP_savePdfClick);
  // Saving belongs to the chart; on a sheet's check box the menu only sets
  // the colour.
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] {
    const bool onChart = PopupComponent == Chart1;
    for (QAction* action : PopupMenu1->actions()) {
      if (action != PopUP_color) action->setVisible(onChart);
    }
  });

  chartChoosers_.chooseColor = [this]() -> std::optional<QColor> {
    // The dialog starts from the colour last chosen in it, not from one it
    // was merely showing when cancelled.
    const QColor start = ColorDialog1->currentColor();
    if (ColorDialog1->exec() == QDialog::Accepted) return ColorDialog1->selectedColor();
    ColorDialog1->setCurrentColor(start);
    return std::nullopt;
  };
  chartChoosers_.chooseFile = [this](ChartFileKind kind) {
    const bool png = kind == ChartFileKind::kPng;
    return QFileDialog::getSaveFileName(this, QString(chart_text::kSaveCaption), QString(),
                                        QString(png ? chart_text::kPngFilter : chart_text::kPdfFilter));
  };
}

void TFormMain::SetChartChoosers(ChartChoosers choosers) {
  // An empty member keeps the dialog.
  if (choosers.chooseColor) chartChoosers_.chooseColor = std::move(choosers.chooseColor);
  if (choosers.chooseFile) chartChoosers_.chooseFile = std::move(choosers.chooseFile);
}

CurveSource TFormMain::SourceOfControls() const {
  if (ControlsNeedSections()) return {{}, {}, SectionCurveSource{CaptureSectionChoices(), CaptureSectionLines()}};
  return {CaptureDesignRequest(), CapturePartInputs(), std::nullopt};
}

AxisChoices TFormMain::ShownAxisChoices() const {
  return {CBox_YBig->currentText(),  ShownListPos(CBox_YBig), CBox_Ysmall->currentText(),
          ShownListPos(CBox_Ysmall), ShownListPos(CBox_XBig), ShownListPos(CBox_Xsmall)};
}

bool TFormMain::PlotSheetResponse(QCPGraph* curve, std::int32_t color, const CurveSource& source) {
  WarningSinkAdapter sink(warnings);
  return PlotResponse(sink, *Chart1->yAxis, ShownAxisChoices(), source, *curve, ColorOfSetting(color));
}

bool TFormMain::ShowSheetCutoff(int sheet, const CurveSource& source) {
  WarningSinkAdapter sink(warnings);
  const ComparisonText reading = ComparisonReading(sink, source);
  Edit_Cutoff[sheet]->setText(QString::fromStdString(reading.text));
  // A band-pass reading is the centre and the bandwidth, told in full when
  // the pointer rests on it.
  if (source.sections) {
    const QStringList full = QString::fromStdString(reading.full).split(QLatin1Char('/'));
    Edit_Cutoff[sheet]->setToolTip(full.size() == 2 ? QString(section_text::kBandReading).arg(full[0], full[1])
                                                    : QString());
  }
  return true;
}

void TFormMain::ButtonFreqClick() {
  RedrawAtEnd redraw(*Chart1);
  // The old curves go before any warning box can appear over them.
  Chart1->clearGraphs();
  Chart1->replot();
  QCPGraph* curve = AddCurve(*Chart1);
  PlotSheetResponse(curve, appSettings.chartColor, SourceOfControls());
  curve->setName(CurveTitle(ShownSheet()));
  StoreSheet(ShownSheet());
}

void TFormMain::ButtonFreq8Click() {
  RedrawAtEnd redraw(*Chart1);
  bool ok = true;
  Chart1->clearGraphs();
  Chart1->replot();
  StoreSheet(ShownSheet());
  for (int i = 0; i < kSheetCount; ++i) {
    Edit_Cutoff[i]->clear();
    Edit_Cutoff[i]->setToolTip(QString());
    if (!CBox_Sheet[i]->isChecked() || !ok) continue;
    // Each sheet is evaluated from a copy of its record, as loading it would
    // show it, instead of being loaded into the controls: a calculation run
    // may deliver its results into the controls while a warning box of this
    // comparison waits for the user, and the two must not mix.
    const values::SheetRecord record = sheets[i].empty() ? values::DefaultSheetRecord() : sheets[i];
    if (const auto problem = values::IsSectionRecord(record) ? values::ValidateSectionRecord(record)
                                                             : values::ValidateSheetRecord(record)) {
      ReportError(QString(chart_text::kRecordNotComparable)
                      .arg(QString::fromStdString(values::SheetTabName(i)), QString::fromStdString(problem->text)));
      ok = false;
      continue;
    }
    const CurveSource source = SourceOfRecord(record);
    QCPGraph* curve = AddCurve(*Chart1);
    ok = PlotSheetResponse(curve, appSettings.sheetColor[i], source);
    curve->setName(CurveTitle(i));
    if (ok) ok = ShowSheetCutoff(i, source);
  }
  LoadSheet(ShownSheet());
}

void TFormMain::PopUP_colorClick() {
  QWidget* component = PopupComponent;
  const std::optional<QColor> chosen = chartChoosers_.chooseColor();
  if (chosen && component) {
    if (auto* check = qobject_cast<QCheckBox*>(component)) {
      QPalette palette = check->palette();
      palette.setColor(QPalette::WindowText, *chosen);
      check->setPalette(palette);
    } else if (component == Chart1) {
      appSettings.chartColor = SettingOfColor(*chosen);
    }
  }
  for (int i = 0; i < kSheetCount; ++i) {
    appSettings.sheetColor[i] = SettingOfColor(CBox_Sheet[i]->palette().color(QPalette::WindowText));
  }
}

void TFormMain::PopUP_savePngClick() { SaveChartAs(ChartFileKind::kPng); }
void TFormMain::PopUP_savePdfClick() { SaveChartAs(ChartFileKind::kPdf); }

void TFormMain::SaveChartAs(ChartFileKind kind) {
  QString path = chartChoosers_.chooseFile(kind);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += kind == ChartFileKind::kPng ? ".png" : ".pdf";
  if (!SaveChart(*Chart1, path, kind)) {
    ReportError(QString(chart_text::kSaveFailed).arg(QDir::toNativeSeparators(path)));
  }
}

}  // namespace kelvara::app
