#pragma once

// The texts of the noise and signal-level views and of the op-amp list.

namespace kelvara::app::noise_text {

inline constexpr const char* kTabNoise = "ノイズ";
inline constexpr const char* kTabLevels = "信号レベル";

inline constexpr const char* kOpAmpList = "品種";
inline constexpr const char* kOpAmpManual = "（手入力）";
inline constexpr const char* kUserSuffix = "（登録）";
// After the name of the chosen op-amp once a figure in the panel differs
// from its own.
inline constexpr const char* kChangedSuffix = "（変更あり）";
inline constexpr const char* kAddOpAmp = "登録...";
inline constexpr const char* kRemoveOpAmp = "削除";
inline constexpr const char* kAddOpAmpCaption = "オペアンプの登録";
inline constexpr const char* kAddOpAmpPrompt = "この値を登録する名前:";
// The supply row of the op-amp panel.
inline constexpr const char* kSupply = "電源";
inline constexpr const char* kSupplyKinds[] = {"なし", "±V", "単電源 0〜V"};
inline constexpr const char* kSupplyVolts = "電源電圧 [V]";
inline constexpr const char* kHeadroomPos = "＋側の余裕 [V]";
inline constexpr const char* kHeadroomNeg = "－側の余裕 [V]";

inline constexpr const char* kAxisDensity = "雑音密度[nV/√Hz]";
inline constexpr const char* kAxisGain = "出力までのゲイン[dB]";
inline constexpr const char* kAxisInput = "許容入力[Vpp]";
// The right axis with the swing its limit is of: given, or from the supply.
inline constexpr const char* kAxisInputSwing = "許容入力[Vpp]（出力振幅 %1Vpp）";
inline constexpr const char* kAxisInputSupply = "許容入力[Vpp]（出力振幅 %1Vpp：電源から）";
inline constexpr const char* kTotal = "合計";
// The legend's entry for the sources it does not name.
inline constexpr const char* kOthers = "その他（%1）";
inline constexpr const char* kBand = "雑音帯域";
inline constexpr const char* kColumns[] = {"雑音源", "出力雑音", "割合"};
inline constexpr const char* kNoiseSummary = "帯域 %1Hz〜%2Hz  温度 %3 ℃\n出力雑音 %4rms  入力換算 %5rms";
inline constexpr const char* kNoNoiseDesign = "部品の値が無効なため表示できません。";
inline constexpr const char* kSwingLimit = "振幅の上限";
inline constexpr const char* kSlewLimit = "スルーレートの上限";
inline constexpr const char* kLevelsStage = "U%1 最大 %2 dB (%3Hz)";
inline constexpr const char* kLevelsSummary =
    "最大入力（出力振幅）%1  最大入力（スルーレート）%2  ダイナミックレンジ %3";
// After the dynamic range: which limit its largest input meets first.
inline constexpr const char* kLimitedBySwing = "（出力振幅で制限）";
inline constexpr const char* kLimitedBySlew = "（スルーレートで制限）";
inline constexpr const char* kNotGiven = "-";

}  // namespace kelvara::app::noise_text
