#pragma once

// The main window's way into the window "仕様から設計": one item of its
// analysis menu. The window is made on first use as a child of the main
// window (closed and freed with it).

#include <QAction>
#include <QMenu>

#include "storage/app_settings.h"

namespace kelvara::app {

class TFormMain;
class TFormRequirement;

/// Adds "仕様から設計..." (object name "menuRequirement") to `menu`.
QAction* AddRequirementMenu(TFormMain& form, QMenu& menu, storage::SettingsStore& store);

/// The window, once the menu item has opened it; null before.
TFormRequirement* RequirementWindowOf(TFormMain& form);

}  // namespace kelvara::app
