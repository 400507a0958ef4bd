// kelvara-design --curve of designs of sections: the step and impulse of
// the ideal op-amp, exact from the cascade's poles and residues, against
// ngspice's transient analysis of the design's own netlist; the frequency
// curves and their Monte Carlo bands; with a real op-amp the state
// equations of the sections against the netlist with that op-amp.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ngspice.h"
#include "tests/tools/designer_process.h"
#include "values/eng_value.h"

namespace kelvara::tools {
namespace {

// The netlist with its AC source replaced by `source`, the simulator's
// options after its title line, its op-amp's gain raised.
std::string WithSource(const std::string& netlist, const std::string& source, const std::string& options) {
  std::istringstream in(netlist);
  std::ostringstream out;
  bool title = true;
  for (std::string line; std::getline(in, line);) {
    if (title) {
      out << line << '\n' << options;
      title = false;
      continue;
    }
    if (line.rfind("V1 in 0", 0) == 0) line = "V1 in 0 " + source;
    // The ideal op-amp's gain of 1e6 to 1e10: a band-pass section's noise
    // gain near 2 Q^2 would show 1e6 as 1e-4 of the step.
    if (line == "E1 out 0 inp inn 1e6") line = "E1 out 0 inp inn 1e10";
    if (line.rfind(".ac ", 0) == 0 || line.rfind(".print", 0) == 0) continue;
    out << line << '\n';
  }
  return out.str();
}

// Times 0, step, ..., 500 steps, with the simulator's values on them.
constexpr int kPoints = 501;

TEST(SectionsCurvesCli, StepAndImpulseAreNgspicesTransient) {
  if (!test::NgspiceAvailable()) GTEST_SKIP() << test::kNgspiceMissing;
  struct Row {
    std::vector<std::string> args;
    const char* span;  // s
  };
  const Row rows[] = {
      {{"--topology", "mfb", "--order", "5", "--gain", "10"}, "5m"},
      {{"--kind", "hpf", "--order", "4", "--gain", "4"}, "5m"},
      {{"--topology", "mfb", "--kind", "hpf", "--order", "3", "--gain", "2", "--stage-order", "descending-q"}, "5m"},
      {{"--order", "6", "--gain", "100", "--response", "chebyshev", "--ripple", "1"}, "10m"},
      // Band-pass: the step rises and rings back to 0.
      {{"--kind", "bpf", "--order", "4", "--center", "1k", "--bandwidth", "200"}, "10m"},
      {{"--kind", "bpf", "--order", "6", "--center", "2k", "--bandwidth", "500", "--gain", "10", "--response",
        "chebyshev", "--ripple", "0.5"},
       "10m"},
      // A real op-amp (its pole and output resistance in the netlist too):
      // the state equations of the sections.
      {{"--topology", "mfb", "--order", "4", "--gain", "10", "--opamp-gbw", "1M", "--opamp-a0", "100", "--opamp-rout",
        "50"},
       "5m"},
      {{"--kind", "bpf", "--order", "4", "--center", "1k", "--bandwidth", "200", "--opamp-gbw", "2M", "--opamp-a0",
        "100"},
       "10m"},
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args[1] + " " + row.args[3]);
    const std::string file = QDir(dir.path()).filePath("filter.cir").toStdString();
    std::vector<std::string> design;
    if (row.args[1] != "bpf") design = {"--cutoff", "1k"};
    design.insert(design.end(), row.args.begin(), row.args.end());
    std::vector<std::string> spice = design;
    spice.insert(spice.end(), {"--spice", file});
    ASSERT_EQ(RunDesigner(spice).exitCode, 0);
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    const double span = values::ParseEngValue(row.span);
    const double dt = span / (kPoints - 1);
    // The simulator's largest step a 200th of the points' (a band-pass
    // step's ringing needs it: a 20th leaves 1e-3 of its peak).
    std::ostringstream control;
    control << std::setprecision(17) << "tran " << dt << " " << span << " 0 " << dt / 200
            << "\nlinearize v(out)\nwrdata @OUT@ v(out)";
    const std::string options = ".options reltol=1e-7 abstol=1e-15 vntol=1e-12 method=gear maxord=6\n";

    for (const char* curve : {"step", "impulse"}) {
      SCOPED_TRACE(curve);
      std::vector<std::string> args = design;
      args.insert(args.end(), {"--curve", curve, "--from", "0", "--to", row.span, "--points", std::to_string(kPoints)});
      const Outcome r = RunDesigner(args);
      ASSERT_EQ(r.exitCode, 0) << r.err;
      const CsvCurve ours = ParseCurve(r.out);
      ASSERT_TRUE(ours.ok);
      ASSERT_EQ(ours.x.size(), static_cast<std::size_t>(kPoints));
      // A step rising in 1 ns; an impulse as a pulse of area 1 and 10 ns,
      // whose response is the impulse response within |h'| 5 ns (a
      // band-pass impulse swings at its centre: 100 ns would be 1 % there).
      const std::string source = std::string(curve) == "step" ? "PWL(0 0 1n 1)" : "PWL(0 0 1n 1e8 10n 1e8 11n 0)";
      const auto run = test::RunNgspice(WithSource(text.str(), source, options), control.str());
      ASSERT_TRUE(run.ok) << run.log;
      ASSERT_GE(run.rows.size(), static_cast<std::size_t>(kPoints - 1));
      double scale = 0;
      for (const double y : ours.y) scale = std::max(scale, std::fabs(y));
      // The step within 1e-4 of the curve's largest value, the impulse
      // within 1e-3 (its pulse of 10 ns), from the second point on (the
      // first is the jump itself).
      const double tolerance = std::string(curve) == "step" ? 1e-4 : 1e-3;
      for (std::size_t i = 1; i < ours.x.size() && i < run.rows.size(); ++i) {
        ASSERT_NEAR(run.rows[i][0], ours.x[i], dt * 1e-6);
        EXPECT_NEAR(run.rows[i][1], ours.y[i], tolerance * scale) << "t = " << ours.x[i];
      }
    }
  }
}

TEST(SectionsCurvesCli, FrequencyCurvesAndTheirBands) {
  const std::vector<std::string> design{"--cutoff", "1k", "--topology", "mfb", "--order", "4", "--gain", "10"};
  for (const char* curve : {"gain", "phase", "delay"}) {
    std::vector<std::string> args = design;
    args.insert(args.end(), {"--curve", curve, "--points", "20"});
    const Outcome plain = RunDesigner(args);
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const CsvCurve c = ParseCurve(plain.out);
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.x.size(), 20u);
    if (std::string(curve) == "gain") {
      EXPECT_NEAR(c.y.front(), 20 - 3.0, 0.1);  // 1 kHz: 3 dB below the gain 10
    }
    args.insert(args.end(), {"--monte-carlo", "100"});
    const Outcome banded = RunDesigner(args);
    ASSERT_EQ(banded.exitCode, 0) << banded.err;
    const std::string unit = std::string(curve) == "gain" ? "db" : std::string(curve) == "phase" ? "deg" : "s";
    const std::string name = std::string(curve) == "delay" ? "delay" : curve;
    EXPECT_EQ(banded.out.substr(0, banded.out.find('\n')),
              "frequency_hz," + name + "_" + unit + ",min_" + unit + ",p05_" + unit + ",p95_" + unit + ",max_" + unit);
  }
}

// The last op-amp's output is the filter's: the levels curve's last column
// is the gain curve; the noise curve names every part of the design.
TEST(SectionsCurvesCli, LevelsAndNoiseCurves) {
  const std::vector<std::string> design{"--cutoff", "1k",     "--topology", "mfb",      "--order",
                                        "5",        "--gain", "10",         "--points", "30"};
  auto run = [&](const char* curve) {
    std::vector<std::string> args = design;
    args.insert(args.end(), {"--curve", curve});
    const Outcome r = RunDesigner(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  };
  const CsvCurve gain = ParseCurve(run("gain"));
  std::istringstream levels(run("levels"));
  std::string header;
  std::getline(levels, header);
  EXPECT_EQ(header, "frequency_hz,U1_db,U2_db,U3_db");
  std::size_t i = 0;
  for (std::string line; std::getline(levels, line); ++i) {
    ASSERT_LT(i, gain.y.size());
    const double last = std::strtod(line.substr(line.rfind(',') + 1).c_str(), nullptr);
    EXPECT_NEAR(last, gain.y[i], 1e-9) << line;
  }
  EXPECT_EQ(i, gain.y.size());
  const std::string noise = run("noise");
  EXPECT_EQ(noise.substr(0, noise.find('\n')),
            "frequency_hz,total_nv_rthz,R1_nv_rthz,R2_nv_rthz,R3_nv_rthz,R4_nv_rthz,R5_nv_rthz,R6_nv_rthz,R7_nv_rthz,"
            "R8_nv_rthz,U1_en_nv_rthz,U1_in_nv_rthz,U2_en_nv_rthz,U2_in_nv_rthz,U3_en_nv_rthz,U3_in_nv_rthz");
}

// A band-pass design's curves: its gain at the centre, and the bands of a
// Monte Carlo run, every p05..p95 band around the nominal gain.
TEST(SectionsCurvesCli, BandPassFrequencyCurvesAndTheirBands) {
  const std::vector<std::string> design{"--kind", "bpf",         "--order", "4",      "--center",
                                        "10k",    "--bandwidth", "2k",      "--gain", "4"};
  std::vector<std::string> args = design;
  args.insert(args.end(), {"--curve", "gain", "--from", "10k", "--to", "10k", "--points", "1"});
  const Outcome centre = RunDesigner(args);
  ASSERT_EQ(centre.exitCode, 0) << centre.err;
  const CsvCurve c = ParseCurve(centre.out);
  ASSERT_TRUE(c.ok);
  ASSERT_EQ(c.y.size(), 1u);
  EXPECT_NEAR(c.y[0], 20 * std::log10(4.0), 1e-9);
  args = design;
  args.insert(args.end(), {"--curve", "gain", "--points", "40", "--monte-carlo", "200", "--seed", "7"});
  const Outcome banded = RunDesigner(args);
  ASSERT_EQ(banded.exitCode, 0) << banded.err;
  std::istringstream lines(banded.out);
  std::string header;
  std::getline(lines, header);
  EXPECT_EQ(header, "frequency_hz,gain_db,min_db,p05_db,p95_db,max_db");
  int rows = 0;
  for (std::string line; std::getline(lines, line); ++rows) {
    std::vector<double> v;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) v.push_back(std::strtod(field.c_str(), nullptr));
    ASSERT_EQ(v.size(), 6u) << line;
    EXPECT_LE(v[2], v[3]) << line;
    EXPECT_LE(v[3], v[4]) << line;
    EXPECT_LE(v[4], v[5]) << line;
  }
  EXPECT_EQ(rows, 40);
}

}  // namespace
}  // namespace kelvara::tools
