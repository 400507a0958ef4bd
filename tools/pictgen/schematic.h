#pragma once

// Schematics of the unity-gain Sallen-Key cascade for the page "回路", and
// the program icon.

#include <QImage>
#include <QRectF>
#include <QString>
#include <vector>

namespace kelvara::pictgen {

inline constexpr int kPictureWidth = 715;
inline constexpr int kPictureHeight = 210;

/// Where a picture's ink lies, in pixels: the boxes of its symbols and
/// wires, and of its labels with their texts.
struct SchematicBoxes {
  std::vector<QRectF> ink;
  std::vector<std::pair<QString, QRectF>> labels;
};

/// The cascade of the filter kind (false LPF, true HPF) and order 2..8, with
/// the part numbering of the design engine. boxes, when given, receives
/// where everything was drawn.
QImage DrawSchematic(bool highPass, int order, SchematicBoxes* boxes = nullptr);

/// The labels whose text box (widened by a pixel all round) meets a symbol,
/// a wire or another label.
std::vector<QString> TouchingLabels(const SchematicBoxes& boxes);

/// The program icon, size x size pixels.
QImage DrawIcon(int size);

}  // namespace kelvara::pictgen
