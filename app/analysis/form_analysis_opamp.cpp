// The op-amp panel of the analysis window: the real op-amp's curves over the
// ideal ones (dashed), its columns in the evaluation table and the stop-band
// floor in the summary. Compared sheets keep their ideal curves.

#include <qcustomplot.h>

#include <QLayout>
#include <cmath>

#include "app/analysis/analysis_texts.h"
#include "app/analysis/form_analysis.h"
#include "app/analysis/label_place.h"

namespace kelvara::app {
namespace {

constexpr PlotKind kCurveKinds[] = {PlotKind::kGain, PlotKind::kPhase, PlotKind::kDelay, PlotKind::kStep,
                                    PlotKind::kImpulse};

QString Hz(double v) { return std::isfinite(v) ? SiText(v, 5) + QStringLiteral("Hz") : QStringLiteral("-"); }
QString Db(double v) { return std::isfinite(v) ? QString::asprintf("%+.4f dB", v) : QStringLiteral("-"); }
// The floor lies 100 dB and more down: a tenth of a decibel and three
// digits of its frequency say all there is to it.
QString FloorText(const response::StopbandFloor& floor) {
  return QString(analysis_text::kStopbandFloor)
      .arg(QString::asprintf("%.1f dB", floor.db), SiText(floor.hz, 3) + QStringLiteral("Hz"));
}

QString ShiftHz(double v) {
  if (!std::isfinite(v)) return QStringLiteral("-");
  return (v > 0 ? QStringLiteral("+") : QString()) + SiText(v, 4) + QStringLiteral("Hz");
}

}  // namespace

void TFormAnalysis::BuildOpAmpPanel(QLayout* layout) {
  opAmp_ = new OpAmpPanel(this);
  layout->addWidget(opAmp_);
}

void TFormAnalysis::RestoreOpAmp() {
  const storage::OpAmpChoice choice = storage::LoadOpAmp(store_);
  response::OpAmpTexts texts;
  if (choice.gbwHz) texts.gbwHz = choice.gbwHz->toStdString();
  if (choice.a0Db) texts.a0Db = choice.a0Db->toStdString();
  if (choice.routOhm) texts.routOhm = choice.routOhm->toStdString();
  opAmp_->SetTexts(texts);
  opAmp_->SetReal(choice.real);
  RestoreNoise();
}

void TFormAnalysis::RememberOpAmp() {
  const response::OpAmpTexts texts = opAmp_->Texts();
  storage::SaveOpAmp(store_, {opAmp_->RealSelected(), QString::fromStdString(texts.gbwHz),
                              QString::fromStdString(texts.a0Db), QString::fromStdString(texts.routOhm)});
  RememberNoise();
}

bool TFormAnalysis::DrawRealOpAmp(const engine::ComponentSet& parts, const QString& name, const QColor& color) {
  const std::optional<response::OpAmpModel> model = opAmp_->Model();
  if (!model || !shown_) return false;
  real_ = response::ComputeOpAmpViews(shownRequest_, parts, *model, *shown_);
  if (!real_) return false;  // the ideal op-amp
  const QString title = name + QString(analysis_text::kRealSuffix);
  const response::Curve* curves[] = {&real_->gain, &real_->phase, &real_->delay, &real_->step, &real_->impulse};
  for (int k = 0; k < 5; ++k) AddAnalysisCurve(*Plot(kCurveKinds[k]), title, color, curves[k]->x, curves[k]->y);
  return true;
}

void TFormAnalysis::DashIdealCurves(const QString& name) {
  for (PlotKind kind : kCurveKinds) {
    QCustomPlot* plot = Plot(kind);
    if (plot->graphCount() < 2) continue;
    QCPGraph* ideal = plot->graph(plot->graphCount() - 1);
    QPen pen = ideal->pen();
    pen.setStyle(Qt::DashLine);
    pen.setWidthF(1.0);
    ideal->setPen(pen);
    ideal->setName(name + QString(analysis_text::kIdealSuffix));
  }
}

void TFormAnalysis::FillOpAmpTable() {
  const int base = static_cast<int>(std::size(analysis_text::kColumns));
  if (!real_) {
    table_->setColumnCount(base);
    return;
  }
  table_->setColumnCount(base + static_cast<int>(std::size(analysis_text::kOpAmpColumns)));
  int c = base;
  for (const char* h : analysis_text::kOpAmpColumns)
    table_->setHorizontalHeaderItem(c++, new QTableWidgetItem(QString(h)));
  int row = 0;
  for (const response::OpAmpStageReport& s : real_->opAmpStages) {
    if (row >= table_->rowCount()) break;
    const QString cells[] = {Hz(s.gbwMinHz), QString(s.gbwMet ? analysis_text::kGbwMet : analysis_text::kGbwShort),
                             Db(s.gainErrorDbAtF0), Db(s.peakDb), ShiftHz(s.peakShiftHz)};
    for (int k = 0; k < static_cast<int>(std::size(cells)); ++k) {
      auto* item = new QTableWidgetItem(cells[k]);
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (k == 1 && !s.gbwMet) item->setForeground(QColor(176, 0, 0));
      table_->setItem(row, base + k, item);
    }
    ++row;
  }
  FitTableColumns();

  const response::OpAmpModel model = *opAmp_->Model();
  QString line = QString(analysis_text::kOpAmpSummary)
                     .arg(SiText(model.gbwHz, 4), QString::number(model.a0Db, 'g', 5), SiText(model.routOhm, 4));
  if (shownRequest_.passKind == engine::kLpf) {
    line += QStringLiteral("    ");
    line += real_->floor ? FloorText(*real_->floor) : QString(analysis_text::kNoStopbandFloor);
  }
  if (real_->diracWeight != 0.0) {
    line += QStringLiteral("\n") + QString(analysis_text::kRealDirac).arg(QString::number(real_->diracWeight, 'g', 5));
  }
  summary_->setText(summary_->text() + QStringLiteral("\n") + line);
}

void TFormAnalysis::MarkStopbandFloor() {
  if (!real_ || !real_->floor) return;
  QCustomPlot* plot = Plot(PlotKind::kGain);
  const response::StopbandFloor& floor = *real_->floor;
  if (floor.hz < plot->xAxis->range().lower || floor.hz > plot->xAxis->range().upper) return;
  if (floor.db < plot->yAxis->range().lower + 5) {
    plot->yAxis->setRangeLower(floor.db - 10);
    KeepAnalysisFrame(*plot);  // the frame holds the floor
  }
  const QColor color = plot->graph(0)->pen().color();
  auto* dot = new QCPItemTracer(plot);
  dot->setStyle(QCPItemTracer::tsCircle);
  dot->setSize(7);
  dot->setPen(QPen(color, 1.5));
  dot->position->setCoords(floor.hz, floor.db);
  AddClearLabel(*plot, floor.hz, floor.db, FloorText(floor), color);
  plot->replot();
}

}  // namespace kelvara::app
