#include <algorithm>
#include <utility>

#include "engine/stage_maths.h"
#include "response/section.h"

namespace kelvara::response {
namespace {

// The program's own sections: low- and high-pass, non-inverting, unity gain.
class UnityGainSection : public SectionTopology {
 public:
  bool Accepts(SectionKind kind) const override {
    return kind == SectionKind::kLowPass || kind == SectionKind::kHighPass;
  }
  bool Inverting() const override { return false; }
  double MinGain() const override { return 1; }
  double MaxGain() const override { return 1; }
};

// The unity-gain Sallen-Key stage:
//
//   in ──[series1]── a ──[series2]── b ──(+)op-amp(−)── out
//                    └──────[feedback]──────────────────┘
//                                    b ──[shunt]── ground
//
// LPF: Ra, Rb in series, Ca feedback, Cb shunt; HPF: Ca, Cb in series, Ra
// feedback, Rb shunt. f0 = 1 / (2 pi sqrt(Ra Rb Ca Cb)); Q (LPF) =
// sqrt(Ca / Cb) sqrt(Ra Rb) / (Ra + Rb), (HPF) sqrt(Rb / Ra) sqrt(Ca Cb) /
// (Ca + Cb); the pass-band gain is 1.
class SallenKey final : public UnityGainSection {
 public:
  std::string_view Id() const override { return "sallen-key"; }
  std::string_view Description() const override { return "Unity-gain Sallen-Key"; }
  int Order() const override { return 2; }

  const SectionLayout& Layout(SectionKind kind) const override { return kind == SectionKind::kHighPass ? hpf_ : lpf_; }

  SectionFigures Figures(SectionKind kind, std::span<const double> v) const override {
    const bool hpf = kind == SectionKind::kHighPass;
    // In the engine's operand orders: NaturalOmega(Ra, Rb, Ca, Cb).
    const double ra = hpf ? v[2] : v[0], rb = hpf ? v[3] : v[1];
    const double ca = hpf ? v[0] : v[2], cb = hpf ? v[1] : v[3];
    SectionFigures f;
    f.omega = engine::NaturalOmega(ra, rb, ca, cb);
    f.q = hpf ? engine::StageQuality(rb, ra, ca, cb) : engine::StageQuality(ca, cb, ra, rb);
    f.gain = 1;
    return f;
  }

  std::vector<SectionSensitivity> Sensitivities(SectionKind kind, std::span<const double> v) const override {
    // The two series parts share the Q's denominator: S = 1/2 - x / (x + y),
    // written (y - x) / (2 (x + y)).
    const double x = v[0], y = v[1];
    const double sx = (y - x) / (2 * (x + y)), sy = (x - y) / (2 * (x + y));
    // LPF: Ca +1/2, Cb -1/2; HPF: Ra -1/2, Rb +1/2 (feedback, then shunt).
    const bool hpf = kind == SectionKind::kHighPass;
    return {{-0.5, sx, 0}, {-0.5, sy, 0}, {-0.5, hpf ? -0.5 : 0.5, 0}, {-0.5, hpf ? 0.5 : -0.5, 0}};
  }

 private:
  static SectionLayout Make(bool hpf) {
    SectionLayout l;
    l.parts = {{hpf ? "Ca" : "Ra", hpf ? 'C' : 'R', kSectionInput, 0},
               {hpf ? "Cb" : "Rb", hpf ? 'C' : 'R', 0, 1},
               {hpf ? "Ra" : "Ca", hpf ? 'R' : 'C', 0, kSectionOutput},
               {hpf ? "Rb" : "Cb", hpf ? 'R' : 'C', 1, kSectionGround}};
    l.nodeNames = {"a", "b"};
    l.opAmpPlus = 1;
    l.opAmpMinus = kSectionOutput;
    return l;
  }
  SectionLayout lpf_ = Make(false);
  SectionLayout hpf_ = Make(true);
};

// The first-order RC section behind a follower:
//
//   in ──[series]── a ──(+)op-amp(−)── out       a ──[shunt]── ground
//
// LPF R in series and C to ground, HPF the other way; f0 = 1 / (2 pi R C).
class RcFollower final : public UnityGainSection {
 public:
  std::string_view Id() const override { return "rc-follower"; }
  std::string_view Description() const override { return "First-order RC with follower"; }
  int Order() const override { return 1; }

  const SectionLayout& Layout(SectionKind kind) const override { return kind == SectionKind::kHighPass ? hpf_ : lpf_; }

  SectionFigures Figures(SectionKind kind, std::span<const double> v) const override {
    const bool hpf = kind == SectionKind::kHighPass;
    SectionFigures f;
    f.omega = engine::ReciprocalProduct(hpf ? v[1] : v[0], hpf ? v[0] : v[1]);
    f.q = 0;
    f.gain = 1;
    return f;
  }

  std::vector<SectionSensitivity> Sensitivities(SectionKind, std::span<const double>) const override {
    return {{-1, 0, 0}, {-1, 0, 0}};
  }

 private:
  static SectionLayout Make(bool hpf) {
    SectionLayout l;
    l.parts = {{hpf ? "C" : "R", hpf ? 'C' : 'R', kSectionInput, 0},
               {hpf ? "R" : "C", hpf ? 'R' : 'C', 0, kSectionGround}};
    l.nodeNames = {"a"};
    l.opAmpPlus = 0;
    l.opAmpMinus = kSectionOutput;
    return l;
  }
  SectionLayout lpf_ = Make(false);
  SectionLayout hpf_ = Make(true);
};

struct Registry {
  std::vector<std::unique_ptr<SectionTopology>> owned;
  std::vector<const SectionTopology*> all;
};

Registry& TheRegistry() {
  static Registry registry = [] {
    Registry r;
    r.all = {&SallenKeyTopology(),   &RcFollowerTopology(),    &MfbTopology(),
             &RcInvertingTopology(), &SallenKeyGainTopology(), &RcGainTopology()};
    return r;
  }();
  return registry;
}

}  // namespace

const SectionTopology& SallenKeyTopology() {
  static const SallenKey topology;
  return topology;
}

const SectionTopology& RcFollowerTopology() {
  static const RcFollower topology;
  return topology;
}

const std::vector<const SectionTopology*>& SectionTopologies() { return TheRegistry().all; }

const SectionTopology* FindSectionTopology(std::string_view id) {
  for (const SectionTopology* t : SectionTopologies()) {
    if (t->Id() == id) return t;
  }
  return nullptr;
}

void RegisterSectionTopology(std::unique_ptr<SectionTopology> topology) {
  Registry& r = TheRegistry();
  r.all.push_back(topology.get());
  r.owned.push_back(std::move(topology));
}

Section MakeSection(const SectionTopology& topology, SectionKind kind, std::span<const double> values,
                    std::array<int, 2>& next) {
  Section s;
  s.topology = &topology;
  s.kind = kind;
  s.layout = &topology.Layout(kind);
  const int count = std::min(s.PartCount(), kMaxSectionParts);
  for (int i = 0; i < count; ++i) {
    const SectionPart& part = s.layout->parts[i];
    s.values[i] = i < static_cast<int>(values.size()) ? values[i] : 0.0;
    int& number = next[part.letter == 'C' ? 1 : 0];
    s.ids[i] = {part.letter, number++};
  }
  return s;
}

double CascadeGain(std::span<const Section> sections) {
  double gain = 1;
  for (const Section& s : sections) gain *= s.Figures().gain;
  return gain;
}

}  // namespace kelvara::response
