// The extremes kelvara-design reports for preferred-value designs, against
// the same parts solved here: each stage's node equations with an ideal
// follower, walked at 20,000 points a decade and every local extreme of the
// walk refined by golden sections on the exact gain. Preferred values put
// the ripple peaks of a Chebyshev response at slightly different heights,
// so a search that looks at a coarse grid lands on the wrong one.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/tools/designer_process.h"

namespace kelvara::tools {
namespace {

using Complex = std::complex<double>;
constexpr double kTwoPi = 6.283185307179586;

// The parts of a design as the JSON gives them, and the gain of the first
// `stages` stages from the node equations of each stage.
struct Parts {
  bool hpf = false;
  int order = 2;
  std::vector<double> r, c;

  int StageCount() const { return (order + 1) / 2; }

  // One stage: node A (series1, series2, feedback to the output), node B
  // (series2, shunt to ground) with the output equal to B. From node B,
  // VA = VB (Y2 + Yg) / Y2; node A then gives VB.
  Complex Stage(int k, double f) const {
    const Complex s(0, kTwoPi * f);
    auto y = [&](bool capacitor, double v) { return capacitor ? s * v : Complex(1 / v, 0); };
    if (order % 2 == 1 && k == 0) {
      const Complex y1 = y(hpf, hpf ? c[0] : r[0]), yg = y(!hpf, hpf ? r[0] : c[0]);
      return y1 / (y1 + yg);
    }
    const int first = order % 2 == 0 ? 2 * k : 2 * k - 1;  // index of Ra / Ca
    const double ra = r[first], rb = r[first + 1], ca = c[first], cb = c[first + 1];
    const Complex y1 = hpf ? y(true, ca) : y(false, ra);
    const Complex y2 = hpf ? y(true, cb) : y(false, rb);
    const Complex yf = hpf ? y(false, ra) : y(true, ca);
    const Complex yg = hpf ? y(false, rb) : y(true, cb);
    return y1 * y2 / ((y2 + yg) * (y1 + y2 + yf) - y2 * (y2 + yf));
  }
  double Db(int stages, double f) const {
    Complex h(1, 0);
    for (int k = 0; k < stages; ++k) h *= Stage(k, f);
    return 20 * std::log10(std::abs(h));
  }
};

Parts PartsOf(const nlohmann::json& j, bool hpf, int order) {
  Parts p;
  p.hpf = hpf;
  p.order = order;
  for (int i = 0; i < order; ++i) {
    p.r.push_back(j["r"][i].get<double>());
    p.c.push_back(j["c"][i].get<double>());
  }
  return p;
}

struct Extreme {
  double hz = 0, db = 0;
};

// The local extremes of g over [lo, hi] (Hz): the walk's, each refined.
std::vector<Extreme> Extremes(const std::function<double(double)>& g, double lo, double hi, bool maxima) {
  const double sign = maxima ? 1 : -1;
  auto at = [&](double u) { return sign * g(std::exp(u)); };
  const double a = std::log(lo), b = std::log(hi);
  const int n = static_cast<int>((b - a) / std::log(10.0) * 20000) + 2;
  std::vector<double> v(n + 1);
  for (int i = 0; i <= n; ++i) v[i] = at(a + (b - a) * i / n);
  std::vector<Extreme> out;
  for (int i = 1; i < n; ++i) {
    if (!(v[i] >= v[i - 1] && v[i] >= v[i + 1])) continue;
    double l = a + (b - a) * (i - 1) / n, r = a + (b - a) * (i + 1) / n;
    for (int it = 0; it < 200 && r - l > 1e-14; ++it) {
      const double m1 = l + (r - l) / 3, m2 = r - (r - l) / 3;
      (at(m1) < at(m2) ? l : r) = at(m1) < at(m2) ? m1 : m2;
    }
    const double u = 0.5 * (l + r);
    out.push_back({std::exp(u), sign * at(u)});
  }
  return out;
}

nlohmann::json Design(const std::vector<std::string>& args) {
  const Outcome r = RunDesigner(args);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return nlohmann::json::parse(r.out);
}

struct LevelCase {
  std::string kind, response, cutoff;
  int order;
};

class SeriesLevels : public ::testing::TestWithParam<LevelCase> {};

// Every op-amp output's highest gain is the highest local maximum of its
// gain (or the pass band's end where it only falls from there).
TEST_P(SeriesLevels, HighestGainsAreTheTrueMaxima) {
  const LevelCase& c = GetParam();
  const nlohmann::json j = Design({"--kind", c.kind, "--order", std::to_string(c.order), "--response", c.response,
                                   "--cutoff", c.cutoff, "--values", "series", "--levels", "--json"});
  const Parts p = PartsOf(j, c.kind == "hpf", c.order);
  const double fc = j["minus3db_hz"].get<double>();
  const nlohmann::json& stages = j["levels"]["stages"];
  ASSERT_EQ(static_cast<int>(stages.size()), p.StageCount());
  for (int k = 0; k < p.StageCount(); ++k) {
    SCOPED_TRACE("U" + std::to_string(k + 1));
    const auto g = [&](double f) { return p.Db(k + 1, f); };
    // The pass band's end: an LPF's gain at DC, an HPF's limit far above.
    Extreme best{p.hpf ? -1.0 : 0.0, p.hpf ? 0.0 : g(1e-9 * fc)};
    for (const Extreme& e : Extremes(g, fc / 200, fc * 200, true)) {
      if (e.db > best.db) best = e;
    }
    const double db = stages[k]["max_gain_db"].get<double>(), hz = stages[k]["at_hz"].get<double>();
    if (best.hz == 0) {
      EXPECT_EQ(hz, 0.0);
      EXPECT_NEAR(db, best.db, 1e-9);
    } else if (best.hz < 0) {
      // An ideal high-pass output that only rises: at the range's end,
      // close to its limit.
      EXPECT_NEAR(db, 0.0, 1e-4);
    } else {
      EXPECT_NEAR(db, best.db, 1e-9);
      EXPECT_NEAR(hz / best.hz, 1.0, 1e-6);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Designs, SeriesLevels,
    ::testing::Values(LevelCase{"lpf", "chebyshev", "1k", 8}, LevelCase{"lpf", "chebyshev", "47k", 4},
                      LevelCase{"hpf", "chebyshev", "100", 7}, LevelCase{"lpf", "chebyshev", "3.3k", 7},
                      LevelCase{"hpf", "butterworth", "10k", 6}, LevelCase{"lpf", "bessel", "2k", 5}));

// The order-8 Chebyshev low-pass at 1 kHz from E12/E24: the output op-amp
// peaks at 0.5762 dB at 976.4 Hz, not at the 845 Hz ripple peak.
TEST(SeriesLevels, TheOutputOfTheOrder8ChebyshevPeaksAtItsHighestRipple) {
  const nlohmann::json j = Design({"--kind", "lpf", "--order", "8", "--response", "chebyshev", "--cutoff", "1k",
                                   "--values", "series", "--levels", "--json"});
  const nlohmann::json& u4 = j["levels"]["stages"][3];
  EXPECT_NEAR(u4["max_gain_db"].get<double>(), 0.5762, 5e-5);
  EXPECT_NEAR(u4["at_hz"].get<double>(), 976.4, 0.05);
}

struct RippleCase {
  std::string kind, cutoff;
  int order;
  double rippleDb;  // the true ripple, to the 7 decimals
};

class SeriesRipple : public ::testing::TestWithParam<RippleCase> {};

// The summary's ripple is the highest gain less the lowest on the pass-band
// side of the ripple edge, both at the true extremes.
TEST_P(SeriesRipple, IsThatOfTheTrueExtremes) {
  const RippleCase& c = GetParam();
  const nlohmann::json j = Design({"--kind", c.kind, "--order", std::to_string(c.order), "--response", "chebyshev",
                                   "--cutoff", c.cutoff, "--values", "series", "--analysis", "--json"});
  const Parts p = PartsOf(j, c.kind == "hpf", c.order);
  const double edge = j["summary"]["ripple_edge_hz"].get<double>();
  const double ripple = j["summary"]["ripple_db"].get<double>();
  const auto g = [&](double f) { return p.Db(p.StageCount(), f); };
  const double lo = p.hpf ? edge : edge / 1e4, hi = p.hpf ? edge * 1e4 : edge;
  double highest = 0, lowest = 0;  // the pass band's end is at 0 dB
  for (const Extreme& e : Extremes(g, lo / 10, hi * 10, true)) highest = std::max(highest, e.db);
  for (const Extreme& e : Extremes(g, lo, hi, false)) lowest = std::min(lowest, e.db);
  lowest = std::min(lowest, highest - 0.25);
  EXPECT_NEAR(ripple, highest - lowest, 1e-9);
  EXPECT_NEAR(ripple, c.rippleDb, 1e-7);
}

INSTANTIATE_TEST_SUITE_P(Designs, SeriesRipple,
                         ::testing::Values(RippleCase{"hpf", "100", 7, 0.3521473},
                                           RippleCase{"lpf", "47k", 4, 0.3066504}));

// The dynamic range is that of the smaller input limit, and says which.
TEST(SeriesLevels, TheDynamicRangeTakesTheTighterLimit) {
  const nlohmann::json j =
      Design({"--cutoff", "2k", "--order", "7", "--kind", "hpf", "--opamp-gbw", "4M", "--opamp-a0", "106", "--opamp-en",
              "15", "--opamp-swing", "27", "--opamp-sr", "16", "--noise", "--levels", "--json"});
  const nlohmann::json& l = j["levels"];
  const double swing = l["max_input_vpp"].get<double>(), slew = l["slew_max_input_vpp"].get<double>();
  ASSERT_LT(slew, swing);
  EXPECT_EQ(l["limited_by"], "slew");
  EXPECT_EQ(l["undistorted_input_vpp"].get<double>(), slew);
  // The output rms of that input (the pass-band gain of a high-pass filter
  // with a real op-amp is just below 1) over the noise.
  const double noise = j["noise"]["total_vrms"].get<double>();
  EXPECT_NEAR(l["dynamic_range_db"].get<double>(), 20 * std::log10(slew / (2 * std::sqrt(2.0)) / noise), 0.01);
}

}  // namespace
}  // namespace kelvara::tools
