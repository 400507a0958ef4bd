#include "response/circuit.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/stage_maths.h"
#include "engine/units.h"
#include "response/cutoff_search.h"
#include "response/inverse_power.h"

namespace kelvara::response {
namespace {

using Complex = std::complex<double>;

constexpr double kDegPerRad = 57.29577951308232;

// The node a part's terminal sits on, by stage and role.
CircuitNode StageInput(int stage) { return stage == 0 ? CircuitNode::Input() : CircuitNode::Output(stage - 1); }

}  // namespace

std::vector<Section> SectionsOf(const DesignRequest& request, const ComponentSet& parts) {
  const SectionKind kind = request.passKind == engine::kHpf ? SectionKind::kHighPass : SectionKind::kLowPass;
  const bool hpf = kind == SectionKind::kHighPass;
  std::vector<Section> sections;
  std::array<int, 2> next{1, 1};
  const int count = StageCountOf(request);
  sections.reserve(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    const int i = next[0] - 1;  // R and C are numbered alike here
    if (k == 0 && !request.evenOrder) {
      sections.push_back(MakeSection(RcFollowerTopology(), kind,
                                     {hpf ? parts.c[i] : parts.r[i], hpf ? parts.r[i] : parts.c[i]}, next));
      continue;
    }
    const auto& series = hpf ? parts.c : parts.r;
    const auto& other = hpf ? parts.r : parts.c;
    sections.push_back(
        MakeSection(SallenKeyTopology(), kind, {series[i], series[i + 1], other[i], other[i + 1]}, next));
  }
  return sections;
}

std::vector<Section> SectionsOf(const OpAmpCircuit& drawn) {
  const SectionKind kind = drawn.request.passKind == engine::kHpf ? SectionKind::kHighPass : SectionKind::kLowPass;
  std::vector<Section> sections;
  std::array<int, 2> next{1, 1};
  sections.reserve(static_cast<std::size_t>(std::max(drawn.stageCount, 0)));
  for (int k = 0; k < drawn.stageCount; ++k) {
    const CircuitStage& st = drawn.stages[k];
    if (st.firstOrder) {
      sections.push_back(MakeSection(RcFollowerTopology(), kind, {st.series1, st.shunt}, next));
    } else {
      sections.push_back(MakeSection(SallenKeyTopology(), kind, {st.series1, st.series2, st.feedback, st.shunt}, next));
    }
  }
  return sections;
}

std::vector<Section> SectionsOf(const engine::SectionsDesign& design) {
  const SectionKind kind = design.hpf ? SectionKind::kHighPass : SectionKind::kLowPass;
  std::vector<Section> sections;
  std::array<int, 2> next{1, 1};
  for (const engine::StageDesign& stage : design.stages) {
    const SectionTopology* topology = FindSectionTopology(engine::StageFormId(stage.plan.form));
    if (topology == nullptr) continue;
    sections.push_back(MakeSection(*topology, kind, stage.values, next));
  }
  return sections;
}

CircuitModel MakeCircuit(const DesignRequest& request, const ComponentSet& parts, const OpAmpModel& opAmp) {
  CircuitModel c;
  c.request = request;
  c.parts = parts;
  c.opAmp = opAmp;
  c.drawn = CircuitFromComponents(request, parts);
  c.cascade = MakeCascade(request, c.drawn.ideal);
  c.sections = SectionsOf(request, parts);
  return c;
}

CircuitModel CircuitOfSections(std::vector<Section> sections, const OpAmpModel& opAmp) {
  CircuitModel c;
  c.opAmp = opAmp;
  int order = 0;
  bool sheetCircuit = true;
  for (const Section& s : sections) {
    // The sheet's form has its first-order RC stage first, if any.
    const bool first = &s == &sections.front();
    order += s.topology->Order();
    sheetCircuit =
        sheetCircuit && (s.topology == &SallenKeyTopology() || (first && s.topology == &RcFollowerTopology()));
  }
  c.request.passKind =
      !sections.empty() && sections.back().kind == SectionKind::kHighPass ? engine::kHpf : engine::kLpf;
  c.request.orderIndex = static_cast<std::uint8_t>(std::max(order - 2, 0));
  c.request.evenOrder = order % 2 == 0;
  if (sheetCircuit && !sections.empty()) {
    c.drawn.request = c.request;
    c.drawn.stageCount = static_cast<int>(sections.size());
    for (int k = 0; k < c.drawn.stageCount; ++k) {
      const Section& s = sections[k];
      CircuitStage& st = c.drawn.stages[k];
      st.firstOrder = s.topology->Order() == 1;
      st.series1 = s.values[0];
      if (st.firstOrder) {
        st.shunt = s.values[1];
      } else {
        st.series2 = s.values[1];
        st.feedback = s.values[2];
        st.shunt = s.values[3];
      }
      const SectionFigures f = s.Figures();
      c.drawn.ideal.omega[k] = f.omega;
      c.drawn.ideal.q[k] = f.q;
    }
    c.cascade = MakeCascade(c.request, c.drawn.ideal);
  }
  c.sections = std::move(sections);
  return c;
}

CircuitModel CircuitOf(const OpAmpCircuit& drawn, const OpAmpModel& opAmp) {
  CircuitModel c;
  c.request = drawn.request;
  c.opAmp = opAmp;
  c.drawn = drawn;
  c.cascade = MakeCascade(drawn.request, drawn.ideal);
  c.sections = SectionsOf(drawn);
  return c;
}

bool ReadCircuit(values::WarningSink& sink, const DesignRequest& request, const engine::PartInputs& inputs,
                 const OpAmpModel& opAmp, CircuitModel& out) {
  ComponentSet parts;
  const bool ok = ReadComponentValues(sink, request, inputs, parts);
  out = MakeCircuit(request, parts, opAmp);
  return ok;
}

bool operator==(const CircuitNode& a, const CircuitNode& b) {
  if (a.role != b.role) return false;
  if (a.role == NodeRole::kGround || a.role == NodeRole::kInput) return true;
  if (a.role == NodeRole::kOwn && a.index != b.index) return false;
  return a.stage == b.stage;
}

CircuitNode FilterOutput(const CircuitModel& circuit) { return CircuitNode::Output(circuit.StageCount() - 1); }

CircuitNode NodeOf(const CircuitModel& circuit, int stage, int local) {
  if (local == kSectionGround) return CircuitNode::Ground();
  if (local == kSectionInput) return StageInput(stage);
  if (local == kSectionOutput) return CircuitNode::Output(stage);
  const Section& s = circuit.sections[stage];
  if (local == s.layout->opAmpPlus) return CircuitNode::PlusInput(stage);
  if (local == 0 && s.topology->Order() == 2) return CircuitNode::Junction(stage);
  return CircuitNode::Own(stage, local);
}

bool HasNode(const CircuitModel& circuit, const CircuitNode& node) {
  const bool inStages = node.stage >= 0 && node.stage < circuit.StageCount();
  switch (node.role) {
    case NodeRole::kGround:
    case NodeRole::kInput:
      return true;
    case NodeRole::kJunction:
      return inStages && circuit.sections[node.stage].OwnNodes() > 0 && NodeOf(circuit, node.stage, 0) == node;
    case NodeRole::kPlusInput:
    case NodeRole::kOutput:
      return inStages;
    case NodeRole::kOwn:
      return inStages && node.index >= 0 && node.index < circuit.sections[node.stage].OwnNodes() &&
             NodeOf(circuit, node.stage, node.index) == node;
  }
  return false;
}

std::vector<CircuitPart> PartsOf(const CircuitModel& circuit) {
  std::vector<CircuitPart> resistors, capacitors;
  for (int k = 0; k < circuit.StageCount(); ++k) {
    const Section& s = circuit.sections[k];
    for (std::size_t i = 0; i < s.layout->parts.size(); ++i) {
      const SectionPart& p = s.layout->parts[i];
      const SectionPartId id = s.ids[i];
      (id.letter == 'R' ? resistors : capacitors)
          .push_back({{id.letter, id.number}, s.values[i], k, NodeOf(circuit, k, p.a), NodeOf(circuit, k, p.b)});
    }
  }
  auto byNumber = [](const CircuitPart& x, const CircuitPart& y) { return x.id.number < y.id.number; };
  std::sort(resistors.begin(), resistors.end(), byNumber);
  std::sort(capacitors.begin(), capacitors.end(), byNumber);
  resistors.insert(resistors.end(), capacitors.begin(), capacitors.end());
  return resistors;
}

// ---- the nodal solve ----

double Transfer::GainDb() const { return 20 * std::log10(std::abs(h)); }
double Transfer::PhaseDeg() const { return std::arg(h) * kDegPerRad; }
double Transfer::GroupDelayS() const { return -(dhds / h).real(); }

// Unknowns: the node voltages (input, then per stage junction, + input,
// output and, with Rout, the op-amp's inner node), then the currents of the
// input source and of each op-amp's source. Rows: Kirchhoff's current law
// at every node (admittances times voltages = current injected), the input
// source (v_in = u) and each op-amp: v_inner / A(s) - (v_plus + e) + v_out =
// 0, with 1 / A(s) = 1 / A0 + s / (2 pi GBW) (0 for the ideal op-amp), e
// the voltage in series with its + input. The matrix is M0 + s M1 exactly,
// so dx/ds = -M^-1 M1 x.
struct CircuitSolve::Column {
  std::vector<Complex> x;
  std::vector<Complex> dx;
};

CircuitSolve::CircuitSolve(const CircuitModel& circuit, Complex s) : s_(s) {
  const OpAmpTerms t = TermsOf(circuit.opAmp);
  const bool rout = t.rout > 0;
  stageCount_ = std::min(circuit.StageCount(), engine::kMaxStages);
  std::array<int, engine::kMaxStages> inner{};
  // Numbered along the cascade, each source's row beside its nodes, so that
  // every equation reaches only a few unknowns either side: a band. A
  // section's own nodes come first, in their order, then its output.
  int n = 0;
  const int input = n++;  // node 0: the input
  inputRow_ = n++;
  for (int k = 0; k < stageCount_; ++k) {
    own_[k] = n;
    ownCount_[k] = circuit.sections[k].OwnNodes();
    n += ownCount_[k];
    output_[k] = n++;
    inner[k] = rout ? n++ : output_[k];
    opAmpRow_[k] = n++;
  }
  size_ = n;
  // A section's local node as an unknown (-1: ground).
  auto global = [&](int k, int local) {
    if (local == kSectionGround) return -1;
    if (local == kSectionInput) return k == 0 ? input : output_[k - 1];
    if (local == kSectionOutput) return output_[k];
    return own_[k] + local;
  };
  for (int k = 0; k < stageCount_; ++k) {
    const CircuitNode junction = CircuitNode::Junction(k);
    junction_[k] = HasNode(circuit, junction) ? global(k, 0) : -2;
    plus_[k] = global(k, circuit.sections[k].layout->opAmpPlus);
  }

  std::vector<Complex> m0(static_cast<std::size_t>(n * n));
  m1_.assign(static_cast<std::size_t>(n * n), Complex(0, 0));
  auto at = [n](std::vector<Complex>& m, int r, int c) -> Complex& { return m[static_cast<std::size_t>(r * n + c)]; };
  // The band of M = M0 + s M1, taken as the entries are made: with partial
  // pivoting L keeps the lower width and U grows to the sum of both.
  int bandLower = 0, bandUpper = 0;
  auto entry = [&](std::vector<Complex>& m, int r, int c) -> Complex& {
    bandLower = std::max(bandLower, r - c);
    bandUpper = std::max(bandUpper, c - r);
    return at(m, r, c);
  };
  // An element between nodes i and j (-1: ground) into m.
  auto stamp = [&](std::vector<Complex>& m, int i, int j, double y) {
    if (i >= 0) entry(m, i, i) += y;
    if (j >= 0) entry(m, j, j) += y;
    if (i >= 0 && j >= 0) {
      entry(m, i, j) -= y;
      entry(m, j, i) -= y;
    }
  };
  auto element = [&](bool capacitor, int i, int j, double value) {
    if (capacitor) {
      stamp(m1_, i, j, value);
    } else {
      stamp(m0, i, j, 1 / value);
    }
  };
  for (int k = 0; k < stageCount_; ++k) {
    const Section& section = circuit.sections[k];
    for (std::size_t i = 0; i < section.layout->parts.size(); ++i) {
      const SectionPart& part = section.layout->parts[i];
      element(part.letter == 'C', global(k, part.a), global(k, part.b), section.values[i]);
    }
    if (rout) stamp(m0, inner[k], output_[k], 1 / t.rout);
    // The op-amp's source current enters its inner node; its row is
    // v_inner / A(s) - (v_plus + e) + v_minus = 0.
    const int current = opAmpRow_[k];
    entry(m0, inner[k], current) -= 1;
    entry(m0, current, inner[k]) += t.invA0;
    entry(m1_, current, inner[k]) += t.invOmegaT;
    if (plus_[k] >= 0) entry(m0, current, plus_[k]) -= 1;
    const int minus = global(k, section.layout->opAmpMinus);
    if (minus >= 0) entry(m0, current, minus) += 1;
  }
  entry(m0, input, inputRow_) -= 1;
  entry(m0, inputRow_, input) += 1;
  lower_ = bandLower;
  upper_ = bandLower + bandUpper;

  // Entries outside the band are 0 and stay so.
  auto bandFrom = [&](int r) { return std::max(0, r - bandLower); };
  auto bandTo = [&](int r) { return std::min(n, r + bandUpper + 1); };
  lu_.assign(m0.size(), Complex(0, 0));
  for (int r = 0; r < n; ++r)
    for (int c = bandFrom(r); c < bandTo(r); ++c) at(lu_, r, c) = at(m0, r, c) + s * at(m1_, r, c);
  // LU with partial pivoting on rows scaled to their largest entry (the
  // current law rows are in siemens, the source rows in units of one). The
  // scales are powers of two, so scaling rounds nothing; entries are sized
  // by |re| + |im| (as LAPACK picks its pivots), which costs no square root.
  auto size = [](const Complex& z) { return std::fabs(z.real()) + std::fabs(z.imag()); };
  scale_.assign(static_cast<std::size_t>(n), 1.0);
  for (int r = 0; r < n; ++r) {
    double big = 0;
    for (int c = bandFrom(r); c < bandTo(r); ++c) big = std::max(big, size(at(lu_, r, c)));
    if (big > 0 && std::isfinite(big)) scale_[r] = std::ldexp(1.0, -std::ilogb(big));
    for (int c = bandFrom(r); c < bandTo(r); ++c) {
      at(lu_, r, c) *= scale_[r];
      at(m1_, r, c) *= scale_[r];
    }
  }
  pivot_.resize(static_cast<std::size_t>(n));
  for (int col = 0; col < n; ++col) {
    const int rowEnd = std::min(n, col + lower_ + 1);
    const int colEnd = std::min(n, col + upper_ + 1);
    int p = col;
    for (int r = col + 1; r < rowEnd; ++r)
      if (size(at(lu_, r, col)) > size(at(lu_, p, col))) p = r;
    pivot_[col] = p;
    // The exchange from this column on only: the multipliers already stored
    // to the left stay with the step that made them (as LAPACK's band LU
    // keeps them), so that they stay within the band.
    if (p != col)
      for (int c = col; c < n; ++c) std::swap(at(lu_, col, c), at(lu_, p, c));
    const Complex d = at(lu_, col, col);
    for (int r = col + 1; r < rowEnd; ++r) {
      Complex& l = at(lu_, r, col);
      if (l == Complex(0, 0)) continue;
      l /= d;
      for (int c = col + 1; c < colEnd; ++c) at(lu_, r, c) -= l * at(lu_, col, c);
    }
  }
}

CircuitSolve CircuitSolve::AtHz(const CircuitModel& circuit, double f) {
  return CircuitSolve(circuit, Complex(0, engine::kTwoPi * f));
}

void CircuitSolve::Substitute(std::vector<Complex>& b) const {
  const int n = size_;
  // Each step's row exchange, then its multipliers; then the upper triangle.
  for (int col = 0; col < n; ++col) {
    if (pivot_[col] != col) std::swap(b[col], b[pivot_[col]]);
    const int rowEnd = std::min(n, col + lower_ + 1);
    for (int r = col + 1; r < rowEnd; ++r) b[r] -= lu_[static_cast<std::size_t>(r * n + col)] * b[col];
  }
  for (int r = n - 1; r >= 0; --r) {
    Complex v = b[r];
    const int colEnd = std::min(n, r + upper_ + 1);
    for (int c = r + 1; c < colEnd; ++c) v -= lu_[static_cast<std::size_t>(r * n + c)] * b[c];
    b[r] = v / lu_[static_cast<std::size_t>(r * n + r)];
  }
}

int CircuitSolve::IndexOf(const CircuitNode& node) const {
  const bool inStages = node.stage >= 0 && node.stage < stageCount_;
  switch (node.role) {
    case NodeRole::kGround:
      return -1;
    case NodeRole::kInput:
      return 0;
    case NodeRole::kJunction:
      return inStages ? junction_[node.stage] : -2;
    case NodeRole::kPlusInput:
      return inStages ? plus_[node.stage] : -2;
    case NodeRole::kOutput:
      return inStages ? output_[node.stage] : -2;
    case NodeRole::kOwn:
      return inStages && node.index >= 0 && node.index < ownCount_[node.stage] ? own_[node.stage] + node.index : -2;
  }
  return -2;
}

std::vector<Complex> CircuitSolve::RightHandSide(const CircuitSource& source) const {
  std::vector<Complex> b(static_cast<std::size_t>(size_), Complex(0, 0));
  switch (source.kind) {
    case SourceKind::kInput:
      b[inputRow_] = 1;
      break;
    case SourceKind::kCurrent: {
      const int to = IndexOf(source.to), from = IndexOf(source.from);
      if (to >= 0) b[to] += 1;
      if (from >= 0) b[from] -= 1;
      break;
    }
    case SourceKind::kPlusInputVoltage:
      if (source.stage >= 0 && source.stage < stageCount_) b[opAmpRow_[source.stage]] = 1;
      break;
  }
  return b;
}

CircuitSolve::Column CircuitSolve::SolveFor(const CircuitSource& source, bool withDerivative) const {
  Column col;
  col.x = RightHandSide(source);
  for (int r = 0; r < size_; ++r) col.x[r] *= scale_[r];
  Substitute(col.x);
  if (!withDerivative) return col;
  // dx/ds = -M^-1 (M1 x), M1 already scaled by rows as M is.
  col.dx.assign(static_cast<std::size_t>(size_), Complex(0, 0));
  for (int r = 0; r < size_; ++r) {
    Complex v(0, 0);
    // M1 keeps the rows of M (scaled, not exchanged): its own band.
    const int from = std::max(0, r - lower_), to = std::min(size_, r + upper_ + 1);
    for (int c = from; c < to; ++c) v -= m1_[static_cast<std::size_t>(r * size_ + c)] * col.x[c];
    col.dx[r] = v;
  }
  Substitute(col.dx);
  return col;
}

std::vector<Complex> CircuitSolve::ValuesTo(const CircuitSource& source, const std::vector<CircuitNode>& nodes) const {
  const Column col = SolveFor(source, false);
  std::vector<Complex> out;
  out.reserve(nodes.size());
  for (const CircuitNode& node : nodes) {
    const int i = IndexOf(node);
    const double nan = std::nan("");
    out.push_back(i >= 0 ? col.x[i] : i == -1 ? Complex(0, 0) : Complex(nan, nan));
  }
  return out;
}

// The solved system is (S M) x = S b with S the row scales, factorised as
// S M = P0 L0 P1 L1 ... U (each step's exchange and multipliers). The
// node's row of M^-1 is z = S w with (S M)^T w = e: U^T a = e forwards,
// then from the last step back its multipliers transposed and its
// exchange. A source's transfer is then z . b.
CircuitAdjoint CircuitSolve::AdjointTo(const CircuitNode& node) const {
  CircuitAdjoint adjoint;
  adjoint.solve_ = this;
  const int n = size_;
  const int o = IndexOf(node);
  if (o < 0) {
    const double nan = std::nan("");
    adjoint.z_.assign(static_cast<std::size_t>(n), o == -1 ? Complex(0, 0) : Complex(nan, nan));
    return adjoint;
  }
  std::vector<Complex>& a = adjoint.z_;
  a.assign(static_cast<std::size_t>(n), Complex(0, 0));
  a[o] = 1;
  auto lu = [&](int r, int c) { return lu_[static_cast<std::size_t>(r * n + c)]; };
  for (int r = 0; r < n; ++r) {
    Complex v = a[r];
    for (int c = std::max(0, r - upper_); c < r; ++c) v -= lu(c, r) * a[c];
    a[r] = v / lu(r, r);
  }
  for (int r = n - 1; r >= 0; --r) {
    Complex v = a[r];
    const int rowEnd = std::min(n, r + lower_ + 1);
    for (int c = r + 1; c < rowEnd; ++c) v -= lu(c, r) * a[c];
    a[r] = v;
    if (pivot_[r] != r) std::swap(a[r], a[pivot_[r]]);
  }
  for (int r = 0; r < n; ++r) a[r] *= scale_[r];
  return adjoint;
}

Complex CircuitAdjoint::From(const CircuitSource& source) const {
  if (!solve_) return Complex(std::nan(""), std::nan(""));
  const CircuitSolve& s = *solve_;
  switch (source.kind) {
    case SourceKind::kInput:
      return z_[s.inputRow_];
    case SourceKind::kCurrent: {
      const int to = s.IndexOf(source.to), from = s.IndexOf(source.from);
      const double nan = std::nan("");
      if (to == -2 || from == -2) return Complex(nan, nan);
      return (to >= 0 ? z_[to] : Complex(0, 0)) - (from >= 0 ? z_[from] : Complex(0, 0));
    }
    case SourceKind::kPlusInputVoltage:
      if (source.stage >= 0 && source.stage < s.stageCount_) return z_[s.opAmpRow_[source.stage]];
      return Complex(0, 0);
  }
  return Complex(std::nan(""), std::nan(""));
}

Transfer CircuitSolve::TransferTo(const CircuitSource& source, const CircuitNode& node) const {
  return TransfersTo(source, {node}).front();
}

std::vector<Transfer> CircuitSolve::TransfersTo(const CircuitSource& source,
                                                const std::vector<CircuitNode>& nodes) const {
  const Column col = SolveFor(source);
  std::vector<Transfer> out;
  out.reserve(nodes.size());
  for (const CircuitNode& node : nodes) {
    const int i = IndexOf(node);
    if (i >= 0) {
      out.push_back({col.x[i], col.dx[i]});
    } else if (i == -1) {
      out.push_back({Complex(0, 0), Complex(0, 0)});
    } else {
      const double nan = std::nan("");
      out.push_back({Complex(nan, nan), Complex(nan, nan)});
    }
  }
  return out;
}

Transfer TransferAtHz(const CircuitModel& circuit, const CircuitSource& source, const CircuitNode& node, double f) {
  return CircuitSolve::AtHz(circuit, f).TransferTo(source, node);
}

// ---- the views: the closed forms for the ideal op-amp, the circuit's own
// solution for a real one; for sections the sheet's circuit does not have,
// the nodal solve ----

bool HasSheetForm(const CircuitModel& circuit) {
  return circuit.StageCount() > 0 && circuit.drawn.stageCount == circuit.StageCount();
}

double CircuitPassbandGain(const CircuitModel& circuit) {
  if (!circuit.Hpf()) return std::abs(TransferAtHz(circuit, CircuitSource::Input(), FilterOutput(circuit), 0.0).h);
  return std::fabs(CascadeGain(circuit.sections));
}

double CircuitGainDb(const CircuitModel& circuit, double f) {
  if (!HasSheetForm(circuit)) return TransferAtHz(circuit, CircuitSource::Input(), FilterOutput(circuit), f).GainDb();
  if (circuit.opAmp.ideal) return ResponseDb(circuit.request, circuit.drawn.ideal, f);
  return CircuitGainDb(circuit.drawn, circuit.opAmp, f);
}

double CircuitCutoff3dB(const OpAmpCircuit& drawn, const OpAmpModel& opAmp) {
  if (opAmp.ideal) return FastCutoff3dB(drawn.request, drawn.ideal);
  // The op-amp's terms once for the whole search: CircuitGainDb's bits.
  const OpAmpTerms terms = TermsOf(opAmp);
  return SearchCutoff3dB(drawn.request.passKind == engine::kHpf,
                         [&](double f) { return DbOfMagnitude(CircuitGainMagnitude(drawn, terms, f)); });
}

double CircuitCutoff3dB(const CircuitModel& circuit) {
  if (!HasSheetForm(circuit)) {
    // 3 dB below the pass-band gain, whatever the sections' gain is.
    const double passDb = 20 * std::log10(CircuitPassbandGain(circuit));
    return SearchCutoff3dB(circuit.Hpf(), [&](double f) { return CircuitGainDb(circuit, f) - passDb; });
  }
  return CircuitCutoff3dB(circuit.drawn, circuit.opAmp);
}

double CircuitGroupDelayS(const CircuitModel& circuit, double f) {
  if (!HasSheetForm(circuit))
    return TransferAtHz(circuit, CircuitSource::Input(), FilterOutput(circuit), f).GroupDelayS();
  if (circuit.opAmp.ideal) return GroupDelay(circuit.cascade, f);
  return CircuitDelayS(circuit.drawn, circuit.opAmp, f);
}

FrequencyCurves CircuitFrequencyCurves(const CircuitModel& circuit, const std::vector<double>& frequencies) {
  FrequencyCurves out;
  if (!HasSheetForm(circuit)) {
    // One solve a frequency; the phase follows arg H continuously from the
    // first frequency (steps of more than 180 degrees between two points
    // cannot be told from their alias: ask for points close enough).
    double previous = 0;
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
      const Transfer t = TransferAtHz(circuit, CircuitSource::Input(), FilterOutput(circuit), frequencies[i]);
      double phase = t.PhaseDeg();
      if (i > 0) phase += 360.0 * std::round((previous - phase) / 360.0);
      previous = phase;
      out.gainDb.push_back(t.GainDb());
      out.phaseDeg.push_back(phase);
      out.delayS.push_back(t.GroupDelayS());
    }
    return out;
  }
  if (!circuit.opAmp.ideal) {
    CircuitCurveSet set = CircuitCurves(circuit.drawn, circuit.opAmp, frequencies);
    out.gainDb = std::move(set.gainDb);
    out.phaseDeg = std::move(set.phaseDeg);
    out.delayS = std::move(set.delayS);
    return out;
  }
  out.gainDb.reserve(frequencies.size());
  out.phaseDeg.reserve(frequencies.size());
  out.delayS.reserve(frequencies.size());
  for (double f : frequencies) {
    out.gainDb.push_back(GainDb(circuit.cascade, f));
    out.phaseDeg.push_back(PhaseDeg(circuit.cascade, f));
    out.delayS.push_back(GroupDelay(circuit.cascade, f));
  }
  return out;
}

Cascade CascadeOfSections(std::span<const Section> sections) {
  Cascade cascade;
  int order = 0;
  for (const Section& s : sections) order += s.topology->Order();
  cascade.request.passKind =
      !sections.empty() && sections.back().kind == SectionKind::kHighPass ? engine::kHpf : engine::kLpf;
  cascade.request.orderIndex = static_cast<std::uint8_t>(std::max(order, values::kMinOrder) - values::kMinOrder);
  cascade.request.evenOrder = order % 2 == 0;
  int part = 1;
  for (const Section& s : sections) {
    if (cascade.count >= engine::kMaxStages) break;
    const SectionFigures f = s.Figures();
    CascadeStage& stage = cascade.stage[cascade.count];
    stage.order = s.topology->Order();
    stage.omega = f.omega;
    stage.q = stage.order == 1 ? 0.0 : f.q;
    stage.firstPart = part;
    part += stage.order;
    cascade.stages.omega[cascade.count] = f.omega;
    cascade.stages.q[cascade.count] = stage.q;
    ++cascade.count;
  }
  return cascade;
}

TimeResponse TimeResponseOfSections(std::span<const Section> sections) {
  std::vector<SectionKind> kinds;
  for (const Section& s : sections) kinds.push_back(s.kind);
  const Cascade cascade = CascadeOfSections(sections);
  kinds.resize(static_cast<std::size_t>(cascade.count));
  return TimeResponse(cascade, kinds);
}

double BandPassSettlingTimeS(std::span<const Section> sections, double centreHz, double band) {
  const CircuitModel circuit = CircuitOfSections(std::vector<Section>(sections.begin(), sections.end()), {});
  const double centre = std::abs(TransferAtHz(circuit, CircuitSource::Input(), FilterOutput(circuit), centreHz).h);
  return TimeResponseOfSections(sections).SettlingTime(band * centre / std::abs(CascadeGain(sections)));
}

TimeCurves CircuitStepImpulse(const CircuitModel& circuit, double fromS, double toS, int points) {
  TimeCurves out;
  if (!HasSheetForm(circuit) && !circuit.opAmp.ideal) {
    // A real op-amp: the state equations of the sections' element lists.
    CircuitTimeCurves c = CircuitTimeResponse(circuit.sections, circuit.opAmp, fromS, toS, points);
    out.step = std::move(c.step);
    out.impulse = std::move(c.impulse);
    out.diracWeight = c.diracWeight;
    return out;
  }
  if (!HasSheetForm(circuit)) {
    // The ideal op-amp: the cascade's poles and residues, times its gain.
    const double gain = CascadeGain(circuit.sections);
    const TimeResponse time = TimeResponseOfSections(circuit.sections);
    for (double x : LinearPoints(fromS, toS, points)) {
      out.step.push_back(gain * time.Step(x));
      out.impulse.push_back(gain * time.Impulse(x));
    }
    out.diracWeight = gain * time.DiracWeight();
    return out;
  }
  if (!circuit.opAmp.ideal) {
    CircuitTimeCurves c = CircuitTimeResponse(circuit.drawn, circuit.opAmp, fromS, toS, points);
    out.step = std::move(c.step);
    out.impulse = std::move(c.impulse);
    out.diracWeight = c.diracWeight;
    return out;
  }
  const TimeResponse time(circuit.cascade);
  const std::vector<double> t = LinearPoints(fromS, toS, points);
  out.step.reserve(t.size());
  out.impulse.reserve(t.size());
  for (double x : t) {
    out.step.push_back(time.Step(x));
    out.impulse.push_back(time.Impulse(x));
  }
  out.diracWeight = time.DiracWeight();
  return out;
}

}  // namespace kelvara::response
