// The evaluation of each stage against its target and the summary of the
// whole response.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/stage_maths.h"
#include "response/analysis.h"
#include "response/views.h"
#include "tests/response/analysis_support.h"

namespace kelvara::response {
namespace {

using testing::AnalysisRequest;
using testing::DesignedParts;

struct Design {
  int kind;
  int response;
};

// Every combination the tables hold data for.
std::vector<DesignRequest> AllRequests(bool series, const char* cutoff) {
  std::vector<DesignRequest> out;
  for (Design d : {Design{engine::kLpf, engine::kButterworth}, Design{engine::kLpf, engine::kBessel},
                   Design{engine::kLpf, engine::kChebyshev}, Design{engine::kHpf, engine::kButterworth},
                   Design{engine::kHpf, engine::kChebyshev}}) {
    for (int order = 2; order <= 8; ++order) {
      const DesignRequest r = AnalysisRequest(d.kind, order, d.response, cutoff, series);
      if (engine::HasDesignData(r)) out.push_back(r);
    }
  }
  return out;
}

TEST(EvaluateStages, ExactValuesMeetTheirTargets) {
  for (const char* cutoff : {"1", "4.7k", "100M"}) {
    for (const DesignRequest& request : AllRequests(false, cutoff)) {
      const std::vector<StageEvaluation> rows = EvaluateStages(request, DesignedParts(request));
      ASSERT_EQ(static_cast<int>(rows.size()), engine::StageCount(request.Order()));
      for (const StageEvaluation& row : rows) {
        ASSERT_TRUE(row.f0ErrorPct.has_value());
        EXPECT_LT(std::fabs(*row.f0ErrorPct), 1e-9) << request.Order() << " stage " << row.stage;
        if (row.order == 2) {
          ASSERT_TRUE(row.qErrorPct.has_value());
          EXPECT_LT(std::fabs(*row.qErrorPct), 1e-9) << request.Order() << " stage " << row.stage;
        }
      }
    }
  }
}

TEST(EvaluateStages, SeriesDesignErrorsAreThoseOfItsPartValues) {
  const double twoPi = 2 * 3.14159265358979323846;
  for (const DesignRequest& request : AllRequests(true, "2.2k")) {
    const ComponentSet parts = DesignedParts(request);
    const engine::StageTargets targets = engine::BuildStageTargets(request);
    const std::vector<StageEvaluation> rows = EvaluateStages(request, parts);
    const bool odd = request.Order() % 2 == 1;
    for (const StageEvaluation& row : rows) {
      const int k = row.stage - 1;
      const double fTarget = targets.stageOmega[k] / twoPi;
      EXPECT_NEAR(row.f0TargetHz / fTarget, 1, 1e-15);
      double f0 = 0, q = 0;
      if (odd && k == 0) {
        EXPECT_EQ(row.parts, (std::vector<std::string>{"R1", "C1"}));
        f0 = 1 / (twoPi * parts.r[0] * parts.c[0]);
      } else {
        const int a = odd ? 2 * k - 1 : 2 * k;  // index of Ra, Ca
        const std::string na = std::to_string(a + 1), nb = std::to_string(a + 2);
        EXPECT_EQ(row.parts, (std::vector<std::string>{"R" + na, "R" + nb, "C" + na, "C" + nb}));
        const double ra = parts.r[a], rb = parts.r[a + 1], ca = parts.c[a], cb = parts.c[a + 1];
        f0 = 1 / (twoPi * std::sqrt(ra * rb * ca * cb));
        q = std::sqrt(ra * rb * ca * cb) / (request.passKind == engine::kHpf ? ra * (ca + cb) : cb * (ra + rb));
        EXPECT_NEAR(*row.q / q, 1, 1e-14);
        EXPECT_NEAR(*row.qErrorPct, (q - targets.stageQ[k]) / targets.stageQ[k] * 100, 1e-11);
        EXPECT_DOUBLE_EQ(*row.ratio, request.passKind == engine::kHpf ? rb / ra : ca / cb);
      }
      EXPECT_NEAR(row.f0Hz / f0, 1, 1e-14);
      EXPECT_NEAR(*row.f0ErrorPct, (f0 - fTarget) / fTarget * 100, 1e-11);
    }
  }
}

TEST(EvaluateStages, PartsOutsideThePracticalRangesAreMarked) {
  // A 10 MHz design needs small capacitors; a 1 Hz design large resistors.
  const DesignRequest fast = AnalysisRequest(engine::kLpf, 2, engine::kButterworth, "10M", false);
  ComponentSet parts = testing::AllAuto();
  parts.r = {500, 2e6, 0, 0, 0, 0, 0, 0};
  parts.c = {50e-12, 1e-9, 0, 0, 0, 0, 0, 0};
  const std::vector<StageEvaluation> rows = EvaluateStages(fast, parts);
  ASSERT_EQ(rows[0].marks.size(), 3u);
  EXPECT_EQ(rows[0].marks[0].part, "R1");
  EXPECT_EQ(rows[0].marks[0].issue, RangeIssue::kResistorLow);
  EXPECT_EQ(rows[0].marks[1].part, "R2");
  EXPECT_EQ(rows[0].marks[1].issue, RangeIssue::kResistorHigh);
  EXPECT_EQ(rows[0].marks[2].part, "C1");
  EXPECT_EQ(rows[0].marks[2].issue, RangeIssue::kCapacitorLow);
  // The thresholds themselves are inside.
  parts.r = {kMinPracticalOhm, kMaxPracticalOhm, 0, 0, 0, 0, 0, 0};
  parts.c = {kMinPracticalFarad, 1e-9, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(EvaluateStages(fast, parts)[0].marks.empty());
}

TEST(Summarize, ExactChebyshevReachesItsRippleAtTheEdge) {
  for (int kind : {engine::kLpf, engine::kHpf}) {
    for (int order = 4; order <= 8; ++order) {
      const DesignRequest request = AnalysisRequest(kind, order, engine::kChebyshev, "1k", false);
      const Cascade cascade = CascadeFromParts(request, DesignedParts(request));
      const ResponseSummary s = Summarize(cascade);
      ASSERT_TRUE(s.rippleEdgeHz.has_value());
      EXPECT_NEAR(*s.rippleDb, 0.25, 2e-3) << order;
      // The edge is where the gain leaves the ripple band for good.
      const auto edge = FindRippleEdge(cascade);
      EXPECT_NEAR(GainDb(cascade, *s.rippleEdgeHz), edge->maxDb - 0.25, 1e-9);
      const double beyond = kind == engine::kHpf ? *s.rippleEdgeHz * 0.999 : *s.rippleEdgeHz * 1.001;
      EXPECT_LT(GainDb(cascade, beyond), edge->maxDb - 0.25);
      EXPECT_NEAR(*s.rippleEdgeHz / 1000, 1, 0.05) << order;
      // Unity-gain stages: an even order starts at 0 dB and rises by the
      // ripple, an odd one peaks at 0 dB.
      EXPECT_NEAR(edge->maxDb, order % 2 == 0 ? 0.25 : 0.0, 1e-3) << order;
      EXPECT_EQ(s.minus3dbHz, FindCutoff3dB(request, cascade.stages));
      EXPECT_EQ(s.attenuationNearDb, -GainDb(cascade, kind == engine::kHpf ? 500.0 : 2000.0));
      EXPECT_EQ(s.attenuationFarDb, -GainDb(cascade, kind == engine::kHpf ? 100.0 : 10000.0));
    }
  }
}

// The gain of the cascade and its slope by ln f, written out from the
// sections' omega and Q.
std::pair<double, double> GainAndSlope(const Cascade& c, double f) {
  double db = 0, slope = 0;
  const double k = 10 / std::log(10.0);
  for (int i = 0; i < c.count; ++i) {
    const CascadeStage& s = c.stage[i];
    // x grows with f for an LPF and falls for an HPF: dx / dln f = +-x.
    const double x = c.Hpf() ? s.omega / (kTwoPi * f) : kTwoPi * f / s.omega;
    const double dxdu = c.Hpf() ? -x : x;
    double F, dF;
    if (s.order == 1) {
      F = 1 + x * x;
      dF = 2 * x;
    } else {
      F = (1 - x * x) * (1 - x * x) + x * x / (s.q * s.q);
      dF = -4 * x * (1 - x * x) + 2 * x / (s.q * s.q);
    }
    db -= k * std::log(F);
    slope -= k * dF * dxdu / F;
  }
  return {db, slope};
}

// The ripple by a root-finder: every sign change of the slope on a grid of
// 100,000 points per decade is bisected to its root; the pass band's highest
// gain and its lowest on the pass-band side of the edge.
double RippleByRoots(const Cascade& c, double edgeHz, double farHz, double otherHz) {
  double highest = -INFINITY, lowest = INFINITY;
  auto visit = [&](double from, double to, bool low) {
    const double a = std::log(std::min(from, to)), b = std::log(std::max(from, to));
    const int n = static_cast<int>((b - a) / std::log(10.0) * 100000) + 1;
    auto take = [&](double u) {
      const double g = GainAndSlope(c, std::exp(u)).first;
      highest = std::max(highest, g);
      if (low) lowest = std::min(lowest, g);
    };
    take(a);
    take(b);
    double prev = GainAndSlope(c, std::exp(a)).second;
    for (int i = 1; i <= n; ++i) {
      double lo = a + (b - a) * (i - 1) / n, hi = a + (b - a) * i / n;
      const double next = GainAndSlope(c, std::exp(hi)).second;
      if ((prev > 0) != (next > 0)) {
        const bool risingAtLo = prev > 0;
        for (int k = 0; k < 200 && hi - lo > 1e-15 * std::fabs(hi); ++k) {
          const double mid = 0.5 * (lo + hi);
          ((GainAndSlope(c, std::exp(mid)).second > 0) == risingAtLo ? lo : hi) = mid;
        }
        take(0.5 * (lo + hi));
      }
      prev = next;
    }
  };
  visit(farHz, edgeHz, true);     // the pass band up to its edge
  visit(edgeHz, otherHz, false);  // beyond it only the maximum counts
  return highest - std::min(lowest, highest - 0.25);
}

TEST(Summarize, TheRippleIsThatOfTheRefinedExtremes) {
  for (int kind : {engine::kLpf, engine::kHpf}) {
    for (int order = 4; order <= 8; ++order) {
      SCOPED_TRACE(std::to_string(kind) + " order " + std::to_string(order));
      const DesignRequest request = AnalysisRequest(kind, order, engine::kChebyshev, "1k", false);
      const Cascade cascade = CascadeFromParts(request, DesignedParts(request));
      const ResponseSummary s = Summarize(cascade);
      ASSERT_TRUE(s.rippleDb.has_value());
      // The summary's grid spans 1e-3 .. 1e2 of the cut-off.
      const bool hpf = kind == engine::kHpf;
      const double far = hpf ? 1e6 : 1.0, other = hpf ? 10.0 : 1e5;
      EXPECT_NEAR(*s.rippleDb, RippleByRoots(cascade, *s.rippleEdgeHz, far, other), 1e-9);
    }
  }
  // The order-8 HPF: its deepest trough (2,613 Hz) is 0.250369 dB below
  // its highest peak.
  const DesignRequest request = AnalysisRequest(engine::kHpf, 8, engine::kChebyshev, "1k", false);
  EXPECT_NEAR(*Summarize(CascadeFromParts(request, DesignedParts(request))).rippleDb, 0.250369, 5e-7);
}

TEST(Summarize, OnlyChebyshevHasARippleEdge) {
  const DesignRequest request = AnalysisRequest(engine::kLpf, 5, engine::kBessel, "1k", true);
  const ResponseSummary s = Summarize(CascadeFromParts(request, DesignedParts(request)));
  EXPECT_FALSE(s.rippleEdgeHz.has_value());
  EXPECT_FALSE(s.rippleDb.has_value());
  EXPECT_GT(s.attenuationFarDb, s.attenuationNearDb);
}

TEST(ComputeViews, CurvesRunOnTheChartSweepAndTheSettledSpan) {
  const DesignRequest request = AnalysisRequest(engine::kLpf, 8, engine::kChebyshev, "1k", true);
  const ComponentSet parts = DesignedParts(request);
  const AnalysisViews v = ComputeViews(request, parts, 1e3, 1e6, 301);
  EXPECT_EQ(v.gain.x.size(), 146u);
  EXPECT_EQ(v.gain.x.front(), 1e3);
  std::vector<double> swept;
  SweepResponse(request, StagesFromComponents(request, parts), 1e3, 1e6,
                [&](double f, double db) { swept.push_back(f), swept.push_back(db); });
  for (std::size_t i = 0; i < v.gain.x.size(); ++i) {
    EXPECT_EQ(v.gain.x[i], swept[2 * i]);
    EXPECT_EQ(v.gain.y[i], swept[2 * i + 1]);
  }
  ASSERT_EQ(v.step.x.size(), 301u);
  EXPECT_EQ(v.step.x.back(), v.settledSpanS);
  EXPECT_LT(v.settlingTimeS, v.settledSpanS);
  EXPECT_GT(v.overshoot.percent, 5.0);
  EXPECT_EQ(v.poles.size(), 4u);
  EXPECT_EQ(v.stages.size(), 4u);
}

// A longer span keeps the curves' values at the common times: the same
// step at the same t, only more of it.
TEST(ComputeViews, TimeCurvesRespannedKeepTheirValues) {
  const DesignRequest request = AnalysisRequest(engine::kLpf, 4, engine::kBessel, "1k", true);
  const ComponentSet parts = DesignedParts(request);
  const AnalysisViews own = ComputeViews(request, parts, 1e3, 1e6, 301);
  AnalysisViews same = own;
  SpanTimeCurves(request, parts, own.settledSpanS, same, 301);
  EXPECT_EQ(same.step.x, own.step.x);
  EXPECT_EQ(same.step.y, own.step.y);
  EXPECT_EQ(same.impulse.y, own.impulse.y);
  AnalysisViews longer = own;
  SpanTimeCurves(request, parts, 3 * own.settledSpanS, longer, 901);
  ASSERT_EQ(longer.step.x.size(), 901u);
  EXPECT_EQ(longer.step.x.back(), 3 * own.settledSpanS);
  for (std::size_t i = 0; i < own.step.x.size(); ++i) {
    EXPECT_NEAR(longer.step.x[i], own.step.x[i], own.settledSpanS * 1e-12);
    EXPECT_NEAR(longer.step.y[i], own.step.y[i], 1e-12);
  }
  EXPECT_NEAR(longer.step.y.back(), 1.0, 1e-6);  // settled
  EXPECT_EQ(longer.gain.y, own.gain.y);          // the rest untouched
  EXPECT_EQ(longer.settledSpanS, own.settledSpanS);
}

}  // namespace
}  // namespace kelvara::response
