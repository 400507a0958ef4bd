#include "response/bandpass_requirement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/bandpass.h"
#include "engine/run_checks.h"
#include "engine/units.h"
#include "response/analysis.h"
#include "response/cascade_extremes.h"
#include "response/opamp_analysis.h"
#include "values/eng_value.h"

namespace kelvara::response {
namespace {

// Reasons a candidate does not meet (the program's own texts).
constexpr const char* kWhyNoOrder = "２〜８次ではマスクを満たせません";
constexpr const char* kWhyRipple = "通過域の許容差がリプル 0.25 dB より小さく、２〜８次ではマスクを満たせません";
constexpr const char* kWhyOutside = "マスクを満たす中心周波数が設計できる範囲（１Hz〜１００MHz）の外です";
constexpr const char* kWhyNarrow = "マスクを満たす帯域幅が中心周波数の１／１０００より狭く、設計できません";
constexpr const char* kWhySections = "段の周波数が設計できる範囲（１Hz〜１００MHz）の外です";
constexpr const char* kWhyGain = "段の中心での利得が 2Q² 以上になり、多重帰還バンドパスでは実現できません";
constexpr const char* kWhyMargins = "中心周波数と帯域幅の値（丸めた値）ではマスクを満たしません";

constexpr double kInf = std::numeric_limits<double>::infinity();
// A margin of a design inside the ranges is >= 0 but for the rounding of
// the gain: a Chebyshev's ripple equal to Ap touches the limit exactly.
constexpr double kRoundingDb = 1e-9;

bool Finite(double x) { return std::isfinite(x); }

std::string Trimmed(std::string_view s) {
  std::size_t first = 0;
  std::size_t last = s.size();
  while (first < last && (s[first] == ' ' || s[first] == '\t')) ++first;
  while (last > first && (s[last - 1] == ' ' || s[last - 1] == '\t')) --last;
  return std::string(s.substr(first, last - first));
}

int OrderIndex(int order) { return order / 2 - 1; }

// The prototype of a band-pass order, as an ideal low-pass cascade whose
// frequency in Hz is the prototype's W (each stage at 2 pi |p| rad/s), or
// for order 2 the single real pole -a in closed form.
struct Prototype {
  bool offered = false;
  bool single = false;
  double a = 1.0;  // single: the pole's magnitude
  Cascade cascade;

  // The gain at W = x (dB, 0 at W = 0).
  double GainDb(double x) const {
    if (single) return -10.0 * std::log1p((x / a) * (x / a)) / std::log(10.0);
    return response::GainDb(cascade, x);
  }
  // The lowest and highest gain over |W| in [lo, hi] (hi may be infinite).
  GainBand Extremes(double lo, double hi) const {
    if (single) return {hi == kInf ? -kInf : GainDb(hi), GainDb(lo)};  // falls with |W|
    return GainExtremes(cascade, lo, hi);
  }
};

Prototype PrototypeOf(int response, int rippleIndex, int order) {
  Prototype p;
  const engine::PrototypePoles poles = engine::BandPassPrototypePoles(response, rippleIndex, order);
  if (poles.poles.empty()) return p;
  p.offered = true;
  const int m = order / 2;
  if (m == 1) {
    p.single = true;
    p.a = -poles.poles.front().first;
    return p;
  }
  // Complex pairs are second-order stages; real poles pair up into stages
  // of Q <= 0.5, an odd prototype keeping one as its first-order stage.
  std::vector<std::pair<double, double>> stages;  // (w, q) of the prototype
  std::vector<double> reals;
  for (const auto& [re, im] : poles.poles) {
    if (im > 0) {
      const double w = std::hypot(re, im);
      stages.emplace_back(w, w / (2.0 * std::fabs(re)));
    } else {
      reals.push_back(-re);
    }
  }
  std::optional<double> first;
  if (reals.size() % 2 == 1) {
    first = reals.back();
    reals.pop_back();
  }
  for (std::size_t i = 0; i + 1 < reals.size(); i += 2) {
    const double w = std::sqrt(reals[i] * reals[i + 1]);
    stages.emplace_back(w, w / (reals[i] + reals[i + 1]));
  }
  DesignRequest request;
  request.passKind = static_cast<std::uint8_t>(values::kLpf);
  request.response = static_cast<std::uint8_t>(response);
  request.rippleIndex = static_cast<std::uint8_t>(rippleIndex);
  request.orderIndex = static_cast<std::uint8_t>(m - values::kMinOrder);
  request.evenOrder = m % 2 == 0;
  request.cutoffHz = 1.0;
  ResponseStages st;
  int k = 0;
  if (first) st.omega[k++] = engine::kTwoPi * *first;
  for (const auto& [w, q] : stages) {
    st.omega[k] = engine::kTwoPi * w;
    st.q[k] = q;
    ++k;
  }
  p.cascade = MakeCascade(request, st);
  return p;
}

// W(f) of a design at centre f0 and bandwidth b.
double W(double f, double f0, double b) { return (f - f0 * (f0 / f)) / b; }

// The |W| interval of the W interval [a, b] (a <= b).
std::pair<double, double> Magnitudes(double a, double b) {
  if (a <= 0 && b >= 0) return {0.0, std::max(-a, b)};
  if (a > 0) return {a, b};
  return {-b, -a};
}

double Square(double x) { return x * x; }

}  // namespace

RequirementCheck CheckBandPassRequirement(const BandPassMask& m) {
  const std::array<double, 6> v{m.fs1, m.fp1, m.fp2, m.fs2, m.ap, m.as};
  for (int i = 0; i < 6; ++i) {
    if (!(v[i] > 0) || !Finite(v[i])) return {RequirementProblem::kUnreadable, i};
  }
  if (!(m.fs1 < m.fp1 && m.fp1 < m.fp2 && m.fp2 < m.fs2)) return {RequirementProblem::kEdgeOrder, -1};
  if (!(m.as > m.ap)) return {RequirementProblem::kAttenuation, -1};
  return {};
}

RequirementCheck ParseBandPassRequirement(std::string_view text, BandPassMask& out) {
  std::array<double, 6> v{};
  int count = 0;
  std::size_t start = 0;
  std::array<std::string, 6> fields;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string_view field = text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
    if (count < 6) fields[count] = Trimmed(field);
    ++count;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (count != 6) return {RequirementProblem::kFieldCount, -1};
  for (int i = 0; i < 6; ++i) {
    v[i] = fields[i].empty() ? 0.0 : values::ParseEngValue(fields[i]);
    if (!(v[i] > 0) || !Finite(v[i])) return {RequirementProblem::kUnreadable, i};
  }
  const BandPassMask mask{v[0], v[1], v[2], v[3], v[4], v[5]};
  const RequirementCheck check = CheckBandPassRequirement(mask);
  if (check.ok()) out = mask;
  return check;
}

BandPassPrototypeEdges BandPassEdgesOf(int response, int rippleIndex, int order, double passDb, double stopDb) {
  const Prototype p = PrototypeOf(response, rippleIndex, order);
  BandPassPrototypeEdges e;
  if (!p.offered) return e;
  if (p.single) {
    // -10 log10(1 + (W / a)^2) = -level at W = a sqrt(10^(level / 10) - 1).
    e.pass = p.a * std::sqrt(std::expm1(passDb * std::log(10.0) / 10.0));
    e.stop = p.a * std::sqrt(std::expm1(stopDb * std::log(10.0) / 10.0));
    return e;
  }
  e.stop = StopEdgeHz(p.cascade, stopDb);
  if (values::HasRipple(response) && values::kRippleDb[rippleIndex] <= passDb && e.stop > 1.0) {
    // The ripple's extremes over [0, 1] are exactly 0 and +-ripple: with
    // the ripple equal to Ap the peaks touch the limit, and their rounding
    // must not end the pass band there. Beyond W = 1 the gain falls: the
    // edge is its crossing of -Ap, bisected on the gain to adjacent doubles
    // (at W = 1 it is 0 or -ripple, at the stop edge at most -As).
    double inside = 1.0, outside = e.stop;
    for (;;) {
      const double middle = inside + (outside - inside) / 2;
      if (!(middle > inside && middle < outside)) break;
      (p.GainDb(middle) >= -passDb ? inside : outside) = middle;
    }
    e.pass = inside;
  } else {
    e.pass = PassEdgeHz(p.cascade, passDb);
  }
  return e;
}

FrequencyRange BandwidthsAt(const BandPassMask& m, const BandPassPrototypeEdges& e, double f0) {
  // The four inequalities of the header solved for B at P = f0^2.
  FrequencyRange r;
  r.loHz = std::max((m.fp2 - f0) * (m.fp2 + f0) / (e.pass * m.fp2), (f0 - m.fp1) * (f0 + m.fp1) / (e.pass * m.fp1));
  r.hiHz = std::min((f0 - m.fs1) * (f0 + m.fs1) / (e.stop * m.fs1), (m.fs2 - f0) * (m.fs2 + f0) / (e.stop * m.fs2));
  if (!(r.hiHz > 0) || std::isnan(r.loHz)) {
    r.loHz = 1.0;
    r.hiHz = 0.0;
  }
  return r;
}

BandPassRegion BandPassRegionOf(const BandPassMask& m, int response, int order, int rippleIndex) {
  BandPassRegion region;
  if (!CheckBandPassRequirement(m).ok()) return region;
  const Prototype p = PrototypeOf(response, rippleIndex, order);
  if (!p.offered) return region;
  region.offered = true;
  const BandPassPrototypeEdges e = BandPassEdgesOf(response, rippleIndex, order, m.ap, m.as);
  region.edges = e;
  const double wp = e.pass, ws = e.stop;
  if (!(wp > 0) || !(ws > wp) || !Finite(ws)) return region;
  // Lines in (B, P): l1 = fp2^2 - wp fp2 B and l3 = fs1^2 + ws fs1 B below
  // P, l2 = fp1^2 + wp fp1 B and l4 = fs2^2 - ws fs2 B above it. Each lower
  // line below each upper one gives the bandwidths:
  const double bMin = (m.fp2 - m.fp1) / wp;                                              // l1 <= l2
  double bMax = (m.fs2 - m.fs1) / ws;                                                    // l3 <= l4
  bMax = std::min(bMax, (m.fs2 - m.fp2) * (m.fs2 + m.fp2) / (ws * m.fs2 - wp * m.fp2));  // l1 <= l4
  if (ws * m.fs1 > wp * m.fp1) {
    bMax = std::min(bMax, (m.fp1 - m.fs1) * (m.fp1 + m.fs1) / (ws * m.fs1 - wp * m.fp1));  // l3 <= l2
  }
  region.bandwidths = {bMin, bMax};
  if (!(bMin <= bMax)) return region;
  // The lowest P: the lower envelope max(l1, l3) is a V with its bottom
  // where l1 = l3; the highest: the upper envelope min(l2, l4) a roof with
  // its top where l2 = l4; both within [bMin, bMax].
  const auto lower = [&](double b) { return std::max(Square(m.fp2) - wp * m.fp2 * b, Square(m.fs1) + ws * m.fs1 * b); };
  const auto upper = [&](double b) { return std::min(Square(m.fp1) + wp * m.fp1 * b, Square(m.fs2) - ws * m.fs2 * b); };
  const double b13 = (m.fp2 - m.fs1) * (m.fp2 + m.fs1) / (wp * m.fp2 + ws * m.fs1);
  const double b24 = (m.fs2 - m.fp1) * (m.fs2 + m.fp1) / (wp * m.fp1 + ws * m.fs2);
  const double pLo = lower(std::clamp(b13, bMin, bMax));
  const double pHi = upper(std::clamp(b24, bMin, bMax));
  region.centers = {std::sqrt(pLo), std::sqrt(pHi)};
  return region;
}

BandPassEdgeMargins BandPassEdgeMarginsOf(const BandPassMask& m, int response, int rippleIndex, int order, double f0,
                                          double b) {
  BandPassEdgeMargins out;
  const Prototype p = PrototypeOf(response, rippleIndex, order);
  if (!p.offered || !(f0 > 0) || !(b > 0)) {
    out.fp1Db = out.fp2Db = out.fs1Db = out.fs2Db = -kInf;
    return out;
  }
  const double mid = std::clamp(f0, m.fp1, m.fp2);
  auto pass = [&](double fLo, double fHi) {
    const auto [lo, hi] = Magnitudes(W(fLo, f0, b), W(fHi, f0, b));
    const GainBand g = p.Extremes(lo, hi);
    return m.ap - std::max(std::fabs(g.lowDb), std::fabs(g.highDb));
  };
  out.fp1Db = pass(m.fp1, mid);
  out.fp2Db = pass(mid, m.fp2);
  // Up to fs1: W from -infinity to W(fs1); from fs2: W(fs2) to +infinity.
  const double w1 = W(m.fs1, f0, b), w2 = W(m.fs2, f0, b);
  out.fs1Db = -m.as - p.Extremes(w1 <= 0 ? -w1 : 0.0, kInf).highDb;
  out.fs2Db = -m.as - p.Extremes(w2 >= 0 ? w2 : 0.0, kInf).highDb;
  return out;
}

namespace {

BandPassCandidate CandidateOf(const BandPassMask& m, int response, int rippleIndex, double gain) {
  BandPassCandidate c;
  c.response = response;
  c.rippleIndex = rippleIndex;
  bool anyUnclipped = false;
  for (int order = 2; order <= values::kMaxOrder; order += 2) {
    const BandPassRegion region = BandPassRegionOf(m, response, order, rippleIndex);
    c.regions[OrderIndex(order)] = region;
    if (c.order || region.Empty()) continue;
    anyUnclipped = true;
    const FrequencyRange clipped{std::max(region.centers.loHz, engine::kMinCutoffHz),
                                 std::min(region.centers.hiHz, engine::kMaxCutoffHz)};
    if (clipped.Empty()) continue;
    c.order = order;
    c.centerRange = clipped;
  }
  if (!c.order) {
    c.why = anyUnclipped                                                           ? kWhyOutside
            : values::HasRipple(response) && m.ap < values::kRippleDb[rippleIndex] ? kWhyRipple
                                                                                   : kWhyNoOrder;
    return c;
  }
  const int order = *c.order;
  const BandPassRegion& region = c.regions[OrderIndex(order)];
  const FrequencyRange& centers = c.centerRange;
  // A geometrically symmetric mask: its centre exactly (the range's
  // geometric mean is the same but for the rounding).
  const double geometric =
      m.fp1 * m.fp2 == m.fs1 * m.fs2 ? std::sqrt(m.fp1 * m.fp2) : std::sqrt(centers.loHz) * std::sqrt(centers.hiHz);
  c.centerHz = std::clamp(geometric, centers.loHz, centers.hiHz);
  c.centerText = CutoffText(c.centerHz, centers.loHz, centers.hiHz);
  c.centerTextHz = values::ParseEngValue(c.centerText);
  c.bandwidthRange = BandwidthsAt(m, region.edges, c.centerTextHz);
  c.bandwidthRange.loHz = std::max(c.bandwidthRange.loHz, c.centerTextHz / 1000);
  if (c.bandwidthRange.Empty()) {
    c.why = kWhyNarrow;
    return c;
  }
  const FrequencyRange& bands = c.bandwidthRange;
  c.bandwidthHz = std::clamp(std::sqrt(bands.loHz) * std::sqrt(bands.hiHz), bands.loHz, bands.hiHz);
  c.bandwidthText = CutoffText(c.bandwidthHz, bands.loHz, bands.hiHz);
  c.bandwidthTextHz = values::ParseEngValue(c.bandwidthText);
  // Every figure is that of the two texts as read.
  c.margins = BandPassEdgeMarginsOf(m, response, rippleIndex, order, c.centerTextHz, c.bandwidthTextHz);
  const std::vector<engine::BandPassSection> sections =
      engine::BandPassSections(response, rippleIndex, order, c.centerTextHz, c.bandwidthTextHz, gain);
  bool inside = !sections.empty();
  for (const engine::BandPassSection& s : sections) {
    const double f = s.omega / engine::kTwoPi;
    c.maxQ = std::max(c.maxQ, s.q);
    c.gbwMinHz = std::max(c.gbwMinHz, kGbwMarginFactor * f * s.q);
    inside = inside && f >= engine::kMinCutoffHz && f <= engine::kMaxCutoffHz;
  }
  if (!inside) {
    c.why = kWhySections;
  } else if (!engine::DesignBandPass(sections).valid) {
    c.why = kWhyGain;
  } else if (!(c.margins.PassDb() >= -kRoundingDb && c.margins.StopDb() >= -kRoundingDb)) {
    c.why = kWhyMargins;
  }
  c.meets = c.why.empty();
  return c;
}

}  // namespace

BandPassRequirementResult DesignBandPassFromRequirement(const BandPassMask& mask, double gain) {
  BandPassRequirementResult result;
  result.mask = mask;
  result.gain = gain;
  for (const int response : OfferedResponses(values::kLpf)) {
    if (values::HasRipple(response)) {
      for (const int ripple : RippleRows(mask.ap)) {
        result.candidates.push_back(CandidateOf(mask, response, ripple, gain));
      }
    } else {
      result.candidates.push_back(CandidateOf(mask, response, values::kTabulatedRippleIndex, gain));
    }
  }
  for (int i = 0; i < static_cast<int>(result.candidates.size()); ++i) {
    const BandPassCandidate& c = result.candidates[i];
    if (!c.meets) continue;
    if (!result.recommended) {
      result.recommended = i;
      continue;
    }
    const BandPassCandidate& best = result.candidates[*result.recommended];
    const double smaller = std::min(c.margins.PassDb(), c.margins.StopDb());
    const double bestSmaller = std::min(best.margins.PassDb(), best.margins.StopDb());
    if (*c.order < *best.order || (*c.order == *best.order && smaller > bestSmaller)) result.recommended = i;
  }
  return result;
}

}  // namespace kelvara::response
