// Numbers in netlists read back to the same double, and SPICE's scale
// letters read as SPICE reads them.

#include "export/spice_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

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

namespace kelvara::exports {
namespace {

// The engineer's form: the digits of the part's own text, the exponent a
// multiple of three, and a text that reads back within kSiReadBack.
TEST(SiNumber, WritesTheValueAsItsTextReads) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.016227 * 1e-6, "16.227e-9"},                // 1.6226999999999997e-08, from "0.016227u"
      {8.842 * 1e-9, "8.842e-9"},                    // 8.841999999999999e-09, from "8.842n"
      {300000, "300e3"},                             // not "3e+05"
      {4700, "4.7e3"},                               //
      {4.7 * 1000, "4.7e3"},                         // 4700.000000000001
      {470, "470"},                                  //
      {1e6, "1e6"},                                  //
      {10e6, "10e6"},                                //
      {0.5, "500e-3"},                               //
      {100e-12, "100e-12"},                          //
      {22e-9, "22e-9"},                              //
      {-500, "-500"},                                //
      {0, "0"},                                      //
      {1.5915494309189535e-07, "159.154943092e-9"},  // the digits it takes
  };
  for (const Case& c : cases) EXPECT_EQ(SiNumber(c.value), c.text) << c.value;
}

TEST(SiNumber, ReadsBackWithinItsToleranceWithTheFewestDigits) {
  // Values of every magnitude and digit pattern, deterministic.
  double x = 0.123456789;
  for (int i = 0; i < 20000; ++i) {
    x = std::fmod(x * 9301.0 + 0.4927, 1.0);
    const double value = (1.0 + 8.999 * x) * std::pow(10.0, (i % 37) - 18);
    const std::string text = SiNumber(value);
    const auto back = ParseSpiceNumber(text);
    ASSERT_TRUE(back) << text;
    EXPECT_LE(std::fabs(*back - value), kSiReadBack * value) << text;
    // No scale letter, an exponent that is a multiple of three, one to
    // three digits before the point.
    EXPECT_EQ(text.find_first_of("MmUuKkGgTtPpNnFf+"), std::string::npos) << text;
    const std::size_t e = text.find('e');
    const std::string mantissa = text.substr(0, e);
    const int exponent = e == std::string::npos ? 0 : std::stoi(text.substr(e + 1));
    EXPECT_EQ(exponent % 3, 0) << text;
    const double m = std::stod(mantissa);
    EXPECT_GE(m, 1.0) << text;
    EXPECT_LT(m, 1000.0) << text;
    // One digit fewer would not read back.
    std::string significant;
    for (char ch : mantissa) {
      if (ch >= '0' && ch <= '9') significant += ch;
    }
    while (significant.size() > 1 && significant.back() == '0') significant.pop_back();
    const std::size_t digits = significant.size();
    if (digits > 1) {
      const std::string shorter = SiRounded(value, static_cast<int>(digits) - 1);
      EXPECT_GT(std::fabs(*ParseSpiceNumber(shorter) - value), kSiReadBack * value) << text << " " << shorter;
    }
  }
}

TEST(SiRounded, RoundsToSignificantDigitsAndDropsTrailingZeros) {
  EXPECT_EQ(SiRounded(1591.5494309189535, 6), "1.59155e3");
  EXPECT_EQ(SiRounded(999.9996, 6), "1e3");
  EXPECT_EQ(SiRounded(1e7, 6), "10e6");
  EXPECT_EQ(SiRounded(6.283185307179586e-05, 3), "62.8e-6");
}

}  // namespace
}  // namespace kelvara::exports
