#include "app/common/file_dialog_popups.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QEvent>
#include <QFileDialog>
#include <QPointer>

namespace kelvara::app {

namespace {

/// Watches one completer's pop-up list.
class PopupKeeper final : public QObject {
 public:
  PopupKeeper(QFileDialog& dialog, QAbstractItemView& popup) : QObject(&dialog), dialog_(&dialog), popup_(&popup) {
    popup.installEventFilter(this);
    connect(&dialog, &QDialog::finished, this, [this] { Hide(); });
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == popup_ && event->type() == QEvent::Show && dialog_ && !dialog_->isVisible()) {
      // A listing that arrives after the dialog has closed.
      QMetaObject::invokeMethod(
          this, [this] { Hide(); }, Qt::QueuedConnection);
    }
    return false;
  }

 private:
  void Hide() {
    if (popup_ && popup_->isVisible()) popup_->hide();
  }

  QPointer<QFileDialog> dialog_;
  QPointer<QAbstractItemView> popup_;
};

}  // namespace

void KeepCompleterWithDialog(QFileDialog& dialog) {
  for (QCompleter* completer : dialog.findChildren<QCompleter*>()) {
    if (QAbstractItemView* popup = completer->popup()) new PopupKeeper(dialog, *popup);
  }
}

}  // namespace kelvara::app
