#pragma once

// The preferred-value design of a filter of sections (section_design.h):
// every part that is not fixed is a value of the chosen capacitor or
// resistor series inside its range (PartSeries), and every stage is found
// by an exhaustive search over those values.
//
// The score of a stage is the sum of the squared relative errors of its
// natural frequency, its Q (second-order stages only) and its gain
// magnitude, each weighted 1:
//
//   S = (f0 / f0t - 1)² + (Q / Qt - 1)² + (|K| / Kt - 1)²
//
// with f0, Q and K from the parts in the closed forms of the section
// (response/section.h gives the same). A combination is allowed when every
// free part is a series value in range and its Q is positive (a Sallen-Key
// stage with gain whose D <= 0 is not); only a score below
// kSectionSeriesLimit counts (about 10 % in one figure). Of the allowed
// combinations the stage takes the one with the smallest score; of equal
// scores the first in the plain loop's order (each free part over its
// series ascending, the parts nested in layout order, the first outermost).
// No allowed combination scores better: the search is the plain loop with
// only those branches left out that provably cannot score below the best so
// far.
//
// How it prunes: the parts are taken in an order of their own per form
// (capacitors and gain pair first), and each part is looked for only in the
// window of values for which every one of the three figures can still be
// within sqrt(best) of its target, given the parts already taken: the
// natural frequency bounds the product of the last two resistors, the Q
// the ratio (a quadratic solved in closed form), the gain the ratio of its
// pair. A candidate whose score is at most the best lies inside every
// window, so nothing that could win is left out; the windows are widened by
// a margin far above the rounding of their formulas.
//
// A stage without any allowed combination below the limit is refused
// (valid false, a warning naming the stage and its free parts); its free
// parts are 0. The search reports one progress step per value of its
// outermost loop (SectionsSeriesSteps counts them) and ends when the run's
// stop flag is set: the stage it was in keeps the best found so far, the
// stages not searched have their free parts at 0.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/bandpass.h"
#include "engine/part_series.h"
#include "engine/run_state.h"
#include "engine/section_design.h"

namespace kelvara::engine {

/// The score a stage must stay below to be designed.
inline constexpr double kSectionSeriesLimit = 0.01;

/// The range of values a new design of sections uses unless the user gives
/// one (the sheet's design keeps kDefaultRMin..kDefaultRMax and
/// kDefaultCMin..kDefaultCMax).
inline constexpr double kSectionRMin = 1e3;
inline constexpr double kSectionRMax = 1e6;
inline constexpr double kSectionCMin = 100e-12;
inline constexpr double kSectionCMax = 1e-6;

/// f0 (as omega, rad/s), Q (0 for first order) and gain magnitude of one
/// stage from its parts in layout order.
struct StageFigures {
  double omega = 0;
  double q = 0;
  double gain = 0;
};
StageFigures FiguresOfStage(StageForm form, bool hpf, std::span<const double> values);

/// The score S of a stage's parts against its plan (infinity where the
/// figures are not finite or the Q is not positive).
double StageSeriesScore(const StagePlan& plan, bool hpf, std::span<const double> values);

/// Progress steps the search of these stages makes when it is not stopped.
int SectionsSeriesSteps(const std::vector<StagePlan>& plans, bool hpf, const SectionFixes& fixes,
                        const PartSeries& series);

/// Designs every stage from the series (the rules above). Stops when the
/// run's stop flag is set: the design is then not valid, without a warning.
SectionsDesign DesignSectionsFromSeries(RunState& run, const std::vector<StagePlan>& plans, bool hpf,
                                        const SectionFixes& fixes, const PartSeries& series);

/// Candidates the searches of the calling thread have scored so far (a
/// running total; compare two readings).
std::uint64_t SectionSeriesCandidates();

// ---- band-pass sections (engine/bandpass.h) -------------------------------
// The same search of every MFB band-pass section (parts R1 input, R2
// divider, R3 feedback, C1 to the − input, C2 feedback), all five parts
// free unless fixed, with the same score of its centre frequency, its Q and
// its gain at its centre against the section's target:
//
//   S = (w0 / w0t - 1)² + (Q / Qt - 1)² + (|K| / Kt - 1)²
//   w0² = (1/R1 + 1/R2) / (R3 C1 C2), w0 / Q = (C1 + C2) / (R3 C1 C2),
//   K = R3 C1 / (R1 (C1 + C2))
//
// (response/sections_mfb.cpp's closed forms), the same limit, the same rule
// for equal scores (the plain loop over R1, R2, R3, C1, C2 in that order)
// and the same exactness. Its windows: C1 first (one progress step per
// value), then C2 (K <= Q² (1 + C1 / C2) for any R2 > 0), R3 from w0 / Q,
// R1 from the gain, R2 from w0. A section without an allowed combination
// is refused with a warning naming it and its free parts.

/// w0, Q and |K| of a band-pass section's parts (R1, R2, R3, C1, C2).
StageFigures FiguresOfBandPass(std::span<const double> values);

/// The score S of a band-pass section's parts against its target.
double BandPassSeriesScore(const BandPassSection& target, std::span<const double> values);

/// Progress steps the search of these sections makes when not stopped.
int BandPassSeriesSteps(const std::vector<BandPassSection>& sections, const SectionFixes& fixes,
                        const PartSeries& series);

/// Designs every band-pass section from the series (fixes by section and
/// part, layout order). Stopped: not valid, without a warning; the section
/// it was in keeps the best so far, those not searched have 0.
BandPassDesign DesignBandPassFromSeries(RunState& run, const std::vector<BandPassSection>& sections,
                                        const SectionFixes& fixes, const PartSeries& series);

}  // namespace kelvara::engine
