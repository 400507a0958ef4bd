#pragma once

// Schematics of the unity-gain Sallen-Key cascade: the circuit pictures of
// the page "回路" (drawn by kelvara-pictgen) and the circuit of the design
// report, with each part's value beside its label.

#include <QImage>
#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <map>
#include <utility>
#include <vector>

class QPainter;

namespace kelvara::schematic {

inline constexpr int kPictureWidth = 715;
inline constexpr int kPictureHeight = 210;

/// A point a wire of a drawing of sections ends at, in pixels: a part's
/// end ("R3.a", "R3.b": the ends the layout joins to its nodes a and b),
/// an op-amp's pin ("U2.+", "U2.-", "U2.out": section 2's, counted from 1),
/// the filter's terminals ("in", "out") or a ground symbol ("gnd").
struct DrawnPin {
  QString name;
  QPointF at;
};

/// What a drawing of sections (sections_schematic.h) connects, in pixels:
/// every wire segment (the parts' leads among them; a part's body joins
/// nothing), the pins on them and the junction dots. Two wires are joined
/// where an end of one lies on the other.
struct SchematicWiring {
  std::vector<QLineF> wires;
  std::vector<DrawnPin> pins;
  std::vector<QPointF> dots;
  /// The sections (from 0) drawn as a box of their parts, without a
  /// drawing of their topology.
  std::vector<int> genericSections;
  /// The pixel size the part labels were drawn at.
  double labelPixels = 0;
};

/// Where a picture's ink lies, in pixels: the boxes of its symbols and
/// wires, and of its labels with their texts (the part values among them).
struct SchematicBoxes {
  std::vector<QRectF> ink;
  std::vector<std::pair<QString, QRectF>> labels;
  /// The value printed for each part: its name ("R3") and its text box.
  std::vector<std::pair<QString, QRectF>> values;
  /// The connections of a drawing of sections (empty for DrawSchematic's).
  SchematicWiring wiring;
};

/// The texts printed beside the parts' labels, by part name ("R3" ->
/// "4.70k"); parts without a text get none.
using PartValues = std::map<QString, QString>;

/// Pixel size (picture units) of the value texts.
inline constexpr int kValuePixels = 8;

/// The cascade of the filter kind (false LPF, true HPF) and order 2..8, with
/// the part numbering of the design engine. boxes, when given, receives
/// where everything was drawn; values, when given, are printed beside the
/// labels.
QImage DrawSchematic(bool highPass, int order, SchematicBoxes* boxes = nullptr, const PartValues* values = nullptr);

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
/// added to it, and boxes receives where everything was drawn. Each text of
/// values is printed near its part's label, at the nearest place where it
/// touches no symbol, wire or other text and lies nearer its own label than
/// any other part's (below the label where that is free).
void PaintSchematic(QPainter& p, bool highPass, int order, std::vector<PartLabel>* labels = nullptr,
                    SchematicBoxes* boxes = nullptr, const PartValues* values = nullptr);

}  // namespace kelvara::schematic
