#include "values/sheet_record.h"

#include <charconv>

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

}  // namespace kelvara::values
