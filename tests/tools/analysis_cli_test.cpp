// kelvara-design --analysis and --curve: keys, headers, defaults, round
// trips, fixed parts and design files.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <nlohmann/json.hpp>

#include "engine/run_checks.h"
#include "response/analysis.h"
#include "response/time_response.h"
#include "tests/tools/designer_process.h"

namespace kelvara::tools {
namespace {

TEST(AnalysisJson, HasTheStagesAndTheSummaryWithTheirKeys) {
  const Outcome r = RunDesigner(
      {"--cutoff", "2k", "--order", "5", "--response", "chebyshev", "--values", "series", "--analysis", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["stages"].size(), 3u);
  const std::vector<std::string> stageKeys = {"f0_error_pct", "f0_hz",    "f0_target_hz", "gain",    "gbw_min_hz",
                                              "order",        "parts",    "peak_db",      "peak_hz", "q",
                                              "q_error_pct",  "q_target", "stage",        "topology"};
  for (const auto& s : j["stages"]) EXPECT_EQ(Keys(s), stageKeys);
  const nlohmann::json& first = j["stages"][0];
  EXPECT_EQ(first["stage"], 1);
  EXPECT_EQ(first["order"], 1);
  EXPECT_EQ(first["parts"], (nlohmann::json{"R1", "C1"}));
  EXPECT_TRUE(first["q"].is_null());
  EXPECT_TRUE(first["q_target"].is_null());
  EXPECT_EQ(first["peak_db"], 0.0);
  EXPECT_EQ(first["peak_hz"], 0.0);
  EXPECT_EQ(j["stages"][2]["parts"], (nlohmann::json{"R4", "R5", "C4", "C5"}));
  EXPECT_EQ(Keys(j["summary"]), (std::vector<std::string>{"attenuation_db", "cutoff_definition", "minus3db_hz",
                                                          "ripple_db", "ripple_edge_hz"}));
  EXPECT_EQ(Keys(j["summary"]["attenuation_db"]), (std::vector<std::string>{"10fc", "2fc"}));

  // The numbers are those of the library for the same part values.
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.orderIndex = 3, .response = engine::kChebyshev, .cutoffText = "2k", .capE12 = true, .resE24 = true});
  const engine::ComponentSet parts = PartsOf(j);
  const auto rows = response::EvaluateStages(request, parts);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    EXPECT_EQ(j["stages"][k]["f0_hz"].get<double>(), rows[k].f0Hz);
    EXPECT_EQ(j["stages"][k]["f0_error_pct"].get<double>(), *rows[k].f0ErrorPct);
    EXPECT_EQ(j["stages"][k]["peak_db"].get<double>(), rows[k].peak.db);
  }
  const auto summary = response::Summarize(response::CascadeFromParts(request, parts));
  EXPECT_EQ(j["summary"]["minus3db_hz"].get<double>(), j["minus3db_hz"].get<double>());
  EXPECT_EQ(j["summary"]["ripple_edge_hz"].get<double>(), *summary.rippleEdgeHz);
  EXPECT_EQ(j["summary"]["attenuation_db"]["2fc"].get<double>(), summary.attenuationNearDb);
  EXPECT_GT(j["summary"]["attenuation_db"]["10fc"].get<double>(), 60.0);
}

TEST(AnalysisJson, HpfAttenuationIsAtHalfAndATenthOfTheCutoff) {
  const Outcome r = RunDesigner({"--cutoff", "1k", "--kind", "hpf", "--order", "4", "--analysis", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.passKind = 1, .orderIndex = 2, .response = engine::kButterworth, .cutoffText = "1k", .anyValues = true});
  const response::Cascade cascade = response::CascadeFromParts(request, PartsOf(j));
  EXPECT_EQ(j["summary"]["attenuation_db"]["2fc"].get<double>(), -response::GainDb(cascade, 500));
  EXPECT_EQ(j["summary"]["attenuation_db"]["10fc"].get<double>(), -response::GainDb(cascade, 100));
  EXPECT_TRUE(j["summary"]["ripple_edge_hz"].is_null());
  EXPECT_TRUE(j["summary"]["ripple_db"].is_null());
  // A Butterworth HPF stage of Q 0.54 does not peak: its maximum lies at
  // infinite frequency.
  EXPECT_EQ(j["stages"][0]["peak_db"], 0.0);
  EXPECT_TRUE(j["stages"][0]["peak_hz"].is_null());
}

TEST(AnalysisJson, WithoutTheOptionTheOutputStaysAsItWas) {
  const nlohmann::json j = nlohmann::json::parse(RunDesigner({"--cutoff", "1k", "--json"}).out);
  EXPECT_FALSE(j.contains("stages"));
  EXPECT_FALSE(j.contains("summary"));
}

struct CurveCase {
  const char* curve;
  const char* header;
  std::size_t points;
};

class CurveDefaults : public ::testing::TestWithParam<CurveCase> {};

TEST_P(CurveDefaults, PrintTheHeaderAndTheDefaultPoints) {
  const CurveCase& c = GetParam();
  const Outcome r = RunDesigner({"--cutoff", "1k", "--order", "6", "--response", "bessel", "--curve", c.curve});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const CsvCurve csv = ParseCurve(r.out);
  EXPECT_TRUE(csv.ok);
  EXPECT_EQ(csv.header, c.header);
  ASSERT_EQ(csv.x.size(), c.points);
  const bool time = std::string(c.curve) == "step" || std::string(c.curve) == "impulse";
  EXPECT_EQ(csv.x.front(), time ? 0.0 : 1e3);
  if (!time) {
    EXPECT_EQ(csv.x.back(), 1e6);
    EXPECT_NEAR(csv.x[1] / csv.x[0], std::pow(1e3, 1.0 / 145), 1e-12);  // logarithmic
  } else {
    const engine::DesignRequest request = engine::MakeDesignRequest(
        {.orderIndex = 4, .response = engine::kBessel, .cutoffText = "1k", .anyValues = true});
    const nlohmann::json j =
        nlohmann::json::parse(RunDesigner({"--cutoff", "1k", "--order", "6", "--response", "bessel", "--json"}).out);
    const response::TimeResponse t(response::CascadeFromParts(request, PartsOf(j)));
    EXPECT_EQ(csv.x.back(), t.SettledSpan());
    EXPECT_NEAR(csv.x[2] - csv.x[1], csv.x[1] - csv.x[0], 1e-15);  // linear
  }
}

INSTANTIATE_TEST_SUITE_P(Curves, CurveDefaults,
                         ::testing::Values(CurveCase{"gain", "frequency_hz,gain_db", 146},
                                           CurveCase{"phase", "frequency_hz,phase_deg", 146},
                                           CurveCase{"delay", "frequency_hz,delay_s", 146},
                                           CurveCase{"step", "time_s,step", 501},
                                           CurveCase{"impulse", "time_s,impulse", 501}),
                         [](const auto& info) { return std::string(info.param.curve); });

TEST(CurveCsv, ReadsBackToTheLibrarysDoublesBitForBit) {
  const std::vector<std::string> design = {"--cutoff", "4.7k", "--order", "7", "--response", "chebyshev"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = design;
    args.insert(args.end(), extra.begin(), extra.end());
    return RunDesigner(args);
  };
  const nlohmann::json j = nlohmann::json::parse(with({"--json"}).out);
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.orderIndex = 5, .response = engine::kChebyshev, .cutoffText = "4.7k", .anyValues = true});
  const response::Cascade cascade = response::CascadeFromParts(request, PartsOf(j));
  const CsvCurve gain = ParseCurve(with({"--curve", "gain", "--from", "10", "--to", "1M", "--points", "37"}).out);
  ASSERT_TRUE(gain.ok);
  ASSERT_EQ(gain.x.size(), 37u);
  EXPECT_EQ(gain.x.front(), 10.0);
  EXPECT_EQ(gain.x.back(), 1e6);
  for (std::size_t i = 0; i < gain.x.size(); ++i) EXPECT_EQ(gain.y[i], response::GainDb(cascade, gain.x[i]));
  const CsvCurve phase = ParseCurve(with({"--curve", "phase", "--points", "9"}).out);
  for (std::size_t i = 0; i < phase.x.size(); ++i) EXPECT_EQ(phase.y[i], response::PhaseDeg(cascade, phase.x[i]));
  const CsvCurve step = ParseCurve(with({"--curve", "step", "--from", "0.1m", "--to", "2m", "--points", "20"}).out);
  const response::TimeResponse time(cascade);
  ASSERT_EQ(step.x.size(), 20u);
  EXPECT_EQ(step.x.front(), 1e-4);
  for (std::size_t i = 0; i < step.x.size(); ++i) EXPECT_EQ(step.y[i], time.Step(step.x[i]));
}

TEST(CurveOptions, AllFixedPartsAndDesignFilesAreAnalysedToo) {
  const Outcome fixed = RunDesigner({"--cutoff", "1k", "--fix", "R1=10k", "--fix", "R2=22k", "--fix", "C1=22n", "--fix",
                                     "C2=4.7n", "--analysis", "--json"});
  ASSERT_EQ(fixed.exitCode, 0) << fixed.err;
  const nlohmann::json j = nlohmann::json::parse(fixed.out);
  const double f0 = 1 / (2 * 3.14159265358979323846 * std::sqrt(10e3 * 22e3 * 22e-9 * 4.7e-9));
  EXPECT_NEAR(j["stages"][0]["f0_hz"].get<double>() / f0, 1, 1e-14);

  QTemporaryDir dir;
  const std::string path = dir.filePath("lpf.zdn").toStdString();
  ASSERT_EQ(RunDesigner({"--cutoff", "3k", "--order", "4", "--values", "series", "--out", path}).exitCode, 0);
  const Outcome sheet = RunDesigner({"--sheet", path, "--analysis", "--json"});
  ASSERT_EQ(sheet.exitCode, 0) << sheet.err;
  const nlohmann::json s = nlohmann::json::parse(sheet.out);
  ASSERT_EQ(s["stages"].size(), 2u);
  EXPECT_NEAR(s["stages"][1]["q_target"].get<double>(), 1.3066, 1e-4);
  const CsvCurve delay = ParseCurve(RunDesigner({"--sheet", path, "--curve", "delay"}).out);
  EXPECT_EQ(delay.header, "frequency_hz,delay_s");
  EXPECT_EQ(delay.x.size(), 146u);
}

class CurveUsage : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CurveUsage, IsAUsageError) {
  std::vector<std::string> args = {"--cutoff", "1k"};
  args.insert(args.end(), GetParam().begin(), GetParam().end());
  const Outcome r = RunDesigner(args);
  EXPECT_EQ(r.exitCode, 2) << r.out;
  EXPECT_TRUE(r.out.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, CurveUsage,
                         ::testing::Values(std::vector<std::string>{"--curve", "bode"},
                                           std::vector<std::string>{"--curve", "gain", "--from", "abc"},
                                           std::vector<std::string>{"--curve", "gain", "--from", "0"},
                                           std::vector<std::string>{"--curve", "gain", "--from", "2k", "--to", "1k"},
                                           std::vector<std::string>{"--curve", "step", "--to", "-1m"},
                                           std::vector<std::string>{"--curve", "gain", "--points", "0"}));

}  // namespace
}  // namespace kelvara::tools
