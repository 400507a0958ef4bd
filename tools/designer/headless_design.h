#pragma once

// A calculation run without a window: the window's run sequence
// (RunDesignSequence) with warnings collected instead of shown. Used by
// kelvara-design and the tests.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/design_types.h"
#include "engine/part_series.h"

namespace kelvara::tools {

struct Warning {
  std::string caption;
  std::string text;
  bool operator==(const Warning&) const = default;
};

struct DesignReport {
  bool valid = false;
  std::vector<Warning> warnings;  // in the order raised
  engine::ComponentSet parts;     // as the run leaves them
  int order = 2;
  int progress = -1;  // final progress counter
  /// -3 dB frequency of the designed values, when the run is valid and all
  /// resistors and capacitors of the order are above 0.
  std::optional<double> minus3dbHz;
};

/// Designs like a press of the calculate button on a sheet holding these
/// inputs. With stopAfter = N the run's stop flag is set inside the N-th
/// progress step the design makes (the run's own step before the design
/// does not count). A preferred-value design draws from `series` (null: the
/// program's own series). `progress`, when given, sees the fraction of the
/// run's progress bar after every step. `clock`, when given, is the run's
/// clock in whole seconds in place of the wall clock (the step search's
/// time limit reads it).
DesignReport RunHeadlessDesign(const engine::DesignRequest& request, const engine::PartInputs& inputs,
                               std::optional<int> stopAfter = std::nullopt, const engine::PartSeries* series = nullptr,
                               const std::function<void(double fraction)>& progress = {},
                               const std::function<std::int64_t()>& clock = {});

/// The design as the windows analyse it (--as-shown): every part value of
/// the order replaced by the text its part edit shows after the run
/// (values::FormatResistanceDisplay, values::FormatCapacitance), read back
/// as the window reads its part edits (response::ReadComponentValues, with
/// the fix choices of `inputs`), and the -3 dB frequency of those values.
/// A report that is not valid is returned as it is.
DesignReport AsShown(const engine::DesignRequest& request, const engine::PartInputs& inputs,
                     const DesignReport& report);

}  // namespace kelvara::tools
