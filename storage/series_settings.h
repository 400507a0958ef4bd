#pragma once

// The preferred-value series the user chose, kept beside the other settings
// under value names of their own (group "partSeries": "capSeries",
// "resSeries", "rMin", "rMax", "cMin", "cMax"), all texts. The nineteen
// values of the group "parameter" are not touched.

#include <QSettings>
#include <QString>

namespace kelvara::storage {

/// As typed in the options dialog; the defaults are the program's own series.
struct SeriesSettings {
  QString cap = QStringLiteral("default");
  QString res = QStringLiteral("default");
  QString rMin = QStringLiteral("0.47");
  QString rMax = QStringLiteral("510k");
  QString cMin = QStringLiteral("1p");
  QString cMax = QStringLiteral("1000u");

  bool operator==(const SeriesSettings&) const = default;
};

/// Reads the group; a missing value or one that is not a short text gives
/// its default (the texts themselves are checked by whoever uses them).
SeriesSettings LoadSeriesSettings(QSettings& settings);

/// Writes every value and flushes; false when the store could not be written.
bool SaveSeriesSettings(QSettings& settings, const SeriesSettings& values);

}  // namespace kelvara::storage
