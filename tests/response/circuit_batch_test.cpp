// The batch of trials the tolerance runs evaluate: every slot answers what
// the single-circuit views answer for its parts and op-amp, bit for bit,
// whichever op-amp the batch holds; and one curve of the filter with its
// op-amp (CurveValues) is the view of that op-amp.

#include "response/circuit_batch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "response/circuit.h"
#include "response/opamp_time.h"
#include "response/time_response.h"
#include "response/views.h"
#include "tests/response/opamp_test_support.h"

namespace kelvara::response {
namespace {

using testing::Describe;
using testing::DesignCase;
using testing::DesignedParts;
using testing::RealOpAmp;
using testing::RequestOf;

const DesignCase kDesigns[] = {
    {engine::kLpf, 3, engine::kBessel, "250"},
    {engine::kLpf, 8, engine::kChebyshev, "10k"},
    {engine::kHpf, 5, engine::kButterworth, "47k"},
    {engine::kHpf, 6, engine::kChebyshev, "2M"},
};

// Part values of trial t: every part moved by a few per cent, differently.
ComponentSet Scattered(const DesignRequest& request, ComponentSet parts, int t) {
  for (int i = 0; i < request.Order(); ++i) {
    parts.r[i] *= 1 + 0.01 * std::sin(1.7 * (t + 1) * (i + 1));
    parts.c[i] *= 1 + 0.03 * std::cos(0.9 * (t + 2) * (i + 1));
  }
  return parts;
}

TEST(CircuitBatch, EverySlotIsTheSingleCircuitsViewsToTheLastBit) {
  for (const DesignCase& d : kDesigns) {
    const DesignRequest request = RequestOf(d);
    const ComponentSet nominal = DesignedParts(d);
    for (const OpAmpModel& opAmp : {OpAmpModel{}, RealOpAmp(2e6, 100, 0)}) {
      SCOPED_TRACE(Describe(d) + (opAmp.ideal ? " ideal" : " real"));
      constexpr int kTrials = 5;
      CircuitBatch batch(request, nominal, opAmp, kTrials, true);
      const GainMask mask{request.cutoffHz / 3, 1, request.cutoffHz * 3, 20};
      std::vector<ComponentSet> parts;
      for (int t = 0; t < kTrials; ++t) {
        parts.push_back(Scattered(request, nominal, t));
        const CircuitBatch::Measures m = batch.Set(t, parts[t], opAmp, &mask);
        const ResponseStages stages = StagesFromComponents(request, parts[t]);
        const OpAmpCircuit circuit = CircuitFromComponents(request, parts[t]);
        EXPECT_EQ(m.stages.omega, stages.omega);
        EXPECT_EQ(m.stages.q, stages.q);
        if (opAmp.ideal) {
          EXPECT_EQ(m.minus3dbHz, FindCutoff3dB(request, stages));
          EXPECT_EQ(m.meetsMask, MeetsMask(request, stages, mask));
        } else {
          EXPECT_EQ(m.minus3dbHz, CircuitCutoff3dB(circuit, opAmp));
          EXPECT_EQ(m.meetsMask, MeetsMask(request, circuit, opAmp, mask));
        }
      }
      const std::vector<double> freqs = LogPoints(request.cutoffHz / 20, request.cutoffHz * 20, 41);
      std::vector<double> keys(kTrials);
      std::vector<CircuitBatch::PhaseWalk> walks;
      for (int t = 0; t < kTrials; ++t) walks.push_back(batch.StartPhaseWalk(t, freqs.front()));
      for (const double f : freqs) {
        batch.GainKeys(f, keys);
        for (int t = 0; t < kTrials; ++t) {
          const Cascade cascade = CascadeFromParts(request, parts[t]);
          const OpAmpCircuit circuit = CircuitFromComponents(request, parts[t]);
          const double gain = opAmp.ideal ? GainDb(cascade, f) : CircuitGainDb(circuit, opAmp, f);
          // The keys' form differs from the views' by rounding only.
          EXPECT_NEAR(batch.KeyDb()(keys[t]), gain, 1e-9) << f;
          EXPECT_EQ(batch.DelayS(t, f), opAmp.ideal ? GroupDelay(cascade, f) : CircuitDelayS(circuit, opAmp, f));
          if (opAmp.ideal) {
            EXPECT_EQ(walks[t].PhaseAt(f), PhaseDeg(cascade, f)) << f;
          }
        }
      }
      // A real op-amp's walks give the phase view's unwrapped curve.
      if (!opAmp.ideal) {
        for (int t = 0; t < kTrials; ++t) {
          CircuitBatch::PhaseWalk walk = batch.StartPhaseWalk(t, freqs.front());
          const std::vector<double> curve = CircuitPhaseDeg(CircuitFromComponents(request, parts[t]), opAmp, freqs);
          for (std::size_t j = 0; j < freqs.size(); ++j) EXPECT_EQ(walk.PhaseAt(freqs[j]), curve[j]) << freqs[j];
        }
      }
      // The nominal design's views.
      const CircuitBatch::Measures n = batch.Nominal(&mask);
      EXPECT_EQ(n.stages.omega, StagesFromComponents(request, nominal).omega);
      const double f = request.cutoffHz * 1.3;
      EXPECT_EQ(batch.NominalGainDb(f), opAmp.ideal ? ResponseDb(request, StagesFromComponents(request, nominal), f)
                                                    : CircuitGainDb(CircuitFromComponents(request, nominal), opAmp, f));
    }
  }
}

TEST(CurveValues, AreTheViewsOfTheFiltersOpAmp) {
  for (const DesignCase& d : kDesigns) {
    SCOPED_TRACE(Describe(d));
    const DesignRequest request = RequestOf(d);
    const ComponentSet parts = DesignedParts(d);
    const Cascade cascade = CascadeFromParts(request, parts);
    const std::vector<double> freqs = LogPoints(request.cutoffHz / 10, request.cutoffHz * 10, 21);
    const TimeResponse time(cascade);
    const std::vector<double> times = LinearPoints(0, time.SettledSpan(), 21);
    const OpAmpModel ideal;
    const std::vector<double> gain = CurveValues(request, parts, ideal, CurveKind::kGain, freqs);
    const std::vector<double> phase = CurveValues(request, parts, ideal, CurveKind::kPhase, freqs);
    const std::vector<double> delay = CurveValues(request, parts, ideal, CurveKind::kDelay, freqs);
    const std::vector<double> step = CurveValues(request, parts, ideal, CurveKind::kStep, times);
    const std::vector<double> impulse = CurveValues(request, parts, ideal, CurveKind::kImpulse, times);
    for (std::size_t j = 0; j < freqs.size(); ++j) {
      EXPECT_EQ(gain[j], GainDb(cascade, freqs[j]));
      EXPECT_EQ(phase[j], PhaseDeg(cascade, freqs[j]));
      EXPECT_EQ(delay[j], GroupDelay(cascade, freqs[j]));
      EXPECT_EQ(step[j], time.Step(times[j]));
      EXPECT_EQ(impulse[j], time.Impulse(times[j]));
    }
    const OpAmpModel real = RealOpAmp(1e6, 100, 50);
    const OpAmpCircuit circuit = CircuitFromComponents(request, parts);
    const CircuitCurveSet set = CircuitCurves(circuit, real, freqs);
    EXPECT_EQ(CurveValues(request, parts, real, CurveKind::kGain, freqs), set.gainDb);
    EXPECT_EQ(CurveValues(request, parts, real, CurveKind::kPhase, freqs), set.phaseDeg);
    EXPECT_EQ(CurveValues(request, parts, real, CurveKind::kDelay, freqs), set.delayS);
    const CircuitTimeCurves t = CircuitTimeResponse(circuit, real, times.front(), times.back(), 21);
    EXPECT_EQ(CurveValues(request, parts, real, CurveKind::kStep, times), t.step);
    EXPECT_EQ(CurveValues(request, parts, real, CurveKind::kImpulse, times), t.impulse);
  }
}

}  // namespace
}  // namespace kelvara::response
