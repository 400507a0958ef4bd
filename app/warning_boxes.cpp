#include "app/warning_boxes.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

namespace kelvara::app {

namespace {
void ShowWarningBox(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
  box.exec();
}
}  // namespace

void QtWarningBoxes::Warning(const QString& caption, const QString& text) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() != app->thread()) {
    QMetaObject::invokeMethod(
        app, [&caption, &text] { ShowWarningBox(caption, text); }, Qt::BlockingQueuedConnection);
    return;
  }
  ShowWarningBox(caption, text);
}

void RecordingWarningBoxes::Warning(const QString& caption, const QString& text) {
  std::lock_guard lock(mutex_);
  entries_.push_back({caption, text});
}

std::vector<RecordingWarningBoxes::Entry> RecordingWarningBoxes::Entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

void RecordingWarningBoxes::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

}  // namespace kelvara::app
