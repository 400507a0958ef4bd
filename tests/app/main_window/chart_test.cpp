// The response chart: its look as created, "ｆ特描画", the checks of the axis
// choices and of the part values, curves with gaps, and saving the chart.

#include <QTest>
#include <algorithm>
#include <cmath>

#include "app/main_window/chart_texts.h"
#include "tests/app/main_window/chart_test_support.h"

namespace kelvara::app::testing {
namespace {

using values::sheet_line::RValue;

const QString kYMax = "Y軸の最大値が不正";
const QString kYMin = "Y軸の最小値が不正";
const QString kYRange = "Y軸の範囲が不正";
const QString kXRange = "X軸の範囲が不正";

// ---- as created ------------------------------------------------------

using ChartAsCreated = ChartTest;

TEST_F(ChartAsCreated, LogFrequencyAxisWithMinorGridAndTitles) {
  QCPAxis* x = Chart().xAxis;
  EXPECT_EQ(x->scaleType(), QCPAxis::stLogarithmic);
  EXPECT_EQ(x->label(), "周波数[Hz]");
  auto ticker = x->ticker().dynamicCast<QCPAxisTickerLog>();
  ASSERT_TRUE(ticker);
  EXPECT_EQ(ticker->subTickCount(), 8);
  EXPECT_TRUE(x->grid()->subGridVisible());
  EXPECT_NE(x->grid()->subGridPen().style(), Qt::SolidLine);
  EXPECT_EQ(Chart().yAxis->label(), "[dB]");
  EXPECT_EQ(Chart().yAxis->scaleType(), QCPAxis::stLinear);
  EXPECT_EQ(Chart().yAxis->range(), QCPRange(123, 567));
}

TEST_F(ChartAsCreated, TextsInMinchoAtTwelvePixels) {
  const QFont fonts[] = {Chart().xAxis->labelFont(), Chart().xAxis->tickLabelFont(), Chart().yAxis->labelFont(),
                         Chart().yAxis->tickLabelFont(), Chart().legend->font()};
  for (const QFont& font : fonts) {
    EXPECT_EQ(font.family(), "ＭＳ Ｐ明朝");
    EXPECT_EQ(font.pixelSize(), 12);
  }
  EXPECT_EQ(Chart().xAxis->tickLabelColor(), QColor(Qt::black));
  EXPECT_EQ(Chart().legend->textColor(), QColor(Qt::black));
}

TEST_F(ChartAsCreated, OneEmptyLimeCurveSheet1InTheLegend) {
  ASSERT_EQ(Chart().graphCount(), 1);
  QCPGraph* curve = Chart().graph(0);
  EXPECT_EQ(curve->name(), "Sheet1");
  EXPECT_EQ(curve->pen().color(), QColor(0, 255, 0));
  EXPECT_TRUE(curve->data()->isEmpty());
  EXPECT_TRUE(Chart().legend->visible());
  EXPECT_NE(Chart().legend->itemWithPlottable(curve), nullptr);
}

TEST(ChartLabels, MantissaEAndSignedExponent) {
  const struct {
    double value;
    const char* label;
  } cases[] = {{1000, "1E+3"}, {1, "1E+0"},           {0.01, "1E-2"},           {1e11, "1E+11"}, {5, "5E+0"},
               {2e-5, "2E-5"}, {999.9999999, "1E+3"}, {0.000999999999, "1E-3"}, {-1e3, "-1E+3"}, {0, "0E+0"}};
  for (const auto& c : cases) EXPECT_EQ(ExponentLabel(c.value), c.label) << c.value;
}

TEST_F(ChartAsCreated, TickLabelsAtEveryDecadeWithEightMinorTicks) {
  QVector<double> ticks;
  QVector<double> subTicks;
  QVector<QString> labels;
  Chart().xAxis->ticker()->generate(QCPRange(1e3, 1.2e6), QLocale::c(), 'g', 6, ticks, &subTicks, &labels);
  EXPECT_TRUE(labels.contains("1E+3"));
  EXPECT_TRUE(labels.contains("1E+4"));
  EXPECT_TRUE(labels.contains("1E+5"));
  EXPECT_TRUE(labels.contains("1E+6"));
  const auto inFirstDecade =
      std::count_if(subTicks.begin(), subTicks.end(), [](double t) { return t > 1e3 && t < 1e4; });
  EXPECT_EQ(inFirstDecade, 8);
}

// A yellow or white curve keeps its colour and gets a thin dark edge, so
// that it shows on the face behind the curves; the other colours do not.
TEST(ChartCurves, LightColoursGetADarkEdge) {
  EXPECT_TRUE(CurveOutline(QColor(255, 255, 0)).has_value());
  EXPECT_TRUE(CurveOutline(QColor(255, 255, 255)).has_value());
  for (const QColor& c : {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(0, 255, 255), QColor(0, 0, 0),
                          QColor(128, 0, 128)})
    EXPECT_FALSE(CurveOutline(c).has_value()) << c.name().toStdString();
  // Drawn: the yellow curve's own pixels stay yellow, and dark ones beside
  // it are its edge (the same curve in red has none).
  auto darkAndYellow = [](const QColor& color) {
    QCustomPlot chart;
    chart.resize(400, 300);
    SetUpResponseChart(chart);
    chart.xAxis->setRange(1, 100);
    chart.yAxis->setRange(0, 10);
    QCPGraph* curve = AddCurve(chart);
    SetCurveColor(*curve, color);
    curve->setData({1, 100}, {5, 5});
    chart.legend->setVisible(false);
    chart.xAxis->grid()->setVisible(false);
    chart.yAxis->grid()->setVisible(false);
    chart.xAxis->grid()->setSubGridVisible(false);
    const QImage image = chart.toPixmap(400, 300).toImage();
    const QRect area = chart.axisRect()->rect().adjusted(4, 4, -4, -4);
    int dark = 0, yellow = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) {
        const QColor p = image.pixelColor(x, y);
        // Darker than the face in every channel: neither the face, nor
        // yellow or red or their blends with the face.
        if (p.red() < 200 && p.green() < 200 && p.blue() < 200) ++dark;
        if (p.red() > 200 && p.green() > 200 && p.blue() < 100) ++yellow;
      }
    return std::pair{dark, yellow};
  };
  const auto [yellowEdge, yellowOwn] = darkAndYellow(QColor(255, 255, 0));
  const auto [redEdge, redOwn] = darkAndYellow(QColor(255, 0, 0));
  EXPECT_GT(yellowOwn, 100);             // the curve is still yellow
  EXPECT_GT(yellowEdge, redEdge + 300);  // with a dark edge
  EXPECT_EQ(redOwn, 0);
}

// ---- "ｆ特描画" ---------------------------------------------------------

using PlotCommand = ChartTest;

TEST_F(PlotCommand, DrawsTheShownDesignInTheChartColour) {
  const TypedDesign design = Designed(engine::kLpf, 2, engine::kButterworth, "1k");
  SelectTab(3);
  TypeDesign(W(), design);
  W().appSettings.chartColor = storage::Rgb(10, 20, 30);
  W().Edit_Cutoff[3]->setText("stale");

  W().ButtonFreq->click();

  EXPECT_TRUE(warnings.Entries().empty());
  ASSERT_EQ(Chart().graphCount(), 1);
  QCPGraph* curve = Chart().graph(0);
  EXPECT_EQ(curve->name(), "Sheet4");
  EXPECT_EQ(curve->pen().color(), QColor(10, 20, 30));
  EXPECT_GE(curve->pen().widthF(), 2);
  EXPECT_TRUE(curve->antialiased());
  EXPECT_EQ(Chart().yAxis->range(), QCPRange(-10, 0));
  EXPECT_EQ(W().Edit_Cutoff[3]->text(), "stale") << "no -3 dB frequency for a single plot";
  values::SheetRecord controls;
  W().StoreSheet(controls);
  EXPECT_EQ(W().sheets[3], controls) << "the sheet is stored after drawing";
  EXPECT_EQ(W().sheets[3][RValue(1)], design.r[0].toStdString());
}

TEST_F(PlotCommand, From1kTo1MAre146PointsUpTo1Point2MHz) {
  TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  W().ButtonFreq->click();
  const std::vector<Point> points = CurvePoints(Chart().graph(0));
  ASSERT_EQ(points.size(), 146u);
  EXPECT_EQ(points.front().f, 1000);
  EXPECT_LE(points.back().f, 1.2e6);
  EXPECT_GT(points.back().f * 1.05, 1.2e6);
  // The frequency axis takes the range of the points.
  EXPECT_EQ(Chart().xAxis->range().lower, 1000);
  EXPECT_EQ(Chart().xAxis->range().upper, points.back().f);
}

struct CurveCase {
  int passKind;
  int order;
  int response;
  const char* cutoff;
  int xMaxPos;
  int xMinPos;
};

class DesignCurves : public ChartTest, public ::testing::WithParamInterface<CurveCase> {};

TEST_P(DesignCurves, AreTheGainOfTheTypedValues) {
  const CurveCase& c = GetParam();
  const TypedDesign design = Designed(c.passKind, c.order, c.response, c.cutoff);
  TypeDesign(W(), design);
  W().CBox_XBig->setCurrentIndex(c.xMaxPos);
  W().CBox_Xsmall->setCurrentIndex(c.xMinPos);
  W().ButtonFreq->click();
  ASSERT_TRUE(warnings.Entries().empty());

  const TypedStages t = StagesOf(design);
  std::vector<Point> expected;
  response::SweepResponse(t.request, t.stages, std::pow(10.0, 10 - c.xMinPos), std::pow(10.0, 11 - c.xMaxPos),
                          [&](double f, double db) {
                            expected.push_back({f, db});
                          });
  const std::vector<Point> points = CurvePoints(Chart().graph(0));
  ASSERT_EQ(points.size(), expected.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_EQ(points[i].f, expected[i].f) << i;
    EXPECT_EQ(points[i].db, response::ResponseDb(t.request, t.stages, points[i].f)) << i;
  }
  // A designed filter passes its band at 0 dB and is about -3 dB (Bessel
  // and Chebyshev differ) at the cut-off.
  const double fc = values::ParseEngValue(c.cutoff);
  const double passBand = c.passKind == engine::kLpf ? fc / 100 : fc * 100;
  EXPECT_NEAR(response::ResponseDb(t.request, t.stages, passBand), 0, 0.3);
  if (c.response == engine::kButterworth) {
    EXPECT_NEAR(response::ResponseDb(t.request, t.stages, fc), -3.01, 0.02);
  }
}

INSTANTIATE_TEST_SUITE_P(Designs, DesignCurves,
                         ::testing::Values(CurveCase{engine::kLpf, 2, engine::kButterworth, "1k", 5, 7},
                                           CurveCase{engine::kLpf, 3, engine::kBessel, "4.7k", 4, 8},
                                           CurveCase{engine::kLpf, 8, engine::kChebyshev, "100", 7, 10},
                                           CurveCase{engine::kHpf, 4, engine::kButterworth, "10k", 4, 8},
                                           CurveCase{engine::kHpf, 7, engine::kChebyshev, "2.2k", 5, 9},
                                           CurveCase{engine::kLpf, 2, engine::kButterworth, "1k", 0, 12}));

// ---- axis checks -----------------------------------------------------

struct AxisCase {
  const char* name;
  const char* yMax;
  int yMaxItem;  // list item selected before the text is set, -1 none
  const char* yMin;
  int yMinItem;
  int xMaxPos;
  int xMinPos;
  std::vector<QString> captions;
};

void SetYBox(QComboBox* box, int item, const char* text) {
  box->setCurrentIndex(item);
  box->setEditText(QString::fromUtf8(text));
}

class AxisChecks : public ChartTest, public ::testing::WithParamInterface<AxisCase> {};

TEST_P(AxisChecks, WarnInOrderAndDrawOnlyWhenAllPass) {
  const AxisCase& c = GetParam();
  TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  SetYBox(W().CBox_YBig, c.yMaxItem, c.yMax);
  SetYBox(W().CBox_Ysmall, c.yMinItem, c.yMin);
  W().CBox_XBig->setCurrentIndex(c.xMaxPos);
  W().CBox_Xsmall->setCurrentIndex(c.xMinPos);
  W().ButtonFreq->click();
  EXPECT_EQ(Captions(), QStringList(c.captions.begin(), c.captions.end()));
  for (const auto& entry : warnings.Entries()) {
    const QString expected = entry.caption == kYRange   ? "Y軸の範囲を設定下さい。"
                             : entry.caption == kXRange ? "X軸の範囲を設定下さい。"
                                                        : "数値を入力下さい。";
    EXPECT_EQ(entry.text, expected) << entry.caption.toStdString();
  }
  ASSERT_EQ(Chart().graphCount(), 1);
  EXPECT_EQ(Chart().graph(0)->data()->isEmpty(), !c.captions.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, AxisChecks,
                         ::testing::Values(AxisCase{"ZeroWithItemZero", "0", 2, "-10", -1, 5, 7, {}},
                                           AxisCase{"ZeroTypedWithoutItem", "0", -1, "-10", -1, 5, 7, {kYMax}},
                                           AxisCase{"ZeroTypedOverAnotherItem", "0", 0, "-10", -1, 5, 7, {kYMax}},
                                           AxisCase{"LettersOverItemZero", "abc", 2, "-10", -1, 5, 7, {kYMax}},
                                           AxisCase{"MinZeroWithItemZero", "10", 0, "0", 0, 5, 7, {}},
                                           AxisCase{"MinZeroTypedWithoutItem", "10", 0, "0", -1, 5, 7, {kYMin}},
                                           AxisCase{"MinEmpty", "10", 0, "", -1, 5, 7, {kYMin}},
                                           AxisCase{"SuffixMultiplies", "1k", -1, "-1k", -1, 5, 7, {}},
                                           AxisCase{"BothYUnreadable", "x", -1, "y", -1, 5, 7, {kYMax, kYMin}},
                                           AxisCase{"MinAboveMax", "-20", -1, "-10", -1, 5, 7, {kYRange}},
                                           AxisCase{"MinEqualsMax", "5", 1, "5", -1, 5, 7, {kYRange}},
                                           AxisCase{"RangeTooWideToDraw", "1e300", -1, "0", 0, 5, 7, {kYRange}},
                                           AxisCase{"XMinEqualsXMax", "0", 2, "-10", -1, 8, 7, {kXRange}},
                                           AxisCase{"XMinAboveXMax", "0", 2, "-10", -1, 9, 7, {kXRange}},
                                           AxisCase{"XMaxWithoutItem", "0", 2, "-10", -1, -1, 7, {kXRange}},
                                           AxisCase{
                                               "YRangeAndXInvalid", "-20", -1, "-10", -1, 8, 7, {kYRange, kXRange}},
                                           AxisCase{"AllThreeInvalid", "", -1, "", -1, 8, 7, {kYMax, kYMin, kXRange}},
                                           AxisCase{"WidestX", "0", 2, "-10", -1, 0, 12, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlotCommand, TypedYValuesAreTakenAsTyped) {
  TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  QApplication::setActiveWindow(&W());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
  W().CBox_Ysmall->setFocus();
  W().CBox_Ysmall->lineEdit()->clear();
  QTest::keyClicks(W().CBox_Ysmall->lineEdit(), "-4");  // not completed to the item "-40"
  W().CBox_YBig->setFocus();
  W().CBox_YBig->lineEdit()->clear();
  QTest::keyClicks(W().CBox_YBig->lineEdit(), "1");  // nor to "10"
  W().ButtonFreq->click();
  EXPECT_TRUE(warnings.Entries().empty());
  EXPECT_EQ(Chart().yAxis->range(), QCPRange(-4, 1));
}

TEST_F(PlotCommand, AxisFailuresExamineNoPartValue) {
  // Nothing typed: the parts would all be refused.
  SetYBox(W().CBox_YBig, -1, "-20");
  W().CBox_XBig->setCurrentIndex(8);
  W().ButtonFreq->click();
  EXPECT_EQ(Captions(), QStringList({kYRange, kXRange}));
}

TEST_F(PlotCommand, DbAxisIsSetMaxFirstNeverAboveItsMaximum) {
  std::vector<QCPRange> changes;
  QObject::connect(Chart().yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged),
                   [&](const QCPRange& range) { changes.push_back(range); });
  TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  SetYBox(W().CBox_Ysmall, -1, "-20");
  W().ButtonFreq->click();
  EXPECT_EQ(changes, (std::vector<QCPRange>{{-10, 567}, {-10, 0}, {-20, 0}}));

  changes.clear();
  SetYBox(W().CBox_YBig, 0, "10");
  SetYBox(W().CBox_Ysmall, 4, "-40");
  W().ButtonFreq->click();
  EXPECT_EQ(changes, (std::vector<QCPRange>{{-20, 10}, {-40, 10}}));

  changes.clear();
  SetYBox(W().CBox_YBig, 1, "5");
  W().CBox_XBig->setCurrentIndex(12);
  W().ButtonFreq->click();
  EXPECT_EQ(Captions(), QStringList({kXRange}));
  EXPECT_EQ(changes, (std::vector<QCPRange>{{-40, 5}})) << "the Y axis is set before the X check";

  changes.clear();
  SetYBox(W().CBox_Ysmall, -1, "20");
  W().ButtonFreq->click();
  EXPECT_TRUE(changes.empty()) << "a refused Y range leaves the axis alone";
  EXPECT_EQ(Chart().yAxis->range(), QCPRange(-40, 5));
}

// ---- part values -----------------------------------------------------

TEST_F(PlotCommand, EmptyPartsGiveOneWarningEach) {
  W().ButtonFreq->click();
  EXPECT_EQ(Captions(), QStringList({"R1 は無効な値", "C1 は無効な値", "R2 は無効な値", "C2 は無効な値"}));
  EXPECT_EQ(warnings.Entries().front().text, "有効な値を設定下さい。");
  ASSERT_EQ(Chart().graphCount(), 1);
  EXPECT_TRUE(Chart().graph(0)->data()->isEmpty());
  EXPECT_EQ(Chart().graph(0)->name(), "Sheet1");
}

TEST_F(PlotCommand, InvalidValuesComeBeforeUnfitFixedParts) {
  TypedDesign design = Designed(engine::kLpf, 3, engine::kButterworth, "1k");
  design.r[0] = "0";
  design.rFixed[0] = true;
  design.c[1] = "-1n";
  design.cFixed[1] = true;
  design.r[2] = "1K";  // no prefix: unreadable
  TypeDesign(W(), design);
  W().ButtonFreq->click();
  EXPECT_EQ(Captions(), QStringList({"R1 は無効な値", "R3 は無効な値", "R1 の不正な値", "C2 の不正な値"}));
  const auto entries = warnings.Entries();
  EXPECT_EQ(entries[2].text, "autoにするか抵抗値を設定下さい。");
  EXPECT_EQ(entries[3].text, "autoにするか静電容量値を設定下さい。");
  EXPECT_TRUE(Chart().graph(0)->data()->isEmpty());
}

TEST_F(PlotCommand, ANegativeAutoValueLeavesGapsNotGarbage) {
  TypedDesign design = Designed(engine::kLpf, 4, engine::kButterworth, "1k");
  design.r[2] = "-" + design.r[2];  // the second stage has no real frequency
  TypeDesign(W(), design);
  W().ButtonFreq->click();
  EXPECT_TRUE(warnings.Entries().empty()) << "an auto part is not checked for its sign";
  const std::vector<Point> points = CurvePoints(Chart().graph(0));
  ASSERT_EQ(points.size(), 146u);
  for (const Point& p : points) {
    EXPECT_TRUE(std::isfinite(p.f));
    EXPECT_TRUE(std::isnan(p.db)) << p.f;
  }
  Chart().replot();  // drawing a curve of gaps is harmless

  // Two negative resistors in one stage still give a real stage.
  design = Designed(engine::kLpf, 2, engine::kButterworth, "1k");
  design.r[0] = "-" + design.r[0];
  design.r[1] = "-" + design.r[1];
  TypeDesign(W(), design);
  W().ButtonFreq->click();
  for (const Point& p : CurvePoints(Chart().graph(0))) EXPECT_TRUE(std::isfinite(p.db)) << p.f;
}

}  // namespace
}  // namespace kelvara::app::testing
