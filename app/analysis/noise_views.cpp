#include "app/analysis/noise_views.h"

#include <qcustomplot.h>

#include <QHeaderView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "app/analysis/analysis_plots.h"
#include "app/analysis/noise_view_texts.h"
#include "app/report/report_numbers.h"

namespace kelvara::app {
namespace {

// Colours of the sources and op-amp outputs, after the total's own.
const QColor kPalette[] = {QColor(31, 119, 180),  QColor(255, 127, 14), QColor(44, 160, 44),   QColor(214, 39, 40),
                           QColor(148, 103, 189), QColor(140, 86, 75),  QColor(227, 119, 194), QColor(127, 127, 127),
                           QColor(188, 189, 34),  QColor(23, 190, 207)};

QColor PaletteColor(int i) { return kPalette[i % static_cast<int>(std::size(kPalette))]; }

void LogValueAxis(QCPAxis& axis) {
  axis.setScaleType(QCPAxis::stLogarithmic);
  auto ticker = QSharedPointer<QCPAxisTickerLog>::create();
  ticker->setLogBase(10);
  ticker->setSubTickCount(8);
  axis.setTicker(ticker);
  axis.setNumberFormat(QStringLiteral("gb"));
  axis.grid()->setSubGridVisible(true);
}

// The range of the finite, positive values of the curves on a log axis.
void ScaleLog(QCPAxis& axis, const std::vector<const std::vector<double>*>& curves, double floorRatio) {
  double top = 0;
  for (const auto* c : curves)
    for (double v : *c)
      if (std::isfinite(v)) top = std::max(top, v);
  if (!(top > 0)) return;
  double bottom = top;
  for (const auto* c : curves)
    for (double v : *c)
      if (std::isfinite(v) && v > 0) bottom = std::min(bottom, v);
  bottom = std::max(bottom, top / floorRatio);
  axis.setRange(bottom / 1.5, top * 1.5);
}

QString Vrms(double v) { return SiText(v, 4) + QStringLiteral("V"); }

// A legend entry of its own (no curve): a grey dashed stroke and a text,
// for the sources the legend does not name one by one.
class TextLegendItem final : public QCPAbstractLegendItem {
 public:
  TextLegendItem(QCPLegend* legend, const QString& text) : QCPAbstractLegendItem(legend), text_(text) {
    setObjectName(QStringLiteral("legendOthers"));
  }
  QString Text() const { return text_; }

 protected:
  void draw(QCPPainter* painter) override {
    const QSize icon = mParentLegend->iconSize();
    const QRect text =
        QFontMetrics(mParentLegend->font()).boundingRect(0, 0, 0, icon.height(), Qt::TextDontClip, text_);
    const int height = std::max(text.height(), icon.height());
    painter->setPen(QPen(QColor(120, 120, 120), 1.5, Qt::DashLine));
    const int y = mRect.y() + height / 2;
    painter->drawLine(QLineF(mRect.x(), y, mRect.x() + icon.width(), y));
    painter->setFont(mParentLegend->font());
    painter->setPen(QPen(mParentLegend->textColor()));
    painter->drawText(mRect.x() + icon.width() + mParentLegend->iconTextPadding(), mRect.y(), text.width(), height,
                      Qt::TextDontClip, text_);
  }
  QSize minimumOuterSizeHint() const override {
    const QSize icon = mParentLegend->iconSize();
    const QRect text =
        QFontMetrics(mParentLegend->font()).boundingRect(0, 0, 0, icon.height(), Qt::TextDontClip, text_);
    return QSize(icon.width() + mParentLegend->iconTextPadding() + text.width(),
                 std::max(text.height(), icon.height())) +
           QSize(mMargins.left() + mMargins.right(), mMargins.top() + mMargins.bottom());
  }

 private:
  QString text_;
};

void RemoveTextLegendItems(QCPLegend& legend) {
  for (int i = legend.itemCount() - 1; i >= 0; --i)
    if (dynamic_cast<TextLegendItem*>(legend.item(i))) legend.removeItem(i);
}

// The noise band: shaded between its two edges, each a dashed line.
void MarkBand(QCustomPlot& plot, const response::NoiseBand& band) {
  auto* shade = new QCPItemRect(&plot);
  shade->setObjectName(QStringLiteral("noiseBandShade"));
  shade->setLayer(QStringLiteral("grid"));
  shade->setClipToAxisRect(true);
  shade->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
  shade->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
  shade->topLeft->setCoords(band.loHz, 0);
  shade->bottomRight->setCoords(band.hiHz, 1);
  shade->setPen(Qt::NoPen);
  shade->setBrush(QColor(70, 130, 220, 28));
  const QString names[] = {QStringLiteral("noiseBandLo"), QStringLiteral("noiseBandHi")};
  const double edges[] = {band.loHz, band.hiHz};
  for (int i = 0; i < 2; ++i) {
    auto* line = new QCPItemStraightLine(&plot);
    line->setObjectName(names[i]);
    line->setPen(QPen(QColor(70, 110, 180), 1, Qt::DashLine));
    line->point1->setCoords(edges[i], 1);
    line->point2->setCoords(edges[i], 2);
  }
  auto* text = new QCPItemText(&plot);
  text->setObjectName(QStringLiteral("noiseBandText"));
  text->setClipToAxisRect(true);
  text->position->setTypeX(QCPItemPosition::ptPlotCoords);
  text->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
  // Its name at the foot of the band, just inside its upper edge (the
  // lower one often lies left of the view: 1 Hz).
  text->position->setCoords(band.hiHz, 1);
  text->setPositionAlignment(Qt::AlignRight | Qt::AlignBottom);
  text->setPadding(QMargins(0, 0, 4, 3));
  text->setColor(QColor(70, 110, 180));
  text->setBrush(QColor(255, 255, 255, 210));  // readable over the curves
  text->setText(QString::fromUtf8(noise_text::kBand));
}

}  // namespace

NoisePage::NoisePage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PageNoise"));
  auto* layout = new QVBoxLayout(this);
  plot_ = new QCustomPlot(this);
  plot_->setObjectName(QStringLiteral("PlotNoise"));
  SetUpAnalysisPlot(*plot_, PlotKind::kGain);
  plot_->yAxis->setLabel(QString::fromUtf8(noise_text::kAxisDensity));
  // One short column: the total, the biggest sources and "その他", beside
  // the plot rather than over it (at the window's first size the plot is
  // only a few legend rows high).
  plot_->legend->setFillOrder(QCPLayoutGrid::foRowsFirst);
  plot_->axisRect()->insetLayout()->take(plot_->legend);
  auto* side = new QCPLayoutGrid;
  plot_->plotLayout()->addElement(0, 1, side);
  side->addElement(0, 0, plot_->legend);
  side->addElement(1, 0, new QCPLayoutElement(plot_));  // takes the height below the legend
  side->setRowStretchFactor(0, 0.001);
  side->setMargins(QMargins(4, 8, 4, 8));
  plot_->plotLayout()->setColumnStretchFactor(1, 0.001);
  LogValueAxis(*plot_->yAxis);
  auto* bottom = new QHBoxLayout;
  table_ = new QTableWidget(this);
  table_->setObjectName(QStringLiteral("TableNoise"));
  table_->setColumnCount(static_cast<int>(std::size(noise_text::kColumns)));
  QStringList headers;
  for (const char* h : noise_text::kColumns) headers << QString::fromUtf8(h);
  table_->setHorizontalHeaderLabels(headers);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Exactly its rows high and its columns wide: it never needs scrolling.
  table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  // Rows as high as their text, which leaves the plot its height.
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->setFixedHeight(table_->horizontalHeader()->sizeHint().height() +
                         table_->verticalHeader()->defaultSectionSize() * kTableRows + 2 * table_->frameWidth());
  table_->setMinimumWidth(300);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("LabelNoiseSummary"));
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  bottom->addWidget(table_);
  bottom->addWidget(summary_, 1);
  layout->addWidget(plot_, 1);
  layout->addLayout(bottom);
}

void NoisePage::Show(const response::NoiseViews* v, const QColor& color, double fStart, double fTop,
                     const QString& message) {
  plot_->clearGraphs();
  plot_->clearItems();
  RemoveTextLegendItems(*plot_->legend);
  table_->setRowCount(0);
  if (!v) {
    summary_->setText(message.isEmpty() ? QString::fromUtf8(noise_text::kNoNoiseDesign) : message);
    plot_->replot();
    return;
  }
  const std::vector<double>& f = v->noise.frequencyHz;
  // The total in black over the sources' colours; the sheet's colour marks
  // the levels view's output.
  (void)color;
  QCPGraph* total =
      AddAnalysisCurve(*plot_, QString::fromUtf8(noise_text::kTotal), QColor(0, 0, 0), f, v->noise.totalNv);
  QPen pen = total->pen();
  pen.setWidthF(2.5);
  total->setPen(pen);
  std::vector<const std::vector<double>*> drawn = {&v->noise.totalNv};
  std::vector<std::pair<std::size_t, QCPGraph*>> sourceCurves;  // source, curve
  int shown = 0;
  for (std::size_t s = 0; s < v->report.sources.size() && s < v->noise.sourceNv.size(); ++s) {
    if (!(v->report.sourceVrms[s] > 0)) continue;  // a source of 0 (no en or in given) is not drawn
    QCPGraph* g = AddAnalysisCurve(*plot_, QString::fromStdString(v->report.sources[s].name), PaletteColor(shown++), f,
                                   v->noise.sourceNv[s]);
    // Seventeen curves of an order-8 design share ten colours: the op-amps'
    // en are dashed and their in dotted, so no two legend entries look alike.
    const response::NoiseSourceKind kind = v->report.sources[s].kind;
    if (kind != response::NoiseSourceKind::kResistor) {
      QPen sourcePen = g->pen();
      sourcePen.setStyle(kind == response::NoiseSourceKind::kVoltage ? Qt::DashLine : Qt::DotLine);
      g->setPen(sourcePen);
    }
    drawn.push_back(&v->noise.sourceNv[s]);
    sourceCurves.push_back({s, g});
  }
  // The legend names the biggest sources only; the others share one entry.
  std::stable_sort(sourceCurves.begin(), sourceCurves.end(), [&](const auto& a, const auto& b) {
    return v->report.sourceVrms[a.first] > v->report.sourceVrms[b.first];
  });
  // Biggest first, after the total.
  for (const auto& [source, curve] : sourceCurves) curve->removeFromLegend();
  for (std::size_t i = 0; i < sourceCurves.size() && i < static_cast<std::size_t>(kLegendSources); ++i)
    sourceCurves[i].second->addToLegend();
  if (sourceCurves.size() > static_cast<std::size_t>(kLegendSources)) {
    plot_->legend->addItem(new TextLegendItem(
        plot_->legend,
        QString::fromUtf8(noise_text::kOthers).arg(static_cast<int>(sourceCurves.size()) - kLegendSources)));
  }
  MarkBand(*plot_, v->report.band);
  plot_->xAxis->setRange(fStart, fTop);
  ScaleLog(*plot_->yAxis, drawn, 1e4);
  KeepAnalysisFrame(*plot_);
  plot_->replot();

  // The biggest contributors.
  std::vector<std::size_t> order(v->report.sources.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return v->report.sourceVrms[a] > v->report.sourceVrms[b]; });
  const int rows = std::min<int>(kTableRows, static_cast<int>(order.size()));
  table_->setRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    const std::size_t s = order[r];
    const QString cells[] = {QString::fromStdString(v->report.sources[s].name), Vrms(v->report.sourceVrms[s]),
                             QString::number(100 * v->report.Share(s), 'f', 1) + QStringLiteral(" %")};
    for (int c = 0; c < 3; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(r, c, item);
    }
  }
  table_->resizeColumnsToContents();
  summary_->setText(QString::fromUtf8(noise_text::kNoiseSummary)
                        .arg(SiText(v->report.band.loHz, 4), SiText(v->report.band.hiHz, 4),
                             QString::number(v->report.temperatureC, 'g', 5), Vrms(v->report.totalVrms),
                             Vrms(v->report.inputReferredVrms)));
}

LevelsPage::LevelsPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PageLevels"));
  auto* layout = new QVBoxLayout(this);
  plot_ = new QCustomPlot(this);
  plot_->setObjectName(QStringLiteral("PlotLevels"));
  SetUpAnalysisPlot(*plot_, PlotKind::kGain);
  plot_->yAxis->setLabel(QString::fromUtf8(noise_text::kAxisGain));
  plot_->yAxis2->setVisible(true);
  plot_->yAxis2->setLabel(QString::fromUtf8(noise_text::kAxisInput));
  plot_->yAxis2->setLabelFont(plot_->yAxis->labelFont());
  plot_->yAxis2->setTickLabelFont(plot_->yAxis->tickLabelFont());
  LogValueAxis(*plot_->yAxis2);
  plot_->yAxis2->grid()->setVisible(false);
  plot_->yAxis2->grid()->setSubGridVisible(false);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("LabelLevelsSummary"));
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_->setWordWrap(true);
  layout->addWidget(plot_, 1);
  layout->addWidget(summary_);
}

void LevelsPage::Show(const response::NoiseViews* v, const QColor& color, double fStart, double fTop,
                      const QString& message) {
  plot_->clearGraphs();
  plot_->clearItems();
  if (!v) {
    summary_->setText(message.isEmpty() ? QString::fromUtf8(noise_text::kNoNoiseDesign) : message);
    plot_->replot();
    return;
  }
  const std::vector<double>& f = v->levels.frequencyHz;
  const int stages = static_cast<int>(v->levels.gainDb.size());
  for (int k = 0; k < stages; ++k) {
    // The last op-amp drives the filter's output: in the sheet's colour.
    const QColor c = k + 1 == stages ? color : PaletteColor(k);
    AddAnalysisCurve(*plot_, QStringLiteral("U%1").arg(k + 1), c, f, v->levels.gainDb[k]);
  }
  auto limit = [&](const std::vector<double>& vpp, const char* name, Qt::PenStyle style) {
    if (vpp.empty()) return;
    QCPGraph* g = plot_->addGraph(plot_->xAxis, plot_->yAxis2);
    g->setName(QString::fromUtf8(name));
    g->setPen(QPen(QColor(90, 90, 90), 1.5, style));
    g->setData(QVector<double>(f.begin(), f.end()), QVector<double>(vpp.begin(), vpp.end()), true);
  };
  limit(v->limits.swingVpp, noise_text::kSwingLimit, Qt::DashLine);
  limit(v->limits.slewVpp, noise_text::kSlewLimit, Qt::DotLine);
  plot_->xAxis->setRange(fStart, fTop);
  // Gains from 60 dB below the highest.
  double top = -1e300;
  for (const auto& g : v->levels.gainDb)
    for (double x : g)
      if (std::isfinite(x)) top = std::max(top, x);
  if (top > -1e300) plot_->yAxis->setRange(top - 60, top + 6);
  std::vector<const std::vector<double>*> limits;
  if (!v->limits.swingVpp.empty()) limits.push_back(&v->limits.swingVpp);
  if (!v->limits.slewVpp.empty()) limits.push_back(&v->limits.slewVpp);
  if (!limits.empty()) {
    // From below the smallest input a limit allows (what matters) up.
    double lowest = 0;
    for (const auto* c : limits)
      for (double x : *c)
        if (std::isfinite(x) && x > 0 && (lowest == 0 || x < lowest)) lowest = x;
    if (lowest > 0) plot_->yAxis2->setRange(lowest / 2, lowest * 300);
  }
  plot_->yAxis2->setVisible(!limits.empty());
  // The right axis names the swing its limit is of, and where it came from.
  const response::UsedSwing& swing = v->levelReport.swing;
  plot_->yAxis2->setLabel(swing.vpp > 0 ? QString::fromUtf8(swing.from == response::SwingFrom::kSupply
                                                                ? noise_text::kAxisInputSupply
                                                                : noise_text::kAxisInputSwing)
                                              .arg(SiText(swing.vpp, 4))
                                        : QString::fromUtf8(noise_text::kAxisInput));
  KeepAnalysisFrame(*plot_);
  plot_->replot();

  QStringList lines;
  QStringList stageTexts;
  for (int k = 0; k < static_cast<int>(v->levelReport.stages.size()); ++k) {
    const response::StageLevel& s = v->levelReport.stages[k];
    stageTexts << QString::fromUtf8(noise_text::kLevelsStage)
                      .arg(k + 1)
                      .arg(report::FixedText(s.maxGainDb, 2), SiText(s.atHz, 4));
  }
  lines << stageTexts.join(QStringLiteral("   "));
  auto vpp = [](const std::optional<double>& x) {
    return x ? SiText(*x, 4) + QStringLiteral("Vpp") : QString::fromUtf8(noise_text::kNotGiven);
  };
  QString range = v->levelReport.dynamicRangeDb
                      ? report::FixedText(*v->levelReport.dynamicRangeDb, 1) + QStringLiteral(" dB")
                      : QString::fromUtf8(noise_text::kNotGiven);
  if (v->levelReport.dynamicRangeDb && v->levelReport.limitedBy) {
    range += QString::fromUtf8(*v->levelReport.limitedBy == response::InputLimit::kSlew ? noise_text::kLimitedBySlew
                                                                                        : noise_text::kLimitedBySwing);
  }
  lines << QString::fromUtf8(noise_text::kLevelsSummary)
               .arg(vpp(v->levelReport.maxInputVpp), vpp(v->levelReport.slewMaxInputVpp), range);
  summary_->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace kelvara::app
