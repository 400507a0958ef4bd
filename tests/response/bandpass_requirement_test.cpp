// Design from a band-pass requirement against a band-pass gain computed here
// from the prototype's poles and s -> (s^2 + w0^2) / (B s): the lowest order
// against a direct search over centres and bandwidths, the ends of the
// ranges at the mask's limits, the margins of the chosen design against
// refined dense scans of that gain.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "engine/bandpass.h"
#include "response/bandpass_requirement.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"

namespace kelvara::response {
namespace {

using Complex = std::complex<double>;

// The poles (all of them) of the prototype of band-pass order n: order n / 2
// of the prototype's poles, order 1 the real pole at -1 (Chebyshev -1/eps).
std::vector<Complex> Poles(int response, int rippleIndex, int order) {
  std::vector<Complex> poles;
  const int m = order / 2;
  if (m == 1) {
    const double a = response == values::kChebyshev
                         ? 1.0 / std::sqrt(std::pow(10.0, values::kRippleDb[rippleIndex] / 10.0) - 1.0)
                         : 1.0;
    poles.emplace_back(-a, 0.0);
    return poles;
  }
  for (const auto& [re, im] : engine::LowPassPrototypePoles(response, rippleIndex, m).poles) {
    poles.emplace_back(re, im);
    if (im != 0) poles.emplace_back(re, -im);
  }
  return poles;
}

// The band-pass gain in dB relative to its centre: the prototype
// prod (-p) / (s - p) at s = (s^2 + w0^2) / (B s), s = j 2 pi f (the 2 pi
// cancels: in Hz throughout).
struct Gain {
  std::vector<Complex> poles;
  double f0 = 0, b = 0;
  double Db(double f) const {
    const Complex s(0, f);
    const Complex lp = (s * s + f0 * f0) / (b * s);
    Complex h = 1.0;
    for (const Complex& p : poles) h *= -p / (lp - p);
    return 20.0 * std::log10(std::abs(h));
  }
};

// The largest of sign * Db over [lo, hi]: a log-spaced scan of 4000 points,
// each local maximum refined by golden-section search between its
// neighbours.
double Highest(const Gain& g, double lo, double hi, double sign) {
  const int n = 4000;
  std::vector<double> f(n + 1), v(n + 1);
  for (int i = 0; i <= n; ++i) {
    f[i] = i == n ? hi : lo * std::pow(hi / lo, static_cast<double>(i) / n);
    v[i] = sign * g.Db(f[i]);
  }
  double best = std::max(v[0], v[n]);
  for (int i = 1; i < n; ++i) {
    if (!(v[i] >= v[i - 1] && v[i] >= v[i + 1])) continue;
    double a = f[i - 1], d = f[i + 1];
    const double r = (std::sqrt(5.0) - 1) / 2;
    for (int k = 0; k < 100; ++k) {
      const double b = d - r * (d - a), c = a + r * (d - a);
      if (sign * g.Db(b) > sign * g.Db(c)) {
        d = c;
      } else {
        a = b;
      }
    }
    best = std::max(best, sign * g.Db((a + d) / 2));
  }
  return best;
}

BandPassEdgeMargins ScannedMargins(const BandPassMask& m, const Gain& g) {
  const double mid = std::clamp(g.f0, m.fp1, m.fp2);
  auto pass = [&](double lo, double hi) {
    if (lo == hi) return m.ap - std::fabs(g.Db(lo));
    return m.ap - std::max(Highest(g, lo, hi, 1.0), Highest(g, lo, hi, -1.0));
  };
  BandPassEdgeMargins out;
  out.fp1Db = pass(m.fp1, mid);
  out.fp2Db = pass(mid, m.fp2);
  // Four decades beyond the stop edges: an all-pole band-pass gain falls
  // at 20 dB a decade at least out there.
  out.fs1Db = -m.as - Highest(g, m.fs1 / 1e4, m.fs1, 1.0);
  out.fs2Db = -m.as - Highest(g, m.fs2, m.fs2 * 1e4, 1.0);
  return out;
}

// The mask at the four edges only: necessary for meeting it, and for a
// monotone prototype (or a Chebyshev whose ripple is within Ap) enough.
bool EdgesMeet(const BandPassMask& m, const Gain& g) {
  return std::fabs(g.Db(m.fp1)) <= m.ap && std::fabs(g.Db(m.fp2)) <= m.ap && g.Db(m.fs1) <= -m.as &&
         g.Db(m.fs2) <= -m.as;
}

double SmallestMargin(const BandPassEdgeMargins& e) { return std::min(e.PassDb(), e.StopDb()); }

struct MaskCase {
  const char* name;
  BandPassMask mask;
};

const MaskCase kMasks[] = {
    {"geometric", {5e3, 8e3, 12.5e3, 20e3, 1, 40}},  {"skewed", {5e3, 8e3, 12e3, 20e3, 1, 40}},
    {"narrow", {8e3, 9.5e3, 10.5e3, 13e3, 0.5, 30}}, {"wide", {100, 1e3, 2e3, 20e3, 3, 60}},
    {"steep", {1e3, 1.2e3, 1.5e3, 2.2e3, 0.5, 35}},  {"fine_ripple", {1e3, 1.2e3, 1.5e3, 3e3, 0.1, 30}},
};

class BandPassRequirementMasks : public ::testing::TestWithParam<MaskCase> {};

std::string Label(const BandPassCandidate& c) {
  std::string s = values::kResponseOptions[c.response];
  if (values::HasRipple(c.response)) s += std::string(" ") + values::kRippleOptions[c.rippleIndex];
  return s;
}

// Whether the edge conditions are exact for this candidate's prototype.
bool EdgesExact(const BandPassMask& m, const BandPassCandidate& c) {
  return !values::HasRipple(c.response) || values::kRippleDb[c.rippleIndex] <= m.ap;
}

TEST_P(BandPassRequirementMasks, LowestOrderIsTheLowestADirectSearchMeets) {
  const BandPassMask m = GetParam().mask;
  const BandPassRequirementResult result = DesignBandPassFromRequirement(m);
  for (const BandPassCandidate& c : result.candidates) {
    // A Chebyshev whose ripple is above Ap may meet the edges off its
    // centre's pass band, which is not offered.
    if (!EdgesExact(m, c)) continue;
    const int top = c.order ? *c.order : 10;
    for (int order = 2; order < top && order <= 8; order += 2) {
      const std::vector<Complex> poles = Poles(c.response, c.rippleIndex, order);
      if (values::EvenOrdersOnly(c.response) && (order / 2) % 2 != 0) continue;
      // Centres across the stop bands' gap, bandwidths from a thousandth of
      // the pass band to the whole gap: none meets even at the edges.
      int met = 0;
      for (int i = 0; i <= 400; ++i) {
        const double f0 = m.fs1 * std::pow(m.fs2 / m.fs1, i / 400.0);
        for (int j = 0; j <= 400; ++j) {
          const double b = (m.fp2 - m.fp1) / 1000 * std::pow(1000 * (m.fs2 - m.fs1) / (m.fp2 - m.fp1), j / 400.0);
          met += EdgesMeet(m, Gain{poles, f0, b});
        }
      }
      EXPECT_EQ(met, 0) << Label(c) << " order " << order;
    }
  }
}

TEST_P(BandPassRequirementMasks, RegionIsWhereTheEdgesMeetTheMask) {
  // For every candidate with an order, a grid of centres and bandwidths
  // around its region: a point meets at the four edges exactly when it lies
  // within the region's bandwidths at its centre (away from the border).
  const BandPassMask m = GetParam().mask;
  const BandPassRequirementResult result = DesignBandPassFromRequirement(m);
  int checked = 0;
  for (const BandPassCandidate& c : result.candidates) {
    if (!c.order || !EdgesExact(m, c)) continue;
    const BandPassRegion& region = c.regions[*c.order / 2 - 1];
    const Gain base{Poles(c.response, c.rippleIndex, *c.order), 0, 0};
    const double f0Lo = region.centers.loHz * 0.99, f0Hi = region.centers.hiHz * 1.01;
    const double bLo = region.bandwidths.loHz * 0.98, bHi = region.bandwidths.hiHz * 1.02;
    int inside = 0;
    for (int i = 0; i <= 120; ++i) {
      const double f0 = f0Lo * std::pow(f0Hi / f0Lo, i / 120.0);
      const FrequencyRange at = BandwidthsAt(m, region.edges, f0);
      for (int j = 0; j <= 120; ++j) {
        const double b = bLo * std::pow(bHi / bLo, j / 120.0);
        const bool within = b >= at.loHz && b <= at.hiHz;
        const bool border = std::fabs(b / at.loHz - 1) < 1e-9 || std::fabs(b / at.hiHz - 1) < 1e-9;
        if (border) continue;
        Gain g = base;
        g.f0 = f0;
        g.b = b;
        EXPECT_EQ(EdgesMeet(m, g), within) << Label(c) << " f0 " << f0 << " B " << b;
        inside += within;
      }
    }
    EXPECT_GT(inside, 0) << Label(c);
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

TEST_P(BandPassRequirementMasks, RangeEndsMeetTheMaskAtEquality) {
  const BandPassMask m = GetParam().mask;
  for (const BandPassCandidate& c : DesignBandPassFromRequirement(m).candidates) {
    if (!c.order) continue;
    const BandPassRegion& region = c.regions[*c.order / 2 - 1];
    // The ends of the centres: each with the one bandwidth left there.
    for (const double f0 : {region.centers.loHz, region.centers.hiHz}) {
      const FrequencyRange at = BandwidthsAt(m, region.edges, f0);
      EXPECT_NEAR(at.loHz, at.hiHz, 1e-9 * at.hiHz) << Label(c);
      const double b = (at.loHz + at.hiHz) / 2;
      EXPECT_NEAR(SmallestMargin(ScannedMargins(m, Gain{Poles(c.response, c.rippleIndex, *c.order), f0, b})), 0.0, 1e-6)
          << Label(c) << " centre " << f0;
      // A little beyond, no bandwidth near it meets even at the edges.
      const double beyond = f0 == region.centers.loHz ? f0 * (1 - 1e-6) : f0 * (1 + 1e-6);
      for (int j = -200; j <= 200; ++j) {
        EXPECT_FALSE(EdgesMeet(m, Gain{Poles(c.response, c.rippleIndex, *c.order), beyond, b * (1 + j * 1e-4)}))
            << Label(c) << " centre " << beyond;
      }
    }
    // The ends of the bandwidths at the chosen centre's text.
    if (c.bandwidthText.empty()) continue;
    for (const double b : {c.bandwidthRange.loHz, c.bandwidthRange.hiHz}) {
      if (b == c.centerTextHz / 1000) continue;  // the narrowest band designed, not the mask's
      const Gain g{Poles(c.response, c.rippleIndex, *c.order), c.centerTextHz, b};
      EXPECT_NEAR(SmallestMargin(ScannedMargins(m, g)), 0.0, 1e-6) << Label(c) << " B " << b;
      const double beyond = b == c.bandwidthRange.loHz ? b * (1 - 1e-6) : b * (1 + 1e-6);
      EXPECT_LT(SmallestMargin(ScannedMargins(m, Gain{g.poles, c.centerTextHz, beyond})), 0.0) << Label(c);
    }
  }
}

TEST_P(BandPassRequirementMasks, ChosenDesignMeetsWithTheReportedMargins) {
  const BandPassMask m = GetParam().mask;
  const BandPassRequirementResult result = DesignBandPassFromRequirement(m);
  int met = 0;
  for (const BandPassCandidate& c : result.candidates) {
    if (!c.order || c.bandwidthText.empty()) continue;
    EXPECT_GE(c.centerTextHz, c.centerRange.loHz);
    EXPECT_LE(c.centerTextHz, c.centerRange.hiHz);
    EXPECT_EQ(values::ParseEngValue(c.centerText), c.centerTextHz);
    EXPECT_GE(c.bandwidthTextHz, c.bandwidthRange.loHz);
    EXPECT_LE(c.bandwidthTextHz, c.bandwidthRange.hiHz);
    const Gain g{Poles(c.response, c.rippleIndex, *c.order), c.centerTextHz, c.bandwidthTextHz};
    const BandPassEdgeMargins scanned = ScannedMargins(m, g);
    EXPECT_NEAR(c.margins.fp1Db, scanned.fp1Db, 1e-9) << Label(c);
    EXPECT_NEAR(c.margins.fp2Db, scanned.fp2Db, 1e-9) << Label(c);
    EXPECT_NEAR(c.margins.fs1Db, scanned.fs1Db, 1e-9) << Label(c);
    EXPECT_NEAR(c.margins.fs2Db, scanned.fs2Db, 1e-9) << Label(c);
    // A ripple equal to Ap touches the limit: 0 but for the rounding.
    EXPECT_GE(c.margins.PassDb(), -1e-9) << Label(c);
    EXPECT_GE(c.margins.StopDb(), 0.0) << Label(c);
    // The sections' Q and the gain-bandwidth 100 f0 Q of the highest.
    const std::vector<engine::BandPassSection> sections =
        engine::BandPassSections(c.response, c.rippleIndex, *c.order, c.centerTextHz, c.bandwidthTextHz);
    double q = 0, gbw = 0;
    for (const auto& s : sections) {
      q = std::max(q, s.q);
      gbw = std::max(gbw, 100 * s.omega / 6.283185307179586 * s.q);
    }
    EXPECT_DOUBLE_EQ(c.maxQ, q);
    EXPECT_DOUBLE_EQ(c.gbwMinHz, gbw);
    met += c.meets;
    if (c.meets) {
      EXPECT_TRUE(c.why.empty());
    }
  }
  EXPECT_GT(met, 0);
  ASSERT_TRUE(result.recommended.has_value());
  const BandPassCandidate& best = result.candidates[*result.recommended];
  for (const BandPassCandidate& c : result.candidates) {
    if (c.meets) {
      EXPECT_LE(*best.order, *c.order);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Masks, BandPassRequirementMasks, ::testing::ValuesIn(kMasks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BandPassRequirement, AGeometricMaskIsCentredOnItsGeometricMean) {
  const BandPassMask m{5e3, 8e3, 12.5e3, 20e3, 1, 40};
  for (const BandPassCandidate& c : DesignBandPassFromRequirement(m).candidates) {
    if (!c.order) continue;
    EXPECT_EQ(c.centerHz, 10e3) << Label(c);
    // The region is symmetric: its ends' product is the centre's square.
    const FrequencyRange& r = c.regions[*c.order / 2 - 1].centers;
    EXPECT_NEAR(r.loHz * r.hiHz, 1e8, 1e-9 * 1e8) << Label(c);
    // And so are the margins at the two sides.
    EXPECT_NEAR(c.margins.fs1Db, c.margins.fs2Db, 1e-6) << Label(c);
  }
}

TEST(BandPassRequirement, AButterworthOfTheClosedForms) {
  // Butterworth of order n = 2m: Wp = eps_p^(1/m), Ws = eps_s^(1/m) with
  // eps = sqrt(10^(A/10) - 1); the bandwidths over all centres start at
  // (fp2 - fp1) / Wp.
  const BandPassMask m{5e3, 8e3, 12.5e3, 20e3, 3, 30};
  const BandPassRequirementResult result = DesignBandPassFromRequirement(m);
  const BandPassCandidate& c = result.candidates.front();
  ASSERT_EQ(c.response, values::kButterworth);
  ASSERT_TRUE(c.order.has_value());
  const double ep = std::sqrt(std::pow(10.0, 0.3) - 1), es = std::sqrt(std::pow(10.0, 3.0) - 1);
  // Geometric: the lowest m with (fp2 - fp1) / Wp <= (fs2 - fs1) / Ws.
  int expected = 0;
  for (int mm = 1; mm <= 4 && expected == 0; ++mm) {
    if ((m.fp2 - m.fp1) / std::pow(ep, 1.0 / mm) <= (m.fs2 - m.fs1) / std::pow(es, 1.0 / mm)) expected = 2 * mm;
  }
  EXPECT_EQ(*c.order, expected);
  EXPECT_EQ(expected, 6);
  const BandPassRegion& region = c.regions[*c.order / 2 - 1];
  EXPECT_NEAR(region.edges.pass, std::pow(ep, 2.0 / *c.order), 1e-12);
  EXPECT_NEAR(region.edges.stop, std::pow(es, 2.0 / *c.order), 1e-10);
  EXPECT_NEAR(region.bandwidths.loHz, (m.fp2 - m.fp1) / std::pow(ep, 2.0 / *c.order), 1e-8);
}

TEST(BandPassRequirement, LinkwitzRileyOnlyOfOrdersFourAndEight) {
  const BandPassMask m{5e3, 8e3, 12e3, 20e3, 6.5, 20};
  for (const BandPassCandidate& c : DesignBandPassFromRequirement(m).candidates) {
    if (c.response != values::kLinkwitzRiley) continue;
    EXPECT_FALSE(c.regions[0].offered);
    EXPECT_TRUE(c.regions[1].offered);
    EXPECT_FALSE(c.regions[2].offered);
    EXPECT_TRUE(c.regions[3].offered);
    ASSERT_TRUE(c.order.has_value());
    EXPECT_EQ(*c.order % 4, 0);
  }
}

TEST(BandPassRequirement, ChebyshevRowsAreThoseOfTheLowPassRequirement) {
  const BandPassMask m{5e3, 8e3, 12e3, 20e3, 1, 40};
  const BandPassRequirementResult result = DesignBandPassFromRequirement(m);
  std::vector<int> ripples;
  for (const BandPassCandidate& c : result.candidates) {
    if (values::HasRipple(c.response)) ripples.push_back(c.rippleIndex);
  }
  EXPECT_EQ(ripples, RippleRows(1.0));
  EXPECT_EQ(result.candidates.size(), 4 + ripples.size());
}

TEST(BandPassRequirement, ASteepMaskIsMetByNoOrder) {
  const BandPassMask m{9.9e3, 10e3, 11e3, 11.1e3, 0.5, 80};
  const BandPassRequirementResult result = DesignBandPassFromRequirement(m);
  EXPECT_FALSE(result.recommended.has_value());
  for (const BandPassCandidate& c : result.candidates) {
    EXPECT_FALSE(c.order.has_value());
    EXPECT_FALSE(c.meets);
    EXPECT_FALSE(c.why.empty());
  }
}

struct TextRow {
  const char* text;
  RequirementProblem problem;
  int field;
};

class BandPassRequirementTexts : public ::testing::TestWithParam<TextRow> {};

TEST_P(BandPassRequirementTexts, AreReadOrRefusedWithTheirProblem) {
  BandPassMask m{1, 2, 3, 4, 5, 6};
  const RequirementCheck check = ParseBandPassRequirement(GetParam().text, m);
  EXPECT_EQ(check.problem, GetParam().problem) << GetParam().text;
  EXPECT_EQ(check.field, GetParam().field) << GetParam().text;
  if (!check.ok()) {
    EXPECT_EQ(m.fs1, 1);  // unchanged
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, BandPassRequirementTexts,
                         ::testing::Values(TextRow{"5k,8k,12k,20k,1,40", RequirementProblem::kNone, -1},
                                           TextRow{" 5k , 8k,12k,20k, 1 ,40", RequirementProblem::kNone, -1},
                                           TextRow{"5k,8k,12k,20k,1", RequirementProblem::kFieldCount, -1},
                                           TextRow{"1k,1,3k,40", RequirementProblem::kFieldCount, -1},
                                           TextRow{"5k,8k,12k,20k,1,40,1", RequirementProblem::kFieldCount, -1},
                                           TextRow{"5k,x,12k,20k,1,40", RequirementProblem::kUnreadable, 1},
                                           TextRow{"5k,8k,12k,20k,0,40", RequirementProblem::kUnreadable, 4},
                                           TextRow{"5k,8k,12k,20k,-1,40", RequirementProblem::kUnreadable, 4},
                                           TextRow{"5k,8k,12k,,1,40", RequirementProblem::kUnreadable, 3},
                                           TextRow{"8k,5k,12k,20k,1,40", RequirementProblem::kEdgeOrder, -1},
                                           TextRow{"5k,12k,8k,20k,1,40", RequirementProblem::kEdgeOrder, -1},
                                           TextRow{"5k,8k,12k,12k,1,40", RequirementProblem::kEdgeOrder, -1},
                                           TextRow{"5k,8k,12k,20k,40,40", RequirementProblem::kAttenuation, -1},
                                           TextRow{"5k,8k,12k,20k,3,2", RequirementProblem::kAttenuation, -1}));

}  // namespace
}  // namespace kelvara::response
