#include "app/analysis/tolerance_panel.h"

#include <qcustomplot.h>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cmath>

#include "response/requirement.h"
#include "response/views.h"
#include "storage/requirement_settings.h"
#include "values/eng_value.h"

namespace kelvara::app {
namespace {

// Names in the settings store (integers): tolerances in 1/100 %, the mask's
// limits in 1/1000 dB and its frequencies in micro-decades (1e6 log10 f).
constexpr const char* kRTol = "tolerance/rTolCentiPct";
constexpr const char* kCTol = "tolerance/cTolCentiPct";
constexpr const char* kDistribution = "tolerance/distribution";
constexpr const char* kTrials = "tolerance/trials";
constexpr const char* kSeed = "tolerance/seed";
constexpr const char* kMaskOn = "tolerance/maskOn";
constexpr const char* kMaskFp = "tolerance/maskFpMicroDecades";
constexpr const char* kMaskA = "tolerance/maskPassMilliDb";
constexpr const char* kMaskFs = "tolerance/maskFsMicroDecades";
constexpr const char* kMaskB = "tolerance/maskStopMilliDb";

QString Number(double v) { return QString::number(v, 'g', 6); }

QDoubleSpinBox* Spin(QWidget* parent, double lo, double hi, double value, int decimals, const char* name) {
  auto* s = new QDoubleSpinBox(parent);
  s->setRange(lo, hi);
  s->setDecimals(decimals);
  s->setValue(value);
  s->setObjectName(QString::fromLatin1(name));
  return s;
}

}  // namespace

TolerancePanel::TolerancePanel(storage::SettingsStore& store, QWidget* parent) : QWidget(parent), store_(store) {
  setObjectName(QStringLiteral("PageTolerance"));
  BuildLayout();
  LoadSettings();
  poll_.setInterval(50);
  connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
}

TolerancePanel::~TolerancePanel() {
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();
}

void TolerancePanel::BuildLayout() {
  // The settings scroll, so that the page does not hold the window large.
  auto* layout = new QHBoxLayout(this);
  auto* scroll = new QScrollArea(this);
  auto* settingsPage = new QWidget(scroll);
  auto* settings = new QFormLayout(settingsPage);
  rTol_ = Spin(this, 0, 50, 1, 2, "EditTolR");
  cTol_ = Spin(this, 0, 50, 5, 2, "EditTolC");
  distribution_ = new QComboBox(this);
  distribution_->setObjectName(QStringLiteral("CBox_Distribution"));
  distribution_->addItems({QStringLiteral("一様 (±公差)"), QStringLiteral("正規 (公差 = 3σ)")});
  trials_ = new QSpinBox(this);
  trials_->setObjectName(QStringLiteral("EditTrials"));
  trials_->setRange(tolerance::kMinTrials, tolerance::kMaxTrials);
  trials_->setValue(tolerance::kDefaultTrials);
  seed_ = new QSpinBox(this);
  seed_->setObjectName(QStringLiteral("EditSeed"));
  seed_->setRange(0, 2147483647);
  seed_->setValue(1);
  maskOn_ = new QComboBox(this);
  maskOn_->setObjectName(QStringLiteral("CBox_Mask"));
  maskOn_->addItems({QStringLiteral("なし"), QStringLiteral("あり")});
  maskFp_ = new QLineEdit(QStringLiteral("700"), this);
  maskFp_->setObjectName(QStringLiteral("EditMaskFp"));
  maskA_ = Spin(this, 0.001, 60, 0.5, 3, "EditMaskA");
  maskFs_ = new QLineEdit(QStringLiteral("3k"), this);
  maskFs_->setObjectName(QStringLiteral("EditMaskFs"));
  maskB_ = Spin(this, 0.001, 300, 40, 3, "EditMaskB");
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
  BuildExtras(*settings);
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
  progress_->setTextVisible(false);
  settings->addRow(progress_);
  status_ = new QLabel(this);
  status_->setWordWrap(true);
  settings->addRow(status_);
  scroll->setWidget(settingsPage);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setMinimumWidth(settingsPage->sizeHint().width() + 20);
  layout->addWidget(scroll);

  auto* results = new QVBoxLayout();
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
  histogram_ = new QCustomPlot(this);
  histogram_->setObjectName(QStringLiteral("PlotHistogram"));
  histogram_->xAxis->setLabel(QStringLiteral("-3dBの周波数 [Hz]"));
  histogram_->yAxis->setLabel(QStringLiteral("試行数"));
  histogramOf_ = new QComboBox(this);
  histogramOf_->setObjectName(QStringLiteral("CBox_HistogramOf"));
  auto* yieldRow = new QHBoxLayout();
  yieldRow->addWidget(yield_, 1);
  yieldRow->addWidget(new QLabel(QStringLiteral("ヒストグラム"), this));
  yieldRow->addWidget(histogramOf_);
  results->addWidget(stats_, 3);
  results->addLayout(yieldRow);
  results->addWidget(histogram_, 2);
  connect(histogramOf_, &QComboBox::currentIndexChanged, this, [this] { ShowHistogram(); });
  layout->addLayout(results, 1);

  connect(start_, &QPushButton::clicked, this, [this] { Start(); });
  connect(stop_, &QPushButton::clicked, this, [this] { Stop(); });
}

void TolerancePanel::LoadSettings() {
  auto read = [this](const char* name) { return store_.ReadInt(QString::fromLatin1(name)); };
  if (auto v = read(kRTol)) rTol_->setValue(*v / 100.0);
  if (auto v = read(kCTol)) cTol_->setValue(*v / 100.0);
  if (auto v = read(kDistribution); v && (*v == 0 || *v == 1)) distribution_->setCurrentIndex(*v);
  if (auto v = read(kTrials)) trials_->setValue(*v);
  if (auto v = read(kSeed)) seed_->setValue(*v);
  if (auto v = read(kMaskOn); v && (*v == 0 || *v == 1)) maskOn_->setCurrentIndex(*v);
  if (auto v = read(kMaskFp)) maskFp_->setText(Number(std::pow(10.0, *v / 1e6)));
  if (auto v = read(kMaskA)) maskA_->setValue(*v / 1000.0);
  if (auto v = read(kMaskFs)) maskFs_->setText(Number(std::pow(10.0, *v / 1e6)));
  if (auto v = read(kMaskB)) maskB_->setValue(*v / 1000.0);
  LoadExtras();
}

void TolerancePanel::SaveSettings() {
  auto write = [this](const char* name, double v) { store_.WriteInt(QString::fromLatin1(name), int(std::lround(v))); };
  write(kRTol, rTol_->value() * 100);
  write(kCTol, cTol_->value() * 100);
  write(kDistribution, distribution_->currentIndex());
  write(kTrials, trials_->value());
  write(kSeed, seed_->value());
  write(kMaskOn, maskOn_->currentIndex());
  const double fp = values::ParseEngValue(maskFp_->text().toStdString());
  const double fs = values::ParseEngValue(maskFs_->text().toStdString());
  if (fp > 0) write(kMaskFp, std::log10(fp) * 1e6);
  if (fs > 0) write(kMaskFs, std::log10(fs) * 1e6);
  write(kMaskA, maskA_->value() * 1000);
  write(kMaskB, maskB_->value() * 1000);
  SaveExtras();
}

std::optional<tolerance::Mask> TolerancePanel::MaskSetting() const {
  if (maskOn_->currentIndex() != 1) return std::nullopt;
  const double fp = values::ParseEngValue(maskFp_->text().toStdString());
  const double fs = values::ParseEngValue(maskFs_->text().toStdString());
  if (!(fp > 0) || !(fs > 0)) return std::nullopt;
  return tolerance::Mask{fp, maskA_->value(), fs, maskB_->value()};
}

void TolerancePanel::SetDesign(const std::optional<tolerance::ToleranceDesign>& design, double fStart, double fTop) {
  design_ = design;
  fStart_ = fStart;
  fTop_ = fTop;
  FillPartTable();
  start_->setEnabled(design_.has_value() && !Running());
}

const tolerance::MonteCarloResult* TolerancePanel::Result() const {
  if (!result_ || !resultDesign_ || !design_ || !SameDesign(*resultDesign_, *design_)) return nullptr;
  return &*result_;
}

void TolerancePanel::Start() {
  if (!design_ || Running()) return;
  if (worker_.joinable()) worker_.join();  // a finished worker
  SaveSettings();
  tolerance::MonteCarloConfig config;
  config.design = *design_;
  config.design.tolerances = TolerancesSetting();
  config.design.distribution =
      distribution_->currentIndex() == 1 ? tolerance::Distribution::kNormal : tolerance::Distribution::kUniform;
  config.trials = trials_->value();
  config.seed = static_cast<std::uint64_t>(seed_->value());
  // Finer than the chart's 5 % steps, so that the bands follow the window's
  // curves through their peaks.
  config.frequencies = response::SweepFrequencies(fStart_, fTop_, 0.02);
  config.phaseBand = config.delayBand = true;
  config.mask = MaskSetting();
  if (maskOn_->currentIndex() == 1 && !config.mask) {
    status_->setText(QStringLiteral("マスクの周波数が不正: 有効な値を設定下さい。"));
    return;
  }
  running_ = config.design;
  shared_ = std::make_shared<Shared>();
  finished_ = false;
  start_->setEnabled(false);
  stop_->setEnabled(true);
  progress_->setValue(0);
  status_->setText(QStringLiteral("計算中..."));
  const bool worst = worstCase_->isChecked(), failing = showFailing_->isChecked();
  worker_ = std::jthread([config, worst, failing, shared = shared_, this](std::stop_token stop) {
    tolerance::RunOptions options;
    options.stop = stop;
    options.progress = [&shared](double f) { shared->progress = f; };
    ToleranceRun result = RunTolerance(config, worst, failing, options);
    {
      std::lock_guard lock(shared->mutex);
      shared->result = std::move(result);
    }
    finished_ = true;
  });
  poll_.start();
}

void TolerancePanel::Stop() {
  if (Running()) worker_.request_stop();
}

void TolerancePanel::Poll() {
  progress_->setValue(static_cast<int>(1000 * shared_->progress.load()));
  if (!finished_) return;
  poll_.stop();
  worker_.join();
  {
    std::lock_guard lock(shared_->mutex);
    result_ = std::move(shared_->result.monteCarlo);
    worst_ = std::move(shared_->result.worstCase);
    failing_ = std::move(shared_->result.failing);
  }
  resultDesign_ = running_;
  stop_->setEnabled(false);
  start_->setEnabled(design_.has_value());
  if (!result_) {
    status_->setText(QStringLiteral("中止しました。"));
    progress_->setValue(0);
  } else {
    status_->setText(QString());
    progress_->setValue(1000);
  }
  ShowResult();
  emit ResultChanged();
}

}  // namespace kelvara::app
