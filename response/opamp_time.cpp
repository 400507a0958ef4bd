#include "response/opamp_time.h"

#include "response/circuit.h"

#include <cmath>
#include <span>
#include <utility>

namespace kelvara::response {
namespace {

constexpr int kGround = -1;

struct Branch {
  int from;
  int to;
  double value;
};

// The circuit as a list of elements on numbered nodes (0 is the input).
struct Netlist {
  int nodes = 1;
  std::vector<Branch> resistors;
  std::vector<Branch> capacitors;  // each one state: v(from) - v(to)
  struct OpAmp {
    int plus, minus, out, internal;  // internal: the node the pole's source drives
  };
  std::vector<OpAmp> opAmps;  // each one state: its internal voltage
};

// The sections' element lists on global nodes: each section's own nodes in
// their order, then its output, then (with an output resistance) the node
// inside it; the resistors and the capacitors each in the layouts' order.
Netlist NetlistOf(std::span<const Section> sections, double rout) {
  Netlist net;
  int in = 0;
  for (const Section& section : sections) {
    const int own = net.nodes;
    net.nodes += section.OwnNodes();
    const int out = net.nodes++;
    const int internal = rout > 0 ? net.nodes++ : out;
    auto global = [&](int local) {
      if (local == kSectionGround) return kGround;
      if (local == kSectionInput) return in;
      if (local == kSectionOutput) return out;
      return own + local;
    };
    for (int i = 0; i < section.PartCount(); ++i) {
      const SectionPart& part = section.layout->parts[static_cast<std::size_t>(i)];
      Branch b{global(part.a), global(part.b), section.values[static_cast<std::size_t>(i)]};
      if (b.from == kGround) std::swap(b.from, b.to);
      (part.letter == 'C' ? net.capacitors : net.resistors).push_back(b);
    }
    if (rout > 0) net.resistors.push_back({internal, out, rout});
    net.opAmps.push_back({global(section.layout->opAmpPlus), global(section.layout->opAmpMinus), out, internal});
    in = out;
  }
  return net;
}

// Solves m x = rhs for several right-hand sides (columns of rhs, row-major
// size x cols) by Gaussian elimination with partial pivoting.
void Solve(std::vector<double>& m, int size, std::vector<double>& rhs, int cols) {
  for (int col = 0; col < size; ++col) {
    int pivot = col;
    for (int r = col + 1; r < size; ++r)
      if (std::fabs(m[r * size + col]) > std::fabs(m[pivot * size + col])) pivot = r;
    if (pivot != col) {
      for (int j = 0; j < size; ++j) std::swap(m[col * size + j], m[pivot * size + j]);
      for (int j = 0; j < cols; ++j) std::swap(rhs[col * cols + j], rhs[pivot * cols + j]);
    }
    const double p = m[col * size + col];
    for (int r = col + 1; r < size; ++r) {
      const double f = m[r * size + col] / p;
      if (f == 0) continue;
      for (int j = col; j < size; ++j) m[r * size + j] -= f * m[col * size + j];
      for (int j = 0; j < cols; ++j) rhs[r * cols + j] -= f * rhs[col * cols + j];
    }
  }
  for (int col = size - 1; col >= 0; --col) {
    for (int j = 0; j < cols; ++j) {
      double v = rhs[col * cols + j];
      for (int k = col + 1; k < size; ++k) v -= m[col * size + k] * rhs[k * cols + j];
      rhs[col * cols + j] = v / m[col * size + col];
    }
  }
}

using Matrix = std::vector<double>;  // square, row-major

Matrix Multiply(const Matrix& x, const Matrix& y, int n) {
  Matrix z(n * n, 0.0);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) {
      const double xik = x[i * n + k];
      if (xik == 0) continue;
      for (int j = 0; j < n; ++j) z[i * n + j] += xik * y[k * n + j];
    }
  return z;
}

// e^m by scaling and squaring: the Taylor series of m / 2^s (norm at most
// 1/2) summed until its terms no longer change the sum, then s squarings.
Matrix Exponential(const Matrix& m, int n) {
  double norm = 0;
  for (int j = 0; j < n; ++j) {
    double column = 0;
    for (int i = 0; i < n; ++i) column += std::fabs(m[i * n + j]);
    norm = std::fmax(norm, column);
  }
  int squarings = 0;
  double scale = 1;
  while (norm * scale > 0.5 && squarings < 1000) {
    scale /= 2;
    ++squarings;
  }
  Matrix x(m);
  for (double& v : x) v *= scale;
  Matrix sum(n * n, 0.0), term(n * n, 0.0);
  for (int i = 0; i < n; ++i) sum[i * n + i] = term[i * n + i] = 1;
  for (int k = 1; k < 40; ++k) {
    term = Multiply(term, x, n);
    bool changed = false;
    for (int i = 0; i < n * n; ++i) {
      term[i] /= k;
      const double before = sum[i];
      sum[i] += term[i];
      changed = changed || sum[i] != before;
    }
    if (!changed) break;
  }
  for (int s = 0; s < squarings; ++s) sum = Multiply(sum, sum, n);
  return sum;
}

}  // namespace

CircuitStateSpace BuildStateSpace(const OpAmpCircuit& circuit, const OpAmpModel& model) {
  if (model.ideal || circuit.stageCount == 0) return {};
  return BuildStateSpace(SectionsOf(circuit), model);
}

CircuitStateSpace BuildStateSpace(std::span<const Section> sections, const OpAmpModel& model) {
  CircuitStateSpace ss;
  if (model.ideal || sections.empty()) return ss;
  const OpAmpTerms t = TermsOf(model);
  const Netlist net = NetlistOf(sections, t.rout);
  const int caps = static_cast<int>(net.capacitors.size());
  const int amps = static_cast<int>(net.opAmps.size());
  ss.n = caps + amps;

  // Modified nodal analysis with every state as a voltage source: the
  // input, each capacitor (its voltage) and each op-amp's pole (its internal
  // voltage). Unknowns: node voltages, then the sources' currents.
  const int sources = 1 + caps + amps;
  const int size = net.nodes + sources;
  std::vector<double> m(size * size, 0.0);
  auto at = [&](int r, int c) -> double& { return m[r * size + c]; };
  for (const Branch& r : net.resistors) {
    const double g = 1 / r.value;
    at(r.from, r.from) += g;
    if (r.to != kGround) {
      at(r.to, r.to) += g;
      at(r.from, r.to) -= g;
      at(r.to, r.from) -= g;
    }
  }
  auto source = [&](int index, int from, int to) {
    const int row = net.nodes + index;
    at(from, row) += 1;  // the source's current leaves `from`
    at(row, from) += 1;
    if (to != kGround) {
      at(to, row) -= 1;
      at(row, to) -= 1;
    }
  };
  source(0, 0, kGround);
  for (int j = 0; j < caps; ++j) source(1 + j, net.capacitors[j].from, net.capacitors[j].to);
  for (int k = 0; k < amps; ++k) source(1 + caps + k, net.opAmps[k].internal, kGround);

  // Right-hand sides: each state at 1 (columns 0 .. n-1), then the input.
  const int cols = ss.n + 1;
  std::vector<double> rhs(size * cols, 0.0);
  for (int j = 0; j < ss.n; ++j) rhs[(net.nodes + 1 + j) * cols + j] = 1;
  rhs[net.nodes * cols + ss.n] = 1;
  Solve(m, size, rhs, cols);

  ss.a.assign(ss.n * ss.n, 0.0);
  ss.b.assign(ss.n, 0.0);
  ss.c.assign(ss.n, 0.0);
  const int out = net.opAmps.back().out;
  const double gain = 1 / t.invOmegaT;        // A0 wp = 2 pi GBW
  const double pole = t.invA0 / t.invOmegaT;  // wp
  for (int j = 0; j < cols; ++j) {
    auto node = [&](int n) { return n == kGround ? 0.0 : rhs[n * cols + j]; };
    // The source current through a capacitor is C dv/dt of its voltage.
    for (int i = 0; i < caps; ++i) {
      const double dv = rhs[(net.nodes + 1 + i) * cols + j] / net.capacitors[i].value;
      (j < ss.n ? ss.a[i * ss.n + j] : ss.b[i]) = dv;
    }
    for (int k = 0; k < amps; ++k) {
      const Netlist::OpAmp& op = net.opAmps[k];
      double de = gain * (node(op.plus) - node(op.minus));
      if (j == caps + k) de -= pole;
      (j < ss.n ? ss.a[(caps + k) * ss.n + j] : ss.b[caps + k]) = de;
    }
    (j < ss.n ? ss.c[j] : ss.d) = node(out);
  }
  return ss;
}

namespace {

// [A B; 0 0] dt -> [e^(A dt), integral of e^(A t) B over dt; 0 1].
Matrix StepTransition(const CircuitStateSpace& ss, double dt) {
  const int n = ss.n, na = n + 1;
  Matrix aug(na * na, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) aug[i * na + j] = ss.a[i * n + j] * dt;
    aug[i * na + n] = ss.b[i] * dt;
  }
  return Exponential(aug, na);
}

// Advances the step's states (with the input) and the impulse's (without).
void Advance(const Matrix& e, int n, std::vector<double>& xs, std::vector<double>& xi) {
  const int na = n + 1;
  std::vector<double> next(n);
  for (int i = 0; i < n; ++i) {
    double v = e[i * na + n];
    for (int j = 0; j < n; ++j) v += e[i * na + j] * xs[j];
    next[i] = v;
  }
  std::swap(xs, next);
  for (int i = 0; i < n; ++i) {
    double v = 0;
    for (int j = 0; j < n; ++j) v += e[i * na + j] * xi[j];
    next[i] = v;
  }
  std::swap(xi, next);
}

}  // namespace

CircuitTimeCurves CircuitTimeResponse(const OpAmpCircuit& circuit, const OpAmpModel& model, double spanS, int points) {
  return CircuitTimeResponse(circuit, model, 0.0, spanS, points);
}

CircuitTimeCurves CircuitTimeResponse(const OpAmpCircuit& circuit, const OpAmpModel& model, double fromS, double toS,
                                      int points) {
  return TimeCurvesOf(BuildStateSpace(circuit, model), fromS, toS, points);
}

CircuitTimeCurves CircuitTimeResponse(std::span<const Section> sections, const OpAmpModel& model, double fromS,
                                      double toS, int points) {
  return TimeCurvesOf(BuildStateSpace(sections, model), fromS, toS, points);
}

CircuitTimeCurves TimeCurvesOf(const CircuitStateSpace& ss, double fromS, double toS, int points) {
  CircuitTimeCurves out;
  if (ss.n == 0 || points < 1 || !(fromS >= 0) || !(toS > fromS || (toS == fromS && points == 1)) ||
      !std::isfinite(toS)) {
    return out;
  }
  const int n = ss.n;
  const double dt = points > 1 ? (toS - fromS) / (points - 1) : 0;
  std::vector<double> xs(n, 0.0), xi(ss.b);
  if (fromS > 0) Advance(StepTransition(ss, fromS), n, xs, xi);
  const Matrix e = StepTransition(ss, dt);
  auto output = [&](const std::vector<double>& x, double d) {
    double y = d;
    for (int i = 0; i < n; ++i) y += ss.c[i] * x[i];
    return y;
  };
  out.diracWeight = ss.d;
  for (int p = 0; p < points; ++p) {
    out.timeS.push_back(p == points - 1 ? toS : fromS + p * dt);
    out.step.push_back(output(xs, ss.d));
    out.impulse.push_back(output(xi, 0));
    Advance(e, n, xs, xi);
  }
  return out;
}

}  // namespace kelvara::response
