#pragma once

// The record of one design sheet: 49 text lines, the same lines a design
// file holds. Lines are kept as text exactly as typed or stored; booleans are
// "true"/"false" and only the exact text "true" reads as true.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara::values {

using SheetRecord = std::vector<std::string>;

namespace sheet_line {
inline constexpr int kPassKind = 0;
inline constexpr int kCutoff = 1;
inline constexpr int kCircuit = 2;
inline constexpr int kOrder = 3;
inline constexpr int kResponse = 4;
inline constexpr int kRipple = 5;
inline constexpr int kFirstValue = 6;
inline constexpr int kCapE12 = 22;
inline constexpr int kResE24 = 23;
inline constexpr int kAnyValues = 24;
inline constexpr int kFirstAuto = 25;
inline constexpr int kInputsEnabled = 41;
inline constexpr int kRippleEnabled = 42;
inline constexpr int kValsetEnabled = 43;
inline constexpr int kStopEnabled = 44;
inline constexpr int kFreqEnabled = 45;
inline constexpr int kValsetCaption = 46;
inline constexpr int kProgressMax = 47;
inline constexpr int kProgressPos = 48;
inline constexpr int kCount = 49;
/// Parts 1..8: a resistor and a capacitor each.
inline constexpr int kPartCount = 8;

/// Lines of part k = 1..8.
constexpr int RValue(int k) { return kFirstValue + 2 * (k - 1); }
constexpr int CValue(int k) { return kFirstValue + 1 + 2 * (k - 1); }
constexpr int RAuto(int k) { return kFirstAuto + 2 * (k - 1); }
constexpr int CAuto(int k) { return kFirstAuto + 1 + 2 * (k - 1); }
}  // namespace sheet_line

/// Caption of the calculate button when idle and while a run is active.
inline constexpr std::string_view kCaptionIdle = "定数設定";
inline constexpr std::string_view kCaptionRunning = "設定中";

inline std::string BoolLine(bool value) { return value ? "true" : "false"; }
inline bool LineIsTrue(std::string_view line) { return line == "true"; }

/// A decimal integer line ("-12", "+3", "320"), or nothing when the text is
/// not one or does not fit an int.
std::optional<int> ParseRecordInt(std::string_view line);

/// The record of a new sheet: LPF, order 2, Butterworth, nothing typed,
/// every part automatic, any values, idle, bar 0 of 100.
SheetRecord DefaultSheetRecord();

/// Completes a record shorter than a whole sheet with the lines of a new
/// sheet; a longer one is left as it is.
void CompleteSheetRecord(SheetRecord& record);

/// Puts a record of at least 49 lines into the look of a sheet without a
/// calculation: design inputs enabled, calculate button enabled with the
/// caption "定数設定", stop button disabled, response button enabled. The
/// ripple choice (it follows the response type when the sheet is shown) and
/// the progress bar stay as stored, as after a delivered run. A sheet saved
/// while its calculation was running has no run after opening, so opening
/// applies this to every sheet it reads.
void MakeSheetIdle(SheetRecord& record);

/// Writes a run's results into the record of a sheet that is not on screen:
/// the values of parts 1..r.size() (resistors and capacitors in the stored
/// forms), the idle look and the final bar position. A short record is
/// first completed.
void DeliverPartValues(SheetRecord& record, std::span<const double> r, std::span<const double> c, int progress);

}  // namespace kelvara::values
