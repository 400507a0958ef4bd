// Feeds arbitrary bytes as the settings file (INI text) to the settings
// store: loading never crashes, and whatever the load makes of the file is
// what the next load reads again, value for value, after a save of it (which
// finds every value in place and writes nothing).

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "storage/settings_store.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// A folder of its own on a RAM disk where there is one: every input is
// written, saved and read back as a file, and a disk's syncs would set the
// pace.
const QTemporaryDir& Folder() {
  static const QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                        ? QStringLiteral("/dev/shm/kelvara-fuzz-XXXXXX")
                                        : QDir::tempPath() + QStringLiteral("/kelvara-fuzz-XXXXXX"));
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString path = Folder().filePath(QStringLiteral("Vornix.conf"));
  {
    QFile file(path);
    Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    Require(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) == static_cast<qint64>(size));
  }
  kelvara::storage::QSettingsStore store(path, QSettings::IniFormat);
  const kelvara::storage::AppSettings loaded = store.Load();
  // The load rewrote what it could not use: loading again changes nothing.
  Require(store.Load() == loaded);
  store.Save(loaded);
  Require(store.LastProblem().isEmpty());
  Require(store.Load() == loaded);
  Require(store.LastReport().restored.isEmpty() && store.LastReport().replaced.isEmpty());
  return 0;
}
