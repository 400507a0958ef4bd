#pragma once

// Random stage targets and fixed part values for the preferred-value
// search tests. Every draw comes from one seeded generator, so a failing
// case reproduces from its seed; Describe prints a case exactly.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/design_data.h"
#include "engine/part_series.h"
#include "engine/series_search.h"
#include "engine/stage_maths.h"

namespace kelvara::testcases {

using engine::SeriesStage;

inline std::string Hex(double x) {
  char text[64];
  std::snprintf(text, sizeof text, "%a", x);
  return text;
}

inline std::string Describe(const SeriesStage& s) {
  std::string d = s.kind == engine::kHpf ? "HPF" : "LPF";
  d += " q=" + Hex(s.q) + " omega=" + Hex(s.omega);
  if (s.raFixed) d += " Ra=" + Hex(s.ra);
  if (s.rbFixed) d += " Rb=" + Hex(s.rb);
  if (s.caFixed) d += " Ca=" + Hex(s.ca);
  if (s.cbFixed) d += " Cb=" + Hex(s.cb);
  return d;
}

/// Fixed-part patterns by bit: 1 Ra, 2 Rb, 4 Ca, 8 Cb.
inline void SetPattern(SeriesStage& s, int pattern) {
  s.raFixed = pattern & 1;
  s.rbFixed = pattern & 2;
  s.caFixed = pattern & 4;
  s.cbFixed = pattern & 8;
}

class CaseMaker {
 public:
  /// Fixed values and exact combinations are drawn from `series`.
  explicit CaseMaker(std::uint64_t seed, const engine::PartSeries& series = engine::DefaultPartSeries())
      : rng_(seed), series_(&series) {}

  double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
  double LogUniform(double lo, double hi) { return std::exp(Uniform(std::log(lo), std::log(hi))); }
  int Index(int count) { return std::uniform_int_distribution<int>(0, count - 1)(rng_); }
  bool Chance(double p) { return Uniform(0.0, 1.0) < p; }

  /// A target angular frequency: a cut-off of 1 Hz..100 MHz times one of
  /// the frequency factors of the stage table, as the run builds it.
  double Omega() {
    static const std::vector<double> factors = [] {
      std::vector<double> f;
      const auto& table = engine::BuildDesignData().StageTable;
      for (int i = 192; i < 384; ++i) {
        if (table[i] != 0) f.push_back(table[i]);
      }
      return f;
    }();
    return LogUniform(1.0, 1e8) * 2 * 3.141592653589793 * factors[Index(static_cast<int>(factors.size()))];
  }

  /// A stage with random targets (Q 0.5..10) and the given fixed parts. In
  /// about one case of four the targets are those of a combination of
  /// series values, so exact meets (error 0) and their ties occur, and fixed
  /// parts then often take that combination's values.
  SeriesStage Stage(engine::PassKind kind, int pattern) {
    const double q = Uniform(0.5, 10.0);
    const double omega = Omega();
    return StageWithTargets(kind, pattern, q, omega, Chance(0.25));
  }

  /// A stage with the given targets (replaced by those of a combination of
  /// series values when exact) and fixed values drawn for them.
  SeriesStage StageWithTargets(engine::PassKind kind, int pattern, double q, double omega, bool exact) {
    SeriesStage s;
    s.kind = kind;
    SetPattern(s, pattern);
    s.q = q;
    s.omega = omega;
    double exactRa = 0, exactRb = 0, exactCa = 0, exactCb = 0;
    if (exact) ExactCombination(s, exactRa, exactRb, exactCa, exactCb);
    // The equal-resistor (LPF) or equal-capacitor (HPF) continuous design.
    const engine::Band& band = engine::BuildDesignData().BandTable[engine::BandIndex(s.omega)];
    double ra, rb, ca, cb;
    if (kind == engine::kLpf) {
      ra = rb = band.startR;
      const double t = engine::ReciprocalProduct(s.omega, ra);
      ca = 2 * s.q * t;
      cb = t * t / ca;
    } else {
      ca = cb = band.startC;
      const double t = engine::ReciprocalProduct(s.omega, ca);
      rb = 2 * s.q * t;
      ra = t * t / rb;
    }
    s.ra = FixedValue(false, ra, exact, exactRa);
    s.rb = FixedValue(false, rb, exact, exactRb);
    s.ca = FixedValue(true, ca, exact, exactCa);
    s.cb = FixedValue(true, cb, exact, exactCb);
    return s;
  }

  /// A fixed value: a series value, any value in the series' span, a value
  /// outside it, near the continuous design, or the exact combination's.
  double FixedValue(bool capacitor, double continuous, bool exact, double exactValue) {
    const double* series = capacitor ? series_->Cap().Values().data() : series_->Res().Values().data();
    const int last = capacitor ? series_->CapLast() : series_->ResLast();
    if (exact && Chance(0.6)) return exactValue;
    switch (Index(10)) {
      case 0:
      case 1:
        return series[Index(last + 1)];
      case 2:
      case 3:
        return LogUniform(series[0], series[last]);
      case 4:
        return Chance(0.5) ? series[0] / LogUniform(1.0, 1e3) : series[last] * LogUniform(1.0, 1e3);
      case 5:
        // Far beyond any part, where the searches must fall back to the
        // plain loops.
        return Chance(0.02) ? (Chance(0.5) ? 1e-70 : 1e70) : continuous * LogUniform(0.5, 2.0);
      default:
        return continuous * LogUniform(0.7, 1.4);
    }
  }

  std::mt19937_64& Engine() { return rng_; }

 private:
  // Targets met exactly by some combination of series values near the band
  // window of the current omega.
  void ExactCombination(SeriesStage& s, double& ra, double& rb, double& ca, double& cb) {
    const auto& d = engine::BuildDesignData();
    const engine::Band& band = d.BandTable[engine::BandIndex(s.omega)];
    auto pick = [&](const double* series, int last, double start) {
      const int lo = engine::NearestIndex({series, static_cast<std::size_t>(last + 1)}, last, 0.025 * start);
      const int hi = engine::NearestIndex({series, static_cast<std::size_t>(last + 1)}, last, 40 * start);
      return series[lo + Index(hi - lo + 1)];
    };
    const double* cs = series_->Cap().Values().data();
    const double* rs = series_->Res().Values().data();
    const int capLast = series_->CapLast();
    const int resLast = series_->ResLast();
    if (s.kind == engine::kLpf) {
      ca = pick(cs, capLast, band.startC);
      cb = pick(cs, capLast, band.startC);
      if (ca < cb) std::swap(ca, cb);
      ra = rs[Index(resLast + 1)];
      rb = rs[Index(resLast + 1)];
      if (ra > rb) std::swap(ra, rb);
      s.q = engine::StageQuality(ca, cb, ra, rb);
    } else {
      rb = pick(rs, resLast, band.startR);
      ra = pick(rs, resLast, band.startR);
      if (rb < ra) std::swap(ra, rb);
      ca = cs[Index(capLast + 1)];
      cb = cs[Index(capLast + 1)];
      if (ca < cb) std::swap(ca, cb);
      s.q = engine::StageQuality(rb, ra, ca, cb);
    }
    s.omega = engine::NaturalOmega(ra, rb, ca, cb);
  }

  std::mt19937_64 rng_;
  const engine::PartSeries* series_;
};

}  // namespace kelvara::testcases
