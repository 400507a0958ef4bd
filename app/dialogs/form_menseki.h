#pragma once

// The disclaimer, confirmed at every start. "確認" ends it with OK; closing
// it through its frame ends it with Cancel; Escape does nothing.

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "app/common/modal_result.h"

namespace kelvara::app {

class TFormMenseki : public QDialog {
  Q_OBJECT

 public:
  explicit TFormMenseki(QWidget* parent = nullptr);

  /// Shows the dialog modally: kModalResultOk after "確認", otherwise
  /// kModalResultCancel.
  int ShowModal();

  void ButtonMensekiOKClick();

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* ButtonMensekiOK = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kelvara::app
