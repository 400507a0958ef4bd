#pragma once

// The design report: one A4 document of two pages that says what was
// designed and how it behaves — the design parameters, the circuit with
// every part's value, the parts table, the evaluation of each stage, and
// the gain and phase curves. The same pages go to a PDF file and to a
// printer. A sheet built of sections (MFB, Sallen-Key with gain, band-pass)
// has pages of the same form, of its sections (sections_report.h).

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "engine/design_types.h"
#include "engine/part_series.h"
#include "response/opamp_model.h"
#include "response/section_sheet.h"

class QPagedPaintDevice;

namespace kelvara::app::report {

struct ReportContent {
  engine::DesignRequest request;
  engine::ComponentSet parts;  // values that passed the checks of "ｆ特描画"
  QString sheetName;           // the tab's name, "Sheet1"
  QString fileName;            // the design file the sheet came from, or empty
  QDateTime created;
  double fStartHz = 1e3;  // the "ｆ特" page's X range
  double fTopHz = 1e6;
  double yMinDb = -80;  // and its Y range
  double yMaxDb = 10;
  /// The charts frame the design (fc/100 … 100·fc, the gain range its curve
  /// spans there) unless the analysis window's frequency views are set to
  /// the ｆ特 page's range; then they take the page's X and Y ranges.
  bool chartPageRange = false;
  QColor curveColor = Qt::blue;
  QString curveName;
  /// The series the preferred values came from (the program's own unless set).
  engine::SeriesChoice series;
  /// The op-amp the netlist and the report name (ideal unless set), with
  /// its noise and limits.
  response::OpAmpModel opamp;
  /// The 品種 of the analysis window's op-amp panel ("OP27"), empty when
  /// its figures were typed by hand.
  QString opampName;
  /// The tolerance section, when a tolerance analysis of this design has
  /// run in the analysis window: its conditions (StudyConditionLines), its
  /// figures (ToleranceLines) and, when it ran, the worst case
  /// (WorstCaseLines); none otherwise.
  QStringList toleranceLines;
  QStringList worstCaseLines;
  /// The noise and signal-level sections (NoiseLines, LevelLines), when the
  /// analysis window shows them for this design; none otherwise.
  QStringList noiseLines;
  QStringList levelLines;
  /// The parts list's 許容差 texts from the tolerance page ("1%"), empty
  /// when not set.
  std::string resistorTolerance;
  std::string capacitorTolerance;
  /// A sheet built of sections: its inputs, its stages and the sections of
  /// the part values shown (what the checks of "ｆ特描画" read); request is
  /// then its sheet's request and parts are not used.
  std::optional<response::SheetSections> sections;
};

/// Two pages, a third for the analyses when there are any.
int ReportPages(const ReportContent& content);

/// Paints the pages on a printer or PDF writer (A4 portrait is set on it).
void PaintReport(QPagedPaintDevice& device, const ReportContent& content);

/// The report as the bytes of a PDF file (A4, fonts embedded).
QByteArray ReportPdf(const ReportContent& content);

}  // namespace kelvara::app::report
