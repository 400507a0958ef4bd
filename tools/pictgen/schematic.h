#pragma once

// Schematics of the unity-gain Sallen-Key cascade for the page "回路", and
// the program icon.

#include <QImage>

namespace kelvara::pictgen {

inline constexpr int kPictureWidth = 715;
inline constexpr int kPictureHeight = 210;

/// The cascade of the filter kind (false LPF, true HPF) and order 2..8, with
/// the part numbering of the design engine.
QImage DrawSchematic(bool highPass, int order);

/// The program icon, size x size pixels.
QImage DrawIcon(int size);

}  // namespace kelvara::pictgen
