#pragma once

// Monte Carlo analysis of a design's part tolerances: every trial draws all
// part values from its own random stream (derived from the seed and the
// trial number, so the result does not depend on the number of threads),
// measures the -3 dB frequency and each stage's f0, Q and peak gain, and
// sweeps the gain; the results are the statistics of these, the band of the
// gain curves and, against a mask, the yield.

#include <cstdint>
#include <optional>
#include <vector>

#include "response/bandpass.h"
#include "tolerance/parallel.h"
#include "tolerance/statistics.h"
#include "tolerance/trial.h"

namespace kelvara::tolerance {

inline constexpr int kMinTrials = 100;
inline constexpr int kMaxTrials = 100000;
inline constexpr int kDefaultTrials = 2000;

/// A band-pass mask (response/bandpass.h) and the gain its pass band is
/// measured from: a trial meets it when both its margins against nominalDb
/// (response::MarginsOf on the exact gain) are at least 0.
struct BandPassLimits {
  response::BandPassMask mask;
  double nominalDb = 0;
};

struct MonteCarloConfig {
  ToleranceDesign design;
  int trials = kDefaultTrials;
  std::uint64_t seed = 1;
  /// Frequencies (Hz) of the bands, e.g. SweepFrequencies(1e3, 1e6).
  std::vector<double> frequencies;
  /// Also the bands of the phase (degrees, unwrapped) and of the group
  /// delay (seconds), at the same frequencies.
  bool phaseBand = false;
  bool delayBand = false;
  std::optional<GainMask> mask;
  /// A design of band-pass sections: its mask in place of `mask` (the
  /// yield counts the trials that meet it).
  std::optional<BandPassLimits> bandPassMask;
};

/// The gain of all trials at one frequency.
struct BandPoint {
  double frequencyHz = 0;
  double nominalDb = 0;
  double minDb = 0;
  double p05Db = 0;
  double p95Db = 0;
  double maxDb = 0;
};

/// The phase or the group delay of all trials at one frequency.
struct ValueBand {
  double frequencyHz = 0;
  double nominal = 0;
  double min = 0;
  double p05 = 0;
  double p95 = 0;
  double max = 0;
};

struct StageStats {
  int stage = 1;  // 1-based, cascade order
  int order = 2;  // 1 or 2
  Stats f0Hz;
  std::optional<Stats> q;  // none for a first-order stage
  Stats peakDb;
};

struct YieldResult {
  int passed = 0;
  int trials = 0;
  double ratio = 0;
  Interval ci95;               // Wilson score interval
  bool nominalPasses = false;  // the nominal design against the same mask
  std::vector<int> failing;    // trial numbers, ascending
};

/// Per-trial values in trial order (for histograms); stage vectors are
/// indexed [stage][trial].
struct TrialSamples {
  std::vector<double> minus3dbHz;
  std::vector<std::vector<double>> f0Hz;
  std::vector<std::vector<double>> q;
  std::vector<std::vector<double>> peakDb;
};

struct MonteCarloResult {
  int trials = 0;
  std::uint64_t seed = 0;
  TrialFigures nominal;
  Stats minus3dbHz;
  std::vector<StageStats> stages;
  std::vector<BandPoint> band;
  std::vector<ValueBand> phaseBand;  // when asked for
  std::vector<ValueBand> delayBand;  // when asked for
  std::optional<YieldResult> yield;
  TrialSamples samples;
};

/// Runs the analysis on the option's worker threads; nothing when a stop
/// was requested before it ended. Trials below 1 are taken as 1.
std::optional<MonteCarloResult> RunMonteCarlo(const MonteCarloConfig& config, const RunOptions& options = {});

}  // namespace kelvara::tolerance
