#include "storage/noise_settings.h"

#include <algorithm>

namespace kelvara::storage {
namespace {

const QString kPrefix = QStringLiteral("analysis/");

void ReadInto(SettingsStore& store, const QString& name, QString& value) {
  if (auto text = store.ReadText(kPrefix + name)) value = *text;
}

QString EntryName(int i, const char* field) {
  return QStringLiteral("userOpAmp%1/%2").arg(i).arg(QString::fromLatin1(field));
}

// The fields of an entry with their stored names.
template <typename Entry, typename F>
void ForEachField(Entry& e, F f) {
  f("name", e.name);
  f("gbw", e.gbw);
  f("a0", e.a0);
  f("rout", e.rout);
  f("en", e.en);
  f("enCorner", e.enCorner);
  f("in", e.in);
  f("swing", e.swing);
  f("slew", e.slew);
}

}  // namespace

NoiseTextSettings LoadNoiseTexts(SettingsStore& store) {
  NoiseTextSettings t;
  ReadInto(store, QStringLiteral("opAmpEn"), t.en);
  ReadInto(store, QStringLiteral("opAmpEnCorner"), t.enCorner);
  ReadInto(store, QStringLiteral("opAmpIn"), t.in);
  ReadInto(store, QStringLiteral("opAmpSwing"), t.swing);
  ReadInto(store, QStringLiteral("opAmpSlew"), t.slew);
  ReadInto(store, QStringLiteral("noiseTemperature"), t.temperature);
  return t;
}

void SaveNoiseTexts(SettingsStore& store, const NoiseTextSettings& t) {
  store.WriteText(kPrefix + QStringLiteral("opAmpEn"), t.en);
  store.WriteText(kPrefix + QStringLiteral("opAmpEnCorner"), t.enCorner);
  store.WriteText(kPrefix + QStringLiteral("opAmpIn"), t.in);
  store.WriteText(kPrefix + QStringLiteral("opAmpSwing"), t.swing);
  store.WriteText(kPrefix + QStringLiteral("opAmpSlew"), t.slew);
  store.WriteText(kPrefix + QStringLiteral("noiseTemperature"), t.temperature);
}

std::vector<UserOpAmp> LoadUserOpAmps(SettingsStore& store) {
  std::vector<UserOpAmp> entries;
  const int count =
      std::clamp(store.ReadInt(kPrefix + QStringLiteral("userOpAmpCount")).value_or(0), 0, kMaxUserOpAmps);
  for (int i = 0; i < count; ++i) {
    UserOpAmp e;
    ForEachField(e, [&](const char* field, QString& value) { ReadInto(store, EntryName(i, field), value); });
    if (!e.name.trimmed().isEmpty()) entries.push_back(e);
  }
  return entries;
}

void SaveUserOpAmps(SettingsStore& store, const std::vector<UserOpAmp>& entries) {
  const int count = std::min(static_cast<int>(entries.size()), kMaxUserOpAmps);
  for (int i = 0; i < count; ++i) {
    UserOpAmp e = entries[i];
    ForEachField(e, [&](const char* field, QString& value) { store.WriteText(kPrefix + EntryName(i, field), value); });
  }
  store.WriteInt(kPrefix + QStringLiteral("userOpAmpCount"), count);
}

}  // namespace kelvara::storage
