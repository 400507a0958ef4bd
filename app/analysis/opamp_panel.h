#pragma once

// The op-amp panel of the analysis window: "理想" (every view as before) or
// "実オペアンプ" with its GBW, A0 and Rout typed as engineering texts. A text
// that cannot be used is named in the panel's message line; the window then
// shows the ideal curves alone. Below them the op-amp's noise and limits,
// the temperature and the op-amp list (opamp_noise_fields.h), for ideal and
// real op-amps alike.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QString>
#include <optional>

#include "app/analysis/opamp_noise_fields.h"
#include "response/opamp_model.h"
#include "response/opamp_texts.h"

namespace kelvara::app {

class OpAmpPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit OpAmpPanel(QWidget* parent = nullptr);

  /// The op-amp chosen: ideal, or the real one read from the texts; empty
  /// when a text cannot be used (Message() says which).
  std::optional<response::OpAmpModel> Model() const;
  /// The same with the noise and limits of the noise fields; empty also when
  /// one of those cannot be used (Noise()->Message() says which).
  std::optional<response::OpAmpModel> NoisyModel() const;
  /// The temperature of the noise fields; the default when it cannot be read.
  double TemperatureC() const;
  /// False when a noise field cannot be used (Noise()->Message() says which).
  bool NoiseReadable() const;
  OpAmpNoiseFields* Noise() const { return noise_; }
  /// The message line: empty, or what is wrong with a text.
  QString Message() const { return message_->text(); }

  bool RealSelected() const { return real_->isChecked(); }
  void SetReal(bool real);
  response::OpAmpTexts Texts() const;
  void SetTexts(const response::OpAmpTexts& texts);

  QRadioButton* IdealButton() const { return ideal_; }
  QRadioButton* RealButton() const { return real_; }
  QLineEdit* GbwEdit() const { return gbw_; }
  QLineEdit* A0Edit() const { return a0_; }
  QLineEdit* RoutEdit() const { return rout_; }

 signals:
  /// The choice or a text changed.
  void Changed();

 private:
  void Update();

  QRadioButton* ideal_ = nullptr;
  QRadioButton* real_ = nullptr;
  QLineEdit* gbw_ = nullptr;
  QLineEdit* a0_ = nullptr;
  QLineEdit* rout_ = nullptr;
  QLabel* message_ = nullptr;
  OpAmpNoiseFields* noise_ = nullptr;
};

/// The message for a text that cannot be used, in the style of the part
/// checks ("GBW は無効な値: 有効な値を設定下さい。").
QString OpAmpMessage(const response::OpAmpTextError& error);

}  // namespace kelvara::app
