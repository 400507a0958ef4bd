#include "tools/pictgen/icon.h"

#include <QPainter>
#include <QPainterPath>

namespace kelvara::pictgen {

QImage DrawIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  p.setPen(QPen(QColor(30, 50, 90), 2));
  p.setBrush(QColor(235, 242, 250));
  p.drawRoundedRect(QRectF(3, 3, 58, 58), 10, 10);
  // Grid and a low-pass response falling past its corner.
  p.setPen(QPen(QColor(170, 185, 205), 1));
  for (int i = 1; i < 4; ++i) {
    p.drawLine(QPointF(8, 8 + 12 * i), QPointF(56, 8 + 12 * i));
    p.drawLine(QPointF(8 + 12 * i, 8), QPointF(8 + 12 * i, 56));
  }
  QPainterPath curve;
  curve.moveTo(8, 20);
  curve.lineTo(30, 20);
  curve.cubicTo(38, 20, 40, 26, 44, 36);
  curve.lineTo(54, 56);
  p.setPen(QPen(QColor(200, 30, 40), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(curve);
  return image;
}

}  // namespace kelvara::pictgen
