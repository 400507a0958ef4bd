// "ｆ特比較": the ticked sheets in their colours with their -3 dB
// frequencies, the end of a comparison at the first failing sheet, and the
// shown sheet left exactly as it was.

#include "tests/app/main_window/chart_test_support.h"

namespace kelvara::app::testing {
namespace {

using Compare = ChartTest;

QColor SheetColor(const TFormMain& w, int sheet) { return ColorOfSetting(w.appSettings.sheetColor[sheet]); }

TEST_F(Compare, NothingTickedLeavesNoCurveAndEmptyBoxes) {
  for (QLineEdit* box : W().Edit_Cutoff) box->setText("1.000k");
  W().ButtonFreq8->click();
  EXPECT_EQ(Chart().graphCount(), 0);
  for (QLineEdit* box : W().Edit_Cutoff) EXPECT_TRUE(box->text().isEmpty());
  EXPECT_TRUE(warnings.Entries().empty());
  EXPECT_TRUE(errors.Errors().empty());
}

TEST_F(Compare, Sheets2And5InTheirColoursWithTheirCutoffs) {
  const TypedDesign lpf = Designed(engine::kLpf, 3, engine::kButterworth, "2.2k");
  const TypedDesign hpf = Designed(engine::kHpf, 4, engine::kChebyshev, "47k");
  DesignSheet(1, lpf);
  DesignSheet(4, hpf);
  DesignSheet(2, Designed(engine::kLpf, 2, engine::kBessel, "1k"));  // not ticked
  Tick({1, 4});
  W().Edit_Cutoff[2]->setText("stale");

  W().ButtonFreq8->click();

  EXPECT_TRUE(warnings.Entries().empty());
  ASSERT_EQ(Chart().graphCount(), 2);
  EXPECT_EQ(Chart().graph(0)->name(), "Sheet2");
  EXPECT_EQ(Chart().graph(0)->pen().color(), SheetColor(W(), 1));
  EXPECT_EQ(Chart().graph(1)->name(), "Sheet5");
  EXPECT_EQ(Chart().graph(1)->pen().color(), SheetColor(W(), 4));
  for (int k = 0; k < 2; ++k) EXPECT_NE(Chart().legend->itemWithPlottable(Chart().graph(k)), nullptr);

  const TypedDesign* designs[] = {&lpf, &hpf};
  for (int k = 0; k < 2; ++k) {
    const TypedStages t = StagesOf(*designs[k]);
    const std::vector<Point> points = CurvePoints(Chart().graph(k));
    ASSERT_EQ(points.size(), 146u);
    for (const Point& p : points) EXPECT_EQ(p.db, response::ResponseDb(t.request, t.stages, p.f)) << k << " " << p.f;
  }
  for (int i = 0; i < 8; ++i) {
    const QString expected = i == 1 ? CutoffText(lpf) : i == 4 ? CutoffText(hpf) : QString();
    EXPECT_EQ(W().Edit_Cutoff[i]->text(), expected) << i;
  }
}

TEST_F(Compare, ButterworthLpfOf1kHzReadsItsMinus3dBPoint) {
  // The search stops at -3 dB, not at -3.0103 dB, so a 1 kHz design reads
  // a little below 1 kHz.
  const DesignedValues exact = DesignedParts(engine::kLpf, 2, engine::kButterworth, "1k");
  TypeDesign(W(), TypedExactly(exact));
  Tick({0});
  W().ButtonFreq8->click();
  const double cutoff =
      response::FindCutoff3dB(exact.request, response::StagesFromComponents(exact.request, exact.parts));
  EXPECT_EQ(W().Edit_Cutoff[0]->text(), QString::fromStdString(values::FormatFrequencyReading(cutoff)));
  EXPECT_EQ(W().Edit_Cutoff[0]->text(), "998.820");

  // The display forms a run writes (capacitors to five digits) move the
  // reading by one step of its last digit.
  const TypedDesign shown = Designed(engine::kLpf, 2, engine::kButterworth, "1k");
  EXPECT_EQ(shown.c[0], "0.022508u");
  TypeDesign(W(), shown);
  W().ButtonFreq8->click();
  EXPECT_EQ(W().Edit_Cutoff[0]->text(), CutoffText(shown));
  EXPECT_EQ(W().Edit_Cutoff[0]->text(), "998.810");
}

TEST_F(Compare, CutoffTextsOfDesignsAndOfTheRangeEnds) {
  const TypedDesign designs[] = {
      Designed(engine::kLpf, 5, engine::kBessel, "330"),
      Designed(engine::kHpf, 2, engine::kButterworth, "12k"),
      Designed(engine::kLpf, 2, engine::kButterworth, "100M"),  // reads as it is
      // An LPF still passing at 1 GHz and an HPF still passing at 0.1 Hz.
      TypedDesign{engine::kLpf, 0, 0, "1", {"1", "1"}, {"1p", "1p"}},
      TypedDesign{engine::kHpf, 0, 0, "1", {"1G", "1G"}, {"1", "1"}},
  };
  const char* fixed[] = {nullptr, nullptr, nullptr, "1G以上", "0.1以下"};
  for (int s = 0; s < 5; ++s) DesignSheet(s, designs[s]);
  Tick({0, 1, 2, 3, 4});
  W().ButtonFreq8->click();
  EXPECT_TRUE(warnings.Entries().empty());
  for (int s = 0; s < 5; ++s) {
    EXPECT_EQ(W().Edit_Cutoff[s]->text(), CutoffText(designs[s])) << s;
    if (fixed[s]) {
      EXPECT_EQ(W().Edit_Cutoff[s]->text(), fixed[s]) << s;
    }
  }
}

TEST_F(Compare, AnEmptyTickedSheetEndsTheComparison) {
  DesignSheet(0, Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  DesignSheet(5, Designed(engine::kLpf, 2, engine::kButterworth, "2k"));
  W().sheets[2].clear();  // as after opening an empty file: a new sheet
  Tick({0, 2, 5});
  for (QLineEdit* box : W().Edit_Cutoff) box->setText("stale");

  W().ButtonFreq8->click();

  EXPECT_EQ(Captions(), QStringList({"R1 は無効な値", "C1 は無効な値", "R2 は無効な値", "C2 は無効な値"}));
  ASSERT_EQ(Chart().graphCount(), 2) << "sheet 6 is not plotted";
  EXPECT_EQ(Chart().graph(0)->name(), "Sheet1");
  EXPECT_FALSE(Chart().graph(0)->data()->isEmpty());
  QCPGraph* failed = Chart().graph(1);
  EXPECT_EQ(failed->name(), "Sheet3");
  EXPECT_TRUE(failed->data()->isEmpty());
  EXPECT_NE(Chart().legend->itemWithPlottable(failed), nullptr) << "the legend still lists it";
  EXPECT_NE(failed->pen().color(), SheetColor(W(), 2)) << "it never got its sheet colour";
  EXPECT_FALSE(W().Edit_Cutoff[0]->text().isEmpty());
  for (int i = 1; i < 8; ++i) EXPECT_TRUE(W().Edit_Cutoff[i]->text().isEmpty()) << i;
}

TEST_F(Compare, ASheetWithoutADesignAtStartUpEndsItToo) {
  Tick({3, 4});
  W().ButtonFreq8->click();
  EXPECT_EQ(Captions(), QStringList({"R1 は無効な値", "C1 は無効な値", "R2 は無効な値", "C2 は無効な値"}));
  ASSERT_EQ(Chart().graphCount(), 1);
  EXPECT_EQ(Chart().graph(0)->name(), "Sheet4");
}

TEST_F(Compare, AnAxisFailureStopsAtTheFirstTickedSheet) {
  DesignSheet(1, Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  DesignSheet(2, Designed(engine::kLpf, 2, engine::kButterworth, "2k"));
  Tick({1, 2});
  W().CBox_Xsmall->setCurrentIndex(4);  // 1M, as X max
  W().ButtonFreq8->click();
  EXPECT_EQ(Captions(), QStringList({"X軸の範囲が不正"}));
  ASSERT_EQ(Chart().graphCount(), 1);
  EXPECT_EQ(Chart().graph(0)->name(), "Sheet2");
}

TEST_F(Compare, TheShownSheetIsComparedAsTypedAndStaysExactlyAsItWas) {
  DesignSheet(0, Designed(engine::kHpf, 3, engine::kButterworth, "500"));
  DesignSheet(6, Designed(engine::kLpf, 6, engine::kChebyshev, "20k"));
  SelectTab(4);
  // Typed, not stored yet; texts in forms the program would not write.
  TypedDesign typed = Designed(engine::kLpf, 4, engine::kButterworth, "4.7k");
  typed.r = {"10k", "10.0k", " 1e4 ", "10000"};
  typed.rFixed[1] = true;
  TypeDesign(W(), typed);
  W().groupR[6].valueEdit->setText("kept above the order");
  Tick({0, 4, 6, 7});  // sheet 8 has no design and fails
  values::SheetRecord before;
  W().StoreSheet(before);

  W().ButtonFreq8->click();

  values::SheetRecord after;
  W().StoreSheet(after);
  EXPECT_EQ(after, before);
  EXPECT_EQ(W().ShownSheet(), 4);
  EXPECT_EQ(W().TabDesign->TabIndex(), 4);
  EXPECT_EQ(W().groupR[0].valueEdit->text(), "10k");
  EXPECT_EQ(W().groupR[2].valueEdit->text(), " 1e4 ");
  EXPECT_EQ(W().sheets[4], before);
  EXPECT_EQ(ShownGroups(), GroupsOfOrder(4));
  ASSERT_EQ(Chart().graphCount(), 4);
  EXPECT_EQ(Chart().graph(1)->name(), "Sheet5");
  EXPECT_EQ(W().Edit_Cutoff[4]->text(), CutoffText(typed));
  EXPECT_EQ(Captions(), QStringList({"R1 は無効な値", "C1 は無効な値", "R2 は無効な値", "C2 は無効な値"}));
}

TEST_F(Compare, ARecordThatCannotBeLoadedIsReportedAndEndsTheComparison) {
  DesignSheet(0, Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  DesignSheet(6, Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  values::SheetRecord broken = W().sheets[3];
  broken[values::sheet_line::kOrder] = std::string(1, '9');
  W().sheets[3] = broken;
  Tick({0, 3, 6});
  TypeDesign(W(), Designed(engine::kHpf, 2, engine::kButterworth, "3k"));
  values::SheetRecord before;
  W().StoreSheet(before);

  W().ButtonFreq8->click();

  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_TRUE(errors.Errors()[0].startsWith("Sheet ４ の記録は比較できません：")) << errors.Errors()[0].toStdString();
  EXPECT_TRUE(warnings.Entries().empty());
  ASSERT_EQ(Chart().graphCount(), 1);
  EXPECT_EQ(Chart().graph(0)->name(), "Sheet1");
  EXPECT_TRUE(W().Edit_Cutoff[6]->text().isEmpty());
  values::SheetRecord after;
  W().StoreSheet(after);
  EXPECT_EQ(after, before) << "the controls never held the broken record";
}

TEST_F(Compare, ANegativeAutoValueReadsWithoutHanging) {
  TypedDesign design = Designed(engine::kLpf, 2, engine::kButterworth, "1k");
  design.r[0] = "-" + design.r[0];
  DesignSheet(0, design);
  TypedDesign hpf = Designed(engine::kHpf, 2, engine::kButterworth, "1k");
  hpf.c[1] = "-" + hpf.c[1];
  DesignSheet(1, hpf);
  Tick({0, 1});
  W().ButtonFreq8->click();
  EXPECT_TRUE(warnings.Entries().empty());
  EXPECT_EQ(W().Edit_Cutoff[0]->text(), CutoffText(design));
  EXPECT_EQ(W().Edit_Cutoff[1]->text(), CutoffText(hpf));
  ASSERT_EQ(Chart().graphCount(), 2);
  for (int k = 0; k < 2; ++k) {
    for (const Point& p : CurvePoints(Chart().graph(k))) EXPECT_TRUE(std::isnan(p.db));
  }
}

}  // namespace
}  // namespace kelvara::app::testing
