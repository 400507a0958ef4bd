#pragma once

// The options dialog "部品系列の設定": which capacitor and resistor series a
// preferred-value design draws from, and the lowest and highest value of
// each kind, as engineering texts. OK checks the texts and keeps the dialog
// open with a message while one is unusable.

#include <QDialog>
#include <QString>

#include "engine/series_options.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvara::app {

class TFormSeriesOptions : public QDialog {
  Q_OBJECT

 public:
  explicit TFormSeriesOptions(QWidget* parent = nullptr);

  void SetTexts(const engine::SeriesTexts& texts);
  /// The texts as the controls hold them.
  engine::SeriesTexts Texts() const;
  /// The message of the last refused OK; empty when none.
  QString Problem() const;

  /// "既定値に戻す": the program's own series and ranges.
  void RestoreDefaults();
  void accept() override;

  QComboBox* CBox_CapSeries = nullptr;
  QComboBox* CBox_ResSeries = nullptr;
  QLineEdit* Edit_CMin = nullptr;
  QLineEdit* Edit_CMax = nullptr;
  QLineEdit* Edit_RMin = nullptr;
  QLineEdit* Edit_RMax = nullptr;
  QLabel* Label_Problem = nullptr;
  QPushButton* Button_Defaults = nullptr;
};

/// The message for a problem of the texts, or empty.
QString SeriesProblemMessage(const engine::SeriesTexts& texts, engine::SeriesTextProblem problem);

}  // namespace kelvara::app
