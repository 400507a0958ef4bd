#include "values/eng_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <random>
#include <string>

namespace kelvara::values {
namespace {

struct ParseCase {
  const char* text;
  double expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ParseEngValueTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseEngValueTest, ReadsValue) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(ParseEngValue(c.text), c.expected) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, ParseEngValueTest,
                         ::testing::Values(ParseCase{"4.7k", 4700}, ParseCase{" 2.2k ", 2200},
                                           ParseCase{"100M", 100000000}, ParseCase{"0.1u", 0.1 * 1e-6},
                                           ParseCase{"47n", 47 * 1e-9}, ParseCase{"220p", 220 * 1e-12},
                                           ParseCase{"1m", 0.001}, ParseCase{"1e3k", 1000000}, ParseCase{"10K", 0},
                                           ParseCase{"k", 0}, ParseCase{"1,000", 0}));

INSTANTIATE_TEST_SUITE_P(EdgeCases, ParseEngValueTest,
                         ::testing::Values(
                             // Prefixes are case-sensitive.
                             ParseCase{"1M", 1e6}, ParseCase{"1m", 1e-3}, ParseCase{"1K", 0}, ParseCase{"1U", 0},
                             ParseCase{"1G", 1e9}, ParseCase{"3u", 3 * 1e-6}, ParseCase{"5n", 5 * 1e-9},
                             ParseCase{"7p", 7 * 1e-12},
                             // Not prefixes: micro sign, full-width letters and digits.
                             ParseCase{"1\xC2\xB5", 0}, ParseCase{"1\xEF\xBD\x8B", 0}, ParseCase{"\xEF\xBC\x91", 0},
                             ParseCase{"\xEF\xBC\x91k", 0},
                             // Empty, blank and control characters trimmed at both ends.
                             ParseCase{"", 0}, ParseCase{"   ", 0}, ParseCase{"\t\r\n12\t", 12},
                             ParseCase{"\x01\x1f"
                                       "5\x7f",
                                       0},
                             // Number layouts.
                             ParseCase{".5", 0.5}, ParseCase{"5.", 5}, ParseCase{".", 0}, ParseCase{"+3", 3},
                             ParseCase{"-2.5k", -2500}, ParseCase{"1e-3", 1e-3}, ParseCase{"1E+2", 100},
                             ParseCase{"2e", 0}, ParseCase{"2e+", 0}, ParseCase{"1 k", 1000}, ParseCase{"- 1", 0},
                             ParseCase{"1.2.3", 0}, ParseCase{"0x10", 0}, ParseCase{"inf", 0}, ParseCase{"nan", 0},
                             ParseCase{"1kk", 0}, ParseCase{"k1", 0}, ParseCase{"0", 0}, ParseCase{"-0", 0},
                             // Beyond the range of a double, before or after the prefix.
                             ParseCase{"1e309", 0}, ParseCase{"1e308G", 0}, ParseCase{"-1e308k", 0}));

struct ZeroCase {
  const char* text;
  bool zero;
};

class ReadsAsZeroTest : public ::testing::TestWithParam<ZeroCase> {};

// A readable zero and a text ParseEngValue cannot read both give 0; only
// the first is a zero a user typed.
TEST_P(ReadsAsZeroTest, TellsAZeroFromAnUnreadableText) {
  const ZeroCase& c = GetParam();
  EXPECT_EQ(ReadsAsZero(c.text), c.zero) << c.text;
  if (c.zero) {
    EXPECT_EQ(ParseEngValue(c.text), 0.0) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, ReadsAsZeroTest,
                         ::testing::Values(ZeroCase{"0", true}, ZeroCase{"-0.0", true}, ZeroCase{" +0 ", true},
                                           ZeroCase{"0k", true}, ZeroCase{"00.00p", true}, ZeroCase{".0", true},
                                           ZeroCase{"", false}, ZeroCase{".", false}, ZeroCase{"0x", false},
                                           ZeroCase{"abc", false}, ZeroCase{"0kk", false}, ZeroCase{"1", false},
                                           ZeroCase{"0.01", false}, ZeroCase{"k", false}, ZeroCase{"0 0", false}));

TEST(ParseEngValue, NeverFailsOnArbitraryBytes) {
  // Shift-JIS lead bytes, invalid UTF-8, embedded NULs and a long text.
  const std::string samples[] = {std::string("\x82\xa0", 2),     std::string("1\x81", 2), std::string("1\x81k", 3),
                                 std::string("\xff\xfe\xfd", 3), std::string("1\0k", 3),  std::string(1, '\0'),
                                 std::string(100000, '9') + "k", std::string(200000, ' ')};
  for (const std::string& s : samples) {
    const double v = ParseEngValue(s);
    EXPECT_TRUE(std::isfinite(v));
  }
  EXPECT_EQ(ParseEngValue(std::string(1000, '1')), 0);  // 1e999 is beyond a double
  std::mt19937 rng(12345);
  for (int i = 0; i < 20000; ++i) {
    std::string s(rng() % 12, '\0');
    for (char& ch : s) ch = static_cast<char>(rng() % 256);
    EXPECT_TRUE(std::isfinite(ParseEngValue(s)));
  }
}

struct FormatCase {
  std::string (*format)(double);
  const char* name;
  double value;
  const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name << '(' << c.value << ')'; }

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, PrintsValue) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(c.format(c.value), c.expected) << c.name << '(' << c.value << ')';
}

#define FC(fn, v, text) \
  FormatCase { fn, #fn, v, text }

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, FormatTest,
    ::testing::Values(FC(FormatResistance, 4700, "4.70k"), FC(FormatResistance, 100, "100.00"),
                      FC(FormatResistance, 15800, "15.80k"), FC(FormatResistance, 1234567, "1.23M"),
                      FC(FormatResistance, 999999, "1000.00k"), FC(FormatResistanceDisplay, -0.5, "-500.00m"),
                      FC(FormatCapacitance, 4.7e-9, "4700p"), FC(FormatCapacitance, 1e-8, "10000p"),
                      FC(FormatCapacitance, 2.2e-8, "0.022u"), FC(FormatCapacitance, 1e-7, "0.1u"),
                      FC(FormatCapacitance, 1.23456789e-7, "0.12346u"), FC(FormatCapacitance, 0, "0p"),
                      FC(FormatFrequency, 2500, "2.500k"), FC(FormatFrequency, 12345678, "12.346M"),
                      FC(FormatFrequencyReading, 0.05, "0.1以下"), FC(FormatFrequencyReading, 2e9, "1G以上")));

INSTANTIATE_TEST_SUITE_P(EdgeCases, FormatTest,
                         ::testing::Values(
                             // The two resistance forms differ only for negative values.
                             FC(FormatResistance, -0.5, "-0.50"), FC(FormatResistanceDisplay, 4700, "4.70k"),
                             FC(FormatResistanceDisplay, 0, "0.00"), FC(FormatResistanceDisplay, 999, "999.00"),
                             FC(FormatResistanceDisplay, -1500, "-1500000.00m"),
                             // No prefix from a rounding carry.
                             FC(FormatResistance, 999.9999, "1000.00"), FC(FormatResistance, 999.994, "999.99"),
                             FC(FormatResistance, 1e9, "1.00G"), FC(FormatResistance, 47000, "47.00k"),
                             FC(FormatResistance, 12345.678, "12.35k"), FC(FormatResistance, 0.47, "0.47"),
                             FC(FormatResistance, 0.123456, "0.12"),
                             // Exact binary value decides, halves away from zero.
                             FC(FormatResistance, 2.675, "2.67"), FC(FormatResistance, 0.125, "0.13"),
                             FC(FormatResistance, 0.375, "0.38"), FC(FormatResistance, -0.125, "-0.13"),
                             FC(FormatResistance, -0.001, "0.00"),
                             // More than five digits before the point keep all of them.
                             FC(FormatResistance, 123456.7e9, "123457.00G"), FC(FormatResistance, 1e14, "100000.00G"),
                             // Capacitance switches at exactly 1e-8.
                             FC(FormatCapacitance, 1.0000001e-8, "0.01u"), FC(FormatCapacitance, 3.3e-10, "330p"),
                             FC(FormatCapacitance, 1e-12, "1p"), FC(FormatCapacitance, 1.5e-13, "0p"),
                             FC(FormatCapacitance, -2e-9, "-2000p"), FC(FormatCapacitance, 0.001, "1000u"),
                             FC(FormatCapacitance, 0.1, "1E5u"), FC(FormatCapacitance, 1.234567, "1.2346E6u"),
                             FC(FormatCapacitance, 0.0999996, "1E5u"), FC(FormatCapacitance, 4.7e-6, "4.7u"),
                             FC(FormatFrequency, 1, "1.000"), FC(FormatFrequency, 999.9996, "1000.000"),
                             FC(FormatFrequency, 1e8, "100.000M"), FC(FormatFrequency, 1234.5678, "1.235k"),
                             FC(FormatFrequencyReading, 0.1, "0.1以下"), FC(FormatFrequencyReading, 0, "0.1以下"),
                             FC(FormatFrequencyReading, 0.1000001, "0.100"), FC(FormatFrequencyReading, 1e9, "1G以上"),
                             FC(FormatFrequencyReading, 1000000001, "1G以上"),
                             FC(FormatFrequencyReading, 999999999, "1000.000M"),
                             FC(FormatFrequencyReading, 1000, "1.000k"),
                             // Not a number and infinity read back as invalid values.
                             FC(FormatResistance, std::numeric_limits<double>::quiet_NaN(), "NaN"),
                             FC(FormatResistanceDisplay, std::numeric_limits<double>::quiet_NaN(), "NaN"),
                             FC(FormatCapacitance, std::numeric_limits<double>::infinity(), "INF"),
                             FC(FormatResistanceDisplay, -std::numeric_limits<double>::infinity(), "-INF"),
                             FC(FormatFrequencyReading, std::numeric_limits<double>::quiet_NaN(), "0.1以下"),
                             FC(FormatFrequencyReading, std::numeric_limits<double>::infinity(), "1G以上")));

#undef FC

struct LayoutCase {
  double value;
  int decimals;  // -1: general
  const char* expected;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
  *os << (c.decimals < 0 ? "general" : "fixed" + std::to_string(c.decimals)) << '(' << c.value << ')';
}

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, FixedAndGeneral) {
  const LayoutCase& c = GetParam();
  const std::string text = c.decimals < 0 ? FormatGeneral(c.value) : FormatFixed(c.value, c.decimals);
  EXPECT_EQ(text, c.expected) << c.value << " d=" << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutTest,
                         ::testing::Values(LayoutCase{999.999, 2, "1000.00"}, LayoutCase{9999.99, 2, "10000.00"},
                                           LayoutCase{12345.6, 0, "12346"}, LayoutCase{0.5, 0, "1"},
                                           LayoutCase{2.5, 0, "3"}, LayoutCase{-2.5, 0, "-3"},
                                           LayoutCase{99999.5, 0, "100000"}, LayoutCase{1.5, 3, "1.500"},
                                           LayoutCase{0.00012345, 5, "0.00012"}, LayoutCase{1000000, -1, "1E6"},
                                           LayoutCase{123456, -1, "1.2346E5"}, LayoutCase{99999.4, -1, "99999"},
                                           LayoutCase{99999.5, -1, "1E5"}, LayoutCase{0.001, -1, "0.001"},
                                           LayoutCase{1.5, -1, "1.5"}, LayoutCase{0, -1, "0"},
                                           LayoutCase{-0.0, 2, "0.00"}, LayoutCase{0.000012345678, -1, "0.000012346"}));

TEST(EngValue, DisplayFormsReadBackCloseToTheirValue) {
  // What the window shows reads back through the parser to the value
  // within the shown precision.
  for (double v : {4.7e3, 15.8e3, 1.2e6, 0.68, 9.1e4}) {
    EXPECT_NEAR(ParseEngValue(FormatResistanceDisplay(v)), v, v * 1e-3);
  }
  for (double v : {4.7e-9, 2.2e-8, 1e-7, 3.3e-6, 1e-12}) {
    EXPECT_NEAR(ParseEngValue(FormatCapacitance(v)), v, v * 1e-3);
  }
}

}  // namespace
}  // namespace kelvara::values
