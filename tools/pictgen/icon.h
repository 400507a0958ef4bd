#pragma once

// The program icon as a picture.

#include <QImage>

namespace kelvara::pictgen {

/// The program icon, size x size pixels.
QImage DrawIcon(int size);

}  // namespace kelvara::pictgen
