#include "app/analysis/analysis_plots.h"

#include <qcustomplot.h>

#include <QVariant>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/analysis/analysis_texts.h"
#include "app/common/ui_texts.h"
#include "app/main_window/response_chart.h"

namespace kelvara::app {
namespace {

constexpr int kTextPixels = 12;
constexpr double kCurveWidth = 2;
// The gain view reaches this far below its highest point; the tracer and
// the CSV give every value.
constexpr double kGainViewSpanDb = 120;

// Stage colours of the pole view.
const QColor kStageColors[] = {QColor(200, 0, 0), QColor(0, 110, 200), QColor(0, 150, 0), QColor(170, 0, 170)};
const QCPScatterStyle::ScatterShape kStageShapes[] = {QCPScatterStyle::ssCross, QCPScatterStyle::ssPlus,
                                                      QCPScatterStyle::ssTriangle, QCPScatterStyle::ssDiamond};

// The ranges FinishAnalysisPlot set, kept on the plot (a dynamic property)
// for a reset after the user has zoomed or moved the view.
constexpr const char* kFrameProperty = "kelvaraFramedRanges";

QFont PlotFont() {
  QFont font{QString(text::kMincho)};
  font.setPixelSize(kTextPixels);
  return font;
}

class FrequencyLogTicker final : public QCPAxisTickerLog {
 protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override { return FrequencyTickLabel(tick); }
};

class SiTicker final : public QCPAxisTicker {
 protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    return SiText(std::fabs(tick) < 1e-12 * tickStep_ ? 0.0 : tick, 3);
  }
  double getTickStep(const QCPRange& range) override {
    tickStep_ = QCPAxisTicker::getTickStep(range);
    return tickStep_;
  }

 private:
  double tickStep_ = 1;
};

void StyleAxis(QCPAxis& axis, const char* title) {
  axis.setLabel(QString(title));
  axis.setLabelFont(PlotFont());
  axis.setTickLabelFont(PlotFont());
  axis.grid()->setPen(QPen(QColor(190, 190, 190), 1, Qt::SolidLine));
}

bool IsFrequencyPlot(PlotKind kind) {
  return kind == PlotKind::kGain || kind == PlotKind::kPhase || kind == PlotKind::kDelay;
}

// The value range of the visible curves, with a margin; a flat curve gets
// a range around its value.
void ScaleValues(QCustomPlot& plot, double maxSpan = 0) {
  bool found = false;
  QCPRange range;
  for (int i = 0; i < plot.graphCount(); ++i) {
    bool ok = false;
    const QCPRange r = plot.graph(i)->getValueRange(ok, QCP::sdBoth, plot.xAxis->range());
    if (!ok) continue;
    range = found ? QCPRange(std::min(range.lower, r.lower), std::max(range.upper, r.upper)) : r;
    found = true;
  }
  if (!found) return;
  if (maxSpan > 0 && range.size() > maxSpan) range.lower = range.upper - maxSpan;
  double span = range.size();
  if (!(span > 1e-9 * std::max(1.0, std::fabs(range.center())))) span = std::max(1e-3, std::fabs(range.center()) * 0.1);
  plot.yAxis->setRange(range.lower - 0.05 * span, range.upper + 0.05 * span);
}

// Both axes of the pole view to the same scale, so that angles read true,
// with every pole inside and the imaginary axis near the right edge; for
// the axis rectangle as it is laid out now (remembered, so that a later
// layout of the same size keeps what the user zoomed).
constexpr const char* kPoleRectProperty = "kelvaraPoleRect";

void EqualScalePoles(QCustomPlot& plot) {
  plot.setProperty(kPoleRectProperty, plot.axisRect()->rect().size());
  double reach = 0;
  for (int i = 0; i < plot.graphCount(); ++i) {
    for (auto it = plot.graph(i)->data()->constBegin(); it != plot.graph(i)->data()->constEnd(); ++it) {
      reach = std::max({reach, std::fabs(it->key), std::fabs(it->value)});
    }
  }
  if (reach == 0) reach = 1;
  const QRect rect = plot.axisRect()->rect();
  const double aspect = rect.height() > 0 && rect.width() > 0 ? double(rect.width()) / rect.height() : 1.0;
  double height = 2.2 * reach;
  double width = height * aspect;
  if (width < 1.3 * reach) {
    width = 1.3 * reach;
    height = width / aspect;
  }
  const double right = std::min(0.15 * reach + 0.5 * (width - 1.3 * reach), 0.5 * width);
  plot.xAxis->setRange(right - width, right);
  plot.yAxis->setRange(-height / 2, height / 2);
}

}  // namespace

QString SiText(double value, int digits) {
  if (value == 0 || !std::isfinite(value)) return QStringLiteral("0");
  static const struct {
    double factor;
    const char* prefix;
  } kPrefixes[] = {{1e9, "G"},  {1e6, "M"},       {1e3, "k"},  {1, ""},
                   {1e-3, "m"}, {1e-6, "\u00b5"}, {1e-9, "n"}, {1e-12, "p"}};
  const double magnitude = std::fabs(value);
  for (const auto& p : kPrefixes) {
    if (magnitude >= p.factor * 0.9995 || p.factor == 1e-12) {
      return QString::number(value / p.factor, 'g', digits) + QString::fromUtf8(p.prefix);
    }
  }
  return QString::number(value, 'g', digits);
}

QString FrequencyTickLabel(double hz) {
  // A decade tick is a power of ten: 1, 10, 100, 1k, 10k, ...; below 1 Hz
  // the plain decimal (0.1, 0.01).
  if (hz > 0 && hz < 0.9995) return QString::number(hz, 'g', 3);
  return SiText(hz, 3);
}

void PlaceLegendOverStopBand(QCustomPlot& plot, bool hpf) {
  plot.axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | (hpf ? Qt::AlignLeft : Qt::AlignRight));
}

void SetUpAnalysisPlot(QCustomPlot& plot, PlotKind kind) {
  plot.setBackground(Qt::white);
  // The wheel zooms both axes by one factor (the pole view keeps its equal
  // scale that way); elsewhere Ctrl with the wheel zooms the value axis
  // only and Shift the horizontal axis only, as a mask's corner or a band
  // of a few tenths of a dB needs.
  plot.setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  // A plot set up again (a view redrawn with another kind) keeps its one
  // pair of handlers; they read the kind it has now.
  plot.setProperty("kelvaraPlotKind", static_cast<int>(kind));
  if (!plot.property("kelvaraPlotHandlers").toBool()) {
    plot.setProperty("kelvaraPlotHandlers", true);
    QObject::connect(&plot, &QCustomPlot::mouseWheel, &plot, [&plot](QWheelEvent* event) {
      const bool poles = plot.property("kelvaraPlotKind").toInt() == static_cast<int>(PlotKind::kPoles);
      Qt::Orientations zoom = Qt::Horizontal | Qt::Vertical;
      if (!poles && event->modifiers() & Qt::ControlModifier) zoom = Qt::Vertical;
      if (!poles && event->modifiers() & Qt::ShiftModifier) zoom = Qt::Horizontal;
      plot.axisRect()->setRangeZoom(zoom);
    });
    QObject::connect(&plot, &QCustomPlot::mouseDoubleClick, &plot, [&plot](QMouseEvent*) {
      if (ResetAnalysisView(plot)) plot.replot();
    });
  }
  plot.legend->setVisible(true);
  plot.legend->setFont(PlotFont());
  plot.legend->setBrush(QColor(255, 255, 255, 220));
  plot.axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
  switch (kind) {
    case PlotKind::kGain:
    case PlotKind::kPhase:
    case PlotKind::kDelay: {
      plot.xAxis->setScaleType(QCPAxis::stLogarithmic);
      auto ticker = QSharedPointer<FrequencyLogTicker>::create();
      ticker->setLogBase(10);
      ticker->setSubTickCount(8);
      ticker->setTickCount(14);
      plot.xAxis->setTicker(ticker);
      plot.xAxis->grid()->setSubGridVisible(true);
      StyleAxis(*plot.xAxis, analysis_text::kAxisFrequency);
      const char* y = kind == PlotKind::kGain    ? analysis_text::kAxisGain
                      : kind == PlotKind::kPhase ? analysis_text::kAxisPhase
                                                 : analysis_text::kAxisDelay;
      StyleAxis(*plot.yAxis, y);
      if (kind == PlotKind::kDelay) plot.yAxis->setTicker(QSharedPointer<SiTicker>::create());
      if (kind == PlotKind::kGain) plot.legend->setVisible(true);
      break;
    }
    case PlotKind::kStep:
    case PlotKind::kImpulse:
      plot.xAxis->setTicker(QSharedPointer<SiTicker>::create());
      StyleAxis(*plot.xAxis, analysis_text::kAxisTime);
      StyleAxis(*plot.yAxis, kind == PlotKind::kStep ? analysis_text::kAxisStep : analysis_text::kAxisImpulse);
      if (kind == PlotKind::kImpulse) plot.yAxis->setTicker(QSharedPointer<SiTicker>::create());
      break;
    case PlotKind::kPoles:
      // The axis rectangle is known only once the plot is laid out (a view
      // on a hidden tab, a resized window): the scale follows every layout.
      QObject::connect(&plot, &QCustomPlot::afterLayout, &plot, [&plot] {
        if (plot.property(kPoleRectProperty).toSize() != plot.axisRect()->rect().size()) EqualScalePoles(plot);
      });
      plot.xAxis->setTicker(QSharedPointer<SiTicker>::create());
      plot.yAxis->setTicker(QSharedPointer<SiTicker>::create());
      StyleAxis(*plot.xAxis, analysis_text::kAxisReal);
      StyleAxis(*plot.yAxis, analysis_text::kAxisImag);
      break;
  }
}

QCPGraph* AddAnalysisCurve(QCustomPlot& plot, const QString& name, const QColor& color, const std::vector<double>& x,
                           const std::vector<double>& y) {
  QCPGraph* curve = plot.addGraph();
  curve->setName(name);
  curve->setAntialiased(true);
  curve->setPen(QPen(color, kCurveWidth));
  QVector<double> keys(x.begin(), x.end());
  QVector<double> values;
  values.reserve(static_cast<int>(y.size()));
  for (double v : y) values.push_back(std::isfinite(v) ? v : std::numeric_limits<double>::quiet_NaN());
  curve->setData(keys, values, true);
  return curve;
}

void MarkStep(QCustomPlot& plot, const StepMarks& marks, const QColor& color) {
  QPen dashed(color, 1, Qt::DashLine);
  if (marks.overshootPercent > 0) {
    auto* dot = new QCPItemTracer(&plot);
    dot->setStyle(QCPItemTracer::tsCircle);
    dot->setSize(7);
    dot->setPen(QPen(color, 1.5));
    dot->position->setCoords(marks.overshootTimeS, marks.peakValue);
    auto* text = new QCPItemText(&plot);
    text->setFont(PlotFont());
    text->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    text->position->setCoords(marks.overshootTimeS, marks.peakValue);
    text->setPadding(QMargins(6, 0, 0, 4));
    text->setText(QString(analysis_text::kOvershoot).arg(marks.overshootPercent, 0, 'f', 2));
  }
  if (marks.settlingTimeS > 0) {
    auto* line = new QCPItemStraightLine(&plot);
    line->setPen(dashed);
    line->point1->setCoords(marks.settlingTimeS, 0);
    line->point2->setCoords(marks.settlingTimeS, 1);
    auto* text = new QCPItemText(&plot);
    text->setFont(PlotFont());
    text->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    text->position->setCoords(marks.settlingTimeS, 0.06);
    text->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    text->setPadding(QMargins(4, 0, 0, 0));
    text->setText(QString(analysis_text::kSettling).arg(SiText(marks.settlingTimeS, 3)));
    // The 1 % band around the final value.
    for (double edge : {marks.finalValue - 0.01, marks.finalValue + 0.01}) {
      auto* band = new QCPItemStraightLine(&plot);
      band->setPen(QPen(QColor(150, 150, 150), 1, Qt::DotLine));
      band->point1->setCoords(0, edge);
      band->point2->setCoords(1, edge);
    }
  }
}

void AddPoles(QCustomPlot& plot, const std::vector<response::StagePoles>& poles, const QColor& color,
              const QString& sheetName) {
  auto add = [&plot](const QString& name, const QColor& c, QCPScatterStyle::ScatterShape shape) {
    QCPGraph* g = plot.addGraph();
    g->setName(name);
    g->setLineStyle(QCPGraph::lsNone);
    g->setScatterStyle(QCPScatterStyle(shape, QPen(c, 2), Qt::NoBrush, 10));
    return g;
  };
  if (!sheetName.isEmpty()) {
    QCPGraph* g = add(sheetName, color, QCPScatterStyle::ssCircle);
    for (const auto& sp : poles) {
      for (int i = 0; i < sp.count; ++i) g->addData(sp.p[i].real(), sp.p[i].imag());
    }
    return;
  }
  for (const auto& sp : poles) {
    QCPGraph* g = add(QString(analysis_text::kStageName) + QString::number(sp.stage + 1), kStageColors[sp.stage % 4],
                      kStageShapes[sp.stage % 4]);
    for (int i = 0; i < sp.count; ++i) g->addData(sp.p[i].real(), sp.p[i].imag());
  }
}

void FinishAnalysisPlot(QCustomPlot& plot, PlotKind kind, double fStart, double fTop) {
  if (IsFrequencyPlot(kind)) {
    plot.xAxis->setRange(fStart, fTop);
    ScaleValues(plot, kind == PlotKind::kGain ? kGainViewSpanDb : 0);
  } else if (kind == PlotKind::kPoles) {
    EqualScalePoles(plot);
  } else {
    bool ok = false;
    double end = 0;
    for (int i = 0; i < plot.graphCount(); ++i) {
      const QCPRange r = plot.graph(i)->getKeyRange(ok);
      if (ok) end = std::max(end, r.upper);
    }
    plot.xAxis->setRange(0, end > 0 ? end : 1);
    ScaleValues(plot);
  }
  KeepAnalysisFrame(plot);
  // Drawn when next shown; a refresh does not paint the hidden tabs.
  plot.replot(QCustomPlot::rpQueuedReplot);
}

void KeepAnalysisFrame(QCustomPlot& plot) {
  const QCPRange x = plot.xAxis->range();
  const QCPRange y = plot.yAxis->range();
  plot.setProperty(kFrameProperty, QVariantList{x.lower, x.upper, y.lower, y.upper});
}

bool ResetAnalysisView(QCustomPlot& plot) {
  if (plot.property(kPoleRectProperty).isValid()) {
    EqualScalePoles(plot);
    return true;
  }
  const QVariantList frame = plot.property(kFrameProperty).toList();
  if (frame.size() != 4) return false;
  plot.xAxis->setRange(frame[0].toDouble(), frame[1].toDouble());
  plot.yAxis->setRange(frame[2].toDouble(), frame[3].toDouble());
  return true;
}

PlotTracer::PlotTracer(QCustomPlot& plot, PlotKind kind) : QObject(&plot), plot_(plot), kind_(kind) {
  connect(&plot, &QCustomPlot::mouseMove, this,
          [this](QMouseEvent* event) { MoveTo(plot_.xAxis->pixelToCoord(event->position().x())); });
}

QString PlotTracer::Reading(PlotKind kind, double x, double y) {
  switch (kind) {
    case PlotKind::kGain:
      return QStringLiteral("%1Hz  %2 dB").arg(SiText(x, 5)).arg(y, 0, 'f', 3);
    case PlotKind::kPhase:
      return QStringLiteral("%1Hz  %2°").arg(SiText(x, 5)).arg(y, 0, 'f', 2);
    case PlotKind::kDelay:
      return QStringLiteral("%1Hz  %2s").arg(SiText(x, 5), SiText(y, 5));
    case PlotKind::kStep:
      return QStringLiteral("%1s  %2").arg(SiText(x, 4)).arg(y, 0, 'f', 5);
    case PlotKind::kImpulse:
      return QStringLiteral("%1s  %2/s").arg(SiText(x, 4), SiText(y, 4));
    case PlotKind::kPoles:
      return QStringLiteral("%1 %2 j%3")
          .arg(SiText(x, 4), y < 0 ? QStringLiteral("-") : QStringLiteral("+"), SiText(std::fabs(y), 4));
  }
  return {};
}

void PlotTracer::MoveTo(double x) {
  if (kind_ == PlotKind::kPoles || plot_.graphCount() == 0) return;
  QCPGraph* curve = plot_.graph(0);
  if (curve->data()->isEmpty()) return;
  auto it = curve->data()->findBegin(x, false);
  if (it == curve->data()->constEnd()) --it;
  // The nearer of the two points around x.
  if (it != curve->data()->constBegin()) {
    auto before = it - 1;
    if (std::fabs(before->key - x) < std::fabs(it->key - x)) it = before;
  }
  if (!tracer_) {
    tracer_ = new QCPItemTracer(&plot_);
    tracer_->setStyle(QCPItemTracer::tsCrosshair);
    tracer_->setPen(QPen(QColor(90, 90, 90), 1, Qt::DotLine));
    label_ = new QCPItemText(&plot_);
    label_->setFont(PlotFont());
    label_->setBrush(QColor(255, 255, 230));
    label_->setPen(QPen(QColor(120, 120, 120)));
    label_->setPadding(QMargins(4, 2, 4, 2));
    label_->position->setType(QCPItemPosition::ptAxisRectRatio);
    // Where the curves of the view seldom run: top left for the
    // frequency views, bottom right for the time views.
    const bool time = kind_ == PlotKind::kStep || kind_ == PlotKind::kImpulse;
    label_->position->setCoords(time ? 0.99 : 0.01, time ? 0.98 : 0.02);
    label_->setPositionAlignment(time ? Qt::AlignRight | Qt::AlignBottom : Qt::AlignLeft | Qt::AlignTop);
  }
  tracer_->position->setCoords(it->key, it->value);
  label_->setText(Reading(kind_, it->key, it->value));
  plot_.replot(QCustomPlot::rpQueuedReplot);
}

QString PlotTracer::Text() const { return label_ ? label_->text() : QString(); }

}  // namespace kelvara::app
