#pragma once

// The data of the analysis views and the evaluation table as CSV: numbers
// in their shortest exact form, written as UTF-8 with a byte-order mark so
// that spreadsheet programs open the Japanese texts, and written atomically.

#include <QString>
#include <string>
#include <vector>

#include "response/views.h"

namespace kelvara::app {

/// Header line and one line "x,y" per point.
std::string CurveCsv(const char* header, const response::Curve& curve);
/// "stage,real_rad_s,imag_rad_s", one line per pole.
std::string PolesCsv(const std::vector<response::StagePoles>& poles);
/// The evaluation table, then the summary as item/value lines.
std::string TableCsv(const response::AnalysisViews& views, double cutoffHz, bool hpf);

/// The shortest text that reads back to the same double.
std::string ExactNumber(double value);

/// Writes the byte-order mark and the text; the file is replaced only
/// when everything was written. False when it could not be.
bool WriteCsvFile(const QString& path, const std::string& csv);

}  // namespace kelvara::app
