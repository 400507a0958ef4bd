// What the analysis window and the report show a new user: frequency views
// that frame the design (the ｆ特 page's range a choice of the views' menu),
// and texts that can be read: the comparison captions in light colours, the
// stop-band floor's label, the series check boxes, the tolerance page's
// selector, yield line and histogram, the 注意 column and the pole view.

#include <qcustomplot.h>

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "app/analysis/analysis_plots.h"
#include "app/analysis/form_analysis.h"
#include "app/analysis/label_place.h"
#include "app/analysis/tolerance_panel.h"
#include "app/main_window/legible_caption.h"
#include "app/main_window/response_chart.h"
#include "app/report/report_frame.h"
#include "engine/design.h"
#include "engine/run_checks.h"
#include "tests/app/main_window/chart_test_support.h"
#include "tests/app/main_window/run_support.h"
#include "tests/support/component_sets.h"
#include "tests/support/recording_run.h"

namespace kelvara::app::testing {
namespace {

class AnalysisFrame : public ChartTest {
 protected:
  TFormAnalysis& Open() {
    W().show();
    W().menuDesignAnalysisClick();
    EXPECT_TRUE(WaitFor([this] { return !W().FormAnalysis->RefreshPending(); }));
    return *W().FormAnalysis;
  }
};

// The ｆ特 page keeps its 1k-1M: a 1 kHz filter's pass band would lie off
// its left edge, a 50 Hz one wholly.
TEST_F(AnalysisFrame, FrequencyViewsFrameTheDesign) {
  struct Case {
    int kind, order, response;
    const char* cutoff;
    double fc;
  };
  const Case cases[] = {{engine::kLpf, 4, engine::kButterworth, "1k", 1e3},
                        {engine::kHpf, 5, engine::kButterworth, "50", 50},
                        {engine::kLpf, 8, engine::kChebyshev, "20k", 20e3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cutoff);
    ShowDesign(c.kind, c.order, c.response, c.cutoff);
    TFormAnalysis& a = Open();
    a.Refresh();
    ASSERT_TRUE(a.Shown().has_value()) << a.Messages().toStdString();
    EXPECT_EQ(a.FrequencyRangeChoice(), TFormAnalysis::FrequencyRange::kDesign);
    for (PlotKind kind : {PlotKind::kGain, PlotKind::kPhase, PlotKind::kDelay}) {
      const QCPRange x = a.Plot(kind)->xAxis->range();
      EXPECT_NEAR(x.lower, c.fc / 100, c.fc * 1e-12);
      EXPECT_NEAR(x.upper, c.fc * 100, c.fc * 1e-9);
      const std::vector<Point> curve = CurvePoints(a.Plot(kind)->graph(0));
      ASSERT_FALSE(curve.empty());
      EXPECT_NEAR(curve.front().f, c.fc / 100, c.fc * 1e-12);
    }
    // The pass band (0 dB) and the -3 dB point are in the picture.
    const double minus3 = a.Shown()->summary.minus3dbHz;
    EXPECT_GT(minus3, a.FrequencyFrom() * 10);
    EXPECT_LT(minus3, a.FrequencyTo() / 10);
    const QCPRange y = a.Plot(PlotKind::kGain)->yAxis->range();
    EXPECT_GT(y.upper, 0);
    EXPECT_LT(y.lower, -40);
  }
}

// The gain view's legend covers no curve in the pass band: over the stop
// band on the right of a low-pass, on the left of a high-pass filter.
TEST_F(AnalysisFrame, TheGainLegendLeavesThePassBandFree) {
  for (const int kind : {engine::kLpf, engine::kHpf}) {
    SCOPED_TRACE(kind);
    ShowDesign(kind, 4, engine::kChebyshev, "1k");
    TFormAnalysis& a = Open();
    a.resize(1000, 700);
    a.Refresh();
    ASSERT_TRUE(a.Shown().has_value()) << a.Messages().toStdString();
    QCustomPlot& plot = *a.Plot(PlotKind::kGain);
    a.Views()->setCurrentWidget(&plot);  // laid out at the size the user sees
    QCoreApplication::processEvents();
    ASSERT_GT(plot.width(), 600);
    plot.replot();
    const QRect legend = plot.legend->outerRect();
    ASSERT_TRUE(legend.isValid());
    int checked = 0;
    for (const Point& p : CurvePoints(plot.graph(0))) {
      if (kind == engine::kLpf ? p.f > 1000 : p.f < 1000) continue;
      if (p.f < plot.xAxis->range().lower || p.f > plot.xAxis->range().upper) continue;
      const QPoint at(static_cast<int>(plot.xAxis->coordToPixel(p.f)),
                      static_cast<int>(plot.yAxis->coordToPixel(p.db)));
      EXPECT_FALSE(legend.contains(at)) << p.f << " Hz";
      ++checked;
    }
    EXPECT_GT(checked, 10);
    // Wholly over the stop band, however tall the plot.
    const double edge = plot.xAxis->coordToPixel(1000);
    if (kind == engine::kHpf) {
      EXPECT_LT(legend.right(), edge);
    } else {
      EXPECT_GT(legend.left(), edge);
    }
  }
}

// The wheel zooms a view about the pointer (both axes, so the pole view
// keeps its scale), a drag moves it, and a double click brings back the
// frame; a refresh frames the design again.
TEST_F(AnalysisFrame, TheViewsZoomAndADoubleClickBringsTheFrameBack) {
  ShowDesign(engine::kLpf, 4, engine::kChebyshev, "1k");
  TFormAnalysis& a = Open();
  a.resize(940, 640);
  for (const PlotKind kind : {PlotKind::kGain, PlotKind::kStep, PlotKind::kPoles}) {
    SCOPED_TRACE(static_cast<int>(kind));
    QCustomPlot& plot = *a.Plot(kind);
    a.Views()->setCurrentWidget(&plot);
    QCoreApplication::processEvents();
    plot.replot();
    const QCPRange x0 = plot.xAxis->range();
    const QCPRange y0 = plot.yAxis->range();
    const double scale0 = plot.xAxis->range().size() / plot.yAxis->range().size();
    const QPointF centre = plot.axisRect()->rect().center();
    QWheelEvent wheel(centre, plot.mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&plot, &wheel);
    EXPECT_LT(plot.yAxis->range().size(), y0.size() * 0.99);
    if (kind == PlotKind::kGain) {
      // Logarithmic: narrower by a ratio, the pointer's frequency kept.
      EXPECT_LT(plot.xAxis->range().upper / plot.xAxis->range().lower, x0.upper / x0.lower * 0.99);
    } else {
      EXPECT_LT(plot.xAxis->range().size(), x0.size() * 0.99);
    }
    if (kind == PlotKind::kPoles) {
      EXPECT_NEAR(plot.xAxis->range().size() / plot.yAxis->range().size(), scale0, scale0 * 1e-9);
    }
    if (kind != PlotKind::kPoles) {
      // Ctrl: the value axis only; Shift: the horizontal axis only.
      for (const Qt::KeyboardModifier key : {Qt::ControlModifier, Qt::ShiftModifier}) {
        const QCPRange x1 = plot.xAxis->range();
        const QCPRange y1 = plot.yAxis->range();
        QWheelEvent keyed(centre, plot.mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, key,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&plot, &keyed);
        EXPECT_EQ(plot.xAxis->range() == x1, key == Qt::ControlModifier);
        EXPECT_EQ(plot.yAxis->range() == y1, key == Qt::ShiftModifier);
      }
    }
    QMouseEvent click(QEvent::MouseButtonDblClick, centre, plot.mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&plot, &click);
    EXPECT_EQ(plot.xAxis->range(), x0);
    EXPECT_EQ(plot.yAxis->range(), y0);
  }
  // Zoomed, then the design changes: the view frames the new design.
  QCustomPlot& gain = *a.Plot(PlotKind::kGain);
  gain.xAxis->setRange(900, 1100);
  ShowDesign(engine::kLpf, 4, engine::kChebyshev, "2k");
  a.Refresh();
  EXPECT_NEAR(gain.xAxis->range().lower, 20, 1e-9);
  EXPECT_NEAR(gain.xAxis->range().upper, 2e5, 1e-6);
}

TEST_F(AnalysisFrame, TheChartPagesRangeIsAChoiceThatIsRememberedAndTheReportFollows) {
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  TFormAnalysis& a = Open();
  a.SetFrequencyRange(TFormAnalysis::FrequencyRange::kChartPage);
  a.Refresh();
  EXPECT_EQ(a.Plot(PlotKind::kGain)->xAxis->range().lower, 1e3);  // the page's 1k-1M
  EXPECT_EQ(a.Plot(PlotKind::kGain)->xAxis->range().upper, 1e6);
  EXPECT_EQ(store.ints.at(storage::later_keys::kFrequencyRange), 1);
  EXPECT_EQ(store.stored, storage::AppSettings{});  // the nineteen values untouched
  // The main chart keeps the page's range whatever the choice.
  W().ButtonFreq->click();
  EXPECT_EQ(W().Chart1->xAxis->range().lower, 1e3);
  EXPECT_GE(W().Chart1->xAxis->range().upper, 1e6);
  Build(AssetsDir());
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  TFormAnalysis& again = Open();
  EXPECT_EQ(again.FrequencyRangeChoice(), TFormAnalysis::FrequencyRange::kChartPage);
  again.SetFrequencyRange(TFormAnalysis::FrequencyRange::kDesign);
  again.Refresh();
  EXPECT_EQ(store.ints.at(storage::later_keys::kFrequencyRange), 0);
  EXPECT_NEAR(again.Plot(PlotKind::kGain)->xAxis->range().lower, 10, 1e-9);
}

// The report's charts: the design framed, or the page's ranges when the
// analysis window is set to them.
TEST(ReportFrame, TheChartsFrameTheDesignUnlessThePagesRangeIsChosen) {
  report::ReportContent c;
  c.request = engine::MakeDesignRequest({.passKind = engine::kLpf,
                                         .orderIndex = 2,
                                         .response = engine::kButterworth,
                                         .cutoffText = "1k",
                                         .anyValues = true});
  c.parts = kelvara::testing::AllAuto();
  kelvara::testing::RecordingRun run;
  engine::DesignFilter(run, engine::BuildStageTargets(c.request), c.request, c.parts);
  const report::ChartRanges framed = report::GainChartRanges(c);
  EXPECT_DOUBLE_EQ(framed.fromHz, 10);
  EXPECT_DOUBLE_EQ(framed.toHz, 1e5);
  EXPECT_EQ(framed.highDb, 10);
  EXPECT_EQ(framed.lowDb, -90);  // order 4: -80 dB at 10·fc and on to 100·fc
  c.chartPageRange = true;
  const report::ChartRanges page = report::GainChartRanges(c);
  EXPECT_EQ(page.fromHz, c.fStartHz);
  EXPECT_EQ(page.toHz, c.fTopHz);
  EXPECT_EQ(page.lowDb, c.yMinDb);
  EXPECT_EQ(page.highDb, c.yMaxDb);
}

// "Sheet 3" (yellow) and "Sheet 8" (white) were drawn on the light grey
// panel at a contrast of about 1.1; every default colour now reads at 3:1
// or better, against the panel or against its outline, and keeps its colour.
TEST_F(AnalysisFrame, TheComparisonCaptionsAreLegibleInTheirColours) {
  W().show();
  for (int i = 0; i < TFormMain::kSheetCount; ++i) {
    QCheckBox* box = W().CBox_Sheet[i];
    const QColor text = box->palette().color(QPalette::WindowText);
    const QColor panel = box->palette().color(QPalette::Window);
    EXPECT_EQ(text, ColorOfSetting(storage::AppSettings{}.sheetColor[i])) << i;
    EXPECT_GE(CaptionContrast(text, panel), kLegibleContrast) << i;
    // As drawn: beside the caption's own colour lies a colour it stands
    // out from.
    const QImage image = box->grab().toImage();
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect label = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    double best = 1;
    int own = 0;
    for (int y = label.top(); y <= label.bottom() && y < image.height(); ++y) {
      for (int x = label.left(); x <= label.right() && x < image.width(); ++x) {
        const QColor pixel = image.pixelColor(x, y);
        if (pixel == text) ++own;
        best = std::max(best, ContrastRatio(pixel, text));
      }
    }
    EXPECT_GT(own, 5) << i;
    EXPECT_GE(best, kLegibleContrast) << i;
  }
  EXPECT_LT(ContrastRatio(QColor(255, 255, 0), QColor(240, 240, 240)), 1.2);
  EXPECT_DOUBLE_EQ(ContrastRatio(Qt::black, Qt::white), 21);
}

// The floor of an order-4 Butterworth LPF with a 1 MHz, 50 Ω op-amp: a
// tenth of a decibel, its label clear of every curve.
TEST_F(AnalysisFrame, TheStopbandFloorsLabelIsShortAndClearOfTheCurves) {
  ShowDesign(engine::kLpf, 4, engine::kButterworth, "1k");
  TFormAnalysis& a = Open();
  a.resize(940, 640);
  a.OpAmp()->SetReal(true);
  a.OpAmp()->SetTexts({"1M", "100", "50"});
  a.SetFrequencyRange(TFormAnalysis::FrequencyRange::kChartPage);  // the floor at 65 kHz
  QCustomPlot& gain = *a.Plot(PlotKind::kGain);
  // The gain view shown, so that it has its size when the label is placed.
  for (QWidget* w = &gain; w; w = w->parentWidget()) {
    if (const int tab = a.Views()->indexOf(w); tab >= 0) a.Views()->setCurrentIndex(tab);
  }
  a.show();
  QCoreApplication::processEvents();
  a.Refresh();
  QCoreApplication::processEvents();
  ASSERT_TRUE(a.RealShown().has_value() && a.RealShown()->floor.has_value());
  QCPItemText* label = nullptr;
  for (int i = 0; i < gain.itemCount(); ++i) {
    if (auto* text = qobject_cast<QCPItemText*>(gain.item(i)); text && text->text().startsWith("阻止域の底"))
      label = text;
  }
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^阻止域の底 -13\\d\\.\\d dB \\(\\d+(\\.\\d)?kHz から上昇\\)$"))
                  .match(label->text())
                  .hasMatch())
      << label->text().toStdString();
  gain.replot();
  const QRectF rect = LabelRect(*label);
  EXPECT_TRUE(QRectF(gain.axisRect()->rect()).contains(rect));
  EXPECT_FALSE(CurvesCross(gain, rect));
  EXPECT_TRUE(a.Summary()->text().contains(label->text()));
  // Zoomed to the pass band, the floor is out of the picture and so is its
  // label; the framed view brings both back.
  gain.xAxis->setRange(100, 2000);
  gain.yAxis->setRange(-3, 1);
  gain.replot();
  EXPECT_FALSE(label->visible());
  ASSERT_TRUE(ResetAnalysisView(gain));
  gain.replot();
  EXPECT_TRUE(label->visible());
  EXPECT_TRUE(QRectF(gain.axisRect()->rect()).contains(LabelRect(*label)));
}

// A plot set up again and again (the requirement window's and the noise
// page's are, at every redraw) keeps one pair of handlers: a double click
// redraws it once, and the wheel zooms as its present kind says.
TEST(AnalysisPlotSetUp, AgainKeepsOneHandlerOfEachKind) {
  QCustomPlot plot;
  for (int i = 0; i < 3; ++i) SetUpAnalysisPlot(plot, PlotKind::kGain);
  plot.xAxis->setRange(10, 1e5);
  plot.yAxis->setRange(-60, 5);
  KeepAnalysisFrame(plot);
  int replots = 0;
  QObject::connect(&plot, &QCustomPlot::afterReplot, [&replots] { ++replots; });
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  emit plot.mouseDoubleClick(&click);
  EXPECT_EQ(replots, 1);
  // Set up as the pole view last: the wheel zooms both axes even with Ctrl.
  SetUpAnalysisPlot(plot, PlotKind::kPoles);
  QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                    Qt::NoScrollPhase, false);
  emit plot.mouseWheel(&wheel);
  EXPECT_EQ(plot.axisRect()->rangeZoom(), Qt::Horizontal | Qt::Vertical);
  SetUpAnalysisPlot(plot, PlotKind::kGain);
  emit plot.mouseWheel(&wheel);
  EXPECT_EQ(plot.axisRect()->rangeZoom(), Qt::Vertical);
}

// A series name as long as "ＲはE192系列" fits its check box.
TEST_F(AnalysisFrame, TheSeriesCheckBoxesShowTheirWholeText) {
  W().show();
  for (const char* res : {"E24", "E48", "E96", "E192", "default"}) {
    for (const char* cap : {"E6", "E12", "E24", "default"}) {
      engine::SeriesTexts texts;
      texts.res = res;
      texts.cap = cap;
      texts.rMin = "1";
      texts.rMax = "1M";
      texts.cMin = "1p";
      texts.cMax = "1m";
      W().ApplySeriesTexts(texts);
      for (QCheckBox* box : W().chkBoxE12) {
        SCOPED_TRACE(box->text().toStdString());
        EXPECT_GE(box->width(), box->sizeHint().width());
        EXPECT_GE(box->x(), box->parentWidget()->contentsRect().left());
        EXPECT_LE(box->geometry().right(), box->parentWidget()->contentsRect().right());
      }
    }
  }
  engine::SeriesTexts e192;
  e192.res = "E192";
  e192.cap = "E6";
  e192.rMin = "1k";
  e192.rMax = "1M";
  e192.cMin = "100p";
  e192.cMax = "1u";
  W().ApplySeriesTexts(e192);
  EXPECT_EQ(W().chkBoxE12[1]->text(), "ＲはE192系列");
  EXPECT_GE(W().chkBoxE12[1]->width(), W().chkBoxE12[1]->sizeHint().width());
}

// With parts outside the practical ranges on every stage, the 注意 column
// is cut and the op-amp columns stay within the screen's width.
TEST_F(AnalysisFrame, TheOpAmpColumnsStayOnScreenWithLongNotes) {
  ShowDesign(engine::kLpf, 8, engine::kButterworth, "200k");
  // The same f0 and Q from resistors a thousand times larger and capacitors
  // a thousand times smaller: every stage has parts outside the ranges.
  for (int i = 0; i < 8; ++i) {
    QLineEdit* r = W().groupR[i].valueEdit;
    QLineEdit* c = W().groupC[i].valueEdit;
    r->setText(QString::number(r->text().toDouble() * 1000, 'g', 17));
    c->setText(QString::number(c->text().toDouble() / 1000, 'g', 17));
  }
  TFormAnalysis& a = Open();
  a.OpAmp()->SetReal(true);
  a.OpAmp()->SetTexts({"1M", "100", "0"});
  a.Refresh();
  QTableWidget& t = *a.Table();
  const QTableWidgetItem* note = nullptr;
  for (int row = 0; row < t.rowCount(); ++row) {
    const QTableWidgetItem* item = t.item(row, TFormAnalysis::kNoteColumn);
    if (item && !item->text().isEmpty()) note = item;
  }
  ASSERT_NE(note, nullptr);
  EXPECT_FALSE(note->text().isEmpty());
  EXPECT_FALSE(note->toolTip().isEmpty());
  EXPECT_LE(t.columnWidth(TFormAnalysis::kNoteColumn), TFormAnalysis::kNoteColumnWidth);
  int total = 0;
  for (int c = 0; c < t.columnCount(); ++c) total += t.columnWidth(c);
  EXPECT_EQ(t.columnCount(), TFormAnalysis::kNoteColumn + 1 + 5);
  EXPECT_LE(total, 1600);
}

class TolerancePageLayout : public AnalysisFrame {
 protected:
  static bool Finish(TolerancePanel& p) {
    return WaitFor([&p] { return !p.Running() && p.StartButton()->isEnabled(); });
  }
};

// After a run with a mask: the selector shows its whole item, the yield
// line wraps instead of widening the window, and a small window keeps the
// histogram its height.
TEST_F(TolerancePageLayout, TheSelectorYieldAndHistogramKeepTheirRoomInASmallWindow) {
  TypeDesign(W(), Designed(engine::kLpf, 6, engine::kChebyshev, "1k"));
  TFormAnalysis& a = Open();
  TolerancePanel& p = *a.Tolerance();
  a.Views()->setCurrentWidget(&p);
  p.findChild<QComboBox*>("CBox_Mask")->setCurrentIndex(1);
  p.findChild<QSpinBox*>("EditTrials")->setValue(200);
  p.StartButton()->click();
  ASSERT_TRUE(Finish(p));
  ASSERT_TRUE(WaitFor([&a] { return !a.RefreshPending(); }));
  ASSERT_TRUE(p.YieldLabel()->text().contains("歩留まり"));
  a.resize(700, 460);
  QCoreApplication::processEvents();
  EXPECT_LE(a.minimumSizeHint().width(), 940);
  EXPECT_LE(a.width(), 940);
  QComboBox* choice = p.HistogramChoice();
  EXPECT_EQ(choice->currentText(), "-3dBの周波数 [Hz]");
  EXPECT_GE(choice->width(), choice->sizeHint().width());
  EXPECT_GE(p.Histogram()->height(), kHistogramMinimumHeight);
}

// The pole view keeps one scale on both axes, laid out on a hidden tab and
// after the window is resized.
TEST_F(AnalysisFrame, ThePoleViewIsDrawnAtEqualScale) {
  ShowDesign(engine::kLpf, 6, engine::kChebyshev, "1k");
  TFormAnalysis& a = Open();
  for (const QSize size : {QSize(940, 640), QSize(620, 600), QSize(900, 460)}) {
    a.resize(size);
    a.Views()->setCurrentWidget(a.Plot(PlotKind::kPoles));
    QCoreApplication::processEvents();
    a.Refresh();
    QCustomPlot& poles = *a.Plot(PlotKind::kPoles);
    poles.replot();
    const QRect r = poles.axisRect()->rect();
    const double xScale = r.width() / poles.xAxis->range().size();
    const double yScale = r.height() / poles.yAxis->range().size();
    EXPECT_NEAR(xScale / yScale, 1.0, 0.01) << size.width() << "x" << size.height();
  }
}

}  // namespace
}  // namespace kelvara::app::testing
