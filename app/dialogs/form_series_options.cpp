#include "app/dialogs/form_series_options.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/part_series.h"

namespace kelvara::app {
namespace {

// Entries of the two lists, in the order of the series kinds.
constexpr const char* kCapItems[] = {"既定 (1～9pF, E12, E6)", "E6", "E12", "E24"};
constexpr const char* kResItems[] = {"既定 (E24, 0.47Ω～510kΩ)", "E24", "E48", "E96", "E192"};

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.trimmed().toStdString(); }

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setMaxLength(32);
  return edit;
}

}  // namespace

QString SeriesProblemMessage(const engine::SeriesTexts& t, engine::SeriesTextProblem problem) {
  using P = engine::SeriesTextProblem;
  const QString notValue = QString::fromUtf8("%1「%2」は 0 より大きい数値で入力してください（例: %3）。");
  switch (problem) {
    case P::kNone:
      return {};
    case P::kCapSeries:
      return QString::fromUtf8("コンデンサの系列を選んでください。");
    case P::kResSeries:
      return QString::fromUtf8("抵抗の系列を選んでください。");
    case P::kRMin:
      return notValue.arg(QString::fromUtf8("抵抗の最小値"), Q(t.rMin), QStringLiteral("1k"));
    case P::kRMax:
      return notValue.arg(QString::fromUtf8("抵抗の最大値"), Q(t.rMax), QStringLiteral("1M"));
    case P::kCMin:
      return notValue.arg(QString::fromUtf8("コンデンサの最小値"), Q(t.cMin), QStringLiteral("100p"));
    case P::kCMax:
      return notValue.arg(QString::fromUtf8("コンデンサの最大値"), Q(t.cMax), QStringLiteral("1u"));
    case P::kRRange:
      return QString::fromUtf8("抵抗の最小値が最大値より大きくなっています。");
    case P::kCRange:
      return QString::fromUtf8("コンデンサの最小値が最大値より大きくなっています。");
  }
  return {};
}

TFormSeriesOptions::TFormSeriesOptions(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormSeriesOptions"));
  setWindowTitle(QString::fromUtf8("部品系列の設定"));
  auto* layout = new QVBoxLayout(this);

  auto* capBox = new QGroupBox(QString::fromUtf8("コンデンサ"), this);
  auto* capForm = new QFormLayout(capBox);
  CBox_CapSeries = new QComboBox(capBox);
  CBox_CapSeries->setObjectName(QStringLiteral("CBox_CapSeries"));
  for (const char* item : kCapItems) CBox_CapSeries->addItem(QString::fromUtf8(item));
  Edit_CMin = MakeEdit(capBox, "Edit_CMin");
  Edit_CMax = MakeEdit(capBox, "Edit_CMax");
  capForm->addRow(QString::fromUtf8("系列"), CBox_CapSeries);
  capForm->addRow(QString::fromUtf8("最小値"), Edit_CMin);
  capForm->addRow(QString::fromUtf8("最大値"), Edit_CMax);
  layout->addWidget(capBox);

  auto* resBox = new QGroupBox(QString::fromUtf8("抵抗"), this);
  auto* resForm = new QFormLayout(resBox);
  CBox_ResSeries = new QComboBox(resBox);
  CBox_ResSeries->setObjectName(QStringLiteral("CBox_ResSeries"));
  for (const char* item : kResItems) CBox_ResSeries->addItem(QString::fromUtf8(item));
  Edit_RMin = MakeEdit(resBox, "Edit_RMin");
  Edit_RMax = MakeEdit(resBox, "Edit_RMax");
  resForm->addRow(QString::fromUtf8("系列"), CBox_ResSeries);
  resForm->addRow(QString::fromUtf8("最小値"), Edit_RMin);
  resForm->addRow(QString::fromUtf8("最大値"), Edit_RMax);
  layout->addWidget(resBox);

  auto* hint =
      new QLabel(QString::fromUtf8(
                     "値は 4.7k、100p のように入力します。\n「ＣはE12系列」「ＲはE24系列」で設計するときに使います。"),
                 this);
  layout->addWidget(hint);
  Label_Problem = new QLabel(this);
  Label_Problem->setObjectName(QStringLiteral("Label_Problem"));
  Label_Problem->setWordWrap(true);
  Label_Problem->setStyleSheet(QStringLiteral("color: #c00000;"));
  Label_Problem->hide();
  layout->addWidget(Label_Problem);

  auto* buttons = new QDialogButtonBox(this);
  Button_Defaults = buttons->addButton(QString::fromUtf8("既定値に戻す"), QDialogButtonBox::ResetRole);
  Button_Defaults->setObjectName(QStringLiteral("Button_Defaults"));
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QString::fromUtf8("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &TFormSeriesOptions::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TFormSeriesOptions::reject);
  connect(Button_Defaults, &QPushButton::clicked, this, &TFormSeriesOptions::RestoreDefaults);
  layout->addWidget(buttons);
  SetTexts({});
}

void TFormSeriesOptions::SetTexts(const engine::SeriesTexts& texts) {
  engine::CapSeriesKind cap = engine::CapSeriesKind::kDefault;
  engine::ResSeriesKind res = engine::ResSeriesKind::kDefault;
  engine::ParseCapSeriesName(texts.cap, cap);
  engine::ParseResSeriesName(texts.res, res);
  CBox_CapSeries->setCurrentIndex(static_cast<int>(cap));
  CBox_ResSeries->setCurrentIndex(static_cast<int>(res));
  Edit_CMin->setText(Q(texts.cMin));
  Edit_CMax->setText(Q(texts.cMax));
  Edit_RMin->setText(Q(texts.rMin));
  Edit_RMax->setText(Q(texts.rMax));
  Label_Problem->clear();
  Label_Problem->hide();
}

engine::SeriesTexts TFormSeriesOptions::Texts() const {
  engine::SeriesTexts t;
  t.cap = engine::CapSeriesName(static_cast<engine::CapSeriesKind>(CBox_CapSeries->currentIndex()));
  t.res = engine::ResSeriesName(static_cast<engine::ResSeriesKind>(CBox_ResSeries->currentIndex()));
  t.cMin = S(Edit_CMin->text());
  t.cMax = S(Edit_CMax->text());
  t.rMin = S(Edit_RMin->text());
  t.rMax = S(Edit_RMax->text());
  return t;
}

QString TFormSeriesOptions::Problem() const { return Label_Problem->text(); }

void TFormSeriesOptions::RestoreDefaults() { SetTexts({}); }

void TFormSeriesOptions::accept() {
  const engine::SeriesTexts t = Texts();
  const engine::SeriesTextCheck check = engine::CheckSeriesTexts(t);
  QString problem = SeriesProblemMessage(t, check.problem);
  if (problem.isEmpty()) {
    const engine::PartSeries& series = engine::PartSeriesOf(check.choice);
    if (series.CapLast() < 0) problem = QString::fromUtf8("コンデンサの範囲に系列の値がひとつもありません。");
    if (series.ResLast() < 0) problem = QString::fromUtf8("抵抗の範囲に系列の値がひとつもありません。");
  }
  if (!problem.isEmpty()) {
    Label_Problem->setText(problem);
    Label_Problem->show();
    return;
  }
  QDialog::accept();
}

}  // namespace kelvara::app
