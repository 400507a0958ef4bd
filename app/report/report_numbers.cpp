#include "app/report/report_numbers.h"

#include <algorithm>
#include <cmath>

namespace kelvara::app::report {

QString FixedText(double value, int decimals) {
  if (!std::isfinite(value)) return QStringLiteral("—");
  QString text = QString::number(value, 'f', decimals);
  // "-0.000": the sign of a value that rounds to zero says nothing.
  if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0.0) text.remove(0, 1);
  return text;
}

QString FrequencyText(double hz, int decimals) {
  if (!std::isfinite(hz)) return QStringLiteral("—");
  struct Prefix {
    double scale;
    const char* name;
  };
  static constexpr Prefix kPrefixes[] = {{1e9, "G"}, {1e6, "M"}, {1e3, "k"}, {1, ""}};
  const double magnitude = std::fabs(hz);
  for (const Prefix& prefix : kPrefixes) {
    // The prefix whose rounded mantissa is at least 1 (999.9996 Hz is
    // "1.000kHz", not "1000.000Hz").
    const QString mantissa = FixedText(hz / prefix.scale, decimals);
    if (std::fabs(mantissa.toDouble()) >= 1.0 || prefix.scale == 1) {
      if (magnitude == 0) return FixedText(0, decimals) + QStringLiteral("Hz");
      return mantissa + QString::fromLatin1(prefix.name) + QStringLiteral("Hz");
    }
  }
  return {};
}

QString PercentText(double pct, int decimals) { return FixedText(pct, decimals) + QStringLiteral(" %"); }

QString RatioText(double ratio) {
  if (!std::isfinite(ratio)) return QStringLiteral("—");
  const int integerDigits = ratio == 0 ? 1 : static_cast<int>(std::floor(std::log10(std::fabs(ratio)))) + 1;
  QString text = QString::number(ratio, 'f', std::max(0, 4 - integerDigits));
  if (text.contains(QLatin1Char('.'))) {
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  }
  return text;
}

int DistinctDecimals(double a, double b, int minDecimals, int maxDecimals, QString (*text)(double, int)) {
  const double scale = std::max(std::fabs(a), std::fabs(b));
  if (!(std::fabs(a - b) > kSameRelative * scale)) return minDecimals;
  int decimals = minDecimals;
  while (decimals < maxDecimals && text(a, decimals) == text(b, decimals)) ++decimals;
  return decimals;
}

std::pair<QString, QString> DistinctFrequencies(double target, double realised) {
  const int decimals = DistinctDecimals(target, realised, 3, 9, [](double v, int d) { return FrequencyText(v, d); });
  return {FrequencyText(target, decimals), FrequencyText(realised, decimals)};
}

std::pair<QString, QString> DistinctQ(double target, double realised) {
  const int decimals = DistinctDecimals(target, realised, 5, 9, FixedText);
  return {FixedText(target, decimals), FixedText(realised, decimals)};
}

}  // namespace kelvara::app::report
