#pragma once

// The messages of the design files, as the window shows them: a caption
// saying what failed and a text naming the file and the problem. `file` is
// the name as the user should see it (the native form of the path).

#include <QString>
#include <optional>

#include "storage/design_file.h"

namespace kelvara::storage::messages {

inline constexpr char kOpenFailedCaption[] = "ファイルを開けません";
inline constexpr char kSaveFailedCaption[] = "ファイルを保存できません";

// Opening.
DesignFileError NoCodePage(const QString& file);
DesignFileError NotFound(const QString& file);
DesignFileError NotAFile(const QString& file);
DesignFileError ReadFailed(const QString& file, const QString& reason);
DesignFileError TooLarge(const QString& file, qint64 bytes);
DesignFileError NulByte(const QString& file, int fileLine);
DesignFileError BadEncoding(const QString& file, int fileLine);
DesignFileError TooShort(const QString& file, DesignFileKind kind, int lines);
/// A line the sheet cannot load; `sheetIndex` is given for all-sheets files.
DesignFileError NewerLayout(const QString& file, const QString& version);
DesignFileError BadLayout(const QString& file, int fileLine, const QString& problem);
DesignFileError BadLine(const QString& file, int fileLine, std::optional<int> sheetIndex, const QString& problem);

// Saving. `place` names the sheet line, e.g. "Sheet ３ の R3 の値".
DesignFileError NoCodePageForSave(const QString& file);
DesignFileError Unencodable(const QString& file, const QString& place, const QString& character);
DesignFileError LineBreakInLine(const QString& file, const QString& place);
DesignFileError InvalidRecord(const QString& file, std::optional<int> sheetIndex, const QString& problem);
DesignFileError WriteFailed(const QString& file, const QString& reason);
/// The target exists and is a folder, a device, a FIFO or a socket.
DesignFileError NotAFileForSave(const QString& file);
DesignFileError NoFileName();

}  // namespace kelvara::storage::messages
