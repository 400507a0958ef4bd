#include "app/main_window/form_main.h"
#include "app/analysis/form_analysis.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QShowEvent>
#include <QWindow>

#include "app/analysis/form_analysis.h"
#include "app/common/application.h"
#include "app/common/ui_texts.h"
#include "app/dialogs/form_menseki.h"
#include "app/main_window/ui_handover.h"
#include "engine/design_data.h"

namespace kelvara::app {

namespace {
constexpr QSize kClientAreas(793, 617);  // the three areas below the menu bar
}  // namespace

TFormMain::TFormMain(storage::SettingsStore& settingsStore, WarningBoxes& warningBoxes, QString programDir,
                     QWidget* parent)
    : QMainWindow(parent),
      warnings(warningBoxes),
      settingsStore_(settingsStore),
      programDirOverride_(std::move(programDir)) {
  setObjectName(QStringLiteral("FormMain"));
  UiHandover::Instance();  // made here, on the user-interface thread
  setWindowTitle(QString(text::kMainCaption));
  CreateDesignTimeControls();
  move(95, 67);
  FitClientAreas();

  // The records start empty; FormCreate copies the start-up controls into them.
  for (auto& record : sheets) record.clear();
  engine::BuildDesignData();
  for (int kind = 0; kind < 2; ++kind) {
    for (int order = 2; order <= 8; ++order) {
      PictureNames[kind][order - 2] = QStringLiteral("%1_%2.jpg").arg(kind == 0 ? "LPF" : "HPF").arg(order);
    }
  }

  RunGuarded([this] { FormCreate(); });
}

TFormMain::~TFormMain() {
  // The analysis window goes first: it listens to the controls.
  delete FormAnalysis;
  ShutdownRuns();
}

void TFormMain::SetDialogs(TFormAboutBox* aboutBox, TFormMenseki* menseki) {
  FormAboutBox = aboutBox;
  FormMenseki = menseki;
}

void TFormMain::FitClientAreas() {
  // The outer size follows from whatever frame the window manager adds.
  resize(kClientAreas.width(), kClientAreas.height() + MainMenu1->sizeHint().height());
}

void TFormMain::PlaceOuterFrame(QPoint outer) {
  // The widget's own geometry follows at once; the native window is placed
  // by its frame, whichever frame the window manager gives it.
  move(outer);
  if (QWindow* handle = windowHandle()) handle->setFramePosition(outer);
}

QPoint TFormMain::OuterFramePosition() const {
  // Asked of the native window: the widget's idea of its frame may date
  // from before the window manager framed it.
  if (const QWindow* handle = windowHandle()) return handle->framePosition();
  return pos();
}

void TFormMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FitClientAreas();
  RunGuarded([this] { FormShow(); });
}

void TFormMain::FormShow() {
  // A store that cannot be read keeps the defaults; the disclaimer must be
  // shown whatever happens to the settings.
  RunGuarded([this] { appSettings = settingsStore_.Load(); });
  if (const QString problem = settingsStore_.LastProblem(); !problem.isEmpty()) ReportError(problem);
  LoadSeriesChoice();
  for (int i = 0; i < kSheetCount; ++i) {
    QPalette palette = CBox_Sheet[i]->palette();
    palette.setColor(QPalette::WindowText, ColorOfSetting(appSettings.sheetColor[i]));
    CBox_Sheet[i]->setPalette(palette);
  }
  PlaceOuterFrame(QPoint(appSettings.formLeft, appSettings.formTop));
  CBox_YBig->setEditText(appSettings.chartText[0]);
  CBox_Ysmall->setEditText(appSettings.chartText[1]);
  CBox_XBig->setCurrentIndex(appSettings.chartIndex[2]);
  CBox_Xsmall->setCurrentIndex(appSettings.chartIndex[3]);
  // The disclaimer comes once the window is on the screen.
  QMetaObject::invokeMethod(
      this, [this] { RunGuarded([this] { ShowDisclaimer(); }); }, Qt::QueuedConnection);
}

void TFormMain::ShowDisclaimer() {
  if (!FormMenseki) return;
  if (FormMenseki->ShowModal() != kModalResultOk) close();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  RunGuarded([this] { FormClose(); });
  // Runs still searching are stopped and waited for; none of them touches
  // the window from here on.
  ShutdownRuns();
  event->accept();
}

void TFormMain::FormClose() {
  const QPoint outer = OuterFramePosition();
  appSettings.formLeft = outer.x();
  appSettings.formTop = outer.y();
  appSettings.chartText[0] = CBox_YBig->currentText();
  appSettings.chartText[1] = CBox_Ysmall->currentText();
  appSettings.chartIndex[2] = CBox_XBig->currentIndex();
  appSettings.chartIndex[3] = CBox_Xsmall->currentIndex();
  settingsStore_.Save(appSettings);
  if (const QString problem = settingsStore_.LastProblem(); !problem.isEmpty()) ReportError(problem);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == CBox_Jisuu && event->type() == QEvent::FocusOut) {
    // Opening the drop-down list or switching to another window does not
    // leave the box.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
      RunGuarded([this] { CBox_JisuuExit(); });
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace kelvara::app
