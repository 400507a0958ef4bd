#include "app/common/jpeg_image.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace kelvara::app {

namespace {

// Pictures beside the program are small; anything bigger is refused before
// it is read or decoded.
constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
constexpr JDIMENSION kMaxSide = 8192;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

// Corrupt or truncated data is only a warning to libjpeg (it fills in grey);
// such a picture is refused like any other unreadable one.
extern "C" void OnJpegMessage(j_common_ptr info, int level) {
  if (level < 0) OnJpegError(info);
}

// Plain C-style decoding: no object with a destructor lives between setjmp
// and a longjmp from the library. Returns false with err->message set.
bool DecodeInto(const unsigned char* bytes, unsigned long size, ErrorManager* err, QImage* out) {
  jpeg_decompress_struct info;
  std::memset(&info, 0, sizeof info);
  info.err = jpeg_std_error(&err->pub);
  err->pub.error_exit = OnJpegError;
  err->pub.emit_message = OnJpegMessage;
  err->message[0] = '\0';
  if (setjmp(err->jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes, size);
  jpeg_read_header(&info, TRUE);
  if (info.image_width > kMaxSide || info.image_height > kMaxSide) {
    std::snprintf(err->message, sizeof err->message, "%ux%u pixels is too large", info.image_width, info.image_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  *out = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB888);
  if (out->isNull()) {
    std::snprintf(err->message, sizeof err->message, "out of memory");
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out->scanLine(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

std::variant<QImage, JpegFailure> DecodeJpeg(const QByteArray& data) {
  if (data.isEmpty()) return JpegFailure{false, QStringLiteral("empty file")};
  ErrorManager err;
  QImage image;
  if (!DecodeInto(reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size()),
                  &err, &image)) {
    return JpegFailure{false, QString::fromLocal8Bit(err.message)};
  }
  return image;
}

std::variant<QImage, JpegFailure> ReadJpegFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return JpegFailure{true, file.errorString()};
  if (file.size() > kMaxFileBytes) return JpegFailure{false, QStringLiteral("file too large")};
  const QByteArray data = file.read(kMaxFileBytes + 1);
  if (data.size() > kMaxFileBytes) return JpegFailure{false, QStringLiteral("file too large")};
  return DecodeJpeg(data);
}

}  // namespace kelvara::app
