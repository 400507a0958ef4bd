#include "response/opamp_texts.h"

#include <gtest/gtest.h>

#include <optional>

namespace kelvara::response {
namespace {

struct TextCase {
  const char* gbw;
  const char* a0;
  const char* rout;
  std::optional<OpAmpField> failing;  // empty: read
  bool unreadable = false;
  double gbwHz = 0, a0Db = 0, routOhm = 0;
};

class OpAmpTextsTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(OpAmpTextsTest, ReadsOrNamesTheFirstBadField) {
  const TextCase& c = GetParam();
  OpAmpModel model;
  const std::optional<OpAmpTextError> error = ReadOpAmpTexts({c.gbw, c.a0, c.rout}, model);
  if (!c.failing) {
    ASSERT_FALSE(error.has_value());
    EXPECT_FALSE(model.ideal);
    EXPECT_EQ(model.gbwHz, c.gbwHz);
    EXPECT_EQ(model.a0Db, c.a0Db);
    EXPECT_EQ(model.routOhm, c.routOhm);
  } else {
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->field, *c.failing);
    EXPECT_EQ(error->unreadable, c.unreadable);
    EXPECT_TRUE(model.ideal);  // left as it was
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, OpAmpTextsTest,
    ::testing::Values(
        TextCase{"1M", "100", "0", {}, false, 1e6, 100, 0}, TextCase{"4.7k", "80.5", "50", {}, false, 4700, 80.5, 50},
        TextCase{" 100M ", "120", "0.0", {}, false, 1e8, 120, 0},
        TextCase{"10k", "60", "1.5k", {}, false, 1e4, 60, 1500}, TextCase{"abc", "100", "0", OpAmpField::kGbw, true},
        TextCase{"", "100", "0", OpAmpField::kGbw, true}, TextCase{"0", "100", "0", OpAmpField::kGbw, false},
        TextCase{"-1M", "100", "0", OpAmpField::kGbw, false}, TextCase{"1M", "x", "0", OpAmpField::kA0, true},
        TextCase{"1M", "0", "0", OpAmpField::kA0, false}, TextCase{"1M", "-20", "0", OpAmpField::kA0, false},
        TextCase{"1M", "100", "ohm", OpAmpField::kRout, true}, TextCase{"1M", "100", "", OpAmpField::kRout, true},
        TextCase{"1M", "100", "-50", OpAmpField::kRout, false}, TextCase{"bad", "bad", "bad", OpAmpField::kGbw, true}));

}  // namespace
}  // namespace kelvara::response
