// The op-amp panel of the analysis window: its choice, its texts and the
// messages it shows for texts that cannot be used.

#include "app/analysis/opamp_panel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace kelvara::app {
namespace {

TEST(OpAmpPanel, IdealByDefaultWithTheEditsLocked) {
  OpAmpPanel panel;
  ASSERT_TRUE(panel.Model().has_value());
  EXPECT_TRUE(panel.Model()->ideal);
  EXPECT_FALSE(panel.GbwEdit()->isEnabled());
  EXPECT_EQ(panel.GbwEdit()->text(), "1M");
  EXPECT_EQ(panel.A0Edit()->text(), "100");
  EXPECT_EQ(panel.RoutEdit()->text(), "0");
  EXPECT_TRUE(panel.Message().isEmpty());
}

struct PanelCase {
  const char* gbw;
  const char* a0;
  const char* rout;
  const char* message;  // empty: the model is read
};

class OpAmpPanelTextTest : public ::testing::TestWithParam<PanelCase> {};

TEST_P(OpAmpPanelTextTest, RealOpAmpReadsOrSaysWhatIsWrong) {
  const PanelCase& c = GetParam();
  OpAmpPanel panel;
  QSignalSpy changed(&panel, &OpAmpPanel::Changed);
  panel.SetReal(true);
  panel.SetTexts({c.gbw, c.a0, c.rout});
  EXPECT_GE(changed.count(), 1);
  EXPECT_TRUE(panel.GbwEdit()->isEnabled());
  EXPECT_EQ(panel.Message(), QString::fromUtf8(c.message));
  EXPECT_EQ(panel.Model().has_value(), QString::fromUtf8(c.message).isEmpty());
  if (panel.Model()) {
    EXPECT_FALSE(panel.Model()->ideal);
  }
  // Back to ideal: no message, the ideal model.
  panel.SetReal(false);
  EXPECT_TRUE(panel.Message().isEmpty());
  EXPECT_TRUE(panel.Model()->ideal);
}

INSTANTIATE_TEST_SUITE_P(Texts, OpAmpPanelTextTest,
                         ::testing::Values(PanelCase{"1M", "100", "50", ""}, PanelCase{"4.7M", "80", "0", ""},
                                           PanelCase{"x", "100", "0", "GBW は無効な値: 有効な値を設定下さい。"},
                                           PanelCase{"0", "100", "0", "GBW の不正な値: 0 より大きい値を設定下さい。"},
                                           PanelCase{"1M", "", "0", "A0 は無効な値: 有効な値を設定下さい。"},
                                           PanelCase{"1M", "-3", "0", "A0 の不正な値: 0 より大きい値を設定下さい。"},
                                           PanelCase{"1M", "100", "-1", "Rout の不正な値: 0 以上の値を設定下さい。"},
                                           PanelCase{"1M", "100", "ohm", "Rout は無効な値: 有効な値を設定下さい。"}));

}  // namespace
}  // namespace kelvara::app
