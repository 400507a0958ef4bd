#include "app/main_window/response_chart.h"

#include "response/circuit.h"
#include "response/views.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QTemporaryDir>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "app/common/ui_texts.h"
#include "app/main_window/chart_texts.h"
#include "storage/atomic_file.h"
#include "values/eng_value.h"

namespace kelvara::app {

namespace {

constexpr double kCurveWidth = 2;
constexpr int kChartTextPixels = 12;
const QColor kPlaceholderColor(0, 255, 0);  // lime
const QColor kCurveEdge(80, 80, 80);
constexpr double kCurveEdgeWidth = 1.5;  // beyond the curve's own width, shared by both sides

// A chart curve that a light colour (yellow, white) would lose against the
// face behind it: drawn over a thin dark curve of its own shape, which
// shows as an edge on either side (its legend stroke too); other colours
// as QCPGraph draws them.
class OutlinedCurve final : public QCPGraph {
 public:
  OutlinedCurve(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis) {}

 protected:
  void drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const override {
    const QPen own = painter->pen();
    if (const auto edge = CurveOutline(own.color()); edge && own.style() != Qt::NoPen) {
      painter->setPen(EdgePen(own, *edge));
      QCPGraph::drawLinePlot(painter, lines);
      painter->setPen(own);
    }
    QCPGraph::drawLinePlot(painter, lines);
  }
  void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override {
    if (const auto edge = CurveOutline(mPen.color())) {
      painter->setPen(EdgePen(mPen, *edge));
      painter->drawLine(QLineF(rect.left(), rect.center().y(), rect.right(), rect.center().y()));
    }
    QCPGraph::drawLegendIcon(painter, rect);
  }

 private:
  static QPen EdgePen(const QPen& own, const QColor& edge) {
    QPen pen(edge, own.widthF() + kCurveEdgeWidth);
    pen.setStyle(own.style());
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
  }
};

/// Ticks at every power of ten with eight minor ticks between them; the
/// labels in the "0E+0" form. Where the decades are too narrow for their
/// labels (the widest ranges), only every second, third, ... decade is
/// labelled, so that no two labels run together; the ticks and the grid stay
/// at every decade.
class ExponentTicker final : public QCPAxisTickerLog {
 public:
  explicit ExponentTicker(const QCPAxis& axis) : axis_(axis) {}

 protected:
  QVector<QString> createLabelVector(const QVector<double>& ticks, const QLocale& locale, QChar formatChar,
                                     int precision) override {
    QVector<QString> labels = QCPAxisTickerLog::createLabelVector(ticks, locale, formatChar, precision);
    const int step = LabelStep(labels);
    for (int i = 0; i < ticks.size(); ++i) {
      const int exponent = static_cast<int>(std::lround(std::log10(ticks[i])));
      if (exponent % step != 0) labels[i].clear();
    }
    return labels;
  }
  QString getTickLabel(double tick, const QLocale&, QChar, int) override { return ExponentLabel(tick); }
  int getSubTickCount(double) override { return 8; }
  /// Every power of ten from just below the range to just above it, even
  /// over a single decade (where the log ticker would pick finer steps).
  QVector<double> createTickVector(double, const QCPRange& range) override {
    QVector<double> ticks;
    if (!(range.lower > 0) || !(range.upper > range.lower)) return ticks;
    const int first = static_cast<int>(std::floor(std::log10(range.lower)));
    const int last = static_cast<int>(std::ceil(std::log10(range.upper)));
    for (int k = first; k <= last; ++k) ticks.push_back(std::pow(10.0, k));
    return ticks;
  }

 private:
  /// Decades from one label to the next.
  int LabelStep(const QVector<QString>& labels) const {
    const QCPRange range = axis_.range();
    const double decades = std::log10(range.upper / range.lower);
    const int width = axis_.axisRect() ? axis_.axisRect()->width() : 0;
    if (!(decades > 0) || width <= 0) return 1;
    const QFontMetrics metrics(axis_.tickLabelFont());
    int widest = 0;
    for (const QString& label : labels) widest = std::max(widest, metrics.horizontalAdvance(label));
    const double perDecade = width / decades;
    const double needed = widest + kLabelGap;
    return std::max(1, static_cast<int>(std::ceil(needed / perDecade)));
  }

  static constexpr int kLabelGap = 10;
  const QCPAxis& axis_;
};

QFont ChartFont() {
  QFont font{QString(text::kMincho)};
  font.setPixelSize(kChartTextPixels);
  return font;
}

void StyleAxis(QCPAxis& axis, const QString& title) {
  const QFont font = ChartFont();
  axis.setLabel(title);
  axis.setLabelFont(font);
  axis.setTickLabelFont(font);
  axis.setLabelColor(Qt::black);
  axis.setTickLabelColor(Qt::black);
  axis.grid()->setPen(QPen(QColor(190, 190, 190), 1, Qt::SolidLine));
}

/// The legend in a column right of the plot, at its top, so that it never
/// hides a curve.
void PlaceLegend(QCustomPlot& chart) {
  QCPLegend* legend = chart.legend;
  legend->setVisible(true);
  legend->setFont(ChartFont());
  legend->setTextColor(Qt::black);
  legend->setBorderPen(QPen(Qt::black, 1));
  legend->setBrush(PlotFaceColor(chart));
  chart.axisRect()->insetLayout()->take(legend);
  auto* column = new QCPLayoutGrid;
  chart.plotLayout()->addElement(0, 1, column);
  column->setMargins(QMargins(6, 10, 8, 0));  // clear of the chart's edges
  column->addElement(0, 0, legend);
  column->addElement(1, 0, new QCPLayoutElement(&chart));  // takes the height below the legend
  column->setRowStretchFactor(0, 0.001);
  chart.plotLayout()->setColumnStretchFactor(1, 0.001);
}

/// Reads a Y choice: typed text that is no number (or 0 typed over the
/// list) reads as nothing.
std::optional<double> YChoice(const QString& text, int listPos) {
  const double value = values::ParseEngValue(text.toStdString());
  if (listPos == -1 && value == 0) return std::nullopt;
  return value;
}

}  // namespace

QColor ColorOfSetting(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return QColor(static_cast<int>(v & 0xFFu), static_cast<int>((v >> 8) & 0xFFu), static_cast<int>((v >> 16) & 0xFFu));
}

std::int32_t SettingOfColor(const QColor& color) {
  const QColor rgb = color.toRgb();
  return rgb.red() + 256 * rgb.green() + 65536 * rgb.blue();
}

QString ExponentLabel(double value) {
  if (value == 0 || !std::isfinite(value)) return QStringLiteral("0E+0");
  int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
  double mantissa = std::round(value / std::pow(10.0, exponent));
  // A tick a hair below a power of ten rounds up to the next one.
  if (std::fabs(mantissa) >= 10) {
    mantissa = mantissa / 10;
    ++exponent;
  }
  return QString::number(static_cast<int>(mantissa)) + QLatin1Char('E') + QLatin1Char(exponent < 0 ? '-' : '+') +
         QString::number(std::abs(exponent));
}

QColor PlotFaceColor(const QCustomPlot& chart) {
  const QWidget* parent = chart.parentWidget();
  return (parent ? parent->palette() : chart.palette()).color(QPalette::Button);
}

void SetUpResponseChart(QCustomPlot& chart) {
  // No filled back wall: the parent's button face shows behind the curves,
  // so that a white or yellow curve stays visible.
  chart.setBackground(PlotFaceColor(chart));
  QCPAxis& frequency = *chart.xAxis;
  frequency.setScaleType(QCPAxis::stLogarithmic);
  auto ticker = QSharedPointer<ExponentTicker>::create(frequency);
  ticker->setLogBase(10);
  ticker->setSubTickCount(8);
  ticker->setTickCount(14);  // a label per decade over the widest choice
  frequency.setTicker(ticker);
  StyleAxis(frequency, QString(chart_text::kFrequencyAxis));
  frequency.grid()->setSubGridVisible(true);
  QPen minorGrid(QColor(150, 150, 150), 1, Qt::CustomDashLine);
  minorGrid.setDashPattern({1, 3});  // small dots
  frequency.grid()->setSubGridPen(minorGrid);
  frequency.setRange(1e3, 1e6);

  QCPAxis& db = *chart.yAxis;
  StyleAxis(db, QString(chart_text::kDbAxis));
  db.setRange(123, 567);

  PlaceLegend(chart);
  QCPGraph* placeholder = AddCurve(chart);
  placeholder->setName(QString(chart_text::kCurveTitle) + QLatin1Char('1'));
  SetCurveColor(*placeholder, kPlaceholderColor);
}

std::optional<QColor> CurveOutline(const QColor& color) {
  // Perceived brightness (ITU-R BT.601 weights): yellow 226, white 255;
  // cyan 179, lime 150 and the darker colours stay as they are.
  const double brightness = 0.299 * color.red() + 0.587 * color.green() + 0.114 * color.blue();
  if (brightness > 200) return kCurveEdge;
  return std::nullopt;
}

QCPGraph* AddCurve(QCustomPlot& chart) {
  // As QCustomPlot::addGraph makes one (the plot owns it), outlined.
  QCPGraph* curve = new OutlinedCurve(chart.xAxis, chart.yAxis);
  curve->setName(QStringLiteral("Graph ") + QString::number(chart.graphCount()));
  curve->setLineStyle(QCPGraph::lsLine);
  curve->setAntialiased(true);
  QPen pen = curve->pen();
  pen.setWidthF(kCurveWidth);
  curve->setPen(pen);
  return curve;
}

void SetCurveColor(QCPGraph& curve, const QColor& color) {
  QPen pen = curve.pen();
  pen.setColor(color);
  curve.setPen(pen);
}

void FinishChart(QCustomPlot& chart) {
  chart.xAxis->rescale(true);
  chart.replot();
}

double XMaxFrequency(int listPos) { return std::pow(10.0, 11 - listPos); }
double XMinFrequency(int listPos) { return std::pow(10.0, 10 - listPos); }

CurveChecks CheckCurve(values::WarningSink& sink, const AxisChoices& axes, const CurveSource& source) {
  CurveChecks checks;
  bool ok = true;
  const std::optional<double> yMax = YChoice(axes.yMaxText, axes.yMaxPos);
  if (!yMax) {
    sink.Warn(chart_text::kYMaxInvalid, chart_text::kEnterNumber);
    ok = false;
  }
  const std::optional<double> yMin = YChoice(axes.yMinText, axes.yMinPos);
  if (!yMin) {
    sink.Warn(chart_text::kYMinInvalid, chart_text::kEnterNumber);
    ok = false;
  }
  // A range the axis cannot draw (ends beyond 1e250, or narrower than its
  // resolution) is refused like an inverted one.
  if (ok && !(*yMin < *yMax && QCPRange::validRange(*yMin, *yMax))) {
    sink.Warn(chart_text::kYRangeInvalid, chart_text::kSetYRange);
    ok = false;
  }
  if (ok) checks.yRange = {*yMin, *yMax};

  // X min >= X max is exactly a min position before the max position; a box
  // without a list item (a stored position outside the list) gives no range.
  if (axes.xMinPos < axes.xMaxPos || axes.xMaxPos < 0 || axes.xMinPos < 0) {
    sink.Warn(chart_text::kXRangeInvalid, chart_text::kSetXRange);
    ok = false;
  }
  if (!ok) return checks;

  CheckedCurve curve;
  curve.request = source.request;
  curve.fTopHz = XMaxFrequency(axes.xMaxPos);
  curve.fStartHz = XMinFrequency(axes.xMinPos);
  curve.yMinDb = *yMin;
  curve.yMaxDb = *yMax;
  if (source.sections) {
    auto read = response::ReadSheetSections(source.sections->choices, source.sections->lines);
    if (const auto* problem = values::ProblemOf(read)) {
      sink.Warn(chart_text::kSectionsInvalid, problem->message);
      return checks;
    }
    curve.sections = std::get<response::SheetSections>(std::move(read));
    curve.request = curve.sections->sheet.request;
    checks.curve = std::move(curve);
    return checks;
  }
  ok = response::ReadComponentValues(sink, source.request, source.parts, curve.parts);
  if (!response::CheckFixedParts(sink, source.request, curve.parts)) ok = false;
  if (ok) checks.curve = curve;
  return checks;
}

bool PlotResponse(values::WarningSink& sink, QCPAxis& dbAxis, const AxisChoices& axes, const CurveSource& source,
                  QCPGraph& curve, const QColor& color) {
  curve.data()->clear();
  const CurveChecks checks = CheckCurve(sink, axes, source);
  if (checks.yRange) {
    // The axis never holds a minimum above its maximum.
    const auto [yMin, yMax] = *checks.yRange;
    if (dbAxis.range().lower > yMax) dbAxis.setRangeLower(yMax - 10);
    dbAxis.setRangeUpper(yMax);
    dbAxis.setRangeLower(yMin);
  }
  if (!checks.curve) return false;
  const CheckedCurve& c = *checks.curve;
  if (c.sections) {
    // The gain of the sections' circuit, on the chart's steps.
    const response::CircuitModel circuit = response::CircuitOfSections(c.sections->sections, {});
    QVector<double> frequencies;
    QVector<double> gains;
    for (const double f : response::SweepFrequencies(c.fStartHz, c.fTopHz)) {
      const double db = response::CircuitGainDb(circuit, f);
      frequencies.push_back(f);
      gains.push_back(std::isfinite(db) ? db : std::numeric_limits<double>::quiet_NaN());
    }
    curve.setData(frequencies, gains, true);
    SetCurveColor(curve, color);
    return true;
  }
  const response::ResponseStages stages = response::StagesFromComponents(c.request, c.parts);
  QVector<double> frequencies;
  QVector<double> gains;
  response::SweepResponse(c.request, stages, c.fStartHz, c.fTopHz, [&](double f, double db) {
    frequencies.push_back(f);
    // The chart leaves a gap at a point without a value.
    gains.push_back(std::isfinite(db) ? db : std::numeric_limits<double>::quiet_NaN());
  });
  curve.setData(frequencies, gains, true);
  SetCurveColor(curve, color);
  return true;
}

double CutoffOf(values::WarningSink& sink, const CurveSource& source) {
  engine::ComponentSet parts;
  response::ReadComponentValues(sink, source.request, source.parts, parts);
  return response::FindCutoff3dB(source.request, response::StagesFromComponents(source.request, parts));
}

namespace {

/// A frequency with three significant digits and its prefix ("10.0k").
std::string Compact(double hz) {
  const char* suffix = "";
  double v = hz;
  if (v >= 1e6) {
    v /= 1e6;
    suffix = "M";
  } else if (v >= 1e3) {
    v /= 1e3;
    suffix = "k";
  }
  if (!(v > 0)) return "0";
  // Rounded to three digits first: 9.996 is 10.0, not 10.00.
  const double rounded = QString::number(v, 'g', 3).toDouble();
  const int decimals = std::max(0, 2 - static_cast<int>(std::floor(std::log10(rounded))));
  return QString::number(rounded, 'f', decimals).toStdString() + suffix;
}

}  // namespace

ComparisonText ComparisonReading(values::WarningSink& sink, const CurveSource& source) {
  if (!source.sections) return {values::FormatFrequencyReading(CutoffOf(sink, source)), {}};
  const auto read = response::ReadSheetSections(source.sections->choices, source.sections->lines);
  if (values::ProblemOf(read) != nullptr) return {};
  const response::SheetReading reading = response::ReadingOf(std::get<response::SheetSections>(read));
  if (!reading.bandwidthHz) return {values::FormatFrequencyReading(reading.cutoffHz), {}};
  // Three digits each, so that both fit the panel's box; in full beside it.
  return {Compact(reading.cutoffHz) + "/" + Compact(*reading.bandwidthHz),
          values::FormatFrequency(reading.cutoffHz) + "/" + values::FormatFrequency(*reading.bandwidthHz)};
}

bool SaveChart(QCustomPlot& chart, const QString& path, ChartFileKind kind) {
  // The picture is made in memory (the PDF in a private folder, as the
  // chart writes PDFs only to files) and then written atomically, so a
  // failed save leaves an older picture as it was and never replaces a
  // FIFO or a device.
  QByteArray bytes;
  if (kind == ChartFileKind::kPng) {
    QBuffer buffer(&bytes);
    QImage image = chart.toPixmap().toImage();
    // 96 dpi, as the chart marks the PNGs it writes itself.
    const int dotsPerMeter = static_cast<int>(96 / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return false;
  } else {
    const QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("chart.pdf"));
    if (!folder.isValid() || !chart.savePdf(pdf)) return false;
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly)) return false;
    bytes = file.readAll();
    // The PDF writer does not report a failed write: a complete PDF ends
    // with its end-of-file marker.
    if (file.error() != QFileDevice::NoError || !bytes.trimmed().endsWith("%%EOF")) return false;
  }
  return !storage::WriteFileAtomically(path, bytes);
}

}  // namespace kelvara::app
