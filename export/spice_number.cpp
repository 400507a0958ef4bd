#include "export/spice_number.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

namespace kelvara::exports {

std::string SpiceNumber(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return lower;
}

/// Scale of the letters after a number; 1 for none or unknown letters.
double ScaleOf(std::string_view suffix) {
  const std::string s = Lower(suffix);
  if (s.rfind("meg", 0) == 0) return 1e6;
  if (s.rfind("mil", 0) == 0) return 25.4e-6;
  if (s.empty()) return 1;
  switch (s[0]) {
    case 't':
      return 1e12;
    case 'g':
      return 1e9;
    case 'k':
      return 1e3;
    case 'm':
      return 1e-3;
    case 'u':
      return 1e-6;
    case 'n':
      return 1e-9;
    case 'p':
      return 1e-12;
    case 'f':
      return 1e-15;
    default:
      return 1;
  }
}

}  // namespace

std::optional<double> ParseSpiceNumber(std::string_view text) {
  double value = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  if (begin != end && *begin == '+') ++begin;
  const auto result = std::from_chars(begin, end, value);
  if (result.ec != std::errc()) return std::nullopt;
  const double scale = ScaleOf(std::string_view(result.ptr, static_cast<std::size_t>(end - result.ptr)));
  return scale == 1 ? value : value * scale;
}

}  // namespace kelvara::exports
