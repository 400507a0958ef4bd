// The report's gain and phase plots, drawn with the chart's look: the
// curves of response/'s views, with a real op-amp its curves over the ideal
// ones (dashed).

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/analysis/analysis_texts.h"
#include "app/main_window/response_chart.h"
#include "app/report/report_frame.h"
#include "app/report/report_sections.h"
#include "app/report/report_texts.h"
#include "response/circuit.h"
#include "response/opamp_views.h"
#include "response/views.h"

namespace kelvara::app::report {

namespace {

constexpr double kRenderScale = 2.5;

/// A chart set up as the "ｆ特" page's, holding one curve of the design.
QCPGraph* PrepareChart(QCustomPlot& chart, const ReportContent& c) {
  SetUpResponseChart(chart);
  chart.clearGraphs();
  QCPGraph* curve = AddCurve(chart);
  SetCurveColor(*curve, c.curveColor);
  curve->setName(c.curveName);
  return curve;
}

QImage Render(QCustomPlot& chart, int widthPx, int heightPx) {
  chart.xAxis->setRange(chart.xAxis->range());
  chart.replot();
  return chart.toPixmap(widthPx, heightPx, kRenderScale).toImage();
}

}  // namespace

ReportCurves CurvesOf(const ReportContent& c) {
  ReportCurves curves;
  const ChartRanges ranges = GainChartRanges(c);
  if (c.sections) {
    // The circuit of the sections, ideal and with a real op-amp; what each
    // stage asks of the op-amp is in its stage table.
    const std::vector<double> xs = response::SweepFrequencies(ranges.fromHz, ranges.toHz);
    const response::FrequencyCurves ideal =
        response::CircuitFrequencyCurves(response::CircuitOfSections(c.sections->sections, {}), xs);
    curves.gain = {xs, ideal.gainDb};
    curves.phase = {xs, ideal.phaseDeg};
    if (response::SinglePoleOf(c.opamp)) {
      const response::FrequencyCurves real =
          response::CircuitFrequencyCurves(response::CircuitOfSections(c.sections->sections, c.opamp), xs);
      curves.realGain = response::Curve{xs, real.gainDb};
      curves.realPhase = response::Curve{xs, real.phaseDeg};
    }
    return curves;
  }
  const response::AnalysisViews ideal = response::ComputeViews(c.request, c.parts, ranges.fromHz, ranges.toHz);
  curves.gain = ideal.gain;
  curves.phase = ideal.phase;
  if (const auto real = response::ComputeOpAmpViews(c.request, c.parts, c.opamp, ideal)) {
    curves.realGain = real->gain;
    curves.realPhase = real->phase;
    curves.stages = real->opAmpStages;
    curves.floor = real->floor;
  }
  return curves;
}

namespace {

/// The design's curve and, with a real op-amp, the real curve over the ideal
/// one (dashed), as the analysis window draws them.
void AddCurves(QCustomPlot& chart, const ReportContent& c, const response::Curve& ideal,
               const std::optional<response::Curve>& real) {
  QCPGraph* curve = PrepareChart(chart, c);
  for (std::size_t i = 0; i < ideal.x.size(); ++i) {
    curve->addData(ideal.x[i], std::isfinite(ideal.y[i]) ? ideal.y[i] : std::nan(""));
  }
  if (!real) return;
  QPen pen = curve->pen();
  pen.setStyle(Qt::DashLine);
  pen.setWidthF(1.0);
  curve->setPen(pen);
  curve->setName(c.curveName + QString(analysis_text::kIdealSuffix));
  QCPGraph* realCurve = AddCurve(chart);
  SetCurveColor(*realCurve, c.curveColor);
  realCurve->setName(c.curveName + QString(analysis_text::kRealSuffix));
  for (std::size_t i = 0; i < real->x.size(); ++i) {
    realCurve->addData(real->x[i], std::isfinite(real->y[i]) ? real->y[i] : std::nan(""));
  }
}

}  // namespace

QImage GainPlot(const ReportContent& c, const ReportCurves& curves, int widthPx, int heightPx) {
  QCustomPlot chart;
  chart.resize(widthPx, heightPx);
  AddCurves(chart, c, curves.gain, curves.realGain);
  const ChartRanges ranges = GainChartRanges(c);
  chart.yAxis->setRange(ranges.lowDb, ranges.highDb);
  FinishChart(chart);
  return Render(chart, widthPx, heightPx);
}

QCPRange PhaseRange(const ReportContent& c, const ReportCurves& curves) {
  if (c.sections) {
    // Inverting stages and band-pass sections start their phase elsewhere
    // than 0: the axis spans the curves, on whole multiples of 90 degrees.
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const response::Curve* curve : {&curves.phase, curves.realPhase ? &*curves.realPhase : nullptr}) {
      if (!curve) continue;
      for (const double y : curve->y) {
        if (!std::isfinite(y)) continue;
        low = std::min(low, y);
        high = std::max(high, y);
      }
    }
    if (!(low <= high)) return {-100, 10};
    return {90.0 * std::floor(low / 90.0) - 10, 90.0 * std::ceil(high / 90.0) + 10};
  }
  const double span = 90.0 * c.request.Order();
  QCPRange range = c.request.passKind == engine::kHpf ? QCPRange(-10, span + 10) : QCPRange(-span - 10, 10);
  if (curves.realPhase) {
    // The real phase runs on past the ideal one's -90 degrees per order.
    for (double y : curves.realPhase->y) {
      if (!std::isfinite(y)) continue;
      range.lower = std::min(range.lower, 90.0 * std::floor(y / 90.0) - 10);
      range.upper = std::max(range.upper, 90.0 * std::ceil(y / 90.0) + 10);
    }
  }
  return range;
}

QImage PhasePlot(const ReportContent& c, const ReportCurves& curves, int widthPx, int heightPx) {
  QCustomPlot chart;
  chart.resize(widthPx, heightPx);
  AddCurves(chart, c, curves.phase, curves.realPhase);
  chart.yAxis->setLabel(QString::fromUtf8(text::kPhaseAxis));
  const QCPRange range = PhaseRange(c, curves);
  auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
  const double step = range.size() > 1000 ? 180 : c.request.Order() > 4 || range.size() > 500 ? 90 : 45;
  ticker->setTickStep(step);
  chart.yAxis->setTicker(ticker);
  chart.yAxis->setRange(range);
  FinishChart(chart);
  return Render(chart, widthPx, heightPx);
}

}  // namespace kelvara::app::report
