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

/// A design of sections: bit i of the corner number is the i-th of its
/// parts with a tolerance (CornerPartsOfSections), set at +tol, clear at
/// -tol; a part without a tolerance has one corner, its value. With a
/// real op-amp whose GBW has a tolerance, the bit after the parts' is the
/// GBW's.
std::vector<response::Section> CornerSections(const ToleranceDesign& design, std::uint32_t corner);
/// The parts of a design of sections a corner varies, in the order
/// R1, C1, R2, C2, ... (the trials' draw order), those with a tolerance only.
std::vector<response::SectionPartId> CornerPartsOfSections(const ToleranceDesign& design);

/// The most corners a worst case evaluates (2^20, some minutes on two cores
/// for a design of sections; the sheet's order 8 with
/// a GBW tolerance has 2^17): a design of sections with more parts with a
/// tolerance is refused by the study's checks.
inline constexpr int kMaxCornerBits = 20;
/// The bits of a corner number: 2 order (or the varied parts of a design of
/// sections), one more with a GBW tolerance.
int CornerBits(const ToleranceDesign& design);

/// Number of corners: 2^(2 order), twice that with a GBW tolerance (a
/// design of sections: 2^CornerBits).
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
