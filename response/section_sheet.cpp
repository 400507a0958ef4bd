#include "response/section_sheet.h"

#include <cmath>
#include <iterator>

#include "engine/design.h"
#include "engine/run_checks.h"
#include "engine/section_series.h"
#include "engine/units.h"
#include "response/bandpass.h"
#include "response/circuit.h"
#include "values/eng_value.h"
#include "values/filter_catalogue.h"

namespace kelvara::response {
namespace {

using Field = SectionSheetField;
using Problem = values::InputProblem<SectionSheetField>;

std::string Number(double v) { return values::FormatGeneral(v); }

/// The comma-separated numbers of a text, or nothing when one is not a
/// number above 0.
std::optional<std::vector<double>> Numbers(const std::string& text) {
  std::vector<double> out;
  std::size_t at = 0;
  while (true) {
    const std::size_t comma = text.find(',', at);
    const std::string field = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    const double v = values::ParseEngValue(field);
    if (!(v > 0) || !std::isfinite(v)) return std::nullopt;
    out.push_back(v);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return out;
}

bool Blank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

/// The design of given values, by stage, for the sections.
engine::SectionsDesign SectionsDesignOf(const SectionSheetPlan& plan, const std::vector<double>& values) {
  engine::SectionsDesign design;
  design.hpf = plan.hpf;
  std::size_t at = 0;
  for (const engine::StagePlan& stage : plan.stages) {
    engine::StageDesign d;
    d.plan = stage;
    const std::size_t count = engine::StageFormLetters(stage.form, plan.hpf).size();
    for (std::size_t k = 0; k < count; ++k, ++at) d.values.push_back(at < values.size() ? values[at] : 0.0);
    design.stages.push_back(std::move(d));
  }
  return design;
}

engine::BandPassDesign BandPassDesignOf(const SectionSheetPlan& plan, const std::vector<double>& values) {
  engine::BandPassDesign design;
  std::size_t at = 0;
  for (const engine::BandPassSection& target : plan.bandStages) {
    engine::BandPassStageDesign d;
    d.target = target;
    for (double& v : d.values) {
      v = at < values.size() ? values[at] : 0.0;
      ++at;
    }
    design.stages.push_back(d);
  }
  return design;
}

}  // namespace

SectionSheetChoices SectionChoicesOf(const values::SheetRecord& record) {
  namespace line = values::sheet_line;
  auto integer = [&record](int l) {
    return values::ParseRecordInt(record.at(static_cast<std::size_t>(l))).value_or(0);
  };
  SectionSheetChoices c;
  c.passKind = integer(line::kPassKind);
  c.cutoffText = record.at(line::kCutoff);
  c.circuit = integer(line::kCircuit);
  c.orderIndex = integer(line::kOrder);
  c.response = integer(line::kResponse);
  c.rippleIndex = integer(line::kRipple);
  c.anyValues = values::LineIsTrue(record.at(line::kAnyValues));
  return c;
}

values::Checked<SectionSheet, SectionSheetField> ReadSectionSheet(const SectionSheetChoices& choices,
                                                                  const values::SectionLines& lines) {
  SectionSheet sheet;
  sheet.bandPass = choices.passKind == values::kPassKindBpf;
  sheet.request = engine::MakeDesignRequest({.passKind = sheet.bandPass ? values::kLpf : choices.passKind,
                                             .circuit = choices.circuit,
                                             .orderIndex = choices.orderIndex,
                                             .response = choices.response,
                                             .rippleIndex = std::max(0, choices.rippleIndex),
                                             .cutoffText = choices.cutoffText,
                                             .anyValues = choices.anyValues});
  sheet.family = choices.circuit == values::kCircuitSallenKeyGain ? engine::SectionFamily::kSallenKey
                                                                  : engine::SectionFamily::kMfb;
  const double f = sheet.request.cutoffHz;
  if (!(f >= engine::kMinCutoffHz && f <= engine::kMaxCutoffHz)) {
    return Problem{Field::kCutoff,
                   sheet.bandPass ? "中心周波数の範囲は、１～１００ＭＨｚ です。"
                                  : "カットオフ周波数の範囲は、１～１００ＭＨｚ です。",
                   ""};
  }
  const int order = sheet.request.Order();
  if (sheet.bandPass) {
    if (order % 2 != 0) return Problem{Field::kOrder, "BPF の次数は偶数（２次、４次、６次、８次）です。", ""};
    if (values::EvenOrdersOnly(choices.response) && (order / 2) % 2 != 0) {
      return Problem{Field::kOrder, "リンクウィッツ・ライリーの BPF は４次か８次です。", ""};
    }
    sheet.bandwidthHz = values::ParseEngValue(lines.bandwidth);
    if (!(sheet.bandwidthHz > 0) || !std::isfinite(sheet.bandwidthHz)) {
      return Problem{Field::kBandwidth, "帯域幅を 0 より大きい数値で入力して下さい（例 2k）。", ""};
    }
    if (sheet.bandwidthHz < f / 1000) {
      return Problem{Field::kBandwidth, "帯域幅は中心周波数の 1/1000（" + Number(f / 1000) + " Hz）以上です。", ""};
    }
  }
  sheet.gain = values::ParseEngValue(lines.gain);
  if (!(sheet.gain >= engine::kMinFilterGain && sheet.gain <= engine::kMaxFilterGain)) {
    return Problem{Field::kGain,
                   "利得は " + Number(engine::kMinFilterGain) + "～" + Number(engine::kMaxFilterGain) +
                       " 倍の数値で入力して下さい。",
                   ""};
  }
  if (!sheet.bandPass && !Blank(lines.stageGains)) {
    const auto gains = Numbers(lines.stageGains);
    if (!gains)
      return Problem{Field::kStageGains, "段の利得は 0 より大きい数値をコンマで区切って入力して下さい（例 2,5）。", ""};
    sheet.stageGains = *gains;
  }
  sheet.stageOrder = lines.stageOrder == 1 ? engine::StageOrder::kDescendingQ : engine::StageOrder::kAscendingQ;
  return sheet;
}

values::Checked<SectionSheetPlan, SectionSheetField> PlanSectionSheet(const SectionSheet& sheet) {
  SectionSheetPlan plan;
  plan.bandPass = sheet.bandPass;
  plan.hpf = !sheet.bandPass && sheet.request.passKind == values::kHpf;
  if (sheet.bandPass) {
    plan.bandStages = engine::BandPassSections(sheet.request.response, sheet.request.rippleIndex, sheet.request.Order(),
                                               sheet.request.cutoffHz, sheet.bandwidthHz, sheet.gain);
    if (plan.bandStages.empty()) return Problem{Field::kOrder, "この BPF は設計できません。", ""};
    const double low = plan.bandStages.front().omega / engine::kTwoPi;
    const double high = plan.bandStages.back().omega / engine::kTwoPi;
    if (!(low >= engine::kMinCutoffHz) || !(high <= engine::kMaxCutoffHz)) {
      return Problem{Field::kBandwidth,
                     "各段の中心が " + Number(low) + "～" + Number(high) +
                         " Hz になり、１～１００ＭＨｚ を外れます。帯域幅を狭くして下さい。",
                     ""};
    }
    return plan;
  }
  engine::SectionPlanInputs in;
  in.passKind = sheet.request.passKind;
  in.order = sheet.request.Order();
  in.family = sheet.family;
  in.gain = sheet.gain;
  in.stageGains = sheet.stageGains;
  in.stageOrder = sheet.stageOrder;
  auto planned = engine::PlanSections(in, engine::BuildStageTargets(sheet.request));
  if (const auto* problem = values::ProblemOf(planned)) {
    return Problem{problem->field == engine::SectionPlanField::kGain ? Field::kGain : Field::kStageGains,
                   problem->message, problem->subject};
  }
  plan.stages = std::get<std::vector<engine::StagePlan>>(std::move(planned));
  return plan;
}

std::vector<Section> SectionsOfSheet(const SectionSheetPlan& plan, const std::vector<double>& values) {
  return plan.bandPass ? SectionsOfBandPass(BandPassDesignOf(plan, values))
                       : SectionsOf(SectionsDesignOf(plan, values));
}

std::vector<SectionSheetPart> SectionSheetParts(const SectionSheetPlan& plan) {
  std::vector<SectionSheetPart> parts;
  const std::vector<Section> sections = SectionsOfSheet(plan, {});
  for (std::size_t s = 0; s < sections.size(); ++s) {
    const Section& section = sections[s];
    for (int k = 0; k < section.PartCount(); ++k) {
      const SectionPartId id = section.ids[static_cast<std::size_t>(k)];
      parts.push_back({std::string(1, id.letter) + std::to_string(id.number), id.letter, static_cast<int>(s),
                       section.layout->parts[static_cast<std::size_t>(k)].role});
    }
  }
  return parts;
}

values::Checked<std::vector<std::optional<double>>, SectionSheetField> FixedPartsOf(
    const SectionSheetPlan& plan, const std::vector<values::SectionPartLine>& lines) {
  const std::vector<SectionSheetPart> parts = SectionSheetParts(plan);
  std::vector<std::optional<double>> fixed(parts.size());
  for (std::size_t k = 0; k < parts.size(); ++k) {
    for (const values::SectionPartLine& line : lines) {
      if (line.name != parts[k].name || line.autoValue) continue;
      const double v = values::ParseEngValue(line.value);
      if (!(v > 0) || !std::isfinite(v)) {
        return Problem{Field::kPart, "固定した " + line.name + " の値を 0 より大きい数値で入力して下さい。", line.name};
      }
      if (plan.bandPass && parts[k].letter == 'R') {
        return Problem{Field::kPart, "BPF で固定できるのはコンデンサだけです（" + line.name + "）。", line.name};
      }
      fixed[k] = v;
    }
  }
  if (plan.bandPass) {
    // The two capacitors of a band-pass section are equal.
    for (std::size_t k = 0; k + 1 < parts.size(); ++k) {
      if (parts[k].letter != 'C' || parts[k + 1].letter != 'C' || parts[k].stage != parts[k + 1].stage) continue;
      if (fixed[k] && fixed[k + 1] && *fixed[k] != *fixed[k + 1]) {
        return Problem{
            Field::kPart,
            "BPF の段の 2 つのコンデンサは等しい値です（" + parts[k].name + " と " + parts[k + 1].name + "）。",
            parts[k + 1].name};
      }
    }
  }
  return fixed;
}

engine::SeriesTexts SectionSeriesTexts(const engine::SeriesTexts& chosen) {
  const engine::SeriesTexts sheet;
  engine::SeriesTexts t = chosen;
  if (t.res == sheet.res) t.res = "E24";
  if (t.rMin == sheet.rMin) t.rMin = "1k";
  if (t.rMax == sheet.rMax) t.rMax = "1M";
  if (t.cMin == sheet.cMin) t.cMin = "100p";
  if (t.cMax == sheet.cMax) t.cMax = "1u";
  return t;
}

namespace {

engine::SectionFixes StageFixes(const SectionSheetPlan& plan, const std::vector<std::optional<double>>& fixed) {
  engine::SectionFixes fixes;
  std::size_t at = 0;
  for (const engine::StagePlan& stage : plan.stages) {
    const std::size_t count = engine::StageFormLetters(stage.form, plan.hpf).size();
    std::vector<std::optional<double>> f;
    for (std::size_t k = 0; k < count; ++k, ++at) f.push_back(at < fixed.size() ? fixed[at] : std::nullopt);
    fixes.push_back(std::move(f));
  }
  return fixes;
}

/// The fixes of a band-pass sheet by section, its five parts each; a fixed
/// capacitor fixes its pair (the two are equal).
engine::SectionFixes BandPassFixes(const SectionSheetPlan& plan, const std::vector<std::optional<double>>& fixed) {
  engine::SectionFixes fixes(plan.bandStages.size(), std::vector<std::optional<double>>(5));
  for (std::size_t k = 0; k < fixed.size() && k / 5 < fixes.size(); ++k) {
    if (!fixed[k]) continue;
    std::vector<std::optional<double>>& section = fixes[k / 5];
    section[k % 5] = fixed[k];
    if (k % 5 >= 3) section[3] = section[4] = fixed[k];
  }
  return fixes;
}

std::vector<double> ValuesOf(const engine::SectionsDesign& design) {
  std::vector<double> values;
  for (const engine::StageDesign& stage : design.stages)
    values.insert(values.end(), stage.values.begin(), stage.values.end());
  return values;
}

}  // namespace

int SectionSheetSteps(const SectionSheetPlan& plan, const std::vector<std::optional<double>>& fixed,
                      const engine::PartSeries* series) {
  if (series == nullptr) return 0;
  if (plan.bandPass) return engine::BandPassSeriesSteps(plan.bandStages, BandPassFixes(plan, fixed), *series);
  return engine::SectionsSeriesSteps(plan.stages, plan.hpf, StageFixes(plan, fixed), *series);
}

SectionSheetDesign DesignSectionSheet(engine::RunState& run, const SectionSheetPlan& plan,
                                      const std::vector<std::optional<double>>& fixed,
                                      const engine::PartSeries* series) {
  SectionSheetDesign out;
  if (plan.bandPass) {
    if (series != nullptr) {
      const engine::BandPassDesign design =
          engine::DesignBandPassFromSeries(run, plan.bandStages, BandPassFixes(plan, fixed), *series);
      out.valid = design.valid;
      for (const engine::BandPassStageDesign& stage : design.stages) {
        out.values.insert(out.values.end(), std::begin(stage.values), std::end(stage.values));
      }
      for (const auto& [caption, text] : design.warnings) out.warnings.push_back({caption, text});
      return out;
    }
    // A section's capacitor: either of its pair fixed (they are equal).
    std::vector<std::optional<double>> capacitors(plan.bandStages.size());
    const std::vector<SectionSheetPart> parts = SectionSheetParts(plan);
    for (std::size_t k = 0; k < parts.size() && k < fixed.size(); ++k) {
      if (fixed[k] && parts[k].letter == 'C') capacitors[static_cast<std::size_t>(parts[k].stage)] = fixed[k];
    }
    const engine::BandPassDesign design = engine::DesignBandPass(plan.bandStages, capacitors);
    out.valid = design.valid;
    for (const engine::BandPassStageDesign& stage : design.stages) {
      out.values.insert(out.values.end(), std::begin(stage.values), std::end(stage.values));
    }
    for (const auto& [caption, text] : design.warnings) out.warnings.push_back({caption, text});
    return out;
  }
  const engine::SectionFixes fixes = StageFixes(plan, fixed);
  const engine::SectionsDesign design =
      series != nullptr ? engine::DesignSectionsFromSeries(run, plan.stages, plan.hpf, fixes, *series)
                        : engine::DesignSections(plan.stages, plan.hpf, fixes);
  out.valid = design.valid;
  out.values = ValuesOf(design);
  out.warnings = design.warnings;
  return out;
}

values::Checked<SheetSections, SectionSheetField> ReadSheetSections(const SectionSheetChoices& choices,
                                                                    const values::SectionLines& lines) {
  SheetSections read;
  auto sheet = ReadSectionSheet(choices, lines);
  if (const auto* problem = values::ProblemOf(sheet)) return *problem;
  read.sheet = std::get<SectionSheet>(std::move(sheet));
  auto plan = PlanSectionSheet(read.sheet);
  if (const auto* problem = values::ProblemOf(plan)) return *problem;
  read.plan = std::get<SectionSheetPlan>(std::move(plan));
  std::vector<double> values;
  for (const SectionSheetPart& part : SectionSheetParts(read.plan)) {
    double v = 0;
    for (const values::SectionPartLine& line : lines.parts) {
      if (line.name == part.name) v = values::ParseEngValue(line.value);
    }
    if (!(v > 0) || !std::isfinite(v)) {
      return Problem{Field::kPart, part.name + " の値がありません。定数設定をするか、0 より大きい値を入力して下さい。",
                     part.name};
    }
    values.push_back(v);
  }
  read.sections = SectionsOfSheet(read.plan, values);
  return read;
}

SheetReading ReadingOf(const SheetSections& read) {
  const CircuitModel circuit = CircuitOfSections(read.sections, {});
  SheetReading reading;
  if (read.plan.bandPass) {
    const engine::DesignRequest& r = read.sheet.request;
    const BandPassSummary summary = SummarizeBandPass(
        circuit, r.cutoffHz, BandEdgeLevelDb(r.response, r.rippleIndex, r.Order()), values::HasRipple(r.response));
    reading.cutoffHz = std::sqrt(summary.lowerEdgeHz * summary.upperEdgeHz);
    reading.bandwidthHz = summary.bandwidthHz;
    return reading;
  }
  reading.cutoffHz = CircuitCutoff3dB(circuit);
  return reading;
}

}  // namespace kelvara::response
