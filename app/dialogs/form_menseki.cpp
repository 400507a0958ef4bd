#include "app/dialogs/form_menseki.h"

#include <QKeyEvent>

#include "app/common/application.h"
#include "app/common/fonts.h"
#include "app/common/ui_texts.h"

namespace kelvara::app {

TFormMenseki::TFormMenseki(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormMenseki"));
  setWindowTitle(QString(text::kMensekiCaption));
  // 528 x 215 with an ordinary frame around this client area.
  resize(520, 185);
  move(207, 166);

  const QPoint positions[3] = {{48, 32}, {40, 64}, {40, 96}};
  QLabel** labels[3] = {&Label1, &Label2, &Label3};
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(QString(text::kMensekiLines[i]), this);
    label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    label->setFont(MinchoPixelFont(16));
    label->setFocusPolicy(Qt::NoFocus);
    label->move(positions[i]);
    label->adjustSize();
    *labels[i] = label;
  }

  ButtonMensekiOK = new QPushButton(QString(text::kMensekiOk), this);
  ButtonMensekiOK->setObjectName(QStringLiteral("ButtonMensekiOK"));
  ButtonMensekiOK->setGeometry(192, 144, 97, 33);
  ButtonMensekiOK->setDefault(true);
  ButtonMensekiOK->setFocus();
  ConnectHandler(ButtonMensekiOK, &QPushButton::clicked, this, &TFormMenseki::ButtonMensekiOKClick);
}

int TFormMenseki::ShowModal() {
  ButtonMensekiOK->setFocus();
  return exec() == kModalResultOk ? kModalResultOk : kModalResultCancel;
}

void TFormMenseki::ButtonMensekiOKClick() { done(kModalResultOk); }

void TFormMenseki::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();  // no cancel button: Escape does nothing
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace kelvara::app
