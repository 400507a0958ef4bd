// kelvara-design --as-shown: every figure, curve and export is of the part
// values as the window's part edits show them (the display texts read back
// with ParseEngValue), not of the run's full values; r and c stay the
// run's. The references are computed here from the texts the tool prints.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "engine/sheet_inputs.h"
#include "export/spice_number.h"  // SiNumber, as the netlist writes values
#include "response/analysis.h"
#include "response/response.h"
#include "tests/tools/designer_process.h"
#include "values/eng_value.h"

namespace kelvara::tools {
namespace {

struct AsShownCase {
  const char* name;
  std::vector<std::string> design;
  int passKind;
  int order;
  int response;
  const char* cutoff;
  bool series;
};

const AsShownCase kCases[] = {
    {"Lpf8Chebyshev10k", {"--cutoff", "10k", "--order", "8", "--response", "chebyshev"}, 0, 8, 2, "10k", false},
    {"Hpf5Butterworth4k7Series",
     {"--cutoff", "4.7k", "--kind", "hpf", "--order", "5", "--values", "series"},
     1,
     5,
     0,
     "4.7k",
     true},
    {"Lpf7Bessel1k", {"--cutoff", "1k", "--order", "7", "--response", "bessel"}, 0, 7, 1, "1k", false},
};

engine::DesignRequest RequestOf(const AsShownCase& c) {
  engine::SheetInputs in;
  in.passKind = c.passKind;
  in.orderIndex = c.order - 2;
  in.response = c.response;
  in.cutoffText = c.cutoff;
  in.anyValues = !c.series;
  return engine::RequestOf(in);
}

/// The values the texts of a JSON report stand for, read as the window
/// reads its part edits.
engine::ComponentSet ShownParts(const nlohmann::json& j) {
  engine::ComponentSet parts;
  for (std::size_t i = 0; i < j["r_text"].size(); ++i) {
    parts.r[i] = values::ParseEngValue(j["r_text"][i].get<std::string>());
    parts.c[i] = values::ParseEngValue(j["c_text"][i].get<std::string>());
  }
  return parts;
}

nlohmann::json Optional(const std::optional<double>& v) { return v ? nlohmann::json(*v) : nlohmann::json(nullptr); }

Outcome RunCase(const AsShownCase& c, std::vector<std::string> more) {
  std::vector<std::string> args = c.design;
  args.insert(args.end(), more.begin(), more.end());
  return RunDesigner(args);
}

class AsShownCli : public ::testing::TestWithParam<AsShownCase> {};

TEST_P(AsShownCli, AnalysesTheShownValuesBitForBit) {
  const AsShownCase& c = GetParam();
  const Outcome shownRun = RunCase(c, {"--as-shown", "--analysis", "--json"});
  const Outcome fullRun = RunCase(c, {"--analysis", "--json"});
  ASSERT_EQ(shownRun.exitCode, 0) << shownRun.err;
  ASSERT_EQ(fullRun.exitCode, 0) << fullRun.err;
  const nlohmann::json shown = nlohmann::json::parse(shownRun.out);
  const nlohmann::json full = nlohmann::json::parse(fullRun.out);
  // The run's values and texts stay as they are; the shown ones are added.
  EXPECT_EQ(shown["r"], full["r"]);
  EXPECT_EQ(shown["c"], full["c"]);
  EXPECT_EQ(shown["r_text"], full["r_text"]);
  EXPECT_EQ(shown["c_text"], full["c_text"]);
  EXPECT_FALSE(full.contains("as_shown"));
  EXPECT_EQ(shown["as_shown"], true);
  const engine::DesignRequest request = RequestOf(c);
  const engine::ComponentSet parts = ShownParts(shown);
  for (int i = 0; i < c.order; ++i) {
    EXPECT_EQ(shown["r_shown"][i].get<double>(), parts.r[i]);
    EXPECT_EQ(shown["c_shown"][i].get<double>(), parts.c[i]);
  }
  // Every figure is that of the shown values.
  const std::vector<response::StageEvaluation> stages = response::EvaluateStages(request, parts);
  ASSERT_EQ(shown["stages"].size(), stages.size());
  for (std::size_t i = 0; i < stages.size(); ++i) {
    const nlohmann::json& s = shown["stages"][i];
    EXPECT_EQ(s["f0_hz"].get<double>(), stages[i].f0Hz);
    EXPECT_EQ(s["q"], Optional(stages[i].q));
    EXPECT_EQ(s["f0_error_pct"], Optional(stages[i].f0ErrorPct));
    EXPECT_EQ(s["peak_db"].get<double>(), stages[i].peak.db);
  }
  const response::ResponseSummary sum = response::Summarize(response::CascadeFromParts(request, parts));
  EXPECT_EQ(shown["summary"]["minus3db_hz"].get<double>(), sum.minus3dbHz);
  EXPECT_EQ(shown["summary"]["ripple_db"], Optional(sum.rippleDb));
  EXPECT_EQ(shown["minus3db_hz"].get<double>(),
            response::FindCutoff3dB(request, response::StagesFromComponents(request, parts)));
  // The run's exact values give other figures (preferred values may read
  // back within a last digit of their own).
  if (!c.series) {
    EXPECT_NE(full["summary"]["minus3db_hz"], shown["summary"]["minus3db_hz"]);
  }
}

// The curves, the noise and the tolerance study take the shown values too.
TEST_P(AsShownCli, CurvesNoiseAndToleranceTakeTheShownValues) {
  const AsShownCase& c = GetParam();
  const nlohmann::json shown = nlohmann::json::parse(RunCase(c, {"--as-shown", "--json"}).out);
  const engine::DesignRequest request = RequestOf(c);
  const engine::ComponentSet parts = ShownParts(shown);
  const double minus3 = response::FindCutoff3dB(request, response::StagesFromComponents(request, parts));
  // The tolerance study's nominal -3 dB frequency.
  const Outcome tol = RunCase(c, {"--as-shown", "--json", "--monte-carlo", "100"});
  ASSERT_EQ(tol.exitCode, 0) << tol.err;
  EXPECT_EQ(nlohmann::json::parse(tol.out)["tolerance"]["minus3db_hz"]["nominal"].get<double>(), minus3);
  // The gain curve at the -3 dB frequency of the shown values: that of the
  // exact values reads otherwise.
  const std::string at = std::to_string(minus3);
  const Outcome curve = RunCase(c, {"--as-shown", "--curve", "gain", "--from", at, "--to", at, "--points", "1"});
  const Outcome fullCurve = RunCase(c, {"--curve", "gain", "--from", at, "--to", at, "--points", "1"});
  ASSERT_EQ(curve.exitCode, 0) << curve.err;
  if (!c.series) {
    EXPECT_NE(curve.out, fullCurve.out);
  }
  // The noise of the shown values differs from that of the full ones.
  const Outcome noise = RunCase(c, {"--as-shown", "--json", "--noise"});
  const Outcome fullNoise = RunCase(c, {"--json", "--noise"});
  ASSERT_EQ(noise.exitCode, 0) << noise.err;
  if (!c.series) {
    EXPECT_NE(nlohmann::json::parse(noise.out)["noise"], nlohmann::json::parse(fullNoise.out)["noise"]);
  }
}

INSTANTIATE_TEST_SUITE_P(Designs, AsShownCli, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The netlist and the parts list hold the shown values ("805e-12", what
// the window's netlist writes), also for a design file (--sheet).
TEST(AsShownExports, NetlistAndPartsListHoldTheShownValues) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(::testing::TempDir()) / ("kelvara_as_shown_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path zdn = dir / "f.zdn";
  const std::vector<std::string> design = {"--cutoff", "10k", "--order", "8", "--response", "chebyshev"};
  std::vector<std::string> first = design;
  for (const char* a : {"--json", "--out"}) first.push_back(a);
  first.push_back(zdn.string());
  const Outcome run = RunDesigner(first);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json j = nlohmann::json::parse(run.out);
  const engine::ComponentSet parts = ShownParts(j);
  for (const bool sheet : {false, true}) {
    SCOPED_TRACE(sheet ? "--sheet" : "options");
    const fs::path cir = dir / "f.cir";
    const fs::path csv = dir / "f.csv";
    std::vector<std::string> args = sheet ? std::vector<std::string>{"--sheet", zdn.string()} : design;
    for (const std::string& a :
         {std::string("--as-shown"), std::string("--spice"), cir.string(), std::string("--bom"), csv.string()})
      args.push_back(a);
    const Outcome exported = RunDesigner(args);
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const std::string netlist = ReadAll(cir);
    const std::string list = ReadAll(csv);
    for (int i = 0; i < 8; ++i) {
      const double fullC = j["c"][i].get<double>();
      EXPECT_NE(netlist.find(" " + exports::SiNumber(parts.c[i])), std::string::npos)
          << exports::SiNumber(parts.c[i]) << "\n"
          << netlist;
      if (fullC != parts.c[i]) {
        EXPECT_EQ(netlist.find(exports::SiNumber(fullC)), std::string::npos);
      }
      EXPECT_NE(list.find(exports::SiNumber(parts.r[i])), std::string::npos) << list;
    }
  }
  fs::remove_all(dir);
}

// The help says which values each front end uses.
TEST(AsShownHelp, SaysWhichValuesEachFrontEndUses) {
  const Outcome help = RunDesigner({"--help"});
  ASSERT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--as-shown"), std::string::npos);
  EXPECT_NE(help.out.find("the window, its exports and its report use the values its part"), std::string::npos)
      << help.out;
}

}  // namespace
}  // namespace kelvara::tools
