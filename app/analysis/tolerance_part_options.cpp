// The tolerance page's options beyond the two defaults: a table of the
// tolerances of single parts, the GBW tolerance of a real op-amp, and the
// check boxes of the worst case and of the failing trials' curves.

#include <QFormLayout>
#include <QHeaderView>
#include <QSignalBlocker>
#include <string>
#include <vector>

#include "app/analysis/tolerance_panel.h"
#include "response/circuit.h"

namespace kelvara::app {

void TolerancePanel::BuildPartOptions(QFormLayout& settings) {
  gbwTol_ = new QDoubleSpinBox(this);
  gbwTol_->setObjectName(QStringLiteral("EditTolGbw"));
  gbwTol_->setRange(0, tolerance::kMaxGbwTolerancePct);
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

// One row per part of the shown design (its circuit's parts: resistors,
// then capacitors, by number); the cells typed in stay while the parts do.
void TolerancePanel::FillPartTable() {
  gbwTol_->setEnabled(design_ && response::HasGbw(design_->opamp));
  std::vector<std::string> names;
  if (design_) {
    // A design of sections lists the parts of its sections.
    const response::CircuitModel circuit = design_->sections.empty()
                                               ? response::MakeCircuit(design_->request, design_->parts)
                                               : response::CircuitOfSections(design_->sections, {});
    for (const response::CircuitPart& part : response::PartsOf(circuit)) names.push_back(response::PartName(part.id));
  }
  const int rows = static_cast<int>(names.size());
  bool same = parts_->rowCount() == rows;
  for (int i = 0; same && i < rows; ++i)
    same = parts_->item(i, 0) && parts_->item(i, 0)->text().toStdString() == names[i];
  if (same) return;
  const QSignalBlocker quiet(parts_);
  parts_->setRowCount(rows);
  for (int i = 0; i < rows; ++i) {
    auto* name = new QTableWidgetItem(QString::fromStdString(names[i]));
    name->setFlags(Qt::ItemIsEnabled);
    parts_->setItem(i, 0, name);
    parts_->setItem(i, 1, new QTableWidgetItem());
  }
}

tolerance::Tolerances TolerancePanel::TolerancesSetting() const {
  tolerance::StudyInputs in = Inputs();
  // Unreadable cells as empty ones: the defaults.
  for (auto& [name, text] : in.partPcts) {
    if (!tolerance::ReadPartTolerance(QString::fromStdString(text).trimmed().toStdString())) text.clear();
  }
  in.mask.reset();
  in.trials = tolerance::kDefaultTrials;
  const auto plan = tolerance::PlanStudy(in);
  if (const auto* p = std::get_if<tolerance::StudyPlan>(&plan)) return p->config.design.tolerances;
  return tolerance::Tolerances::Uniform(in.rPct, in.cPct);
}

}  // namespace kelvara::app
