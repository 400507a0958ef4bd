#pragma once

// The response chart: its look (logarithmic frequency axis with "1E+3"
// labels, dB axis set by the program, legend beside the plot) and the
// drawing of one curve from a sheet's design with the checks of the axis
// choices and of the part values.

#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "engine/design_types.h"
#include "response/response.h"
#include "response/section_sheet.h"
#include "values/section_record.h"
#include "values/warning_sink.h"

class QCustomPlot;
class QCPAxis;
class QCPGraph;

namespace kelvara::app {

/// A colour of the settings (red + 256 * green + 65536 * blue) and back.
QColor ColorOfSetting(std::int32_t value);
std::int32_t SettingOfColor(const QColor& color);

/// Tick label in the form "0E+0": mantissa without decimals, "E", signed
/// exponent ("1E+3", "1E-2", "5E+0").
QString ExponentLabel(double value);

/// The colour behind the curves and the legend: the button face of the
/// chart's parent.
QColor PlotFaceColor(const QCustomPlot& chart);

/// Gives the chart its axes, grid, legend and texts, the dB range 123..567
/// and the lime placeholder curve "Sheet1".
void SetUpResponseChart(QCustomPlot& chart);

/// A new empty curve on the chart, in the colour the chart gives new curves.
/// A light curve (CurveOutline) is drawn with a thin dark edge.
QCPGraph* AddCurve(QCustomPlot& chart);

/// The edge a curve of this colour is drawn with: a dark grey for the
/// light colours (yellow, white) that would be hard to see on the face
/// behind the curves; none for the others.
std::optional<QColor> CurveOutline(const QColor& color);

/// Sets the curve's pen colour (the legend shows it too).
void SetCurveColor(QCPGraph& curve, const QColor& color);

/// The frequency axis takes the range of the points drawn; the plot is
/// redrawn once.
void FinishChart(QCustomPlot& chart);

/// The axis choices of the "ｆ特" page. A list position of -1 means that
/// the box shows no item of its list.
struct AxisChoices {
  QString yMaxText;
  int yMaxPos = -1;
  QString yMinText;
  int yMinPos = -1;
  int xMaxPos = -1;
  int xMinPos = -1;
};

/// Frequency of the X max list position i (10^(11 - i) Hz) and of the X min
/// list position j (10^(10 - j) Hz).
double XMaxFrequency(int listPos);
double XMinFrequency(int listPos);

/// What the curve of a sheet built of sections is computed from: its
/// choices and the lines of its sections (gain, bandwidth, parts).
struct SectionCurveSource {
  response::SectionSheetChoices choices;
  values::SectionLines lines;
};

/// What a curve is computed from: a sheet's design request and the texts
/// and auto/fix choices of its parts; for a sheet of sections, those.
struct CurveSource {
  engine::DesignRequest request;
  engine::PartInputs parts;
  std::optional<SectionCurveSource> sections;
};

/// A design whose axis choices and part values passed the checks of
/// "ｆ特描画": what the chart, the exports and the report draw.
struct CheckedCurve {
  engine::DesignRequest request;
  engine::ComponentSet parts;
  /// A sheet of sections: its sections of the part values (request and
  /// parts are then not used).
  std::optional<response::SheetSections> sections;
  double fStartHz = 0;
  double fTopHz = 0;
  double yMinDb = 0;
  double yMaxDb = 0;
};
struct CurveChecks {
  std::optional<std::pair<double, double>> yRange;  // when the Y checks passed
  std::optional<CheckedCurve> curve;                // when every check passed
};

/// The checks of "ｆ特描画" in their order (Y max, Y min, Y range, X range,
/// then the part values as read and the fixed parts), each failure with its
/// own warning; nothing is drawn.
CurveChecks CheckCurve(values::WarningSink& sink, const AxisChoices& axes, const CurveSource& source);

/// CheckCurve, then the dB axis set to the Y range (also when a later check
/// failed) and, when everything passed, the swept gain appended to the curve
/// in the colour. A frequency without a finite gain leaves a gap. Returns
/// whether the curve was drawn.
bool PlotResponse(values::WarningSink& sink, QCPAxis& dbAxis, const AxisChoices& axes, const CurveSource& source,
                  QCPGraph& curve, const QColor& color);

/// The -3 dB frequency of a design whose values have passed PlotResponse.
double CutoffOf(values::WarningSink& sink, const CurveSource& source);
/// What the comparison panel shows of a design that passed PlotResponse:
/// its -3 dB frequency; a band-pass sheet's centre and bandwidth to three
/// digits ("10.0k/2.00k"), with both in full ("10.000k/2.000k") for the
/// box's tooltip.
struct ComparisonText {
  std::string text;
  std::string full;  // a band-pass reading's, else empty
};
ComparisonText ComparisonReading(values::WarningSink& sink, const CurveSource& source);

/// The kinds of file the chart can be saved as.
enum class ChartFileKind { kPng, kPdf };

/// Writes the chart as it is shown; false when the file cannot be written.
bool SaveChart(QCustomPlot& chart, const QString& path, ChartFileKind kind);

/// The choices the chart's pop-up menu asks the user for; tests replace them.
struct ChartChoosers {
  /// A colour from the colour dialog, nothing when cancelled.
  std::function<std::optional<QColor>()> chooseColor;
  /// A file to save the chart in, empty when cancelled.
  std::function<QString(ChartFileKind)> chooseFile;
};

}  // namespace kelvara::app
