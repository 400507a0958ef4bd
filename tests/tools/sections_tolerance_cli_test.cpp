// kelvara-design's tolerance options on designs of sections (MFB and
// Sallen-Key with gain): the same JSON and text as the sheet's design, a
// Monte Carlo run that its seed alone decides, part tolerances by the
// design's own part names, the worst case over every corner of the parts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "tests/tools/designer_process.h"

namespace kelvara::tools {
namespace {

nlohmann::json Json(const std::vector<std::string>& args) {
  const Outcome r = RunDesigner(args);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return nlohmann::json::parse(r.out, nullptr, false);
}

// Every key path of an object ("tolerance.stages[].q.p05"), arrays by their
// first element.
void KeyPaths(const nlohmann::json& j, const std::string& at, std::set<std::string>& paths) {
  if (j.is_object()) {
    for (auto it = j.begin(); it != j.end(); ++it) {
      paths.insert(at + "." + it.key());
      KeyPaths(it.value(), at + "." + it.key(), paths);
    }
  } else if (j.is_array() && !j.empty()) {
    KeyPaths(j.front(), at + "[]", paths);
  }
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(SectionsToleranceCli, TheToleranceObjectIsTheSheetsOne) {
  const std::vector<std::string> study = {"--cutoff",      "1k",  "--order",      "4",      "--json",
                                          "--monte-carlo", "200", "--worst-case", "--mask", "500,1,5k,20"};
  const nlohmann::json sheet = Json(study);
  std::set<std::string> sheetKeys;
  KeyPaths(sheet["tolerance"], "tolerance", sheetKeys);
  ASSERT_FALSE(sheetKeys.empty());
  struct Row {
    std::vector<std::string> circuit;
  };
  const Row rows[] = {{{"--topology", "mfb", "--gain", "10"}},
                      {{"--gain", "4"}},
                      {{"--topology", "mfb", "--gain", "0.5", "--stage-order", "descending-q"}}};
  for (const Row& row : rows) {
    const nlohmann::json j = Json(With(study, row.circuit));
    ASSERT_TRUE(j.contains("tolerance")) << j.dump();
    std::set<std::string> keys;
    KeyPaths(j["tolerance"], "tolerance", keys);
    EXPECT_EQ(keys, sheetKeys);
    const nlohmann::json& t = j["tolerance"];
    EXPECT_EQ(t["trials"], 200);
    EXPECT_EQ(t["minus3db_hz"]["nominal"], j["minus3db_hz"]);
    EXPECT_LE(t["worst_case"]["minus3db_hz"]["min"].get<double>(), t["minus3db_hz"]["min"].get<double>());
    EXPECT_GE(t["worst_case"]["minus3db_hz"]["max"].get<double>(), t["minus3db_hz"]["max"].get<double>());
    // The worst case's gains are the design's own, with its pass-band gain
    // (at fc / 2, within the spread of the parts).
    const double passDb = 20 * std::log10(std::fabs(j["gain"].get<double>()));
    EXPECT_NEAR(t["worst_case"]["gain_db"][0]["max"].get<double>(), passDb, 2.0);
  }
}

TEST(SectionsToleranceCli, TheSeedDecidesTheRunWhateverTheThreads) {
  const std::vector<std::string> design = {"--cutoff", "2k",     "--order", "5",      "--topology",
                                           "mfb",      "--gain", "20",      "--json", "--monte-carlo",
                                           "300",      "--seed", "7",       "--mask", "1k,1,10k,30"};
  const nlohmann::json one = Json(With(design, {"--threads", "1"}));
  for (const char* threads : {"2", "3", "16"}) {
    const nlohmann::json many = Json(With(design, {"--threads", threads}));
    EXPECT_EQ(many["tolerance"], one["tolerance"]) << threads;
  }
  std::vector<std::string> seed8 = design;
  std::replace(seed8.begin(), seed8.end(), std::string("7"), std::string("8"));
  const nlohmann::json other = Json(seed8);
  EXPECT_NE(other["tolerance"]["minus3db_hz"], one["tolerance"]["minus3db_hz"]);
  EXPECT_EQ(one["tolerance"]["seed"], 7);
}

TEST(SectionsToleranceCli, PartTolerancesNameAnyPartOfTheDesign) {
  // An MFB low-pass of order 8 has R1..R12 and C1..C8.
  const std::vector<std::string> design = {"--cutoff", "1k", "--order", "8", "--topology", "mfb", "--json"};
  const nlohmann::json parts = Json(design);
  ASSERT_TRUE(parts["parts"].contains("R12"));
  struct Row {
    std::string part;
    std::uint32_t corners;
  };
  const Row rows[] = {{"R7", 2}, {"R12", 2}, {"C8", 2}};
  for (const Row& row : rows) {
    // Only this part varies: two corners, and the spread is its own.
    const Outcome r = RunDesigner({"--cutoff", "1k", "--order", "8", "--topology", "mfb", "--worst-case", "--tol-r",
                                   "0", "--tol-c", "0", "--tol-part", row.part + "=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("worst case (" + std::to_string(row.corners) + " corners)"), std::string::npos) << r.out;
    const nlohmann::json j =
        Json(With(design, {"--worst-case", "--tol-r", "0", "--tol-c", "0", "--tol-part", row.part + "=1"}));
    const nlohmann::json& w = j["tolerance"]["worst_case"]["minus3db_hz"];
    EXPECT_LT(w["min"].get<double>(), w["max"].get<double>()) << row.part;
  }
  // A tolerance of R7 alone changes the run; others' stay.
  const nlohmann::json plain = Json(With(design, {"--monte-carlo", "100"}));
  const nlohmann::json r7 = Json(With(design, {"--monte-carlo", "100", "--tol-part", "R7=0"}));
  EXPECT_NE(plain["tolerance"]["stages"][2], r7["tolerance"]["stages"][2]);
  EXPECT_EQ(plain["tolerance"]["stages"][0], r7["tolerance"]["stages"][0]);
}

TEST(SectionsToleranceCli, UsageErrors) {
  struct Row {
    std::vector<std::string> args;
    std::string firstLine;
  };
  const Row rows[] = {
      {{"--topology", "mfb", "--order", "8", "--monte-carlo", "100", "--tol-part", "R13=1"},
       "--tol-part: 部品名 R13 はこの設計にありません: R1～R12, C1～C8 を指定下さい。"},
      {{"--gain", "10", "--order", "3", "--worst-case", "--tol-part", "C4=1"},
       "--tol-part: 部品名 C4 はこの設計にありません"},
      {{"--topology", "mfb", "--tol-r", "1"}, "--tol-r needs --monte-carlo or --worst-case"},
      {{"--topology", "mfb", "--worst-case"}, "--worst-case needs the tolerances"},
      {{"--topology", "mfb", "--monte-carlo", "100", "--mask", "5k,1,500,20"}, "--mask: マスクが逆"},
      {{"--gain", "10", "--order", "8", "--worst-case", "--tol-r", "1"}, "--tol-part: 最悪値解析の頂点が多すぎます"},
  };
  for (const Row& row : rows) {
    const Outcome r = RunDesigner(With({"--cutoff", "1k"}, row.args));
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err.rfind("kelvara-design: " + row.firstLine, 0), 0u) << r.err;
  }
}

// The requirement's candidates are of the sheet's circuit: a part name
// beyond its R1..R8, C1..C8 stays a usage error there.
TEST(SectionsToleranceCli, RequirementCandidatesTakeTheSheetsPartNames) {
  const Outcome r =
      RunDesigner({"--requirement", "1k,1,3k,40", "--values", "series", "--monte-carlo", "100", "--tol-part", "R9=1"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err.rfind("kelvara-design: --tol-part: R9 is not a part of the candidates (R1..R8, C1..C8)", 0), 0u)
      << r.err;
}

TEST(SectionsToleranceCli, PlainTextAsTheSheets) {
  const Outcome r = RunDesigner({"--cutoff", "1k", "--order", "3", "--gain", "10", "--monte-carlo", "200",
                                 "--worst-case", "--tol-part", "R5=0.1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* line : {"Monte Carlo: 200 trials, seed 1, R 1 %, C 5 %, uniform\n", "-3dB [Hz]: nominal ",
                           "stage 1 f0 [Hz]: ", "stage 2 Q: ", "-3dB moved most by (at +tol): ",
                           "stage 2 Q moved most by: ", "worst case (1024 corners): -3dB "}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
}

}  // namespace
}  // namespace kelvara::tools
