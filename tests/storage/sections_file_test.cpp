// Files of sheets built of sections: their layout (a header line naming it,
// the number of sheets, each sheet's line count and lines), read back as
// written; files of the unity-gain Sallen-Key's sheets stay as they were;
// a newer layout or a malformed one is refused and nothing is read.

#include <gtest/gtest.h>

#include "storage/cp932_text.h"
#include "storage/design_file.h"
#include "tests/storage/file_helpers.h"
#include "tests/storage/sample_records.h"
#include "values/section_record.h"

namespace kelvara::storage {
namespace {

using testing::GoldenAllSheets;
using testing::GoldenSheet;
using testing::TempFolder;
using testing::WriteBytes;
namespace line = values::sheet_line;

/// A 4th-order MFB low-pass at 10 kHz, gain 10, with its parts designed.
values::SheetRecord MfbSheet() {
  values::SheetRecord record = values::DefaultSheetRecord();
  record[line::kCutoff] = "10k";
  record[line::kCircuit] = "1";
  record[line::kOrder] = "2";
  values::SectionLines lines;
  lines.gain = "10";
  lines.parts = {{"R1", "1.2k", true},  {"R2", "3.90k", true}, {"R3", "2.2k", true}, {"C1", "0.0047u", false},
                 {"C2", "470p", true},  {"R4", "1k", true},    {"R5", "3.3k", true}, {"R6", "1.5k", true},
                 {"C3", "0.01u", true}, {"C4", "1000p", true}};
  values::PutSectionLines(record, lines);
  return record;
}

values::SheetRecord BandPassSheet() {
  values::SheetRecord record = values::DefaultSheetRecord();
  record[line::kPassKind] = "2";
  record[line::kCutoff] = "10k";
  record[line::kCircuit] = "1";
  record[line::kOrder] = "2";
  values::SectionLines lines;
  lines.bandwidth = "2k";
  lines.parts = {{"R1", "", true}, {"C1", "", true}};
  values::PutSectionLines(record, lines);
  return record;
}

QString Text(const QByteArray& bytes) { return QString::fromLatin1(bytes); }

TEST(SectionsFile, OneSheetOfSectionsRoundTrips) {
  TempFolder dir;
  for (const values::SheetRecord& sheet : {MfbSheet(), BandPassSheet()}) {
    const QString path = dir.Path("mfb.zdn");
    ASSERT_FALSE(WriteSheetFile(path, sheet));
    const QByteArray bytes = testing::ReadBytes(path);
    // The header names the layout, then one sheet of its own line count.
    EXPECT_TRUE(bytes.startsWith("Kelvara design file 2\r\n1\r\n" + QByteArray::number(sheet.size()) + "\r\n"))
        << Text(bytes.left(60)).toStdString();
    const FileResult<values::SheetRecord> read = ReadSheetFile(path);
    ASSERT_TRUE(read) << read.error().text.toStdString();
    EXPECT_EQ(read.value(), sheet);
    EXPECT_EQ(values::SectionLinesOf(read.value()), values::SectionLinesOf(sheet));
  }
}

TEST(SectionsFile, TheUnityGainSheetsKeepTheirLayout) {
  // No header and 49 lines: the bytes an older program reads.
  const FileResult<QByteArray> one = SheetFileBytes(GoldenSheet(), "x.zdn");
  ASSERT_TRUE(one);
  EXPECT_FALSE(one.value().startsWith("Kelvara"));
  EXPECT_EQ(one.value().count("\r\n"), 49);
  const FileResult<QByteArray> all = AllSheetsFileBytes(GoldenAllSheets(), "x.zdna");
  ASSERT_TRUE(all);
  EXPECT_EQ(all.value().count("\r\n"), 392);
}

TEST(SectionsFile, AllSheetsWithOneSheetOfSectionsRoundTrip) {
  TempFolder dir;
  SheetRecords records = GoldenAllSheets();
  records[3] = MfbSheet();
  records[6] = BandPassSheet();
  const QString path = dir.Path("all.zdna");
  ASSERT_FALSE(WriteAllSheetsFile(path, records));
  EXPECT_TRUE(testing::ReadBytes(path).startsWith("Kelvara design file 2\r\n8\r\n49\r\n"));
  const FileResult<SheetRecords> read = ReadAllSheetsFile(path);
  ASSERT_TRUE(read) << read.error().text.toStdString();
  EXPECT_EQ(read.value(), records);
  // Its first sheet opens on its own too, as an older all-sheets file's does.
  const FileResult<values::SheetRecord> first = ReadSheetFile(path);
  ASSERT_TRUE(first);
  EXPECT_EQ(first.value(), records[0]);
}

struct RefusedFile {
  const char* what;
  QByteArray bytes;
  const char* message;  // a part of the message
};

class SectionsFileRefusal : public ::testing::TestWithParam<RefusedFile> {};

QByteArray Layout(const std::vector<std::string>& lines) {
  QByteArray out;
  for (const std::string& l : lines) out += EncodeCp932(l).value_or(QByteArray()) + "\r\n";
  return out;
}

std::vector<std::string> LinesOf(const values::SheetRecord& record, int count) {
  std::vector<std::string> out = {"Kelvara design file 2", "1", std::to_string(count)};
  out.insert(out.end(), record.begin(), record.end());
  return out;
}

std::vector<RefusedFile> RefusedFiles() {
  const values::SheetRecord mfb = MfbSheet();
  const int n = static_cast<int>(mfb.size());
  std::vector<RefusedFile> files;
  files.push_back({"a newer layout", Layout({"Kelvara design file 3", "1", "49"}), "新しい版"});
  files.push_back({"a layout without a number", Layout({"Kelvara design file x"}), "形式の名前"});
  files.push_back({"no sheet count", Layout({"Kelvara design file 2"}), "シートの数"});
  files.push_back({"three sheets", Layout({"Kelvara design file 2", "3"}), "シートの数"});
  files.push_back({"a line count too small", Layout(LinesOf(mfb, 12)), "シートの行数"});
  files.push_back({"lines missing", Layout(LinesOf(mfb, n + 3)), "行が足りません"});
  auto shortened = LinesOf(mfb, n - 3);
  shortened.resize(shortened.size() - 3);
  files.push_back({"a part count the lines do not hold", Layout(shortened), "部品"});
  values::SheetRecord badName = mfb;
  badName[values::section_line::kFirstPart] = "X1";
  files.push_back({"a part named wrongly", Layout(LinesOf(badName, n)), "部品名"});
  values::SheetRecord badCircuit = mfb;
  badCircuit[line::kCircuit] = "3";
  files.push_back({"a circuit outside the list", Layout(LinesOf(badCircuit, n)), "回路方式"});
  values::SheetRecord bpfSallenKey = BandPassSheet();
  bpfSallenKey[line::kCircuit] = "2";
  files.push_back(
      {"a band-pass Sallen-Key", Layout(LinesOf(bpfSallenKey, static_cast<int>(bpfSallenKey.size()))), "多重帰還"});
  values::SheetRecord longPlain = GoldenSheet();
  longPlain.push_back("extra");
  files.push_back({"a unity-gain sheet with extra lines", Layout(LinesOf(longPlain, 50)), "49 行"});
  return files;
}

TEST_P(SectionsFileRefusal, RefusesWithAMessage) {
  TempFolder dir;
  const QString path = dir.Path("bad.zdn");
  WriteBytes(path, GetParam().bytes);
  const FileResult<values::SheetRecord> read = ReadSheetFile(path);
  ASSERT_FALSE(read) << GetParam().what;
  EXPECT_TRUE(read.error().text.contains(QString::fromUtf8(GetParam().message)))
      << GetParam().what << ": " << read.error().text.toStdString();
  EXPECT_TRUE(read.error().text.contains(QStringLiteral("bad.zdn")));
}

INSTANTIATE_TEST_SUITE_P(Files, SectionsFileRefusal, ::testing::ValuesIn(RefusedFiles()));

TEST(SectionsFile, AnOlderFileOfAnUnknownCircuitIsStillRefused) {
  // Without the header a record holds 49 lines: a circuit of sections has
  // no parts there, so it is refused as before.
  values::SheetRecord record = GoldenSheet();
  record[line::kCircuit] = "1";
  TempFolder dir;
  const QString path = dir.Path("old.zdn");
  WriteBytes(path, Layout(std::vector<std::string>(record.begin(), record.end())));
  EXPECT_FALSE(ReadSheetFile(path));
}

TEST(SectionsFile, AnAllSheetsFileOfOneSheetIsRefused) {
  TempFolder dir;
  const QString path = dir.Path("one.zdn");
  ASSERT_FALSE(WriteSheetFile(path, MfbSheet()));
  const FileResult<SheetRecords> read = ReadAllSheetsFile(path);
  ASSERT_FALSE(read);
  EXPECT_TRUE(read.error().text.contains(QString::fromUtf8("全てのシート")));
}

}  // namespace
}  // namespace kelvara::storage
