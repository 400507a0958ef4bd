#include "app/report/report_sections.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <tuple>

#include "app/analysis/analysis_texts.h"
#include "app/report/report_analyses.h"
#include "app/report/report_numbers.h"
#include "app/report/report_texts.h"
#include "engine/design.h"
#include "export/design_parts.h"
#include "export/spice_number.h"
#include "response/analysis.h"
#include "response/circuit.h"
#include "response/response.h"
#include "schematic/schematic.h"
#include "values/eng_value.h"

namespace kelvara::app::report {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Hz(double hz) { return FrequencyText(hz); }
QString Reading(double hz) { return Minus3DbText(hz); }
QString DisplayValue(bool capacitor, double value) { return PartValueText(capacitor, value); }

}  // namespace

QString Minus3DbText(double hz) {
  if (!(hz > 0.1) || hz >= 1e9) return Q(values::FormatFrequencyReading(hz)) + QStringLiteral("Hz");
  return FrequencyText(hz);
}

QString ResponseText(const engine::DesignRequest& request) {
  const std::string label = values::ResponseLabel(request.response, request.rippleIndex);
  return label.empty() ? QStringLiteral("バターワース") : Q(label);
}

QString PartValueText(bool capacitor, double value) {
  return Q(capacitor ? values::FormatCapacitance(value) : values::FormatResistanceDisplay(value));
}

QString SeriesText(const ReportContent& c) {
  if (c.request.anyValues) return QString(text::kAnyValues);
  return Q(exports::SeriesDescription(c.request, c.series));
}

QString OpAmpText(const response::OpAmpModel& opamp) {
  const std::optional<response::SinglePole> pole = response::SinglePoleOf(opamp);
  if (!pole) return QString(text::kIdealOpAmp);
  return QStringLiteral("GBW %1、A0 %2 dB、Rout %3Ω")
      .arg(FrequencyText(pole->gbwHz), QString::number(pole->a0Db, 'g', 6),
           Q(values::FormatResistanceDisplay(pole->routOhm)));
}

QString OpAmpLine(const ReportContent& c) {
  const QString label = OpAmpLabel(c.opamp, c.opampName);
  const response::OpAmpModel& o = c.opamp;
  const bool noisy = o.noise.enNvRtHz > 0 || o.noise.inPaRtHz > 0 || o.limits.swingVpp > 0 || o.limits.slewVPerUs > 0;
  QString line = QStringLiteral("%1: %2").arg(QString::fromUtf8(text::kOpAmp), label);
  if (response::SinglePoleOf(o)) line += QStringLiteral("、") + OpAmpText(o);
  if (noisy || !c.noiseLines.isEmpty() || !c.levelLines.isEmpty()) line += QStringLiteral("、") + OpAmpNoiseText(o);
  return line;
}

std::optional<double> RealMinus3Db(const ReportContent& c) {
  if (!response::SinglePoleOf(c.opamp)) return std::nullopt;
  return response::CircuitCutoff3dB(response::MakeCircuit(c.request, c.parts, c.opamp));
}

std::vector<QStringList> ParameterRows(const ReportContent& c) {
  const engine::DesignRequest& r = c.request;
  const double minus3 = response::FindCutoff3dB(r, response::StagesFromComponents(r, c.parts));
  const QString ideal = QStringLiteral("（%1）").arg(QString::fromUtf8(text::kIdealOpAmpLabel));
  std::vector<QStringList> rows = {
      {text::kKind, Q(exports::KindName(r))},
      {text::kOrder, QStringLiteral("%1次").arg(r.Order())},
      {text::kResponse, ResponseText(r)},
      {text::kCutoff, Hz(r.cutoffHz)},
      {text::kTopology, text::kTopologyName},
      {text::kValues, r.anyValues ? QString(text::kAnyValues) : SeriesText(c)},
      {text::kAnalysedValues, text::kAsShown},
      {text::kOpAmp, OpAmpLabel(c.opamp, c.opampName)},
      {text::kMinus3Db, Reading(minus3) + ideal},
  };
  if (const std::optional<double> real = RealMinus3Db(c)) {
    rows.push_back({text::kMinus3Db, Reading(*real) + QStringLiteral("（%1）").arg(OpAmpLabel(c.opamp, c.opampName))});
  }
  return rows;
}

std::vector<QStringList> PartRows(const ReportContent& c, bool capacitor) {
  std::vector<QStringList> rows;
  for (const exports::DesignPart& part : exports::PartsOfDesign(c.request, c.parts)) {
    if (part.capacitor != capacitor) continue;
    rows.push_back({Q(part.Name()), DisplayValue(capacitor, part.value), Q(exports::SiNumber(part.value)),
                    Q(exports::SeriesOfPart(c.request, capacitor, c.series)), QString::number(part.stage)});
  }
  return rows;
}

std::vector<QStringList> StageRows(const ReportContent& c) {
  std::vector<QStringList> rows;
  const QString dash = QStringLiteral("—");
  auto percent = [&](const std::optional<double>& v) { return v ? PercentText(*v) : dash; };
  for (const response::StageEvaluation& e : response::EvaluateStages(c.request, c.parts)) {
    QStringList parts;
    for (const std::string& part : e.parts) parts << Q(part);
    const QString peak = FixedText(e.peak.db, 2) + QStringLiteral(" dB") +
                         (e.peak.hz && *e.peak.hz > 0 ? QStringLiteral(" @ ") + Hz(*e.peak.hz) : QString());
    // A target and a realised value that differ show different texts.
    const auto [f0Target, f0] = DistinctFrequencies(e.f0TargetHz, e.f0Hz);
    QString qTarget = dash;
    QString q = dash;
    if (e.qTarget && e.q) std::tie(qTarget, q) = DistinctQ(*e.qTarget, *e.q);
    rows.push_back({QString::number(e.stage), QStringLiteral("%1次").arg(e.order), parts.join(QStringLiteral(", ")),
                    f0Target, qTarget, f0, q, percent(e.f0ErrorPct), percent(e.qErrorPct), peak,
                    e.ratio ? RatioText(*e.ratio) : dash});
  }
  return rows;
}

QStringList SummaryLines(const ReportContent& c) {
  const response::ResponseSummary s = response::Summarize(response::CascadeFromParts(c.request, c.parts));
  QStringList lines;
  lines << QStringLiteral("%1（%2）: %3")
               .arg(QString::fromUtf8(text::kMinus3Db), QString::fromUtf8(text::kIdealOpAmpLabel),
                    Reading(s.minus3dbHz));
  lines << QString::fromUtf8(analysis_text::kResponseLine)
               .arg(ResponseText(c.request), QString::fromUtf8(analysis_text::kCutoffDefinitions[c.request.response]));
  if (s.rippleEdgeHz && s.rippleDb) {
    lines << QStringLiteral("%1: %2、%3: %4 dB")
                 .arg(QString::fromUtf8(text::kRippleEdge), Hz(*s.rippleEdgeHz), QString::fromUtf8(text::kRipple),
                      FixedText(*s.rippleDb, 3));
  }
  lines << QStringLiteral("%1: %2 で %3 dB、%4 で %5 dB")
               .arg(QString::fromUtf8(text::kAttenuation), Hz(s.nearHz), FixedText(s.attenuationNearDb, 2), Hz(s.farHz),
                    FixedText(s.attenuationFarDb, 2));
  for (const response::StageEvaluation& e : response::EvaluateStages(c.request, c.parts)) {
    for (const response::RangeMark& mark : e.marks) {
      lines << QStringLiteral("%1 = %2: %3")
                   .arg(Q(mark.part), DisplayValue(mark.part[0] == 'C', mark.value),
                        Q(response::RangeReason(mark.issue)));
    }
  }
  return lines;
}

QStringList ToleranceLines(const tolerance::MonteCarloResult& r, double cutoffHz, const QString& opampLabel) {
  QStringList lines;
  auto n = [](double v) { return FrequencyText(v); };
  auto db = [](double v) { return FixedText(v, 3); };
  lines << QStringLiteral("%1 試行、シード %2").arg(r.trials).arg(r.seed);
  const tolerance::Stats& f = r.minus3dbHz;
  const QString minus3 = opampLabel.isEmpty()
                             ? QString::fromUtf8(text::kMinus3Db)
                             : QStringLiteral("%1（%2）").arg(QString::fromUtf8(text::kMinus3Db), opampLabel);
  lines << QStringLiteral("%1: 公称 %2、5～95 %: %3 ～ %4、全試行 %5 ～ %6")
               .arg(minus3, n(f.nominal), n(f.p05), n(f.p95), n(f.min), n(f.max));
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
                 .arg(FixedText(100 * y.ratio, 1))
                 .arg(y.passed)
                 .arg(y.trials)
                 .arg(FixedText(100 * y.ci95.low, 1), FixedText(100 * y.ci95.high, 1));
  }
  return lines;
}

QString RealMinus3DbLine(const ReportContent& c) {
  const std::optional<double> real = RealMinus3Db(c);
  if (!real) return {};
  return QStringLiteral("%1（%2）: %3")
      .arg(QString::fromUtf8(text::kMinus3Db), OpAmpLabel(c.opamp, c.opampName), Reading(*real));
}

schematic::PartValues CircuitValues(const ReportContent& c) {
  schematic::PartValues values;
  for (const exports::DesignPart& part : exports::PartsOfDesign(c.request, c.parts)) {
    values[Q(part.Name())] = DisplayValue(part.capacitor, part.value);
  }
  return values;
}

std::vector<QStringList> OpAmpRows(const ReportCurves& curves) {
  std::vector<QStringList> rows;
  auto db = [](double v) {
    return std::isfinite(v) ? (v > 0 ? QStringLiteral("+") : QString()) + FixedText(v, 4) + QStringLiteral(" dB")
                            : QStringLiteral("—");
  };
  auto hz = [](double v) { return std::isfinite(v) ? FrequencyText(v) : QStringLiteral("—"); };
  auto shift = [&](double v) { return std::isfinite(v) && v > 0 ? QStringLiteral("+") + hz(v) : hz(v); };
  int stage = 1;
  for (const response::OpAmpStageReport& s : curves.stages) {
    rows.push_back({QString::number(stage++), hz(s.gbwMinHz),
                    QString(s.gbwMet ? analysis_text::kGbwMet : analysis_text::kGbwShort), db(s.gainErrorDbAtF0),
                    db(s.peakDb), shift(s.peakShiftHz)});
  }
  return rows;
}

QStringList OpAmpLines(const ReportContent& c, const ReportCurves& curves) {
  if (!curves.realGain) return {};  // the ideal op-amp
  QStringList lines;
  lines << OpAmpLine(c);
  if (c.request.passKind == engine::kLpf) {
    lines << (curves.floor
                  ? QString(analysis_text::kStopbandFloor)
                        .arg(FixedText(curves.floor->db, 2) + QStringLiteral(" dB"), FrequencyText(curves.floor->hz))
                  : QString(analysis_text::kNoStopbandFloor));
  }
  return lines;
}

void PaintCircuit(ReportCanvas& canvas, const ReportContent& c, schematic::SchematicBoxes* boxes) {
  QPainter& p = canvas.Painter();
  const double scale = canvas.Dots(kContentWidthMm) / schematic::kPictureWidth;
  const schematic::PartValues values = CircuitValues(c);
  p.save();
  p.translate(canvas.Dots(kMarginMm), canvas.Dots(canvas.y));
  p.scale(scale, scale);
  schematic::PaintSchematic(p, c.request.passKind == engine::kHpf, c.request.Order(), nullptr, boxes, &values);
  p.restore();
  canvas.y += kContentWidthMm * schematic::kPictureHeight / schematic::kPictureWidth + 1;
}

void PlotsAndOpAmpStages(ReportCanvas& canvas, const ReportContent& c, const ReportCurves& curves,
                         const std::vector<QStringList>& opAmpRows, const QStringList& opAmpLines, int opAmpColumns) {
  // What follows the plots, so that the plots leave room for it.
  constexpr double kHeadingMm = 10.5;
  constexpr double kLineMm = 4.5;
  double below = 0;
  if (!opAmpLines.isEmpty()) {
    // The op-amp's line with its noise and limits takes two.
    below += kHeadingMm + ReportCanvas::TableHeight(opAmpRows.size()) + 2 + kLineMm * (opAmpLines.size() + 1);
  }
  const int widthPx = 900;
  const double room = kPageHeightMm - kMarginMm - 2 - kMarginMm - below - 2 * (kHeadingMm + 4);
  const double heightMm = std::min(kContentWidthMm * 470 / widthPx, room / 2);
  const int heightPx = static_cast<int>(std::lround(heightMm / kContentWidthMm * widthPx));
  for (const bool gain : {true, false}) {
    canvas.Heading(QString::fromUtf8(gain ? text::kGain : text::kPhase));
    const QImage image = gain ? GainPlot(c, curves, widthPx, heightPx) : PhasePlot(c, curves, widthPx, heightPx);
    canvas.Painter().drawImage(canvas.Rect(kMarginMm, canvas.y, kContentWidthMm, heightMm), image);
    canvas.y += heightMm + 4;
  }
  if (!opAmpLines.isEmpty()) {
    canvas.Heading(QString::fromUtf8(text::kOpAmpStages));
    std::vector<Column> columns = {{text::kStage, 10, Qt::AlignHCenter}};
    for (int k = 0; k < opAmpColumns; ++k) columns.push_back({analysis_text::kOpAmpColumns[k], 30, Qt::AlignRight});
    canvas.Table(kMarginMm, columns, opAmpRows, true, 5.2, 7.8);
    canvas.Lines(opAmpLines, 8, kLineMm);
  }
}

void ParameterTables(ReportCanvas& canvas, const std::vector<QStringList>& rows) {
  const std::size_t half = (rows.size() + 1) / 2;
  const std::vector<Column> pair = {{QStringLiteral("項目"), kParameterNameMm},
                                    {QStringLiteral("内容"), kParameterValueMm}};
  const double top = canvas.y;
  canvas.Table(kMarginMm, pair, {rows.begin(), rows.begin() + static_cast<long>(half)}, false);
  canvas.Table(kMarginMm + kContentWidthMm / 2 + 3, pair, {rows.begin() + static_cast<long>(half), rows.end()}, false);
  canvas.y = top + ReportCanvas::TableHeight(half) + 1;
}

}  // namespace kelvara::app::report
