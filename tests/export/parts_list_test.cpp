// The parts list read back with a CSV reader: the same values and counts.

#include "export/parts_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "export/csv.h"
#include "export/spice_number.h"
#include "tests/export/export_designs.h"
#include "values/eng_value.h"

namespace kelvara::exports {
namespace {

using test::DesignCase;

const DesignCase kCases[] = {
    {"Lpf2Any", 0, 2, 0, "1k", false},
    {"Lpf8SeriesChebyshev", 0, 8, 2, "10k", true},
    {"Hpf5AnyChebyshev", 1, 5, 2, "3.3k", false},
    {"Hpf4SeriesButterworth", 1, 4, 0, "150", true},
    {"Lpf7SeriesBessel", 0, 7, 1, "470", true},
};

class PartsListReadBack : public ::testing::TestWithParam<DesignCase> {};

TEST_P(PartsListReadBack, GivesTheSameValuesAndCounts) {
  const test::Design d = test::MakeDesign(GetParam());
  const bool series = GetParam().series;
  PartsListOptions options;
  options.resistorTolerance = "1%";
  options.capacitorTolerance = "5%";
  const std::string text = WritePartsList(d.request, d.parts, options);
  ASSERT_EQ(text.substr(0, 3), std::string(kUtf8Bom));
  const auto rows = ReadCsv(text);
  const int order = d.request.Order();
  ASSERT_GE(rows.size(), static_cast<std::size_t>(2 * order + 2));
  EXPECT_EQ(rows[0], std::vector<std::string>(std::begin(kPartsListHeader), std::end(kPartsListHeader)));

  std::map<std::pair<bool, double>, int> expected;  // (capacitor, value) -> count
  for (int k = 0; k < 2 * order; ++k) {
    const bool capacitor = k >= order;
    const int number = capacitor ? k - order + 1 : k + 1;
    const double value = capacitor ? d.parts.c[number - 1] : d.parts.r[number - 1];
    ++expected[{capacitor, value}];
    const auto& row = rows[1 + static_cast<std::size_t>(k)];
    ASSERT_EQ(row.size(), 7u);
    EXPECT_EQ(row[0], (capacitor ? "C" : "R") + std::to_string(number));
    EXPECT_EQ(row[1], capacitor ? values::FormatCapacitance(value) : values::FormatResistanceDisplay(value));
    EXPECT_EQ(ParseSpiceNumber(row[2]), value) << row[2];
    EXPECT_EQ(row[3], series ? (capacitor ? "E12" : "E24") : "任意");
    EXPECT_EQ(row[4], capacitor ? "5%" : "1%");
    const int stage = order % 2 == 1 ? (number == 1 ? 1 : number / 2 + 1) : (number + 1) / 2;
    EXPECT_EQ(row[5], std::to_string(stage));
    EXPECT_EQ(row[6], "1");
  }
  EXPECT_EQ(rows[1 + 2 * static_cast<std::size_t>(order)], std::vector<std::string>{""});

  std::map<std::pair<bool, double>, int> counted;
  int total = 0;
  for (std::size_t i = 2 + 2 * static_cast<std::size_t>(order); i < rows.size(); ++i) {
    const auto& row = rows[i];
    ASSERT_EQ(row.size(), 7u);
    const bool capacitor = row[0][0] == 'C';
    const auto value = ParseSpiceNumber(row[2]);
    ASSERT_TRUE(value);
    EXPECT_EQ(counted.count({capacitor, *value}), 0u) << "value listed twice: " << row[2];
    counted[{capacitor, *value}] = std::stoi(row[6]);
    total += std::stoi(row[6]);
    // The parts named are as many as the count.
    EXPECT_EQ(static_cast<int>(std::count(row[0].begin(), row[0].end(), ',')) + 1, std::stoi(row[6]));
  }
  EXPECT_EQ(counted, expected);
  EXPECT_EQ(total, 2 * order);
}

INSTANTIATE_TEST_SUITE_P(Designs, PartsListReadBack, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The 系列 column names the series the values came from and the 許容差
// column a part's own tolerance before its kind's.
TEST(PartsList, NamesTheChosenSeriesAndEachPartsTolerance) {
  using engine::CapSeriesKind;
  using engine::ResSeriesKind;
  struct Case {
    const char* name;
    bool series;
    CapSeriesKind cap;
    ResSeriesKind res;
    const char* capText;
    const char* resText;
  };
  const Case cases[] = {
      {"Defaults", true, CapSeriesKind::kDefault, ResSeriesKind::kDefault, "E12", "E24"},
      {"E6", true, CapSeriesKind::kE6, ResSeriesKind::kDefault, "E6", "E24"},
      {"E96", true, CapSeriesKind::kDefault, ResSeriesKind::kE96, "E12", "E96"},
      {"E24E192", true, CapSeriesKind::kE24, ResSeriesKind::kE192, "E24", "E192"},
      {"AnyValues", false, CapSeriesKind::kE6, ResSeriesKind::kE96, "任意", "任意"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::Design d = test::MakeDesign({"Lpf4", 0, 4, 0, "1k", c.series});
    PartsListOptions options;
    options.series.cap = c.cap;
    options.series.res = c.res;
    options.resistorTolerance = "1%";
    options.capacitorTolerance = "5%";
    options.partTolerance = {{"R3", "0.1%"}, {"C2", "2%"}};
    const auto rows = ReadCsv(WritePartsList(d.request, d.parts, options));
    ASSERT_GE(rows.size(), 9u);
    for (std::size_t i = 1; i <= 8; ++i) {
      const std::string& part = rows[i][0];
      EXPECT_EQ(rows[i][3], part[0] == 'C' ? c.capText : c.resText) << part;
      const char* tolerance = part == "R3" ? "0.1%" : part == "C2" ? "2%" : part[0] == 'C' ? "5%" : "1%";
      EXPECT_EQ(rows[i][4], tolerance) << part;
    }
    // R3 is ordered on a row of its own, whatever its value.
    bool r3Alone = false;
    for (std::size_t i = 10; i < rows.size(); ++i) r3Alone |= rows[i][0] == "R3" && rows[i][4] == "0.1%";
    EXPECT_TRUE(r3Alone);
  }
}

TEST(Csv, QuotedFieldsAndLineEndsReadBack) {
  const std::vector<std::vector<std::string>> rows = {{"a,b", "say \"hi\"", ""}, {"line\nbreak", "x"}, {"é, ü"}};
  std::string text(kUtf8Bom);
  for (const auto& row : rows) text += CsvLine(row);
  EXPECT_EQ(ReadCsv(text), rows);
  EXPECT_EQ(ReadCsv("a,b\nc"), (std::vector<std::vector<std::string>>{{"a", "b"}, {"c"}}));
}

}  // namespace
}  // namespace kelvara::exports
