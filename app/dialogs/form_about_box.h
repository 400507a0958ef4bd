#pragma once

// The version dialog: product name, version, rights and a comment.

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "app/common/modal_result.h"

namespace kelvara::app {

class TFormAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TFormAboutBox(QWidget* parent = nullptr);

  /// Shows the dialog modally; "OK" ends it with kModalResultOk.
  int ShowModal();

  QFrame* Panel1 = nullptr;
  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* Version = nullptr;
  QLabel* Copyright = nullptr;
  QLabel* Comments = nullptr;
  QPushButton* OKButton = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kelvara::app
