#pragma once

// The values the program remembers beside the nineteen of its first release:
// the analysis window's place, its op-amp and its supply and the tolerance
// page's settings.
// Each group is a typed struct loaded from and saved to a SettingsStore
// (LoadAnalysisPlace, SaveAnalysisPlace and so on, through the store's
// ReadInt/WriteInt and ReadText/WriteText); the names in the store and the
// units they are kept in belong to this file and its .cpp only.
//
// A field that is empty was never stored (or could not be read): the window
// keeps its own default then, and the exports leave it out.

#include <QString>
#include <optional>

namespace kelvara::storage {

/// The names in the store, for tests that look at the store itself.
namespace later_keys {
inline constexpr const char* kAnalysisLeft = "analysis/formLeft";
inline constexpr const char* kAnalysisTop = "analysis/formTop";
inline constexpr const char* kAnalysisWidth = "analysis/formWidth";
inline constexpr const char* kAnalysisHeight = "analysis/formHeight";
inline constexpr const char* kOpAmpReal = "analysis/opAmpReal";
inline constexpr const char* kOpAmpGbw = "analysis/opAmpGbw";
inline constexpr const char* kOpAmpA0 = "analysis/opAmpA0";
inline constexpr const char* kOpAmpRout = "analysis/opAmpRout";
inline constexpr const char* kFrequencyRange = "analysis/frequencyRange";
inline constexpr const char* kSupplyKind = "analysis/supplyKind";
inline constexpr const char* kSupplyVolts = "analysis/supplyVolts";
inline constexpr const char* kHeadroomPos = "analysis/supplyHeadroomPos";
inline constexpr const char* kHeadroomNeg = "analysis/supplyHeadroomNeg";
}  // namespace later_keys

/// The analysis window's place and size in pixels.
struct AnalysisPlace {
  std::optional<int> left;
  std::optional<int> top;
  std::optional<int> width;
  std::optional<int> height;
};

/// The op-amp of the analysis window: ideal or real, with the real one's
/// texts as typed (GBW [Hz], A0 [dB], Rout [Ω]).
struct OpAmpChoice {
  bool real = false;
  std::optional<QString> gbwHz;
  std::optional<QString> a0Db;
  std::optional<QString> routOhm;
};

/// The op-amp panel's supply: none, ±V or a single supply (kept as 0, 1
/// and 2), its voltage and the output's headroom to each rail as typed
/// (in volts).
struct SupplySettings {
  std::optional<int> kind;  // 0 none, 1 ±V, 2 single supply
  std::optional<QString> volts;
  std::optional<QString> headroomPos;
  std::optional<QString> headroomNeg;
};

/// The tolerance page's settings. Kept as integers: the tolerances in
/// 1/100 %, the mask's limits in 1/1000 dB, its frequencies in
/// micro-decades (1e6 log10 f); a frequency that is not above 0 is not
/// stored.
struct ToleranceSettings {
  std::optional<double> rPct;
  std::optional<double> cPct;
  std::optional<int> distribution;  // 0 uniform, 1 normal
  std::optional<int> trials;
  std::optional<int> seed;
  std::optional<bool> maskOn;
  std::optional<double> maskPassHz;
  std::optional<double> maskPassDb;
  std::optional<double> maskStopHz;
  std::optional<double> maskStopDb;
  std::optional<double> gbwPct;
  std::optional<bool> showFailing;
  std::optional<bool> worstCase;
};

class SettingsStore;

AnalysisPlace LoadAnalysisPlace(SettingsStore& store);
/// Writes the fields that are set.
void SaveAnalysisPlace(SettingsStore& store, const AnalysisPlace& place);
OpAmpChoice LoadOpAmp(SettingsStore& store);
void SaveOpAmp(SettingsStore& store, const OpAmpChoice& choice);
SupplySettings LoadSupply(SettingsStore& store);
/// Writes the fields that are set.
void SaveSupply(SettingsStore& store, const SupplySettings& supply);
ToleranceSettings LoadTolerance(SettingsStore& store);
void SaveTolerance(SettingsStore& store, const ToleranceSettings& settings);
/// The analysis window's frequency range: the main chart's X range (true)
/// or the one framed about the design (false, also when never stored).
bool LoadChartPageRange(SettingsStore& store);
void SaveChartPageRange(SettingsStore& store, bool chartPage);

}  // namespace kelvara::storage
