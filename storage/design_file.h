#pragma once

// Design files: one sheet ("zdn", the 49 lines of one record) or all eight
// sheets ("zdna", 392 lines: the records of sheets 1..8 one after the other),
// plain text in code page 932 with CR LF after every line. There is no
// header, version or checksum.
//
// A file that holds a sheet built of sections (values/section_record.h)
// cannot be written so, and is written in the sections layout instead: the
// line "Kelvara design file 2", the number of sheets (1 or 8), then for each
// sheet its line count and its lines (49 for a sheet of the unity-gain
// Sallen-Key, all of them for a sheet of sections). A file whose first line
// names a newer layout is refused. Files of the unity-gain Sallen-Key alone
// are written as they always were.
//
// Reading refuses, with a message that names the file and the problem,
// anything that is not such a file: unreadable, over 1 MiB, holding a NUL
// byte, not valid code page 932, shorter than the sheets it must hold, or
// with a line the sheet cannot load. The functions only return results; the
// records a caller holds are never touched, so a refused file changes
// nothing. Lines after the last sheet are ignored and not kept: a record read
// from a file has exactly 49 lines, or all the lines of its sheet of sections.
//
// Writing refuses a record that could not be read back (a character code
// page 932 cannot hold, a line break inside a line, an invalid line) and
// writes through WriteFileAtomically (storage/atomic_file.h): a failed save
// (full disk, file-size limit, ...) is reported and leaves the old file as it
// was, and a target that is not a regular file (a folder, a FIFO, a device,
// also behind a symbolic link) is refused.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <optional>
#include <span>
#include <utility>
#include <variant>

#include "values/sheet_record.h"

namespace kelvara::storage {

inline constexpr int kSheetCount = 8;
inline constexpr int kAllSheetsLineCount = kSheetCount * values::sheet_line::kCount;  // 392
/// A real design file is a few kilobytes; anything larger is not one.
inline constexpr qint64 kMaxDesignFileBytes = 1024 * 1024;

using SheetRecords = std::array<values::SheetRecord, kSheetCount>;

enum class DesignFileKind {
  kSheet,      // "zdn": one sheet
  kAllSheets,  // "zdna": all eight sheets
};

/// A message for the user about a file that could not be opened or saved:
/// the caption of the message box and its text, which names the file and
/// says what is wrong.
struct DesignFileError {
  QString caption;
  QString text;
  bool operator==(const DesignFileError&) const = default;
};

/// A value read from or made for a file, or the message why there is none.
template <typename T>
class FileResult {
 public:
  FileResult(T value) : content_(std::move(value)) {}
  FileResult(DesignFileError error) : content_(std::move(error)) {}

  bool ok() const { return std::holds_alternative<T>(content_); }
  explicit operator bool() const { return ok(); }
  /// Only when ok().
  const T& value() const& { return std::get<T>(content_); }
  T&& value() && { return std::get<T>(std::move(content_)); }
  /// Only when not ok().
  const DesignFileError& error() const { return std::get<DesignFileError>(content_); }

 private:
  std::variant<T, DesignFileError> content_;
};

/// Extension of a kind of design file, with its dot: ".zdn" or ".zdna".
QString DesignFileExtension(DesignFileKind kind);

/// The name a save writes to: the chosen name with the extension of its kind
/// appended, unless the name already ends with it (letters in any case), so
/// choosing "lpf.zdn" overwrites "lpf.zdn" instead of writing "lpf.zdn.zdn".
QString DesignFileName(const QString& chosen, DesignFileKind kind);

// --- Records and bytes. `fileName` only names the file in messages. ---

/// The first sheet a file's bytes hold (a single-sheet file, or the first
/// sheet of an all-sheets file).
FileResult<values::SheetRecord> ParseSheetFile(QByteArrayView bytes, const QString& fileName);

/// The eight sheets of an all-sheets file's bytes, 49 lines each, in order.
FileResult<SheetRecords> ParseAllSheetsFile(QByteArrayView bytes, const QString& fileName);

/// Bytes of a single-sheet file. A record longer than 49 lines is written
/// with its first 49 lines, as the next store of the sheet would leave it.
FileResult<QByteArray> SheetFileBytes(const values::SheetRecord& record, const QString& fileName);

/// Bytes of an all-sheets file: 49 lines of each record, sheets 1..8.
FileResult<QByteArray> AllSheetsFileBytes(std::span<const values::SheetRecord, kSheetCount> records,
                                          const QString& fileName);

// --- Files. ---

/// Reads the first sheet of a file exactly as the file holds it.
FileResult<values::SheetRecord> ReadSheetFile(const QString& path);

/// Reads the eight sheets of an all-sheets file exactly as the file holds them.
FileResult<SheetRecords> ReadAllSheetsFile(const QString& path);

/// What "開く(&O)" puts into the shown sheet's record: ReadSheetFile with the
/// sheet brought to its idle look (MakeSheetIdle), since no calculation runs
/// for a sheet that comes from a file.
FileResult<values::SheetRecord> OpenSheetFile(const QString& path);

/// What "全てのシートを開く" puts into the eight records: ReadAllSheetsFile
/// with every sheet brought to its idle look.
FileResult<SheetRecords> OpenAllSheetsFile(const QString& path);

/// Writes a single-sheet file, replacing any file of that name. The path is
/// used as given (apply DesignFileName to the chosen name first). Nothing
/// when saved, otherwise the message; on failure the target is unchanged.
std::optional<DesignFileError> WriteSheetFile(const QString& path, const values::SheetRecord& record);

/// Writes an all-sheets file, replacing any file of that name; as
/// WriteSheetFile.
std::optional<DesignFileError> WriteAllSheetsFile(const QString& path,
                                                  std::span<const values::SheetRecord, kSheetCount> records);

/// Writes bytes as they are (an exported netlist, a parts list, a report)
/// through the atomic save of the design files, with their message when it
/// fails: the target is replaced only when every byte has been written,
/// otherwise it is left as it was.
std::optional<DesignFileError> WriteExportedFile(const QString& path, const QByteArray& bytes);

}  // namespace kelvara::storage
