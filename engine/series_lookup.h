#pragma once

// An ascending series of preferred values with O(1) lookups of the first
// value at or above and the last value at or below a number.

#include <bit>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/stage_maths.h"

namespace kelvara::engine::series {

/// Index bounds are widened by this much relative, far inside the 0.99 %
/// smallest step of any series (E192), so that rounding in a real-valued
/// bound never excludes a value inside the true window.
inline constexpr double kWidenDown = 1.0 - 1e-7;
inline constexpr double kWidenUp = 1.0 + 1e-7;

class SeriesLookup {
 public:
  /// `values` ascending and positive; may be empty (Last() is then -1).
  explicit SeriesLookup(std::span<const double> values);

  int Last() const { return last_; }
  double operator[](int i) const { return values_[i]; }
  std::span<const double> Values() const { return values_; }

  /// First index whose value is >= x; Last() + 1 when there is none.
  /// Not-a-number gives 0.
  int FirstAtLeast(double x) const {
    if (last_ < 0 || !(x > values_[0])) return 0;
    if (x > values_[last_]) return last_ + 1;
    int i = table_[Key(x) - keyMin_];
    while (values_[i] < x) ++i;
    return i;
  }

  /// Last index whose value is <= x; -1 when there is none. Not-a-number
  /// gives Last().
  int LastAtMost(double x) const {
    if (last_ < 0 || !(x < values_[last_])) return last_;
    if (x < values_[0]) return -1;
    int i = table_[Key(x) - keyMin_];
    while (values_[i] <= x) ++i;
    return i - 1;
  }

  /// NearestIndex in this series.
  int Nearest(double x) const { return NearestIndex(values_, last_, x); }

  int LowIndex(double lower) const { return FirstAtLeast(lower > 0 ? lower * kWidenDown : lower); }
  int HighIndex(double upper) const { return LastAtMost(upper > 0 ? upper * kWidenUp : upper); }

 private:
  // Positive doubles order like their bit patterns; 7 mantissa bits give
  // buckets of 0.54 %, so a bucket holds at most one value of any series
  // whose steps are above that.
  static std::int64_t Key(double x) { return static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(x) >> 45); }

  std::vector<double> values_;
  int last_ = -1;
  std::int64_t keyMin_ = 0;
  std::vector<std::int32_t> table_;  // first index whose key is >= the bucket's
};

}  // namespace kelvara::engine::series
