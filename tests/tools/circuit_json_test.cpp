// The circuit keys of kelvara-design's JSON: the design's topology, signed
// gain, whether it inverts and every part by name; with --analysis each
// stage's topology and gain.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/tools/designer_process.h"

namespace kelvara::tools {
namespace {

struct JsonCase {
  std::string kind;
  int order;
  std::string values;
};

class CircuitJson : public ::testing::TestWithParam<JsonCase> {};

TEST_P(CircuitJson, NamesTheTopologyTheGainAndEveryPart) {
  const JsonCase& c = GetParam();
  const Outcome r = RunDesigner({"--kind", c.kind, "--order", std::to_string(c.order), "--cutoff", "1k", "--values",
                                 c.values, "--analysis", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["topology"], "sallen-key");
  EXPECT_EQ(j["gain"].get<double>(), 1.0);
  EXPECT_EQ(j["inverting"], false);
  // Every part of the order, R1..Rn and C1..Cn, with the value of r and c.
  const nlohmann::json& parts = j["parts"];
  ASSERT_EQ(static_cast<int>(parts.size()), 2 * c.order);
  for (int i = 0; i < c.order; ++i) {
    EXPECT_EQ(parts["R" + std::to_string(i + 1)].get<double>(), j["r"][i].get<double>()) << i;
    EXPECT_EQ(parts["C" + std::to_string(i + 1)].get<double>(), j["c"][i].get<double>()) << i;
  }
  const nlohmann::json& stages = j["stages"];
  ASSERT_EQ(static_cast<int>(stages.size()), (c.order + 1) / 2);
  for (std::size_t k = 0; k < stages.size(); ++k) {
    const bool firstOrder = c.order % 2 == 1 && k == 0;
    EXPECT_EQ(stages[k]["topology"], firstOrder ? "rc-follower" : "sallen-key") << k;
    EXPECT_EQ(stages[k]["gain"].get<double>(), 1.0) << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Designs, CircuitJson,
                         ::testing::Values(JsonCase{"lpf", 2, "any"}, JsonCase{"lpf", 5, "series"},
                                           JsonCase{"hpf", 8, "any"}, JsonCase{"hpf", 7, "series"}));

}  // namespace
}  // namespace kelvara::tools
