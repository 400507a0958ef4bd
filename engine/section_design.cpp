#include "engine/section_design.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "engine/design_data.h"
#include "engine/stage_maths.h"
#include "engine/stages.h"

namespace kelvara::engine {
namespace {

struct FormInfo {
  std::string_view id;
  bool inverting;
  std::string_view lpfLetters;
  std::string_view hpfLetters;
  std::vector<std::string_view> lpfRoles;
  std::vector<std::string_view> hpfRoles;
  int filterParts;   // the parts before the feedback pair (all where it has none)
  const char* name;  // in the warnings
};

const FormInfo& InfoOf(StageForm form) {
  static const FormInfo kForms[] = {
      {"sallen-key", false, "RRCC", "CCRR", {"Ra", "Rb", "Ca", "Cb"}, {"Ca", "Cb", "Ra", "Rb"}, 4, "サレンキー"},
      {"rc-follower", false, "RC", "CR", {"R", "C"}, {"C", "R"}, 2, "一次 RC"},
      {"sallen-key-gain",
       false,
       "RRCCRR",
       "CCRRRR",
       {"Ra", "Rb", "Ca", "Cb", "Rf", "Rg"},
       {"Ca", "Cb", "Ra", "Rb", "Rf", "Rg"},
       4,
       "利得付きサレンキー"},
      {"rc-gain", false, "RCRR", "CRRR", {"R", "C", "Rf", "Rg"}, {"C", "R", "Rf", "Rg"}, 2, "利得付き一次 RC"},
      {"mfb",
       true,
       "RRRCC",
       "CCCRR",
       {"Rin", "Rf", "Rm", "Cs", "Cf"},
       {"Cin", "Cf", "Cm", "Rs", "Rf"},
       5,
       "多重帰還（MFB）"},
      {"rc-inverting", true, "RRC", "CRR", {"Rin", "Rf", "Cf"}, {"Cin", "Rin", "Rf"}, 3, "反転一次 RC"},
  };
  return kForms[static_cast<int>(form)];
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

bool SameRatio(double a, double b) { return std::fabs(a / b - 1.0) <= 1e-9; }

const Band& BandOf(double omega) { return BuildDesignData().BandTable[BandIndex(omega)]; }

// The Sallen-Key form's y: sqrt(Ca / Cb) of the equal-resistor low-pass and
// sqrt(Rb / Ra) of the equal-capacitor high-pass, 4 Q / (1 + sqrt(1 + 8 Q² (K - 1))).
double SallenKeyY(double q, double k) { return 4.0 * q / (1.0 + std::sqrt(1.0 + 8.0 * std::pow(q, 2.0) * (k - 1.0))); }

// The free design of a stage, in its layout's order.
std::vector<double> FreeDesign(const StagePlan& p, bool hpf) {
  const double w = p.omega, q = p.q, k = p.gain;
  const Band& band = BandOf(w);
  switch (p.form) {
    case StageForm::kSallenKey: {
      // As the sheet designs it (StageFreeLpf, StageFreeHpf).
      if (hpf) {
        const double c = band.startC;
        const double t = ReciprocalProduct(w, c);
        const double rb = 2 * q * t;
        return {c, c, t * t / rb, rb};
      }
      const double r = band.startR;
      const double t = ReciprocalProduct(w, r);
      const double ca = 2 * q * t;
      return {r, r, ca, t * t / ca};
    }
    case StageForm::kRcFollower:
    case StageForm::kRcGain: {
      const double r = band.startR;
      const double c = ReciprocalProduct(w, r);
      std::vector<double> v = hpf ? std::vector<double>{c, r} : std::vector<double>{r, c};
      if (p.form == StageForm::kRcGain) {
        v.push_back(k * kGainPairOhms);
        v.push_back(k * kGainPairOhms / (k - 1.0));
      }
      return v;
    }
    case StageForm::kSallenKeyGain: {
      const double y = SallenKeyY(q, k);
      const double rf = k * kGainPairOhms, rg = k * kGainPairOhms / (k - 1.0);
      if (hpf) {
        const double c = band.startC;
        const double t = ReciprocalProduct(w, c);
        return {c, c, t / y, t * y, rf, rg};
      }
      const double r = band.startR;
      const double t = ReciprocalProduct(w, r);
      return {r, r, t * y, t / y, rf, rg};
    }
    case StageForm::kMfb: {
      if (hpf) {
        const double c1 = band.startC, c2 = c1 / k, c3 = c1;
        const double sum = (c1 + c2) + c3;
        return {c1, c2, c3, 1.0 / ((w * q) * sum), q * sum / ((w * c2) * c3)};
      }
      const double c2 = band.startC;
      const double c1 = c2 * (4.0 * std::pow(q, 2.0) * (1.0 + k) * kMfbRatioMargin);
      return {0, 0, 0, c1, c2};  // the resistors follow from the capacitors
    }
    case StageForm::kRcInverting: {
      const double c = band.startC;
      const double r = ReciprocalProduct(w, c);
      if (hpf) return {c, r, k * r};
      return {r / k, r, c};
    }
  }
  return {};
}

// A refusal: the parts to change and what to do.
struct Refusal {
  std::vector<int> parts;  // layout indices
  std::string text;
};

// The resistors of a stage from its capacitors (v holds them in place).
std::optional<Refusal> ResistorsFromCapacitors(const StagePlan& p, bool hpf, std::vector<double>& v,
                                               const std::vector<bool>& fixed, const std::vector<std::string>& names,
                                               const std::string& stage) {
  const double w = p.omega, q = p.q, k = p.gain;
  switch (p.form) {
    case StageForm::kSallenKey:
    case StageForm::kSallenKeyGain: {
      if (hpf) {
        // (Ca + Cb) Ra² - Ra / (omega Q) - (K - 1) Cb P = 0, P = Ra Rb = 1 / (omega² Ca Cb).
        const double ca = v[0], cb = v[1];
        const double prod = 1.0 / (((w * w) * ca) * cb);
        const double a = ca + cb, b = 1.0 / (w * q), c = (k - 1.0) * cb * prod;
        const double ra = (b + std::sqrt(b * b + 4.0 * a * c)) / (2.0 * a);
        v[2] = ra;
        v[3] = prod / ra;
        return std::nullopt;
      }
      // (Cb - (K - 1) Ca) Ra² - Ra / (omega Q) + Cb P = 0.
      const double ca = v[2], cb = v[3];
      const double prod = 1.0 / (((w * w) * ca) * cb);
      const double a = cb - (k - 1.0) * ca, b = 1.0 / (w * q), c = cb * prod;
      const double disc = b * b - 4.0 * a * c;
      if (disc < 0) {
        const double least = 4.0 * std::pow(q, 2.0) / (1.0 + 4.0 * std::pow(q, 2.0) * (k - 1.0));
        return Refusal{{2, 3},
                       stage + ": 固定した " + names[2] + "/" + names[3] + " = " + Number(ca / cb) + " は Q " +
                           Number(q) + " に " + Number(least) + " 以上が必要です。" + names[2] + " を大きくするか " +
                           names[3] + " を小さくして下さい。"};
      }
      const double half = (b + std::sqrt(disc)) / 2.0;
      double ra = c / half;
      if (a > 0) {
        // Two roots: the resistors nearest to equal.
        const double other = half / a, equal = std::sqrt(prod);
        if (std::fabs(std::log(other / equal)) < std::fabs(std::log(ra / equal))) ra = other;
      }
      v[0] = ra;
      v[1] = prod / ra;
      return std::nullopt;
    }
    case StageForm::kMfb: {
      if (hpf) {
        // C1 / C2 is the gain; C3 = C1 where it is free.
        if (fixed[0] && fixed[1]) {
          if (!SameRatio(v[0] / v[1], k)) {
            return Refusal{{0, 1},
                           stage + ": 固定した " + names[0] + "/" + names[1] + " = " + Number(v[0] / v[1]) +
                               " は段の利得 " + Number(k) + " と合いません。どちらかの固定を外して下さい。"};
          }
        } else if (fixed[0]) {
          v[1] = v[0] / k;
        } else {
          v[0] = k * v[1];
        }
        if (!fixed[2]) v[2] = v[0];
        const double c1 = v[0], c2 = v[1], c3 = v[2];
        const double sum = (c1 + c2) + c3;
        v[3] = 1.0 / ((w * q) * sum);
        v[4] = q * sum / ((w * c2) * c3);
        return std::nullopt;
      }
      // (1 + K) G² - (omega C1 / Q) G + omega² C1 C2 = 0 for G2 = 1/R2.
      const double c1 = v[3], c2 = v[4];
      const double a = 1.0 + k, b = w * c1 / q, c = ((w * w) * c1) * c2;
      const double disc = b * b - 4.0 * a * c;
      if (disc < 0) {
        const double least = 4.0 * std::pow(q, 2.0) * (1.0 + k);
        return Refusal{{3, 4},
                       stage + ": 固定した " + names[3] + "/" + names[4] + " = " + Number(c1 / c2) +
                           " は 4Q²(1+K) = " + Number(least) + " 以上が必要です。" + names[3] + " を大きくするか " +
                           names[4] + " を小さくして下さい。"};
      }
      const double half = (b + std::sqrt(disc)) / 2.0;
      const double g2 = c / half;  // the smaller root
      const double g3 = b - a * g2;
      v[1] = 1.0 / g2;
      v[2] = 1.0 / g3;
      v[0] = v[1] / k;
      return std::nullopt;
    }
    default:
      break;
  }
  return std::nullopt;
}

std::string JoinNames(const std::vector<int>& parts, const std::vector<std::string>& names) {
  std::string text;
  for (const int i : parts) text += (text.empty() ? "" : ", ") + names[i];
  return text;
}

// Designs one stage into v; a refusal leaves v with the fixed values and 0.
std::optional<Refusal> DesignStage(const StagePlan& p, bool hpf, const std::vector<std::optional<double>>& fix,
                                   const std::vector<std::string>& names, int number, std::vector<double>& v) {
  const FormInfo& info = InfoOf(p.form);
  const std::string_view letters = hpf ? info.hpfLetters : info.lpfLetters;
  const int count = static_cast<int>(letters.size());
  const std::string stage = "第" + std::to_string(number) + "段（" + info.name + "）";
  v = FreeDesign(p, hpf);
  v.resize(static_cast<std::size_t>(count));
  std::vector<bool> fixed(static_cast<std::size_t>(count), false);
  for (int i = 0; i < count && i < static_cast<int>(fix.size()); ++i) fixed[i] = fix[i].has_value();

  // The feedback pair.
  if (info.filterParts < count) {
    const int f = info.filterParts, g = f + 1;
    const double k1 = p.gain - 1.0;
    if (fixed[f] && fixed[g]) {
      if (!SameRatio(*fix[f] / *fix[g], k1)) {
        return Refusal{{f, g},
                       stage + ": 固定した " + names[f] + "/" + names[g] + " = " + Number(*fix[f] / *fix[g]) +
                           " は段の利得 " + Number(p.gain) + " の " + Number(k1) +
                           " と合いません。どちらかの固定を外して下さい。"};
      }
      v[f] = *fix[f];
      v[g] = *fix[g];
    } else if (fixed[f]) {
      v[f] = *fix[f];
      v[g] = v[f] / k1;
    } else if (fixed[g]) {
      v[g] = *fix[g];
      v[f] = v[g] * k1;
    }
  }

  // The filter's parts.
  std::vector<int> fixedParts;
  bool onlyCapacitors = true;
  for (int i = 0; i < info.filterParts; ++i) {
    if (!fixed[i]) continue;
    fixedParts.push_back(i);
    onlyCapacitors = onlyCapacitors && letters[i] == 'C';
  }
  const int fixedCount = static_cast<int>(fixedParts.size());
  const bool mfbLpf = p.form == StageForm::kMfb && !hpf;
  if (fixedCount == info.filterParts) {
    for (int i = 0; i < info.filterParts; ++i) v[i] = *fix[i];
  } else if (fixedCount <= 1) {
    if (mfbLpf) ResistorsFromCapacitors(p, hpf, v, fixed, names, stage);  // the free capacitors' resistors
    if (fixedCount == 1) {
      const int i = fixedParts[0];
      const double z = letters[i] == 'R' ? *fix[i] / v[i] : v[i] / *fix[i];
      for (int j = 0; j < info.filterParts; ++j) v[j] = letters[j] == 'R' ? v[j] * z : v[j] / z;
      v[i] = *fix[i];
    }
  } else if (onlyCapacitors) {
    for (const int i : fixedParts) v[i] = *fix[i];
    if (auto refusal = ResistorsFromCapacitors(p, hpf, v, fixed, names, stage)) return refusal;
  } else {
    return Refusal{
        fixedParts,
        stage + ": " + JoinNames(fixedParts, names) +
            " を固定した組合せは設計できません。コンデンサだけを固定するか、固定する部品を一つにして下さい。"};
  }

  std::vector<int> bad;
  for (int i = 0; i < count; ++i) {
    if (!(std::isfinite(v[i]) && v[i] > 0)) bad.push_back(i);
  }
  if (!bad.empty()) {
    return Refusal{bad, stage + ": " + JoinNames(bad, names) + " が正の値になりません。固定した値を変えて下さい。"};
  }
  return std::nullopt;
}

}  // namespace

std::string_view StageFormId(StageForm form) { return InfoOf(form).id; }
bool StageFormInverting(StageForm form) { return InfoOf(form).inverting; }
std::string_view StageFormLetters(StageForm form, bool hpf) {
  return hpf ? InfoOf(form).hpfLetters : InfoOf(form).lpfLetters;
}
std::vector<std::string_view> StageFormRoles(StageForm form, bool hpf) {
  return hpf ? InfoOf(form).hpfRoles : InfoOf(form).lpfRoles;
}

values::Checked<std::vector<StagePlan>, SectionPlanField> PlanSections(const SectionPlanInputs& inputs,
                                                                       const StageTargets& targets) {
  using Problem = values::InputProblem<SectionPlanField>;
  const int order = std::clamp(inputs.order, values::kMinOrder, values::kMaxOrder);
  const int count = StageCount(order);
  auto inRange = [](double v, double lo, double hi) { return std::isfinite(v) && v >= lo && v <= hi; };
  const std::string gainRange = Number(kMinFilterGain) + "..." + Number(kMaxFilterGain);
  if (inputs.gain && !inRange(*inputs.gain, kMinFilterGain, kMaxFilterGain)) {
    return Problem{SectionPlanField::kGain, "利得 " + Number(*inputs.gain) + " は " + gainRange + " の範囲外です。",
                   ""};
  }
  std::vector<double> gains;
  if (!inputs.stageGains.empty()) {
    if (static_cast<int>(inputs.stageGains.size()) != count) {
      return Problem{SectionPlanField::kStageGains,
                     "段の利得が " + std::to_string(inputs.stageGains.size()) + " 個です。" + std::to_string(order) +
                         " 次のフィルタは " + std::to_string(count) + " 段なので " + std::to_string(count) +
                         " 個設定下さい。",
                     ""};
    }
    double product = 1;
    for (const double g : inputs.stageGains) {
      if (!inRange(g, kMinStageGain, kMaxStageGain)) {
        return Problem{SectionPlanField::kStageGains,
                       "段の利得 " + Number(g) + " は " + Number(kMinStageGain) + "..." + Number(kMaxStageGain) +
                           " の範囲外です。",
                       ""};
      }
      product *= g;
    }
    if (inputs.gain && !(std::fabs(product / *inputs.gain - 1.0) <= 1e-9)) {
      return Problem{SectionPlanField::kStageGains,
                     "段の利得の積 " + Number(product) + " が利得 " + Number(*inputs.gain) + " と一致しません。", ""};
    }
    if (!inputs.gain && !inRange(product, kMinFilterGain, kMaxFilterGain)) {
      return Problem{SectionPlanField::kStageGains,
                     "段の利得の積 " + Number(product) + " は " + gainRange + " の範囲外です。", ""};
    }
    gains = inputs.stageGains;
  } else {
    const double total = inputs.gain.value_or(1.0);
    gains.assign(static_cast<std::size_t>(count), count == 1 ? total : std::pow(total, 1.0 / count));
  }
  const bool mfb = inputs.family == SectionFamily::kMfb;
  for (const double g : gains) {
    if (!mfb && g < 1.0) {
      return Problem{inputs.stageGains.empty() ? SectionPlanField::kGain : SectionPlanField::kStageGains,
                     "サレンキーの段の利得 1 + Rf/Rg は 1 以上です（" + Number(g) +
                         "）。1 より小さい利得は多重帰還（MFB）で設計下さい。",
                     ""};
    }
  }

  std::vector<StagePlan> plans;
  for (int s = 0; s < count; ++s) {
    StagePlan p;
    p.slot = s;
    p.order = s == 0 && order % 2 == 1 ? 1 : 2;
    p.omega = targets.stageOmega[s];
    p.q = p.order == 1 ? 0.0 : targets.stageQ[s];
    plans.push_back(p);
  }
  if (inputs.stageOrder == StageOrder::kDescendingQ) {
    std::stable_sort(plans.begin(), plans.end(), [](const StagePlan& a, const StagePlan& b) { return a.q > b.q; });
  } else {
    std::stable_sort(plans.begin(), plans.end(), [](const StagePlan& a, const StagePlan& b) { return a.q < b.q; });
  }
  for (int s = 0; s < count; ++s) {
    StagePlan& p = plans[s];
    p.gain = gains[s];
    if (mfb) {
      p.form = p.order == 1 ? StageForm::kRcInverting : StageForm::kMfb;
    } else if (p.gain == 1.0) {
      p.form = p.order == 1 ? StageForm::kRcFollower : StageForm::kSallenKey;
    } else {
      p.form = p.order == 1 ? StageForm::kRcGain : StageForm::kSallenKeyGain;
    }
  }
  return plans;
}

std::vector<std::vector<std::string>> SectionPartNames(const std::vector<StagePlan>& plans, bool hpf) {
  std::vector<std::vector<std::string>> names;
  int next[2] = {1, 1};
  for (const StagePlan& p : plans) {
    std::vector<std::string> stage;
    for (const char letter : StageFormLetters(p.form, hpf)) {
      int& number = next[letter == 'C' ? 1 : 0];
      stage.push_back(std::string(1, letter) + std::to_string(number++));
    }
    names.push_back(std::move(stage));
  }
  return names;
}

values::Checked<SectionFixes, SectionFixField> FixesOf(const std::vector<StagePlan>& plans, bool hpf,
                                                       const std::vector<std::pair<std::string, double>>& fixed) {
  const std::vector<std::vector<std::string>> names = SectionPartNames(plans, hpf);
  SectionFixes fixes;
  for (const auto& stage : names) fixes.emplace_back(stage.size());
  for (const auto& [name, value] : fixed) {
    bool found = false;
    for (std::size_t s = 0; s < names.size() && !found; ++s) {
      for (std::size_t i = 0; i < names[s].size() && !found; ++i) {
        if (names[s][i] != name) continue;
        fixes[s][i] = value;
        found = true;
      }
    }
    if (!found) {
      std::string all;
      for (const auto& stage : names) {
        for (const std::string& n : stage) all += (all.empty() ? "" : " ") + n;
      }
      return values::InputProblem<SectionFixField>{SectionFixField::kPartName,
                                                   "部品 " + name + " はこの設計にありません（" + all + "）。", name};
    }
  }
  return fixes;
}

SectionsDesign DesignSections(const std::vector<StagePlan>& plans, bool hpf, const SectionFixes& fixes) {
  SectionsDesign design;
  design.hpf = hpf;
  const std::vector<std::vector<std::string>> names = SectionPartNames(plans, hpf);
  for (std::size_t s = 0; s < plans.size(); ++s) {
    StageDesign stage;
    stage.plan = plans[s];
    const std::vector<std::optional<double>> none;
    const auto& fix = s < fixes.size() ? fixes[s] : none;
    if (auto refusal = DesignStage(plans[s], hpf, fix, names[s], static_cast<int>(s) + 1, stage.values)) {
      design.valid = false;
      for (std::size_t i = 0; i < stage.values.size(); ++i) {
        stage.values[i] = i < fix.size() && fix[i] ? *fix[i] : 0.0;
      }
      design.warnings.push_back({JoinNames(refusal->parts, names[s]) + kUnrealisable, refusal->text});
    }
    design.stages.push_back(std::move(stage));
  }
  return design;
}

}  // namespace kelvara::engine
