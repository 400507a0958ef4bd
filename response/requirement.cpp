#include "response/requirement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "response/cascade_extremes.h"
#include "response/opamp_analysis.h"
#include "response/time_response.h"
#include "values/eng_value.h"
#include "values/section_record.h"

namespace kelvara::response {
namespace {

// Reasons a candidate does not meet (the program's own texts).
constexpr const char* kWhyNoOrder = "２〜８次ではマスクを満たせません";
constexpr const char* kWhyRipple = "通過域の許容差がリプル 0.25 dB より小さく、２〜８次ではマスクを満たせません";
constexpr const char* kWhyOutside = "マスクを満たすカットオフ周波数が設計できる範囲（１Hz〜１００MHz）の外です";
constexpr double kCutoffTextTolerance = 0.005;
// A Chebyshev's ripple this close to Ap touches the limit (its peaks are
// -Ap but for the rounding of the gain).
constexpr double kRippleTouchDb = 1e-9;

bool Finite(double x) { return std::isfinite(x); }

std::string Trimmed(std::string_view s) {
  std::size_t first = 0;
  std::size_t last = s.size();
  while (first < last && (s[first] == ' ' || s[first] == '\t')) ++first;
  while (last > first && (s[last - 1] == ' ' || s[last - 1] == '\t')) --last;
  return std::string(s.substr(first, last - first));
}

// The value of `value` rounded to `digits` significant digits, written
// with the SI prefix that leaves 1 to 3 digits before the point.
std::string WithPrefix(double value, int digits, bool prefix = true) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, value);  // d.ddde+XX, correctly rounded
  const std::string text(buffer);
  const std::size_t e = text.find('e');
  std::string mantissa;
  for (std::size_t i = 0; i < e; ++i) {
    if (text[i] != '.') mantissa += text[i];
  }
  const int exponent = std::atoi(text.c_str() + e + 1);
  static constexpr const char* kPrefixes[] = {"p", "n", "u", "m", "", "k", "M", "G"};
  int group = prefix ? static_cast<int>(std::floor(exponent / 3.0)) * 3 : 0;
  group = std::clamp(group, -12, 9);
  const int before = exponent - group + 1;  // digits before the point
  std::string out;
  if (before <= 0) {
    out = "0." + std::string(static_cast<std::size_t>(-before), '0') + mantissa;
  } else if (before >= static_cast<int>(mantissa.size())) {
    out = mantissa + std::string(static_cast<std::size_t>(before) - mantissa.size(), '0');
  } else {
    out =
        mantissa.substr(0, static_cast<std::size_t>(before)) + "." + mantissa.substr(static_cast<std::size_t>(before));
  }
  return out + kPrefixes[(group + 12) / 3];
}

std::string Number(double x) { return values::FormatGeneral(x); }

}  // namespace

RequirementCheck CheckRequirement(const Requirement& r) {
  const std::array<double, 4> v{r.passHz, r.passDb, r.stopHz, r.stopDb};
  for (int i = 0; i < 4; ++i) {
    if (!(v[i] > 0) || !Finite(v[i])) return {RequirementProblem::kUnreadable, i};
  }
  const bool hpf = r.passKind == values::kHpf;
  if (hpf ? !(r.passHz > r.stopHz) : !(r.passHz < r.stopHz)) return {RequirementProblem::kEdgeOrder, -1};
  if (!(r.stopDb > r.passDb)) return {RequirementProblem::kAttenuation, -1};
  return {};
}

RequirementCheck ParseRequirementFields(const std::array<std::string, 4>& fields, int passKind, Requirement& out) {
  Requirement r;
  r.passKind = passKind;
  std::array<double*, 4> targets{&r.passHz, &r.passDb, &r.stopHz, &r.stopDb};
  for (int i = 0; i < 4; ++i) {
    const std::string field = Trimmed(fields[i]);
    const double value = field.empty() ? 0.0 : values::ParseEngValue(field);
    if (!(value > 0)) return {RequirementProblem::kUnreadable, i};
    *targets[i] = value;
  }
  const RequirementCheck check = CheckRequirement(r);
  if (check.ok()) out = r;
  return check;
}

RequirementCheck ParseRequirement(std::string_view text, int passKind, Requirement& out) {
  std::array<std::string, 4> fields;
  int count = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string_view field = text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
    if (count < 4) fields[count] = std::string(field);
    ++count;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (count != 4) return {RequirementProblem::kFieldCount, -1};
  return ParseRequirementFields(fields, passKind, out);
}

Cascade IdealCascade(int passKind, int response, int order, double cutoffHz, int rippleIndex) {
  DesignRequest request;
  request.rippleIndex = static_cast<std::uint8_t>(rippleIndex);
  request.cutoffHz = cutoffHz;
  request.passKind = static_cast<std::uint8_t>(passKind);
  request.orderIndex = static_cast<std::uint8_t>(order - values::kMinOrder);
  request.response = static_cast<std::uint8_t>(response);
  request.evenOrder = order % 2 == 0;
  const engine::StageTargets targets = engine::BuildStageTargets(request);
  ResponseStages stages;
  stages.omega = targets.stageOmega;
  stages.q = targets.stageQ;
  return MakeCascade(request, stages);
}

double RequirementPassEdge(const Cascade& unit, int response, int rippleIndex, double passDb, double stopEdge) {
  const bool hpf = unit.Hpf();
  const bool touching =
      values::HasRipple(response) && std::fabs(values::kRippleDb[rippleIndex] - passDb) <= kRippleTouchDb;
  const bool stopBeyond = hpf ? stopEdge > 0 && stopEdge < 1.0 : stopEdge > 1.0 && Finite(stopEdge);
  if (!touching || !stopBeyond) return PassEdgeHz(unit, passDb);
  // Up to the cut-off (from it on for an HPF) the gain is the ripple's: its
  // extremes are 0 and -ripple, within Ap but for rounding. Should they
  // not be, the widest band within Ap is the edge as for any other ripple.
  const double inf = std::numeric_limits<double>::infinity();
  const GainBand band = hpf ? GainExtremes(unit, 1.0, inf) : GainExtremes(unit, 0.0, 1.0);
  if (!(std::max(std::fabs(band.lowDb), std::fabs(band.highDb)) <= passDb + kRippleTouchDb)) {
    return PassEdgeHz(unit, passDb);
  }
  // Beyond the cut-off the gain falls to the stop band: the edge is its
  // crossing of -Ap, bisected to adjacent doubles (at the cut-off the gain
  // is -Ap, rounded either way, at the stop edge at most -As).
  double inside = 1.0;
  double outside = stopEdge;
  for (;;) {
    const double middle = inside + (outside - inside) / 2;
    if (middle == inside || middle == outside) break;
    (GainDb(unit, middle) >= -passDb ? inside : outside) = middle;
  }
  return inside;
}

CircuitProblem CheckRequirementCircuit(const RequirementCircuit& c) {
  if (c.circuit < 0 || c.circuit >= values::kSectionCircuitCount) return CircuitProblem::kCircuit;
  if (!Finite(c.gain) || !(c.gain >= engine::kMinFilterGain && c.gain <= engine::kMaxFilterGain)) {
    return CircuitProblem::kGainRange;
  }
  if (c.circuit == 0 && c.gain != 1.0) return CircuitProblem::kUnityGain;
  if (c.circuit == values::kCircuitSallenKeyGain && c.gain < 1.0) return CircuitProblem::kGainBelowOne;
  return CircuitProblem::kNone;
}

engine::StageForm RequirementStageForm(int circuit, int stageOrder, double stageGain) {
  const bool first = stageOrder == 1;
  if (circuit == values::kCircuitMfb) return first ? engine::StageForm::kRcInverting : engine::StageForm::kMfb;
  if (circuit == values::kCircuitSallenKeyGain && stageGain != 1.0) {
    return first ? engine::StageForm::kRcGain : engine::StageForm::kSallenKeyGain;
  }
  return first ? engine::StageForm::kRcFollower : engine::StageForm::kSallenKey;
}

double StageGbwNeedHz(engine::StageForm form, double f0Hz, double q, double gain) {
  const bool first = form == engine::StageForm::kRcFollower || form == engine::StageForm::kRcGain ||
                     form == engine::StageForm::kRcInverting;
  const bool follower = form == engine::StageForm::kSallenKey || form == engine::StageForm::kRcFollower;
  const double noiseGain = PassBandNoiseGain(engine::StageFormInverting(form), follower ? 1.0 : gain);
  return response::StageGbwNeedHz(f0Hz, first ? 0.0 : q, noiseGain);
}

double StageSpread(engine::StageForm form, bool hpf, double q, double gain) {
  switch (form) {
    case engine::StageForm::kSallenKey:
      return 4.0 * std::pow(q, 2.0);
    case engine::StageForm::kSallenKeyGain: {
      const double y = 4.0 * q / (1.0 + std::sqrt(1.0 + 8.0 * q * q * (gain - 1.0)));
      return y * y;
    }
    case engine::StageForm::kMfb:
      if (hpf) return q * q * (2.0 * gain + 1.0) * (2.0 * gain + 1.0) / gain;
      return engine::kMfbRatioMargin * 4.0 * q * q * (1.0 + gain);
    default:
      return 1.0;
  }
}

CutoffRange CutoffRangeOf(const Requirement& r, int response, int order, int rippleIndex) {
  CutoffRange range;
  if (order < values::kMinOrder || order > values::kMaxOrder ||
      !values::HasDesignCombination(r.passKind, 0, order - values::kMinOrder, response, rippleIndex) ||
      !CheckRequirement(r).ok()) {
    return range;
  }
  range.offered = true;
  // The normalised cascade (cut-off 1 Hz): its pass and stop edges are the
  // ratios f / fc at which the bands may end.
  const Cascade unit = IdealCascade(r.passKind, response, order, 1.0, rippleIndex);
  const double stopEdge = StopEdgeHz(unit, r.stopDb);
  const double passEdge = RequirementPassEdge(unit, response, rippleIndex, r.passDb, stopEdge);
  if (r.passKind == values::kHpf) {
    range.loHz = r.stopHz / stopEdge;
    range.hiHz = r.passHz / passEdge;
  } else {
    range.loHz = r.passHz / passEdge;
    range.hiHz = r.stopHz / stopEdge;
  }
  if (std::isnan(range.loHz) || std::isnan(range.hiHz)) {
    range.loHz = 1.0;
    range.hiHz = 0.0;
  }
  range.loHz = std::max(range.loHz, engine::kMinCutoffHz);
  range.hiHz = std::min(range.hiHz, engine::kMaxCutoffHz);
  return range;
}

MaskMargins MarginsOf(const Cascade& cascade, const Requirement& r) {
  const double inf = std::numeric_limits<double>::infinity();
  const bool hpf = cascade.Hpf();
  const GainBand pass = hpf ? GainExtremes(cascade, r.passHz, inf) : GainExtremes(cascade, 0.0, r.passHz);
  const GainBand stop = hpf ? GainExtremes(cascade, 0.0, r.stopHz) : GainExtremes(cascade, r.stopHz, inf);
  MaskMargins m;
  m.passDb = r.passDb - std::max(std::fabs(pass.lowDb), std::fabs(pass.highDb));
  m.stopDb = -r.stopDb - stop.highDb;
  return m;
}

double DelayVariationPct(const Cascade& cascade, double passHz) {
  const DelayBand delay = DelayExtremes(cascade, passHz);
  return (delay.highS - delay.lowS) / delay.dcS * 100.0;
}

CutoffRange DelayLimitedRange(const Requirement& r, int response, int order, const CutoffRange& range, double maxPct,
                              int rippleIndex) {
  if (range.Empty()) return range;
  auto keeps = [&](double fc) {
    return DelayVariationPct(IdealCascade(r.passKind, response, order, fc, rippleIndex), r.passHz) <=
           maxPct;  // NaN: not kept
  };
  CutoffRange out = range;
  if (!keeps(range.hiHz)) {
    out.loHz = range.hiHz;
    out.hiHz = std::nextafter(range.hiHz, 0.0);
    return out;
  }
  if (keeps(range.loHz)) return out;
  // The variation at fc is V(fp / fc), V the variation of the normalised
  // cascade over [0, x], which cannot fall as x grows: so it does not rise
  // with fc, and the cut-offs that keep the limit are one interval [fc*, hi].
  // Bisection keeps `below` failing and `above` keeping the limit until they
  // are adjacent doubles (some 60 to 80 halvings within 1 Hz..100 MHz), so
  // the edge is exact to the rounding of the variation itself: its extremes
  // are GroupDelay at roots bisected to adjacent doubles (cascade_extremes.h),
  // and at the edge it agrees with the group delay summed over the poles to
  // 1e-14 relative. In the cut-off that error is divided by the slope
  // |d ln V / d ln fc| (about 2 for a narrow pass band).
  double below = range.loHz;
  double above = range.hiHz;
  for (;;) {
    const double middle = below + (above - below) / 2;
    if (!(middle > below && middle < above)) break;
    (keeps(middle) ? above : below) = middle;
  }
  out.loHz = above;
  return out;
}

std::string CutoffText(double cutoffHz, double loHz, double hiHz) {
  // With a prefix where one reads back inside the range; a range of one
  // double may need the plain digits, which are read without multiplying.
  for (const bool prefix : {true, false}) {
    for (int digits = 3; digits <= 17; ++digits) {
      const std::string text = WithPrefix(cutoffHz, digits, prefix);
      const double value = values::ParseEngValue(text);
      if (value >= loHz && value <= hiHz && std::fabs(value - cutoffHz) <= kCutoffTextTolerance * cutoffHz) {
        return text;
      }
    }
  }
  return WithPrefix(cutoffHz, 17);
}

std::vector<int> OfferedResponses(int passKind) {
  std::vector<int> list;
  for (int response = 0; response < values::kResponseCount; ++response) {
    for (int oi = 0; oi < values::kOrderCount; ++oi) {
      if (values::HasDesignCombination(passKind, 0, oi, response, 0)) {
        list.push_back(response);
        break;
      }
    }
  }
  return list;
}

std::vector<int> RippleRows(double passDb) {
  std::vector<int> rows = {values::kTabulatedRippleIndex};
  for (int i = 0; i < values::kRippleCount; ++i) {
    if (i != values::kTabulatedRippleIndex && values::kRippleDb[i] <= passDb) rows.push_back(i);
  }
  std::stable_sort(rows.begin() + 1, rows.end(),
                   [](int a, int b) { return values::kRippleDb[a] < values::kRippleDb[b]; });
  return rows;
}

std::string ConstraintReasons(const RequirementCandidate& c, const RequirementConstraints& limits) {
  std::string why;
  auto add = [&](const std::string& reason) { why += (why.empty() ? "" : "、") + reason; };
  if (limits.maxOvershootPct && c.overshootPct && *c.overshootPct > *limits.maxOvershootPct) {
    add("オーバーシュート " + Number(*c.overshootPct) + " % が上限 " + Number(*limits.maxOvershootPct) +
        " % を超えます");
  }
  if (limits.maxDelayVariationPct && c.leastDelayVariationPct &&
      !(*c.leastDelayVariationPct <= *limits.maxDelayVariationPct)) {
    // Not even the highest cut-off of the mask's range keeps it.
    add("群遅延変動 " + Number(*c.leastDelayVariationPct) + " %（カットオフの範囲で最小）が上限 " +
        Number(*limits.maxDelayVariationPct) + " % を超えます");
  } else if (limits.maxDelayVariationPct && c.delayVariationPct &&
             *c.delayVariationPct > *limits.maxDelayVariationPct) {
    add("群遅延変動 " + Number(*c.delayVariationPct) + " % が上限 " + Number(*limits.maxDelayVariationPct) +
        " % を超えます");
  }
  if (limits.maxQ && c.maxQ && *c.maxQ > *limits.maxQ) {
    add("最大Q " + Number(*c.maxQ) + " が上限 " + Number(*limits.maxQ) + " を超えます");
  }
  return why;
}

namespace {

RequirementCandidate CandidateOf(const Requirement& r, const RequirementConstraints& limits,
                                 const RequirementCircuit& circuit, int response, int rippleIndex) {
  RequirementCandidate c;
  c.response = response;
  c.rippleIndex = rippleIndex;
  bool anyUnclipped = false;
  for (int order = values::kMinOrder; order <= values::kMaxOrder; ++order) {
    const CutoffRange range = CutoffRangeOf(r, response, order, rippleIndex);
    c.ranges[order - values::kMinOrder] = range;
    if (!c.order && !range.Empty()) c.order = order;
  }
  if (!c.order) {
    // Was there a range outside the cut-offs the program designs?
    for (int order = values::kMinOrder; order <= values::kMaxOrder && !anyUnclipped; ++order) {
      if (!c.ranges[order - values::kMinOrder].offered) continue;
      const Cascade unit = IdealCascade(r.passKind, response, order, 1.0, rippleIndex);
      const double s = StopEdgeHz(unit, r.stopDb);
      const double p = RequirementPassEdge(unit, response, rippleIndex, r.passDb, s);
      const double lo = r.passKind == values::kHpf ? r.stopHz / s : r.passHz / p;
      const double hi = r.passKind == values::kHpf ? r.passHz / p : r.stopHz / s;
      anyUnclipped = lo <= hi;
    }
    c.why = anyUnclipped                                                               ? kWhyOutside
            : values::HasRipple(response) && r.passDb < values::kRippleDb[rippleIndex] ? kWhyRipple
                                                                                       : kWhyNoOrder;
    return c;
  }
  c.range = c.ranges[*c.order - values::kMinOrder];
  if (r.passKind == values::kLpf && limits.maxDelayVariationPct) {
    const double hi = c.range.hiHz;
    c.leastDelayVariationPct =
        DelayVariationPct(IdealCascade(r.passKind, response, *c.order, hi, rippleIndex), r.passHz);
    const CutoffRange kept =
        DelayLimitedRange(r, response, *c.order, c.range, *limits.maxDelayVariationPct, rippleIndex);
    if (!kept.Empty()) c.range = kept;
  }
  c.cutoffHz = std::clamp(std::sqrt(c.range.loHz) * std::sqrt(c.range.hiHz), c.range.loHz, c.range.hiHz);
  c.cutoffText = CutoffText(c.cutoffHz, c.range.loHz, c.range.hiHz);
  c.cutoffTextHz = values::ParseEngValue(c.cutoffText);
  // Every figure is that of the cut-off the sheet gets: the text as read.
  const Cascade cascade = IdealCascade(r.passKind, response, *c.order, c.cutoffTextHz, rippleIndex);
  c.margins = MarginsOf(cascade, r);
  // A ripple equal to Ap deviates by exactly Ap: its margin is 0 but for
  // the rounding of the gain.
  if (values::HasRipple(response) && std::fabs(values::kRippleDb[rippleIndex] - r.passDb) <= kRippleTouchDb &&
      c.margins.passDb < 0 && c.margins.passDb >= -kRippleTouchDb) {
    c.margins.passDb = 0.0;
  }
  // The stages share the gain equally, as a sheet's do (1 exactly at gain 1).
  const RequirementCircuit used =
      CheckRequirementCircuit(circuit) == CircuitProblem::kNone ? circuit : RequirementCircuit{};
  const double stageGain = used.gain == 1.0 ? 1.0 : std::pow(used.gain, 1.0 / cascade.count);
  const bool hpf = r.passKind == values::kHpf;
  std::optional<double> spread;
  for (int k = 0; k < cascade.count; ++k) {
    const CascadeStage& s = cascade.stage[k];
    const double f0 = s.omega / kTwoPi;
    const bool first = s.order == 1;
    const engine::StageForm form = RequirementStageForm(used.circuit, s.order, stageGain);
    c.gbwMinHz = std::max(c.gbwMinHz, StageGbwNeedHz(form, f0, s.q, stageGain));
    if (!first) {
      c.maxQ = std::max(c.maxQ.value_or(0.0), s.q);
      spread = std::max(spread.value_or(0.0), StageSpread(form, hpf, s.q, stageGain));
    }
  }
  c.spreadMin = spread.value_or(1.0);
  if (r.passKind == values::kLpf) {
    c.overshootPct = TimeResponse(cascade).MaxOvershoot().percent;
    c.delayVariationPct = DelayVariationPct(cascade, r.passHz);
  }
  c.why = ConstraintReasons(c, limits);
  c.meets = c.why.empty();
  return c;
}

}  // namespace

RequirementResult DesignFromRequirement(const Requirement& requirement, const RequirementConstraints& constraints,
                                        const RequirementCircuit& circuit) {
  RequirementResult result;
  result.requirement = requirement;
  result.constraints = constraints;
  result.circuit = circuit;
  for (const int response : OfferedResponses(requirement.passKind)) {
    if (values::HasRipple(response)) {
      for (const int ripple : RippleRows(requirement.passDb)) {
        result.candidates.push_back(CandidateOf(requirement, constraints, circuit, response, ripple));
      }
    } else {
      result.candidates.push_back(
          CandidateOf(requirement, constraints, circuit, response, values::kTabulatedRippleIndex));
    }
  }
  for (int i = 0; i < static_cast<int>(result.candidates.size()); ++i) {
    const RequirementCandidate& c = result.candidates[i];
    if (!c.meets) continue;
    if (!result.recommended) {
      result.recommended = i;
      continue;
    }
    const RequirementCandidate& best = result.candidates[*result.recommended];
    const double smaller = std::min(c.margins.passDb, c.margins.stopDb);
    const double bestSmaller = std::min(best.margins.passDb, best.margins.stopDb);
    if (*c.order < *best.order || (*c.order == *best.order && smaller > bestSmaller)) result.recommended = i;
  }
  return result;
}

}  // namespace kelvara::response
