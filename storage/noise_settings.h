#pragma once

// The noise page's settings in the settings store, under names of their
// own: the op-amp's noise and limits and the temperature as typed
// ("analysis/opAmpEn", "analysis/opAmpEnCorner", "analysis/opAmpIn",
// "analysis/opAmpSwing", "analysis/opAmpSlew", "analysis/noiseTemperature"),
// and the user's own op-amps ("analysis/userOpAmpCount", then for entry i
// "analysis/userOpAmp<i>/name", ".../gbw", ".../a0", ".../rout", ".../en",
// ".../enCorner", ".../in", ".../swing", ".../slew"). Texts are kept as
// typed; the window checks them when it reads them.

#include <QString>
#include <vector>

#include "storage/app_settings.h"

namespace kelvara::storage {

/// At most this many user op-amps are kept.
inline constexpr int kMaxUserOpAmps = 32;

struct NoiseTextSettings {
  QString en;
  QString enCorner;
  QString in;
  QString swing;
  QString slew;
  QString temperature = QStringLiteral("25");
};

struct UserOpAmp {
  QString name;
  QString gbw;
  QString a0;
  QString rout;
  QString en;
  QString enCorner;
  QString in;
  QString swing;
  QString slew;
};

/// The texts as stored; a missing one keeps its default.
NoiseTextSettings LoadNoiseTexts(SettingsStore& store);
void SaveNoiseTexts(SettingsStore& store, const NoiseTextSettings& texts);

/// The user's op-amps in stored order; entries without a name are skipped.
std::vector<UserOpAmp> LoadUserOpAmps(SettingsStore& store);
/// Writes the list (the first kMaxUserOpAmps) and its count.
void SaveUserOpAmps(SettingsStore& store, const std::vector<UserOpAmp>& entries);

}  // namespace kelvara::storage
