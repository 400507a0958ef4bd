#include "storage/design_file_messages.h"

#include "values/sheet_checks.h"

// Every message passes all its arguments to one arg() call, so that a '%'
// in a file name is never taken for a place marker.

namespace kelvara::storage::messages {
namespace {

DesignFileError OpenError(const QString& text) { return {QString::fromUtf8(kOpenFailedCaption), text}; }
DesignFileError SaveError(const QString& text) { return {QString::fromUtf8(kSaveFailedCaption), text}; }

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

DesignFileError NoCodePage(const QString& file) {
  return OpenError(
      Text("ファイル %1 は開けません。この環境では Shift-JIS（コードページ 932）の文字を変換できません。").arg(file));
}

DesignFileError NotFound(const QString& file) { return OpenError(Text("ファイル %1 が見つかりません。").arg(file)); }

DesignFileError NotAFile(const QString& file) {
  return OpenError(Text("%1 は読み込めるファイルではありません。").arg(file));
}

DesignFileError ReadFailed(const QString& file, const QString& reason) {
  return OpenError(Text("ファイル %1 は読み込めません（%2）。").arg(file, reason));
}

DesignFileError TooLarge(const QString& file, qint64 bytes) {
  return OpenError(Text("ファイル %1 は設計ファイルではありません。大きさが %2 バイトあります"
                        "（設計ファイルは 1 MiB = 1048576 バイトまでです）。")
                       .arg(file, QString::number(bytes)));
}

DesignFileError NulByte(const QString& file, int fileLine) {
  return OpenError(Text("ファイル %1 は設計ファイルではありません。%2 行目に NUL 文字があります。")
                       .arg(file, QString::number(fileLine)));
}

DesignFileError BadEncoding(const QString& file, int fileLine) {
  return OpenError(Text("ファイル %1 は設計ファイルではありません。%2 行目に Shift-JIS（コードページ "
                        "932）として正しくない文字があります。")
                       .arg(file, QString::number(fileLine)));
}

DesignFileError TooShort(const QString& file, DesignFileKind kind, int lines) {
  const char* needed = kind == DesignFileKind::kSheet
                           ? "1 シートの設計ファイルには 49 行が必要です。"
                           : "全てのシートの設計ファイルには 392 行（8 シート × 49 行）が必要です。";
  return OpenError(Text("ファイル %1 は %2 行しかありません。").arg(file, QString::number(lines)) + Text(needed));
}

DesignFileError NewerLayout(const QString& file, const QString& version) {
  return OpenError(Text("ファイル %1 は新しい版の Kelvara で保存された形式（第 %2 版）です。この版では開けません。")
                       .arg(file, version));
}

DesignFileError BadLayout(const QString& file, int fileLine, const QString& problem) {
  return OpenError(Text("ファイル %1 の %2 行目は読み込めません。%3。").arg(file, QString::number(fileLine), problem));
}

DesignFileError BadLine(const QString& file, int fileLine, std::optional<int> sheetIndex, const QString& problem) {
  const QString line = QString::number(fileLine);
  const QString where = sheetIndex
                            ? Text("%1 行目（%2）").arg(line, QString::fromStdString(values::SheetTabName(*sheetIndex)))
                            : Text("%1 行目").arg(line);
  return OpenError(Text("ファイル %1 の %2は読み込めません。%3。").arg(file, where, problem));
}

DesignFileError NoCodePageForSave(const QString& file) {
  return SaveError(
      Text("ファイル %1 に保存できません。この環境では Shift-JIS（コードページ 932）の文字に変換できません。")
          .arg(file));
}

DesignFileError Unencodable(const QString& file, const QString& place, const QString& character) {
  return SaveError(
      Text("ファイル %1 に保存できません。%2に Shift-JIS（コードページ 932）で書けない文字「%3」があります。"
           "その文字を消してから保存して下さい。")
          .arg(file, place, character));
}

DesignFileError LineBreakInLine(const QString& file, const QString& place) {
  return SaveError(Text("ファイル %1 に保存できません。%2に改行または NUL 文字があります。").arg(file, place));
}

DesignFileError InvalidRecord(const QString& file, std::optional<int> sheetIndex, const QString& problem) {
  const QString sheet =
      sheetIndex ? QString::fromStdString(values::SheetTabName(*sheetIndex)) + Text(" の") : Text("シートの");
  return SaveError(
      Text("ファイル %1 に保存できません。%2記録は読み込めない内容です（%3）。").arg(file, sheet, problem));
}

DesignFileError WriteFailed(const QString& file, const QString& reason) {
  return SaveError(Text("ファイル %1 に保存できません（%2）。").arg(file, reason));
}

DesignFileError NotAFileForSave(const QString& file) {
  return SaveError(Text("ファイル %1 に保存できません（通常のファイルではありません。フォルダ、デバイス、名前付き"
                        "パイプなどは置き換えません）。別のファイル名を選んで下さい。")
                       .arg(file));
}

DesignFileError NoFileName() { return SaveError(Text("保存するファイルの名前がありません。")); }

}  // namespace kelvara::storage::messages
