#pragma once

// Schematics of the unity-gain Sallen-Key cascade for the page "回路", and
// the program icon.

#include <QImage>
#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

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

/// A part label as drawn: the part's name ("R3") and its text box in the
/// painter's device coordinates.
struct PartLabel {
  QString name;
  QRectF box;
  Qt::Alignment align;
};

/// Paints the same picture on a white kPictureWidth x kPictureHeight area at
/// the painter's origin; when labels is given, every part label drawn is
/// added to it (so a report can print the values beside them), and boxes
/// receives where everything was drawn.
void PaintSchematic(QPainter& p, bool highPass, int order, std::vector<PartLabel>* labels = nullptr,
                    SchematicBoxes* boxes = nullptr);

/// The program icon, size x size pixels.
QImage DrawIcon(int size);

}  // namespace kelvara::pictgen
