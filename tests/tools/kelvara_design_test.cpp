// kelvara-design from the outside: arguments, output, exit status.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "storage/design_file.h"
#include "tests/tools/run_tool.h"
#include "tools/designer/headless_design.h"
#include "values/sheet_record.h"

namespace kelvara::tools {
namespace {

using Result = test::ToolResult;

// Runs the tool with the arguments (already shell-quoted).
Result RunTool(const std::string& args) { return test::RunDesignTool(args); }

nlohmann::json Json(const Result& r) { return nlohmann::json::parse(r.out); }

TEST(KelvaraDesign, JsonOf50HzLpfHasTheContinuousDesign) {
  const Result r = RunTool("--cutoff 50 --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = Json(r);
  const std::vector<std::string> keys = {"c",        "c_text", "gain",   "inverting", "minus3db_hz", "parts",
                                         "progress", "r",      "r_text", "topology",  "valid",       "warnings"};
  std::vector<std::string> actual;
  for (auto it = j.begin(); it != j.end(); ++it) actual.push_back(it.key());
  EXPECT_EQ(actual, keys);
  EXPECT_TRUE(j["valid"].get<bool>());
  EXPECT_TRUE(j["warnings"].empty());
  const double omega = 314.1592653589793;
  const double t = 1 / (omega * 47000);
  EXPECT_EQ(j["r"][0].get<double>(), 47000);
  EXPECT_EQ(j["r"][1].get<double>(), 47000);
  EXPECT_EQ(j["c"][0].get<double>(), 2 * 0.70711 * t);  // bit for bit through the text
  EXPECT_EQ(j["c"][1].get<double>(), t * t / (2 * 0.70711 * t));
  EXPECT_EQ(j["r"].size(), 8u);
  EXPECT_EQ(j["r_text"], (nlohmann::json{"47.00k", "47.00k"}));
  EXPECT_EQ(j["c_text"], (nlohmann::json{"0.095779u", "0.047889u"}));
  EXPECT_EQ(j["progress"].get<int>(), 81);
  EXPECT_NEAR(j["minus3db_hz"].get<double>(), 49.94, 0.01);
}

TEST(KelvaraDesign, JsonOf50HzHpfHasEqualCapacitors) {
  const Result r = RunTool("--cutoff 50 --kind hpf --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = Json(r);
  EXPECT_EQ(j["c"][0].get<double>(), 1e-7);
  EXPECT_EQ(j["c"][1].get<double>(), 1e-7);
  const double t = 1 / (314.1592653589793 * 1e-7);
  EXPECT_EQ(j["r"][1].get<double>(), 2 * 0.70711 * t);
  EXPECT_EQ(j["r"][0].get<double>(), t * t / (2 * 0.70711 * t));
}

struct WarningCase {
  const char* args;
  int status;
  const char* caption;
  int progress;
};

class WarningTest : public ::testing::TestWithParam<WarningCase> {};

TEST_P(WarningTest, ReportsTheFirstWarning) {
  const WarningCase& c = GetParam();
  const Result r = RunTool(std::string(c.args) + " --json");
  EXPECT_EQ(r.status, c.status) << r.err;
  const nlohmann::json j = Json(r);
  ASSERT_FALSE(j["warnings"].empty());
  EXPECT_EQ(j["warnings"][0]["caption"].get<std::string>(), c.caption);
  EXPECT_EQ(j["progress"].get<int>(), c.progress);
  EXPECT_TRUE(j["minus3db_hz"].is_null());
  EXPECT_NE(r.err.find(std::string(c.caption) + ": "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WarningTest,
    ::testing::Values(WarningCase{"--cutoff 1k --order 4 --fix R3=abc", 1, "R3 の不正な値", 0},
                      WarningCase{"--cutoff 1k --fix C1=19n --fix C2=10n", 1, "C1, C2 は設定不能な値", 0},
                      WarningCase{"--cutoff 1k --kind hpf --fix R1=10k --fix R2=15k", 1, "R1, R2 は設定不能な値", 0},
                      WarningCase{"--cutoff 1k --fix C1=1n --fix R2=100", 1, "R2, C1 は設定不能な値", 0},
                      WarningCase{"--cutoff 100M --fix R2=1M --fix C1=1m --fix C2=1m", 1, "設定不可能", 0},
                      // Fixed values whose computed parts overflow or underflow.
                      WarningCase{"--cutoff 1k --order 4 --fix R1=1e308", 1, "R1 は設定不能な値", 0},
                      WarningCase{"--cutoff 1k --order 4 --fix C1=1e-320", 1, "C1 は設定不能な値", 0}));

// A stage whose computed parts overflow or underflow is no design: it is
// reported, and the parts it computed are 0 rather than 0, NaN or infinity
// printed as values. The other stage is designed as usual.
TEST(KelvaraDesign, DegenerateFixedValuesGiveNoDesign) {
  struct Case {
    const char* args;
    std::vector<int> zeroR, zeroC;  // 0-based
  };
  for (const Case& c : {Case{"--fix R1=1e308", {1}, {0, 1}}, Case{"--fix C1=1e-320", {0, 1}, {1}}}) {
    const Result r = RunTool(std::string("--cutoff 1k --order 4 --json ") + c.args);
    ASSERT_EQ(r.status, 1) << c.args << ": " << r.err;
    const nlohmann::json j = Json(r);
    EXPECT_FALSE(j["valid"].get<bool>()) << c.args;
    ASSERT_EQ(j["warnings"].size(), 1u) << c.args;
    EXPECT_EQ(j["warnings"][0]["text"], "autoにするかfixの値を再設定下さい。");
    for (int i : c.zeroR) EXPECT_EQ(j["r"][i].get<double>(), 0) << c.args << " R" << i + 1;
    for (int i : c.zeroC) EXPECT_EQ(j["c"][i].get<double>(), 0) << c.args << " C" << i + 1;
    for (int i = 2; i < 4; ++i) {
      EXPECT_GT(j["r"][i].get<double>(), 0) << c.args;
      EXPECT_GT(j["c"][i].get<double>(), 0) << c.args;
    }
    EXPECT_EQ(r.out.find("NaN"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("INF"), std::string::npos) << r.out;
    EXPECT_TRUE(j["minus3db_hz"].is_null());
  }
}

// A preferred-value search that finds no values within the ranges for a
// stage leaves its parts 0: that is no design, however the rest went.
TEST(KelvaraDesign, AStageTheSeriesCannotMeetGivesNoDesign) {
  struct Case {
    const char* args;
    const char* names;
  };
  for (const Case& c : {Case{"--cutoff 43.5 --order 5 --kind hpf --cap-series E6", "R4, R5, C4, C5"},
                        Case{"--cutoff 10 --order 2 --r-max 10", "R1, R2, C1, C2"}}) {
    const Result r = RunTool(std::string("--values series --json ") + c.args);
    ASSERT_EQ(r.status, 1) << c.args << ": " << r.err;
    const nlohmann::json j = Json(r);
    EXPECT_FALSE(j["valid"].get<bool>()) << c.args;
    ASSERT_EQ(j["warnings"].size(), 1u) << c.args << ": " << r.out;
    EXPECT_EQ(j["warnings"][0]["caption"], "設定不可能");
    EXPECT_NE(j["warnings"][0]["text"].get<std::string>().find(std::string(" の ") + c.names + " は"),
              std::string::npos)
        << j["warnings"][0]["text"];
    EXPECT_TRUE(j["minus3db_hz"].is_null());
  }
  // Where the series meet every stage nothing changes.
  const Result ok = RunTool("--values series --json --cutoff 43.5 --order 5 --kind hpf");
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_TRUE(Json(ok)["warnings"].empty());
}

// --cutoff takes only what a design accepts (a usage error otherwise), so
// the window's own messages for a cut-off are met through a design file.
std::string SheetFileWith(const std::map<int, std::string>& lines) {
  static int made = 0;
  const std::string path =
      ::testing::TempDir() + "kelvara_design_sheet_" + std::to_string(getpid()) + "_" + std::to_string(++made) + ".zdn";
  values::SheetRecord record = values::DefaultSheetRecord();
  for (const auto& [line, text] : lines) record[line] = text;
  EXPECT_FALSE(storage::WriteSheetFile(QString::fromStdString(path), record));
  return path;
}

class CutoffOfADesignFile : public ::testing::TestWithParam<const char*> {};

TEST_P(CutoffOfADesignFile, GivesTheWindowsWarning) {
  const Result r = RunTool("--sheet '" + SheetFileWith({{values::sheet_line::kCutoff, GetParam()}}) + "' --json");
  EXPECT_EQ(r.status, 1) << r.err;
  const nlohmann::json j = Json(r);
  ASSERT_EQ(j["warnings"].size(), 1u);
  EXPECT_EQ(j["warnings"][0]["caption"], "不正な数値");
  EXPECT_EQ(j["warnings"][0]["text"], "カットオフ周波数の範囲は、１～１００ＭＨｚ です。");
  EXPECT_EQ(j["progress"].get<int>(), 0);
  EXPECT_TRUE(j["minus3db_hz"].is_null());
  EXPECT_NE(r.err.find("不正な数値: "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, CutoffOfADesignFile, ::testing::Values("", "abc", "100.1M", "0", "1kHz", "4.7K"));

TEST(KelvaraDesign, FrequencyWarningComesBeforeThePartWarnings) {
  namespace line = values::sheet_line;
  const std::string sheet = SheetFileWith({{line::kCutoff, "0"},
                                           {line::RAuto(1), "false"},
                                           {line::RValue(1), "0"},
                                           {line::CAuto(1), "false"},
                                           {line::CValue(1), ""}});
  const nlohmann::json j = Json(RunTool("--sheet '" + sheet + "' --json"));
  ASSERT_EQ(j["warnings"].size(), 3u);
  EXPECT_EQ(j["warnings"][0]["caption"], "不正な数値");
  EXPECT_EQ(j["warnings"][1]["caption"], "R1 の不正な値");
  EXPECT_EQ(j["warnings"][2]["caption"], "C1 の不正な値");
  EXPECT_EQ(j["warnings"][2]["text"], "autoにするか静電容量値を設定下さい。");
}

TEST(KelvaraDesign, PlainOutputShowsPartsAndTheMinus3dBFrequency) {
  const Result r = RunTool("--cutoff 1k --order 3");
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "R1 = 10.00k");
  EXPECT_NE(r.out.find("\nC3 = "), std::string::npos);
  EXPECT_NE(r.out.find("\n-3dB = "), std::string::npos);
}

TEST(KelvaraDesign, PartsAboveTheOrderAreIgnored) {
  const Result r = RunTool("--cutoff 1k --fix R5=abc --json");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Json(r)["r_text"].size(), 2u);
}

class UsageTest : public ::testing::TestWithParam<const char*> {};

TEST_P(UsageTest, IsAUsageError) {
  const Result r = RunTool(GetParam());
  EXPECT_EQ(r.status, 2) << GetParam();
  EXPECT_NE(r.err.find("kelvara-design"), std::string::npos);
  EXPECT_TRUE(r.out.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, UsageTest,
                         ::testing::Values("", "--kind lpf", "--cutoff 1k --order 9", "--cutoff 1k --order 1",
                                           "--cutoff 1k --kind bpf", "--cutoff 1k --fix X1=3", "--cutoff 1k --fix R9=3",
                                           "--cutoff 1k --fix R1", "--cutoff 1k --kind hpf --response bessel",
                                           "--cutoff 1k --kind hpf --response chebyshev --order 3",
                                           "--cutoff 1k --response elliptic", "--cutoff 1k --values e96",
                                           "--cutoff 1k --stop-after 0", "--cutoff 1k --unknown"));

TEST(HeadlessDesign, MatchesTheEngineRunBitForBit) {
  const engine::DesignRequest request =
      engine::MakeDesignRequest({.orderIndex = 6, .response = 2, .cutoffText = "12.5k", .anyValues = true});
  engine::PartInputs inputs;
  const DesignReport report = RunHeadlessDesign(request, inputs);
  const nlohmann::json j = Json(RunTool("--cutoff 12.5k --order 8 --response chebyshev --json"));
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(j["r"][i].get<double>(), report.parts.r[i]);
    EXPECT_EQ(j["c"][i].get<double>(), report.parts.c[i]);
  }
  EXPECT_EQ(report.progress, 4 * 80 + 1);  // set after the last stage, then one step
}

// The series options: the defaults spelled out change nothing, a practical
// choice keeps every part in its range, and a bad text is a usage error.
TEST(KelvaraDesignSeries, DefaultsSpelledOutGiveTodaysOutput) {
  const Result plain = RunTool("--cutoff 50k --order 5 --values series --json");
  const Result spelled = RunTool(
      "--cutoff 50k --order 5 --values series --json --cap-series default --res-series default "
      "--r-min 0.47 --r-max 510k --c-min 1p --c-max 1000u");
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(spelled.out, plain.out);
  EXPECT_EQ(Json(plain)["r"][1].get<double>(), 51.0);  // why the ranges exist
}

TEST(KelvaraDesignSeries, PracticalChoiceKeepsPartsInRange) {
  const Result r = RunTool(
      "--cutoff 50k --order 5 --values series --json --res-series E96 --r-min 1k --r-max 1M --cap-series E12 "
      "--c-min 100p");
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = Json(r);
  for (int i = 0; i < 5; ++i) {
    EXPECT_GE(j["r"][i].get<double>(), 1e3);
    EXPECT_LE(j["r"][i].get<double>(), 1e6);
    EXPECT_GE(j["c"][i].get<double>(), 100e-12);
  }
}

struct SeriesUsageCase {
  const char* args;
  const char* message;
};

class SeriesUsage : public ::testing::TestWithParam<SeriesUsageCase> {};

TEST_P(SeriesUsage, IsAUsageErrorWithAClearMessage) {
  const Result r = RunTool(std::string("--cutoff 1k --values series ") + GetParam().args);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SeriesUsage,
    ::testing::Values(SeriesUsageCase{"--res-series E12", "--res-series"},
                      SeriesUsageCase{"--cap-series E96", "--cap-series"},
                      SeriesUsageCase{"--r-min 1x", "--r-min: '1x' is not an engineering value above 0"},
                      SeriesUsageCase{"--c-max 0", "--c-max: '0' is not an engineering value above 0"},
                      SeriesUsageCase{"--r-min 2k --r-max 1k", "--r-min (2k) is above --r-max (1k)"},
                      SeriesUsageCase{"--c-min 1u --c-max 1n", "--c-min (1u) is above --c-max (1n)"}));

}  // namespace
}  // namespace kelvara::tools
