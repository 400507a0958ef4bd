#include "response/bandpass.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "engine/units.h"
#include "response/output_extremes.h"

namespace kelvara::response {
namespace {

double GainDbAt(const CircuitModel& circuit, double f) {
  return CircuitSolve::AtHz(circuit, f).TransferTo(CircuitSource::Input(), FilterOutput(circuit)).GainDb();
}

// The outermost crossing of `level` on one side of the centre: walked in
// from where the gain is below it, in steps of 1/(8 Qmax) in ln f (at most
// 1/1000: a section of quality Q turns over about 1/Q in ln f, so no edge
// is stepped over), then bisected to adjacent doubles.
double Edge(const CircuitModel& circuit, double centerHz, double level, bool upper) {
  double qMax = 0;
  for (const Section& s : circuit.sections) qMax = std::max(qMax, s.Figures().q);
  const double stepLn = std::min(1e-3, 1.0 / (8.0 * std::max(qMax, 1.0)));
  const double factor = upper ? 1.5 : 1.0 / 1.5;
  double outside = centerHz * factor;
  for (int i = 0; i < 200 && GainDbAt(circuit, outside) >= level; ++i) outside *= factor;
  const double step = upper ? std::exp(-stepLn) : std::exp(stepLn);
  double inside = outside * step;
  while (GainDbAt(circuit, inside) < level && (upper ? inside > centerHz : inside < centerHz)) {
    outside = inside;
    inside *= step;
  }
  for (;;) {
    const double middle = inside + (outside - inside) / 2;
    if (middle == inside || middle == outside) break;
    (GainDbAt(circuit, middle) >= level ? inside : outside) = middle;
  }
  return inside;
}

// The gain's value and slope d ln |H| / d ln f: what the bracketed walk needs.
std::pair<double, double> GainAndSlope(const CircuitModel& circuit, double f) {
  const Transfer t = CircuitSolve::AtHz(circuit, f).TransferTo(CircuitSource::Input(), FilterOutput(circuit));
  const std::complex<double> sj(0, engine::kTwoPi * f);
  return {t.GainDb(), (sj * t.dhds / t.h).real()};
}

// The highest (or lowest) gain over [lo, hi], valued where it was found.
double ExtremeDb(const CircuitModel& circuit, const WalkGrid& grid, double lo, double hi, bool lowest) {
  const OutputPeak p = WalkExtreme(lo, hi, grid, lowest, [&](double f) { return GainAndSlope(circuit, f); });
  return GainDbAt(circuit, p.hz);
}

}  // namespace

std::vector<Section> SectionsOfBandPass(const engine::BandPassDesign& design) {
  std::vector<Section> sections;
  std::array<int, 2> next{1, 1};
  const SectionTopology* mfb = FindSectionTopology("mfb");
  if (mfb == nullptr) return sections;
  for (const engine::BandPassStageDesign& stage : design.stages) {
    sections.push_back(MakeSection(*mfb, SectionKind::kBandPass, std::span<const double>(stage.values, 5), next));
  }
  return sections;
}

double BandEdgeLevelDb(int response, int rippleIndex, int order) {
  const int m = order / 2;
  if (m == 1) {
    // The first-order prototype: -3.01 dB at its cut-off, a Chebyshev's ripple.
    if (response == values::kChebyshev) return -values::kRippleDb[rippleIndex];
    return -10.0 * std::log10(2.0);
  }
  const engine::PrototypePoles p = engine::LowPassPrototypePoles(response, rippleIndex, m);
  double ratio = 1.0;  // |H(j)| / |H(0)| as the product over the poles of |p| / |j - p|
  for (const auto& [re, im] : p.poles) {
    for (const double sign : {1.0, -1.0}) {
      if (im == 0 && sign < 0) continue;
      const std::complex<double> pole(re, sign * im);
      ratio *= std::abs(pole) / std::abs(std::complex<double>(0, 1) - pole);
    }
  }
  return 20.0 * std::log10(ratio);
}

BandPassSummary SummarizeBandPass(const CircuitModel& circuit, double centerHz, double edgeLevelDb, bool ripple) {
  BandPassSummary s;
  s.centerHz = centerHz;
  s.centerGainDb = GainDbAt(circuit, centerHz);
  const double level = s.centerGainDb + edgeLevelDb;
  s.lowerEdgeHz = Edge(circuit, centerHz, level, false);
  s.upperEdgeHz = Edge(circuit, centerHz, level, true);
  s.bandwidthHz = s.upperEdgeHz - s.lowerEdgeHz;
  if (ripple) {
    const WalkGrid grid = WalkGridOf(circuit);
    s.rippleDb = ExtremeDb(circuit, grid, s.lowerEdgeHz, s.upperEdgeHz, false) -
                 ExtremeDb(circuit, grid, s.lowerEdgeHz, s.upperEdgeHz, true);
  }
  s.attenuationHalfDb = s.centerGainDb - GainDbAt(circuit, centerHz / 2);
  s.attenuationDoubleDb = s.centerGainDb - GainDbAt(circuit, 2 * centerHz);
  return s;
}

bool IsOrdered(const BandPassMask& m) {
  return m.fs1 > 0 && m.fs1 < m.fp1 && m.fp1 < m.fp2 && m.fp2 < m.fs2 && std::isfinite(m.fs2) && m.ap > 0 &&
         m.as > m.ap && std::isfinite(m.as);
}

BandPassMargins MarginsOf(const CircuitModel& circuit, double nominalDb, const BandPassMask& mask) {
  const WalkGrid grid = WalkGridOf(circuit);
  BandPassMargins m;
  const double high = ExtremeDb(circuit, grid, mask.fp1, mask.fp2, false);
  const double low = ExtremeDb(circuit, grid, mask.fp1, mask.fp2, true);
  m.passDb = mask.ap - std::max(std::fabs(high - nominalDb), std::fabs(low - nominalDb));
  // The stop bands reach three decades beyond their edges, where an
  // all-pole band-pass gain falls at 20 dB a decade per section at least.
  const double below = ExtremeDb(circuit, grid, mask.fs1 / 1000, mask.fs1, false);
  const double above = ExtremeDb(circuit, grid, mask.fs2, mask.fs2 * 1000, false);
  m.stopDb = (nominalDb - mask.as) - std::max(below, above);
  return m;
}

}  // namespace kelvara::response
