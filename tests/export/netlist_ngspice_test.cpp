// Every exported netlist of a table of designs run in ngspice: the simulated
// response agrees with our own within 0.01 dB (where the gain is above
// -100 dB) and 0.1 degrees. Ideal op-amp: against ResponseDb and the phase
// of the stage parameters; real op-amp: against a nodal solve of the drawn
// circuit (tests/export/nodal_solve.h).

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export/spice_netlist.h"
#include "response/response.h"
#include "tests/export/export_designs.h"
#include "tests/export/nodal_solve.h"
#include "tests/support/ngspice.h"

namespace kelvara::exports {
namespace {

using test::Complex;
using test::DesignCase;
using test::RealOpAmp;

/// The ideal cascade's response from its stage parameters.
Complex IdealResponse(const engine::DesignRequest& request, const response::ResponseStages& st, double f) {
  const double w = 2.0 * M_PI * f;
  const bool hpf = request.passKind == engine::kHpf;
  const int order = request.Order();
  Complex h = 1.0;
  int slot = 0;
  if (order % 2 == 1) {
    const double x = hpf ? st.omega[0] / w : w / st.omega[0];
    h *= 1.0 / Complex(1.0, hpf ? -x : x);
    slot = 1;
  }
  for (; slot < order / 2 + order % 2; ++slot) {
    const double x = hpf ? st.omega[slot] / w : w / st.omega[slot];
    h *= 1.0 / Complex(1.0 - x * x, (hpf ? -x : x) / st.q[slot]);
  }
  return h;
}

struct Worst {
  double gainDb = 0;
  double phaseDeg = 0;
  std::size_t points = 0;
};

const DesignCase kDesigns[] = {
    {"Lpf2AnyButterworthIdeal", 0, 2, 0, "1k", false},
    {"Lpf3SeriesBesselIdeal", 0, 3, 1, "2.2k", true},
    {"Lpf5AnyChebyshevIdeal", 0, 5, 2, "10k", false},
    {"Lpf8SeriesChebyshevIdeal", 0, 8, 2, "10k", true},
    {"Lpf6SeriesBesselIdeal", 0, 6, 1, "50", true},
    {"Hpf2SeriesButterworthIdeal", 1, 2, 0, "100", true},
    {"Hpf4AnyChebyshevIdeal", 1, 4, 2, "1k", false},
    {"Hpf7SeriesChebyshevIdeal", 1, 7, 2, "5k", true},
    {"Hpf8AnyButterworthIdeal", 1, 8, 0, "20k", false},
    {"Lpf2AnyButterworthReal1M", 0, 2, 0, "1k", false, RealOpAmp(1e6, 100, 0)},
    {"Lpf4AnyButterworthReal1MRout50", 0, 4, 0, "1k", false, RealOpAmp(1e6, 100, 50)},
    {"Lpf8SeriesChebyshevReal1MRout50", 0, 8, 2, "10k", true, RealOpAmp(1e6, 100, 50)},
    {"Lpf7AnyBesselReal10M", 0, 7, 1, "100k", false, RealOpAmp(10e6, 110, 0)},
    {"Hpf5AnyChebyshevReal10MRout50", 1, 5, 2, "10k", false, RealOpAmp(10e6, 100, 50)},
    {"Hpf3SeriesButterworthReal100k", 1, 3, 0, "1k", true, RealOpAmp(100e3, 90, 20)},
    {"Hpf6SeriesChebyshevReal100M", 1, 6, 2, "200k", true, RealOpAmp(100e6, 120, 75)},
};

class NetlistInNgspice : public ::testing::TestWithParam<DesignCase> {};

TEST_P(NetlistInNgspice, SimulatesToOurResponse) {
  if (!kelvara::test::NgspiceAvailable()) GTEST_SKIP() << kelvara::test::kNgspiceMissing;
  const DesignCase& c = GetParam();
  const test::Design d = test::MakeDesign(c);
  const double fc = d.request.cutoffHz;
  NetlistOptions options;
  options.opamp = c.opamp;
  options.fStartHz = std::max(1.0, fc / 1000);
  options.fStopHz = std::min(1e8, fc * 1000);
  options.date = "2026-12-08";
  const std::string netlist = WriteSpiceNetlist(d.request, d.parts, options);
  const auto run = kelvara::test::RunNgspice(netlist, "run\nwrdata @OUT@ vr(out) vi(out)");
  ASSERT_TRUE(run.ok) << run.log;

  const response::ResponseStages stages = response::StagesFromComponents(d.request, d.parts);
  Worst worst;
  for (const auto& row : run.rows) {
    ASSERT_EQ(row.size(), 4u);
    const double f = row[0];
    const Complex sim(row[1], row[3]);
    Complex ours;
    double oursDb = 0;
    if (c.opamp.ideal) {
      ours = IdealResponse(d.request, stages, f);
      oursDb = response::ResponseDb(d.request, stages, f);
    } else {
      ours = test::SolveCascade(d.request, d.parts, c.opamp, f);
      oursDb = 20 * std::log10(std::abs(ours));
    }
    if (oursDb <= -100) continue;
    ++worst.points;
    worst.gainDb = std::max(worst.gainDb, std::abs(20 * std::log10(std::abs(sim)) - oursDb));
    worst.phaseDeg = std::max(worst.phaseDeg, std::abs(std::arg(sim / ours)) * 180 / M_PI);
  }
  EXPECT_GT(worst.points, 200u);
  EXPECT_LT(worst.gainDb, 0.01);
  EXPECT_LT(worst.phaseDeg, 0.1);
  RecordProperty("worst_gain_db", std::to_string(worst.gainDb));
  RecordProperty("worst_phase_deg", std::to_string(worst.phaseDeg));
  std::printf("[ worst    ] %s: %.3g dB, %.3g deg over %zu points\n", c.name, worst.gainDb, worst.phaseDeg,
              worst.points);
}

INSTANTIATE_TEST_SUITE_P(Designs, NetlistInNgspice, ::testing::ValuesIn(kDesigns),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NetlistInNgspice, Order8SeriesDesignSimulatesWithoutWarnings) {
  if (!kelvara::test::NgspiceAvailable()) GTEST_SKIP() << kelvara::test::kNgspiceMissing;
  for (const auto& opamp : {response::OpAmpModel{}, RealOpAmp(1e6, 100, 50)}) {
    const test::Design d = test::MakeDesign({"Lpf8", 0, 8, 2, "10k", true});
    NetlistOptions options;
    options.opamp = opamp;
    const auto run =
        kelvara::test::RunNgspice(WriteSpiceNetlist(d.request, d.parts, options), "run\nwrdata @OUT@ vdb(out)");
    ASSERT_TRUE(run.ok) << run.log;
    std::string log = run.log;
    std::transform(log.begin(), log.end(), log.begin(), [](unsigned char ch) { return std::tolower(ch); });
    EXPECT_EQ(log.find("warning"), std::string::npos) << run.log;
    EXPECT_EQ(log.find("error"), std::string::npos) << run.log;
  }
}

}  // namespace
}  // namespace kelvara::exports

namespace kelvara::exports {
namespace {

/// What "ngspice -b FILE" does with the netlist as it is written.
struct BatchRun {
  int status = -1;
  std::string output;                            // standard output and error
  std::vector<std::pair<double, double>> table;  // the printed (frequency, vm(out)) rows
};

BatchRun RunAsItIs(const std::string& netlist) {
  char pattern[] = "/tmp/kelvara-batch-XXXXXX";
  BatchRun run;
  if (mkdtemp(pattern) == nullptr) return run;
  const std::filesystem::path dir = pattern;
  std::ofstream(dir / "design.cir") << netlist;
  const std::string command = "cd '" + dir.string() + "' && ngspice -b design.cir > log.txt 2>&1";
  const int status = std::system(command.c_str());
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream log(dir / "log.txt");
  for (std::string line; std::getline(log, line);) {
    run.output += line + "\n";
    std::istringstream fields(line);
    int index = 0;
    double f = 0;
    double magnitude = 0;
    if (fields >> index >> f >> magnitude) run.table.emplace_back(f, magnitude);
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return run;
}

const DesignCase kBatchDesigns[] = {
    {"Lpf2AnyButterworthIdeal", 0, 2, 0, "1k", false},
    {"Lpf8SeriesChebyshevIdeal", 0, 8, 2, "10k", true},
    {"Hpf5AnyChebyshevIdeal", 1, 5, 2, "3.3k", false},
    {"Hpf7SeriesBesselIdeal", 1, 7, 1, "470", true},
    {"Lpf4AnyButterworthReal1MRout50", 0, 4, 0, "1k", false, RealOpAmp(1e6, 100, 50)},
    {"Hpf3SeriesButterworthReal100k", 1, 3, 0, "1k", true, RealOpAmp(100e3, 90, 20)},
};

class NetlistAsItIs : public ::testing::TestWithParam<DesignCase> {};

// "ngspice -b design.cir" on the file as written: exit status 0, no warning
// or error, and the printed table is our response.
TEST_P(NetlistAsItIs, RunsInBatchNgspiceWithoutWarnings) {
  if (!kelvara::test::NgspiceAvailable()) GTEST_SKIP() << kelvara::test::kNgspiceMissing;
  const DesignCase& c = GetParam();
  const test::Design d = test::MakeDesign(c);
  NetlistOptions options;
  options.opamp = c.opamp;
  options.fStartHz = d.request.cutoffHz / 100;
  options.fStopHz = d.request.cutoffHz * 100;
  options.date = "2026-12-08";
  const std::string netlist = WriteSpiceNetlist(d.request, d.parts, options);
  const BatchRun run = RunAsItIs(netlist);
  EXPECT_EQ(run.status, 0) << run.output << netlist;
  std::string lower = run.output;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char ch) { return std::tolower(ch); });
  for (const char* word : {"warning", "error", "no simulations run", "has no value", "assumed"}) {
    EXPECT_EQ(lower.find(word), std::string::npos) << word << "\n" << run.output;
  }
  // 100 points a decade over four decades.
  ASSERT_GE(run.table.size(), 400u) << run.output << netlist;
  const response::ResponseStages stages = response::StagesFromComponents(d.request, d.parts);
  double worst = 0;
  for (const auto& [f, magnitude] : run.table) {
    const double db = 20 * std::log10(magnitude);
    const double ours = c.opamp.ideal ? response::ResponseDb(d.request, stages, f)
                                      : 20 * std::log10(std::abs(test::SolveCascade(d.request, d.parts, c.opamp, f)));
    if (ours > -100) worst = std::max(worst, std::abs(db - ours));
  }
  EXPECT_LT(worst, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Designs, NetlistAsItIs, ::testing::ValuesIn(kBatchDesigns),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvara::exports
