// Files and records the design file functions refuse, each with its message,
// and what a refusal leaves alone.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "storage/design_file.h"
#include "tests/storage/file_helpers.h"
#include "tests/storage/sample_records.h"

namespace kelvara::storage {
namespace {

using testing::GoldenAllSheets;
using testing::GoldenSheet;
using testing::Lines;
using testing::ReadBytes;
using testing::SheetWith;
using testing::TempFolder;
using testing::WriteBytes;

const char kOpenCaption[] = "ファイルを開けません";
const char kSaveCaption[] = "ファイルを保存できません";

std::vector<std::string> AllLines(const SheetRecords& records) {
  std::vector<std::string> lines;
  for (const values::SheetRecord& r : records) lines.insert(lines.end(), r.begin(), r.end());
  return lines;
}

std::vector<std::string> FirstLines(const std::vector<std::string>& lines, std::size_t count) {
  return {lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(count)};
}

QByteArray SheetBytes() { return Lines(GoldenSheet()); }

QByteArray ReplaceLine(const QByteArray& bytes, int line, const QByteArray& with) {
  QList<QByteArray> lines = bytes.split('\n');
  lines[line] = with + "\r";
  return lines.join('\n');
}

struct ReadCase {
  const char* name;
  std::function<QByteArray()> bytes;
  DesignFileKind kind;
  const char* message;  // %F stands for the file
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class RefusedFile : public ::testing::TestWithParam<ReadCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedFile,
    ::testing::Values(
        ReadCase{"Empty", [] { return QByteArray(); }, DesignFileKind::kSheet,
                 "ファイル %F は 0 行しかありません。1 シートの設計ファイルには 49 行が必要です。"},
        ReadCase{"ShortSheet", [] { return Lines(FirstLines(GoldenSheet(), 48)); }, DesignFileKind::kSheet,
                 "ファイル %F は 48 行しかありません。1 シートの設計ファイルには 49 行が必要です。"},
        ReadCase{"OneSheetOpenedAsAll", [] { return SheetBytes(); }, DesignFileKind::kAllSheets,
                 "ファイル %F は 49 行しかありません。全てのシートの設計ファイルには 392 行（8 シート × 49 "
                 "行）が必要です。"},
        ReadCase{"ShortAll", [] { return Lines(FirstLines(AllLines(GoldenAllSheets()), 391)); },
                 DesignFileKind::kAllSheets,
                 "ファイル %F は 391 行しかありません。全てのシートの設計ファイルには 392 行（8 シート × 49 "
                 "行）が必要です。"},
        ReadCase{"NulByte", [] { return ReplaceLine(SheetBytes(), 2, QByteArray("0\0", 2)); }, DesignFileKind::kSheet,
                 "ファイル %F は設計ファイルではありません。3 行目に NUL 文字があります。"},
        ReadCase{"NotCodePage932", [] { return ReplaceLine(SheetBytes(), 6, "\x81\x7f"); }, DesignFileKind::kSheet,
                 "ファイル %F は設計ファイルではありません。7 行目に Shift-JIS（コードページ 932）として正しくない文字"
                 "があります。"},
        ReadCase{"NotCodePage932AfterTheSheet", [] { return SheetBytes() + "ok\r\nok\r\n\xa0\r\n"; },
                 DesignFileKind::kSheet,
                 "ファイル %F は設計ファイルではありません。52 行目に Shift-JIS（コードページ 932）として正しくない文"
                 "字があります。"},
        ReadCase{"TooLarge", [] { return SheetBytes() + QByteArray(kMaxDesignFileBytes, '\n'); },
                 DesignFileKind::kSheet,
                 "ファイル %F は設計ファイルではありません。大きさが 1048840 バイトあります（設計ファイルは 1 MiB = "
                 "1048576 バイトまでです）。"},
        ReadCase{"OrderOutOfItsList",
                 [] {
                   return Lines(SheetWith({{3, "7"}}));
                 },
                 DesignFileKind::kSheet,
                 "ファイル %F の 4 行目は読み込めません。次数「7」は 0～6 のいずれかでなければなりません。"},
        ReadCase{"PassKindNotANumber",
                 [] {
                   return Lines(SheetWith({{0, "HPF"}}));
                 },
                 DesignFileKind::kSheet,
                 "ファイル %F の 1 行目は読み込めません。通過特性「HPF」は整数ではありません。"},
        ReadCase{"ProgressNotANumber",
                 [] {
                   return Lines(SheetWith({{48, ""}}));
                 },
                 DesignFileKind::kSheet,
                 "ファイル %F の 49 行目は読み込めません。進捗の位置「」は整数ではありません。"},
        ReadCase{"BadLineInSheet3",
                 [] {
                   SheetRecords records = GoldenAllSheets();
                   records[2][4] = "5";
                   return Lines(AllLines(records));
                 },
                 DesignFileKind::kAllSheets,
                 "ファイル %F の 103 行目（Sheet ３）は読み込めません。減衰特性「5」は 0～4 のいずれかでなければなりま"
                 "せん。"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST_P(RefusedFile, IsRefusedWithAMessageNamingTheFile) {
  TempFolder dir;
  const QString path = dir.Path("bad%1.zdn");  // a '%' in the name stays as it is
  WriteBytes(path, GetParam().bytes());
  const DesignFileError expected{kOpenCaption,
                                 QString::fromUtf8(GetParam().message).replace(QStringLiteral("%F"), path)};
  if (GetParam().kind == DesignFileKind::kSheet) {
    const FileResult<values::SheetRecord> read = OpenSheetFile(path);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error(), expected);
  } else {
    const FileResult<SheetRecords> read = OpenAllSheetsFile(path);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error(), expected);
  }
}

TEST(RefusedFile, MissingFileAndFolder) {
  TempFolder dir;
  const QString missing = dir.Path("none.zdn");
  EXPECT_EQ(ReadSheetFile(missing).error(),
            (DesignFileError{kOpenCaption, "ファイル " + missing + " が見つかりません。"}));
  const QString folder = dir.Path("folder.zdna");
  ASSERT_TRUE(QDir().mkdir(folder));
  EXPECT_EQ(ReadAllSheetsFile(folder).error(),
            (DesignFileError{kOpenCaption, folder + " は読み込めるファイルではありません。"}));
}

TEST(RefusedFile, APipeIsRefusedWithoutWaiting) {
  TempFolder dir;
  const QString fifo = dir.Path("pipe.zdn");
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  EXPECT_EQ(ReadSheetFile(fifo).error().text, fifo + " は読み込めるファイルではありません。");
}

TEST(RefusedFile, OneMebibyteIsStillAccepted) {
  QByteArray bytes = SheetBytes();
  bytes += QByteArray(kMaxDesignFileBytes - bytes.size(), '\n');
  ASSERT_EQ(bytes.size(), kMaxDesignFileBytes);
  const FileResult<values::SheetRecord> read = ParseSheetFile(bytes, "big.zdn");
  ASSERT_TRUE(read) << read.error().text.toStdString();
  EXPECT_EQ(read.value(), GoldenSheet());
}

TEST(RefusedFile, TheRecordsTheWindowHoldsStayAsTheyWere) {
  // As the open handlers use the functions: records are replaced only by a
  // result that is ok.
  TempFolder dir;
  const QString path = dir.Path("short.zdna");
  WriteBytes(path, SheetBytes());
  SheetRecords held = GoldenAllSheets();
  values::SheetRecord shown = GoldenSheet();
  if (FileResult<SheetRecords> read = OpenAllSheetsFile(path)) held = std::move(read).value();
  if (FileResult<values::SheetRecord> read = OpenSheetFile(dir.Path("none.zdn"))) shown = std::move(read).value();
  EXPECT_EQ(held, GoldenAllSheets());
  EXPECT_EQ(shown, GoldenSheet());
}

struct SaveCase {
  const char* name;
  std::function<SheetRecords()> records;  // a single-sheet save writes the first
  DesignFileKind kind;
  const char* message;
};

void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

class RefusedSave : public ::testing::TestWithParam<SaveCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedSave,
    ::testing::Values(
        SaveCase{"Emoji",
                 [] {
                   SheetRecords r = GoldenAllSheets();
                   r[0][10] = "1k😀";
                   return r;
                 },
                 DesignFileKind::kSheet,
                 "ファイル %F に保存できません。R3 の値に Shift-JIS（コードページ 932）で書けない文字「😀」がありま"
                 "す。その文字を消してから保存して下さい。"},
        SaveCase{"WaveDashInSheet3",
                 [] {
                   SheetRecords r = GoldenAllSheets();
                   r[2][9] = "1〜2";
                   return r;
                 },
                 DesignFileKind::kAllSheets,
                 "ファイル %F に保存できません。Sheet ３ の C2 の値に Shift-JIS（コードページ 932）で書けない文字「〜」"
                 "があります。その文字を消してから保存して下さい。"},
        SaveCase{"LineBreak",
                 [] {
                   SheetRecords r = GoldenAllSheets();
                   r[0][1] = "1\r\n0";
                   return r;
                 },
                 DesignFileKind::kSheet,
                 "ファイル %F に保存できません。カットオフ周波数に改行または NUL 文字があります。"},
        SaveCase{
            "OrderOutOfItsList",
            [] {
              SheetRecords r = GoldenAllSheets();
              r[4][3] = "9";
              return r;
            },
            DesignFileKind::kAllSheets,
            "ファイル %F に保存できません。Sheet ５ の記録は読み込めない内容です（次数「9」は 0～6 のいずれかでなけ"
            "ればなりません）。"},
        SaveCase{"ShortRecord",
                 [] {
                   SheetRecords r = GoldenAllSheets();
                   r[0].resize(40);
                   return r;
                 },
                 DesignFileKind::kSheet,
                 "ファイル %F に保存できません。シートの記録は読み込めない内容です（行が足りません（49 行のうち 40 "
                 "行しかありません））。"}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return info.param.name; });

TEST_P(RefusedSave, IsRefusedAndLeavesTheOldFile) {
  TempFolder dir;
  const QString path = dir.Path("old.zdn");
  const QByteArray old = "the design saved before\r\n";
  WriteBytes(path, old);
  const SheetRecords records = GetParam().records();
  const std::optional<DesignFileError> error =
      GetParam().kind == DesignFileKind::kSheet ? WriteSheetFile(path, records[0]) : WriteAllSheetsFile(path, records);
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(*error, (DesignFileError{kSaveCaption, QString::fromUtf8(GetParam().message).replace("%F", path)}));
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_EQ(dir.Entries(), QStringList{"old.zdn"});
}

TEST(RefusedSave, AFileThatCannotBeWrittenIsReported) {
  TempFolder dir;
  const QString inMissingFolder = dir.Path("no/such/folder/x.zdn");
  const std::optional<DesignFileError> error = WriteSheetFile(inMissingFolder, GoldenSheet());
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->caption, kSaveCaption);
  EXPECT_TRUE(error->text.startsWith("ファイル " + inMissingFolder + " に保存できません（"))
      << error->text.toStdString();

  const QString folder = dir.Path("taken.zdna");
  ASSERT_TRUE(QDir().mkdir(folder));
  ASSERT_TRUE(WriteAllSheetsFile(folder, GoldenAllSheets()).has_value());
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_EQ(dir.Entries(), QStringList{"taken.zdna"});
}

}  // namespace
}  // namespace kelvara::storage
