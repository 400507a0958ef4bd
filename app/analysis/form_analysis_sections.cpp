// The analysis window of a sheet built of sections (多重帰還（MFB）,
// サレン・キー（利得付き）, BPF): its views, stage table and summary from
// response/section_views.h, as kelvara-design --analysis gives them of the
// same sections; the real op-amp's frequency curves and stage figures, the
// noise and levels of the sections' circuit, and the tolerance study of
// their parts. What cannot be computed of them is said in the messages.

#include <cmath>
#include <span>

#include "app/analysis/analysis_texts.h"
#include "app/analysis/form_analysis.h"
#include "app/analysis/tolerance_panel.h"
#include "response/bandpass.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"

namespace kelvara::app {
namespace {

QString Hz(double v) { return std::isfinite(v) ? SiText(v, 5) + QStringLiteral("Hz") : QStringLiteral("-"); }
QString Number(double v) { return std::isfinite(v) ? QString::number(v, 'g', 5) : QStringLiteral("-"); }
QString Optional(const std::optional<double>& v, QString (*text)(double)) { return v ? text(*v) : QStringLiteral("-"); }
QString Percent(double v) { return QString::asprintf("%+.4f %%", v); }
QString Db(double v) { return QString::asprintf("%.3f dB", v); }
QString SignedDb(double v) { return std::isfinite(v) ? QString::asprintf("%+.4f dB", v) : QStringLiteral("-"); }

}  // namespace

void TFormAnalysis::EvaluateShownSections(const SectionCurveSource& source, QStringList& problems) {
  auto read = response::ReadSheetSections(source.choices, source.lines);
  if (const auto* problem = values::ProblemOf(read)) {
    problems << QString::fromStdString(problem->message);
    shown_.reset();
    return;
  }
  shownSections_ = std::get<response::SheetSections>(std::move(read));
  shownRequest_ = shownSections_->sheet.request;
  sections_ = response::ComputeSectionViews(*shownSections_, fStart_, fTop_, kViewTimePoints, kViewFrequencyStep);
  shown_ = sections_->views;
}

void TFormAnalysis::SetTableColumns(bool sections) {
  QStringList headers;
  if (sections) {
    for (const char* h : analysis_text::kSectionColumns) headers << QString(h);
  } else {
    for (const char* h : analysis_text::kColumns) headers << QString(h);
  }
  table_->setColumnCount(static_cast<int>(headers.size()));
  table_->setHorizontalHeaderLabels(headers);
}

void TFormAnalysis::FillSectionTable() {
  const response::SectionViews& v = *sections_;
  const int base = static_cast<int>(std::size(analysis_text::kSectionColumns));
  if (sectionsReal_) {
    table_->setColumnCount(base + static_cast<int>(std::size(analysis_text::kSectionOpAmpColumns)));
    int c = base;
    for (const char* h : analysis_text::kSectionOpAmpColumns)
      table_->setHorizontalHeaderItem(c++, new QTableWidgetItem(QString(h)));
  }
  table_->setRowCount(static_cast<int>(v.stages.size()));
  for (int row = 0; row < static_cast<int>(v.stages.size()); ++row) {
    const response::SectionStageRow& s = v.stages[static_cast<std::size_t>(row)];
    QStringList parts;
    for (const std::string& p : s.parts) parts << QString::fromStdString(p);
    QStringList cells = {
        QString::number(s.stage),
        QString::fromStdString(s.topology),
        QString(s.order == 1 ? analysis_text::kFirstOrder : analysis_text::kSecondOrder),
        parts.join(QStringLiteral(", ")),
        Hz(s.f0TargetHz),
        Optional(s.qTarget, Number),
        Number(s.gainTarget),
        Hz(s.f0Hz),
        Optional(s.q, Number),
        Number(s.gain),
        Optional(s.f0ErrorPct, Percent),
        Optional(s.qErrorPct, Percent),
        Number(s.need.noiseGain),
        Hz(s.need.gbwMinHz),
        QString(analysis_text::kOutputPeak)
            .arg(QString::asprintf("%.2f dB", std::fabs(s.output.maxGainDb) < 0.005 ? 0.0 : s.output.maxGainDb),
                 s.output.atHz > 0 ? SiText(s.output.atHz, 3) + QStringLiteral("Hz") : QStringLiteral("DC"))};
    bool short_ = false;
    if (sectionsReal_ && static_cast<std::size_t>(row) < sectionsReal_->stages.size()) {
      const response::SectionOpAmpStage& r = sectionsReal_->stages[static_cast<std::size_t>(row)];
      short_ = !r.gbwMet;
      cells << QString(r.gbwMet ? analysis_text::kGbwMet : analysis_text::kGbwShort) << SignedDb(r.gainErrorDbAtF0);
    }
    for (int c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c != 1 && c != 3) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (c == base && short_) item->setForeground(QColor(176, 0, 0));
      table_->setItem(row, c, item);
    }
  }
  FitTableColumns();

  const response::SheetSections& read = *shownSections_;
  const engine::DesignRequest& request = read.sheet.request;
  QStringList lines;
  const QString response =
      QString::fromUtf8(analysis_text::kResponseLine)
          .arg(QString::fromStdString(values::ResponseLabel(request.response, request.rippleIndex)),
               QString::fromUtf8(analysis_text::kCutoffDefinitions[request.response]));
  // A band-pass filter's gain is its gain at the centre, not the product of
  // its sections' own peaks (which lie apart).
  const double passGain = v.band ? std::copysign(std::pow(10.0, v.band->centerGainDb / 20), v.gain) : v.gain;
  const QString gain =
      QString(analysis_text::kSectionGainLine)
          .arg(Number(std::abs(passGain)), QString::asprintf("%.3f", 20 * std::log10(std::abs(passGain))),
               QString(passGain < 0 ? analysis_text::kInverting : analysis_text::kNonInverting));
  if (v.band) {
    const response::BandPassSummary& b = *v.band;
    lines << QString(analysis_text::kBandRequest).arg(Hz(request.cutoffHz), Hz(read.sheet.bandwidthHz));
    lines << response;
    lines << QString(analysis_text::kBandReading)
                 .arg(Hz(b.centerHz), Db(b.centerGainDb),
                      QString::fromUtf8(analysis_text::kCutoffDefinitions[request.response]), Hz(b.lowerEdgeHz),
                      Hz(b.upperEdgeHz), Hz(b.bandwidthHz));
    lines << gain;
    lines << QString(analysis_text::kSectionValues);
    if (b.rippleDb) lines << QStringLiteral("リプル %1").arg(Db(*b.rippleDb));
    lines << QString(analysis_text::kBandAttenuation).arg(Db(b.attenuationHalfDb), Db(b.attenuationDoubleDb));
    lines
        << QString(analysis_text::kBandPassStep).arg(SiText(v.views.settlingTimeS, 4), SiText(v.views.settledSpanS, 4));
  } else if (v.summary) {
    const response::ResponseSummary& sum = *v.summary;
    const bool hpf = request.passKind == engine::kHpf;
    lines << QStringLiteral("要求カットオフ %1    実現 −3dB %2Hz")
                 .arg(Hz(request.cutoffHz), QString::fromStdString(values::FormatFrequencyReading(sum.minus3dbHz)));
    lines << response;
    lines << gain;
    lines << QString(analysis_text::kSectionValues);
    lines << ResponseSummaryTail(sum, hpf, v.views);
  }
  lines << QString(analysis_text::kGbwRule);
  if (sectionsReal_) {
    const response::OpAmpModel model = *opAmp_->Model();
    lines << QString(analysis_text::kOpAmpSummary)
                 .arg(SiText(model.gbwHz, 4), QString::number(model.a0Db, 'g', 5), SiText(model.routOhm, 4));
  }
  summary_->setText(lines.join(QLatin1Char('\n')));
}

bool TFormAnalysis::DrawSectionsRealOpAmp(const QString& name, const QColor& color) {
  const std::optional<response::OpAmpModel> model = opAmp_->Model();
  if (!model || !shownSections_) return false;
  sectionsReal_ =
      response::ComputeSectionOpAmpViews(*shownSections_, *model, fStart_, fTop_, kViewFrequencyStep,
                                         shown_ ? std::span<const double>(shown_->step.x) : std::span<const double>());
  if (!sectionsReal_) return false;  // the ideal op-amp
  const QString title = name + QString(analysis_text::kRealSuffix);
  const response::Curve* curves[] = {&sectionsReal_->gain, &sectionsReal_->phase, &sectionsReal_->delay,
                                     &sectionsReal_->step, &sectionsReal_->impulse};
  const PlotKind kinds[] = {PlotKind::kGain, PlotKind::kPhase, PlotKind::kDelay, PlotKind::kStep, PlotKind::kImpulse};
  for (int k = 0; k < 5; ++k) AddAnalysisCurve(*Plot(kinds[k]), title, color, curves[k]->x, curves[k]->y);
  return true;
}

void TFormAnalysis::DrawSectionsTolerance(const QColor& color) {
  // A band-pass sheet's study takes its band and a band-pass mask, as
  // kelvara-design --kind bpf does of the same sections.
  std::optional<BandPassStudy> band;
  if (shownSections_->plan.bandPass) {
    const response::SectionSheet& sheet = shownSections_->sheet;
    const engine::DesignRequest& r = sheet.request;
    band.emplace();
    band->centerHz = r.cutoffHz;
    band->bandwidthHz = sheet.bandwidthHz;
    band->edgeLevelDb = response::BandEdgeLevelDb(r.response, r.rippleIndex, r.Order());
    band->rippleDb = values::HasRipple(r.response) ? values::kRippleDb[r.rippleIndex] : 0.0;
    band->nominalDb = 20.0 * std::log10(sheet.gain);
  }
  tolerance::ToleranceDesign design;
  design.request = shownRequest_;
  design.sections = shownSections_->sections;
  if (opAmp_->RealSelected()) {
    if (const auto model = opAmp_->Model()) design.opamp = *model;
  }
  tolerance_->SetDesign(design, fStart_, fTop_, band);
  const bool hpf = shownRequest_.passKind == engine::kHpf;
  if (const tolerance::MonteCarloResult* r = tolerance_->Result())
    DrawToleranceBands(*Plot(PlotKind::kGain), *Plot(PlotKind::kPhase), *Plot(PlotKind::kDelay), *r, color);
  if (const FailingCurves* failing = tolerance_->Failing()) DrawFailingCurves(*Plot(PlotKind::kGain), *failing);
  if (const auto mask = tolerance_->MaskSetting()) DrawMask(*Plot(PlotKind::kGain), *mask, hpf, fStart_, fTop_);
  if (const auto mask = tolerance_->BandPassMaskSetting())
    DrawBandPassMask(*Plot(PlotKind::kGain), *mask, fStart_, fTop_);
}

void TFormAnalysis::DrawSectionsNoise(const QColor& color) {
  noise_.reset();
  const std::optional<response::OpAmpModel> model = opAmp_->NoisyModel();
  QString message;
  if (!opAmp_->Model()) {
    message = opAmp_->Message();
  } else if (!model) {
    message = opAmp_->Noise()->Message();
  } else {
    noise_ = response::ComputeSectionNoiseViews(*shownSections_, *model, opAmp_->TemperatureC(), fStart_, fTop_);
  }
  noisePage_->Show(noise_ ? &*noise_ : nullptr, color, fStart_, fTop_, message);
  levelsPage_->Show(noise_ ? &*noise_ : nullptr, color, fStart_, fTop_, message);
}

void TFormAnalysis::AddSectionLimits(QStringList& problems) const {
  if (!sections_) return;
  if (sectionsReal_) problems << QString(analysis_text::kSectionsRealOpAmp);
}

}  // namespace kelvara::app
