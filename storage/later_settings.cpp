// The later values' names in the store and the units they are kept in.

#include "storage/later_settings.h"

#include <cmath>

#include "storage/app_settings.h"

namespace kelvara::storage {
namespace {

constexpr const char* kRTol = "tolerance/rTolCentiPct";
constexpr const char* kCTol = "tolerance/cTolCentiPct";
constexpr const char* kDistribution = "tolerance/distribution";
constexpr const char* kTrials = "tolerance/trials";
constexpr const char* kSeed = "tolerance/seed";
constexpr const char* kMaskOn = "tolerance/maskOn";
constexpr const char* kMaskFp = "tolerance/maskFpMicroDecades";
constexpr const char* kMaskA = "tolerance/maskPassMilliDb";
constexpr const char* kMaskFs = "tolerance/maskFsMicroDecades";
constexpr const char* kMaskB = "tolerance/maskStopMilliDb";
constexpr const char* kGbwTol = "tolerance/gbwTolCentiPct";
constexpr const char* kShowFailing = "tolerance/showFailing";
constexpr const char* kWorstCase = "tolerance/worstCase";

QString Name(const char* name) { return QString::fromLatin1(name); }

std::optional<double> Scaled(const std::optional<int>& v, double unit) {
  return v ? std::optional<double>(*v / unit) : std::nullopt;
}

std::optional<double> FromMicroDecades(const std::optional<int>& v) {
  return v ? std::optional<double>(std::pow(10.0, *v / 1e6)) : std::nullopt;
}

std::optional<bool> Flag(const std::optional<int>& v) { return v ? std::optional<bool>(*v == 1) : std::nullopt; }

// 0 or 1 only (a choice of two).
std::optional<int> Choice(const std::optional<int>& v) { return v && (*v == 0 || *v == 1) ? v : std::nullopt; }

}  // namespace

AnalysisPlace LoadAnalysisPlace(SettingsStore& store) {
  return {store.ReadInt(Name(later_keys::kAnalysisLeft)), store.ReadInt(Name(later_keys::kAnalysisTop)),
          store.ReadInt(Name(later_keys::kAnalysisWidth)), store.ReadInt(Name(later_keys::kAnalysisHeight))};
}

void SaveAnalysisPlace(SettingsStore& store, const AnalysisPlace& place) {
  if (place.left) store.WriteInt(Name(later_keys::kAnalysisLeft), *place.left);
  if (place.top) store.WriteInt(Name(later_keys::kAnalysisTop), *place.top);
  if (place.width) store.WriteInt(Name(later_keys::kAnalysisWidth), *place.width);
  if (place.height) store.WriteInt(Name(later_keys::kAnalysisHeight), *place.height);
}

OpAmpChoice LoadOpAmp(SettingsStore& store) {
  OpAmpChoice choice;
  choice.real = store.ReadInt(Name(later_keys::kOpAmpReal)).value_or(0) == 1;
  choice.gbwHz = store.ReadText(Name(later_keys::kOpAmpGbw));
  choice.a0Db = store.ReadText(Name(later_keys::kOpAmpA0));
  choice.routOhm = store.ReadText(Name(later_keys::kOpAmpRout));
  return choice;
}

void SaveOpAmp(SettingsStore& store, const OpAmpChoice& choice) {
  store.WriteInt(Name(later_keys::kOpAmpReal), choice.real ? 1 : 0);
  if (choice.gbwHz) store.WriteText(Name(later_keys::kOpAmpGbw), *choice.gbwHz);
  if (choice.a0Db) store.WriteText(Name(later_keys::kOpAmpA0), *choice.a0Db);
  if (choice.routOhm) store.WriteText(Name(later_keys::kOpAmpRout), *choice.routOhm);
}

SupplySettings LoadSupply(SettingsStore& store) {
  SupplySettings s;
  if (const auto kind = store.ReadInt(Name(later_keys::kSupplyKind)); kind && *kind >= 0 && *kind <= 2) s.kind = kind;
  s.volts = store.ReadText(Name(later_keys::kSupplyVolts));
  s.headroomPos = store.ReadText(Name(later_keys::kHeadroomPos));
  s.headroomNeg = store.ReadText(Name(later_keys::kHeadroomNeg));
  return s;
}

void SaveSupply(SettingsStore& store, const SupplySettings& s) {
  if (s.kind) store.WriteInt(Name(later_keys::kSupplyKind), *s.kind);
  if (s.volts) store.WriteText(Name(later_keys::kSupplyVolts), *s.volts);
  if (s.headroomPos) store.WriteText(Name(later_keys::kHeadroomPos), *s.headroomPos);
  if (s.headroomNeg) store.WriteText(Name(later_keys::kHeadroomNeg), *s.headroomNeg);
}

bool LoadChartPageRange(SettingsStore& store) {
  return store.ReadInt(Name(later_keys::kFrequencyRange)).value_or(0) == 1;
}

void SaveChartPageRange(SettingsStore& store, bool chartPage) {
  store.WriteInt(Name(later_keys::kFrequencyRange), chartPage ? 1 : 0);
}

ToleranceSettings LoadTolerance(SettingsStore& store) {
  auto read = [&store](const char* name) { return store.ReadInt(Name(name)); };
  ToleranceSettings s;
  s.rPct = Scaled(read(kRTol), 100.0);
  s.cPct = Scaled(read(kCTol), 100.0);
  s.distribution = Choice(read(kDistribution));
  s.trials = read(kTrials);
  s.seed = read(kSeed);
  if (const auto on = Choice(read(kMaskOn))) s.maskOn = *on == 1;
  s.maskPassHz = FromMicroDecades(read(kMaskFp));
  s.maskPassDb = Scaled(read(kMaskA), 1000.0);
  s.maskStopHz = FromMicroDecades(read(kMaskFs));
  s.maskStopDb = Scaled(read(kMaskB), 1000.0);
  s.gbwPct = Scaled(read(kGbwTol), 100.0);
  s.showFailing = Flag(read(kShowFailing));
  s.worstCase = Flag(read(kWorstCase));
  return s;
}

void SaveTolerance(SettingsStore& store, const ToleranceSettings& s) {
  auto write = [&store](const char* name, const auto& v, double unit) {
    if (v) store.WriteInt(Name(name), int(std::lround(double(*v) * unit)));
  };
  auto writeHz = [&store](const char* name, const std::optional<double>& hz) {
    if (hz && *hz > 0) store.WriteInt(Name(name), int(std::lround(std::log10(*hz) * 1e6)));
  };
  write(kRTol, s.rPct, 100);
  write(kCTol, s.cPct, 100);
  write(kDistribution, s.distribution, 1);
  write(kTrials, s.trials, 1);
  write(kSeed, s.seed, 1);
  write(kMaskOn, s.maskOn, 1);
  writeHz(kMaskFp, s.maskPassHz);
  writeHz(kMaskFs, s.maskStopHz);
  write(kMaskA, s.maskPassDb, 1000);
  write(kMaskB, s.maskStopDb, 1000);
  write(kGbwTol, s.gbwPct, 100);
  write(kShowFailing, s.showFailing, 1);
  write(kWorstCase, s.worstCase, 1);
}

}  // namespace kelvara::storage
