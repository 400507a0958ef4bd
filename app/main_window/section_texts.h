#pragma once

// The captions and messages of the sheets built of sections: the items
// their lists gain after the unity-gain Sallen-Key's, the gain, bandwidth
// and stage inputs and the part table.

#include <array>

namespace kelvara::app::section_text {

/// 通過特性: LPF, HPF, then the band-pass.
inline constexpr std::array<const char*, 3> kPassKinds = {"LPF", "HPF", "BPF"};
/// 回路方式: the unity-gain Sallen-Key, then the circuits of sections.
inline constexpr std::array<const char*, 3> kCircuits = {"サレン・キー（VCVS）", "多重帰還（MFB）",
                                                         "サレン・キー（利得付き）"};
inline constexpr const char* kCenterCaption = "中心周波数";
inline constexpr const char* kGainCaption = "利得";
inline constexpr const char* kTimes = "倍";
inline constexpr const char* kGainHint = "通過域の利得の大きさ 0.1～1000 倍（多重帰還は各段で反転します）";
inline constexpr const char* kBandwidthCaption = "帯域幅";
inline constexpr const char* kBandwidthHint = "帯域の両端（-3dB、チェビシェフはリプルの端）の間の幅";
inline constexpr const char* kStageGainsCaption = "段の利得";
inline constexpr const char* kStageGainsHint =
    "空欄: 各段に等しく分けます。段ごとに決めるときは 2,5 のようにコンマで区切ります";
inline constexpr const char* kStageOrderCaption = "段の順";
inline constexpr std::array<const char*, 2> kStageOrders = {"Q の低い段から", "Q の高い段から"};
inline constexpr const char* kStageOrderHint =
    "Q の低い段を先にすると、ピークの大きい段の前で信号が大きくならず、振幅の余裕が保てます";
inline constexpr std::array<const char*, 5> kPartColumns = {"部品", "値", "固定", "段", "役割"};
inline constexpr const char* kSign = "出力の符号";
inline constexpr const char* kInverting = "反転（利得 -%1 倍）";
inline constexpr const char* kNonInverting = "非反転（利得 %1 倍）";
/// The comparison panel's tooltip of a band-pass reading: centre, bandwidth.
inline constexpr const char* kBandReading = "中心 %1Hz、帯域幅 %2Hz";
inline constexpr const char* kInvalidCaption = "不正な数値";

}  // namespace kelvara::app::section_text
