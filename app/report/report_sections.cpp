#include "app/report/report_sections.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "app/report/report_texts.h"
#include "engine/design.h"
#include "export/design_parts.h"
#include "export/spice_number.h"
#include "response/analysis.h"
#include "response/response.h"
#include "tools/pictgen/schematic.h"
#include "values/eng_value.h"

namespace kelvara::app::report {

namespace {

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

}  // namespace

QString SeriesText(const ReportContent& c) {
  if (c.request.anyValues) return QString(text::kAnyValues);
  return Q(exports::SeriesDescription(c.request, c.series));
}

QString OpAmpText(const response::OpAmpModel& opamp) {
  if (opamp.ideal) return QString(text::kIdealOpAmp);
  return QStringLiteral("GBW %1Hz、A0 %2 dB、Rout %3Ω")
      .arg(Q(values::FormatFrequency(opamp.gbwHz)), QString::number(opamp.a0Db, 'g', 6),
           Q(values::FormatResistanceDisplay(opamp.routOhm)));
}

std::vector<QStringList> ParameterRows(const ReportContent& c) {
  const engine::DesignRequest& r = c.request;
  const double minus3 = response::FindCutoff3dB(r, response::StagesFromComponents(r, c.parts));
  return {
      {text::kKind, Q(exports::KindName(r))},
      {text::kOrder, QStringLiteral("%1次").arg(r.Order())},
      {text::kResponse, ResponseText(r)},
      {text::kCutoff, Hz(r.cutoffHz)},
      {text::kTopology, text::kTopologyName},
      {text::kValues, r.anyValues ? QString(text::kAnyValues) : SeriesText(c)},
      {text::kOpAmp, OpAmpText(c.opamp)},
      {text::kMinus3Db, Q(values::FormatFrequencyReading(minus3)) + QStringLiteral("Hz")},
  };
}

std::vector<QStringList> PartRows(const ReportContent& c, bool capacitor) {
  std::vector<QStringList> rows;
  for (const exports::DesignPart& part : exports::PartsOfDesign(c.request, c.parts)) {
    if (part.capacitor != capacitor) continue;
    rows.push_back({Q(part.Name()), DisplayValue(capacitor, part.value), Q(exports::SpiceNumber(part.value)),
                    Q(exports::SeriesOfPart(c.request, capacitor, c.series)), QString::number(part.stage)});
  }
  return rows;
}

std::vector<QStringList> StageRows(const ReportContent& c) {
  std::vector<QStringList> rows;
  const QString dash = QStringLiteral("—");
  auto number = [&](const std::optional<double>& v, int decimals) {
    return v ? QString::number(*v, 'f', decimals) : dash;
  };
  auto percent = [&](const std::optional<double>& v) {
    return v ? QString::number(*v, 'f', 3) + QStringLiteral(" %") : dash;
  };
  for (const response::StageEvaluation& e : response::EvaluateStages(c.request, c.parts)) {
    QStringList parts;
    for (const std::string& part : e.parts) parts << Q(part);
    const QString peak = QString::number(e.peak.db, 'f', 2) + QStringLiteral(" dB") +
                         (e.peak.hz && *e.peak.hz > 0 ? QStringLiteral(" @ ") + Hz(*e.peak.hz) : QString());
    rows.push_back({QString::number(e.stage), QStringLiteral("%1次").arg(e.order), parts.join(QStringLiteral(", ")),
                    Hz(e.f0TargetHz), number(e.qTarget, 5), Hz(e.f0Hz), number(e.q, 5), percent(e.f0ErrorPct),
                    percent(e.qErrorPct), peak, number(e.ratio, 3)});
  }
  return rows;
}

QStringList SummaryLines(const ReportContent& c) {
  const response::ResponseSummary s = response::Summarize(response::CascadeFromParts(c.request, c.parts));
  QStringList lines;
  lines << QStringLiteral("%1: %2Hz")
               .arg(QString::fromUtf8(text::kMinus3Db), Q(values::FormatFrequencyReading(s.minus3dbHz)));
  if (s.rippleEdgeHz && s.rippleDb) {
    lines << QStringLiteral("%1: %2、%3: %4 dB")
                 .arg(QString::fromUtf8(text::kRippleEdge), Hz(*s.rippleEdgeHz), QString::fromUtf8(text::kRipple),
                      QString::number(*s.rippleDb, 'f', 3));
  }
  lines << QStringLiteral("%1: %2 で %3 dB、%4 で %5 dB")
               .arg(QString::fromUtf8(text::kAttenuation), Hz(s.nearHz), QString::number(s.attenuationNearDb, 'f', 2),
                    Hz(s.farHz), QString::number(s.attenuationFarDb, 'f', 2));
  for (const response::StageEvaluation& e : response::EvaluateStages(c.request, c.parts)) {
    for (const response::RangeMark& mark : e.marks) {
      lines << QStringLiteral("%1 = %2: %3")
                   .arg(Q(mark.part), DisplayValue(mark.part[0] == 'C', mark.value),
                        Q(response::RangeReason(mark.issue)));
    }
  }
  return lines;
}

QStringList ToleranceLines(const tolerance::MonteCarloResult& r, double cutoffHz) {
  QStringList lines;
  auto n = [](double v) { return QString::number(v, 'g', 5); };
  auto db = [](double v) { return QString::number(v, 'f', 3); };
  lines << QStringLiteral("%1 試行、シード %2").arg(r.trials).arg(r.seed);
  const tolerance::Stats& f = r.minus3dbHz;
  lines << QStringLiteral("%1: 公称 %2Hz、5～95 %: %3Hz ～ %4Hz、全試行 %5Hz ～ %6Hz")
               .arg(QString::fromUtf8(text::kMinus3Db), n(f.nominal), n(f.p05), n(f.p95), n(f.min), n(f.max));
  const tolerance::BandPoint* nearest = nullptr;
  for (const tolerance::BandPoint& b : r.band) {
    if (!nearest ||
        std::fabs(std::log(b.frequencyHz / cutoffHz)) < std::fabs(std::log(nearest->frequencyHz / cutoffHz)))
      nearest = &b;
  }
  if (nearest) {
    lines << QStringLiteral("ゲインの幅 (%1): 公称 %2 dB、5～95 %: %3 ～ %4 dB、全試行 %5 ～ %6 dB")
                 .arg(Hz(nearest->frequencyHz), db(nearest->nominalDb), db(nearest->p05Db), db(nearest->p95Db),
                      db(nearest->minDb), db(nearest->maxDb));
  }
  if (r.yield) {
    const tolerance::YieldResult& y = *r.yield;
    lines << QStringLiteral("歩留まり %1 % (%2/%3)、95 %信頼区間 %4 ～ %5 % (Wilson)")
                 .arg(QString::number(100 * y.ratio, 'f', 1))
                 .arg(y.passed)
                 .arg(y.trials)
                 .arg(QString::number(100 * y.ci95.low, 'f', 1), QString::number(100 * y.ci95.high, 'f', 1));
  }
  return lines;
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
