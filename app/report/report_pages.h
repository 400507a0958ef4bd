#pragma once

// What every page of the report has, whatever the design: the program's
// line and the page number at the foot, the sheet's name at the top, and
// the title block that opens the first page.

#include <QString>

#include "app/report/design_report.h"
#include "app/report/report_canvas.h"

namespace kelvara::app::report {

/// The program's name and version ("Kelvara 1.2.0").
QString ProgramLine();
/// The foot and head of page `page` of ReportPages(content).
void PageFrame(ReportCanvas& canvas, const ReportContent& content, int page);
/// The title, the program, the date, the sheet and its file; moves the
/// cursor below them.
void TitleBlock(ReportCanvas& canvas, const ReportContent& content);

}  // namespace kelvara::app::report
