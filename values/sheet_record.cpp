#include "values/sheet_record.h"

#include <charconv>

#include "values/eng_value.h"

namespace kelvara::values {

std::optional<int> ParseRecordInt(std::string_view line) {
  if (!line.empty() && line.front() == '+') {
    line.remove_prefix(1);
    if (!line.empty() && line.front() == '-') return std::nullopt;
  }
  if (line.empty()) return std::nullopt;
  int value = 0;
  const auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
  if (ec != std::errc() || ptr != line.data() + line.size()) return std::nullopt;
  return value;
}

SheetRecord DefaultSheetRecord() {
  using namespace sheet_line;
  SheetRecord r(kCount);
  r[kPassKind] = "0";
  r[kCircuit] = r[kOrder] = r[kResponse] = r[kRipple] = "0";
  r[kCapE12] = "false";
  r[kResE24] = "false";
  r[kAnyValues] = "true";
  for (int k = 1; k <= 8; ++k) r[RAuto(k)] = r[CAuto(k)] = "true";
  r[kInputsEnabled] = "true";
  r[kRippleEnabled] = "false";
  r[kValsetEnabled] = "true";
  r[kStopEnabled] = "false";
  r[kFreqEnabled] = "true";
  r[kValsetCaption] = std::string(kCaptionIdle);
  r[kProgressMax] = "100";
  r[kProgressPos] = "0";
  return r;
}

void CompleteSheetRecord(SheetRecord& record) {
  if (static_cast<int>(record.size()) >= sheet_line::kCount) return;
  const SheetRecord fresh = DefaultSheetRecord();
  record.insert(record.end(), fresh.begin() + static_cast<std::ptrdiff_t>(record.size()), fresh.end());
}

void MakeSheetIdle(SheetRecord& record) {
  using namespace sheet_line;
  if (static_cast<int>(record.size()) < kCount) return;
  record[kInputsEnabled] = BoolLine(true);
  record[kValsetEnabled] = BoolLine(true);
  record[kStopEnabled] = BoolLine(false);
  record[kFreqEnabled] = BoolLine(true);
  record[kValsetCaption] = std::string(kCaptionIdle);
}

void DeliverPartValues(SheetRecord& record, std::span<const double> r, std::span<const double> c, int progress) {
  using namespace sheet_line;
  CompleteSheetRecord(record);
  for (std::size_t i = 0; i < r.size() && i < c.size() && i < kPartCount; ++i) {
    const int k = static_cast<int>(i) + 1;
    record[RValue(k)] = FormatResistance(r[i]);
    record[CValue(k)] = FormatCapacitance(c[i]);
  }
  MakeSheetIdle(record);
  record[kProgressPos] = std::to_string(progress);
}

}  // namespace kelvara::values
