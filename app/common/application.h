#pragma once

// The application object and its error display. An error that escapes an
// event handler is shown in a message box with its text and the program
// goes on; handlers are connected through ConnectHandler (or run through
// RunGuarded) so every failure reaches ReportError, and notify() catches
// whatever escapes elsewhere in the event loop.

#include <QApplication>
#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kelvara::app {

/// An error of the program, with a text for the user (UTF-8).
class KelvaraError : public std::runtime_error {
 public:
  explicit KelvaraError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

/// Where escaped errors are shown.
class ErrorDisplay {
 public:
  virtual ~ErrorDisplay() = default;
  virtual void ShowError(const QString& text) = 0;
};

/// Shows an error in a message box with the application's title as caption.
class MessageBoxErrorDisplay final : public ErrorDisplay {
 public:
  void ShowError(const QString& text) override;
};

/// Keeps the error texts instead of showing them (tests).
class RecordingErrorDisplay final : public ErrorDisplay {
 public:
  void ShowError(const QString& text) override { errors.push_back(text); }
  std::vector<QString> errors;
};

class KelvaraApplication : public QApplication {
 public:
  KelvaraApplication(int& argc, char** argv);
  ~KelvaraApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  /// Replaces the error display; nullptr restores the message box.
  void SetErrorDisplay(ErrorDisplay* display);
  ErrorDisplay& CurrentErrorDisplay();

 private:
  MessageBoxErrorDisplay messageBox_;
  ErrorDisplay* display_ = &messageBox_;
};

/// Makes Qt's own dialogs (file, colour, message boxes) speak Japanese with
/// the translations installed beside Qt; false when they are missing.
bool InstallQtJapanese();

/// Shows an error the way an escaped one is shown.
void ReportError(const QString& text);

/// Runs fn; an exception it throws is reported (an object that is not a
/// standard exception with an empty text) and not passed on.
template <typename Fn>
void RunGuarded(Fn&& fn) {
  try {
    std::forward<Fn>(fn)();
  } catch (const std::exception& e) {
    ReportError(QString::fromUtf8(e.what()));
  } catch (...) {
    ReportError(QString());
  }
}

/// Connects signal to a handler without arguments whose errors are reported.
template <typename Sender, typename Signal, typename Receiver>
QMetaObject::Connection ConnectHandler(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*handler)()) {
  return QObject::connect(sender, signal, receiver,
                          [receiver, handler] { RunGuarded([&] { (receiver->*handler)(); }); });
}

}  // namespace kelvara::app
