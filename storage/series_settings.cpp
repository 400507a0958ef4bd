#include "storage/series_settings.h"

#include <array>
#include <utility>

namespace kelvara::storage {
namespace {

constexpr int kMaxTextLength = 64;

std::array<std::pair<const char*, QString SeriesSettings::*>, 6> Fields() {
  return {{{"capSeries", &SeriesSettings::cap},
           {"resSeries", &SeriesSettings::res},
           {"rMin", &SeriesSettings::rMin},
           {"rMax", &SeriesSettings::rMax},
           {"cMin", &SeriesSettings::cMin},
           {"cMax", &SeriesSettings::cMax}}};
}

}  // namespace

SeriesSettings LoadSeriesSettings(QSettings& settings) {
  SeriesSettings values;
  settings.beginGroup(QStringLiteral("partSeries"));
  for (const auto& [name, field] : Fields()) {
    const QVariant v = settings.value(QLatin1String(name));
    if (v.typeId() == QMetaType::QString && v.toString().size() <= kMaxTextLength) values.*field = v.toString();
  }
  settings.endGroup();
  return values;
}

bool SaveSeriesSettings(QSettings& settings, const SeriesSettings& values) {
  settings.beginGroup(QStringLiteral("partSeries"));
  for (const auto& [name, field] : Fields()) settings.setValue(QLatin1String(name), values.*field);
  settings.endGroup();
  settings.sync();
  return settings.isWritable() && settings.status() == QSettings::NoError;
}

}  // namespace kelvara::storage
