#include "app/common/warning_boxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <utility>

namespace kelvara::app {

namespace {

// Besides the caption the title bar holds the window's icon and its
// buttons; window managers draw captions in a bold face, often larger than
// the program's own.
constexpr int kTitleBarExtras = 160;
constexpr double kTitleFontScale = 1.25;

void ShowWarningBox(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
  WidenForCaption(box);
  box.exec();
}

}  // namespace

int CaptionWidth(const QString& caption) {
  QFont font = QApplication::font();
  font.setBold(true);
  return static_cast<int>(QFontMetrics(font).horizontalAdvance(caption) * kTitleFontScale) + kTitleBarExtras;
}

void WidenForCaption(QMessageBox& box) {
  // A message box is as wide as its text needs; the caption says what is
  // wrong, so the box never gets narrower than the caption needs either.
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  grid->addItem(new QSpacerItem(CaptionWidth(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                grid->rowCount(), 0, 1, grid->columnCount());
}

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
  WidenForCaption(*box);
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
  {
    std::lock_guard lock(mutex_);
    entries_.push_back({caption, text});
  }
  if (onWarning) onWarning({caption, text});
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
