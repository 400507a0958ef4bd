#include "app/dialogs/form_about_box.h"

#include <QKeyEvent>

#include "app/common/fonts.h"
#include "app/common/ui_texts.h"

namespace kelvara::app {

namespace {
QLabel* MakeLabel(const char* name, const char* caption, QWidget* parent, QPoint position) {
  auto* label = new QLabel(QString(caption), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(position);
  label->adjustSize();
  return label;
}
}  // namespace

TFormAboutBox::TFormAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormAboutBox"));
  setWindowTitle(QString(text::kAboutCaption));
  setFont(GothicPixelFont(12));
  setFixedSize(298, 213);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(8, 8, 281, 161);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(2);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setGeometry(8, 8, 65, 57);
  ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/kelvara/kelvara.png")));
  ProgramIcon->setScaledContents(true);

  ProductName = MakeLabel("ProductName", text::kProductName, Panel1, {88, 16});
  Version = MakeLabel("Version", text::kVersion, Panel1, {120, 32});
  Copyright = MakeLabel("Copyright", text::kCopyright, Panel1, {8, 80});
  Comments = MakeLabel("Comments", text::kComments, Panel1, {8, 104});
  Comments->setWordWrap(true);
  Comments->setGeometry(8, 104, 265, 49);
  Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  OKButton = new QPushButton(QString(text::kOk), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(111, 180, 75, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, [this] { done(kModalResultOk); });
}

int TFormAboutBox::ShowModal() {
  OKButton->setFocus();
  return exec() == kModalResultOk ? kModalResultOk : kModalResultCancel;
}

void TFormAboutBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();  // no cancel button: Escape does nothing
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace kelvara::app
