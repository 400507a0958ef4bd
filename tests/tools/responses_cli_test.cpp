// The responses computed from their poles, from outside: kelvara-design's
// stage targets against poles computed here, each from its own definition,
// and the usage errors of --response and --ripple.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/tools/run_tool.h"

namespace kelvara::tools::test {
namespace {

using Complex = std::complex<long double>;
constexpr long double kPi = 3.141592653589793238462643383279502884L;

struct Section {
  double w;  // rad/s of the 1 rad/s prototype
  double q;  // 0: first order
};

std::vector<Section> OfPoles(const std::vector<Complex>& poles) {
  std::vector<Section> out;
  for (const Complex& p : poles) {
    if (std::fabs(p.imag()) < 1e-12L) {
      out.push_back({static_cast<double>(-p.real()), 0.0});
    } else if (p.imag() > 0) {
      out.push_back({static_cast<double>(std::abs(p)), static_cast<double>(std::abs(p) / (-2.0L * p.real()))});
    }
  }
  std::sort(out.begin(), out.end(), [](const Section& a, const Section& b) { return a.q < b.q; });
  return out;
}

// Chebyshev: the zeros of 1 + eps^2 T_n(s/j)^2 in the left half-plane, as
// s = j cos(u), u = (theta_k + j asinh(1/eps)) / n, written out in complex
// arithmetic (the program uses the real closed form).
std::vector<Section> ChebyshevSections(double rippleDb, int n) {
  const long double eps = std::sqrt(std::pow(10.0L, rippleDb / 10.0L) - 1.0L);
  std::vector<Complex> poles;
  for (int k = 0; k < n; ++k) {
    const Complex u((2.0L * k + 1.0L) * kPi / 2.0L / n, std::asinh(1.0L / eps) / n);
    Complex s = Complex(0, 1) * std::cos(u);
    if (s.real() > 0) s = -s;
    if (std::fabs(s.imag()) < 1e-15L) s = Complex(s.real(), 0);
    poles.push_back(s);
  }
  return OfPoles(poles);
}

// Legendre: the roots of 1 + L_n(-s^2), L_n the published polynomial, by
// Durand-Kerner iteration on the polynomial in s of degree 2n.
const std::vector<std::vector<long double>> kLegendre = {
    {},
    {},
    {0, 0, 1},
    {0, 1, -3, 3},
    {0, 0, 3, -8, 6},
    {0, 1, -8, 28, -40, 20},
    {0, 0, 6, -40, 105, -120, 50},
    {0, 1, -15, 105, -355, 615, -525, 175},
    {0, 0, 10, -120, 615, -1624, 2310, -1680, 490},
};

std::vector<Section> LegendreSections(int n) {
  // c[2i] of s^(2i): L's x^i with x = -s^2.
  std::vector<long double> c(2 * n + 1, 0.0L);
  for (int i = 0; i <= n; ++i) c[2 * i] = (i % 2 ? -1.0L : 1.0L) * kLegendre[n][i];
  c[0] += 1.0L;
  const int degree = 2 * n;
  auto eval = [&](Complex s) {
    Complex y = 0;
    for (int i = degree; i >= 0; --i) y = y * s + c[i];
    return y / c[degree];
  };
  std::vector<Complex> z(degree);
  for (int i = 0; i < degree; ++i) z[i] = std::pow(Complex(0.4L, 0.9L), i);
  for (int it = 0; it < 2000; ++it) {
    for (int i = 0; i < degree; ++i) {
      Complex d = 1;
      for (int j = 0; j < degree; ++j) {
        if (j != i) d *= z[i] - z[j];
      }
      z[i] -= eval(z[i]) / d;
    }
  }
  std::vector<Complex> left;
  for (const Complex& s : z) {
    if (s.real() < 0) left.push_back(std::fabs(s.imag()) < 1e-12L ? Complex(s.real(), 0) : s);
  }
  return OfPoles(left);
}

// Linkwitz-Riley: every Butterworth section of half the order twice, the
// real pole pair as one section of Q 0.5.
std::vector<Section> LinkwitzRileySections(int n) {
  const int m = n / 2;
  std::vector<Section> out;
  for (int k = 1; k <= m; ++k) {
    const long double t = (2.0L * k - 1.0L) * kPi / (2.0L * m);
    if (2 * k - 1 == m) {
      out.push_back({1.0, 0.5});
    } else if (std::cos(t) > 0) {
      const double q = static_cast<double>(1.0L / (2.0L * std::sin(t)));
      out.push_back({1.0, q});
      out.push_back({1.0, q});
    }
  }
  std::sort(out.begin(), out.end(), [](const Section& a, const Section& b) { return a.q < b.q; });
  return out;
}

struct Row {
  std::string response;
  std::string ripple;  // empty: not Chebyshev
  int order;
};

std::vector<Row> AllRows() {
  std::vector<Row> rows;
  for (const char* ripple : {"0.01", "0.05", "0.1", "0.5", "1", "2", "3"}) {
    for (int n = 2; n <= 8; ++n) rows.push_back({"chebyshev", ripple, n});
  }
  for (int n = 2; n <= 8; ++n) rows.push_back({"legendre", "", n});
  for (int n = 2; n <= 8; n += 2) rows.push_back({"linkwitz-riley", "", n});
  return rows;
}

// The sheet's circuit, the multiple-feedback one and the Sallen-Key with
// gain: the same targets.
class ResponsesOnEveryCircuit : public ::testing::TestWithParam<const char*> {};

TEST_P(ResponsesOnEveryCircuit, StageTargetsAreThePolesOfEachResponse) {
  const double fc = 1000.0;
  for (const char* kind : {"lpf", "hpf"}) {
    for (const Row& row : AllRows()) {
      const std::string args = std::string("--kind ") + kind + " --cutoff 1k --order " + std::to_string(row.order) +
                               " --response " + row.response + (row.ripple.empty() ? "" : " --ripple " + row.ripple) +
                               " --json --analysis" + GetParam();
      const ToolResult r = RunDesignTool(args);
      ASSERT_EQ(r.status, 0) << args << '\n' << r.err;
      const nlohmann::json j = nlohmann::json::parse(r.out);
      const std::vector<Section> expected = row.response == "chebyshev"
                                                ? ChebyshevSections(std::stod(row.ripple), row.order)
                                            : row.response == "legendre" ? LegendreSections(row.order)
                                                                         : LinkwitzRileySections(row.order);
      ASSERT_EQ(j["stages"].size(), expected.size()) << args;
      for (std::size_t k = 0; k < expected.size(); ++k) {
        const nlohmann::json& s = j["stages"][k];
        const double w = std::string(kind) == "hpf" ? 1.0 / expected[k].w : expected[k].w;
        EXPECT_NEAR(s["f0_target_hz"].get<double>() / (w * fc), 1.0, 1e-9) << args << " stage " << k;
        if (expected[k].q == 0) {
          EXPECT_TRUE(s["q_target"].is_null()) << args;
        } else {
          EXPECT_NEAR(s["q_target"].get<double>() / expected[k].q, 1.0, 1e-9) << args << " stage " << k;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Circuits, ResponsesOnEveryCircuit,
                         ::testing::Values("", " --topology mfb --gain 10", " --topology sallen-key --gain 4"));

TEST(ResponsesCli, UsageErrorsNameWhatIsAccepted) {
  struct Case {
    std::string args;
    std::string says;
  };
  const Case cases[] = {
      {"--cutoff 1k --response chebyshev --ripple 0.3", "0.25"},
      {"--cutoff 1k --response chebyshev --ripple 0.3", "3"},
      {"--cutoff 1k --response butterworth --ripple 0.5", "chebyshev"},
      {"--cutoff 1k --response linkwitz-riley --order 3", "even"},
      {"--cutoff 1k --response legendary", "legendre"},
      {"--cutoff 1k --kind hpf --response bessel", "Bessel"},
      {"--cutoff 1k --topology mfb --response linkwitz-riley --order 5", "even"},
      {"--cutoff 1k --topology mfb --response butterworth --ripple 1", "chebyshev"},
  };
  for (const Case& c : cases) {
    const ToolResult r = RunDesignTool(c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.find("\n詳しくは --help")) << "one line, then the pointer to --help: " << r.err;
  }
}

TEST(ResponsesCli, AChebyshevHpfOfEveryComputedRippleHasOrderTwo) {
  const ToolResult r = RunDesignTool("--kind hpf --cutoff 1k --order 2 --response chebyshev --ripple 1 --json");
  EXPECT_EQ(r.status, 0) << r.err;
  const ToolResult table = RunDesignTool("--kind hpf --cutoff 1k --order 2 --response chebyshev");
  EXPECT_EQ(table.status, 2) << "the 0.25 dB table has no second-order HPF";
}

TEST(ResponsesCli, TheRequirementTableHasARowForEveryResponseAndRipple) {
  const ToolResult r = RunDesignTool("--requirement 1k,1,3k,40 --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out);
  std::vector<std::string> rows;
  for (const auto& c : j["candidates"]) {
    std::string name = c["response"].get<std::string>();
    if (c.contains("ripple_db")) {
      name += " " + nlohmann::json(c["ripple_db"].get<double>()).dump();
    }
    rows.push_back(name);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"butterworth", "bessel", "chebyshev 0.25", "chebyshev 0.01",
                                            "chebyshev 0.05", "chebyshev 0.1", "chebyshev 0.5", "chebyshev 1.0",
                                            "legendre", "linkwitz-riley"}));
}

}  // namespace
}  // namespace kelvara::tools::test
