// kelvara-design --spice and --bom: the same writers as the window, the
// files written whole or not at all (exit status 3).

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "export/csv.h"
#include "export/spice_netlist.h"
#include "export/spice_number.h"

namespace kelvara::tools {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class DesignerExport : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("kelvara_export_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  ToolRun Tool(const std::string& args) {
    const fs::path out = dir_ / "stdout.txt";
    const std::string cmd = std::string(KELVARA_DESIGN_EXE) + " " + args + " >'" + out.string() + "' 2>&1";
    const int raw = std::system(cmd.c_str());
    ToolRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out)};
    fs::remove(out);
    return r;
  }

  fs::path dir_;
};

TEST_F(DesignerExport, NetlistAndPartsListHoldTheDesignedValues) {
  const fs::path cir = dir_ / "f.cir";
  const fs::path csv = dir_ / "f.csv";
  const ToolRun r = Tool("--cutoff 10k --order 8 --response chebyshev --values series --json --spice '" + cir.string() +
                         "' --bom '" + csv.string() + "' --ac-from 10 --ac-to 10M");
  ASSERT_EQ(r.status, 0) << r.out;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  const auto netlist = exports::ReadSpiceNetlist(ReadAll(cir));
  ASSERT_TRUE(netlist);
  EXPECT_EQ(netlist->acStartHz, 10.0);
  EXPECT_EQ(netlist->acStopHz, 10e6);
  const auto rows = exports::ReadCsv(ReadAll(csv));
  ASSERT_GE(rows.size(), 3u);
  // The row of the parts list that names a part ("R2" in "R1, R2, R5").
  auto rowOf = [&](const std::string& part) {
    for (const auto& row : rows) {
      if ((", " + row[0] + ",").find(", " + part + ",") != std::string::npos) return row;
    }
    return std::vector<std::string>{};
  };
  auto readsBack = [](double back, double value) {
    return std::fabs(back - value) <= exports::kSiReadBack * std::fabs(value);
  };
  for (int i = 0; i < 8; ++i) {
    const std::string n = std::to_string(i + 1);
    const double r = j["r"][i].get<double>();
    const double c = j["c"][i].get<double>();
    EXPECT_TRUE(readsBack(netlist->values.at("R" + n), r)) << n;
    EXPECT_TRUE(readsBack(netlist->values.at("C" + n), c)) << n;
    const auto rRow = rowOf("R" + n);
    ASSERT_EQ(rRow.size(), 7u) << n;
    EXPECT_TRUE(readsBack(*exports::ParseSpiceNumber(rRow[2]), r)) << rRow[2];
    const auto cRow = rowOf("C" + n);
    ASSERT_EQ(cRow.size(), 7u) << n;
    EXPECT_TRUE(readsBack(*exports::ParseSpiceNumber(cRow[2]), c)) << cRow[2];
    EXPECT_EQ(cRow[3], "E12");
  }
}

TEST_F(DesignerExport, UnwritableFileGivesStatus3AndLeavesNothingHalfWritten) {
  // A folder where the file should be: the save cannot replace it.
  const fs::path taken = dir_ / "taken.cir";
  fs::create_directory(taken);
  const ToolRun r = Tool("--cutoff 1k --spice '" + taken.string() + "'");
  EXPECT_EQ(r.status, 3) << r.out;
  EXPECT_NE(r.out.find("ファイルを保存できません"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::is_directory(taken));
  // Under a regular file no file can be made at all.
  std::ofstream(dir_ / "plain").put('x');
  const ToolRun under = Tool("--cutoff 1k --bom '" + (dir_ / "plain" / "x.csv").string() + "'");
  EXPECT_EQ(under.status, 3) << under.out;
  // Only what the test made is left: no temporary files of the save.
  std::size_t entries = 0;
  for (const auto& e : fs::directory_iterator(dir_)) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 2u);
}

TEST_F(DesignerExport, ExistingFileIsReplacedWhole) {
  const fs::path cir = dir_ / "f.cir";
  std::ofstream(cir) << std::string(100000, 'x');
  ASSERT_EQ(Tool("--cutoff 1k --spice '" + cir.string() + "'").status, 0);
  const std::string text = ReadAll(cir);
  EXPECT_EQ(text.find('x' + std::string(10, 'x')), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 5), ".end\n");
}

TEST_F(DesignerExport, BadSweepRangeIsAUsageError) {
  const fs::path cir = dir_ / "f.cir";
  EXPECT_EQ(Tool("--cutoff 1k --spice '" + cir.string() + "' --ac-from 1M --ac-to 1k").status, 2);
  EXPECT_EQ(Tool("--cutoff 1k --spice '" + cir.string() + "' --ac-from abc").status, 2);
  EXPECT_EQ(Tool("--cutoff 1k --spice ''").status, 2);
  EXPECT_EQ(Tool("--cutoff 1k --bom ''").status, 2);
  EXPECT_FALSE(fs::exists(cir));
}

// The 系列 column and the netlist's "Values" comment name the series the
// preferred values came from: the program's own names by default, the
// chosen series otherwise, 任意 for any values.
TEST_F(DesignerExport, PartsListAndNetlistNameTheSeriesUsed) {
  struct Case {
    std::string options;
    std::string capSeries, resSeries;
    std::string valuesComment;
  };
  const Case cases[] = {
      {"--values series", "E12", "E24", "E12 capacitors, E24 resistors"},
      {"--values series --cap-series E6", "E6", "E24", "E6 capacitors, E24 resistors"},
      {"--values series --res-series E96 --r-min 1k --r-max 1M", "E12", "E96", "E12 capacitors, E96 resistors"},
      {"--values series --cap-series E24 --res-series E192", "E24", "E192", "E24 capacitors, E192 resistors"},
      {"--values series --cap-series default --res-series default", "E12", "E24", "E12 capacitors, E24 resistors"},
      {"--values any --cap-series E6 --res-series E96", "任意", "任意", "any values (exact)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const fs::path cir = dir_ / "s.cir";
    const fs::path csv = dir_ / "s.csv";
    const ToolRun r =
        Tool("--cutoff 50k --order 5 " + c.options + " --spice '" + cir.string() + "' --bom '" + csv.string() + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    const auto rows = exports::ReadCsv(ReadAll(csv));
    ASSERT_GE(rows.size(), 3u);
    int parts = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
      const bool capacitor = rows[i][0][0] == 'C';
      EXPECT_EQ(rows[i][3], capacitor ? c.capSeries : c.resSeries) << rows[i][0];
      parts += std::stoi(rows[i][6]);
    }
    EXPECT_EQ(parts, 10);
    EXPECT_NE(ReadAll(cir).find("* Values:   " + c.valuesComment + "\n"), std::string::npos) << ReadAll(cir);
  }
}

// The netlist's op-amp subcircuit is the one the --opamp-* options set.
TEST_F(DesignerExport, NetlistTakesTheOpAmpOfTheOptions) {
  struct Case {
    std::string options;
    std::vector<std::string> lines;  // in the netlist
    std::string absent;
  };
  const Case cases[] = {
      {"", {"E1 out 0 inp inn 1e6"}, "G1 0 p"},
      {"--opamp-gbw 10M", {"GBW = 10e6 Hz", "A0 = 100 dB", "G1 0 p inp inn 1", "E1 out 0 p 0 1"}, "Rout o out"},
      {"--opamp-gbw 1M --opamp-a0 80 --opamp-rout 50",
       {"GBW = 1e6 Hz", "A0 = 80 dB", "Rp p 0 10e3", "Rout o out 50"},
       "E1 out 0 inp inn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const fs::path cir = dir_ / "o.cir";
    const ToolRun r = Tool("--cutoff 10k --order 4 " + c.options + " --spice '" + cir.string() + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string text = ReadAll(cir);
    for (const std::string& line : c.lines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find(c.absent), std::string::npos) << text;
    EXPECT_TRUE(exports::ReadSpiceNetlist(text));
  }
}

// The 許容差 column holds --tol-r, --tol-c and --tol-part when given, and is
// empty otherwise.
TEST_F(DesignerExport, PartsListTakesTheToleranceOptions) {
  struct Case {
    std::string options;
    std::string r, c, r3, c2;
  };
  const Case cases[] = {
      {"", "", "", "", ""},
      {"--monte-carlo 100 --tol-r 0.5", "0.5%", "", "0.5%", ""},
      {"--monte-carlo 100 --tol-c 2", "", "2%", "", "2%"},
      {"--monte-carlo 100 --tol-r 1 --tol-c 10 --tol-part R3=0.1 --tol-part C2=1", "1%", "10%", "0.1%", "1%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const fs::path csv = dir_ / "t.csv";
    const ToolRun r = Tool("--cutoff 10k --order 4 " + c.options + " --bom '" + csv.string() + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    const auto rows = exports::ReadCsv(ReadAll(csv));
    ASSERT_GE(rows.size(), 3u);
    int parts = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
      std::istringstream names(rows[i][0]);
      for (std::string part; std::getline(names, part, ',');) {
        if (part[0] == ' ') part.erase(0, 1);
        ++parts;
        const std::string& expected = part == "R3" ? c.r3 : part == "C2" ? c.c2 : part[0] == 'C' ? c.c : c.r;
        EXPECT_EQ(rows[i][4], expected) << part;
      }
    }
    EXPECT_EQ(parts, 8);
  }
}

TEST_F(DesignerExport, InvalidDesignWritesNoFile) {
  const fs::path cir = dir_ / "f.cir";
  EXPECT_EQ(Tool("--cutoff 1k --order 4 --fix R3=abc --spice '" + cir.string() + "'").status, 1);
  EXPECT_FALSE(fs::exists(cir));
}

}  // namespace
}  // namespace kelvara::tools
