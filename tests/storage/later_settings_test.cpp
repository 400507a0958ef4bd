// The typed later settings: each group comes back as it was saved, under
// the names and in the units the store has always kept them (so a store
// written by an earlier version reads the same), with empty fields for
// values never stored, and the nineteen values left alone.

#include "storage/later_settings.h"

#include <gtest/gtest.h>

#include <QSettings>

#include "storage/settings_store.h"
#include "tests/storage/file_helpers.h"

namespace kelvara::storage {
namespace {

using testing::TempFolder;

TEST(LaterSettings, EmptyStoreGivesEmptyFields) {
  TempFolder dir;
  QSettingsStore store(dir.Path("Vornix.conf"), QSettings::NativeFormat);
  const AnalysisPlace place = LoadAnalysisPlace(store);
  EXPECT_FALSE(place.left || place.top || place.width || place.height);
  const OpAmpChoice opamp = LoadOpAmp(store);
  EXPECT_FALSE(opamp.real);
  EXPECT_FALSE(opamp.gbwHz || opamp.a0Db || opamp.routOhm);
  const ToleranceSettings t = LoadTolerance(store);
  EXPECT_FALSE(t.rPct || t.cPct || t.distribution || t.trials || t.seed || t.maskOn || t.maskPassHz || t.maskPassDb ||
               t.maskStopHz || t.maskStopDb || t.gbwPct || t.showFailing || t.worstCase);
}

TEST(LaterSettings, ComeBackUnderTheirNamesAndUnits) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  {
    QSettingsStore store(file, QSettings::NativeFormat);
    SaveAnalysisPlace(store, {-20, 40, 812, 600});
    SaveOpAmp(store, {true, QStringLiteral("4.7M"), QStringLiteral("90"), QStringLiteral("25")});
    ToleranceSettings t;
    t.rPct = 0.5;
    t.cPct = 2.25;
    t.distribution = 1;
    t.trials = 5000;
    t.seed = 77;
    t.maskOn = true;
    t.maskPassHz = 700;
    t.maskPassDb = 0.25;
    t.maskStopHz = 3000;
    t.maskStopDb = 40;
    t.gbwPct = 20;
    t.showFailing = true;
    t.worstCase = false;
    SaveTolerance(store, t);
  }
  // The names and units of the store.
  QSettings raw(file, QSettings::NativeFormat);
  struct Stored {
    const char* name;
    int value;
  };
  const Stored stored[] = {
      {"analysis/formLeft", -20},
      {"analysis/formWidth", 812},
      {"analysis/opAmpReal", 1},
      {"tolerance/rTolCentiPct", 50},
      {"tolerance/cTolCentiPct", 225},
      {"tolerance/distribution", 1},
      {"tolerance/trials", 5000},
      {"tolerance/seed", 77},
      {"tolerance/maskOn", 1},
      {"tolerance/maskFpMicroDecades", 2845098},
      {"tolerance/maskPassMilliDb", 250},
      {"tolerance/maskFsMicroDecades", 3477121},
      {"tolerance/maskStopMilliDb", 40000},
      {"tolerance/gbwTolCentiPct", 2000},
      {"tolerance/showFailing", 1},
      {"tolerance/worstCase", 0},
  };
  for (const Stored& s : stored) EXPECT_EQ(raw.value(s.name).toInt(), s.value) << s.name;
  EXPECT_EQ(raw.value("analysis/opAmpGbw").toString(), "4.7M");

  QSettingsStore store(file, QSettings::NativeFormat);
  const AnalysisPlace place = LoadAnalysisPlace(store);
  EXPECT_EQ(place.left, -20);
  EXPECT_EQ(place.top, 40);
  EXPECT_EQ(place.width, 812);
  EXPECT_EQ(place.height, 600);
  const OpAmpChoice opamp = LoadOpAmp(store);
  EXPECT_TRUE(opamp.real);
  EXPECT_EQ(opamp.gbwHz, QStringLiteral("4.7M"));
  EXPECT_EQ(opamp.a0Db, QStringLiteral("90"));
  EXPECT_EQ(opamp.routOhm, QStringLiteral("25"));
  const ToleranceSettings t = LoadTolerance(store);
  EXPECT_EQ(t.rPct, 0.5);
  EXPECT_EQ(t.cPct, 2.25);
  EXPECT_EQ(t.distribution, 1);
  EXPECT_EQ(t.trials, 5000);
  EXPECT_EQ(t.seed, 77);
  EXPECT_EQ(t.maskOn, true);
  EXPECT_NEAR(*t.maskPassHz, 700, 700 * 3e-6);  // a micro-decade
  EXPECT_EQ(t.maskPassDb, 0.25);
  EXPECT_NEAR(*t.maskStopHz, 3000, 3000 * 3e-6);
  EXPECT_EQ(t.maskStopDb, 40);
  EXPECT_EQ(t.gbwPct, 20);
  EXPECT_EQ(t.showFailing, true);
  EXPECT_EQ(t.worstCase, false);
  // The nineteen values were never written.
  EXPECT_FALSE(raw.contains("parameter/formLeft"));
}

TEST(LaterSettings, UnusableValuesAreLeftEmpty) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  {
    QSettings raw(file, QSettings::NativeFormat);
    raw.setValue("tolerance/distribution", 7);  // no such choice
    raw.setValue("tolerance/maskOn", 2);
    raw.setValue("tolerance/trials", "many");
    raw.sync();
  }
  QSettingsStore store(file, QSettings::NativeFormat);
  const ToleranceSettings t = LoadTolerance(store);
  EXPECT_FALSE(t.distribution);
  EXPECT_FALSE(t.maskOn);
  EXPECT_FALSE(t.trials);
  // A frequency not above 0 is not stored.
  ToleranceSettings zero;
  zero.maskPassHz = 0;
  SaveTolerance(store, zero);
  EXPECT_FALSE(QSettings(file, QSettings::NativeFormat).contains("tolerance/maskFpMicroDecades"));
}

}  // namespace
}  // namespace kelvara::storage
