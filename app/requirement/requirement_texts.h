#pragma once

// The texts of the window "仕様から設計".

namespace kelvara::app::requirement_text {

inline constexpr const char* kMenuRequirement = "仕様から設計...";
inline constexpr const char* kWindowTitle = "仕様から設計";

inline constexpr const char* kMaskGroup = "マスク";
inline constexpr const char* kKind = "通過特性";
inline constexpr const char* kFieldLabels[] = {"通過域端 fp [Hz]", "通過域の許容差 Ap [±dB]", "阻止域端 fs [Hz]",
                                               "阻止域の減衰量 As [dB]"};
inline constexpr const char* kFieldNames[] = {"通過域端 fp", "通過域の許容差 Ap", "阻止域端 fs", "阻止域の減衰量 As"};

inline constexpr const char* kLimitGroup = "制約";
inline constexpr const char* kLimitLabels[] = {"最大オーバーシュート [%]", "最大群遅延変動 [%]", "最大Q"};
/// What the constraints do to the table.
inline constexpr const char* kLimitNote =
    "オーバーシュートと最大Qはカットオフ周波数によらず応答と次数で決まります。群遅延変動はカットオフ周波数を上げるほど"
    "小さくなるので、その上限はカットオフの範囲の下端を引き上げます（表の範囲とカットオフはその後の値です）。";

inline constexpr const char* kSeriesCheck = "E系列の部品で確認（設定中の系列）";

inline constexpr const char* kColumns[] = {"応答",       "次数",  "カットオフ", "範囲",   "通過域余裕",
                                           "阻止域余裕", "最大Q", "必要GBW",    "容量比", "オーバーシュート",
                                           "群遅延変動", "判定"};
/// The spread column of an HPF (the resistors differ there).
inline constexpr const char* kResistorRatio = "抵抗比";
/// Captions on two lines, where they break (the table keeps its width).
inline constexpr const char* kSeriesColumns[] = {"部品の\n通過域余裕", "部品の\n阻止域余裕", "部品で\n判定",
                                                 "歩留まり"};

// The yield of the preferred-value candidates against the mask.
inline constexpr const char* kYieldGroup = "歩留まり";
inline constexpr const char* kYieldCheck = "部品の公差で歩留まりも計算（モンテカルロ）";
inline constexpr const char* kYieldLabels[] = {"R の許容差 [±%]", "C の許容差 [±%]", "試行回数"};
inline constexpr const char* kYieldCell = "%1 % (%2/%3)";

inline constexpr const char* kMeets = "適合";
inline constexpr const char* kRecommended = "適合（推奨）";
inline constexpr const char* kFails = "不適合: %1";
inline constexpr const char* kNoDesign = "設計できません";
inline constexpr const char* kOrder = "%1次";

inline constexpr const char* kApply = "シートに設定";
inline constexpr const char* kComputing = "計算中...";

// In-window messages.
inline constexpr const char* kUnreadable = "%1 が読めません: 0 より大きい値を入力下さい。";
inline constexpr const char* kEdgeLpf = "LPF では通過域端 fp を阻止域端 fs より低くして下さい。";
inline constexpr const char* kEdgeHpf = "HPF では通過域端 fp を阻止域端 fs より高くして下さい。";
inline constexpr const char* kAttenuation = "阻止域の減衰量 As を通過域の許容差 Ap より大きくして下さい。";
inline constexpr const char* kLimitUnreadable = "%1 が読めません: 0 以上の値を入力下さい。";
inline constexpr const char* kToleranceUnreadable = "%1 が読めません: 0 から 50 までの値を入力下さい。";
inline constexpr const char* kTrialsUnreadable = "試行回数 が読めません: 100 から 100000 までの整数を入力下さい。";
inline constexpr const char* kNoneMeets = "マスクと制約を満たす候補がありません。";
inline constexpr const char* kApplied =
    "シート%1 に %2 %3 カットオフ %4Hz を設定しました。「定数設定」を押して下さい。";
inline constexpr const char* kAppliedAnyValues = "部品の値は「問わない」にしました（表は理想の値です）。";
inline constexpr const char* kAppliedSeries = "部品の値は表で確かめた系列（%1）にしました。";
inline constexpr const char* kNoTable = "表に候補がないので設定できません。";
inline constexpr const char* kStillComputing = "表を計算中です。表が出てから設定して下さい。";
inline constexpr const char* kNothingChosen = "設定する候補を表から選んで下さい。";
inline constexpr const char* kChosenHasNoOrder = "この応答には２〜８次でマスクを満たす次数がありません。";
inline constexpr const char* kSheetBusy = "シートは計算中です。終わってから設定して下さい。";

// The plot.
inline constexpr const char* kAxisFrequency = "周波数[Hz]";
inline constexpr const char* kAxisGain = "[dB]";
inline constexpr const char* kCurveName = "%1 %2次 %3Hz";
inline constexpr const char* kCurveRecommended = "（推奨）";

}  // namespace kelvara::app::requirement_text
