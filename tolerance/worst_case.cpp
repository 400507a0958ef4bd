#include "tolerance/worst_case.h"

#include <algorithm>

#include "response/circuit.h"

namespace kelvara::tolerance {
namespace {

constexpr int kCornerChunk = 256;

// Takes value for corner when it is a new extreme; ties keep the lower
// corner number, so the merge order does not matter.
void Take(Extreme& e, bool first, double value, std::uint32_t corner) {
  if (first || value < e.min || (value == e.min && corner < e.minCorner)) {
    e.min = value;
    e.minCorner = corner;
  }
  if (first || value > e.max || (value == e.max && corner < e.maxCorner)) {
    e.max = value;
    e.maxCorner = corner;
  }
}

void Merge(Extreme& into, const Extreme& from) {
  Take(into, false, from.min, from.minCorner);
  Take(into, false, from.max, from.maxCorner);
}

struct ChunkExtremes {
  Extreme minus3db;
  std::vector<Extreme> gains;
};

}  // namespace

ComponentSet CornerParts(const ToleranceDesign& design, std::uint32_t corner) {
  ComponentSet parts = design.parts;
  for (int i = 0; i < design.request.Order() && i < kMaxParts; ++i) {
    const double sr = (corner >> (2 * i)) & 1U ? 1.0 : -1.0;
    const double sc = (corner >> (2 * i + 1)) & 1U ? 1.0 : -1.0;
    parts.r[i] = design.parts.r[i] * (1 + design.tolerances.rPct[i] / 100 * sr);
    parts.c[i] = design.parts.c[i] * (1 + design.tolerances.cPct[i] / 100 * sc);
  }
  return parts;
}

std::vector<response::SectionPartId> CornerPartsOfSections(const ToleranceDesign& design) {
  int highest = 0;
  for (const response::Section& s : design.sections) {
    for (int i = 0; i < s.PartCount(); ++i) highest = std::max(highest, s.ids[i].number);
  }
  std::vector<response::SectionPartId> varied;
  for (int n = 1; n <= highest; ++n) {
    for (const char letter : {'R', 'C'}) {
      bool present = false;
      for (const response::Section& s : design.sections) {
        for (int i = 0; i < s.PartCount(); ++i)
          present = present || (s.ids[i].letter == letter && s.ids[i].number == n);
      }
      const response::SectionPartId id{letter, n};
      if (present && design.tolerances.PctOf(id) != 0) varied.push_back(id);
    }
  }
  return varied;
}

std::vector<response::Section> CornerSections(const ToleranceDesign& design, std::uint32_t corner) {
  std::vector<response::Section> sections = design.sections;
  const std::vector<response::SectionPartId> varied = CornerPartsOfSections(design);
  for (std::size_t bit = 0; bit < varied.size(); ++bit) {
    const double sign = (corner >> bit) & 1U ? 1.0 : -1.0;
    const double pct = design.tolerances.PctOf(varied[bit]);
    for (response::Section& s : sections) {
      for (int i = 0; i < s.PartCount(); ++i) {
        if (s.ids[i].letter == varied[bit].letter && s.ids[i].number == varied[bit].number) {
          s.values[i] = s.values[i] * (1 + pct / 100 * sign);
        }
      }
    }
  }
  return sections;
}

namespace {

// The bits of the parts (the GBW's bit is the next one).
int PartBits(const ToleranceDesign& design) {
  if (!design.sections.empty()) return static_cast<int>(CornerPartsOfSections(design).size());
  return 2 * design.request.Order();
}

}  // namespace

response::OpAmpModel CornerOpAmp(const ToleranceDesign& design, std::uint32_t corner) {
  const double s = (corner >> PartBits(design)) & 1U ? 1.0 : -1.0;
  return response::WithGbwTimes(design.opamp, 1 + design.tolerances.gbwPct / 100 * s);
}

int CornerBits(const ToleranceDesign& design) {
  const bool gbw = response::HasGbw(design.opamp) && design.tolerances.gbwPct != 0;
  return PartBits(design) + (gbw ? 1 : 0);
}

std::uint32_t CornerCount(const ToleranceDesign& design) { return 1U << CornerBits(design); }

std::vector<double> DefaultWorstCaseFrequencies(const DesignRequest& request) {
  const double fc = request.cutoffHz;
  if (request.passKind == engine::kHpf) return {2 * fc, fc, fc / 2, fc / 10};
  return {fc / 2, fc, 2 * fc, 10 * fc};
}

std::optional<WorstCaseResult> RunWorstCase(const ToleranceDesign& design, const std::vector<double>& frequencies,
                                            const RunOptions& options) {
  const DesignRequest& request = design.request;
  const bool sections = !design.sections.empty();
  const std::uint32_t corners = CornerCount(design);
  const int chunks = static_cast<int>((corners + kCornerChunk - 1) / kCornerChunk);
  std::vector<ChunkExtremes> perChunk(chunks);
  const bool complete = ParallelChunks(chunks, 1, options, 0, 1, [&](int begin, int end) {
    for (int c = begin; c < end; ++c) {
      ChunkExtremes& x = perChunk[c];
      x.gains.resize(frequencies.size());
      const std::uint32_t from = static_cast<std::uint32_t>(c) * kCornerChunk;
      const std::uint32_t to = std::min(corners, from + kCornerChunk);
      for (std::uint32_t corner = from; corner < to; ++corner) {
        const response::CircuitModel circuit =
            sections ? response::CircuitOfSections(CornerSections(design, corner), CornerOpAmp(design, corner))
                     : response::MakeCircuit(request, CornerParts(design, corner), CornerOpAmp(design, corner));
        const bool first = corner == from;
        Take(x.minus3db, first, response::CircuitCutoff3dB(circuit), corner);
        for (std::size_t j = 0; j < frequencies.size(); ++j)
          Take(x.gains[j], first, response::CircuitGainDb(circuit, frequencies[j]), corner);
      }
    }
  });
  if (!complete) return std::nullopt;

  WorstCaseResult r;
  r.corners = corners;
  const response::CircuitModel nominal = sections ? response::CircuitOfSections(design.sections, design.opamp)
                                                  : response::MakeCircuit(request, design.parts, design.opamp);
  auto nominalGain = [&](double f) { return response::CircuitGainDb(nominal, f); };
  r.nominalMinus3dbHz = response::CircuitCutoff3dB(nominal);
  r.minus3dbHz = perChunk[0].minus3db;
  r.gains.resize(frequencies.size());
  for (std::size_t j = 0; j < frequencies.size(); ++j) {
    r.gains[j].frequencyHz = frequencies[j];
    r.gains[j].nominalDb = nominalGain(frequencies[j]);
    r.gains[j].db = perChunk[0].gains[j];
  }
  for (int c = 1; c < chunks; ++c) {
    Merge(r.minus3dbHz, perChunk[c].minus3db);
    for (std::size_t j = 0; j < frequencies.size(); ++j) Merge(r.gains[j].db, perChunk[c].gains[j]);
  }
  return r;
}

}  // namespace kelvara::tolerance
