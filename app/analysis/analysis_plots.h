#pragma once

// The plots of the analysis window: their axes (a logarithmic frequency
// axis labelled 100, 1k, 10k, ... with SI prefixes, as are the time and
// delay axes), curves, the marks of the step response, the poles and a
// tracer that reads the curve under the mouse.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

#include "response/analysis.h"
#include "response/time_response.h"

class QCustomPlot;
class QCPGraph;
class QCPItemTracer;
class QCPItemText;

namespace kelvara::app {

/// up to `digits` significant digits and an SI prefix letter ("1.5k",
/// "470µ", "-2.2m"); 0 as "0".
QString SiText(double value, int digits = 4);

/// A tick label of the frequency axes: "1", "10", "100", "1k", "10k",
/// "1M"; "0.1" below 1 Hz.
QString FrequencyTickLabel(double hz);

enum class PlotKind { kGain, kPhase, kDelay, kStep, kImpulse, kPoles };

/// Axes, grid, legend and texts of one view.
void SetUpAnalysisPlot(QCustomPlot& plot, PlotKind kind);

/// Puts a gain plot's legend over the stop band, where the curves are low:
/// top right for a low-pass, top left for a high-pass filter (top right it
/// would cover a high-pass filter's pass band).
void PlaceLegendOverStopBand(QCustomPlot& plot, bool hpf);

/// A line curve of (x, y) in the colour; points without a finite value
/// leave gaps.
QCPGraph* AddAnalysisCurve(QCustomPlot& plot, const QString& name, const QColor& color, const std::vector<double>& x,
                           const std::vector<double>& y);

/// What the step view marks.
struct StepMarks {
  double overshootPercent = 0.0;
  double overshootTimeS = 0.0;
  double peakValue = 0.0;
  double settlingTimeS = 0.0;  // 1 %
  double finalValue = 1.0;
};

/// The overshoot of a step response at its peak and the 1 % settling time
/// as a vertical line, both with their values.
void MarkStep(QCustomPlot& plot, const StepMarks& marks, const QColor& color);

/// Each stage's poles as its own marker (legend "段 k"), or all poles of a
/// compared sheet in its colour when `name` is given.
void AddPoles(QCustomPlot& plot, const std::vector<response::StagePoles>& poles, const QColor& color,
              const QString& sheetName = {});

/// Gives the frequency axis its range, scales the value axis (and the time
/// axis) to the curves and redraws. The ranges it sets are the view's frame:
/// the mouse wheel zooms about the pointer (with Ctrl the value axis only,
/// with Shift the horizontal axis only), a drag moves the view, a double
/// click (or ResetAnalysisView) brings the frame back.
void FinishAnalysisPlot(QCustomPlot& plot, PlotKind kind, double fStart, double fTop);

/// Back to the ranges the last FinishAnalysisPlot (or KeepAnalysisFrame)
/// framed; false when the plot was never framed.
bool ResetAnalysisView(QCustomPlot& plot);

/// Takes the plot's present ranges as its frame (views that set their
/// ranges themselves).
void KeepAnalysisFrame(QCustomPlot& plot);

/// Follows the mouse along the plot's first curve and shows where it is.
class PlotTracer : public QObject {
  Q_OBJECT
 public:
  PlotTracer(QCustomPlot& plot, PlotKind kind);
  /// The reading for a point, as the tracer shows it.
  static QString Reading(PlotKind kind, double x, double y);
  /// Puts the tracer on the curve at x (the mouse does it through events).
  void MoveTo(double x);
  QString Text() const;

 private:
  QCustomPlot& plot_;
  PlotKind kind_;
  // Made again after the plot has cleared its items.
  QPointer<QCPItemTracer> tracer_;
  QPointer<QCPItemText> label_;
};

}  // namespace kelvara::app
