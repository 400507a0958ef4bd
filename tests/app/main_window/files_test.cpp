// The four design file commands of the file menu: what they write and read,
// the names they use, the look of opened sheets, and what refused files,
// failed saves and cancelled dialogs leave alone.

#include <QAction>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <array>
#include <functional>

#include "storage/design_file.h"
#include "tests/app/main_window/files_test_support.h"

namespace kelvara::app::testing {
namespace {

using values::SheetRecord;
namespace line = values::sheet_line;

using DesignFiles = FileWindowTest;

TEST_F(DesignFiles, OneSheetSavedAsLpfOpensIntoAnotherSheetAsTyped) {
  SelectTab(2);
  TypeDesign(3);  // HPF, order 7, texts "0.5M", "０.０１ｕ", "2.3k"
  const SheetRecord typed = Shown();
  Answer(Path("lpf"));
  W().menuSaveFile->trigger();
  EXPECT_EQ(W().sheets[2], typed) << "the shown sheet is stored before saving";
  ASSERT_EQ(Entries(), QStringList{"lpf.zdn"});

  const QByteArray bytes = ReadFile(Path("lpf.zdn"));
  const QList<QByteArray> lines = CrLfLines(bytes);
  ASSERT_EQ(lines.size(), 50) << "49 lines, each ending in CR LF";
  EXPECT_TRUE(lines.back().isEmpty());
  EXPECT_EQ(lines[line::kPassKind], "1");
  EXPECT_EQ(lines[line::kCutoff], "0.5M");
  EXPECT_EQ(lines[line::CValue(2)], "\x82\x4f.\x82\x4f\x82\x50\x82\x95") << "０.０１ｕ in Shift-JIS";
  EXPECT_EQ(lines[line::kValsetCaption], "\x92\xe8\x90\x94\x90\xdd\x92\xe8") << "定数設定 in Shift-JIS";
  EXPECT_EQ(bytes.count('\n'), 49);
  EXPECT_EQ(bytes.count('\r'), 49);

  SelectTab(5);
  Answer(Path("lpf.zdn"));
  W().menuOpenFile->trigger();
  EXPECT_EQ(W().sheets[5], typed);
  EXPECT_EQ(Shown(), typed);
  EXPECT_EQ(W().Edit_Frequency->text(), "0.5M");
  EXPECT_EQ(W().groupC[1].valueEdit->text(), "０.０１ｕ");
  EXPECT_EQ(W().CBox_HPFLPF->currentText(), "HPF");
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(7));
  EXPECT_EQ(W().lastOrderIndex, 5);
  EXPECT_TRUE(ShowsPicture("HPF_7.jpg"));
  EXPECT_EQ(W().sheets[2], typed);
  EXPECT_TRUE(errors.Errors().empty());
  EXPECT_TRUE(warnings.Entries().empty());
}

struct NameCase {
  const char* chosen;
  bool allSheets;
  const char* written;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.chosen << " -> " << c.written; }

class SaveName : public FileWindowTest, public ::testing::WithParamInterface<NameCase> {};

INSTANTIATE_TEST_SUITE_P(Names, SaveName,
                         ::testing::Values(NameCase{"lpf", false, "lpf.zdn"}, NameCase{"lpf.zdn", false, "lpf.zdn"},
                                           NameCase{"LPF.ZDN", false, "LPF.ZDN"}, NameCase{"all", true, "all.zdna"},
                                           NameCase{"all.zdna", true, "all.zdna"},
                                           NameCase{"lpf.zdn", true, "lpf.zdn.zdna"}));

TEST_P(SaveName, AppendsTheExtensionOnlyWhenMissingAndOverwritesWithoutAsking) {
  const QString written = Path(QString::fromLatin1(GetParam().written));
  WriteFile(written, "old content\r\n");
  TypeDesign(1);
  Answer(Path(QString::fromLatin1(GetParam().chosen)));
  (GetParam().allSheets ? W().menuSaveFileAll : W().menuSaveFile)->trigger();
  EXPECT_TRUE(errors.Errors().empty());
  EXPECT_EQ(Entries(), QStringList{QString::fromLatin1(GetParam().written)});
  EXPECT_EQ(CrLfLines(ReadFile(written)).size(), GetParam().allSheets ? 393 : 50);
}

TEST_F(DesignFiles, AllSheetsSavedComeBackInANewWindow) {
  TypeEightDesigns();
  SelectTab(4);
  TypeDesign(0);  // sheet 5 changed again and not stored yet
  Answer(Path("eight"));
  W().menuSaveFileAll->trigger();
  ASSERT_EQ(Entries(), QStringList{"eight.zdna"});
  const auto saved = W().sheets;
  EXPECT_EQ(saved[4], Shown());
  EXPECT_EQ(CrLfLines(ReadFile(Path("eight.zdna"))).size(), 393);
  // What each sheet shows when the user comes to it.
  std::vector<SheetRecord> looks;
  std::vector<std::vector<bool>> groups;
  for (int i = 0; i < TFormMain::kSheetCount; ++i) {
    SelectTab(i);
    looks.push_back(Shown());
    groups.push_back(ShownGroups());
  }

  Build(AssetsDir());  // the program is started again
  SelectTab(6);
  Answer(Path("eight.zdna"));
  W().menuOpenFileAll->trigger();
  EXPECT_TRUE(errors.Errors().empty());
  EXPECT_EQ(W().sheets, saved);
  EXPECT_EQ(Shown(), looks[6]) << "the displayed sheet comes from the file";
  for (int i = 0; i < TFormMain::kSheetCount; ++i) {
    SelectTab(i);
    EXPECT_EQ(Shown(), looks[i]) << "Sheet " << i + 1;
    EXPECT_EQ(ShownGroups(), groups[i]) << "Sheet " << i + 1;
  }
}

TEST_F(DesignFiles, OpeningOneSheetFromAnAllSheetsFileShowsItsFirstSheet) {
  TypeEightDesigns();
  Answer(Path("eight.zdna"));
  W().menuSaveFileAll->trigger();
  const auto saved = W().sheets;
  SelectTab(3);
  W().menuOpenFile->trigger();
  EXPECT_EQ(W().sheets[3], saved[0]);
  EXPECT_EQ(Shown(), saved[0]);
  for (int i : {0, 1, 2, 4, 5, 6, 7}) EXPECT_EQ(W().sheets[i], saved[i]);
}

// The look a sheet has while its calculation runs.
SheetRecord Running(SheetRecord record) {
  record[line::kInputsEnabled] = "false";
  record[line::kValsetEnabled] = "false";
  record[line::kStopEnabled] = "true";
  record[line::kFreqEnabled] = "false";
  record[line::kValsetCaption] = "設定中";
  record[line::kProgressMax] = "320";
  record[line::kProgressPos] = "40";
  return record;
}

void ExpectIdle(const TFormMain& w) {
  EXPECT_TRUE(w.CBox_HPFLPF->isEnabled());
  EXPECT_TRUE(w.Edit_Frequency->isEnabled());
  EXPECT_TRUE(w.groupR[0].box->isEnabled());
  EXPECT_TRUE(w.ButtonValset->isEnabled());
  EXPECT_EQ(w.ButtonValset->text(), "定数設定");
  EXPECT_FALSE(w.ButtonStop->isEnabled());
  EXPECT_TRUE(w.ButtonFreq->isEnabled());
  EXPECT_EQ(w.PBar->maximum(), 320) << "the progress stays as saved";
  EXPECT_EQ(w.PBar->value(), 40);
}

TEST_F(DesignFiles, ASheetSavedInItsRunningLookOpensIdle) {
  TypeDesign(2);
  W().LoadSheet(Running(Shown()));
  Answer(Path("busy.zdn"));
  W().menuSaveFile->trigger();
  const QList<QByteArray> lines = CrLfLines(ReadFile(Path("busy.zdn")));
  ASSERT_EQ(lines.size(), 50);
  EXPECT_EQ(lines[line::kStopEnabled], "true") << "the file holds what the record held";
  EXPECT_EQ(lines[line::kValsetCaption], "\x90\xdd\x92\xe8\x92\x86") << "設定中";

  SelectTab(1);
  W().menuOpenFile->trigger();
  ExpectIdle(W());
  EXPECT_EQ(W().sheets[1][line::kStopEnabled], "false");
  EXPECT_EQ(W().sheets[1][line::kCutoff], W().sheets[0][line::kCutoff]);

  SelectTab(0);  // sheet 1 in its running look again
  Answer(Path("busy.zdna"));
  W().menuSaveFileAll->trigger();
  SelectTab(7);
  W().menuOpenFileAll->trigger();
  SelectTab(0);
  ExpectIdle(W());
  for (const SheetRecord& record : W().sheets) EXPECT_EQ(record[line::kValsetCaption], "定数設定");
}

TEST_F(DesignFiles, OpeningReplacesTheShownSheetWithoutStoringIt) {
  TypeDesign(4);
  Answer(Path("four.zdn"));
  W().menuSaveFile->trigger();
  const SheetRecord saved = W().sheets[0];
  TypeDesign(6);  // typed after saving, never stored
  W().menuOpenFile->trigger();
  EXPECT_EQ(Shown(), saved);
  EXPECT_EQ(W().sheets[0], saved);
}

// --- what a refused file, a failed save and a cancel leave alone ---------

/// Everything the window holds of the designs.
struct Held {
  std::array<SheetRecord, TFormMain::kSheetCount> records;
  SheetRecord controls;
  std::vector<bool> groups;
  int lastOrderIndex;
  bool operator==(const Held&) const = default;
};

class Untouched : public FileWindowTest {
 protected:
  /// Different designs in the sheets, sheet 2 shown with typing that is not
  /// stored yet.
  void PrepareDesigns() {
    TypeEightDesigns();
    SelectTab(1);
    TypeDesign(5);
  }
  Held Now() const { return {window->sheets, Shown(), ShownGroups(), window->lastOrderIndex}; }
};

QByteArray SheetBytes(const SheetRecord& record) { return storage::SheetFileBytes(record, QString()).value(); }

QByteArray AllSheetsBytes() {
  storage::SheetRecords records;
  records.fill(values::DefaultSheetRecord());
  return storage::AllSheetsFileBytes(records, QString()).value();
}

QByteArray WithLine(QByteArray bytes, int index, const QByteArray& text) {
  QList<QByteArray> lines = CrLfLines(bytes);
  lines[index] = text;
  return lines.join("\r\n");
}

QByteArray FirstLines(const QByteArray& bytes, int count) {
  QList<QByteArray> lines = CrLfLines(bytes).mid(0, count);
  return lines.join("\r\n") + "\r\n";
}

struct RefusedCase {
  const char* name;
  /// The file's bytes; nothing: there is no file.
  std::function<std::optional<QByteArray>()> bytes;
  bool allSheets;
  /// The message; %F is the file, %N its size.
  const char* message;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedFile : public Untouched, public ::testing::WithParamInterface<RefusedCase> {};

const SheetRecord kDefault = values::DefaultSheetRecord();

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedFile,
    ::testing::Values(
        RefusedCase{"Missing", [] { return std::nullopt; }, false, "ファイル %F が見つかりません。"},
        RefusedCase{"MissingAll", [] { return std::nullopt; }, true, "ファイル %F が見つかりません。"},
        RefusedCase{"Binary", [] { return WithLine(SheetBytes(kDefault), 2, QByteArray("0\0\x01\xff", 4)); }, false,
                    "ファイル %F は設計ファイルではありません。3 行目に NUL 文字があります。"},
        RefusedCase{"OverOneMebibyte",
                    [] { return SheetBytes(kDefault) + QByteArray(storage::kMaxDesignFileBytes, '\n'); }, true,
                    "ファイル %F は設計ファイルではありません。大きさが %N バイトあります（設計ファイルは 1 MiB = "
                    "1048576 バイトまでです）。"},
        RefusedCase{"Empty", [] { return QByteArray(); }, false,
                    "ファイル %F は 0 行しかありません。1 シートの設計ファイルには 49 行が必要です。"},
        RefusedCase{"Short", [] { return FirstLines(SheetBytes(kDefault), 48); }, false,
                    "ファイル %F は 48 行しかありません。1 シートの設計ファイルには 49 行が必要です。"},
        RefusedCase{"OneSheetAsAll", [] { return SheetBytes(kDefault); }, true,
                    "ファイル %F は 49 行しかありません。全てのシートの設計ファイルには 392 行（8 シート × 49 "
                    "行）が必要です。"},
        RefusedCase{"BadLine", [] { return WithLine(SheetBytes(kDefault), 3, "7"); }, false,
                    "ファイル %F の 4 行目は読み込めません。次数「7」は 0～6 のいずれかでなければなりません。"},
        RefusedCase{"BadLineInSheet3", [] { return WithLine(AllSheetsBytes(), 2 * 49 + line::kResponse, "5"); }, true,
                    "ファイル %F の 103 行目（Sheet ３）は読み込めません。減衰特性「5」は 0～4 のいずれかでなければ"
                    "なりません。"},
        RefusedCase{"NotShiftJis", [] { return WithLine(SheetBytes(kDefault), 6, "\x81\x7f"); }, false,
                    "ファイル %F は設計ファイルではありません。7 行目に Shift-JIS（コードページ 932）として正しくない"
                    "文字があります。"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST_P(RefusedFile, IsReportedWithItsMessageAndChangesNothing) {
  PrepareDesigns();
  const QString path = Path("design.zdn");
  const std::optional<QByteArray> bytes = GetParam().bytes();
  if (bytes) WriteFile(path, *bytes);
  const Held before = Now();
  Answer(path);
  (GetParam().allSheets ? W().menuOpenFileAll : W().menuOpenFile)->trigger();
  const QString text = QString::fromUtf8(GetParam().message)
                           .replace("%F", QDir::toNativeSeparators(path))
                           .replace("%N", QString::number(bytes ? bytes->size() : 0));
  EXPECT_EQ(errors.Errors(), std::vector<QString>{"ファイルを開けません\n" + text});
  EXPECT_TRUE(Now() == before);
  EXPECT_TRUE(warnings.Entries().empty());
}

TEST_F(Untouched, AFolderChosenAsFileIsRefused) {
  PrepareDesigns();
  ASSERT_TRUE(QDir().mkdir(Path("folder.zdn")));
  const Held before = Now();
  Answer(Path("folder.zdn"));
  W().menuOpenFile->trigger();
  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_EQ(errors.Errors()[0], "ファイルを開けません\n" + QDir::toNativeSeparators(Path("folder.zdn")) +
                                    " は読み込めるファイルではありません。");
  EXPECT_TRUE(Now() == before);
}

struct FailedSaveCase {
  const char* name;
  bool allSheets;
  /// The name chosen in the dialog, within the test's folder.
  const char* chosen;
  /// A folder made before saving (or nullptr).
  const char* folder;
  /// A text typed into the shown sheet (or nullptr).
  const char* frequency;
  /// The start of the message after the caption; %F is the chosen path.
  const char* messageStart;
};

void PrintTo(const FailedSaveCase& c, std::ostream* os) { *os << c.name; }

class FailedSave : public Untouched, public ::testing::WithParamInterface<FailedSaveCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedSave,
    ::testing::Values(
        FailedSaveCase{"NoSuchFolder", false, "no/such/folder/lpf", nullptr, nullptr,
                       "ファイル %F.zdn に保存できません（"},
        FailedSaveCase{"NoSuchFolderAll", true, "no/such/folder/lpf", nullptr, nullptr,
                       "ファイル %F.zdna に保存できません（"},
        FailedSaveCase{"FolderInTheWay", false, "taken", "taken.zdn", nullptr, "ファイル %F.zdn に保存できません（"},
        FailedSaveCase{
            "NoShiftJisForAText", false, "lpf", nullptr, "1k😀",
            "ファイル %F.zdn に保存できません。カットオフ周波数に Shift-JIS（コードページ 932）で書けない文字"
            "「😀」があります。"},
        FailedSaveCase{"NoShiftJisForATextAll", true, "lpf", nullptr, "1k😀",
                       "ファイル %F.zdna に保存できません。Sheet ２ の カットオフ周波数に Shift-JIS（コードページ 932）"
                       "で書けない文字「😀」があります。"}),
    [](const ::testing::TestParamInfo<FailedSaveCase>& info) { return info.param.name; });

TEST_P(FailedSave, IsReportedAndLeavesTheOldFile) {
  PrepareDesigns();
  const FailedSaveCase& c = GetParam();
  if (c.frequency) W().Edit_Frequency->setText(QString::fromUtf8(c.frequency));
  if (c.folder) {
    ASSERT_TRUE(QDir().mkdir(Path(QString::fromLatin1(c.folder))));
  }
  const QString oldFile = Path(c.allSheets ? "lpf.zdna" : "lpf.zdn");
  WriteFile(oldFile, "the old design\r\n");
  const QStringList entries = Entries();
  // A save stores the shown sheet before its dialog; nothing else changes.
  Held before = Now();
  before.records[1] = before.controls;
  const QString chosen = Path(QString::fromLatin1(c.chosen));
  Answer(chosen);
  (c.allSheets ? W().menuSaveFileAll : W().menuSaveFile)->trigger();
  ASSERT_EQ(errors.Errors().size(), 1u);
  const QString expectedStart =
      "ファイルを保存できません\n" + QString::fromUtf8(c.messageStart).replace("%F", QDir::toNativeSeparators(chosen));
  EXPECT_TRUE(errors.Errors()[0].startsWith(expectedStart)) << errors.Errors()[0].toStdString();
  EXPECT_EQ(ReadFile(oldFile), "the old design\r\n");
  EXPECT_EQ(Entries(), entries) << "no temporary file is left behind";
  EXPECT_TRUE(Now() == before);
}

struct CommandCase {
  const char* name;
  QAction* TFormMain::*action;
  bool save;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class Command : public Untouched, public ::testing::WithParamInterface<CommandCase> {};

INSTANTIATE_TEST_SUITE_P(Menu, Command,
                         ::testing::Values(CommandCase{"OpenFile", &TFormMain::menuOpenFile, false},
                                           CommandCase{"OpenFileAll", &TFormMain::menuOpenFileAll, false},
                                           CommandCase{"SaveFile", &TFormMain::menuSaveFile, true},
                                           CommandCase{"SaveFileAll", &TFormMain::menuSaveFileAll, true}),
                         [](const ::testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

TEST_P(Command, CancelChangesNothing) {
  PrepareDesigns();
  WriteFile(Path("lpf.zdn"), SheetBytes(kDefault));
  Held before = Now();
  // A save stores the shown sheet before its dialog; that is all it does.
  if (GetParam().save) before.records[1] = before.controls;
  Answer(std::nullopt);
  (W().*GetParam().action)->trigger();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(Now() == before);
  EXPECT_EQ(Entries(), QStringList{"lpf.zdn"});
  EXPECT_EQ(ReadFile(Path("lpf.zdn")), SheetBytes(kDefault));
  EXPECT_TRUE(errors.Errors().empty());
}

TEST_P(Command, ShowsItsDialogWithItsFilterAndTheLastNameChosen) {
  const bool allSheets = std::string(GetParam().name).ends_with("All");
  QFileDialog* dialog = GetParam().save ? &W().SaveDialog() : &W().OpenDialog();
  // The other filter selected before: the command selects its own.
  dialog->selectNameFilter(dialog->nameFilters().at(allSheets ? 0 : 1));
  Answer(Path("first"));
  (W().*GetParam().action)->trigger();
  Answer(Path("second"));
  (W().*GetParam().action)->trigger();
  ASSERT_EQ(shown.size(), 2u);
  for (const DialogShown& s : shown) {
    EXPECT_EQ(s.dialog, dialog);
    EXPECT_EQ(s.filter, allSheets ? 1 : 0);
  }
  EXPECT_EQ(shown[1].name, Path("first")) << "the dialog remembers the last name chosen";
}

}  // namespace
}  // namespace kelvara::app::testing
