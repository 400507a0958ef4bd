#pragma once

// Magnitude response of a designed cascade: stage parameters from the part
// values, the gain at a frequency, the sweep for the chart and the -3 dB
// frequency. Pure functions; the checks report through a WarningSink.

#include <array>
#include <functional>

#include "engine/design_types.h"
#include "values/warning_sink.h"

namespace kelvara::response {

using engine::ComponentSet;
using engine::DesignRequest;

/// Natural angular frequency and Q of each stage slot. An odd order's slot 0
/// is its first-order section (Q 0).
struct ResponseStages {
  std::array<double, engine::kMaxStages> omega{};
  std::array<double, engine::kMaxStages> q{};
};

/// Sentinels of FindCutoff3dB: at or below 0.1 Hz, at or above 1 GHz.
inline constexpr double kCutoffBelowRange = 0;
inline constexpr double kCutoffAboveRange = 1000000001;

/// Reads the values of parts 1..order from their texts into parts.r and
/// parts.c, and their fix choices into parts.rFixed / parts.cFixed. Every
/// value that reads as 0 gets its own warning; returns false if any did.
bool ReadComponentValues(values::WarningSink& sink, const DesignRequest& request, const engine::PartInputs& inputs,
                         ComponentSet& parts);

/// One warning per fixed part whose value is not above 0.
bool CheckFixedParts(values::WarningSink& sink, const DesignRequest& request, const ComponentSet& parts);

ResponseStages StagesFromComponents(const DesignRequest& request, const ComponentSet& parts);

/// Natural frequency in Hz of a stage slot's angular frequency.
double StageF0Hz(double omega);

/// Peak gain in dB of a second-order section of quality q: 0 for q up to
/// 1/sqrt(2), else 20 log10(q / sqrt(1 - 1 / (4 q^2))).
double StagePeakDb(double q);

/// Gain in dB at frequency f (Hz); NaN where the values give no gain.
double ResponseDb(const DesignRequest& request, const ResponseStages& stages, double f);

/// Hands (f, gain) to the receiver from fStart in 5 % steps up to 1.2 times
/// fTop, inclusive.
void SweepResponse(const DesignRequest& request, const ResponseStages& stages, double fStart, double fTop,
                   const std::function<void(double f, double db)>& receiver);

/// The first frequency found past the -3 dB crossing, or a sentinel. Ends
/// for every input, also where the gain is not a number.
double FindCutoff3dB(const DesignRequest& request, const ResponseStages& stages);

}  // namespace kelvara::response
