#include "tolerance/study.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "response/circuit.h"
#include "values/eng_value.h"

namespace kelvara::tolerance {
namespace {

StudyProblem Problem(StudyField field, std::string message, std::string part = {}) {
  return StudyProblem{field, std::move(message), std::move(part)};
}

std::string Trimmed(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// An engineering value above 0 and finite, else 0.
double Positive(const std::string& text) {
  const double v = values::ParseEngValue(Trimmed(text));
  return v > 0 && std::isfinite(v) ? v : 0;
}

bool InRange(double v, double lo, double hi) { return v >= lo && v <= hi; }

std::string PercentRange(double hi) { return "0 ～ " + std::to_string(static_cast<int>(hi)) + " % を設定下さい。"; }

bool SameRequest(const DesignRequest& x, const DesignRequest& y) {
  return x.cutoffHz == y.cutoffHz && x.passKind == y.passKind && x.circuit == y.circuit &&
         x.orderIndex == y.orderIndex && x.response == y.response && x.rippleIndex == y.rippleIndex &&
         x.evenOrder == y.evenOrder;
}

bool SameMask(const std::optional<GainMask>& x, const std::optional<GainMask>& y) {
  if (x.has_value() != y.has_value()) return false;
  return !x || (x->passHz == y->passHz && x->passDb == y->passDb && x->stopHz == y->stopHz && x->stopDb == y->stopDb);
}

bool SameBandPassMask(const std::optional<BandPassLimits>& x, const std::optional<BandPassLimits>& y) {
  if (x.has_value() != y.has_value()) return false;
  if (!x) return true;
  const response::BandPassMask &a = x->mask, &b = y->mask;
  return a.fs1 == b.fs1 && a.fp1 == b.fp1 && a.fp2 == b.fp2 && a.fs2 == b.fs2 && a.ap == b.ap && a.as == b.as &&
         x->nominalDb == y->nominalDb;
}

// The same sections with the same values and tolerances (both none: the
// sheet's design).
bool SameSections(const ToleranceDesign& x, const ToleranceDesign& y) {
  if (x.sections.size() != y.sections.size()) return false;
  for (std::size_t k = 0; k < x.sections.size(); ++k) {
    const response::Section& a = x.sections[k];
    const response::Section& b = y.sections[k];
    if (a.topology != b.topology || a.kind != b.kind || a.PartCount() != b.PartCount()) return false;
    for (int i = 0; i < a.PartCount(); ++i) {
      if (a.values[i] != b.values[i] || a.ids[i].letter != b.ids[i].letter || a.ids[i].number != b.ids[i].number) {
        return false;
      }
      if (x.tolerances.PctOf(a.ids[i]) != y.tolerances.PctOf(b.ids[i])) return false;
    }
  }
  return true;
}

}  // namespace

values::Checked<GainMask, StudyField> ReadGainMask(const GainMaskTexts& texts, std::uint8_t passKind) {
  GainMask mask{Positive(texts.passHz), Positive(texts.passDb), Positive(texts.stopHz), Positive(texts.stopDb)};
  if (mask.passHz == 0) return Problem(StudyField::kMaskPassHz, "通過域 fp が不正: 0 より大きい周波数を設定下さい。");
  if (mask.passDb == 0) return Problem(StudyField::kMaskPassDb, "通過域 ±a が不正: 0 より大きい値を設定下さい。");
  if (mask.stopHz == 0) return Problem(StudyField::kMaskStopHz, "阻止域 fs が不正: 0 より大きい周波数を設定下さい。");
  if (mask.stopDb == 0) return Problem(StudyField::kMaskStopDb, "阻止域 -b が不正: 0 より大きい値を設定下さい。");
  if (!(mask.stopDb > mask.passDb)) {
    return Problem(StudyField::kMaskStopDb, "阻止域 -b が不正: 通過域 ±a より大きい値を設定下さい。");
  }
  if (passKind == engine::kHpf && !(mask.passHz > mask.stopHz)) {
    return Problem(StudyField::kMaskPassHz, "マスクが逆: HPF では通過域 fp を阻止域 fs より高く設定下さい。");
  }
  if (passKind != engine::kHpf && !(mask.passHz < mask.stopHz)) {
    return Problem(StudyField::kMaskPassHz, "マスクが逆: LPF では通過域 fp を阻止域 fs より低く設定下さい。");
  }
  return mask;
}

values::Checked<response::BandPassMask, StudyField> ReadBandPassMask(const BandPassMaskTexts& texts) {
  struct Field {
    const std::string& text;
    StudyField field;
    const char* name;
  };
  const Field fields[] = {
      {texts.fs1, StudyField::kMaskStopLowHz, "阻止域 fs1"},  {texts.fp1, StudyField::kMaskPassLowHz, "通過域 fp1"},
      {texts.fp2, StudyField::kMaskPassHighHz, "通過域 fp2"}, {texts.fs2, StudyField::kMaskStopHighHz, "阻止域 fs2"},
      {texts.ap, StudyField::kMaskPassDb, "通過域 Ap"},       {texts.as, StudyField::kMaskStopDb, "阻止域 As"}};
  double v[6];
  for (int i = 0; i < 6; ++i) {
    v[i] = Positive(fields[i].text);
    if (v[i] == 0) {
      return Problem(fields[i].field, std::string(fields[i].name) + " が不正: 0 より大きい" +
                                          (i < 4 ? "周波数" : "値") + "を設定下さい。");
    }
  }
  for (int i = 1; i < 4; ++i) {
    if (!(v[i] > v[i - 1])) {
      return Problem(fields[i].field, std::string("マスクの周波数が逆: ") + fields[i].name + " を " +
                                          fields[i - 1].name + " より高く設定下さい（fs1 < fp1 < fp2 < fs2）。");
    }
  }
  if (!(v[5] > v[4])) return Problem(StudyField::kMaskStopDb, "阻止域 As が不正: 通過域 Ap より大きい値を設定下さい。");
  return response::BandPassMask{v[0], v[1], v[2], v[3], v[4], v[5]};
}

std::optional<double> ReadPartTolerance(const std::string& text) {
  if (text.empty() || text.front() == ' ' || text.front() == '+') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double pct = std::strtod(text.c_str(), &end);
  if (*end != '\0' || errno != 0 || !InRange(pct, 0, kMaxPartTolerancePct)) return std::nullopt;
  return pct;
}

bool ReadPartName(const std::string& name, bool& capacitor, int& index) {
  if (name.size() != 2 || (name[0] != 'R' && name[0] != 'C') || name[1] < '1' || name[1] > '8') return false;
  capacitor = name[0] == 'C';
  index = name[1] - '1';
  return true;
}

std::optional<response::SectionPartId> ReadCircuitPartName(const std::string& name) {
  if (name.size() < 2 || name.size() > 4 || (name[0] != 'R' && name[0] != 'C') || name[1] == '0') return std::nullopt;
  int number = 0;
  for (std::size_t i = 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    number = number * 10 + (name[i] - '0');
  }
  return response::SectionPartId{name[0], number};
}

values::Checked<StudyPlan, StudyField> PlanStudy(const StudyInputs& in) {
  StudyPlan plan;
  plan.monteCarlo = in.monteCarlo;
  plan.worstCase = in.worstCase;
  plan.failingCurves = in.failingCurves && in.monteCarlo;
  if (in.monteCarlo && !InRange(in.trials, kMinTrials, kMaxTrials)) {
    return Problem(StudyField::kTrials, "試行回数が不正: " + std::to_string(kMinTrials) + " ～ " +
                                            std::to_string(kMaxTrials) + " を設定下さい。");
  }
  if (!InRange(in.rPct, 0, kMaxPartTolerancePct)) {
    return Problem(StudyField::kResistorTolerance, "抵抗の公差が不正: " + PercentRange(kMaxPartTolerancePct));
  }
  if (!InRange(in.cPct, 0, kMaxPartTolerancePct)) {
    return Problem(StudyField::kCapacitorTolerance, "コンデンサの公差が不正: " + PercentRange(kMaxPartTolerancePct));
  }
  if (!InRange(in.gbwPct, 0, kMaxGbwTolerancePct)) {
    return Problem(StudyField::kGbwTolerance, "GBWの公差が不正: " + PercentRange(kMaxGbwTolerancePct));
  }
  if (!response::HasGbw(in.opamp) && in.gbwPct > 0) {
    return Problem(StudyField::kGbwTolerance, "GBWの公差は実オペアンプでのみ指定できます。");
  }
  ToleranceDesign& design = plan.config.design;
  design.request = in.request;
  design.parts = in.parts;
  design.opamp = in.opamp;
  design.distribution = in.distribution;
  design.tolerances = Tolerances::Uniform(in.rPct, in.cPct);
  design.tolerances.gbwPct = in.gbwPct;
  design.sections = in.sections;
  const bool sections = !in.sections.empty();
  // The design's own parts, from its circuit.
  std::vector<std::string> names;
  int resistors = 0, capacitors = 0;
  const response::CircuitModel circuit =
      sections ? response::CircuitOfSections(in.sections, {}) : response::MakeCircuit(in.request, in.parts);
  for (const response::CircuitPart& part : response::PartsOf(circuit)) {
    names.push_back(response::PartName(part.id));
    ++(part.id.letter == 'C' ? capacitors : resistors);
  }
  for (const auto& [name, text] : in.partPcts) {
    bool capacitor = false;
    int index = 0;
    const std::optional<response::SectionPartId> id = ReadCircuitPartName(name);
    if (sections ? !id : !ReadPartName(name, capacitor, index)) {
      const std::string all = sections ? "R1～R" + std::to_string(resistors) + ", C1～C" + std::to_string(capacitors)
                                       : std::string("R1～R8, C1～C8");
      return Problem(StudyField::kPartTolerance, "部品名 " + name + " が不正: " + all + " を指定下さい。", name);
    }
    if (std::find(names.begin(), names.end(), name) == names.end()) {
      return Problem(StudyField::kPartTolerance,
                     "部品名 " + name + " はこの設計にありません: R1～R" + std::to_string(resistors) + ", C1～C" +
                         std::to_string(capacitors) + " を指定下さい。",
                     name);
    }
    const std::string trimmed = Trimmed(text);
    if (trimmed.empty()) continue;  // the default of its kind
    const std::optional<double> pct = ReadPartTolerance(trimmed);
    if (!pct) {
      return Problem(StudyField::kPartTolerance,
                     name + " の公差が不正: " + PercentRange(kMaxPartTolerancePct) + "（空欄: 既定の公差）", name);
    }
    design.tolerances.SetPct(*id, *pct);
  }
  if (in.worstCase && CornerBits(design) > kMaxCornerBits) {
    return Problem(StudyField::kPartTolerance,
                   "最悪値解析の頂点が多すぎます（公差のある部品 " + std::to_string(CornerBits(design)) +
                       " 個）: 公差 0 の部品を指定して " + std::to_string(kMaxCornerBits) + " 個以下にして下さい。");
  }
  plan.config.trials = in.trials;
  plan.config.seed = in.seed;
  plan.config.frequencies = in.frequencies;
  plan.config.phaseBand = in.phaseBand;
  plan.config.delayBand = in.delayBand;
  plan.worstFrequencies = in.worstFrequencies.empty() ? DefaultWorstCaseFrequencies(in.request) : in.worstFrequencies;
  if (in.bandPassMask) {
    if (!response::IsOrdered(in.bandPassMask->mask)) {
      return Problem(StudyField::kMaskPassHz, "マスクが不正: fs1 < fp1 < fp2 < fs2、0 < ap < as の順に設定下さい。");
    }
    const response::BandPassMask& m = in.bandPassMask->mask;
    plan.config.bandPassMask = in.bandPassMask;
    for (const double f : {m.fs1, m.fp1, m.fp2, m.fs2}) {
      if (std::find(plan.worstFrequencies.begin(), plan.worstFrequencies.end(), f) == plan.worstFrequencies.end()) {
        plan.worstFrequencies.push_back(f);
      }
    }
  }
  if (in.mask) {
    auto mask = ReadGainMask(*in.mask, in.request.passKind);
    if (auto* problem = std::get_if<StudyProblem>(&mask)) return *problem;
    plan.config.mask = std::get<GainMask>(mask);
    plan.worstFrequencies.push_back(plan.config.mask->passHz);
    plan.worstFrequencies.push_back(plan.config.mask->stopHz);
  }
  return plan;
}

std::optional<StudyResult> RunStudy(const StudyPlan& plan, const RunOptions& options) {
  StudyResult result;
  const auto progress = options.progress;
  const double share = plan.monteCarlo && plan.worstCase ? 0.5 : 1.0;
  if (plan.monteCarlo) {
    RunOptions mc = options;
    if (progress) mc.progress = [progress, share](double f) { progress(f * share); };
    result.monteCarlo = RunMonteCarlo(plan.config, mc);
    if (!result.monteCarlo) return std::nullopt;
  }
  if (plan.worstCase) {
    RunOptions wc = options;
    const double base = 1 - share;
    if (progress) wc.progress = [progress, base, share](double f) { progress(base + share * f); };
    result.worstCase = RunWorstCase(plan.config.design, plan.worstFrequencies, wc);
    if (!result.worstCase) return std::nullopt;  // stopped: no half a result
  }
  if (plan.failingCurves && result.monteCarlo && result.monteCarlo->yield) {
    FailingCurves curves;
    curves.frequencies = plan.config.frequencies;
    const std::vector<int>& failing = result.monteCarlo->yield->failing;
    curves.failing = static_cast<int>(failing.size());
    for (std::size_t k = 0; k < failing.size() && k < std::size_t(kMaxFailingCurves); ++k) {
      if (options.stop.stop_requested()) return std::nullopt;
      const Trial trial = TrialOf(plan.config.design, plan.config.seed, failing[k]);
      std::vector<double> gain;
      gain.reserve(curves.frequencies.size());
      if (!trial.sections.empty()) {
        const response::CircuitModel model = response::CircuitOfSections(trial.sections, trial.opamp);
        for (double f : curves.frequencies) gain.push_back(response::CircuitGainDb(model, f));
      } else {
        const response::OpAmpCircuit circuit = response::CircuitFromComponents(plan.config.design.request, trial.parts);
        for (double f : curves.frequencies) gain.push_back(response::CircuitGainDb(circuit, trial.opamp, f));
      }
      curves.gainDb.push_back(std::move(gain));
    }
    result.failing = std::move(curves);
  }
  return result;
}

bool SameStudy(const StudyPlan& a, const StudyPlan& b) {
  const ToleranceDesign& x = a.config.design;
  const ToleranceDesign& y = b.config.design;
  if (!SameRequest(x.request, y.request) || !response::SameGain(x.opamp, y.opamp)) return false;
  if (x.distribution != y.distribution || x.tolerances.gbwPct != y.tolerances.gbwPct) return false;
  if (!SameSections(x, y)) return false;
  for (int i = 0; i < x.request.Order() && i < kMaxParts; ++i) {
    if (x.sections.empty() && (x.parts.r[i] != y.parts.r[i] || x.parts.c[i] != y.parts.c[i])) return false;
    if (x.tolerances.rPct[i] != y.tolerances.rPct[i] || x.tolerances.cPct[i] != y.tolerances.cPct[i]) return false;
  }
  return a.monteCarlo == b.monteCarlo && a.config.trials == b.config.trials && a.config.seed == b.config.seed &&
         SameMask(a.config.mask, b.config.mask) && SameBandPassMask(a.config.bandPassMask, b.config.bandPassMask);
}

}  // namespace kelvara::tolerance
