#pragma once

// Where a window that accompanies the main window (the analysis window)
// goes on the screens: its remembered place while that lies on a screen,
// otherwise beside the main window; always wholly on one screen.

#include <QList>
#include <QRect>
#include <QSize>
#include <optional>

namespace kelvara::app {

/// The outer frame (title bar and borders included) of the window to show.
///
/// - `stored`: the frame remembered from the last time, if any. It is kept
///   as it is when it lies wholly on one of `screens`; when it lies partly
///   on a screen (the screens changed, or it was dragged partly off), it is
///   moved, and shrunk if it must, onto the screen it overlaps most; when
///   it lies on no screen at all it is placed as a new window.
/// - a new window takes `defaultFrame`'s size and goes beside `mainFrame`
///   (right, then left, below, above) on the main window's screen, where it
///   covers the main window least: shrunk down to `minimumFrame` to fit
///   beside it, else pushed onto the screen over as little of the main
///   window as it can; never larger than the screen.
/// - `screens` are the screens' available areas (without panels); with none
///   the result is `stored` or the default size at `mainFrame`'s corner.
QRect PlaceBesideWindow(const std::optional<QRect>& stored, const QRect& mainFrame, const QList<QRect>& screens,
                        QSize defaultFrame, QSize minimumFrame);

/// The screen of `screens` that `frame` overlaps most (the nearest to its
/// centre when it overlaps none); -1 when there are no screens.
int ScreenOf(const QRect& frame, const QList<QRect>& screens);

/// `frame` moved (and shrunk where larger) so that it lies wholly on `screen`.
QRect FitOnScreen(QRect frame, const QRect& screen);

}  // namespace kelvara::app
