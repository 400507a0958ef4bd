#include "app/analysis/label_place.h"

#include <qcustomplot.h>

#include <QPointer>
#include <algorithm>
#include <cmath>
#include <vector>

namespace kelvara::app {
namespace {

// Whether the segment from a to b meets the rectangle (Liang-Barsky).
bool SegmentMeets(QPointF a, QPointF b, const QRectF& r) {
  double t0 = 0, t1 = 1;
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  return true;
}

}  // namespace

bool CurvesCross(const QCustomPlot& plot, const QRectF& rect) {
  for (int i = 0; i < plot.graphCount(); ++i) {
    const QCPGraph* graph = plot.graph(i);
    if (!graph->visible() || graph->pen().style() == Qt::NoPen) continue;
    const QCPAxis* key = graph->keyAxis();
    const QCPAxis* value = graph->valueAxis();
    bool havePrevious = false;
    QPointF previous;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it) {
      if (!std::isfinite(it->value)) {
        havePrevious = false;
        continue;
      }
      const QPointF point(key->coordToPixel(it->key), value->coordToPixel(it->value));
      if (havePrevious ? SegmentMeets(previous, point, rect) : rect.contains(point)) return true;
      previous = point;
      havePrevious = true;
    }
  }
  return false;
}

QRectF LabelRect(const QCPItemText& label) {
  return QRectF(label.topLeft->pixelPosition(), label.bottomRight->pixelPosition()).normalized();
}

namespace {

// Keeps a label clear of the curves: placed again after every layout of the
// plot (a view on a hidden tab is laid out when it is shown, a window is
// resized), before the plot is drawn; gone with the label.
class ClearLabelKeeper final : public QObject {
 public:
  ClearLabelKeeper(QCustomPlot& plot, QCPItemText* label, QCPItemLine* line, double x, double y)
      : QObject(&plot), plot_(plot), label_(label), line_(line), x_(x), y_(y) {
    connect(&plot, &QCustomPlot::afterLayout, this, [this] { Place(); });
  }

  void Place() {
    if (!label_ || !line_) {
      deleteLater();
      return;
    }
    const QRect area = plot_.axisRect()->rect();
    const QPointF at(plot_.xAxis->coordToPixel(x_), plot_.yAxis->coordToPixel(y_));
    // A view zoomed or moved away from the point: a label in a corner would
    // name what is not in the picture.
    const bool inView = QRectF(area).contains(at);
    label_->setVisible(inView);
    if (!inView) {
      line_->setVisible(false);
      return;
    }
    const QFontMetricsF metrics(label_->font());
    const QMargins pad = label_->padding();
    const QSizeF size =
        metrics.size(0, label_->text()) + QSizeF(pad.left() + pad.right() + 2, pad.top() + pad.bottom() + 2);
    const QRectF legend = plot_.legend->visible() ? QRectF(plot_.legend->outerRect()) : QRectF();
    // Around the point at growing distances, then the plot's corners.
    std::vector<QPointF> corners;
    for (double gap : {6.0, 24.0, 48.0, 96.0}) {
      corners.push_back(at + QPointF(-size.width() / 2, gap));                   // below
      corners.push_back(at + QPointF(-size.width() / 2, -gap - size.height()));  // above
      corners.push_back(at + QPointF(gap, -size.height() / 2));                  // right
      corners.push_back(at + QPointF(-gap - size.width(), -size.height() / 2));  // left
      corners.push_back(at + QPointF(gap, gap));
      corners.push_back(at + QPointF(-gap - size.width(), gap));
      corners.push_back(at + QPointF(gap, -gap - size.height()));
      corners.push_back(at + QPointF(-gap - size.width(), -gap - size.height()));
    }
    const double m = 4;
    corners.push_back(QPointF(area.left() + m, area.bottom() - m - size.height()));
    corners.push_back(QPointF(area.right() - m - size.width(), area.bottom() - m - size.height()));
    corners.push_back(QPointF(area.left() + m, area.top() + m));
    corners.push_back(QPointF(area.right() - m - size.width(), area.top() + m));
    QPointF chosen = corners.front();
    for (const QPointF& corner : corners) {
      const QRectF rect(corner, size);
      if (!QRectF(area).contains(rect) || rect.intersects(legend) || CurvesCross(plot_, rect.adjusted(-2, -2, 2, 2)))
        continue;
      chosen = corner;
      break;
    }
    // Kept in plot coordinates between layouts.
    auto coords = [this](QPointF px) {
      return QPointF(plot_.xAxis->pixelToCoord(px.x()), plot_.yAxis->pixelToCoord(px.y()));
    };
    label_->position->setCoords(coords(chosen + QPointF(1, 1)));
    const QRectF rect(chosen, size);
    // A line to the point when the label is not next to it.
    const double distance = std::hypot(std::max({rect.left() - at.x(), at.x() - rect.right(), 0.0}),
                                       std::max({rect.top() - at.y(), at.y() - rect.bottom(), 0.0}));
    line_->setVisible(distance > 10);
    const QPointF edge(std::clamp(at.x(), rect.left(), rect.right()), std::clamp(at.y(), rect.top(), rect.bottom()));
    line_->start->setCoords(coords(edge));
    line_->end->setCoords(x_, y_);
  }

 private:
  QCustomPlot& plot_;
  QPointer<QCPItemText> label_;
  QPointer<QCPItemLine> line_;
  double x_, y_;
};

}  // namespace

QCPItemText* AddClearLabel(QCustomPlot& plot, double x, double y, const QString& text, const QColor& color) {
  auto* label = new QCPItemText(&plot);
  label->setText(text);
  label->setColor(color);
  label->setBrush(QColor(255, 255, 255, 230));
  label->setPadding(QMargins(3, 1, 3, 1));
  label->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* line = new QCPItemLine(&plot);
  line->setPen(QPen(color, 1, Qt::DotLine));
  auto* keeper = new ClearLabelKeeper(plot, label, line, x, y);
  plot.replot();  // lays the plot out, and the keeper places the label
  keeper->Place();
  return label;
}

}  // namespace kelvara::app
