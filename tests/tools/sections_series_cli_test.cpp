// kelvara-design --values series for a design of sections (--topology mfb,
// or sallen-key with gain): every part a value of its series inside its
// range (the sections' default ranges where none are given), the design the
// engine's search makes, each stage below the score limit; a stage without
// a combination is refused by name; --stop-after stops the search; the
// series options' usage errors.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/part_series.h"
#include "engine/run_state.h"
#include "engine/section_design.h"
#include "engine/section_series.h"
#include "tests/tools/designer_process.h"

namespace kelvara::tools {
namespace {

struct SeriesJsonCase {
  const char* name;
  engine::SectionFamily family;
  std::uint8_t kind;
  int order;
  double cutoffHz;
  std::vector<std::string> args;  // beyond --topology, --kind, --order and --cutoff
  std::optional<double> gain;
  std::vector<double> stageGains;
  std::vector<std::pair<std::string, double>> fixes;
  engine::SeriesChoice series;  // what the options choose
};

engine::SeriesChoice SectionDefaults() {
  engine::SeriesChoice c;
  c.res = engine::ResSeriesKind::kE24;
  c.rMin = 1e3;
  c.rMax = 1e6;
  c.cMin = 100e-12;
  c.cMax = 1e-6;
  return c;
}

class RunsQuietly final : public engine::RunState {
 public:
  bool StopRequested() const override { return false; }
  void Warn(const std::string&, const std::string&) override {}

 protected:
  void ShowProgress(int) override {}
};

// The engine's design of the same filter, part by name.
std::map<std::string, double> EngineDesign(const SeriesJsonCase& c) {
  engine::DesignRequest r;
  r.cutoffHz = c.cutoffHz;
  r.passKind = c.kind;
  r.orderIndex = static_cast<std::uint8_t>(c.order - 2);
  r.response = engine::kButterworth;
  r.evenOrder = c.order % 2 == 0;
  engine::SectionPlanInputs in;
  in.passKind = c.kind;
  in.order = c.order;
  in.family = c.family;
  in.gain = c.gain;
  in.stageGains = c.stageGains;
  const auto plans = std::get<std::vector<engine::StagePlan>>(engine::PlanSections(in, engine::BuildStageTargets(r)));
  const bool hpf = c.kind == engine::kHpf;
  const auto fixes = std::get<engine::SectionFixes>(engine::FixesOf(plans, hpf, c.fixes));
  RunsQuietly run;
  const engine::SectionsDesign d =
      engine::DesignSectionsFromSeries(run, plans, hpf, fixes, engine::PartSeriesOf(c.series));
  const auto names = engine::SectionPartNames(plans, hpf);
  std::map<std::string, double> parts;
  for (std::size_t s = 0; s < names.size(); ++s) {
    for (std::size_t i = 0; i < names[s].size(); ++i) parts[names[s][i]] = d.stages[s].values[i];
  }
  return parts;
}

bool InSeries(const std::vector<double>& whole, double lo, double hi, double x) {
  return std::find(whole.begin(), whole.end(), x) != whole.end() && x >= lo * (1 - 1e-9) && x <= hi * (1 + 1e-9);
}

class SectionsSeriesJson : public ::testing::TestWithParam<SeriesJsonCase> {};

TEST_P(SectionsSeriesJson, PartsAreInTheirSeriesAndRanges) {
  const SeriesJsonCase& c = GetParam();
  std::vector<std::string> args{"--json",     "--analysis",
                                "--values",   "series",
                                "--topology", c.family == engine::SectionFamily::kMfb ? "mfb" : "sallen-key",
                                "--kind",     c.kind == engine::kHpf ? "hpf" : "lpf",
                                "--order",    std::to_string(c.order),
                                "--cutoff",   std::to_string(c.cutoffHz)};
  args.insert(args.end(), c.args.begin(), c.args.end());
  const Outcome r = RunDesigner(args);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["valid"], true);
  EXPECT_TRUE(j["warnings"].empty());
  const std::vector<double> caps = engine::CapSeriesValues(c.series.cap);
  const std::vector<double> ress = engine::ResSeriesValues(c.series.res);
  const std::map<std::string, double> expected = EngineDesign(c);
  ASSERT_EQ(j["parts"].size(), expected.size());
  for (const auto& [name, value] : j["parts"].items()) {
    const double x = value.get<double>();
    EXPECT_EQ(x, expected.at(name)) << name;
    const auto fixed = std::find_if(c.fixes.begin(), c.fixes.end(), [&](const auto& f) { return f.first == name; });
    if (fixed != c.fixes.end()) {
      EXPECT_EQ(x, fixed->second) << name;
    } else if (name[0] == 'C') {
      EXPECT_TRUE(InSeries(caps, c.series.cMin, c.series.cMax, x)) << name << " = " << x;
    } else {
      EXPECT_TRUE(InSeries(ress, c.series.rMin, c.series.rMax, x)) << name << " = " << x;
    }
  }
  for (const nlohmann::json& s : j["stages"]) {
    auto rel = [](double x, double t) { return (x / t - 1.0) * (x / t - 1.0); };
    double score = rel(s["f0_hz"].get<double>(), s["f0_target_hz"].get<double>()) +
                   rel(s["gain"].get<double>(), s["gain_target"].get<double>());
    if (s["order"] == 2) score += rel(s["q"].get<double>(), s["q_target"].get<double>());
    EXPECT_LT(score, engine::kSectionSeriesLimit * (1 + 1e-9)) << s["stage"];
  }
}

engine::SeriesChoice E12E96() {
  engine::SeriesChoice c;
  c.cap = engine::CapSeriesKind::kE12;
  c.res = engine::ResSeriesKind::kE96;
  c.rMin = 2e3;
  c.rMax = 200e3;
  c.cMin = 100e-12;
  c.cMax = 1e-6;
  return c;
}

using engine::kHpf;
using engine::kLpf;
using engine::SectionFamily;

INSTANTIATE_TEST_SUITE_P(
    Sections, SectionsSeriesJson,
    ::testing::Values(
        SeriesJsonCase{"MfbLpf4", SectionFamily::kMfb, kLpf, 4, 10e3, {"--gain", "10"}, 10, {}, {}, SectionDefaults()},
        SeriesJsonCase{
            "MfbHpf5E12E96",
            SectionFamily::kMfb,
            kHpf,
            5,
            1e3,
            {"--gain", "10", "--cap-series", "E12", "--res-series", "E96", "--r-min", "2k", "--r-max", "200k"},
            10,
            {},
            {},
            E12E96()},
        SeriesJsonCase{
            "GainLpf8", SectionFamily::kSallenKey, kLpf, 8, 1e3, {"--gain", "10"}, 10, {}, {}, SectionDefaults()},
        SeriesJsonCase{"GainHpf3Fixed",
                       SectionFamily::kSallenKey,
                       kHpf,
                       3,
                       2e3,
                       {"--gain", "5", "--fix", "C2=10n"},
                       5,
                       {},
                       {{"C2", 10e-9}},
                       SectionDefaults()},
        SeriesJsonCase{"UnityAndGainStages",
                       SectionFamily::kSallenKey,
                       kLpf,
                       4,
                       5e3,
                       {"--stage-gains", "1,4"},
                       std::nullopt,
                       {1, 4},
                       {},
                       SectionDefaults()}),
    [](const ::testing::TestParamInfo<SeriesJsonCase>& info) { return std::string(info.param.name); });

TEST(SectionsSeriesCli, AStageWithoutACombinationIsRefusedByName) {
  const Outcome r = RunDesigner({"--cutoff", "1k", "--topology", "mfb", "--values", "series", "--c-min", "1n",
                                 "--c-max", "2.2n", "--r-max", "2k", "--json"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["valid"], false);
  ASSERT_EQ(j["warnings"].size(), 1u);
  EXPECT_EQ(j["warnings"][0]["text"].get<std::string>().rfind("第1段（多重帰還（MFB））", 0), 0u) << j["warnings"];
  for (const auto& [name, value] : j["parts"].items()) EXPECT_EQ(value.get<double>(), 0.0) << name;
}

TEST(SectionsSeriesCli, StopAfterStopsTheSearch) {
  const Outcome r = RunDesigner(
      {"--cutoff", "1k", "--order", "8", "--gain", "10", "--values", "series", "--stop-after", "2", "--json"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["valid"], false);
  EXPECT_TRUE(j["warnings"].empty());
  EXPECT_EQ(j["parts"]["R16"], 0.0);  // the last stage was never searched
}

TEST(SectionsSeriesCli, PrintsThePartsAsTheExactPathDoes) {
  const Outcome r = RunDesigner({"--cutoff", "10k", "--topology", "mfb", "--gain", "2", "--values", "series"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("R1 = ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("(Rin)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\ngain = "), std::string::npos) << r.out;
}

struct SeriesUsageCase {
  const char* name;
  std::vector<std::string> args;
  std::string firstLine;
};

class SectionsSeriesUsage : public ::testing::TestWithParam<SeriesUsageCase> {};

TEST_P(SectionsSeriesUsage, IsAUsageError) {
  const SeriesUsageCase& c = GetParam();
  std::vector<std::string> args{"--cutoff", "1k"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  const Outcome r = RunDesigner(args);
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_EQ(r.err.rfind("kelvara-design: " + c.firstLine, 0), 0u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Sections, SectionsSeriesUsage,
    ::testing::Values(SeriesUsageCase{"RMin",
                                      {"--topology", "mfb", "--values", "series", "--r-min", "abc"},
                                      "--r-min: 'abc' is not an engineering value above 0"},
                      SeriesUsageCase{"RRange",
                                      {"--gain", "4", "--values", "series", "--r-max", "500"},
                                      "--r-min (1k) is above --r-max (500)"},
                      SeriesUsageCase{"StopAfterWithoutSeries",
                                      {"--topology", "mfb", "--stop-after", "3"},
                                      "--stop-after is not available yet"}),
    [](const ::testing::TestParamInfo<SeriesUsageCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvara::tools
