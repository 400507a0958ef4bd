#pragma once

// The op-amp panel's second and third rows: the op-amp's noise and limits
// and the temperature (en, its 1/f corner, in, output swing, slew rate, °C),
// typed as engineering texts, and the op-amp list ("品種"): a few widely used
// op-amps with their datasheet figures and the user's own entries, kept in
// the settings store. Choosing one fills the panel. A fourth row holds the
// supply ("電源": none, ±V or a single supply 0..V with the signal at
// mid-rail), its voltage and the output's headroom to each rail: with a
// supply and no swing typed, the swing follows from the rails; a list entry
// chosen then fills the headroom and leaves the swing empty.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "response/noise_texts.h"
#include "response/opamp_model.h"
#include "response/opamp_texts.h"
#include "storage/later_settings.h"
#include "storage/noise_settings.h"

namespace kelvara::app {

class OpAmpNoiseFields : public QWidget {
  Q_OBJECT

 public:
  explicit OpAmpNoiseFields(QWidget* parent = nullptr);

  response::NoiseTexts Texts() const;
  void SetTexts(const response::NoiseTexts& texts);
  /// The noise and limits read into `model` and the temperature; false when
  /// a text cannot be used (Message() says which), nothing changed then.
  bool Read(response::OpAmpModel& model, double& temperatureC) const;
  QString Message() const { return message_->text(); }

  /// The list: the catalogue first, then the user's entries.
  void SetUserEntries(std::vector<storage::UserOpAmp> entries);
  const std::vector<storage::UserOpAmp>& UserEntries() const { return user_; }
  /// Adds (or replaces, by name) a user entry from the panel's texts.
  void AddUserEntry(const QString& name, const response::OpAmpTexts& opamp);
  /// Removes the user entry chosen in the list; false for a catalogue entry.
  bool RemoveChosenUserEntry();
  /// Marks the chosen entry of the list "（変更あり）" while the panel's
  /// figures (GBW, A0, Rout and the noise and limits, not the temperature)
  /// differ from the entry's own, and shows its plain name again once they
  /// are the same.
  void MarkChangedFigures(const response::OpAmpTexts& opamp);
  /// The name of the list entry the panel's figures came from ("OP27",
  /// "（変更あり）" after it once they differ), empty when none was chosen.
  QString ChosenName() const;
  /// The chosen entry's figures differ from the panel's.
  bool ChosenChanged() const { return chosenChanged_; }

  /// The name a new entry is saved under, empty when cancelled; tests
  /// answer without a dialog.
  void SetNameChooser(std::function<QString()> chooser) { chooseName_ = std::move(chooser); }

  QLineEdit* EnEdit() const { return en_; }
  QLineEdit* EnCornerEdit() const { return corner_; }
  QLineEdit* InEdit() const { return in_; }
  QLineEdit* SwingEdit() const { return swing_; }
  QLineEdit* SlewEdit() const { return slew_; }
  QLineEdit* TemperatureEdit() const { return temperature_; }
  QComboBox* SupplyKind() const { return supplyKind_; }
  QLineEdit* SupplyEdit() const { return supplyV_; }
  QLineEdit* HeadroomPosEdit() const { return headroomPos_; }
  QLineEdit* HeadroomNegEdit() const { return headroomNeg_; }

  /// The supply row as the settings store keeps it, and back.
  storage::SupplySettings Supply() const;
  void SetSupply(const storage::SupplySettings& supply);
  QComboBox* OpAmpList() const { return list_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* RemoveButton() const { return remove_; }

 signals:
  /// A text changed.
  void Changed();
  /// An op-amp of the list was chosen: GBW, A0 and Rout for the panel.
  void OpAmpChosen(const response::OpAmpTexts& opamp);
  /// The user's entries changed (to be stored).
  void UserEntriesChanged();
  /// "登録..." was pressed: the panel answers with AddUserEntry.
  void AddRequested(const QString& name);

 private:
  void FillList();
  void Choose(int index);
  void Update();
  QString EntryName(int index) const;
  bool EntryFigures(int index, response::OpAmpTexts& opamp, response::NoiseTexts& noise) const;

  QLineEdit* en_ = nullptr;
  QLineEdit* corner_ = nullptr;
  QLineEdit* in_ = nullptr;
  QLineEdit* swing_ = nullptr;
  QLineEdit* slew_ = nullptr;
  QLineEdit* temperature_ = nullptr;
  QComboBox* supplyKind_ = nullptr;
  QLineEdit* supplyV_ = nullptr;
  QLineEdit* headroomPos_ = nullptr;
  QLineEdit* headroomNeg_ = nullptr;
  QComboBox* list_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* remove_ = nullptr;
  QLabel* message_ = nullptr;
  std::vector<storage::UserOpAmp> user_;
  std::function<QString()> chooseName_;
  int chosen_ = -1;  // the list entry whose figures the panel was filled with; -1 for none
  bool chosenChanged_ = false;
};

/// The noise fields' texts as the settings store holds them, and back.
response::NoiseTexts NoiseTextsOf(const storage::NoiseTextSettings& stored);
storage::NoiseTextSettings StoredNoiseTexts(const response::NoiseTexts& texts);

/// The stored noise and limits (the supply included) applied to the model
/// (when they can be read); returns the stored temperature (or the default).
double ApplyStoredNoise(storage::SettingsStore& store, response::OpAmpModel& model);

/// The message for a noise text that cannot be used ("en は無効な値: ...").
QString NoiseFieldMessage(const response::NoiseTextError& error);

}  // namespace kelvara::app
