#pragma once

// The design file commands of the main window driven without dialogs: the
// test answers each file dialog and records how it was shown.

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/app/app_test_support.h"
#include "values/sheet_record.h"

// Readable failure output for Qt strings (and lists of them).
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace kelvara::app::testing {

/// How a file dialog was shown.
struct DialogShown {
  QFileDialog* dialog = nullptr;
  /// Position of the selected filter.
  int filter = -1;
  /// The file name filled in.
  QString name;
};

class FileWindowTest : public WindowTest {
 protected:
  /// The next dialogs give `path` (nothing: the user cancels).
  void Answer(std::optional<QString> path);
  /// A path in the test's own folder.
  QString Path(const QString& name) const { return folder_.filePath(name); }
  /// The files and folders in the test's folder.
  QStringList Entries() const;

  /// The controls of the shown sheet as a record.
  values::SheetRecord Shown() const;
  /// Types a design into the shown sheet as a user would; `variant` 0..7
  /// gives eight different designs.
  void TypeDesign(int variant);
  /// Types a different design into each sheet and comes back to sheet 1.
  void TypeEightDesigns();

  std::vector<DialogShown> shown;

 private:
  QTemporaryDir folder_;
};

QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);
/// The lines of a file split at CR LF (the last entry is what follows the
/// last CR LF).
QList<QByteArray> CrLfLines(const QByteArray& bytes);

}  // namespace kelvara::app::testing
