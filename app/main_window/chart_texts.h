#pragma once

// The texts of the response chart and of its checks, kept byte for byte.

namespace kelvara::app::chart_text {

inline constexpr const char* kFrequencyAxis = "周波数[Hz]";
inline constexpr const char* kDbAxis = "[dB]";
/// Curve titles are "Sheet" followed by the sheet number without a blank.
inline constexpr const char* kCurveTitle = "Sheet";

inline constexpr const char* kYMaxInvalid = "Y軸の最大値が不正";
inline constexpr const char* kYMinInvalid = "Y軸の最小値が不正";
inline constexpr const char* kEnterNumber = "数値を入力下さい。";
inline constexpr const char* kYRangeInvalid = "Y軸の範囲が不正";
inline constexpr const char* kSetYRange = "Y軸の範囲を設定下さい。";
inline constexpr const char* kXRangeInvalid = "X軸の範囲が不正";
inline constexpr const char* kSetXRange = "X軸の範囲を設定下さい。";
/// A sheet built of sections whose inputs or parts cannot be drawn.
inline constexpr const char* kSectionsInvalid = "不正な数値";

// Saving the chart from its pop-up menu.
inline constexpr const char* kSavePng = "PNG画像として保存…";
inline constexpr const char* kSavePdf = "PDFとして保存…";
inline constexpr const char* kSaveCaption = "グラフの保存";
inline constexpr const char* kPngFilter = "PNG画像 (*.png)";
inline constexpr const char* kPdfFilter = "PDF (*.pdf)";
/// %1 the file as the user sees it.
inline constexpr const char* kSaveFailed = "グラフを %1 に保存できません。";

/// %1 the sheet's tab name, %2 what is wrong with its record.
inline constexpr const char* kRecordNotComparable = "%1 の記録は比較できません：%2";

}  // namespace kelvara::app::chart_text
