#pragma once

// The record of a sheet built of sections: a sheet whose circuit is one the
// sixteen part groups cannot hold (多重帰還（MFB）, サレンキー（利得付き）) or
// whose pass kind is BPF. Its first 49 lines are those of every sheet (the
// part lines 6..40 stay empty and automatic, the circuit and pass kind lines
// hold the new list positions); after them come the lines of the sections:
//
//   49  利得: the pass-band gain magnitude as typed (V/V, "10")
//   50  帯域幅: the bandwidth of a band-pass sheet as typed, else empty
//   51  段の利得: the stage gains as typed ("2,5"), or empty for equal ones
//   52  段の順: 0 ascending Q, 1 descending Q
//   53  the number of parts N (0..kMaxSectionRecordParts)
//   54  then three lines per part: its name ("R3"), its value as typed, and
//       "true" when the program computes it ("false": fixed)
//
// A sheet of the unity-gain Sallen-Key at gain 1 is never such a record: its
// 49 lines are exactly those of every sheet.

#include <optional>
#include <string>
#include <vector>

#include "values/sheet_checks.h"
#include "values/sheet_record.h"

namespace kelvara::values {

/// 回路方式 after the unity-gain Sallen-Key (list position 0).
inline constexpr int kCircuitMfb = 1;
inline constexpr int kCircuitSallenKeyGain = 2;
inline constexpr int kSectionCircuitCount = 3;
/// 通過特性 after LPF and HPF.
inline constexpr int kPassKindBpf = 2;
inline constexpr int kSectionPassKindCount = 3;

namespace section_line {
inline constexpr int kGain = sheet_line::kCount;
inline constexpr int kBandwidth = kGain + 1;
inline constexpr int kStageGains = kGain + 2;
inline constexpr int kStageOrder = kGain + 3;
inline constexpr int kPartCount = kGain + 4;
inline constexpr int kFirstPart = kGain + 5;
inline constexpr int kLinesPerPart = 3;
}  // namespace section_line

/// The most parts a record of sections lists (an 8th-order filter of the
/// largest sections has well under this).
inline constexpr int kMaxSectionRecordParts = 64;

struct SectionPartLine {
  std::string name;   // "R3", "C1"
  std::string value;  // as typed or designed
  bool autoValue = true;
  bool operator==(const SectionPartLine&) const = default;
};

struct SectionLines {
  std::string gain = "1";
  std::string bandwidth;
  std::string stageGains;
  int stageOrder = 0;
  std::vector<SectionPartLine> parts;
  bool operator==(const SectionLines&) const = default;
};

/// Whether the pass kind and circuit of a sheet need sections.
constexpr bool NeedsSections(int passKind, int circuit) { return circuit != 0 || passKind == kPassKindBpf; }

/// Whether a record's pass kind and circuit lines (decimal integers) ask for
/// the lines of sections.
bool IsSectionRecord(const SheetRecord& record);

/// The checks of ValidateSheetRecord with the longer lists (pass kind 0..2,
/// circuit 0..2), a band-pass sheet's circuit MFB, and the lines of
/// sections: 段の順 0 or 1, a part count 0..kMaxSectionRecordParts, exactly
/// the lines it announces, each part named by a letter R or C and a number.
std::optional<RecordProblem> ValidateSectionRecord(const SheetRecord& record);

/// The lines of sections of a record that passed ValidateSectionRecord.
SectionLines SectionLinesOf(const SheetRecord& record);

/// Replaces the lines after the 49th by those of `lines` (a shorter record
/// is first completed with the lines of a new sheet).
void PutSectionLines(SheetRecord& record, const SectionLines& lines);

}  // namespace kelvara::values
