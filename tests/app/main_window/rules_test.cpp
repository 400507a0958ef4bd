// The control rules, driven through the controls as a user drives them.

#include <QFocusEvent>
#include <QTest>

#include "tests/app/app_test_support.h"

namespace kelvara::app::testing {
namespace {

constexpr int kLpf = 0, kHpf = 1;
constexpr int kButterworth = 0, kBessel = 1, kChebyshev = 2, kLegendre = 3, kLinkwitzRiley = 4;
// Ripple list indices: 0.25 dB first, then 0.01, 0.05, 0.1, 0.5, 1, 2, 3 dB.
constexpr int kRipple025 = 0, kRipple05 = 4, kRipple3 = 7;

QStringList ItemTexts(const QComboBox* combo) {
  QStringList texts;
  for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  return texts;
}

using Rules = WindowTest;

void LeaveOrderBox(TFormMain& w) {
  QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(w.CBox_Jisuu, &focusOut);
}

TEST_F(Rules, BesselIsRefusedForHpf) {
  Choose(W().CBox_HPFLPF, kHpf);
  Choose(W().CBox_gensui, kBessel);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kButterworth);
  EXPECT_FALSE(W().CBox_ripple->isEnabled());
}

TEST_F(Rules, ChoosingHpfTakesBesselBackToButterworth) {
  Choose(W().CBox_gensui, kBessel);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kBessel);
  Choose(W().CBox_HPFLPF, kHpf);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kButterworth);
  EXPECT_TRUE(ShowsPicture("HPF_2.jpg"));
}

TEST_F(Rules, ChebyshevMovesALowHpfOrderToTheFourth) {
  Choose(W().CBox_HPFLPF, kHpf);
  Choose(W().CBox_gensui, kChebyshev);
  EXPECT_EQ(W().CBox_Jisuu->currentText(), "４次");
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(4));
  EXPECT_TRUE(W().CBox_ripple->isEnabled());
  EXPECT_TRUE(W().Label_ripple->isEnabled());
  EXPECT_TRUE(ShowsPicture("HPF_4.jpg"));
}

TEST_F(Rules, LowOrderTakesHpfChebyshevBackToButterworth) {
  Choose(W().CBox_HPFLPF, kHpf);
  Choose(W().CBox_Jisuu, 3);  // ５次
  Choose(W().CBox_gensui, kChebyshev);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 3);
  Choose(W().CBox_Jisuu, 1);  // ３次
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kButterworth);
  EXPECT_FALSE(W().CBox_ripple->isEnabled());
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(3));
  EXPECT_TRUE(ShowsPicture("HPF_3.jpg"));
}

TEST_F(Rules, LpfChebyshevOfSecondOrderIsAllowed) {
  Choose(W().CBox_gensui, kChebyshev);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kChebyshev);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 0);
  EXPECT_TRUE(W().CBox_ripple->isEnabled());
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(2));
  Choose(W().CBox_ripple, 0);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 0);
}

TEST_F(Rules, ChangingToHpfTakesLowOrderChebyshevBack) {
  Choose(W().CBox_gensui, kChebyshev);
  Choose(W().CBox_HPFLPF, kHpf);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kButterworth);
  EXPECT_FALSE(W().CBox_ripple->isEnabled());
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 0);
}

TEST_F(Rules, RippleWithoutSelectionMakesTheConditionStrictForLpf) {
  W().CBox_ripple->setCurrentIndex(-1);
  Choose(W().CBox_gensui, kChebyshev);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 2);
}

TEST_F(Rules, RaisingTheOrderKeepsTypedValuesAndShowsEmptyGroups) {
  const char* typed[] = {"1k", "2.2k", "10n", "4.7n"};
  W().groupR[0].valueEdit->setText(typed[0]);
  W().groupR[1].valueEdit->setText(typed[1]);
  W().groupC[0].valueEdit->setText(typed[2]);
  W().groupC[1].valueEdit->setText(typed[3]);
  W().groupR[4].valueEdit->setText("stale");  // hidden, from an earlier order
  Choose(W().CBox_Jisuu, 4);                  // ６次
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(6));
  EXPECT_EQ(W().groupR[0].valueEdit->text(), typed[0]);
  EXPECT_EQ(W().groupR[1].valueEdit->text(), typed[1]);
  EXPECT_EQ(W().groupC[0].valueEdit->text(), typed[2]);
  EXPECT_EQ(W().groupC[1].valueEdit->text(), typed[3]);
  for (int k = 2; k < 8; ++k) {
    EXPECT_TRUE(W().groupR[k].valueEdit->text().isEmpty()) << k;
    EXPECT_TRUE(W().groupC[k].valueEdit->text().isEmpty()) << k;
  }
  EXPECT_TRUE(ShowsPicture("LPF_6.jpg"));
}

TEST_F(Rules, LoweringTheOrderEmptiesOnlyPartsTheLastOrderDidNotUse) {
  Choose(W().CBox_Jisuu, 4);  // ６次
  LeaveOrderBox(W());
  EXPECT_EQ(W().lastOrderIndex, 4);
  for (int k = 0; k < 8; ++k) {
    W().groupR[k].valueEdit->setText(QStringLiteral("R%1").arg(k + 1));
    W().groupC[k].valueEdit->setText(QStringLiteral("C%1").arg(k + 1));
  }
  Choose(W().CBox_Jisuu, 1);  // ３次
  EXPECT_EQ(W().lastOrderIndex, 4) << "the change itself does not move the memory";
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(3));
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(W().groupR[k].valueEdit->text(), QStringLiteral("R%1").arg(k + 1));
    EXPECT_EQ(W().groupC[k].valueEdit->text(), QStringLiteral("C%1").arg(k + 1));
  }
  for (int k = 6; k < 8; ++k) {
    EXPECT_TRUE(W().groupR[k].valueEdit->text().isEmpty());
    EXPECT_TRUE(W().groupC[k].valueEdit->text().isEmpty());
  }
}

TEST_F(Rules, OpeningTheListDoesNotLeaveTheOrderBox) {
  Choose(W().CBox_Jisuu, 5);
  QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
  QCoreApplication::sendEvent(W().CBox_Jisuu, &popup);
  EXPECT_EQ(W().lastOrderIndex, 0);
  LeaveOrderBox(W());
  EXPECT_EQ(W().lastOrderIndex, 5);
}

TEST_F(Rules, HiddenGroupsKeepTheirAutoOrFixChoice) {
  Choose(W().CBox_Jisuu, 6);
  W().groupR[7].fixButton->click();
  Choose(W().CBox_Jisuu, 0);
  Choose(W().CBox_Jisuu, 6);
  EXPECT_TRUE(W().groupR[7].fixButton->isChecked());
}

// The two series boxes and "問わない" form a two-state switch: any click
// moves it to the other state.
TEST_F(Rules, SeriesAndAnyValuesMoveTogether) {
  struct Click {
    QCheckBox* box;
    bool anyValuesAfter;
  };
  const Click clicks[] = {{W().chkBoxE12[1], false}, {W().CBox_NoProblem, true},  {W().chkBoxE12[0], false},
                          {W().chkBoxE12[0], true},  {W().CBox_NoProblem, false}, {W().chkBoxE12[1], true}};
  for (const Click& click : clicks) {
    click.box->click();
    EXPECT_EQ(W().CBox_NoProblem->isChecked(), click.anyValuesAfter) << click.box->objectName().toStdString();
    EXPECT_EQ(W().chkBoxE12[0]->isChecked(), !click.anyValuesAfter);
    EXPECT_EQ(W().chkBoxE12[1]->isChecked(), !click.anyValuesAfter);
  }
}

TEST_F(Rules, TypingResetsTheProgressBarChoosingFixDoesNot) {
  W().show();
  struct Case {
    const char* what;
    std::function<void(TFormMain&)> act;
    bool resets;
  };
  const Case cases[] = {
      {"frequency", [](TFormMain& w) { QTest::keyClicks(w.Edit_Frequency, "4.7k"); }, true},
      {"R3 value", [](TFormMain& w) { QTest::keyClicks(w.groupR[2].valueEdit, "1"); }, true},
      {"C8 value", [](TFormMain& w) { w.groupC[7].valueEdit->setText("2n"); }, true},
      {"circuit", [](TFormMain& w) { Choose(w.CBox_Circuit, 0); }, true},
      {"fix", [](TFormMain& w) { w.groupR[0].fixButton->click(); }, false},
      {"auto", [](TFormMain& w) { w.groupR[0].autoButton->click(); }, false},
      {"series", [](TFormMain& w) { w.chkBoxE12[0]->click(); }, false},
      {"kind", [](TFormMain& w) { Choose(w.CBox_HPFLPF, 1); }, true},
      {"order", [](TFormMain& w) { Choose(w.CBox_Jisuu, 2); }, true},
      {"response", [](TFormMain& w) { Choose(w.CBox_gensui, 0); }, true},
      {"ripple", [](TFormMain& w) { Choose(w.CBox_ripple, 0); }, true},
  };
  for (const Case& c : cases) {
    W().PBar->setValue(42);
    c.act(W());
    EXPECT_EQ(W().PBar->value(), c.resets ? 0 : 42) << c.what;
  }
}

TEST_F(Rules, SelectionFromCodeRunsNoRule) {
  Choose(W().CBox_HPFLPF, kHpf);
  W().CBox_gensui->setCurrentIndex(kBessel);  // as a loaded sheet might
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kBessel);
  // An excluded combination survives a change of the order ...
  Choose(W().CBox_Jisuu, 3);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kBessel);
  // ... and ends at the next change of the filter kind.
  Choose(W().CBox_HPFLPF, kHpf);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kButterworth);
}

TEST_F(Rules, DesignInputsLockAndUnlock) {
  W().DisableDesignInputs();
  QWidget* inputs[] = {W().CBox_HPFLPF,         W().Edit_Frequency,     W().CBox_Circuit, W().CBox_Jisuu,
                       W().CBox_gensui,         W().GBox_E12,           W().chkBoxE12[0], W().CBox_NoProblem,
                       W().groupR[0].valueEdit, W().groupC[7].fixButton};
  for (QWidget* w : inputs) EXPECT_FALSE(w->isEnabledTo(&W())) << w->objectName().toStdString();
  for (QWidget* w : {static_cast<QWidget*>(W().ButtonValset), static_cast<QWidget*>(W().ButtonFreq),
                     static_cast<QWidget*>(W().TabDesign->Tabs())}) {
    EXPECT_TRUE(w->isEnabledTo(&W()));
  }
  W().EnableDesignInputs();
  for (QWidget* w : inputs) EXPECT_TRUE(w->isEnabledTo(&W())) << w->objectName().toStdString();
  EXPECT_FALSE(W().CBox_ripple->isEnabledTo(&W())) << "the ripple follows the response only";
}

TEST_F(Rules, TheListsOfferTheComputedResponsesAndRipplesAfterTheTablesOnes) {
  EXPECT_EQ(ItemTexts(W().CBox_gensui),
            (QStringList{"バターワース", "ベッセル", "チェビシェフ", "ルジャンドル", "リンクウィッツ・ライリー"}));
  EXPECT_EQ(ItemTexts(W().CBox_ripple),
            (QStringList{"0.25dB", "0.01dB", "0.05dB", "0.1dB", "0.5dB", "1dB", "2dB", "3dB"}));
  EXPECT_EQ(W().CBox_ripple->currentIndex(), kRipple025);
}

TEST_F(Rules, TheRippleFollowsChebyshevOnly) {
  for (const int response : {kButterworth, kBessel, kLegendre, kLinkwitzRiley}) {
    Choose(W().CBox_gensui, kChebyshev);
    EXPECT_TRUE(W().CBox_ripple->isEnabled());
    Choose(W().CBox_gensui, response);
    EXPECT_FALSE(W().CBox_ripple->isEnabled()) << response;
    EXPECT_FALSE(W().Label_ripple->isEnabled()) << response;
  }
}

// Linkwitz-Riley has even orders only: choosing it raises an odd order by
// one, choosing an odd order while it is selected falls back to Butterworth.
struct LinkwitzRileyRow {
  int kind;
  int orderIndex;  // before
  int expectedOrderIndex;
};

class LinkwitzRileyRule : public WindowTest, public ::testing::WithParamInterface<LinkwitzRileyRow> {};

TEST_P(LinkwitzRileyRule, ChoosingItAtAnOddOrderRaisesTheOrder) {
  const LinkwitzRileyRow& row = GetParam();
  Choose(W().CBox_HPFLPF, row.kind);
  Choose(W().CBox_Jisuu, row.orderIndex);
  LeaveOrderBox(W());
  Choose(W().CBox_gensui, kLinkwitzRiley);
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kLinkwitzRiley);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), row.expectedOrderIndex);
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(row.expectedOrderIndex + 2));
  const std::string picture =
      std::string(row.kind == kHpf ? "HPF_" : "LPF_") + std::to_string(row.expectedOrderIndex + 2) + ".jpg";
  EXPECT_TRUE(ShowsPicture(picture.c_str()));
}

INSTANTIATE_TEST_SUITE_P(Orders, LinkwitzRileyRule,
                         ::testing::Values(LinkwitzRileyRow{kLpf, 0, 0}, LinkwitzRileyRow{kLpf, 1, 2},
                                           LinkwitzRileyRow{kLpf, 3, 4}, LinkwitzRileyRow{kHpf, 5, 6},
                                           LinkwitzRileyRow{kHpf, 6, 6}));

TEST_F(Rules, AnOddOrderTakesLinkwitzRileyBackToButterworth) {
  Choose(W().CBox_Jisuu, 2);  // ４次
  Choose(W().CBox_gensui, kLinkwitzRiley);
  Choose(W().CBox_Jisuu, 4);  // ６次: kept
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kLinkwitzRiley);
  Choose(W().CBox_Jisuu, 5);  // ７次
  EXPECT_EQ(W().CBox_gensui->currentIndex(), kButterworth);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 5);
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(7));
}

TEST_F(Rules, ComputedRipplesHaveEveryOrderForLpfAndHpf) {
  for (const int kind : {kLpf, kHpf}) {
    Choose(W().CBox_HPFLPF, kind);
    Choose(W().CBox_Jisuu, 0);
    W().CBox_ripple->setCurrentIndex(kRipple05);
    Choose(W().CBox_gensui, kChebyshev);
    EXPECT_EQ(W().CBox_gensui->currentIndex(), kChebyshev) << kind;
    EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 0) << kind;
    Choose(W().CBox_Jisuu, 1);  // ３次
    EXPECT_EQ(W().CBox_gensui->currentIndex(), kChebyshev) << kind;
    Choose(W().CBox_ripple, kRipple3);
    EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 1) << kind;
  }
}

TEST_F(Rules, BackToTheTablesRippleMovesALowHpfOrderToTheFourth) {
  Choose(W().CBox_HPFLPF, kHpf);
  W().CBox_ripple->setCurrentIndex(kRipple05);
  Choose(W().CBox_gensui, kChebyshev);
  EXPECT_EQ(W().CBox_Jisuu->currentIndex(), 0);
  Choose(W().CBox_ripple, kRipple025);
  EXPECT_EQ(W().CBox_Jisuu->currentText(), "４次");
  EXPECT_TRUE(ShowsPicture("HPF_4.jpg"));
}

TEST_F(Rules, LegendreTakesEveryOrderAndBothKinds) {
  Choose(W().CBox_HPFLPF, kHpf);
  Choose(W().CBox_gensui, kLegendre);
  for (int order = 0; order < 7; ++order) {
    Choose(W().CBox_Jisuu, order);
    EXPECT_EQ(W().CBox_gensui->currentIndex(), kLegendre);
    EXPECT_EQ(W().CBox_Jisuu->currentIndex(), order);
  }
}

}  // namespace
}  // namespace kelvara::app::testing
