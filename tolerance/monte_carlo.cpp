#include "tolerance/monte_carlo.h"

#include <algorithm>
#include <cmath>

#include "engine/stage_maths.h"
#include "response/circuit_batch.h"
#include "tolerance/band.h"
#include "tolerance/band_memory.h"

namespace kelvara::tolerance {
namespace {

constexpr int kTrialChunk = 64;

// The band of values (trial order) at f; reorders values.
ValueBand BandOfValues(double f, double nominal, std::vector<double>& values) {
  ValueBand b;
  b.frequencyHz = f;
  b.nominal = nominal;
  const Stats s = Summarise(nominal, values);
  b.min = s.min;
  b.p05 = s.p05;
  b.p95 = s.p95;
  b.max = s.max;
  return b;
}

// The phase bands and the delay bands. Every trial's phase is followed
// along the frequencies by a walk of its own; the walks advance a block of
// frequencies at a time, all trials side by side, into a buffer of at most
// kBandBufferBytes, whose rows are then the bands of the block. So the
// memory does not grow with trials x points.
bool PhaseAndDelayBands(const MonteCarloConfig& config, const response::CircuitBatch& batch, const RunOptions& options,
                        double base, double span, MonteCarloResult& result) {
  const std::vector<double>& freqs = config.frequencies;
  const int n = batch.Trials();
  const int points = static_cast<int>(freqs.size());
  if (points == 0 || n == 0) return true;
  const std::vector<double> nominalPhases =
      config.phaseBand ? batch.NominalPhaseDeg(freqs) : std::vector<double>(points);
  std::vector<std::optional<response::CircuitBatch::PhaseWalk>> walks(config.phaseBand ? n : 0);
  const std::size_t perBlock = config.phaseBand ? std::max<std::size_t>(1, kBandBufferBytes / sizeof(double) / n)
                                                : static_cast<std::size_t>(points);
  const int block = static_cast<int>(std::min<std::size_t>(perBlock, points));
  std::vector<double> buffer(config.phaseBand ? static_cast<std::size_t>(block) * n : 0);
  // Progress: per block, the walks take half of its share, the bands half.
  for (int j0 = 0; j0 < points; j0 += block) {
    const int count = std::min(block, points - j0);
    const double blockBase = base + span * j0 / points;
    const double blockSpan = span * count / points;
    const bool walked =
        !config.phaseBand || ParallelChunks(n, kTrialChunk, options, blockBase, blockSpan / 2, [&](int begin, int end) {
          for (int t = begin; t < end; ++t) {
            if (!walks[t]) walks[t] = batch.StartPhaseWalk(t, freqs.front());
            for (int j = 0; j < count; ++j) {
              buffer[static_cast<std::size_t>(j) * n + t] = walks[t]->PhaseAt(freqs[j0 + j]);
            }
          }
        });
    if (!walked) return false;
    const bool banded =
        ParallelChunks(count, 1, options, blockBase + blockSpan / 2, blockSpan / 2, [&](int begin, int end) {
          std::vector<double> values(n);
          for (int j = begin; j < end; ++j) {
            const double f = freqs[j0 + j];
            if (config.phaseBand) {
              std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(j) * n, n, values.begin());
              result.phaseBand[j0 + j] = BandOfValues(f, nominalPhases[j0 + j], values);
            }
            if (config.delayBand) {
              for (int t = 0; t < n; ++t) values[t] = batch.DelayS(t, f);
              result.delayBand[j0 + j] = BandOfValues(f, batch.NominalDelayS(f), values);
            }
          }
        });
    if (!banded) return false;
  }
  return true;
}

}  // namespace

std::optional<MonteCarloResult> RunMonteCarlo(const MonteCarloConfig& config, const RunOptions& options) {
  const int n = std::max(config.trials, 1);
  const bool complex = config.phaseBand || config.delayBand;
  const bool sections = !config.design.sections.empty();
  const GainMask* mask = config.mask ? &*config.mask : nullptr;
  response::CircuitBatch batch =
      sections ? response::CircuitBatch(config.design.sections, config.design.opamp, n)
               : response::CircuitBatch(config.design.request, config.design.parts, config.design.opamp, n, complex);
  if (config.bandPassMask) batch.SetBandPassMask(config.bandPassMask->mask, config.bandPassMask->nominalDb);
  const bool masked = mask != nullptr || config.bandPassMask.has_value();
  const DesignRequest& request = batch.Request();
  const int stageCount = engine::StageCount(request.Order());

  MonteCarloResult result;
  result.trials = n;
  result.seed = config.seed;
  const response::CircuitBatch::Measures nominal = batch.Nominal(mask);
  result.nominal = MeasureTrial(request, nominal);

  // Stage one, per trial: part values, stages, figures, mask.
  std::vector<TrialFigures> figures(n);
  std::vector<char> passed(masked ? n : 0);
  // Shares of the progress bar: the trials, the gain band, the phase and
  // delay bands (which cost about twice the trials).
  const double wBand = config.frequencies.empty() ? 0.0 : 1.0;
  const double wComplex = complex && !config.frequencies.empty() ? 2.0 : 0.0;
  const double trialShare = 1 / (1 + wBand + wComplex);
  const double bandShare = wBand * trialShare;
  const double complexShare = wComplex * trialShare;
  const bool complete = ParallelChunks(n, kTrialChunk, options, 0, trialShare, [&](int begin, int end) {
    for (int t = begin; t < end; ++t) {
      const Trial trial = TrialOf(config.design, config.seed, t);
      const response::CircuitBatch::Measures m =
          sections ? batch.Set(t, trial.sections, trial.opamp, mask) : batch.Set(t, trial.parts, trial.opamp, mask);
      figures[t] = MeasureTrial(request, m);
      if (masked) passed[t] = m.meetsMask ? 1 : 0;
    }
  });
  if (!complete) return std::nullopt;

  // Stage two, per frequency: the gain of every trial and its band.
  const int points = static_cast<int>(config.frequencies.size());
  result.band.resize(points);
  const bool banded = ParallelChunks(points, 1, options, trialShare, bandShare, [&](int begin, int end) {
    std::vector<double> w(n);
    for (int j = begin; j < end; ++j) {
      const double f = config.frequencies[j];
      batch.GainKeys(f, w);
      result.band[j] = BandFromGainKeys(f, batch.NominalGainDb(f), w, batch.KeyDb());
    }
  });
  if (!banded) return std::nullopt;
  if (complex) {
    if (config.phaseBand) result.phaseBand.resize(points);
    if (config.delayBand) result.delayBand.resize(points);
    if (!PhaseAndDelayBands(config, batch, options, trialShare + bandShare, complexShare, result)) return std::nullopt;
  }

  // Statistics of the values in trial order.
  TrialSamples& s = result.samples;
  s.minus3dbHz.resize(n);
  s.f0Hz.assign(stageCount, std::vector<double>(n));
  s.q.assign(stageCount, std::vector<double>(n));
  s.peakDb.assign(stageCount, std::vector<double>(n));
  for (int t = 0; t < n; ++t) {
    s.minus3dbHz[t] = figures[t].minus3dbHz;
    for (int k = 0; k < stageCount; ++k) {
      s.f0Hz[k][t] = figures[t].f0Hz[k];
      s.q[k][t] = figures[t].q[k];
      s.peakDb[k][t] = figures[t].peakDb[k];
    }
  }
  // The summaries (each sorts its values) side by side on the workers.
  result.stages.resize(stageCount);
  const bool summarised = ParallelChunks(1 + 3 * stageCount, 1, options, 1, 0, [&](int begin, int end) {
    for (int item = begin; item < end; ++item) {
      if (item == 0) {
        result.minus3dbHz = Summarise(result.nominal.minus3dbHz, s.minus3dbHz);
        continue;
      }
      const int k = (item - 1) / 3;
      StageStats& st = result.stages[k];
      switch ((item - 1) % 3) {
        case 0:
          st.stage = k + 1;
          st.order = nominal.stageOrder[k];
          st.f0Hz = Summarise(result.nominal.f0Hz[k], s.f0Hz[k]);
          break;
        case 1:
          if (nominal.stageOrder[k] != 1) st.q = Summarise(result.nominal.q[k], s.q[k]);
          break;
        default:
          st.peakDb = Summarise(result.nominal.peakDb[k], s.peakDb[k]);
          break;
      }
    }
  });
  if (!summarised) return std::nullopt;
  if (masked) {
    YieldResult y;
    y.trials = n;
    for (int t = 0; t < n; ++t) {
      if (passed[t]) {
        ++y.passed;
      } else {
        y.failing.push_back(t);
      }
    }
    y.ratio = static_cast<double>(y.passed) / n;
    y.ci95 = WilsonInterval95(y.passed, n);
    y.nominalPasses = nominal.meetsMask;
    result.yield = std::move(y);
  }
  return result;
}

}  // namespace kelvara::tolerance
