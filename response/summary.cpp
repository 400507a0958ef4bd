// The summary of a whole response: -3 dB frequency, ripple edge and ripple
// reached, attenuation at two frequencies of the stop band.

#include <cmath>
#include <functional>

#include "response/analysis.h"

namespace kelvara::response {
namespace {

// The pass band is searched on a log grid of v, the frequency relative to
// the cut-off and turned so that v grows into the stop band (f / fc for LPF,
// fc / f for HPF), then refined to full precision.
constexpr double kGridFrom = 1e-3;
constexpr double kGridTo = 1e2;
constexpr double kGridRatio = 1.002;

double ReferenceHz(const Cascade& cascade) {
  if (cascade.request.cutoffHz > 0 && std::isfinite(cascade.request.cutoffHz)) return cascade.request.cutoffHz;
  return cascade.stage[0].omega / kTwoPi;
}

// Golden-section search for an extremum of g on [a, b] (log v). sign +1
// finds a maximum, -1 a minimum. Returns (log v, value).
std::pair<double, double> GoldenExtremum(const std::function<double(double)>& g, double a, double b, double sign) {
  const double r = 0.6180339887498949;
  double c = b - r * (b - a);
  double d = a + r * (b - a);
  double gc = sign * g(c);
  double gd = sign * g(d);
  for (int i = 0; i < 100 && b - a > 1e-15 * (std::fabs(a) + std::fabs(b) + 1e-300); ++i) {
    if (gc > gd) {
      b = d;
      d = c;
      gd = gc;
      c = b - r * (b - a);
      gc = sign * g(c);
    } else {
      a = c;
      c = d;
      gc = gd;
      d = a + r * (b - a);
      gd = sign * g(d);
    }
  }
  return gc > gd ? std::pair{c, sign * gc} : std::pair{d, sign * gd};
}

}  // namespace

std::optional<RippleEdge> FindRippleEdge(const Cascade& cascade, double dropDb) {
  const double fRef = ReferenceHz(cascade);
  const bool hpf = cascade.Hpf();
  auto gainAtLog = [&](double lv) {
    const double v = std::exp(lv);
    return GainDb(cascade, hpf ? fRef / v : fRef * v);
  };
  std::vector<double> lv;
  std::vector<double> g;
  for (double v = kGridFrom; v <= kGridTo; v *= kGridRatio) {
    lv.push_back(std::log(v));
    g.push_back(gainAtLog(lv.back()));
  }
  const std::size_t n = g.size();
  std::size_t best = 0;
  for (std::size_t i = 1; i < n; ++i) {
    if (g[i] > g[best]) best = i;
  }
  if (!std::isfinite(g[best])) return std::nullopt;
  // Every peak of the grid is refined to its top: the ripple peaks of a
  // Chebyshev response are nearly equal, so the highest grid sample need
  // not sit at the highest peak.
  double maxDb = g[best];
  for (std::size_t i = 1; i + 1 < n; ++i) {
    if (g[i] >= g[i - 1] && g[i] >= g[i + 1])
      maxDb = std::max(maxDb, GoldenExtremum(gainAtLog, lv[i - 1], lv[i + 1], 1).second);
  }
  const double level = maxDb - dropDb;
  std::size_t last = n;
  for (std::size_t i = n; i-- > 0;) {
    if (g[i] >= level) {
      last = i;
      break;
    }
  }
  if (last == n || last + 1 >= n) return std::nullopt;
  // Bisect the crossing between the last grid point at or above the level
  // and the next one.
  double lo = lv[last];
  double hi = lv[last + 1];
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    if (mid <= lo || mid >= hi) break;
    if (gainAtLog(mid) >= level) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  RippleEdge edge;
  edge.maxDb = maxDb;
  const double ve = std::exp(lo);
  edge.edgeHz = hpf ? fRef / ve : fRef * ve;
  double lowest = level;
  for (std::size_t i = 0; i <= last; ++i) {
    double value = g[i];
    // Every valley of the grid is refined to its bottom.
    if (i > 0 && g[i] <= g[i - 1] && g[i] <= g[i + 1]) {
      value = std::min(value, GoldenExtremum(gainAtLog, lv[i - 1], lv[i + 1], -1).second);
    }
    lowest = std::min(lowest, value);
  }
  edge.rippleDb = maxDb - lowest;
  return edge;
}

ResponseSummary Summarize(const Cascade& cascade) {
  ResponseSummary summary;
  summary.minus3dbHz = FindCutoff3dB(cascade.request, cascade.stages);
  if (cascade.request.response == engine::kChebyshev) {
    if (const auto edge = FindRippleEdge(cascade)) {
      summary.rippleEdgeHz = edge->edgeHz;
      summary.rippleDb = edge->rippleDb;
    }
  }
  const double fc = cascade.request.cutoffHz;
  summary.nearHz = cascade.Hpf() ? fc / 2.0 : 2.0 * fc;
  summary.farHz = cascade.Hpf() ? fc / 10.0 : 10.0 * fc;
  summary.attenuationNearDb = -GainDb(cascade, summary.nearHz);
  summary.attenuationFarDb = -GainDb(cascade, summary.farHz);
  return summary;
}

}  // namespace kelvara::response
