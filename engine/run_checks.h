#pragma once

// The input checks and bookkeeping of a calculation run that do not depend
// on a window: the cut-off range, the fixed-part values, the progress start
// and the delivery of results into a sheet record.

#include <string>

#include "engine/design_types.h"
#include "engine/run_state.h"
#include "values/sheet_record.h"
#include "values/warning_sink.h"

namespace kelvara::engine {

/// Cut-off range of a design, both bounds included.
inline constexpr double kMinCutoffHz = 1;
inline constexpr double kMaxCutoffHz = 100000000;

/// A sheet's choices (list positions) and frequency text, as a design
/// request is made from them. Callers name what they set
/// (`{.passKind = kHpf, .orderIndex = 2, .cutoffText = "1k", .anyValues = true}`);
/// the rest is the first item of each list, and no series.
struct DesignChoices {
  int passKind = 0;
  int circuit = 0;
  int orderIndex = 0;
  int response = 0;
  int rippleIndex = 0;
  std::string cutoffText;
  bool capE12 = false;
  bool resE24 = false;
  bool anyValues = false;
};

/// The design request of a sheet from its choices and frequency text.
DesignRequest MakeDesignRequest(const DesignChoices& choices);

/// Warns and returns false unless 1 Hz <= cutoff <= 100 MHz (not-a-number
/// fails too).
bool CheckCutoff(values::WarningSink& sink, double cutoffHz);

/// The run's part values for parts 1..order: flags from the radio buttons, a
/// fixed part's value parsed from its text, every other part 0.
ComponentSet CaptureComponentSet(const PartInputs& inputs, int order);

/// One warning per fixed part whose value is not above 0, for k = 1..order,
/// R before C. Returns true when there was none.
bool CheckFixedParts(values::WarningSink& sink, const ComponentSet& parts, int order);

/// Bar maximum of a run of that order: 80 per stage.
int ProgressMaximum(int order);

/// Writes a run's results into a sheet record that is not on screen: the
/// values of parts 1..order, an idle sheet and the final bar position. A
/// record shorter than a whole sheet is first completed with the lines of a
/// new sheet.
void DeliverToRecord(values::SheetRecord& record, const ComponentSet& parts, int order, int progress);

}  // namespace kelvara::engine
