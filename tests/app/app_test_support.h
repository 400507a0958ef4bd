#pragma once

// A main window built for a test: settings in memory, warnings and errors
// recorded, pictures read from a chosen folder.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "app/common/application.h"
#include "app/common/warning_boxes.h"
#include "app/main_window/form_main.h"
#include "engine/design_types.h"
#include "storage/app_settings.h"

namespace kelvara::app::testing {

/// The folder of the shipped pictures and manual (with a trailing '/').
QString AssetsDir();

class MemorySettingsStore final : public storage::SettingsStore {
 public:
  storage::AppSettings Load() override {
    ++loads;
    if (failLoad) throw std::runtime_error("settings unreadable");
    return stored;
  }
  void Save(const storage::AppSettings& settings) override {
    ++saves;
    stored = settings;
  }
  QString LastProblem() const override { return problem; }
  std::optional<int> ReadInt(const QString& name) override {
    const auto it = ints.find(name);
    return it == ints.end() ? std::nullopt : std::optional<int>(it->second);
  }
  void WriteInt(const QString& name, int value) override { ints[name] = value; }
  std::optional<QString> ReadText(const QString& name) override {
    const auto it = texts.find(name);
    return it == texts.end() ? std::nullopt : std::optional<QString>(it->second);
  }
  void WriteText(const QString& name, const QString& value) override { texts[name] = value; }
  storage::AppSettings stored;
  std::map<QString, int> ints;  // the values of the later windows
  std::map<QString, QString> texts;
  int loads = 0;
  int saves = 0;
  bool failLoad = false;
  QString problem;
};

/// The error display for the life of a test.
class ErrorRecorder {
 public:
  ErrorRecorder();
  ~ErrorRecorder();
  const std::vector<QString>& Errors() const { return display_.errors; }
  void Clear() { display_.errors.clear(); }

 private:
  RecordingErrorDisplay display_;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { Build(AssetsDir()); }
  void TearDown() override { window.reset(); }

  void Build(const QString& programDir) {
    window.reset();
    window = std::make_unique<TFormMain>(store, warnings, programDir);
  }

  TFormMain& W() { return *window; }

  /// The user picks item index in box (a change from code would not run
  /// the box's rule).
  static void Choose(QComboBox* box, int index);
  /// A filter designed with any values, put into the shown sheet's choices
  /// and part edits as a run leaves them; its request and parts.
  struct ShownDesign {
    engine::DesignRequest request;
    engine::ComponentSet parts;
  };
  ShownDesign ShowDesign(int kind, int order, int response, const char* cutoff);
  /// The user selects a tab.
  void SelectTab(int index);
  /// R1..R8 then C1..C8: whether each group is shown.
  std::vector<bool> ShownGroups() const;
  /// The groups of an order: R1..Rn and C1..Cn shown.
  static std::vector<bool> GroupsOfOrder(int order);
  /// Whether Image1 shows the shipped picture of kind and order.
  bool ShowsPicture(const char* name) const;

  ErrorRecorder errors;
  MemorySettingsStore store;
  RecordingWarningBoxes warnings;
  std::unique_ptr<TFormMain> window;
};

/// The decoded picture file (null image when unreadable).
QImage LoadPicture(const QString& path);

}  // namespace kelvara::app::testing
