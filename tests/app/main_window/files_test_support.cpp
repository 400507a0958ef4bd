#include "tests/app/main_window/files_test_support.h"

#include <QComboBox>
#include <stdexcept>

namespace kelvara::app::testing {

void FileWindowTest::Answer(std::optional<QString> path) {
  W().SetFileDialogRunner([this, path](QFileDialog& dialog) {
    // The filter list of Qt's own dialog; its position is the filter's.
    const auto* filters = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    shown.push_back({&dialog, filters ? filters->currentIndex() : -1, dialog.selectedFiles().value(0)});
    return path;
  });
}

QStringList FileWindowTest::Entries() const {
  return QDir(folder_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

values::SheetRecord FileWindowTest::Shown() const {
  values::SheetRecord record;
  window->StoreSheet(record);
  return record;
}

void FileWindowTest::TypeDesign(int variant) {
  const char* frequencies[] = {"4.7k", "1000", "１ｋ", "0.5M", "33", "2.2k", "10.0k", "100M"};
  TFormMain& w = W();
  const int order = 2 + (variant + 2) % 7;
  Choose(w.CBox_HPFLPF, variant % 2);
  Choose(w.CBox_Jisuu, order - 2);
  // Bessel is refused for HPF, so HPF designs take Chebyshev instead.
  const int response = variant % 3;
  Choose(w.CBox_gensui, variant % 2 == 1 && response == 1 ? 2 : response);
  w.Edit_Frequency->setText(QString::fromUtf8(frequencies[variant]));
  for (int k = 0; k < order; ++k) {
    if ((k + variant) % 3 == 0) continue;  // left to the program
    w.groupR[k].valueEdit->setText(QStringLiteral("%1.%2k").arg(k + 1).arg(variant));
    w.groupC[k].valueEdit->setText(k == 1 ? QStringLiteral("０.０１ｕ") : QStringLiteral("0.0%1u").arg(variant + 1));
    w.groupR[k].fixButton->setChecked(true);
  }
  if (variant % 4 == 1) w.chkBoxE12[0]->click();
}

void FileWindowTest::TypeEightDesigns() {
  for (int i = 0; i < TFormMain::kSheetCount; ++i) {
    SelectTab(i);
    TypeDesign(i);
  }
  SelectTab(0);
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    throw std::runtime_error("cannot write " + path.toStdString());
  }
}

QList<QByteArray> CrLfLines(const QByteArray& bytes) {
  QList<QByteArray> lines;
  qsizetype start = 0;
  for (qsizetype end; (end = bytes.indexOf("\r\n", start)) >= 0; start = end + 2)
    lines << bytes.mid(start, end - start);
  lines << bytes.mid(start);
  return lines;
}

}  // namespace kelvara::app::testing
