#include "app/report/report_analyses.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "app/analysis/analysis_plots.h"
#include "app/analysis/noise_view_texts.h"
#include "app/report/report_numbers.h"
#include "app/report/report_texts.h"

namespace kelvara::app::report {

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }
QString Number(double v) { return QString::number(v, 'g', 6); }
QString Vrms(double v) { return SiText(v, 4) + QStringLiteral("Vrms"); }
QString Db(double v, int decimals = 3) { return FixedText(v, decimals) + QStringLiteral(" dB"); }

/// "R1～R8 1 %" when every part of the kind shares its tolerance, else each
/// part with its own ("R1 1 %、R2 0.1 %、…").
QString KindTolerances(const char* kind, const char* letter, const std::array<double, engine::kMaxParts>& pct,
                       int order) {
  const bool same = std::all_of(pct.begin(), pct.begin() + order, [&](double v) { return v == pct[0]; });
  if (same) return QStringLiteral("%1 ±%2 %").arg(U(kind), Number(pct[0]));
  QStringList parts;
  for (int i = 0; i < order; ++i)
    parts << QStringLiteral("%1%2 ±%3 %").arg(QLatin1String(letter)).arg(i + 1).arg(Number(pct[i]));
  return QStringLiteral("%1 %2").arg(U(kind), parts.join(QStringLiteral("、")));
}

}  // namespace

QString OpAmpLabel(const response::OpAmpModel& opamp, const QString& name) {
  if (!response::SinglePoleOf(opamp)) return U(text::kIdealOpAmpLabel);
  return name.isEmpty() ? U(text::kRealOpAmpLabel) : U(text::kRealOpAmpLabel) + QStringLiteral(" ") + name;
}

QString OpAmpNoiseText(const response::OpAmpModel& opamp) {
  const response::OpAmpNoise& n = opamp.noise;
  QString en = QStringLiteral("en %1 nV/√Hz").arg(Number(n.enNvRtHz));
  if (n.enCornerHz > 0) en += QStringLiteral(" (1/f %1Hz)").arg(SiText(n.enCornerHz, 4));
  const auto limit = [](double v, const QString& unit) { return v > 0 ? Number(v) + unit : U(text::kNotGiven); };
  return QStringLiteral("%1、in %2 pA/√Hz、%3 %4、%5 %6")
      .arg(en, Number(n.inPaRtHz), U(text::kSwing), limit(opamp.limits.swingVpp, QStringLiteral(" Vpp")),
           U(text::kSlew), limit(opamp.limits.slewVPerUs, QStringLiteral(" V/µs")));
}

QStringList StudyConditionLines(const tolerance::StudyPlan& plan) {
  const tolerance::MonteCarloConfig& c = plan.config;
  const tolerance::ToleranceDesign& d = c.design;
  const int order = d.request.Order();
  QStringList lines;
  QString parts = QStringLiteral("%1: %2、%3")
                      .arg(U(text::kToleranceOf), KindTolerances("抵抗", "R", d.tolerances.rPct, order),
                           KindTolerances("コンデンサ", "C", d.tolerances.cPct, order));
  if (response::HasGbw(d.opamp)) parts += QStringLiteral("、GBW ±%1 %").arg(Number(d.tolerances.gbwPct));
  lines << parts;
  // The trials and the seed open the figures (ToleranceLines).
  lines << QStringLiteral("%1: %2").arg(
      U(text::kDistribution), U(d.distribution == tolerance::Distribution::kNormal ? text::kNormal : text::kUniform));
  if (c.mask) {
    lines << QString::fromUtf8(text::kMaskLine)
                 .arg(FrequencyText(c.mask->passHz), Number(c.mask->passDb), FrequencyText(c.mask->stopHz),
                      Number(c.mask->stopDb));
  } else {
    lines << QStringLiteral("%1: %2").arg(U(text::kMask), U(text::kNone));
  }
  return lines;
}

QStringList WorstCaseLines(const tolerance::WorstCaseResult& r, const QString& opampLabel) {
  QStringList lines;
  lines << QString::fromUtf8(text::kWorstCorners).arg(r.corners);
  lines << QStringLiteral("%1（%2）: 公称 %3、最小 %4、最大 %5")
               .arg(U(text::kMinus3Db), opampLabel, FrequencyText(r.nominalMinus3dbHz), FrequencyText(r.minus3dbHz.min),
                    FrequencyText(r.minus3dbHz.max));
  for (const tolerance::WorstGain& g : r.gains) {
    lines << QStringLiteral("ゲイン (%1): 公称 %2、最小 %3、最大 %4")
                 .arg(FrequencyText(g.frequencyHz), Db(g.nominalDb), Db(g.db.min), Db(g.db.max));
  }
  return lines;
}

QStringList NoiseLines(const response::NoiseReport& r, const response::OpAmpModel& opamp, int contributors) {
  QStringList lines;
  lines << QStringLiteral("%1: %2 ～ %3、%4: %5 ℃")
               .arg(U(text::kNoiseBand), FrequencyText(r.band.loHz), FrequencyText(r.band.hiHz), U(text::kTemperature),
                    Number(r.temperatureC));
  lines << QStringLiteral("%1: %2").arg(U(text::kOpAmpNoise), OpAmpNoiseText(opamp));
  lines << QStringLiteral("%1 %2、%3 %4")
               .arg(U(text::kOutputNoise), Vrms(r.totalVrms), U(text::kInputNoise), Vrms(r.inputReferredVrms));
  std::vector<std::size_t> order(r.sources.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return r.sourceVrms[a] > r.sourceVrms[b]; });
  QStringList main;
  for (std::size_t i = 0; i < order.size() && static_cast<int>(i) < contributors; ++i) {
    const std::size_t s = order[i];
    main << QStringLiteral("%1 %2 (%3 %)")
                .arg(QString::fromStdString(r.sources[s].name), Vrms(r.sourceVrms[s]), FixedText(100 * r.Share(s), 1));
  }
  if (!main.isEmpty()) lines << QStringLiteral("%1: %2").arg(U(text::kMainSources), main.join(QStringLiteral("、")));
  return lines;
}

QStringList LevelLines(const response::LevelReport& r, const response::OpAmpModel& opamp) {
  QStringList lines;
  lines << QStringLiteral("%1: %2 %3、%4 %5")
               .arg(U(text::kOpAmpLimits), U(text::kSwing),
                    opamp.limits.swingVpp > 0 ? Number(opamp.limits.swingVpp) + QStringLiteral(" Vpp")
                                              : U(text::kNotGiven),
                    U(text::kSlew),
                    opamp.limits.slewVPerUs > 0 ? Number(opamp.limits.slewVPerUs) + QStringLiteral(" V/µs")
                                                : U(text::kNotGiven));
  QStringList stages;
  for (std::size_t k = 0; k < r.stages.size(); ++k) {
    const response::StageLevel& s = r.stages[k];
    stages << QString::fromUtf8(noise_text::kLevelsStage).arg(k + 1).arg(FixedText(s.maxGainDb, 2), SiText(s.atHz, 4));
  }
  lines << QStringLiteral("%1: %2").arg(U(text::kHighestGains), stages.join(QStringLiteral("、")));
  const auto vpp = [](const std::optional<double>& x) {
    return x ? SiText(*x, 4) + QStringLiteral("Vpp") : U(text::kNotGiven);
  };
  lines << QStringLiteral("%1 %2、%3 %4")
               .arg(U(text::kMaxInputSwing), vpp(r.maxInputVpp), U(text::kMaxInputSlew), vpp(r.slewMaxInputVpp));
  QString range = r.dynamicRangeDb ? Db(*r.dynamicRangeDb, 1) : U(text::kNotGiven);
  if (r.dynamicRangeDb && r.limitedBy) {
    range += U(*r.limitedBy == response::InputLimit::kSlew ? noise_text::kLimitedBySlew : noise_text::kLimitedBySwing);
  }
  lines << QStringLiteral("%1 %2").arg(U(text::kDynamicRange), range);
  return lines;
}

}  // namespace kelvara::app::report
