#pragma once

// What the program remembers between runs: the curve colours, the window
// position and the axis choices of the response chart.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "storage/series_settings.h"

namespace kelvara::storage {

/// A colour as red + 256 * green + 65536 * blue.
constexpr std::int32_t Rgb(int red, int green, int blue) { return red + 256 * green + 65536 * blue; }

/// The settings in storage order, with their defaults.
struct AppSettings {
  /// Curve colour of sheet 0..7 in a comparison, and the text colour of its
  /// check box: black, red, yellow, green, blue, purple, olive, white.
  std::array<std::int32_t, 8> sheetColor = {Rgb(0, 0, 0),   Rgb(255, 0, 0),   Rgb(255, 255, 0), Rgb(0, 128, 0),
                                            Rgb(0, 0, 255), Rgb(128, 0, 128), Rgb(128, 128, 0), Rgb(255, 255, 255)};
  std::int32_t formLeft = 185;
  std::int32_t formTop = 50;
  /// Colour of the curve drawn by the response button.
  std::int32_t chartColor = Rgb(255, 0, 0);
  /// Index 2: list position of the X-axis maximum, 3: of the X-axis minimum.
  /// Indices 0 and 1 are kept as stored.
  std::array<std::int32_t, 4> chartIndex = {2, 3, 5, 7};
  /// Text 0: the Y-axis maximum, 1: the Y-axis minimum, as typed. Texts 2
  /// and 3 are kept as stored.
  std::array<QString, 4> chartText = {QStringLiteral("0"), QStringLiteral("-10"), QStringLiteral("5"),
                                      QStringLiteral("7")};

  bool operator==(const AppSettings&) const = default;
};

/// Where the settings are kept. The window loads them when it is first shown
/// and saves them when it closes. Neither call throws or waits on the user;
/// a store that cannot be read or written still gives usable settings.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual AppSettings Load() = 0;
  virtual void Save(const AppSettings& settings) = 0;
  /// Empty when the last Load or Save went well; otherwise a message for the
  /// user, e.g. that the settings could not be written.
  virtual QString LastProblem() const { return {}; }

  /// Integers of the later windows, kept under names of their own beside
  /// the nineteen values (for example "analysis/width"). Nothing when the
  /// value is missing or no integer; writing never throws.
  virtual std::optional<int> ReadInt(const QString& name) {
    (void)name;
    return std::nullopt;
  }
  virtual void WriteInt(const QString& name, int value) {
    (void)name;
    (void)value;
  }
  /// Short texts of the later windows under names of their own (for
  /// example "analysis/opAmpGbw"). Nothing when the value is missing, no
  /// text or longer than kMaxLaterText characters; writing never throws.
  static constexpr int kMaxLaterText = 64;
  virtual std::optional<QString> ReadText(const QString& name) {
    (void)name;
    return std::nullopt;
  }
  virtual void WriteText(const QString& name, const QString& value) {
    (void)name;
    (void)value;
  }
  /// The preferred-value series chosen (series_settings.h); a store that
  /// keeps none gives the defaults. SaveSeries is false when it could not
  /// write them.
  virtual SeriesSettings LoadSeries() { return {}; }
  virtual bool SaveSeries(const SeriesSettings&) { return true; }
};

/// A store that remembers nothing: every load gives the defaults.
class DefaultSettingsStore final : public SettingsStore {
 public:
  AppSettings Load() override { return {}; }
  void Save(const AppSettings&) override {}
};

}  // namespace kelvara::storage
