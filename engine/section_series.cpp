// The preferred-value search of the sections' stages (section_series.h):
// the score, the loop order of each form, the windows that prune it and
// the driver that walks them.

#include "engine/section_series.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/stage_maths.h"
#include "engine/stages.h"

namespace kelvara::engine {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

thread_local std::uint64_t evaluations = 0;

// The names the warnings give a form.
const char* FormName(StageForm form) {
  switch (form) {
    case StageForm::kSallenKey:
      return "サレンキー";
    case StageForm::kRcFollower:
      return "一次 RC";
    case StageForm::kSallenKeyGain:
      return "利得付きサレンキー";
    case StageForm::kRcGain:
      return "利得付き一次 RC";
    case StageForm::kMfb:
      return "多重帰還（MFB）";
    case StageForm::kRcInverting:
      return "反転一次 RC";
  }
  return "";
}

double Relative(double x, double target) {
  const double d = x / target - 1.0;
  return d * d;
}

// The layout indices in the order the search takes them: the gain pair
// first (it sets the gain alone), then the capacitors, then the resistors
// whose windows follow from them.
std::vector<int> LoopOrder(StageForm form, bool hpf) {
  switch (form) {
    case StageForm::kSallenKey:
      return hpf ? std::vector<int>{0, 1, 2, 3} : std::vector<int>{3, 2, 0, 1};
    case StageForm::kSallenKeyGain:
      return hpf ? std::vector<int>{5, 4, 0, 1, 2, 3} : std::vector<int>{5, 4, 3, 2, 0, 1};
    case StageForm::kRcFollower:
      return hpf ? std::vector<int>{0, 1} : std::vector<int>{1, 0};
    case StageForm::kRcGain:
      return hpf ? std::vector<int>{3, 2, 0, 1} : std::vector<int>{3, 2, 1, 0};
    case StageForm::kMfb:
      return hpf ? std::vector<int>{1, 0, 2, 3, 4} : std::vector<int>{4, 3, 1, 2, 0};
    case StageForm::kRcInverting:
      return hpf ? std::vector<int>{0, 1, 2} : std::vector<int>{2, 1, 0};
  }
  return {};
}

// A quadratic's discriminant, 0 where rounding alone makes it negative;
// negative where it truly is.
double Discriminant(double b2, double four) {
  const double d = b2 - four;
  if (d < 0 && d >= -1e-9 * b2) return 0.0;
  return d;
}

// The values [lo, hi] without those strictly inside (gapLo, gapHi) (no gap
// where gapLo >= gapHi).
struct Window {
  double lo = 0;
  double hi = kInf;
  double gapLo = 0;
  double gapHi = 0;
};

// The roots r- <= r+ of r² - m r + k = 0 (k > 0), none where they are not
// real (beyond rounding).
std::optional<std::pair<double, double>> Roots(double m, double k) {
  const double d = Discriminant(m * m, 4.0 * k);
  if (d < 0) return std::nullopt;
  const double big = (m + std::sqrt(d)) / 2.0;
  return std::pair{k / big, big};
}

// Where each figure may lie for a score of at most the best: its target
// times 1 -+ e (no lower limit once e reaches 1).
struct Limits {
  double wLo, wHi, qLo, qHi, kLo, kHi;
  Limits(const StagePlan& p, double e)
      : wLo(e < 1 ? p.omega * (1.0 - e) : 0.0),
        wHi(p.omega * (1.0 + e)),
        qLo(e < 1 ? p.q * (1.0 - e) : 0.0),
        qHi(p.q * (1.0 + e)),
        kLo(e < 1 ? p.gain * (1.0 - e) : 0.0),
        kHi(p.gain * (1.0 + e)) {}
  // The product of two resistors whose capacitors' product is cc.
  double ProductLo(double cc) const { return 1.0 / ((wHi * wHi) * cc); }
  double ProductHi(double cc) const { return wLo > 0 ? 1.0 / ((wLo * wLo) * cc) : kInf; }
  // The resistor of a first-order stage with capacitor c.
  Window OfRc(double c) const { return {1.0 / (wHi * c), wLo > 0 ? 1.0 / (wLo * c) : kInf}; }
};

// The Sallen-Key stage's first resistor of the pair (Ra) given its
// capacitors and K - 1, from Q and omega (P = Ra Rb, r = sqrt(Ra / Rb)):
// LPF Q = sqrt(Ca Cb) / (r (Cb - k1 Ca) + Cb / r), HPF Q = sqrt(Ca Cb) /
// (r (Ca + Cb) - k1 Cb / r), whatever P is.
Window SallenKeyRa(const Limits& l, bool hpf, double ca, double cb, double k1) {
  const double root = std::sqrt(ca * cb);
  const double pLo = l.ProductLo(ca * cb), pHi = l.ProductHi(ca * cb);
  double rLo = 0, rHi = kInf;
  if (hpf) {
    // A r - B / r rises with r: r = (G + sqrt(G² + 4 A B)) / (2 A) at G.
    const double a = ca + cb, b = k1 * cb;
    auto at = [&](double g) { return (g + std::sqrt(g * g + 4.0 * a * b)) / (2.0 * a); };
    rLo = at(root / l.qHi);
    if (l.qLo > 0) rHi = at(root / l.qLo);
  } else if (l.qLo > 0) {
    // f(r) = a r + c / r <= F = sqrt(Ca Cb) / Qlo (and f > 0).
    const double a = cb - k1 * ca, c = cb, f = root / l.qLo;
    if (a > 0) {
      // a r² - F r + c <= 0 between its roots; f >= Fl (Q <= Qhi) outside
      // the roots of a r² - Fl r + c.
      const auto inside = Roots(f / a, c / a);
      if (!inside) return {kInf, 0};
      Window w{inside->first * std::sqrt(pLo), inside->second * std::sqrt(pHi)};
      if (const auto outside = Roots(root / l.qHi / a, c / a)) {
        w.gapLo = outside->first * std::sqrt(pHi);
        w.gapHi = outside->second * std::sqrt(pLo);
      }
      return w;
    } else if (a == 0) {
      rLo = c / f;
      rHi = c / (root / l.qHi);
    } else {
      // f falls with r: f <= F from the positive root on, f >= Fl up to it.
      // (g - sqrt(g² - 4 a c)) / (2 a), written without the cancellation.
      auto positiveRoot = [&](double g) { return 2.0 * c / (g + std::sqrt(g * g - 4.0 * a * c)); };
      rLo = positiveRoot(f);
      rHi = positiveRoot(root / l.qHi);
    }
  }
  return {rLo * std::sqrt(pLo), rHi * std::sqrt(pHi)};
}

// The window of `part` given the parts before it in the loop order.
Window WindowOf(StageForm form, bool hpf, int part, const std::vector<double>& v, const Limits& l) {
  switch (form) {
    case StageForm::kSallenKey:
    case StageForm::kSallenKeyGain: {
      if (part == 4) return {v[5] * std::max(l.kLo - 1.0, 0.0), v[5] * (l.kHi - 1.0)};
      const double k1 = form == StageForm::kSallenKeyGain ? v[4] / v[5] : 0.0;
      if (hpf) {
        if (part == 2) return SallenKeyRa(l, true, v[0], v[1], k1);
        if (part == 3) return {l.ProductLo(v[0] * v[1]) / v[2], l.ProductHi(v[0] * v[1]) / v[2]};
      } else {
        // Q <= sqrt(Ca) / (2 sqrt(Cb - k1 Ca)) where Cb > k1 Ca (any Q beyond).
        if (part == 2) {
          const double q2 = 4.0 * std::pow(l.qLo, 2.0);
          return {q2 * v[3] / (1.0 + q2 * k1), kInf};
        }
        if (part == 0) return SallenKeyRa(l, false, v[2], v[3], k1);
        if (part == 1) return {l.ProductLo(v[2] * v[3]) / v[0], l.ProductHi(v[2] * v[3]) / v[0]};
      }
      return {};
    }
    case StageForm::kRcFollower:
      if (part == (hpf ? 1 : 0)) return l.OfRc(v[hpf ? 0 : 1]);
      return {};
    case StageForm::kRcGain:
      if (part == 2) return {v[3] * std::max(l.kLo - 1.0, 0.0), v[3] * (l.kHi - 1.0)};
      if (part == (hpf ? 1 : 0)) return l.OfRc(v[hpf ? 0 : 1]);
      return {};
    case StageForm::kMfb: {
      if (hpf) {
        // C1 in, C2 feedback, C3 to the − input, R1 shunt, R2 feedback.
        if (part == 0) return {v[1] * l.kLo, v[1] * l.kHi};
        if (part == 3) {
          // Q = sqrt(P) sqrt(C2 C3) / (R1 (C1 + C2 + C3)).
          const double g = std::sqrt(v[1] * v[2]) / ((v[0] + v[1]) + v[2]);
          const double cc = v[1] * v[2];
          return {std::sqrt(l.ProductLo(cc)) * g / l.qHi, l.qLo > 0 ? std::sqrt(l.ProductHi(cc)) * g / l.qLo : kInf};
        }
        if (part == 4) return {l.ProductLo(v[1] * v[2]) / v[3], l.ProductHi(v[1] * v[2]) / v[3]};
        return {};
      }
      // R1 input, R2 feedback, R3 to the − input, C1 shunt, C2 feedback.
      if (part == 3) {
        // Q <= sqrt(C1 / C2) / (2 sqrt(1 + K)).
        return {4.0 * v[4] * std::pow(l.qLo, 2.0) * (1.0 + l.kLo), kInf};
      }
      if (part == 1) {
        // Q = sqrt(C1 / C2) / ((1 + K) / u + u), u = sqrt(R2 / R3), R2 = u sqrt(P).
        // Q >= Qlo: (1 + Klo) / u + u <= sqrt(C1 / C2) / Qlo, u between the
        // roots; Q <= Qhi: (1 + Khi) / u + u >= sqrt(C1 / C2) / Qhi, u outside.
        const double cc = v[3] * v[4];
        if (!(l.qLo > 0)) return {};
        const double ratio = std::sqrt(v[3] / v[4]);
        const auto inside = Roots(ratio / l.qLo, 1.0 + l.kLo);
        if (!inside) return {kInf, 0};
        const double pLo = l.ProductLo(cc), pHi = l.ProductHi(cc);
        Window w{inside->first * std::sqrt(pLo), inside->second * std::sqrt(pHi)};
        if (const auto outside = Roots(ratio / l.qHi, 1.0 + l.kHi)) {
          w.gapLo = outside->first * std::sqrt(pHi);
          w.gapHi = outside->second * std::sqrt(pLo);
        }
        return w;
      }
      if (part == 2) return {l.ProductLo(v[3] * v[4]) / v[1], l.ProductHi(v[3] * v[4]) / v[1]};
      if (part == 0) return {v[1] / l.kHi, l.kLo > 0 ? v[1] / l.kLo : kInf};
      return {};
    }
    case StageForm::kRcInverting:
      if (hpf) {
        // Cin, Rin, Rf: omega = 1 / (Rin Cin), K = Rf / Rin.
        if (part == 1) return l.OfRc(v[0]);
        if (part == 2) return {v[1] * l.kLo, v[1] * l.kHi};
        return {};
      }
      // Rin, Rf, Cf: omega = 1 / (Rf Cf), K = Rf / Rin.
      if (part == 1) return l.OfRc(v[2]);
      if (part == 0) return {v[1] / l.kHi, l.kLo > 0 ? v[1] / l.kLo : kInf};
      return {};
  }
  return {};
}

// sqrt(best) with a margin far above the rounding of the score and the
// windows' formulas.
double Allowance(double best) { return std::sqrt(best) * (1.0 + 1e-6) + 1e-9; }

// What the search needs of a stage's circuit: its windows and its score.
// The low-pass and high-pass forms of the sections, by their form.
struct SectionRules {
  StageForm form;
  bool hpf;
  Window At(int part, const std::vector<double>& v, const Limits& l) const { return WindowOf(form, hpf, part, v, l); }
  double Score(const StagePlan& plan, std::span<const double> v) const { return StageSeriesScore(plan, hpf, v); }
};

// The MFB band-pass section (R1 input, R2 divider, R3 feedback, C1 to the −
// input, C2 feedback): w0² = (1/R1 + 1/R2) / (R3 C1 C2), w0 / Q = (C1 + C2)
// / (R3 C1 C2), K = R3 C1 / (R1 (C1 + C2)). Taken C1, C2, R3, R1, R2.
constexpr int kBandPassOrder[] = {3, 4, 2, 0, 1};
constexpr std::string_view kBandPassLetters = "RRRCC";

struct BandPassRules {
  Window At(int part, const std::vector<double>& v, const Limits& l) const {
    const double c1 = v[3];
    if (part == 4) {
      // Q² >= K C2 / (C1 + C2) (R2 > 0): C1 / C2 >= Klo / Qhi² - 1.
      const double ratio = l.kLo / (l.qHi * l.qHi) - 1.0;
      return {0.0, ratio > 0 ? c1 / ratio : kInf};
    }
    const double c2 = v[4];
    const double sum = c1 + c2, cc = c1 * c2;
    if (part == 2) {
      // w0 / Q between wLo / Qhi and wHi / Qlo.
      return {l.qLo > 0 ? sum * l.qLo / (cc * l.wHi) : 0.0, l.wLo > 0 ? sum * l.qHi / (cc * l.wLo) : kInf};
    }
    const double r3 = v[2];
    if (part == 0) return {r3 * c1 / (sum * l.kHi), l.kLo > 0 ? r3 * c1 / (sum * l.kLo) : kInf};
    if (part == 1) {
      // 1/R2 = w0² R3 C1 C2 - 1/R1.
      const double rcc = (r3 * c1) * c2, g1 = 1.0 / v[0];
      const double gHi = l.wHi * l.wHi * rcc - g1, gLo = l.wLo * l.wLo * rcc - g1;
      if (!(gHi > 0)) return {kInf, 0};
      return {1.0 / gHi, gLo > 0 ? 1.0 / gLo : kInf};
    }
    return {};
  }
  double Score(const StagePlan& plan, std::span<const double> v) const {
    const StageFigures f = FiguresOfBandPass(v);
    double s = Relative(f.omega, plan.omega);
    if (!(f.q > 0)) return kInf;
    s = s + Relative(f.q, plan.q);
    s = s + Relative(f.gain, plan.gain);
    return std::isfinite(s) ? s : kInf;
  }
};

template <class Rules>
class StageSearch {
 public:
  StageSearch(RunState& run, const StagePlan& plan, const Rules& rules, std::string_view letters,
              std::vector<int> order, const std::vector<std::optional<double>>& fix, const PartSeries& series)
      : run_(run), plan_(plan), rules_(rules), letters_(letters), order_(std::move(order)), series_(series) {
    const std::size_t n = letters_.size();
    fixed_.assign(n, std::nullopt);
    for (std::size_t i = 0; i < n && i < fix.size(); ++i) fixed_[i] = fix[i];
    v_.assign(n, 0.0);
    index_.assign(n, -1);
    bestIndex_.assign(n, -1);
  }

  // Runs the search; false when the run was stopped.
  bool Run() {
    if (!Empty()) Walk(0);
    return !stopped_;
  }
  bool Found() const { return found_; }
  double Best() const { return best_; }
  std::vector<double> Values() const {
    std::vector<double> out(letters_.size(), 0.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
      if (fixed_[i]) {
        out[i] = *fixed_[i];
      } else if (found_) {
        out[i] = Series(static_cast<int>(i))[bestIndex_[i]];
      }
    }
    return out;
  }

 private:
  const series::SeriesLookup& Series(int part) const {
    return letters_[static_cast<std::size_t>(part)] == 'C' ? series_.Cap() : series_.Res();
  }
  // A free part whose series holds no value leaves nothing to search.
  bool Empty() const {
    for (std::size_t i = 0; i < letters_.size(); ++i) {
      if (!fixed_[i] && Series(static_cast<int>(i)).Last() < 0) return true;
    }
    return false;
  }

  void Offer() {
    ++evaluations;
    const double s = rules_.Score(plan_, v_);
    if (s < best_ || (found_ && s == best_ && index_ < bestIndex_)) {
      best_ = s;
      bestIndex_ = index_;
      found_ = true;
      ++improvements_;
    }
  }

  void Walk(std::size_t depth) {
    if (depth == order_.size()) {
      Offer();
      return;
    }
    const int part = order_[depth];
    const auto p = static_cast<std::size_t>(part);
    std::uint64_t seen = improvements_;
    Window w = rules_.At(part, v_, Limits(plan_, Allowance(best_)));
    if (fixed_[p]) {
      if (depth == 0) {
        if (run_.StopRequested()) {
          stopped_ = true;
          return;
        }
        run_.StepProgress();
      }
      const double x = *fixed_[p];
      if (!(x >= w.lo * series::kWidenDown && x <= w.hi * series::kWidenUp)) return;
      v_[p] = x;
      Walk(depth + 1);
      return;
    }
    const series::SeriesLookup& s = Series(part);
    // The window's indices: lo..hi without gapStart..gapEnd (the values
    // strictly inside the gap, the gap narrowed by the same margin).
    int lo = 0, hi = s.Last(), gapStart = 0, gapEnd = -1;
    auto indices = [&] {
      lo = w.lo > 0 ? s.LowIndex(w.lo) : 0;
      hi = std::isinf(w.hi) ? s.Last() : s.HighIndex(w.hi);
      gapStart = 0;
      gapEnd = -1;
      if (w.gapLo > 0 && w.gapLo * series::kWidenUp < w.gapHi * series::kWidenDown) {
        gapStart = s.LastAtMost(w.gapLo * series::kWidenUp) + 1;
        gapEnd = s.FirstAtLeast(w.gapHi * series::kWidenDown) - 1;
      }
    };
    if (depth > 0) indices();
    for (int i = lo; i <= hi; ++i) {
      if (depth == 0) {
        if (run_.StopRequested()) {
          stopped_ = true;
          return;
        }
        run_.StepProgress();
      } else {
        if (improvements_ != seen) {
          // A better best narrows the window.
          seen = improvements_;
          w = rules_.At(part, v_, Limits(plan_, Allowance(best_)));
          indices();
          i = std::max(i, lo);
        }
        if (i >= gapStart && i <= gapEnd) i = gapEnd + 1;
        if (i > hi) break;
      }
      v_[p] = s[i];
      index_[p] = i;
      Walk(depth + 1);
      if (stopped_) return;
    }
  }

  RunState& run_;
  const StagePlan& plan_;
  Rules rules_;
  std::string_view letters_;
  std::vector<int> order_;
  const PartSeries& series_;
  std::vector<std::optional<double>> fixed_;
  std::vector<double> v_;
  std::vector<int> index_;
  std::vector<int> bestIndex_;
  double best_ = kSectionSeriesLimit;
  bool found_ = false;
  bool stopped_ = false;
  std::uint64_t improvements_ = 0;
};

}  // namespace

StageFigures FiguresOfStage(StageForm form, bool hpf, std::span<const double> v) {
  StageFigures f;
  switch (form) {
    case StageForm::kSallenKey:
    case StageForm::kSallenKeyGain: {
      const bool gain = form == StageForm::kSallenKeyGain;
      const double ra = hpf ? v[2] : v[0], rb = hpf ? v[3] : v[1];
      const double ca = hpf ? v[0] : v[2], cb = hpf ? v[1] : v[3];
      f.omega = NaturalOmega(ra, rb, ca, cb);
      if (!gain) {
        f.q = hpf ? StageQuality(rb, ra, ca, cb) : StageQuality(ca, cb, ra, rb);
        f.gain = 1;
      } else {
        const double k1 = v[4] / v[5];
        const double d = hpf ? ra * (ca + cb) - k1 * rb * cb : cb * (ra + rb) - k1 * ra * ca;
        f.q = std::sqrt(((ra * rb) * ca) * cb) / d;
        f.gain = 1.0 + v[4] / v[5];
      }
      break;
    }
    case StageForm::kRcFollower:
    case StageForm::kRcGain:
      f.omega = ReciprocalProduct(hpf ? v[1] : v[0], hpf ? v[0] : v[1]);
      f.gain = form == StageForm::kRcGain ? 1.0 + v[2] / v[3] : 1.0;
      break;
    case StageForm::kMfb:
      if (hpf) {
        const double c1 = v[0], c2 = v[1], c3 = v[2], r1 = v[3], r2 = v[4];
        f.omega = 1.0 / std::sqrt(((r1 * r2) * c2) * c3);
        f.q = std::sqrt(r2 / r1) * std::sqrt(c2 * c3) / ((c1 + c2) + c3);
        f.gain = c1 / c2;
      } else {
        const double r1 = v[0], r2 = v[1], r3 = v[2], c1 = v[3], c2 = v[4];
        f.omega = 1.0 / std::sqrt(((r2 * r3) * c1) * c2);
        f.q = std::sqrt(c1 / ((c2 * r2) * r3)) / ((1.0 / r1 + 1.0 / r2) + 1.0 / r3);
        f.gain = r2 / r1;
      }
      break;
    case StageForm::kRcInverting:
      if (hpf) {
        f.omega = 1.0 / (v[1] * v[0]);
        f.gain = v[2] / v[1];
      } else {
        f.omega = 1.0 / (v[1] * v[2]);
        f.gain = v[1] / v[0];
      }
      break;
  }
  return f;
}

double StageSeriesScore(const StagePlan& plan, bool hpf, std::span<const double> values) {
  const StageFigures f = FiguresOfStage(plan.form, hpf, values);
  double s = Relative(f.omega, plan.omega);
  if (plan.order == 2) {
    if (!(f.q > 0)) return kInf;
    s = s + Relative(f.q, plan.q);
  }
  s = s + Relative(f.gain, plan.gain);
  return std::isfinite(s) ? s : kInf;
}

int SectionsSeriesSteps(const std::vector<StagePlan>& plans, bool hpf, const SectionFixes& fixes,
                        const PartSeries& series) {
  int steps = 0;
  for (std::size_t s = 0; s < plans.size(); ++s) {
    const std::string_view letters = StageFormLetters(plans[s].form, hpf);
    bool empty = false;
    for (std::size_t i = 0; i < letters.size(); ++i) {
      const bool fixed = s < fixes.size() && i < fixes[s].size() && fixes[s][i].has_value();
      const int last = letters[i] == 'C' ? series.CapLast() : series.ResLast();
      if (!fixed && last < 0) empty = true;
    }
    if (empty) continue;
    const auto outer = static_cast<std::size_t>(LoopOrder(plans[s].form, hpf)[0]);
    const bool fixed = s < fixes.size() && outer < fixes[s].size() && fixes[s][outer].has_value();
    steps += fixed ? 1 : (letters[outer] == 'C' ? series.CapLast() : series.ResLast()) + 1;
  }
  return steps;
}

SectionsDesign DesignSectionsFromSeries(RunState& run, const std::vector<StagePlan>& plans, bool hpf,
                                        const SectionFixes& fixes, const PartSeries& series) {
  SectionsDesign design;
  design.hpf = hpf;
  const std::vector<std::vector<std::string>> names = SectionPartNames(plans, hpf);
  const std::vector<std::optional<double>> none;
  bool stopped = false;
  for (std::size_t s = 0; s < plans.size(); ++s) {
    const auto& fix = s < fixes.size() ? fixes[s] : none;
    StageSearch search(run, plans[s], SectionRules{plans[s].form, hpf}, StageFormLetters(plans[s].form, hpf),
                       LoopOrder(plans[s].form, hpf), fix, series);
    if (!stopped) stopped = !search.Run();
    StageDesign stage;
    stage.plan = plans[s];
    stage.values = search.Values();
    if (!stopped && !search.Found()) {
      design.valid = false;
      std::string free;
      for (std::size_t i = 0; i < names[s].size(); ++i) {
        if (i < fix.size() && fix[i]) continue;
        free += (free.empty() ? "" : ", ") + names[s][i];
      }
      const std::string stageName = "第" + std::to_string(s + 1) + "段（" + FormName(plans[s].form) + "）";
      design.warnings.push_back(
          {free + kUnrealisable,
           stageName + ": " + free +
               " は選んだ系列と範囲の値では設定できません（f0, Q, 利得の誤差の二乗和が 0.01 "
               "未満になる組合せがありません）。範囲か系列を変えるか、固定した値を変えて下さい。"});
    }
    design.stages.push_back(std::move(stage));
  }
  if (stopped) design.valid = false;
  return design;
}

std::uint64_t SectionSeriesCandidates() { return evaluations; }

StageFigures FiguresOfBandPass(std::span<const double> v) {
  const double r1 = v[0], r2 = v[1], r3 = v[2], c1 = v[3], c2 = v[4];
  StageFigures f;
  f.omega = std::sqrt((1.0 / r1 + 1.0 / r2) / ((r3 * c1) * c2));
  f.q = f.omega * ((r3 * c1) * c2) / (c1 + c2);
  f.gain = (r3 * c1) / (r1 * (c1 + c2));
  return f;
}

namespace {

StagePlan PlanOfBandPass(const BandPassSection& s) { return {StageForm::kMfb, 2, 0, s.omega, s.q, s.gain}; }

}  // namespace

double BandPassSeriesScore(const BandPassSection& target, std::span<const double> values) {
  return BandPassRules{}.Score(PlanOfBandPass(target), values);
}

int BandPassSeriesSteps(const std::vector<BandPassSection>& sections, const SectionFixes& fixes,
                        const PartSeries& series) {
  int steps = 0;
  for (std::size_t s = 0; s < sections.size(); ++s) {
    auto fixed = [&](std::size_t i) { return s < fixes.size() && i < fixes[s].size() && fixes[s][i].has_value(); };
    bool empty = false;
    for (std::size_t i = 0; i < kBandPassLetters.size(); ++i) {
      const int last = kBandPassLetters[i] == 'C' ? series.CapLast() : series.ResLast();
      if (!fixed(i) && last < 0) empty = true;
    }
    if (empty) continue;
    const auto outer = static_cast<std::size_t>(kBandPassOrder[0]);
    steps += fixed(outer) ? 1 : series.CapLast() + 1;
  }
  return steps;
}

BandPassDesign DesignBandPassFromSeries(RunState& run, const std::vector<BandPassSection>& sections,
                                        const SectionFixes& fixes, const PartSeries& series) {
  BandPassDesign design;
  const std::vector<std::optional<double>> none;
  bool stopped = false;
  for (std::size_t s = 0; s < sections.size(); ++s) {
    const auto& fix = s < fixes.size() ? fixes[s] : none;
    const StagePlan plan = PlanOfBandPass(sections[s]);
    StageSearch search(run, plan, BandPassRules{}, kBandPassLetters,
                       std::vector<int>(std::begin(kBandPassOrder), std::end(kBandPassOrder)), fix, series);
    if (!stopped) stopped = !search.Run();
    BandPassStageDesign stage;
    stage.target = sections[s];
    const std::vector<double> values = search.Values();
    std::copy(values.begin(), values.end(), stage.values);
    if (!stopped && !search.Found()) {
      design.valid = false;
      std::string free;
      for (std::size_t i = 0; i < kBandPassLetters.size(); ++i) {
        if (i < fix.size() && fix[i]) continue;
        free += (free.empty() ? "" : ", ") + std::string(1, kBandPassLetters[i]) +
                std::to_string(kBandPassLetters[i] == 'C' ? 2 * s + (i - 2) : 3 * s + i + 1);
      }
      const std::string name = "段 " + std::to_string(s + 1);
      design.warnings.emplace_back(
          free + kUnrealisable, name + "（多重帰還バンドパス）: " + free +
                                    " は選んだ系列と範囲の値では設定できません（f0, Q, 利得の誤差の二乗和が 0.01 "
                                    "未満になる組合せがありません）。範囲か系列を変えるか、固定した値を変えて下さい。");
    }
    design.stages.push_back(stage);
  }
  if (stopped) design.valid = false;
  return design;
}

}  // namespace kelvara::engine
