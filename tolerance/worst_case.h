#pragma once

// Worst case over the tolerance box: every corner (each part of the order at
// +tol or -tol, 2^(2 order) corners, 65,536 for order 8) is evaluated; the
// result is the extreme -3 dB frequencies and the extreme gains at chosen
// frequencies, with the corners that reach them.

#include <cstdint>
#include <optional>
#include <vector>

#include "tolerance/parallel.h"
#include "tolerance/trial.h"

namespace kelvara::tolerance {

/// Corner number bits: bit 2i set puts R(i+1) at +tol, bit 2i+1 puts
/// C(i+1) at +tol; a clear bit puts the part at -tol. With a real op-amp
/// whose GBW has a tolerance, bit 2 order does the same for the GBW.
ComponentSet CornerParts(const ToleranceDesign& design, std::uint32_t corner);
response::OpAmpModel CornerOpAmp(const ToleranceDesign& design, std::uint32_t corner);

/// Number of corners: 2^(2 order), twice that with a GBW tolerance.
std::uint32_t CornerCount(const ToleranceDesign& design);

struct Extreme {
  double min = 0;
  double max = 0;
  std::uint32_t minCorner = 0;  // the lowest corner number reaching min
  std::uint32_t maxCorner = 0;
};

struct WorstGain {
  double frequencyHz = 0;
  double nominalDb = 0;
  Extreme db;
};

struct WorstCaseResult {
  std::uint32_t corners = 0;
  double nominalMinus3dbHz = 0;
  Extreme minus3dbHz;
  std::vector<WorstGain> gains;
};

/// Evaluates all corners on the option's worker threads; nothing when a
/// stop was requested before it ended.
std::optional<WorstCaseResult> RunWorstCase(const ToleranceDesign& design, const std::vector<double>& frequencies,
                                            const RunOptions& options = {});

/// The frequencies the worst case reports by default, from the requested
/// cut-off: fc/2, fc, 2 fc and 10 fc for an LPF, 2 fc, fc, fc/2 and fc/10
/// for an HPF (pass band first).
std::vector<double> DefaultWorstCaseFrequencies(const DesignRequest& request);

}  // namespace kelvara::tolerance
