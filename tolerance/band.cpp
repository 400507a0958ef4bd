#include "tolerance/band.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

namespace kelvara::tolerance {
namespace {

// The order statistics a band needs, in the ascending order of w.
struct Picked {
  double min, lo05, next05, lo95, next95, max;
};

struct Positions {
  std::size_t i05, i95;
  double frac05, frac95;
};

Positions PositionsOf(std::size_t n) {
  const double h05 = static_cast<double>(n - 1) * 0.05;
  const double h95 = static_cast<double>(n - 1) * 0.95;
  const auto i05 = static_cast<std::size_t>(std::floor(h05));
  const auto i95 = static_cast<std::size_t>(std::floor(h95));
  return {i05, i95, h05 - static_cast<double>(i05), h95 - static_cast<double>(i95)};
}

// Element i of v in ascending order and the one above it (or i again at
// the end); reorders v[from..].
template <typename Less>
std::pair<double, double> PickPair(std::vector<double>& v, std::size_t from, std::size_t i, Less less) {
  const auto at = v.begin() + static_cast<std::ptrdiff_t>(i);
  std::nth_element(v.begin() + static_cast<std::ptrdiff_t>(from), at, v.end(), less);
  const double next = i + 1 < v.size() ? *std::min_element(at + 1, v.end(), less) : *at;
  return {*at, next};
}

template <typename Less>
Picked PickAll(std::vector<double>& w, const Positions& pos, Less less) {
  Picked p{};
  std::tie(p.lo05, p.next05) = PickPair(w, 0, pos.i05, less);
  p.min = *std::min_element(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(pos.i05) + 1, less);
  const std::size_t from = pos.i05 + 1 <= pos.i95 ? pos.i05 + 1 : 0;
  std::tie(p.lo95, p.next95) = PickPair(w, from, pos.i95, less);
  p.max = *std::max_element(w.begin() + static_cast<std::ptrdiff_t>(pos.i95), w.end(), less);
  return p;
}

// The same for many values: thresholds from a sample of every 32nd
// value, one pass collecting the values beyond them, and the selection in
// those few only. Falls back to PickAll when a tail holds too few.
bool PickFromTails(const std::vector<double>& w, const Positions& pos, Picked& p, std::vector<double>& low,
                   std::vector<double>& high) {
  const std::size_t n = w.size();
  std::vector<double> sample;
  for (std::size_t i = 0; i < n; i += 32) sample.push_back(w[i]);
  const auto lowAt = sample.begin() + static_cast<std::ptrdiff_t>(sample.size() / 10);
  const auto highAt = sample.end() - 1 - static_cast<std::ptrdiff_t>(sample.size() / 10);
  std::nth_element(sample.begin(), lowAt, sample.end());
  const double lowLimit = *lowAt;
  std::nth_element(lowAt + 1, highAt, sample.end());
  const double highLimit = *highAt;
  low.clear();
  high.clear();
  for (const double x : w) {
    if (x <= lowLimit) low.push_back(x);
    if (x >= highLimit) high.push_back(x);
  }
  // Every value left out of low is above all of low, so the i-th smallest
  // overall is the i-th of low while i < |low|; likewise at the top.
  if (low.size() < pos.i05 + 2 || pos.i95 < n - high.size()) return false;
  const std::less<double> less;
  std::tie(p.lo05, p.next05) = PickPair(low, 0, pos.i05, less);
  p.min = *std::min_element(low.begin(), low.end());
  const std::size_t offset = n - high.size();
  std::tie(p.lo95, p.next95) = PickPair(high, 0, pos.i95 - offset, less);
  if (pos.i95 + 1 >= n) p.next95 = p.lo95;
  p.max = *std::max_element(high.begin(), high.end());
  return true;
}

}  // namespace

BandPoint BandFromNegatedInversePowers(double f, double nominalDb, std::vector<double>& w) {
  return BandFromGainKeys(f, nominalDb, w, response::DbOfNegatedInversePower);
}

BandPoint BandFromGainKeys(double f, double nominalDb, std::vector<double>& w, double (*db)(double)) {
  const Positions pos = PositionsOf(w.size());
  Picked picked{};
  // The plain comparison is much faster; NaN (parts that give no gain)
  // needs the one that sorts it last.
  if (std::any_of(w.begin(), w.end(), [](double x) { return std::isnan(x); })) {
    picked = PickAll(w, pos, [](double x, double y) { return x < y || (!std::isnan(x) && std::isnan(y)); });
  } else {
    thread_local std::vector<double> low, high;
    if (w.size() < 2048 || !PickFromTails(w, pos, picked, low, high)) picked = PickAll(w, pos, std::less<double>());
  }
  BandPoint p;
  p.frequencyHz = f;
  p.nominalDb = nominalDb;
  p.minDb = db(picked.min);
  p.maxDb = db(picked.max);
  const double lo05 = db(picked.lo05);
  const double lo95 = db(picked.lo95);
  p.p05Db = pos.frac05 == 0 ? lo05 : lo05 + pos.frac05 * (db(picked.next05) - lo05);
  p.p95Db = pos.frac95 == 0 ? lo95 : lo95 + pos.frac95 * (db(picked.next95) - lo95);
  return p;
}

}  // namespace kelvara::tolerance
