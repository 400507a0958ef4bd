// The netlist's structure and its values read back at full precision.

#include <gtest/gtest.h>

#include "export/spice_netlist.h"
#include "tests/export/export_designs.h"

namespace kelvara::exports {
namespace {

using test::DesignCase;

const DesignCase kCases[] = {
    {"Lpf2AnyButterworth", 0, 2, 0, "1k", false},    {"Lpf3SeriesBessel", 0, 3, 1, "2.2k", false},
    {"Lpf8SeriesChebyshev", 0, 8, 2, "10k", true},   {"Hpf5AnyChebyshev", 1, 5, 2, "3.3k", false},
    {"Hpf4SeriesButterworth", 1, 4, 0, "150", true}, {"Hpf7SeriesChebyshev", 1, 7, 2, "10k", true},
};

class NetlistReadBack : public ::testing::TestWithParam<DesignCase> {};

TEST_P(NetlistReadBack, GivesEveryPartValueToFullPrecision) {
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
  for (int i = 1; i <= order; ++i) {
    EXPECT_EQ(parsed->values.at("R" + std::to_string(i)), d.parts.r[i - 1]) << "R" << i;
    EXPECT_EQ(parsed->values.at("C" + std::to_string(i)), d.parts.c[i - 1]) << "C" << i;
  }
  EXPECT_EQ(parsed->acStartHz, 1.0);
  EXPECT_EQ(parsed->acStopHz, 1e8);
  // The first series part starts at the input, the last stage ends at "out".
  const std::string first = d.request.passKind == engine::kHpf ? "C1" : "R1";
  EXPECT_EQ(parsed->nodes.at(first).first, "in");
  EXPECT_NE(text.find(" out kelvara_opamp\n"), std::string::npos);
  EXPECT_NE(text.find("\nV1 in 0 AC 1\n"), std::string::npos);
  EXPECT_NE(text.find("2026-12-08"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Designs, NetlistReadBack, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

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
