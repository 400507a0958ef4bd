#pragma once

// Drawing on a report page in millimetres from the page's top-left corner:
// texts, headings and ruled tables, with a cursor that moves down the page.

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

namespace kelvara::app::report {

inline constexpr double kPageWidthMm = 210;
inline constexpr double kPageHeightMm = 297;
inline constexpr double kMarginMm = 15;
inline constexpr double kContentWidthMm = kPageWidthMm - 2 * kMarginMm;
/// The room a table cell's text has is its column less this on both sides.
inline constexpr double kCellPaddingMm = 1.2;

/// One column of a table: heading, width in mm and alignment.
struct Column {
  QString heading;
  double widthMm;
  Qt::Alignment align = Qt::AlignLeft;
};

class ReportCanvas {
 public:
  /// dotsPerMm: the device's resolution.
  ReportCanvas(QPainter& painter, double dotsPerMm);

  QPainter& Painter() { return p_; }
  double Dots(double mm) const { return mm * dotsPerMm_; }
  QRectF Rect(double xMm, double yMm, double wMm, double hMm) const;

  /// The report's font at a size in points.
  static QFont Font(double points, bool bold = false);

  /// Cursor: the top of the next thing drawn, in mm.
  double y = kMarginMm;

  void Text(double xMm, double yMm, double wMm, double hMm, const QString& text, double points,
            Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter, bool bold = false, QColor color = Qt::black);
  /// Lines of text across the content width from the cursor, each wrapped
  /// where it does not fit; moves the cursor below them.
  void Lines(const QStringList& lines, double points, double lineMm = 4.5);
  /// A section heading with a rule under it; moves the cursor below.
  void Heading(const QString& text);
  /// A table with a shaded heading row at the cursor, from xMm; moves the
  /// cursor below it when moveCursor.
  void Table(double xMm, const std::vector<Column>& columns, const std::vector<QStringList>& rows,
             bool moveCursor = true, double rowMm = 5.2, double points = 8.5);
  /// Height of such a table.
  static double TableHeight(std::size_t rows, double rowMm = 5.2) { return rowMm * static_cast<double>(rows + 1); }

 private:
  QPainter& p_;
  double dotsPerMm_;
};

}  // namespace kelvara::app::report
