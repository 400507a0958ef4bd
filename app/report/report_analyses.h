#pragma once

// The analyses of a design that the analysis window holds, as the report
// prints them: each with the conditions it was computed under (the
// tolerance study's tolerances, distribution, trials, seed and mask; the
// noise band, temperature and the op-amp's noise; the op-amp's limits), and
// which op-amp a figure is for.

#include <QString>
#include <QStringList>

#include "response/noise.h"
#include "response/opamp_model.h"
#include "response/signal_levels.h"
#include "tolerance/study.h"

namespace kelvara::app::report {

/// Which op-amp a figure is for: "理想オペアンプ", or "実オペアンプ" followed
/// by the 品種 when one is named ("実オペアンプ OP27").
QString OpAmpLabel(const response::OpAmpModel& opamp, const QString& name);

/// The op-amp's noise and limits: "en 3.2 nV/√Hz (1/f 2.7Hz)、in 0.4 pA/√Hz、
/// 出力振幅 26 Vpp、スルーレート 2.8 V/µs" ("なし" for a limit not given).
QString OpAmpNoiseText(const response::OpAmpModel& opamp);

/// The conditions of a tolerance study: the tolerance of every part (one
/// figure when all of a kind share it) and of the GBW, the distribution,
/// and the mask (or "なし"); the trials and the seed open ToleranceLines.
QStringList StudyConditionLines(const tolerance::StudyPlan& plan);

/// The worst case over all corners: the corners, the extreme -3 dB
/// frequencies (of the op-amp opampLabel names) and the extreme gains at
/// its frequencies.
QStringList WorstCaseLines(const tolerance::WorstCaseResult& result, const QString& opampLabel);

/// The noise over its band: band and temperature, the op-amp's noise, the
/// output and input-referred totals and the biggest contributors (at most
/// `contributors`, each with its share).
QStringList NoiseLines(const response::NoiseReport& report, const response::OpAmpModel& opamp, int contributors = 5);

/// The signal levels: the highest gain to every op-amp output, the largest
/// input within the swing and within the slew rate, and the dynamic range
/// with the limit it meets.
QStringList LevelLines(const response::LevelReport& report, const response::OpAmpModel& opamp);

}  // namespace kelvara::app::report
