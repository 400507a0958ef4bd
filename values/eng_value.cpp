#include "values/eng_value.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <system_error>

namespace kelvara::values {
namespace {

double PrefixFactor(char c) {
  switch (c) {
    case 'G':
      return 1e9;
    case 'M':
      return 1e6;
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
    default:
      return 1.0;
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a complete decimal number: optional spaces, optional sign, digits
// with an optional point (at least one digit), optional exponent, optional
// spaces. Returns false for anything else or for a value beyond a double.
bool ReadDecimal(std::string_view s, double& out) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n && s[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  std::size_t digits = 0;
  while (i < n && IsDigit(s[i])) {
    ++i;
    ++digits;
  }
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && IsDigit(s[i])) {
      ++i;
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < n && IsDigit(s[i])) {
      ++i;
      ++expDigits;
    }
    if (expDigits == 0) return false;
  }
  const std::size_t end = i;
  while (i < n && s[i] == ' ') ++i;
  if (i != n) return false;

  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(s.data() + start, s.data() + end, value, std::chars_format::general);
  if (ec != std::errc() || ptr != s.data() + end) return false;
  if (!std::isfinite(value)) return false;
  out = negative ? -value : value;
  return true;
}

// A decimal number digits x 10^scale, with a separate sign.
struct Decimal {
  bool negative = false;
  std::string digits;  // no leading zeros; "0" for zero
  int scale = 0;
};

// The exact decimal expansion of a finite, non-zero |v|: its significant
// digits (digit i has the place value 10^(exponent - i)) and exponent.
struct Expansion {
  std::string digits;
  int exponent = 0;
};

Expansion ExactExpansion(double a) {
  // 767 decimals after the first digit hold every double's expansion exactly.
  constexpr int kExact = 767;
  char buf[kExact + 32];
  const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, kExact);
  const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t ePos = text.find('e');
  Expansion x;
  const char* expBegin = text.data() + ePos + 1;
  if (*expBegin == '+') ++expBegin;
  std::from_chars(expBegin, text.data() + text.size(), x.exponent);
  x.digits.reserve(kExact + 1);
  x.digits.push_back(text[0]);
  x.digits.append(text.substr(2, ePos - 2));
  return x;
}

// Place value of the first significant digit of a finite, non-zero v.
int LeadingExponent(double v) { return ExactExpansion(std::fabs(v)).exponent; }

// Rounds the exact binary value of v (finite) to a multiple of 10^place,
// halves away from zero.
Decimal RoundToPlace(double v, int place) {
  Decimal d;
  d.negative = std::signbit(v);
  d.scale = place;
  if (v == 0.0) {
    d.digits = "0";
    return d;
  }
  const Expansion x = ExactExpansion(std::fabs(v));
  const std::string& sig = x.digits;
  const long keep = static_cast<long>(x.exponent) - place + 1;
  if (keep <= 0) {
    d.digits = (keep == 0 && sig[0] >= '5') ? "1" : "0";
    return d;
  }
  if (keep >= static_cast<long>(sig.size())) {
    d.digits = sig + std::string(static_cast<std::size_t>(keep) - sig.size(), '0');
    return d;
  }
  std::string kept = sig.substr(0, static_cast<std::size_t>(keep));
  if (sig[static_cast<std::size_t>(keep)] >= '5') {
    // The expansion is exact, so a first dropped digit of 5 or more means at
    // or above the half: round the magnitude up.
    std::size_t i = kept.size();
    while (i > 0) {
      --i;
      if (kept[i] != '9') {
        ++kept[i];
        break;
      }
      kept[i] = '0';
      if (i == 0) kept.insert(kept.begin(), '1');
    }
  }
  d.digits = kept;
  return d;
}

bool IsZero(const Decimal& d) { return d.digits.find_first_not_of('0') == std::string::npos; }

// Plain notation of d with exactly `decimals` decimals (decimals >= -scale).
std::string Plain(const Decimal& d, int decimals) {
  std::string intPart;
  std::string frac;
  if (IsZero(d)) {
    intPart = "0";
  } else if (d.scale >= 0) {
    intPart = d.digits + std::string(static_cast<std::size_t>(d.scale), '0');
  } else {
    const std::size_t fracLen = static_cast<std::size_t>(-d.scale);
    if (d.digits.size() > fracLen) {
      intPart = d.digits.substr(0, d.digits.size() - fracLen);
      frac = d.digits.substr(d.digits.size() - fracLen);
    } else {
      intPart = "0";
      frac = std::string(fracLen - d.digits.size(), '0') + d.digits;
    }
  }
  if (static_cast<int>(frac.size()) < decimals) frac.append(static_cast<std::size_t>(decimals) - frac.size(), '0');
  if (static_cast<int>(frac.size()) > decimals) frac.resize(static_cast<std::size_t>(decimals));
  std::string out;
  if (d.negative && !IsZero(d)) out.push_back('-');
  out += intPart;
  if (!frac.empty()) {
    out.push_back('.');
    out += frac;
  }
  return out;
}

// The text of a value that is not a number or is infinite; it reads back as
// an invalid value (0), so the checks reject it instead of using it.
std::string NonFiniteText(double v) {
  if (std::isnan(v)) return "NaN";
  return v < 0 ? "-INF" : "INF";
}

struct Scaled {
  double value;
  const char* suffix;
};

Scaled ScaleLarge(double v) {
  if (v >= 1e9) return {v * 1e-9, "G"};
  if (v >= 1e6) return {v * 1e-6, "M"};
  if (v >= 1000) return {v * 0.001, "k"};
  return {v, ""};
}

}  // namespace

double ParseEngValue(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= 32) ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32) --last;
  std::string_view s = text.substr(first, last - first);
  if (s.empty()) return 0.0;

  // A prefix is a single ASCII letter; the last byte of a multi-byte
  // character is never ASCII in UTF-8, and a Shift-JIS trail byte that looks
  // like a letter leaves its lead byte behind, which no number accepts.
  const double factor = PrefixFactor(s.back());
  if (factor != 1.0) s.remove_suffix(1);

  double number = 0.0;
  if (!ReadDecimal(s, number)) return 0.0;
  const double value = number * factor;
  return std::isfinite(value) ? value : 0.0;
}

std::string FormatFixed(double value, int decimals) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  int place = -decimals;
  if (value != 0.0) {
    const int fifthDigit = LeadingExponent(value) - 4;
    if (fifthDigit > place) place = fifthDigit;
  }
  if (place > 0) place = 0;  // never round away digits before the point
  return Plain(RoundToPlace(value, place), decimals);
}

std::string FormatGeneral(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (value == 0.0) return "0";
  Decimal d = RoundToPlace(value, LeadingExponent(value) - 4);
  // Drop trailing zeros into the scale.
  while (d.digits.size() > 1 && d.digits.back() == '0') {
    d.digits.pop_back();
    ++d.scale;
  }
  if (IsZero(d)) return "0";
  const int leading = static_cast<int>(d.digits.size()) - 1 + d.scale;  // exponent of first digit
  if (leading >= 5) {
    std::string out = d.negative ? "-" : "";
    out.push_back(d.digits[0]);
    if (d.digits.size() > 1) {
      out.push_back('.');
      out.append(d.digits, 1);
    }
    out += "E" + std::to_string(leading);
    return out;
  }
  return Plain(d, d.scale < 0 ? -d.scale : 0);
}

std::string FormatResistance(double ohms) {
  if (!std::isfinite(ohms)) return NonFiniteText(ohms);
  const Scaled s = ScaleLarge(ohms);
  return FormatFixed(s.value, 2) + s.suffix;
}

std::string FormatResistanceDisplay(double ohms) {
  if (!std::isfinite(ohms)) return NonFiniteText(ohms);
  if (!(ohms >= 0)) return FormatFixed(ohms * 1000, 2) + "m";
  return FormatResistance(ohms);
}

std::string FormatCapacitance(double farads) {
  if (!std::isfinite(farads)) return NonFiniteText(farads);
  if (farads > 1e-8) return FormatGeneral(farads * 1e6) + "u";
  return FormatFixed(farads * 1e12, 0) + "p";
}

std::string FormatFrequency(double hertz) {
  if (!std::isfinite(hertz)) return NonFiniteText(hertz);
  const Scaled s = ScaleLarge(hertz);
  return FormatFixed(s.value, 3) + s.suffix;
}

std::string FormatFrequencyReading(double hertz) {
  if (!(hertz > 0.1)) return "0.1以下";
  if (hertz >= 1e9) return "1G以上";
  return FormatFrequency(hertz);
}

bool ReadsAsZero(std::string_view text) {
  bool digit = false;
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  for (; i < text.size() && (text[i] == '0' || text[i] == '.'); ++i) digit = digit || text[i] == '0';
  if (i < text.size() && std::string_view("GMkmunp").find(text[i]) != std::string_view::npos) ++i;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return digit && i == text.size();
}

}  // namespace kelvara::values
