// The noise and level computations against closed forms: a first-order RC
// behind a follower, a unity-gain second-order Sallen-Key stage, the 1/f
// term of en, the peak of a second-order stage and its slew limit.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "response/noise.h"
#include "response/noise_texts.h"
#include "response/noise_transfer.h"
#include "response/signal_levels.h"
#include "tests/response/opamp_test_support.h"

namespace kelvara::response {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

double FourKT(double temperatureC) { return 4 * kBoltzmann * (kZeroCelsiusK + temperatureC); }

// One first-order stage: R from the input to the + input, C to ground.
OpAmpCircuit RcCircuit(double r, double c) {
  OpAmpCircuit circuit;
  circuit.request.passKind = engine::kLpf;
  circuit.request.evenOrder = false;
  circuit.stageCount = 1;
  circuit.stages[0].firstOrder = true;
  circuit.stages[0].series1 = r;
  circuit.stages[0].shunt = c;
  circuit.ideal.omega[0] = 1 / (r * c);
  return circuit;
}

// One unity-gain second-order LPF stage: R1 to node A, R2 to the + input,
// C1 from A to the output, C2 from the + input to ground.
OpAmpCircuit SallenKeyCircuit(double r1, double r2, double c1, double c2) {
  OpAmpCircuit circuit;
  circuit.request.passKind = engine::kLpf;
  circuit.request.evenOrder = true;
  circuit.stageCount = 1;
  CircuitStage& st = circuit.stages[0];
  st.series1 = r1;
  st.series2 = r2;
  st.feedback = c1;
  st.shunt = c2;
  circuit.ideal.omega[0] = 1 / std::sqrt(r1 * r2 * c1 * c2);
  circuit.ideal.q[0] = std::sqrt(r1 * r2 * c1 * c2) / ((r1 + r2) * c2);
  return circuit;
}

OpAmpModel Noisy(double enNv, double cornerHz, double inPa) {
  OpAmpModel m;
  m.noise.enNvRtHz = enNv;
  m.noise.enCornerHz = cornerHz;
  m.noise.inPaRtHz = inPa;
  return m;
}

TEST(NoiseSources, AreNamedResistorsFirstThenEachOpAmpsEnAndIn) {
  const OpAmpCircuit c = testing::DesignedCircuit({engine::kLpf, 5, engine::kButterworth, "1k"});
  std::vector<std::string> names;
  for (const NoiseSource& s : NoiseSourcesOf(c)) names.push_back(s.name);
  EXPECT_EQ(names, (std::vector<std::string>{"R1", "R2", "R3", "R4", "R5", "U1 en", "U1 in", "U2 en", "U2 in", "U3 en",
                                             "U3 in"}));
}

TEST(NoiseBand, DefaultsAsTheKindAsks) {
  engine::DesignRequest request;
  request.cutoffHz = 2000;
  request.passKind = engine::kLpf;
  EXPECT_EQ(DefaultNoiseBand(request).loHz, 1.0);
  EXPECT_EQ(DefaultNoiseBand(request).hiHz, 20000.0);
  request.passKind = engine::kHpf;
  EXPECT_EQ(DefaultNoiseBand(request).loHz, 200.0);
  EXPECT_EQ(DefaultNoiseBand(request).hiHz, 200000.0);
}

struct RcCase {
  double r, c, enNv, cornerHz, inPa, temperatureC, lo, hi;
};

class RcNoise : public ::testing::TestWithParam<RcCase> {};

TEST_P(RcNoise, DensitiesAndIntegralsAreTheClosedForms) {
  const RcCase p = GetParam();
  const OpAmpCircuit c = RcCircuit(p.r, p.c);
  const OpAmpModel m = Noisy(p.enNv, p.cornerHz, p.inPa);
  const double fc = 1 / (kTwoPi * p.r * p.c);
  const double en = p.enNv * 1e-9, in = p.inPa * 1e-12;
  for (double f : {p.lo, fc / 10, fc, 3 * fc, p.hi}) {
    const NoiseDensity d = NoiseDensityAt(c, m, p.temperatureC, f);
    const double pole = 1 / std::sqrt(1 + (f / fc) * (f / fc));
    ASSERT_EQ(d.sourceVRtHz.size(), 3u);
    EXPECT_NEAR(d.sourceVRtHz[0], std::sqrt(FourKT(p.temperatureC) * p.r) * pole, 1e-12 * d.totalVRtHz) << f;
    EXPECT_NEAR(d.sourceVRtHz[1], en * std::sqrt(1 + p.cornerHz / f), 1e-12 * d.totalVRtHz) << f;
    EXPECT_NEAR(d.sourceVRtHz[2], in * p.r * pole, 1e-12 * d.totalVRtHz) << f;
  }
  const NoiseReport r = IntegrateNoise(c, m, p.temperatureC, {p.lo, p.hi});
  const double arc = fc * (std::atan(p.hi / fc) - std::atan(p.lo / fc));
  const double resistor = FourKT(p.temperatureC) * p.r * arc;
  const double voltage = en * en * ((p.hi - p.lo) + p.cornerHz * std::log(p.hi / p.lo));
  const double current = in * in * p.r * p.r * arc;
  EXPECT_NEAR(r.sourceVrms[0], std::sqrt(resistor), 1e-6 * std::sqrt(resistor));
  EXPECT_NEAR(r.sourceVrms[1], std::sqrt(voltage), 1e-6 * std::sqrt(voltage) + 1e-30);
  EXPECT_NEAR(r.sourceVrms[2], std::sqrt(current), 1e-6 * std::sqrt(current) + 1e-30);
  const double total = std::sqrt(resistor + voltage + current);
  EXPECT_NEAR(r.totalVrms, total, 1e-6 * total);
  EXPECT_NEAR(r.inputReferredVrms, total, 1e-6 * total);
  EXPECT_NEAR(r.Share(0) + r.Share(1) + r.Share(2), 1.0, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Closed, RcNoise,
                         ::testing::Values(RcCase{1e3, 1e-9, 0, 0, 0, 25, 1, 1e7},        // kT/C within the band
                                           RcCase{10e3, 10e-9, 7, 0, 0, 27, 1, 1e4},      // en flat
                                           RcCase{4.7e3, 3.3e-9, 5, 1e3, 1, 85, 1, 1e5},  // the 1/f term
                                           RcCase{100e3, 1e-9, 3, 100, 2, -40, 10, 1e6},  // current noise through R
                                           RcCase{1e3, 100e-9, 20, 10e3, 0.5, 0, 0.01, 1e3}));  // corner above the band

TEST(RcNoise, TheWholeBandGivesKTOverC) {
  const double r = 2.2e3, cap = 4.7e-9;
  const NoiseReport n = IntegrateNoise(RcCircuit(r, cap), OpAmpModel{}, 25, {1e-6, 1e14});
  const double kTc = kBoltzmann * (kZeroCelsiusK + 25) / cap;
  EXPECT_NEAR(n.totalVrms * n.totalVrms, kTc, 1e-6 * kTc);
}

// The unity-gain second-order stage with the ideal op-amp:
//   R1: H,  R2: (1 + s R1 C1) H,  en: (D + s R1 C1) / D,
//   in into the + input: (R1 + R2 + s R1 R2 C1) / D,
// with D = 1 + s (R1 + R2) C2 + s^2 R1 R2 C1 C2 and H = 1 / D.
struct StageCase {
  double r1, r2, c1, c2;
};

class SallenKeyNoise : public ::testing::TestWithParam<StageCase> {};

TEST_P(SallenKeyNoise, TransfersAndIntegralsAreTheClosedForms) {
  const StageCase p = GetParam();
  const OpAmpCircuit c = SallenKeyCircuit(p.r1, p.r2, p.c1, p.c2);
  const double a = (p.r1 + p.r2) * p.c2, b = p.r1 * p.r2 * p.c1 * p.c2, tau = p.r1 * p.c1;
  const double f0 = 1 / (kTwoPi * std::sqrt(b));
  for (double f : {f0 / 100, f0 / 3, f0, 2 * f0, 50 * f0}) {
    const Complex s(0, kTwoPi * f);
    const Complex d = 1.0 + s * a + s * s * b;
    const NoiseTransfers t = NoiseTransfersAt(c, OpAmpModel{}, f);
    auto near = [](Complex ours, Complex expected) { return std::abs(ours - expected) <= 1e-10 * std::abs(expected); };
    // A current from one end of R to the other is its thermal voltage
    // divided by R: compare per volt in series.
    EXPECT_TRUE(near(t.resistor[0] / p.r1, 1.0 / d) || near(-t.resistor[0] / p.r1, 1.0 / d)) << f;
    EXPECT_TRUE(near(t.resistor[1] / p.r2, (1.0 + s * tau) / d) || near(-t.resistor[1] / p.r2, (1.0 + s * tau) / d))
        << f;
    EXPECT_TRUE(near(t.en[0], (d + s * tau) / d)) << f;
    EXPECT_TRUE(near(t.in[0], (p.r1 + p.r2 + s * p.r1 * p.r2 * p.c1) / d)) << f;
    EXPECT_TRUE(near(t.stage[0], 1.0 / d)) << f;
    EXPECT_TRUE(near(t.h, 1.0 / d)) << f;
  }
  // From 1e-6 f0 to 1e6 f0: the integrals from 0 to infinity, 1/(4a) and
  // tau^2/(4ab) for |H|^2 and |s H|^2, without the tails below and above.
  const double lo = f0 * 1e-6, hi = f0 * 1e6, temperature = 25;
  const NoiseReport r = IntegrateNoise(c, OpAmpModel{}, temperature, {lo, hi});
  const double kt4 = FourKT(temperature);
  const double r1 = kt4 * p.r1 * (1 / (4 * a) - lo);
  const double r2 =
      kt4 * p.r2 * (1 / (4 * a) + tau * tau / (4 * a * b) - lo - tau * tau / (b * b * 4 * kPi * kPi * hi));
  EXPECT_NEAR(r.sourceVrms[0] * r.sourceVrms[0], r1, 1e-6 * r1);
  EXPECT_NEAR(r.sourceVrms[1] * r.sourceVrms[1], r2, 1e-6 * r2);
}

INSTANTIATE_TEST_SUITE_P(Closed, SallenKeyNoise,
                         ::testing::Values(StageCase{10e3, 10e3, 22e-9, 10e-9},
                                           StageCase{1.87e3, 4.42e3, 1.5e-9, 820e-12},
                                           StageCase{1e3, 100e3, 100e-9, 100e-12}, StageCase{47e3, 4.7e3, 1e-9, 1e-9}));

TEST(SignalLevels, TheSecondOrderPeakAndSlewLimitAreTheClosedForms) {
  // Q = 2 with equal resistors: C1 / C2 = 4 Q^2.
  const double r = 10e3, c2 = 1e-9, q = 2.0, c1 = 4 * q * q * c2;
  const OpAmpCircuit c = SallenKeyCircuit(r, r, c1, c2);
  const double f0 = 1 / (kTwoPi * r * std::sqrt(c1 * c2));
  OpAmpModel m;
  m.limits.swingVpp = 20;
  m.limits.slewVPerUs = 0.5;
  const LevelReport levels = AnalyseLevels(c, m, {1, 10 * f0}, 1e-6);
  const double peak = q / std::sqrt(1 - 1 / (4 * q * q));
  ASSERT_EQ(levels.stages.size(), 1u);
  EXPECT_NEAR(levels.stages[0].maxGainDb, 20 * std::log10(peak), 1e-9);
  EXPECT_NEAR(levels.stages[0].atHz, f0 * std::sqrt(1 - 1 / (2 * q * q)), 1e-4 * f0);
  ASSERT_TRUE(levels.maxInputVpp.has_value());
  EXPECT_NEAR(*levels.maxInputVpp, 20 / peak, 1e-9);
  // f |H(f)| is largest at f0, where it is f0 Q.
  ASSERT_TRUE(levels.slewMaxInputVpp.has_value());
  EXPECT_NEAR(*levels.slewMaxInputVpp, 0.5e6 / (kPi * f0 * q), 1e-9 * 0.5e6 / (kPi * f0 * q));
  ASSERT_TRUE(levels.dynamicRangeDb.has_value());
  EXPECT_NEAR(*levels.dynamicRangeDb, 20 * std::log10(20 / peak / (2 * std::sqrt(2.0)) / 1e-6), 1e-9);
}

TEST(SignalLevels, WithoutLimitsTheInputsAreNotGiven) {
  const OpAmpCircuit c = testing::DesignedCircuit({engine::kLpf, 4, engine::kChebyshev, "1k"});
  const LevelReport levels = AnalyseLevels(c, OpAmpModel{}, {1, 1e4}, 1e-6);
  EXPECT_EQ(levels.stages.size(), 2u);
  EXPECT_FALSE(levels.maxInputVpp.has_value());
  EXPECT_FALSE(levels.slewMaxInputVpp.has_value());
  EXPECT_FALSE(levels.dynamicRangeDb.has_value());
  // The second stage of a Chebyshev LPF has the high Q: its output peaks
  // above the first's.
  EXPECT_GT(levels.stages[1].maxGainDb, 0.0);
}

struct TextCase {
  NoiseTexts texts;
  std::optional<NoiseField> field;
  bool unreadable;
};

class NoiseTextsRead : public ::testing::TestWithParam<TextCase> {};

TEST_P(NoiseTextsRead, NameTheFirstTextThatCannotBeUsed) {
  OpAmpModel m;
  m.noise.enNvRtHz = 99;
  double t = -1;
  const auto error = ReadNoiseTexts(GetParam().texts, m, t);
  if (!GetParam().field) {
    EXPECT_FALSE(error.has_value());
    return;
  }
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->field, *GetParam().field);
  EXPECT_EQ(error->unreadable, GetParam().unreadable);
  EXPECT_EQ(m.noise.enNvRtHz, 99);  // nothing changed
  EXPECT_EQ(t, -1);
}

INSTANTIATE_TEST_SUITE_P(Texts, NoiseTextsRead,
                         ::testing::Values(TextCase{{"7", "100", "0.9", "26", "13", "25"}, std::nullopt, false},
                                           TextCase{{"", "", "", "", "", ""}, std::nullopt, false},
                                           TextCase{{"x", "", "", "", "", "25"}, NoiseField::kEn, true},
                                           TextCase{{"-1", "", "", "", "", "25"}, NoiseField::kEn, false},
                                           TextCase{{"1", "-5", "", "", "", "25"}, NoiseField::kEnCorner, false},
                                           TextCase{{"1", "", "abc", "", "", "25"}, NoiseField::kIn, true},
                                           TextCase{{"1", "", "", "0", "", "25"}, NoiseField::kSwing, false},
                                           TextCase{{"1", "", "", "10", "0", "25"}, NoiseField::kSlew, false},
                                           TextCase{{"1", "", "", "10", "1", "-300"}, NoiseField::kTemperature, false},
                                           TextCase{{"1", "", "", "10", "1", "warm"}, NoiseField::kTemperature, true}));

TEST(NoiseTextsRead, FillTheModelAndTheTemperature) {
  OpAmpModel m;
  double t = 0;
  ASSERT_FALSE(ReadNoiseTexts({"7", "2.5k", "0.9", "26", "13", "-40"}, m, t));
  EXPECT_EQ(m.noise.enNvRtHz, 7);
  EXPECT_EQ(m.noise.enCornerHz, 2500);
  EXPECT_EQ(m.noise.inPaRtHz, 0.9);
  EXPECT_EQ(m.limits.swingVpp, 26);
  EXPECT_EQ(m.limits.slewVPerUs, 13);
  EXPECT_EQ(t, -40);
  const NoiseTexts back = NoiseTextsOf(m, t);
  EXPECT_EQ(back.enCornerHz, "2500");
  EXPECT_EQ(back.temperatureC, "-40");
}

// The swing a supply leaves, worked by hand: the bias (0 V, or mid-rail for
// a single supply), each rail less its headroom, twice the nearer distance.
struct SupplyCase {
  SupplyKind kind;
  double volts, headroomPos, headroomNeg;
  double swingVpp;  // by hand
};

class SwingFromSupply : public ::testing::TestWithParam<SupplyCase> {};

TEST_P(SwingFromSupply, IsTheHandComputation) {
  const SupplyCase& k = GetParam();
  OpAmpLimits limits;
  limits.supply = {k.kind, k.volts, k.headroomPos, k.headroomNeg};
  EXPECT_NEAR(SwingFromSupplyVpp(limits.supply), k.swingVpp, 1e-12);
  const UsedSwing used = UsedSwingOf(limits);
  EXPECT_EQ(used.from, k.kind == SupplyKind::kNone ? SwingFrom::kNone : SwingFrom::kSupply);
  EXPECT_NEAR(used.vpp, k.swingVpp, 1e-12);
  // A given swing overrides the supply's.
  limits.swingVpp = 7;
  EXPECT_EQ(UsedSwingOf(limits).vpp, 7);
  EXPECT_EQ(UsedSwingOf(limits).from, SwingFrom::kGiven);
}

INSTANTIATE_TEST_SUITE_P(Hand, SwingFromSupply,
                         ::testing::Values(
                             // ±15 V, 1.2 V to each rail (OP27's 27.6 Vpp): 2 (15 - 1.2).
                             SupplyCase{SupplyKind::kSymmetric, 15, 1.2, 1.2, 27.6},
                             // ±5 V to the rails: 10 Vpp.
                             SupplyCase{SupplyKind::kSymmetric, 5, 0, 0, 10},
                             // ±12 V, 1 V and 3 V: the negative rail is nearer, 2 (12 - 3).
                             SupplyCase{SupplyKind::kSymmetric, 12, 1, 3, 18},
                             // 5 V single, bias 2.5 V, 10 mV to each rail: 2 (2.5 - 0.01).
                             SupplyCase{SupplyKind::kSingle, 5, 0.01, 0.01, 4.98},
                             // 5 V single with OP27's 1.2 V: 2 (2.5 - 1.2).
                             SupplyCase{SupplyKind::kSingle, 5, 1.2, 1.2, 2.6},
                             // 5 V single, 1.5 V to the top, 0.1 V to ground: up 1, down 2.4.
                             SupplyCase{SupplyKind::kSingle, 5, 1.5, 0.1, 2.0},
                             // 3 V single with 2 V of headroom: the bias lies above the top.
                             SupplyCase{SupplyKind::kSingle, 3, 2, 0, 0},
                             // No supply: no swing.
                             SupplyCase{SupplyKind::kNone, 15, 1, 1, 0}));

// The levels use the swing the supply leaves as they use a given one.
TEST(SignalLevels, TheSupplysSwingLimitsTheInput) {
  const double r = 10e3, c2 = 1e-9, q = 2.0, c1 = 4 * q * q * c2;
  const OpAmpCircuit c = SallenKeyCircuit(r, r, c1, c2);
  const double f0 = 1 / (kTwoPi * r * std::sqrt(c1 * c2));
  const double peak = q / std::sqrt(1 - 1 / (4 * q * q));
  OpAmpModel m;
  m.limits.supply = {SupplyKind::kSingle, 5, 1.2, 1.2};
  const LevelReport levels = AnalyseLevels(c, m, {1, 10 * f0}, 1e-6);
  EXPECT_EQ(levels.swing.from, SwingFrom::kSupply);
  EXPECT_NEAR(levels.swing.vpp, 2.6, 1e-12);
  ASSERT_TRUE(levels.maxInputVpp.has_value());
  EXPECT_NEAR(*levels.maxInputVpp, 2.6 / peak, 1e-9);
  const LimitCurves curves = ComputeLimitCurves(m, ComputeLevelCurves(c, m, {10.0, f0}));
  ASSERT_EQ(curves.swingVpp.size(), 2u);
  // At f0 the stage's gain is Q.
  EXPECT_NEAR(curves.swingVpp[1], 2.6 / q, 1e-9);
}

TEST(NoiseTextsRead, TheSupplyAndItsHeadroom) {
  OpAmpModel m;
  double t = 0;
  NoiseTexts texts;
  texts.supplyV = "5";
  texts.singleSupply = true;
  texts.headroomPosV = "1.2";
  texts.headroomNegV = "50m";
  ASSERT_FALSE(ReadNoiseTexts(texts, m, t));
  EXPECT_EQ(m.limits.supply.kind, SupplyKind::kSingle);
  EXPECT_EQ(m.limits.supply.volts, 5);
  EXPECT_EQ(m.limits.supply.headroomPosV, 1.2);
  EXPECT_EQ(m.limits.supply.headroomNegV, 0.05);
  const NoiseTexts back = NoiseTextsOf(m, t);
  EXPECT_EQ(back.supplyV, "5");
  EXPECT_TRUE(back.singleSupply);
  EXPECT_EQ(back.headroomNegV, "0.05");
  texts.singleSupply = false;
  ASSERT_FALSE(ReadNoiseTexts(texts, m, t));
  EXPECT_EQ(m.limits.supply.kind, SupplyKind::kSymmetric);
  texts.supplyV = "";
  ASSERT_FALSE(ReadNoiseTexts(texts, m, t));
  EXPECT_EQ(m.limits.supply.kind, SupplyKind::kNone);
  for (const char* bad : {"0", "-5", "x"}) {
    texts.supplyV = bad;
    const auto error = ReadNoiseTexts(texts, m, t);
    ASSERT_TRUE(error.has_value()) << bad;
    EXPECT_EQ(error->field, NoiseField::kSupply);
  }
  texts.supplyV = "5";
  texts.headroomNegV = "-1";
  const auto error = ReadNoiseTexts(texts, m, t);
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->field, NoiseField::kHeadroomNeg);
}

}  // namespace
}  // namespace kelvara::response
