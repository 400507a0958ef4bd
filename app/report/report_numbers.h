#pragma once

// The numbers of the design report as an engineer reads them: frequencies
// in one form throughout ("1.000kHz", the prefix chosen after rounding, so
// never "1000.000Hz"), no negative zero ("-0.000 %"), ratios to four
// significant digits without trailing zeros, and a target and a realised
// value that differ shown with as many decimals as it takes to tell them
// apart.

#include <QString>
#include <utility>

namespace kelvara::app::report {

/// hz with the prefix (none, k, M, G) that keeps the rounded mantissa
/// below 1000 and `decimals` decimals, then "Hz": "1.000kHz", "470.000Hz".
QString FrequencyText(double hz, int decimals = 3);

/// value with `decimals` decimals; a value that rounds to zero is "0.000",
/// never "-0.000".
QString FixedText(double value, int decimals);

/// A per-cent figure: FixedText and " %".
QString PercentText(double pct, int decimals = 3);

/// A ratio to four significant digits, trailing zeros dropped: "470",
/// "2.2", "1.467", "0.4545".
QString RatioText(double ratio);

/// Two values that differ by more than kSameRelative relative get at least
/// minDecimals and as many more (up to maxDecimals) as make their texts
/// differ; closer values share minDecimals. Returns the decimals.
inline constexpr double kSameRelative = 1e-9;
int DistinctDecimals(double a, double b, int minDecimals, int maxDecimals, QString (*text)(double, int));

/// The target and realised frequencies of a stage, as DistinctDecimals
/// makes them (three decimals at least, nine at most).
std::pair<QString, QString> DistinctFrequencies(double target, double realised);

/// The target and realised Q (five decimals at least, nine at most).
std::pair<QString, QString> DistinctQ(double target, double realised);

}  // namespace kelvara::app::report
