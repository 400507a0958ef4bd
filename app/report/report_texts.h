#pragma once

// Texts of the design report.

namespace kelvara::app::report::text {

inline constexpr const char* kTitle = "設計レポート";
inline constexpr const char* kCreated = "作成日時";
inline constexpr const char* kSheet = "シート";
inline constexpr const char* kFile = "ファイル";
inline constexpr const char* kParameters = "設計条件";
inline constexpr const char* kCircuit = "回路図";
inline constexpr const char* kPartsTable = "部品表";
inline constexpr const char* kStages = "段の評価";
inline constexpr const char* kGain = "ゲイン特性";
inline constexpr const char* kPhase = "位相特性";
inline constexpr const char* kTolerance = "公差解析";
inline constexpr const char* kPhaseAxis = "位相 (°)";

inline constexpr const char* kKind = "フィルタ";
inline constexpr const char* kOrder = "次数";
inline constexpr const char* kResponse = "特性";
inline constexpr const char* kCutoff = "遮断周波数";
inline constexpr const char* kTopology = "回路";
inline constexpr const char* kTopologyName = "ユニティゲイン・サレン・キー";
inline constexpr const char* kValues = "部品の値";
inline constexpr const char* kSeriesValues = "ＣはE12系列、ＲはE24系列";
inline constexpr const char* kAnyValues = "問わない（任意の値）";
inline constexpr const char* kOpAmp = "オペアンプ";
inline constexpr const char* kIdealOpAmp = "理想";
inline constexpr const char* kMinus3Db = "−3dB 周波数";

inline constexpr const char* kPart = "部品";
inline constexpr const char* kValue = "値";
inline constexpr const char* kExactValue = "値 (Ω/F)";
inline constexpr const char* kSeries = "系列";
inline constexpr const char* kStage = "段";

inline constexpr const char* kStageOrder = "次数";
inline constexpr const char* kTargetF0 = "目標 f0";
inline constexpr const char* kTargetQ = "目標 Q";
inline constexpr const char* kF0 = "実現 f0";
inline constexpr const char* kQ = "実現 Q";
inline constexpr const char* kF0Error = "f0 誤差";
inline constexpr const char* kQError = "Q 誤差";
inline constexpr const char* kPeak = "ピーク";
inline constexpr const char* kRatio = "比";
inline constexpr const char* kRippleEdge = "リプル端";
inline constexpr const char* kRipple = "リプル";
inline constexpr const char* kAttenuation = "減衰量";

inline constexpr const char* kOpAmpStages = "実オペアンプでの段の評価";

inline constexpr const char* kPage = "%1 / %2 ページ";

}  // namespace kelvara::app::report::text
