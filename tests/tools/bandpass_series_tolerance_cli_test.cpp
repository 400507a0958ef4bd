// kelvara-design --kind bpf with --values series and the tolerance options:
// every part a value of its series inside the sections' ranges, the stop
// of the search, a Monte Carlo run its seed alone decides (one thread or
// two), the tolerance object's keys the low-pass one's, the yield of a
// wide and of an impossible mask, and the usage errors.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "engine/part_series.h"
#include "tests/tools/run_tool.h"

namespace kelvara::tools::test {
namespace {

const std::string kBand = "--kind bpf --center 10k --bandwidth 2k --json ";
const std::string kDesign = kBand + "--order 4 ";

nlohmann::json Json(const std::string& args, int status = 0) {
  const ToolResult r = RunDesignTool(args);
  EXPECT_EQ(r.status, status) << args << ": " << r.err;
  return nlohmann::json::parse(r.out, nullptr, false);
}

bool Inside(const std::vector<double>& series, double lo, double hi, double x) {
  return std::find(series.begin(), series.end(), x) != series.end() && x >= lo * (1 - 1e-9) && x <= hi * (1 + 1e-9);
}

TEST(BandPassSeriesCli, EveryPartIsASeriesValueInsideItsRange) {
  struct Row {
    std::string args;
    std::vector<double> caps, ress;
    double cMin, cMax, rMin, rMax;
  };
  const Row rows[] = {
      {"--order 4", engine::CapSeriesValues(engine::CapSeriesKind::kDefault),
       engine::ResSeriesValues(engine::ResSeriesKind::kE24), 100e-12, 1e-6, 1e3, 1e6},
      {"--order 8 --gain 4 --cap-series E6 --res-series E96 --r-min 470 --c-max 100n",
       engine::CapSeriesValues(engine::CapSeriesKind::kE6), engine::ResSeriesValues(engine::ResSeriesKind::kE96),
       100e-12, 100e-9, 470, 1e6},
  };
  for (const Row& row : rows) {
    const nlohmann::json j = Json(kBand + "--analysis --values series " + row.args);
    ASSERT_TRUE(j["valid"].get<bool>()) << j.dump();
    for (auto it = j["parts"].begin(); it != j["parts"].end(); ++it) {
      const double x = it.value().get<double>();
      if (it.key()[0] == 'C') {
        EXPECT_TRUE(Inside(row.caps, row.cMin, row.cMax, x)) << it.key() << " = " << x;
      } else {
        EXPECT_TRUE(Inside(row.ress, row.rMin, row.rMax, x)) << it.key() << " = " << x;
      }
    }
    // Each section within 10 % of its targets (the search's limit).
    for (const auto& s : j["stages"]) {
      EXPECT_NEAR(s["f0_hz"].get<double>() / s["f0_target_hz"].get<double>(), 1, 0.1);
      EXPECT_NEAR(s["q"].get<double>() / s["q_target"].get<double>(), 1, 0.1);
      EXPECT_NEAR(s["gain"].get<double>() / s["gain_target"].get<double>(), 1, 0.1);
    }
  }
}

TEST(BandPassSeriesCli, AFixedCapacitorKeepsItsValueAndAStopEndsTheSearch) {
  const nlohmann::json fixed = Json(kDesign + "--values series --fix C3=470p");
  EXPECT_DOUBLE_EQ(fixed["parts"]["C3"].get<double>(), 470e-12);
  EXPECT_EQ(fixed["parts"]["C4"], fixed["parts"]["C3"]);
  const nlohmann::json stopped = Json(kDesign + "--values series --stop-after 1", 1);
  EXPECT_FALSE(stopped["valid"].get<bool>());
  EXPECT_TRUE(stopped["warnings"].empty());
}

TEST(BandPassToleranceCli, TheRunIsItsSeedsWhateverTheThreads) {
  const std::string study = kDesign + "--monte-carlo 300 --seed 5 --worst-case --mask 5k,9.5k,10.5k,20k,1,20 ";
  const ToolResult one = RunDesignTool(study + "--threads 1");
  const ToolResult two = RunDesignTool(study + "--threads 2");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(one.out, two.out);
  const ToolResult other = RunDesignTool(kDesign + "--monte-carlo 300 --seed 6 --mask 5k,9.5k,10.5k,20k,1,20");
  EXPECT_NE(nlohmann::json::parse(one.out)["tolerance"]["stages"],
            nlohmann::json::parse(other.out)["tolerance"]["stages"]);
  // The series design's study too.
  const std::string series = study + "--values series --tol-part R2=0.1 ";
  EXPECT_EQ(RunDesignTool(series + "--threads 1").out, RunDesignTool(series + "--threads 2").out);
}

// Every key path of an object, arrays by their first element.
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

TEST(BandPassToleranceCli, TheToleranceObjectHasTheLowPassKeys) {
  const nlohmann::json lowPass =
      Json("--cutoff 1k --order 4 --topology mfb --json --monte-carlo 200 --worst-case --mask 500,1,5k,20");
  const nlohmann::json bandPass = Json(kDesign + "--monte-carlo 200 --worst-case --mask 5k,9.5k,10.5k,20k,1,20");
  std::set<std::string> lp, bp;
  KeyPaths(lowPass["tolerance"], "tolerance", lp);
  KeyPaths(bandPass["tolerance"], "tolerance", bp);
  // A band-pass design has no -3 dB frequency: those keys are null.
  std::set<std::string> expected;
  for (const std::string& k : lp) {
    if (k.find(".minus3db_hz.") == std::string::npos) expected.insert(k);
  }
  EXPECT_EQ(bp, expected);
  EXPECT_TRUE(bandPass["tolerance"]["minus3db_hz"].is_null());
  EXPECT_TRUE(bandPass["tolerance"]["worst_case"]["minus3db_hz"].is_null());
  EXPECT_EQ(bandPass["tolerance"]["stages"].size(), 2u);
  // The worst case's gains: f0/2, the edges, f0, 2 f0, then fp1 and fp2.
  EXPECT_EQ(bandPass["tolerance"]["worst_case"]["gain_db"].size(), 7u);
}

// A band-pass section's peak is its own gain at its centre (a resonance's
// height above a pass band, 20 log10 Q for these, would mean nothing):
// nominally the closed form of the section's gain, and every trial's
// within its spread.
TEST(BandPassToleranceCli, ASectionsPeakIsItsGainAtItsCentre) {
  const nlohmann::json j = Json(kDesign + "--analysis --monte-carlo 200 --tol-r 1 --tol-c 1");
  ASSERT_EQ(j["stages"].size(), 2u);
  ASSERT_EQ(j["tolerance"]["stages"].size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    const nlohmann::json& peak = j["tolerance"]["stages"][k]["peak_db"];
    const double gainDb = 20 * std::log10(std::fabs(j["stages"][k]["gain"].get<double>()));
    EXPECT_NEAR(peak["nominal"].get<double>(), gainDb, 1e-12) << k;
    EXPECT_LT(peak["min"].get<double>(), gainDb) << k;
    EXPECT_GT(peak["max"].get<double>(), gainDb) << k;
    EXPECT_LT(peak["max"].get<double>() - peak["min"].get<double>(), 1.0) << k;
  }
}

TEST(BandPassToleranceCli, AWideMaskYieldsAllAndAnImpossibleOneNone) {
  const nlohmann::json wide = Json(kDesign + "--monte-carlo 200 --mask 100,9.9k,10.1k,1M,10,20");
  EXPECT_EQ(wide["tolerance"]["yield"]["passed"], 200);
  EXPECT_EQ(wide["tolerance"]["yield"]["ratio"], 1.0);
  EXPECT_TRUE(wide["mask"]["meets"].get<bool>());
  const nlohmann::json none = Json(kDesign + "--monte-carlo 200 --mask 5k,9.1k,11k,20k,0.01,20");
  EXPECT_EQ(none["tolerance"]["yield"]["passed"], 0);
  EXPECT_EQ(none["tolerance"]["yield"]["ratio"], 0.0);
  EXPECT_FALSE(none["mask"]["meets"].get<bool>());
}

TEST(BandPassToleranceCli, PlainTextGivesTheStudysLines) {
  const ToolResult r = RunDesignTool(
      "--kind bpf --order 4 --center 10k --bandwidth 2k --monte-carlo 200 --worst-case --mask 5k,9.5k,10.5k,20k,1,20");
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"Monte Carlo: 200 trials", "stage 2 Q:", "worst case (1024 corners)\n",
                           "worst case gain at 9500 Hz", "yield: "}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
  EXPECT_EQ(r.out.find("-3dB"), std::string::npos) << r.out;
}

TEST(BandPassToleranceCli, UsageErrors) {
  struct Case {
    const char* args;
    const char* says;
  };
  const Case cases[] = {
      {"--stop-after 2", "--stop-after"},
      {"--values series --stop-after 0", "--stop-after"},
      {"--tol-r 1", "--tol-r needs --monte-carlo or --worst-case"},
      {"--worst-case", "--worst-case needs the tolerances"},
      {"--monte-carlo 200 --tol-part R7=1", "--tol-part"},
      {"--monte-carlo 200 --tol-part C5=1 --values series", "--tol-part"},
      {"--monte-carlo 50", "--monte-carlo"},
      {"--monte-carlo 200 --mask 5k,9.5k,10.5k,20k", "fs1,fp1,fp2,fs2,ap,as"},
      {"--monte-carlo 200 --tol-gbw 10", "--tol-gbw"},
      {"--values series --cap-series E5", "--cap-series"},
      {"--values series --r-min 1M --r-max 1k", "--r-min"},
  };
  for (const Case& c : cases) {
    const ToolResult r = RunDesignTool("--kind bpf --order 4 --center 10k --bandwidth 2k " + std::string(c.args));
    EXPECT_EQ(r.status, 2) << c.args << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.find("\n詳しくは")) << c.args << ": " << r.err;  // one line, then the pointer
    EXPECT_TRUE(r.out.empty()) << c.args;
  }
}

}  // namespace
}  // namespace kelvara::tools::test
