#include "response/view_frame.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kelvara::response {

FrequencyFrame FrameFrequencies(const std::vector<double>& cutoffsHz) {
  double lowest = std::numeric_limits<double>::infinity();
  double highest = 0;
  for (double fc : cutoffsHz) {
    if (!(std::isfinite(fc) && fc > 0)) continue;
    lowest = std::min(lowest, fc);
    highest = std::max(highest, fc);
  }
  if (!(highest > 0)) return {};
  const double factor = std::pow(10.0, kFrameDecades);
  return {lowest / factor, highest * factor};
}

GainFrame FrameGain(const std::vector<double>& gainDb, double spanDb) {
  double lowest = std::numeric_limits<double>::infinity();
  double highest = -std::numeric_limits<double>::infinity();
  for (double db : gainDb) {
    if (!std::isfinite(db)) continue;
    lowest = std::min(lowest, db);
    highest = std::max(highest, db);
  }
  if (!(highest >= lowest)) return {};
  const double top = 10 * std::ceil((highest + 1) / 10);
  const double bottom = std::max(10 * std::floor(lowest / 10), top - spanDb);
  return {std::min(bottom, top - 10), top};
}

}  // namespace kelvara::response
