// Feeds arbitrary bytes to the design file reader as a single-sheet and as
// an all-sheets file. Besides crashes and sanitizer reports it checks what
// the reader promises: a file it accepts yields whole sheets that load, can
// be saved again, and read back unchanged.

#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "storage/design_file.h"
#include "values/sheet_checks.h"

namespace {

using kelvara::storage::FileResult;
using kelvara::values::SheetRecord;

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckSheet(const SheetRecord& record) {
  Require(record.size() == kelvara::values::sheet_line::kCount);
  Require(!kelvara::values::ValidateSheetRecord(record));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString name = QStringLiteral("fuzz.zdn");

  const FileResult<SheetRecord> sheet = kelvara::storage::ParseSheetFile(bytes, name);
  if (sheet) {
    CheckSheet(sheet.value());
    const FileResult<QByteArray> saved = kelvara::storage::SheetFileBytes(sheet.value(), name);
    Require(saved.ok());
    const FileResult<SheetRecord> again = kelvara::storage::ParseSheetFile(saved.value(), name);
    Require(again.ok() && again.value() == sheet.value());
  } else {
    Require(!sheet.error().text.isEmpty() && sheet.error().text.contains(name));
  }

  const FileResult<kelvara::storage::SheetRecords> all = kelvara::storage::ParseAllSheetsFile(bytes, name);
  if (all) {
    for (const SheetRecord& record : all.value()) CheckSheet(record);
    // Opening an all-sheets file as one sheet gives its first sheet.
    Require(sheet.ok() && sheet.value() == all.value()[0]);
    const FileResult<QByteArray> saved = kelvara::storage::AllSheetsFileBytes(all.value(), name);
    Require(saved.ok());
    const FileResult<kelvara::storage::SheetRecords> again = kelvara::storage::ParseAllSheetsFile(saved.value(), name);
    Require(again.ok() && again.value() == all.value());
  }
  return 0;
}
