// The calculation button with fixed values whose computed parts overflow or
// underflow: the run warns about the stage, delivers nothing into the edits
// and leaves the sheet idle, as for any stage that cannot be designed.

#include <QTest>

#include "tests/app/main_window/run_support.h"

namespace kelvara::app::testing {
namespace {

struct DegenerateRun {
  const char* name;
  bool capacitor;
  const char* value;
  const char* caption;
};

void PrintTo(const DegenerateRun& c, std::ostream* os) { *os << c.name; }

class DegenerateRuns : public WindowTest, public ::testing::WithParamInterface<DegenerateRun> {};

INSTANTIATE_TEST_SUITE_P(Cases, DegenerateRuns,
                         ::testing::Values(DegenerateRun{"HugeR1", false, "1e308", "R1 は設定不能な値"},
                                           DegenerateRun{"DenormalC1", true, "1e-320", "C1 は設定不能な値"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(DegenerateRuns, WarnAndDeliverNothing) {
  const DegenerateRun& c = GetParam();
  W().Edit_Frequency->setText("1k");
  Choose(W().CBox_Jisuu, 2);  // order 4
  PartGroup& part = c.capacitor ? W().groupC[0] : W().groupR[0];
  part.fixButton->setChecked(true);
  part.valueEdit->setText(QString::fromLatin1(c.value));
  QTest::mouseClick(W().ButtonValset, Qt::LeftButton);
  ASSERT_TRUE(WaitForAllRuns());

  ASSERT_EQ(warnings.Entries().size(), 1u);
  EXPECT_EQ(warnings.Entries()[0].caption, QString::fromUtf8(c.caption));
  EXPECT_EQ(warnings.Entries()[0].text, QString::fromUtf8("autoにするかfixの値を再設定下さい。"));
  // Nothing on screen changes: the fixed edit keeps its text, the others
  // stay empty.
  EXPECT_EQ(part.valueEdit->text(), QString::fromLatin1(c.value));
  for (int k = 1; k < 4; ++k) {
    EXPECT_EQ(W().groupR[k].valueEdit->text(), "");
    EXPECT_EQ(W().groupC[k].valueEdit->text(), "");
  }
  EXPECT_EQ(W().ButtonValset->text(), "定数設定");
  EXPECT_TRUE(W().ButtonValset->isEnabled());
}

}  // namespace
}  // namespace kelvara::app::testing
