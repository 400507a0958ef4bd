// The evaluation table of the analysis window and the summary below it.

#include <cmath>

#include "app/analysis/analysis_texts.h"
#include "app/analysis/form_analysis.h"
#include "app/main_window/form_main.h"
#include "engine/series_options.h"
#include "export/design_parts.h"
#include "values/eng_value.h"

namespace kelvara::app {
namespace {

QString Hz(double v) { return SiText(v, 5) + QStringLiteral("Hz"); }
QString Optional(const std::optional<double>& v, const std::function<QString(double)>& text) {
  return v ? text(*v) : QStringLiteral("-");
}
QString Percent(double v) { return QString::asprintf("%+.4f %%", v); }
QString Number(double v) { return QString::number(v, 'g', 5); }
QString Db(double v) { return QString::asprintf("%.3f dB", v); }

QTableWidgetItem* Item(const QString& text, bool alignRight = true) {
  auto* item = new QTableWidgetItem(text);
  if (alignRight) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

}  // namespace

QStringList ResponseSummaryTail(const response::ResponseSummary& sum, bool hpf, const response::AnalysisViews& v) {
  QStringList lines;
  if (sum.rippleEdgeHz) {
    lines << QStringLiteral("リプル端 %1    リプル %2").arg(Hz(*sum.rippleEdgeHz), Db(*sum.rippleDb));
  }
  lines << QStringLiteral("減衰  %1: %2    %3: %4")
               .arg(QString::fromLatin1(hpf ? "fc/2" : "2fc"), Db(sum.attenuationNearDb),
                    QString::fromLatin1(hpf ? "fc/10" : "10fc"), Db(sum.attenuationFarDb));
  lines << QStringLiteral("ステップ応答  オーバーシュート %1 %    1 %整定 %2s    0.1 %整定 %3s")
               .arg(QString::number(v.overshoot.percent, 'f', 2), SiText(v.settlingTimeS, 4),
                    SiText(v.settledSpanS, 4));
  return lines;
}

void TFormAnalysis::FitTableColumns() {
  table_->resizeColumnsToContents();
  // A long 注意 would push the op-amp columns after it far to the right:
  // it is cut at the column's edge (the whole text is its tool tip).
  if (table_->columnWidth(kNoteColumn) > kNoteColumnWidth) table_->setColumnWidth(kNoteColumn, kNoteColumnWidth);
}

void TFormAnalysis::FillTable(const response::AnalysisViews& v, double cutoffHz, bool hpf) {
  table_->setRowCount(static_cast<int>(v.stages.size()));
  int row = 0;
  for (const response::StageEvaluation& s : v.stages) {
    QStringList parts;
    for (const std::string& p : s.parts) parts << QString::fromStdString(p);
    QStringList marks;
    for (const response::RangeMark& m : s.marks) {
      marks << QString::fromStdString(m.part + " " + response::RangeReason(m.issue));
    }
    const QString cells[] = {QString::number(s.stage),
                             QString(s.order == 1 ? analysis_text::kFirstOrder : analysis_text::kSecondOrder),
                             parts.join(QStringLiteral(", ")),
                             Hz(s.f0TargetHz),
                             Optional(s.qTarget, Number),
                             Hz(s.f0Hz),
                             Optional(s.q, Number),
                             Optional(s.f0ErrorPct, Percent),
                             Optional(s.qErrorPct, Percent),
                             Db(s.peak.db),
                             s.peak.hz ? Hz(*s.peak.hz) : QStringLiteral("∞"),
                             Optional(s.ratio, Number),
                             marks.join(QStringLiteral(" / "))};
    for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
      QTableWidgetItem* item = Item(cells[c], c != 2 && c != kNoteColumn);
      if (c == kNoteColumn && !marks.isEmpty()) {
        item->setForeground(QColor(176, 0, 0));
        item->setToolTip(marks.join(QLatin1Char('\n')));
      }
      table_->setItem(row, c, item);
    }
    ++row;
  }
  FitTableColumns();

  const response::ResponseSummary& sum = v.summary;
  QStringList lines;
  lines << QStringLiteral("要求カットオフ %1    実現 −3dB %2Hz")
               .arg(Hz(cutoffHz), QString::fromStdString(values::FormatFrequencyReading(sum.minus3dbHz)));
  const std::string series =
      exports::SeriesDescription(shownRequest_, engine::CheckSeriesTexts(form_.ChosenSeriesTexts()).choice);
  lines << QString::fromUtf8(analysis_text::kResponseLine)
               .arg(QString::fromStdString(values::ResponseLabel(shownRequest_.response, shownRequest_.rippleIndex)),
                    QString::fromUtf8(analysis_text::kCutoffDefinitions[shownRequest_.response]));
  lines << QStringLiteral("部品の値  %1")
               .arg(series.empty() ? QStringLiteral("任意の値") : QString::fromStdString(series));
  lines << QString::fromUtf8(analysis_text::kAsShownValues);
  lines << ResponseSummaryTail(sum, hpf, v);
  summary_->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace kelvara::app
