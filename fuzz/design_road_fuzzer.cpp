// The whole road of a design file, as the window and kelvara-design walk it:
// arbitrary bytes are written to a file and opened as "開く(&O)" opens it
// (read, checked, brought to the idle look), the sheet's inputs are taken
// from the record, designed like a press of the calculate button (a byte of
// the input may press stop), the result is delivered into the record, saved
// through the atomic writer and read back. The all-sheets file takes the same
// road for each of its sheets, without the design.
//
// The run's clock moves one second every thousand reads instead of with
// the wall, and the step search reads it every 256 steps: a search that
// walks more than about half a million single steps gives up after two of
// these "seconds" rather than after two real ones (its bulk steps keep the
// walks of real designs far shorter), and every input runs the same way
// each time, so whatever the fuzzer finds can be run again.
//
// Checks besides crashes and sanitizer reports: an opened sheet is idle and
// valid; a valid continuous design has finite parts above 0; every delivered
// record can be saved, and reads back exactly as saved.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>

#include "engine/design.h"
#include "engine/sheet_inputs.h"
#include "storage/design_file.h"
#include "tools/designer/delivered_record.h"
#include "tools/designer/headless_design.h"
#include "values/sheet_checks.h"

namespace {

using kelvara::values::SheetRecord;

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

QString PathOf(const char* name) { return Folder().filePath(QString::fromLatin1(name)); }

void WriteInput(const QString& path, const std::uint8_t* data, std::size_t size) {
  QFile file(path);
  Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  Require(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) == static_cast<qint64>(size));
}

void RequireIdleAndValid(const SheetRecord& record) {
  namespace line = kelvara::values::sheet_line;
  Require(record.size() == line::kCount);
  Require(!kelvara::values::ValidateSheetRecord(record));
  SheetRecord idle = record;
  kelvara::values::MakeSheetIdle(idle);
  Require(idle == record);
}

void DesignAndSave(const SheetRecord& opened, std::optional<int> stopAfter) {
  const kelvara::engine::SheetInputs inputs = kelvara::engine::InputsFromRecord(opened);
  const kelvara::engine::DesignRequest request = kelvara::engine::RequestOf(inputs);
  SheetRecord delivered = opened;
  if (kelvara::engine::HasDesignData(request)) {
    std::int64_t reads = 0;
    const std::function<std::int64_t()> clock = [&reads] { return reads++ / 1000; };
    const kelvara::tools::DesignReport report =
        kelvara::tools::RunHeadlessDesign(request, inputs.parts, stopAfter, nullptr, {}, clock);
    // A continuous design that stays valid has parts that can be built (the
    // preferred-value search may leave the zeros of a stage without a
    // candidate, and stop leaves what it held).
    if (report.valid && request.anyValues) {
      for (int i = 0; i < report.order; ++i) {
        Require(std::isfinite(report.parts.r[i]) && report.parts.r[i] > 0);
        Require(std::isfinite(report.parts.c[i]) && report.parts.c[i] > 0);
      }
    }
    delivered = kelvara::tools::DeliveredRecord(opened, inputs, report);
  }
  const QString saved = PathOf("saved.zdn");
  Require(!kelvara::storage::WriteSheetFile(saved, delivered));
  const kelvara::storage::FileResult<SheetRecord> again = kelvara::storage::ReadSheetFile(saved);
  Require(again.ok() && again.value() == delivered);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString input = PathOf("input.zdn");
  WriteInput(input, data, size);
  // The last byte chooses whether and when stop is pressed.
  std::optional<int> stopAfter;
  if (size > 0 && data[size - 1] < 8) stopAfter = data[size - 1] + 1;

  const auto sheet = kelvara::storage::OpenSheetFile(input);
  if (sheet) {
    RequireIdleAndValid(sheet.value());
    DesignAndSave(sheet.value(), stopAfter);
  } else {
    Require(sheet.error().text.contains(QDir::toNativeSeparators(input)));
  }

  const auto all = kelvara::storage::OpenAllSheetsFile(input);
  if (all) {
    Require(sheet.ok() && sheet.value() == all.value()[0]);
    for (const SheetRecord& record : all.value()) RequireIdleAndValid(record);
    const QString saved = PathOf("saved.zdna");
    Require(!kelvara::storage::WriteAllSheetsFile(saved, all.value()));
    const auto again = kelvara::storage::ReadAllSheetsFile(saved);
    Require(again.ok() && again.value() == all.value());
  }
  return 0;
}
