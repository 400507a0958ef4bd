// kelvara-design's noise and signal levels: --opamp-en, --opamp-en-corner,
// --opamp-in, --opamp-swing, --opamp-sr, --temperature, --noise with
// --noise-band, --levels and the curves "noise" and "levels"; and the
// exported netlist, whose noise analysis in ngspice gives --noise's numbers.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_checks.h"
#include "response/noise.h"
#include "response/signal_levels.h"
#include "tests/support/ngspice.h"
#include "tests/tools/designer_process.h"

namespace kelvara::tools {
namespace {

// The 5th-order 50 kHz Butterworth LPF of the textbook: 1 nF / 3.16 kohm;
// 820 pF, 1.5 nF / 1.87 kohm, 4.42 kohm; 330 pF, 4.7 nF / 1.47 kohm,
// 4.53 kohm (the feedback capacitor is the larger of each pair).
const std::vector<std::string> kTextbook = {"--cutoff", "50k",      "--order", "5",        "--fix", "R1=3.16k",
                                            "--fix",    "C1=1n",    "--fix",   "R2=1.87k", "--fix", "R3=4.42k",
                                            "--fix",    "C2=1.5n",  "--fix",   "C3=820p",  "--fix", "R4=1.47k",
                                            "--fix",    "R5=4.53k", "--fix",   "C4=4.7n",  "--fix", "C5=330p"};

std::vector<std::string> With(std::vector<std::string> base, const std::vector<std::string>& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

engine::DesignRequest TextbookRequest() {
  return engine::MakeDesignRequest(
      {.orderIndex = 3, .response = engine::kButterworth, .cutoffText = "50k", .anyValues = true});
}

response::OpAmpModel Noisy(double en, double corner, double in) {
  response::OpAmpModel m;
  m.noise.enNvRtHz = en;
  m.noise.enCornerHz = corner;
  m.noise.inPaRtHz = in;
  return m;
}

TEST(NoiseJson, KeysSourcesAndNumbersAreTheLibrarys) {
  const Outcome r = RunDesigner(
      With(kTextbook, {"--json", "--noise", "--opamp-en", "7", "--temperature", "27", "--noise-band", "1,50k"}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  const nlohmann::json& n = j["noise"];
  EXPECT_EQ(Keys(n), (std::vector<std::string>{"band_hz", "contributions", "input_referred_vrms", "temperature_c",
                                               "total_vrms"}));
  EXPECT_EQ(n["temperature_c"].get<double>(), 27.0);
  EXPECT_EQ(n["band_hz"], nlohmann::json::array({1.0, 50000.0}));
  std::vector<std::string> names;
  for (const auto& c : n["contributions"]) {
    EXPECT_EQ(Keys(c), (std::vector<std::string>{"source", "vrms"}));
    names.push_back(c["source"].get<std::string>());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"R1", "R2", "R3", "R4", "R5", "U1 en", "U1 in", "U2 en", "U2 in", "U3 en",
                                             "U3 in"}));
  // in = 0: listed with 0.
  EXPECT_EQ(n["contributions"][6]["vrms"].get<double>(), 0.0);
  const response::OpAmpCircuit c = response::CircuitFromComponents(TextbookRequest(), PartsOf(j));
  const response::NoiseReport report = response::IntegrateNoise(c, Noisy(7, 0, 0), 27, {1, 50e3});
  EXPECT_EQ(n["total_vrms"].get<double>(), report.totalVrms);
  EXPECT_EQ(n["input_referred_vrms"].get<double>(), report.inputReferredVrms);
  for (std::size_t i = 0; i < report.sourceVrms.size(); ++i)
    EXPECT_EQ(n["contributions"][i]["vrms"].get<double>(), report.sourceVrms[i]) << names[i];
  // The low-frequency density: 16.0 nV/rtHz from the resistors alone, 20.1
  // with the three op-amps' 7 nV/rtHz.
  const response::NoiseDensity d = response::NoiseDensityAt(c, Noisy(7, 0, 0), 27, 10);
  double resistors = 0;
  for (int i = 0; i < 5; ++i) resistors += d.sourceVRtHz[i] * d.sourceVRtHz[i];
  EXPECT_NEAR(std::sqrt(resistors) * 1e9, 16.0, 0.05);
  EXPECT_NEAR(d.totalVRtHz * 1e9, 20.1, 0.05);
}

TEST(NoiseJson, DefaultBandAndNoOpAmpNoise) {
  const Outcome r = RunDesigner({"--cutoff", "1k", "--order", "4", "--kind", "hpf", "--json", "--noise"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json n = nlohmann::json::parse(r.out)["noise"];
  EXPECT_EQ(n["temperature_c"].get<double>(), 25.0);
  EXPECT_EQ(n["band_hz"], nlohmann::json::array({100.0, 100000.0}));
  ASSERT_EQ(n["contributions"].size(), 8u);
  for (int i = 4; i < 8; ++i) EXPECT_EQ(n["contributions"][i]["vrms"].get<double>(), 0.0);
  EXPECT_GT(n["total_vrms"].get<double>(), 0.0);
}

TEST(LevelsJson, NullWithoutTheLimitsAndTheLibrarysNumbersWithThem) {
  const std::vector<std::string> base = {"--cutoff", "10k", "--order", "8", "--response", "chebyshev", "--json"};
  const Outcome bare = RunDesigner(With(base, {"--levels"}));
  ASSERT_EQ(bare.exitCode, 0) << bare.err;
  const nlohmann::json l = nlohmann::json::parse(bare.out)["levels"];
  EXPECT_EQ(Keys(l), (std::vector<std::string>{"dynamic_range_db", "limited_by", "max_input_vpp", "slew_max_input_vpp",
                                               "stages", "undistorted_input_vpp"}));
  EXPECT_TRUE(l["max_input_vpp"].is_null());
  EXPECT_TRUE(l["slew_max_input_vpp"].is_null());
  EXPECT_TRUE(l["dynamic_range_db"].is_null());
  ASSERT_EQ(l["stages"].size(), 4u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(Keys(l["stages"][k]), (std::vector<std::string>{"at_hz", "max_gain_db", "stage"}));
    EXPECT_EQ(l["stages"][k]["stage"].get<int>(), k + 1);
  }

  const Outcome full = RunDesigner(With(base, {"--levels", "--noise", "--opamp-gbw", "10M", "--opamp-en", "5",
                                               "--opamp-swing", "26", "--opamp-sr", "2.8"}));
  ASSERT_EQ(full.exitCode, 0) << full.err;
  const nlohmann::json j = nlohmann::json::parse(full.out);
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.orderIndex = 6, .response = engine::kChebyshev, .cutoffText = "10k", .anyValues = true});
  response::OpAmpModel m = Noisy(5, 0, 0);
  m.ideal = false;
  m.gbwHz = 10e6;
  m.limits.swingVpp = 26;
  m.limits.slewVPerUs = 2.8;
  const response::OpAmpCircuit c = response::CircuitFromComponents(request, PartsOf(j));
  const response::NoiseBand band = response::DefaultNoiseBand(request);
  const response::NoiseReport noise = response::IntegrateNoise(c, m, 25, band);
  const response::LevelReport levels = response::AnalyseLevels(c, m, band, noise.totalVrms);
  EXPECT_EQ(j["levels"]["max_input_vpp"].get<double>(), *levels.maxInputVpp);
  EXPECT_EQ(j["levels"]["slew_max_input_vpp"].get<double>(), *levels.slewMaxInputVpp);
  EXPECT_EQ(j["levels"]["dynamic_range_db"].get<double>(), *levels.dynamicRangeDb);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(j["levels"]["stages"][k]["max_gain_db"].get<double>(), levels.stages[k].maxGainDb);
    EXPECT_EQ(j["levels"]["stages"][k]["at_hz"].get<double>(), levels.stages[k].atHz);
  }
  // The high-Q last stage peaks well above the filter's 0 dB.
  EXPECT_GT(levels.stages[3].maxGainDb, 0.0);
  EXPECT_LT(*levels.maxInputVpp, 26.0);
}

TEST(NoiseCurves, HeadersAndColumnsAsAgreed) {
  const Outcome noise = RunDesigner(With(kTextbook, {"--curve", "noise", "--opamp-en", "7", "--points", "5"}));
  ASSERT_EQ(noise.exitCode, 0) << noise.err;
  std::istringstream in(noise.out);
  std::string header;
  std::getline(in, header);
  EXPECT_EQ(header,
            "frequency_hz,total_nv_rthz,R1_nv_rthz,R2_nv_rthz,R3_nv_rthz,R4_nv_rthz,R5_nv_rthz,U1_en_nv_rthz,"
            "U1_in_nv_rthz,U2_en_nv_rthz,U2_in_nv_rthz,U3_en_nv_rthz,U3_in_nv_rthz");
  int rows = 0;
  for (std::string line; std::getline(in, line);) {
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 12) << line;
    ++rows;
  }
  EXPECT_EQ(rows, 5);

  const Outcome levels = RunDesigner(
      {"--cutoff", "1k", "--order", "6", "--curve", "levels", "--from", "10", "--to", "100k", "--points", "7"});
  ASSERT_EQ(levels.exitCode, 0) << levels.err;
  std::istringstream lin(levels.out);
  std::getline(lin, header);
  EXPECT_EQ(header, "frequency_hz,U1_db,U2_db,U3_db");
  int lrows = 0;
  for (std::string line; std::getline(lin, line);) ++lrows;
  EXPECT_EQ(lrows, 7);
}

struct UsageCase {
  std::vector<std::string> args;
  std::string mentions;
};

class NoiseUsage : public ::testing::TestWithParam<UsageCase> {};

// Refused before anything is printed, whichever report asks for the noise
// options: the plain design with --levels printed its parts and then
// failed on --noise-band (found by the argument fuzzer).
TEST_P(NoiseUsage, RefusedWithTheOptionNamed) {
  const std::vector<std::vector<std::string>> asks = {
      {"--json", "--noise"}, {"--noise"}, {"--levels"}, {"--json", "--levels"}, {}};
  for (const std::vector<std::string>& ask : asks) {
    std::vector<std::string> args = {"--cutoff", "1k"};
    args.insert(args.end(), ask.begin(), ask.end());
    const Outcome r = RunDesigner(With(args, GetParam().args));
    EXPECT_EQ(r.exitCode, 2) << ::testing::PrintToString(ask);
    EXPECT_NE(r.err.find(GetParam().mentions), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << ::testing::PrintToString(ask) << r.out;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Options, NoiseUsage,
    ::testing::Values(
        UsageCase{{"--opamp-en", "abc"}, "--opamp-en"}, UsageCase{{"--opamp-en", "-1"}, "--opamp-en"},
        UsageCase{{"--opamp-en-corner", "-5"}, "--opamp-en-corner"}, UsageCase{{"--opamp-in", "x"}, "--opamp-in"},
        UsageCase{{"--opamp-swing", "0"}, "--opamp-swing"}, UsageCase{{"--opamp-sr", "fast"}, "--opamp-sr"},
        UsageCase{{"--temperature", "-300"}, "--temperature"}, UsageCase{{"--noise-band", "1"}, "--noise-band"},
        UsageCase{{"--noise-band", "10k,1k"}, "--noise-band"}, UsageCase{{"--noise-band", "0,1k"}, "--noise-band"},
        UsageCase{{"--noise-band", "1,2,3"}, "--noise-band"}, UsageCase{{"--supply", "0"}, "--supply"},
        UsageCase{{"--supply=-15"}, "--supply"}, UsageCase{{"--single-supply", "0"}, "--single-supply"},
        UsageCase{{"--single-supply=-5"}, "--single-supply"}, UsageCase{{"--single-supply", "five"}, "--single-supply"},
        UsageCase{{"--supply", "15", "--single-supply", "5"}, "--single-supply"},
        UsageCase{{"--opamp-headroom-pos=-1"}, "--opamp-headroom-pos"},
        UsageCase{{"--opamp-headroom-neg", "x"}, "--opamp-headroom-neg"},
        UsageCase{{"--supply", "1e308"}, "at most 1000 V"}, UsageCase{{"--single-supply", "2k"}, "at most 1000 V"},
        UsageCase{{"--supply", "15", "--opamp-headroom-pos", "1e300"}, "at most 1000 V"},
        UsageCase{{"--single-supply", "5", "--opamp-headroom-pos", "3"}, "leaves the supply no output swing"},
        UsageCase{{"--supply", "5", "--opamp-headroom-neg", "6"}, "--opamp-headroom-neg '6' leaves"}));

// Where the filter clips on a 5 V single supply: the part's headroom to the
// rails about the mid-rail bias gives the swing (OP27: 1.2 V to each rail,
// 2 (2.5 - 1.2) = 2.6 Vpp by hand), a given swing overrides it, and the JSON
// and the text say which one was used.
TEST(LevelsSupply, TheSwingFollowsFromTheRails) {
  const std::vector<std::string> base = {"--cutoff", "10k", "--order", "8", "--response", "chebyshev", "--levels"};
  const Outcome single = RunDesigner(With(base, {"--json", "--opamp", "OP27", "--single-supply", "5"}));
  ASSERT_EQ(single.exitCode, 0) << single.err;
  const nlohmann::json j = nlohmann::json::parse(single.out);
  EXPECT_EQ(Keys(j["swing"]), (std::vector<std::string>{"from", "supply", "vpp"}));
  EXPECT_NEAR(j["swing"]["vpp"].get<double>(), 2.6, 1e-12);
  EXPECT_EQ(j["swing"]["from"], "supply");
  const nlohmann::json& supply = j["swing"]["supply"];
  EXPECT_EQ(supply["kind"], "single");
  EXPECT_EQ(supply["positive_v"].get<double>(), 5.0);
  EXPECT_EQ(supply["negative_v"].get<double>(), 0.0);
  EXPECT_EQ(supply["bias_v"].get<double>(), 2.5);
  EXPECT_EQ(supply["headroom_pos_v"].get<double>(), 1.2);
  EXPECT_EQ(supply["headroom_neg_v"].get<double>(), 1.2);
  // The largest input is that swing over the highest op-amp gain.
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.orderIndex = 6, .response = engine::kChebyshev, .cutoffText = "10k", .anyValues = true});
  response::OpAmpModel m;
  m.ideal = false;
  m.gbwHz = 8e6;
  m.a0Db = 125.1;
  m.routOhm = 70;
  m.limits.swingVpp = j["swing"]["vpp"].get<double>();
  const response::OpAmpCircuit c = response::CircuitFromComponents(request, PartsOf(j));
  const response::LevelReport levels = response::AnalyseLevels(c, m, response::DefaultNoiseBand(request), 0);
  EXPECT_EQ(j["levels"]["max_input_vpp"].get<double>(), *levels.maxInputVpp);

  const Outcome both = RunDesigner(With(base, {"--json", "--supply", "15", "--opamp", "OP27"}));
  ASSERT_EQ(both.exitCode, 0) << both.err;
  const nlohmann::json s = nlohmann::json::parse(both.out)["swing"];
  EXPECT_NEAR(s["vpp"].get<double>(), 27.6, 1e-12);
  EXPECT_EQ(s["supply"]["kind"], "symmetric");
  EXPECT_EQ(s["supply"]["negative_v"].get<double>(), -15.0);

  const Outcome given =
      RunDesigner(With(base, {"--json", "--opamp", "OP27", "--single-supply", "5", "--opamp-swing", "2"}));
  ASSERT_EQ(given.exitCode, 0) << given.err;
  const nlohmann::json g = nlohmann::json::parse(given.out)["swing"];
  EXPECT_EQ(g["vpp"].get<double>(), 2.0);
  EXPECT_EQ(g["from"], "given");

  // Without a supply the part's own swing is the one given.
  const Outcome none = RunDesigner(With(base, {"--json", "--opamp", "OP27"}));
  const nlohmann::json n = nlohmann::json::parse(none.out)["swing"];
  EXPECT_EQ(n["vpp"].get<double>(), 27.6);
  EXPECT_EQ(n["from"], "given");
  EXPECT_TRUE(n["supply"].is_null());
  const Outcome bare = RunDesigner(With(base, {"--json"}));
  EXPECT_TRUE(nlohmann::json::parse(bare.out)["swing"]["from"].is_null());

  const Outcome text = RunDesigner(With(base, {"--opamp", "OP27", "--single-supply", "5"}));
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("swing used = 2.6 Vpp (from the single supply 0 V to 5 V, signal at 2.5 V, headroom 1.2 V "
                          "to the positive rail and 1.2 V to the negative)\n"),
            std::string::npos)
      << text.out;
  const Outcome typed = RunDesigner(With(base, {"--opamp-swing", "10", "--supply", "5"}));
  EXPECT_NE(typed.out.find("swing used = 10 Vpp (as given)\n"), std::string::npos) << typed.out;
}

// The exported netlist with the op-amp's noise: ngspice's noise analysis of
// it over the band (whole decades, so that its sweep ends at the band's
// end) gives --noise's total and R1's part within 0.5 %.
TEST(NoiseNetlist, NgspiceNoiseOfTheExportedNetlistEqualsTheToolsNoise) {
  if (!kelvara::test::NgspiceAvailable()) GTEST_SKIP() << kelvara::test::kNgspiceMissing;
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  struct Case {
    std::vector<std::string> args;
  };
  const std::vector<Case> cases = {
      {With(kTextbook, {"--opamp-en", "7", "--temperature", "27", "--noise-band", "1,100k"})},
      {With(kTextbook, {"--opamp-en", "4", "--opamp-en-corner", "2k", "--opamp-in", "1.5", "--opamp-gbw", "10M",
                        "--opamp-rout", "50", "--temperature", "85", "--noise-band", "10,100k"})},
      {{"--cutoff", "1k", "--order", "6", "--kind", "hpf", "--response", "chebyshev", "--opamp-en", "10", "--opamp-in",
        "2", "--opamp-gbw", "1M", "--temperature", "-20"}},
  };
  for (const Case& c : cases) {
    const std::string cir = (dir.path() + "/noise.cir").toStdString();
    const Outcome r = RunDesigner(With(c.args, {"--json", "--noise", "--spice", cir}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json n = nlohmann::json::parse(r.out)["noise"];
    std::ifstream f(cir);
    std::stringstream deck;
    deck << f.rdbuf();
    const double lo = n["band_hz"][0].get<double>(), hi = n["band_hz"][1].get<double>();
    const auto run = kelvara::test::RunNgspice(
        deck.str(), "noise v(out) V1 dec 200 " + std::to_string(lo) + " " + std::to_string(hi) +
                        " 1\nsetplot noise2\nset appendwrite\nwrdata @OUT@ onoise_total onoise_total_r1");
    ASSERT_TRUE(run.ok) << run.log;
    ASSERT_GE(run.rows.size(), 1u);
    const double total = n["total_vrms"].get<double>();
    EXPECT_NEAR(run.rows[0][1], total, 5e-3 * total) << deck.str();
    const double r1 = n["contributions"][0]["vrms"].get<double>();
    EXPECT_NEAR(run.rows[0][3], r1, 5e-3 * r1);
  }
}

}  // namespace
}  // namespace kelvara::tools
