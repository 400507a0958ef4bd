#pragma once

// The text of design files: code page 932 (Windows Shift-JIS) bytes, split
// into lines. The program holds text as UTF-8; these functions convert at
// the file boundary and never substitute a character they cannot convert.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara::storage {

/// Name of code page 932 for Qt's ICU-backed converters (Shift-JIS with the
/// NEC and IBM extensions, as Windows writes it).
inline constexpr char kCodePage932[] = "windows-31j";

/// True when this Qt can convert code page 932 (Qt must be built with ICU).
bool Cp932Available();

/// The lines of a text. CR LF, a lone CR and a lone LF each end a line; a
/// last line without a line end still counts; an empty text has no lines.
/// Splitting raw code page 932 bytes gives the same lines as splitting the
/// decoded text, because neither CR nor LF can be the second byte of a
/// double-byte character.
std::vector<QByteArrayView> SplitLines(QByteArrayView bytes);
std::vector<QStringView> SplitLines(QStringView text);

/// Number (from 1) of the line in which the byte at `offset` stands.
int LineNumberAt(QByteArrayView bytes, qsizetype offset);

/// Decodes code page 932 bytes; nothing when a byte sequence has no
/// character (including a lead byte cut off at the end) or the converter is
/// missing.
std::optional<QString> DecodeCp932(QByteArrayView bytes);

/// Number (from 1) of the first line of the bytes that is not valid code
/// page 932; 0 when every line is.
int FirstInvalidLine(QByteArrayView bytes);

/// Code page 932 bytes of UTF-8 text, or nothing when the text holds a
/// character code page 932 has no code for (an emoji, say) or is not valid
/// UTF-8.
std::optional<QByteArray> EncodeCp932(std::string_view utf8);

/// The first character of utf8 that EncodeCp932 cannot convert, as UTF-8
/// (U+FFFD for a byte that is not valid UTF-8); empty when there is none.
std::string FirstUnencodableCharacter(std::string_view utf8);

}  // namespace kelvara::storage
