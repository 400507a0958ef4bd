// Design files: one sheet or all sheets saved to and opened from files.
//
// A file is read and checked completely before anything changes: a refused
// file is reported and leaves every record and control as it was. Saving
// goes through a temporary file beside the target, so a failed save leaves
// the old file whole. Sheets opened from a file are idle, whatever look they
// were saved in.

#include <QFileInfo>
#include <optional>
#include <utility>

#include "app/common/application.h"
#include "app/common/file_dialog_popups.h"
#include "app/main_window/form_main.h"
#include "storage/design_file.h"

namespace kelvara::app {

namespace {

// The dialogs' filters: pairs of the text the user sees and the pattern it
// matches. The open dialog's texts carry full-width parentheses.
constexpr const char* kOpenFilter = "データ ファイル（*.zdn）|*.zdn|データ ファイル（*.zdna）|*.zdna";
constexpr const char* kSaveFilter = "データ ファイル(*.zdn)|*.zdn|データ ファイル(*.zdna)|*.zdna";

// Filter positions in both dialogs.
constexpr int kSheetFilter = 0;      // "zdn", one sheet
constexpr int kAllSheetsFilter = 1;  // "zdna", all sheets

// Qt reads a filter's patterns only from ASCII parentheses at its end, so
// "データ ファイル（*.zdn）" alone would match no file at all. Each filter is
// given as "text (patterns)" and the dialogs hide the parenthesised part
// (HideNameFilterDetails): the list shows the text exactly, and the
// patterns do the matching.
QStringList NameFilters(const char* filter) {
  const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
  QStringList nameFilters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    nameFilters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return nameFilters;
}

std::optional<QString> ExecFileDialog(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

void ReportFileError(const storage::DesignFileError& error) {
  ReportError(error.caption + QLatin1Char('\n') + error.text);
}

}  // namespace

// The file dialogs are made when first needed: each reads folders on a
// thread of its own, which a window that never opens or saves a file does
// not need.
QFileDialog& TFormMain::OpenDialog() {
  if (!OpenDialog1) OpenDialog1 = MakeFileDialog("OpenDialog1", QFileDialog::AcceptOpen, kOpenFilter);
  return *OpenDialog1;
}

QFileDialog& TFormMain::SaveDialog() {
  if (!SaveDialog1) SaveDialog1 = MakeFileDialog("SaveDialog1", QFileDialog::AcceptSave, kSaveFilter);
  return *SaveDialog1;
}

QFileDialog* TFormMain::MakeFileDialog(const char* name, QFileDialog::AcceptMode mode, const char* filter) {
  auto* dialog = new QFileDialog(this);
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setAcceptMode(mode);
  // Qt's own dialog, so the filter texts show exactly as given on every
  // platform.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  dialog->setNameFilters(NameFilters(filter));
  dialog->setDefaultSuffix(QString());
  if (mode == QFileDialog::AcceptOpen) {
    dialog->setFileMode(QFileDialog::ExistingFile);
  } else {
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
  }
  KeepCompleterWithDialog(*dialog);
  return dialog;
}

void TFormMain::SetFileDialogRunner(FileDialogRunner runner) { fileDialogRunner_ = std::move(runner); }

std::optional<QString> TFormMain::ChooseFile(QFileDialog& dialog, int filterIndex, QString& lastName,
                                             const QString& suggestion) {
  if (!lastName.isEmpty()) {
    dialog.selectFile(lastName);
  } else if (!suggestion.isEmpty()) {
    dialog.selectFile(suggestion);
  }
  dialog.selectNameFilter(dialog.nameFilters().at(filterIndex));
  std::optional<QString> chosen = fileDialogRunner_ ? fileDialogRunner_(dialog) : ExecFileDialog(dialog);
  if (!chosen || chosen->isEmpty()) return std::nullopt;
  lastName = *chosen;
  return chosen;
}

// A save appends ".zdn" or ".zdna" to the chosen name whatever it ends
// in, so the suggestion is the name without them.
QString TFormMain::SuggestedFileName(int sheet) const {
  const QString& file = sheetFiles_.at(sheet);
  if (file.isEmpty()) return QStringLiteral("Sheet%1").arg(sheet + 1);
  const QFileInfo info(file);
  const QString suffix = info.suffix();
  const bool design = suffix == QLatin1String("zdn") || suffix == QLatin1String("zdna");
  return design ? info.dir().filePath(info.completeBaseName()) : file;
}

void TFormMain::menuOpenFileClick() {
  const int s = ShownSheet();
  const std::optional<QString> path = ChooseFile(OpenDialog(), kSheetFilter, openDialogName_);
  if (!path) return;
  // An all-sheets file gives its first sheet.
  storage::FileResult<values::SheetRecord> opened = storage::OpenSheetFile(*path);
  if (!opened) return ReportFileError(opened.error());
  // The checks above are those LoadSheet makes, so the sheet loads whole.
  // A run still designing the replaced sheet delivers nothing.
  DetachRun(s);
  sheets.at(s) = std::move(opened).value();
  sheetFiles_.at(s) = *path;
  LoadSheet(s);
  AfterLoadSequence();
  emit sheetDesignChanged(s);
}

void TFormMain::menuOpenFileAllClick() {
  const int s = ShownSheet();
  const std::optional<QString> path = ChooseFile(OpenDialog(), kAllSheetsFilter, openDialogName_);
  if (!path) return;
  storage::FileResult<storage::SheetRecords> opened = storage::OpenAllSheetsFile(*path);
  if (!opened) return ReportFileError(opened.error());
  for (int sheet = 0; sheet < kSheetCount; ++sheet) DetachRun(sheet);
  sheets = std::move(opened).value();
  sheetFiles_.fill(*path);
  LoadSheet(s);
  AfterLoadSequence();
  emit sheetDesignChanged(-1);
}

void TFormMain::menuSaveFileClick() {
  const int s = ShownSheet();
  StoreSheet(s);
  const std::optional<QString> chosen = ChooseFile(SaveDialog(), kSheetFilter, saveDialogName_, SuggestedFileName(s));
  if (!chosen) return;
  const QString path = storage::DesignFileName(*chosen, storage::DesignFileKind::kSheet);
  if (const auto error = storage::WriteSheetFile(path, sheets.at(s))) return ReportFileError(*error);
  sheetFiles_.at(s) = path;
}

void TFormMain::menuSaveFileAllClick() {
  StoreSheet(ShownSheet());
  const storage::SheetRecords content = sheets;
  const std::optional<QString> chosen =
      ChooseFile(SaveDialog(), kAllSheetsFilter, saveDialogName_, SuggestedFileName(ShownSheet()));
  if (!chosen) return;
  const QString path = storage::DesignFileName(*chosen, storage::DesignFileKind::kAllSheets);
  if (const auto error = storage::WriteAllSheetsFile(path, content)) return ReportFileError(*error);
  sheetFiles_.fill(path);
}

}  // namespace kelvara::app
