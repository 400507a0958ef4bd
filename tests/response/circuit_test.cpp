#include "response/circuit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "tests/response/opamp_test_support.h"

namespace kelvara::response {
namespace {

using testing::Describe;
using testing::DesignCase;
using testing::DesignedParts;
using testing::RealOpAmp;
using testing::RequestOf;
using Complex = std::complex<double>;

constexpr double kTwoPi = 6.283185307179586;

const std::vector<DesignCase>& Designs() {
  static const std::vector<DesignCase> designs = {
      {engine::kLpf, 2, engine::kButterworth, "1k"},        {engine::kLpf, 3, engine::kBessel, "250"},
      {engine::kLpf, 4, engine::kChebyshev, "10k"},         {engine::kLpf, 5, engine::kButterworth, "47k", true},
      {engine::kLpf, 8, engine::kChebyshev, "10k", true},   {engine::kHpf, 2, engine::kButterworth, "1k"},
      {engine::kHpf, 3, engine::kButterworth, "22k", true}, {engine::kHpf, 6, engine::kButterworth, "2M"},
      {engine::kHpf, 7, engine::kChebyshev, "1k"},
  };
  return designs;
}

struct ModelCase {
  const char* name;
  OpAmpModel model;
};

const std::vector<ModelCase>& Models() {
  static const std::vector<ModelCase> models = {
      {"ideal", OpAmpModel{}},
      {"1 MHz", RealOpAmp(1e6, 100, 0)},
      {"10 MHz, 75 ohm", RealOpAmp(1e7, 110, 75)},
      {"100 kHz, 60 dB, 300 ohm", RealOpAmp(1e5, 60, 300)},
  };
  return models;
}

// ---- a brute-force nodal solve of the drawn circuit, written from the
// drawing with no code of response/: every node's voltage and each
// op-amp's source current as unknowns, Gaussian elimination with partial
// pivoting in long double, the derivative by s from a five-point difference ----

struct BruteNodes {
  int input = 0;
  std::vector<int> a, b, out, inner, current;
  int inputCurrent = 0;
  int size = 0;
};

struct BruteSource {
  enum { kInput, kCurrent, kPlusVoltage } kind = kInput;
  int into = -1;  // unknown index, -1 ground
  int from = -1;
  int stage = 0;
};

BruteNodes NumberNodes(int stages, bool odd, bool rout) {
  BruteNodes n;
  int next = 1;
  for (int k = 0; k < stages; ++k) {
    n.a.push_back(odd && k == 0 ? -1 : next++);
    n.b.push_back(next++);
    n.out.push_back(next++);
    n.inner.push_back(rout ? next++ : n.out.back());
  }
  n.inputCurrent = next++;
  for (int k = 0; k < stages; ++k) n.current.push_back(next++);
  n.size = next;
  return n;
}

std::vector<Complex> BruteSolve(const DesignRequest& request, const ComponentSet& parts, const OpAmpModel& opamp,
                                const BruteNodes& nodes, const BruteSource& source, Complex sd) {
  using Wide = std::complex<long double>;
  const Wide s(sd.real(), sd.imag());
  const int size = nodes.size;
  std::vector<Wide> m(static_cast<std::size_t>(size * size)), rhs(static_cast<std::size_t>(size));
  auto at = [&](int r, int c) -> Wide& { return m[static_cast<std::size_t>(r * size + c)]; };
  auto admit = [&](int i, int j, Wide y) {
    if (i >= 0) at(i, i) += y;
    if (j >= 0) at(j, j) += y;
    if (i >= 0 && j >= 0) {
      at(i, j) -= y;
      at(j, i) -= y;
    }
  };
  const bool hpf = request.passKind == engine::kHpf;
  auto resistor = [&](int i, int j, double r) { admit(i, j, 1.0L / r); };
  auto capacitor = [&](int i, int j, double c) { admit(i, j, s * static_cast<long double>(c)); };
  // LPF: resistors in series, capacitors in the feedback and to ground;
  // HPF the other way round.
  auto series = [&](int i, int j, int part) {
    if (hpf) {
      capacitor(i, j, parts.c[part - 1]);
    } else {
      resistor(i, j, parts.r[part - 1]);
    }
  };
  auto other = [&](int i, int j, int part) {
    if (hpf) {
      resistor(i, j, parts.r[part - 1]);
    } else {
      capacitor(i, j, parts.c[part - 1]);
    }
  };
  const bool odd = request.Order() % 2 == 1;
  const int stages = static_cast<int>(nodes.b.size());
  int part = 1;
  for (int k = 0; k < stages; ++k) {
    const int in = k == 0 ? nodes.input : nodes.out[k - 1];
    if (odd && k == 0) {
      series(in, nodes.b[k], 1);
      other(nodes.b[k], -1, 1);
      part = 2;
    } else {
      series(in, nodes.a[k], part);              // Ra / Ca
      series(nodes.a[k], nodes.b[k], part + 1);  // Rb / Cb
      other(nodes.a[k], nodes.out[k], part);     // Ca / Ra to the output
      other(nodes.b[k], -1, part + 1);           // Cb / Rb to ground
      part += 2;
    }
    if (nodes.inner[k] != nodes.out[k]) resistor(nodes.inner[k], nodes.out[k], opamp.routOhm);
    // The source of op-amp k drives its inner node; v_inner = A(s) (v+ + e - v_out).
    at(nodes.inner[k], nodes.current[k]) -= 1.0;
    const int row = nodes.current[k];
    const bool driven = source.kind == BruteSource::kPlusVoltage && source.stage == k;
    if (opamp.ideal) {
      // v+ + e - v_out = 0
      at(row, nodes.b[k]) += 1.0;
      at(row, nodes.out[k]) -= 1.0;
      if (driven) rhs[row] = -1.0;
    } else {
      const long double a0 = std::pow(10.0L, static_cast<long double>(opamp.a0Db) / 20);
      const Wide gain = a0 / (1.0L + s * a0 / (2 * 3.14159265358979323846264338L * opamp.gbwHz));
      at(row, nodes.inner[k]) += 1.0;
      at(row, nodes.b[k]) -= gain;
      at(row, nodes.out[k]) += gain;
      if (driven) rhs[row] = gain;
    }
  }
  at(nodes.input, nodes.inputCurrent) -= 1.0;
  at(nodes.inputCurrent, nodes.input) = 1.0;
  if (source.kind == BruteSource::kInput) rhs[nodes.inputCurrent] = 1.0;
  if (source.kind == BruteSource::kCurrent) {
    if (source.into >= 0) rhs[source.into] += 1.0;
    if (source.from >= 0) rhs[source.from] -= 1.0;
  }
  for (int k = 0; k < size; ++k) {
    int p = k;
    for (int i = k + 1; i < size; ++i)
      if (std::abs(at(i, k)) > std::abs(at(p, k))) p = i;
    for (int j = 0; j < size; ++j) std::swap(at(k, j), at(p, j));
    std::swap(rhs[k], rhs[p]);
    for (int i = k + 1; i < size; ++i) {
      const Wide f = at(i, k) / at(k, k);
      for (int j = k; j < size; ++j) at(i, j) -= f * at(k, j);
      rhs[i] -= f * rhs[k];
    }
  }
  std::vector<Wide> x(static_cast<std::size_t>(size));
  for (int i = size - 1; i >= 0; --i) {
    Wide sum = rhs[i];
    for (int j = i + 1; j < size; ++j) sum -= at(i, j) * x[j];
    x[i] = sum / at(i, i);
  }
  std::vector<Complex> out;
  for (const Wide& v : x) out.emplace_back(static_cast<double>(v.real()), static_cast<double>(v.imag()));
  return out;
}

int BruteIndex(const BruteNodes& n, const CircuitNode& node) {
  switch (node.role) {
    case NodeRole::kGround:
      return -1;
    case NodeRole::kInput:
      return n.input;
    case NodeRole::kJunction:
      return n.a[node.stage];
    case NodeRole::kPlusInput:
      return n.b[node.stage];
    case NodeRole::kOutput:
      return n.out[node.stage];
    case NodeRole::kOwn:  // a Sallen-Key cascade has none but these
      break;
  }
  return -1;
}

BruteSource BruteOf(const BruteNodes& n, const CircuitSource& source) {
  BruteSource b;
  switch (source.kind) {
    case SourceKind::kInput:
      b.kind = BruteSource::kInput;
      break;
    case SourceKind::kCurrent:
      b.kind = BruteSource::kCurrent;
      b.into = BruteIndex(n, source.to);
      b.from = BruteIndex(n, source.from);
      break;
    case SourceKind::kPlusInputVoltage:
      b.kind = BruteSource::kPlusVoltage;
      b.stage = source.stage;
      break;
  }
  return b;
}

std::vector<CircuitNode> NodesOf(const CircuitModel& c) {
  std::vector<CircuitNode> nodes = {CircuitNode::Input()};
  for (int k = 0; k < c.StageCount(); ++k) {
    if (HasNode(c, CircuitNode::Junction(k))) nodes.push_back(CircuitNode::Junction(k));
    nodes.push_back(CircuitNode::PlusInput(k));
    nodes.push_back(CircuitNode::Output(k));
  }
  return nodes;
}

// Every source the evaluator names: the input, 1 A into every node, 1 A
// across every part, 1 V at every + input.
std::vector<CircuitSource> SourcesOf(const CircuitModel& c) {
  std::vector<CircuitSource> sources = {CircuitSource::Input()};
  for (const CircuitNode& node : NodesOf(c))
    if (node.role != NodeRole::kInput) sources.push_back(CircuitSource::Current(node));
  for (const CircuitPart& part : PartsOf(c)) sources.push_back(CircuitSource::Current(part.a, part.b));
  for (int k = 0; k < c.StageCount(); ++k) sources.push_back(CircuitSource::PlusInputVoltage(k));
  return sources;
}

std::string SourceName(const CircuitSource& s) {
  auto node = [](const CircuitNode& n) {
    static const char* const kRoles[] = {"ground", "input", "junction", "plus", "output"};
    return std::string(kRoles[static_cast<int>(n.role)]) + std::to_string(n.stage);
  };
  switch (s.kind) {
    case SourceKind::kInput:
      return "input";
    case SourceKind::kCurrent:
      return "current " + node(s.from) + " -> " + node(s.to);
    case SourceKind::kPlusInputVoltage:
      return "voltage at + input " + std::to_string(s.stage);
  }
  return {};
}

// The points of the s-plane a case is checked at: on the frequency axis
// around the cut-off and off it.
std::vector<Complex> PointsOf(const DesignRequest& request) {
  const double w = kTwoPi * request.cutoffHz;
  return {Complex(0, 0.01 * w), Complex(0, 0.5 * w),        Complex(0, w),          Complex(0, 2.3 * w),
          Complex(0, 40 * w),   Complex(-0.2 * w, 0.7 * w), Complex(0.1 * w, 3 * w)};
}

TEST(CircuitSolve, EveryTransferMatchesABruteForceNodalSolve) {
  for (const DesignCase& d : Designs()) {
    const DesignRequest request = RequestOf(d);
    const ComponentSet parts = DesignedParts(d);
    for (const ModelCase& m : Models()) {
      SCOPED_TRACE(Describe(d) + ", " + m.name);
      const CircuitModel circuit = MakeCircuit(request, parts, m.model);
      const bool rout = !m.model.ideal && m.model.routOhm > 0;
      const BruteNodes brute = NumberNodes(circuit.StageCount(), request.Order() % 2 == 1, rout);
      const std::vector<CircuitNode> nodes = NodesOf(circuit);
      double largestOhm = 0;
      for (int i = 0; i < request.Order(); ++i) largestOhm = std::fmax(largestOhm, parts.r[i]);
      for (const Complex s : PointsOf(request)) {
        const CircuitSolve solve(circuit, s);
        for (const CircuitSource& source : SourcesOf(circuit)) {
          SCOPED_TRACE(SourceName(source) + " at s = " + std::to_string(s.real()) + " + j" + std::to_string(s.imag()));
          const std::vector<Transfer> got = solve.TransfersTo(source, nodes);
          const BruteSource b = BruteOf(brute, source);
          const std::vector<Complex> x = BruteSolve(request, parts, m.model, brute, b, s);
          // dH/ds by the five-point difference (truncation near 1e-9 here).
          const double ds = 3e-4 * std::abs(s);
          std::vector<std::vector<Complex>> around;
          for (double step : {2.0, 1.0, -1.0, -2.0})
            around.push_back(BruteSolve(request, parts, m.model, brute, b, s + step * ds));
          // Errors are measured against the largest response of the source
          // (a node far from it may be many decades smaller) and, where the
          // source barely moves anything, against the rounding of the brute
          // force: the circuit's largest impedance for a current.
          const double unit = source.kind == SourceKind::kCurrent ? largestOhm : 1.0;
          double scale = 0, dscale = 0;
          std::vector<Complex> derivative;
          for (const CircuitNode& node : nodes) {
            const int i = BruteIndex(brute, node);
            derivative.push_back((-around[0][i] + 8.0 * around[1][i] - 8.0 * around[2][i] + around[3][i]) / (12 * ds));
            scale = std::fmax(scale, std::abs(x[i]));
            dscale = std::fmax(dscale, std::abs(derivative.back()));
          }
          for (std::size_t j = 0; j < nodes.size(); ++j) {
            const int i = BruteIndex(brute, nodes[j]);
            EXPECT_LE(std::abs(got[j].h - x[i]), 1e-9 * scale + 1e-15 * unit)
                << "node " << j << ": " << got[j].h << " vs " << x[i];
            EXPECT_LE(std::abs(got[j].dhds - derivative[j]), 1e-6 * dscale + 1e-12 * unit / std::abs(s))
                << "node " << j << ": " << got[j].dhds << " vs " << derivative[j];
          }
        }
      }
    }
  }
}

// The adjoint's transfer from every source to every node is the forward
// solve's (reciprocity of the one factorisation), and so are the values
// without derivatives.
TEST(CircuitSolve, TheAdjointGivesEverySourcesTransferOfTheForwardSolve) {
  for (const DesignCase& d : Designs()) {
    const DesignRequest request = RequestOf(d);
    const ComponentSet parts = DesignedParts(d);
    for (const ModelCase& m : Models()) {
      SCOPED_TRACE(Describe(d) + ", " + m.name);
      const CircuitModel circuit = MakeCircuit(request, parts, m.model);
      std::vector<CircuitNode> nodes = NodesOf(circuit);
      nodes.push_back(CircuitNode::Ground());
      for (const Complex s : PointsOf(request)) {
        const CircuitSolve solve(circuit, s);
        std::vector<CircuitAdjoint> adjoints;
        for (const CircuitNode& node : nodes) adjoints.push_back(solve.AdjointTo(node));
        // Rounding is measured against the largest of what reaches the node
        // from any source (a source that barely reaches it is many decades
        // smaller).
        std::vector<double> reach(nodes.size(), 0.0);
        for (const CircuitSource& source : SourcesOf(circuit))
          for (std::size_t j = 0; j < nodes.size(); ++j)
            reach[j] = std::fmax(reach[j], std::abs(adjoints[j].From(source)));
        for (const CircuitSource& source : SourcesOf(circuit)) {
          SCOPED_TRACE(SourceName(source));
          const std::vector<Transfer> forward = solve.TransfersTo(source, nodes);
          const std::vector<Complex> values = solve.ValuesTo(source, nodes);
          double scale = 0;
          for (const Transfer& t : forward) scale = std::fmax(scale, std::abs(t.h));
          for (std::size_t j = 0; j < nodes.size(); ++j) {
            EXPECT_EQ(values[j], forward[j].h);
            EXPECT_LE(std::abs(adjoints[j].From(source) - forward[j].h), 1e-12 * std::fmax(scale, reach[j]))
                << "node " << j;
          }
        }
      }
      // A node the circuit does not have: no number from any source.
      const CircuitSolve solve = CircuitSolve::AtHz(circuit, 1e3);
      EXPECT_TRUE(
          std::isnan(solve.AdjointTo(CircuitNode::Output(circuit.StageCount())).From(CircuitSource::Input()).real()));
    }
  }
}

// With ideal op-amps every stage's output is a stiff source: the input's
// transfer to stage k's output is the product of the ideal sections up to
// k, and what reaches stage k's output from a source in stage k goes on
// through the sections behind it alone.
TEST(CircuitSolve, IdealOpAmpsGiveProductsOfTheIdealSections) {
  for (const DesignCase& d : Designs()) {
    SCOPED_TRACE(Describe(d));
    const CircuitModel circuit = MakeCircuit(RequestOf(d), DesignedParts(d));
    for (double x : {0.05, 0.7, 1.0, 1.3, 20.0}) {
      const double f = x * circuit.request.cutoffHz;
      const CircuitSolve solve = CircuitSolve::AtHz(circuit, f);
      Complex product(1, 0);
      for (int k = 0; k < circuit.StageCount(); ++k) {
        product *= StageResponse(circuit.cascade, k, f);
        const Complex h = solve.TransferTo(CircuitSource::Input(), CircuitNode::Output(k)).h;
        EXPECT_LE(std::abs(h - product), 1e-12 * std::abs(product)) << f << " stage " << k;
        Complex behind(1, 0);
        for (int j = k + 1; j < circuit.StageCount(); ++j) behind *= StageResponse(circuit.cascade, j, f);
        for (const CircuitSource& source :
             {CircuitSource::PlusInputVoltage(k), CircuitSource::Current(CircuitNode::PlusInput(k))}) {
          const std::vector<Transfer> t = solve.TransfersTo(source, {CircuitNode::Output(k), FilterOutput(circuit)});
          EXPECT_LE(std::abs(t[1].h - t[0].h * behind), 1e-12 * std::abs(t[0].h * behind) + 1e-300) << f;
        }
      }
      const Transfer t = solve.TransferTo(CircuitSource::Input(), FilterOutput(circuit));
      EXPECT_NEAR(t.GroupDelayS(), GroupDelay(circuit.cascade, f), 1e-10 * GroupDelay(circuit.cascade, f)) << f;
    }
  }
}

// A voltage e in series with the + input of a low-pass second-order stage
// with an ideal op-amp: from the drawing, v_B = e s Ra Ca / D(s) with
// D(s) = 1 + s Cb (Ra + Rb) + s^2 Ra Rb Ca Cb, and the output v_B + e.
// A first-order stage's output is v_B + e with v_B unmoved by it.
TEST(CircuitSolve, VoltageAtThePlusInputOfAnIdealStage) {
  const DesignCase d{engine::kLpf, 5, engine::kChebyshev, "3k"};
  const ComponentSet p = DesignedParts(d);
  const CircuitModel circuit = MakeCircuit(RequestOf(d), p);
  for (double f : {10.0, 1e3, 3e3, 1e5}) {
    const Complex s(0, kTwoPi * f);
    const CircuitSolve solve(circuit, s);
    EXPECT_LE(std::abs(solve.TransferTo(CircuitSource::PlusInputVoltage(0), CircuitNode::Output(0)).h - 1.0), 1e-15);
    for (int k = 1; k < 3; ++k) {
      const double ra = p.r[2 * k - 1], rb = p.r[2 * k], ca = p.c[2 * k - 1], cb = p.c[2 * k];
      const Complex den = 1.0 + s * cb * (ra + rb) + s * s * ra * rb * ca * cb;
      const Complex expected = 1.0 + s * ra * ca / den;
      const Transfer t = solve.TransferTo(CircuitSource::PlusInputVoltage(k), CircuitNode::Output(k));
      EXPECT_LE(std::abs(t.h - expected), 1e-12 * std::abs(expected)) << f << " stage " << k;
      // d/ds of 1 + s Ra Ca / D(s).
      const Complex dden = cb * (ra + rb) + 2.0 * s * ra * rb * ca * cb;
      const Complex dexpected = ra * ca / den - s * ra * ca * dden / (den * den);
      EXPECT_LE(std::abs(t.dhds - dexpected), 1e-10 * std::abs(dexpected)) << f << " stage " << k;
    }
  }
}

// The input's transfer to the output is the cascade solve of
// opamp_circuit.h, its delay included.
TEST(CircuitSolve, RealOpAmpInputToOutputIsTheCascadeSolve) {
  for (const DesignCase& d : Designs()) {
    for (const ModelCase& m : Models()) {
      SCOPED_TRACE(Describe(d) + ", " + m.name);
      const CircuitModel circuit = MakeCircuit(RequestOf(d), DesignedParts(d), m.model);
      for (double x : {0.05, 0.7, 1.0, 1.3, 20.0, 3000.0}) {
        const double f = x * circuit.request.cutoffHz;
        const CircuitResponse ladder = SolveCircuit(circuit.drawn, m.model, f);
        const Transfer t = TransferAtHz(circuit, CircuitSource::Input(), FilterOutput(circuit), f);
        EXPECT_LE(std::abs(t.h - ladder.h), 1e-10 * std::abs(ladder.h)) << f;
        EXPECT_NEAR(t.GroupDelayS(), ladder.delayS, 1e-8 * std::fabs(ladder.delayS) + 1e-18) << f;
      }
    }
  }
}

TEST(CircuitSolve, GroundIsZeroAndMissingNodesAreNotANumber) {
  const DesignCase d{engine::kLpf, 3, engine::kButterworth, "1k"};
  const CircuitModel circuit = MakeCircuit(RequestOf(d), DesignedParts(d), RealOpAmp(1e6));
  const CircuitSolve solve = CircuitSolve::AtHz(circuit, 1e3);
  EXPECT_EQ(solve.TransferTo(CircuitSource::Input(), CircuitNode::Ground()).h, Complex(0, 0));
  EXPECT_TRUE(std::isnan(solve.TransferTo(CircuitSource::Input(), CircuitNode::Junction(0)).h.real()));
  EXPECT_TRUE(std::isnan(solve.TransferTo(CircuitSource::Input(), CircuitNode::Output(2)).h.real()));
  EXPECT_FALSE(HasNode(circuit, CircuitNode::Junction(0)));
  EXPECT_TRUE(HasNode(circuit, CircuitNode::Junction(1)));
  EXPECT_FALSE(HasNode(circuit, CircuitNode::Output(2)));
  // A source into ground drives nothing; the input at 1 V is 1 V.
  EXPECT_EQ(solve.TransferTo(CircuitSource::Current(CircuitNode::Ground()), FilterOutput(circuit)).h, Complex(0, 0));
  EXPECT_EQ(solve.TransferTo(CircuitSource::Input(), CircuitNode::Input()).h, Complex(1, 0));
  // Injected sources see the input held at 0 V.
  EXPECT_EQ(solve.TransferTo(CircuitSource::PlusInputVoltage(1), CircuitNode::Input()).h, Complex(0, 0));
}

struct PartCase {
  int kind;
  int order;
  std::vector<std::string> expected;  // name: from - to
};

TEST(CircuitModel, PartsAreNamedWithTheNodesTheyJoin) {
  const std::vector<PartCase> cases = {
      {engine::kLpf,
       3,
       {"R1 input0-plus0", "R2 output0-junction1", "R3 junction1-plus1", "C1 plus0-ground0", "C2 junction1-output1",
        "C3 plus1-ground0"}},
      {engine::kHpf,
       4,
       {"R1 junction0-output0", "R2 plus0-ground0", "R3 junction1-output1", "R4 plus1-ground0", "C1 input0-junction0",
        "C2 junction0-plus0", "C3 output0-junction1", "C4 junction1-plus1"}},
  };
  auto node = [](const CircuitNode& n) {
    static const char* const kRoles[] = {"ground", "input", "junction", "plus", "output"};
    return std::string(kRoles[static_cast<int>(n.role)]) +
           std::to_string(n.role == NodeRole::kGround || n.role == NodeRole::kInput ? 0 : n.stage);
  };
  for (const PartCase& c : cases) {
    const DesignCase d{c.kind, c.order, engine::kButterworth, "1k"};
    const ComponentSet parts = DesignedParts(d);
    const CircuitModel circuit = MakeCircuit(RequestOf(d), parts);
    std::vector<std::string> got;
    for (const CircuitPart& p : PartsOf(circuit)) {
      got.push_back(PartName(p.id) + " " + node(p.a) + "-" + node(p.b));
      EXPECT_EQ(p.value, p.id.letter == 'R' ? parts.r[p.id.number - 1] : parts.c[p.id.number - 1]);
    }
    EXPECT_EQ(got, c.expected);
  }
}

// The views of the model are the closed forms for the ideal op-amp, bit
// for bit, and the circuit's own solution for a real one.
TEST(CircuitModel, ViewsAreTheClosedFormsOrTheCircuitSolve) {
  for (const DesignCase& d : Designs()) {
    for (const ModelCase& m : Models()) {
      SCOPED_TRACE(Describe(d) + ", " + m.name);
      const CircuitModel circuit = MakeCircuit(RequestOf(d), DesignedParts(d), m.model);
      std::vector<double> f;
      for (double x = 0.01; x < 100; x *= 1.7) f.push_back(x * circuit.request.cutoffHz);
      const FrequencyCurves curves = CircuitFrequencyCurves(circuit, f);
      const TimeCurves time = CircuitStepImpulse(circuit, 0, 20 / circuit.cascade.stage[0].omega, 64);
      if (m.model.ideal) {
        const TimeResponse ideal(circuit.cascade);
        const std::vector<double> t = LinearPoints(0, 20 / circuit.cascade.stage[0].omega, 64);
        for (std::size_t i = 0; i < f.size(); ++i) {
          EXPECT_EQ(curves.gainDb[i], ResponseDb(circuit.request, circuit.drawn.ideal, f[i]));
          EXPECT_EQ(CircuitGainDb(circuit, f[i]), ResponseDb(circuit.request, circuit.drawn.ideal, f[i]));
          EXPECT_EQ(curves.phaseDeg[i], PhaseDeg(circuit.cascade, f[i]));
          EXPECT_EQ(curves.delayS[i], GroupDelay(circuit.cascade, f[i]));
          EXPECT_EQ(CircuitGroupDelayS(circuit, f[i]), GroupDelay(circuit.cascade, f[i]));
        }
        for (std::size_t i = 0; i < t.size(); ++i) {
          EXPECT_EQ(time.step[i], ideal.Step(t[i]));
          EXPECT_EQ(time.impulse[i], ideal.Impulse(t[i]));
        }
        EXPECT_EQ(time.diracWeight, ideal.DiracWeight());
      } else {
        const CircuitCurveSet real = CircuitCurves(circuit.drawn, m.model, f);
        EXPECT_EQ(curves.gainDb, real.gainDb);
        EXPECT_EQ(curves.phaseDeg, real.phaseDeg);
        EXPECT_EQ(curves.delayS, real.delayS);
        for (std::size_t i = 0; i < f.size(); ++i) {
          EXPECT_EQ(CircuitGainDb(circuit, f[i]), CircuitGainDb(circuit.drawn, m.model, f[i]));
          EXPECT_EQ(CircuitGroupDelayS(circuit, f[i]), CircuitDelayS(circuit.drawn, m.model, f[i]));
        }
        const CircuitTimeCurves realTime =
            CircuitTimeResponse(circuit.drawn, m.model, 0, 20 / circuit.cascade.stage[0].omega, 64);
        EXPECT_EQ(time.step, realTime.step);
        EXPECT_EQ(time.impulse, realTime.impulse);
      }
    }
  }
}

TEST(CircuitModel, StageCountFollowsTheOrder) {
  for (const auto& [order, stages] : std::vector<std::pair<int, int>>{{2, 1}, {3, 2}, {4, 2}, {5, 3}, {8, 4}}) {
    const DesignRequest request = RequestOf({engine::kLpf, order, engine::kButterworth, "1k"});
    EXPECT_EQ(StageCountOf(request), stages) << order;
    EXPECT_EQ(MakeCircuit(request, DesignedParts({engine::kLpf, order, engine::kButterworth, "1k"})).StageCount(),
              stages);
  }
}

struct CaptionSink : values::WarningSink {
  std::vector<std::string> captions;
  void Warn(const std::string& caption, const std::string&) override { captions.push_back(caption); }
};

TEST(CircuitModel, ReadFromPartTextsWarnsForEveryValueThatIsNone) {
  const DesignRequest request = RequestOf({engine::kHpf, 3, engine::kButterworth, "1k"});
  engine::PartInputs inputs;
  for (int i = 0; i < 3; ++i) {
    inputs.r[i].text = "10k";
    inputs.c[i].text = "10n";
  }
  inputs.r[1].text = "x";
  CaptionSink sink;
  CircuitModel circuit;
  EXPECT_FALSE(ReadCircuit(sink, request, inputs, RealOpAmp(1e6), circuit));
  EXPECT_EQ(sink.captions, std::vector<std::string>{"R2 は無効な値"});
  inputs.r[1].text = "22k";
  CaptionSink quiet;
  ASSERT_TRUE(ReadCircuit(quiet, request, inputs, RealOpAmp(1e6), circuit));
  EXPECT_TRUE(quiet.captions.empty());
  EXPECT_EQ(circuit.parts.r[1], 22e3);
  EXPECT_EQ(circuit.parts.c[2], 10e-9);
  EXPECT_FALSE(circuit.opAmp.ideal);
  EXPECT_EQ(circuit.StageCount(), 2);
  EXPECT_TRUE(circuit.Hpf());
}

}  // namespace
}  // namespace kelvara::response
