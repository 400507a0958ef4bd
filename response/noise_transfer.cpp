#include "response/noise_transfer.h"

#include <cmath>
#include <utility>

#include "engine/units.h"

namespace kelvara::response {
namespace {

using engine::kTwoPi;

using Complex = std::complex<double>;
constexpr int kMaxUnknowns = 5;  // P, A, B, O and the op-amp's output current

// A stage's nodal equations with the injected sources on the right: the
// node P before it (only when what drives it has an impedance), A, B, the
// output O, and the op-amp's output current I with its row
//   -vB + (1 + 1/A) vO + Rout / A I = e   (e in series with the + input).
struct StageSystem {
  int n = 0;
  int p = -1, a = -1, b = -1, o = -1, i = -1;
  Complex m[kMaxUnknowns][kMaxUnknowns]{};
};

StageSystem BuildStage(const CircuitStage& st, bool hpf, double omega, Complex invA, double rout, Complex sourceY,
                       bool withP, Complex load) {
  StageSystem s;
  if (withP) s.p = s.n++;
  if (!st.firstOrder) s.a = s.n++;
  s.b = s.n++;
  s.o = s.n++;
  s.i = s.n++;
  auto admittance = [&](bool capacitor, double value) {
    return capacitor ? Complex(0, omega * value) : Complex(1 / value, 0);
  };
  // An element between nodes x and y (-1: ground).
  auto element = [&](int x, int y, Complex yv) {
    if (x >= 0) s.m[x][x] += yv;
    if (y >= 0) s.m[y][y] += yv;
    if (x >= 0 && y >= 0) {
      s.m[x][y] -= yv;
      s.m[y][x] -= yv;
    }
  };
  const Complex y1 = admittance(hpf, st.series1);
  const Complex yg = admittance(!hpf, st.shunt);
  if (withP) element(s.p, -1, sourceY);
  if (st.firstOrder) {
    element(s.p, s.b, y1);
  } else {
    element(s.p, s.a, y1);
    element(s.a, s.b, admittance(hpf, st.series2));
    element(s.a, s.o, admittance(!hpf, st.feedback));
  }
  element(s.b, -1, yg);
  element(s.o, -1, load);
  s.m[s.o][s.i] -= 1.0;  // the op-amp's current into O
  s.m[s.i][s.b] = -1.0;
  s.m[s.i][s.o] = 1.0 + invA;
  s.m[s.i][s.i] = invA * rout;
  return s;
}

// Solves M x = rhs (transposed: M^T x = rhs) by elimination with partial
// pivoting; rhs is overwritten by x.
void Solve(const StageSystem& s, bool transposed, Complex* rhs) {
  Complex a[kMaxUnknowns][kMaxUnknowns];
  const int n = s.n;
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) a[r][c] = transposed ? s.m[c][r] : s.m[r][c];
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int r = col + 1; r < n; ++r)
      if (std::abs(a[r][col]) > std::abs(a[pivot][col])) pivot = r;
    if (pivot != col) {
      for (int c = 0; c < n; ++c) std::swap(a[pivot][c], a[col][c]);
      std::swap(rhs[pivot], rhs[col]);
    }
    for (int r = col + 1; r < n; ++r) {
      const Complex factor = a[r][col] / a[col][col];
      if (factor == Complex(0, 0)) continue;
      for (int c = col; c < n; ++c) a[r][c] -= factor * a[col][c];
      rhs[r] -= factor * rhs[col];
    }
  }
  for (int r = n - 1; r >= 0; --r) {
    Complex sum = rhs[r];
    for (int c = r + 1; c < n; ++c) sum -= a[r][c] * rhs[c];
    rhs[r] = sum / a[r][r];
  }
}

}  // namespace

NoiseTransfers NoiseTransfersAt(const OpAmpCircuit& circuit, const OpAmpModel& model, double f) {
  const CircuitResponse r = SolveCircuit(circuit, model, f);
  const OpAmpTerms t = TermsOf(model);
  const double omega = kTwoPi * f;
  const Complex invA(t.invA0, omega * t.invOmegaT);
  const bool hpf = circuit.request.passKind == engine::kHpf;
  const int n = circuit.stageCount;
  NoiseTransfers out;
  out.h = r.h;
  Complex through(1, 0);
  for (int k = 0; k < n; ++k) {
    through *= r.stage[k];
    out.stage[k] = through;
  }
  // From each stage's output to the filter's output.
  std::array<Complex, engine::kMaxStages> after{};
  Complex rest(1, 0);
  for (int k = n - 1; k >= 0; --k) {
    after[k] = rest;
    rest *= r.stage[k];
  }
  // The admittance behind each stage's output: the next stage's input with
  // everything behind it, from the last stage back (1 A into the input node
  // of a stage left open).
  std::array<Complex, engine::kMaxStages> load{};
  for (int k = n - 1; k > 0; --k) {
    const StageSystem s = BuildStage(circuit.stages[k], hpf, omega, invA, t.rout, Complex(0, 0), true, load[k]);
    Complex v[kMaxUnknowns]{};
    v[s.p] = 1.0;
    Solve(s, false, v);
    load[k - 1] = 1.0 / v[s.p];
  }
  // What drives each stage: the impedance of everything before it. The
  // input is ideal; an op-amp without output resistance is too.
  Complex sourceZ(0, 0);
  int part = 0;
  for (int k = 0; k < n; ++k) {
    const CircuitStage& st = circuit.stages[k];
    const bool withP = sourceZ != Complex(0, 0);
    const StageSystem s =
        BuildStage(st, hpf, omega, invA, t.rout, withP ? 1.0 / sourceZ : Complex(0, 0), withP, load[k]);
    // The adjoint solution: z[j] is the stage output per unit on row j.
    Complex z[kMaxUnknowns]{};
    z[s.o] = 1.0;
    Solve(s, true, z);
    auto at = [&](int node) { return node >= 0 ? z[node] * after[k] : Complex(0, 0); };
    out.en[k] = at(s.i);
    out.in[k] = at(s.b);
    if (st.firstOrder) {
      // LPF: R between P and B; HPF: R from B to ground.
      out.resistor[part++] = hpf ? at(s.b) : at(s.p) - at(s.b);
    } else {
      // LPF: Ra from P to A, Rb from A to B; HPF: Ra from A to O, Rb from B
      // to ground.
      out.resistor[part++] = hpf ? at(s.a) - at(s.o) : at(s.p) - at(s.a);
      out.resistor[part++] = hpf ? at(s.b) : at(s.a) - at(s.b);
    }
    if (t.rout > 0 && k + 1 < n) {
      // The output impedance of this stage with what drives it, unloaded.
      const StageSystem open =
          BuildStage(st, hpf, omega, invA, t.rout, withP ? 1.0 / sourceZ : Complex(0, 0), withP, Complex(0, 0));
      Complex v[kMaxUnknowns]{};
      v[open.o] = 1.0;
      Solve(open, false, v);
      sourceZ = v[open.o];
    }
  }
  return out;
}

}  // namespace kelvara::response
