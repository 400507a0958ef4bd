#pragma once

// JPEG files decoded with libjpeg. Bad, truncated or oversized files are
// refused with a reason; nothing aborts the program.

#include <QImage>
#include <QString>
#include <variant>

namespace kelvara::app {

struct JpegFailure {
  bool cannotOpen = false;  // the file is missing or unreadable
  QString reason;           // the decoder's explanation otherwise
};

/// The picture of a JPEG file, or why it could not be read.
std::variant<QImage, JpegFailure> ReadJpegFile(const QString& path);

/// The picture of JPEG data in memory, or why it could not be decoded.
std::variant<QImage, JpegFailure> DecodeJpeg(const QByteArray& data);

}  // namespace kelvara::app
