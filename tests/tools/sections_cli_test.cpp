// kelvara-design's --topology, --gain, --stage-gains and --stage-order:
// the sheet's circuit at gain 1 is designed as without them, every other
// choice exactly as sections (their JSON, their fixed parts, their
// netlist in ngspice), and what the design cannot take is a usage error.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ngspice.h"
#include "tests/tools/designer_process.h"

namespace kelvara::tools {
namespace {

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  std::string firstLine;  // the usage error's first line begins so
};

class SectionsUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(SectionsUsage, IsAUsageError) {
  const UsageCase& c = GetParam();
  std::vector<std::string> args{"--cutoff", "1k"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  const Outcome r = RunDesigner(args);
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_EQ(r.err.rfind("kelvara-design: " + c.firstLine, 0), 0u) << r.err;
  // One line of its own, then the tool's pointer to --help.
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
  EXPECT_TRUE(r.err.ends_with("\n詳しくは --help\n")) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Sections, SectionsUsage,
    ::testing::Values(
        UsageCase{"GainAbove", {"--topology", "mfb", "--gain", "2000"}, "--gain: 2000 is not in 0.1..1000"},
        UsageCase{"GainBelow", {"--topology", "mfb", "--gain", "0.05"}, "--gain: 0.05 is not in 0.1..1000"},
        UsageCase{"GainNotANumber", {"--gain", "ten"}, "--gain expects a number in V/V, got 'ten'"},
        UsageCase{"StageGainsCount",
                  {"--topology", "mfb", "--order", "4", "--stage-gains", "2,3,4"},
                  "--stage-gains: 3 gains for the 2 stages of order 4"},
        UsageCase{"StageGainsProduct",
                  {"--order", "4", "--gain", "10", "--stage-gains", "2,3"},
                  "--stage-gains: their product 6 is not --gain 10"},
        UsageCase{"StageGainsText", {"--stage-gains", "2,,3"}, "--stage-gains expects G1,G2,..."},
        UsageCase{"UnknownPart",
                  {"--topology", "mfb", "--order", "4", "--fix", "R7=1k"},
                  "--fix: unknown part 'R7' (this design has R1 R2 R3 R4 R5 R6 C1 C2 C3 C4)"},
        UsageCase{
            "UnknownPartWithGain", {"--order", "3", "--gain", "10", "--fix", "C4=1n"}, "--fix: unknown part 'C4'"},
        UsageCase{"BadFixValue", {"--topology", "mfb", "--fix", "R1=abc"}, "--fix: 'R1=abc' needs a value above 0"},
        UsageCase{"SallenKeyBelowOne", {"--gain", "0.5"}, "--gain: a Sallen-Key stage's gain 1 + Rf/Rg is at least 1"},
        UsageCase{"ToleranceOfAPartTheDesignHasNot",
                  {"--topology", "mfb", "--order", "8", "--monte-carlo", "100", "--tol-part", "R13=1"},
                  "--tol-part: 部品名 R13 はこの設計にありません"},
        UsageCase{"UnknownTopology", {"--topology", "twin-t"}, "--topology"},
        UsageCase{"UnknownStageOrder", {"--stage-order", "random"}, "--stage-order"}),
    [](const ::testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

// The sheet's circuit at gain 1 is the design without the options, byte
// for byte.
TEST(SectionsCli, TheSheetsCircuitAtGainOneIsAsBefore) {
  const std::vector<std::vector<std::string>> designs = {
      {"--cutoff", "1k", "--order", "4", "--json", "--analysis"},
      {"--cutoff", "4.7k", "--kind", "hpf", "--order", "5"},
      {"--cutoff", "10k", "--order", "3", "--values", "series", "--json"},
  };
  for (const auto& args : designs) {
    const Outcome before = RunDesigner(args);
    std::vector<std::string> with = args;
    with.insert(with.end(), {"--topology", "sallen-key", "--gain", "1"});
    const Outcome after = RunDesigner(with);
    EXPECT_EQ(after.exitCode, before.exitCode);
    EXPECT_EQ(after.out, before.out);
    EXPECT_EQ(after.err, before.err);
  }
}

// At gain 1 the sections' design of the Sallen-Key family is the sheet's.
TEST(SectionsCli, UnityGainSectionsAreTheSheetsDesign) {
  for (const std::string kind : {"lpf", "hpf"}) {
    for (const int order : {4, 5}) {
      const std::vector<std::string> base{"--cutoff", "2.2k", "--kind", kind, "--order", std::to_string(order),
                                          "--json"};
      const Outcome sheet = RunDesigner(base);
      std::vector<std::string> args = base;
      args.insert(args.end(), {"--stage-order", "ascending-q"});
      const Outcome sections = RunDesigner(args);
      ASSERT_EQ(sheet.exitCode, 0);
      ASSERT_EQ(sections.exitCode, 0) << sections.err;
      const nlohmann::json a = nlohmann::json::parse(sheet.out), b = nlohmann::json::parse(sections.out);
      EXPECT_EQ(a["parts"], b["parts"]) << kind << order;
      EXPECT_EQ(b["topology"], "sallen-key");
      EXPECT_EQ(b["gain"], 1.0);
      EXPECT_NEAR(b["minus3db_hz"].get<double>() / a["minus3db_hz"].get<double>(), 1.0, 1e-9);
    }
  }
}

struct JsonCase {
  const char* name;
  std::vector<std::string> args;
  std::string topology;
  double gain;  // signed
  std::vector<std::string> stageTopologies;
};

class SectionsJson : public ::testing::TestWithParam<JsonCase> {};

TEST_P(SectionsJson, DescribesTheDesign) {
  const JsonCase& c = GetParam();
  std::vector<std::string> args{"--json", "--analysis"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  const Outcome r = RunDesigner(args);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["valid"], true);
  EXPECT_TRUE(j["warnings"].empty());
  EXPECT_EQ(j["topology"], c.topology);
  EXPECT_NEAR(j["gain"].get<double>() / c.gain, 1.0, 1e-12);
  EXPECT_EQ(j["inverting"], c.gain < 0);
  EXPECT_GT(j["minus3db_hz"].get<double>(), 0.0);
  ASSERT_EQ(j["stages"].size(), c.stageTopologies.size());
  std::size_t partCount = 0;
  double product = 1;
  for (std::size_t k = 0; k < c.stageTopologies.size(); ++k) {
    const nlohmann::json& s = j["stages"][k];
    EXPECT_EQ(s["topology"], c.stageTopologies[k]) << k;
    EXPECT_NEAR(s["f0_hz"].get<double>() / s["f0_target_hz"].get<double>(), 1.0, 1e-12);
    if (s["order"] == 2) {
      EXPECT_NEAR(s["q"].get<double>() / s["q_target"].get<double>(), 1.0, 1e-12);
    } else {
      EXPECT_TRUE(s["q"].is_null());
    }
    EXPECT_NEAR(s["gain"].get<double>() / s["gain_target"].get<double>(), 1.0, 1e-12);
    product *= s["gain"].get<double>();
    for (const auto& name : s["parts"]) {
      EXPECT_TRUE(j["parts"].contains(name.get<std::string>())) << name;
      EXPECT_GT(j["parts"][name.get<std::string>()].get<double>(), 0.0);
    }
    partCount += s["parts"].size();
  }
  EXPECT_EQ(j["parts"].size(), partCount);
  EXPECT_NEAR(product / j["gain"].get<double>(), 1.0, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, SectionsJson,
    ::testing::Values(
        JsonCase{"Mfb4Gain10",
                 {"--topology", "mfb", "--kind", "lpf", "--order", "4", "--cutoff", "10k", "--gain", "10"},
                 "mfb",
                 10,
                 {"mfb", "mfb"}},
        JsonCase{"Mfb5Gain10",
                 {"--topology", "mfb", "--order", "5", "--cutoff", "10k", "--gain", "10"},
                 "mfb",
                 -10,
                 {"rc-inverting", "mfb", "mfb"}},
        JsonCase{"MfbHpf3StageGains",
                 {"--topology", "mfb", "--kind", "hpf", "--order", "3", "--cutoff", "1k", "--stage-gains", "0.5,40"},
                 "mfb",
                 20,
                 {"rc-inverting", "mfb"}},
        JsonCase{"SallenKey6Gain100",
                 {"--order", "6", "--response", "chebyshev", "--cutoff", "3k", "--gain", "100"},
                 "sallen-key",
                 100,
                 {"sallen-key-gain", "sallen-key-gain", "sallen-key-gain"}},
        JsonCase{"SallenKeyHpf5Descending",
                 {"--kind", "hpf", "--order", "5", "--cutoff", "500", "--stage-gains", "1,2,5", "--stage-order",
                  "descending-q"},
                 "sallen-key",
                 10,
                 {"sallen-key", "sallen-key-gain", "rc-gain"}}),
    [](const ::testing::TestParamInfo<JsonCase>& info) { return std::string(info.param.name); });

// The order of the stages changes neither the filter's response nor its
// -3 dB frequency (ideal op-amps), for any circuit and an odd order too.
TEST(SectionsCli, TheOrderOfTheStagesKeepsTheResponse) {
  const std::vector<std::vector<std::string>> designs = {
      {"--order", "5"},
      {"--order", "7", "--response", "chebyshev", "--gain", "10"},
      {"--topology", "mfb", "--kind", "hpf", "--order", "5", "--gain", "10"},
  };
  for (const auto& design : designs) {
    double minus3db[2] = {0, 0};
    for (const int i : {0, 1}) {
      std::vector<std::string> args{"--cutoff", "1k", "--json", "--stage-order",
                                    i == 0 ? "ascending-q" : "descending-q"};
      args.insert(args.end(), design.begin(), design.end());
      const Outcome r = RunDesigner(args);
      ASSERT_EQ(r.exitCode, 0) << r.err;
      const nlohmann::json j = nlohmann::json::parse(r.out);
      ASSERT_TRUE(j["minus3db_hz"].is_number()) << r.out;
      minus3db[i] = j["minus3db_hz"].get<double>();
    }
    // To the cut-off search's last step.
    EXPECT_NEAR(minus3db[1], minus3db[0], 0.02) << design[1];
  }
}

TEST(SectionsCli, StagesFollowTheirOrderOfQ) {
  for (const std::string order : {"ascending-q", "descending-q"}) {
    const Outcome r = RunDesigner({"--topology", "mfb", "--order", "8", "--response", "chebyshev", "--cutoff", "1k",
                                   "--gain", "10", "--stage-order", order, "--json", "--analysis"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["stage_order"], order);
    for (std::size_t k = 1; k < j["stages"].size(); ++k) {
      const double before = j["stages"][k - 1]["q_target"], now = j["stages"][k]["q_target"];
      EXPECT_TRUE(order == "ascending-q" ? now > before : now < before) << k;
    }
  }
}

// Fixed capacitors are kept and the resistors meet the stage; a ratio too
// small for the Q is refused (exit 1) with a warning naming the stage.
TEST(SectionsCli, FixedPartsAreKeptOrTheStageRefused) {
  const std::vector<std::string> base{"--topology", "mfb",    "--order", "4",      "--cutoff",
                                      "10k",        "--gain", "10",      "--json", "--analysis"};
  std::vector<std::string> args = base;
  args.insert(args.end(), {"--fix", "C3=100n", "--fix", "C4=1n", "--fix", "R1=2.2k"});
  const Outcome ok = RunDesigner(args);
  ASSERT_EQ(ok.exitCode, 0) << ok.err;
  const nlohmann::json j = nlohmann::json::parse(ok.out);
  // As the fixed texts read.
  EXPECT_DOUBLE_EQ(j["parts"]["C3"].get<double>(), 100e-9);
  EXPECT_DOUBLE_EQ(j["parts"]["C4"].get<double>(), 1e-9);
  EXPECT_DOUBLE_EQ(j["parts"]["R1"].get<double>(), 2200.0);
  for (const auto& s : j["stages"]) EXPECT_NEAR(s["q"].get<double>() / s["q_target"].get<double>(), 1.0, 1e-12);

  args = base;
  args.insert(args.end(), {"--fix", "C3=10n", "--fix", "C4=1n"});
  const Outcome refused = RunDesigner(args);
  EXPECT_EQ(refused.exitCode, 1);
  const nlohmann::json k = nlohmann::json::parse(refused.out);
  EXPECT_EQ(k["valid"], false);
  ASSERT_EQ(k["warnings"].size(), 1u);
  EXPECT_EQ(k["warnings"][0]["caption"], "C3, C4 は設定不能な値");
  EXPECT_NE(k["warnings"][0]["text"].get<std::string>().find("第2段"), std::string::npos);
  EXPECT_TRUE(k["minus3db_hz"].is_null());
  EXPECT_NE(refused.err.find("C3, C4 は設定不能な値: 第2段"), std::string::npos) << refused.err;
}

TEST(SectionsCli, PlainTextListsThePartsWithTheirRoles) {
  const Outcome r =
      RunDesigner({"--topology", "mfb", "--order", "2", "--cutoff", "1k", "--gain", "2", "--fix", "C2=10n"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::istringstream lines(r.out);
  std::vector<std::string> heads;
  for (std::string line; std::getline(lines, line);) heads.push_back(line.substr(0, line.find(" = ")));
  EXPECT_EQ(heads, (std::vector<std::string>{"R1", "R2", "R3", "C1", "C2", "gain", "-3dB"}));
  EXPECT_NE(r.out.find("C2 = 10000p (Cf)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("gain = -2\n"), std::string::npos) << r.out;
}

// The netlist of --spice runs in ngspice with the design's pass-band gain.
TEST(SectionsCli, TheNetlistRunsInNgspiceWithTheGain) {
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  struct Row {
    std::vector<std::string> args;
    double gain;  // signed, at the low end (LPF) or the high end (HPF) of the sweep
    bool atLowEnd;
  };
  const Row rows[] = {
      {{"--topology", "mfb", "--order", "5", "--gain", "100"}, -100, true},
      {{"--kind", "hpf", "--order", "4", "--gain", "10"}, 10, false},
  };
  for (const Row& row : rows) {
    const std::string file = QDir(dir.path()).filePath("filter.cir").toStdString();
    std::vector<std::string> args{"--cutoff", "1k", "--spice", file, "--ac-from", "1", "--ac-to", "1M"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const Outcome r = RunDesigner(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    const auto run = test::RunNgspice(text.str(), "run\nwrdata @OUT@ vr(out) vi(out)");
    ASSERT_TRUE(run.ok) << run.log;
    const auto& end = row.atLowEnd ? run.rows.front() : run.rows.back();
    const std::complex<double> h(end[1], end[3]);
    EXPECT_NEAR(h.real() / row.gain, 1.0, 1e-4);
    EXPECT_NEAR(h.imag() / row.gain, 0.0, 1e-2);
  }
}

TEST(SectionsCli, NoiseOfAnMfbDesignNamesItsParts) {
  const Outcome r = RunDesigner(
      {"--topology", "mfb", "--order", "3", "--cutoff", "1k", "--gain", "10", "--noise", "--opamp-en", "10", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_GT(j["noise"]["total_vrms"].get<double>(), 0.0);
  std::vector<std::string> sources;
  for (const auto& c : j["noise"]["contributions"]) sources.push_back(c["source"]);
  EXPECT_EQ(sources.front(), "R1");
  EXPECT_NE(std::find(sources.begin(), sources.end(), "R5"), sources.end());
}

// The levels at every op-amp output: the last one's highest gain is the
// filter's pass-band gain (a Butterworth response does not rise above it).
TEST(SectionsCli, LevelsOfAGainDesignAreAtEveryOutput) {
  for (const std::string topology : {"mfb", "sallen-key"}) {
    const Outcome r = RunDesigner({"--topology", topology, "--order", "5", "--cutoff", "1k", "--gain", "100",
                                   "--levels", "--supply", "15", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["levels"]["stages"].size(), 3u);
    EXPECT_NEAR(j["levels"]["stages"][2]["max_gain_db"].get<double>(), 40.0, 0.01) << topology;
    EXPECT_NEAR(j["levels"]["max_input_vpp"].get<double>(), 0.3, 0.001) << topology;
    EXPECT_EQ(j["swing"]["vpp"], 30.0);
  }
}

// Each stage's highest output level: a Butterworth's outputs of equal stage
// gains hold their cumulative gain at DC (low-pass; the stage tables' five
// digits leave a peak of a few 1e-6 dB) or far above (high-pass, within
// 1e-4 dB of it at the end of the search); a band-pass filter's first output
// peaks at its section's centre with the section's gain (its closed form),
// its last at the filter's centre with the filter's gain.
TEST(SectionsCli, EveryStageGivesItsHighestOutputLevel) {
  constexpr double kSectionPeak = -2;  // the section's own gain at its own f0
  struct Row {
    std::vector<std::string> args;
    std::vector<std::pair<double, double>> peaks;  // dB, Hz (-1: not checked; kSectionPeak: see above)
    double toleranceDb;
  };
  const double first = 20 * std::log10(std::sqrt(10.0));
  const Row rows[] = {
      {{"--cutoff", "10k", "--topology", "mfb", "--order", "4", "--gain", "10"}, {{first, 0}, {20, -1}}, 1e-5},
      {{"--cutoff", "1k", "--kind", "hpf", "--order", "4", "--gain", "4"}, {{6.0206, -1}, {12.0412, -1}}, 1e-4},
      {{"--kind", "bpf", "--order", "4", "--center", "10k", "--bandwidth", "2k"}, {{0, kSectionPeak}, {0, 10e3}}, 1e-9},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args[1]);
    std::vector<std::string> args{"--json", "--analysis"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const Outcome r = RunDesigner(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["stages"].size(), row.peaks.size());
    for (std::size_t k = 0; k < row.peaks.size(); ++k) {
      const nlohmann::json& s = j["stages"][k];
      double db = row.peaks[k].first, hz = row.peaks[k].second;
      if (hz == kSectionPeak) {
        db = 20 * std::log10(std::fabs(s["gain"].get<double>()));
        hz = s["f0_hz"].get<double>();
      }
      EXPECT_NEAR(s["output_peak_db"].get<double>(), db, row.toleranceDb) << k;
      if (hz == 0) {
        EXPECT_EQ(s["output_peak_hz"].get<double>(), 0.0) << k;
      } else if (hz > 0) {
        EXPECT_NEAR(s["output_peak_hz"].get<double>() / hz, 1, 1e-6) << k;
      }
    }
  }
}

}  // namespace
}  // namespace kelvara::tools
