#pragma once

// Warning message boxes: a warning icon, one OK button, a caption that says
// what is wrong and a text that says what to do. Validations raise them
// through this interface so tests can record them instead of showing them.

#include <QString>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "values/warning_sink.h"

class QMessageBox;

namespace kelvara::app {

/// The width a box needs for its whole caption in the title bar.
int CaptionWidth(const QString& caption);
/// Keeps the box at least as wide as CaptionWidth of its window title.
void WidenForCaption(QMessageBox& box);

class WarningBoxes {
 public:
  virtual ~WarningBoxes() = default;
  /// Returns once the user has closed the box. May be called from a worker
  /// thread; the box is then shown on the user-interface thread while the
  /// worker waits.
  virtual void Warning(const QString& caption, const QString& text) = 0;

  /// A box that blocks only whoever waits for `closed` (a calculation run):
  /// the window stays usable while it is open, and several may be open at
  /// once. Called on the user-interface thread; `closed` runs there once.
  virtual void ShowNonModal(const QString& caption, const QString& text, std::function<void()> closed) = 0;

  /// Closes every non-modal box still open (their `closed` runs); used when
  /// the window closes while runs wait for their boxes.
  virtual void CloseNonModal() = 0;
};

/// Modal message boxes without an owner window.
class QtWarningBoxes final : public WarningBoxes {
 public:
  void Warning(const QString& caption, const QString& text) override;
  void ShowNonModal(const QString& caption, const QString& text, std::function<void()> closed) override;
  void CloseNonModal() override;
};

/// Keeps every warning in order (thread-safe).
class RecordingWarningBoxes final : public WarningBoxes {
 public:
  struct Entry {
    QString caption;
    QString text;
    bool operator==(const Entry&) const = default;
  };
  void Warning(const QString& caption, const QString& text) override;
  /// Recorded like Warning; the box counts as closed at once unless
  /// holdNonModal is set, when it stays open until CloseNonModal or
  /// CloseOldestNonModal.
  void ShowNonModal(const QString& caption, const QString& text, std::function<void()> closed) override;
  void CloseNonModal() override;
  std::vector<Entry> Entries() const;
  void Clear();

  /// Closes the longest-open held box; false when none is open.
  bool CloseOldestNonModal();
  std::size_t OpenNonModal() const;
  bool holdNonModal = false;
  /// Called with each modal warning as it arrives, before Warning returns
  /// (on the thread that warns).
  std::function<void(const Entry&)> onWarning;

 private:
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  std::vector<std::function<void()>> open_;
};

/// Lets the engine's validations (UTF-8 texts) warn through the boxes.
class WarningSinkAdapter final : public values::WarningSink {
 public:
  explicit WarningSinkAdapter(WarningBoxes& boxes) : boxes_(boxes) {}
  void Warn(const std::string& caption, const std::string& text) override {
    boxes_.Warning(QString::fromStdString(caption), QString::fromStdString(text));
  }

 private:
  WarningBoxes& boxes_;
};

}  // namespace kelvara::app
