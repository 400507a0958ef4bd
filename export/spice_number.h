#pragma once

// Numbers in SPICE netlists. SPICE reads "M" as milli and ignores letters
// after a number, so the writer never uses scale letters: it prints the
// shortest plain decimal or exponent form that reads back to the same
// double ("4700", "2.2e-08", "1.5915494309189535e-07").

#include <optional>
#include <string>
#include <string_view>

namespace kelvara::exports {

/// The shortest text that reads back to exactly this double.
std::string SpiceNumber(double value);

/// A SPICE number: a decimal with optional exponent, then optionally a scale
/// (T G Meg K mil m u n p f, any case) and further letters, which SPICE
/// ignores ("10uF"). Nothing when the text does not start with a number.
std::optional<double> ParseSpiceNumber(std::string_view text);

}  // namespace kelvara::exports
