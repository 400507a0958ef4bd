#include "app/analysis/opamp_noise_fields.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QVBoxLayout>

#include "app/analysis/noise_view_texts.h"
#include "response/opamp_catalogue.h"

namespace kelvara::app {
namespace {

QLineEdit* AddEdit(QHBoxLayout* row, QWidget* parent, const QString& caption, const QString& name, int width = 56) {
  row->addWidget(new QLabel(caption, parent));
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setFixedWidth(width);
  row->addWidget(edit);
  return edit;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

response::NoiseTexts NoiseTextsOf(const storage::NoiseTextSettings& t) {
  return {S(t.en), S(t.enCorner), S(t.in), S(t.swing), S(t.slew), S(t.temperature)};
}

storage::NoiseTextSettings StoredNoiseTexts(const response::NoiseTexts& t) {
  return {Q(t.enNvRtHz), Q(t.enCornerHz), Q(t.inPaRtHz), Q(t.swingVpp), Q(t.slewVPerUs), Q(t.temperatureC)};
}

namespace {

// The supply texts of the stored supply (none unless its kind is stored).
void ApplySupply(const storage::SupplySettings& stored, response::NoiseTexts& t) {
  const int kind = stored.kind.value_or(0);
  t.supplyV = kind == 0 ? std::string() : S(stored.volts.value_or(QString()));
  t.singleSupply = kind == 2;
  t.headroomPosV = S(stored.headroomPos.value_or(QString()));
  t.headroomNegV = S(stored.headroomNeg.value_or(QString()));
}

}  // namespace

double ApplyStoredNoise(storage::SettingsStore& store, response::OpAmpModel& model) {
  double temperature = response::kDefaultTemperatureC;
  response::NoiseTexts texts = NoiseTextsOf(storage::LoadNoiseTexts(store));
  ApplySupply(storage::LoadSupply(store), texts);
  response::ReadNoiseTexts(texts, model, temperature);
  return temperature;
}

QString NoiseFieldMessage(const response::NoiseTextError& error) {
  static const char* const kNames[] = {"en",   "1/fコーナー", "in",         "出力振幅",  "スルーレート",
                                       "温度", "電源電圧",    "＋側の余裕", "－側の余裕"};
  const QString name = QString::fromUtf8(kNames[static_cast<int>(error.field)]);
  if (error.unreadable) return name + QStringLiteral(" は無効な値: 有効な値を設定下さい。");
  if (error.noSwing) return name + QStringLiteral(" の不正な値: 電源電圧から出力振幅が残る値を設定下さい。");
  switch (error.field) {
    case response::NoiseField::kSwing:
    case response::NoiseField::kSlew:
      return name + QStringLiteral(" の不正な値: 0 より大きい値を設定するか空欄にして下さい。");
    case response::NoiseField::kSupply:
      return name + QStringLiteral(" の不正な値: 0 より大きく 1000 以下の値を設定するか空欄にして下さい。");
    case response::NoiseField::kHeadroomPos:
    case response::NoiseField::kHeadroomNeg:
      return name + QStringLiteral(" の不正な値: 0 以上 1000 以下の値を設定下さい。");
    case response::NoiseField::kTemperature:
      return name + QStringLiteral(" の不正な値: -273.15 より大きく 1000 以下の値を設定下さい。");
    default:
      return name + QStringLiteral(" の不正な値: 0 以上の値を設定下さい。");
  }
}

OpAmpNoiseFields::OpAmpNoiseFields(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("OpAmpNoiseFields"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  // Two rows: the noise densities and the swing, then the slew rate, the
  // temperature and the op-amp list.
  auto* row = new QHBoxLayout;
  en_ = AddEdit(row, this, QStringLiteral("en [nV/√Hz]"), QStringLiteral("editOpAmpEn"));
  corner_ = AddEdit(row, this, QStringLiteral("1/fコーナー [Hz]"), QStringLiteral("editOpAmpEnCorner"));
  in_ = AddEdit(row, this, QStringLiteral("in [pA/√Hz]"), QStringLiteral("editOpAmpIn"));
  swing_ = AddEdit(row, this, QStringLiteral("出力振幅 [Vpp]"), QStringLiteral("editOpAmpSwing"));
  row->addStretch(1);
  layout->addLayout(row);

  auto* pick = new QHBoxLayout;
  slew_ = AddEdit(pick, this, QStringLiteral("スルーレート [V/µs]"), QStringLiteral("editOpAmpSlew"));
  temperature_ = AddEdit(pick, this, QStringLiteral("温度 [℃]"), QStringLiteral("editNoiseTemperature"), 48);
  pick->addWidget(new QLabel(QString::fromUtf8(noise_text::kOpAmpList), this));
  list_ = new QComboBox(this);
  list_->setObjectName(QStringLiteral("CBox_OpAmpList"));
  list_->setMinimumWidth(110);
  // As wide as its longest entry, the mark "（変更あり）" included.
  list_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  pick->addWidget(list_);
  add_ = new QPushButton(QString::fromUtf8(noise_text::kAddOpAmp), this);
  add_->setObjectName(QStringLiteral("buttonAddOpAmp"));
  remove_ = new QPushButton(QString::fromUtf8(noise_text::kRemoveOpAmp), this);
  remove_->setObjectName(QStringLiteral("buttonRemoveOpAmp"));
  pick->addWidget(add_);
  pick->addWidget(remove_);
  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("labelNoiseMessage"));
  message_->setStyleSheet(QStringLiteral("color: #c00000;"));
  pick->addWidget(message_, 1);
  layout->addLayout(pick);

  // The supply, after the fields above.
  auto* rails = new QHBoxLayout;
  rails->addWidget(new QLabel(QString::fromUtf8(noise_text::kSupply), this));
  supplyKind_ = new QComboBox(this);
  supplyKind_->setObjectName(QStringLiteral("CBox_Supply"));
  for (const char* kind : noise_text::kSupplyKinds) supplyKind_->addItem(QString::fromUtf8(kind));
  rails->addWidget(supplyKind_);
  supplyV_ = AddEdit(rails, this, QString::fromUtf8(noise_text::kSupplyVolts), QStringLiteral("editSupplyV"));
  headroomPos_ =
      AddEdit(rails, this, QString::fromUtf8(noise_text::kHeadroomPos), QStringLiteral("editSupplyHeadroomPos"));
  headroomNeg_ =
      AddEdit(rails, this, QString::fromUtf8(noise_text::kHeadroomNeg), QStringLiteral("editSupplyHeadroomNeg"));
  rails->addStretch(1);
  layout->addLayout(rails);

  SetTexts(response::NoiseTexts{});
  FillList();
  connect(supplyKind_, &QComboBox::currentIndexChanged, this, [this] {
    supplyV_->setEnabled(supplyKind_->currentIndex() != 0);
    Update();
    emit Changed();
  });
  supplyV_->setEnabled(false);
  for (QLineEdit* edit : {en_, corner_, in_, swing_, slew_, temperature_, supplyV_, headroomPos_, headroomNeg_}) {
    connect(edit, &QLineEdit::textChanged, this, [this] {
      Update();
      emit Changed();
    });
  }
  connect(list_, &QComboBox::activated, this, [this](int index) { Choose(index); });
  chooseName_ = [this] {
    return QInputDialog::getText(this, QString::fromUtf8(noise_text::kAddOpAmpCaption),
                                 QString::fromUtf8(noise_text::kAddOpAmpPrompt));
  };
  connect(add_, &QPushButton::clicked, this, [this] {
    const QString name = chooseName_().trimmed().left(storage::SettingsStore::kMaxLaterText);
    if (!name.isEmpty()) emit AddRequested(name);
  });
  connect(remove_, &QPushButton::clicked, this, [this] { RemoveChosenUserEntry(); });
  Update();
}

response::NoiseTexts OpAmpNoiseFields::Texts() const {
  response::NoiseTexts t{S(en_->text()),    S(corner_->text()), S(in_->text()),
                         S(swing_->text()), S(slew_->text()),   S(temperature_->text())};
  ApplySupply(Supply(), t);
  return t;
}

void OpAmpNoiseFields::SetTexts(const response::NoiseTexts& t) {
  en_->setText(Q(t.enNvRtHz));
  corner_->setText(Q(t.enCornerHz));
  in_->setText(Q(t.inPaRtHz));
  swing_->setText(Q(t.swingVpp));
  slew_->setText(Q(t.slewVPerUs));
  temperature_->setText(Q(t.temperatureC));
  // Without a supply the kind is none; the voltage typed stays for later.
  supplyKind_->setCurrentIndex(t.supplyV.empty() ? 0 : t.singleSupply ? 2 : 1);
  if (!t.supplyV.empty()) supplyV_->setText(Q(t.supplyV));
  headroomPos_->setText(Q(t.headroomPosV));
  headroomNeg_->setText(Q(t.headroomNegV));
}

storage::SupplySettings OpAmpNoiseFields::Supply() const {
  return {supplyKind_->currentIndex(), supplyV_->text(), headroomPos_->text(), headroomNeg_->text()};
}

void OpAmpNoiseFields::SetSupply(const storage::SupplySettings& supply) {
  if (supply.volts) supplyV_->setText(*supply.volts);
  if (supply.headroomPos) headroomPos_->setText(*supply.headroomPos);
  if (supply.headroomNeg) headroomNeg_->setText(*supply.headroomNeg);
  supplyKind_->setCurrentIndex(supply.kind.value_or(0));
}

bool OpAmpNoiseFields::Read(response::OpAmpModel& model, double& temperatureC) const {
  return !response::ReadNoiseTexts(Texts(), model, temperatureC).has_value();
}

void OpAmpNoiseFields::Update() {
  response::OpAmpModel model;
  double t = 0;
  const auto error = response::ReadNoiseTexts(Texts(), model, t);
  message_->setText(error ? NoiseFieldMessage(*error) : QString());
}

void OpAmpNoiseFields::FillList() {
  chosen_ = -1;
  chosenChanged_ = false;
  list_->clear();
  list_->addItem(QString::fromUtf8(noise_text::kOpAmpManual));
  for (const response::CatalogueOpAmp& c : response::OpAmpCatalogue()) {
    list_->addItem(Q(c.name));
    list_->setItemData(list_->count() - 1, Q(c.conditions + "\n" + c.source), Qt::ToolTipRole);
  }
  for (int i = 0; i < static_cast<int>(user_.size()); ++i) list_->addItem(EntryName(list_->count()));
}

QString OpAmpNoiseFields::EntryName(int index) const {
  const int catalogue = static_cast<int>(response::OpAmpCatalogue().size());
  if (index <= 0) return QString::fromUtf8(noise_text::kOpAmpManual);
  if (index <= catalogue) return Q(response::OpAmpCatalogue()[index - 1].name);
  return user_[index - 1 - catalogue].name + QString::fromUtf8(noise_text::kUserSuffix);
}

bool OpAmpNoiseFields::EntryFigures(int index, response::OpAmpTexts& opamp, response::NoiseTexts& noise) const {
  const int catalogue = static_cast<int>(response::OpAmpCatalogue().size());
  if (index <= 0) return false;
  if (index <= catalogue) {
    const response::CatalogueOpAmp& c = response::OpAmpCatalogue()[index - 1];
    opamp = c.opamp;
    noise = c.noise;
    return true;
  }
  if (index - 1 - catalogue >= static_cast<int>(user_.size())) return false;
  const storage::UserOpAmp& u = user_[index - 1 - catalogue];
  opamp = {S(u.gbw), S(u.a0), S(u.rout)};
  noise = {S(u.en), S(u.enCorner), S(u.in), S(u.swing), S(u.slew), ""};
  // A user's entry keeps no headroom: the panel's stays.
  noise.headroomPosV = S(headroomPos_->text());
  noise.headroomNegV = S(headroomNeg_->text());
  return true;
}

void OpAmpNoiseFields::MarkChangedFigures(const response::OpAmpTexts& opamp) {
  response::OpAmpTexts ownOpAmp;
  response::NoiseTexts own;
  if (chosen_ < 0 || chosen_ >= list_->count() || !EntryFigures(chosen_, ownOpAmp, own)) return;
  const response::NoiseTexts now = Texts();
  // With a supply the entry leaves the swing empty (the rails give it).
  const bool swingFromRails = !now.supplyV.empty() && now.swingVpp.empty();
  chosenChanged_ = opamp.gbwHz != ownOpAmp.gbwHz || opamp.a0Db != ownOpAmp.a0Db || opamp.routOhm != ownOpAmp.routOhm ||
                   now.enNvRtHz != own.enNvRtHz || now.enCornerHz != own.enCornerHz || now.inPaRtHz != own.inPaRtHz ||
                   (!swingFromRails && now.swingVpp != own.swingVpp) || now.slewVPerUs != own.slewVPerUs ||
                   now.headroomPosV != own.headroomPosV || now.headroomNegV != own.headroomNegV;
  list_->setItemText(chosen_,
                     EntryName(chosen_) + (chosenChanged_ ? QString::fromUtf8(noise_text::kChangedSuffix) : QString()));
}

QString OpAmpNoiseFields::ChosenName() const {
  if (chosen_ <= 0 || chosen_ >= list_->count()) return {};
  return EntryName(chosen_) + (chosenChanged_ ? QString::fromUtf8(noise_text::kChangedSuffix) : QString());
}

void OpAmpNoiseFields::SetUserEntries(std::vector<storage::UserOpAmp> entries) {
  user_ = std::move(entries);
  FillList();
}

void OpAmpNoiseFields::Choose(int index) {
  // The entry chosen before shows its plain name again: the panel is now
  // filled from another one (or by hand).
  if (chosen_ >= 0 && chosen_ < list_->count()) list_->setItemText(chosen_, EntryName(chosen_));
  chosen_ = -1;
  chosenChanged_ = false;
  response::OpAmpTexts opamp;
  response::NoiseTexts noise;
  if (!EntryFigures(index, opamp, noise)) return;
  chosen_ = index;
  noise.temperatureC = S(temperature_->text());  // the temperature is the circuit's, not the op-amp's
  // So is the supply: the entry gives only its headroom to the rails, and
  // with a supply its swing (at its datasheet's supply) is left empty.
  const response::NoiseTexts now = Texts();
  noise.supplyV = now.supplyV;
  noise.singleSupply = now.singleSupply;
  if (!now.supplyV.empty()) noise.swingVpp.clear();
  SetTexts(noise);
  list_->setCurrentIndex(index);
  emit OpAmpChosen(opamp);
}

void OpAmpNoiseFields::AddUserEntry(const QString& name, const response::OpAmpTexts& opamp) {
  storage::UserOpAmp e{name,        Q(opamp.gbwHz), Q(opamp.a0Db), Q(opamp.routOhm), en_->text(), corner_->text(),
                       in_->text(), swing_->text(), slew_->text()};
  bool replaced = false;
  for (storage::UserOpAmp& u : user_) {
    if (u.name == name) {
      u = e;
      replaced = true;
    }
  }
  if (!replaced) {
    if (static_cast<int>(user_.size()) >= storage::kMaxUserOpAmps) user_.erase(user_.begin());
    user_.push_back(e);
  }
  FillList();
  for (int i = 0; i < static_cast<int>(user_.size()); ++i) {
    if (user_[i].name != name) continue;
    // The new entry holds the panel's figures: it is the chosen one.
    chosen_ = 1 + static_cast<int>(response::OpAmpCatalogue().size()) + i;
    list_->setCurrentIndex(chosen_);
  }
  emit UserEntriesChanged();
}

bool OpAmpNoiseFields::RemoveChosenUserEntry() {
  const int i = list_->currentIndex() - 1 - static_cast<int>(response::OpAmpCatalogue().size());
  if (i < 0 || i >= static_cast<int>(user_.size())) return false;
  user_.erase(user_.begin() + i);
  FillList();
  emit UserEntriesChanged();
  return true;
}

}  // namespace kelvara::app
