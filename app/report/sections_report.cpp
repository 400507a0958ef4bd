#include "app/report/sections_report.h"

#include "response/section_views.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>

#include "app/analysis/analysis_texts.h"
#include "app/main_window/section_texts.h"
#include "app/report/report_analyses.h"
#include "app/report/report_numbers.h"
#include "app/report/report_pages.h"
#include "app/report/report_sections.h"
#include "app/report/report_texts.h"
#include "engine/section_design.h"
#include "engine/units.h"
#include "export/design_parts.h"
#include "export/spice_number.h"
#include "response/analysis.h"
#include "response/bandpass.h"
#include "response/circuit.h"
#include "response/opamp_analysis.h"
#include "schematic/sections_schematic.h"
#include "values/filter_catalogue.h"
#include "values/section_record.h"

namespace kelvara::app::report {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
const QString kDash = QStringLiteral("—");

const response::SheetSections& Sheet(const ReportContent& c) { return *c.sections; }
const std::vector<response::Section>& SectionsOf(const ReportContent& c) { return c.sections->sections; }

/// What the plan asks of one stage.
struct StageTarget {
  int order = 2;
  double f0Hz = 0;
  std::optional<double> q;  // none for a first-order stage
  double gain = 1;          // signed
};

std::vector<StageTarget> TargetsOf(const response::SheetSections& s) {
  std::vector<StageTarget> targets;
  if (s.plan.bandPass) {
    // Every band-pass section is an inverting MFB stage.
    for (const engine::BandPassSection& b : s.plan.bandStages)
      targets.push_back({2, b.omega / engine::kTwoPi, b.q, -b.gain});
    return targets;
  }
  for (const engine::StagePlan& p : s.plan.stages) {
    targets.push_back({p.order, p.omega / engine::kTwoPi, p.order == 2 ? std::optional<double>(p.q) : std::nullopt,
                       engine::StageFormInverting(p.form) ? -p.gain : p.gain});
  }
  return targets;
}

/// A target and a realised gain with as many decimals as tell them apart
/// (four at least).
std::pair<QString, QString> DistinctGains(double target, double realised) {
  const int decimals = DistinctDecimals(target, realised, 4, 9, &FixedText);
  return {FixedText(target, decimals), FixedText(realised, decimals)};
}

QString TimesText(double gain) {
  return QString::fromUtf8(text::kGainTimes).arg(FixedText(gain, 3), FixedText(20 * std::log10(std::fabs(gain)), 3));
}

/// The sheet's -3 dB frequency with an op-amp (LPF, HPF), as kelvara-design
/// gives it.
double Minus3Db(const ReportContent& c, const response::OpAmpModel& opamp) {
  return response::CircuitCutoff3dB(response::CircuitOfSections(SectionsOf(c), opamp));
}

/// The band of a band-pass sheet with an op-amp.
response::BandPassSummary BandOf(const ReportContent& c, const response::OpAmpModel& opamp) {
  const engine::DesignRequest& r = Sheet(c).sheet.request;
  return response::SummarizeBandPass(response::CircuitOfSections(SectionsOf(c), opamp), r.cutoffHz,
                                     response::BandEdgeLevelDb(r.response, r.rippleIndex, r.Order()),
                                     values::HasRipple(r.response));
}

QString EdgesLine(const ReportContent& c, const response::BandPassSummary& band) {
  return QString::fromUtf8(text::kEdgesLine)
      .arg(QString::fromUtf8(text::kBandEdges),
           QString::fromUtf8(analysis_text::kCutoffDefinitions[Sheet(c).sheet.request.response]),
           FrequencyText(band.lowerEdgeHz), FrequencyText(band.upperEdgeHz),
           QString::fromUtf8(section_text::kBandwidthCaption), FrequencyText(band.bandwidthHz));
}

QString IdealLabel() { return QStringLiteral("（%1）").arg(QString::fromUtf8(text::kIdealOpAmpLabel)); }

}  // namespace

std::vector<Column> SectionsPartColumns() {
  // The values in ohms and farads carry up to 17 digits.
  return {{text::kPart, 9},
          {text::kValue, 17, Qt::AlignRight},
          {text::kExactValue, 41, Qt::AlignRight},
          {text::kStage, 7, Qt::AlignHCenter},
          {text::kRole, 12, Qt::AlignHCenter}};
}

std::vector<Column> SectionsStageColumns() {
  return {{text::kStage, 7, Qt::AlignHCenter},
          {text::kStageOrder, 9, Qt::AlignHCenter},
          {text::kTargetF0, 19, Qt::AlignRight},
          {text::kF0, 19, Qt::AlignRight},
          {text::kTargetQ, 15, Qt::AlignRight},
          {text::kQ, 15, Qt::AlignRight},
          {text::kTargetGain, 18, Qt::AlignRight},
          {text::kRealisedGain, 18, Qt::AlignRight},
          {text::kF0Error, 15, Qt::AlignRight},
          {text::kQError, 15, Qt::AlignRight},
          {analysis_text::kOpAmpColumns[0], 30, Qt::AlignRight}};
}

std::vector<QStringList> SectionsParameterRows(const ReportContent& c) {
  const response::SectionSheet& sheet = Sheet(c).sheet;
  const engine::DesignRequest& r = sheet.request;
  const bool mfb = sheet.bandPass || sheet.family == engine::SectionFamily::kMfb;
  const double gain = response::CascadeGain(SectionsOf(c));
  const QString magnitude = QString::number(sheet.gain, 'g', 6);
  std::vector<QStringList> rows = {
      {text::kKind, sheet.bandPass ? QStringLiteral("BPF") : Q(exports::KindName(r))},
      {text::kTopology, section_text::kCircuits[mfb ? values::kCircuitMfb : values::kCircuitSallenKeyGain]},
      {text::kOrder, QStringLiteral("%1次").arg(r.Order())},
      {text::kResponse, ResponseText(r)},
  };
  if (sheet.bandPass) {
    rows.push_back({section_text::kCenterCaption, FrequencyText(r.cutoffHz)});
    rows.push_back({section_text::kBandwidthCaption, FrequencyText(sheet.bandwidthHz)});
  } else {
    rows.push_back({text::kCutoff, FrequencyText(r.cutoffHz)});
  }
  rows.push_back({section_text::kGainCaption,
                  QString::fromUtf8(gain < 0 ? section_text::kInverting : section_text::kNonInverting).arg(magnitude)});
  if (!sheet.bandPass && Sheet(c).plan.stages.size() > 1) {
    QStringList gains;
    for (const double g : sheet.stageGains) gains << QString::number(g, 'g', 6);
    rows.push_back({section_text::kStageGainsCaption,
                    gains.isEmpty() ? QString::fromUtf8(text::kStageGainsEqual) : gains.join(QStringLiteral(", "))});
    rows.push_back(
        {section_text::kStageOrderCaption, section_text::kStageOrders[static_cast<std::size_t>(sheet.stageOrder)]});
  }
  rows.push_back({text::kValues, r.anyValues ? QString(text::kAnyValues) : SeriesText(c)});
  rows.push_back({text::kAnalysedValues, text::kAsShown});
  rows.push_back({text::kOpAmp, OpAmpLabel(c.opamp, c.opampName)});
  if (!sheet.bandPass) {
    rows.push_back({text::kMinus3Db, Minus3DbText(Minus3Db(c, {})) + IdealLabel()});
    if (response::SinglePoleOf(c.opamp)) {
      rows.push_back({text::kMinus3Db, Minus3DbText(Minus3Db(c, c.opamp)) +
                                           QStringLiteral("（%1）").arg(OpAmpLabel(c.opamp, c.opampName))});
    }
  }
  return rows;
}

std::vector<QStringList> SectionsPartRows(const ReportContent& c) {
  std::vector<QStringList> rows;
  for (const exports::DesignPart& part : exports::PartsOfSections(SectionsOf(c))) {
    rows.push_back({Q(part.Name()), PartValueText(part.capacitor, part.value), Q(exports::SiNumber(part.value)),
                    QString::number(part.stage), Q(part.role)});
  }
  return rows;
}

std::vector<QStringList> SectionsStageRows(const ReportContent& c) {
  const std::vector<response::Section>& sections = SectionsOf(c);
  const std::vector<StageTarget> targets = TargetsOf(Sheet(c));
  const std::vector<response::SectionOpAmpNeed> needs = response::SectionOpAmpNeeds(sections);
  std::vector<QStringList> rows;
  for (std::size_t k = 0; k < sections.size() && k < targets.size(); ++k) {
    const StageTarget& t = targets[k];
    const response::SectionFigures f = sections[k].Figures();
    const double f0 = f.omega / engine::kTwoPi;
    const auto [f0Target, f0Text] = DistinctFrequencies(t.f0Hz, f0);
    QString qTarget = kDash;
    QString q = kDash;
    QString qError = kDash;
    if (t.q) {
      std::tie(qTarget, q) = DistinctQ(*t.q, f.q);
      qError = PercentText(100 * (f.q / *t.q - 1));
    }
    const auto [gainTarget, gain] = DistinctGains(t.gain, f.gain);
    rows.push_back({QString::number(k + 1), QStringLiteral("%1次").arg(t.order), f0Target, f0Text, qTarget, q,
                    gainTarget, gain, PercentText(100 * (f0 / t.f0Hz - 1)), qError, FrequencyText(needs[k].gbwMinHz)});
  }
  return rows;
}

QStringList SectionsSummaryLines(const ReportContent& c) {
  const response::SheetSections& s = Sheet(c);
  const engine::DesignRequest& r = s.sheet.request;
  // The gain of the pass band: a low-pass or high-pass cascade's is the
  // product of its sections'; a band-pass filter's is its gain at the
  // centre (each section's own is at its own centre), with the sections'
  // sign.
  double gain = response::CascadeGain(s.sections);
  QStringList lines;
  const QString responseLine =
      QString::fromUtf8(analysis_text::kResponseLine)
          .arg(ResponseText(r), QString::fromUtf8(analysis_text::kCutoffDefinitions[r.response]));
  if (s.plan.bandPass) {
    const response::BandPassSummary band = BandOf(c, {});
    gain = std::copysign(std::pow(10.0, band.centerGainDb / 20), gain);
    lines << responseLine;
    lines << QStringLiteral("%1%2: %3、%4: %5 dB")
                 .arg(QString::fromUtf8(text::kMeasuredCenter), IdealLabel(),
                      FrequencyText(std::sqrt(band.lowerEdgeHz * band.upperEdgeHz)),
                      QString::fromUtf8(text::kCenterGain), FixedText(band.centerGainDb, 3));
    lines << EdgesLine(c, band);
    if (band.rippleDb) {
      lines << QStringLiteral("%1: %2 dB").arg(QString::fromUtf8(text::kRipple), FixedText(*band.rippleDb, 3));
    }
    lines << QString::fromUtf8(text::kBandAttenuation)
                 .arg(QString::fromUtf8(text::kAttenuation), FrequencyText(r.cutoffHz / 2),
                      FixedText(band.attenuationHalfDb, 2), FrequencyText(2 * r.cutoffHz),
                      FixedText(band.attenuationDoubleDb, 2));
  } else {
    // The cascade's closed forms at unit gain, where the sheet asks for
    // its cut-off and response.
    response::Cascade cascade = response::CascadeOfSections(s.sections);
    cascade.request.cutoffHz = r.cutoffHz;
    cascade.request.response = r.response;
    cascade.request.rippleIndex = r.rippleIndex;
    const response::ResponseSummary summary = response::Summarize(cascade);
    lines << QStringLiteral("%1%2: %3")
                 .arg(QString::fromUtf8(text::kMinus3Db), IdealLabel(), Minus3DbText(Minus3Db(c, {})));
    lines << responseLine;
    if (summary.rippleEdgeHz && summary.rippleDb) {
      lines << QStringLiteral("%1: %2、%3: %4 dB")
                   .arg(QString::fromUtf8(text::kRippleEdge), FrequencyText(*summary.rippleEdgeHz),
                        QString::fromUtf8(text::kRipple), FixedText(*summary.rippleDb, 3));
    }
    lines << QStringLiteral("%1: %2 で %3 dB、%4 で %5 dB")
                 .arg(QString::fromUtf8(text::kAttenuation), FrequencyText(summary.nearHz),
                      FixedText(summary.attenuationNearDb, 2), FrequencyText(summary.farHz),
                      FixedText(summary.attenuationFarDb, 2));
  }
  lines.insert(1, QStringLiteral("%1: %2").arg(QString::fromUtf8(text::kPassbandGain), TimesText(gain)));
  lines << QString::fromUtf8(text::kGbwNeedRule);
  return lines;
}

schematic::PartValues SectionsCircuitValues(const ReportContent& c) {
  schematic::PartValues values;
  for (const exports::DesignPart& part : exports::PartsOfSections(SectionsOf(c))) {
    values[Q(part.Name())] = PartValueText(part.capacitor, part.value);
  }
  return values;
}

void PaintSectionsCircuit(ReportCanvas& canvas, const ReportContent& c, schematic::SchematicBoxes* boxes) {
  QPainter& p = canvas.Painter();
  const double scale = canvas.Dots(kContentWidthMm) / schematic::kPictureWidth;
  const schematic::PartValues values = SectionsCircuitValues(c);
  p.save();
  p.translate(canvas.Dots(kMarginMm), canvas.Dots(canvas.y));
  p.scale(scale, scale);
  schematic::PaintSectionsSchematic(p, SectionsOf(c), nullptr, boxes, &values);
  p.restore();
  canvas.y += kContentWidthMm * schematic::kPictureHeight / schematic::kPictureWidth + 1;
}

std::vector<QStringList> SectionsOpAmpRows(const ReportContent& c) {
  const std::optional<response::SinglePole> pole = response::SinglePoleOf(c.opamp);
  if (!pole) return {};
  std::vector<QStringList> rows;
  int stage = 1;
  for (const response::SectionOpAmpNeed& needed : response::SectionOpAmpNeeds(SectionsOf(c))) {
    const double need = needed.gbwMinHz;
    rows.push_back({QString::number(stage++), FrequencyText(need),
                    QString(pole->gbwHz >= need ? analysis_text::kGbwMet : analysis_text::kGbwShort)});
  }
  return rows;
}

QStringList SectionsOpAmpLines(const ReportContent& c) {
  if (!response::SinglePoleOf(c.opamp)) return {};
  QStringList lines;
  lines << OpAmpLine(c);
  const QString label = OpAmpLabel(c.opamp, c.opampName);
  if (Sheet(c).plan.bandPass) {
    const response::BandPassSummary band = BandOf(c, c.opamp);
    lines << QString::fromUtf8(text::kRealBand)
                 .arg(QString::fromUtf8(text::kMeasuredCenter), label,
                      FrequencyText(std::sqrt(band.lowerEdgeHz * band.upperEdgeHz)),
                      QString::fromUtf8(text::kBandEdges), FrequencyText(band.lowerEdgeHz),
                      FrequencyText(band.upperEdgeHz), QString::fromUtf8(section_text::kBandwidthCaption),
                      FrequencyText(band.bandwidthHz));
  } else {
    lines << QStringLiteral("%1（%2）: %3")
                 .arg(QString::fromUtf8(text::kMinus3Db), label, Minus3DbText(Minus3Db(c, c.opamp)));
  }
  return lines;
}

void SectionsFirstPage(ReportCanvas& canvas, const ReportContent& c) {
  TitleBlock(canvas, c);

  canvas.Heading(QString::fromUtf8(text::kParameters));
  ParameterTables(canvas, SectionsParameterRows(c));
  canvas.Lines({OpAmpLine(c)}, 8);

  canvas.Heading(QString::fromUtf8(text::kCircuit));
  PaintSectionsCircuit(canvas, c);

  // The parts in order down the left table, then the right one; rows of
  // many parts closer together, so that the page holds them.
  canvas.Heading(QString::fromUtf8(text::kPartsTable));
  const std::vector<QStringList> partRows = SectionsPartRows(c);
  const std::size_t partsLeft = (partRows.size() + 1) / 2;
  const double partRowMm = partsLeft > 8 ? 4.2 : 5.2;
  const std::vector<Column> parts = SectionsPartColumns();
  const double partsTop = canvas.y;
  canvas.Table(kMarginMm, parts, {partRows.begin(), partRows.begin() + static_cast<long>(partsLeft)}, false, partRowMm,
               kSectionsPartPoints);
  canvas.Table(kMarginMm + kContentWidthMm / 2 + 3, parts,
               {partRows.begin() + static_cast<long>(partsLeft), partRows.end()}, false, partRowMm,
               kSectionsPartPoints);
  canvas.y = partsTop + ReportCanvas::TableHeight(partsLeft, partRowMm) + 2;

  canvas.Heading(
      QStringLiteral("%1（%2）").arg(QString::fromUtf8(text::kStages), QString::fromUtf8(text::kIdealOpAmpLabel)));
  canvas.Table(kMarginMm, SectionsStageColumns(), SectionsStageRows(c), true, 5.2, kSectionsStagePoints);
  canvas.Lines(SectionsSummaryLines(c), 8);
}

void SectionsSecondPage(ReportCanvas& canvas, const ReportContent& c) {
  canvas.y = kMarginMm;
  const ReportCurves curves = CurvesOf(c);
  const std::vector<QStringList> opAmpRows = SectionsOpAmpRows(c);
  const QStringList opAmpLines = SectionsOpAmpLines(c);
  PlotsAndOpAmpStages(canvas, c, curves, opAmpRows, opAmpLines, 2);
}

}  // namespace kelvara::app::report
