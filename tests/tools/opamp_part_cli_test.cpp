// kelvara-design --opamp NAME and --opamp-list: the parts of the op-amp
// list the analysis window offers ("品種"), their figures applied as the
// --opamp-* options would apply them, single figures overridden by the
// options given with --opamp.

#include <gtest/gtest.h>

#include <QFile>
#include <cctype>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_checks.h"
#include "response/opamp_analysis.h"
#include "response/opamp_catalogue.h"
#include "tests/tools/designer_process.h"

namespace kelvara::tools {
namespace {

const std::vector<std::string> kDesign = {"--cutoff",  "10k",        "--order", "6",        "--response",
                                          "chebyshev", "--analysis", "--noise", "--levels", "--json"};

std::vector<std::string> With(std::vector<std::string> base, const std::vector<std::string>& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

// The options that give every figure of a part one by one (an empty figure
// is left out: its option's default is "not given" or 0).
std::vector<std::string> FigureOptions(const response::CatalogueOpAmp& c) {
  std::vector<std::string> options;
  auto add = [&options](const char* option, const std::string& text) {
    if (text.empty()) return;
    options.push_back(option);
    options.push_back(text);
  };
  add("--opamp-gbw", c.opamp.gbwHz);
  add("--opamp-a0", c.opamp.a0Db);
  add("--opamp-rout", c.opamp.routOhm);
  add("--opamp-en", c.noise.enNvRtHz);
  add("--opamp-en-corner", c.noise.enCornerHz);
  add("--opamp-in", c.noise.inPaRtHz);
  add("--opamp-swing", c.noise.swingVpp);
  add("--opamp-sr", c.noise.slewVPerUs);
  return options;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(OpAmpPart, TheListHoldsTheFiltersOpAmpsWithTheirFigures) {
  const Outcome r = RunDesigner({"--opamp-list"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  const auto& catalogue = response::OpAmpCatalogue();
  ASSERT_EQ(lines.size(), catalogue.size());
  EXPECT_GE(lines.size(), 10u);
  // The window's order: the first three as they always were, the rest after.
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i].rfind(catalogue[i].name + ": GBW ", 0), 0u) << lines[i];
  EXPECT_EQ(lines[0].substr(0, lines[0].find(" (")),
            "OP27: GBW 8M Hz, A0 125.1 dB, Rout 70 ohm, en 3 nV/rtHz, 1/f corner 2.7 Hz, in 0.4 pA/rtHz, swing 27.6 "
            "Vpp, slew rate 2.8 V/us, supply -");
  EXPECT_EQ(lines[1].rfind("TL072: GBW 4M Hz, A0 106 dB, Rout 0 ohm, en 15 nV/rtHz, 1/f corner -, in -, swing 27 Vpp, "
                           "slew rate 16 V/us",
                           0),
            0u)
      << lines[1];
  // RC4559's slew rate, 1.5 V/us typical in its datasheet's features.
  EXPECT_NE(lines[2].find("RC4559: GBW 4M Hz, A0 109.5 dB, Rout 0 ohm, en -, 1/f corner -, in -, swing 26 Vpp, slew "
                          "rate 1.5 V/us"),
            std::string::npos)
      << lines[2];
  for (const char* name : {"NE5532", "LME49720", "OP07", "OPA350", "OPA320", "MCP6022", "AD8065"}) {
    bool listed = false;
    for (std::size_t i = 3; i < lines.size(); ++i) listed = listed || lines[i].rfind(std::string(name) + ": ", 0) == 0;
    EXPECT_TRUE(listed) << name;
  }
  // Every line names the conditions of its figures.
  for (const std::string& line : lines) EXPECT_EQ(line.back(), ')') << line;
}

// A part gives exactly what its figures typed as options give, for every
// part of the list (the list the analysis window fills its 品種 from).
TEST(OpAmpPart, APartGivesItsFiguresAsTheOptionsWould) {
  for (const response::CatalogueOpAmp& c : response::OpAmpCatalogue()) {
    const Outcome part = RunDesigner(With(kDesign, {"--opamp", c.name}));
    const Outcome typed = RunDesigner(With(kDesign, FigureOptions(c)));
    ASSERT_EQ(part.exitCode, 0) << c.name << ": " << part.err;
    ASSERT_EQ(typed.exitCode, 0) << c.name << ": " << typed.err;
    EXPECT_EQ(part.out, typed.out) << c.name;
    const nlohmann::json j = nlohmann::json::parse(part.out);
    EXPECT_TRUE(j["summary"].contains("stopband_floor_db")) << c.name;  // the real op-amp
    EXPECT_EQ(j["levels"]["max_input_vpp"].is_null(), c.noise.swingVpp.empty()) << c.name;
    EXPECT_EQ(j["levels"]["slew_max_input_vpp"].is_null(), c.noise.slewVPerUs.empty()) << c.name;
  }
}

TEST(OpAmpPart, OP27IsTheSinglePoleOfItsDatasheet) {
  const Outcome r = RunDesigner(
      {"--cutoff", "10k", "--order", "6", "--response", "chebyshev", "--analysis", "--json", "--opamp", "op27"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  response::OpAmpModel op27;
  op27.ideal = false;
  op27.gbwHz = 8e6;
  op27.a0Db = 125.1;
  op27.routOhm = 70;
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.orderIndex = 4, .response = engine::kChebyshev, .cutoffText = "10k", .anyValues = true});
  const auto reports = response::AnalyseOpAmpStages(response::CircuitFromComponents(request, PartsOf(j)), op27);
  ASSERT_EQ(j["stages"].size(), reports.size());
  for (std::size_t k = 0; k < reports.size(); ++k)
    EXPECT_EQ(j["stages"][k]["gain_error_db_at_f0"].get<double>(), reports[k].gainErrorDbAtF0) << k;
}

TEST(OpAmpPart, OptionsGivenWithThePartOverrideSingleFigures) {
  response::CatalogueOpAmp changed = response::OpAmpCatalogue().at(0);
  ASSERT_EQ(changed.name, "OP27");
  changed.opamp.routOhm = "0";
  changed.noise.swingVpp = "10";
  const Outcome part = RunDesigner(With(kDesign, {"--opamp-rout", "0", "--opamp", "OP27", "--opamp-swing", "10"}));
  const Outcome typed = RunDesigner(With(kDesign, FigureOptions(changed)));
  ASSERT_EQ(part.exitCode, 0) << part.err;
  ASSERT_EQ(typed.exitCode, 0) << typed.err;
  EXPECT_EQ(part.out, typed.out);
  const Outcome plain = RunDesigner(With(kDesign, {"--opamp", "OP27"}));
  EXPECT_NE(plain.out, part.out);
  // A figure the part leaves empty can be given too.
  const Outcome rc = RunDesigner(With(kDesign, {"--opamp", "RC4559", "--opamp-en", "8"}));
  ASSERT_EQ(rc.exitCode, 0) << rc.err;
  double en = 0;
  const nlohmann::json noise = nlohmann::json::parse(rc.out)["noise"];
  for (const auto& c : noise["contributions"])
    if (c["source"] == "U1 en") en = c["vrms"].get<double>();
  EXPECT_GT(en, 0.0);
}

TEST(OpAmpPart, AnUnknownNameIsAUsageErrorThatSaysWhereTheNamesAre) {
  const Outcome r = RunDesigner({"--cutoff", "1k", "--opamp", "LM741X"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_EQ(r.err,
            "kelvara-design: --opamp: unknown op-amp 'LM741X' (kelvara-design --opamp-list prints the names it "
            "takes)\n詳しくは --help\n");
  const Outcome empty = RunDesigner({"--cutoff", "1k", "--opamp="});
  EXPECT_EQ(empty.exitCode, 2);
}

// The manual page names every option the tool has, these among them.
TEST(OpAmpPart, TheManualPageNamesTheOptions) {
  QFile file(QStringLiteral(KELVARA_MAN_PAGE));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const std::string raw = file.readAll().toStdString();
  std::string page = raw;
  for (std::size_t at = 0; (at = page.find("\\-", at)) != std::string::npos;) page.replace(at, 2, "-");
  const Outcome help = RunDesigner({"--help"});
  ASSERT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--opamp-list"), std::string::npos);
  std::istringstream words(help.out);
  for (std::string word; words >> word;) {
    if (word.rfind("--", 0) != 0 || word.size() < 3 || !std::isalpha(static_cast<unsigned char>(word[2]))) continue;
    std::string option;
    for (char ch : word) {
      if (!(std::isalnum(static_cast<unsigned char>(ch)) || ch == '-')) break;
      option += ch;
    }
    if (option.back() == '-') option.pop_back();
    EXPECT_NE(page.find(option), std::string::npos) << option << " is not in kelvara-design(1)";
  }
  // Each with its own entry.
  EXPECT_NE(raw.find(".BI \\-\\-opamp \" NAME\""), std::string::npos);
  EXPECT_NE(raw.find(".B \\-\\-opamp\\-list"), std::string::npos);
}

}  // namespace
}  // namespace kelvara::tools
