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

/// The band-pass mask's four edges (Ap and As are the fields above).
inline constexpr const char* kBandFieldLabels[] = {"阻止域端 fs1 [Hz]", "通過域端 fp1 [Hz]", "通過域端 fp2 [Hz]",
                                                   "阻止域端 fs2 [Hz]"};
inline constexpr const char* kBandFieldNames[] = {"阻止域端 fs1", "通過域端 fp1",      "通過域端 fp2",
                                                  "阻止域端 fs2", "通過域の許容差 Ap", "阻止域の減衰量 As"};
/// What a new window's band-pass fields hold (a geometrically symmetric mask about 1 kHz).
inline constexpr const char* kBandFieldDefaults[] = {"400", "800", "1.25k", "2.5k"};

inline constexpr const char* kCircuitGroup = "回路";
inline constexpr const char* kCircuit = "回路方式";
inline constexpr const char* kGain = "利得 [倍]";
inline constexpr const char* kCircuitNote =
    "必要GBWと容量比（抵抗比）は回路方式と利得で決まります（各段の利得は等しく分けます）。BPF は多重帰還です。";

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
/// The band-pass table.
inline constexpr const char* kBandColumns[] = {"応答",   "次数",         "中心周波数", "中心の範囲",
                                               "帯域幅", "帯域幅の範囲", "通過域余裕", "阻止域余裕",
                                               "最大Q",  "必要GBW",      "判定"};
/// A band-pass margin cell's tip: the four edges' margins.
inline constexpr const char* kBandMarginTip = "fp1 %1 / fp2 %2 / fs1 %3 / fs2 %4";
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
inline constexpr const char* kEdgeBpf = "BPF では fs1 < fp1 < fp2 < fs2 の順にして下さい。";
inline constexpr const char* kGainUnreadable = "利得 が読めません: 0.1 から 1000 までの値を入力下さい。";
inline constexpr const char* kGainBelowOne =
    "サレン・キー（利得付き）の利得は 1 以上です。1 より小さい利得は多重帰還（MFB）で設計できます。";
inline constexpr const char* kLimitUnreadable = "%1 が読めません: 0 以上の値を入力下さい。";
inline constexpr const char* kToleranceUnreadable = "%1 が読めません: 0 から 50 までの値を入力下さい。";
inline constexpr const char* kTrialsUnreadable = "試行回数 が読めません: 100 から 100000 までの整数を入力下さい。";
inline constexpr const char* kNoneMeets = "マスクと制約を満たす候補がありません。";
inline constexpr const char* kApplied =
    "シート%1 に %2 %3 カットオフ %4Hz を設定しました。「定数設定」を押して下さい。";
/// kApplied for a circuit other than the unity-gain Sallen-Key.
inline constexpr const char* kAppliedCircuit =
    "シート%1 に %2 %3 カットオフ %4Hz（%5、利得 %6 倍）を設定しました。「定数設定」を押して下さい。";
inline constexpr const char* kAppliedBandPass =
    "シート%1 に %2 %3 中心周波数 %4Hz 帯域幅 %5Hz（%6、利得 %7 倍）を設定しました。「定数設定」を押して下さい。";
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
inline constexpr const char* kBandCurveName = "%1 %2次 %3Hz / %4Hz";

}  // namespace kelvara::app::requirement_text
