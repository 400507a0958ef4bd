// The chart as a user meets it: Y boxes typed with real key presses and left
// by a click on "ｆ特描画", old curves gone before the first warning box,
// every default sheet colour visible on the plot, axis labels apart at the
// widest and narrowest ranges, and warning boxes wide enough for their
// captions.

#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/main_window/chart_texts.h"
#include "tests/app/main_window/chart_test_support.h"

namespace kelvara::app::testing {
namespace {

const QString kYMax = "Y軸の最大値が不正";
const QString kYMin = "Y軸の最小値が不正";

class ChartAsUsed : public ChartTest {
 protected:
  void SetUp() override {
    ChartTest::SetUp();
    QApplication::setActiveWindow(&W());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
    W().PageControl1->setCurrentWidget(W().TabSheet_f_Toku);
  }

  /// Types over the whole text of a Y box with real key presses.
  static void TypeInto(QComboBox* box, const char* text) {
    box->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), QString::fromUtf8(text));
  }

  void ClickPlot() {
    QTest::mouseClick(W().ButtonFreq, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), W().ButtonFreq) << "the click did not take the focus";
  }

  /// Pixels of the colour inside the plot's axis rectangle as it is shown.
  int PixelsOf(const QColor& colour) {
    const QImage image = Chart().grab().toImage();
    const QRect plot = Chart().axisRect()->rect().adjusted(2, 2, -2, -2);
    int count = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
      for (int x = plot.left(); x <= plot.right(); ++x) count += image.pixelColor(x, y) == colour;
    }
    return count;
  }
};

// ---- typed "0" -------------------------------------------------------

struct TypedCase {
  const char* name;
  int yMaxItem;  // picked from the list first, -1 none
  const char* yMaxTyped;
  const char* yMinTyped;
  int yMaxItemAfter;  // picked from the list after the typing, -1 none
  QStringList captions;
};

void PrintTo(const TypedCase& c, std::ostream* os) { *os << c.name; }

class TypedYBoxes : public ChartAsUsed, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedYBoxes, TypingLeavesNoListItemSelected) {
  const TypedCase& c = GetParam();
  TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  if (c.yMaxItem >= 0) Choose(W().CBox_YBig, c.yMaxItem);
  if (*c.yMaxTyped) TypeInto(W().CBox_YBig, c.yMaxTyped);
  if (*c.yMinTyped) TypeInto(W().CBox_Ysmall, c.yMinTyped);
  if (c.yMaxItemAfter >= 0) Choose(W().CBox_YBig, c.yMaxItemAfter);
  ClickPlot();
  EXPECT_EQ(Captions(), c.captions);
}

INSTANTIATE_TEST_SUITE_P(Cases, TypedYBoxes,
                         ::testing::Values(TypedCase{"ZeroTypedOverTheItem10", 0, "0", "", -1, {kYMax}},
                                           TypedCase{"ZeroTypedOverTheItem0", 2, "0", "", -1, {kYMax}},
                                           TypedCase{"ZeroTypedIntoYMin", -1, "", "0", -1, {kYMin}},
                                           TypedCase{"BothZeroTyped", 0, "0", "0", -1, {kYMax, kYMin}},
                                           TypedCase{"ZeroPickedAfterTyping", 0, "7", "", 2, {}},
                                           TypedCase{"ANumberTypedOverTheItem10", 0, "3", "", -1, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the chart is cleared before the first warning -------------------

TEST_F(ChartAsUsed, TheOldCurveIsGoneWhenTheFirstWarningAppears) {
  TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  W().ButtonFreq->click();
  ASSERT_TRUE(warnings.Entries().empty());
  const QColor curve = ColorOfSetting(W().appSettings.chartColor);
  ASSERT_GT(PixelsOf(curve), 50);

  std::vector<int> shownAtWarning;
  warnings.onWarning = [&](const RecordingWarningBoxes::Entry&) { shownAtWarning.push_back(PixelsOf(curve)); };
  W().CBox_YBig->setEditText("abc");
  W().CBox_Ysmall->setEditText("xyz");
  W().ButtonFreq->click();
  warnings.onWarning = nullptr;
  EXPECT_EQ(shownAtWarning, (std::vector<int>{0, 0}));
}

// ---- every default colour visible ------------------------------------

TEST_F(ChartAsUsed, AllEightDefaultSheetColoursShowOnThePlot) {
  const QColor face = W().TabSheet_f_Toku->palette().color(QPalette::Button);
  EXPECT_EQ(Chart().grab().toImage().pixelColor(2, 2), face);
  EXPECT_EQ(Chart().legend->brush().color(), face);
  const char* cutoffs[] = {"1.5k", "3k", "6k", "12k", "24k", "48k", "96k", "192k"};
  for (int s = 0; s < 8; ++s) DesignSheet(s, Designed(engine::kLpf, 8, engine::kButterworth, cutoffs[s]));
  for (int s = 0; s < 8; ++s) W().CBox_Sheet[s]->setChecked(true);
  W().ButtonFreq8->click();
  ASSERT_TRUE(warnings.Entries().empty());
  ASSERT_EQ(Chart().graphCount(), 8);
  const QRect plot = Chart().axisRect()->rect();
  for (int s = 0; s < 8; ++s) {
    const QColor colour = W().CBox_Sheet[s]->palette().color(QPalette::WindowText);
    const int pixels = PixelsOf(colour);
    // A curve, not the plot's background: some pixels, far from all.
    EXPECT_GT(pixels, 40) << "Sheet " << s + 1;
    EXPECT_LT(pixels, plot.width() * plot.height() / 10) << "Sheet " << s + 1;
  }
  // The legend's sample line of Sheet 8 (white) shows too.
  const QImage image = Chart().grab().toImage();
  const QRect legend = Chart().legend->outerRect();
  int white = 0;
  for (int y = legend.top() + 2; y < legend.bottom() - 1; ++y) {
    for (int x = legend.left() + 2; x < legend.right() - 1; ++x) white += image.pixelColor(x, y) == QColor(Qt::white);
  }
  EXPECT_GT(white, 5);
  EXPECT_LT(white, legend.width() * legend.height() / 5);
}

// ---- axis labels -----------------------------------------------------

struct LabelBox {
  QString text;
  QRect box;
};

std::vector<LabelBox> TickLabelBoxes(QCPAxis& axis) {
  const QFontMetrics metrics(axis.tickLabelFont());
  std::vector<LabelBox> boxes;
  const QVector<double> ticks = axis.tickVector();
  const QVector<QString> labels = axis.tickVectorLabels();
  for (int i = 0; i < ticks.size(); ++i) {
    if (labels[i].isEmpty() || !axis.range().contains(ticks[i])) continue;
    const double at = axis.coordToPixel(ticks[i]);
    QRect box = metrics.boundingRect(labels[i]);
    box.moveCenter(axis.orientation() == Qt::Horizontal ? QPoint(qRound(at), 0) : QPoint(0, qRound(at)));
    boxes.push_back({labels[i], box});
  }
  return boxes;
}

/// Pairs of neighbouring labels closer than a small gap.
QStringList Crowded(QCPAxis& axis) {
  const std::vector<LabelBox> boxes = TickLabelBoxes(axis);
  QStringList crowded;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    for (std::size_t j = i + 1; j < boxes.size(); ++j) {
      if (boxes[i].box.adjusted(-3, -1, 3, 1).intersects(boxes[j].box)) crowded << boxes[i].text + boxes[j].text;
    }
  }
  return crowded;
}

struct RangeCase {
  const char* name;
  int xMaxPos;
  int xMinPos;
  const char* yMax;
  const char* yMin;
};

void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class AxisLabels : public ChartAsUsed, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(AxisLabels, NeverRunTogether) {
  const RangeCase& c = GetParam();
  TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  W().CBox_XBig->setCurrentIndex(c.xMaxPos);
  W().CBox_Xsmall->setCurrentIndex(c.xMinPos);
  W().CBox_YBig->setEditText(QString::fromUtf8(c.yMax));
  W().CBox_Ysmall->setEditText(QString::fromUtf8(c.yMin));
  W().ButtonFreq->click();
  ASSERT_TRUE(warnings.Entries().empty()) << Captions().join(" ").toStdString();
  Chart().grab();
  EXPECT_EQ(Crowded(*Chart().xAxis), QStringList());
  EXPECT_EQ(Crowded(*Chart().yAxis), QStringList());
  EXPECT_GE(TickLabelBoxes(*Chart().xAxis).size(), 2u);
  EXPECT_GE(TickLabelBoxes(*Chart().yAxis).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Ranges, AxisLabels,
                         ::testing::Values(RangeCase{"WidestXWidestY", 0, 12, "1e249", "-1e249"},
                                           RangeCase{"WidestXNarrowY", 0, 12, "1.0000001", "1"},
                                           RangeCase{"NarrowestXWidestY", 5, 5, "1e249", "-1e249"},
                                           RangeCase{"NarrowestXNarrowestY", 12, 12, "-99.99999", "-100"},
                                           RangeCase{"Defaults", 5, 7, "0", "-10"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- warning captions ------------------------------------------------

class WarningCaptions : public ::testing::TestWithParam<const char*> {};

TEST_P(WarningCaptions, TheBoxIsWideEnoughForTheWholeCaption) {
  const QString caption = QString::fromUtf8(GetParam());
  QFont bold = QApplication::font();
  bold.setBold(true);
  // The caption, the icon and three buttons of a title bar.
  const int needed = QFontMetrics(bold).horizontalAdvance(caption) + 120;
  int modalWidth = 0;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      modalWidth = box->width();
      box->done(QMessageBox::Ok);
    }
  });
  QtWarningBoxes boxes;
  boxes.Warning(caption, "数値を入力下さい。");
  EXPECT_GE(modalWidth, needed);

  boxes.ShowNonModal(caption, "数値を入力下さい。", [] {});
  QMessageBox* box = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* b = qobject_cast<QMessageBox*>(widget); b && b->isVisible()) box = b;
  }
  ASSERT_NE(box, nullptr);
  EXPECT_GE(box->width(), needed);
  boxes.CloseNonModal();
}

INSTANTIATE_TEST_SUITE_P(Captions, WarningCaptions,
                         ::testing::Values("Y軸の最大値が不正", "X軸の範囲が不正", "ｆ特の描画に必要な定数が不正"));

}  // namespace
}  // namespace kelvara::app::testing
