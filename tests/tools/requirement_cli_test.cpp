// kelvara-design --requirement from the outside: the JSON keys, the table,
// the realised candidates equal to a separate design run of their cut-off
// text, the yield, and the usage errors.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/ideal_poles.h"
#include "tests/tools/designer_process.h"
#include "tests/tools/run_tool.h"
#include "tools/designer/cli_arguments.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"

namespace kelvara::tools {
namespace {

using test::RunDesignTool;
using test::ToolResult;

const std::vector<std::string> kCandidateKeys = {"cutoff_hz",      "cutoff_range_hz",
                                                 "cutoff_text",    "delay_variation_pct",
                                                 "gbw_min_hz",     "margin_pass_db",
                                                 "margin_stop_db", "max_q",
                                                 "meets",          "order",
                                                 "overshoot_pct",  "response",
                                                 "spread_min",     "why"};

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

nlohmann::json Requirement(const std::string& args, int status = 0) {
  const ToolResult r = RunDesignTool(args + " --json");
  EXPECT_EQ(r.status, status) << r.err;
  return nlohmann::json::parse(r.out);
}

// A Chebyshev row names its ripple as well.
std::vector<std::string> KeysOfRow(const nlohmann::json& c) {
  std::vector<std::string> keys = kCandidateKeys;
  if (c["response"] == "chebyshev") keys.push_back("ripple_db");
  return Sorted(keys);
}

// The index of a row given by response option and, for Chebyshev, ripple.
int Row(const nlohmann::json& j, const std::string& response, double rippleDb = 0.25) {
  for (std::size_t i = 0; i < j["candidates"].size(); ++i) {
    const nlohmann::json& c = j["candidates"][i];
    if (c["response"] == response && (!c.contains("ripple_db") || c["ripple_db"] == rippleDb)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

TEST(RequirementCli, JsonHasOneCandidatePerOfferedResponse) {
  const nlohmann::json j = Requirement("--requirement 1k,1,3k,40");
  EXPECT_EQ(Keys(j),
            (std::vector<std::string>{"candidates", "gain", "recommended", "recommended_ripple_db", "topology"}));
  // The table's rows first, then the Chebyshev ripples not above Ap = 1 dB,
  // Legendre and Linkwitz-Riley.
  ASSERT_EQ(j["candidates"].size(), 10u);
  const std::vector<std::string> names{"butterworth", "bessel",    "chebyshev", "chebyshev", "chebyshev",
                                       "chebyshev",   "chebyshev", "chebyshev", "legendre",  "linkwitz-riley"};
  const std::vector<double> ripples{0.25, 0.01, 0.05, 0.1, 0.5, 1.0};
  for (std::size_t i = 0; i < names.size(); ++i) {
    const nlohmann::json& c = j["candidates"][i];
    EXPECT_EQ(Sorted(Keys(c)), KeysOfRow(c));
    EXPECT_EQ(c["response"], names[i]);
    if (i >= 2 && i < 8) {
      EXPECT_EQ(c["ripple_db"], ripples[i - 2]);
    }
  }
  EXPECT_EQ(j["candidates"][0]["order"], 5);
  EXPECT_TRUE(j["candidates"][1]["order"].is_null());  // no Bessel of order 2..8 meets
  EXPECT_EQ(j["candidates"][2]["order"], 4);
  EXPECT_EQ(j["recommended"], "chebyshev");
  EXPECT_TRUE(j["recommended_ripple_db"].is_number());
  EXPECT_EQ(j["candidates"][Row(j, "linkwitz-riley")]["order"].get<int>() % 2, 0);
  const nlohmann::json& b = j["candidates"][0];
  EXPECT_TRUE(b["meets"].get<bool>());
  EXPECT_TRUE(b["why"].is_null());
  const double lo = b["cutoff_range_hz"][0].get<double>();
  const double hi = b["cutoff_range_hz"][1].get<double>();
  EXPECT_LT(lo, b["cutoff_hz"].get<double>());
  EXPECT_GT(hi, b["cutoff_hz"].get<double>());
  EXPECT_TRUE(b["overshoot_pct"].is_number());
  EXPECT_TRUE(b["delay_variation_pct"].is_number());
}

TEST(RequirementCli, HpfOffersNoBesselAndNoTimeFigures) {
  const nlohmann::json j = Requirement("--requirement 1k,1,300,40 --kind hpf");
  ASSERT_EQ(j["candidates"].size(), 9u);
  EXPECT_EQ(j["candidates"][0]["response"], "butterworth");
  EXPECT_EQ(j["candidates"][1]["response"], "chebyshev");
  EXPECT_EQ(Row(j, "bessel"), -1);
  for (const auto& c : j["candidates"]) {
    EXPECT_TRUE(c["overshoot_pct"].is_null());
    EXPECT_TRUE(c["delay_variation_pct"].is_null());
  }
}

TEST(RequirementCli, NoCandidateMeetsGivesNullsAndExitStatus1) {
  const nlohmann::json j = Requirement("--requirement 1k,0.5,1.1k,80", 1);
  for (const auto& c : j["candidates"]) {
    EXPECT_TRUE(c["order"].is_null());
    EXPECT_TRUE(c["cutoff_hz"].is_null());
    EXPECT_FALSE(c["meets"].get<bool>());
    EXPECT_TRUE(c["why"].is_string());
  }
  EXPECT_TRUE(j["recommended"].is_null());
}

TEST(RequirementCli, ConstraintsSwitchCandidatesOff) {
  const nlohmann::json j = Requirement("--requirement 1k,1,8k,40 --max-overshoot 5");
  EXPECT_FALSE(j["candidates"][0]["meets"].get<bool>());
  EXPECT_EQ(j["candidates"][0]["why"].get<std::string>().rfind("オーバーシュート", 0), 0u);
  EXPECT_EQ(j["recommended"], "bessel");
  const nlohmann::json q = Requirement("--requirement 1k,1,8k,40 --max-q 1.2");
  EXPECT_FALSE(q["candidates"][2]["meets"].get<bool>());
  // The 0.01 dB Chebyshev's Q is 1.139; a 3rd-order Legendre keeps the
  // delay variation at 4.95 %.
  EXPECT_EQ(q["recommended"], "chebyshev");
  EXPECT_EQ(q["recommended_ripple_db"], 0.01);
  const nlohmann::json d = Requirement("--requirement 1k,1,8k,40 --max-delay-variation 5");
  EXPECT_EQ(d["recommended"], "legendre");
  EXPECT_TRUE(d["recommended_ripple_db"].is_null());
}

// The figures of every candidate are those of the cut-off its text reads
// as (what a sheet gets), computed here from the stage table's poles.
TEST(RequirementCli, FiguresAreThoseOfTheTypedCutOff) {
  struct Case {
    const char* args;
    int kind;
    double fp, ap, fs, as;
  };
  for (const Case& k : {Case{"--requirement 1k,1,8k,40", 0, 1e3, 1, 8e3, 40},
                        Case{"--requirement 1k,1,300,40 --kind hpf", 1, 1e3, 1, 300, 40}}) {
    const nlohmann::json j = Requirement(k.args);
    int checked = 0;
    for (const auto& c : j["candidates"]) {
      if (c["order"].is_null()) continue;
      const std::string name = c["response"].get<std::string>();
      const int response =
          static_cast<int>(std::find(values::kResponseOptions.begin(), values::kResponseOptions.end(), name) -
                           values::kResponseOptions.begin());
      int ripple = 0;
      if (c.contains("ripple_db")) {
        ripple = static_cast<int>(std::find(values::kRippleDb.begin(), values::kRippleDb.end(), c["ripple_db"]) -
                                  values::kRippleDb.begin());
      }
      const double typed = values::ParseEngValue(c["cutoff_text"].get<std::string>());
      const kelvara::testing::IdealPoles filter =
          kelvara::testing::PolesOf(k.kind, response, c["order"].get<int>(), typed, ripple);
      const kelvara::testing::PoleMargins m = kelvara::testing::MarginsFromPoles(filter, k.fp, k.ap, k.fs, k.as);
      EXPECT_NEAR(c["margin_pass_db"].get<double>(), m.passDb, 1e-9) << name;
      EXPECT_NEAR(c["margin_stop_db"].get<double>(), m.stopDb, 1e-9) << name;
      if (k.kind == 0) {
        EXPECT_NEAR(c["delay_variation_pct"].get<double>() / kelvara::testing::VariationFromPoles(filter, k.fp), 1.0,
                    1e-12)
            << name;
      }
      ++checked;
    }
    EXPECT_GE(checked, 2) << k.args;
  }
  // The table prints the same: the Bessel of 1k,1,8k,40 at 1.69k keeps
  // 0.019 dB in the stop band (0.074 dB at the geometric mean).
  const ToolResult table = RunDesignTool("--requirement 1k,1,8k,40");
  ASSERT_EQ(table.status, 0) << table.err;
  const std::size_t bessel = table.out.find("bessel");
  ASSERT_NE(bessel, std::string::npos);
  const std::string line = table.out.substr(bessel, table.out.find('\n', bessel) - bessel);
  EXPECT_NE(line.find("1.69k"), std::string::npos) << line;
  EXPECT_NE(line.find(" 0.01899"), std::string::npos) << line;
}

struct SeriesRow {
  const char* requirement;
  const char* kind;
  const char* seriesOptions;
};

class RealisedEqualsDesign : public ::testing::TestWithParam<SeriesRow> {};

TEST_P(RealisedEqualsDesign, PartsAreThoseOfASeparateDesignRun) {
  const SeriesRow row = GetParam();
  const std::string common = std::string(" --kind ") + row.kind + " --values series " + row.seriesOptions;
  const ToolResult r = RunDesignTool(std::string("--requirement ") + row.requirement + common + " --json");
  ASSERT_LE(r.status, 1) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  int designed = 0;
  for (const auto& c : j["candidates"]) {
    if (c["order"].is_null()) {
      EXPECT_TRUE(c["realised"].is_null());
      continue;
    }
    const nlohmann::json& realised = c["realised"];
    EXPECT_EQ(Sorted(Keys(realised)),
              (std::vector<std::string>{"c", "margin_pass_db", "margin_stop_db", "meets", "r"}));
    const ToolResult d =
        RunDesignTool("--cutoff " + c["cutoff_text"].get<std::string>() + " --order " +
                      std::to_string(c["order"].get<int>()) + " --response " + c["response"].get<std::string>() +
                      (c.contains("ripple_db") ? " --ripple " + nlohmann::json(c["ripple_db"]).dump() : std::string()) +
                      common + " --json");
    // A stage the series cannot meet makes the separate run fail (exit 1).
    ASSERT_LE(d.status, 1) << d.err;
    const nlohmann::json design = nlohmann::json::parse(d.out);
    EXPECT_EQ(d.status == 0, design["valid"].get<bool>()) << d.err;
    EXPECT_EQ(realised["r"], design["r"]) << c["response"];
    EXPECT_EQ(realised["c"], design["c"]) << c["response"];
    if (design["minus3db_hz"].is_null()) {
      // The series search left parts at 0 (E6 capacitors cannot reach every
      // stage): no design, no margins, not met.
      EXPECT_FALSE(design["valid"].get<bool>());
      EXPECT_TRUE(realised["margin_pass_db"].is_null());
      EXPECT_TRUE(realised["margin_stop_db"].is_null());
      EXPECT_FALSE(realised["meets"].get<bool>());
    } else {
      EXPECT_EQ(realised["meets"].get<bool>(),
                realised["margin_pass_db"].get<double>() >= 0 && realised["margin_stop_db"].get<double>() >= 0);
    }
    ++designed;
  }
  EXPECT_GT(designed, 0);
}

INSTANTIATE_TEST_SUITE_P(Masks, RealisedEqualsDesign,
                         ::testing::Values(SeriesRow{"1k,1,3k,40", "lpf", ""}, SeriesRow{"1k,1,300,40", "hpf", ""},
                                           SeriesRow{"1k,1,3k,40", "lpf", "--cap-series E24 --res-series E96"},
                                           SeriesRow{"10k,0.5,30k,50", "lpf", "--r-min 1k --r-max 100k"},
                                           SeriesRow{"50,2,20,30", "hpf", "--cap-series E6"}));

TEST(RequirementCli, MonteCarloAddsTheYieldOfEveryRealisedCandidate) {
  const nlohmann::json j =
      Requirement("--requirement 1k,1,3k,40 --values series --monte-carlo 200 --tol-r 1 --tol-c 2 --seed 7");
  int yields = 0;
  for (const auto& c : j["candidates"]) {
    if (c["order"].is_null()) continue;  // no Bessel of order 2..8 meets
    ++yields;
    const nlohmann::json& y = c["realised"]["yield"];
    EXPECT_EQ(Keys(y), (std::vector<std::string>{"ci95", "passed", "ratio", "trials"}));
    EXPECT_EQ(y["trials"], 200);
    EXPECT_GE(y["ratio"].get<double>(), 0.0);
    EXPECT_LE(y["ratio"].get<double>(), 1.0);
  }
  EXPECT_EQ(yields, 9);  // every row but the Bessel
  // The same seed gives the same yields.
  EXPECT_EQ(j, Requirement("--requirement 1k,1,3k,40 --values series --monte-carlo 200 --tol-r 1 --tol-c 2 --seed 7 "
                           "--threads 1"));
}

TEST(RequirementCli, WithoutJsonATable) {
  const ToolResult r = RunDesignTool("--requirement 1k,1,3k,40");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("LPF mask: pass band up to 1k Hz within +-1 dB"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("butterworth"), std::string::npos);
  EXPECT_NE(r.out.find("recommended: chebyshev"), std::string::npos);
  const ToolResult s = RunDesignTool("--requirement 1k,1,3k,40 --values series");
  EXPECT_NE(s.out.find("series: "), std::string::npos) << s.out;
}

struct UsageRow {
  const char* args;
  const char* message;
};

class RequirementUsage : public ::testing::TestWithParam<UsageRow> {};

TEST_P(RequirementUsage, IsTwoLinesAndExitStatus2) {
  const UsageRow row = GetParam();
  const ToolResult r = RunDesignTool(row.args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, std::string("kelvara-design: ") + row.message + "\n" + kSeeHelp + "\n");
  EXPECT_TRUE(r.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, RequirementUsage,
    ::testing::Values(UsageRow{"--requirement 1k,1,3k", "--requirement: expected FP,AP,FS,AS, four values"},
                      UsageRow{"--requirement 1k,1,3k,40,5", "--requirement: expected FP,AP,FS,AS, four values"},
                      UsageRow{"--requirement 1k,x,3k,40", "--requirement: AP is not an engineering value above 0"},
                      UsageRow{"--requirement 0,1,3k,40", "--requirement: FP is not an engineering value above 0"},
                      UsageRow{"--requirement 1k,1,3k,-40", "--requirement: AS is not an engineering value above 0"},
                      UsageRow{"--requirement 3k,1,1k,40", "--requirement: FP must be below FS"},
                      UsageRow{"--requirement 1k,1,1k,40", "--requirement: FP must be below FS"},
                      UsageRow{"--requirement 300,1,1k,40 --kind hpf", "--requirement: for an HPF FP must be above FS"},
                      UsageRow{"--requirement 1k,40,3k,40", "--requirement: AS must be above AP"},
                      UsageRow{"--requirement 1k,1,300,40 --kind hpf --max-overshoot 5",
                               "--max-overshoot and --max-delay-variation apply to an LPF only"},
                      UsageRow{"--requirement 1k,1,3k,40 --monte-carlo 200",
                               "--monte-carlo with --requirement needs --values series"},
                      UsageRow{"--requirement 1k,1,3k,40 --values series --r-min 10k --r-max 1k",
                               "--r-min (10k) is above --r-max (1k)"},
                      // The limits name their range in words, as the other options do.
                      UsageRow{"--requirement 1k,1,3k,40 --max-overshoot -1",
                               "--max-overshoot: '-1' must be 0 or more"},
                      UsageRow{"--requirement 1k,1,3k,40 --max-delay-variation -0.5",
                               "--max-delay-variation: '-0.5' must be 0 or more"},
                      UsageRow{"--requirement 1k,1,3k,40 --max-q 0", "--max-q: '0' must be above 0"},
                      UsageRow{"--requirement 1k,1,3k,40 --max-q -2", "--max-q: '-2' must be above 0"},
                      UsageRow{"--requirement 1k,1,3k,40 --max-q abc", "--max-q: 'abc' is not a number (e.g. 5, 2.5)"},
                      UsageRow{"--requirement 1k,1,3k,40 --max-overshoot inf",
                               "--max-overshoot: 'inf' is not a number (e.g. 5, 2.5)"}));

TEST(RequirementUsage, ExcludesTheOptionsOfASingleDesign) {
  for (const char* args : {"--requirement 1k,1,3k,40 --cutoff 1k", "--requirement 1k,1,3k,40 --order 4", "--max-q 2",
                           "--requirement 1k,1,3k,40 --max-q 0"}) {
    EXPECT_EQ(RunDesignTool(args).status, 2) << args;
  }
}

// ---- --topology and --gain -------------------------------------------------

// Each stage at K = G^(1/stages) asks for its unity-gain GBW times its
// noise gain (K, or 1 + K for MFB): the whole candidate's GBW scales so.
struct CircuitCliRow {
  const char* args;
  const char* topology;
  double gain;
  bool mfb;
};

class RequirementCircuitCli : public ::testing::TestWithParam<CircuitCliRow> {};

TEST_P(RequirementCircuitCli, GbwAndSpreadAreThoseOfTheCircuitTheRestAsOfTheUnityGainTable) {
  const CircuitCliRow& row = GetParam();
  const std::string mask = std::string(row.args).find("hpf") != std::string::npos ? "1k,1,300,40" : "1k,1,3k,40";
  const bool hpf = mask == "1k,1,300,40";
  const nlohmann::json unity = Requirement("--requirement " + mask + (hpf ? " --kind hpf" : ""));
  const nlohmann::json j = Requirement("--requirement " + mask + " " + row.args);
  EXPECT_EQ(j["topology"], row.topology);
  EXPECT_EQ(j["gain"], row.gain);
  EXPECT_EQ(unity["topology"], "sallen-key");
  EXPECT_EQ(unity["gain"], 1.0);
  ASSERT_EQ(j["candidates"].size(), unity["candidates"].size());
  EXPECT_EQ(j["recommended"], unity["recommended"]);
  for (std::size_t i = 0; i < j["candidates"].size(); ++i) {
    const nlohmann::json& c = j["candidates"][i];
    const nlohmann::json& u = unity["candidates"][i];
    EXPECT_EQ(Sorted(Keys(c)), KeysOfRow(c));
    for (const char* key : {"order", "cutoff_text", "cutoff_range_hz", "margin_pass_db", "margin_stop_db", "max_q"}) {
      EXPECT_EQ(c[key], u[key]) << key;
    }
    if (c["order"].is_null()) continue;
    const int stages = (c["order"].get<int>() + 1) / 2;
    const double k = std::pow(row.gain, 1.0 / stages);
    const double noise = row.mfb ? 1 + k : k;
    EXPECT_NEAR(c["gbw_min_hz"].get<double>(), u["gbw_min_hz"].get<double>() * noise,
                1e-12 * u["gbw_min_hz"].get<double>() * noise);
    // The spread of the highest Q's stage (spreads rise with Q).
    const double q = c["max_q"].get<double>();
    double spread = 4 * q * q;
    if (row.mfb) {
      spread = hpf ? q * q * (2 * k + 1) * (2 * k + 1) / k : 1.2 * 4 * q * q * (1 + k);
    } else if (k != 1) {
      const double y = 4 * q / (1 + std::sqrt(1 + 8 * q * q * (k - 1)));
      spread = y * y;
    }
    EXPECT_NEAR(c["spread_min"].get<double>(), spread, 1e-9 * spread);
  }
}

INSTANTIATE_TEST_SUITE_P(Circuits, RequirementCircuitCli,
                         ::testing::Values(CircuitCliRow{"--topology mfb --gain 10", "mfb", 10, true},
                                           CircuitCliRow{"--topology mfb", "mfb", 1, true},
                                           CircuitCliRow{"--topology mfb --gain 0.5 --kind hpf", "mfb", 0.5, true},
                                           CircuitCliRow{"--gain 4", "sallen-key", 4, false},
                                           CircuitCliRow{"--topology sallen-key --gain 10 --kind hpf", "sallen-key", 10,
                                                         false},
                                           CircuitCliRow{"--topology sallen-key --gain 1", "sallen-key", 1, false}));

TEST(RequirementCircuitCli, TheTableNamesTheCircuitAndAtGainOneIsAsBefore) {
  const ToolResult plain = RunDesignTool("--requirement 1k,1,3k,40");
  const ToolResult same = RunDesignTool("--requirement 1k,1,3k,40 --topology sallen-key --gain 1");
  EXPECT_EQ(plain.out, same.out);
  EXPECT_EQ(plain.out.find("circuit:"), std::string::npos);
  const ToolResult mfb = RunDesignTool("--requirement 1k,1,3k,40 --topology mfb --gain 10");
  ASSERT_EQ(mfb.status, 0) << mfb.err;
  EXPECT_NE(mfb.out.find("circuit: mfb, gain 10 (the stages share it equally)"), std::string::npos) << mfb.out;
}

TEST(RequirementCircuitCli, ABandPassRequirementIsOfMfbSectionsAtItsGain) {
  const nlohmann::json one = Requirement("--requirement 5k,8k,12k,20k,1,40 --kind bpf");
  EXPECT_EQ(one["topology"], "mfb");
  EXPECT_EQ(one["gain"], 1.0);
  const nlohmann::json two = Requirement("--requirement 5k,8k,12k,20k,1,40 --kind bpf --topology mfb --gain 2");
  EXPECT_EQ(two["topology"], "mfb");
  EXPECT_EQ(two["gain"], 2.0);
  // The centre's gain does not move the mask, the Q or the GBW.
  ASSERT_EQ(one["candidates"].size(), two["candidates"].size());
  for (std::size_t i = 0; i < one["candidates"].size(); ++i) {
    for (const char* key : {"order", "center_text", "bandwidth_text", "max_q", "gbw_min_hz"}) {
      EXPECT_EQ(one["candidates"][i][key], two["candidates"][i][key]) << key;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    CircuitErrors, RequirementUsage,
    ::testing::Values(UsageRow{"--requirement 1k,1,3k,40 --gain 0.5",
                               "--gain: a Sallen-Key stage's gain 1 + Rf/Rg is at least 1, here 0.5; --topology mfb "
                               "designs a gain below 1"},
                      UsageRow{"--requirement 1k,1,3k,40 --topology mfb --gain 2000",
                               "--gain: 2000 is not in 0.1..1000"},
                      UsageRow{"--requirement 1k,1,3k,40 --topology mfb --stage-gains 2,5",
                               "--stage-gains is not used with --requirement (the stages share --gain equally)"},
                      UsageRow{"--requirement 1k,1,3k,40 --stage-order descending-q",
                               "--stage-order is not used with --requirement (the stages share --gain equally)"},
                      UsageRow{"--requirement 1k,1,3k,40 --topology mfb --values series",
                               "--values series with --requirement designs the unity-gain Sallen-Key only; leave out "
                               "--topology mfb"},
                      UsageRow{"--requirement 1k,1,3k,40 --gain 2 --values series",
                               "--values series with --requirement designs the unity-gain Sallen-Key only; leave out "
                               "--gain"},
                      UsageRow{"--requirement 5k,8k,12k,20k,1,40 --kind bpf --topology sallen-key",
                               "--topology: a band-pass filter is built of MFB sections (--topology mfb)"}));

}  // namespace
}  // namespace kelvara::tools
