#include "values/section_record.h"

#include <algorithm>

namespace kelvara::values {
namespace {

using namespace section_line;

bool IsPartName(const std::string& name) {
  if (name.size() < 2 || name.size() > 3 || (name[0] != 'R' && name[0] != 'C') || name[1] == '0') return false;
  return std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool IsSectionRecord(const SheetRecord& record) {
  if (static_cast<int>(record.size()) <= sheet_line::kCircuit) return false;
  const auto pass = ParseRecordInt(record[sheet_line::kPassKind]);
  const auto circuit = ParseRecordInt(record[sheet_line::kCircuit]);
  return pass && circuit && NeedsSections(*pass, *circuit);
}

std::optional<RecordProblem> ValidateSectionRecord(const SheetRecord& record) {
  if (static_cast<int>(record.size()) < kFirstPart) {
    return RecordProblem{static_cast<int>(record.size()), "行が足りません（" + std::to_string(kFirstPart) +
                                                              " 行のうち " + std::to_string(record.size()) +
                                                              " 行しかありません）"};
  }
  // The lines every sheet has, with the longer lists of pass kind and circuit.
  SheetRecord first(record.begin(), record.begin() + sheet_line::kCount);
  const auto pass = ParseRecordInt(first[sheet_line::kPassKind]);
  const auto circuit = ParseRecordInt(first[sheet_line::kCircuit]);
  if (pass && *pass >= 0 && *pass < kSectionPassKindCount) first[sheet_line::kPassKind] = "0";
  if (circuit && *circuit >= 0 && *circuit < kSectionCircuitCount) first[sheet_line::kCircuit] = "0";
  if (pass && *pass == kPassKindBpf && circuit && *circuit != kCircuitMfb) {
    return RecordProblem{sheet_line::kCircuit, "BPF の回路方式は多重帰還（MFB）だけです（" +
                                                   record[sheet_line::kCircuit] + " が書かれています）"};
  }
  if (auto problem = ValidateSheetRecord(first)) {
    // The message quotes the record's own text, not the stand-in.
    if (problem->line == sheet_line::kPassKind || problem->line == sheet_line::kCircuit) {
      const int low = 0,
                high = problem->line == sheet_line::kPassKind ? kSectionPassKindCount - 1 : kSectionCircuitCount - 1;
      problem->text = SheetLineName(problem->line) + "「" + record[problem->line] + "」は " + std::to_string(low) +
                      "～" + std::to_string(high) + " のいずれかでなければなりません";
    }
    return problem;
  }
  const auto order = ParseRecordInt(record[kStageOrder]);
  if (!order || *order < 0 || *order > 1) {
    return RecordProblem{kStageOrder, "段の順「" + record[kStageOrder] + "」は 0～1 のいずれかでなければなりません"};
  }
  const auto count = ParseRecordInt(record[kPartCount]);
  if (!count || *count < 0 || *count > kMaxSectionRecordParts) {
    return RecordProblem{kPartCount, "部品の数「" + record[kPartCount] + "」は 0～" +
                                         std::to_string(kMaxSectionRecordParts) + " のいずれかでなければなりません"};
  }
  const int lines = kFirstPart + kLinesPerPart * *count;
  if (static_cast<int>(record.size()) != lines) {
    return RecordProblem{std::min(static_cast<int>(record.size()), lines),
                         "部品 " + std::to_string(*count) + " 個の行は " + std::to_string(lines) + " 行ですが、" +
                             std::to_string(record.size()) + " 行あります"};
  }
  for (int k = 0; k < *count; ++k) {
    const int at = kFirstPart + kLinesPerPart * k;
    if (!IsPartName(record[at])) {
      return RecordProblem{at, "部品名「" + record[at] + "」は R または C と番号でなければなりません"};
    }
  }
  return std::nullopt;
}

SectionLines SectionLinesOf(const SheetRecord& record) {
  SectionLines lines;
  lines.gain = record.at(kGain);
  lines.bandwidth = record.at(kBandwidth);
  lines.stageGains = record.at(kStageGains);
  lines.stageOrder = ParseRecordInt(record.at(kStageOrder)).value_or(0);
  const int count = ParseRecordInt(record.at(kPartCount)).value_or(0);
  for (int k = 0; k < count; ++k) {
    const std::size_t at = static_cast<std::size_t>(kFirstPart + kLinesPerPart * k);
    lines.parts.push_back({record.at(at), record.at(at + 1), LineIsTrue(record.at(at + 2))});
  }
  return lines;
}

void PutSectionLines(SheetRecord& record, const SectionLines& lines) {
  CompleteSheetRecord(record);
  record.resize(sheet_line::kCount);
  record.push_back(lines.gain);
  record.push_back(lines.bandwidth);
  record.push_back(lines.stageGains);
  record.push_back(std::to_string(lines.stageOrder));
  record.push_back(std::to_string(lines.parts.size()));
  for (const SectionPartLine& part : lines.parts) {
    record.push_back(part.name);
    record.push_back(part.value);
    record.push_back(BoolLine(part.autoValue));
  }
}

}  // namespace kelvara::values
