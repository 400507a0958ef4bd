#include "app/analysis/tolerance_panel.h"

#include <qcustomplot.h>

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>

#include "app/analysis/analysis_plots.h"
#include "response/requirement.h"
#include "response/views.h"
#include "storage/later_settings.h"
#include "storage/requirement_settings.h"
#include "values/eng_value.h"

namespace kelvara::app {
namespace {

QString Number(double v) { return QString::number(v, 'g', 6); }
// Every digit, so that the study reads back the spin box's value exactly.
std::string Exact(double v) { return QString::number(v, 'g', 17).toStdString(); }

QDoubleSpinBox* Spin(QWidget* parent, double lo, double hi, double value, int decimals, const char* name) {
  auto* s = new QDoubleSpinBox(parent);
  s->setRange(lo, hi);
  s->setDecimals(decimals);
  s->setValue(value);
  s->setObjectName(QString::fromLatin1(name));
  return s;
}

bool SameMask(const std::optional<tolerance::GainMask>& a, const std::optional<tolerance::GainMask>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (a->passHz == b->passHz && a->passDb == b->passDb && a->stopHz == b->stopHz && a->stopDb == b->stopDb);
}

bool SameBandPassMask(const std::optional<tolerance::BandPassLimits>& a,
                      const std::optional<tolerance::BandPassLimits>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  const response::BandPassMask &x = a->mask, &y = b->mask;
  return x.fs1 == y.fs1 && x.fp1 == y.fp1 && x.fp2 == y.fp2 && x.fs2 == y.fs2 && x.ap == y.ap && x.as == y.as &&
         a->nominalDb == b->nominalDb;
}

}  // namespace

TolerancePanel::TolerancePanel(storage::SettingsStore& store, QWidget* parent) : QWidget(parent), store_(store) {
  setObjectName(QStringLiteral("PageTolerance"));
  BuildLayout();
  LoadSettings();
  connect(&run_, &BackgroundRun::Progress, this, [this](double f, double left) { ShowProgress(f, left); });
  connect(&run_, &BackgroundRun::Finished, this, [this] { Finished(); });
  ConnectInputs();
  InputsChanged();
}

TolerancePanel::~TolerancePanel() {
  run_.disconnect(this);
  run_.StopAndWait();
}

void TolerancePanel::BuildLayout() {
  // The settings scroll, so that the page does not hold the window large.
  auto* layout = new QHBoxLayout(this);
  auto* scroll = new QScrollArea(this);
  auto* settingsPage = new QWidget(scroll);
  auto* settings = new QFormLayout(settingsPage);
  rTol_ = Spin(this, 0, tolerance::kMaxPartTolerancePct, 1, 2, "EditTolR");
  cTol_ = Spin(this, 0, tolerance::kMaxPartTolerancePct, 5, 2, "EditTolC");
  distribution_ = new QComboBox(this);
  distribution_->setObjectName(QStringLiteral("CBox_Distribution"));
  distribution_->addItems({QStringLiteral("一様 (±公差)"), QStringLiteral("正規 (公差 = 3σ)")});
  trials_ = new QSpinBox(this);
  trials_->setObjectName(QStringLiteral("EditTrials"));
  trials_->setRange(tolerance::kMinTrials, tolerance::kMaxTrials);
  trials_->setValue(tolerance::kDefaultTrials);
  trials_->setToolTip(QStringLiteral("%1 ～ %2").arg(tolerance::kMinTrials).arg(tolerance::kMaxTrials));
  seed_ = new QSpinBox(this);
  seed_->setObjectName(QStringLiteral("EditSeed"));
  seed_->setRange(0, 2147483647);
  seed_->setValue(1);
  maskOn_ = new QComboBox(this);
  maskOn_->setObjectName(QStringLiteral("CBox_Mask"));
  maskOn_->addItems({QStringLiteral("なし"), QStringLiteral("あり")});
  maskFp_ = new QLineEdit(QStringLiteral("700"), this);
  maskFp_->setObjectName(QStringLiteral("EditMaskFp"));
  // From 0, so that the study's checks (not the box) refuse a = 0 and b <= a.
  maskA_ = Spin(this, 0, 60, 0.5, 3, "EditMaskA");
  maskFs_ = new QLineEdit(QStringLiteral("3k"), this);
  maskFs_->setObjectName(QStringLiteral("EditMaskFs"));
  maskB_ = Spin(this, 0, 300, 40, 3, "EditMaskB");
  problem_ = new QLabel(this);
  problem_->setObjectName(QStringLiteral("LabelToleranceProblem"));
  problem_->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
  problem_->setWordWrap(true);
  problem_->hide();
  settings->addRow(QStringLiteral("抵抗の公差 [%]"), rTol_);
  settings->addRow(QStringLiteral("コンデンサの公差 [%]"), cTol_);
  settings->addRow(QStringLiteral("分布"), distribution_);
  settings->addRow(QStringLiteral("試行回数"), trials_);
  settings->addRow(QStringLiteral("シード"), seed_);
  settings->addRow(QStringLiteral("マスク"), maskOn_);
  settings->addRow(QStringLiteral("通過域 fp [Hz]"), maskFp_);
  settings->addRow(QStringLiteral("通過域 ±a [dB]"), maskA_);
  settings->addRow(QStringLiteral("阻止域 fs [Hz]"), maskFs_);
  settings->addRow(QStringLiteral("阻止域 -b [dB]"), maskB_);
  auto* maskFromRequirement = new QPushButton(QStringLiteral("仕様から"), this);
  maskFromRequirement->setObjectName(QStringLiteral("ButtonMaskFromRequirement"));
  maskFromRequirement->setToolTip(QStringLiteral("「仕様から設計」のマスクを使います"));
  // The mask of the window "仕様から設计" (its last readable inputs);
  // nothing changes when they do not read.
  connect(maskFromRequirement, &QPushButton::clicked, this, [this] {
    const storage::RequirementSettings s = storage::LoadRequirementSettings(store_);
    std::array<std::string, 4> texts;
    for (int i = 0; i < 4; ++i) texts[i] = s.mask[i].toStdString();
    response::Requirement r;
    if (!response::ParseRequirementFields(texts, s.kind, r).ok()) return;
    maskOn_->setCurrentIndex(1);
    maskFp_->setText(s.mask[0].trimmed());
    maskA_->setValue(r.passDb);
    maskFs_->setText(s.mask[2].trimmed());
    maskB_->setValue(r.stopDb);
  });
  settings->addRow(QString(), maskFromRequirement);
  lowPassRows_ = {maskFp_, maskA_, maskFs_, maskB_, maskFromRequirement};
  // The band-pass mask, shown in place of the rows above for a band-pass
  // design; its texts come from the sheet (SetDesign).
  const char* bandLabels[] = {"阻止域 fs1 [Hz]", "通過域 fp1 [Hz]", "通過域 fp2 [Hz]",
                              "阻止域 fs2 [Hz]", "通過域 ±Ap [dB]", "阻止域 -As [dB]"};
  const char* bandNames[] = {"EditMaskFs1", "EditMaskFp1", "EditMaskFp2", "EditMaskFs2", "EditMaskAp", "EditMaskAs"};
  for (std::size_t i = 0; i < bandMask_.size(); ++i) {
    bandMask_[i] = new QLineEdit(this);
    bandMask_[i]->setObjectName(QString::fromLatin1(bandNames[i]));
    settings->addRow(QString::fromUtf8(bandLabels[i]), bandMask_[i]);
    settings->setRowVisible(bandMask_[i], false);
  }
  settings_ = settings;
  settings->addRow(problem_);
  BuildPartOptions(*settings);
  start_ = new QPushButton(QStringLiteral("計算"), this);
  start_->setObjectName(QStringLiteral("ButtonTolerance"));
  stop_ = new QPushButton(QStringLiteral("中止"), this);
  stop_->setObjectName(QStringLiteral("ButtonToleranceStop"));
  stop_->setEnabled(false);
  auto* buttons = new QHBoxLayout();
  buttons->addWidget(start_);
  buttons->addWidget(stop_);
  settings->addRow(buttons);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("ProgressTolerance"));
  progress_->setRange(0, 1000);
  progress_->setValue(0);
  progress_->setTextVisible(true);
  progress_->setFormat(ProgressText(0, -1));
  settings->addRow(progress_);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("LabelToleranceStatus"));
  status_->setWordWrap(true);
  settings->addRow(status_);
  scroll->setWidget(settingsPage);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setMinimumWidth(settingsPage->sizeHint().width() + 20);
  layout->addWidget(scroll);

  auto* results = new QVBoxLayout();
  staleNote_ = new QLabel(QString::fromUtf8(tolerance_text::kStale), this);
  staleNote_->setObjectName(QStringLiteral("LabelToleranceStale"));
  staleNote_->setStyleSheet(
      QStringLiteral("color: #ffffff; background: #808080; font-weight: bold; padding: 3px 8px;"));
  staleNote_->hide();
  stats_ = new QTableWidget(this);
  stats_->setObjectName(QStringLiteral("TableToleranceStats"));
  stats_->setColumnCount(8);
  stats_->setHorizontalHeaderLabels({QStringLiteral("量"), QStringLiteral("公称"), QStringLiteral("平均"),
                                     QStringLiteral("標準偏差"), QStringLiteral("最小"), QStringLiteral("最大"),
                                     QStringLiteral("5 %"), QStringLiteral("95 %")});
  stats_->verticalHeader()->hide();
  stats_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  stats_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  yield_ = new QLabel(this);
  yield_->setObjectName(QStringLiteral("LabelYield"));
  // A long yield line wraps instead of widening the window.
  yield_->setWordWrap(true);
  histogram_ = new QCustomPlot(this);
  histogram_->setObjectName(QStringLiteral("PlotHistogram"));
  histogram_->xAxis->setLabel(QStringLiteral("-3dBの周波数 [Hz]"));
  histogram_->yAxis->setLabel(QStringLiteral("試行数"));
  histogramOf_ = new QComboBox(this);
  histogramOf_->setObjectName(QStringLiteral("CBox_HistogramOf"));
  histogramOf_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  histogramOf_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  auto* yieldRow = new QHBoxLayout();
  yieldRow->addWidget(yield_, 1);
  yieldRow->addWidget(new QLabel(QStringLiteral("ヒストグラム"), this));
  yieldRow->addWidget(histogramOf_);
  results->addWidget(staleNote_);
  // A small window shortens the table (it scrolls), not the histogram.
  stats_->setMinimumHeight(60);
  histogram_->setMinimumHeight(kHistogramMinimumHeight);
  results->addWidget(stats_, 3);
  results->addLayout(yieldRow);
  results->addWidget(histogram_, 2);
  connect(histogramOf_, &QComboBox::currentIndexChanged, this, [this] { ShowHistogram(); });
  layout->addLayout(results, 1);

  connect(start_, &QPushButton::clicked, this, [this] { Start(); });
  connect(stop_, &QPushButton::clicked, this, [this] { Stop(); });
}

// Every input of the study re-reads the page: the problem, the staleness.
void TolerancePanel::ConnectInputs() {
  auto changed = [this] { InputsChanged(); };
  for (QDoubleSpinBox* box : {rTol_, cTol_, maskA_, maskB_, gbwTol_})
    connect(box, &QDoubleSpinBox::valueChanged, this, changed);
  for (QSpinBox* box : {trials_, seed_}) connect(box, &QSpinBox::valueChanged, this, changed);
  for (QComboBox* box : {distribution_, maskOn_}) connect(box, &QComboBox::currentIndexChanged, this, changed);
  for (QLineEdit* edit : {maskFp_, maskFs_}) connect(edit, &QLineEdit::textChanged, this, changed);
  for (QLineEdit* edit : bandMask_) connect(edit, &QLineEdit::textChanged, this, changed);
  connect(parts_, &QTableWidget::itemChanged, this, changed);
}

void TolerancePanel::LoadSettings() {
  const storage::ToleranceSettings s = storage::LoadTolerance(store_);
  if (s.rPct) rTol_->setValue(*s.rPct);
  if (s.cPct) cTol_->setValue(*s.cPct);
  if (s.distribution) distribution_->setCurrentIndex(*s.distribution);
  if (s.trials) trials_->setValue(*s.trials);
  if (s.seed) seed_->setValue(*s.seed);
  if (s.maskOn) maskOn_->setCurrentIndex(*s.maskOn ? 1 : 0);
  if (s.maskPassHz) maskFp_->setText(Number(*s.maskPassHz));
  if (s.maskPassDb) maskA_->setValue(*s.maskPassDb);
  if (s.maskStopHz) maskFs_->setText(Number(*s.maskStopHz));
  if (s.maskStopDb) maskB_->setValue(*s.maskStopDb);
  if (s.gbwPct) gbwTol_->setValue(*s.gbwPct);
  if (s.showFailing) showFailing_->setChecked(*s.showFailing);
  if (s.worstCase) worstCase_->setChecked(*s.worstCase);
}

void TolerancePanel::SaveSettings() {
  storage::ToleranceSettings s;
  s.rPct = rTol_->value();
  s.cPct = cTol_->value();
  s.distribution = distribution_->currentIndex();
  s.trials = trials_->value();
  s.seed = seed_->value();
  s.maskOn = maskOn_->currentIndex() == 1;
  s.maskPassHz = values::ParseEngValue(maskFp_->text().toStdString());
  s.maskPassDb = maskA_->value();
  s.maskStopHz = values::ParseEngValue(maskFs_->text().toStdString());
  s.maskStopDb = maskB_->value();
  s.gbwPct = gbwTol_->value();
  s.showFailing = showFailing_->isChecked();
  s.worstCase = worstCase_->isChecked();
  storage::SaveTolerance(store_, s);
}

tolerance::StudyInputs TolerancePanel::Inputs() const {
  tolerance::StudyInputs in;
  if (design_) {
    in.request = design_->request;
    in.parts = design_->parts;
    in.opamp = design_->opamp;
    in.sections = design_->sections;
  }
  in.rPct = rTol_->value();
  in.cPct = cTol_->value();
  in.gbwPct = design_ && response::HasGbw(design_->opamp) ? gbwTol_->value() : 0;
  for (int i = 0; i < parts_->rowCount(); ++i) {
    const QTableWidgetItem* name = parts_->item(i, 0);
    const QTableWidgetItem* cell = parts_->item(i, 1);
    if (name && cell) in.partPcts.emplace_back(name->text().toStdString(), cell->text().toStdString());
  }
  in.distribution =
      distribution_->currentIndex() == 1 ? tolerance::Distribution::kNormal : tolerance::Distribution::kUniform;
  in.trials = trials_->value();
  in.seed = static_cast<std::uint64_t>(seed_->value());
  if (maskOn_->currentIndex() == 1) {
    in.mask = tolerance::GainMaskTexts{maskFp_->text().toStdString(), Exact(maskA_->value()),
                                       maskFs_->text().toStdString(), Exact(maskB_->value())};
  }
  if (bandPass_) {
    // As kelvara-design --kind bpf: the band's frequencies, then the mask's
    // edges; the band-pass mask in place of the low-pass one.
    const double c = bandPass_->centerHz;
    in.worstFrequencies = {c / 2, BandPassLowerEdgeHz(*bandPass_), c, BandPassUpperEdgeHz(*bandPass_), 2 * c};
    in.mask.reset();
    if (maskOn_->currentIndex() == 1) {
      const auto mask = tolerance::ReadBandPassMask(BandPassTexts());
      if (const auto* m = std::get_if<response::BandPassMask>(&mask)) {
        in.bandPassMask = tolerance::BandPassLimits{*m, bandPass_->nominalDb};
      }
    }
  }
  in.worstCase = worstCase_->isChecked();
  in.failingCurves = showFailing_->isChecked();
  // Finer than the chart's 5 % steps, so that the bands follow the window's
  // curves through their peaks.
  in.frequencies = response::SweepFrequencies(fStart_, fTop_, 0.02);
  in.phaseBand = in.delayBand = true;
  return in;
}

std::variant<tolerance::StudyPlan, tolerance::StudyProblem> TolerancePanel::Plan() const {
  auto plan = tolerance::PlanStudy(Inputs());
  // A band-pass mask that does not read: its problem, after the others.
  if (bandPass_ && maskOn_->currentIndex() == 1 && std::holds_alternative<tolerance::StudyPlan>(plan)) {
    const auto mask = tolerance::ReadBandPassMask(BandPassTexts());
    if (const auto* problem = values::ProblemOf(mask)) return *problem;
  }
  return plan;
}

tolerance::BandPassMaskTexts TolerancePanel::BandPassTexts() const {
  auto text = [this](int i) { return bandMask_[static_cast<std::size_t>(i)]->text().toStdString(); };
  return tolerance::BandPassMaskTexts{text(0), text(1), text(2), text(3), text(4), text(5)};
}

void TolerancePanel::ShowBandPassRows() {
  for (QWidget* w : lowPassRows_) settings_->setRowVisible(w, !bandPass_);
  for (QLineEdit* edit : bandMask_) settings_->setRowVisible(edit, bandPass_.has_value());
}

double BandPassLowerEdgeHz(const BandPassStudy& band) {
  const double c = band.centerHz, b = band.bandwidthHz;
  return std::sqrt(c * c + b * b / 4) - b / 2;
}

double BandPassUpperEdgeHz(const BandPassStudy& band) { return BandPassLowerEdgeHz(band) + band.bandwidthHz; }

tolerance::BandPassMaskTexts BandPassMaskDefaults(const BandPassStudy& band) {
  const double fp1 = BandPassLowerEdgeHz(band), fp2 = BandPassUpperEdgeHz(band);
  const double fs1 = fp1 > band.centerHz / 2 ? band.centerHz / 2 : fp1 / 2;
  const double fs2 = fp2 < 2 * band.centerHz ? 2 * band.centerHz : 2 * fp2;
  // 0.2 dB keeps the exact levels (the ripples 0.01 .. 3 dB, the edges
  // computed from the poles) off the steps' boundaries.
  const double depth = std::max(-band.edgeLevelDb, band.rippleDb);
  const double ap = std::ceil((depth + 0.2) / 0.5) * 0.5;
  auto hz = [](double v) { return SiText(v, 5).toStdString(); };
  return tolerance::BandPassMaskTexts{hz(fs1), hz(fp1), hz(fp2), hz(fs2), Number(ap).toStdString(), "20"};
}

void TolerancePanel::SetDesign(const std::optional<tolerance::ToleranceDesign>& design, double fStart, double fTop,
                               const std::optional<BandPassStudy>& bandPass) {
  design_ = design;
  fStart_ = fStart;
  fTop_ = fTop;
  if (bandPass_.has_value() != bandPass.has_value()) {
    bandPass_ = bandPass;
    ShowBandPassRows();
  }
  bandPass_ = bandPass;
  // A band of its own (centre, bandwidth, response; its gain moves no
  // edge): the mask starts from it (InputsChanged below).
  std::optional<BandPassStudy> defaultsOf = bandPass_;
  if (defaultsOf) defaultsOf->nominalDb = 0;
  if (defaultsOf && defaultsOf != bandDefaultsOf_) {
    bandDefaultsOf_ = defaultsOf;
    const tolerance::BandPassMaskTexts t = BandPassMaskDefaults(*bandPass_);
    const std::string* texts[] = {&t.fs1, &t.fp1, &t.fp2, &t.fs2, &t.ap, &t.as};
    for (std::size_t i = 0; i < bandMask_.size(); ++i) {
      const QSignalBlocker quiet(bandMask_[i]);
      bandMask_[i]->setText(QString::fromStdString(*texts[i]));
    }
  }
  FillPartTable();
  start_->setEnabled(design_.has_value() && !Running());
  InputsChanged();
}

const tolerance::MonteCarloResult* TolerancePanel::Result() const {
  if (!result_ || !result_->monteCarlo || ResultIsStale()) return nullptr;
  return &*result_->monteCarlo;
}

const tolerance::MonteCarloResult* TolerancePanel::ResultFor(const engine::DesignRequest& request,
                                                             const engine::ComponentSet& parts,
                                                             const response::OpAmpModel& opamp) const {
  if (!result_ || !result_->monteCarlo || !resultPlan_) return nullptr;
  tolerance::StudyInputs in = Inputs();
  in.request = request;
  in.parts = parts;
  in.opamp = opamp;
  if (!response::HasGbw(opamp)) in.gbwPct = 0;
  const auto plan = tolerance::PlanStudy(in);
  const auto* p = std::get_if<tolerance::StudyPlan>(&plan);
  if (!p || !tolerance::SameStudy(*p, *resultPlan_)) return nullptr;
  return &*result_->monteCarlo;
}

const tolerance::StudyPlan* TolerancePanel::PlanFor(const engine::DesignRequest& request,
                                                    const engine::ComponentSet& parts,
                                                    const response::OpAmpModel& opamp) const {
  return ResultFor(request, parts, opamp) ? &*resultPlan_ : nullptr;
}

const tolerance::WorstCaseResult* TolerancePanel::WorstCaseFor(const engine::DesignRequest& request,
                                                               const engine::ComponentSet& parts,
                                                               const response::OpAmpModel& opamp) const {
  return ResultFor(request, parts, opamp) && result_->worstCase ? &*result_->worstCase : nullptr;
}

bool TolerancePanel::ResultIsStale() const {
  if (!result_ || !resultPlan_) return false;
  if (!design_) return true;
  const auto plan = Plan();
  const auto* p = std::get_if<tolerance::StudyPlan>(&plan);
  return !p || !tolerance::SameStudy(*p, *resultPlan_);
}

std::optional<tolerance::GainMask> TolerancePanel::MaskSetting() const {
  if (maskOn_->currentIndex() != 1 || bandPass_) return std::nullopt;
  const tolerance::StudyInputs in = Inputs();
  const auto mask = tolerance::ReadGainMask(*in.mask, design_ ? design_->request.passKind : std::uint8_t{engine::kLpf});
  if (const auto* m = std::get_if<tolerance::GainMask>(&mask)) return *m;
  return std::nullopt;
}

std::optional<tolerance::BandPassLimits> TolerancePanel::BandPassMaskSetting() const {
  return bandPass_ ? Inputs().bandPassMask : std::nullopt;
}

bool TolerancePanel::ResultIsHpf() const {
  return resultPlan_ && resultPlan_->config.design.request.passKind == engine::kHpf;
}

QString TolerancePanel::Problem() const { return problem_->isHidden() ? QString() : problem_->text(); }

void TolerancePanel::ShowProblem(const std::optional<tolerance::StudyProblem>& problem) {
  const QString error = QStringLiteral("border: 2px solid #c00000;");
  const std::pair<QWidget*, tolerance::StudyField> fields[] = {
      {maskFp_, tolerance::StudyField::kMaskPassHz},   {maskA_, tolerance::StudyField::kMaskPassDb},
      {maskFs_, tolerance::StudyField::kMaskStopHz},   {maskB_, tolerance::StudyField::kMaskStopDb},
      {parts_, tolerance::StudyField::kPartTolerance}, {gbwTol_, tolerance::StudyField::kGbwTolerance}};
  for (const auto& [widget, field] : fields) {
    widget->setStyleSheet(problem && problem->field == field ? error : QString());
  }
  // The band-pass mask's fields (their Ap and As share the low-pass
  // mask's a and b; the order check of the study points at fp1).
  const tolerance::StudyField bandFields[] = {
      tolerance::StudyField::kMaskStopLowHz,  tolerance::StudyField::kMaskPassLowHz,
      tolerance::StudyField::kMaskPassHighHz, tolerance::StudyField::kMaskStopHighHz,
      tolerance::StudyField::kMaskPassDb,     tolerance::StudyField::kMaskStopDb};
  for (std::size_t i = 0; i < bandMask_.size(); ++i) {
    const bool marked = problem && (problem->field == bandFields[i] ||
                                    (i == 1 && problem->field == tolerance::StudyField::kMaskPassHz));
    bandMask_[i]->setStyleSheet(marked ? error : QString());
  }
  problem_->setText(problem ? QString::fromStdString(problem->message) : QString());
  problem_->setVisible(problem.has_value());
}

void TolerancePanel::InputsChanged() {
  // A problem of the inputs shows at once (no design yet: nothing to say).
  const auto plan = Plan();
  const auto* problem = std::get_if<tolerance::StudyProblem>(&plan);
  ShowProblem(design_ && problem ? std::optional(*problem) : std::nullopt);
  const bool stale = ResultIsStale();
  const std::optional<tolerance::GainMask> mask = MaskSetting();
  const std::optional<tolerance::BandPassLimits> bandMask = BandPassMaskSetting();
  if (stale == staleShown_ && SameMask(mask, maskShown_) && SameBandPassMask(bandMask, bandMaskShown_)) return;
  staleShown_ = stale;
  maskShown_ = mask;
  bandMaskShown_ = bandMask;
  ShowStaleness();
  emit ResultChanged();
}

void TolerancePanel::Start() {
  if (!design_ || Running()) return;
  SaveSettings();
  auto planned = Plan();
  if (auto* problem = std::get_if<tolerance::StudyProblem>(&planned)) {
    ShowProblem(*problem);
    status_->clear();
    return;
  }
  ShowProblem(std::nullopt);
  running_ = std::get<tolerance::StudyPlan>(std::move(planned));
  runningBand_ = bandPass_;
  start_->setEnabled(false);
  stop_->setEnabled(true);
  ShowProgress(0, -1);
  status_->setText(QString::fromUtf8(tolerance_text::kRunning));
  run_.Start([plan = *running_](const BackgroundWork& work) {
    tolerance::RunOptions options;
    options.stop = work.stop;
    options.progress = [&work](double f) { work.Report(f); };
    return tolerance::RunStudy(plan, options);
  });
}

void TolerancePanel::Stop() { run_.Stop(); }

void TolerancePanel::StopAndWait() { run_.StopAndWait(); }

void TolerancePanel::ShowProgress(double fraction, double secondsLeft) {
  progress_->setValue(static_cast<int>(1000 * fraction));
  progress_->setFormat(ProgressText(fraction, secondsLeft));
}

void TolerancePanel::Finished() {
  std::optional<tolerance::StudyResult> result = run_.TakeResult<tolerance::StudyResult>();
  stop_->setEnabled(false);
  start_->setEnabled(design_.has_value());
  if (!result) {
    // A stopped run leaves the last result as it was.
    status_->setText(run_.Error().isEmpty() ? QString::fromUtf8(tolerance_text::kStopped) : run_.Error());
    ShowProgress(0, -1);
    running_.reset();
    return;
  }
  result_ = std::move(result);
  resultPlan_ = std::move(running_);
  resultBand_ = runningBand_;
  running_.reset();
  status_->clear();
  ShowProgress(1, -1);
  ShowResult();
  staleShown_ = ResultIsStale();
  maskShown_ = MaskSetting();
  bandMaskShown_ = BandPassMaskSetting();
  ShowStaleness();
  emit ResultChanged();
}

const tolerance::WorstCaseResult* TolerancePanel::WorstCaseResult() const {
  return Result() && result_->worstCase ? &*result_->worstCase : nullptr;
}

const FailingCurves* TolerancePanel::Failing() const {
  return Result() && result_->failing ? &*result_->failing : nullptr;
}

}  // namespace kelvara::app
