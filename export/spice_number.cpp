#include "export/spice_number.h"

#include <algorithm>
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

std::string SiRounded(double value, int digits) {
  if (!std::isfinite(value) || value == 0) return SpiceNumber(value);
  digits = std::clamp(digits, 1, 17);
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits - 1);
  const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));  // "-1.6227e-08"
  const std::size_t e = scientific.find('e');
  std::string mantissa;  // the significant digits, without sign and point
  for (char ch : scientific.substr(0, e)) {
    if (ch >= '0' && ch <= '9') mantissa += ch;
  }
  int exponent = 0;
  const std::string_view exponentText = scientific.substr(e + 1);
  std::from_chars(exponentText.data() + (exponentText[0] == '+' ? 1 : 0), exponentText.data() + exponentText.size(),
                  exponent);
  // The exponent rounded down to a multiple of three, the point moved to
  // match: 1.6227e-08 is 16.227e-9.
  const int engineering = exponent >= 0 ? exponent / 3 * 3 : -((-exponent + 2) / 3 * 3);
  const std::size_t integerDigits = static_cast<std::size_t>(exponent - engineering) + 1;
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  if (mantissa.size() < integerDigits) mantissa.append(integerDigits - mantissa.size(), '0');
  std::string text = value < 0 ? "-" : "";
  text += mantissa.substr(0, integerDigits);
  if (mantissa.size() > integerDigits) text += "." + mantissa.substr(integerDigits);
  if (engineering != 0) text += "e" + std::to_string(engineering);
  return text;
}

std::string SiNumber(double value) {
  if (!std::isfinite(value) || value == 0) return SpiceNumber(value);
  for (int digits = 1; digits < 17; ++digits) {
    const std::string text = SiRounded(value, digits);
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    if (std::fabs(back - value) <= kSiReadBack * std::fabs(value)) return text;
  }
  return SiRounded(value, 17);  // 17 digits read back exactly
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
