#include "engine/part_series.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

namespace kelvara::engine {
namespace {

// clang-format off
constexpr int kE6[] = {10, 15, 22, 33, 47, 68};
constexpr int kE12[] = {10, 12, 15, 18, 22, 27, 33, 39, 47, 56, 68, 82};
constexpr int kE24[] = {10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
                        33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};
// The rounded values as published, not the formula's (9.20 where
// 10^(185/192) gives 9.19).
constexpr int kE192[] = {
    100, 101, 102, 104, 105, 106, 107, 109, 110, 111, 113, 114, 115, 117, 118, 120,
    121, 123, 124, 126, 127, 129, 130, 132, 133, 135, 137, 138, 140, 142, 143, 145,
    147, 149, 150, 152, 154, 156, 158, 160, 162, 164, 165, 167, 169, 172, 174, 176,
    178, 180, 182, 184, 187, 189, 191, 193, 196, 198, 200, 203, 205, 208, 210, 213,
    215, 218, 221, 223, 226, 229, 232, 234, 237, 240, 243, 246, 249, 252, 255, 258,
    261, 264, 267, 271, 274, 277, 280, 284, 287, 291, 294, 298, 301, 305, 309, 312,
    316, 320, 324, 328, 332, 336, 340, 344, 348, 352, 357, 361, 365, 370, 374, 379,
    383, 388, 392, 397, 402, 407, 412, 417, 422, 427, 432, 437, 442, 448, 453, 459,
    464, 470, 475, 481, 487, 493, 499, 505, 511, 517, 523, 530, 536, 542, 549, 556,
    562, 569, 576, 583, 590, 597, 604, 612, 619, 626, 634, 642, 649, 657, 665, 673,
    681, 690, 698, 706, 715, 723, 732, 741, 750, 759, 768, 777, 787, 796, 806, 816,
    825, 835, 845, 856, 866, 876, 887, 898, 909, 920, 931, 942, 953, 965, 976, 988};
constexpr int kE96[] = {
    100, 102, 105, 107, 110, 113, 115, 118, 121, 124, 127, 130, 133, 137, 140, 143,
    147, 150, 154, 158, 162, 165, 169, 174, 178, 182, 187, 191, 196, 200, 205, 210,
    215, 221, 226, 232, 237, 243, 249, 255, 261, 267, 274, 280, 287, 294, 301, 309,
    316, 324, 332, 340, 348, 357, 365, 374, 383, 392, 402, 412, 422, 432, 442, 453,
    464, 475, 487, 499, 511, 523, 536, 549, 562, 576, 590, 604, 619, 634, 649, 665,
    681, 698, 715, 732, 750, 768, 787, 806, 825, 845, 866, 887, 909, 931, 953, 976};
constexpr int kE48[] = {
    100, 105, 110, 115, 121, 127, 133, 140, 147, 154, 162, 169, 178, 187, 196, 205,
    215, 226, 237, 249, 261, 274, 287, 301, 316, 332, 348, 365, 383, 402, 422, 442,
    464, 487, 511, 536, 562, 590, 619, 649, 681, 715, 750, 787, 825, 866, 909, 953};
// clang-format on

// Spans of the E series: decades from 10^lowExponent up to, and including,
// the single value 10^highExponent.
constexpr int kCapLowExponent = -12;  // 1 pF
constexpr int kCapHighExponent = -2;  // 10 mF
constexpr int kResLowExponent = -1;   // 0.1 ohm
constexpr int kResHighExponent = 7;   // 10 Mohm

// The double nearest to step * 10^exponent, exactly as the decimal literal
// of the same value would be.
double Decimal(int step, int exponent) {
  const std::string text = std::to_string(step) + "e" + std::to_string(exponent);
  double value = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::vector<double> ESeries(int perDecade, int lowExponent, int highExponent) {
  const std::span<const int> steps = SeriesSteps(perDecade);
  const int digits = steps.front() >= 100 ? 2 : 1;  // the step's places after the first
  std::vector<double> values;
  for (int e = lowExponent; e < highExponent; ++e) {
    for (int step : steps) values.push_back(Decimal(step, e - digits));
  }
  values.push_back(Decimal(1, highExponent));
  return values;
}

constexpr double kRangeTolerance = 1e-9;

std::vector<double> InRange(std::span<const double> values, double lo, double hi) {
  std::vector<double> kept;
  for (double v : values) {
    if (v >= lo * (1.0 - kRangeTolerance) && v <= hi * (1.0 + kRangeTolerance)) kept.push_back(v);
  }
  return kept;
}

std::vector<double> Whole(std::span<const double> values) { return {values.begin(), values.end()}; }

}  // namespace

std::string_view CapSeriesName(CapSeriesKind kind) {
  switch (kind) {
    case CapSeriesKind::kE6:
      return "E6";
    case CapSeriesKind::kE12:
      return "E12";
    case CapSeriesKind::kE24:
      return "E24";
    default:
      return "default";
  }
}

std::string_view ResSeriesName(ResSeriesKind kind) {
  switch (kind) {
    case ResSeriesKind::kE24:
      return "E24";
    case ResSeriesKind::kE48:
      return "E48";
    case ResSeriesKind::kE96:
      return "E96";
    case ResSeriesKind::kE192:
      return "E192";
    default:
      return "default";
  }
}

bool ParseCapSeriesName(std::string_view name, CapSeriesKind& kind) {
  for (CapSeriesKind k : {CapSeriesKind::kDefault, CapSeriesKind::kE6, CapSeriesKind::kE12, CapSeriesKind::kE24}) {
    if (name == CapSeriesName(k)) {
      kind = k;
      return true;
    }
  }
  return false;
}

bool ParseResSeriesName(std::string_view name, ResSeriesKind& kind) {
  for (ResSeriesKind k :
       {ResSeriesKind::kDefault, ResSeriesKind::kE24, ResSeriesKind::kE48, ResSeriesKind::kE96, ResSeriesKind::kE192}) {
    if (name == ResSeriesName(k)) {
      kind = k;
      return true;
    }
  }
  return false;
}

std::span<const int> SeriesSteps(int perDecade) {
  switch (perDecade) {
    case 6:
      return kE6;
    case 12:
      return kE12;
    case 24:
      return kE24;
    case 48:
      return kE48;
    case 96:
      return kE96;
    case 192:
      return kE192;
    default:
      return {};
  }
}

std::vector<double> CapSeriesValues(CapSeriesKind kind) {
  switch (kind) {
    case CapSeriesKind::kE6:
      return ESeries(6, kCapLowExponent, kCapHighExponent);
    case CapSeriesKind::kE12:
      return ESeries(12, kCapLowExponent, kCapHighExponent);
    case CapSeriesKind::kE24:
      return ESeries(24, kCapLowExponent, kCapHighExponent);
    default:
      return Whole(BuildDesignData().CapSeries);
  }
}

std::vector<double> ResSeriesValues(ResSeriesKind kind) {
  switch (kind) {
    case ResSeriesKind::kE24:
      return ESeries(24, kResLowExponent, kResHighExponent);
    case ResSeriesKind::kE48:
      return ESeries(48, kResLowExponent, kResHighExponent);
    case ResSeriesKind::kE96:
      return ESeries(96, kResLowExponent, kResHighExponent);
    case ResSeriesKind::kE192:
      return ESeries(192, kResLowExponent, kResHighExponent);
    default:
      return Whole(BuildDesignData().ResSeries);
  }
}

PartSeries::PartSeries(std::span<const double> cap, std::span<const double> res)
    : cap_(cap),
      res_(res),
      none_(std::max({NoneIndex, static_cast<std::int32_t>(cap.size()), static_cast<std::int32_t>(res.size())})) {}

const PartSeries& DefaultPartSeries() {
  static const PartSeries series(BuildDesignData().CapSeries, BuildDesignData().ResSeries);
  return series;
}

const PartSeries& PartSeriesOf(const SeriesChoice& choice) {
  if (choice.IsDefault()) return DefaultPartSeries();
  using Key = std::tuple<int, int, double, double, double, double>;
  static std::mutex mutex;
  static std::map<Key, std::unique_ptr<PartSeries>> built;
  const Key key{
      static_cast<int>(choice.cap), static_cast<int>(choice.res), choice.rMin, choice.rMax, choice.cMin, choice.cMax};
  const std::lock_guard lock(mutex);
  std::unique_ptr<PartSeries>& slot = built[key];
  if (!slot) {
    const std::vector<double> cap = InRange(CapSeriesValues(choice.cap), choice.cMin, choice.cMax);
    const std::vector<double> res = InRange(ResSeriesValues(choice.res), choice.rMin, choice.rMax);
    slot = std::make_unique<PartSeries>(cap, res);
  }
  return *slot;
}

}  // namespace kelvara::engine
