#pragma once

#include <QImage>
#include <QString>

namespace kelvara::pictgen {

/// Writes the image as a baseline RGB JPEG with libjpeg; false on failure.
bool WriteJpeg(const QImage& image, const QString& path, int quality);

}  // namespace kelvara::pictgen
