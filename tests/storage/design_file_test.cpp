#include "storage/design_file.h"

#include <gtest/gtest.h>

#include "tests/storage/file_helpers.h"
#include "tests/storage/sample_records.h"

namespace kelvara::storage {
namespace {

using testing::GoldenAllSheets;
using testing::GoldenSheet;
using testing::Lines;
using testing::ReadBytes;
using testing::RunningSheet;
using testing::SheetWith;
using testing::TempFolder;
using testing::WriteBytes;

QString Golden(const char* name) { return QStringLiteral(KELVARA_STORAGE_GOLDEN_DIR "/") + QString::fromLatin1(name); }

std::vector<std::string> Concat(const SheetRecords& records) {
  std::vector<std::string> lines;
  for (const values::SheetRecord& r : records) lines.insert(lines.end(), r.begin(), r.end());
  return lines;
}

TEST(DesignFile, OneSheetRoundTripsThroughAFile) {
  TempFolder dir;
  for (const values::SheetRecord& sheet : {GoldenSheet(), RunningSheet(), values::DefaultSheetRecord()}) {
    const QString path = dir.Path(DesignFileName("lpf", DesignFileKind::kSheet));
    ASSERT_FALSE(WriteSheetFile(path, sheet));
    const FileResult<values::SheetRecord> read = ReadSheetFile(path);
    ASSERT_TRUE(read) << read.error().text.toStdString();
    EXPECT_EQ(read.value(), sheet);  // texts as typed, state lines included
  }
  EXPECT_EQ(dir.Entries(), QStringList{"lpf.zdn"});  // no temporary file left behind
}

TEST(DesignFile, AllSheetsRoundTripThroughAFile) {
  TempFolder dir;
  const QString path = dir.Path("all.zdna");
  ASSERT_FALSE(WriteAllSheetsFile(path, GoldenAllSheets()));
  const FileResult<SheetRecords> read = ReadAllSheetsFile(path);
  ASSERT_TRUE(read) << read.error().text.toStdString();
  EXPECT_EQ(read.value(), GoldenAllSheets());
}

TEST(DesignFile, WritesTheGoldenFilesByteForByte) {
  TempFolder dir;
  ASSERT_FALSE(WriteSheetFile(dir.Path("sheet.zdn"), GoldenSheet()));
  ASSERT_FALSE(WriteAllSheetsFile(dir.Path("all_sheets.zdna"), GoldenAllSheets()));
  const QByteArray sheet = ReadBytes(dir.Path("sheet.zdn"));
  const QByteArray all = ReadBytes(dir.Path("all_sheets.zdna"));
  EXPECT_EQ(sheet, ReadBytes(Golden("sheet.zdn")));
  EXPECT_EQ(all, ReadBytes(Golden("all_sheets.zdna")));

  // CR LF after every line, the last one included, and no other line end.
  EXPECT_EQ(sheet.count("\r\n"), 49);
  EXPECT_EQ(sheet.count('\r'), 49);
  EXPECT_EQ(sheet.count('\n'), 49);
  EXPECT_TRUE(sheet.endsWith("\r\n"));
  EXPECT_EQ(all.count("\r\n"), 392);
  EXPECT_EQ(all.count('\n'), 392);
  // Shift-JIS bytes: the caption "定数設定" and the typed "１２ｋ" and "ﾒﾓ～①\~".
  EXPECT_TRUE(sheet.endsWith("\x92\xe8\x90\x94\x90\xdd\x92\xe8\r\n240\r\n240\r\n"));
  EXPECT_TRUE(sheet.contains("\r\n\x82\x50\x82\x51\x82\x8b\r\n"));
  EXPECT_TRUE(sheet.contains("\r\n\xd2\xd3\x81\x60\x87\x40\\~\r\n"));
  EXPECT_TRUE(all.contains("\r\n\x90\xdd\x92\xe8\x92\x86\r\n320\r\n17\r\n"));  // "設定中"
}

TEST(DesignFile, ReadsTheGoldenFiles) {
  const FileResult<values::SheetRecord> sheet = ReadSheetFile(Golden("sheet.zdn"));
  ASSERT_TRUE(sheet) << sheet.error().text.toStdString();
  EXPECT_EQ(sheet.value(), GoldenSheet());
  const FileResult<SheetRecords> all = ReadAllSheetsFile(Golden("all_sheets.zdna"));
  ASSERT_TRUE(all) << all.error().text.toStdString();
  EXPECT_EQ(all.value(), GoldenAllSheets());
}

TEST(DesignFile, AcceptsEveryLineEnd) {
  const std::vector<std::string> lines = GoldenSheet();
  QByteArray mixed;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    mixed += EncodeCp932(lines[i]).value();
    // A lone CR is followed by a CR LF, so that it never pairs with an LF.
    mixed += i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r";
  }
  QByteArray noFinalEnd = Lines(lines);
  noFinalEnd.chop(2);
  for (const QByteArray& bytes : {Lines(lines, "\n"), Lines(lines, "\r"), mixed, noFinalEnd}) {
    const FileResult<values::SheetRecord> read = ParseSheetFile(bytes, "x.zdn");
    ASSERT_TRUE(read) << read.error().text.toStdString();
    EXPECT_EQ(read.value(), GoldenSheet());
  }
}

TEST(DesignFile, LinesAfterTheSheetsAreIgnoredAndNotKept) {
  values::SheetRecord longer = GoldenSheet();
  longer.insert(longer.end(), {"extra", "９", ""});
  const FileResult<values::SheetRecord> sheet = ParseSheetFile(Lines(longer), "x.zdn");
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet.value(), GoldenSheet());

  std::vector<std::string> allLonger = Concat(GoldenAllSheets());
  allLonger.push_back("1");
  const FileResult<SheetRecords> all = ParseAllSheetsFile(Lines(allLonger), "x.zdna");
  ASSERT_TRUE(all);
  EXPECT_EQ(all.value(), GoldenAllSheets());
}

TEST(DesignFile, OpeningAnAllSheetsFileAsOneSheetGivesItsFirstSheet) {
  SheetRecords records = GoldenAllSheets();
  std::swap(records[0], records[1]);
  const FileResult<values::SheetRecord> read = ParseSheetFile(Lines(Concat(records)), "x.zdna");
  ASSERT_TRUE(read);
  EXPECT_EQ(read.value(), GoldenSheet());
}

TEST(DesignFile, OpenAllGivesEachSheetItsOwn49Lines) {
  // Sheet i has the cut-off text "i" and bar position i: any shift shows.
  SheetRecords records;
  for (int i = 0; i < kSheetCount; ++i) {
    records[i] = SheetWith({{1, std::to_string(i)}, {48, std::to_string(i)}, {3, std::to_string(i % 7)}});
  }
  const FileResult<SheetRecords> read = ParseAllSheetsFile(Lines(Concat(records)), "x.zdna");
  ASSERT_TRUE(read);
  EXPECT_EQ(read.value(), records);
}

TEST(DesignFile, OpeningBringsSheetsSavedWhileRunningBackToIdle) {
  TempFolder dir;
  ASSERT_FALSE(WriteSheetFile(dir.Path("run.zdn"), RunningSheet()));
  const FileResult<values::SheetRecord> opened = OpenSheetFile(dir.Path("run.zdn"));
  ASSERT_TRUE(opened);
  const values::SheetRecord& r = opened.value();
  EXPECT_EQ(r[41], "true");
  EXPECT_EQ(r[43], "true");
  EXPECT_EQ(r[44], "false");
  EXPECT_EQ(r[45], "true");
  EXPECT_EQ(r[46], "定数設定");
  EXPECT_EQ(r[47], "320");
  EXPECT_EQ(r[48], "17");
  const values::SheetRecord running = RunningSheet();
  EXPECT_TRUE(std::equal(r.begin(), r.begin() + 41, running.begin()));

  ASSERT_FALSE(WriteAllSheetsFile(dir.Path("all.zdna"), GoldenAllSheets()));
  const FileResult<SheetRecords> all = OpenAllSheetsFile(dir.Path("all.zdna"));
  ASSERT_TRUE(all);
  EXPECT_EQ(all.value()[2], r);
  EXPECT_EQ(all.value()[1], GoldenSheet());
}

TEST(DesignFile, SavingReplacesAnExistingFileWithoutAsking) {
  TempFolder dir;
  const QString path = dir.Path("lpf.zdn");
  WriteBytes(path, QByteArray(5000, 'x'));
  ASSERT_FALSE(WriteSheetFile(path, GoldenSheet()));
  EXPECT_EQ(ReadBytes(path), ReadBytes(Golden("sheet.zdn")));
}

TEST(DesignFile, ALongerRecordIsSavedAsItsFirst49Lines) {
  values::SheetRecord longer = GoldenSheet();
  longer.push_back("left over from an all-sheets file");
  const FileResult<QByteArray> bytes = SheetFileBytes(longer, "x.zdn");
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes.value(), ReadBytes(Golden("sheet.zdn")));
}

struct NameCase {
  const char* chosen;
  DesignFileKind kind;
  const char* saved;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.chosen << " -> " << c.saved; }

class DesignFileNameTest : public ::testing::TestWithParam<NameCase> {};

INSTANTIATE_TEST_SUITE_P(Names, DesignFileNameTest,
                         ::testing::Values(NameCase{"lpf", DesignFileKind::kSheet, "lpf.zdn"},
                                           NameCase{"lpf.zdn", DesignFileKind::kSheet, "lpf.zdn"},
                                           NameCase{"/home/u/LPF.ZDN", DesignFileKind::kSheet, "/home/u/LPF.ZDN"},
                                           NameCase{"lpf.zdna", DesignFileKind::kSheet, "lpf.zdna.zdn"},
                                           NameCase{"lpf.txt", DesignFileKind::kSheet, "lpf.txt.zdn"},
                                           NameCase{"設計", DesignFileKind::kAllSheets, "設計.zdna"},
                                           NameCase{"all.zdna", DesignFileKind::kAllSheets, "all.zdna"},
                                           NameCase{"all.zdn", DesignFileKind::kAllSheets, "all.zdn.zdna"}));

TEST_P(DesignFileNameTest, AppendsTheExtensionOnlyWhenMissing) {
  EXPECT_EQ(DesignFileName(QString::fromUtf8(GetParam().chosen), GetParam().kind), QString::fromUtf8(GetParam().saved));
}

}  // namespace
}  // namespace kelvara::storage
