// The multiple-feedback (MFB) sections: the inverting second-order low- and
// high-pass, and the inverting first-order RC stage an odd order of an MFB
// filter starts with. Their op-amp's + input is grounded, so the − input is
// a virtual ground and every stage inverts.

#include <cmath>

#include "engine/section_design.h"
#include "response/section.h"

namespace kelvara::response {
namespace {

class InvertingSection : public SectionTopology {
 public:
  bool Accepts(SectionKind kind) const override {
    return kind == SectionKind::kLowPass || kind == SectionKind::kHighPass;
  }
  bool Inverting() const override { return true; }
  double MinGain() const override { return engine::kMinStageGain; }
  double MaxGain() const override { return engine::kMaxStageGain; }
};

// The MFB second-order stage (nodes a and n, n the − input, + to ground):
//
//   LPF:  in ──[R1 input]── a ──[R3]── n ──(−)op-amp── out
//                           │          └──[C2 feedback]──┤
//                           ├──[R2 feedback]─────────────┘
//                           └──[C1 shunt]── ground
//
//   HPF:  in ──[C1 input]── a ──[C3]── n ──(−)op-amp── out
//                           │          └──[R2 feedback]──┤
//                           ├──[C2 feedback]─────────────┘
//                           └──[R1 shunt]── ground
//
// LPF: f0 = 1 / (2 pi sqrt(R2 R3 C1 C2)), Q = sqrt(C1 / (C2 R2 R3)) /
// (1/R1 + 1/R2 + 1/R3), gain -R2/R1. HPF: f0 = 1 / (2 pi sqrt(R1 R2 C2 C3)),
// Q = sqrt(R2 / R1) sqrt(C2 C3) / (C1 + C2 + C3), gain -C1/C2. The numbers
// are the parts' order in the layout (numbered through the cascade).
//
//   BPF:  in ──[R1 input]── a ──[C1]── n ──(−)op-amp── out
//                           │          └──[R3 feedback]──┤
//                           ├──[C2 feedback]─────────────┘
//                           └──[R2 divider]── ground
//
// BPF: w0^2 = (1/R1 + 1/R2) / (R3 C1 C2), Q = w0 R3 C1 C2 / (C1 + C2), the
// gain at w0 -R3 C1 / (R1 (C1 + C2)) (its centre: omega is the centre).
class Mfb final : public InvertingSection {
 public:
  std::string_view Id() const override { return "mfb"; }
  std::string_view Description() const override { return "Multiple-feedback (inverting)"; }
  int Order() const override { return 2; }
  bool Accepts(SectionKind) const override { return true; }

  const SectionLayout& Layout(SectionKind kind) const override {
    return kind == SectionKind::kBandPass ? bpf_ : kind == SectionKind::kHighPass ? hpf_ : lpf_;
  }

  SectionFigures Figures(SectionKind kind, std::span<const double> v) const override {
    SectionFigures f;
    if (kind == SectionKind::kBandPass) {
      const double r1 = v[0], r2 = v[1], r3 = v[2], c1 = v[3], c2 = v[4];
      f.omega = std::sqrt((1.0 / r1 + 1.0 / r2) / ((r3 * c1) * c2));
      f.q = f.omega * ((r3 * c1) * c2) / (c1 + c2);
      f.gain = -((r3 * c1) / (r1 * (c1 + c2)));
    } else if (kind == SectionKind::kHighPass) {
      const double c1 = v[0], c2 = v[1], c3 = v[2], r1 = v[3], r2 = v[4];
      f.omega = 1.0 / std::sqrt(((r1 * r2) * c2) * c3);
      f.q = std::sqrt(r2 / r1) * std::sqrt(c2 * c3) / ((c1 + c2) + c3);
      f.gain = -(c1 / c2);
    } else {
      const double r1 = v[0], r2 = v[1], r3 = v[2], c1 = v[3], c2 = v[4];
      f.omega = 1.0 / std::sqrt(((r2 * r3) * c1) * c2);
      f.q = std::sqrt(c1 / ((c2 * r2) * r3)) / ((1.0 / r1 + 1.0 / r2) + 1.0 / r3);
      f.gain = -(r2 / r1);
    }
    return f;
  }

  std::vector<SectionSensitivity> Sensitivities(SectionKind kind, std::span<const double> v) const override {
    if (kind == SectionKind::kBandPass) {
      // omega: -1/2 G_i / (G1 + G2) for R1, R2, -1/2 for R3, C1, C2; Q adds
      // the root's R3 C1 C2 / (C1 + C2); the gain R3 C1 / (R1 (C1 + C2)).
      const double g1 = 1.0 / v[0], g2 = 1.0 / v[1], c1 = v[3], c2 = v[4];
      const double share1 = g1 / (g1 + g2), share2 = g2 / (g1 + g2);
      const double f1 = c1 / (c1 + c2), f2 = c2 / (c1 + c2);
      return {{-0.5 * share1, -0.5 * share1, -1},
              {-0.5 * share2, -0.5 * share2, 0},
              {-0.5, 0.5, 1},
              {-0.5, 0.5 - f1, f2},
              {-0.5, 0.5 - f2, -f2}};
    }
    if (kind == SectionKind::kHighPass) {
      // Q: -C_i / sum(C) from the denominator, +1/2 for C2 and C3 in the root.
      const double c1 = v[0], c2 = v[1], c3 = v[2];
      const double sum = (c1 + c2) + c3;
      return {
          {0, -c1 / sum, 1}, {-0.5, 0.5 - c2 / sum, -1}, {-0.5, 0.5 - c3 / sum, 0}, {-0.5, -0.5, 0}, {-0.5, 0.5, 0}};
    }
    // Q in conductances: sqrt(G2 G3) / (G1 + G2 + G3); d ln / d ln R = -d ln / d ln G.
    const double g1 = 1.0 / v[0], g2 = 1.0 / v[1], g3 = 1.0 / v[2];
    const double sum = (g1 + g2) + g3;
    return {{0, g1 / sum, -1}, {-0.5, g2 / sum - 0.5, 1}, {-0.5, g3 / sum - 0.5, 0}, {-0.5, 0.5, 0}, {-0.5, -0.5, 0}};
  }

 private:
  static SectionLayout Make(bool hpf) {
    SectionLayout l;
    const char series = hpf ? 'C' : 'R', other = hpf ? 'R' : 'C';
    // Node 0 is a, node 1 the − input n.
    if (hpf) {
      l.parts = {{"Cin", series, kSectionInput, 0},
                 {"Cf", series, 0, kSectionOutput},
                 {"Cm", series, 0, 1},
                 {"Rs", other, 0, kSectionGround},
                 {"Rf", other, 1, kSectionOutput}};
    } else {
      l.parts = {{"Rin", series, kSectionInput, 0},
                 {"Rf", series, 0, kSectionOutput},
                 {"Rm", series, 0, 1},
                 {"Cs", other, 0, kSectionGround},
                 {"Cf", other, 1, kSectionOutput}};
    }
    l.nodeNames = {"a", "n"};
    l.opAmpPlus = kSectionGround;
    l.opAmpMinus = 1;
    return l;
  }
  static SectionLayout MakeBandPass() {
    SectionLayout l;
    l.parts = {{"Rin", 'R', kSectionInput, 0},
               {"Rd", 'R', 0, kSectionGround},
               {"Rf", 'R', 1, kSectionOutput},
               {"Cm", 'C', 0, 1},
               {"Cf", 'C', 0, kSectionOutput}};
    l.nodeNames = {"a", "n"};
    l.opAmpPlus = kSectionGround;
    l.opAmpMinus = 1;
    return l;
  }
  SectionLayout lpf_ = Make(false);
  SectionLayout hpf_ = Make(true);
  SectionLayout bpf_ = MakeBandPass();
};

// The inverting first-order stage (n the − input, + to ground):
//
//   LPF:  in ──[Rin]── n ──(−)op-amp── out,   n ──[Rf]── out,  n ──[Cf]── out
//   HPF:  in ──[Cin]── m ──[Rin]── n ──(−)op-amp── out,        n ──[Rf]── out
//
// LPF: f0 = 1 / (2 pi Rf Cf), gain -Rf/Rin; HPF: f0 = 1 / (2 pi Rin Cin),
// gain -Rf/Rin.
class RcInverting final : public InvertingSection {
 public:
  std::string_view Id() const override { return "rc-inverting"; }
  std::string_view Description() const override { return "Inverting first-order RC"; }
  int Order() const override { return 1; }

  const SectionLayout& Layout(SectionKind kind) const override { return kind == SectionKind::kHighPass ? hpf_ : lpf_; }

  SectionFigures Figures(SectionKind kind, std::span<const double> v) const override {
    SectionFigures f;
    if (kind == SectionKind::kHighPass) {
      f.omega = 1.0 / (v[1] * v[0]);
      f.gain = -(v[2] / v[1]);
    } else {
      f.omega = 1.0 / (v[1] * v[2]);
      f.gain = -(v[1] / v[0]);
    }
    f.q = 0;
    return f;
  }

  std::vector<SectionSensitivity> Sensitivities(SectionKind kind, std::span<const double>) const override {
    if (kind == SectionKind::kHighPass) return {{-1, 0, 0}, {-1, 0, -1}, {0, 0, 1}};
    return {{0, 0, -1}, {-1, 0, 1}, {-1, 0, 0}};
  }

 private:
  static SectionLayout Make(bool hpf) {
    SectionLayout l;
    if (hpf) {
      l.parts = {{"Cin", 'C', kSectionInput, 0}, {"Rin", 'R', 0, 1}, {"Rf", 'R', 1, kSectionOutput}};
      l.nodeNames = {"m", "n"};
      l.opAmpMinus = 1;
    } else {
      l.parts = {{"Rin", 'R', kSectionInput, 0}, {"Rf", 'R', 0, kSectionOutput}, {"Cf", 'C', 0, kSectionOutput}};
      l.nodeNames = {"n"};
      l.opAmpMinus = 0;
    }
    l.opAmpPlus = kSectionGround;
    return l;
  }
  SectionLayout lpf_ = Make(false);
  SectionLayout hpf_ = Make(true);
};

}  // namespace

const SectionTopology& MfbTopology() {
  static const Mfb topology;
  return topology;
}

const SectionTopology& RcInvertingTopology() {
  static const RcInverting topology;
  return topology;
}

}  // namespace kelvara::response
