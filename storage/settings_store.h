#pragma once

// AppSettings in QSettings: by default the per-user native store of
// organisation "Quor", application "Vornix" (the registry key
// Software\Quor\Vornix on Windows, ~/.config/Quor/Vornix.conf on Linux), all
// values in the group "parameter". Integers are stored as integers, texts as
// strings.
//
// Loading reads the nineteen values in storage order. A missing value is
// written with its default; a value of the wrong type or out of range (a
// text where an integer is due, a colour outside 0..0xFFFFFF, an X-axis list
// position outside 0..12) is replaced by its default and rewritten, and the
// load goes on with the other values. A store that cannot be written is
// reported, never thrown.

#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

#include "storage/app_settings.h"
#include "storage/series_settings.h"

namespace kelvara::storage {

/// Number of entries of the X-axis maximum and minimum lists.
inline constexpr int kXAxisListSize = 13;
/// A settings file larger than this is not read (it cannot be one of ours).
inline constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

/// The value names in storage order: "sheetColor0".."sheetColor7", "formLeft",
/// "formTop", "chartColor", then "chartIndex" j and "ASchartIndex" j for
/// j = 0..3.
QStringList SettingsValueNames();

/// What the last load or save did.
struct SettingsReport {
  /// Values that were missing and were written with their defaults.
  QStringList restored;
  /// Values that could not be used and were replaced by their defaults.
  QStringList replaced;
  /// False when the store could not be written.
  bool written = true;
  /// For the user; empty when nothing went wrong.
  QString problem;
};

/// Reads the settings from the group "parameter" of `settings`, writing
/// missing and unusable values as described above, and flushes the store.
AppSettings LoadSettings(QSettings& settings, SettingsReport* report = nullptr);

/// Writes every value the store does not already hold (a value the next load
/// would read as the same is left as it is, so saving unchanged settings
/// writes nothing) and flushes the store. False when it could not be written.
bool SaveSettings(QSettings& settings, const AppSettings& values, SettingsReport* report = nullptr);

/// The program's settings store.
class QSettingsStore final : public SettingsStore {
 public:
  /// The per-user native store of "Quor" / "Vornix".
  QSettingsStore();
  /// A store kept in a file of the given format, e.g. for tests.
  QSettingsStore(QString fileName, QSettings::Format format);

  AppSettings Load() override;
  void Save(const AppSettings& settings) override;
  QString LastProblem() const override { return report_.problem; }
  std::optional<int> ReadInt(const QString& name) override;
  void WriteInt(const QString& name, int value) override;
  std::optional<QString> ReadText(const QString& name) override;
  void WriteText(const QString& name, const QString& value) override;
  SeriesSettings LoadSeries() override;
  bool SaveSeries(const SeriesSettings& values) override;
  const SettingsReport& LastReport() const { return report_; }

 private:
  std::unique_ptr<QSettings> Open() const;
  /// The file behind the store when it is a file; empty for the registry.
  QString StoreFile() const;
  /// A message when the file behind the store must not be read.
  QString UnusableFileProblem() const;

  QString fileName_;  // empty: the per-user native store
  QSettings::Format format_ = QSettings::NativeFormat;
  SettingsReport report_;
};

}  // namespace kelvara::storage
