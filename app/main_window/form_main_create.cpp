// FormCreate: the controls the window makes for itself at start-up (the
// comparison rows, the part groups and the series check boxes), the eight
// default sheets, the program folder and the first circuit picture.

#include <QCoreApplication>
#include <QDir>

#include "app/common/application.h"
#include "app/common/fonts.h"
#include "app/common/ui_texts.h"
#include "app/main_window/form_main.h"
#include "app/main_window/legible_caption.h"

namespace kelvara::app {

namespace {

void SetButtonFaceBackground(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

QFont SizedFont(const QWidget* parent, double points) {
  QFont font = parent->font();
  font.setPointSizeF(points);
  return font;
}

}  // namespace

void TFormMain::FormCreate() {
  CreateComparisonRows();
  CreatePartGroups();
  CreateSeriesChecks();
  CreateSectionControls();

  for (int s = 0; s < kSheetCount; ++s) {
    StoreSheet(sheets[s]);
    LoadSheet(sheets[s]);
  }

  ProgramDir = programDirOverride_;
  if (ProgramDir.isEmpty()) ProgramDir = QCoreApplication::applicationDirPath();
  if (!ProgramDir.endsWith(QLatin1Char('/'))) ProgramDir += QLatin1Char('/');

  ShowCircuitPicture(CBox_HPFLPF->currentIndex(), CBox_Jisuu->currentIndex());
}

void TFormMain::CreateComparisonRows() {
  // A caption in a light sheet colour (yellow, white) is outlined.
  auto* captionStyle = new LegibleCaptionStyle();
  captionStyle->setParent(PanelHikaku);
  for (int i = 0; i < kSheetCount; ++i) {
    const QString number = QString::number(i + 1);
    auto* check = new QCheckBox(QString(text::kSheetChecks[i]), PanelHikaku);
    check->setObjectName(QStringLiteral("CBox_Sheet") + number);
    check->setGeometry(10, 60 + 25 * i, 100, 17);
    check->setFont(SizedFont(PanelHikaku, 11));
    SetButtonFaceBackground(check);
    check->setStyle(captionStyle);
    check->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(check, &QWidget::customContextMenuRequested, this,
            [this, check](const QPoint& pos) { OpenPopupMenu(check, pos); });
    CBox_Sheet[i] = check;

    auto* edit = new QLineEdit(PanelHikaku);
    edit->setObjectName(QStringLiteral("Edit_Cutoff") + number);
    edit->setGeometry(90, 58 + 25 * i, 80, 18);
    edit->setFont(SizedFont(PanelHikaku, 10));
    Edit_Cutoff[i] = edit;

    auto* hz = new QLabel(QString(text::kHz), PanelHikaku);
    hz->setObjectName(QStringLiteral("Label_Hz") + number);
    hz->setGeometry(172, 62 + 25 * i, 18, 15);
    hz->setFont(SizedFont(PanelHikaku, 11));
    Label_Hz[i] = hz;
  }
}

void TFormMain::CreatePartGroups() {
  // Row r holds R(r+1), C(r+1), R(r+5), C(r+5) from left to right.
  auto makeBox = [this](PartGroup& group, const QString& name, int left, int top, int width, bool visible) {
    group.box = new QGroupBox(name, TabDesign);
    group.box->setObjectName(QStringLiteral("group") + name);
    group.box->setGeometry(left, top, width, 60);
    group.box->setVisible(visible);
  };
  for (int r = 0; r < 4; ++r) {
    const int top = 96 + 64 * r;
    const bool visible = r < 2;
    makeBox(groupR[r], QStringLiteral("R%1").arg(r + 1), 16, top, 100, visible);
    makeBox(groupR[r + 4], QStringLiteral("R%1").arg(r + 5), 248, top, 100, false);
    makeBox(groupC[r], QStringLiteral("C%1").arg(r + 1), 120, top, 105, visible);
    makeBox(groupC[r + 4], QStringLiteral("C%1").arg(r + 5), 352, top, 105, false);
  }

  auto fillBox = [this](PartGroup& group, bool resistor) {
    QGroupBox* box = group.box;
    const QString prefix = box->objectName() + QLatin1Char('_');
    group.valueEdit = new QLineEdit(box);
    group.valueEdit->setObjectName(prefix + QStringLiteral("valueEdit"));
    group.valueEdit->setGeometry(8, 20, resistor ? 70 : 75, 21);
    ConnectHandler(group.valueEdit, &QLineEdit::textChanged, this, &TFormMain::Change_EditValset);

    group.unitLabel = new QLabel(QString(resistor ? text::kOhm : text::kFarad), box);
    group.unitLabel->setObjectName(prefix + QStringLiteral("unitLabel"));
    group.unitLabel->setGeometry(resistor ? 80 : 85, 24, 16, 15);
    group.unitLabel->setFont(SizedFont(box, 11));

    group.autoButton = new QRadioButton(QString(text::kAuto), box);
    group.autoButton->setObjectName(prefix + QStringLiteral("autoButton"));
    group.autoButton->setGeometry(8, 41, 45, 17);
    group.autoButton->setFont(SizedFont(box, 9));
    group.autoButton->setChecked(true);

    group.fixButton = new QRadioButton(QString(text::kFix), box);
    group.fixButton->setObjectName(prefix + QStringLiteral("fixButton"));
    group.fixButton->setGeometry(56, 41, 40, 17);
    group.fixButton->setFont(SizedFont(box, 9));
  };
  for (int k = 0; k < kPartCount; ++k) {
    fillBox(groupR[k], true);
    fillBox(groupC[k], false);
  }
}

void TFormMain::CreateSeriesChecks() {
  for (int k = 0; k < 2; ++k) {
    auto* check = new QCheckBox(QString(text::kSeriesChecks[k]), GBox_E12);
    check->setObjectName(QStringLiteral("chkBoxE12_%1").arg(k));
    check->setGeometry(8, 18 + 38 * k, 90, 17);
    check->setFont(SizedFont(GBox_E12, 9));
    SetButtonFaceBackground(check);
    ConnectHandler(check, &QCheckBox::clicked, this, &TFormMain::OnClick_chkBoxE12);
    chkBoxE12[k] = check;
  }
}

}  // namespace kelvara::app
