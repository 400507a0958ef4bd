// kelvara-design --kind bpf from the outside: the JSON of a band-pass
// design, its sections and summary, its netlist, and the usage errors.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/tools/run_tool.h"

namespace kelvara::tools::test {
namespace {

TEST(BandPassCli, JsonDescribesTheDesignItsSectionsAndItsBand) {
  const ToolResult r =
      RunDesignTool("--kind bpf --order 4 --center 10k --bandwidth 2k --gain 10 --json --analysis --noise --levels");
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["kind"], "bpf");
  EXPECT_EQ(j["topology"], "mfb");
  EXPECT_EQ(j["center_hz"], 10000.0);
  EXPECT_EQ(j["bandwidth_hz"], 2000.0);
  EXPECT_EQ(j["gain"], 10.0);  // two inverting sections
  EXPECT_FALSE(j["inverting"].get<bool>());
  EXPECT_EQ(j["parts"].size(), 10u);  // R1..R6, C1..C4
  ASSERT_EQ(j["stages"].size(), 2u);
  for (const auto& s : j["stages"]) {
    for (const char* key : {"f0_target_hz", "q_target", "f0_hz", "q", "gain"}) EXPECT_TRUE(s[key].is_number()) << key;
    EXPECT_NEAR(s["f0_hz"].get<double>() / s["f0_target_hz"].get<double>(), 1.0, 1e-12);
    EXPECT_NEAR(s["q"].get<double>() / s["q_target"].get<double>(), 1.0, 1e-12);
    EXPECT_EQ(s["topology"], "mfb");
  }
  // The band edges at -3 dB: 2 kHz apart around the geometric centre.
  const nlohmann::json& sum = j["summary"];
  EXPECT_NEAR(sum["bandwidth_hz"].get<double>(), 2000.0, 1e-6);
  EXPECT_NEAR(sum["lower_edge_hz"].get<double>() * sum["upper_edge_hz"].get<double>(), 1e8, 1e-1);
  EXPECT_NEAR(sum["center_gain_db"].get<double>(), 20.0, 1e-9);
  EXPECT_EQ(sum["cutoff_definition"], "-3 dB");
  EXPECT_TRUE(sum["ripple_db"].is_null());
  // Noise over a decade either side of the centre; a level at every output.
  EXPECT_EQ(j["noise"]["band_hz"], (nlohmann::json{1000.0, 100000.0}));
  EXPECT_EQ(j["levels"]["stages"].size(), 2u);
}

TEST(BandPassCli, AChebyshevNamesItsRippleAndTheNetlistIsWritten) {
  const std::string file = ::testing::TempDir() + "kelvara_bpf.cir";
  const ToolResult r = RunDesignTool(
      "--kind bpf --order 6 --center 1k --bandwidth 300 --response chebyshev "
      "--ripple 0.5 --json --analysis --spice " +
      file);
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["ripple_db"], 0.5);
  EXPECT_NEAR(j["summary"]["ripple_db"].get<double>(), 0.5, 1e-9);
  EXPECT_NEAR(j["summary"]["bandwidth_hz"].get<double>(), 300.0, 1e-6);
  EXPECT_EQ(j["gain"], -1.0);  // three inverting sections
  std::ifstream in(file);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(".ac"), std::string::npos) << text;
}

TEST(BandPassCli, AMaskGivesItsMarginsAndVerdict) {
  const ToolResult met =
      RunDesignTool("--kind bpf --order 4 --center 10k --bandwidth 2k --mask 5k,9.1k,11k,20k,3,30 --json");
  ASSERT_EQ(met.status, 0) << met.err;
  const nlohmann::json j = nlohmann::json::parse(met.out)["mask"];
  EXPECT_TRUE(j["meets"].get<bool>());
  EXPECT_GT(j["margin_pass_db"].get<double>(), 0);
  EXPECT_GT(j["margin_stop_db"].get<double>(), 0);
  const ToolResult wide =
      RunDesignTool("--kind bpf --order 4 --center 10k --bandwidth 2k --mask 5k,8k,12k,20k,3,30 --json");
  EXPECT_FALSE(nlohmann::json::parse(wide.out)["mask"]["meets"].get<bool>());
}

TEST(BandPassCli, AFixedCapacitorSetsItsSectionsPairAndTheResistorsFollow) {
  const ToolResult r =
      RunDesignTool("--kind bpf --order 4 --center 10k --bandwidth 2k --fix C3=4.7n --json --analysis");
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_DOUBLE_EQ(j["parts"]["C3"].get<double>(), 4.7e-9);  // as 4.7n reads
  EXPECT_EQ(j["parts"]["C4"], j["parts"]["C3"]);
  EXPECT_EQ(j["parts"]["C1"], j["parts"]["C2"]);  // the other section as designed freely
  for (const auto& s : j["stages"]) {
    EXPECT_NEAR(s["f0_hz"].get<double>() / s["f0_target_hz"].get<double>(), 1.0, 1e-12);
    EXPECT_NEAR(s["q"].get<double>() / s["q_target"].get<double>(), 1.0, 1e-12);
    EXPECT_NEAR(s["gain"].get<double>() / s["gain_target"].get<double>(), 1.0, 1e-12);
  }
}

TEST(BandPassCli, UsageErrors) {
  struct Case {
    const char* args;
    const char* says;
  };
  const Case cases[] = {
      {"--kind bpf --order 3 --center 1k --bandwidth 100", "even order"},
      {"--kind bpf --order 4 --bandwidth 100", "--center is required"},
      {"--kind bpf --order 4 --center 1k", "--bandwidth is required"},
      {"--kind bpf --order 4 --cutoff 1k --center 1k --bandwidth 100", "--cutoff"},
      {"--kind lpf --cutoff 1k --center 1k", "--kind bpf"},
      {"--kind bpf --order 4 --center 1k --bandwidth 0", "--bandwidth"},
      {"--kind bpf --order 4 --center x --bandwidth 100", "--center"},
      {"--kind bpf --order 4 --center 1k --bandwidth 100 --topology sallen-key", "mfb"},
      {"--kind bpf --order 4 --center 1k --bandwidth 100 --gain 5000", "--gain"},
      {"--kind bpf --order 6 --center 1k --bandwidth 100 --response linkwitz-riley", "order 4 or 8"},
      {"--kind bpf --order 4 --center 1k --bandwidth 100 --values series --stage-gains 1,1", "not available yet"},
      {"--kind bpf --order 4 --center 1k --bandwidth 100 --fix R1=1k", "fixes its capacitors (C1..C4)"},
      {"--kind bpf --order 4 --center 1k --bandwidth 100 --fix C5=1n", "fixes its capacitors (C1..C4)"},
      {"--kind bpf --order 4 --center 1k --bandwidth 100 --fix C1=1n --fix C2=2n", "are equal"},
      {"--kind bpf --order 4 --center 1k --bandwidth 100 --fix C1=0", "above 0"},
      {"--kind bpf --order 4 --center 10k --bandwidth 2k --mask 9k,5k,11k,20k,3,30", "in order"},
      {"--kind bpf --order 4 --center 10k --bandwidth 2k --mask 5k,9k,11k,20k,30,3", "in order"},
      {"--kind bpf --order 4 --center 10k --bandwidth 2k --mask 5k,9k,11k,20k,x,3", "fs1,fp1,fp2,fs2,ap,as"},
      {"--kind lpf --cutoff 1k --mask 5k,9k,11k,20k,3,30", "--kind bpf"},
      {"--kind bpf --order 4 --center 1k --bandwidth 1G", "outside 1 Hz to 100 MHz"},
      {"--kind bpf --order 4 --center 100M --bandwidth 1", "a thousandth of the centre"},
      {"--kind bpf --order 4 --center 200M --bandwidth 1M", "--center"},
  };
  for (const Case& c : cases) {
    const ToolResult r = RunDesignTool(c.args);
    EXPECT_EQ(r.status, 2) << c.args << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
    EXPECT_TRUE(r.out.empty()) << c.args;
  }
}

TEST(BandPassCli, AGainTheSectionsCannotReachIsAnInvalidDesign) {
  const ToolResult r = RunDesignTool("--kind bpf --order 2 --center 1k --bandwidth 500 --gain 1000 --json");
  EXPECT_EQ(r.status, 1) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_FALSE(j["valid"].get<bool>());
  ASSERT_EQ(j["warnings"].size(), 1u);
}

}  // namespace
}  // namespace kelvara::tools::test
