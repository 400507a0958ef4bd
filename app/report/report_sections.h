#pragma once

// The parts of the report page built from a design: table rows, the
// circuit picture with its values, and the two response plots.

#include <qcustomplot.h>
#include <QImage>
#include <QStringList>
#include <optional>
#include <vector>

#include "app/report/design_report.h"
#include "app/report/report_canvas.h"
#include "response/opamp_views.h"
#include "response/views.h"
#include "schematic/schematic.h"
#include "tolerance/monte_carlo.h"

namespace kelvara::app::report {

/// A -3 dB frequency as the report prints it (FrequencyText), with the
/// comparison panel's texts where the search found none in its range.
QString Minus3DbText(double hz);
/// The response as the design parameters name it ("チェビシェフ 0.25dB").
QString ResponseText(const engine::DesignRequest& request);
/// A part's value as the part edits show it ("4.70k", "2.2n").
QString PartValueText(bool capacitor, double value);

/// The series of the parts as the design parameters name them:
/// "ＣはE12系列、ＲはE24系列" for the program's own, the chosen ones
/// otherwise ("ＣはE6系列、ＲはE96系列"; "Ｃは任意" for a kind not drawn
/// from a series), "問わない（任意の値）" for any values.
QString SeriesText(const ReportContent& content);
/// The op-amp as the design parameters name it: "理想" or its GBW, A0, Rout.
QString OpAmpText(const response::OpAmpModel& opamp);
/// The design parameters' table: two pairs of a name and a value column
/// (mm) side by side, at this size (points).
inline constexpr double kParameterNameMm = 25;
inline constexpr double kParameterValueMm = 62;
inline constexpr double kParameterPoints = 8.5;

/// The op-amp as a line of its own: which one (OpAmpLabel), its GBW, A0
/// and Rout, and its noise and limits when it has any or the report
/// shows its noise or levels.
QString OpAmpLine(const ReportContent& content);
/// The -3 dB frequency with the real op-amp; none for the ideal one.
std::optional<double> RealMinus3Db(const ReportContent& content);
/// (name, value) pairs of the design parameters: the op-amp by its label
/// (the whole of it is OpAmpLine), the -3 dB frequency with the ideal
/// op-amp and, with a real one, with that.
std::vector<QStringList> ParameterRows(const ReportContent& content);
/// One row per resistor (capacitor false) or capacitor: part, display
/// value, value in ohms or farads (SiNumber), series, stage.
std::vector<QStringList> PartRows(const ReportContent& content, bool capacitor);
/// One row per stage, as the analysis evaluates it: stage, order, parts,
/// target f0 and Q, realised f0 and Q, their errors in per cent, the
/// stage's peak gain and the capacitor (LPF) or resistor (HPF) ratio.
std::vector<QStringList> StageRows(const ReportContent& content);
/// The summary below the table: -3 dB frequency, ripple edge and ripple
/// (Chebyshev), attenuation, and the parts outside practical ranges.
QStringList SummaryLines(const ReportContent& content);

/// The tolerance section of a Monte Carlo result: trials and seed, the
/// spread of the -3 dB frequency, the gain band at the band frequency
/// nearest the cut-off and, with a mask, the yield with its 95 % interval.
/// opampLabel names the op-amp of the nominal -3 dB frequency.
QStringList ToleranceLines(const tolerance::MonteCarloResult& result, double cutoffHz, const QString& opampLabel = {});

/// The values printed beside the parts of the circuit ("R3" -> "4.70k"),
/// as the part edits show them.
schematic::PartValues CircuitValues(const ReportContent& content);

/// The circuit picture of the kind and order at the cursor, across the
/// content width, with each part's value printed beside its label (placed
/// by the schematic's own collision rules); moves the cursor below it.
/// boxes, when given, receives where everything was drawn.
void PaintCircuit(ReportCanvas& canvas, const ReportContent& content, schematic::SchematicBoxes* boxes = nullptr);

/// The curves the report draws, from response/'s views on the chart's
/// sweep: the ideal gain (dB) and unwrapped phase (degrees) and, with a real
/// op-amp, the real ones with what each stage asks of the op-amp and the
/// low-pass stop-band floor.
struct ReportCurves {
  response::Curve gain;
  response::Curve phase;
  std::optional<response::Curve> realGain;
  std::optional<response::Curve> realPhase;
  std::vector<response::OpAmpStageReport> stages;  // real op-amp only
  std::optional<response::StopbandFloor> floor;
};
ReportCurves CurvesOf(const ReportContent& content);

/// The gain curve as the "ｆ特" page draws it and the unwrapped phase, as
/// images of widthPx x heightPx; with a real op-amp the real curve over the
/// ideal one (dashed), the phase axis reaching as far as the real phase.
QImage GainPlot(const ReportContent& content, const ReportCurves& curves, int widthPx, int heightPx);
QImage PhasePlot(const ReportContent& content, const ReportCurves& curves, int widthPx, int heightPx);
/// The design's parameters (name, value rows) as two pairs of columns side
/// by side, the first half of the rows on the left; the cursor below them.
void ParameterTables(ReportCanvas& canvas, const std::vector<QStringList>& rows);

/// The second page's plots and op-amp stages, either report's: the gain and
/// phase plots, sized to leave room below them for the op-amp's table (its
/// rows under the stage column and the first opAmpColumns of
/// analysis_text::kOpAmpColumns) and its lines, then that table and those
/// lines (none without lines).
void PlotsAndOpAmpStages(ReportCanvas& canvas, const ReportContent& content, const ReportCurves& curves,
                         const std::vector<QStringList>& opAmpRows, const QStringList& opAmpLines, int opAmpColumns);
/// The phase plot's axis range.
QCPRange PhaseRange(const ReportContent& content, const ReportCurves& curves);

/// With a real op-amp, the op-amp columns of the evaluation table, one row
/// per stage: stage, the GBW it needs, whether the op-amp has it, the gain
/// error at f0, the real peak and its shift; the op-amp and (LPF) its
/// stop-band floor as lines below. Empty for the ideal op-amp.
std::vector<QStringList> OpAmpRows(const ReportCurves& curves);
QStringList OpAmpLines(const ReportContent& content, const ReportCurves& curves);
/// "−3dB 周波数（実オペアンプ OP27）: 10.297kHz" below them; empty for the
/// ideal op-amp.
QString RealMinus3DbLine(const ReportContent& content);

}  // namespace kelvara::app::report
