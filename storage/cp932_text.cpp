#include "storage/cp932_text.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace kelvara::storage {
namespace {

template <typename View>
std::vector<View> SplitLinesOf(View text) {
  std::vector<View> lines;
  qsizetype start = 0;
  qsizetype i = 0;
  while (i < text.size()) {
    const auto ch = text[i];
    if (ch != '\r' && ch != '\n') {
      ++i;
      continue;
    }
    lines.push_back(text.sliced(start, i - start));
    i += (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.push_back(text.sliced(start));
  return lines;
}

// Encodes text; nothing when a character cannot be converted.
std::optional<QByteArray> EncodeText(const QString& text) {
  QStringEncoder encoder(kCodePage932, QStringConverter::Flag::Stateless);
  if (!encoder.isValid()) return std::nullopt;
  QByteArray bytes = encoder.encode(text);
  if (encoder.hasError()) return std::nullopt;
  return bytes;
}

}  // namespace

bool Cp932Available() { return QStringDecoder(kCodePage932).isValid() && QStringEncoder(kCodePage932).isValid(); }

std::vector<QByteArrayView> SplitLines(QByteArrayView bytes) { return SplitLinesOf(bytes); }
std::vector<QStringView> SplitLines(QStringView text) { return SplitLinesOf(text); }

int LineNumberAt(QByteArrayView bytes, qsizetype offset) {
  const QByteArrayView before = bytes.first(offset);
  const bool atLineStart = before.isEmpty() || before.back() == '\r' || before.back() == '\n';
  return static_cast<int>(SplitLines(before).size()) + (atLineStart ? 1 : 0);
}

std::optional<QString> DecodeCp932(QByteArrayView bytes) {
  QStringDecoder decoder(kCodePage932, QStringConverter::Flag::Stateless);
  if (!decoder.isValid()) return std::nullopt;
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) return std::nullopt;
  return text;
}

int FirstInvalidLine(QByteArrayView bytes) {
  const std::vector<QByteArrayView> lines = SplitLines(bytes);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // Bytes below 0x80 are all single-byte characters: skip the converter.
    const bool ascii = std::all_of(lines[i].begin(), lines[i].end(), [](char c) { return (c & 0x80) == 0; });
    if (!ascii && !DecodeCp932(lines[i])) return static_cast<int>(i) + 1;
  }
  return 0;
}

std::optional<QByteArray> EncodeCp932(std::string_view utf8) {
  // Invalid UTF-8 turns into U+FFFD, which code page 932 cannot hold.
  return EncodeText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

std::string FirstUnencodableCharacter(std::string_view utf8) {
  const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
    const QString character = text.sliced(i, length);
    if (!EncodeText(character)) return character.toStdString();
    i += length;
  }
  return {};
}

}  // namespace kelvara::storage
