// kelvara-design --bom of a design of sections: the parts list holds every
// part of the design once, with the value, stage and role the JSON gives it.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/designer_process.h"

namespace kelvara::tools {
namespace {

// The fields of one CSV line ("a","b, c" quoted where they hold commas).
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::vector<std::string> Items(const std::string& field) {
  std::vector<std::string> items;
  std::istringstream in(field);
  for (std::string item; std::getline(in, item, ',');) {
    items.push_back(item.substr(item.find_first_not_of(' ')));
  }
  return items;
}

TEST(SectionsExportsCli, ThePartsListHoldsEveryPartWithItsStageAndRole) {
  struct Row {
    std::vector<std::string> args;
    bool r6Own = false;  // R6 has a tolerance of its own, 0.1 %
  };
  const Row rows[] = {
      {{"--topology", "mfb", "--order", "5", "--gain", "10"}},
      {{"--kind", "hpf", "--order", "4", "--gain", "4"}},
      {{"--topology", "mfb", "--kind", "hpf", "--order", "8", "--gain", "2", "--stage-order", "descending-q"}},
      {{"--order", "3", "--gain", "20", "--tol-r", "1", "--tol-part", "R6=0.1", "--monte-carlo", "100"}}};
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const Row& row : rows) {
    const std::string file = dir.filePath("parts.csv").toStdString();
    std::vector<std::string> args = {"--cutoff", "1k", "--json", "--analysis", "--bom", file};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const Outcome r = RunDesigner(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    std::map<std::string, int> stageOf;
    for (const nlohmann::json& s : j["stages"]) {
      for (const nlohmann::json& p : s["parts"]) stageOf[p.get<std::string>()] = s["stage"].get<int>();
    }
    std::ifstream in(file);
    std::string header;
    std::getline(in, header);
    if (header.ends_with('\r')) header.pop_back();
    EXPECT_EQ(header, "\xEF\xBB\xBF部品,値,値 (Ω/F),系列,許容差,段,役割,数量");
    std::map<std::string, int> seen;
    int count = 0;
    for (std::string line; std::getline(in, line);) {
      if (line.ends_with('\r')) line.pop_back();
      const std::vector<std::string> f = Fields(line);
      ASSERT_EQ(f.size(), 8u) << line;
      const std::vector<std::string> names = Items(f[0]);
      const std::vector<std::string> roles = Items(f[6]);
      ASSERT_EQ(names.size(), roles.size()) << line;
      EXPECT_EQ(std::atoi(f[7].c_str()), static_cast<int>(names.size()));
      count += std::atoi(f[7].c_str());
      const double value = std::strtod(f[2].c_str(), nullptr);
      std::string stages;
      for (std::size_t i = 0; i < names.size(); ++i) {
        ++seen[names[i]];
        ASSERT_TRUE(j["parts"].contains(names[i])) << names[i];
        // 12 significant digits.
        EXPECT_NEAR(value / j["parts"][names[i]].get<double>(), 1, 1e-11) << names[i];
        EXPECT_EQ(roles[i], j["roles"][names[i]]) << names[i];
        EXPECT_NE(f[5].find(std::to_string(stageOf.at(names[i]))), std::string::npos) << line;
      }
      if (names.size() == 1) {
        EXPECT_EQ(f[5], std::to_string(stageOf.at(names[0])));
      }
      if (names[0] == "R6" && row.r6Own) {
        EXPECT_EQ(f[4], "0.1%");
      }
    }
    EXPECT_EQ(count, static_cast<int>(j["parts"].size()));
    for (const auto& [name, value] : j["parts"].items()) EXPECT_EQ(seen[name], 1) << name;
  }
}

TEST(SectionsExportsCli, AnInvalidDesignWritesNoFiles) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string file = dir.filePath("parts.csv").toStdString();
  // Both capacitors fixed at a ratio below 4 Q^2 (1 + K): no real resistors.
  const Outcome r = RunDesigner(
      {"--cutoff", "1k", "--topology", "mfb", "--gain", "10", "--fix", "C1=1n", "--fix", "C2=1n", "--bom", file});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("--spice and --bom files not written"), std::string::npos) << r.err;
  EXPECT_FALSE(std::ifstream(file).good());
}

}  // namespace
}  // namespace kelvara::tools
