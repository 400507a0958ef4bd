#pragma once

// Sample sheets the value checks and the storage tests share. The storage
// tests' golden files hold the same sheets (tests/storage/golden/generate.py
// wrote them with Python's own code page 932 codec, so the files check the
// writer against an independent encoder).

#include <array>
#include <map>
#include <string>

#include "values/sheet_record.h"

namespace kelvara::testing {

/// The default sheet with some lines replaced.
inline values::SheetRecord SheetWith(const std::map<int, std::string>& lines) {
  values::SheetRecord record = values::DefaultSheetRecord();
  for (const auto& [line, text] : lines) record[line] = text;
  return record;
}

/// HPF Chebyshev of order 6 on preferred values, some parts fixed, texts as
/// typed (full-width digits, half-width katakana, "～", "①", "\" and "~").
inline values::SheetRecord GoldenSheet() {
  return SheetWith({{0, "1"},         {1, "4.7k"},    {3, "4"},     {4, "2"},      {6, "10k"},    {7, "0.01u"},
                    {8, "１２ｋ"},    {9, "0.0047u"}, {10, "22k"},  {11, "1n"},    {12, "3.3k"},  {13, "470p"},
                    {20, "ﾒﾓ～①\\~"}, {22, "true"},   {23, "true"}, {24, "false"}, {27, "false"}, {28, "false"},
                    {31, "false"},    {42, "true"},   {47, "240"},  {48, "240"}});
}

/// A sheet stored while its calculation was running.
inline values::SheetRecord RunningSheet() {
  return SheetWith({{1, "100"},
                    {3, "6"},
                    {22, "true"},
                    {23, "true"},
                    {24, "false"},
                    {41, "false"},
                    {43, "false"},
                    {44, "true"},
                    {45, "false"},
                    {46, "設定中"},
                    {47, "320"},
                    {48, "17"}});
}

/// Eight different sheets, as an all-sheets file holds them.
inline std::array<values::SheetRecord, 8> GoldenAllSheets() {
  return {
      values::DefaultSheetRecord(),
      GoldenSheet(),
      RunningSheet(),
      SheetWith({{1, "1M"}, {3, "1"}, {4, "1"}, {6, "1k"}, {7, "1u"}, {25, "false"}, {26, "false"}}),
      SheetWith({{0, "1"}, {1, "50"}, {3, "2"}, {48, "80"}, {47, "160"}}),
      SheetWith({{1, "１ｋ"}, {3, "3"}, {4, "2"}, {42, "true"}}),
      SheetWith({{1, "100M"}, {3, "5"}, {20, "100"}, {21, "1p"}, {39, "false"}, {40, "false"}}),
      SheetWith({{1, "定数設定 テスト"}, {46, "定数設定"}, {48, "-1"}}),
  };
}

}  // namespace kelvara::testing
