// A topology defined and registered in this file alone, an inverting
// first-order low-pass, cascaded with a Sallen-Key stage: its parts are
// numbered through the cascade, the circuit's one evaluator solves it, its
// netlist runs in ngspice and agrees with the node equations solved here,
// its noise is that of its resistors and op-amps in closed form and in
// ngspice, and a Monte Carlo run takes it as it takes the sheet's design.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <string>
#include <vector>

#include "export/spice_netlist.h"
#include "response/circuit.h"
#include "response/gain_mask.h"
#include "response/noise.h"
#include "response/noise_transfer.h"
#include "response/section.h"
#include "tests/support/ngspice.h"
#include "tolerance/monte_carlo.h"

namespace kelvara::response {
namespace {

using Complex = std::complex<double>;
constexpr double kTwoPi = 6.283185307179586;

//   in ──[Rin]── n ──(−)op-amp(+)── ground       n ──[Rf]── out,  n ──[Cf]── out
//
// H = -(Rf / Rin) / (1 + s Rf Cf): gain -Rf/Rin, corner 1 / (2 pi Rf Cf).
class InvertingRc final : public SectionTopology {
 public:
  std::string_view Id() const override { return "inverting-rc"; }
  std::string_view Description() const override { return "Inverting first-order RC"; }
  int Order() const override { return 1; }
  bool Accepts(SectionKind kind) const override { return kind == SectionKind::kLowPass; }
  bool Inverting() const override { return true; }
  double MinGain() const override { return 0.1; }
  double MaxGain() const override { return 100; }
  const SectionLayout& Layout(SectionKind) const override {
    static const SectionLayout layout{
        {{"Rin", 'R', kSectionInput, 0}, {"Rf", 'R', 0, kSectionOutput}, {"Cf", 'C', 0, kSectionOutput}},
        {"n"},
        kSectionGround,
        0};
    return layout;
  }
  SectionFigures Figures(SectionKind, std::span<const double> v) const override {
    return {1 / (v[1] * v[2]), 0, -v[1] / v[0]};
  }
  std::vector<SectionSensitivity> Sensitivities(SectionKind, std::span<const double>) const override {
    return {{0, 0, -1}, {-1, 0, 1}, {-1, 0, 0}};
  }
};

const SectionTopology& Registered() {
  static const SectionTopology* topology = [] {
    RegisterSectionTopology(std::make_unique<InvertingRc>());
    return FindSectionTopology("inverting-rc");
  }();
  return *topology;
}

constexpr double kRin = 10e3, kRf = 22e3, kCf = 4.7e-9;
constexpr double kRa = 10e3, kRb = 12e3, kCa = 15e-9, kCb = 3.3e-9;

std::vector<Section> Cascade() {
  std::array<int, 2> next{1, 1};
  std::vector<Section> sections;
  sections.push_back(MakeSection(Registered(), SectionKind::kLowPass, {kRin, kRf, kCf}, next));
  sections.push_back(MakeSection(SallenKeyTopology(), SectionKind::kLowPass, {kRa, kRb, kCa, kCb}, next));
  return sections;
}

// The node equations, solved here. Inverting stage: the - input is at 0 V,
// so (Vin - 0) / Rin = -Vout (1 / Rf + s Cf). Sallen-Key: node B gives
// VA = VB (Y2 + Yg) / Y2, node A then VB.
Complex Reference(double f) {
  const Complex s(0, kTwoPi * f);
  const Complex first = -1.0 / (kRin * (1.0 / kRf + s * kCf));
  const Complex y1(1 / kRa, 0), y2(1 / kRb, 0), yf = s * kCa, yg = s * kCb;
  const Complex second = y1 * y2 / ((y2 + yg) * (y1 + y2 + yf) - y2 * (y2 + yf));
  return first * second;
}

TEST(SectionTopology, IsRegisteredAfterTheProgramsOwn) {
  const SectionTopology& t = Registered();
  const std::vector<const SectionTopology*>& all = SectionTopologies();
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(all[0]->Id(), "sallen-key");
  EXPECT_EQ(all[1]->Id(), "rc-follower");
  EXPECT_EQ(FindSectionTopology("inverting-rc"), &t);
  EXPECT_EQ(FindSectionTopology("no-such-topology"), nullptr);
}

// Every circuit the sheet offers builds its stages of a registered topology.
TEST(SectionTopology, EveryCircuitOfTheCatalogueIsRegistered) {
  for (const char* id : values::kCircuitOptions) {
    const SectionTopology* t = FindSectionTopology(id);
    ASSERT_NE(t, nullptr) << id;
    EXPECT_TRUE(t->Accepts(SectionKind::kLowPass) && t->Accepts(SectionKind::kHighPass)) << id;
  }
}

TEST(SectionTopology, PartsAreNumberedThroughTheCascade) {
  const CircuitModel c = CircuitOfSections(Cascade(), {});
  std::vector<std::string> names;
  for (const CircuitPart& p : PartsOf(c)) names.push_back(PartName(p.id));
  EXPECT_EQ(names, (std::vector<std::string>{"R1", "R2", "R3", "R4", "C1", "C2", "C3"}));
  EXPECT_EQ(c.StageCount(), 2);
  EXPECT_EQ(c.request.Order(), 3);
  EXPECT_FALSE(HasSheetForm(c));
  EXPECT_DOUBLE_EQ(CascadeGain(c.sections), -2.2);
}

TEST(SectionTopology, TheEvaluatorSolvesItsNodeEquations) {
  for (const bool ideal : {true, false}) {
    OpAmpModel model;
    if (!ideal) {
      model.ideal = false;
      model.gbwHz = 1e12;  // far above: the real op-amp's solve meets the ideal one
      model.a0Db = 240;
    }
    const CircuitModel c = CircuitOfSections(Cascade(), model);
    for (const double f : {1.0, 100.0, 1e3, 1.5e3, 2e3, 5e3, 1e5}) {
      const Complex h = TransferAtHz(c, CircuitSource::Input(), FilterOutput(c), f).h;
      // The real op-amp's finite gain-bandwidth moves it by about f / GBW.
      EXPECT_NEAR(std::abs(h / Reference(f) - 1.0), 0.0, ideal ? 1e-12 : 1e-6) << f;
    }
  }
  // The -3 dB frequency is 3 dB below the pass-band gain of 2.2 (to the
  // search's last step of 0.01 Hz).
  const CircuitModel c = CircuitOfSections(Cascade(), {});
  const double fc = CircuitCutoff3dB(c);
  EXPECT_NEAR(20 * std::log10(std::abs(Reference(fc)) / 2.2), -3.0, 1e-3);
  EXPECT_NEAR(CircuitPassbandGain(c), 2.2, 1e-12);
}

TEST(SectionTopology, ItsNetlistRunsInNgspiceAsItsNodeEquations) {
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  exports::NetlistOptions options;
  options.fStartHz = 10;
  options.fStopHz = 1e6;
  options.date = "2026-12-09";
  const std::string netlist = exports::WriteSectionsNetlist(Cascade(), options);
  EXPECT_NE(netlist.find("XU1 0 s1_n s1_out kelvara_opamp\n"), std::string::npos) << netlist;
  EXPECT_NE(netlist.find("R3 s1_out s2_a 10e3\n"), std::string::npos) << netlist;
  const auto run = test::RunNgspice(netlist, "run\nwrdata @OUT@ vr(out) vi(out)");
  ASSERT_TRUE(run.ok) << run.log;
  ASSERT_GT(run.rows.size(), 100u);
  for (const auto& row : run.rows) {
    ASSERT_EQ(row.size(), 4u);
    const Complex sim(row[1], row[3]), ref = Reference(row[0]);
    if (20 * std::log10(std::abs(ref)) < -100) continue;
    EXPECT_NEAR(20 * std::log10(std::abs(sim) / std::abs(ref)), 0.0, 0.01) << row[0];
    EXPECT_NEAR(std::remainder(std::arg(sim / ref) * 57.29577951308232, 360.0), 0.0, 0.1) << row[0];
  }
}

// The inverting stage alone: its - input is a virtual ground, so each
// resistor's noise current flows through Zf = Rf / (1 + s Rf Cf) and en
// appears with the noise gain 1 + Zf / Rin. The + input is grounded, so its
// current noise adds nothing.
TEST(SectionTopology, ItsNoiseIsThatOfItsSources) {
  std::array<int, 2> next{1, 1};
  const std::vector<Section> alone{MakeSection(Registered(), SectionKind::kLowPass, {kRin, kRf, kCf}, next)};
  OpAmpModel model;
  model.noise.enNvRtHz = 5;
  model.noise.inPaRtHz = 1;
  const CircuitModel c = CircuitOfSections(alone, model);
  const NoiseEvaluator e(c, 25);
  ASSERT_EQ(e.Sources().size(), 4u);
  EXPECT_EQ(e.Sources()[0].name, "R1");
  EXPECT_EQ(e.Sources()[1].name, "R2");
  const double fourKT = 4 * kBoltzmann * (kZeroCelsiusK + 25);
  for (const double f : {10.0, 1e3, 1.5e3, 1e5}) {
    const Complex zf = kRf / (1.0 + Complex(0, kTwoPi * f) * kRf * kCf);
    std::vector<double> p;
    e.At(f, p);
    EXPECT_NEAR(p[0] / (fourKT / kRin * std::norm(zf)), 1.0, 1e-12) << f;
    EXPECT_NEAR(p[1] / (fourKT / kRf * std::norm(zf)), 1.0, 1e-12) << f;
    EXPECT_NEAR(p[2] / (25e-18 * std::norm(1.0 + zf / kRin)), 1.0, 1e-12) << f;
    EXPECT_EQ(p[3], 0.0) << f;
  }
  // The integral against ngspice's noise analysis of the exported netlist.
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  const NoiseBand band{10, 100e3};
  const NoiseReport report = IntegrateNoise(c, 25, band);
  exports::NetlistOptions options;
  options.opamp = model;
  options.date = "2026-12-09";
  const auto run = test::RunNgspice(exports::WriteSectionsNetlist(alone, options),
                                    "noise v(out) V1 dec 200 10 100000 1\nsetplot noise2\nset appendwrite\n"
                                    "wrdata @OUT@ onoise_total onoise_total_r1");
  ASSERT_TRUE(run.ok) << run.log;
  ASSERT_GE(run.rows.size(), 1u);
  EXPECT_NEAR(run.rows[0][1], report.totalVrms, 5e-3 * report.totalVrms);
  EXPECT_NEAR(run.rows[0][3], report.sourceVrms[0], 5e-3 * report.sourceVrms[0]);
}

TEST(SectionTopology, AMonteCarloRunTakesIt) {
  tolerance::MonteCarloConfig config;
  config.design.sections = Cascade();
  config.design.tolerances = tolerance::Tolerances::Uniform(1, 5);
  config.trials = 500;
  config.seed = 7;
  config.frequencies = {100, 1e3, 2e3, 5e3};
  config.phaseBand = true;
  config.delayBand = true;
  tolerance::RunOptions one, two;
  one.threads = 1;
  two.threads = 2;
  const auto a = tolerance::RunMonteCarlo(config, one);
  const auto b = tolerance::RunMonteCarlo(config, two);
  ASSERT_TRUE(a && b);
  const CircuitModel nominal = CircuitOfSections(Cascade(), {});
  EXPECT_EQ(a->nominal.minus3dbHz, CircuitCutoff3dB(nominal));
  ASSERT_EQ(a->stages.size(), 2u);
  EXPECT_EQ(a->stages[0].order, 1);
  EXPECT_FALSE(a->stages[0].q.has_value());
  EXPECT_NEAR(a->stages[0].f0Hz.nominal, 1 / (kTwoPi * kRf * kCf), 1e-9);
  EXPECT_EQ(a->samples.minus3dbHz, b->samples.minus3dbHz);  // whatever the thread count
  EXPECT_GT(a->minus3dbHz.max, a->minus3dbHz.min);
  for (std::size_t j = 0; j < config.frequencies.size(); ++j) {
    EXPECT_NEAR(a->band[j].nominalDb, 20 * std::log10(std::abs(Reference(config.frequencies[j]))), 1e-9) << j;
    EXPECT_LE(a->band[j].minDb, a->band[j].nominalDb);
    EXPECT_GE(a->band[j].maxDb, a->band[j].nominalDb);
    EXPECT_LE(a->phaseBand[j].min, a->phaseBand[j].nominal);
    EXPECT_GE(a->delayBand[j].max, a->delayBand[j].nominal);
  }
  // Without tolerances every trial is the nominal circuit.
  config.design.tolerances = {};
  const auto exact = tolerance::RunMonteCarlo(config, one);
  ASSERT_TRUE(exact);
  for (const double f : exact->samples.minus3dbHz) EXPECT_EQ(f, exact->nominal.minus3dbHz);
}

// The mask of a circuit of sections is taken relative to its pass-band
// gain: decided here by the node equations on a dense grid, for masks
// chosen clear of the gain (0.01 dB or more).
TEST(SectionTopology, ItsMaskAndYieldAreThoseOfItsGain) {
  const CircuitModel nominal = CircuitOfSections(Cascade(), {});
  const double passDb = 20 * std::log10(2.2);
  auto rel = [&](double f) { return 20 * std::log10(std::abs(Reference(f))) - passDb; };
  auto decide = [&](const GainMask& m) {
    double passLow = 0, passHigh = -1e9, stopHigh = -1e9;
    for (int i = 0; i <= 30000; ++i) {
      const double f = m.passHz / 1000 * std::pow(1000.0, i / 30000.0);
      passLow = std::min(passLow, rel(f));
      passHigh = std::max(passHigh, rel(f));
      const double g = m.stopHz * std::pow(1000.0, i / 30000.0);
      stopHigh = std::max(stopHigh, rel(g));
    }
    return passLow >= -m.passDb && passHigh <= m.passDb && stopHigh <= -m.stopDb;
  };
  const double fc = CircuitCutoff3dB(nominal);
  // At fc / 10 the gain is 0.025 dB down, at fc / 2 0.49 dB; the stop band
  // is 121 dB down at 100 fc and 181 dB at 1000 fc.
  const GainMask masks[] = {{fc / 10, 0.1, fc * 1000, 100},
                            {fc / 10, 0.01, fc * 1000, 100},
                            {fc / 10, 0.1, fc * 1000, 200},
                            {fc / 2, 0.3, fc * 100, 100},
                            {fc / 2, 0.6, fc * 100, 110}};
  int met = 0;
  for (const GainMask& m : masks) {
    const bool expected = decide(m);
    met += expected ? 1 : 0;
    EXPECT_EQ(MeetsMask(nominal, m), expected) << m.passHz << " " << m.passDb << " " << m.stopDb;
  }
  EXPECT_EQ(met, 2);  // the table holds both answers

  tolerance::MonteCarloConfig config;
  config.design.sections = Cascade();
  config.design.tolerances = tolerance::Tolerances::Uniform(1, 5);
  config.trials = 200;
  config.mask = GainMask{fc / 2, 0.6, fc * 100, 110};
  const auto r = tolerance::RunMonteCarlo(config, {});
  ASSERT_TRUE(r && r->yield);
  EXPECT_EQ(r->yield->trials, 200);
  EXPECT_EQ(r->yield->nominalPasses, decide(*config.mask));
  EXPECT_EQ(r->yield->passed + static_cast<int>(r->yield->failing.size()), 200);
}

}  // namespace
}  // namespace kelvara::response
