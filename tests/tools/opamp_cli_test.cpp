// kelvara-design with a real op-amp: --opamp-gbw, --opamp-a0, --opamp-rout
// switch the curves and the analysis to the circuit with that op-amp.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/run_checks.h"
#include "response/opamp_analysis.h"
#include "response/opamp_time.h"
#include "tests/tools/designer_process.h"

namespace kelvara::tools {
namespace {

response::OpAmpModel Real(double gbw, double a0, double rout) {
  response::OpAmpModel m;
  m.ideal = false;
  m.gbwHz = gbw;
  m.a0Db = a0;
  m.routOhm = rout;
  return m;
}

const std::vector<std::string> kOrder8 = {"--cutoff", "10k", "--order", "8", "--response", "chebyshev"};

std::vector<std::string> With(std::vector<std::string> base, const std::vector<std::string>& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

TEST(OpAmpJson, StagesAndSummaryGainTheOpAmpKeys) {
  const Outcome r = RunDesigner(With(kOrder8, {"--analysis", "--json", "--opamp-gbw", "1M"}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  const std::vector<std::string> stageKeys = {
      "f0_error_pct", "f0_hz",   "f0_target_hz", "gain", "gain_error_db_at_f0", "gbw_min_hz", "order",
      "parts",        "peak_db", "peak_hz",      "q",    "q_error_pct",         "q_target",   "stage",
      "topology"};
  ASSERT_EQ(j["stages"].size(), 4u);
  for (const auto& s : j["stages"]) EXPECT_EQ(Keys(s), stageKeys);
  EXPECT_EQ(Keys(j["summary"]),
            (std::vector<std::string>{"attenuation_db", "cutoff_definition", "minus3db_hz", "ripple_db",
                                      "ripple_edge_hz", "stopband_floor_db", "stopband_floor_hz"}));
  // The library's numbers for the printed part values.
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.orderIndex = 6, .response = engine::kChebyshev, .cutoffText = "10k", .anyValues = true});
  const response::OpAmpCircuit c = response::CircuitFromComponents(request, PartsOf(j));
  const auto reports = response::AnalyseOpAmpStages(c, Real(1e6, 100, 0));
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(j["stages"][k]["gbw_min_hz"].get<double>(), reports[k].gbwMinHz);
    EXPECT_EQ(j["stages"][k]["gain_error_db_at_f0"].get<double>(), reports[k].gainErrorDbAtF0);
  }
  // Without Rout the gain falls on: no floor.
  EXPECT_TRUE(j["summary"]["stopband_floor_db"].is_null());
  EXPECT_TRUE(j["summary"]["stopband_floor_hz"].is_null());
}

TEST(OpAmpJson, OrderFourButterworthWithFiftyOhmsHasAFloor) {
  const Outcome r = RunDesigner({"--cutoff", "1k", "--order", "4", "--analysis", "--json", "--opamp-rout", "50"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  const engine::DesignRequest request =
      engine::MakeDesignRequest({.orderIndex = 2, .cutoffText = "1k", .anyValues = true});
  const auto floor =
      response::FindStopbandFloor(response::CircuitFromComponents(request, PartsOf(j)), Real(1e6, 100, 50));
  ASSERT_TRUE(floor.has_value());
  EXPECT_EQ(j["summary"]["stopband_floor_db"].get<double>(), floor->db);
  EXPECT_EQ(j["summary"]["stopband_floor_hz"].get<double>(), floor->hz);
}

TEST(OpAmpJson, WithoutOpAmpOptionsOnlyTheGbwRuleIsAdded) {
  const Outcome ideal = RunDesigner(With(kOrder8, {"--analysis", "--json"}));
  ASSERT_EQ(ideal.exitCode, 0) << ideal.err;
  const nlohmann::json j = nlohmann::json::parse(ideal.out);
  // The GBW each stage asks for is there with the ideal op-amp too; the
  // real op-amp's keys are not.
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.orderIndex = 6, .response = engine::kChebyshev, .cutoffText = "10k", .anyValues = true});
  const auto reports =
      response::AnalyseOpAmpStages(response::CircuitFromComponents(request, PartsOf(j)), response::OpAmpModel{});
  ASSERT_EQ(j["stages"].size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(j["stages"][k]["gbw_min_hz"].get<double>(), reports[k].gbwMinHz);
    EXPECT_FALSE(j["stages"][k].contains("gain_error_db_at_f0"));
  }
  EXPECT_FALSE(j["summary"].contains("stopband_floor_db"));
  EXPECT_FALSE(j["summary"].contains("stopband_floor_hz"));
  const Outcome plain = RunDesigner({"--cutoff", "10k", "--json"});
  EXPECT_EQ(Keys(nlohmann::json::parse(plain.out)),
            (std::vector<std::string>{"c", "c_text", "gain", "inverting", "minus3db_hz", "parts", "progress", "r",
                                      "r_text", "topology", "valid", "warnings"}));
}

// Each curve is the library's for the printed parts; any one option makes
// the op-amp real with the other two at their defaults.
TEST(OpAmpCurve, CurvesAreThoseOfTheRealCircuit) {
  const Outcome parts = RunDesigner(With(kOrder8, {"--json"}));
  ASSERT_EQ(parts.exitCode, 0) << parts.err;
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.orderIndex = 6, .response = engine::kChebyshev, .cutoffText = "10k", .anyValues = true});
  const response::OpAmpCircuit c = response::CircuitFromComponents(request, PartsOf(nlohmann::json::parse(parts.out)));
  struct Case {
    std::vector<std::string> options;
    response::OpAmpModel model;
  };
  const Case cases[] = {{{"--opamp-gbw", "4.7M"}, Real(4.7e6, 100, 0)},
                        {{"--opamp-a0", "80"}, Real(1e6, 80, 0)},
                        {{"--opamp-rout", "50"}, Real(1e6, 100, 50)},
                        {{"--opamp-gbw", "10k", "--opamp-a0", "60", "--opamp-rout", "1k"}, Real(1e4, 60, 1000)}};
  for (const Case& k : cases) {
    for (const char* curve : {"gain", "phase", "delay"}) {
      SCOPED_TRACE(k.options[0] + " " + curve);
      const Outcome r = RunDesigner(With(With(kOrder8, {"--curve", curve, "--from", "100", "--to", "10M"}), k.options));
      ASSERT_EQ(r.exitCode, 0) << r.err;
      const CsvCurve csv = ParseCurve(r.out);
      ASSERT_TRUE(csv.ok);
      ASSERT_EQ(csv.x.size(), 146u);
      const response::CircuitCurveSet set = response::CircuitCurves(c, k.model, csv.x);
      const std::vector<double>& expected = curve == std::string("gain")    ? set.gainDb
                                            : curve == std::string("phase") ? set.phaseDeg
                                                                            : set.delayS;
      EXPECT_EQ(csv.y, expected);
    }
    const Outcome step =
        RunDesigner(With(With(kOrder8, {"--curve", "step", "--to", "2m", "--points", "201"}), k.options));
    ASSERT_EQ(step.exitCode, 0) << step.err;
    const CsvCurve csv = ParseCurve(step.out);
    ASSERT_EQ(csv.header, "time_s,step");
    EXPECT_EQ(csv.y, response::CircuitTimeResponse(c, k.model, 0, 2e-3, 201).step);
  }
}

TEST(OpAmpOptions, UnusableTextsAreUsageErrors) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--opamp-gbw", "abc"}, "--opamp-gbw 'abc' is not an engineering value"},
      {{"--opamp-gbw", "0"}, "--opamp-gbw '0' must be above 0 Hz"},
      {{"--opamp-gbw", "-1M"}, "--opamp-gbw '-1M' must be above 0 Hz"},
      {{"--opamp-a0", "0"}, "--opamp-a0 '0' must be above 0 dB"},
      {{"--opamp-a0", "loud"}, "--opamp-a0 'loud' is not an engineering value"},
      {{"--opamp-rout", "-50"}, "--opamp-rout '-50' must be 0 ohms or more"},
  };
  for (const auto& [options, message] : cases) {
    const Outcome r = RunDesigner(With({"--cutoff", "1k", "--analysis"}, options));
    EXPECT_EQ(r.exitCode, 2) << options[1];
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

}  // namespace
}  // namespace kelvara::tools
