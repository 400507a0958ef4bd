// Band-pass filters of MFB sections: the sections' targets against the
// prototype's band-pass response computed here from its own poles and the
// transformation s -> (s^2 + w0^2) / (B s); the section's figures against
// its node equations solved here; the band edges on the exact gain; the
// netlists of designs in ngspice against the same prototype (0.01 dB,
// 0.1°).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/bandpass.h"
#include "export/spice_netlist.h"
#include "response/bandpass.h"
#include "response/circuit.h"
#include "response/noise.h"
#include "response/signal_levels.h"
#include "tests/support/ngspice.h"
#include "values/filter_catalogue.h"

namespace kelvara::response {
namespace {

using Complex = std::complex<double>;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
constexpr double kDegrees = 57.29577951308232;

// The low-pass prototype of order m at 1 rad/s, from its textbook poles:
// Butterworth on the unit circle, Chebyshev -sinh(a) sin(t) + j cosh(a)
// cos(t) (cut-off at the ripple edge). Unity gain at DC.
Complex Prototype(int response, double rippleDb, int m, Complex s) {
  Complex h = 1.0;
  const double a =
      response == values::kChebyshev ? std::asinh(1.0 / std::sqrt(std::pow(10.0, rippleDb / 10.0) - 1.0)) / m : 0.0;
  for (int k = 1; k <= m; ++k) {
    const double t = (2.0 * k - 1.0) * kPi / (2.0 * m);
    const Complex p = response == values::kChebyshev ? Complex(-std::sinh(a) * std::sin(t), std::cosh(a) * std::cos(t))
                                                     : Complex(-std::sin(t), std::cos(t));
    h *= -p / (s - p);
  }
  return h;
}

// The band-pass of the prototype at s: s_lp = (s^2 + w0^2) / (B' s).
Complex BandPassAt(int response, double rippleDb, int order, double f0, double b, double gain, Complex s) {
  const double w0 = kTwoPi * f0;
  return gain * Prototype(response, rippleDb, order / 2, (s * s + w0 * w0) / (kTwoPi * b * s));
}

Complex BandPass(int response, double rippleDb, int order, double f0, double b, double gain, double f) {
  return BandPassAt(response, rippleDb, order, f0, b, gain, Complex(0, kTwoPi * f));
}

// The sections' targets as transfers: each -K (w/Q) s / (s^2 + (w/Q) s + w^2).
Complex OfTargets(const std::vector<engine::BandPassSection>& sections, double f) {
  const Complex s(0, kTwoPi * f);
  Complex h = 1.0;
  for (const auto& t : sections) h *= -t.gain * (t.omega / t.q) * s / (s * s + (t.omega / t.q) * s + t.omega * t.omega);
  return h;
}

int RippleIndex(double db) {
  for (int i = 0; i < values::kRippleCount; ++i) {
    if (values::kRippleDb[i] == db) return i;
  }
  return 0;
}

struct Row {
  int response;
  double rippleDb;
  int order;
  double f0, b, gain;
};

const Row kRows[] = {
    {values::kButterworth, 0.25, 2, 1e3, 100, 1},   {values::kButterworth, 0.25, 4, 10e3, 2e3, 1},
    {values::kButterworth, 0.25, 6, 1e3, 500, 10},  {values::kButterworth, 0.25, 8, 50e3, 5e3, 100},
    {values::kChebyshev, 0.5, 4, 1e3, 200, 1},      {values::kChebyshev, 1.0, 6, 2e3, 300, 10},
    {values::kChebyshev, 0.25, 8, 10e3, 1e3, 1},    {values::kChebyshev, 3.0, 2, 1e3, 300, 1},
    {values::kButterworth, 0.25, 4, 1e3, 1.5e3, 1},  // wider than the centre
};

TEST(BandPass, SectionTargetsAreTheTransformedPrototype) {
  for (const Row& r : kRows) {
    const auto sections = engine::BandPassSections(r.response, RippleIndex(r.rippleDb), r.order, r.f0, r.b, r.gain);
    ASSERT_EQ(sections.size(), static_cast<std::size_t>(r.order / 2));
    // An odd number of inverting sections inverts the filter.
    const double sign = (r.order / 2) % 2 == 0 ? 1.0 : -1.0;
    for (double f = r.f0 / 20; f < r.f0 * 20; f *= 1.01) {
      const Complex expected = sign * BandPass(r.response, r.rippleDb, r.order, r.f0, r.b, r.gain, f);
      const Complex got = OfTargets(sections, f);
      EXPECT_NEAR(std::abs(got) / std::abs(expected), 1.0, 1e-9) << r.order << " " << r.f0 << " at " << f;
      EXPECT_NEAR(std::arg(got / expected), 0.0, 1e-9) << r.order << " at " << f;
    }
  }
}

TEST(BandPass, EveryResponseGivesItsSectionsInAscendingFrequency) {
  for (int response = 0; response < values::kResponseCount; ++response) {
    for (int order = 2; order <= 8; order += 2) {
      const auto sections = engine::BandPassSections(response, 0, order, 1e3, 200);
      if (values::EvenOrdersOnly(response) && (order / 2) % 2 != 0) {
        EXPECT_TRUE(sections.empty());
        continue;
      }
      ASSERT_EQ(sections.size(), static_cast<std::size_t>(order / 2)) << response << " " << order;
      for (std::size_t k = 1; k < sections.size(); ++k) EXPECT_LE(sections[k - 1].omega, sections[k].omega);
    }
  }
  EXPECT_TRUE(engine::BandPassSections(values::kButterworth, 0, 5, 1e3, 200).empty());
  EXPECT_TRUE(engine::BandPassSections(values::kButterworth, 0, 4, 1e3, 0).empty());
}

// The MFB band-pass stage with an ideal op-amp (- input n at 0 V): node a
// and the output from the two node equations, solved here.
Complex NodeTransfer(const double v[5], Complex s) {
  const double g1 = 1 / v[0], g2 = 1 / v[1], g3 = 1 / v[2], c1 = v[3], c2 = v[4];
  // n:  s C1 Va + G3 Vo = 0            -> Vo = -s C1 Va / G3
  // a:  G1 (1 - Va) - G2 Va - s C1 Va - s C2 (Va - Vo) = 0
  const Complex k = -s * c1 / g3;  // Vo / Va
  const Complex va = g1 / (g1 + g2 + s * c1 + s * c2 - s * c2 * k);
  return k * va;
}

TEST(BandPass, TheSectionsFiguresAreThoseOfItsNodeEquations) {
  const double cases[][5] = {
      {10e3, 1e3, 100e3, 10e-9, 10e-9}, {4.7e3, 220, 47e3, 3.3e-9, 3.3e-9}, {1e3, 100e3, 22e3, 1e-9, 4.7e-9}};
  std::array<int, 2> next{1, 1};
  for (const auto& v : cases) {
    const Section s =
        MakeSection(*FindSectionTopology("mfb"), SectionKind::kBandPass, std::span<const double>(v, 5), next);
    const SectionFigures f = s.Figures();
    for (const double x : {0.1, 0.5, 1.0, 2.0, 10.0}) {
      const Complex sj(0, f.omega * x);
      const Complex expected = f.gain * (f.omega / f.q) * sj / (sj * sj + (f.omega / f.q) * sj + f.omega * f.omega);
      const Complex got = NodeTransfer(v, sj);
      EXPECT_NEAR(std::abs(got - expected) / std::abs(got), 0.0, 1e-12) << x;
    }
  }
}

TEST(BandPass, DesignsHitTheirTargetsAndItsEdgesLieOnTheCutoffLevel) {
  for (const Row& r : kRows) {
    const int ripple = RippleIndex(r.rippleDb);
    const auto targets = engine::BandPassSections(r.response, ripple, r.order, r.f0, r.b, r.gain);
    const engine::BandPassDesign design = engine::DesignBandPass(targets);
    ASSERT_TRUE(design.valid) << r.order << " " << r.f0;
    const std::vector<Section> sections = SectionsOfBandPass(design);
    for (std::size_t k = 0; k < sections.size(); ++k) {
      const SectionFigures f = sections[k].Figures();
      EXPECT_NEAR(f.omega / targets[k].omega, 1.0, 1e-12);
      EXPECT_NEAR(f.q / targets[k].q, 1.0, 1e-12);
      EXPECT_NEAR(-f.gain / targets[k].gain, 1.0, 1e-12);
    }
    const double level = BandEdgeLevelDb(r.response, ripple, r.order);
    const BandPassSummary s =
        SummarizeBandPass(CircuitOfSections(sections, {}), r.f0, level, r.response == values::kChebyshev);
    EXPECT_NEAR(s.centerGainDb, 20 * std::log10(r.gain), 1e-9);
    EXPECT_NEAR(s.bandwidthHz / r.b, 1.0, 1e-9) << r.order << " " << r.f0;
    EXPECT_NEAR(s.lowerEdgeHz * s.upperEdgeHz / (r.f0 * r.f0), 1.0, 1e-9);
    if (r.response == values::kChebyshev) {
      ASSERT_TRUE(s.rippleDb.has_value());
      EXPECT_NEAR(*s.rippleDb, r.rippleDb, 1e-9);
    }
  }
}

TEST(BandPass, AGainAbove2QSquaredIsRefusedNamingTheSection) {
  const auto targets = engine::BandPassSections(values::kButterworth, 0, 2, 1e3, 500, 1000);
  const engine::BandPassDesign design = engine::DesignBandPass(targets);
  EXPECT_FALSE(design.valid);
  ASSERT_EQ(design.warnings.size(), 1u);
  EXPECT_NE(design.warnings[0].second.find("段 1"), std::string::npos) << design.warnings[0].second;
  EXPECT_NE(design.warnings[0].second.find("2Q²"), std::string::npos);
}

// The mask's margins against a dense walk of the same gain (2000 points a
// unit of ln f): the exact extremes are at least as far out as any sample
// and close to them (the walk misses a Q-30 peak by some 1e-5 dB); a
// Chebyshev pass band holding its ripple has the margin Ap - ripple.
TEST(BandPass, MaskMarginsAreTheExactExtremesOfEachBand) {
  struct MaskRow {
    Row filter;
    BandPassMask mask;
  };
  const MaskRow rows[] = {
      {{values::kButterworth, 0.25, 4, 10e3, 2e3, 1}, {5e3, 9.1e3, 11e3, 20e3, 3, 30}},
      {{values::kChebyshev, 0.5, 6, 1e3, 300, 10}, {600, 870, 1150, 1600, 0.6, 40}},
      {{values::kChebyshev, 1.0, 8, 10e3, 1e3, 1}, {8e3, 9.6e3, 10.4e3, 12e3, 0.5, 50}},
  };
  for (const MaskRow& r : rows) {
    const Row& f = r.filter;
    const CircuitModel circuit =
        CircuitOfSections(SectionsOfBandPass(engine::DesignBandPass(engine::BandPassSections(
                              f.response, RippleIndex(f.rippleDb), f.order, f.f0, f.b, f.gain))),
                          {});
    const double nominal = 20 * std::log10(f.gain);
    const BandPassMargins m = MarginsOf(circuit, nominal, r.mask);
    auto db = [&](double hz) {
      return 20 * std::log10(std::abs(OfTargets(
                      engine::BandPassSections(f.response, RippleIndex(f.rippleDb), f.order, f.f0, f.b, f.gain), hz)));
    };
    double deviation = 0, stop = -1e300;
    for (double hz = r.mask.fp1; hz <= r.mask.fp2; hz *= 1.0005)
      deviation = std::max(deviation, std::fabs(db(hz) - nominal));
    for (double hz = r.mask.fs1 / 1000; hz <= r.mask.fs1; hz *= 1.0005) stop = std::max(stop, db(hz));
    for (double hz = r.mask.fs2; hz <= r.mask.fs2 * 1000; hz *= 1.0005) stop = std::max(stop, db(hz));
    stop = std::max({stop, db(r.mask.fs1), db(r.mask.fs2)});
    deviation = std::max({deviation, std::fabs(db(r.mask.fp1) - nominal), std::fabs(db(r.mask.fp2) - nominal)});
    const double densePass = r.mask.ap - deviation, denseStop = nominal - r.mask.as - stop;
    EXPECT_LE(m.passDb, densePass + 1e-9) << f.order;
    EXPECT_NEAR(m.passDb, densePass, 1e-4) << f.order;
    if (f.response == values::kChebyshev) {
      EXPECT_NEAR(m.passDb, r.mask.ap - f.rippleDb, 1e-9) << f.order;
    }
    EXPECT_LE(m.stopDb, denseStop + 1e-9) << f.order;
    EXPECT_NEAR(m.stopDb, denseStop, 1e-4) << f.order;
  }
  EXPECT_FALSE(IsOrdered({5e3, 4e3, 11e3, 20e3, 3, 30}));
  EXPECT_FALSE(IsOrdered({5e3, 9e3, 11e3, 20e3, 30, 3}));
  EXPECT_TRUE(IsOrdered({5e3, 9e3, 11e3, 20e3, 3, 30}));
}

TEST(BandPassNgspice, NetlistsAreTheTransformedPrototype) {
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  for (const Row& r : kRows) {
    const int ripple = RippleIndex(r.rippleDb);
    const std::vector<Section> sections = SectionsOfBandPass(
        engine::DesignBandPass(engine::BandPassSections(r.response, ripple, r.order, r.f0, r.b, r.gain)));
    exports::NetlistOptions options;
    // An op-amp of 200 dB open-loop gain: a section of Q 30 and centre gain
    // 30 has a noise gain near 2 Q^2 = 1800, which the netlist's ideal
    // op-amp (a source of gain 1e6) would show as 0.015 dB.
    options.opamp.ideal = false;
    options.opamp.a0Db = 200;
    options.opamp.gbwHz = 1e16;
    options.fStartHz = r.f0 / 100;
    options.fStopHz = r.f0 * 100;
    options.date = "2026-12-09";
    const auto run =
        test::RunNgspice(exports::WriteSectionsNetlist(sections, options), "run\nwrdata @OUT@ vr(out) vi(out)");
    ASSERT_TRUE(run.ok) << run.log;
    const double sign = (r.order / 2) % 2 == 0 ? 1.0 : -1.0;
    int compared = 0;
    for (const auto& row : run.rows) {
      if (row.size() != 4) continue;
      const Complex got(row[1], row[3]);
      const Complex expected = sign * BandPass(r.response, r.rippleDb, r.order, r.f0, r.b, r.gain, row[0]);
      if (20 * std::log10(std::abs(expected) / r.gain) < -120) continue;  // below the simulator's resolution
      EXPECT_NEAR(20 * std::log10(std::abs(got) / std::abs(expected)), 0.0, 0.01) << r.order << " at " << row[0];
      EXPECT_NEAR(std::arg(got / expected) * kDegrees, 0.0, 0.1) << r.order << " at " << row[0];
      ++compared;
    }
    EXPECT_GT(compared, 50);
  }
}

std::vector<Section> Designed(const Row& r) {
  return SectionsOfBandPass(engine::DesignBandPass(
      engine::BandPassSections(r.response, RippleIndex(r.rippleDb), r.order, r.f0, r.b, r.gain)));
}

// The step and impulse of band-pass designs with the ideal op-amp: the
// impulse's Laplace transform, integrated here by Simpson's rule, is the
// prototype's band-pass at real s (the sections invert, so its sign is
// (-1)^(order/2)); the step starts at 0 and rings back to 0.
TEST(BandPassTime, TheImpulsesLaplaceTransformIsThePrototypesBandPass) {
  for (const Row& r : kRows) {
    SCOPED_TRACE(::testing::Message() << r.order << " " << r.f0 << " " << r.b);
    const std::vector<Section> sections = Designed(r);
    const CircuitModel circuit = CircuitOfSections(sections, {});
    // Until the slowest pole, w / 2Q, has decayed by e^-40.
    double slowest = 1e300;
    for (const Section& s : sections) slowest = std::min(slowest, s.Figures().omega / (2 * s.Figures().q));
    const double span = 40 / slowest;
    constexpr int kPoints = 400001;
    const TimeCurves t = CircuitStepImpulse(circuit, 0, span, kPoints);
    ASSERT_EQ(t.impulse.size(), static_cast<std::size_t>(kPoints));
    EXPECT_EQ(t.diracWeight, 0.0);
    EXPECT_NEAR(t.step.front(), 0.0, 1e-12);
    EXPECT_NEAR(t.step.back(), 0.0, 1e-9 * r.gain);
    const double sign = (r.order / 2) % 2 == 0 ? 1.0 : -1.0;
    const double dt = span / (kPoints - 1);
    for (const double x : {0.3, 1.0, 3.0}) {
      const double sigma = x * kTwoPi * r.f0;
      double sum = 0;
      for (int i = 0; i < kPoints; ++i) {
        const double w = i == 0 || i == kPoints - 1 ? 1 : i % 2 == 1 ? 4 : 2;
        sum += w * t.impulse[i] * std::exp(-sigma * dt * i);
      }
      const Complex h = sign * BandPassAt(r.response, r.rippleDb, r.order, r.f0, r.b, r.gain, Complex(sigma, 0));
      EXPECT_NEAR(sum * dt / 3 / h.real(), 1, 1e-6) << x;
      // The step is the impulse's integral: its transform is H(s) / s.
      double stepSum = 0;
      for (int i = 0; i < kPoints; ++i) {
        const double w = i == 0 || i == kPoints - 1 ? 1 : i % 2 == 1 ? 4 : 2;
        stepSum += w * t.step[i] * std::exp(-sigma * dt * i);
      }
      EXPECT_NEAR(stepSum * dt / 3 / (h.real() / sigma), 1, 1e-6) << x;
    }
  }
}

// The output noise of band-pass designs (every resistor, the op-amp's en
// and in) against ngspice's noise analysis over the default band
// f0/10..10 f0, in total and for R1 alone.
TEST(BandPassNgspice, NoiseIsNgspicesNoiseAnalysis) {
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  OpAmpModel model;
  model.noise.enNvRtHz = 8;
  model.noise.inPaRtHz = 0.5;
  for (const Row& r : {kRows[1], kRows[2], kRows[5]}) {
    const std::vector<Section> sections = Designed(r);
    const NoiseBand band{r.f0 / 10, r.f0 * 10};
    const NoiseReport report = IntegrateNoise(CircuitOfSections(sections, model), 25, band);
    exports::NetlistOptions options;
    options.opamp = model;
    options.date = "2026-12-09";
    char control[200];
    std::snprintf(control, sizeof control,
                  "noise v(out) V1 dec 4000 %.17g %.17g 1\nsetplot noise2\nset appendwrite\n"
                  "wrdata @OUT@ onoise_total onoise_total_r1",
                  band.loHz, band.hiHz);
    const auto run = test::RunNgspice(exports::WriteSectionsNetlist(sections, options), control);
    ASSERT_TRUE(run.ok) << run.log;
    ASSERT_GE(run.rows.size(), 1u);
    ASSERT_GE(run.rows[0].size(), 4u);
    ASSERT_EQ(report.sources[0].name, "R1");
    EXPECT_NEAR(run.rows[0][1], report.totalVrms, 5e-3 * report.totalVrms) << r.order << " " << r.f0;
    EXPECT_NEAR(run.rows[0][3], report.sourceVrms[0], 5e-3 * report.sourceVrms[0]) << r.order << " " << r.f0;
  }
}

// The highest gain at every op-amp's output against ngspice's sweep of that
// node (2000 points a decade around the band).
TEST(BandPassNgspice, LevelsAreTheHighestGainsAtTheOpAmpOutputs) {
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  for (const Row& r : {kRows[1], kRows[2], kRows[5]}) {
    const std::vector<Section> sections = Designed(r);
    const LevelReport levels = AnalyseLevels(CircuitOfSections(sections, {}), {r.f0 / 10, r.f0 * 10}, 0);
    const int n = static_cast<int>(sections.size());
    ASSERT_EQ(static_cast<int>(levels.stages.size()), n);
    exports::NetlistOptions options;
    options.date = "2026-12-09";
    options.opamp.ideal = false;  // 200 dB: the ideal op-amp without the netlist's 1e6
    options.opamp.a0Db = 200;
    options.opamp.gbwHz = 1e16;
    std::string vectors;
    for (int k = 1; k <= n; ++k) vectors += k == n ? " vm(out)" : " vm(s" + std::to_string(k) + "_out)";
    char sweep[120];
    std::snprintf(sweep, sizeof sweep, "ac dec 2000 %.17g %.17g\nwrdata @OUT@", r.f0 / 10, r.f0 * 10);
    const auto run = test::RunNgspice(exports::WriteSectionsNetlist(sections, options), sweep + vectors);
    ASSERT_TRUE(run.ok) << run.log;
    std::vector<double> highest(n, 0.0);
    for (const auto& row : run.rows) {
      ASSERT_EQ(static_cast<int>(row.size()), 2 * n);
      for (int k = 0; k < n; ++k) highest[k] = std::max(highest[k], row[2 * k + 1]);
    }
    for (int k = 0; k < n; ++k) {
      // The exact peak is at least the sweep's, and close to it.
      EXPECT_GE(levels.stages[k].maxGainDb, 20 * std::log10(highest[k]) - 1e-6) << r.order << " U" << k + 1;
      EXPECT_NEAR(levels.stages[k].maxGainDb, 20 * std::log10(highest[k]), 0.01) << r.order << " U" << k + 1;
    }
  }
}

}  // namespace
}  // namespace kelvara::response
