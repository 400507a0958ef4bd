#include "tolerance/trial.h"

#include <algorithm>
#include <cmath>

#include "engine/part_name.h"
#include "engine/stage_maths.h"
#include "engine/units.h"
#include "response/circuit.h"
#include "response/views.h"
#include "tolerance/random.h"

namespace kelvara::tolerance {
namespace {

double Draw(Distribution distribution, Xoshiro256& g) {
  // Normal: the tolerance is 3 sigma.
  return distribution == Distribution::kNormal ? StandardNormal(g) / 3 : UniformSymmetric(g);
}

// A design of sections: every part drawn in the order R1, C1, R2, C2, ...
void DrawSections(const ToleranceDesign& design, Xoshiro256& g, Trial& t) {
  t.sections = design.sections;
  int highest = 0;
  for (const response::Section& s : design.sections) {
    for (int i = 0; i < s.PartCount(); ++i) highest = std::max(highest, s.ids[i].number);
  }
  for (int n = 1; n <= highest; ++n) {
    const double d[2] = {Draw(design.distribution, g), Draw(design.distribution, g)};
    for (response::Section& s : t.sections) {
      for (int i = 0; i < s.PartCount(); ++i) {
        if (s.ids[i].number != n) continue;
        const bool capacitor = s.ids[i].letter == 'C';
        const double pct = design.tolerances.PctOf(s.ids[i]);
        s.values[i] = s.values[i] * (1 + pct / 100 * d[capacitor ? 1 : 0]);
      }
    }
  }
}

}  // namespace

double Tolerances::PctOf(response::SectionPartId part) const {
  const bool capacitor = part.letter == 'C';
  if (part.number >= 1 && part.number <= kMaxParts) return (capacitor ? cPct : rPct)[part.number - 1];
  for (const auto& [id, pct] : moreOwn) {
    if (id.letter == part.letter && id.number == part.number) return pct;
  }
  return capacitor ? moreCPct : moreRPct;
}

void Tolerances::SetPct(response::SectionPartId part, double pct) {
  const bool capacitor = part.letter == 'C';
  if (part.number >= 1 && part.number <= kMaxParts) {
    (capacitor ? cPct : rPct)[part.number - 1] = pct;
    return;
  }
  for (auto& [id, own] : moreOwn) {
    if (id.letter == part.letter && id.number == part.number) {
      own = pct;
      return;
    }
  }
  moreOwn.emplace_back(part, pct);
}

Trial TrialOf(const ToleranceDesign& design, std::uint64_t seed, int trial) {
  Trial t{design.parts, design.opamp, {}};
  Xoshiro256 g = Xoshiro256::ForTrial(seed, static_cast<std::uint64_t>(trial));
  if (!design.sections.empty()) DrawSections(design, g, t);
  for (int i = 0; design.sections.empty() && i < design.request.Order() && i < kMaxParts; ++i) {
    const double dr = Draw(design.distribution, g);
    const double dc = Draw(design.distribution, g);
    t.parts.r[i] = design.parts.r[i] * (1 + design.tolerances.rPct[i] / 100 * dr);
    t.parts.c[i] = design.parts.c[i] * (1 + design.tolerances.cPct[i] / 100 * dc);
  }
  if (response::HasGbw(design.opamp)) {
    const double d = Draw(design.distribution, g);
    t.opamp = response::WithGbwTimes(design.opamp, 1 + design.tolerances.gbwPct / 100 * d);
  }
  return t;
}

ComponentSet TrialParts(const ToleranceDesign& design, std::uint64_t seed, int trial) {
  return TrialOf(design, seed, trial).parts;
}

namespace {

// f0, Q and peak of every stage from its part values.
TrialFigures StageFigures(const DesignRequest& request, const response::CircuitBatch::Measures& measures) {
  TrialFigures t;
  const response::ResponseStages& stages = measures.stages;
  const int count = response::StageCountOf(request);
  for (int k = 0; k < count; ++k) {
    t.f0Hz[k] = StageF0Hz(stages.omega[k]);
    const bool firstOrder = measures.stageOrder[k] == 1;
    t.q[k] = firstOrder ? 0 : stages.q[k];
    t.peakDb[k] = measures.bandPassPeakDb[k] ? *measures.bandPassPeakDb[k] : firstOrder ? 0 : StagePeakDb(stages.q[k]);
  }
  return t;
}

}  // namespace

TrialFigures MeasureTrial(const DesignRequest& request, const response::CircuitBatch::Measures& measures) {
  TrialFigures t = StageFigures(request, measures);
  t.minus3dbHz = measures.minus3dbHz;
  return t;
}

std::vector<double> SweepFrequencies(double fStart, double fTop) { return response::SweepFrequencies(fStart, fTop); }

std::string PartName(bool capacitor, int index) { return engine::PartName(capacitor ? 'C' : 'R', index + 1); }

}  // namespace kelvara::tolerance
