#pragma once

// The report of a sheet built of sections (multiple feedback, Sallen-Key
// with gain, band-pass): pages of the unity-gain report's form, of the
// sheet's sections. The parameters with the circuit and the signed gain;
// the circuit of the sections with every value beside its part; the parts
// with their stage and role; each stage's targets beside what its parts
// realise and the GBW it asks of its op-amp; the -3 dB frequency (the band
// edges, centre and bandwidth of a band-pass sheet); and the gain and phase
// curves of its circuit, with a real op-amp over the ideal one.
//
// The figures are the library's: the plan of the sheet gives the targets,
// the sections' closed forms what the parts realise, and the circuit of the
// sections (response/circuit.h) the curves, the -3 dB frequency and the
// band (response/bandpass.h).

#include <QStringList>
#include <vector>

#include "app/report/design_report.h"
#include "app/report/report_canvas.h"
#include "schematic/schematic.h"

namespace kelvara::app::report {

/// (name, value) pairs of the parameters: kind (BPF with its centre and
/// bandwidth, else the cut-off), circuit, order, response, the signed gain
/// and whether it inverts, the stage gains and order, the part values, the
/// op-amp and (LPF, HPF) the -3 dB frequency with the ideal op-amp and,
/// with a real one, with that.
std::vector<QStringList> SectionsParameterRows(const ReportContent& content);

/// One row per part, resistors first by number (exports::PartsOfSections):
/// part, value as the part table shows it, value in ohms or farads
/// (SiNumber), stage, role.
std::vector<QStringList> SectionsPartRows(const ReportContent& content);

/// The columns of the parts tables (two side by side, at 7.8 points) and
/// of the stage table (at 6.8 points).
std::vector<Column> SectionsPartColumns();
inline constexpr double kSectionsPartPoints = 7.8;
std::vector<Column> SectionsStageColumns();
inline constexpr double kSectionsStagePoints = 6.8;

/// One row per stage: stage, order, target and realised f0, target and
/// realised Q ("—" for a first-order stage), target and realised signed
/// gain, the f0 and Q errors in per cent, and the GBW the stage asks for
/// (response::SectionOpAmpNeeds: by its noise gain).
inline constexpr int kSectionsStageColumns = 11;
std::vector<QStringList> SectionsStageRows(const ReportContent& content);

/// Below the stage table: LPF and HPF the -3 dB frequency, the response's
/// cut-off, the pass-band gain, ripple edge and ripple (Chebyshev) and the
/// attenuation; BPF the centre and its gain, the band edges and the
/// bandwidth between them, the ripple and the attenuation an octave off the
/// centre; then how the GBW a stage needs is reckoned.
QStringList SectionsSummaryLines(const ReportContent& content);

/// The values printed beside the parts of the circuit ("R3" -> "4.70k").
schematic::PartValues SectionsCircuitValues(const ReportContent& content);

/// The circuit of the sections at the cursor across the content width with
/// each part's value beside its label (as PaintSectionsSchematic places
/// them); moves the cursor below it. boxes receives where everything was
/// drawn.
void PaintSectionsCircuit(ReportCanvas& canvas, const ReportContent& content,
                          schematic::SchematicBoxes* boxes = nullptr);

/// With a real op-amp, one row per stage: stage, the GBW it needs and
/// whether the op-amp has it; the op-amp and the -3 dB frequency (the band)
/// with it as lines below. Empty for the ideal op-amp.
std::vector<QStringList> SectionsOpAmpRows(const ReportContent& content);
QStringList SectionsOpAmpLines(const ReportContent& content);

/// The two pages (PaintReport frames them).
void SectionsFirstPage(ReportCanvas& canvas, const ReportContent& content);
void SectionsSecondPage(ReportCanvas& canvas, const ReportContent& content);

}  // namespace kelvara::app::report
