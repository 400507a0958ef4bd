// What the tolerance page shows of a result: the statistics table, the
// histogram, the yield, and the bands and mask drawn in the window's views.

#include <qcustomplot.h>
#include <QBrush>
#include <QPen>
#include <QSignalBlocker>
#include <cmath>
#include <iterator>
#include <utility>

#include "app/analysis/tolerance_panel.h"

namespace kelvara::app {
namespace {

QString Number(double v) { return QString::number(v, 'g', 6); }

void AddRow(QTableWidget& table, const QString& name, const tolerance::Stats& s) {
  const int row = table.rowCount();
  table.insertRow(row);
  const double values[] = {s.nominal, s.mean, s.std, s.min, s.max, s.p05, s.p95};
  table.setItem(row, 0, new QTableWidgetItem(name));
  for (int i = 0; i < 7; ++i) table.setItem(row, i + 1, new QTableWidgetItem(Number(values[i])));
}

// The lower and upper edge of a band, the upper filled down to the lower.
void AddBand(QCustomPlot& plot, const std::vector<double>& x, const std::vector<double>& lo,
             const std::vector<double>& hi, const QColor& fill) {
  QCPGraph* low = plot.addGraph();
  QCPGraph* high = plot.addGraph();
  for (QCPGraph* g : {low, high}) {
    g->setLayer(QStringLiteral("grid"));
    g->setPen(QPen(Qt::NoPen));
    g->removeFromLegend();
    g->setSelectable(QCP::stNone);
  }
  low->setData(QVector<double>(x.begin(), x.end()), QVector<double>(lo.begin(), lo.end()), true);
  high->setData(QVector<double>(x.begin(), x.end()), QVector<double>(hi.begin(), hi.end()), true);
  high->setBrush(QBrush(fill));
  high->setChannelFillGraph(low);
}

template <typename Band, typename Lo, typename P05, typename P95, typename Hi>
void AddBands(QCustomPlot& plot, const std::vector<Band>& bands, const QColor& color, Lo lo, P05 p05, P95 p95, Hi hi) {
  if (bands.empty()) return;
  std::vector<double> x, a, b, c, d;
  for (const Band& band : bands) {
    x.push_back(band.frequencyHz);
    a.push_back(lo(band));
    b.push_back(p05(band));
    c.push_back(p95(band));
    d.push_back(hi(band));
  }
  QColor light = color, dark = color;
  light.setAlpha(45);
  dark.setAlpha(90);
  AddBand(plot, x, a, d, light);
  AddBand(plot, x, b, c, dark);
  // Behind the curves drawn before: move the curves to the front.
  for (int i = 0; i < plot.graphCount(); ++i) {
    QCPGraph* g = plot.graph(i);
    if (g->layer() != plot.layer(QStringLiteral("grid"))) g->setLayer(QStringLiteral("main"));
  }
}

}  // namespace

void TolerancePanel::ShowResult() {
  stats_->setRowCount(0);
  yield_->clear();
  if (!result_ || !result_->monteCarlo) {
    histogramOf_->clear();
    ShowHistogram();
    ShowWorstCase();
    return;
  }
  const tolerance::MonteCarloResult& r = *result_->monteCarlo;
  // A band-pass design has no -3 dB frequency: its stages' figures only.
  const bool band = resultBand_.has_value();
  if (!band) AddRow(*stats_, QStringLiteral("-3dB [Hz]"), r.minus3dbHz);
  for (const tolerance::StageStats& s : r.stages) {
    const QString stage = QString::number(s.stage) + QStringLiteral("段 ");
    AddRow(*stats_, stage + QStringLiteral("f0 [Hz]"), s.f0Hz);
    if (s.q) AddRow(*stats_, stage + QStringLiteral("Q"), *s.q);
    AddRow(*stats_, stage + QStringLiteral("ピーク [dB]"), s.peakDb);
  }
  {
    const QSignalBlocker quiet(histogramOf_);
    const int chosen = histogramOf_->currentIndex();
    histogramOf_->clear();
    if (!band) histogramOf_->addItem(QStringLiteral("-3dBの周波数 [Hz]"));
    for (const tolerance::StageStats& s : r.stages) {
      histogramOf_->addItem(QString::number(s.stage) + QStringLiteral("段 f0 [Hz]"));
      if (s.q) histogramOf_->addItem(QString::number(s.stage) + QStringLiteral("段 Q"));
    }
    histogramOf_->setCurrentIndex(chosen >= 0 && chosen < histogramOf_->count() ? chosen : 0);
  }
  ShowHistogram();
  QString text = QString::number(r.trials) + QStringLiteral(" 試行, シード ") + QString::number(r.seed);
  if (r.yield) {
    const tolerance::YieldResult& y = *r.yield;
    text += QStringLiteral("   歩留まり ") + Number(100 * y.ratio) + QStringLiteral(" % (") +
            QString::number(y.passed) + QStringLiteral("/") + QString::number(y.trials) +
            QStringLiteral("), 95 %信頼区間 ") + Number(100 * y.ci95.low) + QStringLiteral(" ～ ") +
            Number(100 * y.ci95.high) + QStringLiteral(" % (Wilson)");
  }
  yield_->setText(text);
  ShowWorstCase();
}

void TolerancePanel::ShowHistogram() {
  histogram_->clearPlottables();
  if (!result_ || !result_->monteCarlo) {
    histogram_->replot();
    return;
  }
  const tolerance::MonteCarloResult& r = *result_->monteCarlo;
  // The samples of the chosen entry, in the order the entries were added.
  // (A band-pass design's list starts at its first stage's f0.)
  const bool band = resultBand_.has_value() && !r.samples.f0Hz.empty();
  const std::vector<double>* samples = band ? &r.samples.f0Hz.front() : &r.samples.minus3dbHz;
  int entry = band ? -1 : 0;
  for (std::size_t k = 0; k < r.stages.size(); ++k) {
    if (++entry == histogramOf_->currentIndex()) samples = &r.samples.f0Hz[k];
    if (r.stages[k].q && ++entry == histogramOf_->currentIndex()) samples = &r.samples.q[k];
  }
  histogram_->xAxis->setLabel(histogramOf_->currentText());
  const tolerance::Histogram h = tolerance::MakeHistogram(*samples, 40);
  auto* bars = new QCPBars(histogram_->xAxis, histogram_->yAxis);
  // Grey when the result belongs to other inputs.
  bars->setPen(QPen(staleShown_ ? QColor(150, 150, 150) : QColor(40, 80, 160)));
  bars->setBrush(staleShown_ ? QColor(205, 205, 205) : QColor(90, 130, 210));
  int top = 1;
  for (std::size_t i = 0; i < h.counts.size(); ++i) {
    bars->addData((h.edges[i] + h.edges[i + 1]) / 2, h.counts[i]);
    top = std::max(top, h.counts[i]);
  }
  if (!h.counts.empty()) {
    const double width = h.edges.back() - h.edges.front();
    bars->setWidth(width > 0 ? width / h.counts.size() : 1);
    const double pad = width > 0 ? width * 0.05 : std::max(1.0, std::fabs(h.edges.front()) * 0.01);
    histogram_->xAxis->setRange(h.edges.front() - pad, h.edges.back() + pad);
  }
  histogram_->yAxis->setRange(0, top * 1.1);
  histogram_->replot();
}

void TolerancePanel::ShowWorstCase() {
  const tolerance::FailingCurves* failing = result_ && result_->failing ? &*result_->failing : nullptr;
  if (failing) {
    failingNote_->setText(
        QString::number(failing->failing) + QStringLiteral(" 試行が不合格") +
        (failing->failing > kMaxFailingCurves
             ? QStringLiteral(" (最初の ") + QString::number(kMaxFailingCurves) + QStringLiteral(" 試行のみ表示)")
             : QString()));
  } else {
    failingNote_->clear();
  }
  if (!result_ || !result_->worstCase || !resultPlan_) return;
  const tolerance::WorstCaseResult& worst = *result_->worstCase;
  auto row = [this](const QString& name, double nominal, const tolerance::Extreme& e) {
    const int r = stats_->rowCount();
    stats_->insertRow(r);
    stats_->setItem(r, 0, new QTableWidgetItem(name));
    stats_->setItem(r, 1, new QTableWidgetItem(Number(nominal)));
    stats_->setItem(r, 4, new QTableWidgetItem(Number(e.min)));
    stats_->setItem(r, 5, new QTableWidgetItem(Number(e.max)));
  };
  const QString wc = QStringLiteral("WC ");
  if (resultBand_) {
    // A band-pass design: its band's frequencies, then the mask's edges
    // (those not among them), each named.
    const char* bandNames[] = {"f0/2", "下側帯域端", "f0", "上側帯域端", "2f0"};
    const std::optional<tolerance::BandPassLimits>& limits = resultPlan_->config.bandPassMask;
    for (std::size_t k = 0; k < worst.gains.size(); ++k) {
      const tolerance::WorstGain& g = worst.gains[k];
      QString name;
      if (k < std::size(bandNames)) {
        name = QString::fromUtf8(bandNames[k]);
      } else if (limits) {
        const response::BandPassMask& m = limits->mask;
        const std::pair<double, const char*> edges[] = {{m.fs1, "fs1"}, {m.fp1, "fp1"}, {m.fp2, "fp2"}, {m.fs2, "fs2"}};
        for (const auto& [f, edge] : edges) {
          if (f == g.frequencyHz) name = QString::fromLatin1(edge);
        }
      }
      row(wc + QStringLiteral("利得 @") + Number(g.frequencyHz) + QStringLiteral("Hz (") + name +
              QStringLiteral(") [dB]"),
          g.nominalDb, g.db);
    }
    return;
  }
  row(wc + QStringLiteral("-3dB [Hz]"), worst.nominalMinus3dbHz, worst.minus3dbHz);
  // The mask's edges come last, named as the mask's fields.
  const std::optional<tolerance::GainMask>& mask = resultPlan_->config.mask;
  const std::size_t edges = mask ? worst.gains.size() - 2 : worst.gains.size();
  for (std::size_t k = 0; k < worst.gains.size(); ++k) {
    const tolerance::WorstGain& g = worst.gains[k];
    const QString edge = k < edges ? QString() : k == edges ? QStringLiteral(" (fp)") : QStringLiteral(" (fs)");
    row(wc + QStringLiteral("利得 @") + Number(g.frequencyHz) + QStringLiteral("Hz") + edge + QStringLiteral(" [dB]"),
        g.nominalDb, g.db);
  }
}

// A result of other inputs stays readable but plainly marked: greyed under
// "以前の設計の結果".
void TolerancePanel::ShowStaleness() {
  const bool stale = staleShown_;
  staleNote_->setVisible(stale);
  stats_->setEnabled(!stale);
  yield_->setEnabled(!stale);
  histogramOf_->setEnabled(!stale || !result_);
  failingNote_->setEnabled(!stale);
  ShowHistogram();
}

void DrawToleranceBands(QCustomPlot& gain, QCustomPlot& phase, QCustomPlot& delay, const tolerance::MonteCarloResult& r,
                        const QColor& color) {
  using tolerance::BandPoint;
  using tolerance::ValueBand;
  AddBands(
      gain, r.band, color, [](const BandPoint& b) { return b.minDb; }, [](const BandPoint& b) { return b.p05Db; },
      [](const BandPoint& b) { return b.p95Db; }, [](const BandPoint& b) { return b.maxDb; });
  for (auto [plot, bands] : {std::pair{&phase, &r.phaseBand}, std::pair{&delay, &r.delayBand}}) {
    AddBands(
        *plot, *bands, color, [](const ValueBand& b) { return b.min; }, [](const ValueBand& b) { return b.p05; },
        [](const ValueBand& b) { return b.p95; }, [](const ValueBand& b) { return b.max; });
  }
}

namespace {

// Draws the mask's dashed lines on the gain plot.
struct MaskPen {
  QCustomPlot& gain;
  void operator()(double x1, double y1, double x2, double y2) const {
    auto* l = new QCPItemLine(&gain);
    l->setPen(QPen(QColor(200, 0, 0), 1.5, Qt::DashLine));
    l->start->setCoords(x1, y1);
    l->end->setCoords(x2, y2);
  }
};

}  // namespace

void DrawMask(QCustomPlot& gain, const tolerance::GainMask& mask, bool hpf, double fStart, double fTop) {
  const MaskPen line{gain};
  const double far = hpf ? fTop * 1.2 : fStart / 10;
  line(far, mask.passDb, mask.passHz, mask.passDb);
  line(far, -mask.passDb, mask.passHz, -mask.passDb);
  const double stopEnd = hpf ? fStart / 10 : fTop * 1.2;
  line(mask.stopHz, -mask.stopDb, stopEnd, -mask.stopDb);
  line(mask.stopHz, -mask.stopDb, mask.stopHz, -mask.stopDb + 10);
}

void DrawBandPassMask(QCustomPlot& gain, const tolerance::BandPassLimits& limits, double fStart, double fTop) {
  const MaskPen line{gain};
  const response::BandPassMask& m = limits.mask;
  const double g = limits.nominalDb;
  // The pass band's limits, closed at its edges.
  line(m.fp1, g + m.ap, m.fp2, g + m.ap);
  line(m.fp1, g - m.ap, m.fp2, g - m.ap);
  line(m.fp1, g - m.ap, m.fp1, g + m.ap);
  line(m.fp2, g - m.ap, m.fp2, g + m.ap);
  // The stop bands' ceilings, each rising 10 dB at its edge (as DrawMask).
  const double stop = g - m.as;
  line(fStart / 10, stop, m.fs1, stop);
  line(m.fs1, stop, m.fs1, stop + 10);
  line(m.fs2, stop, fTop * 1.2, stop);
  line(m.fs2, stop, m.fs2, stop + 10);
}

void DrawFailingCurves(QCustomPlot& gain, const FailingCurves& curves) {
  const QVector<double> x(curves.frequencies.begin(), curves.frequencies.end());
  for (const std::vector<double>& y : curves.gainDb) {
    QCPGraph* g = gain.addGraph();
    g->setLayer(QStringLiteral("grid"));
    g->setPen(QPen(QColor(210, 40, 40, 110), 0.6));
    g->removeFromLegend();
    g->setSelectable(QCP::stNone);
    g->setData(x, QVector<double>(y.begin(), y.end()), true);
  }
}

}  // namespace kelvara::app
