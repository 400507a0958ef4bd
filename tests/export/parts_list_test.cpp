// The parts list read back with a CSV reader: the same values and counts.

#include "export/parts_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

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

// One table: after the header, one row per distinct value, series and
// tolerance, naming its parts ("R1, R2, R5") and their stages ("1, 3"); each
// part on exactly one row, the counts summing to the number of parts.
TEST_P(PartsListReadBack, GivesOneRowPerValueWithItsPartsAndStages) {
  const test::Design d = test::MakeDesign(GetParam());
  const bool series = GetParam().series;
  PartsListOptions options;
  options.resistorTolerance = "1%";
  options.capacitorTolerance = "5%";
  const std::string text = WritePartsList(d.request, d.parts, options);
  ASSERT_EQ(text.substr(0, 3), std::string(kUtf8Bom));
  const auto rows = ReadCsv(text);
  const int order = d.request.Order();
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows[0], std::vector<std::string>(std::begin(kPartsListHeader), std::end(kPartsListHeader)));

  auto stageOf = [&](int number) { return order % 2 == 1 ? (number == 1 ? 1 : number / 2 + 1) : (number + 1) / 2; };
  std::map<std::string, int> seen;  // part name -> rows naming it
  std::map<std::pair<bool, std::string>, int> rowsOfValue;
  int total = 0;
  bool capacitorsBegun = false;
  double previous = 0;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const auto& row = rows[i];
    ASSERT_EQ(row.size(), 7u) << "row " << i;
    const bool capacitor = row[0][0] == 'C';
    // Resistors first, each kind in ascending value.
    if (capacitor && !capacitorsBegun) previous = 0;
    EXPECT_FALSE(capacitorsBegun && !capacitor) << "row " << i;
    capacitorsBegun = capacitorsBegun || capacitor;
    const auto value = ParseSpiceNumber(row[2]);
    ASSERT_TRUE(value) << row[2];
    EXPECT_GT(*value, previous) << row[2];
    previous = *value;
    EXPECT_EQ(row[2], SiNumber(*value));
    const std::pair<bool, std::string> key{capacitor, row[2]};
    EXPECT_EQ(++rowsOfValue[key], 1) << "value listed twice: " << row[2];
    EXPECT_EQ(row[3], series ? (capacitor ? "E12" : "E24") : "任意");
    EXPECT_EQ(row[4], capacitor ? "5%" : "1%");
    // The parts named, in their numbering order, with the stages they are in.
    std::set<int> stages;
    int count = 0;
    int lastNumber = 0;
    std::istringstream names(row[0]);
    for (std::string name; std::getline(names, name, ',');) {
      if (name[0] == ' ') name.erase(0, 1);
      ASSERT_EQ(name[0], capacitor ? 'C' : 'R') << row[0];
      const int number = std::stoi(name.substr(1));
      EXPECT_GT(number, lastNumber) << row[0];
      lastNumber = number;
      ++seen[name];
      ++count;
      const double own = capacitor ? d.parts.c[number - 1] : d.parts.r[number - 1];
      EXPECT_LE(std::fabs(*value - own), kSiReadBack * own) << name;
      EXPECT_EQ(row[1], capacitor ? values::FormatCapacitance(own) : values::FormatResistanceDisplay(own)) << name;
      stages.insert(stageOf(number));
    }
    std::string stageText;
    for (int stage : stages) stageText += (stageText.empty() ? "" : ", ") + std::to_string(stage);
    EXPECT_EQ(row[5], stageText) << row[0];
    EXPECT_EQ(row[6], std::to_string(count)) << row[0];
    total += std::stoi(row[6]);
  }
  EXPECT_EQ(total, 2 * order);
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(2 * order));
  for (const auto& [name, times] : seen) EXPECT_EQ(times, 1) << name;
}

// Equal values share a row: an order-8 Butterworth design from the series
// has fewer rows than parts, and the row of a shared value says how many.
TEST(PartsList, EqualValuesShareOneRow) {
  const test::Design d = test::MakeDesign({"Lpf8", 0, 8, 0, "1k", true});
  engine::ComponentSet parts = d.parts;
  parts.r[0] = parts.r[1] = parts.r[4] = 4700;
  parts.r[2] = parts.r[3] = parts.r[5] = parts.r[6] = parts.r[7] = 10e3;
  parts.r[7] = 4.7 * 1000;  // 4700.000000000001, the same part to order
  const auto rows = ReadCsv(WritePartsList(d.request, parts, {}));
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows[1], (std::vector<std::string>{"R1, R2, R5, R8", "4.70k", "4.7e3", "E24", "", "1, 3, 4", "4"}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"R3, R4, R6, R7", "10.00k", "10e3", "E24", "", "2, 3, 4", "4"}));
  EXPECT_EQ(rows[3][0][0], 'C');
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
    ASSERT_GE(rows.size(), 3u);
    int parts = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
      std::istringstream names(rows[i][0]);
      for (std::string part; std::getline(names, part, ',');) {
        if (part[0] == ' ') part.erase(0, 1);
        ++parts;
        EXPECT_EQ(rows[i][3], part[0] == 'C' ? c.capText : c.resText) << part;
        const char* tolerance = part == "R3" ? "0.1%" : part == "C2" ? "2%" : part[0] == 'C' ? "5%" : "1%";
        EXPECT_EQ(rows[i][4], tolerance) << part;
      }
    }
    EXPECT_EQ(parts, 8);
    // R3 is ordered on a row of its own, whatever its value.
    bool r3Alone = false;
    for (std::size_t i = 1; i < rows.size(); ++i) r3Alone |= rows[i][0] == "R3" && rows[i][4] == "0.1%";
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
