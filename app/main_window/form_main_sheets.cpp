// The sheet records: the 49 lines that hold one design with the state of its
// buttons and progress bar, their transfer to and from the controls, and the
// tab change that swaps the shown sheet.

#include <algorithm>

#include "app/common/application.h"
#include "app/common/ui_texts.h"
#include "app/main_window/form_main.h"

namespace kelvara::app {

namespace {

using values::BoolLine;
using values::LineIsTrue;
namespace line = values::sheet_line;

/// The control's own enabled flag, whatever its parents say (a sheet is
/// stored while the tab control is locked during a run).
bool OwnEnabled(const QWidget* widget) { return !widget->testAttribute(Qt::WA_ForceDisabled); }

std::string Text(const QString& text) { return text.toStdString(); }

/// Reads the lines of a record for LoadSheet, refusing missing lines and
/// malformed integers with an error for the user.
class RecordReader {
 public:
  explicit RecordReader(const values::SheetRecord& record) : record_(record) {}

  const std::string& Line(int index) const {
    if (index >= static_cast<int>(record_.size())) {
      throw KelvaraError(QString(text::kRecordLineMissing).arg(index));
    }
    return record_[static_cast<std::size_t>(index)];
  }
  QString Text(int index) const { return QString::fromStdString(Line(index)); }
  bool IsTrue(int index) const { return LineIsTrue(Line(index)); }
  int Integer(int index) const {
    const auto value = values::ParseRecordInt(Line(index));
    if (!value) throw KelvaraError(QString(text::kRecordNotInteger).arg(index).arg(Text(index)));
    return *value;
  }
  /// An item index of box; -1 (no selection) only where allowed.
  void Select(QComboBox* box, int index, bool allowNoSelection) const {
    const int value = Integer(index);
    if (value < (allowNoSelection ? -1 : 0) || value >= box->count()) {
      throw KelvaraError(QString(text::kRecordIndexOutOfRange).arg(index).arg(value).arg(box->count() - 1));
    }
    box->setCurrentIndex(value);
  }

 private:
  const values::SheetRecord& record_;
};

}  // namespace

void TFormMain::StoreSheet(values::SheetRecord& record) const {
  record.assign(line::kCount, std::string());
  auto index = [](const QComboBox* box) { return std::to_string(box->currentIndex()); };
  record[line::kPassKind] = index(CBox_HPFLPF);
  record[line::kCutoff] = Text(Edit_Frequency->text());
  record[line::kCircuit] = index(CBox_Circuit);
  record[line::kOrder] = index(CBox_Jisuu);
  record[line::kResponse] = index(CBox_gensui);
  record[line::kRipple] = index(CBox_ripple);
  for (int k = 1; k <= kPartCount; ++k) {
    record[line::RValue(k)] = Text(groupR[k - 1].valueEdit->text());
    record[line::CValue(k)] = Text(groupC[k - 1].valueEdit->text());
  }
  record[line::kCapE12] = BoolLine(chkBoxE12[0]->isChecked());
  record[line::kResE24] = BoolLine(chkBoxE12[1]->isChecked());
  record[line::kAnyValues] = BoolLine(CBox_NoProblem->isChecked());
  for (int k = 1; k <= kPartCount; ++k) {
    record[line::RAuto(k)] = BoolLine(groupR[k - 1].autoButton->isChecked());
    record[line::CAuto(k)] = BoolLine(groupC[k - 1].autoButton->isChecked());
  }
  record[line::kInputsEnabled] = BoolLine(OwnEnabled(CBox_HPFLPF));
  record[line::kRippleEnabled] = BoolLine(OwnEnabled(CBox_ripple));
  record[line::kValsetEnabled] = BoolLine(OwnEnabled(ButtonValset));
  record[line::kStopEnabled] = BoolLine(OwnEnabled(ButtonStop));
  record[line::kFreqEnabled] = BoolLine(OwnEnabled(ButtonFreq));
  record[line::kValsetCaption] = Text(ButtonValset->text());
  record[line::kProgressMax] = std::to_string(PBar->maximum());
  record[line::kProgressPos] = std::to_string(PBar->value());
  // A sheet built of sections keeps its section inputs and parts after the
  // lines every sheet has.
  if (ControlsNeedSections()) values::PutSectionLines(record, CaptureSectionLines());
}

void TFormMain::LoadSheet(const values::SheetRecord& record) {
  const RecordReader in(record);
  // Combo boxes set from code do not run their change rules; text changes do
  // (they reset the bar, which the last line sets again).
  in.Select(CBox_HPFLPF, line::kPassKind, false);
  Edit_Frequency->setText(in.Text(line::kCutoff));
  in.Select(CBox_Circuit, line::kCircuit, false);
  in.Select(CBox_Jisuu, line::kOrder, false);
  in.Select(CBox_gensui, line::kResponse, false);
  in.Select(CBox_ripple, line::kRipple, true);
  if (values::IsSectionRecord(record)) {
    if (const auto problem = values::ValidateSectionRecord(record)) {
      throw KelvaraError(QString::fromStdString(problem->text));
    }
    LoadSectionLines(values::SectionLinesOf(record));
    // The stage and role of every part follow from the choices just set.
    RebuildSectionParts();
  } else {
    ResetSectionLines();
  }
  for (int k = 1; k <= kPartCount; ++k) {
    groupR[k - 1].valueEdit->setText(in.Text(line::RValue(k)));
    groupC[k - 1].valueEdit->setText(in.Text(line::CValue(k)));
  }
  // Each box set here moves the two-state switch as its click rule would:
  // the result follows the last of the three lines.
  SetAnyValuesState(!in.IsTrue(line::kCapE12));
  SetAnyValuesState(!in.IsTrue(line::kResE24));
  SetAnyValuesState(in.IsTrue(line::kAnyValues));
  for (int k = 1; k <= kPartCount; ++k) {
    (in.IsTrue(line::RAuto(k)) ? groupR[k - 1].autoButton : groupR[k - 1].fixButton)->setChecked(true);
    (in.IsTrue(line::CAuto(k)) ? groupC[k - 1].autoButton : groupC[k - 1].fixButton)->setChecked(true);
  }
  if (in.IsTrue(line::kInputsEnabled)) {
    EnableDesignInputs();
  } else {
    DisableDesignInputs();
  }
  CBox_ripple->setEnabled(in.IsTrue(line::kRippleEnabled));
  ButtonValset->setEnabled(in.IsTrue(line::kValsetEnabled));
  ButtonStop->setEnabled(in.IsTrue(line::kStopEnabled));
  ButtonFreq->setEnabled(in.IsTrue(line::kFreqEnabled));
  ButtonValset->setText(in.Text(line::kValsetCaption));
  // The bar keeps its minimum of 0; a position outside the range is clamped.
  const int maximum = std::max(0, in.Integer(line::kProgressMax));
  const int previous = PBar->value();
  PBar->setMaximum(maximum);
  if (PBar->value() < 0) PBar->setValue(std::clamp(previous, 0, maximum));
  PBar->setValue(std::clamp(in.Integer(line::kProgressPos), 0, maximum));
}

void TFormMain::ResetSheet() {
  CBox_HPFLPF->setCurrentIndex(0);
  Edit_Frequency->setText(QString());
  CBox_Circuit->setCurrentIndex(0);
  CBox_Jisuu->setCurrentIndex(0);
  CBox_gensui->setCurrentIndex(0);
  CBox_ripple->setCurrentIndex(0);
  ResetSectionLines();
  for (int k = 0; k < kPartCount; ++k) {
    groupR[k].valueEdit->setText(QString());
    groupC[k].valueEdit->setText(QString());
  }
  SetAnyValuesState(true);
  for (int k = 0; k < kPartCount; ++k) {
    groupR[k].autoButton->setChecked(true);
    groupC[k].autoButton->setChecked(true);
  }
  ButtonValset->setEnabled(true);
  ButtonStop->setEnabled(false);
  ButtonFreq->setEnabled(true);
  EnableDesignInputs();
  ButtonValset->setText(QString::fromUtf8(values::kCaptionIdle.data(), values::kCaptionIdle.size()));
  PBar->setValue(0);
}

int TFormMain::ShownSheet() const { return TabDesign->TabIndex(); }

void TFormMain::TabDesignChanging(int leavingIndex) {
  if (leavingIndex >= 0 && leavingIndex < kSheetCount) StoreSheet(sheets[leavingIndex]);
}

void TFormMain::TabDesignChange(int enteredIndex) {
  if (enteredIndex < 0 || enteredIndex >= kSheetCount) return;
  const values::SheetRecord& record = sheets[enteredIndex];
  if (record.empty()) {
    ResetSheet();
  } else {
    LoadSheet(record);
  }
  AfterLoadSequence();
}

}  // namespace kelvara::app
