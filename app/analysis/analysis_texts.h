#pragma once

// The texts of the analysis window.

#include <array>

#include "values/filter_catalogue.h"

namespace kelvara::app::analysis_text {

inline constexpr const char* kMenuAnalysis = "解析(&A)";
inline constexpr const char* kMenuDesignAnalysis = "設計の解析...";
inline constexpr const char* kWindowTitle = "設計の解析";
inline constexpr const char* kOverlay = "比較中のシートも表示";

inline constexpr const char* kTabTable = "評価表";
inline constexpr const char* kTabGain = "ゲイン";
inline constexpr const char* kTabPhase = "位相";
inline constexpr const char* kTabDelay = "群遅延";
inline constexpr const char* kTabStep = "ステップ応答";
inline constexpr const char* kTabImpulse = "インパルス応答";
inline constexpr const char* kTabPoles = "極配置";

inline constexpr const char* kAxisFrequency = "周波数[Hz]";
inline constexpr const char* kAxisGain = "[dB]";
inline constexpr const char* kAxisPhase = "位相[度]";
inline constexpr const char* kAxisDelay = "群遅延[s]";
inline constexpr const char* kAxisTime = "時間[s]";
inline constexpr const char* kAxisStep = "出力";
inline constexpr const char* kAxisImpulse = "出力[1/s]";
inline constexpr const char* kAxisReal = "実部[rad/s]";
inline constexpr const char* kAxisImag = "虚部[rad/s]";

inline constexpr const char* kColumns[] = {"段",           "次数",      "部品",    "目標 f0", "目標 Q",
                                           "実現 f0",      "実現 Q",    "f0 誤差", "Q 誤差",  "ピーク",
                                           "ピーク周波数", "C比 / R比", "注意"};
inline constexpr const char* kFirstOrder = "1次";
inline constexpr const char* kSecondOrder = "2次";
inline constexpr const char* kStageName = "段";

inline constexpr const char* kSavePng = "PNGで保存...";
inline constexpr const char* kSavePdf = "PDFで保存...";
inline constexpr const char* kSaveCsv = "CSVで保存...";
inline constexpr const char* kResetView = "表示範囲を元に戻す (ダブルクリック)";
inline constexpr const char* kSaveTableCsv = "評価表をCSVで保存...";
inline constexpr const char* kSaveCaption = "保存";
inline constexpr const char* kPngFilter = "PNG画像 (*.png)";
inline constexpr const char* kPdfFilter = "PDF文書 (*.pdf)";
inline constexpr const char* kCsvFilter = "CSVファイル (*.csv)";
inline constexpr const char* kSaveFailed = "%1 に保存できませんでした。";

// Which values the figures are of: the part edits' texts read back, as
// ｆ特描画 reads them (and as a user builds the filter).
inline constexpr const char* kAsShownValues = "表示値（部品欄の値）で計算";

inline constexpr const char* kOvershoot = "オーバーシュート %1 %";
inline constexpr const char* kSettling = "1 %整定 %1s";
inline constexpr const char* kRangeDesign = "周波数範囲: 設計に合わせる (fc/100～100·fc)";
inline constexpr const char* kRangePage = "周波数範囲: ｆ特ページのX軸";
inline constexpr const char* kXRangeFallback = "ｆ特ページのX軸の範囲が不正なため 1k〜1M Hz で表示しています。";

// The op-amp panel.
inline constexpr const char* kRealSuffix = " 実オペアンプ";
inline constexpr const char* kIdealSuffix = " 理想";
inline constexpr const char* kOpAmpColumns[] = {"必要GBW", "GBW判定", "f0 利得誤差", "実ピーク", "ピーク移動"};
inline constexpr const char* kGbwMet = "OK";
inline constexpr const char* kGbwShort = "不足";
inline constexpr const char* kOpAmpSummary = "実オペアンプ  GBW %1Hz  A0 %2 dB  Rout %3Ω";
inline constexpr const char* kStopbandFloor = "阻止域の底 %1 (%2 から上昇)";
inline constexpr const char* kNoStopbandFloor = "阻止域の底なし (1 GHz まで減衰)";
inline constexpr const char* kRealDirac = "インパルス応答の t = 0 に重み %1 のインパルス (図示せず)";

// A sheet built of sections: its table, its summary and what the window
// cannot show of it.
inline constexpr const char* kSectionColumns[] = {"段",      "回路",     "次数",         "部品",    "目標 f0",
                                                  "目標 Q",  "目標利得", "実現 f0",      "実現 Q",  "実現利得",
                                                  "f0 誤差", "Q 誤差",   "ノイズゲイン", "必要GBW", "出力の最大利得"};
/// The highest gain at a stage's output and where: "20.01 dB（2.19kHz）",
/// "（DC）" where a low-pass output only falls.
inline constexpr const char* kOutputPeak = "%1（%2）";
inline constexpr const char* kSectionOpAmpColumns[] = {"GBW判定", "f0 利得誤差"};
inline constexpr const char* kSectionGainLine = "通過域利得  %1 倍（%2 dB, %3）";
inline constexpr const char* kInverting = "反転";
inline constexpr const char* kNonInverting = "非反転";
inline constexpr const char* kSectionValues = "部品の値  部品表の値で計算";
inline constexpr const char* kBandRequest = "要求 中心 %1    帯域幅 %2";
inline constexpr const char* kBandReading = "実現 中心 %1（利得 %2）    帯域端（%3）%4 〜 %5    帯域幅 %6";
inline constexpr const char* kBandAttenuation = "減衰  f0/2: %1    2f0: %2";
inline constexpr const char* kGbwRule = "必要GBW = 100 × f0 × Q × ノイズゲイン（1次の段は Q なし）";
/// A band-pass step rings back to 0: its settling times, no overshoot.
inline constexpr const char* kBandPassStep = "ステップ応答  1 %整定 %1s    0.1 %整定 %2s";
inline constexpr const char* kSectionsRealOpAmp =
    "実オペアンプ: 区間で構成したシートでは周波数特性（ゲイン・位相・群遅延）、ステップ・インパルス応答と各段の"
    "GBW判定・f0 利得誤差を計算します。実ピークとその移動・阻止域の底は計算できません。";

/// Where each response puts its cut-off (values::kCutoffDefinitions):
/// "応答  チェビシェフ 0.5dB（カットオフ: リプル端）".
inline constexpr const char* kResponseLine = "応答  %1（カットオフ: %2）";
inline constexpr std::array<const char*, values::kResponseCount> kCutoffDefinitions = {
    "−3dB 点", "−3dB 点", "リプル端", "−3dB 点", "−6dB 点（LPF と HPF の交点）"};

}  // namespace kelvara::app::analysis_text
