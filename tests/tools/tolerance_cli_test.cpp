// kelvara-design's tolerance options from the outside: the "tolerance" key,
// its optional parts, reproducibility and the usage errors.

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/designer_process.h"
#include "tests/tools/run_tool.h"

namespace kelvara::tools {
namespace {

using test::RunDesignTool;
using test::ToolResult;

const std::vector<std::string> kStatsKeys = {"max", "mean", "min", "nominal", "p05", "p95", "std"};

nlohmann::json Tolerance(const std::string& args) {
  const ToolResult r = RunDesignTool(args + " --json");
  EXPECT_EQ(r.status, 0) << r.err;
  return nlohmann::json::parse(r.out).at("tolerance");
}

TEST(ToleranceCli, JsonHasTheStatisticsOfEveryStage) {
  const ToolResult r = RunDesignTool("--cutoff 1k --order 5 --response bessel --monte-carlo 500 --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  const nlohmann::json& t = j.at("tolerance");
  EXPECT_EQ(Keys(t), (std::vector<std::string>{"minus3db_hz", "seed", "stages", "trials"}));
  EXPECT_EQ(t["trials"], 500);
  EXPECT_EQ(t["seed"], 1);
  EXPECT_EQ(Keys(t["minus3db_hz"]), kStatsKeys);
  // The nominal -3 dB frequency is the design's own, bit for bit.
  EXPECT_EQ(t["minus3db_hz"]["nominal"].get<double>(), j["minus3db_hz"].get<double>());
  ASSERT_EQ(t["stages"].size(), 3u);
  for (int k = 0; k < 3; ++k) {
    const nlohmann::json& s = t["stages"][k];
    EXPECT_EQ(Keys(s), (std::vector<std::string>{"f0_hz", "peak_db", "q", "stage"}));
    EXPECT_EQ(s["stage"], k + 1);
    EXPECT_EQ(Keys(s["f0_hz"]), kStatsKeys);
    EXPECT_EQ(Keys(s["peak_db"]), kStatsKeys);
    if (k == 0) {
      EXPECT_TRUE(s["q"].is_null());
    } else {
      EXPECT_EQ(Keys(s["q"]), kStatsKeys);
    }
  }
  const nlohmann::json& f3 = t["minus3db_hz"];
  EXPECT_LE(f3["min"].get<double>(), f3["p05"].get<double>());
  EXPECT_LE(f3["p05"].get<double>(), f3["mean"].get<double>());
  EXPECT_LE(f3["mean"].get<double>(), f3["p95"].get<double>());
  EXPECT_LE(f3["p95"].get<double>(), f3["max"].get<double>());
  EXPECT_GT(f3["std"].get<double>(), 0);
}

TEST(ToleranceCli, WorstCaseAndYieldOnlyWhenAskedFor) {
  const std::string design = "--cutoff 1k --order 6 --response chebyshev --values series --monte-carlo 400";
  const nlohmann::json t = Tolerance(design + " --worst-case --mask 700,0.5,3k,40 --seed 5 --tol-c 2");
  EXPECT_EQ(Keys(t), (std::vector<std::string>{"minus3db_hz", "seed", "stages", "trials", "worst_case", "yield"}));
  EXPECT_EQ(t["seed"], 5);
  const nlohmann::json& w = t["worst_case"];
  EXPECT_EQ(Keys(w), (std::vector<std::string>{"gain_db", "minus3db_hz"}));
  EXPECT_EQ(Keys(w["minus3db_hz"]), (std::vector<std::string>{"max", "min"}));
  ASSERT_EQ(w["gain_db"].size(), 6u);  // fc/2, fc, 2fc, 10fc, fp, fs
  EXPECT_EQ(Keys(w["gain_db"][0]), (std::vector<std::string>{"frequency_hz", "max", "min"}));
  EXPECT_EQ(w["gain_db"][1]["frequency_hz"], 1000.0);
  EXPECT_EQ(w["gain_db"][5]["frequency_hz"], 3000.0);
  EXPECT_LE(w["minus3db_hz"]["min"].get<double>(), t["minus3db_hz"]["nominal"].get<double>());
  const nlohmann::json& y = t["yield"];
  EXPECT_EQ(Keys(y), (std::vector<std::string>{"ci95", "passed", "ratio", "trials"}));
  EXPECT_EQ(y["trials"], 400);
  EXPECT_EQ(y["ratio"].get<double>(), y["passed"].get<double>() / 400);
  EXPECT_LE(y["ci95"][0].get<double>(), y["ratio"].get<double>());
  EXPECT_GE(y["ci95"][1].get<double>(), y["ratio"].get<double>());

  const nlohmann::json plain = Tolerance(design);
  EXPECT_FALSE(plain.contains("worst_case"));
  EXPECT_FALSE(plain.contains("yield"));
}

TEST(ToleranceCli, ZeroToleranceGivesTheNominal) {
  const nlohmann::json t = Tolerance("--cutoff 2.2k --order 4 --kind hpf --monte-carlo 100 --tol-r 0 --tol-c 0");
  for (const nlohmann::json* s : {&t["minus3db_hz"], &t["stages"][1]["q"], &t["stages"][0]["f0_hz"]}) {
    for (const char* key : {"mean", "min", "max", "p05", "p95"}) EXPECT_EQ((*s)[key], (*s)["nominal"]) << key;
    EXPECT_EQ((*s)["std"], 0.0);
  }
}

TEST(ToleranceCli, OutputDoesNotDependOnTheThreadCount) {
  const std::string args = "--cutoff 1k --order 8 --monte-carlo 1000 --distribution normal --worst-case --json";
  const ToolResult one = RunDesignTool(args + " --threads 1");
  const ToolResult two = RunDesignTool(args + " --threads 2");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(one.out, two.out);
}

TEST(ToleranceCli, OutputWithAMaskAndARealOpAmpDoesNotDependOnTheThreadCount) {
  const std::string args =
      "--cutoff 1k --order 8 --response chebyshev --monte-carlo 2000 --mask 700,1,3k,40 --opamp-gbw 1M --tol-gbw 20 "
      "--worst-case --json";
  const ToolResult one = RunDesignTool(args + " --threads 1");
  const ToolResult two = RunDesignTool(args + " --threads 2");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.out.find("\"yield\""), std::string::npos);
  EXPECT_EQ(one.out, two.out);
}

TEST(ToleranceCli, PlainOutputReportsTheAnalysis) {
  const ToolResult r = RunDesignTool("--cutoff 1k --order 3 --monte-carlo 200 --mask 500,1,5k,20");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Monte Carlo: 200 trials, seed 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("yield: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(Wilson)"), std::string::npos) << r.out;
}

std::vector<std::vector<double>> CsvRows(const std::string& text, std::string& header) {
  std::istringstream in(text);
  std::getline(in, header);
  std::vector<std::vector<double>> rows;
  for (std::string line; std::getline(in, line);) {
    std::vector<double> row;
    std::istringstream fields(line);
    for (std::string f; std::getline(fields, f, ',');) row.push_back(std::stod(f));
    rows.push_back(row);
  }
  return rows;
}

TEST(ToleranceCli, CurvesGainTheBandColumns) {
  struct Case {
    std::string curve, header;
  };
  const Case cases[] = {
      {"gain", "frequency_hz,gain_db,min_db,p05_db,p95_db,max_db"},
      {"phase", "frequency_hz,phase_deg,min_deg,p05_deg,p95_deg,max_deg"},
      {"delay", "frequency_hz,delay_s,min_s,p05_s,p95_s,max_s"},
  };
  const std::string design = "--cutoff 1k --order 6 --response chebyshev --values series";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.curve);
    const ToolResult plain = RunDesignTool(design + " --curve " + c.curve + " --points 60");
    const ToolResult mc = RunDesignTool(design + " --curve " + c.curve + " --points 60 --monte-carlo 300");
    ASSERT_EQ(mc.status, 0) << mc.err;
    std::string plainHeader, header;
    const auto nominal = CsvRows(plain.out, plainHeader);
    const auto rows = CsvRows(mc.out, header);
    EXPECT_EQ(header, c.header);
    ASSERT_EQ(rows.size(), 60u);
    ASSERT_EQ(nominal.size(), 60u);
    int outside = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      ASSERT_EQ(rows[i].size(), 6u);
      EXPECT_EQ(rows[i][0], nominal[i][0]);  // the same frequencies
      EXPECT_EQ(rows[i][1], nominal[i][1]);  // and the same nominal curve, bit for bit
      EXPECT_LE(rows[i][2], rows[i][3]);
      EXPECT_LE(rows[i][3], rows[i][4]);
      EXPECT_LE(rows[i][4], rows[i][5]);
      EXPECT_LT(rows[i][2], rows[i][5]);
      outside += rows[i][1] < rows[i][2] || rows[i][1] > rows[i][5];
    }
    EXPECT_EQ(outside, 0);
  }
  // A time curve keeps its two columns.
  const ToolResult step = RunDesignTool(design + " --curve step --points 20 --monte-carlo 100");
  ASSERT_EQ(step.status, 0) << step.err;
  EXPECT_EQ(step.out.substr(0, step.out.find('\n')), "time_s,step");
}

TEST(ToleranceCli, GbwToleranceOfARealOpAmp) {
  const std::string design = "--cutoff 10k --order 8 --response chebyshev --monte-carlo 200 --tol-r 0 --tol-c 0";
  const nlohmann::json real = Tolerance(design + " --opamp-gbw 1M --tol-gbw 20");
  EXPECT_GT(real["minus3db_hz"]["std"].get<double>(), 0);
  EXPECT_EQ(real["stages"][0]["q"]["std"].get<double>(), 0);  // the parts' Q
  const nlohmann::json fixedGbw = Tolerance(design + " --opamp-gbw 1M");
  EXPECT_EQ(fixedGbw["minus3db_hz"]["std"].get<double>(), 0);
  // The op-amp lowers the -3 dB frequency of this design.
  EXPECT_LT(fixedGbw["minus3db_hz"]["nominal"].get<double>(),
            Tolerance(design)["minus3db_hz"]["nominal"].get<double>());
  EXPECT_EQ(RunDesignTool(design + " --tol-gbw 20").status, 2);
}

TEST(ToleranceCli, APartCanHaveItsOwnTolerance) {
  // Order 2 with every other part exact: only C2 moves the stage's Q.
  const std::string design = "--cutoff 1k --order 2 --monte-carlo 300 --tol-r 0 --tol-c 0";
  const nlohmann::json one = Tolerance(design + " --tol-part C2=5");
  const nlohmann::json q = one["stages"][0]["q"];
  EXPECT_GT(q["std"].get<double>(), 0);
  // Q is proportional to 1/sqrt(C2): within sqrt(1 -+ 5 %).
  EXPECT_GE(q["min"].get<double>(), q["nominal"].get<double>() / std::sqrt(1.05) * (1 - 1e-12));
  EXPECT_LE(q["max"].get<double>(), q["nominal"].get<double>() / std::sqrt(0.95) * (1 + 1e-12));
  EXPECT_EQ(Tolerance(design + " --tol-part C2=0")["stages"][0]["q"]["std"].get<double>(), 0);
  for (const char* bad : {"C9=1", "X1=1", "R1=", "R1=60", "R1=1%", "R10=1"})
    EXPECT_EQ(RunDesignTool(design + " --tol-part " + bad).status, 2) << bad;
}

TEST(ToleranceCli, RefusesOptionsThatDoNotFit) {
  const char* cases[] = {
      "--cutoff 1k --monte-carlo 99",
      "--cutoff 1k --monte-carlo 100001",
      "--cutoff 1k --tol-r 1",
      "--cutoff 1k --worst-case",
      "--cutoff 1k --monte-carlo 100 --tol-c 60",
      "--cutoff 1k --monte-carlo 100 --distribution gauss",
      "--cutoff 1k --monte-carlo 100 --mask 1k,1,2k",
      "--cutoff 1k --monte-carlo 100 --mask 1k,0,2k,3",
      "--cutoff 1k --monte-carlo 100 --mask 2k,1,1k,40",
      "--cutoff 1k --kind hpf --monte-carlo 100 --mask 1k,1,2k,40",
  };
  for (const char* args : cases) EXPECT_EQ(RunDesignTool(args).status, 2) << args;
}

}  // namespace
}  // namespace kelvara::tools
