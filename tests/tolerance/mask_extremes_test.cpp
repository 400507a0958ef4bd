// The mask test from the gain's stationary points against the scan of the
// bands (2 % grid, every grid extreme refined): the same decision on many
// random trials, ideal and real op-amps, low- and high-pass, and on masks
// set a hair's breadth either side of each trial's own extremes.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "response/mask_extremes.h"
#include "response/opamp_circuit.h"
#include "tests/tolerance/tolerance_test_support.h"
#include "tolerance/trial.h"

namespace kelvara::tolerance {
namespace {

using test::Designed;
using test::Request;

struct Config {
  const char* name;
  int kind;
  int order;
  int response;
  bool real;
  double gbwHz;
  double fp, fs;  // mask frequencies
};

const Config kConfigs[] = {
    {"ChebyshevLpf8", engine::kLpf, 8, engine::kChebyshev, false, 0, 700, 3000},
    {"ChebyshevHpf7", engine::kHpf, 7, engine::kChebyshev, false, 0, 1400, 330},
    {"ButterworthLpf3", engine::kLpf, 3, engine::kButterworth, false, 0, 500, 4000},
    {"ButterworthHpf6", engine::kHpf, 6, engine::kButterworth, false, 0, 1500, 400},
    {"RealChebyshevLpf8", engine::kLpf, 8, engine::kChebyshev, true, 1e6, 700, 3000},
    {"RealChebyshevHpf8", engine::kHpf, 8, engine::kChebyshev, true, 2e8, 1400, 330},
    {"RealButterworthLpf5", engine::kLpf, 5, engine::kButterworth, true, 3e5, 600, 5000},
    {"RealButterworthHpf3", engine::kHpf, 3, engine::kButterworth, true, 1e8, 2500, 150},
};

ToleranceDesign DesignOf(const Config& c) {
  ToleranceDesign d = Designed(Request(c.kind, c.order, c.response), 2, 5);
  if (c.real) {
    d.opamp.ideal = false;
    d.opamp.gbwHz = c.gbwHz;
    d.tolerances.gbwPct = 20;
  }
  return d;
}

// One trial as both tests see it.
struct TrialUnderTest {
  DesignRequest request;
  response::ResponseStages stages;
  response::OpAmpCircuit circuit;
  response::OpAmpModel model;
  bool real = false;

  bool Fast(const GainMask& m) const {
    return real ? MeetsMask(request, circuit, model, m) : MeetsMask(request, stages, m);
  }
  bool Scan(const GainMask& m) const {
    return real ? MeetsMaskByScan(request, circuit, model, m) : MeetsMaskByScan(request, stages, m);
  }
  bool Decided(const GainMask& m) const {
    return (real ? MeetsMaskByExtremes(request, circuit, model, m) : MeetsMaskByExtremes(request, stages, m))
        .has_value();
  }
};

TrialUnderTest TrialFor(const ToleranceDesign& d, int t) {
  const Trial trial = TrialOf(d, 7, t);
  TrialUnderTest u;
  u.request = d.request;
  u.stages = response::StagesFromComponents(d.request, trial.parts);
  u.circuit = response::CircuitFromComponents(d.request, trial.parts);
  u.model = trial.opamp;
  u.real = !d.opamp.ideal;
  return u;
}

// The limit at which the scan's decision turns, by bisection of one of the
// mask's dB figures (the other band held loose): the scan fails at lo and
// passes at hi, hi - lo about 1e-13 relative.
template <typename MaskAt>
std::pair<double, double> ScanThreshold(const TrialUnderTest& u, MaskAt maskAt, double lo, double hi) {
  for (int i = 0; i < 200 && hi - lo > 1e-13 * std::fabs(hi); ++i) {
    const double mid = 0.5 * (lo + hi);
    (u.Scan(maskAt(mid)) ? hi : lo) = mid;
  }
  return {lo, hi};
}

class MaskExtremes : public ::testing::TestWithParam<Config> {};

TEST_P(MaskExtremes, DecidesAsTheScanOnRandomTrials) {
  const Config& c = GetParam();
  const ToleranceDesign d = DesignOf(c);
  const int trials = c.real ? 300 : 1500;
  int passed = 0;
  for (int t = 0; t < trials; ++t) {
    const TrialUnderTest u = TrialFor(d, t);
    // Limits spread around what the design reaches, so that trials fall on
    // both sides of them.
    for (const GainMask& m :
         {GainMask{c.fp, 0.5, c.fs, 40}, GainMask{c.fp, 1, c.fs, 30}, GainMask{c.fp, 0.3, c.fs, 50}}) {
      ASSERT_TRUE(u.Decided(m)) << t;
      const bool scan = u.Scan(m);
      ASSERT_EQ(u.Fast(m), scan) << c.name << " trial " << t << " mask " << m.passDb << " / " << m.stopDb;
      passed += scan ? 1 : 0;
    }
  }
  // Both decisions occur.
  EXPECT_GT(passed, 0);
  EXPECT_LT(passed, 3 * trials);
}

TEST_P(MaskExtremes, DecidesAsTheScanAHairEitherSideOfEachTrialsExtremes) {
  const Config& c = GetParam();
  const ToleranceDesign d = DesignOf(c);
  const int trials = c.real ? 8 : 30;
  for (int t = 0; t < trials; ++t) {
    SCOPED_TRACE(std::string(c.name) + " trial " + std::to_string(t));
    const TrialUnderTest u = TrialFor(d, t);
    // The pass band's own limit (stop band loose), then the stop band's.
    const auto pass = ScanThreshold(
        u,
        [&](double a) {
          return GainMask{c.fp, a, c.fs, -1e9};
        },
        0, 60);
    const auto stop = ScanThreshold(
        u,
        [&](double x) {
          return GainMask{c.fp, 1e9, c.fs, -x};
        },
        -400, 200);
    for (const double rel : {1e-9, 1e-11}) {
      const double a = 0.5 * (pass.first + pass.second);
      const double b = -0.5 * (stop.first + stop.second);
      const GainMask passInside{c.fp, a * (1 + rel) + 1e-12, c.fs, -1e9};
      const GainMask passOutside{c.fp, a * (1 - rel) - 1e-12, c.fs, -1e9};
      const GainMask stopInside{c.fp, 1e9, c.fs, b - std::fabs(b) * rel - 1e-12};
      const GainMask stopOutside{c.fp, 1e9, c.fs, b + std::fabs(b) * rel + 1e-12};
      for (const GainMask& m : {passInside, passOutside, stopInside, stopOutside}) {
        ASSERT_TRUE(u.Decided(m));
        EXPECT_EQ(u.Fast(m), u.Scan(m)) << rel << " " << m.passDb << " " << m.stopDb;
      }
      EXPECT_TRUE(u.Fast(passInside));
      EXPECT_FALSE(u.Fast(passOutside));
      EXPECT_TRUE(u.Fast(stopInside));
      EXPECT_FALSE(u.Fast(stopOutside));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Designs, MaskExtremes, ::testing::ValuesIn(kConfigs),
                         [](const ::testing::TestParamInfo<Config>& info) { return std::string(info.param.name); });

TEST(MaskExtremesScope, AnOutputResistanceOrAGainThatIsNoNumberIsLeftToTheScan) {
  ToleranceDesign d = DesignOf(kConfigs[4]);
  d.opamp.routOhm = 50;
  const TrialUnderTest u = TrialFor(d, 0);
  const GainMask m{700, 1, 3000, 40};
  EXPECT_FALSE(u.Decided(m));
  EXPECT_EQ(u.Fast(m), u.Scan(m));
  TrialUnderTest bad = TrialFor(DesignOf(kConfigs[0]), 0);
  bad.stages.q[1] = NAN;
  EXPECT_FALSE(bad.Decided(m));
  EXPECT_FALSE(bad.Fast(m));
  EXPECT_FALSE(TrialFor(DesignOf(kConfigs[0]), 0).Decided(GainMask{NAN, 1, 3000, 40}));
}

TEST(MaskExtremesScope, AMaskSpanningManyDecadesIsDecidedAsTheScanDecidesIt) {
  // An order-3 LPF at 1 MHz against a pass band at 0.5 Hz and a stop band
  // from 500 Hz: the stop band's search reaches up to the stages.
  const ToleranceDesign d = Designed(Request(engine::kLpf, 3, engine::kChebyshev, "1M"), 1, 5);
  for (int t = 0; t < 50; ++t) {
    const TrialUnderTest u = TrialFor(d, t);
    for (const GainMask& m :
         {GainMask{0.5, 10000, 500, 3}, GainMask{0.5, 10000, 5e6, 3}, GainMask{0.5, 1e-6, 5e6, 20}}) {
      ASSERT_TRUE(u.Decided(m));
      EXPECT_EQ(u.Fast(m), u.Scan(m)) << t << " " << m.stopHz;
    }
  }
}

}  // namespace
}  // namespace kelvara::tolerance
