#include "app/analysis/window_place.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace kelvara::app {
namespace {

std::int64_t Area(const QRect& r) { return r.isEmpty() ? 0 : std::int64_t(r.width()) * r.height(); }

std::int64_t CentreDistance(const QRect& a, const QRect& b) {
  const QPoint d = a.center() - b.center();
  return std::int64_t(d.x()) * d.x() + std::int64_t(d.y()) * d.y();
}

bool OnAScreen(const QList<QRect>& screens, const QRect& frame) {
  return std::any_of(screens.begin(), screens.end(), [&](const QRect& s) { return s.contains(frame); });
}

// Beside one edge of the main window (0 right, 1 left, 2 below, 3 above),
// aligned with its top or left edge.
QPoint Beside(int side, const QRect& mainFrame, QSize size) {
  switch (side) {
    case 0:
      return QPoint(mainFrame.right() + 1, mainFrame.top());
    case 1:
      return QPoint(mainFrame.left() - size.width(), mainFrame.top());
    case 2:
      return QPoint(mainFrame.left(), mainFrame.bottom() + 1);
    default:
      return QPoint(mainFrame.left(), mainFrame.top() - size.height());
  }
}

// The room on the screen on one side of the main window.
int Room(int side, const QRect& mainFrame, const QRect& screen) {
  switch (side) {
    case 0:
      return screen.right() - mainFrame.right();
    case 1:
      return mainFrame.left() - screen.left();
    case 2:
      return screen.bottom() - mainFrame.bottom();
    default:
      return mainFrame.top() - screen.top();
  }
}

}  // namespace

int ScreenOf(const QRect& frame, const QList<QRect>& screens) {
  int best = -1;
  std::int64_t bestArea = 0;
  std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
  for (int i = 0; i < screens.size(); ++i) {
    const std::int64_t area = Area(screens[i].intersected(frame));
    const std::int64_t distance = CentreDistance(screens[i], frame);
    if (area > bestArea || (area == bestArea && distance < bestDistance)) {
      best = i;
      bestArea = area;
      bestDistance = distance;
    }
  }
  return best;
}

QRect FitOnScreen(QRect frame, const QRect& screen) {
  if (screen.isEmpty()) return frame;
  frame.setWidth(std::min(frame.width(), screen.width()));
  frame.setHeight(std::min(frame.height(), screen.height()));
  frame.moveLeft(std::clamp(frame.left(), screen.left(), screen.right() - frame.width() + 1));
  frame.moveTop(std::clamp(frame.top(), screen.top(), screen.bottom() - frame.height() + 1));
  return frame;
}

QRect PlaceBesideWindow(const std::optional<QRect>& stored, const QRect& mainFrame, const QList<QRect>& screens,
                        QSize defaultFrame, QSize minimumFrame) {
  if (screens.isEmpty()) return stored ? *stored : QRect(mainFrame.topLeft(), defaultFrame);
  if (stored && stored->isValid()) {
    if (OnAScreen(screens, *stored)) return *stored;
    const int screen = ScreenOf(*stored, screens);
    if (Area(screens[screen].intersected(*stored)) > 0) return FitOnScreen(*stored, screens[screen]);
  }
  const QRect screen = screens[std::max(0, ScreenOf(mainFrame, screens))];
  const QSize size = defaultFrame.boundedTo(screen.size());
  const QSize least = minimumFrame.boundedTo(size);
  // In full size where there is room, shrunk to the room while that is at
  // least `minimumFrame`, else pushed onto the screen over the main window.
  // The place that covers least of the main window wins, then one in full
  // size, then the first side.
  QRect best;
  std::int64_t bestCovered = std::numeric_limits<std::int64_t>::max();
  bool bestShrunk = true;
  for (int side = 0; side < 4; ++side) {
    const bool horizontal = side < 2;
    const int room = Room(side, mainFrame, screen);
    QSize fitted = size;
    if (horizontal && room < size.width() && room >= least.width()) fitted.setWidth(room);
    if (!horizontal && room < size.height() && room >= least.height()) fitted.setHeight(room);
    const bool shrunk = fitted != size;
    const QRect placed = FitOnScreen(QRect(Beside(side, mainFrame, fitted), fitted), screen);
    const std::int64_t covered = Area(placed.intersected(mainFrame));
    if (covered < bestCovered || (covered == bestCovered && bestShrunk && !shrunk)) {
      best = placed;
      bestCovered = covered;
      bestShrunk = shrunk;
    }
  }
  return best;
}

}  // namespace kelvara::app
