#include "tolerance/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kelvara::tolerance {
namespace {

bool NanLast(double a, double b) { return a < b || (!std::isnan(a) && std::isnan(b)); }

}  // namespace

double Quantile(std::vector<double>& values, double p) {
  if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
  const double h = static_cast<double>(values.size() - 1) * p;
  const std::size_t lo = static_cast<std::size_t>(std::floor(h));
  const auto at = values.begin() + static_cast<std::ptrdiff_t>(lo);
  std::nth_element(values.begin(), at, values.end(), NanLast);
  const double low = *at;
  const double frac = h - static_cast<double>(lo);
  if (frac == 0 || lo + 1 >= values.size()) return low;
  const double high = *std::min_element(at + 1, values.end(), NanLast);
  return low + frac * (high - low);
}

Stats Summarise(double nominal, std::span<const double> values) {
  Stats s;
  s.nominal = nominal;
  if (values.empty()) return s;
  const double n = static_cast<double>(values.size());
  double shifted = 0;
  double lo = values[0];
  double hi = values[0];
  for (const double v : values) {
    shifted += v - nominal;
    if (NanLast(v, lo)) lo = v;
    if (NanLast(hi, v)) hi = v;
  }
  s.mean = nominal + shifted / n;
  double squares = 0;
  for (const double v : values) squares += (v - s.mean) * (v - s.mean);
  s.std = values.size() > 1 ? std::sqrt(squares / (n - 1)) : 0;
  s.min = lo;
  s.max = hi;
  std::vector<double> copy(values.begin(), values.end());
  s.p05 = Quantile(copy, 0.05);
  s.p95 = Quantile(copy, 0.95);
  return s;
}

Interval WilsonInterval95(int passed, int n) {
  if (n <= 0) return {0, 1};
  constexpr double z = 1.959963984540054;
  const double nn = n;
  const double p = passed / nn;
  const double z2 = z * z;
  const double centre = (p + z2 / (2 * nn)) / (1 + z2 / nn);
  const double half = z * std::sqrt(p * (1 - p) / nn + z2 / (4 * nn * nn)) / (1 + z2 / nn);
  return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

Histogram MakeHistogram(std::span<const double> values, int bins) {
  Histogram h;
  bins = std::max(bins, 1);
  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  for (const double v : values) {
    if (!std::isfinite(v)) continue;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  if (!(lo <= hi)) {
    h.outside = static_cast<int>(values.size());
    return h;
  }
  if (lo == hi) bins = 1;
  h.counts.assign(bins, 0);
  for (int i = 0; i <= bins; ++i) h.edges.push_back(i == bins ? hi : lo + (hi - lo) * i / bins);
  for (const double v : values) {
    if (!std::isfinite(v)) {
      ++h.outside;
      continue;
    }
    int bin = lo == hi ? 0 : static_cast<int>((v - lo) / (hi - lo) * bins);
    h.counts[std::clamp(bin, 0, bins - 1)] += 1;
  }
  return h;
}

}  // namespace kelvara::tolerance
