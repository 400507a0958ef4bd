#pragma once

// Files for the storage tests: a private temporary folder and raw bytes.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "storage/cp932_text.h"
#include "storage/design_file.h"

// Readable failure output for Qt strings and file messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace kelvara::storage {
inline void PrintTo(const DesignFileError& error, std::ostream* os) {
  *os << "{" << error.caption.toStdString() << " / " << error.text.toStdString() << "}";
}
}  // namespace kelvara::storage

namespace kelvara::storage::testing {

class TempFolder {
 public:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  bool valid() const { return dir_.isValid(); }
  QStringList Entries() const {
    return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  }

 private:
  QTemporaryDir dir_;
};

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot create " + path.toStdString());
  f.write(bytes);
}

inline QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

/// Code page 932 bytes of lines, each followed by `lineEnd`.
inline QByteArray Lines(const std::vector<std::string>& lines, const QByteArray& lineEnd = "\r\n") {
  QByteArray out;
  for (const std::string& line : lines) {
    out += EncodeCp932(line).value();
    out += lineEnd;
  }
  return out;
}

}  // namespace kelvara::storage::testing
