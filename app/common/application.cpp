#include "app/common/application.h"

#include <QLibraryInfo>
#include <QMessageBox>
#include <QThread>
#include <QTranslator>

// The icon is compiled into the static library, whose resources are only
// registered when asked for.
static void InitKelvaraResources() { Q_INIT_RESOURCE(resources); }

namespace kelvara::app {

void MessageBoxErrorDisplay::ShowError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text, QMessageBox::Ok);
  box.exec();
}

KelvaraApplication::KelvaraApplication(int& argc, char** argv) : QApplication(argc, argv) { InitKelvaraResources(); }

KelvaraApplication::~KelvaraApplication() = default;

bool KelvaraApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ReportError(QString::fromUtf8(e.what()));
  } catch (...) {
    ReportError(QString());
  }
  return false;
}

void KelvaraApplication::SetErrorDisplay(ErrorDisplay* display) { display_ = display ? display : &messageBox_; }

ErrorDisplay& KelvaraApplication::CurrentErrorDisplay() { return *display_; }

bool InstallQtJapanese() {
  auto* app = QCoreApplication::instance();
  if (!app) return false;
  auto* translator = new QTranslator(app);
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

void ReportError(const QString& text) {
  auto* app = dynamic_cast<KelvaraApplication*>(QCoreApplication::instance());
  if (!app) {
    MessageBoxErrorDisplay().ShowError(text);
    return;
  }
  // Message boxes live on the user-interface thread; a worker waits for it.
  if (QThread::currentThread() != app->thread()) {
    QMetaObject::invokeMethod(
        app, [app, &text] { app->CurrentErrorDisplay().ShowError(text); }, Qt::BlockingQueuedConnection);
    return;
  }
  app->CurrentErrorDisplay().ShowError(text);
}

}  // namespace kelvara::app
