// The tolerance page's additions to a run: tolerances per part, the GBW
// tolerance of a real op-amp, the worst case over all corners and the gain
// curves of the trials that fail the mask.

#include <qcustomplot.h>
#include <QFormLayout>
#include <QHeaderView>
#include <cmath>

#include "app/analysis/tolerance_panel.h"
#include "response/opamp_circuit.h"
#include "tolerance/trial.h"

namespace kelvara::app {
namespace {

constexpr const char* kGbwTol = "tolerance/gbwTolCentiPct";
constexpr const char* kShowFailing = "tolerance/showFailing";
constexpr const char* kWorstCase = "tolerance/worstCase";

QString Number(double v) { return QString::number(v, 'g', 6); }

}  // namespace

void TolerancePanel::BuildExtras(QFormLayout& settings) {
  gbwTol_ = new QDoubleSpinBox(this);
  gbwTol_->setObjectName(QStringLiteral("EditTolGbw"));
  gbwTol_->setRange(0, 90);
  gbwTol_->setDecimals(2);
  gbwTol_->setValue(0);
  gbwTol_->setEnabled(false);
  gbwTol_->setToolTip(QStringLiteral("実オペアンプを選んだときのみ有効"));
  settings.addRow(QStringLiteral("GBWの公差 [%]"), gbwTol_);
  parts_ = new QTableWidget(this);
  parts_->setObjectName(QStringLiteral("TablePartTolerance"));
  parts_->setColumnCount(2);
  parts_->setHorizontalHeaderLabels({QStringLiteral("部品"), QStringLiteral("公差 [%]")});
  parts_->verticalHeader()->hide();
  parts_->horizontalHeader()->setStretchLastSection(true);
  parts_->setMinimumHeight(120);
  parts_->setToolTip(QStringLiteral("空欄: 抵抗・コンデンサの公差"));
  settings.addRow(QStringLiteral("部品ごとの公差"), parts_);
  worstCase_ = new QCheckBox(QStringLiteral("ワーストケース"), this);
  worstCase_->setObjectName(QStringLiteral("CheckWorstCase"));
  settings.addRow(worstCase_);
  showFailing_ = new QCheckBox(QStringLiteral("不合格の試行を表示"), this);
  showFailing_->setObjectName(QStringLiteral("CheckShowFailing"));
  settings.addRow(showFailing_);
  failingNote_ = new QLabel(this);
  failingNote_->setObjectName(QStringLiteral("LabelFailing"));
  failingNote_->setWordWrap(true);
  settings.addRow(failingNote_);
}

void TolerancePanel::LoadExtras() {
  auto read = [this](const char* name) { return store_.ReadInt(QString::fromLatin1(name)); };
  if (auto v = read(kGbwTol)) gbwTol_->setValue(*v / 100.0);
  if (auto v = read(kShowFailing)) showFailing_->setChecked(*v == 1);
  if (auto v = read(kWorstCase)) worstCase_->setChecked(*v == 1);
}

void TolerancePanel::SaveExtras() {
  store_.WriteInt(QString::fromLatin1(kGbwTol), int(std::lround(gbwTol_->value() * 100)));
  store_.WriteInt(QString::fromLatin1(kShowFailing), showFailing_->isChecked() ? 1 : 0);
  store_.WriteInt(QString::fromLatin1(kWorstCase), worstCase_->isChecked() ? 1 : 0);
}

// One row per part of the shown order; the cells typed in stay while the
// order does.
void TolerancePanel::FillPartTable() {
  const bool real = design_ && !design_->opamp.ideal;
  gbwTol_->setEnabled(real);
  const int order = design_ ? design_->request.Order() : 0;
  if (parts_->rowCount() == 2 * order) return;
  parts_->setRowCount(2 * order);
  for (int i = 0; i < 2 * order; ++i) {
    auto* name = new QTableWidgetItem(QString::fromStdString(tolerance::PartName(i >= order, i % order)));
    name->setFlags(Qt::ItemIsEnabled);
    parts_->setItem(i, 0, name);
    parts_->setItem(i, 1, new QTableWidgetItem());
  }
}

tolerance::Tolerances TolerancePanel::TolerancesSetting() const {
  tolerance::Tolerances t = tolerance::Tolerances::Uniform(rTol_->value(), cTol_->value());
  const int order = parts_->rowCount() / 2;
  for (int i = 0; i < 2 * order; ++i) {
    const QTableWidgetItem* cell = parts_->item(i, 1);
    bool ok = false;
    const double pct = cell ? cell->text().trimmed().toDouble(&ok) : 0;
    if (!ok || pct < 0 || pct > 50) continue;  // empty or unreadable: the default
    (i >= order ? t.cPct : t.rPct)[i % order] = pct;
  }
  if (design_ && !design_->opamp.ideal) t.gbwPct = gbwTol_->value();
  return t;
}

const tolerance::WorstCaseResult* TolerancePanel::WorstCaseResult() const {
  return Result() && worst_ ? &*worst_ : nullptr;
}

const FailingCurves* TolerancePanel::Failing() const { return Result() && failing_ ? &*failing_ : nullptr; }

void TolerancePanel::ShowWorstCase() {
  if (failing_) {
    failingNote_->setText(
        QString::number(failing_->failing) + QStringLiteral(" 試行が不合格") +
        (failing_->failing > kMaxFailingCurves
             ? QStringLiteral(" (最初の ") + QString::number(kMaxFailingCurves) + QStringLiteral(" 試行のみ表示)")
             : QString()));
  } else {
    failingNote_->clear();
  }
  if (!worst_) return;
  auto row = [this](const QString& name, double nominal, const tolerance::Extreme& e) {
    const int r = stats_->rowCount();
    stats_->insertRow(r);
    stats_->setItem(r, 0, new QTableWidgetItem(name));
    stats_->setItem(r, 1, new QTableWidgetItem(Number(nominal)));
    stats_->setItem(r, 4, new QTableWidgetItem(Number(e.min)));
    stats_->setItem(r, 5, new QTableWidgetItem(Number(e.max)));
  };
  const QString wc = QStringLiteral("WC ");
  row(wc + QStringLiteral("-3dB [Hz]"), worst_->nominalMinus3dbHz, worst_->minus3dbHz);
  for (const tolerance::WorstGain& g : worst_->gains)
    row(wc + QStringLiteral("利得 @") + Number(g.frequencyHz) + QStringLiteral("Hz [dB]"), g.nominalDb, g.db);
}

ToleranceRun RunTolerance(const tolerance::MonteCarloConfig& config, bool worstCase, bool failingCurves,
                          const tolerance::RunOptions& options) {
  ToleranceRun run;
  tolerance::RunOptions mc = options;
  auto progress = options.progress;
  const double share = worstCase ? 0.5 : 1.0;
  if (progress) mc.progress = [progress, share](double f) { progress(f * share); };
  run.monteCarlo = tolerance::RunMonteCarlo(config, mc);
  if (!run.monteCarlo) return run;
  if (worstCase) {
    tolerance::RunOptions wc = options;
    if (progress) wc.progress = [progress](double f) { progress(0.5 + 0.5 * f); };
    run.worstCase =
        tolerance::RunWorstCase(config.design, tolerance::DefaultWorstCaseFrequencies(config.design.request), wc);
    if (!run.worstCase) {
      run.monteCarlo.reset();  // stopped: no half a result
      return run;
    }
  }
  if (failingCurves && run.monteCarlo->yield) {
    FailingCurves curves;
    curves.frequencies = config.frequencies;
    const std::vector<int>& failing = run.monteCarlo->yield->failing;
    curves.failing = static_cast<int>(failing.size());
    for (std::size_t k = 0; k < failing.size() && k < std::size_t(kMaxFailingCurves); ++k) {
      if (options.stop.stop_requested()) return ToleranceRun{};
      const tolerance::Trial trial = tolerance::TrialOf(config.design, config.seed, failing[k]);
      const response::OpAmpCircuit circuit = response::CircuitFromComponents(config.design.request, trial.parts);
      std::vector<double> gain;
      gain.reserve(curves.frequencies.size());
      for (double f : curves.frequencies) gain.push_back(response::CircuitGainDb(circuit, trial.opamp, f));
      curves.gainDb.push_back(std::move(gain));
    }
    run.failing = std::move(curves);
  }
  return run;
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
