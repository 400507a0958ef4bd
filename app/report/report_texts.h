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

// A sheet built of sections.
inline constexpr const char* kRole = "役割";
inline constexpr const char* kTargetGain = "目標利得";
inline constexpr const char* kRealisedGain = "実現利得";
inline constexpr const char* kStageGainsEqual = "各段に等しく";
inline constexpr const char* kPassbandGain = "通過域の利得";
inline constexpr const char* kGainTimes = "%1 倍（%2 dB）";
inline constexpr const char* kMeasuredCenter = "中心周波数（帯域端の相乗平均）";
inline constexpr const char* kCenterGain = "中心の利得";
inline constexpr const char* kBandEdges = "帯域端";
inline constexpr const char* kEdgesLine = "%1（%2）: %3 ～ %4、%5: %6";
inline constexpr const char* kBandAttenuation = "%1: f0/2 (%2) で %3 dB、2f0 (%4) で %5 dB";
inline constexpr const char* kRealBand = "%1（%2）: %3、%4: %5 ～ %6、%7: %8";
inline constexpr const char* kGbwNeedRule =
    "必要GBW: 100 × f0 × Q × 雑音利得（非反転の段は利得、反転の段は 1 + |利得|、1 次の段は Q = 1、BPF "
    "は中心での雑音利得）";

// Which op-amp a figure is for, and which part values were analysed.
inline constexpr const char* kIdealOpAmpLabel = "理想オペアンプ";
inline constexpr const char* kRealOpAmpLabel = "実オペアンプ";
inline constexpr const char* kAnalysedValues = "計算の値";
inline constexpr const char* kAsShown = "表示値（部品欄の値）で計算";  // as the analysis window says

// The analyses the analysis window holds.
inline constexpr const char* kAnalyses = "解析結果";
inline constexpr const char* kWorstCase = "ワーストケース";
inline constexpr const char* kNoise = "ノイズ";
inline constexpr const char* kLevels = "信号レベル";
inline constexpr const char* kToleranceOf = "公差";
inline constexpr const char* kDistribution = "分布";
inline constexpr const char* kUniform = "一様 (±公差)";
inline constexpr const char* kNormal = "正規 (公差 = 3σ)";
inline constexpr const char* kMask = "マスク";
inline constexpr const char* kMaskLine = "マスク: 通過域 fp %1 まで ±%2 dB、阻止域 fs %3 から -%4 dB";
inline constexpr const char* kNone = "なし";
inline constexpr const char* kWorstCorners = "全 %1 コーナー（各部品 ±公差）";
inline constexpr const char* kNoiseBand = "帯域";
inline constexpr const char* kTemperature = "温度";
inline constexpr const char* kOpAmpNoise = "オペアンプの雑音";
inline constexpr const char* kOutputNoise = "出力雑音";
inline constexpr const char* kInputNoise = "入力換算";
inline constexpr const char* kMainSources = "主な雑音源";
inline constexpr const char* kOpAmpLimits = "オペアンプの上限";
inline constexpr const char* kSwing = "出力振幅";
inline constexpr const char* kSlew = "スルーレート";
inline constexpr const char* kNotGiven = "なし";
inline constexpr const char* kHighestGains = "各オペアンプ出力の最大ゲイン";
inline constexpr const char* kMaxInputSwing = "最大入力（出力振幅）";
inline constexpr const char* kMaxInputSlew = "最大入力（スルーレート）";
inline constexpr const char* kDynamicRange = "ダイナミックレンジ";

}  // namespace kelvara::app::report::text
