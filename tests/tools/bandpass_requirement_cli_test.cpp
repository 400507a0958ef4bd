// kelvara-design --requirement FS1,FP1,FP2,FS2,AP,AS --kind bpf from the
// outside: the JSON keys, every candidate's design run separately at its
// centre and bandwidth texts against the mask, the table, the usage errors.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/tools/designer_process.h"
#include "tests/tools/run_tool.h"
#include "tools/designer/cli_arguments.h"
#include "values/eng_value.h"

namespace kelvara::tools {
namespace {

using test::RunDesignTool;
using test::ToolResult;

const std::vector<std::string> kKeys = {"bandwidth_hz",    "bandwidth_range_hz",
                                        "bandwidth_text",  "center_hz",
                                        "center_range_hz", "center_text",
                                        "gbw_min_hz",      "margin_fp1_db",
                                        "margin_fp2_db",   "margin_fs1_db",
                                        "margin_fs2_db",   "margin_pass_db",
                                        "margin_stop_db",  "max_q",
                                        "meets",           "order",
                                        "response",        "why"};

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

nlohmann::json Requirement(const std::string& args, int status = 0) {
  const ToolResult r = RunDesignTool(args + " --json");
  EXPECT_EQ(r.status, status) << r.err;
  return nlohmann::json::parse(r.out);
}

TEST(BandPassRequirementCli, JsonHasOneCandidatePerResponseAndRipple) {
  const nlohmann::json j = Requirement("--requirement 5k,8k,12k,20k,1,40 --kind bpf");
  EXPECT_EQ(Keys(j),
            (std::vector<std::string>{"candidates", "gain", "recommended", "recommended_ripple_db", "topology"}));
  // As the low-pass requirement: the Chebyshev rows 0.25, then the ripples
  // not above Ap = 1 dB.
  const std::vector<std::string> names{"butterworth", "bessel",    "chebyshev", "chebyshev", "chebyshev",
                                       "chebyshev",   "chebyshev", "chebyshev", "legendre",  "linkwitz-riley"};
  ASSERT_EQ(j["candidates"].size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const nlohmann::json& c = j["candidates"][i];
    EXPECT_EQ(c["response"], names[i]);
    std::vector<std::string> keys = kKeys;
    if (names[i] == "chebyshev") keys.push_back("ripple_db");
    EXPECT_EQ(Sorted(Keys(c)), Sorted(keys)) << i;
    if (c["order"].is_null()) continue;
    EXPECT_EQ(c["order"].get<int>() % 2, 0);
    const double f0 = c["center_hz"].get<double>(), b = c["bandwidth_hz"].get<double>();
    EXPECT_LE(c["center_range_hz"][0].get<double>(), f0);
    EXPECT_GE(c["center_range_hz"][1].get<double>(), f0);
    EXPECT_LE(c["bandwidth_range_hz"][0].get<double>(), b);
    EXPECT_GE(c["bandwidth_range_hz"][1].get<double>(), b);
    EXPECT_EQ(c["margin_pass_db"].get<double>(),
              std::min(c["margin_fp1_db"].get<double>(), c["margin_fp2_db"].get<double>()));
    EXPECT_EQ(c["margin_stop_db"].get<double>(),
              std::min(c["margin_fs1_db"].get<double>(), c["margin_fs2_db"].get<double>()));
    EXPECT_GT(c["gbw_min_hz"].get<double>(), 100 * f0 * 0.5);
  }
  EXPECT_TRUE(j["recommended"].is_string());
  // A Linkwitz-Riley prototype is of even order: band-pass orders 4 and 8.
  const nlohmann::json w = Requirement("--requirement 100,1k,2k,20k,3,60 --kind bpf");
  EXPECT_EQ(w["candidates"].back()["response"], "linkwitz-riley");
  EXPECT_EQ(w["candidates"].back()["order"], 8);
  EXPECT_EQ(w["candidates"][0]["order"], 6);
}

TEST(BandPassRequirementCli, AGeometricMaskIsCentredOnTheGeometricMeanOfItsPassBand) {
  const nlohmann::json j = Requirement("--requirement 5k,8k,12.5k,20k,3,30 --kind bpf");
  const nlohmann::json& b = j["candidates"][0];
  EXPECT_EQ(b["order"], 6);
  EXPECT_EQ(b["center_hz"], 10000.0);
  EXPECT_EQ(b["center_text"], "10.0k");
  // Symmetric about the centre: its range's ends' product is its square.
  EXPECT_NEAR(b["center_range_hz"][0].get<double>() * b["center_range_hz"][1].get<double>(), 1e8, 1e-4);
}

// Each candidate designed as --kind bpf at its texts meets the mask with the
// margins the table gives (the design's --mask on its circuit's gain).
TEST(BandPassRequirementCli, EveryCandidateDesignedAtItsTextsHasItsMargins) {
  for (const std::string& mask : std::vector<std::string>{"5k,8k,12k,20k,1,40", "100,1k,2k,20k,3,60"}) {
    const nlohmann::json j = Requirement("--requirement " + mask + " --kind bpf");
    int checked = 0;
    for (const auto& c : j["candidates"]) {
      if (c["bandwidth_text"].is_null()) continue;
      std::string args = "--kind bpf --json --order " + std::to_string(c["order"].get<int>()) + " --response " +
                         c["response"].get<std::string>() + " --center " + c["center_text"].get<std::string>() +
                         " --bandwidth " + c["bandwidth_text"].get<std::string>() + " --mask " + mask;
      if (c.contains("ripple_db")) args += " --ripple " + values::FormatGeneral(c["ripple_db"].get<double>());
      const ToolResult r = RunDesignTool(args);
      const nlohmann::json d = nlohmann::json::parse(r.out);
      EXPECT_EQ(r.status == 0, d["valid"].get<bool>()) << args;
      if (!c["meets"].get<bool>()) continue;
      ASSERT_EQ(r.status, 0) << args << r.err;
      // A Chebyshev whose ripple equals Ap touches the limit: its pass
      // margin is 0 but for the rounding, which the design's --mask does
      // not forgive.
      if (c["margin_pass_db"].get<double>() > 1e-9) {
        EXPECT_TRUE(d["mask"]["meets"].get<bool>()) << args;
      }
      EXPECT_NEAR(d["mask"]["margin_pass_db"].get<double>(), c["margin_pass_db"].get<double>(), 1e-6) << args;
      EXPECT_NEAR(d["mask"]["margin_stop_db"].get<double>(), c["margin_stop_db"].get<double>(), 1e-6) << args;
      ++checked;
    }
    EXPECT_GT(checked, 3) << mask;
  }
}

TEST(BandPassRequirementCli, NoCandidateMeetsGivesNullsAndExitStatus1) {
  const nlohmann::json j = Requirement("--requirement 9.9k,10k,11k,11.1k,0.5,80 --kind bpf", 1);
  for (const auto& c : j["candidates"]) {
    for (const std::string& key : kKeys) {
      if (key != "response" && key != "meets" && key != "why") {
        EXPECT_TRUE(c[key].is_null()) << key;
      }
    }
    EXPECT_FALSE(c["meets"].get<bool>());
    EXPECT_TRUE(c["why"].is_string());
  }
  EXPECT_TRUE(j["recommended"].is_null());
  EXPECT_TRUE(j["recommended_ripple_db"].is_null());
}

TEST(BandPassRequirementCli, WithoutJsonATable) {
  const ToolResult r = RunDesignTool("--requirement 5k,8k,12k,20k,1,40 --kind bpf");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("BPF mask: pass band 8k to 12k Hz within +-1 dB, stop bands up to 5k Hz and from 20k Hz at "
                       "least 40 dB down"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("bandwidth"), std::string::npos);
  EXPECT_NE(r.out.find("chebyshev 0.5"), std::string::npos);
  EXPECT_NE(r.out.find("recommended: "), std::string::npos);
}

struct UsageRow {
  const char* args;
  const char* message;
};

class BandPassRequirementUsage : public ::testing::TestWithParam<UsageRow> {};

TEST_P(BandPassRequirementUsage, IsOneMessageAndExitStatus2) {
  const UsageRow row = GetParam();
  const ToolResult r = RunDesignTool(row.args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, std::string("kelvara-design: ") + row.message + "\n" + kSeeHelp + "\n");
  EXPECT_TRUE(r.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BandPassRequirementUsage,
    ::testing::Values(
        UsageRow{"--requirement 8k,5k,12k,20k,1,40 --kind bpf",
                 "--requirement: the edges must be in order FS1 < FP1 < FP2 < FS2"},
        UsageRow{"--requirement 5k,12k,8k,20k,1,40 --kind bpf",
                 "--requirement: the edges must be in order FS1 < FP1 < FP2 < FS2"},
        UsageRow{"--requirement 5k,8k,12k,10k,1,40 --kind bpf",
                 "--requirement: the edges must be in order FS1 < FP1 < FP2 < FS2"},
        UsageRow{"--requirement 5k,8k,12k,20k,0,40 --kind bpf",
                 "--requirement: AP is not an engineering value above 0"},
        UsageRow{"--requirement 5k,8k,12k,20k,-1,40 --kind bpf",
                 "--requirement: AP is not an engineering value above 0"},
        UsageRow{"--requirement 5k,8k,x,20k,1,40 --kind bpf", "--requirement: FP2 is not an engineering value above 0"},
        UsageRow{"--requirement 5k,8k,12k,20k,40,40 --kind bpf", "--requirement: AS must be above AP"},
        UsageRow{"--requirement 5k,8k,12k,20k,3,1 --kind bpf", "--requirement: AS must be above AP"},
        UsageRow{"--requirement 1k,1,3k,40 --kind bpf",
                 "--requirement with --kind bpf: expected FS1,FP1,FP2,FS2,AP,AS, six values"},
        UsageRow{"--requirement 5k,8k,12k,20k,1 --kind bpf",
                 "--requirement with --kind bpf: expected FS1,FP1,FP2,FS2,AP,AS, six values"},
        UsageRow{"--requirement 5k,8k,12k,20k,1,40",
                 "--requirement: FS1,FP1,FP2,FS2,AP,AS is the mask of a band-pass filter (--kind bpf)"},
        UsageRow{"--requirement 5k,8k,12k,20k,1,40 --kind hpf",
                 "--requirement: FS1,FP1,FP2,FS2,AP,AS is the mask of a band-pass filter (--kind bpf)"},
        UsageRow{"--requirement 5k,8k,12k,20k,1,40 --kind bpf --max-overshoot 5",
                 "--max-overshoot and --max-delay-variation apply to an LPF only"},
        UsageRow{"--requirement 5k,8k,12k,20k,1,40 --kind bpf --max-q 5",
                 "--max-q is not available yet with --kind bpf"},
        UsageRow{"--requirement 5k,8k,12k,20k,1,40 --kind bpf --values series",
                 "--values series is not available yet with --kind bpf"},
        // As --cutoff: --requirement chooses the centre and the bandwidth.
        UsageRow{"--requirement 5k,8k,12k,20k,1,40 --kind bpf --cutoff 10k", "--cutoff excludes --requirement"},
        UsageRow{"--requirement 5k,8k,12k,20k,1,40 --kind bpf --center 10k", "--center excludes --requirement"},
        UsageRow{"--requirement 5k,8k,12k,20k,1,40 --kind bpf --bandwidth 2k", "--bandwidth excludes --requirement"}));

}  // namespace
}  // namespace kelvara::tools
