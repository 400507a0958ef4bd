// The curves of kelvara-design against an independent model of the same
// circuit (tests/support/transfer_reference.h): transfer-function
// polynomials multiplied out from the part values and evaluated directly,
// the phase unwrapped by walking along the frequency axis, the group delay
// from the polynomials' derivatives and the step and impulse responses by
// Runge-Kutta integration of the state equations. 40 designs of both kinds,
// every order and response, exact and preferred values.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <nlohmann/json.hpp>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "tests/support/transfer_reference.h"
#include "tests/tools/designer_process.h"
#include "values/eng_value.h"

namespace kelvara::tools {
namespace {

struct DesignCase {
  int kind;
  int response;
  int order;
  bool series;
  const char* cutoff;
};

std::vector<DesignCase> FortyDesigns() {
  const char* cutoffs[] = {"1k", "4.7k", "33", "120k", "2.2M", "10", "560"};
  std::vector<DesignCase> cases;
  int i = 0;
  for (int kind : {engine::kLpf, engine::kHpf}) {
    for (int response : {engine::kButterworth, engine::kBessel, engine::kChebyshev}) {
      for (int order = 2; order <= 8; ++order) {
        const engine::DesignRequest r = engine::MakeDesignRequest({.passKind = kind,
                                                                   .orderIndex = order - 2,
                                                                   .response = response,
                                                                   .cutoffText = "1k",
                                                                   .capE12 = 0,
                                                                   .resE24 = 0,
                                                                   .anyValues = 1});
        if (!engine::HasDesignData(r)) continue;
        cases.push_back({kind, response, order, i % 2 == 1, cutoffs[i % 7]});
        ++i;
      }
    }
  }
  // Seven more: the LPF Chebyshev designs with the other kind of values.
  for (int order = 2; order <= 8; ++order) {
    cases.push_back({engine::kLpf, engine::kChebyshev, order, order % 2 == 0, cutoffs[(order + 3) % 7]});
  }
  return cases;
}

std::vector<std::string> Args(const DesignCase& c) {
  static const char* responses[] = {"butterworth", "bessel", "chebyshev"};
  return {"--cutoff",   c.cutoff,
          "--kind",     c.kind == engine::kHpf ? "hpf" : "lpf",
          "--order",    std::to_string(c.order),
          "--response", responses[c.response],
          "--values",   c.series ? "series" : "any"};
}

CsvCurve Curve(const DesignCase& c, std::vector<std::string> extra) {
  std::vector<std::string> args = Args(c);
  args.insert(args.end(), extra.begin(), extra.end());
  const Outcome r = RunDesigner(args);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  CsvCurve curve = ParseCurve(r.out);
  EXPECT_TRUE(curve.ok);
  return curve;
}

class IndependentCurves : public ::testing::TestWithParam<DesignCase> {};

TEST_P(IndependentCurves, AgreeWithTheIndependentModel) {
  const DesignCase& c = GetParam();
  std::vector<std::string> jsonArgs = Args(c);
  jsonArgs.push_back("--json");
  const Outcome designed = RunDesigner(jsonArgs);
  ASSERT_EQ(designed.exitCode, 0) << designed.err;
  const nlohmann::json j = nlohmann::json::parse(designed.out);
  engine::ComponentSet parts;
  for (int i = 0; i < 8; ++i) parts.r[i] = j["r"][i].get<double>(), parts.c[i] = j["c"][i].get<double>();
  const testing::ReferenceFilter model = testing::MakeReference(c.kind == engine::kHpf, c.order, parts);
  double worst[5] = {};  // gain (relative), phase (deg), delay (relative), step, impulse (of its peak)

  // Two decades either side of the cut-off, and the default range.
  const double fc = values::ParseEngValue(c.cutoff);
  const std::string from = std::to_string(fc / 100), to = std::to_string(fc * 100);
  for (const std::vector<std::string>& range :
       {std::vector<std::string>{"--from", from, "--to", to, "--points", "201"}, std::vector<std::string>{}}) {
    std::vector<std::string> args = range;
    args.insert(args.begin(), {"--curve", "gain"});
    const CsvCurve gain = Curve(c, args);
    args[1] = "phase";
    const CsvCurve phase = Curve(c, args);
    args[1] = "delay";
    const CsvCurve delay = Curve(c, args);
    ASSERT_EQ(gain.x.size(), phase.x.size());
    const std::vector<double> refPhase = testing::UnwrappedPhase(model, phase.x);
    for (std::size_t i = 0; i < gain.x.size(); ++i) {
      worst[0] =
          std::max(worst[0], std::fabs(std::pow(10.0, (gain.y[i] - testing::GainDb(model, gain.x[i])) / 20) - 1));
      worst[1] = std::max(worst[1], std::fabs(phase.y[i] - refPhase[i]));
      worst[2] = std::max(worst[2], std::fabs(delay.y[i] / testing::GroupDelay(model, delay.x[i]) - 1));
      // Magnitudes to 1e-9 relative (the dB values to 8.7e-9 dB).
      const double ratio = std::pow(10.0, (gain.y[i] - testing::GainDb(model, gain.x[i])) / 20);
      EXPECT_NEAR(ratio, 1.0, 1e-9) << "gain at " << gain.x[i];
      EXPECT_NEAR(phase.y[i], refPhase[i], 1e-9) << "phase at " << phase.x[i];
      const double d = testing::GroupDelay(model, delay.x[i]);
      EXPECT_NEAR(delay.y[i] / d, 1.0, 1e-9) << "delay at " << delay.x[i];
    }
  }

  // Time responses over the settled span.
  const CsvCurve step = Curve(c, {"--curve", "step", "--points", "151"});
  const CsvCurve impulse = Curve(c, {"--curve", "impulse", "--points", "151"});
  ASSERT_EQ(step.x.size(), 151u);
  const std::vector<double> refStep = testing::IntegrateResponse(model, step.x, false);
  const std::vector<double> refImpulse = testing::IntegrateResponse(model, impulse.x, true);
  double peak = 0;
  for (double v : refImpulse) peak = std::max(peak, std::fabs(v));
  for (std::size_t i = 0; i < step.x.size(); ++i) {
    worst[3] = std::max(worst[3], std::fabs(step.y[i] - refStep[i]));
    worst[4] = std::max(worst[4], std::fabs(impulse.y[i] - refImpulse[i]) / peak);
    EXPECT_NEAR(step.y[i], refStep[i], 1e-9) << "step at " << step.x[i];
    EXPECT_NEAR(impulse.y[i] / peak, refImpulse[i] / peak, 1e-9) << "impulse at " << impulse.x[i];
  }
  std::cout << "worst differences: gain " << worst[0] << ", phase " << worst[1] << " deg, delay " << worst[2]
            << ", step " << worst[3] << ", impulse " << worst[4] << '\n';
  // Settled to 0.1 % at the end of the span.
  const double final = c.kind == engine::kHpf ? 0.0 : 1.0;
  EXPECT_NEAR(std::fabs(refStep.back() - final), 1e-3, 1e-9);
}

std::string CaseName(const ::testing::TestParamInfo<DesignCase>& info) {
  static const char* responses[] = {"Butterworth", "Bessel", "Chebyshev"};
  const DesignCase& c = info.param;
  return std::string(c.kind == engine::kHpf ? "Hpf" : "Lpf") + responses[c.response] + std::to_string(c.order) +
         (c.series ? "Series" : "Any") + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(FortyDesigns, IndependentCurves, ::testing::ValuesIn(FortyDesigns()), CaseName);

TEST(IndependentCurves, CoverFortyDesignsOfEveryKindOrderAndResponse) {
  const std::vector<DesignCase> cases = FortyDesigns();
  EXPECT_EQ(cases.size(), 40u);
  int hpf = 0, series = 0;
  for (const DesignCase& c : cases) hpf += c.kind == engine::kHpf, series += c.series;
  EXPECT_EQ(hpf, 12);
  EXPECT_GE(series, 18);
}

}  // namespace
}  // namespace kelvara::tools
