// kelvara-design's tolerance options as a caller of the tolerance study: a
// worst case on its own, the study's checks and messages for the mask
// (those the window shows), and the options that need a run.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/tools/designer_process.h"
#include "tests/tools/run_tool.h"

namespace kelvara::tools {
namespace {

using test::RunDesignTool;
using test::ToolResult;

TEST(ToleranceStudyCli, AWorstCaseStandsOnItsOwn) {
  const ToolResult r = RunDesignTool("--cutoff 1k --order 4 --worst-case --tol-r 1 --tol-c 5 --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json t = nlohmann::json::parse(r.out).at("tolerance");
  EXPECT_EQ(Keys(t), (std::vector<std::string>{"worst_case"}));  // no trials' statistics
  const nlohmann::json& w = t["worst_case"];
  EXPECT_EQ(Keys(w), (std::vector<std::string>{"gain_db", "minus3db_hz"}));
  EXPECT_EQ(w["gain_db"].size(), 4u);
  EXPECT_LT(w["minus3db_hz"]["min"].get<double>(), w["minus3db_hz"]["max"].get<double>());
  // The same corners as with a Monte Carlo run beside them.
  const ToolResult both =
      RunDesignTool("--cutoff 1k --order 4 --worst-case --tol-r 1 --tol-c 5 --monte-carlo 100 --json");
  ASSERT_EQ(both.status, 0) << both.err;
  EXPECT_EQ(nlohmann::json::parse(both.out)["tolerance"]["worst_case"], w);
  // With a mask the gains at its edges; a part's own tolerance alone will do.
  const ToolResult masked =
      RunDesignTool("--cutoff 1k --order 4 --worst-case --tol-part C1=2 --mask 500,1,5k,20 --json");
  ASSERT_EQ(masked.status, 0) << masked.err;
  const nlohmann::json maskedJson = nlohmann::json::parse(masked.out);
  const nlohmann::json& g = maskedJson["tolerance"]["worst_case"]["gain_db"];
  ASSERT_EQ(g.size(), 6u);
  EXPECT_EQ(g[4]["frequency_hz"], 500.0);
  EXPECT_EQ(g[5]["frequency_hz"], 5000.0);
  // Plain text too.
  const ToolResult plain = RunDesignTool("--cutoff 1k --order 4 --worst-case --tol-c 5");
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_NE(plain.out.find("worst case (256 corners)"), std::string::npos) << plain.out;
  EXPECT_EQ(plain.out.find("Monte Carlo:"), std::string::npos) << plain.out;
}

TEST(ToleranceStudyCli, RefusesAMaskWithTheStudysMessage) {
  struct Case {
    const char* args;
    const char* message;
  };
  const Case cases[] = {
      {"--mask 3k,1,700,40", "--mask: マスクが逆: LPF では通過域 fp を阻止域 fs より低く設定下さい。"},
      {"--kind hpf --mask 700,1,3k,40", "--mask: マスクが逆: HPF では通過域 fp を阻止域 fs より高く設定下さい。"},
      {"--mask 700,0,3k,40", "--mask: 通過域 ±a が不正: 0 より大きい値を設定下さい。"},
      {"--mask 700,3,3k,3", "--mask: 阻止域 -b が不正: 通過域 ±a より大きい値を設定下さい。"},
      {"--mask abc,1,3k,40", "--mask: 通過域 fp が不正: 0 より大きい周波数を設定下さい。"},
      {"--tol-gbw 20", "--tol-gbw: GBWの公差は実オペアンプでのみ指定できます。"},
  };
  for (const Case& c : cases) {
    const ToolResult r = RunDesignTool(std::string("--cutoff 1k --order 4 --monte-carlo 100 ") + c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << c.args;  // refused before anything is designed or printed
  }
}

TEST(ToleranceStudyCli, OptionsThatNeedARun) {
  const char* cases[] = {
      "--cutoff 1k --mask 700,1,3k,40",
      "--cutoff 1k --tol-c 5",
      "--cutoff 1k --tol-part R1=1",
      "--cutoff 1k --threads 2",
      "--cutoff 1k --worst-case",  // a worst case of what: no tolerances given
      "--cutoff 1k --worst-case --seed 3 --tol-c 5",
      "--cutoff 1k --worst-case --distribution normal --tol-c 5",
  };
  for (const char* args : cases) EXPECT_EQ(RunDesignTool(args).status, 2) << args;
}

}  // namespace
}  // namespace kelvara::tools
