#include "engine/series_lookup.h"

namespace kelvara::engine::series {

SeriesLookup::SeriesLookup(std::span<const double> values)
    : values_(values.begin(), values.end()), last_(static_cast<int>(values.size()) - 1) {
  if (values_.empty()) return;
  keyMin_ = Key(values_.front());
  const std::int64_t keyMax = Key(values_.back());
  table_.resize(static_cast<std::size_t>(keyMax - keyMin_ + 1));
  int i = 0;
  for (std::int64_t k = keyMin_; k <= keyMax; ++k) {
    while (i < last_ && Key(values_[i]) < k) ++i;
    table_[static_cast<std::size_t>(k - keyMin_)] = i;
  }
}

}  // namespace kelvara::engine::series
