#include "app/analysis/opamp_panel.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kelvara::app {
namespace {

QLineEdit* AddEdit(QHBoxLayout* row, QWidget* parent, const QString& caption, const QString& name) {
  row->addWidget(new QLabel(caption, parent));
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setFixedWidth(70);
  row->addWidget(edit);
  return edit;
}

}  // namespace

QString OpAmpMessage(const response::OpAmpTextError& error) {
  static const char* const kNames[] = {"GBW", "A0", "Rout"};
  const QString name = QString::fromLatin1(kNames[static_cast<int>(error.field)]);
  if (error.unreadable) return name + QStringLiteral(" は無効な値: 有効な値を設定下さい。");
  if (error.field == response::OpAmpField::kRout) return name + QStringLiteral(" の不正な値: 0 以上の値を設定下さい。");
  return name + QStringLiteral(" の不正な値: 0 より大きい値を設定下さい。");
}

OpAmpPanel::OpAmpPanel(QWidget* parent) : QGroupBox(QStringLiteral("オペアンプ"), parent) {
  setObjectName(QStringLiteral("groupOpAmp"));
  auto* rows = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  rows->addLayout(row);
  ideal_ = new QRadioButton(QStringLiteral("理想"), this);
  ideal_->setObjectName(QStringLiteral("radioOpAmpIdeal"));
  real_ = new QRadioButton(QStringLiteral("実オペアンプ"), this);
  real_->setObjectName(QStringLiteral("radioOpAmpReal"));
  auto* group = new QButtonGroup(this);
  group->addButton(ideal_);
  group->addButton(real_);
  ideal_->setChecked(true);
  row->addWidget(ideal_);
  row->addWidget(real_);
  gbw_ = AddEdit(row, this, QStringLiteral("GBW [Hz]"), QStringLiteral("editOpAmpGbw"));
  a0_ = AddEdit(row, this, QStringLiteral("A0 [dB]"), QStringLiteral("editOpAmpA0"));
  rout_ = AddEdit(row, this, QStringLiteral("Rout [Ω]"), QStringLiteral("editOpAmpRout"));
  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("labelOpAmpMessage"));
  message_->setStyleSheet(QStringLiteral("color: #c00000;"));
  row->addWidget(message_, 1);
  noise_ = new OpAmpNoiseFields(this);
  rows->addWidget(noise_);
  SetTexts(response::OpAmpTexts{});
  connect(noise_, &OpAmpNoiseFields::Changed, this, [this] {
    noise_->MarkChangedFigures(Texts());
    emit Changed();
  });
  connect(noise_, &OpAmpNoiseFields::OpAmpChosen, this, [this](const response::OpAmpTexts& texts) {
    SetTexts(texts);
    SetReal(true);
    noise_->MarkChangedFigures(Texts());
  });
  connect(noise_, &OpAmpNoiseFields::AddRequested, this,
          [this](const QString& name) { noise_->AddUserEntry(name, Texts()); });

  connect(real_, &QRadioButton::toggled, this, [this] {
    Update();
    emit Changed();
  });
  for (QLineEdit* edit : {gbw_, a0_, rout_}) {
    connect(edit, &QLineEdit::textChanged, this, [this] {
      noise_->MarkChangedFigures(Texts());
      Update();
      emit Changed();
    });
  }
  Update();
}

std::optional<response::OpAmpModel> OpAmpPanel::Model() const {
  response::OpAmpModel model;
  if (!real_->isChecked()) return model;
  if (response::ReadOpAmpTexts(Texts(), model)) return std::nullopt;
  return model;
}

std::optional<response::OpAmpModel> OpAmpPanel::NoisyModel() const {
  const std::optional<response::OpAmpModel> model = Model();
  if (!model) return std::nullopt;
  response::OpAmpModel noisy = *model;
  double temperature = 0;
  if (!noise_->Read(noisy, temperature)) return std::nullopt;
  return noisy;
}

double OpAmpPanel::TemperatureC() const {
  response::OpAmpModel model;
  double temperature = response::kDefaultTemperatureC;
  noise_->Read(model, temperature);
  return temperature;
}

bool OpAmpPanel::NoiseReadable() const {
  response::OpAmpModel model;
  double temperature = 0;
  return noise_->Read(model, temperature);
}

void OpAmpPanel::SetReal(bool real) { (real ? real_ : ideal_)->setChecked(true); }

response::OpAmpTexts OpAmpPanel::Texts() const {
  return {gbw_->text().toStdString(), a0_->text().toStdString(), rout_->text().toStdString()};
}

void OpAmpPanel::SetTexts(const response::OpAmpTexts& texts) {
  gbw_->setText(QString::fromStdString(texts.gbwHz));
  a0_->setText(QString::fromStdString(texts.a0Db));
  rout_->setText(QString::fromStdString(texts.routOhm));
}

void OpAmpPanel::Update() {
  const bool real = real_->isChecked();
  for (QLineEdit* edit : {gbw_, a0_, rout_}) edit->setEnabled(real);
  response::OpAmpModel model;
  const auto error = real ? response::ReadOpAmpTexts(Texts(), model) : std::nullopt;
  message_->setText(error ? OpAmpMessage(*error) : QString());
}

}  // namespace kelvara::app
