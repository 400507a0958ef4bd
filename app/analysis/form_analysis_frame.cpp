// The frequency range of the analysis window's frequency views: the shown
// design framed, or the X range of the ｆ特 page, chosen in the views' pop-up
// menu.

#include <QActionGroup>
#include <QMenu>

#include "app/analysis/analysis_texts.h"
#include "app/analysis/form_analysis.h"
#include "app/main_window/form_main.h"
#include "app/main_window/response_chart.h"
#include "engine/sheet_inputs.h"
#include "response/view_frame.h"
#include "values/section_record.h"
#include "values/sheet_checks.h"

namespace kelvara::app {

void TFormAnalysis::SetFrequencyRange(FrequencyRange range) {
  frequencyRange_ = range;
  storage::SaveChartPageRange(store_, range == FrequencyRange::kChartPage);
  ScheduleRefresh();
}

void TFormAnalysis::ChooseFrequencies(const ShownDesignSnapshot& snapshot, QStringList& problems) {
  if (frequencyRange_ == FrequencyRange::kDesign) {
    // The cut-offs of the shown sheet and of the compared ones drawn with it.
    // A sheet of sections: the cut-off (centre) it reads.
    const auto sectionCutoff = [](const SectionCurveSource& source) -> std::optional<double> {
      const auto read = response::ReadSheetSections(source.choices, source.lines);
      if (values::ProblemOf(read)) return std::nullopt;
      return std::get<response::SheetSections>(read).sheet.request.cutoffHz;
    };
    std::vector<double> cutoffs{snapshot.request.cutoffHz};
    if (snapshot.sections) {
      if (const auto f = sectionCutoff(*snapshot.sections)) cutoffs.front() = *f;
    }
    if (overlay_->isChecked()) {
      for (const ShownDesignSnapshot::Compared& sheet : snapshot.compared) {
        if (values::IsSectionRecord(sheet.record)) {
          if (values::ValidateSectionRecord(sheet.record)) continue;
          const SectionCurveSource source{response::SectionChoicesOf(sheet.record),
                                          values::SectionLinesOf(sheet.record)};
          if (const auto f = sectionCutoff(source)) cutoffs.push_back(*f);
          continue;
        }
        if (values::ValidateSheetRecord(sheet.record)) continue;
        cutoffs.push_back(engine::RequestOf(engine::InputsFromRecord(sheet.record)).cutoffHz);
      }
    }
    const response::FrequencyFrame frame = response::FrameFrequencies(cutoffs);
    fStart_ = frame.fromHz;
    fTop_ = frame.toHz;
    return;
  }
  const int xMax = snapshot.xMaxPos;
  const int xMin = snapshot.xMinPos;
  if (xMin < xMax || xMax < 0 || xMin < 0) {
    problems << QString(analysis_text::kXRangeFallback);
    fStart_ = 1e3;
    fTop_ = 1e6;
  } else {
    fStart_ = XMinFrequency(xMin);
    fTop_ = XMaxFrequency(xMax);
  }
}

void TFormAnalysis::AddFrequencyRangeActions(QMenu& menu) {
  menu.addSeparator();
  auto* group = new QActionGroup(&menu);
  const std::pair<FrequencyRange, const char*> choices[] = {{FrequencyRange::kDesign, analysis_text::kRangeDesign},
                                                            {FrequencyRange::kChartPage, analysis_text::kRangePage}};
  for (const auto& [range, text] : choices) {
    QAction* action = menu.addAction(QString(text));
    action->setCheckable(true);
    action->setChecked(frequencyRange_ == range);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, range = range] { SetFrequencyRange(range); });
  }
}

}  // namespace kelvara::app
