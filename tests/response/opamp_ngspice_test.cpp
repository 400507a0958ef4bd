// The real op-amp circuit against the circuit simulator ngspice: the same
// cascade with the same op-amp (a transconductance of 1 S into A0 ohms in
// parallel with 1/(2 pi GBW) farads is the single pole A0 / (1 + s / wp);
// a unity voltage follower of that node, then Rout), AC from 1 Hz to
// 100 MHz at 50 points per decade. Gains must agree within 0.01 dB and
// phases within 0.1 deg wherever the gain is above -100 dB.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "response/opamp_time.h"
#include "tests/response/opamp_test_support.h"
#include "tests/support/ngspice.h"

namespace kelvara::response {
namespace {

using testing::Describe;
using testing::DesignCase;
using testing::DesignedCircuit;
using testing::RealOpAmp;

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegPerRad = 57.29577951308232;

std::string Num(double x) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", x);
  return buffer;
}

// The netlist of the circuit as drawn; the output node is "out".
std::string Deck(const OpAmpCircuit& c, const OpAmpModel& m) {
  const bool hpf = c.request.passKind == engine::kHpf;
  auto element = [&](bool capacitor, const std::string& name, const std::string& a, const std::string& b,
                     double value) {
    return (capacitor ? "C" : "R") + name + " " + a + " " + b + " " + Num(value) + "\n";
  };
  std::ostringstream deck;
  deck << "Sallen-Key cascade with a single-pole op-amp\n";
  deck << "Vin in 0 dc 0 ac 1\n";
  std::string in = "in";
  for (int k = 0; k < c.stageCount; ++k) {
    const CircuitStage& st = c.stages[k];
    const std::string s = std::to_string(k + 1);
    const std::string a = "a" + s, b = "b" + s, x = "x" + s;
    const std::string out = k + 1 == c.stageCount ? "out" : "o" + s;
    if (st.firstOrder) {
      deck << element(hpf, "s1_" + s, in, b, st.series1);
    } else {
      deck << element(hpf, "s1_" + s, in, a, st.series1);
      deck << element(hpf, "s2_" + s, a, b, st.series2);
      deck << element(!hpf, "f_" + s, a, out, st.feedback);
    }
    deck << element(!hpf, "g_" + s, b, "0", st.shunt);
    deck << "G" << s << " 0 " << x << " " << b << " " << out << " 1\n";
    deck << "Rp" << s << " " << x << " 0 " << Num(std::pow(10.0, m.a0Db / 20)) << "\n";
    deck << "Cp" << s << " " << x << " 0 " << Num(1 / (kTwoPi * m.gbwHz)) << "\n";
    if (m.routOhm > 0) {
      deck << "E" << s << " e" << s << " 0 " << x << " 0 1\n";
      deck << "Ro" << s << " e" << s << " " << out << " " << Num(m.routOhm) << "\n";
    } else {
      deck << "E" << s << " " << out << " 0 " << x << " 0 1\n";
    }
    in = out;
  }
  deck << ".end\n";
  return deck.str();
}

struct SimulatorCase {
  DesignCase design;
  double gbwHz;
  double routOhm;
};

std::vector<SimulatorCase> Cases() {
  const DesignCase designs[] = {
      {engine::kLpf, 2, engine::kButterworth, "1k"}, {engine::kLpf, 5, engine::kBessel, "10k", true},
      {engine::kLpf, 8, engine::kChebyshev, "3.3k"}, {engine::kHpf, 2, engine::kButterworth, "1k", true},
      {engine::kHpf, 5, engine::kChebyshev, "10k"},  {engine::kHpf, 8, engine::kButterworth, "3.3k", true},
  };
  std::vector<SimulatorCase> cases;
  for (const DesignCase& d : designs)
    for (double gbw : {10e3, 1e6, 100e6})
      for (double rout : {0.0, 50.0}) cases.push_back({d, gbw, rout});
  return cases;
}

TEST(OpAmpCircuitAgainstNgspice, GainAndPhaseAgreeForEveryDesign) {
  if (!kelvara::test::NgspiceAvailable()) GTEST_SKIP() << kelvara::test::kNgspiceMissing;
  double worstDb = 0, worstDeg = 0;
  std::string worstDbAt, worstDegAt;
  int compared = 0;
  const std::vector<SimulatorCase> cases = Cases();
  for (const SimulatorCase& sc : cases) {
    const OpAmpModel model = RealOpAmp(sc.gbwHz, 100, sc.routOhm);
    const std::string name = Describe(sc.design) + " GBW " + Num(sc.gbwHz) + " Rout " + Num(sc.routOhm);
    SCOPED_TRACE(name);
    const OpAmpCircuit c = DesignedCircuit(sc.design);
    const auto run = kelvara::test::RunNgspice(Deck(c, model), "ac dec 50 1 100meg\nwrdata @OUT@ vdb(out) vp(out)");
    ASSERT_TRUE(run.ok) << run.log;
    ASSERT_EQ(run.rows.size(), 401u);
    for (const auto& row : run.rows) {
      ASSERT_EQ(row.size(), 4u);
      const double f = row[0];
      const CircuitResponse r = SolveCircuit(c, model, f);
      const double db = 20 * std::log10(std::abs(r.h));
      if (db <= -100 && row[1] <= -100) continue;
      const double dDb = std::fabs(db - row[1]);
      double dDeg = std::arg(r.h) * kDegPerRad - row[3] * kDegPerRad;
      dDeg = std::fabs(dDeg - 360 * std::round(dDeg / 360));
      EXPECT_LT(dDb, 0.01) << f;
      EXPECT_LT(dDeg, 0.1) << f;
      ++compared;
      if (dDb > worstDb) {
        worstDb = dDb;
        worstDbAt = name + " at " + Num(f) + " Hz";
      }
      if (dDeg > worstDeg) {
        worstDeg = dDeg;
        worstDegAt = name + " at " + Num(f) + " Hz";
      }
    }
  }
  std::cout << cases.size() << " designs, " << compared << " points compared\n"
            << "worst gain difference " << worstDb << " dB (" << worstDbAt << ")\n"
            << "worst phase difference " << worstDeg << " deg (" << worstDegAt << ")\n";
  RecordProperty("worst_gain_difference_db", Num(worstDb));
  RecordProperty("worst_phase_difference_deg", Num(worstDeg));
}

// The step with a real op-amp against ngspice's transient analysis (an input
// rising in 1 ns, time steps of at most 1/20000 of the span): within 1e-3 of
// the unit step, the simulator's own integration error.
TEST(OpAmpCircuitAgainstNgspice, StepAgreesWithTheTransientAnalysis) {
  if (!kelvara::test::NgspiceAvailable()) GTEST_SKIP() << kelvara::test::kNgspiceMissing;
  const DesignCase designs[] = {
      {engine::kLpf, 2, engine::kButterworth, "1k"},
      {engine::kLpf, 5, engine::kBessel, "10k", true},
      {engine::kHpf, 8, engine::kButterworth, "3.3k", true},
  };
  double worst = 0;
  for (const DesignCase& d : designs) {
    for (const OpAmpModel& m : {RealOpAmp(100e3, 100, 50), RealOpAmp(1e6, 100, 0)}) {
      SCOPED_TRACE(Describe(d) + " GBW " + Num(m.gbwHz));
      const OpAmpCircuit c = DesignedCircuit(d);
      const double span = 10 / c.ideal.omega[0] * d.order;
      std::string deck = Deck(c, m);
      deck.replace(deck.find("Vin in 0 dc 0 ac 1"), 18, "Vin in 0 pwl(0 0 1n 1)");
      deck.insert(deck.find(".end"), ".options reltol=1e-7 abstol=1e-15 vntol=1e-12\n");
      const auto run = kelvara::test::RunNgspice(deck, "tran " + Num(span / 20000) + " " + Num(span) + " 0 " +
                                                           Num(span / 20000) + "\nlinearize\nwrdata @OUT@ v(out)");
      ASSERT_TRUE(run.ok) << run.log;
      const int points = 2001;
      const CircuitTimeCurves t = CircuitTimeResponse(c, m, span, points);
      // ngspice's rows are on its own grid of span / 20000; compare at ours.
      for (int i = 1; i < points; ++i) {
        const std::size_t row = static_cast<std::size_t>(i) * 10;
        if (row >= run.rows.size()) break;
        ASSERT_NEAR(run.rows[row][0], t.timeS[i], span * 1e-9);
        const double diff = std::fabs(run.rows[row][1] - t.step[i]);
        EXPECT_LT(diff, 1e-3) << t.timeS[i];
        worst = std::fmax(worst, diff);
      }
    }
  }
  std::cout << "worst step difference " << worst << '\n';
}

}  // namespace
}  // namespace kelvara::response
