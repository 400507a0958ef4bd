#include "storage/requirement_settings.h"

namespace kelvara::storage {
namespace {

constexpr const char* kMaskNames[] = {"requirement/fp", "requirement/ap", "requirement/fs", "requirement/as"};
constexpr const char* kKindName = "requirement/kind";
constexpr const char* kLimitNames[] = {"requirement/maxOvershoot", "requirement/maxDelayVariation", "requirement/maxQ"};
constexpr const char* kLimitOnNames[] = {"requirement/maxOvershootOn", "requirement/maxDelayVariationOn",
                                         "requirement/maxQOn"};
constexpr const char* kYieldOnName = "requirement/yieldOn";
constexpr const char* kYieldNames[] = {"requirement/yieldResistorPct", "requirement/yieldCapacitorPct",
                                       "requirement/yieldTrials"};
constexpr const char* kPlaceNames[] = {"requirement/left", "requirement/top", "requirement/width",
                                       "requirement/height"};

QString Name(const char* name) { return QString::fromLatin1(name); }

}  // namespace

RequirementSettings LoadRequirementSettings(SettingsStore& store) {
  RequirementSettings s;
  for (int i = 0; i < 4; ++i) {
    if (auto t = store.ReadText(Name(kMaskNames[i]))) s.mask[i] = *t;
  }
  if (auto k = store.ReadInt(Name(kKindName)); k && (*k == 0 || *k == 1)) s.kind = *k;
  for (int i = 0; i < 3; ++i) {
    if (auto t = store.ReadText(Name(kLimitNames[i]))) s.limits[i] = *t;
    if (auto on = store.ReadInt(Name(kLimitOnNames[i]))) s.limitOn[i] = *on == 1;
  }
  if (auto on = store.ReadInt(Name(kYieldOnName))) s.yieldOn = *on == 1;
  for (int i = 0; i < 3; ++i) {
    if (auto t = store.ReadText(Name(kYieldNames[i]))) s.yield[i] = *t;
  }
  std::array<int, 4> place{};
  bool all = true;
  for (int i = 0; i < 4; ++i) {
    const std::optional<int> v = store.ReadInt(Name(kPlaceNames[i]));
    all = all && v.has_value();
    if (v) place[i] = *v;
  }
  if (all && place[2] > 0 && place[3] > 0) s.place = place;
  return s;
}

void SaveRequirementSettings(SettingsStore& store, const RequirementSettings& s, const RequirementSettings* before) {
  for (int i = 0; i < 4; ++i) {
    if (!before || before->mask[i] != s.mask[i]) {
      store.WriteText(Name(kMaskNames[i]), s.mask[i].left(SettingsStore::kMaxLaterText));
    }
  }
  if (!before || before->kind != s.kind) store.WriteInt(Name(kKindName), s.kind);
  for (int i = 0; i < 3; ++i) {
    if (!before || before->limits[i] != s.limits[i]) {
      store.WriteText(Name(kLimitNames[i]), s.limits[i].left(SettingsStore::kMaxLaterText));
    }
    if (!before || before->limitOn[i] != s.limitOn[i]) store.WriteInt(Name(kLimitOnNames[i]), s.limitOn[i] ? 1 : 0);
  }
  if (!before || before->yieldOn != s.yieldOn) store.WriteInt(Name(kYieldOnName), s.yieldOn ? 1 : 0);
  for (int i = 0; i < 3; ++i) {
    if (!before || before->yield[i] != s.yield[i]) {
      store.WriteText(Name(kYieldNames[i]), s.yield[i].left(SettingsStore::kMaxLaterText));
    }
  }
  if (s.place && (!before || before->place != s.place)) {
    for (int i = 0; i < 4; ++i) store.WriteInt(Name(kPlaceNames[i]), (*s.place)[i]);
  }
}

}  // namespace kelvara::storage
