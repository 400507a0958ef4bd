// The pop-up menu of the chart and of the comparison check boxes: the curve
// colours ("色の設定") and saving the chart as PNG or PDF.

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "tests/app/main_window/chart_test_support.h"

namespace kelvara::app::testing {
namespace {

using ChartMenu = ChartTest;

QColor TextColor(const QCheckBox* box) { return box->palette().color(QPalette::WindowText); }

QAction* MenuAction(TFormMain& w, const char* name) {
  return w.PopupMenu1->findChild<QAction*>(QString::fromLatin1(name));
}

TEST_F(ChartMenu, ColourOnTheChartColoursTheNextPlotNotTheShownCurve) {
  TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  W().ButtonFreq->click();
  const QColor shown = Chart().graph(0)->pen().color();
  ASSERT_EQ(shown, QColor(255, 0, 0));

  W().PopupComponent = W().Chart1;
  colorAnswer = QColor(0, 128, 255);
  W().PopUP_color->trigger();

  EXPECT_EQ(W().appSettings.chartColor, storage::Rgb(0, 128, 255));
  EXPECT_EQ(Chart().graph(0)->pen().color(), shown);
  W().ButtonFreq->click();
  EXPECT_EQ(Chart().graph(0)->pen().color(), QColor(0, 128, 255));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(W().appSettings.sheetColor[i], storage::AppSettings{}.sheetColor[i]);
}

TEST_F(ChartMenu, ColourOnSheet3SetsItsTextAndSheetColour2) {
  DesignSheet(2, Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  W().PopupComponent = W().CBox_Sheet[2];
  colorAnswer = QColor(12, 34, 56);
  W().PopUP_color->trigger();

  EXPECT_EQ(TextColor(W().CBox_Sheet[2]), QColor(12, 34, 56));
  EXPECT_EQ(W().appSettings.sheetColor[2], storage::Rgb(12, 34, 56));
  EXPECT_EQ(W().appSettings.chartColor, storage::Rgb(255, 0, 0));
  Tick({2});
  W().ButtonFreq8->click();
  EXPECT_EQ(Chart().graph(0)->pen().color(), QColor(12, 34, 56));
}

TEST_F(ChartMenu, AfterACancelTheSheetColoursAreStillTakenFromTheBoxes) {
  QPalette palette = W().CBox_Sheet[5]->palette();
  palette.setColor(QPalette::WindowText, QColor(1, 2, 3));
  W().CBox_Sheet[5]->setPalette(palette);
  W().PopupComponent = W().Chart1;
  colorAnswer.reset();
  W().PopUP_color->trigger();
  EXPECT_EQ(W().appSettings.sheetColor[5], storage::Rgb(1, 2, 3));
  EXPECT_EQ(W().appSettings.chartColor, storage::Rgb(255, 0, 0));

  // A menu opened on no known control changes nothing but the copy.
  W().PopupComponent = nullptr;
  colorAnswer = QColor(9, 9, 9);
  W().PopUP_color->trigger();
  EXPECT_EQ(W().appSettings.chartColor, storage::Rgb(255, 0, 0));
  for (QCheckBox* box : W().CBox_Sheet) EXPECT_NE(TextColor(box), QColor(9, 9, 9));
}

TEST_F(ChartMenu, SavingIsOfferedOnTheChartOnly) {
  QAction* png = MenuAction(W(), "PopUP_savePng");
  QAction* pdf = MenuAction(W(), "PopUP_savePdf");
  ASSERT_NE(png, nullptr);
  ASSERT_NE(pdf, nullptr);
  EXPECT_EQ(W().PopUP_color->text(), "色の設定");
  W().PopupComponent = W().CBox_Sheet[0];
  emit W().PopupMenu1->aboutToShow();
  EXPECT_FALSE(png->isVisible());
  EXPECT_FALSE(pdf->isVisible());
  EXPECT_TRUE(W().PopUP_color->isVisible());
  W().PopupComponent = W().Chart1;
  emit W().PopupMenu1->aboutToShow();
  EXPECT_TRUE(png->isVisible());
  EXPECT_TRUE(pdf->isVisible());
}

TEST_F(ChartMenu, SavesThePlotAsPngAndPdf) {
  TypeDesign(W(), Designed(engine::kLpf, 2, engine::kButterworth, "1k"));
  W().ButtonFreq->click();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());

  fileAnswer = dir.filePath("curve");  // the kind's suffix is added
  MenuAction(W(), "PopUP_savePng")->trigger();
  const QImage image(dir.filePath("curve.png"));
  EXPECT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), Chart().size());

  fileAnswer = dir.filePath("curve.pdf");
  MenuAction(W(), "PopUP_savePdf")->trigger();
  QFile pdf(dir.filePath("curve.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
  EXPECT_TRUE(errors.Errors().empty());
}

TEST_F(ChartMenu, CancelWritesNothingAndAFailedWriteIsReported) {
  QTemporaryDir dir;
  fileAnswer.clear();
  MenuAction(W(), "PopUP_savePng")->trigger();
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
  EXPECT_TRUE(errors.Errors().empty());

  fileAnswer = dir.filePath("missing/curve.png");
  MenuAction(W(), "PopUP_savePng")->trigger();
  ASSERT_EQ(errors.Errors().size(), 1u);
  EXPECT_TRUE(errors.Errors()[0].startsWith("グラフを ")) << errors.Errors()[0].toStdString();
}

}  // namespace
}  // namespace kelvara::app::testing
