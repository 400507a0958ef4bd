#pragma once

// Engineering value text: a decimal number followed by at most one SI prefix
// letter (G M k m u n p, case-sensitive), and the display forms in which the
// program shows resistances, capacitances and frequencies.
//
// Texts are byte strings (UTF-8 on screen, converted at the file boundary).
// The parser accepts any byte sequence without reading out of bounds.

#include <string>
#include <string_view>

namespace kelvara::values {

/// The value of an engineering text, or 0 for anything unreadable
/// (including values whose magnitude does not fit a double).
double ParseEngValue(std::string_view text);

/// Whether a text is a readable zero: ParseEngValue gives 0 for unreadable
/// text too, and a zero is zeros only (with a sign, a point, one prefix
/// letter and spaces around it), so "0", "-0.0" and "0k" are, "", "0x" and
/// "abc" are not.
bool ReadsAsZero(std::string_view text);

/// fixed(d): rounded to at most five significant digits and at most d
/// decimals (whichever keeps fewer digits, halves away from zero) and printed
/// with exactly d decimals. Integer digits are never rounded away, so a value
/// with more than five digits before the point prints all of them.
std::string FormatFixed(double value, int decimals);

/// general: rounded to at most five significant digits and printed as short
/// as possible; from 100000 upwards in exponent form ("1E6", "1.2346E5").
std::string FormatGeneral(double value);

/// Resistance as written into a sheet record ("4.70k", "100.00").
std::string FormatResistance(double ohms);
/// Resistance as shown in a resistor edit: like FormatResistance, but a
/// negative value is shown in milliohms ("-500.00m").
std::string FormatResistanceDisplay(double ohms);
/// Capacitance, on screen and in records ("0.022u", "4700p").
std::string FormatCapacitance(double farads);
/// Frequency with three decimals and prefix ("2.500k").
std::string FormatFrequency(double hertz);
/// A -3 dB frequency as the comparison panel shows it, with the two range
/// texts for 0.1 Hz or below and 1 GHz or above.
std::string FormatFrequencyReading(double hertz);

}  // namespace kelvara::values
