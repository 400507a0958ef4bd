#pragma once

// The window's faces keep their design names ("ＭＳ Ｐ明朝", "ＭＳ Ｐゴシック");
// where those are not installed they are substituted by the IPA P fonts.

#include <QFont>

namespace kelvara::app {

/// Registers the substitutes once; call after the application exists.
void InstallFontSubstitutes();

/// The bold proportional Mincho face of the window's controls.
QFont MinchoFont(double pointSize);
/// Mincho at a pixel size (the dialogs are laid out in pixels).
QFont MinchoPixelFont(int pixelSize);
/// The Gothic face of the version dialog.
QFont GothicPixelFont(int pixelSize);

}  // namespace kelvara::app
