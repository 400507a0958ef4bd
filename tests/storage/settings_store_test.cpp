#include "storage/settings_store.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include "tests/storage/file_helpers.h"

namespace kelvara::storage {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

const QStringList kNames = {"sheetColor0", "sheetColor1",   "sheetColor2",   "sheetColor3",  "sheetColor4",
                            "sheetColor5", "sheetColor6",   "sheetColor7",   "formLeft",     "formTop",
                            "chartColor",  "chartIndex0",   "ASchartIndex0", "chartIndex1",  "ASchartIndex1",
                            "chartIndex2", "ASchartIndex2", "chartIndex3",   "ASchartIndex3"};

// What a store holds under "parameter", read with a QSettings of its own.
QVariant Stored(const QString& file, const QString& name) {
  QSettings settings(file, QSettings::NativeFormat);
  return settings.value("parameter/" + name);
}

AppSettings Edited() {
  AppSettings s;
  s.sheetColor[3] = Rgb(10, 20, 30);
  s.formLeft = -12;
  s.formTop = 640;
  s.chartColor = Rgb(0, 0, 255);
  s.chartIndex[2] = 0;
  s.chartIndex[3] = 12;
  s.chartText[0] = "20";
  s.chartText[1] = "-30";
  return s;
}

TEST(Settings, ValueNamesInStorageOrder) { EXPECT_EQ(SettingsValueNames(), kNames); }

TEST(Settings, DefaultsAreTheFirstRunValues) {
  const AppSettings s;
  EXPECT_EQ(s.sheetColor, (std::array<std::int32_t, 8>{0x000000, 0x0000FF, 0x00FFFF, 0x008000, 0xFF0000, 0x800080,
                                                       0x008080, 0xFFFFFF}));
  EXPECT_EQ(s.formLeft, 185);
  EXPECT_EQ(s.formTop, 50);
  EXPECT_EQ(s.chartColor, 255);
  EXPECT_EQ(s.chartIndex, (std::array<std::int32_t, 4>{2, 3, 5, 7}));
  EXPECT_EQ(s.chartText, (std::array<QString, 4>{"0", "-10", "5", "7"}));
}

TEST(Settings, FirstStartCreatesAllNineteenValuesWithTheirDefaults) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  QSettingsStore store(file, QSettings::NativeFormat);
  EXPECT_EQ(store.Load(), AppSettings{});
  EXPECT_EQ(store.LastReport().restored, kNames);
  EXPECT_TRUE(store.LastReport().written);
  EXPECT_TRUE(store.LastProblem().isEmpty());

  QSettings settings(file, QSettings::NativeFormat);
  settings.beginGroup("parameter");
  EXPECT_EQ(settings.childKeys().size(), 19);
  EXPECT_EQ(settings.value("sheetColor7").toInt(), 0xFFFFFF);
  EXPECT_EQ(settings.value("formLeft").toInt(), 185);
  EXPECT_EQ(settings.value("formTop").toInt(), 50);
  EXPECT_EQ(settings.value("chartColor").toInt(), 255);
  EXPECT_EQ(settings.value("chartIndex2").toInt(), 5);
  EXPECT_EQ(settings.value("ASchartIndex1").toString(), "-10");
}

TEST(Settings, SavedSettingsComeBack) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  QSettingsStore(file, QSettings::NativeFormat).Save(Edited());
  QSettingsStore store(file, QSettings::NativeFormat);
  EXPECT_EQ(store.Load(), Edited());  // "-30" typed as Y min included
  EXPECT_TRUE(store.LastReport().restored.isEmpty());
  EXPECT_TRUE(store.LastReport().replaced.isEmpty());
}

// Saving what the store already holds leaves the file as it is (a user's
// comment, a value written as "+7"); a changed value, and one the store
// holds in a form a load cannot use, are written.
TEST(Settings, SavingUnchangedSettingsWritesNothing) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  QSettingsStore(file, QSettings::NativeFormat).Save(Edited());
  QByteArray bytes = "; kept by hand\n" + ReadBytes(file);
  bytes.replace("formTop=640", "formTop=+640");
  WriteBytes(file, bytes);

  QSettingsStore store(file, QSettings::NativeFormat);
  ASSERT_EQ(store.Load(), Edited());
  ASSERT_EQ(ReadBytes(file), bytes);
  store.Save(Edited());
  EXPECT_TRUE(store.LastReport().written);
  EXPECT_TRUE(store.LastProblem().isEmpty());
  EXPECT_EQ(ReadBytes(file), bytes);

  AppSettings changed = Edited();
  changed.formLeft = 3;
  changed.chartText[1] = "-40";
  store.Save(changed);
  EXPECT_NE(ReadBytes(file), bytes);
  EXPECT_EQ(store.Load(), changed);
  EXPECT_TRUE(store.LastReport().restored.isEmpty() && store.LastReport().replaced.isEmpty());

  // Written behind the program's back: the save puts its own values back.
  QSettings(file, QSettings::NativeFormat).setValue("parameter/chartIndex3", "thirteen");
  store.Save(changed);
  EXPECT_EQ(Stored(file, "chartIndex3").toString(), "12");
}

TEST(Settings, ADeletedValueIsRestoredAndWrittenBackAtOnce) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  QSettingsStore(file, QSettings::NativeFormat).Save(Edited());
  QSettings(file, QSettings::NativeFormat).remove("parameter/formTop");

  QSettingsStore store(file, QSettings::NativeFormat);
  AppSettings expected = Edited();
  expected.formTop = 50;
  EXPECT_EQ(store.Load(), expected);
  EXPECT_EQ(store.LastReport().restored, QStringList{"formTop"});
  EXPECT_EQ(Stored(file, "formTop").toInt(), 50);  // before any save
}

TEST(Settings, KeptValuesSurviveEveryRun) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  for (int run = 0; run < 3; ++run) {
    QSettingsStore store(file, QSettings::NativeFormat);
    AppSettings s = store.Load();
    EXPECT_EQ(s.chartIndex[0], 2);
    EXPECT_EQ(s.chartText[2], "5");
    s.chartText[1] = "-30";
    store.Save(s);
  }
  // Edited from outside, they are kept as they are.
  {
    QSettings settings(file, QSettings::NativeFormat);
    settings.setValue("parameter/chartIndex0", 99);
    settings.setValue("parameter/ASchartIndex2", "anything");
  }
  QSettingsStore store(file, QSettings::NativeFormat);
  AppSettings s = store.Load();
  EXPECT_EQ(s.chartIndex[0], 99);
  EXPECT_EQ(s.chartText[2], "anything");
  EXPECT_EQ(s.chartText[1], "-30");
  store.Save(s);
  EXPECT_EQ(Stored(file, "chartIndex0").toInt(), 99);
  EXPECT_EQ(Stored(file, "ASchartIndex2").toString(), "anything");
}

struct UnusableCase {
  const char* name;
  const char* line;  // as the settings file holds it
  const char* rewritten;
  void (*toDefault)(AppSettings&);
};

const AppSettings kDefaults;

void PrintTo(const UnusableCase& c, std::ostream* os) { *os << c.name << "=" << c.line; }

class UnusableValue : public ::testing::TestWithParam<UnusableCase> {};

INSTANTIATE_TEST_SUITE_P(
    Values, UnusableValue,
    ::testing::Values(
        UnusableCase{"formLeft", "abc", "185", [](AppSettings& s) { s.formLeft = kDefaults.formLeft; }},
        UnusableCase{"formTop", "99999999999", "50", [](AppSettings& s) { s.formTop = kDefaults.formTop; }},
        UnusableCase{"formTop", "1.5", "50", [](AppSettings& s) { s.formTop = kDefaults.formTop; }},
        UnusableCase{"sheetColor3", "red", "32768", [](AppSettings& s) { s.sheetColor[3] = kDefaults.sheetColor[3]; }},
        UnusableCase{"sheetColor0", "-1", "0", [](AppSettings& s) { s.sheetColor[0] = kDefaults.sheetColor[0]; }},
        UnusableCase{"sheetColor7", "16777216", "16777215",
                     [](AppSettings& s) { s.sheetColor[7] = kDefaults.sheetColor[7]; }},
        UnusableCase{"chartColor", "@ByteArray(255)", "255",
                     [](AppSettings& s) { s.chartColor = kDefaults.chartColor; }},
        UnusableCase{"chartIndex2", "13", "5", [](AppSettings& s) { s.chartIndex[2] = kDefaults.chartIndex[2]; }},
        UnusableCase{"chartIndex3", "-1", "7", [](AppSettings& s) { s.chartIndex[3] = kDefaults.chartIndex[3]; }},
        UnusableCase{"chartIndex2", "1, 2", "5", [](AppSettings& s) { s.chartIndex[2] = kDefaults.chartIndex[2]; }},
        UnusableCase{"ASchartIndex1", "-30, -40", "-10",
                     [](AppSettings& s) { s.chartText[1] = kDefaults.chartText[1]; }},
        UnusableCase{"ASchartIndex0", "@ByteArray(0)", "0",
                     [](AppSettings& s) { s.chartText[0] = kDefaults.chartText[0]; }}));

TEST_P(UnusableValue, FallsBackToItsDefaultAndIsRewritten) {
  TempFolder dir;
  const QString saved = dir.Path("saved.conf");
  QSettingsStore(saved, QSettings::NativeFormat).Save(Edited());
  // Replace the value's line, as an outside editor would. The edited copy has
  // a name of its own: QSettings caches the files it has written.
  const QString file = dir.Path("Vornix.conf");
  QByteArray text = ReadBytes(saved);
  const QByteArray key = QByteArray("\n") + GetParam().name + "=";
  const qsizetype at = text.indexOf(key);
  ASSERT_GE(at, 0);
  const qsizetype valueAt = at + key.size();
  text.replace(valueAt, text.indexOf('\n', valueAt) - valueAt, GetParam().line);
  WriteBytes(file, text);

  QSettingsStore store(file, QSettings::NativeFormat);
  AppSettings expected = Edited();
  GetParam().toDefault(expected);
  EXPECT_EQ(store.Load(), expected);  // the other values load as saved
  EXPECT_EQ(store.LastReport().replaced, QStringList{GetParam().name});
  EXPECT_TRUE(store.LastReport().written);
  EXPECT_EQ(Stored(file, GetParam().name).toString(), GetParam().rewritten);  // at once, before any save
}

TEST(Settings, IntegerTextsOfATextStoreAreRead) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  WriteBytes(file, "[parameter]\nformLeft=-40\nformTop=+7\nchartIndex2=12\nsheetColor1=16777215\n");
  QSettingsStore store(file, QSettings::NativeFormat);
  const AppSettings s = store.Load();
  EXPECT_EQ(s.formLeft, -40);
  EXPECT_EQ(s.formTop, 7);
  EXPECT_EQ(s.chartIndex[2], 12);
  EXPECT_EQ(s.sheetColor[1], 0xFFFFFF);
  EXPECT_TRUE(store.LastReport().replaced.isEmpty());
  EXPECT_EQ(store.LastReport().restored.size(), 15);
}

// A store that keeps value types, as the Windows registry does: JSON numbers
// for integers, JSON strings for texts.
bool ReadTyped(QIODevice& device, QSettings::SettingsMap& map) {
  const QJsonObject object = QJsonDocument::fromJson(device.readAll()).object();
  for (auto it = object.begin(); it != object.end(); ++it) {
    map.insert(it.key(), it->isDouble() ? QVariant(it->toInt()) : QVariant(it->toString()));
  }
  return true;
}

bool WriteTyped(QIODevice& device, const QSettings::SettingsMap& map) {
  QJsonObject object;
  for (auto it = map.begin(); it != map.end(); ++it) {
    if (it->typeId() == QMetaType::Int)
      object.insert(it.key(), it->toInt());
    else if (it->typeId() == QMetaType::QString)
      object.insert(it.key(), it->toString());
    else
      object.insert(it.key(), QStringLiteral("unexpected type %1").arg(it->typeName()));
  }
  device.write(QJsonDocument(object).toJson());
  return true;
}

const QSettings::Format kTypedFormat = QSettings::registerFormat("typed", ReadTyped, WriteTyped);

TEST(Settings, IntegersAreStoredAsIntegersAndTextsAsStrings) {
  TempFolder dir;
  const QString file = dir.Path("store.typed");
  QSettingsStore(file, kTypedFormat).Save(Edited());
  const QJsonObject object = QJsonDocument::fromJson(ReadBytes(file)).object();
  ASSERT_EQ(object.size(), 19);
  for (const QString& name : kNames) {
    const QJsonValue value = object.value("parameter/" + name);
    EXPECT_EQ(value.isString(), name.startsWith("AS")) << name.toStdString();
    EXPECT_EQ(value.isDouble(), !name.startsWith("AS")) << name.toStdString();
  }
  EXPECT_EQ(object.value("parameter/formLeft").toInt(), -12);
  EXPECT_EQ(object.value("parameter/ASchartIndex1").toString(), "-30");
}

TEST(Settings, AValueOfTheWrongTypeFallsBackInATypedStore) {
  TempFolder dir;
  const QString file = dir.Path("store.typed");
  WriteBytes(file, R"({"parameter/formLeft": "185", "parameter/ASchartIndex0": 20, "parameter/formTop": 60})");
  QSettingsStore store(file, kTypedFormat);
  const AppSettings s = store.Load();
  EXPECT_EQ(s.formLeft, 185);      // a string where an integer is due: the default
  EXPECT_EQ(s.chartText[0], "0");  // an integer where a text is due: the default
  EXPECT_EQ(s.formTop, 60);
  EXPECT_EQ(store.LastReport().replaced, (QStringList{"formLeft", "ASchartIndex0"}));
  const QJsonObject object = QJsonDocument::fromJson(ReadBytes(file)).object();
  EXPECT_TRUE(object.value("parameter/formLeft").isDouble());
  EXPECT_EQ(object.value("parameter/ASchartIndex0").toString(), "0");
}

TEST(Settings, AStoreThatCannotBeWrittenIsReportedNotThrown) {
  TempFolder dir;
  WriteBytes(dir.Path("plain"), "a file, not a folder");
  const QString file = dir.Path("plain/Quor/Vornix.conf");
  QSettingsStore store(file, QSettings::NativeFormat);
  EXPECT_EQ(store.Load(), AppSettings{});
  EXPECT_FALSE(store.LastReport().written);
  EXPECT_EQ(store.LastProblem(), "設定を " + file + " に保存できません。");
  store.Save(Edited());
  EXPECT_FALSE(store.LastReport().written);
  EXPECT_FALSE(store.LastProblem().isEmpty());
}

TEST(Settings, AGarbageFileGivesTheDefaultsAndIsRepaired) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  QByteArray garbage;
  for (int i = 0; i < 4000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  WriteBytes(file, garbage);
  QSettingsStore store(file, QSettings::NativeFormat);
  EXPECT_EQ(store.Load(), AppSettings{});
  EXPECT_TRUE(store.LastReport().written);
  store.Save(Edited());
  EXPECT_EQ(QSettingsStore(file, QSettings::NativeFormat).Load(), Edited());
}

// A file whose nineteen values are all readable beside a group QSettings
// writes back in a form it then flags (a name with a byte that is no UTF-8
// and a value with NULs; found by the settings fuzzer): QSettings reports a
// format error after the save's own write. The save used to pass that on as
// "the file was incorrect and has been rewritten with defaults", a problem
// of a save that wrote everything.
TEST(Settings, ASaveThatWroteEverythingReportsNoProblem) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  QByteArray bytes(
      "[pAra\x93"
      "eter]\n\rte\x01\nsheetColor0=-2");
  bytes += QByteArray(3, '\0');
  bytes += "heetColoz2=htI\x01\n";
  QSettingsStore(file, QSettings::IniFormat).Save(Edited());
  bytes += ReadBytes(file);
  WriteBytes(file, bytes);

  QSettingsStore store(file, QSettings::IniFormat);
  EXPECT_EQ(store.Load(), Edited());
  EXPECT_TRUE(store.LastProblem().isEmpty()) << store.LastProblem().toStdString();
  store.Save(Edited());
  EXPECT_TRUE(store.LastReport().written);
  EXPECT_TRUE(store.LastProblem().isEmpty()) << store.LastProblem().toStdString();
  EXPECT_EQ(store.Load(), Edited());
  EXPECT_TRUE(store.LastProblem().isEmpty()) << store.LastProblem().toStdString();
  EXPECT_TRUE(store.LastReport().restored.isEmpty() && store.LastReport().replaced.isEmpty());
}

TEST(Settings, AHugeFileIsNeitherReadNorOverwritten) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  const QByteArray huge = "[parameter]\nformLeft=1\n" + QByteArray(kMaxSettingsFileBytes, '#');
  WriteBytes(file, huge);
  QSettingsStore store(file, QSettings::NativeFormat);
  EXPECT_EQ(store.Load(), AppSettings{});
  EXPECT_FALSE(store.LastReport().written);
  EXPECT_TRUE(store.LastProblem().contains(file)) << store.LastProblem().toStdString();
  store.Save(Edited());
  EXPECT_EQ(ReadBytes(file), huge);
}

TEST(Settings, TheProgramStoreIsQuorVornixGroupParameter) {
  TempFolder dir;
  const QByteArray oldConfigHome = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", dir.Path("config").toLocal8Bit());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.Path("config"));
  QSettingsStore store;
  EXPECT_EQ(store.Load(), AppSettings{});
  EXPECT_TRUE(store.LastReport().written) << store.LastProblem().toStdString();
  const QString file = dir.Path("config/Quor/Vornix.conf");
  EXPECT_EQ(Stored(file, "formTop").toInt(), 50);
  store.Save(Edited());
  EXPECT_EQ(Stored(file, "ASchartIndex1").toString(), "-30");
  if (oldConfigHome.isNull())
    qunsetenv("XDG_CONFIG_HOME");
  else
    qputenv("XDG_CONFIG_HOME", oldConfigHome);
}

// Texts of the later windows live beside the nineteen values and leave
// them as they are.
TEST(LaterTexts, ComeBackAndLeaveTheNineteenValuesAlone) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  QSettingsStore(file, QSettings::NativeFormat).Save(Edited());
  {
    QSettingsStore store(file, QSettings::NativeFormat);
    EXPECT_FALSE(store.ReadText(QStringLiteral("analysis/opAmpGbw")).has_value());
    store.WriteText(QStringLiteral("analysis/opAmpGbw"), QStringLiteral("4.7M"));
    store.WriteText(QStringLiteral("analysis/long"), QString(200, QLatin1Char('x')));
  }
  QSettingsStore store(file, QSettings::NativeFormat);
  EXPECT_EQ(store.ReadText(QStringLiteral("analysis/opAmpGbw")), QStringLiteral("4.7M"));
  EXPECT_EQ(store.ReadText(QStringLiteral("analysis/long"))->size(), SettingsStore::kMaxLaterText);
  EXPECT_EQ(store.Load(), Edited());
  EXPECT_TRUE(store.LastReport().restored.isEmpty());
  EXPECT_TRUE(store.LastReport().replaced.isEmpty());
  // A text too long for one of ours is not read.
  QSettings(file, QSettings::NativeFormat).setValue(QStringLiteral("analysis/opAmpA0"), QString(100, QLatin1Char('9')));
  EXPECT_FALSE(store.ReadText(QStringLiteral("analysis/opAmpA0")).has_value());
}

}  // namespace
}  // namespace kelvara::storage

namespace kelvara::storage {
namespace {

TEST(Settings, LaterWindowsKeepIntegersBesideTheNineteenValues) {
  TempFolder dir;
  const QString file = dir.Path("Vornix.conf");
  QSettingsStore(file, QSettings::NativeFormat).Save(Edited());
  {
    QSettingsStore store(file, QSettings::NativeFormat);
    EXPECT_EQ(store.ReadInt("analysis/formWidth"), std::nullopt);
    store.WriteInt("analysis/formWidth", 812);
    store.WriteInt("analysis/formLeft", -20);
  }
  QSettingsStore store(file, QSettings::NativeFormat);
  EXPECT_EQ(store.ReadInt("analysis/formWidth"), 812);
  EXPECT_EQ(store.ReadInt("analysis/formLeft"), -20);
  EXPECT_EQ(store.Load(), Edited());
  EXPECT_TRUE(store.LastReport().restored.isEmpty());
  EXPECT_TRUE(store.LastReport().replaced.isEmpty());
  QSettings raw(file, QSettings::NativeFormat);
  raw.setValue("analysis/formTop", "high");
  raw.sync();
  EXPECT_EQ(store.ReadInt("analysis/formTop"), std::nullopt);  // no integer
}

}  // namespace
}  // namespace kelvara::storage
