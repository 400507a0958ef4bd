// The preferred-value series of the runs: the menu "設定(&O)" opens the
// options dialog, the choice is kept in the settings store, and the check
// boxes of GBox_E12 name the chosen series when they are not the program's
// own.

#include <QCheckBox>
#include <algorithm>

#include "app/analysis/form_analysis.h"
#include "app/common/application.h"
#include "app/common/ui_texts.h"
#include "app/dialogs/form_series_options.h"
#include "app/main_window/form_main.h"

namespace kelvara::app {
namespace {

// The width the check boxes are made with.
constexpr int kSeriesCheckWidth = 90;

engine::SeriesTexts FromSettings(const storage::SeriesSettings& s) {
  engine::SeriesTexts t;
  t.cap = s.cap.toStdString();
  t.res = s.res.toStdString();
  t.rMin = s.rMin.toStdString();
  t.rMax = s.rMax.toStdString();
  t.cMin = s.cMin.toStdString();
  t.cMax = s.cMax.toStdString();
  return t;
}

storage::SeriesSettings ToSettings(const engine::SeriesTexts& t) {
  return {QString::fromStdString(t.cap),  QString::fromStdString(t.res),  QString::fromStdString(t.rMin),
          QString::fromStdString(t.rMax), QString::fromStdString(t.cMin), QString::fromStdString(t.cMax)};
}

// A check box of GBox_E12 as wide as its text needs, up to the group's
// inner edge; a text longer still is set a little smaller.
void FitSeriesCheck(QCheckBox* check, const QFont& designed) {
  const QWidget* box = check->parentWidget();
  const int room = box->contentsRect().right() - check->x();
  QFont font = designed;
  check->setFont(font);
  while (check->sizeHint().width() > room && font.pointSizeF() > 7) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
    check->setFont(font);
  }
  check->resize(std::clamp(check->sizeHint().width(), kSeriesCheckWidth, room), check->height());
}

}  // namespace

void TFormMain::LoadSeriesChoice() { ApplySeriesTexts(FromSettings(settingsStore_.LoadSeries())); }

void TFormMain::ApplySeriesTexts(const engine::SeriesTexts& texts) {
  engine::SeriesTextCheck check = engine::CheckSeriesTexts(texts);
  seriesTexts_ = check.problem == engine::SeriesTextProblem::kNone ? texts : engine::SeriesTexts{};
  if (check.problem != engine::SeriesTextProblem::kNone) check = engine::CheckSeriesTexts(seriesTexts_);
  partSeries_ = &engine::PartSeriesOf(check.choice);
  const bool capDefault = check.choice.cap == engine::CapSeriesKind::kDefault;
  const bool resDefault = check.choice.res == engine::ResSeriesKind::kDefault;
  auto named = [](const char* part, std::string_view series) {
    return QString::fromUtf8(part) + QString::fromStdString(std::string(series)) + QString::fromUtf8("系列");
  };
  if (chkBoxE12[0]) {
    chkBoxE12[0]->setText(capDefault ? QString(text::kSeriesChecks[0])
                                     : named("Ｃは", engine::CapSeriesName(check.choice.cap)));
  }
  if (chkBoxE12[1]) {
    chkBoxE12[1]->setText(resDefault ? QString(text::kSeriesChecks[1])
                                     : named("Ｒは", engine::ResSeriesName(check.choice.res)));
  }
  QFont designed = GBox_E12->font();
  designed.setPointSizeF(9);  // as the check boxes are made
  for (QCheckBox* check : chkBoxE12) {
    if (check) FitSeriesCheck(check, designed);
  }
  // The analysis window's evaluation names the series.
  if (FormAnalysis) FormAnalysis->ScheduleRefresh();
}

void TFormMain::menuSeriesOptionsClick() {
  TFormSeriesOptions dialog(this);
  dialog.SetTexts(seriesTexts_);
  if (dialog.exec() != QDialog::Accepted) return;
  ChooseSeriesTexts(dialog.Texts());
}

void TFormMain::ChooseSeriesTexts(const engine::SeriesTexts& texts) {
  ApplySeriesTexts(texts);
  if (!settingsStore_.SaveSeries(ToSettings(seriesTexts_))) {
    ReportError(QString::fromUtf8("部品系列の設定を保存できません。この設定は次に起動するときには使われません。"));
  }
}

}  // namespace kelvara::app
