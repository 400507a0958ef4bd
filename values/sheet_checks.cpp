#include "values/sheet_checks.h"

#include <array>

#include "values/filter_catalogue.h"

namespace kelvara::values {
namespace {

using namespace sheet_line;

struct IntegerLine {
  int line;
  const char* item;
  std::optional<int> low;  // range of a combo box index, both bounds included
  std::optional<int> high;
};

constexpr std::array<IntegerLine, 7> kIntegerLines = {{
    {kPassKind, "通過特性", 0, kPassKindCount - 1},
    {kCircuit, "回路方式", 0, kCircuitCount - 1},
    {kOrder, "次数", 0, kOrderCount - 1},
    {kResponse, "減衰特性", 0, kResponseCount - 1},
    {kRipple, "リプル", 0, kRippleCount - 1},
    {kProgressMax, "進捗の最大値", std::nullopt, std::nullopt},
    {kProgressPos, "進捗の位置", std::nullopt, std::nullopt},
}};

// The text as the message quotes it: at most 20 characters, so that a line of
// garbage does not flood the message box.
std::string Quoted(const std::string& text) {
  constexpr int kMaxCharacters = 20;
  std::size_t end = 0;
  int characters = 0;
  while (end < text.size() && characters < kMaxCharacters) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    ++characters;
  }
  return "「" + text.substr(0, end) + (end < text.size() ? "…" : "") + "」";
}

std::string RangeText(int low, int high) {
  return low == high ? std::to_string(low) : std::to_string(low) + "～" + std::to_string(high);
}

}  // namespace

std::optional<RecordProblem> ValidateSheetRecord(const SheetRecord& record) {
  if (static_cast<int>(record.size()) < kCount) {
    return RecordProblem{static_cast<int>(record.size()), "行が足りません（" + std::to_string(kCount) + " 行のうち " +
                                                              std::to_string(record.size()) + " 行しかありません）"};
  }
  for (const IntegerLine& check : kIntegerLines) {
    const std::string& text = record[check.line];
    const std::optional<int> value = ParseRecordInt(text);
    if (!value) return RecordProblem{check.line, check.item + Quoted(text) + "は整数ではありません"};
    if (check.low && (*value < *check.low || *value > *check.high)) {
      return RecordProblem{check.line,
                           check.item + Quoted(text) + "は " + RangeText(*check.low, *check.high) +
                               (check.low == check.high ? " でなければなりません" : " のいずれかでなければなりません")};
    }
  }
  return std::nullopt;
}

std::string SheetLineName(int line) {
  for (const IntegerLine& check : kIntegerLines) {
    if (check.line == line) return check.item;
  }
  if (line >= kFirstValue && line < kCapE12) {
    const int k = (line - kFirstValue) / 2 + 1;
    return ((line - kFirstValue) % 2 == 0 ? "R" : "C") + std::to_string(k) + " の値";
  }
  if (line >= kFirstAuto && line < kInputsEnabled) {
    const int k = (line - kFirstAuto) / 2 + 1;
    return ((line - kFirstAuto) % 2 == 0 ? "R" : "C") + std::to_string(k) + " の auto/fix";
  }
  switch (line) {
    case kCutoff:
      return "カットオフ周波数";
    case kCapE12:
      return "ＣはE12系列";
    case kResE24:
      return "ＲはE24系列";
    case kAnyValues:
      return "問わない";
    case kValsetCaption:
      return "定数設定ボタンの表示";
    default:
      return std::to_string(line + 1) + " 行目";
  }
}

std::string SheetTabName(int sheetIndex) {
  static constexpr std::array<const char*, 8> kTabs = {"Sheet １", "Sheet ２", "Sheet ３", "Sheet ４",
                                                       "Sheet ５", "Sheet ６", "Sheet ７", "Sheet ８"};
  return sheetIndex >= 0 && sheetIndex < 8 ? kTabs[sheetIndex] : "Sheet " + std::to_string(sheetIndex + 1);
}

}  // namespace kelvara::values
