// The netlist's structure and its values read back at full precision.

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>

#include "export/spice_number.h"

#include "export/spice_netlist.h"
#include "tests/export/export_designs.h"
#include "values/eng_value.h"

namespace kelvara::exports {
namespace {

using test::DesignCase;

const DesignCase kCases[] = {
    {"Lpf2AnyButterworth", 0, 2, 0, "1k", false},    {"Lpf3SeriesBessel", 0, 3, 1, "2.2k", false},
    {"Lpf8SeriesChebyshev", 0, 8, 2, "10k", true},   {"Hpf5AnyChebyshev", 1, 5, 2, "3.3k", false},
    {"Hpf4SeriesButterworth", 1, 4, 0, "150", true}, {"Hpf7SeriesChebyshev", 1, 7, 2, "10k", true},
};

class NetlistReadBack : public ::testing::TestWithParam<DesignCase> {};

TEST_P(NetlistReadBack, GivesEveryPartValueAsItReads) {
  const test::Design d = test::MakeDesign(GetParam());
  NetlistOptions options;
  options.fStartHz = 1;
  options.fStopHz = 1e8;
  options.date = "2026-12-08";
  const std::string text = WriteSpiceNetlist(d.request, d.parts, options);
  const auto parsed = ReadSpiceNetlist(text);
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(parsed->ended);
  const int order = d.request.Order();
  ASSERT_EQ(parsed->values.size(), static_cast<std::size_t>(2 * order));
  // Every value in its engineer's form, which reads back within 1e-12.
  for (int i = 1; i <= order; ++i) {
    for (const bool capacitor : {false, true}) {
      const std::string name = (capacitor ? "C" : "R") + std::to_string(i);
      const double value = capacitor ? d.parts.c[i - 1] : d.parts.r[i - 1];
      EXPECT_LE(std::fabs(parsed->values.at(name) - value), kSiReadBack * value) << name;
      EXPECT_NE(text.find(" " + SiNumber(value) + "\n"), std::string::npos) << name;
    }
  }
  EXPECT_EQ(parsed->acStartHz, 1.0);
  EXPECT_EQ(parsed->acStopHz, 1e8);
  // The first series part starts at the input, the last stage ends at "out".
  const std::string first = d.request.passKind == engine::kHpf ? "C1" : "R1";
  EXPECT_EQ(parsed->nodes.at(first).first, "in");
  EXPECT_NE(text.find(" out kelvara_opamp\n"), std::string::npos);
  EXPECT_NE(text.find("\nV1 in 0 DC 0 AC 1\n"), std::string::npos);
  EXPECT_NE(text.find("\n.ac dec 100 1 100e6\n.print ac vm(out)\n.end\n"), std::string::npos) << text;
  EXPECT_NE(text.find("2026-12-08"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Designs, NetlistReadBack, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// No number of a netlist carries floating-point noise: series designs'
// values have the few digits of their series, no exponent has a sign or a
// leading zero ("3e+05", "2.2e-08"), and numbers in the comments have at
// most six significant digits.
TEST_P(NetlistReadBack, HasNoFloatingPointNoise) {
  const test::Design d = test::MakeDesign(GetParam());
  for (const auto& opamp : {response::OpAmpModel{}, test::RealOpAmp(1e6, 100, 50)}) {
    NetlistOptions options;
    options.opamp = opamp;
    options.fStartHz = 10;
    options.fStopHz = 300e3;
    const std::string text = WriteSpiceNetlist(d.request, d.parts, options);
    EXPECT_FALSE(std::regex_search(text, std::regex("[0-9]e[+]|e-0[0-9]"))) << text;
    const std::regex number("[0-9][0-9.]*(e-?[0-9]+)?");
    const std::regex partLine("^[RC][0-9]+ ");
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      for (std::sregex_iterator it(line.begin(), line.end(), number), end; it != end; ++it) {
        std::string digits;
        for (char ch : it->str().substr(0, it->str().find('e'))) {
          if (ch != '.') digits += ch;
        }
        digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
        while (!digits.empty() && digits.back() == '0') digits.pop_back();
        const bool seriesPart = GetParam().series && std::regex_search(line, partLine);
        const std::size_t most = line[0] == '*' ? 6 : seriesPart ? 3 : 17;
        EXPECT_LE(digits.size(), most) << line;
      }
    }
    EXPECT_NE(text.find("ac dec 100 10 300e3\n"), std::string::npos) << text;
  }
}

// Values typed into the part edits come out as they were typed, in SI form.
TEST(NetlistValues, ReadAsTheTypedTexts) {
  const test::Design d = test::MakeDesign({"Lpf2", 0, 2, 0, "1k", false});
  engine::ComponentSet parts = d.parts;
  parts.r[0] = values::ParseEngValue("4.7k");
  parts.r[1] = values::ParseEngValue("33.2k");
  parts.c[0] = values::ParseEngValue("0.016227u");
  parts.c[1] = values::ParseEngValue("8.842n");
  const std::string text = WriteSpiceNetlist(d.request, parts, {});
  for (const char* line :
       {"R1 in s1_a 4.7e3\n", "R2 s1_a s1_b 33.2e3\n", "C1 s1_a out 16.227e-9\n", "C2 s1_b 0 8.842e-9\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << text;
  }
}

struct NodeCase {
  const char* name;
  int passKind;
  int order;
  const char* part;
  const char* nodeA;
  const char* nodeB;
};

// Where the parts sit: series parts along the signal, the lower-numbered
// shunt part from node a to the stage output, the higher one to ground.
const NodeCase kNodes[] = {
    {"LpfEvenFeedbackCapacitor", 0, 4, "C3", "s2_a", "out"}, {"LpfEvenGroundCapacitor", 0, 4, "C2", "s1_b", "0"},
    {"LpfEvenSecondResistor", 0, 4, "R4", "s2_a", "s2_b"},   {"LpfOddFirstOrder", 0, 5, "C1", "s1_a", "0"},
    {"LpfOddNextStage", 0, 5, "R2", "s1_out", "s2_a"},       {"HpfOddFirstOrder", 1, 3, "R1", "s1_a", "0"},
    {"HpfFeedbackResistor", 1, 3, "R2", "s2_a", "out"},      {"HpfSeriesCapacitor", 1, 6, "C4", "s2_a", "s2_b"},
};

class NetlistNodes : public ::testing::TestWithParam<NodeCase> {};

TEST_P(NetlistNodes, PartSitsWhereThePictureDrawsIt) {
  const NodeCase& c = GetParam();
  const test::Design d = test::MakeDesign({c.name, c.passKind, c.order, 0, "1k", false});
  const auto parsed = ReadSpiceNetlist(WriteSpiceNetlist(d.request, d.parts, {}));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->nodes.at(c.part), (std::pair<std::string, std::string>{c.nodeA, c.nodeB}));
}

INSTANTIATE_TEST_SUITE_P(Parts, NetlistNodes, ::testing::ValuesIn(kNodes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NetlistReader, ReadsScaleLettersContinuationsAndSkipsSubcircuits) {
  const auto parsed = ReadSpiceNetlist(
      "title\n* comment\nR1 in a 4.7k ; inline\nC1 a 0\n+ 10n\n.subckt x 1 2\nR9 1 2 1\n.ends\nr2 a b 1meg\n"
      ".ac dec 10 1 1meg\n.end\nR3 a b 1\n");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->title, "title");
  EXPECT_DOUBLE_EQ(parsed->values.at("R1"), 4700);
  EXPECT_DOUBLE_EQ(parsed->values.at("C1"), 10e-9);
  EXPECT_DOUBLE_EQ(parsed->values.at("R2"), 1e6);
  EXPECT_EQ(parsed->values.count("R9"), 0u);
  EXPECT_EQ(parsed->values.count("R3"), 0u);
  EXPECT_EQ(parsed->acStopHz, 1e6);
  EXPECT_FALSE(ReadSpiceNetlist("t\nR1 a b\n"));
  EXPECT_FALSE(ReadSpiceNetlist("t\nR1 a b x\n"));
}

}  // namespace
}  // namespace kelvara::exports
