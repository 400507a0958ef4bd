// The report's gain and phase plots, drawn with the chart's look.

#include <qcustomplot.h>

#include <cmath>

#include "app/main_window/response_chart.h"
#include "app/report/report_frame.h"
#include "app/report/report_sections.h"
#include "app/report/report_texts.h"
#include "response/analysis.h"
#include "response/response.h"

namespace kelvara::app::report {

namespace {

constexpr double kRenderScale = 2.5;

/// A chart set up as the "ｆ特" page's, holding one curve of the design.
QCPGraph* PrepareChart(QCustomPlot& chart, const ReportContent& c, int widthPx, int heightPx) {
  chart.resize(widthPx, heightPx);
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

QImage GainPlot(const ReportContent& c, int widthPx, int heightPx) {
  QCustomPlot chart;
  QCPGraph* curve = PrepareChart(chart, c, widthPx, heightPx);
  const response::ResponseStages stages = response::StagesFromComponents(c.request, c.parts);
  const ChartRanges ranges = GainChartRanges(c);
  response::SweepResponse(c.request, stages, ranges.fromHz, ranges.toHz,
                          [&](double f, double db) { curve->addData(f, std::isfinite(db) ? db : std::nan("")); });
  chart.yAxis->setRange(ranges.lowDb, ranges.highDb);
  FinishChart(chart);
  return Render(chart, widthPx, heightPx);
}

QImage PhasePlot(const ReportContent& c, int widthPx, int heightPx) {
  QCustomPlot chart;
  QCPGraph* curve = PrepareChart(chart, c, widthPx, heightPx);
  const response::Cascade cascade = response::CascadeFromParts(c.request, c.parts);
  const ChartRanges ranges = GainChartRanges(c);
  response::SweepResponse(c.request, cascade.stages, ranges.fromHz, ranges.toHz,
                          [&](double f, double) { curve->addData(f, response::PhaseDeg(cascade, f)); });
  chart.yAxis->setLabel(QString::fromUtf8(text::kPhaseAxis));
  const double span = 90.0 * c.request.Order();
  auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
  ticker->setTickStep(c.request.Order() > 4 ? 90 : 45);
  chart.yAxis->setTicker(ticker);
  if (c.request.passKind == engine::kHpf) {
    chart.yAxis->setRange(-10, span + 10);
  } else {
    chart.yAxis->setRange(-span - 10, 10);
  }
  FinishChart(chart);
  return Render(chart, widthPx, heightPx);
}

}  // namespace kelvara::app::report
