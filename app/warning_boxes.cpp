#include "app/warning_boxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <utility>

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

void QtWarningBoxes::ShowNonModal(const QString& caption, const QString& text, std::function<void()> closed) {
  // No owner window, not modal: the main window and other runs go on.
  auto* box = new QMessageBox(QMessageBox::Warning, caption, text, QMessageBox::Ok);
  box->setObjectName(QStringLiteral("RunWarningBox"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  QObject::connect(box, &QMessageBox::finished, box, [closed = std::move(closed)] { closed(); });
  box->show();
}

void QtWarningBoxes::CloseNonModal() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->objectName() == QLatin1String("RunWarningBox")) {
      box->done(QMessageBox::Ok);
    }
  }
}

void RecordingWarningBoxes::Warning(const QString& caption, const QString& text) {
  std::lock_guard lock(mutex_);
  entries_.push_back({caption, text});
}

void RecordingWarningBoxes::ShowNonModal(const QString& caption, const QString& text, std::function<void()> closed) {
  {
    std::lock_guard lock(mutex_);
    entries_.push_back({caption, text});
    if (holdNonModal) {
      open_.push_back(std::move(closed));
      return;
    }
  }
  closed();
}

void RecordingWarningBoxes::CloseNonModal() {
  while (CloseOldestNonModal()) {
  }
}

bool RecordingWarningBoxes::CloseOldestNonModal() {
  std::function<void()> closed;
  {
    std::lock_guard lock(mutex_);
    if (open_.empty()) return false;
    closed = std::move(open_.front());
    open_.erase(open_.begin());
  }
  closed();
  return true;
}

std::size_t RecordingWarningBoxes::OpenNonModal() const {
  std::lock_guard lock(mutex_);
  return open_.size();
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
