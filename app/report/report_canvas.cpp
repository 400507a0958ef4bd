#include "app/report/report_canvas.h"

#include <QPen>
#include <algorithm>

namespace kelvara::app::report {

namespace {

const QColor kRule(90, 90, 90);
const QColor kHeadShade(232, 236, 244);
const QColor kHeadingInk(20, 50, 110);

}  // namespace

ReportCanvas::ReportCanvas(QPainter& painter, double dotsPerMm) : p_(painter), dotsPerMm_(dotsPerMm) {}

QRectF ReportCanvas::Rect(double xMm, double yMm, double wMm, double hMm) const {
  return {Dots(xMm), Dots(yMm), Dots(wMm), Dots(hMm)};
}

QFont ReportCanvas::Font(double points, bool bold) {
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

void ReportCanvas::Text(double xMm, double yMm, double wMm, double hMm, const QString& text, double points,
                        Qt::Alignment align, bool bold, QColor color) {
  p_.save();
  p_.setFont(Font(points, bold));
  p_.setPen(color);
  p_.drawText(Rect(xMm, yMm, wMm, hMm), static_cast<int>(align), text);
  p_.restore();
}

void ReportCanvas::Lines(const QStringList& lines, double points, double lineMm) {
  p_.save();
  p_.setFont(Font(points));
  p_.setPen(Qt::black);
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
  const double oneLine =
      p_.boundingRect(Rect(kMarginMm, 0, kContentWidthMm, 100), flags, QStringLiteral("Ag")).height();
  for (const QString& line : lines) {
    const QRectF box = p_.boundingRect(Rect(kMarginMm, y, kContentWidthMm, 100), flags, line);
    // The first line sits as Text() would place it in a row of lineMm.
    const double top = y + (lineMm - oneLine / dotsPerMm_) / 2;
    p_.drawText(Rect(kMarginMm, top, kContentWidthMm, box.height() / dotsPerMm_ + 1), flags, line);
    y += std::max(lineMm, lineMm - oneLine / dotsPerMm_ + box.height() / dotsPerMm_);
  }
  p_.restore();
}

void ReportCanvas::Heading(const QString& text) {
  y += 2;
  Text(kMarginMm, y, kContentWidthMm, 6, text, 11.5, Qt::AlignLeft | Qt::AlignVCenter, true, kHeadingInk);
  y += 6.5;
  p_.save();
  p_.setPen(QPen(kHeadingInk, Dots(0.35)));
  p_.drawLine(QPointF(Dots(kMarginMm), Dots(y)), QPointF(Dots(kMarginMm + kContentWidthMm), Dots(y)));
  p_.restore();
  y += 2;
}

void ReportCanvas::Table(double xMm, const std::vector<Column>& columns, const std::vector<QStringList>& rows,
                         bool moveCursor, double rowMm, double points) {
  double width = 0;
  for (const Column& c : columns) width += c.widthMm;
  const double top = y;
  p_.save();
  p_.fillRect(Rect(xMm, top, width, rowMm), kHeadShade);
  p_.restore();
  auto drawRow = [&](double rowTop, const QStringList& cells, bool head) {
    double x = xMm;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const QString cell = static_cast<qsizetype>(i) < cells.size() ? cells[static_cast<qsizetype>(i)] : QString();
      const Qt::Alignment align = (head ? Qt::AlignHCenter : columns[i].align) | Qt::AlignVCenter;
      Text(x + kCellPaddingMm, rowTop, columns[i].widthMm - 2 * kCellPaddingMm, rowMm, cell, points, align, head);
      x += columns[i].widthMm;
    }
  };
  QStringList headings;
  for (const Column& c : columns) headings << c.heading;
  drawRow(top, headings, true);
  for (std::size_t r = 0; r < rows.size(); ++r) drawRow(top + rowMm * static_cast<double>(r + 1), rows[r], false);

  const double height = TableHeight(rows.size(), rowMm);
  p_.save();
  p_.setPen(QPen(kRule, Dots(0.2)));
  p_.setBrush(Qt::NoBrush);
  p_.drawRect(Rect(xMm, top, width, height));
  for (std::size_t r = 1; r <= rows.size(); ++r) {
    const double ry = top + rowMm * static_cast<double>(r);
    p_.drawLine(QPointF(Dots(xMm), Dots(ry)), QPointF(Dots(xMm + width), Dots(ry)));
  }
  double x = xMm;
  for (std::size_t i = 0; i + 1 < columns.size(); ++i) {
    x += columns[i].widthMm;
    p_.drawLine(QPointF(Dots(x), Dots(top)), QPointF(Dots(x), Dots(top + height)));
  }
  p_.restore();
  if (moveCursor) y = top + height + 2;
}

}  // namespace kelvara::app::report
