#pragma once

// Numbers in SPICE netlists and the other exported files. SPICE reads "M"
// as milli and ignores letters after a number, so the writers never use
// scale letters. SpiceNumber prints the shortest text that reads back to
// the same double ("4700", "2.2e-08"); SiNumber prints a value as an
// engineer reads it, with an exponent that is a multiple of three and no
// more digits than it takes to read back within kSiReadBack relative
// ("16.227e-9", "300e3", "4.7e3", "470").

#include <optional>
#include <string>
#include <string_view>

namespace kelvara::exports {

/// The shortest text that reads back to exactly this double.
std::string SpiceNumber(double value);

/// How close SiNumber's text reads back to its value (relative).
inline constexpr double kSiReadBack = 1e-12;

/// The value in SI form with the fewest significant digits (at most 17)
/// that read back within kSiReadBack relative: "16.227e-9" for
/// 1.6226999999999997e-08, "300e3" for 300000, "470" for 470; "0" for zero.
std::string SiNumber(double value);

/// The value rounded to at most `digits` significant digits (1..17), in the
/// same SI form, trailing zeros dropped: SiRounded(1591.5494, 6) is
/// "1.59155e3". For the comments and headings of the exported files.
std::string SiRounded(double value, int digits);

/// A SPICE number: a decimal with optional exponent, then optionally a scale
/// (T G Meg K mil m u n p f, any case) and further letters, which SPICE
/// ignores ("10uF"). Nothing when the text does not start with a number.
std::optional<double> ParseSpiceNumber(std::string_view text);

}  // namespace kelvara::exports
