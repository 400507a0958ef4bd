// The faster -3 dB search against FindCutoff3dB, bit for bit, on the trials
// of many designs and on designs at the ends of the range.

#include <gtest/gtest.h>

#include <string>

#include "response/inverse_power.h"
#include "tests/tolerance/tolerance_test_support.h"

namespace kelvara::tolerance {
namespace {

using response::FastCutoff3dB;
using test::Designed;
using test::Request;

TEST(FastCutoff3dB, EqualsFindCutoff3dBOnEveryTrial) {
  struct Case {
    int kind, order, response;
    const char* cutoff;
    double tolPct;
  };
  const Case cases[] = {
      {engine::kLpf, 2, engine::kButterworth, "1k", 5},    {engine::kLpf, 3, engine::kBessel, "47", 10},
      {engine::kLpf, 8, engine::kChebyshev, "1k", 5},      {engine::kLpf, 7, engine::kChebyshev, "100M", 5},
      {engine::kLpf, 4, engine::kBessel, "1", 20},         {engine::kHpf, 2, engine::kButterworth, "1k", 5},
      {engine::kHpf, 5, engine::kButterworth, "3.3k", 10}, {engine::kHpf, 8, engine::kChebyshev, "10", 5},
      {engine::kHpf, 6, engine::kChebyshev, "50M", 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " order " + std::to_string(c.order) + " at " + c.cutoff);
    const ToleranceDesign d = Designed(Request(c.kind, c.order, c.response, c.cutoff), c.tolPct, c.tolPct);
    int differing = 0;
    for (int t = 0; t < 400; ++t) {
      const auto st = response::StagesFromComponents(d.request, TrialParts(d, 17, t));
      const double fast = FastCutoff3dB(d.request, st);
      const double plain = response::FindCutoff3dB(d.request, st);
      differing += fast != plain;
      if (fast != plain) ADD_FAILURE() << "trial " << t << ": " << fast << " vs " << plain;
      if (differing > 3) break;
    }
  }
}

TEST(FastCutoff3dB, KeepsTheSentinelsAndOddValues) {
  const DesignRequest lpf = Request(engine::kLpf, 4);
  const DesignRequest hpf = Request(engine::kHpf, 4);
  auto stages = [](double omega, double q) {
    response::ResponseStages st;
    st.omega = {omega, omega, 0, 0};
    st.q = {q, q, 0, 0};
    return st;
  };
  const response::ResponseStages cases[] = {
      stages(0.01, 0.7),   // below 0.1 Hz
      stages(1e11, 0.7),   // above 1 GHz
      stages(6283, 5000),  // beyond the fast form's Q
      stages(6283, -1),    // no gain (NaN)
      stages(6283, 0.5),   // critically damped
  };
  for (const auto& st : cases) {
    EXPECT_EQ(FastCutoff3dB(lpf, st), response::FindCutoff3dB(lpf, st)) << st.omega[0] << " " << st.q[0];
    EXPECT_EQ(FastCutoff3dB(hpf, st), response::FindCutoff3dB(hpf, st)) << st.omega[0] << " " << st.q[0];
  }
}

}  // namespace
}  // namespace kelvara::tolerance
