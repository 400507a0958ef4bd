// The command line of kelvara-design as a whole: usage errors in two lines,
// the nearest option for a typo, --version, values never taken from the
// next option, the cut-off text and the bounded counts.

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/run_tool.h"
#include "tools/designer/cli_arguments.h"

namespace kelvara::tools {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the tool in `folder` with the arguments as given (no shell).
Outcome RunIn(const QString& folder, const std::vector<std::string>& arguments) {
  QStringList list;
  for (const std::string& a : arguments) list << QString::fromStdString(a);
  QProcess process;
  process.setWorkingDirectory(folder);
  process.start(QStringLiteral(KELVARA_DESIGN_EXE), list);
  Outcome run;
  if (!process.waitForFinished(60000)) return run;
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput().toStdString();
  run.err = process.readAllStandardError().toStdString();
  return run;
}

// The options --help lists that take a value ("--points INT:..."), and all
// the options it lists.
std::vector<std::string> HelpOptions(bool valuesOnly) {
  const Outcome help = RunIn(QDir::currentPath(), {"--help"});
  std::vector<std::string> options;
  const std::regex line(R"(^\s+(?:-h,)?(--[a-z][a-z0-9-]*)( [A-Z]+(?=[ :]|$))?)");
  for (const std::string& l : Lines(help.out)) {
    std::smatch m;
    if (!std::regex_search(l, m, line)) continue;
    if (!valuesOnly || m[2].matched) options.push_back(m[1]);
  }
  return options;
}

struct UsageCase {
  const char* args;       // shell-quoted
  const char* firstLine;  // the whole first line of standard error
};

class TwoLineUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(TwoLineUsage, NamesTheErrorAndTheOptionThenPointsToHelp) {
  const UsageCase& c = GetParam();
  const test::ToolResult r = test::RunDesignTool(c.args);
  EXPECT_EQ(r.status, 2) << c.args;
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_EQ(Lines(r.err), (std::vector<std::string>{c.firstLine, kSeeHelp})) << c.args;
}

const std::string kCutoffForm =
    "give a frequency from 1 to 100M Hz as a number with at most one SI prefix (G M k m u n p) and no unit, e.g. 1k or "
    "4.7k";

INSTANTIATE_TEST_SUITE_P(
    Cases, TwoLineUsage,
    ::testing::Values(
        UsageCase{"--cutoff 1k --ordr 3", "kelvara-design: --ordr: unknown option; did you mean --order?"},
        UsageCase{"--cutoff 1k --respones chebyshev",
                  "kelvara-design: --respones: unknown option; did you mean --response?"},
        UsageCase{"--cutoff 1k --jsn", "kelvara-design: --jsn: unknown option; did you mean --json?"},
        UsageCase{"--cutoff 1k --monte 100", "kelvara-design: --monte: unknown option; did you mean --monte-carlo?"},
        UsageCase{"--cutoff 1k --xyzzy", "kelvara-design: --xyzzy: unknown option"},
        UsageCase{"--cutoff 1k --order 9", "kelvara-design: --order: Value 9 not in range 2 to 8"},
        UsageCase{"--cutoff 1k --points 0 --curve gain", "kelvara-design: --points: Value 0 not in range 1 to 1000000"},
        UsageCase{"--cutoff 1k --points 1000001 --curve step",
                  "kelvara-design: --points: Value 1000001 not in range 1 to 1000000"},
        UsageCase{"--cutoff 1k --tol-r 3", "kelvara-design: --tol-r needs --monte-carlo or --worst-case"},
        UsageCase{"--cutoff 1k --fix X1=3", "kelvara-design: --fix: unknown part 'X1' (expected R1..R8 or C1..C8)"},
        UsageCase{"--cutoff 1k --curve gain --from 1M --to 1k", "kelvara-design: --from must not lie above --to"},
        UsageCase{"--cutoff 1k --opamp-gbw x",
                  "kelvara-design: --opamp-gbw 'x' is not an engineering value (e.g. 1M, 4.7k, 50)"},
        UsageCase{"--cutoff 1k --monte-carlo 100 --mask 3k,1,700,40",
                  "kelvara-design: --mask: マスクが逆: LPF では通過域 fp を阻止域 fs より低く設定下さい。"},
        UsageCase{"", "kelvara-design: --cutoff or --sheet is required"}));

// The cut-off as typed: the window's form (a number and at most one SI
// prefix, 1 Hz to 100 MHz); anything else is refused before designing.
struct CutoffCase {
  const char* text;
  const char* problem;
};

class CutoffText : public ::testing::TestWithParam<CutoffCase> {};

TEST_P(CutoffText, IsAUsageErrorNamingTheAcceptedForm) {
  const CutoffCase& c = GetParam();
  const Outcome r = RunIn(QDir::currentPath(), {"--cutoff", c.text, "--json"});
  EXPECT_EQ(r.exitCode, 2) << c.text;
  EXPECT_TRUE(r.out.empty()) << r.out;
  const std::string first = "kelvara-design: --cutoff: '" + std::string(c.text) + "' " + c.problem + "; " + kCutoffForm;
  EXPECT_EQ(Lines(r.err), (std::vector<std::string>{first, kSeeHelp}));
}

INSTANTIATE_TEST_SUITE_P(Cases, CutoffText,
                         ::testing::Values(CutoffCase{"0", "is out of range"}, CutoffCase{"0.5", "is out of range"},
                                           CutoffCase{"100.1M", "is out of range"},
                                           CutoffCase{"-1k", "is out of range"}, CutoffCase{"1kHz", "is not readable"},
                                           CutoffCase{"4.7K", "is not readable"}, CutoffCase{"abc", "is not readable"},
                                           CutoffCase{"", "is not readable"}));

TEST(CutoffText, TheRangeItselfIsDesigned) {
  for (const char* text : {"1", "100M", "4.7k", "1e3"}) {
    const Outcome r = RunIn(QDir::currentPath(), {"--cutoff", text, "--json"});
    EXPECT_EQ(r.exitCode, 0) << text << ": " << r.err;
  }
}

TEST(Version, PrintsTheProgramAndItsVersion) {
  const Outcome r = RunIn(QDir::currentPath(), {"--version"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "kelvara-design " KELVARA_VERSION "\n");
  EXPECT_TRUE(r.err.empty());
  const std::vector<std::string> options = HelpOptions(false);
  EXPECT_NE(std::find(options.begin(), options.end(), "--version"), options.end());
}

// Every option that takes a value, as --help lists them (so options added
// later are covered too): "--name=" and "--name" before another option are
// refused, and no file is made from the next word.
TEST(OptionValues, AreNeverTakenFromTheNextOption) {
  const std::vector<std::string> options = HelpOptions(true);
  ASSERT_GE(options.size(), 30u);
  for (const char* must : {"--out", "--spice", "--bom", "--sheet", "--cutoff", "--points", "--mask", "--fix"}) {
    EXPECT_NE(std::find(options.begin(), options.end(), must), options.end()) << must;
  }
  for (const std::string& option : options) {
    const std::vector<std::vector<std::string>> cases = {
        {"--cutoff", "1k", "--json", option + "=", "--analysis"},
        {"--cutoff", "1k", option + "=", "--json"},
        {"--cutoff", "1k", "--json", option, "--analysis"},
        {"--cutoff", "1k", option, "--json"},
        {"--cutoff", "1k", option, "--unknown-word"},
        {"--cutoff", "1k", "--json", option + "="},
        {"--cutoff", "1k", "--json", option},
    };
    for (const std::vector<std::string>& args : cases) {
      QTemporaryDir folder;
      const Outcome r = RunIn(folder.path(), args);
      std::string shown;
      for (const std::string& a : args) shown += a + ' ';
      EXPECT_EQ(r.exitCode, 2) << shown;
      EXPECT_TRUE(r.out.empty()) << shown;
      EXPECT_EQ(Lines(r.err).size(), 2u) << shown << r.err;
      EXPECT_EQ(r.err.rfind("kelvara-design: " + option + ": ", 0), 0u) << shown << r.err;
      EXPECT_TRUE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty())
          << shown << "made a file";
    }
  }
}

TEST(OptionValues, AValueThatBeginsWithDashesIsWrittenWithEquals) {
  QTemporaryDir folder;
  const Outcome r = RunIn(folder.path(), {"--cutoff", "1k", "--json", "--spice=--analysis"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(QFileInfo(folder.filePath("--analysis")).isFile());
  EXPECT_EQ(r.out.find("stages"), std::string::npos);  // --analysis was a file name, not the option
}

struct NearestCase {
  const char* word;
  const char* nearest;  // "" for none
};

class Nearest : public ::testing::TestWithParam<NearestCase> {};

TEST_P(Nearest, SuggestsATypoOrAUniqueAbbreviation) {
  CLI::App app;
  std::string text;
  int number = 0;
  bool flag = false;
  app.add_option("--order", number);
  app.add_option("--response", text);
  app.add_option("--out", text);
  app.add_option("--monte-carlo", number);
  app.add_option("--tol-r", number);
  app.add_option("--tol-c", number);
  app.add_flag("--json", flag);
  const NearestCase& c = GetParam();
  const std::optional<std::string> nearest = NearestOption(app, c.word);
  EXPECT_EQ(nearest.value_or(""), c.nearest) << c.word;
}

INSTANTIATE_TEST_SUITE_P(Cases, Nearest,
                         ::testing::Values(NearestCase{"--ordr", "--order"}, NearestCase{"--oredr", "--order"},
                                           NearestCase{"--odrer", "--order"}, NearestCase{"--ord", "--order"},
                                           NearestCase{"--respnse", "--response"}, NearestCase{"--josn", "--json"},
                                           NearestCase{"--monte", "--monte-carlo"}, NearestCase{"--tol-rr", "--tol-r"},
                                           NearestCase{"--tol", ""}, NearestCase{"--o", ""}, NearestCase{"--xyzzy", ""},
                                           NearestCase{"order", ""}));

struct WordsCase {
  std::vector<std::string> words;
  const char* message;  // "" when accepted
};

class Words : public ::testing::TestWithParam<WordsCase> {};

TEST_P(Words, AreCheckedBeforeTheOptionsAreRead) {
  CLI::App app;
  std::string text;
  bool flag = false;
  app.add_option("--out", text);
  app.add_flag("--json", flag);
  const WordsCase& c = GetParam();
  std::string message;
  try {
    CheckArgumentWords(app, c.words);
  } catch (const CliUsageError& e) {
    message = e.what();
  }
  EXPECT_EQ(message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Words,
    ::testing::Values(WordsCase{{"--out", "a.zdn", "--json"}, ""}, WordsCase{{"--out=a.zdn"}, ""},
                      WordsCase{{"--out=--json"}, ""}, WordsCase{{"--out", "-"}, ""},
                      WordsCase{{"--json", "--", "--out="}, ""},
                      WordsCase{{"--out=", "--json"}, "--out: no value after '='"},
                      WordsCase{{"--json="}, "--json: no value after '='"},
                      WordsCase{{"--out"}, "--out: a value is missing"},
                      WordsCase{{"--out", "--json"},
                                "--out: a value is missing (--json is not taken as one; write --out=VALUE for a value "
                                "that begins with --)"},
                      WordsCase{{"--out", "--"},
                                "--out: a value is missing (-- is not taken as one; write --out=VALUE for a value that "
                                "begins with --)"},
                      WordsCase{{"--jsno"}, "--jsno: unknown option; did you mean --json?"}));

}  // namespace
}  // namespace kelvara::tools
