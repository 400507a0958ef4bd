// kelvara-design with design files: --sheet designs the sheet a file holds,
// --out writes the result as a sheet file.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <nlohmann/json.hpp>

#include "storage/design_file.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"
#include "values/section_record.h"

namespace kelvara::tools {
namespace {

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

/// Runs the tool; with a limit, under that file-size limit and with
/// SIGXFSZ at its default action, as a shell would start it.
Outcome Designer(const QStringList& arguments, std::optional<rlim_t> fileSizeLimit = std::nullopt) {
  QProcess process;
  if (fileSizeLimit) {
    process.setChildProcessModifier([limit = *fileSizeLimit] {
      std::signal(SIGXFSZ, SIG_DFL);
      rlimit lowered{};
      getrlimit(RLIMIT_FSIZE, &lowered);
      lowered.rlim_cur = limit;
      setrlimit(RLIMIT_FSIZE, &lowered);
    });
  }
  process.start(QStringLiteral(KELVARA_DESIGN_EXE), arguments);
  Outcome run;
  if (!process.waitForFinished(60000)) return run;
  run.exitCode = process.exitCode();
  run.out = process.readAllStandardOutput().toStdString();
  run.err = process.readAllStandardError().toStdString();
  return run;
}

values::SheetRecord SheetWith(const std::map<int, std::string>& lines) {
  values::SheetRecord record = values::DefaultSheetRecord();
  for (const auto& [line, text] : lines) record[line] = text;
  return record;
}

class DesignerFiles : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  QTemporaryDir dir_;
};

TEST_F(DesignerFiles, OutWritesTheDeliveredSheetAndSheetDesignsItAgain) {
  const Outcome made = Designer({"--cutoff", "4.7k", "--kind", "hpf", "--order", "5", "--fix", "R1=10k", "--fix",
                                 "C2=1n", "--json", "--out", Path("hpf.zdn")});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const nlohmann::json result = nlohmann::json::parse(made.out);

  const auto read = storage::ReadSheetFile(Path("hpf.zdn"));
  ASSERT_TRUE(read) << read.error().text.toStdString();
  const values::SheetRecord& r = read.value();
  const std::vector<std::string> head(r.begin(), r.begin() + 6);
  EXPECT_EQ(head, (std::vector<std::string>{"1", "4.7k", "0", "3", "0", "0"}));
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(r[4 + 2 * k], values::FormatResistance(result["r"][k - 1].get<double>())) << "R" << k;
    EXPECT_EQ(r[5 + 2 * k], values::FormatCapacitance(result["c"][k - 1].get<double>())) << "C" << k;
  }
  EXPECT_EQ(r[20], "");
  EXPECT_EQ(r[24], "true");
  EXPECT_EQ(r[25], "false");  // R1 fixed
  EXPECT_EQ(r[28], "false");  // C2 fixed
  EXPECT_EQ(r[27], "true");
  const std::vector<std::string> state(r.begin() + 41, r.end());
  EXPECT_EQ(state, (std::vector<std::string>{"true", "false", "true", "false", "true", "定数設定", "240",
                                             std::to_string(result["progress"].get<int>())}));

  const Outcome again = Designer({"--sheet", Path("hpf.zdn"), "--json"});
  ASSERT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(nlohmann::json::parse(again.out), result);
}

TEST_F(DesignerFiles, SheetUsesTheInputsOpeningShows) {
  // Saved while running, series chosen by line 24 alone, text left above the
  // order: designs as LPF Bessel order 3 on series values with C1 fixed.
  const values::SheetRecord sheet = SheetWith({{1, "2k"},
                                               {3, "1"},
                                               {4, "1"},
                                               {7, "10n"},
                                               {12, "99k"},
                                               {26, "false"},
                                               {31, "false"},
                                               {22, "true"},
                                               {23, "false"},
                                               {24, "false"},
                                               {41, "false"},
                                               {43, "false"},
                                               {44, "true"},
                                               {46, "設定中"}});
  ASSERT_FALSE(storage::WriteSheetFile(Path("sheet.zdn"), sheet));
  const Outcome fromSheet = Designer({"--sheet", Path("sheet.zdn"), "--json"});
  const Outcome fromOptions = Designer(
      {"--cutoff", "2k", "--order", "3", "--response", "bessel", "--values", "series", "--fix", "C1=10n", "--json"});
  ASSERT_EQ(fromOptions.exitCode, 0) << fromOptions.err;
  EXPECT_EQ(fromSheet.exitCode, 0) << fromSheet.err;
  EXPECT_EQ(nlohmann::json::parse(fromSheet.out), nlohmann::json::parse(fromOptions.out));
}

TEST_F(DesignerFiles, SheetAndOutReplaceTheFileWithTheDeliveredSheet) {
  ASSERT_FALSE(storage::WriteSheetFile(Path("x.zdn"), SheetWith({{1, "100"}, {3, "2"}, {44, "true"}})));
  const Outcome run = Designer({"--sheet", Path("x.zdn"), "--out", Path("x.zdn")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto read = storage::ReadSheetFile(Path("x.zdn"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read.value()[3], "2");
  EXPECT_EQ(read.value()[44], "false");
  EXPECT_NE(read.value()[6], "");
  EXPECT_NE(read.value()[13], "");  // C4 of order 4
}

TEST_F(DesignerFiles, RefusalsAndUsageErrors) {
  ASSERT_FALSE(storage::WriteSheetFile(Path("hpf_bessel.zdn"), SheetWith({{0, "1"}, {1, "1k"}, {4, "1"}})));
  // A cut-off the design refuses (--cutoff refuses it as a usage error).
  ASSERT_FALSE(storage::WriteSheetFile(Path("zero.zdn"), SheetWith({{1, "0"}})));
  storage::SheetRecords sheets;
  sheets.fill(values::DefaultSheetRecord());
  sheets[0][3] = "2";
  ASSERT_FALSE(storage::WriteAllSheetsFile(Path("all.zdna"), sheets));
  {
    QFile bad(Path("bad.zdn"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(storage::SheetFileBytes(values::DefaultSheetRecord(), "")
                  .value()
                  .replace("\r\n0\r\n0\r\n0\r\n", "\r\n0\r\n9\r\n0\r\n"));
  }
  struct Case {
    QStringList arguments;
    int exitCode;
    const char* stderrHas;
  };
  const Case cases[] = {
      {{"--sheet", Path("hpf_bessel.zdn")}, 2, "an HPF is designed with any response but Bessel"},
      {{"--sheet", Path("bad.zdn")}, 3, "次数「9」は 0～6 のいずれかでなければなりません"},
      {{"--sheet", Path("missing.zdn")}, 3, "が見つかりません"},
      {{"--sheet", Path("all.zdna"), "--order", "3"}, 2, "--order excludes --sheet"},
      {{}, 2, "--cutoff or --sheet is required"},
      {{"--sheet", Path("zero.zdn"), "--out", Path("invalid.zdn")}, 1, "不正な数値"},
      {{"--cutoff", "1k", "--out", Path("no/such/folder.zdn")}, 3, "に保存できません"},
  };
  for (const Case& c : cases) {
    const Outcome run = Designer(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
    EXPECT_NE(run.err.find(c.stderrHas), std::string::npos) << run.err;
  }
  // An invalid run still delivers into the record what it holds, as the
  // window's run does for a sheet that is not shown: here nothing designed.
  const auto invalid = storage::ReadSheetFile(Path("invalid.zdn"));
  ASSERT_TRUE(invalid.ok());
  EXPECT_EQ(invalid.value()[values::sheet_line::RValue(1)], "0.00");
  EXPECT_EQ(invalid.value()[values::sheet_line::CValue(2)], "0p");
  EXPECT_EQ(invalid.value()[values::sheet_line::kProgressMax], "100");
  EXPECT_EQ(invalid.value()[values::sheet_line::kProgressPos], "0");
  // An all-sheets file opened as one sheet gives its first sheet.
  const Outcome first = Designer({"--sheet", Path("all.zdna")});
  EXPECT_EQ(first.exitCode, 1) << first.err;  // order 4, no cut-off typed
  EXPECT_NE(first.out.find("C4 ="), std::string::npos) << first.out;
}

TEST_F(DesignerFiles, OutOntoAFullFileKeepsTheOldFile) {
  const QByteArray old = "the design saved before\r\n";
  {
    QFile file(Path("old.zdn"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(old);
  }
  for (const rlim_t limit : {rlim_t{0}, rlim_t{100}}) {
    const Outcome run = Designer({"--cutoff", "1k", "--order", "4", "--out", Path("old.zdn")}, limit);
    EXPECT_EQ(run.exitCode, 3) << "limit " << limit << ": " << run.err;
    EXPECT_NE(run.err.find("ファイル " + Path("old.zdn").toStdString() + " に保存できません（"), std::string::npos)
        << run.err;
    QFile file(Path("old.zdn"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"old.zdn"});
  }
}

TEST_F(DesignerFiles, OutRefusesWhatIsNotARegularFile) {
  ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe")).constData(), 0644), 0);
  ASSERT_TRUE(QDir().mkdir(Path("folder")));
  ASSERT_TRUE(QFile::link(Path("pipe"), Path("link.zdn")));
  for (const char* name : {"pipe", "folder", "link.zdn"}) {
    const Outcome run = Designer({"--cutoff", "1k", "--out", Path(name)});
    EXPECT_EQ(run.exitCode, 3) << name << ": " << run.err;
    EXPECT_NE(run.err.find("ファイル " + Path(name).toStdString() + " に保存できません（通常のファイルではありません"),
              std::string::npos)
        << run.err;
  }
  struct stat info {};
  ASSERT_EQ(stat(QFile::encodeName(Path("pipe")).constData(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_TRUE(QFileInfo(Path("folder")).isDir());
  EXPECT_TRUE(QFileInfo(Path("link.zdn")).isSymLink());
}

TEST_F(DesignerFiles, AnEmptyOutIsAUsageError) {
  const Outcome run = Designer({"--cutoff", "1k", "--out", ""});
  EXPECT_EQ(run.exitCode, 2) << run.err;
  EXPECT_NE(run.err.find("--out needs a file name"), std::string::npos) << run.err;
  EXPECT_TRUE(run.out.empty()) << run.out;
}

// A design file's sheet of sections (as the window saves it) designs as the
// options of its circuit, gain, stage choices and fixed parts: the same
// parts, to the bit; one the window would refuse is refused with its
// message.
TEST_F(DesignerFiles, ASheetOfSectionsDesignsAsItsOptions) {
  namespace line = values::sheet_line;
  struct Row {
    const char* name;
    int passKind;
    int circuit;
    int orderIndex;
    const char* cutoff;
    values::SectionLines lines;
    QStringList options;
  };
  values::SectionLines mfb;
  mfb.gain = "10";
  values::SectionLines fixed = mfb;
  fixed.stageOrder = 1;
  fixed.parts = {{"C2", "1000p", false}};
  values::SectionLines gain;
  gain.gain = "4";
  gain.stageGains = "2,2";
  values::SectionLines band;
  band.bandwidth = "2k";
  band.parts = {{"C3", "4.7n", false}};
  const Row rows[] = {
      {"mfb",
       0,
       values::kCircuitMfb,
       2,
       "10k",
       mfb,
       {"--cutoff", "10k", "--topology", "mfb", "--order", "4", "--gain", "10"}},
      {"fixed",
       1,
       values::kCircuitMfb,
       3,
       "1k",
       fixed,
       {"--cutoff", "1k", "--kind", "hpf", "--topology", "mfb", "--order", "5", "--gain", "10", "--stage-order",
        "descending-q", "--fix", "C2=1000p"}},
      {"gain", 0, 2, 2, "2.2k", gain, {"--cutoff", "2.2k", "--order", "4", "--gain", "4", "--stage-gains", "2,2"}},
      {"bpf",
       values::kPassKindBpf,
       values::kCircuitMfb,
       2,
       "10k",
       band,
       {"--kind", "bpf", "--center", "10k", "--bandwidth", "2k", "--order", "4", "--fix", "C3=4.7n"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    values::SheetRecord record = values::DefaultSheetRecord();
    record[line::kPassKind] = std::to_string(row.passKind);
    record[line::kCircuit] = std::to_string(row.circuit);
    record[line::kOrder] = std::to_string(row.orderIndex);
    record[line::kCutoff] = row.cutoff;
    values::PutSectionLines(record, row.lines);
    const QString file = Path("sections.zdn");
    ASSERT_FALSE(storage::WriteSheetFile(file, record));
    const Outcome fromFile = Designer({"--sheet", file, "--json", "--analysis"});
    ASSERT_EQ(fromFile.exitCode, 0) << fromFile.err;
    QStringList options = row.options;
    options << "--json"
            << "--analysis";
    const Outcome fromOptions = Designer(options);
    ASSERT_EQ(fromOptions.exitCode, 0) << fromOptions.err;
    const nlohmann::json a = nlohmann::json::parse(fromFile.out);
    const nlohmann::json b = nlohmann::json::parse(fromOptions.out);
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a["parts"].empty());
  }

  values::SheetRecord refused = values::DefaultSheetRecord();
  refused[line::kCircuit] = std::to_string(values::kCircuitMfb);
  refused[line::kCutoff] = "1k";
  values::SectionLines tooMuch;
  tooMuch.gain = "5000";
  values::PutSectionLines(refused, tooMuch);
  ASSERT_FALSE(storage::WriteSheetFile(Path("refused.zdn"), refused));
  const Outcome r = Designer({"--sheet", Path("refused.zdn")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(r.err.find("利得"), std::string::npos) << r.err;
  const Outcome out = Designer({"--sheet", Path("refused.zdn"), "--out", Path("x.zdn")});
  EXPECT_EQ(out.exitCode, 2);
  EXPECT_NE(out.err.find("--out is not available yet with a sheet of sections"), std::string::npos) << out.err;
}

}  // namespace
}  // namespace kelvara::tools
