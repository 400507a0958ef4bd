// Step and impulse responses against the closed forms of single sections,
// repeated poles, overshoot and settling.

#include "response/time_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/response/analysis_support.h"
#include "tests/support/transfer_reference.h"

namespace kelvara::response {
namespace {

using testing::Sections;

struct TimeCase {
  const char* name;
  bool hpf;
  int order;
  double omega;
  double q;
};

// Step and impulse (without the Dirac part) of one section.
std::pair<double, double> Closed(const TimeCase& c, double t) {
  const double w = c.omega;
  if (c.order == 1) {
    const double e = std::exp(-w * t);
    return c.hpf ? std::pair{e, -w * e} : std::pair{1 - e, w * e};
  }
  const double sigma = w / (2 * c.q);
  if (c.q > 0.5) {
    const double wd = std::sqrt(w * w - sigma * sigma);
    const double e = std::exp(-sigma * t), co = std::cos(wd * t), si = std::sin(wd * t);
    if (c.hpf) return {e * (co - sigma / wd * si), e * (-2 * sigma * co + (sigma * sigma - wd * wd) / wd * si)};
    return {1 - e * (co + sigma / wd * si), w * w / wd * e * si};
  }
  if (c.q == 0.5) {
    const double e = std::exp(-w * t);
    if (c.hpf) return {e * (1 - w * t), e * (w * w * t - 2 * w)};
    return {1 - e * (1 + w * t), w * w * t * e};
  }
  const double root = std::sqrt(sigma * sigma - w * w);
  const double p1 = -sigma + root, p2 = -sigma - root;
  const double e1 = std::exp(p1 * t), e2 = std::exp(p2 * t);
  if (c.hpf) return {(p1 * e1 - p2 * e2) / (p1 - p2), (p1 * p1 * e1 - p2 * p2 * e2) / (p1 - p2)};
  return {1 + (p2 * e1 - p1 * e2) / (p1 - p2), w * w * (e1 - e2) / (p1 - p2)};
}

const TimeCase kTimeCases[] = {
    {"LpfFirst", false, 1, 1000.0, 0},        {"HpfFirst", true, 1, 1e6, 0},
    {"LpfButter", false, 2, 6283.0, 0.70711}, {"HpfButter", true, 2, 6283.0, 0.70711},
    {"LpfCritical", false, 2, 100.0, 0.5},    {"HpfCritical", true, 2, 3e5, 0.5},
    {"LpfOverdamped", false, 2, 1e4, 0.3},    {"HpfOverdamped", true, 2, 10.0, 0.2},
    {"LpfHighQ", false, 2, 5e5, 9.0},         {"HpfHighQ", true, 2, 2e3, 6.0},
};

class SectionTime : public ::testing::TestWithParam<TimeCase> {};

TEST_P(SectionTime, StepAndImpulseMatchTheClosedForms) {
  const TimeCase& c = GetParam();
  const TimeResponse r(Sections(c.hpf, {{c.order, c.omega, c.q}}));
  EXPECT_EQ(r.FinalValue(), c.hpf ? 0.0 : 1.0);
  EXPECT_EQ(r.DiracWeight(), c.hpf ? 1.0 : 0.0);
  for (double wt : {0.0, 0.01, 0.5, 1.0, 2.0, 5.0, 13.0, 40.0}) {
    const double t = wt / c.omega;
    const auto [step, impulse] = Closed(c, t);
    EXPECT_NEAR(r.Step(t), step, 1e-13) << wt;
    EXPECT_NEAR(r.Impulse(t) / c.omega, impulse / c.omega, 1e-12) << wt;
  }
  EXPECT_EQ(r.Step(-1.0), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Sections, SectionTime, ::testing::ValuesIn(kTimeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// 1 / (1 + s/w)^n: step 1 - e^(-wt) sum_{k<n} (wt)^k / k!.
double RepeatedRealStep(int n, double wt) {
  double sum = 0, term = 1;
  for (int k = 0; k < n; ++k) {
    sum += term;
    term *= wt / (k + 1);
  }
  return 1 - std::exp(-wt) * sum;
}

TEST(RepeatedPoles, EqualPartsGiveAPoleOfOrderN) {
  // Equal parts: every second-order section has Q = 0.5 and omega 1/(RC),
  // like the first-order one, so the order-n filter has one n-fold pole.
  for (int order : {2, 3, 5, 8}) {
    ComponentSet parts;
    parts.r.fill(10e3);
    parts.c.fill(10e-9);
    const DesignRequest request = testing::AnalysisRequest(engine::kLpf, order, engine::kButterworth, "1k", false);
    const TimeResponse r(CascadeFromParts(request, parts));
    ASSERT_EQ(r.StepTerms().size(), 2u);  // the pole of the step at 0 and the n-fold one
    for (double wt : {0.0, 0.3, 1.0, 4.0, 9.0, 25.0}) {
      EXPECT_NEAR(r.Step(wt * 1e-4), RepeatedRealStep(order, wt), 1e-12) << order << " " << wt;
    }
  }
}

TEST(RepeatedPoles, TwoEqualButterworthStagesMatchTheIntegratedCircuit) {
  // R 10k, Ca = 2 Q t, Cb = t^2/Ca: two identical sections, complex poles
  // of multiplicity two.
  for (bool hpf : {false, true}) {
    ComponentSet parts;
    parts.r.fill(10e3);
    parts.c.fill(10e-9);
    if (hpf) {
      parts.r[1] = parts.r[3] = 2 * 0.70711 * 10e3;
      parts.r[0] = parts.r[2] = 10e3 / (2 * 0.70711);
    } else {
      parts.c[0] = parts.c[2] = 2 * 0.70711 * 10e-9;
      parts.c[1] = parts.c[3] = 10e-9 / (2 * 0.70711);
    }
    const DesignRequest request =
        testing::AnalysisRequest(hpf ? engine::kHpf : engine::kLpf, 4, engine::kButterworth, "1k", false);
    const Cascade cascade = CascadeFromParts(request, parts);
    ASSERT_EQ(cascade.stage[0].omega, cascade.stage[1].omega);
    const TimeResponse r(cascade);
    ASSERT_EQ(r.StepTerms().size(), hpf ? 2u : 3u);
    const std::vector<double> times = LinearPoints(0, 2e-3, 41);
    const auto reference = testing::MakeReference(hpf, 4, parts);
    const std::vector<double> step = testing::IntegrateResponse(reference, times, false);
    const std::vector<double> impulse = testing::IntegrateResponse(reference, times, true);
    for (std::size_t i = 0; i < times.size(); ++i) {
      EXPECT_NEAR(r.Step(times[i]), step[i], 1e-10) << times[i];
      EXPECT_NEAR(r.Impulse(times[i]) / 1e4, impulse[i] / 1e4, 1e-10) << times[i];
    }
  }
}

TEST(RepeatedPoles, NearlyCriticalSectionsStayOnTheCriticalCurve) {
  // Q a hair above or below 0.5: the two poles nearly meet; the response
  // must not lose its digits to cancelling residues.
  for (double dq : {1e-15, 1e-12, 1e-9, -1e-9, -1e-12}) {
    const TimeResponse r(Sections(false, {{2, 1000.0, 0.5 + dq}}));
    for (double wt : {0.1, 1.0, 3.0, 10.0}) {
      EXPECT_NEAR(r.Step(wt / 1000.0), RepeatedRealStep(2, wt), 1e-9) << dq << " " << wt;
    }
  }
}

TEST(Overshoot, OrderTwoButterworthOvershootsBy4Point32Percent) {
  const DesignRequest request = testing::AnalysisRequest(engine::kLpf, 2, engine::kButterworth, "1k", false);
  const Cascade cascade = CascadeFromParts(request, testing::DesignedParts(request));
  const TimeResponse r(cascade);
  const TimeResponse::Overshoot o = r.MaxOvershoot();
  const double q = cascade.stage[0].q, w = cascade.stage[0].omega;
  const double zeta = 1 / (2 * q);
  EXPECT_NEAR(o.percent, 100 * std::exp(-3.141592653589793 * zeta / std::sqrt(1 - zeta * zeta)), 1e-10);
  EXPECT_NEAR(o.percent, 4.32, 0.005);
  EXPECT_NEAR(o.timeS * w * std::sqrt(1 - zeta * zeta), 3.141592653589793, 1e-6);
}

TEST(Overshoot, CriticallyDampedAndFirstOrderStepsHaveNone) {
  EXPECT_EQ(TimeResponse(Sections(false, {{2, 10.0, 0.5}})).MaxOvershoot().percent, 0.0);
  EXPECT_EQ(TimeResponse(Sections(false, {{1, 10.0, 0}})).MaxOvershoot().percent, 0.0);
  EXPECT_GT(TimeResponse(Sections(true, {{2, 10.0, 0.70711}})).MaxOvershoot().percent, 4.0);
}

TEST(Settling, FirstOrderAndCriticalSectionsSettleWhenTheirClosedFormsDo) {
  // 1 - e^(-wt): |error| = band at wt = ln(1/band).
  const TimeResponse first(Sections(false, {{1, 500.0, 0}}));
  EXPECT_NEAR(first.SettledSpan() * 500.0, std::log(1000.0), 1e-9);
  EXPECT_NEAR(first.SettlingTime(kSettlingBand) * 500.0, std::log(100.0), 1e-9);
  const TimeResponse hpf(Sections(true, {{1, 500.0, 0}}));
  EXPECT_NEAR(hpf.SettledSpan() * 500.0, std::log(1000.0), 1e-9);
  // e^(-wt)(1 + wt) = 1e-3.
  const TimeResponse critical(Sections(false, {{2, 1.0, 0.5}}));
  const double t = critical.SettledSpan();
  EXPECT_NEAR(std::exp(-t) * (1 + t), 1e-3, 1e-12);
}

TEST(Settling, TheStepStaysInsideTheBandAfterTheSettledSpan) {
  for (int response : {engine::kButterworth, engine::kBessel, engine::kChebyshev}) {
    const DesignRequest request = testing::AnalysisRequest(engine::kLpf, 8, response, "1k", true);
    const TimeResponse r(CascadeFromParts(request, testing::DesignedParts(request)));
    const double span = r.SettledSpan();
    EXPECT_NEAR(std::fabs(r.Step(span) - 1), kSettledBand, 1e-12);
    for (double t = span * 1.0001; t < span * 5; t += span * 1e-3) EXPECT_LE(std::fabs(r.Step(t) - 1), kSettledBand);
  }
}

// The deepest swing below 0 of a high-pass step on [0, span], from a dense
// scan of the exact step and a golden-section search around its lowest
// sample.
std::pair<double, double> LowestStep(const TimeResponse& r, double span) {
  const int n = 200000;
  int best = 0;
  double lowest = r.Step(0.0);
  for (int i = 1; i <= n; ++i) {
    const double v = r.Step(span * i / n);
    if (v < lowest) {
      lowest = v;
      best = i;
    }
  }
  double a = span * std::max(best - 1, 0) / n, b = span * std::min(best + 1, n) / n;
  const double g = 0.6180339887498949;
  for (int i = 0; i < 200 && b - a > 1e-15 * b; ++i) {
    const double c = b - g * (b - a), d = a + g * (b - a);
    if (r.Step(c) < r.Step(d)) {
      b = d;
    } else {
      a = c;
    }
  }
  const double t = 0.5 * (a + b);
  return {r.Step(t), t};
}

TEST(Overshoot, StagesDecadesApartAreEachScannedOnTheirOwnTimeScale) {
  // A high-pass step rings below 0 on the fast stage's time scale, long
  // before the slow stage moves: a single grid over the slow stage's span
  // steps over it.
  constexpr double kTwoPi = 6.283185307179586;
  for (double fastHz : {1e6, 1e9, 1e12}) {
    SCOPED_TRACE(fastHz);
    const TimeResponse r(Sections(true, {{2, kTwoPi * 1.0, 0.70711}, {2, kTwoPi * fastHz, 5.0}}));
    const auto [lowest, at] = LowestStep(r, 20.0 / fastHz);
    ASSERT_LT(lowest, -0.5);
    const TimeResponse::Overshoot o = r.MaxOvershoot();
    EXPECT_NEAR(o.percent, -100 * lowest, 1e-9);
    EXPECT_NEAR(o.timeS * fastHz, at * fastHz, 1e-6);
  }
}

TEST(Settling, StagesDecadesApartSettleAsTheSlowStage) {
  // A low-pass cascade of a critically damped stage at 1 Hz and a ringing
  // one 6 to 12 decades above it: the fast stage only delays the slow
  // step by about 1 / (Q omega) of its own, e^(-wt)(1 + wt) = band.
  constexpr double kTwoPi = 6.283185307179586;
  for (double fastHz : {1e6, 1e9, 1e12}) {
    SCOPED_TRACE(fastHz);
    const TimeResponse r(Sections(false, {{2, kTwoPi * 1.0, 0.5}, {2, kTwoPi * fastHz, 5.0}}));
    for (double band : {kSettledBand, kSettlingBand}) {
      const double t = r.SettlingTime(band) * kTwoPi;
      EXPECT_NEAR(std::exp(-t) * (1 + t), band, band * 1e-5);
    }
    EXPECT_EQ(r.MaxOvershoot().percent, 0.0);
  }
}

}  // namespace
}  // namespace kelvara::response
