#include "response/analysis.h"

#include <cmath>

#include "engine/design.h"
#include "engine/part_name.h"
#include "engine/stage_maths.h"
#include "response/circuit.h"

namespace kelvara::response {
namespace {

constexpr double kDegPerRad = 180.0 / 3.141592653589793;

using engine::PartName;

}  // namespace

Cascade MakeCascade(const DesignRequest& request, const ResponseStages& stages) {
  Cascade cascade;
  cascade.request = request;
  cascade.stages = stages;
  const int count = StageCountOf(request);
  cascade.count = count;
  for (int k = 0; k < count; ++k) {
    CascadeStage& s = cascade.stage[k];
    s.omega = stages.omega[k];
    if (!request.evenOrder && k == 0) {
      s.order = 1;
      s.q = 0.0;
      s.firstPart = 1;
    } else {
      s.order = 2;
      s.q = stages.q[k];
      s.firstPart = request.evenOrder ? 2 * k + 1 : 2 * k;
    }
  }
  return cascade;
}

Cascade CascadeFromParts(const DesignRequest& request, const ComponentSet& parts) {
  return MakeCascade(request, StagesFromComponents(request, parts));
}

std::complex<double> StageResponse(const Cascade& cascade, int k, double f) {
  const CascadeStage& s = cascade.stage[k];
  const double x = kTwoPi * f / s.omega;
  if (s.order == 1) {
    const std::complex<double> den(1.0, x);
    return cascade.Hpf() ? std::complex<double>(0.0, x) / den : 1.0 / den;
  }
  const std::complex<double> den(1.0 - x * x, x / s.q);
  return cascade.Hpf() ? std::complex<double>(-(x * x), 0.0) / den : 1.0 / den;
}

std::complex<double> CascadeResponse(const Cascade& cascade, double f) {
  std::complex<double> h(1.0, 0.0);
  for (int k = 0; k < cascade.count; ++k) h *= StageResponse(cascade, k, f);
  return h;
}

double GainDb(const Cascade& cascade, double f) { return ResponseDb(cascade.request, cascade.stages, f); }

double StagePhaseDeg(const Cascade& cascade, int k, double f) {
  const CascadeStage& s = cascade.stage[k];
  const double x = kTwoPi * f / s.omega;
  if (s.order == 1) {
    // LPF -atan(x); HPF 90 - atan(x), written as atan2(1, x) to stay exact.
    return cascade.Hpf() ? std::atan2(1.0, x) * kDegPerRad : -std::atan(x) * kDegPerRad;
  }
  // The denominator's imaginary part x / Q stays positive, so atan2 runs
  // continuously from 0 to 180 degrees without wrapping.
  const double lag = std::atan2(x / s.q, 1.0 - x * x) * kDegPerRad;
  return cascade.Hpf() ? 180.0 - lag : -lag;
}

double PhaseDeg(const Cascade& cascade, double f) {
  double phase = 0.0;
  for (int k = 0; k < cascade.count; ++k) phase += StagePhaseDeg(cascade, k, f);
  return phase;
}

double StageGroupDelay(const Cascade& cascade, int k, double f) {
  // The numerator of a section (1, s or s^2) adds no delay, so LPF and HPF
  // sections of the same omega and Q delay alike.
  const CascadeStage& s = cascade.stage[k];
  const double x = kTwoPi * f / s.omega;
  if (s.order == 1) return 1.0 / s.omega / (1.0 + x * x);
  const double d = 1.0 - x * x;
  const double e = x / s.q;
  return (1.0 + x * x) / (s.omega * s.q) / (d * d + e * e);
}

double GroupDelay(const Cascade& cascade, double f) {
  double delay = 0.0;
  for (int k = 0; k < cascade.count; ++k) delay += StageGroupDelay(cascade, k, f);
  return delay;
}

std::vector<StagePoles> Poles(const Cascade& cascade) {
  std::vector<StagePoles> poles;
  for (int k = 0; k < cascade.count; ++k) {
    const CascadeStage& s = cascade.stage[k];
    StagePoles sp;
    sp.stage = k;
    if (s.order == 1) {
      sp.count = 1;
      sp.p[0] = -s.omega;
    } else {
      sp.count = 2;
      const double half = 1.0 / (2.0 * s.q);
      const double disc = half * half - 1.0;
      if (disc < 0) {
        const double im = s.omega * std::sqrt(-disc);
        sp.p[0] = {-s.omega * half, im};
        sp.p[1] = {-s.omega * half, -im};
      } else {
        // Real poles: the larger from the sum, the smaller from the product
        // omega^2, so neither loses digits.
        const double big = -s.omega * (half + std::sqrt(disc));
        sp.p[0] = s.omega * s.omega / big;
        sp.p[1] = big;
      }
    }
    poles.push_back(sp);
  }
  return poles;
}

StagePeak PeakOfStage(const Cascade& cascade, int k) {
  const CascadeStage& s = cascade.stage[k];
  StagePeak peak;
  if (!cascade.Hpf()) peak.hz = 0.0;
  if (s.order == 1 || !(2.0 * s.q * s.q > 1.0)) return peak;
  // |H| peaks at x^2 = 1 - 1/(2Q^2) with Q / sqrt(1 - 1/(4Q^2)); for HPF x
  // is omega0 / omega.
  const double x = std::sqrt(1.0 - 1.0 / (2.0 * s.q * s.q));
  peak.db = 20.0 * std::log10(s.q / std::sqrt(1.0 - 1.0 / (4.0 * s.q * s.q)));
  const double f0 = s.omega / kTwoPi;
  peak.hz = cascade.Hpf() ? f0 / x : f0 * x;
  return peak;
}

std::string RangeReason(RangeIssue issue) {
  switch (issue) {
    case RangeIssue::kResistorLow:
      return "1kΩ未満: オペアンプの負荷が重い";
    case RangeIssue::kResistorHigh:
      return "1MΩ超: 雑音とバイアス電流の誤差が増える";
    case RangeIssue::kCapacitorLow:
      return "100pF未満: 浮遊容量と同程度";
  }
  return {};
}

std::vector<StageEvaluation> EvaluateStages(const DesignRequest& request, const ComponentSet& parts) {
  const engine::StageTargets targets = engine::BuildStageTargets(request);
  const Cascade cascade = CascadeFromParts(request, parts);
  auto error = [](double realised, double target) -> std::optional<double> {
    if (!(target != 0.0) || !std::isfinite(target)) return std::nullopt;
    return (realised - target) / target * 100.0;
  };
  std::vector<StageEvaluation> rows;
  for (int k = 0; k < cascade.count; ++k) {
    const CascadeStage& s = cascade.stage[k];
    StageEvaluation row;
    row.stage = k + 1;
    row.order = s.order;
    const int a = s.firstPart;
    const int b = s.order == 1 ? a : a + 1;
    if (s.order == 1) {
      row.parts = {PartName('R', a), PartName('C', a)};
    } else {
      row.parts = {PartName('R', a), PartName('R', b), PartName('C', a), PartName('C', b)};
    }
    row.f0TargetHz = targets.stageOmega[k] / kTwoPi;
    row.f0Hz = s.omega / kTwoPi;
    row.f0ErrorPct = error(row.f0Hz, row.f0TargetHz);
    if (s.order == 2) {
      row.qTarget = targets.stageQ[k];
      row.q = s.q;
      row.qErrorPct = error(s.q, targets.stageQ[k]);
      const double ra = parts.r[a - 1], rb = parts.r[b - 1];
      const double ca = parts.c[a - 1], cb = parts.c[b - 1];
      row.ratio = cascade.Hpf() ? rb / ra : ca / cb;
    }
    row.peak = PeakOfStage(cascade, k);
    for (int p = a; p <= b; ++p) {
      const double r = parts.r[p - 1];
      if (r < kMinPracticalOhm) row.marks.push_back({PartName('R', p), r, RangeIssue::kResistorLow});
      if (r > kMaxPracticalOhm) row.marks.push_back({PartName('R', p), r, RangeIssue::kResistorHigh});
    }
    for (int p = a; p <= b; ++p) {
      const double c = parts.c[p - 1];
      if (c < kMinPracticalFarad) row.marks.push_back({PartName('C', p), c, RangeIssue::kCapacitorLow});
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<double> LogPoints(double from, double to, int n) {
  std::vector<double> points;
  if (n <= 0) return points;
  points.reserve(n);
  if (n == 1) return {from};
  const double ratio = to / from;
  for (int i = 0; i < n - 1; ++i) points.push_back(from * std::pow(ratio, static_cast<double>(i) / (n - 1)));
  points.push_back(to);
  return points;
}

std::vector<double> LinearPoints(double from, double to, int n) {
  std::vector<double> points;
  if (n <= 0) return points;
  points.reserve(n);
  if (n == 1) return {from};
  for (int i = 0; i < n - 1; ++i) points.push_back(from + (to - from) * (static_cast<double>(i) / (n - 1)));
  points.push_back(to);
  return points;
}

}  // namespace kelvara::response
