// Numbers in netlists read back to the same double, and SPICE's scale
// letters read as SPICE reads them.

#include "export/spice_number.h"

#include <gtest/gtest.h>

#include <limits>

namespace kelvara::exports {
namespace {

TEST(SpiceNumber, EveryValueReadsBackToTheSameDouble) {
  const double values[] = {4700,
                           2.2e-8,
                           1.0 / 3.0,
                           0.1 + 0.2,
                           1.5915494309189535e-07,
                           47000.000000000007,
                           1e-15,
                           9.87654321e12,
                           std::numeric_limits<double>::denorm_min(),
                           5e-324 * 3};
  for (double v : values) {
    const std::string text = SpiceNumber(v);
    EXPECT_EQ(ParseSpiceNumber(text), v) << text;
    // No scale letter that SPICE could read as milli or micro.
    EXPECT_EQ(text.find_first_of("MmUuKkGgTtPpNnFf"), std::string::npos) << text;
  }
}

TEST(SpiceNumber, ScaleLettersAsSpiceReadsThem) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {{"1M", 1e-3},   {"1meg", 1e6},     {"1MEG", 1e6},  {"4.7k", 4.7e3}, {"10uF", 10e-6},
               {"22n", 22e-9}, {"3.3p", 3.3e-12}, {"2f", 2e-15},  {"1g", 1e9},     {"1t", 1e12},
               {"1e3", 1e3},   {"+5", 5},         {"100ohm", 100}};
  for (const Case& c : cases) {
    const auto v = ParseSpiceNumber(c.text);
    ASSERT_TRUE(v) << c.text;
    EXPECT_DOUBLE_EQ(*v, c.value) << c.text;
  }
  EXPECT_FALSE(ParseSpiceNumber("k1"));
  EXPECT_FALSE(ParseSpiceNumber(""));
}

}  // namespace
}  // namespace kelvara::exports
