#include "app/report/report_sections.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "app/report/report_texts.h"
#include "engine/design.h"
#include "export/design_parts.h"
#include "export/spice_number.h"
#include "response/response.h"
#include "tools/pictgen/schematic.h"
#include "values/eng_value.h"

namespace kelvara::app::report {

namespace {

constexpr double kTwoPi = 2.0 * 3.141592653589793;

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Hz(double hz) { return Q(values::FormatFrequency(hz)) + QStringLiteral("Hz"); }

QString ResponseText(const engine::DesignRequest& request) {
  switch (request.response) {
    case engine::kBessel:
      return QStringLiteral("ベッセル");
    case engine::kChebyshev:
      return QStringLiteral("チェビシェフ 0.25dB");
    default:
      return QStringLiteral("バターワース");
  }
}

QString DisplayValue(bool capacitor, double value) {
  return Q(capacitor ? values::FormatCapacitance(value) : values::FormatResistanceDisplay(value));
}

QString Percent(double realised, double target) {
  if (!(target > 0)) return QStringLiteral("—");
  return QString::number((realised - target) / target * 100.0, 'f', 3) + QStringLiteral(" %");
}

}  // namespace

std::vector<QStringList> ParameterRows(const ReportContent& c) {
  const engine::DesignRequest& r = c.request;
  const double minus3 = response::FindCutoff3dB(r, response::StagesFromComponents(r, c.parts));
  return {
      {text::kKind, Q(exports::KindName(r))},
      {text::kOrder, QStringLiteral("%1次").arg(r.Order())},
      {text::kResponse, ResponseText(r)},
      {text::kCutoff, Hz(r.cutoffHz)},
      {text::kTopology, text::kTopologyName},
      {text::kValues, r.anyValues ? text::kAnyValues : text::kSeriesValues},
      {text::kOpAmp, text::kIdealOpAmp},
      {text::kMinus3Db, Q(values::FormatFrequencyReading(minus3)) + QStringLiteral("Hz")},
  };
}

std::vector<QStringList> PartRows(const ReportContent& c, bool capacitor) {
  std::vector<QStringList> rows;
  for (const exports::DesignPart& part : exports::PartsOfDesign(c.request, c.parts)) {
    if (part.capacitor != capacitor) continue;
    rows.push_back({Q(part.Name()), DisplayValue(capacitor, part.value), Q(exports::SpiceNumber(part.value)),
                    Q(exports::SeriesOfPart(c.request, capacitor)), QString::number(part.stage)});
  }
  return rows;
}

std::vector<QStringList> StageRows(const ReportContent& c) {
  const int order = c.request.Order();
  const engine::StageTargets targets = engine::BuildStageTargets(c.request);
  const response::ResponseStages realised = response::StagesFromComponents(c.request, c.parts);
  std::vector<QStringList> rows;
  int part = 1;
  for (int stage = 1; stage <= exports::StageCount(order); ++stage) {
    const int slot = stage - 1;
    const bool first = order % 2 == 1 && stage == 1;
    const QString parts =
        first ? QStringLiteral("R1, C1") : QStringLiteral("R%1, R%2, C%1, C%2").arg(part).arg(part + 1);
    part += first ? 1 : 2;
    const double targetF0 = targets.stageOmega[slot] / kTwoPi;
    const double f0 = realised.omega[slot] / kTwoPi;
    const QString dash = QStringLiteral("—");
    rows.push_back({QString::number(stage), first ? QStringLiteral("1次") : QStringLiteral("2次"), parts, Hz(targetF0),
                    first ? dash : QString::number(targets.stageQ[slot], 'f', 5), Hz(f0),
                    first ? dash : QString::number(realised.q[slot], 'f', 5), Percent(f0, targetF0),
                    first ? dash : Percent(realised.q[slot], targets.stageQ[slot])});
  }
  return rows;
}

void PaintCircuit(ReportCanvas& canvas, const ReportContent& c) {
  QPainter& p = canvas.Painter();
  const double scale = canvas.Dots(kContentWidthMm) / pictgen::kPictureWidth;
  std::vector<pictgen::PartLabel> labels;
  p.save();
  p.translate(canvas.Dots(kMarginMm), canvas.Dots(canvas.y));
  p.scale(scale, scale);
  pictgen::PaintSchematic(p, c.request.passKind == engine::kHpf, c.request.Order(), &labels);
  p.restore();

  // Each value goes right under its part's label. A feedback part's label
  // stands left of it, so its value starts where the label box starts and
  // stays clear of the part; values are knocked out of the wires they cross.
  p.save();
  const QFont font = ReportCanvas::Font(5.8);
  p.setFont(font);
  const QFontMetricsF metrics(font, p.device());
  const double lineHeight = metrics.height();
  for (const pictgen::PartLabel& label : labels) {
    const bool capacitor = label.name.startsWith(QLatin1Char('C'));
    const int number = label.name.mid(1).toInt();
    if (number < 1 || number > c.request.Order()) continue;
    const QString text = DisplayValue(capacitor, capacitor ? c.parts.c[number - 1] : c.parts.r[number - 1]);
    const QRectF box = label.box;
    const double width = metrics.horizontalAdvance(text);
    const double top =
        (label.align & Qt::AlignVCenter) ? box.center().y() + lineHeight * 0.5 : box.top() + lineHeight * 1.25;
    double left = box.left();  // left-aligned labels, and the feedback parts
    if (label.align & Qt::AlignHCenter) left = box.center().x() - width / 2;
    const QRectF at(left, top, width, lineHeight);
    p.fillRect(at.adjusted(-canvas.Dots(0.3), 0, canvas.Dots(0.3), 0), Qt::white);
    p.setPen(QColor(150, 30, 30));
    p.drawText(at, Qt::AlignLeft | Qt::AlignVCenter, text);
  }
  p.restore();
  canvas.y += kContentWidthMm * pictgen::kPictureHeight / pictgen::kPictureWidth + 1;
}

}  // namespace kelvara::app::report
