#pragma once

// The drawn circuit of a design solved by nodal analysis at one frequency,
// independently of the netlist writer and of the simulator: every stage's
// nodes, its op-amp (ideal: output = + input; real: A(s) = A0 / (1 + s/wp)
// driving the output through Rout), the next stage loading the previous
// one. Used to check the simulated response of a real op-amp.

#include <cmath>
#include <complex>
#include <vector>

#include "engine/design_types.h"
#include "response/opamp_model.h"

namespace kelvara::exports::test {

using Complex = std::complex<double>;

/// Dense complex linear system, solved by Gaussian elimination with partial
/// pivoting.
class LinearSystem {
 public:
  explicit LinearSystem(int n) : n_(n), a_(static_cast<std::size_t>(n * n)), b_(static_cast<std::size_t>(n)) {}
  Complex& A(int row, int col) { return a_[static_cast<std::size_t>(row * n_ + col)]; }
  Complex& B(int row) { return b_[static_cast<std::size_t>(row)]; }
  std::vector<Complex> Solve() {
    for (int k = 0; k < n_; ++k) {
      int pivot = k;
      for (int i = k + 1; i < n_; ++i)
        if (std::abs(A(i, k)) > std::abs(A(pivot, k))) pivot = i;
      for (int j = 0; j < n_; ++j) std::swap(A(k, j), A(pivot, j));
      std::swap(B(k), B(pivot));
      for (int i = k + 1; i < n_; ++i) {
        const Complex f = A(i, k) / A(k, k);
        for (int j = k; j < n_; ++j) A(i, j) -= f * A(k, j);
        B(i) -= f * B(k);
      }
    }
    std::vector<Complex> x(static_cast<std::size_t>(n_));
    for (int i = n_ - 1; i >= 0; --i) {
      Complex sum = B(i);
      for (int j = i + 1; j < n_; ++j) sum -= A(i, j) * x[static_cast<std::size_t>(j)];
      x[static_cast<std::size_t>(i)] = sum / A(i, i);
    }
    return x;
  }

 private:
  int n_;
  std::vector<Complex> a_;
  std::vector<Complex> b_;
};

/// Output over input of the cascade at f (Hz).
inline Complex SolveCascade(const engine::DesignRequest& request, const engine::ComponentSet& parts,
                            const response::OpAmpModel& opamp, double f) {
  const Complex s(0.0, 2.0 * M_PI * f);
  const int order = request.Order();
  const bool hpf = request.passKind == engine::kHpf;
  const bool odd = order % 2 == 1;
  const int stages = order / 2 + (odd ? 1 : 0);
  const bool rout = !opamp.ideal && opamp.routOhm > 0;
  // Unknowns per stage: node a, node b (the + input; a first-order stage
  // uses node a), the output, the op-amp's inner source node (with Rout),
  // and the current of the op-amp's source. The input node is 1 V.
  const int per = 5;
  LinearSystem sys(stages * per);
  auto admittanceR = [](double r) { return Complex(1.0 / r, 0.0); };
  auto admittanceC = [&](double c) { return s * c; };
  // Adds admittance y between unknown i and unknown j (-1: ground, -2: input).
  auto stamp = [&](int i, int j, Complex y) {
    if (i >= 0) sys.A(i, i) += y;
    if (j >= 0) sys.A(j, j) += y;
    if (i >= 0 && j >= 0) {
      sys.A(i, j) -= y;
      sys.A(j, i) -= y;
    }
    if (j == -2 && i >= 0) sys.B(i) += y;  // input at 1 V
    if (i == -2 && j >= 0) sys.B(j) += y;
  };
  const Complex a0 = std::pow(10.0, opamp.a0Db / 20.0);
  const Complex gain = opamp.ideal ? Complex(1e300) : a0 / (1.0 + s / (2.0 * M_PI * opamp.gbwHz / a0.real()));
  int previous = -2;
  int part = 1;
  for (int k = 0; k < stages; ++k) {
    const int na = k * per, nb = na + 1, out = na + 2, inner = na + 3, current = na + 4;
    int plus = nb;
    if (odd && k == 0) {
      const Complex ySeries = hpf ? admittanceC(parts.c[0]) : admittanceR(parts.r[0]);
      const Complex yShunt = hpf ? admittanceR(parts.r[0]) : admittanceC(parts.c[0]);
      stamp(previous, na, ySeries);
      stamp(na, -1, yShunt);
      sys.A(nb, nb) = 1.0;  // node b unused
      plus = na;
      part = 2;
    } else {
      const int a = part - 1, b = part;
      const Complex ys1 = hpf ? admittanceC(parts.c[a]) : admittanceR(parts.r[a]);
      const Complex ys2 = hpf ? admittanceC(parts.c[b]) : admittanceR(parts.r[b]);
      const Complex yFeedback = hpf ? admittanceR(parts.r[a]) : admittanceC(parts.c[a]);
      const Complex yGround = hpf ? admittanceR(parts.r[b]) : admittanceC(parts.c[b]);
      stamp(previous, na, ys1);
      stamp(na, nb, ys2);
      stamp(na, out, yFeedback);
      stamp(nb, -1, yGround);
      part += 2;
    }
    // The op-amp's source drives the inner node (or the output without
    // Rout): v_src = A (v+ - v-), v- = output; its current enters there.
    const int driven = rout ? inner : out;
    if (rout) {
      stamp(inner, out, admittanceR(opamp.routOhm));
    } else {
      sys.A(inner, inner) = 1.0;  // inner node unused
    }
    sys.A(driven, current) += 1.0;
    if (opamp.ideal) {
      // v+ - v- = 0
      sys.A(current, plus) += 1.0;
      sys.A(current, out) -= 1.0;
    } else {
      // v_src - A v+ + A v_out = 0
      sys.A(current, driven) += 1.0;
      sys.A(current, plus) -= gain;
      sys.A(current, out) += gain;
    }
    previous = out;
  }
  return sys.Solve()[static_cast<std::size_t>((stages - 1) * per + 2)];
}

}  // namespace kelvara::exports::test
