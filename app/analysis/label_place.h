#pragma once

// Labels in a plot that do not lie on its curves: a label is tried at
// places around the point it names, then in the corners of the plot, and
// goes to the first place where no drawn curve, the legend or the plot's
// edge is in its way.

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

class QCustomPlot;
class QCPItemText;

namespace kelvara::app {

/// Whether a drawn curve of the plot (a graph with a visible pen) passes
/// through the rectangle (pixels of the plot widget).
bool CurvesCross(const QCustomPlot& plot, const QRectF& rect);

/// The label's rectangle in pixels as it is drawn now.
QRectF LabelRect(const QCPItemText& label);

/// Puts a text label in the plot near the point (plot coordinates) where
/// it crosses no curve, with a thin line to the point when it is not beside
/// it. The plot's axes must have their final ranges; the plot is laid out
/// (and replotted) to find the place. Placed again at every layout; hidden
/// while the point is outside the shown ranges (a zoomed view).
QCPItemText* AddClearLabel(QCustomPlot& plot, double x, double y, const QString& text, const QColor& color);

}  // namespace kelvara::app
