// The plain (non-JSON) text of kelvara-design: which op-amp each -3 dB
// figure is for when a real op-amp is given, and the level figures in
// decibels in a fixed format, as the levels view shows them.

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_checks.h"
#include "response/circuit.h"
#include "tests/tools/designer_process.h"
#include "values/eng_value.h"

namespace kelvara::tools {
namespace {

std::vector<std::string> With(std::vector<std::string> base, const std::vector<std::string>& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& start) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(start, 0) == 0) lines.push_back(line);
  return lines;
}

std::string Decimals(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

const std::vector<std::string> kEighthOrder = {"--cutoff", "10k", "--order", "8", "--response", "chebyshev"};

TEST(PlainText, WithARealOpAmpEachMinus3dBSaysWhichOpAmpItIsFor) {
  const std::vector<std::string> opamp = {"--opamp-gbw", "1M", "--monte-carlo", "100"};
  const Outcome plain = RunDesigner(With(kEighthOrder, opamp));
  const Outcome json = RunDesigner(With(With(kEighthOrder, opamp), {"--json"}));
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const nlohmann::json j = nlohmann::json::parse(json.out);
  // The design's own figure, that of the ideal op-amp ...
  const std::vector<std::string> lines = LinesStartingWith(plain.out, "-3dB = ");
  ASSERT_EQ(lines.size(), 2u) << plain.out;
  EXPECT_EQ(lines[0], "-3dB = " + values::FormatFrequencyReading(j["minus3db_hz"].get<double>()) + " (ideal op-amp)");
  // ... and the circuit's with the op-amp given, the Monte Carlo's nominal.
  response::OpAmpModel model;
  model.ideal = false;
  model.gbwHz = 1e6;
  const engine::DesignRequest request = engine::MakeDesignRequest(
      {.orderIndex = 6, .response = engine::kChebyshev, .cutoffText = "10k", .anyValues = true});
  const double given = response::CircuitCutoff3dB(response::MakeCircuit(request, PartsOf(j), model));
  EXPECT_EQ(lines[1], "-3dB = " + values::FormatFrequencyReading(given) + " (the given op-amp)");
  EXPECT_EQ(values::FormatFrequencyReading(j["tolerance"]["minus3db_hz"]["nominal"].get<double>()),
            values::FormatFrequencyReading(given));
  EXPECT_NE(values::FormatFrequencyReading(given), values::FormatFrequencyReading(j["minus3db_hz"].get<double>()));

  // The ideal op-amp: one figure, as it always was.
  const Outcome ideal = RunDesigner(kEighthOrder);
  ASSERT_EQ(ideal.exitCode, 0) << ideal.err;
  EXPECT_EQ(LinesStartingWith(ideal.out, "-3dB = "),
            std::vector<std::string>{"-3dB = " + values::FormatFrequencyReading(j["minus3db_hz"].get<double>())});
}

TEST(PlainText, LevelFiguresInDecibelsHaveAFixedFormat) {
  const std::vector<std::string> design = {"--cutoff",      "1k", "--order",    "4", "--levels",
                                           "--opamp-swing", "20", "--opamp-en", "5"};
  const Outcome plain = RunDesigner(design);
  const Outcome json = RunDesigner(With(design, {"--json"}));
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const nlohmann::json levels = nlohmann::json::parse(json.out)["levels"];
  const std::vector<std::string> stages = LinesStartingWith(plain.out, "U");
  ASSERT_EQ(stages.size(), levels["stages"].size());
  for (std::size_t k = 0; k < stages.size(); ++k) {
    const double db = levels["stages"][k]["max_gain_db"].get<double>();
    const std::string fixed = Decimals(db, 2) == "-0.00" ? "0.00" : Decimals(db, 2);
    EXPECT_EQ(stages[k].substr(0, stages[k].find(" at ")),
              "U" + std::to_string(k + 1) + " output: highest gain " + fixed + " dB")
        << stages[k];
    EXPECT_EQ(stages[k].find("e-"), std::string::npos) << stages[k];  // no exponent
    EXPECT_EQ(stages[k].find("e+"), std::string::npos) << stages[k];
  }
  // A unity-gain Butterworth's first stage peaks at 0 dB within rounding:
  // 0.00, never 1.92865e-15 or -0.00.
  EXPECT_EQ(stages[0].substr(0, stages[0].find(" at ")), "U1 output: highest gain 0.00 dB");
  // The dynamic range to one decimal; the input it is of and the limit that
  // input meets first on a line of their own.
  EXPECT_EQ(
      LinesStartingWith(plain.out, "dynamic range = "),
      std::vector<std::string>{"dynamic range = " + Decimals(levels["dynamic_range_db"].get<double>(), 1) + " dB"});
  EXPECT_EQ(LinesStartingWith(plain.out, "dynamic range input = "),
            std::vector<std::string>{std::string("dynamic range input = 20 Vpp (limited by the ") +
                                     (levels["limited_by"] == "slew" ? "slew rate" : "swing") + ")"});
}

}  // namespace
}  // namespace kelvara::tools
