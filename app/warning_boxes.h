#pragma once

// Warning message boxes: a warning icon, one OK button, a caption that says
// what is wrong and a text that says what to do. Validations raise them
// through this interface so tests can record them instead of showing them.

#include <QString>
#include <mutex>
#include <string>
#include <vector>

#include "values/warning_sink.h"

namespace kelvara::app {

class WarningBoxes {
 public:
  virtual ~WarningBoxes() = default;
  /// Returns once the user has closed the box. May be called from a worker
  /// thread; the box is then shown on the user-interface thread while the
  /// worker waits.
  virtual void Warning(const QString& caption, const QString& text) = 0;
};

/// Modal message boxes without an owner window.
class QtWarningBoxes final : public WarningBoxes {
 public:
  void Warning(const QString& caption, const QString& text) override;
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
  std::vector<Entry> Entries() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
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
