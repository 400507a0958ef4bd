#pragma once

// The pen of the circuit pictures, shared by the drawing of the unity-gain
// Sallen-Key cascade (schematic.cpp) and of any cascade of sections
// (sections_schematic.cpp): the symbols, wires and labels with the boxes of
// their ink, and the placement of the part values beside the labels.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <initializer_list>
#include <vector>

#include "schematic/schematic.h"

namespace kelvara::schematic::detail {

inline const QColor kInk(20, 20, 20);
inline const QColor kPartInk(0, 70, 160);
inline const QColor kNote(110, 110, 110);
inline const QColor kValueInk(150, 30, 30);

class Sheet {
 public:
  Sheet(QPainter& p, std::vector<PartLabel>* labels, SchematicBoxes* boxes) : p_(p), labels_(labels), boxes_(boxes) {}

  void Wire(QPointF a, QPointF b) {
    p_.drawLine(a, b);
    Ink(QRectF(a, b).normalized(), p_.pen().widthF() / 2);
  }
  void Wire(std::initializer_list<QPointF> points) {
    const std::vector<QPointF> v(points);
    for (std::size_t i = 1; i < v.size(); ++i) Wire(v[i - 1], v[i]);
  }
  void Dot(QPointF at) {
    p_.save();
    p_.setBrush(kInk);
    p_.drawEllipse(at, 2.6, 2.6);
    p_.restore();
    Ink(QRectF(at.x() - 2.6, at.y() - 2.6, 5.2, 5.2), p_.pen().widthF() / 2);
  }
  void Terminal(QPointF at) {
    p_.save();
    p_.setBrush(Qt::white);
    p_.drawEllipse(at, 4, 4);
    p_.restore();
    Ink(QRectF(at.x() - 4, at.y() - 4, 8, 8), p_.pen().widthF() / 2);
  }

  // A resistor (box) between two points on one line, 24 long.
  void ResistorH(double x, double y) {  // x = left end of the 24-unit slot
    Wire({x, y}, {x + 2, y});
    DrawBox(QRectF(x + 2, y - 5, 20, 10));
    Wire({x + 22, y}, {x + 24, y});
  }
  void ResistorV(double x, double y) {  // y = upper end of the 24-unit slot
    Wire({x, y}, {x, y + 2});
    DrawBox(QRectF(x - 5, y + 2, 10, 20));
    Wire({x, y + 22}, {x, y + 24});
  }
  void CapacitorH(double x, double y) {
    Wire({x, y}, {x + 9, y});
    Plate({x + 9, y - 9}, {x + 9, y + 9});
    Plate({x + 15, y - 9}, {x + 15, y + 9});
    Wire({x + 15, y}, {x + 24, y});
  }
  void CapacitorV(double x, double y) {
    Wire({x, y}, {x, y + 9});
    Plate({x - 9, y + 9}, {x + 9, y + 9});
    Plate({x - 9, y + 15}, {x + 9, y + 15});
    Wire({x, y + 15}, {x, y + 24});
  }
  void Ground(double x, double y) {
    Wire({x, y - 6}, {x, y});
    Wire({x - 9, y}, {x + 9, y});
    Wire({x - 6, y + 3.5}, {x + 6, y + 3.5});
    Wire({x - 3, y + 7}, {x + 3, y + 7});
  }
  // Op-amp with its left edge at x and its tip at x + 36, its output at
  // height centre and its inputs 12 above and below it (the − input above
  // unless minusOnTop is false).
  void OpAmp(double x, double centre, bool minusOnTop = true) {
    QPainterPath path;
    path.moveTo(x, centre - 28);
    path.lineTo(x, centre + 28);
    path.lineTo(x + 36, centre);
    path.closeSubpath();
    p_.save();
    p_.setBrush(QColor(250, 250, 240));
    p_.drawPath(path);
    Ink(path.boundingRect(), p_.pen().widthF() / 2);
    p_.setFont(Font(9, true));
    const double minus = minusOnTop ? centre - 12 : centre + 12;
    const double plus = minusOnTop ? centre + 12 : centre - 12;
    p_.drawText(QRectF(x + 2, minus - 7, 10, 14), Qt::AlignCenter, QStringLiteral("−"));
    p_.drawText(QRectF(x + 2, plus - 7, 10, 14), Qt::AlignCenter, QStringLiteral("+"));
    p_.restore();
  }
  void Label(QRectF box, const QString& text, Qt::Alignment align, const QColor& color = kPartInk, int size = 10,
             bool bold = true) {
    p_.save();
    p_.setPen(color);
    p_.setFont(Font(size, bold));
    QRectF drawn;
    p_.drawText(box, align, text, &drawn);
    if (boxes_) boxes_->labels.emplace_back(text, p_.transform().mapRect(drawn));
    // Part labels are the ones in the part colour.
    if (labels_ && color == kPartInk) labels_->push_back({text, p_.transform().mapRect(box), align});
    p_.restore();
  }

  static QFont Font(int pixels, bool bold) {
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
  }

 private:
  void Plate(QPointF a, QPointF b) {
    p_.save();
    QPen pen = p_.pen();
    pen.setWidthF(2.4);
    p_.setPen(pen);
    p_.drawLine(a, b);
    p_.restore();
    Ink(QRectF(a, b).normalized(), 1.2);
  }
  void DrawBox(QRectF box) {
    p_.drawRect(box);
    Ink(box, p_.pen().widthF() / 2);
  }
  /// Records ink within a box, widened by half the pen.
  void Ink(QRectF box, double halfPen) {
    if (boxes_) boxes_->ink.push_back(p_.transform().mapRect(box.adjusted(-halfPen, -halfPen, halfPen, halfPen)));
  }
  QPainter& p_;
  std::vector<PartLabel>* labels_;
  SchematicBoxes* boxes_;
};

/// Prints each text of values beside its part's label (labels: the part
/// labels drawn, in device coordinates) at the nearest free place, and
/// records the texts in boxes (PaintSchematic tells the rule).
void PaintValues(QPainter& p, const PartValues& values, const std::vector<PartLabel>& labels, SchematicBoxes& boxes);

}  // namespace kelvara::schematic::detail
