// The bash completion of kelvara-design (packaging/bash-completion): sourced
// into bash with the built program first on the PATH, as an installed one
// would be, and asked what Tab offers.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <sstream>
#include <string>
#include <vector>

namespace kelvara::tools {
namespace {

struct CompletionCase {
  std::vector<std::string> words;  // the command line; the last word is the one completed
  std::vector<std::string> offered;
};

void PrintTo(const CompletionCase& c, std::ostream* os) {
  for (const std::string& w : c.words) *os << '[' << w << ']';
}

std::vector<std::string> Complete(const std::vector<std::string>& words) {
  std::string array;
  for (const std::string& w : words) array += " '" + w + "'";
  const std::string script = "source '" KELVARA_COMPLETION_FILE "' && COMP_WORDS=(" + array +
                             ") && COMP_CWORD=" + std::to_string(words.size() - 1) +
                             " && _kelvara_design && printf '%s\\n' \"${COMPREPLY[@]}\"";
  QProcess bash;
  bash.setWorkingDirectory(QStringLiteral(KELVARA_COMPLETION_FOLDER));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("PATH"), QFileInfo(QStringLiteral(KELVARA_DESIGN_EXE)).absolutePath() + ":" +
                                                 environment.value(QStringLiteral("PATH")));
  bash.setProcessEnvironment(environment);
  bash.start(QStringLiteral("bash"), {QStringLiteral("--norc"), QStringLiteral("-c"), QString::fromStdString(script)});
  EXPECT_TRUE(bash.waitForFinished(30000));
  EXPECT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
  std::vector<std::string> offered;
  std::istringstream out(bash.readAllStandardOutput().toStdString());
  for (std::string line; std::getline(out, line);) {
    if (!line.empty()) offered.push_back(line);
  }
  return offered;
}

class Completion : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(Completion, OffersWhatTheProgramAccepts) { EXPECT_EQ(Complete(GetParam().words), GetParam().offered); }

INSTANTIATE_TEST_SUITE_P(
    Cases, Completion,
    ::testing::Values(CompletionCase{{"kelvara-design", "--ord"}, {"--order"}},
                      CompletionCase{{"kelvara-design", "--response", ""},
                                     {"butterworth", "bessel", "chebyshev", "legendre", "linkwitz-riley"}},
                      CompletionCase{{"kelvara-design", "--response", "b"}, {"butterworth", "bessel"}},
                      CompletionCase{{"kelvara-design", "--response", "=", ""},
                                     {"butterworth", "bessel", "chebyshev", "legendre", "linkwitz-riley"}},
                      CompletionCase{{"kelvara-design", "--kind", ""}, {"lpf", "hpf", "bpf"}},
                      CompletionCase{{"kelvara-design", "--order", ""}, {"2", "3", "4", "5", "6", "7", "8"}},
                      CompletionCase{{"kelvara-design", "--curve", "s"}, {"step"}},
                      CompletionCase{{"kelvara-design", "--distribution", ""}, {"uniform", "normal"}},
                      CompletionCase{{"kelvara-design", "--monte"}, {"--monte-carlo"}},
                      CompletionCase{{"kelvara-design", "--opamp", "OP"}, {"OP27", "OP07", "OPA350", "OPA320"}},
                      CompletionCase{{"kelvara-design", "--opamp-l"}, {"--opamp-list"}},
                      CompletionCase{{"kelvara-design", "--vers"}, {"--version"}},
                      CompletionCase{{"kelvara-design", "--json", "--anal"}, {"--analysis"}},
                      CompletionCase{{"kelvara-design", "--cutoff", ""}, {}},  // a frequency: nothing to offer
                      CompletionCase{{"kelvara-design", "--out", "kelvara-des"}, {"kelvara-design"}},
                      CompletionCase{{"kelvara-design", "--spice", "kelvara-des"}, {"kelvara-design"}},
                      CompletionCase{{"kelvara-design", "--sheet", "kelvara-des"}, {"kelvara-design"}}));

// Every option --help lists is offered after "--".
TEST(Completion, OffersEveryOption) {
  QProcess help;
  help.start(QStringLiteral(KELVARA_DESIGN_EXE), {QStringLiteral("--help")});
  ASSERT_TRUE(help.waitForFinished(30000));
  const std::string text = help.readAllStandardOutput().toStdString();
  const std::vector<std::string> offered = Complete({"kelvara-design", "--"});
  EXPECT_GE(offered.size(), 30u);
  for (const std::string& option : offered) {
    EXPECT_NE(text.find(option + " "), std::string::npos) << option;
  }
  for (const char* option : {"--cutoff", "--help", "--version", "--mask", "--bom", "--points"}) {
    EXPECT_NE(std::find(offered.begin(), offered.end(), option), offered.end()) << option;
  }
}

}  // namespace
}  // namespace kelvara::tools
