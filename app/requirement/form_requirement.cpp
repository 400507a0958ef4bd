#include "app/requirement/form_requirement.h"

#include <qcustomplot.h>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>
#include <vector>

#include "app/analysis/analysis_plots.h"
#include "app/common/application.h"
#include "app/main_window/form_main.h"
#include "app/main_window/section_texts.h"
#include "app/requirement/requirement_texts.h"
#include "engine/bandpass.h"
#include "engine/series_options.h"
#include "engine/units.h"
#include "tolerance/study.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"
#include "values/section_record.h"

namespace kelvara::app {
namespace {

namespace txt = requirement_text;

constexpr int kCurvePoints = 301;
constexpr int kTableColumns = 12;
constexpr int kSeriesColumns = 4;
constexpr int kSpreadColumn = 8;
constexpr int kVerdictColumn = 11;
constexpr int kVerdictWidth = 200;
constexpr int kMinVerdictWidth = 96;
constexpr int kYieldColumn = kTableColumns + kSeriesColumns - 1;
constexpr int kRangeColumn = 3;
constexpr int kTableMinHeight = 120;
constexpr int kCellPadding = 10;   // a cell's or a caption's margins
constexpr int kCaptionSlack = 24;  // how much wider than its cells a caption stays on one line
// Wide enough for the sixteen columns with the preferred values and the yield.
constexpr int kDefaultWidth = 1240;
constexpr int kDefaultHeight = 960;

QColor ResponseColor(int response) {
  switch (response) {
    case values::kBessel:
      return QColor(0, 140, 60);
    case values::kChebyshev:
      return QColor(200, 40, 40);
    case values::kLegendre:
      return QColor(150, 60, 170);
    case values::kLinkwitzRiley:
      return QColor(0, 140, 150);
    default:
      return QColor(30, 80, 200);
  }
}

// A row's colour: the response's; a Chebyshev of a computed ripple a
// shade of the table's red, darker as the ripple grows.
QColor RowColor(int response, int rippleIndex) {
  if (!values::HasRipple(response) || rippleIndex == values::kTabulatedRippleIndex) {
    return ResponseColor(response);
  }
  const double db = values::kRippleDb[rippleIndex];
  const int shade = static_cast<int>(std::lround(60.0 * std::log10(db / 0.01) / std::log10(300.0)));
  return QColor(255 - 2 * shade, 90 - shade, 60 + shade);
}
QColor RowColor(const response::RequirementCandidate& c) { return RowColor(c.response, c.rippleIndex); }

// Which rows the plot draws: every row with an order, but of the Chebyshev
// rows only the one ranked first by the table's rule (the lowest order,
// then the larger smaller margin; a row that meets before one that does
// not), and the recommended row.
std::vector<bool> DrawnRows(const response::RequirementResult& result) {
  const int n = static_cast<int>(result.candidates.size());
  std::vector<bool> drawn(n, false);
  std::optional<int> bestChebyshev;
  auto better = [&](int a, int b) {
    const response::RequirementCandidate& x = result.candidates[a];
    const response::RequirementCandidate& y = result.candidates[b];
    if (x.meets != y.meets) return x.meets;
    if (*x.order != *y.order) return *x.order < *y.order;
    return std::min(x.margins.passDb, x.margins.stopDb) > std::min(y.margins.passDb, y.margins.stopDb);
  };
  for (int i = 0; i < n; ++i) {
    const response::RequirementCandidate& c = result.candidates[i];
    if (!c.order) continue;
    if (!values::HasRipple(c.response)) {
      drawn[i] = true;
    } else if (!bestChebyshev || better(i, *bestChebyshev)) {
      bestChebyshev = i;
    }
  }
  if (bestChebyshev) drawn[*bestChebyshev] = true;
  if (result.recommended) drawn[*result.recommended] = true;
  return drawn;
}

// "チェビシェフ 0.5dB": a Chebyshev row names its ripple.
QString ResponseText(const response::RequirementCandidate& c) {
  return QString::fromStdString(values::ResponseLabel(c.response, c.rippleIndex));
}

QString Db(double v) { return QString::number(v, 'f', 3) + QStringLiteral(" dB"); }
// A band-pass margin: one of a Chebyshev whose ripple equals Ap is 0 but
// for the rounding of the gain.
QString BandDb(double v) { return Db(std::fabs(v) < 1e-9 ? 0.0 : v); }

// The gain (dB, 0 at the centre) of band-pass sections at f: each
// g (w0/Q) s / (s² + (w0/Q) s + w0²) of gain g at its w0.
double BandPassGainDb(const std::vector<engine::BandPassSection>& sections, double f) {
  const double w = engine::kTwoPi * f;
  double db = 0;
  for (const engine::BandPassSection& s : sections) {
    const double d = s.omega * w / s.q;
    db += 20 * std::log10(s.gain * d / std::hypot(s.omega * s.omega - w * w, d));
  }
  return db;
}
QString Pct(const std::optional<double>& v) {
  return v ? QString::number(*v, 'f', 2) + QStringLiteral(" %") : QStringLiteral("—");
}

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

// A limit's text: a number >= 0 (Q: above 0).
std::optional<double> ReadLimit(const QString& text, bool positive) {
  bool ok = false;
  const double v = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v) || v < 0 || (positive && !(v > 0))) return std::nullopt;
  return v;
}

// The requirement plot, cleared and set up as the gain view.
void StartPlot(QCustomPlot& plot) {
  plot.clearGraphs();
  plot.clearItems();
  SetUpAnalysisPlot(plot, PlotKind::kGain);
}

// A forbidden region of the mask, shaded; beyond the axes it is clipped.
void Forbid(QCustomPlot& plot, double f1, double y1, double f2, double y2) {
  auto* rect = new QCPItemRect(&plot);
  rect->setPen(QPen(QColor(200, 0, 0, 160)));
  rect->setBrush(QColor(230, 60, 60, 55));
  rect->topLeft->setCoords(f1, y1);
  rect->bottomRight->setCoords(f2, y2);
}

// A candidate's curve; the recommended one named so and drawn bolder.
void AddRowCurve(QCustomPlot& plot, QString name, const QColor& color, const std::vector<double>& frequencies,
                 const std::vector<double>& gainDb, bool recommended) {
  if (recommended) name += QString(txt::kCurveRecommended);
  QCPGraph* graph = AddAnalysisCurve(plot, name, color, frequencies, gainDb);
  if (recommended) {
    QPen pen = graph->pen();
    pen.setWidthF(2.5);
    graph->setPen(pen);
  }
}

// The axes, the legend over the stop band (none without a curve: it would
// be an empty frame), and the replot.
void FinishPlot(QCustomPlot& plot, double fLow, double fHigh, double bottom, double top, bool hpf) {
  plot.xAxis->setRange(fLow, fHigh);
  plot.yAxis->setRange(bottom, top);
  PlaceLegendOverStopBand(plot, hpf);
  plot.legend->setVisible(plot.graphCount() > 0);
  plot.replot();
}

}  // namespace

RequirementOutcome ComputeRequirement(const RequirementSnapshot& snapshot) {
  RequirementOutcome out;
  if (snapshot.bandPass) {
    const response::BandPassMask& m = snapshot.bandMask;
    out.bandPass = response::DesignBandPassFromRequirement(m, snapshot.circuit.gain);
    out.frequencies = response::LogPoints(m.fs1 / 10, m.fs2 * 10, kCurvePoints);
    for (const response::BandPassCandidate& c : out.bandPass->candidates) {
      std::vector<double> gain;
      if (c.order && !c.bandwidthText.empty()) {
        const std::vector<engine::BandPassSection> sections =
            engine::BandPassSections(c.response, c.rippleIndex, *c.order, c.centerTextHz, c.bandwidthTextHz, 1.0);
        for (const double f : out.frequencies) gain.push_back(BandPassGainDb(sections, f));
      }
      out.gainDb.push_back(std::move(gain));
    }
    return out;
  }
  out.table = response::DesignFromRequirement(snapshot.requirement, snapshot.constraints, snapshot.circuit);
  if (snapshot.withSeries) {
    out.seriesTexts = snapshot.seriesTexts;
    tolerance::RunOptions options;
    options.stop = snapshot.stop;
    out.realised = tolerance::RealiseAll(out.table, snapshot.series, snapshot.yield, options);
  }
  const response::Requirement& r = snapshot.requirement;
  out.frequencies =
      response::LogPoints(std::min(r.passHz, r.stopHz) / 10, std::max(r.passHz, r.stopHz) * 10, kCurvePoints);
  for (const response::RequirementCandidate& c : out.table.candidates) {
    std::vector<double> gain;
    if (c.order) {
      const response::Cascade cascade =
          response::IdealCascade(r.passKind, c.response, *c.order, c.cutoffTextHz, c.rippleIndex);
      for (const double f : out.frequencies) gain.push_back(response::GainDb(cascade, f));
    }
    out.gainDb.push_back(std::move(gain));
  }
  return out;
}

TFormRequirement::TFormRequirement(TFormMain& form, storage::SettingsStore& store)
    : QWidget(&form, Qt::Window), form_(form), store_(store) {
  setObjectName(QStringLiteral("FormRequirement"));
  setWindowTitle(QString(txt::kWindowTitle));
  timer_.setSingleShot(true);
  timer_.setInterval(kCoalesceMs);
  connect(&timer_, &QTimer::timeout, this, [this] {
    RunGuarded([this] {
      const std::optional<RequirementSnapshot> snapshot = Snapshot();
      if (running_) {
        pending_ = true;  // looked at again when the worker ends
        if (!snapshot) ClearOutcome();
        return;
      }
      if (snapshot) {
        Start(*snapshot);
      } else {
        ClearOutcome();
      }
    });
  });
  connect(&watcher_, &QFutureWatcher<RequirementOutcome>::finished, this,
          [this] { RunGuarded([this] { Finished(); }); });
  BuildLayout();
  Restore();
}

TFormRequirement::~TFormRequirement() {
  // The worker holds only its own copy of the inputs; stop its trials and
  // wait for the moment it still needs so that no task outlives the window.
  watcher_.disconnect(this);
  stop_.request_stop();
  watcher_.waitForFinished();
}

void TFormRequirement::BuildLayout() {
  auto* top = new QVBoxLayout(this);
  auto* inputs = new QHBoxLayout();
  top->addLayout(inputs);

  auto* maskBox = new QGroupBox(QString(txt::kMaskGroup), this);
  auto* mask = new QGridLayout(maskBox);
  maskGrid_ = mask;
  kind_ = new QComboBox(maskBox);
  kind_->setObjectName(QStringLiteral("CBox_ReqKind"));
  for (const char* name : section_text::kPassKinds) kind_->addItem(QString::fromUtf8(name));
  mask->addWidget(new QLabel(QString(txt::kKind), maskBox), 0, 0);
  mask->addWidget(kind_, 0, 1);
  static constexpr const char* kFieldObjects[] = {"Edit_ReqFp", "Edit_ReqAp", "Edit_ReqFs", "Edit_ReqAs"};
  for (int i = 0; i < 4; ++i) {
    fields_[i] = new QLineEdit(maskBox);
    fields_[i]->setObjectName(QString::fromLatin1(kFieldObjects[i]));
    fieldLabels_[i] = new QLabel(QString(txt::kFieldLabels[i]), maskBox);
  }
  static constexpr const char* kBandObjects[] = {"Edit_ReqFs1", "Edit_ReqFp1", "Edit_ReqFp2", "Edit_ReqFs2"};
  for (int i = 0; i < 4; ++i) {
    bandFields_[i] = new QLineEdit(QString(txt::kBandFieldDefaults[i]), maskBox);
    bandFields_[i]->setObjectName(QString::fromLatin1(kBandObjects[i]));
    bandLabels_[i] = new QLabel(QString(txt::kBandFieldLabels[i]), maskBox);
  }
  PlaceMaskFields(false);
  inputs->addWidget(maskBox, 3);

  auto* circuitBox = new QGroupBox(QString(txt::kCircuitGroup), this);
  auto* circuit = new QGridLayout(circuitBox);
  circuit_ = new QComboBox(circuitBox);
  circuit_->setObjectName(QStringLiteral("CBox_ReqCircuit"));
  for (const char* name : section_text::kCircuits) circuit_->addItem(QString::fromUtf8(name));
  gain_ = new QLineEdit(QStringLiteral("1"), circuitBox);
  gain_->setObjectName(QStringLiteral("Edit_ReqGain"));
  gain_->setToolTip(QString(section_text::kGainHint));
  circuit->addWidget(new QLabel(QString(txt::kCircuit), circuitBox), 0, 0);
  circuit->addWidget(circuit_, 0, 1);
  circuit->addWidget(new QLabel(QString(txt::kGain), circuitBox), 1, 0);
  circuit->addWidget(gain_, 1, 1);
  auto* circuitNote = new QLabel(QString(txt::kCircuitNote), circuitBox);
  circuitNote->setObjectName(QStringLiteral("Label_ReqCircuitNote"));
  circuitNote->setWordWrap(true);
  circuitNote->setStyleSheet(QStringLiteral("color: #505050;"));
  circuit->addWidget(circuitNote, 2, 0, 1, 2);
  circuit->setRowStretch(3, 1);
  inputs->addWidget(circuitBox, 2);

  auto* limitBox = new QGroupBox(QString(txt::kLimitGroup), this);
  auto* limits = new QGridLayout(limitBox);
  static constexpr const char* kLimitObjects[] = {"Edit_ReqOvershoot", "Edit_ReqDelay", "Edit_ReqQ"};
  for (int i = 0; i < 3; ++i) {
    limitOn_[i] = new QCheckBox(QString(txt::kLimitLabels[i]), limitBox);
    limitOn_[i]->setObjectName(QString::fromLatin1(kLimitObjects[i]) + QStringLiteral("On"));
    limits_[i] = new QLineEdit(limitBox);
    limits_[i]->setObjectName(QString::fromLatin1(kLimitObjects[i]));
    limits->addWidget(limitOn_[i], i, 0);
    limits->addWidget(limits_[i], i, 1);
  }
  series_ = new QCheckBox(QString(txt::kSeriesCheck), limitBox);
  series_->setObjectName(QStringLiteral("chkBox_ReqSeries"));
  limits->addWidget(series_, 3, 0, 1, 2);
  auto* note = new QLabel(QString(txt::kLimitNote), limitBox);
  note->setObjectName(QStringLiteral("Label_ReqLimitNote"));
  note->setWordWrap(true);
  note->setStyleSheet(QStringLiteral("color: #505050;"));
  limits->addWidget(note, 4, 0, 1, 2);
  inputs->addWidget(limitBox, 2);

  auto* yieldBox = new QGroupBox(QString(txt::kYieldGroup), this);
  auto* yield = new QGridLayout(yieldBox);
  yieldOn_ = new QCheckBox(QString(txt::kYieldCheck), yieldBox);
  yieldOn_->setObjectName(QStringLiteral("chkBox_ReqYield"));
  yield->addWidget(yieldOn_, 0, 0, 1, 2);
  static constexpr const char* kYieldObjects[] = {"Edit_ReqYieldR", "Edit_ReqYieldC", "Edit_ReqYieldTrials"};
  for (int i = 0; i < 3; ++i) {
    yield_[i] = new QLineEdit(yieldBox);
    yield_[i]->setObjectName(QString::fromLatin1(kYieldObjects[i]));
    yield->addWidget(new QLabel(QString(txt::kYieldLabels[i]), yieldBox), 1 + i, 0);
    yield->addWidget(yield_[i], 1 + i, 1);
  }
  inputs->addWidget(yieldBox, 2);

  auto* messages = new QHBoxLayout();
  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("Label_ReqMessage"));
  message_->setStyleSheet(QStringLiteral("color: #b00000;"));
  message_->setWordWrap(true);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("Label_ReqStatus"));
  messages->addWidget(message_, 1);
  messages->addWidget(status_);
  top->addLayout(messages);

  table_ = new QTableWidget(0, kTableColumns + kSeriesColumns, this);
  table_->setObjectName(QStringLiteral("Table_ReqCandidates"));
  QStringList headers;
  for (const char* c : txt::kColumns) headers << QString(c);
  for (const char* c : txt::kSeriesColumns) headers << QString(c);
  table_->setHorizontalHeaderLabels(headers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->setVisible(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter | static_cast<Qt::Alignment>(Qt::TextWordWrap));
  for (int c = 0; c < kSeriesColumns; ++c) table_->setColumnHidden(kTableColumns + c, true);
  table_->setMinimumHeight(kTableMinHeight);
  top->addWidget(table_, 2);

  bandTable_ = new QTableWidget(0, static_cast<int>(std::size(txt::kBandColumns)), this);
  bandTable_->setObjectName(QStringLiteral("Table_ReqBandPass"));
  QStringList bandHeaders;
  for (const char* c : txt::kBandColumns) bandHeaders << QString(c);
  bandTable_->setHorizontalHeaderLabels(bandHeaders);
  bandTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
  bandTable_->setSelectionMode(QAbstractItemView::SingleSelection);
  bandTable_->verticalHeader()->setVisible(false);
  bandTable_->horizontalHeader()->setStretchLastSection(true);
  bandTable_->setMinimumHeight(kTableMinHeight);
  bandTable_->setVisible(false);
  top->addWidget(bandTable_, 2);

  plot_ = new QCustomPlot(this);
  plot_->setObjectName(QStringLiteral("Plot_ReqMask"));
  plot_->setMinimumHeight(260);
  top->addWidget(plot_, 5);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  apply_ = new QPushButton(QString(txt::kApply), this);
  apply_->setObjectName(QStringLiteral("Button_ReqApply"));
  buttons->addWidget(apply_);
  top->addLayout(buttons);

  for (QLineEdit* e : fields_) connect(e, &QLineEdit::textChanged, this, [this] { InputsChanged(); });
  for (QLineEdit* e : bandFields_) connect(e, &QLineEdit::textChanged, this, [this] { InputsChanged(); });
  connect(gain_, &QLineEdit::textChanged, this, [this] { InputsChanged(); });
  connect(circuit_, &QComboBox::currentIndexChanged, this, [this] { InputsChanged(); });
  for (QLineEdit* e : limits_) connect(e, &QLineEdit::textChanged, this, [this] { InputsChanged(); });
  for (QCheckBox* b : limitOn_) connect(b, &QCheckBox::toggled, this, [this] { InputsChanged(); });
  connect(series_, &QCheckBox::toggled, this, [this] { InputsChanged(); });
  connect(yieldOn_, &QCheckBox::toggled, this, [this] { InputsChanged(); });
  for (QLineEdit* e : yield_) connect(e, &QLineEdit::textChanged, this, [this] { InputsChanged(); });
  connect(kind_, &QComboBox::currentIndexChanged, this, [this] { InputsChanged(); });
  connect(apply_, &QPushButton::clicked, this, [this] { RunGuarded([this] { ApplyToSheet(); }); });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row) { RunGuarded([&] { ApplyToSheet(row); }); });
  connect(bandTable_, &QTableWidget::cellDoubleClicked, this,
          [this](int row) { RunGuarded([&] { ApplyToSheet(row); }); });
  resize(kDefaultWidth, kDefaultHeight);
}

void TFormRequirement::PlaceMaskFields(bool bandPass) {
  QGridLayout& grid = *maskGrid_;
  for (int i = 0; i < 4; ++i) {
    for (QWidget* w : {static_cast<QWidget*>(fields_[i]), static_cast<QWidget*>(fieldLabels_[i]),
                       static_cast<QWidget*>(bandFields_[i]), static_cast<QWidget*>(bandLabels_[i])}) {
      grid.removeWidget(w);
    }
  }
  auto place = [&grid](QLabel* label, QLineEdit* edit, int row, int pair) {
    grid.addWidget(label, row, pair * 2);
    grid.addWidget(edit, row, pair * 2 + 1);
  };
  if (bandPass) {
    for (int i = 0; i < 4; ++i) place(bandLabels_[i], bandFields_[i], 1 + i / 2, i % 2);
    place(fieldLabels_[1], fields_[1], 3, 0);
    place(fieldLabels_[3], fields_[3], 3, 1);
  } else {
    for (int i = 0; i < 4; ++i) place(fieldLabels_[i], fields_[i], 1 + i / 2, i % 2);
  }
  for (int i : {0, 2}) {
    fields_[i]->setVisible(!bandPass);
    fieldLabels_[i]->setVisible(!bandPass);
  }
  for (int i = 0; i < 4; ++i) {
    bandFields_[i]->setVisible(bandPass);
    bandLabels_[i]->setVisible(bandPass);
  }
  bandPassShown_ = bandPass;
}

void TFormRequirement::Restore() {
  const storage::RequirementSettings s = storage::LoadRequirementSettings(store_);
  remembered_ = s;
  const QSignalBlocker blockKind(kind_);
  kind_->setCurrentIndex(s.kind);
  for (int i = 0; i < 4; ++i) {
    const QSignalBlocker block(fields_[i]);
    fields_[i]->setText(s.mask[i]);
  }
  for (int i = 0; i < 3; ++i) {
    const QSignalBlocker blockOn(limitOn_[i]);
    const QSignalBlocker blockEdit(limits_[i]);
    limitOn_[i]->setChecked(s.limitOn[i]);
    limits_[i]->setText(s.limits[i]);
  }
  {
    const QSignalBlocker block(yieldOn_);
    yieldOn_->setChecked(s.yieldOn);
  }
  for (int i = 0; i < 3; ++i) {
    const QSignalBlocker block(yield_[i]);
    yield_[i]->setText(s.yield[i]);
  }
  if (s.place && (*s.place)[2] >= 300 && (*s.place)[3] >= 200 && (*s.place)[2] <= 10000 && (*s.place)[3] <= 10000) {
    resize((*s.place)[2], (*s.place)[3]);
    move((*s.place)[0], (*s.place)[1]);
  }
}

void TFormRequirement::Remember(bool place) {
  storage::RequirementSettings s = remembered_;
  // The store keeps the kinds LPF and HPF (a band-pass mask is this
  // window's own).
  if (kind_->currentIndex() != values::kPassKindBpf) s.kind = kind_->currentIndex();
  for (int i = 0; i < 4; ++i) s.mask[i] = fields_[i]->text();
  for (int i = 0; i < 3; ++i) {
    s.limits[i] = limits_[i]->text();
    s.limitOn[i] = limitOn_[i]->isChecked();
  }
  s.yieldOn = yieldOn_->isChecked();
  for (int i = 0; i < 3; ++i) s.yield[i] = yield_[i]->text();
  if (place) s.place = std::array<int, 4>{pos().x(), pos().y(), width(), height()};
  storage::SaveRequirementSettings(store_, s, &remembered_);
  remembered_ = s;
}

void TFormRequirement::ShowRequirement() {
  // Opened again from the menu, a minimised window comes back as it was.
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
  InputsChanged();
}

void TFormRequirement::closeEvent(QCloseEvent* event) {
  Remember(true);
  timer_.stop();
  stop_.request_stop();  // a yield still running is of no use once closed
  QWidget::closeEvent(event);
}

void TFormRequirement::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (shown_ && !shown_->bandPass) FitColumns();  // the verdict takes the room there is now
}

void TFormRequirement::InputsChanged() {
  // Overshoot and delay are figures of a low-pass filter only.
  const bool lpf = kind_->currentIndex() == values::kLpf;
  const bool bpf = kind_->currentIndex() == values::kPassKindBpf;
  if (bpf != bandPassShown_) {
    // A band-pass filter is built of MFB sections, as on the sheet.
    const QSignalBlocker block(circuit_);
    if (bpf) {
      circuitBeforeBandPass_ = circuit_->currentIndex();
      circuit_->setCurrentIndex(values::kCircuitMfb);
    } else {
      circuit_->setCurrentIndex(circuitBeforeBandPass_);
    }
    PlaceMaskFields(bpf);
    table_->setVisible(!bpf);
    bandTable_->setVisible(bpf);
  }
  circuit_->setEnabled(!bpf);
  // The unity-gain Sallen-Key has the gain 1.
  gain_->setEnabled(bpf || circuit_->currentIndex() != 0);
  for (int i = 0; i < 2; ++i) {
    limitOn_[i]->setEnabled(lpf);
    limits_[i]->setEnabled(lpf);
  }
  limitOn_[2]->setEnabled(!bpf);
  limits_[2]->setEnabled(!bpf);
  // The preferred-value parts and their yield are the unity-gain
  // Sallen-Key's.
  const bool seriesTaken = !bpf && circuit_->currentIndex() == 0;
  series_->setEnabled(seriesTaken);
  const bool withSeries = seriesTaken && series_->isChecked();
  yieldOn_->setEnabled(withSeries);
  for (QLineEdit* e : yield_) e->setEnabled(withSeries && yieldOn_->isChecked());
  if (running_) stop_.request_stop();  // its outcome is stale already
  table_->horizontalHeaderItem(kSpreadColumn)
      ->setText(QString(lpf ? txt::kColumns[kSpreadColumn] : txt::kResistorRatio));
  timer_.start();
}

QString TFormRequirement::ReadCircuit(RequirementSnapshot& s) const {
  s.circuit.circuit = std::max(0, circuit_->currentIndex());
  s.circuit.gain = 1.0;
  if (s.circuit.circuit == 0 && !s.bandPass) return {};
  const std::string text = gain_->text().trimmed().toStdString();
  s.circuit.gain = text.empty() ? 0.0 : values::ParseEngValue(text);
  switch (response::CheckRequirementCircuit(s.circuit)) {
    case response::CircuitProblem::kNone:
      return {};
    case response::CircuitProblem::kGainBelowOne:
      return QString(txt::kGainBelowOne);
    default:
      return QString(txt::kGainUnreadable);
  }
}

QString TFormRequirement::ReadBandPass(RequirementSnapshot& s) const {
  std::string text;
  for (int i = 0; i < 6; ++i) {
    const QString field = BandField(i)->text();
    // A comma would be read as the next field's start.
    if (field.contains(QLatin1Char(','))) return QString(txt::kUnreadable).arg(QString(txt::kBandFieldNames[i]));
    text += (i ? "," : "") + field.toStdString();
  }
  const response::RequirementCheck check = response::ParseBandPassRequirement(text, s.bandMask);
  switch (check.problem) {
    case response::RequirementProblem::kNone:
      return {};
    case response::RequirementProblem::kFieldCount:
    case response::RequirementProblem::kUnreadable:
      return QString(txt::kUnreadable).arg(QString(txt::kBandFieldNames[std::clamp(check.field, 0, 5)]));
    case response::RequirementProblem::kEdgeOrder:
      return QString(txt::kEdgeBpf);
    case response::RequirementProblem::kAttenuation:
      return QString(txt::kAttenuation);
  }
  return {};
}

std::optional<RequirementSnapshot> TFormRequirement::Snapshot() {
  RequirementSnapshot s;
  const int kind = kind_->currentIndex();
  if (kind == values::kPassKindBpf) {
    s.bandPass = true;
    QString problem = ReadBandPass(s);
    if (problem.isEmpty()) problem = ReadCircuit(s);
    message_->setText(problem);
    inputProblem_ = problem;
    if (!problem.isEmpty()) return std::nullopt;
    return s;
  }
  std::array<std::string, 4> texts;
  for (int i = 0; i < 4; ++i) texts[i] = fields_[i]->text().toStdString();
  const response::RequirementCheck check = response::ParseRequirementFields(texts, kind, s.requirement);
  QString problem;
  switch (check.problem) {
    case response::RequirementProblem::kNone:
      break;
    case response::RequirementProblem::kFieldCount:
    case response::RequirementProblem::kUnreadable:
      problem = QString(txt::kUnreadable).arg(QString(txt::kFieldNames[std::clamp(check.field, 0, 3)]));
      break;
    case response::RequirementProblem::kEdgeOrder:
      problem = QString(kind == values::kHpf ? txt::kEdgeHpf : txt::kEdgeLpf);
      break;
    case response::RequirementProblem::kAttenuation:
      problem = QString(txt::kAttenuation);
      break;
  }
  if (problem.isEmpty()) problem = ReadCircuit(s);
  std::array<std::optional<double>*, 3> targets{&s.constraints.maxOvershootPct, &s.constraints.maxDelayVariationPct,
                                                &s.constraints.maxQ};
  for (int i = 0; i < 3 && problem.isEmpty(); ++i) {
    if (!limitOn_[i]->isChecked() || !limitOn_[i]->isEnabled()) continue;
    *targets[i] = ReadLimit(limits_[i]->text(), i == 2);
    if (!*targets[i]) problem = QString(txt::kLimitUnreadable).arg(QString(txt::kLimitLabels[i]));
  }
  s.withSeries = series_->isChecked() && series_->isEnabled();
  if (s.withSeries && yieldOn_->isChecked() && problem.isEmpty()) {
    tolerance::YieldSettings y;
    const std::optional<double> r = tolerance::ReadPartTolerance(yield_[0]->text().trimmed().toStdString());
    const std::optional<double> c = tolerance::ReadPartTolerance(yield_[1]->text().trimmed().toStdString());
    bool ok = false;
    const int trials = yield_[2]->text().trimmed().toInt(&ok);
    if (!r) {
      problem = QString(txt::kToleranceUnreadable).arg(QString(txt::kYieldLabels[0]).section(QLatin1Char(' '), 0, 1));
    } else if (!c) {
      problem = QString(txt::kToleranceUnreadable).arg(QString(txt::kYieldLabels[1]).section(QLatin1Char(' '), 0, 1));
    } else if (!ok || trials < tolerance::kMinTrials || trials > tolerance::kMaxTrials) {
      problem = QString(txt::kTrialsUnreadable);
    } else {
      y.tolerances = tolerance::Tolerances::Uniform(*r, *c);
      y.trials = trials;
      s.yield = y;
    }
  }
  message_->setText(problem);
  inputProblem_ = problem;
  if (!problem.isEmpty()) return std::nullopt;
  if (s.withSeries) {
    s.seriesTexts = form_.ChosenSeriesTexts();
    s.series = &engine::PartSeriesOf(engine::CheckSeriesTexts(s.seriesTexts).choice);
  }
  return s;
}

void TFormRequirement::Start(const RequirementSnapshot& snapshot) {
  status_->setText(QString(txt::kComputing));
  running_ = true;
  stop_ = std::stop_source();
  RequirementSnapshot withStop = snapshot;
  withStop.stop = stop_.get_token();
  watcher_.setFuture(QtConcurrent::run([withStop] { return ComputeRequirement(withStop); }));
}

void TFormRequirement::Finished() {
  running_ = false;
  status_->clear();
  if (pending_) {
    // The inputs changed meanwhile: the result is stale.
    pending_ = false;
    if (const std::optional<RequirementSnapshot> snapshot = Snapshot()) {
      Start(*snapshot);
    } else {
      ClearOutcome();
    }
    return;
  }
  // Stopped (the window was closed meanwhile): the yields are not whole.
  if (stop_.stop_requested()) return;
  ShowOutcome(watcher_.result());
}

void TFormRequirement::ClearOutcome() {
  shown_.reset();
  table_->setRowCount(0);
  bandTable_->setRowCount(0);
  plot_->clearGraphs();
  plot_->clearItems();
  plot_->legend->setVisible(false);
  plot_->replot();
}

void TFormRequirement::ShowOutcome(const RequirementOutcome& outcome) {
  shown_ = outcome;
  Remember(false);  // the analysis window's tolerance page may take this mask
  if (outcome.bandPass) {
    FillBandTable(*outcome.bandPass);
    DrawBandPassPlot(outcome);
    if (!outcome.bandPass->recommended && message_->text().isEmpty()) message_->setText(QString(txt::kNoneMeets));
    return;
  }
  FillTable(outcome);
  DrawPlot(outcome);
  if (!outcome.table.recommended && message_->text().isEmpty()) message_->setText(QString(txt::kNoneMeets));
}

void TFormRequirement::FillTable(const RequirementOutcome& outcome) {
  const response::RequirementResult& result = outcome.table;
  const bool withSeries = !outcome.realised.empty();
  for (int c = 0; c < kSeriesColumns; ++c) table_->setColumnHidden(kTableColumns + c, !withSeries);
  table_->setRowCount(static_cast<int>(result.candidates.size()));
  for (int row = 0; row < table_->rowCount(); ++row) {
    const response::RequirementCandidate& c = result.candidates[row];
    QStringList cells;
    cells << ResponseText(c);
    if (!c.order) {
      cells << QStringLiteral("—");
      for (int i = 2; i < kTableColumns - 1; ++i) cells << QString();
    } else {
      cells << QString(txt::kOrder).arg(*c.order) << QString::fromStdString(c.cutoffText) + QStringLiteral("Hz")
            << SiText(c.range.loHz) + QStringLiteral("〜") + SiText(c.range.hiHz) + QStringLiteral("Hz")
            << Db(c.margins.passDb) << Db(c.margins.stopDb)
            << (c.maxQ ? QString::number(*c.maxQ, 'g', 5) : QStringLiteral("—"))
            << SiText(c.gbwMinHz) + QStringLiteral("Hz") << QString::number(c.spreadMin, 'g', 4) << Pct(c.overshootPct)
            << Pct(c.delayVariationPct);
    }
    const bool recommended = result.recommended && *result.recommended == row;
    cells << (c.meets ? QString(recommended ? txt::kRecommended : txt::kMeets)
                      : QString(txt::kFails).arg(QString::fromStdString(c.why)));
    if (withSeries) {
      const std::optional<tolerance::RealisedCandidate>& p = outcome.realised[row];
      if (p && p->margins) {
        cells << Db(p->margins->passDb) << Db(p->margins->stopDb)
              << (p->meets ? QString(txt::kMeets) : QString(txt::kFails).arg(QString()));
      } else {
        cells << QString() << QString() << (p ? QString(txt::kNoDesign) : QString());
      }
      cells << (p && p->yield ? QString(txt::kYieldCell)
                                    .arg(QString::number(100 * p->yield->ratio, 'f', 2))
                                    .arg(p->yield->passed)
                                    .arg(p->yield->trials)
                              : QString());
    }
    for (int col = 0; col < cells.size(); ++col) {
      QTableWidgetItem* item = Cell(cells[col]);
      if (col == 0) item->setForeground(RowColor(c));
      if (recommended) {
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
      }
      if (col == kVerdictColumn) item->setToolTip(cells[col]);
      table_->setItem(row, col, item);
    }
  }
  FitColumns();
  if (result.recommended) table_->selectRow(*result.recommended);
}

int TFormRequirement::CellsWidth(int column, bool wrap) const {
  int widest = 0;
  for (int row = 0; row < table_->rowCount(); ++row) {
    if (const QTableWidgetItem* item = table_->item(row, column)) {
      const QFontMetrics metrics(item->font());
      // The pieces between the places a line may break: after a space and
      // after the "〜" of a range.
      QStringList pieces{item->text()};
      if (wrap) {
        pieces = item->text().replace(QStringLiteral("〜"), QStringLiteral("〜 ")).split(QLatin1Char(' '));
      }
      for (const QString& piece : pieces) widest = std::max(widest, metrics.horizontalAdvance(piece));
    }
  }
  return widest + kCellPadding;
}

void TFormRequirement::FitColumns() {
  // Each column as wide as its cells; a caption much wider than its figures
  // is broken onto two lines (the preferred-value captions have their break
  // written in). The verdict, whose reasons can be long, takes what is left
  // of the table's width, between kMinVerdictWidth and kVerdictWidth, and
  // wraps too (its whole text is in the cell's tip). So the preferred-value
  // columns and the yield stay in sight.
  QHeaderView& header = *table_->horizontalHeader();
  const QFontMetrics metrics(header.font());
  bool twoLines = false;
  // The widths of the columns but the verdict; with `wrap` the range
  // "932.8〜1.076kHz" and the yield "97.40 % (487/500)" take two lines.
  auto widths = [&](bool wrap) {
    std::vector<int> w(table_->columnCount(), 0);
    for (int col = 0; col < table_->columnCount(); ++col) {
      if (table_->isColumnHidden(col) || col == kVerdictColumn) continue;
      const int cells = CellsWidth(col, wrap && (col == kRangeColumn || col == kYieldColumn));
      const QString caption = table_->horizontalHeaderItem(col)->text();
      int whole = 0;
      for (const QString& line : caption.split(QLatin1Char('\n'))) {
        whole = std::max(whole, metrics.horizontalAdvance(line) + kCellPadding);
      }
      twoLines = twoLines || caption.contains(QLatin1Char('\n'));
      w[col] = std::max(cells, whole);
      if (whole > cells + kCaptionSlack && !caption.contains(QLatin1Char('\n'))) {
        // A caption much wider than its figures is broken in its middle.
        w[col] = std::max(cells, metrics.horizontalAdvance(caption.left((caption.size() + 1) / 2)) + kCellPadding);
        twoLines = true;
      }
    }
    return w;
  };
  const int room = table_->viewport()->width();
  const int verdictNeeds = std::clamp(CellsWidth(kVerdictColumn), kMinVerdictWidth, kVerdictWidth);
  std::vector<int> w = widths(false);
  if (std::accumulate(w.begin(), w.end(), 0) + verdictNeeds > room) w = widths(true);
  const int others = std::accumulate(w.begin(), w.end(), 0);
  for (int col = 0; col < table_->columnCount(); ++col) {
    if (w[col] > 0) table_->setColumnWidth(col, w[col]);
  }
  const int verdict = std::clamp(std::min(verdictNeeds, room - others), kMinVerdictWidth, kVerdictWidth);
  table_->setColumnWidth(kVerdictColumn, verdict);
  header.setMinimumHeight(twoLines ? 2 * metrics.lineSpacing() + kCellPadding : 0);
  table_->resizeRowsToContents();
  // Tall enough for every row (twelve at most), the plot keeps the rest.
  int rows = header.sizeHint().height() + 2 * table_->frameWidth();
  if (!table_->horizontalScrollBar()->isHidden()) rows += table_->horizontalScrollBar()->sizeHint().height();
  for (int row = 0; row < table_->rowCount(); ++row) rows += table_->rowHeight(row);
  table_->setMinimumHeight(std::max(kTableMinHeight, rows));
}

void TFormRequirement::DrawPlot(const RequirementOutcome& outcome) {
  QCustomPlot& plot = *plot_;
  StartPlot(plot);
  const response::Requirement& r = outcome.table.requirement;
  const double fLow = outcome.frequencies.front();
  const double fHigh = outcome.frequencies.back();
  const double top = std::max(3.0, 3 * r.passDb);
  const double bottom = -r.stopDb - 30;
  auto forbid = [&plot](double f1, double y1, double f2, double y2) { Forbid(plot, f1, y1, f2, y2); };
  const double farLow = fLow / 100;
  const double farHigh = fHigh * 100;
  const double high = top + 1000;
  const double low = bottom - 1000;
  if (r.passKind == values::kHpf) {
    forbid(r.passHz, high, farHigh, r.passDb);
    forbid(r.passHz, -r.passDb, farHigh, low);
    forbid(farLow, high, r.stopHz, -r.stopDb);
  } else {
    forbid(farLow, high, r.passHz, r.passDb);
    forbid(farLow, -r.passDb, r.passHz, low);
    forbid(r.stopHz, high, farHigh, -r.stopDb);
  }
  const response::RequirementResult& result = outcome.table;
  // One curve a response: of the Chebyshev rows the one the table's rule
  // ranks first (the recommended row is always drawn).
  const std::vector<bool> drawn = DrawnRows(result);
  for (std::size_t i = 0; i < result.candidates.size(); ++i) {
    const response::RequirementCandidate& c = result.candidates[i];
    if (!c.order || !drawn[i]) continue;
    const bool recommended = result.recommended && *result.recommended == static_cast<int>(i);
    QString name =
        QString(txt::kCurveName).arg(ResponseText(c)).arg(*c.order).arg(QString::fromStdString(c.cutoffText));
    AddRowCurve(plot, name, RowColor(c), outcome.frequencies, outcome.gainDb[i], recommended);
  }
  FinishPlot(plot, fLow, fHigh, bottom, top, r.passKind == values::kHpf);
}

void TFormRequirement::FillBandTable(const response::BandPassRequirementResult& result) {
  QTableWidget& table = *bandTable_;
  const int columns = table.columnCount();
  table.setRowCount(static_cast<int>(result.candidates.size()));
  for (int row = 0; row < table.rowCount(); ++row) {
    const response::BandPassCandidate& c = result.candidates[row];
    QStringList cells;
    cells << QString::fromStdString(values::ResponseLabel(c.response, c.rippleIndex));
    if (!c.order) {
      cells << QStringLiteral("—");
    } else {
      auto range = [](const response::FrequencyRange& r) {
        return SiText(r.loHz) + QStringLiteral("〜") + SiText(r.hiHz) + QStringLiteral("Hz");
      };
      cells << QString(txt::kOrder).arg(*c.order) << QString::fromStdString(c.centerText) + QStringLiteral("Hz")
            << range(c.centerRange);
      if (!c.bandwidthText.empty()) {
        cells << QString::fromStdString(c.bandwidthText) + QStringLiteral("Hz") << range(c.bandwidthRange)
              << BandDb(c.margins.PassDb()) << BandDb(c.margins.StopDb()) << QString::number(c.maxQ, 'g', 5)
              << SiText(c.gbwMinHz) + QStringLiteral("Hz");
      }
    }
    while (cells.size() < columns - 1) cells << QString();
    const bool recommended = result.recommended && *result.recommended == row;
    cells << (c.meets ? QString(recommended ? txt::kRecommended : txt::kMeets)
                      : QString(txt::kFails).arg(QString::fromStdString(c.why)));
    for (int col = 0; col < columns; ++col) {
      QTableWidgetItem* item = Cell(cells[col]);
      if (col == 0) item->setForeground(RowColor(c.response, c.rippleIndex));
      if (recommended) {
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
      }
      if (col == 6 || col == 7) {
        if (!c.bandwidthText.empty()) {
          item->setToolTip(QString(txt::kBandMarginTip)
                               .arg(BandDb(c.margins.fp1Db), BandDb(c.margins.fp2Db), BandDb(c.margins.fs1Db),
                                    BandDb(c.margins.fs2Db)));
        }
      }
      if (col == columns - 1) item->setToolTip(cells[col]);
      table.setItem(row, col, item);
    }
  }
  table.resizeColumnsToContents();
  // The verdict takes what is left; its whole text is in the cell's tip.
  int others = 0;
  for (int col = 0; col + 1 < columns; ++col) others += table.columnWidth(col);
  table.setColumnWidth(columns - 1, std::clamp(table.viewport()->width() - others, kMinVerdictWidth, kVerdictWidth));
  table.resizeRowsToContents();
  int rows = table.horizontalHeader()->sizeHint().height() + 2 * table.frameWidth();
  if (!table.horizontalScrollBar()->isHidden()) rows += table.horizontalScrollBar()->sizeHint().height();
  for (int row = 0; row < table.rowCount(); ++row) rows += table.rowHeight(row);
  table.setMinimumHeight(std::max(kTableMinHeight, rows));
  if (result.recommended) table.selectRow(*result.recommended);
}

void TFormRequirement::DrawBandPassPlot(const RequirementOutcome& outcome) {
  QCustomPlot& plot = *plot_;
  StartPlot(plot);
  const response::BandPassRequirementResult& result = *outcome.bandPass;
  const response::BandPassMask& m = result.mask;
  const double fLow = outcome.frequencies.front();
  const double fHigh = outcome.frequencies.back();
  const double top = std::max(3.0, 3 * m.ap);
  const double bottom = -m.as - 30;
  auto forbid = [&plot](double f1, double y1, double f2, double y2) { Forbid(plot, f1, y1, f2, y2); };
  const double farLow = fLow / 100, farHigh = fHigh * 100;
  const double high = top + 1000, low = bottom - 1000;
  // Relative to the gain at the centre: the pass band within +-Ap, the
  // stop bands at least As down.
  forbid(m.fp1, high, m.fp2, m.ap);
  forbid(m.fp1, -m.ap, m.fp2, low);
  forbid(farLow, high, m.fs1, -m.as);
  forbid(m.fs2, high, farHigh, -m.as);
  // One curve a response: of the Chebyshev rows the first that meets (or
  // the first with a bandwidth), and the recommended row.
  std::optional<std::size_t> chebyshev;
  for (std::size_t i = 0; i < result.candidates.size(); ++i) {
    const response::BandPassCandidate& c = result.candidates[i];
    if (!values::HasRipple(c.response) || outcome.gainDb[i].empty()) continue;
    if (!chebyshev || (c.meets && !result.candidates[*chebyshev].meets)) chebyshev = i;
  }
  for (std::size_t i = 0; i < result.candidates.size(); ++i) {
    const response::BandPassCandidate& c = result.candidates[i];
    const bool recommended = result.recommended && *result.recommended == static_cast<int>(i);
    if (outcome.gainDb[i].empty()) continue;
    if (values::HasRipple(c.response) && !recommended && chebyshev != i) continue;
    QString name = QString(txt::kBandCurveName)
                       .arg(QString::fromStdString(values::ResponseLabel(c.response, c.rippleIndex)))
                       .arg(*c.order)
                       .arg(QString::fromStdString(c.centerText), QString::fromStdString(c.bandwidthText));
    AddRowCurve(plot, name, RowColor(c.response, c.rippleIndex), outcome.frequencies, outcome.gainDb[i], recommended);
  }
  FinishPlot(plot, fLow, fHigh, bottom, top, false);
}

void TFormRequirement::ApplyBandPass(int row) {
  const response::BandPassRequirementResult& result = *shown_->bandPass;
  if (row < 0) {
    const QList<QTableWidgetItem*> selected = bandTable_->selectedItems();
    if (!selected.isEmpty()) {
      row = selected.front()->row();
    } else if (result.recommended) {
      row = *result.recommended;
    }
  }
  if (row < 0 || row >= static_cast<int>(result.candidates.size())) {
    message_->setText(QString(txt::kNothingChosen));
    return;
  }
  const response::BandPassCandidate& c = result.candidates[row];
  if (!c.order || c.bandwidthText.empty()) {
    message_->setText(QString(txt::kChosenHasNoOrder));
    return;
  }
  const QString center = QString::fromStdString(c.centerText);
  const QString bandwidth = QString::fromStdString(c.bandwidthText);
  const QString gain = QString::fromStdString(values::FormatGeneral(result.gain));
  // The table is of the ideal filters: the sheet's parts take any values.
  SheetValues parts;
  parts.anyValues = true;
  parts.texts = form_.ChosenSeriesTexts();
  const bool anyBefore = form_.CBox_NoProblem->isChecked();
  const SheetCircuit circuit{values::kCircuitMfb, gain, bandwidth};
  if (!ChooseOnSheet(form_, values::kPassKindBpf, *c.order, c.response, center, parts, c.rippleIndex, circuit)) {
    message_->setText(QString(txt::kSheetBusy));
    return;
  }
  QString applied = QString(txt::kAppliedBandPass)
                        .arg(form_.ShownSheet() + 1)
                        .arg(QString::fromStdString(values::ResponseLabel(c.response, c.rippleIndex)))
                        .arg(QString(txt::kOrder).arg(*c.order))
                        .arg(center, bandwidth, QString(section_text::kCircuits[values::kCircuitMfb]), gain);
  if (!anyBefore) applied += QString(txt::kAppliedAnyValues);
  message_->setText(applied);
}

void TFormRequirement::ApplyToSheet(int row) {
  if (!shown_) {
    // Why the table is empty: still computing, or the inputs' problem.
    message_->setText(Busy() ? QString(txt::kStillComputing) : QString(txt::kNoTable) + inputProblem_);
    return;
  }
  if (shown_->bandPass) {
    ApplyBandPass(row);
    return;
  }
  if (row < 0) {
    const QList<QTableWidgetItem*> selected = table_->selectedItems();
    if (!selected.isEmpty()) {
      row = selected.front()->row();
    } else if (shown_->table.recommended) {
      row = *shown_->table.recommended;
    }
  }
  if (row < 0 || row >= static_cast<int>(shown_->table.candidates.size())) {
    message_->setText(QString(txt::kNothingChosen));
    return;
  }
  const response::RequirementCandidate& c = shown_->table.candidates[row];
  if (!c.order) {
    message_->setText(QString(txt::kChosenHasNoOrder));
    return;
  }
  const QString cutoff = QString::fromStdString(c.cutoffText);
  // The sheet's parts are those the table evaluated: the series it
  // designed with, or any values for the ideal filters.
  SheetValues parts;
  parts.anyValues = !shown_->seriesTexts.has_value();
  parts.texts = shown_->seriesTexts.value_or(form_.ChosenSeriesTexts());
  const bool anyBefore = form_.CBox_NoProblem->isChecked();
  const engine::SeriesTexts seriesBefore = form_.ChosenSeriesTexts();
  const response::RequirementCircuit& used = shown_->table.circuit;
  const QString gain = QString::fromStdString(values::FormatGeneral(used.gain));
  const SheetCircuit circuit{used.circuit, gain, QString()};
  if (!ChooseOnSheet(form_, shown_->table.requirement.passKind, *c.order, c.response, cutoff, parts, c.rippleIndex,
                     circuit)) {
    message_->setText(QString(txt::kSheetBusy));
    return;
  }
  QString applied = used.circuit == 0 ? QString(txt::kApplied)
                                            .arg(form_.ShownSheet() + 1)
                                            .arg(ResponseText(c))
                                            .arg(QString(txt::kOrder).arg(*c.order))
                                            .arg(cutoff)
                                      : QString(txt::kAppliedCircuit)
                                            .arg(form_.ShownSheet() + 1)
                                            .arg(ResponseText(c))
                                            .arg(QString(txt::kOrder).arg(*c.order))
                                            .arg(cutoff, QString(section_text::kCircuits[used.circuit]), gain);
  if (anyBefore != parts.anyValues || (!parts.anyValues && !(seriesBefore == parts.texts))) {
    applied += parts.anyValues
                   ? QString(txt::kAppliedAnyValues)
                   : QString(txt::kAppliedSeries)
                         .arg(form_.chkBoxE12[0]->text() + QStringLiteral("・") + form_.chkBoxE12[1]->text());
  }
  message_->setText(applied);
}

bool ChooseOnSheet(TFormMain& form, int kind, int order, int response, const QString& cutoffText,
                   const std::optional<SheetValues>& values, int rippleIndex,
                   const std::optional<SheetCircuit>& circuit) {
  if (!form.TabDesign->isEnabled() || !form.CBox_HPFLPF->isEnabled() || !form.CBox_Jisuu->isEnabled() ||
      !form.CBox_gensui->isEnabled() || !form.Edit_Frequency->isEnabled() || !form.GBox_E12->isEnabled()) {
    return false;
  }
  // The design inputs of the sheet (and the series options of every run).
  auto inputs = [&form] {
    return std::make_tuple(form.CBox_HPFLPF->currentIndex(), form.CBox_Jisuu->currentIndex(),
                           form.CBox_gensui->currentIndex(), form.CBox_ripple->currentIndex(),
                           form.Edit_Frequency->text(), form.CBox_NoProblem->isChecked(), form.ChosenSeriesTexts(),
                           form.CBox_Circuit->currentIndex(), form.Edit_Gain->text(), form.Edit_Bandwidth->text());
  };
  const auto before = inputs();
  auto choose = [](QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
  };
  choose(form.CBox_HPFLPF, kind);
  // A band-pass sheet's circuit is MFB already (the kind's rule chose it).
  if (circuit && kind != values::kPassKindBpf) choose(form.CBox_Circuit, circuit->circuit);
  choose(form.CBox_Jisuu, order - values::kMinOrder);
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(form.CBox_Jisuu, &leave);
  // The ripple before the response, so that the rules see the pair chosen.
  if (values::HasRipple(response)) form.CBox_ripple->setCurrentIndex(rippleIndex);
  choose(form.CBox_gensui, response);
  form.Edit_Frequency->setText(cutoffText);
  const bool sections = values::NeedsSections(form.CBox_HPFLPF->currentIndex(), form.CBox_Circuit->currentIndex());
  if (circuit && sections) {
    form.Edit_Gain->setText(circuit->gain);
    if (kind == values::kPassKindBpf) form.Edit_Bandwidth->setText(circuit->bandwidth);
  }
  if (values) {
    // One click on "問わない" moves the switch between the two states.
    if (form.CBox_NoProblem->isChecked() != values->anyValues) form.CBox_NoProblem->click();
    if (!values->anyValues && !(form.ChosenSeriesTexts() == values->texts)) form.ChooseSeriesTexts(values->texts);
  }
  if (inputs() != before) {
    // The parts on "auto" were designed for the old inputs: as meaningless
    // now as after the user's own change, and drawn by "ｆ特描画" as if
    // they were the new design. The user's fixed values stay.
    for (int k = 0; k < TFormMain::kPartCount; ++k) {
      for (const PartGroup* group : {&form.groupR[k], &form.groupC[k]}) {
        if (group->autoButton->isChecked()) group->valueEdit->clear();
      }
    }
  }
  if (sections) {
    // The part table of the stages the choices give, as the circuit's rule
    // lists it; the parts on "auto" were designed for other inputs.
    form.ShowCircuitPicture(form.CBox_HPFLPF->currentIndex(), form.CBox_Jisuu->currentIndex());
    if (inputs() != before) {
      QTableWidget& parts = *form.TableSectionParts;
      for (int row = 0; row < parts.rowCount(); ++row) {
        const QTableWidgetItem* fixed = parts.item(row, 2);
        QTableWidgetItem* value = parts.item(row, 1);
        if (value != nullptr && !(fixed && fixed->checkState() == Qt::Checked)) value->setText(QString());
      }
    }
  }
  return true;
}

}  // namespace kelvara::app
