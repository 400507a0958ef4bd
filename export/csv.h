#pragma once

// Comma-separated text as spreadsheet programs read it: fields quoted when
// they hold a comma, a quote or a line break (quotes doubled), lines ended
// by CR LF, and a UTF-8 byte-order mark so that they take it as UTF-8.

#include <string>
#include <string_view>
#include <vector>

namespace kelvara::exports {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

/// One field, quoted where needed.
std::string CsvField(std::string_view text);

/// One line of fields with its CR LF.
std::string CsvLine(const std::vector<std::string>& fields);

/// The rows of a CSV text (a leading byte-order mark skipped, CR LF or LF
/// line ends, quoted fields with doubled quotes). An empty line is a row
/// with one empty field.
std::vector<std::vector<std::string>> ReadCsv(std::string_view text);

}  // namespace kelvara::exports
