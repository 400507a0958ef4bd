#include "app/main_window/sections_run.h"

#include <exception>

#include "app/main_window/form_main.h"
#include "app/main_window/section_texts.h"
#include "engine/part_series.h"
#include "engine/series_options.h"
#include "response/section_sheet.h"

namespace kelvara::app {

namespace {

struct Inputs {
  response::SectionSheetChoices choices;
  values::SectionLines lines;
  engine::SeriesTexts series;
};

}  // namespace

void TSectionsRun::Execute() {
  bool failed = false;
  QString failure;
  SectionsRunResult result;
  try {
    Inputs in;
    bool taken = false;
    OnUi([&](TFormMain& form) {
      sheetIndex = form.ShownSheet();
      form.BeginRun();
      in.choices = form.CaptureSectionChoices();
      in.lines = form.CaptureSectionLines();
      in.series = form.ChosenSeriesTexts();
      taken = true;
    });
    auto refuse = [this](const std::string& message) {
      Warn(section_text::kInvalidCaption, message);
      valid = false;
    };
    const auto sheet = response::ReadSectionSheet(in.choices, in.lines);
    const auto* sheetProblem = values::ProblemOf(sheet);
    std::optional<response::SectionSheetPlan> plan;
    if (!taken) {
      // A window that closes, or a sheet replaced meanwhile, takes nothing.
      valid = false;
    } else if (sheetProblem != nullptr) {
      refuse(sheetProblem->message);
    } else {
      auto planned = response::PlanSectionSheet(std::get<response::SectionSheet>(sheet));
      if (const auto* problem = values::ProblemOf(planned)) {
        refuse(problem->message);
      } else {
        plan = std::get<response::SectionSheetPlan>(std::move(planned));
      }
    }
    std::vector<std::optional<double>> fixed;
    if (plan) {
      const auto fixes = response::FixedPartsOf(*plan, in.lines.parts);
      if (const auto* problem = values::ProblemOf(fixes)) {
        refuse(problem->message);
        plan.reset();
      } else {
        fixed = std::get<std::vector<std::optional<double>>>(fixes);
      }
    }
    const engine::PartSeries* series = nullptr;
    if (plan && !in.choices.anyValues) {
      const engine::SeriesTextCheck check = engine::CheckSeriesTexts(response::SectionSeriesTexts(in.series));
      if (check.problem != engine::SeriesTextProblem::kNone) {
        refuse("設定の「E 系列と範囲」を確かめて下さい。");
        plan.reset();
      } else {
        series = &engine::PartSeriesOf(check.choice);
      }
    }
    if (plan) {
      const int steps = response::SectionSheetSteps(*plan, fixed, series);
      OnUi([steps](TFormMain& form) { form.ShowRunProgressMaximum(std::max(1, steps)); });
      progress = 0;
      DesignBegins();
      const response::SectionSheetDesign design = response::DesignSectionSheet(*this, *plan, fixed, series);
      for (const engine::SectionWarning& w : design.warnings) Warn(w.caption, w.text);
      valid = design.valid && !StopRequested();
      if (series == nullptr) progress = 1;
      for (const response::SectionSheetPart& part : response::SectionSheetParts(*plan)) {
        result.names.push_back(part.name);
      }
      result.values = design.values;
    }
  } catch (const std::exception& e) {
    failed = true;
    failure = QString::fromUtf8(e.what());
  } catch (...) {
    failed = true;
  }
  result.failed = failed;
  EndRun(failed, failure, [this, &result](TFormMain& form) {
    result.valid = valid && !result.failed;
    result.progress = progress;
    form.DeliverSectionsRun(sheetIndex, result);
  });
}

}  // namespace kelvara::app
