// Where the analysis window goes: beside the main window the first time,
// where it was left after a restart, and always wholly on a screen, also
// when the remembered place is off every screen or the screens changed.

#include <QGuiApplication>
#include <QScreen>

#include "app/analysis/form_analysis.h"
#include "app/analysis/window_place.h"
#include "tests/app/main_window/chart_test_support.h"

namespace kelvara::app::testing {
namespace {

const QSize kFrame(940, 640);
const QSize kLeast(600, 450);

bool OnAScreen(const QRect& frame, const QList<QRect>& screens) {
  for (const QRect& s : screens)
    if (s.contains(frame)) return true;
  return false;
}

struct PlaceCase {
  const char* name;
  std::optional<QRect> stored;
  QRect main;
  QList<QRect> screens;
  QRect expected;
};

TEST(PlaceBesideWindow, KeepsARememberedPlaceOnAScreenAndPlacesEveryOtherBesideTheMainWindow) {
  const QList<QRect> big = {QRect(0, 0, 1600, 1200)};
  const QList<QRect> two = {QRect(0, 0, 1600, 1200), QRect(1600, 0, 1920, 1080)};
  const QRect main(185, 50, 800, 690);
  const PlaceCase cases[] = {
      // The first time on a 1600 x 1200 screen: the 615 px on the right of
      // the main window are enough for a narrower window.
      {"first, room on the right", std::nullopt, main, big, QRect(985, 50, 615, 640)},
      // With the main window on the right, the room is on its left.
      {"first, room on the left", std::nullopt, QRect(1000, 100, 600, 690), big, QRect(60, 100, 940, 640)},
      // A main window in the middle of a small screen: no side has room
      // enough, the window covers as little of the main window as it can.
      {"first, no room", std::nullopt, QRect(100, 100, 800, 690), {QRect(0, 0, 1024, 768)}, QRect(84, 0, 940, 640)},
      {"remembered on a screen", QRect(300, 200, 700, 500), main, big, QRect(300, 200, 700, 500)},
      {"remembered on the second screen", QRect(2000, 100, 940, 640), main, two, QRect(2000, 100, 940, 640)},
      // The second screen is gone: placed as a new window.
      {"remembered on a screen that is gone", QRect(2000, 100, 940, 640), main, big, QRect(985, 50, 615, 640)},
      {"remembered far off", QRect(-5000, -5000, 940, 640), main, big, QRect(985, 50, 615, 640)},
      // Partly off the screen (the old first place): moved onto it.
      {"remembered partly off", QRect(660, 575, 940, 665), main, big, QRect(660, 535, 940, 665)},
      // Larger than the screen that holds it now: shrunk to it.
      {"remembered larger than the screen", QRect(0, 0, 2400, 1300), main, big, QRect(0, 0, 1600, 1200)},
      // Across two screens: onto the one holding most of it.
      {"remembered across two screens", QRect(1400, 100, 940, 640), main, two, QRect(1600, 100, 940, 640)},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QRect placed = PlaceBesideWindow(c.stored, c.main, c.screens, kFrame, kLeast);
    EXPECT_EQ(placed, c.expected);
    EXPECT_TRUE(OnAScreen(placed, c.screens));
  }
}

TEST(PlaceBesideWindow, IsWhollyOnAScreenForEveryMainWindowPlace) {
  const QList<QRect> screens = {QRect(0, 0, 1600, 1200), QRect(1600, 200, 1280, 1024)};
  for (int x = -300; x <= 2800; x += 131) {
    for (int y = -200; y <= 1300; y += 97) {
      const QRect main(x, y, 800, 690);
      const QRect placed = PlaceBesideWindow(std::nullopt, main, screens, kFrame, kLeast);
      ASSERT_TRUE(OnAScreen(placed, screens)) << x << "," << y;
      EXPECT_GE(placed.width(), kLeast.width());
      EXPECT_GE(placed.height(), kLeast.height());
    }
  }
}

class AnalysisPlace : public ChartTest {
 protected:
  TFormAnalysis& Open() {
    W().menuDesignAnalysis->trigger();
    EXPECT_NE(W().FormAnalysis, nullptr);
    return *W().FormAnalysis;
  }
  static QRect Screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(AnalysisPlace, OpensWhollyOnTheScreenEvenFromAPlaceOffEveryScreen) {
  // A place partly off the screen is covered by the placement function's own
  // table (window_place); here the window is placed from places off every screen.
  const QPoint places[] = {{-5000, -5000}, {30000, 200}, {700, 550}};
  for (const QPoint& place : places) {
    store.ints[TFormAnalysis::kLeftName] = place.x();
    store.ints[TFormAnalysis::kTopName] = place.y();
    store.ints[TFormAnalysis::kWidthName] = 700;
    store.ints[TFormAnalysis::kHeightName] = 500;
    Build(AssetsDir());
    W().show();
    TFormAnalysis& a = Open();
    EXPECT_TRUE(Screen().contains(a.frameGeometry()))
        << place.x() << "," << place.y() << ": " << a.frameGeometry().x() << "," << a.frameGeometry().y() << " "
        << a.frameGeometry().width() << "x" << a.frameGeometry().height() << " on " << Screen().width() << "x"
        << Screen().height() << ", least " << a.minimumSizeHint().width() << "x" << a.minimumSizeHint().height();
    a.close();
  }
}

// "設計の解析..." brings back a window the user minimised (it stayed an
// icon, so the menu seemed to do nothing).
TEST_F(AnalysisPlace, TheMenuBringsBackAMinimisedWindow) {
  TFormAnalysis& a = Open();
  a.showMinimized();
  ASSERT_TRUE(a.isMinimized());
  W().menuDesignAnalysis->trigger();
  EXPECT_FALSE(a.isMinimized());
  EXPECT_TRUE(a.isVisible());
}

TEST_F(AnalysisPlace, FirstOpensWhollyOnTheScreen) {
  TFormAnalysis& a = Open();
  EXPECT_TRUE(Screen().contains(a.frameGeometry()));
}

}  // namespace
}  // namespace kelvara::app::testing
