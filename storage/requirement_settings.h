#pragma once

// What the window "仕様から設計" keeps between sessions, under names of its
// own in the settings store (group "requirement": the four mask texts, the
// kind, the three constraints as texts with their switches, the yield's
// switch and texts, and the window's place). The nineteen values of the group "parameter" are not
// touched.

#include <QString>
#include <array>
#include <optional>

#include "storage/app_settings.h"

namespace kelvara::storage {

struct RequirementSettings {
  /// fp, Ap, fs, As as typed.
  std::array<QString, 4> mask{QStringLiteral("1k"), QStringLiteral("1"), QStringLiteral("3k"), QStringLiteral("40")};
  int kind = 0;  // 0 LPF, 1 HPF
  /// Largest overshoot (%), delay variation (%) and stage Q as typed, and
  /// whether each is switched on.
  std::array<QString, 3> limits{QStringLiteral("10"), QStringLiteral("10"), QStringLiteral("5")};
  std::array<bool, 3> limitOn{false, false, false};
  /// The yield of the preferred-value candidates: switched on, and the
  /// resistors' and capacitors' tolerances (±%) and the trial count as typed.
  bool yieldOn = false;
  std::array<QString, 3> yield{QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("2000")};
  /// The window's frame, when it has been placed before.
  std::optional<std::array<int, 4>> place;  // left, top, width, height

  bool operator==(const RequirementSettings&) const = default;
};

/// Reads the values; a missing or unusable one gives its default.
RequirementSettings LoadRequirementSettings(SettingsStore& store);

/// Writes every value, or with `before` (what the store holds) only those
/// that differ from it.
void SaveRequirementSettings(SettingsStore& store, const RequirementSettings& values,
                             const RequirementSettings* before = nullptr);

}  // namespace kelvara::storage
