// Exact designs of MFB and Sallen-Key-with-gain filters, written as
// netlists (exports::WriteSectionsNetlist) and run in ngspice: with the
// ideal op-amp they are the prototype (the cascade of the stage targets,
// Butterworth or Chebyshev) times the signed gain to 0.01 dB and 0.1°; with
// a single-pole op-amp they are the program's own nodal solve of the same
// circuit.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/section_design.h"
#include "export/spice_netlist.h"
#include "response/circuit.h"
#include "response/noise.h"
#include "response/signal_levels.h"
#include "tests/support/ngspice.h"

namespace kelvara::response {
namespace {

using Complex = std::complex<double>;
using engine::SectionFamily;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegrees = 57.29577951308232;

struct Case {
  std::uint8_t kind;
  int order;
  std::uint8_t response;
  SectionFamily family;
  double gain;
};

const Case kCases[] = {
    {engine::kLpf, 4, engine::kButterworth, SectionFamily::kMfb, 10},
    {engine::kLpf, 5, engine::kChebyshev, SectionFamily::kMfb, 100},
    {engine::kLpf, 3, engine::kButterworth, SectionFamily::kMfb, 1},
    {engine::kHpf, 4, engine::kChebyshev, SectionFamily::kMfb, 100},
    {engine::kHpf, 3, engine::kButterworth, SectionFamily::kMfb, 10},
    {engine::kHpf, 2, engine::kButterworth, SectionFamily::kMfb, 1},
    {engine::kLpf, 4, engine::kChebyshev, SectionFamily::kSallenKey, 10},
    {engine::kLpf, 5, engine::kButterworth, SectionFamily::kSallenKey, 100},
    {engine::kLpf, 2, engine::kButterworth, SectionFamily::kSallenKey, 1},
    {engine::kHpf, 6, engine::kChebyshev, SectionFamily::kSallenKey, 100},
    {engine::kHpf, 3, engine::kButterworth, SectionFamily::kSallenKey, 10},
    {engine::kHpf, 5, engine::kButterworth, SectionFamily::kSallenKey, 1},
};

constexpr double kCutoffHz = 1e3;

struct Designed {
  std::vector<engine::StagePlan> plans;
  std::vector<Section> sections;
};

Designed Design(const Case& c) {
  engine::DesignRequest r;
  r.cutoffHz = kCutoffHz;
  r.passKind = c.kind;
  r.orderIndex = static_cast<std::uint8_t>(c.order - 2);
  r.response = c.response;
  r.evenOrder = c.order % 2 == 0;
  engine::SectionPlanInputs in;
  in.passKind = c.kind;
  in.order = c.order;
  in.family = c.family;
  in.gain = c.gain;
  auto planned = engine::PlanSections(in, engine::BuildStageTargets(r));
  Designed d;
  if (values::ProblemOf(planned) != nullptr) return d;
  d.plans = std::get<std::vector<engine::StagePlan>>(planned);
  const engine::SectionsDesign design = engine::DesignSections(d.plans, c.kind == engine::kHpf, {});
  if (design.valid) d.sections = SectionsOf(design);
  return d;
}

// The prototype: every stage's target response, times the signed gain.
Complex Prototype(const Case& c, const std::vector<engine::StagePlan>& plans, double f) {
  const Complex s(0, kTwoPi * f);
  const bool hpf = c.kind == engine::kHpf;
  Complex h = c.family == SectionFamily::kMfb && plans.size() % 2 == 1 ? -c.gain : c.gain;
  for (const engine::StagePlan& p : plans) {
    if (p.order == 1) {
      h *= (hpf ? s : Complex(p.omega, 0)) / (s + p.omega);
    } else {
      h *= (hpf ? s * s : Complex(p.omega * p.omega, 0)) / (s * s + s * (p.omega / p.q) + p.omega * p.omega);
    }
  }
  return h;
}

std::string Name(const Case& c) {
  return std::string(c.kind == engine::kHpf ? "HPF" : "LPF") + " order " + std::to_string(c.order) +
         (c.family == SectionFamily::kMfb ? " mfb" : " sallen-key") + " gain " + std::to_string(c.gain);
}

// The netlist's output over 1 Hz .. 1 MHz: frequency and complex gain.
std::vector<std::pair<double, Complex>> Simulate(const std::vector<Section>& sections, const OpAmpModel& opAmp,
                                                 std::string& log) {
  exports::NetlistOptions options;
  options.opamp = opAmp;
  options.fStartHz = kCutoffHz / 1000;
  options.fStopHz = kCutoffHz * 1000;
  options.date = "2026-12-09";
  const auto run =
      test::RunNgspice(exports::WriteSectionsNetlist(sections, options), "run\nwrdata @OUT@ vr(out) vi(out)");
  log = run.log;
  std::vector<std::pair<double, Complex>> rows;
  if (!run.ok) return rows;
  for (const auto& row : run.rows) {
    if (row.size() == 4) rows.emplace_back(row[0], Complex(row[1], row[3]));
  }
  return rows;
}

double DbOf(Complex ratio) { return 20 * std::log10(std::abs(ratio)); }
double DegOf(Complex ratio) { return std::arg(ratio) * kDegrees; }

TEST(SectionDesignNgspice, IdealOpAmpGivesThePrototypeTimesTheGain) {
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  for (const Case& c : kCases) {
    const Designed d = Design(c);
    ASSERT_FALSE(d.sections.empty()) << Name(c);
    std::string log;
    const auto rows = Simulate(d.sections, {}, log);
    ASSERT_GT(rows.size(), 500u) << Name(c) << "\n" << log;
    int compared = 0;
    for (const auto& [f, sim] : rows) {
      const Complex ref = Prototype(c, d.plans, f);
      if (std::abs(ref) < 1e-5 * c.gain) continue;  // 100 dB below the pass band
      ++compared;
      EXPECT_NEAR(DbOf(sim / ref), 0.0, 0.01) << Name(c) << " at " << f;
      EXPECT_NEAR(DegOf(sim / ref), 0.0, 0.1) << Name(c) << " at " << f;
    }
    EXPECT_GT(compared, 200) << Name(c);
  }
}

TEST(SectionDesignNgspice, SinglePoleOpAmpGivesTheNodalSolve) {
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  OpAmpModel model;
  model.ideal = false;
  model.a0Db = 100;
  model.gbwHz = 10e6;
  model.routOhm = 50;
  for (const Case& c : kCases) {
    const Designed d = Design(c);
    ASSERT_FALSE(d.sections.empty()) << Name(c);
    const CircuitModel circuit = CircuitOfSections(d.sections, model);
    std::string log;
    const auto rows = Simulate(d.sections, model, log);
    ASSERT_GT(rows.size(), 500u) << Name(c) << "\n" << log;
    for (const auto& [f, sim] : rows) {
      const Complex own = TransferAtHz(circuit, CircuitSource::Input(), FilterOutput(circuit), f).h;
      if (std::abs(own) < 1e-5 * c.gain) continue;
      EXPECT_NEAR(DbOf(sim / own), 0.0, 0.01) << Name(c) << " at " << f;
      EXPECT_NEAR(DegOf(sim / own), 0.0, 0.1) << Name(c) << " at " << f;
    }
  }
}

// The output noise of MFB and gain designs (resistors, the op-amp's en and
// in, each with its noise gain) against ngspice's noise analysis of their
// netlists, in total and for R1 alone.
TEST(SectionDesignNgspice, NoiseIsNgspicesNoiseAnalysis) {
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  const Case cases[] = {
      {engine::kLpf, 3, engine::kButterworth, SectionFamily::kMfb, 10},
      {engine::kHpf, 4, engine::kButterworth, SectionFamily::kMfb, 10},
      {engine::kLpf, 4, engine::kButterworth, SectionFamily::kSallenKey, 10},
      {engine::kHpf, 3, engine::kButterworth, SectionFamily::kSallenKey, 100},
      // Twelve resistors (R9..R12 beyond the sheet's eight), and ten.
      {engine::kLpf, 8, engine::kButterworth, SectionFamily::kMfb, 10},
      {engine::kHpf, 7, engine::kChebyshev, SectionFamily::kMfb, 10},
  };
  OpAmpModel model;
  model.noise.enNvRtHz = 8;
  model.noise.inPaRtHz = 0.5;
  const NoiseBand band{10, 100e3};
  for (const Case& c : cases) {
    const Designed d = Design(c);
    ASSERT_FALSE(d.sections.empty()) << Name(c);
    const NoiseReport report = IntegrateNoise(CircuitOfSections(d.sections, model), 25, band);
    exports::NetlistOptions options;
    options.opamp = model;
    options.date = "2026-12-09";
    const auto run = test::RunNgspice(exports::WriteSectionsNetlist(d.sections, options),
                                      "noise v(out) V1 dec 200 10 100000 1\nsetplot noise2\nset appendwrite\n"
                                      "wrdata @OUT@ onoise_total onoise_total_r1");
    ASSERT_TRUE(run.ok) << run.log;
    ASSERT_GE(run.rows.size(), 1u);
    ASSERT_GE(run.rows[0].size(), 4u);
    ASSERT_EQ(report.sources[0].name, "R1");
    EXPECT_NEAR(run.rows[0][1], report.totalVrms, 5e-3 * report.totalVrms) << Name(c);
    EXPECT_NEAR(run.rows[0][3], report.sourceVrms[0], 5e-3 * report.sourceVrms[0]) << Name(c);
  }
}

// The highest gain at every op-amp's output (AnalyseLevels) against the
// highest of ngspice's sweep of that node, 1000 points a decade.
TEST(SectionDesignNgspice, LevelsAreTheHighestGainsAtTheOpAmpOutputs) {
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  struct Row {
    Case c;
    bool singlePole;
  };
  const Row rows[] = {
      {{engine::kLpf, 5, engine::kChebyshev, SectionFamily::kMfb, 10}, false},
      {{engine::kHpf, 3, engine::kButterworth, SectionFamily::kMfb, 10}, false},
      {{engine::kHpf, 4, engine::kChebyshev, SectionFamily::kSallenKey, 100}, false},
      {{engine::kLpf, 6, engine::kChebyshev, SectionFamily::kSallenKey, 10}, false},
      {{engine::kLpf, 4, engine::kChebyshev, SectionFamily::kMfb, 10}, true},
  };
  for (const Row& row : rows) {
    const Designed d = Design(row.c);
    ASSERT_FALSE(d.sections.empty()) << Name(row.c);
    OpAmpModel model;
    if (row.singlePole) {
      model.ideal = false;
      model.a0Db = 100;
      model.gbwHz = 1e6;
    }
    const LevelReport levels = AnalyseLevels(CircuitOfSections(d.sections, model), {10, 100e3}, 0);
    const int n = static_cast<int>(d.sections.size());
    ASSERT_EQ(static_cast<int>(levels.stages.size()), n);
    exports::NetlistOptions options;
    options.opamp = model;
    options.date = "2026-12-09";
    std::string vectors;
    for (int k = 1; k <= n; ++k) vectors += k == n ? " vm(out)" : " vm(s" + std::to_string(k) + "_out)";
    const auto run = test::RunNgspice(exports::WriteSectionsNetlist(d.sections, options),
                                      "ac dec 1000 1 1meg\nwrdata @OUT@" + vectors);
    ASSERT_TRUE(run.ok) << run.log;
    std::vector<double> highest(n, 0.0);
    for (const auto& r : run.rows) {
      ASSERT_EQ(static_cast<int>(r.size()), 2 * n);
      for (int k = 0; k < n; ++k) highest[k] = std::max(highest[k], r[2 * k + 1]);
    }
    for (int k = 0; k < n; ++k) {
      EXPECT_NEAR(levels.stages[k].maxGainDb, 20 * std::log10(highest[k]), 0.01) << Name(row.c) << " U" << k + 1;
    }
  }
}

}  // namespace
}  // namespace kelvara::response
