#pragma once

// The two series of preferred values one preferred-value design draws its
// parts from: the program's own capacitor and resistor series by default,
// or a standard E series of each kind, each limited to a range of values.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/design_data.h"
#include "engine/series_lookup.h"

namespace kelvara::engine {

/// Capacitor series: the program's own (1..9 pF, E12 from 10 pF to 82 nF,
/// E6 from 100 nF to 680 uF, 1000 uF) or E6, E12, E24 from 1 pF to 10 mF.
enum class CapSeriesKind : std::uint8_t { kDefault, kE6, kE12, kE24 };
/// Resistor series: the program's own (E24 from 0.47 ohm to 510 kohm) or
/// E24, E48, E96, E192 from 0.1 ohm to 10 Mohm.
enum class ResSeriesKind : std::uint8_t { kDefault, kE24, kE48, kE96, kE192 };

inline constexpr double kDefaultRMin = 0.47;
inline constexpr double kDefaultRMax = 510e3;
inline constexpr double kDefaultCMin = 1e-12;
inline constexpr double kDefaultCMax = 1e-3;

/// Which series a preferred-value design uses and the values allowed of
/// each kind (inclusive; a series value within 1e-9 relative of a limit
/// counts as inside).
struct SeriesChoice {
  CapSeriesKind cap = CapSeriesKind::kDefault;
  ResSeriesKind res = ResSeriesKind::kDefault;
  double rMin = kDefaultRMin;
  double rMax = kDefaultRMax;
  double cMin = kDefaultCMin;
  double cMax = kDefaultCMax;

  bool operator==(const SeriesChoice&) const = default;
  bool IsDefault() const { return *this == SeriesChoice{}; }
};

/// "default", "E6", "E12", "E24" / "default", "E24", "E48", "E96", "E192".
std::string_view CapSeriesName(CapSeriesKind kind);
std::string_view ResSeriesName(ResSeriesKind kind);
/// The kind of a name as above (exact, case as written); false if none.
bool ParseCapSeriesName(std::string_view name, CapSeriesKind& kind);
bool ParseResSeriesName(std::string_view name, ResSeriesKind& kind);

/// The steps of the E series with `perDecade` values (6, 12, 24, 48, 96 or
/// 192) as integers of two (E6..E24) or three (E48..E192) digits, as
/// published: 10, 15, 22, ... or 100, 101, 102, 104, ... 988.
std::span<const int> SeriesSteps(int perDecade);

/// The whole series of a kind over its span, ascending.
std::vector<double> CapSeriesValues(CapSeriesKind kind);
std::vector<double> ResSeriesValues(ResSeriesKind kind);

/// Capacitor and resistor series of one design, each with its last index
/// (-1 when the range holds no value) and a no-value index beyond both.
class PartSeries {
 public:
  PartSeries(std::span<const double> cap, std::span<const double> res);

  const series::SeriesLookup& Cap() const { return cap_; }
  const series::SeriesLookup& Res() const { return res_; }
  int CapLast() const { return cap_.Last(); }
  int ResLast() const { return res_.Last(); }
  /// The index a search reports for "no candidate": NoneIndex while both
  /// series have fewer values, otherwise the length of the longer one.
  std::int32_t None() const { return none_; }
  /// Value at a result index, 0 at the no-value index.
  double CapValue(std::int32_t index) const { return index == none_ ? 0.0 : cap_[index]; }
  double ResValue(std::int32_t index) const { return index == none_ ? 0.0 : res_[index]; }

 private:
  series::SeriesLookup cap_;
  series::SeriesLookup res_;
  std::int32_t none_;
};

/// CapSeries and ResSeries of the design data: the series of the default
/// choice.
const PartSeries& DefaultPartSeries();

/// The series of a choice, built on its first use (thread-safe) and kept for
/// the life of the program.
const PartSeries& PartSeriesOf(const SeriesChoice& choice);

}  // namespace kelvara::engine
