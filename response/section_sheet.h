#pragma once

// A design sheet built of sections (values/section_record.h): what its
// inputs ask for, the stages and parts that follows from them, their
// design (exact or from a preferred-value series) and the sections of its
// part values for every evaluator. The main window, its comparison and
// kelvara-design's sheets all go through here.
//
// The parts of a sheet are listed in cascade order (stage by stage, each in
// its section's layout order) and named as the cascade numbers them
// (R1, R2, ... C1, C2, ... through the stages).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/bandpass.h"
#include "engine/design_types.h"
#include "engine/part_series.h"
#include "engine/run_state.h"
#include "engine/section_design.h"
#include "engine/series_options.h"
#include "response/section.h"
#include "values/checked.h"
#include "values/section_record.h"

namespace kelvara::response {

/// What a sheet of sections asks for.
struct SectionSheet {
  /// Its cut-off in cutoffHz (a band-pass sheet's centre); passKind LPF or
  /// HPF (a band-pass sheet: LPF, its prototype's).
  engine::DesignRequest request;
  bool bandPass = false;
  double bandwidthHz = 0;
  engine::SectionFamily family = engine::SectionFamily::kMfb;
  double gain = 1;                 // the pass-band gain magnitude
  std::vector<double> stageGains;  // one per stage, or empty: equal
  engine::StageOrder stageOrder = engine::StageOrder::kAscendingQ;
};

/// Which input a problem comes from.
enum class SectionSheetField : std::uint8_t { kCutoff, kBandwidth, kGain, kStageGains, kOrder, kPart, kSeries };

/// The choices of a sheet: its list positions and texts.
struct SectionSheetChoices {
  int passKind = 0;  // 0 LPF, 1 HPF, 2 BPF
  std::string cutoffText;
  int circuit = values::kCircuitMfb;
  int orderIndex = 0;
  int response = 0;
  int rippleIndex = 0;
  bool anyValues = true;
};

/// The choices of a record that passed values::ValidateSectionRecord.
SectionSheetChoices SectionChoicesOf(const values::SheetRecord& record);

/// Reads the sheet: the cut-off (centre) 1 Hz..100 MHz, the bandwidth of a
/// band-pass sheet above a thousandth of its centre, an even band-pass order
/// (of an even prototype for Linkwitz-Riley), the gain 0.1..1000 and the
/// stage gains. The messages are the user's, in Japanese.
values::Checked<SectionSheet, SectionSheetField> ReadSectionSheet(const SectionSheetChoices& choices,
                                                                  const values::SectionLines& lines);

/// The stages of the sheet.
struct SectionSheetPlan {
  bool hpf = false;
  bool bandPass = false;
  std::vector<engine::StagePlan> stages;            // low-pass and high-pass
  std::vector<engine::BandPassSection> bandStages;  // band-pass
};

/// Refused: stage gains the stages cannot take (their count, product or
/// range), band-pass sections outside 1 Hz..100 MHz.
values::Checked<SectionSheetPlan, SectionSheetField> PlanSectionSheet(const SectionSheet& sheet);

/// One part of the sheet as the part table lists it.
struct SectionSheetPart {
  std::string name;  // "R3"
  char letter = 'R';
  int stage = 0;  // 0-based
  std::string role;
};
std::vector<SectionSheetPart> SectionSheetParts(const SectionSheetPlan& plan);

/// The sections of part values given in SectionSheetParts' order (missing
/// ones 0).
std::vector<Section> SectionsOfSheet(const SectionSheetPlan& plan, const std::vector<double>& values);

/// The fixed values in SectionSheetParts' order from the part lines: a
/// line that is not automatic fixes its part; a fixed part without a value
/// above 0 (its name the problem's subject) or a band-pass resistor fixed
/// is refused. Parts the lines do not name are designed.
values::Checked<std::vector<std::optional<double>>, SectionSheetField> FixedPartsOf(
    const SectionSheetPlan& plan, const std::vector<values::SectionPartLine>& lines);

/// The series choice of a sheet of sections: the chosen one, where the
/// sheet's own defaults stand in it the defaults of designs of sections
/// (E24 resistors; 1 kΩ..1 MΩ, 100 pF..1 µF).
engine::SeriesTexts SectionSeriesTexts(const engine::SeriesTexts& chosen);

struct SectionSheetDesign {
  bool valid = true;
  std::vector<double> values;  // SectionSheetParts' order; 0 where not designed
  std::vector<engine::SectionWarning> warnings;
};

/// Progress steps of the design (0 for the exact design).
int SectionSheetSteps(const SectionSheetPlan& plan, const std::vector<std::optional<double>>& fixed,
                      const engine::PartSeries* series);

/// Designs the sheet: exactly when series is null, else from the series
/// (its progress and stop through run; a band-pass sheet's capacitor fixes
/// both of its section's, as the exact design does).
SectionSheetDesign DesignSectionSheet(engine::RunState& run, const SectionSheetPlan& plan,
                                      const std::vector<std::optional<double>>& fixed,
                                      const engine::PartSeries* series);

/// A sheet with its sections of the values its part lines hold, as the
/// chart, the comparison and the exports read it.
struct SheetSections {
  SectionSheet sheet;
  SectionSheetPlan plan;
  std::vector<Section> sections;
};
/// Refused: what ReadSectionSheet and PlanSectionSheet refuse, and a part
/// without a value above 0 (its name the problem's subject).
values::Checked<SheetSections, SectionSheetField> ReadSheetSections(const SectionSheetChoices& choices,
                                                                    const values::SectionLines& lines);

/// What the comparison panel tells of a sheet: the -3 dB frequency of a
/// low-pass or high-pass sheet (FindCutoff3dB's search and sentinels on
/// the circuit's gain); of a band-pass sheet the measured centre and the
/// bandwidth between the edges at the response's cut-off level.
struct SheetReading {
  double cutoffHz = 0;
  std::optional<double> bandwidthHz;
};
SheetReading ReadingOf(const SheetSections& read);

}  // namespace kelvara::response
