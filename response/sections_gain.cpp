// The Sallen-Key sections with gain: the second-order stage and the
// first-order RC whose op-amp is a non-inverting amplifier with the feedback
// pair Rf (output to − input) and Rg (− input to ground), K = 1 + Rf/Rg.

#include <cmath>

#include "engine/section_design.h"
#include "engine/stage_maths.h"
#include "response/section.h"

namespace kelvara::response {
namespace {

class GainSection : public SectionTopology {
 public:
  bool Accepts(SectionKind kind) const override {
    return kind == SectionKind::kLowPass || kind == SectionKind::kHighPass;
  }
  bool Inverting() const override { return false; }
  double MinGain() const override { return 1; }
  double MaxGain() const override { return engine::kMaxStageGain; }
};

// The Sallen-Key stage with gain (nodes a, b and m, the − input):
//
//   in ──[series1]── a ──[series2]── b ──(+)op-amp── out
//                    └──────[feedback]──────────────┤
//                                    b ──[shunt]── ground
//                     (−) m ──[Rf]── out,   m ──[Rg]── ground
//
// LPF: Ra, Rb in series, Ca feedback, Cb shunt; HPF: Ca, Cb in series, Ra
// feedback, Rb shunt. f0 = 1 / (2 pi sqrt(Ra Rb Ca Cb)), gain K = 1 + Rf/Rg,
// Q = sqrt(Ra Rb Ca Cb) / D with D (LPF) = Cb (Ra + Rb) + (1 - K) Ra Ca,
// (HPF) = Ra (Ca + Cb) + (1 - K) Rb Cb; at K = 1 the unity-gain stage's.
class SallenKeyGain final : public GainSection {
 public:
  std::string_view Id() const override { return "sallen-key-gain"; }
  std::string_view Description() const override { return "Sallen-Key with gain (non-inverting amplifier)"; }
  int Order() const override { return 2; }

  const SectionLayout& Layout(SectionKind kind) const override { return kind == SectionKind::kHighPass ? hpf_ : lpf_; }

  SectionFigures Figures(SectionKind kind, std::span<const double> v) const override {
    const Parts p = PartsOf(kind, v);
    SectionFigures f;
    f.omega = engine::NaturalOmega(p.ra, p.rb, p.ca, p.cb);
    f.q = std::sqrt(((p.ra * p.rb) * p.ca) * p.cb) / Denominator(kind, p);
    f.gain = 1.0 + p.rf / p.rg;
    return f;
  }

  std::vector<SectionSensitivity> Sensitivities(SectionKind kind, std::span<const double> v) const override {
    const Parts p = PartsOf(kind, v);
    const double d = Denominator(kind, p);
    const double k1 = p.rf / p.rg;  // K - 1
    const double gainPair = k1 / (1.0 + k1);
    SectionSensitivity ra{-0.5, 0, 0}, rb{-0.5, 0, 0}, ca{-0.5, 0, 0}, cb{-0.5, 0, 0};
    double pairQ = 0;  // d ln Q / d ln Rf (and minus it for Rg)
    if (kind == SectionKind::kHighPass) {
      // D = Ra (Ca + Cb) - k1 Rb Cb.
      const double t = k1 * p.rb * p.cb / d;
      ca.q = 0.5 - p.ra * p.ca / d;
      cb.q = 0.5 - (p.ra * p.cb - k1 * p.rb * p.cb) / d;
      ra.q = 0.5 - p.ra * (p.ca + p.cb) / d;
      rb.q = 0.5 + t;
      pairQ = t;
    } else {
      // D = Cb (Ra + Rb) - k1 Ra Ca.
      const double t = k1 * p.ra * p.ca / d;
      ra.q = 0.5 - (p.ra * p.cb - k1 * p.ra * p.ca) / d;
      rb.q = 0.5 - p.rb * p.cb / d;
      ca.q = 0.5 + t;
      cb.q = 0.5 - p.cb * (p.ra + p.rb) / d;
      pairQ = t;
    }
    const SectionSensitivity rf{0, pairQ, gainPair}, rg{0, -pairQ, -gainPair};
    if (kind == SectionKind::kHighPass) return {ca, cb, ra, rb, rf, rg};
    return {ra, rb, ca, cb, rf, rg};
  }

 private:
  struct Parts {
    double ra, rb, ca, cb, rf, rg;
  };
  static Parts PartsOf(SectionKind kind, std::span<const double> v) {
    if (kind == SectionKind::kHighPass) return {v[2], v[3], v[0], v[1], v[4], v[5]};
    return {v[0], v[1], v[2], v[3], v[4], v[5]};
  }
  static double Denominator(SectionKind kind, const Parts& p) {
    const double k1 = p.rf / p.rg;
    if (kind == SectionKind::kHighPass) return p.ra * (p.ca + p.cb) - k1 * p.rb * p.cb;
    return p.cb * (p.ra + p.rb) - k1 * p.ra * p.ca;
  }
  static SectionLayout Make(bool hpf) {
    SectionLayout l;
    const char series = hpf ? 'C' : 'R', other = hpf ? 'R' : 'C';
    l.parts = {{hpf ? "Ca" : "Ra", series, kSectionInput, 0},
               {hpf ? "Cb" : "Rb", series, 0, 1},
               {hpf ? "Ra" : "Ca", other, 0, kSectionOutput},
               {hpf ? "Rb" : "Cb", other, 1, kSectionGround},
               {"Rf", 'R', 2, kSectionOutput},
               {"Rg", 'R', 2, kSectionGround}};
    l.nodeNames = {"a", "b", "m"};
    l.opAmpPlus = 1;
    l.opAmpMinus = 2;
    return l;
  }
  SectionLayout lpf_ = Make(false);
  SectionLayout hpf_ = Make(true);
};

// The first-order RC behind a non-inverting amplifier:
//
//   in ──[series]── a ──(+)op-amp(−)── m ──[Rf]── out,   m ──[Rg]── ground
//                   a ──[shunt]── ground
//
// LPF R in series and C to ground, HPF the other way; f0 = 1 / (2 pi R C),
// gain 1 + Rf/Rg.
class RcGain final : public GainSection {
 public:
  std::string_view Id() const override { return "rc-gain"; }
  std::string_view Description() const override { return "First-order RC with non-inverting amplifier"; }
  int Order() const override { return 1; }

  const SectionLayout& Layout(SectionKind kind) const override { return kind == SectionKind::kHighPass ? hpf_ : lpf_; }

  SectionFigures Figures(SectionKind kind, std::span<const double> v) const override {
    const bool hpf = kind == SectionKind::kHighPass;
    SectionFigures f;
    f.omega = engine::ReciprocalProduct(hpf ? v[1] : v[0], hpf ? v[0] : v[1]);
    f.q = 0;
    f.gain = 1.0 + v[2] / v[3];
    return f;
  }

  std::vector<SectionSensitivity> Sensitivities(SectionKind, std::span<const double> v) const override {
    const double k1 = v[2] / v[3];
    const double pair = k1 / (1.0 + k1);
    return {{-1, 0, 0}, {-1, 0, 0}, {0, 0, pair}, {0, 0, -pair}};
  }

 private:
  static SectionLayout Make(bool hpf) {
    SectionLayout l;
    l.parts = {{hpf ? "C" : "R", hpf ? 'C' : 'R', kSectionInput, 0},
               {hpf ? "R" : "C", hpf ? 'R' : 'C', 0, kSectionGround},
               {"Rf", 'R', 1, kSectionOutput},
               {"Rg", 'R', 1, kSectionGround}};
    l.nodeNames = {"a", "m"};
    l.opAmpPlus = 0;
    l.opAmpMinus = 1;
    return l;
  }
  SectionLayout lpf_ = Make(false);
  SectionLayout hpf_ = Make(true);
};

}  // namespace

const SectionTopology& SallenKeyGainTopology() {
  static const SallenKeyGain topology;
  return topology;
}

const SectionTopology& RcGainTopology() {
  static const RcGain topology;
  return topology;
}

}  // namespace kelvara::response
