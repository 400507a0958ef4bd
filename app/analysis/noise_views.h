#pragma once

// The "ノイズ" and "信号レベル" views of the analysis window. The noise view
// draws the output noise density of the total and of every source (R3,
// U2 en, ...) against frequency and lists the integral over the noise band
// with the biggest contributors (the band shaded between two marked
// edges); the level view draws the gain from the
// input to every op-amp output with, on the right-hand axis, the input the
// output swing and the slew rate allow. Both show what
// response::ComputeNoiseViews computed; nothing is computed here.

#include <QLabel>
#include <QString>
#include <QTableWidget>
#include <QWidget>
#include <optional>

#include "response/noise_views.h"

class QCustomPlot;

namespace kelvara::app {

class NoisePage : public QWidget {
  Q_OBJECT

 public:
  /// At most this many sources in the table, the biggest first.
  static constexpr int kTableRows = 6;
  /// The legend names the total, this many of the biggest sources and
  /// "その他" for the rest (all are drawn), so that it stays small.
  static constexpr int kLegendSources = 5;

  explicit NoisePage(QWidget* parent = nullptr);
  /// Draws the views, or clears them with the message.
  void Show(const response::NoiseViews* views, const QColor& color, double fStart, double fTop,
            const QString& message = {});

  QCustomPlot* Plot() const { return plot_; }
  QTableWidget* Table() const { return table_; }
  QLabel* Summary() const { return summary_; }

 private:
  QCustomPlot* plot_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* summary_ = nullptr;
};

class LevelsPage : public QWidget {
  Q_OBJECT

 public:
  explicit LevelsPage(QWidget* parent = nullptr);
  void Show(const response::NoiseViews* views, const QColor& color, double fStart, double fTop,
            const QString& message = {});

  QCustomPlot* Plot() const { return plot_; }
  QLabel* Summary() const { return summary_; }

 private:
  QCustomPlot* plot_ = nullptr;
  QLabel* summary_ = nullptr;
};

}  // namespace kelvara::app
