#include "storage/settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QVariant>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "values/sheet_record.h"

namespace kelvara::storage {
namespace {

constexpr char kOrganisation[] = "Quor";
constexpr char kApplication[] = "Vornix";
constexpr char kGroup[] = "parameter";

enum class Kind {
  kColour,        // red + 256 green + 65536 blue
  kInteger,       // any 32-bit integer (window position, kept chart indices)
  kListPosition,  // position in an X-axis list
  kText,
};

// One stored value: its name, what it must be, and where it lives in the
// record.
struct Entry {
  QString name;
  Kind kind;
  std::int32_t* integer = nullptr;
  QString* text = nullptr;
};

// The stored names, built once: every load and save walks all of them.
struct StoredNames {
  std::array<QString, 8> sheetColor;
  QString formLeft = QStringLiteral("formLeft");
  QString formTop = QStringLiteral("formTop");
  QString chartColor = QStringLiteral("chartColor");
  std::array<QString, 4> chartIndex;
  std::array<QString, 4> chartText;
};

// Eight sheet colours, the window's left and top, the chart colour and four
// chart indices with their texts.
constexpr std::size_t kStoredValueCount = 8 + 2 + 1 + 2 * 4;

const StoredNames& Names() {
  static const StoredNames names = [] {
    StoredNames n;
    for (int i = 0; i < 8; ++i) n.sheetColor[i] = QStringLiteral("sheetColor%1").arg(i);
    for (int j = 0; j < 4; ++j) {
      n.chartIndex[j] = QStringLiteral("chartIndex%1").arg(j);
      n.chartText[j] = QStringLiteral("ASchartIndex%1").arg(j);
    }
    return n;
  }();
  return names;
}

std::vector<Entry> Entries(AppSettings& s) {
  const StoredNames& n = Names();
  std::vector<Entry> entries;
  entries.reserve(kStoredValueCount);
  for (int i = 0; i < 8; ++i) entries.push_back({n.sheetColor[i], Kind::kColour, &s.sheetColor[i]});
  entries.push_back({n.formLeft, Kind::kInteger, &s.formLeft});
  entries.push_back({n.formTop, Kind::kInteger, &s.formTop});
  entries.push_back({n.chartColor, Kind::kColour, &s.chartColor});
  for (int j = 0; j < 4; ++j) {
    // Indices 2 and 3 are the X-axis list positions; 0 and 1 are only kept.
    entries.push_back({n.chartIndex[j], j >= 2 ? Kind::kListPosition : Kind::kInteger, &s.chartIndex[j]});
    entries.push_back({n.chartText[j], Kind::kText, nullptr, &s.chartText[j]});
  }
  return entries;
}

// True when the store keeps every value as text (an INI file, the native
// store on Linux); a typed store (the Windows registry, a property list)
// keeps integers as numbers, and a string there is a value of the wrong type.
bool KeepsValuesAsText(const QSettings& settings) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
  if (settings.format() == QSettings::NativeFormat) return true;
#endif
  return settings.format() == QSettings::IniFormat;
}

std::optional<std::int32_t> StoredInteger(const QVariant& value, bool textStore) {
  switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort: {
      bool ok = false;
      const qlonglong n = value.toLongLong(&ok);
      if (!ok || n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
      }
      return static_cast<std::int32_t>(n);
    }
    case QMetaType::QString:
      if (!textStore) return std::nullopt;
      return values::ParseRecordInt(value.toString().toStdString());
    default:
      return std::nullopt;
  }
}

bool InRange(Kind kind, std::int32_t n) {
  switch (kind) {
    case Kind::kColour:
      return n >= 0 && n <= 0xFFFFFF;
    case Kind::kListPosition:
      return n >= 0 && n < kXAxisListSize;
    default:
      return true;
  }
}

QVariant StoredValue(const Entry& entry) {
  return entry.text ? QVariant(*entry.text) : QVariant(static_cast<int>(*entry.integer));
}

// Reads one value into its field; false when it cannot be used.
bool ReadValue(const QVariant& value, const Entry& entry, bool textStore) {
  if (entry.text) {
    if (value.typeId() != QMetaType::QString) return false;
    *entry.text = value.toString();
    return true;
  }
  const std::optional<std::int32_t> n = StoredInteger(value, textStore);
  if (!n || !InRange(entry.kind, *n)) return false;
  *entry.integer = *n;
  return true;
}

bool SameValue(const Entry& a, const Entry& b) { return a.text ? *a.text == *b.text : *a.integer == *b.integer; }

QString StoreName(const QSettings& settings) { return QDir::toNativeSeparators(settings.fileName()); }

// Flushes the store; false (with the message) when it could not be written.
bool Flush(QSettings& settings, SettingsReport& report) {
  settings.sync();
  if (!settings.isWritable() || settings.status() == QSettings::AccessError) {
    report.written = false;
    report.problem = QString::fromUtf8("設定を %1 に保存できません。").arg(StoreName(settings));
    return false;
  }
  return true;
}

}  // namespace

QStringList SettingsValueNames() {
  AppSettings scratch;
  QStringList names;
  for (const Entry& entry : Entries(scratch)) names << entry.name;
  return names;
}

AppSettings LoadSettings(QSettings& settings, SettingsReport* report) {
  SettingsReport local;
  SettingsReport& r = report ? *report : local;
  r = {};
  AppSettings loaded;
  const bool textStore = KeepsValuesAsText(settings);
  settings.beginGroup(QString::fromLatin1(kGroup));
  for (const Entry& entry : Entries(loaded)) {
    if (!settings.contains(entry.name)) {
      settings.setValue(entry.name, StoredValue(entry));
      r.restored << entry.name;
      continue;
    }
    if (!ReadValue(settings.value(entry.name), entry, textStore)) {
      // The field still holds its default: write that back in place of the
      // unusable value.
      settings.setValue(entry.name, StoredValue(entry));
      r.replaced << entry.name;
    }
  }
  // A file QSettings could not wholly parse is written again from what it
  // read, so that the message is true and the next start reads a clean
  // file. (A save writes the file whole anyway; the format error of the
  // read before it is no problem of the save.)
  const bool formatError = settings.status() == QSettings::FormatError;
  if (formatError) {
    for (const Entry& entry : Entries(loaded)) settings.setValue(entry.name, StoredValue(entry));
  }
  settings.endGroup();
  if (Flush(settings, r) && formatError) {
    r.problem = QString::fromUtf8("設定ファイル %1 の内容が正しくなかったため、読めない設定を既定値で書き直しました。")
                    .arg(StoreName(settings));
  }
  return loaded;
}

bool SaveSettings(QSettings& settings, const AppSettings& values, SettingsReport* report) {
  SettingsReport local;
  SettingsReport& r = report ? *report : local;
  r = {};
  AppSettings copy = values;
  AppSettings held;
  const std::vector<Entry> wanted = Entries(copy);
  const std::vector<Entry> stored = Entries(held);
  const bool textStore = KeepsValuesAsText(settings);
  settings.beginGroup(QString::fromLatin1(kGroup));
  for (std::size_t k = 0; k < wanted.size(); ++k) {
    // A value the next load would read as this one already is stays as it
    // is: saving unchanged settings writes nothing.
    if (ReadValue(settings.value(wanted[k].name), stored[k], textStore) && SameValue(stored[k], wanted[k])) continue;
    settings.setValue(wanted[k].name, StoredValue(wanted[k]));
  }
  settings.endGroup();
  return Flush(settings, r);
}

QSettingsStore::QSettingsStore() = default;

QSettingsStore::QSettingsStore(QString fileName, QSettings::Format format)
    : fileName_(std::move(fileName)), format_(format) {}

std::unique_ptr<QSettings> QSettingsStore::Open() const {
  auto settings = fileName_.isEmpty() ? std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                                    QString::fromLatin1(kOrganisation),
                                                                    QString::fromLatin1(kApplication))
                                      : std::make_unique<QSettings>(fileName_, format_);
  // Only this user's store counts: a value found in an organisation-wide or
  // system-wide file would otherwise hide a missing one.
  settings->setFallbacksEnabled(false);
  return settings;
}

QString QSettingsStore::StoreFile() const {
  if (!fileName_.isEmpty()) return fileName_;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
  // Where QSettings keeps the per-user native store on these systems.
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
         QString::fromLatin1(kOrganisation) + QLatin1Char('/') + QString::fromLatin1(kApplication) +
         QStringLiteral(".conf");
#else
  return {};
#endif
}

QString QSettingsStore::UnusableFileProblem() const {
  const QString file = StoreFile();
  if (file.isEmpty()) return {};
  const QFileInfo info(file);
  if (!info.exists()) return {};
  // QSettings reads the whole file at once and would block on a pipe.
  if (!info.isFile()) {
    return QString::fromUtf8("設定ファイル %1 はファイルではないため使いません。既定の設定を使います。")
        .arg(QDir::toNativeSeparators(file));
  }
  if (info.size() > kMaxSettingsFileBytes) {
    return QString::fromUtf8("設定ファイル %1 は大きすぎるため使いません（%2 バイト）。既定の設定を使います。")
        .arg(QDir::toNativeSeparators(file), QString::number(info.size()));
  }
  return {};
}

AppSettings QSettingsStore::Load() {
  report_ = {};
  if (QString problem = UnusableFileProblem(); !problem.isEmpty()) {
    report_.written = false;
    report_.problem = problem;
    return {};
  }
  const std::unique_ptr<QSettings> settings = Open();
  return LoadSettings(*settings, &report_);
}

void QSettingsStore::Save(const AppSettings& values) {
  report_ = {};
  if (QString problem = UnusableFileProblem(); !problem.isEmpty()) {
    // Leave the odd file alone rather than read it to merge.
    report_.written = false;
    report_.problem = problem;
    return;
  }
  const std::unique_ptr<QSettings> settings = Open();
  SaveSettings(*settings, values, &report_);
}

std::optional<int> QSettingsStore::ReadInt(const QString& name) {
  if (!UnusableFileProblem().isEmpty()) return std::nullopt;
  const std::unique_ptr<QSettings> settings = Open();
  const QVariant value = settings->value(name);
  if (!value.isValid()) return std::nullopt;
  bool ok = false;
  const int v = value.toInt(&ok);
  return ok ? std::optional<int>(v) : std::nullopt;
}

void QSettingsStore::WriteInt(const QString& name, int value) {
  if (!UnusableFileProblem().isEmpty()) return;
  const std::unique_ptr<QSettings> settings = Open();
  settings->setValue(name, value);
  settings->sync();
}

std::optional<QString> QSettingsStore::ReadText(const QString& name) {
  if (!UnusableFileProblem().isEmpty()) return std::nullopt;
  const std::unique_ptr<QSettings> settings = Open();
  const QVariant value = settings->value(name);
  if (!value.isValid() || value.typeId() != QMetaType::QString) return std::nullopt;
  const QString text = value.toString();
  if (text.size() > kMaxLaterText) return std::nullopt;
  return text;
}

void QSettingsStore::WriteText(const QString& name, const QString& value) {
  if (!UnusableFileProblem().isEmpty()) return;
  const std::unique_ptr<QSettings> settings = Open();
  settings->setValue(name, value.left(kMaxLaterText));
  settings->sync();
}

SeriesSettings QSettingsStore::LoadSeries() {
  if (!UnusableFileProblem().isEmpty()) return {};
  const std::unique_ptr<QSettings> settings = Open();
  return LoadSeriesSettings(*settings);
}

bool QSettingsStore::SaveSeries(const SeriesSettings& values) {
  if (!UnusableFileProblem().isEmpty()) return false;
  const std::unique_ptr<QSettings> settings = Open();
  return SaveSeriesSettings(*settings, values);
}

}  // namespace kelvara::storage
