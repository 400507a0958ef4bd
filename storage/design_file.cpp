#include "storage/design_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "storage/atomic_file.h"
#include "storage/cp932_text.h"
#include "storage/design_file_messages.h"
#include "values/section_record.h"
#include "values/sheet_checks.h"

namespace kelvara::storage {
namespace {

using values::MakeSheetIdle;
using values::RecordProblem;
using values::SheetLineName;
using values::SheetRecord;
using values::SheetTabName;
using values::ValidateSheetRecord;
constexpr int kSheetLines = values::sheet_line::kCount;
// The layout of files that hold sheets of sections; older files have no
// header and are read as they always were.
constexpr char kLayoutHeaderPrefix[] = "Kelvara design file ";
constexpr int kSectionsLayout = 2;

QByteArray LayoutHeader(int sheets) {
  return QByteArray(kLayoutHeaderPrefix) + QByteArray::number(kSectionsLayout) + "\r\n" + QByteArray::number(sheets) +
         "\r\n";
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

int RequiredLines(DesignFileKind kind) { return kind == DesignFileKind::kSheet ? kSheetLines : kAllSheetsLineCount; }

// The first lines of a design file as UTF-8, after the checks every design
// file must pass: size, no NUL, valid code page 932 throughout, enough lines.
FileResult<std::vector<std::string>> FileLines(QByteArrayView bytes, const QString& file, DesignFileKind kind) {
  if (!Cp932Available()) return messages::NoCodePage(file);
  if (bytes.size() > kMaxDesignFileBytes) return messages::TooLarge(file, bytes.size());
  if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) return messages::NulByte(file, LineNumberAt(bytes, nul));
  const std::optional<QString> text = DecodeCp932(bytes);
  if (!text) return messages::BadEncoding(file, FirstInvalidLine(bytes));
  const std::vector<QStringView> all = SplitLines(QStringView(*text));
  const int required = RequiredLines(kind);
  if (static_cast<int>(all.size()) < required) return messages::TooShort(file, kind, static_cast<int>(all.size()));
  std::vector<std::string> lines;
  lines.reserve(required);
  for (int i = 0; i < required; ++i) lines.push_back(all[i].toString().toStdString());
  return lines;
}

// The lines of a file after the checks every design file must pass (size,
// no NUL, valid code page 932 throughout), all of them.
FileResult<std::vector<QString>> AllLines(QByteArrayView bytes, const QString& file) {
  if (!Cp932Available()) return messages::NoCodePage(file);
  if (bytes.size() > kMaxDesignFileBytes) return messages::TooLarge(file, bytes.size());
  if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) return messages::NulByte(file, LineNumberAt(bytes, nul));
  const std::optional<QString> text = DecodeCp932(bytes);
  if (!text) return messages::BadEncoding(file, FirstInvalidLine(bytes));
  std::vector<QString> lines;
  for (const QStringView line : SplitLines(QStringView(*text))) lines.push_back(line.toString());
  return lines;
}

// A file of sheets of sections: its first line names the layout.
bool HasLayoutHeader(const std::vector<QString>& lines) {
  return !lines.empty() && lines.front().startsWith(QString::fromLatin1(kLayoutHeaderPrefix));
}

// The records of a file of the sections layout: the header, the number of
// sheets (1 or 8), then each sheet's line count and lines. `wanted` sheets
// are read (1: the first of either kind).
FileResult<std::vector<SheetRecord>> LayoutRecords(const std::vector<QString>& lines, const QString& file, int wanted) {
  const QString version = lines.front().mid(static_cast<qsizetype>(std::strlen(kLayoutHeaderPrefix)));
  bool numeric = false;
  const int v = version.toInt(&numeric);
  if (!numeric || v < kSectionsLayout) return messages::BadLayout(file, 1, QString::fromUtf8("形式の名前が違います"));
  if (v > kSectionsLayout) return messages::NewerLayout(file, version);
  auto count = [&](std::size_t at, int low, int high) -> std::optional<int> {
    if (at >= lines.size()) return std::nullopt;
    bool ok = false;
    const int n = lines[at].toInt(&ok);
    return ok && n >= low && n <= high ? std::optional<int>(n) : std::nullopt;
  };
  const std::optional<int> sheets = count(1, 1, kSheetCount);
  if (!sheets || (*sheets != 1 && *sheets != kSheetCount)) {
    return messages::BadLayout(file, 2, QString::fromUtf8("シートの数は 1 か 8 でなければなりません"));
  }
  if (*sheets < wanted) {
    return messages::BadLayout(file, 2, QString::fromUtf8("全てのシートのファイルではありません（1 シートです）"));
  }
  const int maxLines =
      values::section_line::kFirstPart + values::section_line::kLinesPerPart * values::kMaxSectionRecordParts;
  std::vector<SheetRecord> records;
  std::size_t at = 2;
  for (int sheet = 0; sheet < wanted; ++sheet) {
    const std::optional<int> n = count(at, kSheetLines, maxLines);
    if (!n) {
      return messages::BadLayout(
          file, static_cast<int>(at) + 1,
          QString::fromUtf8("シートの行数がないか、%1～%2 ではありません").arg(kSheetLines).arg(maxLines));
    }
    if (at + 1 + static_cast<std::size_t>(*n) > lines.size()) {
      return messages::BadLayout(
          file, static_cast<int>(lines.size()),
          QString::fromUtf8("%1 のシートの行が足りません").arg(QString::fromStdString(values::SheetTabName(sheet))));
    }
    SheetRecord record;
    for (int i = 0; i < *n; ++i) record.push_back(lines[at + 1 + static_cast<std::size_t>(i)].toStdString());
    const bool sections = values::IsSectionRecord(record);
    std::optional<RecordProblem> problem =
        sections ? values::ValidateSectionRecord(record) : ValidateSheetRecord(record);
    if (!problem && !sections && *n != kSheetLines) {
      problem = RecordProblem{kSheetLines, "このシートの行は 49 行です"};
    }
    if (problem) {
      return messages::BadLine(file, static_cast<int>(at) + 2 + problem->line,
                               wanted == 1 ? std::nullopt : std::optional<int>(sheet), FromUtf8(problem->text));
    }
    records.push_back(std::move(record));
    at += 1 + static_cast<std::size_t>(*n);
  }
  return records;
}

// Record of sheet `sheet` (0..7) of the lines, checked for loading.
FileResult<SheetRecord> SheetOfLines(const std::vector<std::string>& lines, int sheet, const QString& file,
                                     std::optional<int> sheetIndexInMessage) {
  const auto first = lines.begin() + static_cast<std::ptrdiff_t>(sheet) * kSheetLines;
  SheetRecord record(first, first + kSheetLines);
  if (const std::optional<RecordProblem> problem = ValidateSheetRecord(record)) {
    return messages::BadLine(file, sheet * kSheetLines + problem->line + 1, sheetIndexInMessage,
                             FromUtf8(problem->text));
  }
  return record;
}

// Where a record line is, for save messages: "Sheet ３ の R3 の値" or "R3 の値".
QString Place(std::optional<int> sheet, int line) {
  const QString name = FromUtf8(SheetLineName(line));
  return sheet ? FromUtf8(SheetTabName(*sheet)) + QString::fromUtf8(" の ") + name : name;
}

// Appends the first 49 lines of a record as the file holds them (a record
// of sections: all its lines), in the sections layout after their count.
std::optional<DesignFileError> AppendRecord(QByteArray& out, const SheetRecord& record, std::optional<int> sheet,
                                            const QString& file, bool withCount) {
  const bool sections = values::IsSectionRecord(record);
  if (const std::optional<RecordProblem> problem =
          sections ? values::ValidateSectionRecord(record) : ValidateSheetRecord(record)) {
    return messages::InvalidRecord(file, sheet, FromUtf8(problem->text));
  }
  const int count = sections ? static_cast<int>(record.size()) : kSheetLines;
  if (withCount) {
    out += QByteArray::number(count);
    out += "\r\n";
  }
  for (int line = 0; line < count; ++line) {
    const std::string& text = record[line];
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
      return messages::LineBreakInLine(file, Place(sheet, line));
    }
    const std::optional<QByteArray> bytes = EncodeCp932(text);
    if (!bytes) return messages::Unencodable(file, Place(sheet, line), FromUtf8(FirstUnencodableCharacter(text)));
    out += *bytes;
    out += "\r\n";
  }
  return std::nullopt;
}

FileResult<QByteArray> ReadFileBytes(const QString& path, const QString& file) {
  const QFileInfo info(path);
  if (!info.exists()) return messages::NotFound(file);
  // Only regular files: opening a FIFO or a device could block or never end.
  if (!info.isFile()) return messages::NotAFile(file);
  if (info.size() > kMaxDesignFileBytes) return messages::TooLarge(file, info.size());
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) return messages::ReadFailed(file, in.errorString());
  // Read one byte beyond the size to catch a file that grew since the check
  // (asking for no more than that: QIODevice::read reserves what is asked).
  QByteArray bytes = in.read(info.size() + 1);
  if (in.error() == QFileDevice::NoError && bytes.size() > info.size()) {
    bytes += in.read(kMaxDesignFileBytes + 1 - bytes.size());
  }
  if (in.error() != QFileDevice::NoError) return messages::ReadFailed(file, in.errorString());
  if (bytes.size() > kMaxDesignFileBytes) return messages::TooLarge(file, bytes.size());
  return bytes;
}

std::optional<DesignFileError> WriteFileBytes(const QString& path, const QString& file, const QByteArray& bytes) {
  const std::optional<AtomicWriteError> error = WriteFileAtomically(path, bytes);
  if (!error) return std::nullopt;
  switch (error->kind) {
    case AtomicWriteError::Kind::kNotRegularFile:
      return messages::NotAFileForSave(file);
    case AtomicWriteError::Kind::kEmptyPath:
      return messages::NoFileName();
    case AtomicWriteError::Kind::kFailed:
      break;
  }
  return messages::WriteFailed(file, error->reason);
}

QString ShownName(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

QString DesignFileExtension(DesignFileKind kind) {
  return kind == DesignFileKind::kSheet ? QStringLiteral(".zdn") : QStringLiteral(".zdna");
}

QString DesignFileName(const QString& chosen, DesignFileKind kind) {
  const QString extension = DesignFileExtension(kind);
  return chosen.endsWith(extension, Qt::CaseInsensitive) ? chosen : chosen + extension;
}

FileResult<SheetRecord> ParseSheetFile(QByteArrayView bytes, const QString& fileName) {
  if (FileResult<std::vector<QString>> all = AllLines(bytes, fileName); all && HasLayoutHeader(all.value())) {
    FileResult<std::vector<SheetRecord>> records = LayoutRecords(all.value(), fileName, 1);
    if (!records) return records.error();
    return std::move(records).value().front();
  }
  FileResult<std::vector<std::string>> lines = FileLines(bytes, fileName, DesignFileKind::kSheet);
  if (!lines) return lines.error();
  return SheetOfLines(lines.value(), 0, fileName, std::nullopt);
}

FileResult<SheetRecords> ParseAllSheetsFile(QByteArrayView bytes, const QString& fileName) {
  if (FileResult<std::vector<QString>> all = AllLines(bytes, fileName); all && HasLayoutHeader(all.value())) {
    FileResult<std::vector<SheetRecord>> read = LayoutRecords(all.value(), fileName, kSheetCount);
    if (!read) return read.error();
    SheetRecords records;
    for (int sheet = 0; sheet < kSheetCount; ++sheet) records[sheet] = std::move(read.value()[sheet]);
    return records;
  }
  FileResult<std::vector<std::string>> lines = FileLines(bytes, fileName, DesignFileKind::kAllSheets);
  if (!lines) return lines.error();
  SheetRecords records;
  for (int sheet = 0; sheet < kSheetCount; ++sheet) {
    FileResult<SheetRecord> record = SheetOfLines(lines.value(), sheet, fileName, sheet);
    if (!record) return record.error();
    records[sheet] = std::move(record).value();
  }
  return records;
}

FileResult<QByteArray> SheetFileBytes(const SheetRecord& record, const QString& fileName) {
  if (!Cp932Available()) return messages::NoCodePageForSave(fileName);
  QByteArray bytes;
  const bool layout = values::IsSectionRecord(record);
  if (layout) bytes += LayoutHeader(1);
  if (std::optional<DesignFileError> error = AppendRecord(bytes, record, std::nullopt, fileName, layout)) {
    return *error;
  }
  return bytes;
}

FileResult<QByteArray> AllSheetsFileBytes(std::span<const SheetRecord, kSheetCount> records, const QString& fileName) {
  if (!Cp932Available()) return messages::NoCodePageForSave(fileName);
  QByteArray bytes;
  const bool layout = std::any_of(records.begin(), records.end(), values::IsSectionRecord);
  if (layout) bytes += LayoutHeader(kSheetCount);
  for (int sheet = 0; sheet < kSheetCount; ++sheet) {
    if (std::optional<DesignFileError> error = AppendRecord(bytes, records[sheet], sheet, fileName, layout)) {
      return *error;
    }
  }
  return bytes;
}

FileResult<SheetRecord> ReadSheetFile(const QString& path) {
  const QString file = ShownName(path);
  FileResult<QByteArray> bytes = ReadFileBytes(path, file);
  if (!bytes) return bytes.error();
  return ParseSheetFile(bytes.value(), file);
}

FileResult<SheetRecords> ReadAllSheetsFile(const QString& path) {
  const QString file = ShownName(path);
  FileResult<QByteArray> bytes = ReadFileBytes(path, file);
  if (!bytes) return bytes.error();
  return ParseAllSheetsFile(bytes.value(), file);
}

FileResult<SheetRecord> OpenSheetFile(const QString& path) {
  FileResult<SheetRecord> read = ReadSheetFile(path);
  if (!read) return read;
  SheetRecord record = std::move(read).value();
  MakeSheetIdle(record);
  return record;
}

FileResult<SheetRecords> OpenAllSheetsFile(const QString& path) {
  FileResult<SheetRecords> read = ReadAllSheetsFile(path);
  if (!read) return read;
  SheetRecords records = std::move(read).value();
  for (SheetRecord& record : records) MakeSheetIdle(record);
  return records;
}

std::optional<DesignFileError> WriteSheetFile(const QString& path, const SheetRecord& record) {
  const QString file = ShownName(path);
  FileResult<QByteArray> bytes = SheetFileBytes(record, file);
  if (!bytes) return bytes.error();
  return WriteFileBytes(path, file, bytes.value());
}

std::optional<DesignFileError> WriteAllSheetsFile(const QString& path,
                                                  std::span<const SheetRecord, kSheetCount> records) {
  const QString file = ShownName(path);
  FileResult<QByteArray> bytes = AllSheetsFileBytes(records, file);
  if (!bytes) return bytes.error();
  return WriteFileBytes(path, file, bytes.value());
}

std::optional<DesignFileError> WriteExportedFile(const QString& path, const QByteArray& bytes) {
  return WriteFileBytes(path, ShownName(path), bytes);
}

}  // namespace kelvara::storage
