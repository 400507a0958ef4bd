// The MFB and gain sections (sections_mfb.cpp, sections_gain.cpp): their
// f0, Q and gain in closed form against the node equations of their layout
// solved here with an ideal op-amp (its + and − inputs at one voltage, its
// output any current), their sensitivities against differences of the
// closed forms, their layouts against the forms the engine designs, and the
// exact designs of engine/section_design.h against their targets.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/section_design.h"
#include "response/circuit.h"
#include "response/section.h"

namespace kelvara::response {
namespace {

using Complex = std::complex<double>;

// The section's transfer from its input (1 V) to its output at s, from its
// layout alone: unknowns are its own nodes and its output; a row of
// Kirchhoff's current law at every own node, and the op-amp's row
// V(+) = V(−). Gaussian elimination with partial pivoting.
Complex NodalTransfer(const SectionLayout& layout, std::span<const double> values, Complex s) {
  const int own = static_cast<int>(layout.nodeNames.size());
  const int n = own + 1;                                                          // own nodes, then the output
  auto index = [&](int local) { return local == kSectionOutput ? own : local; };  // -1: known (input, ground)
  std::vector<std::vector<Complex>> m(n, std::vector<Complex>(n + 1, 0.0));
  for (std::size_t i = 0; i < layout.parts.size(); ++i) {
    const SectionPart& p = layout.parts[i];
    const Complex y = p.letter == 'R' ? Complex(1.0 / values[i], 0) : s * values[i];
    // The current y (Va - Vb) leaves a and enters b; rows of own nodes only.
    const int ends[2] = {p.a, p.b};
    for (int e = 0; e < 2; ++e) {
      const int row = ends[e];
      if (row < 0) continue;  // ground, input and output have no row
      const int self = ends[e], other = ends[1 - e];
      m[index(self)][index(self)] += y;
      if (other == kSectionInput) {
        m[index(self)][n] += y * 1.0;  // the input's 1 V to the right-hand side
      } else if (other != kSectionGround) {
        m[index(self)][index(other)] -= y;
      }
    }
  }
  // The op-amp: V(+) - V(−) = 0 on the output's row.
  auto put = [&](int local, double sign) {
    if (local == kSectionGround) return;
    if (local == kSectionInput) {
      m[own][n] -= sign;
      return;
    }
    m[own][index(local)] += sign;
  };
  put(layout.opAmpPlus, 1.0);
  put(layout.opAmpMinus, -1.0);
  for (int c = 0; c < n; ++c) {
    int pivot = c;
    for (int r = c + 1; r < n; ++r)
      if (std::abs(m[r][c]) > std::abs(m[pivot][c])) pivot = r;
    std::swap(m[c], m[pivot]);
    for (int r = 0; r < n; ++r) {
      if (r == c) continue;
      const Complex f = m[r][c] / m[c][c];
      for (int k = c; k <= n; ++k) m[r][k] -= f * m[c][k];
    }
  }
  return m[own][n] / m[own][own];
}

// What the figures say the transfer is.
Complex FiguresTransfer(const SectionTopology& t, SectionKind kind, const SectionFigures& f, Complex s) {
  const bool hpf = kind == SectionKind::kHighPass;
  if (t.Order() == 1) return f.gain * (hpf ? s : Complex(f.omega, 0)) / (s + f.omega);
  const Complex den = s * s + s * (f.omega / f.q) + f.omega * f.omega;
  return f.gain * (hpf ? s * s : Complex(f.omega * f.omega, 0)) / den;
}

struct FormCase {
  const char* id;
  SectionKind kind;
  std::vector<double> values;
};

const FormCase kForms[] = {
    {"mfb", SectionKind::kLowPass, {10e3, 47e3, 6.8e3, 22e-9, 1.5e-9}},
    {"mfb", SectionKind::kHighPass, {10e-9, 2.2e-9, 4.7e-9, 3.3e3, 150e3}},
    {"rc-inverting", SectionKind::kLowPass, {4.7e3, 33e3, 2.2e-9}},
    {"rc-inverting", SectionKind::kHighPass, {47e-9, 3.3e3, 68e3}},
    {"sallen-key-gain", SectionKind::kLowPass, {10e3, 12e3, 15e-9, 3.3e-9, 15e3, 10e3}},
    {"sallen-key-gain", SectionKind::kHighPass, {4.7e-9, 10e-9, 22e3, 39e3, 5.6e3, 10e3}},
    {"rc-gain", SectionKind::kLowPass, {10e3, 4.7e-9, 90e3, 10e3}},
    {"rc-gain", SectionKind::kHighPass, {4.7e-9, 10e3, 1e3, 10e3}},
};

TEST(SectionForms, FiguresAreThoseOfTheirNodeEquations) {
  for (const FormCase& c : kForms) {
    const SectionTopology* t = FindSectionTopology(c.id);
    ASSERT_NE(t, nullptr) << c.id;
    const SectionLayout& layout = t->Layout(c.kind);
    ASSERT_EQ(layout.parts.size(), c.values.size()) << c.id;
    const SectionFigures f = t->Figures(c.kind, c.values);
    EXPECT_EQ(f.gain < 0, t->Inverting()) << c.id;
    if (t->Order() == 1) {
      EXPECT_EQ(f.q, 0.0);
    }
    for (const double x : {0.01, 0.3, 1.0, 1.7, 10.0, 300.0}) {
      const Complex s(0, f.omega * x);
      const Complex h = NodalTransfer(layout, c.values, s);
      EXPECT_NEAR(std::abs(FiguresTransfer(*t, c.kind, f, s) / h - 1.0), 0.0, 1e-12) << c.id << " at " << x;
    }
  }
}

TEST(SectionForms, SensitivitiesAreTheSlopesOfTheFigures) {
  for (const FormCase& c : kForms) {
    const SectionTopology* t = FindSectionTopology(c.id);
    ASSERT_NE(t, nullptr);
    const std::vector<SectionSensitivity> sens = t->Sensitivities(c.kind, c.values);
    ASSERT_EQ(sens.size(), c.values.size()) << c.id;
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      const double h = 1e-6;
      std::vector<double> up = c.values, down = c.values;
      up[i] *= std::exp(h);
      down[i] *= std::exp(-h);
      const SectionFigures a = t->Figures(c.kind, up), b = t->Figures(c.kind, down);
      auto slope = [&](double x, double y) { return (std::log(std::fabs(x)) - std::log(std::fabs(y))) / (2 * h); };
      EXPECT_NEAR(sens[i].omega, slope(a.omega, b.omega), 1e-6) << c.id << " part " << i;
      if (t->Order() == 2) {
        EXPECT_NEAR(sens[i].q, slope(a.q, b.q), 1e-6) << c.id << " part " << i;
      }
      EXPECT_NEAR(sens[i].gain, slope(a.gain, b.gain), 1e-6) << c.id << " part " << i;
    }
  }
}

// The engine designs each form's parts in the order of its section's layout.
TEST(SectionForms, LayoutsAreTheFormsTheEngineDesigns) {
  using engine::StageForm;
  for (const StageForm form : {StageForm::kSallenKey, StageForm::kRcFollower, StageForm::kSallenKeyGain,
                               StageForm::kRcGain, StageForm::kMfb, StageForm::kRcInverting}) {
    const SectionTopology* t = FindSectionTopology(engine::StageFormId(form));
    ASSERT_NE(t, nullptr) << engine::StageFormId(form);
    EXPECT_EQ(t->Inverting(), engine::StageFormInverting(form));
    for (const bool hpf : {false, true}) {
      const SectionLayout& layout = t->Layout(hpf ? SectionKind::kHighPass : SectionKind::kLowPass);
      std::string letters;
      std::vector<std::string_view> roles;
      for (const SectionPart& p : layout.parts) {
        letters += p.letter;
        roles.push_back(p.role);
      }
      EXPECT_EQ(letters, engine::StageFormLetters(form, hpf)) << t->Id();
      EXPECT_EQ(roles, engine::StageFormRoles(form, hpf)) << t->Id();
    }
  }
}

TEST(SectionForms, AreRegisteredAfterTheSheetsOwn) {
  const auto& all = SectionTopologies();
  ASSERT_GE(all.size(), 6u);
  EXPECT_EQ(all[0]->Id(), "sallen-key");
  EXPECT_EQ(all[1]->Id(), "rc-follower");
  EXPECT_EQ(FindSectionTopology("mfb"), &MfbTopology());
  EXPECT_EQ(FindSectionTopology("rc-inverting"), &RcInvertingTopology());
  EXPECT_EQ(FindSectionTopology("sallen-key-gain"), &SallenKeyGainTopology());
  EXPECT_EQ(FindSectionTopology("rc-gain"), &RcGainTopology());
}

// A cascade of the sheet's own stages with its RC stage last is not the
// sheet's form: the nodal solve evaluates it, as the product of its stages.
TEST(SectionForms, TheSheetsStagesInAnotherOrderAreSolvedAsSections) {
  std::array<int, 2> next{1, 1};
  std::vector<Section> sections;
  sections.push_back(MakeSection(SallenKeyTopology(), SectionKind::kLowPass, {10e3, 10e3, 22e-9, 4.7e-9}, next));
  sections.push_back(MakeSection(RcFollowerTopology(), SectionKind::kLowPass, {10e3, 15e-9}, next));
  const CircuitModel c = CircuitOfSections(sections, {});
  EXPECT_FALSE(HasSheetForm(c));
  for (const double f : {10.0, 500.0, 1e3, 2e3, 1e5}) {
    const Complex s(0, 6.283185307179586 * f);
    Complex h = 1;
    for (const Section& sec : sections) h *= FiguresTransfer(*sec.topology, sec.kind, sec.Figures(), s);
    EXPECT_NEAR(CircuitGainDb(c, f), 20 * std::log10(std::abs(h)), 1e-9) << f;
  }
  const double fc = CircuitCutoff3dB(c);
  ASSERT_TRUE(std::isfinite(fc) && fc > 0);
  std::reverse(sections.begin(), sections.end());
  std::array<int, 2> renumber{1, 1};
  for (Section& sec : sections) sec = MakeSection(*sec.topology, sec.kind, sec.Values(), renumber);
  const CircuitModel sheet = CircuitOfSections(sections, {});
  EXPECT_TRUE(HasSheetForm(sheet));
  EXPECT_NEAR(CircuitCutoff3dB(sheet), fc, 0.02);
}

// ---- exact designs ----

struct DesignCase {
  std::uint8_t kind;
  int order;
  std::uint8_t response;
  double cutoffHz;
  engine::SectionFamily family;
  double gain;
  engine::StageOrder stageOrder;
};

using engine::kButterworth;
using engine::kChebyshev;
using engine::kHpf;
using engine::kLpf;
using engine::SectionFamily;
using engine::StageOrder;

const DesignCase kDesigns[] = {
    {kLpf, 4, kButterworth, 10e3, SectionFamily::kMfb, 10, StageOrder::kAscendingQ},
    {kLpf, 5, kChebyshev, 1e3, SectionFamily::kMfb, 100, StageOrder::kAscendingQ},
    {kLpf, 8, kChebyshev, 47e3, SectionFamily::kMfb, 1000, StageOrder::kDescendingQ},
    {kLpf, 2, kButterworth, 10, SectionFamily::kMfb, 0.1, StageOrder::kAscendingQ},
    {kHpf, 3, kButterworth, 2.2e3, SectionFamily::kMfb, 1, StageOrder::kAscendingQ},
    {kHpf, 6, kChebyshev, 100e3, SectionFamily::kMfb, 10, StageOrder::kDescendingQ},
    {kLpf, 4, kButterworth, 10e3, SectionFamily::kSallenKey, 10, StageOrder::kAscendingQ},
    {kLpf, 7, kChebyshev, 3e3, SectionFamily::kSallenKey, 100, StageOrder::kDescendingQ},
    {kLpf, 8, kChebyshev, 1e6, SectionFamily::kSallenKey, 1000, StageOrder::kAscendingQ},
    {kHpf, 5, kButterworth, 50, SectionFamily::kSallenKey, 10, StageOrder::kAscendingQ},
    {kHpf, 8, kChebyshev, 20e3, SectionFamily::kSallenKey, 1000, StageOrder::kDescendingQ},
    {kHpf, 2, kButterworth, 1e3, SectionFamily::kSallenKey, 1.5, StageOrder::kAscendingQ},
};

engine::DesignRequest RequestOf(const DesignCase& c) {
  engine::DesignRequest r;
  r.cutoffHz = c.cutoffHz;
  r.passKind = c.kind;
  r.orderIndex = static_cast<std::uint8_t>(c.order - 2);
  r.response = c.response;
  r.evenOrder = c.order % 2 == 0;
  return r;
}

std::vector<engine::StagePlan> PlanOf(const DesignCase& c) {
  engine::SectionPlanInputs in;
  in.passKind = c.kind;
  in.order = c.order;
  in.family = c.family;
  in.gain = c.gain;
  in.stageOrder = c.stageOrder;
  auto planned = engine::PlanSections(in, engine::BuildStageTargets(RequestOf(c)));
  EXPECT_EQ(values::ProblemOf(planned), nullptr);
  return std::get<std::vector<engine::StagePlan>>(planned);
}

double Rel(double a, double b) { return std::fabs(a / b - 1.0); }

TEST(SectionDesign, ExactDesignsMeetTheirTargets) {
  for (const DesignCase& c : kDesigns) {
    const std::vector<engine::StagePlan> plans = PlanOf(c);
    const engine::SectionsDesign d = engine::DesignSections(plans, c.kind == kHpf, {});
    ASSERT_TRUE(d.valid) << (d.warnings.empty() ? "" : d.warnings[0].text);
    const std::vector<Section> sections = SectionsOf(d);
    ASSERT_EQ(sections.size(), plans.size());
    double magnitude = 1;
    for (std::size_t k = 0; k < sections.size(); ++k) {
      const SectionFigures f = sections[k].Figures();
      const engine::StagePlan& p = plans[k];
      EXPECT_LE(Rel(f.omega, p.omega), 1e-12) << c.order << " stage " << k;
      if (p.order == 2) {
        EXPECT_LE(Rel(f.q, p.q), 1e-12) << c.order << " stage " << k << " " << f.q << " " << p.q;
      }
      EXPECT_LE(Rel(std::fabs(f.gain), p.gain), 1e-12) << c.order << " stage " << k;
      EXPECT_EQ(f.gain < 0, c.family == SectionFamily::kMfb);
      for (const double v : sections[k].Values()) EXPECT_GT(v, 0.0);
      magnitude *= std::fabs(f.gain);
      if (k > 0 && c.stageOrder == StageOrder::kAscendingQ) {
        EXPECT_GE(p.q, plans[k - 1].q);
      }
      if (k > 0 && c.stageOrder == StageOrder::kDescendingQ) {
        EXPECT_LE(p.q, plans[k - 1].q);
      }
    }
    EXPECT_LE(Rel(magnitude, c.gain), 1e-12);
    const double sign = c.family == SectionFamily::kMfb && sections.size() % 2 == 1 ? -1 : 1;
    EXPECT_LE(Rel(CascadeGain(sections), sign * c.gain), 1e-12);
  }
}

// The free MFB low-pass takes its feedback capacitor from the band and the
// shunt capacitor 1.2 times the least ratio 4 Q² (1 + K) above it.
TEST(SectionDesign, TheFreeMfbLowPassRatioIsItsLeastTimesTheMargin) {
  const DesignCase c{kLpf, 4, kButterworth, 10e3, SectionFamily::kMfb, 10, StageOrder::kAscendingQ};
  const std::vector<engine::StagePlan> plans = PlanOf(c);
  const engine::SectionsDesign d = engine::DesignSections(plans, false, {});
  for (const engine::StageDesign& s : d.stages) {
    const double ratio = s.values[3] / s.values[4];
    EXPECT_NEAR(ratio / (4 * s.plan.q * s.plan.q * (1 + s.plan.gain)), 1.2, 1e-12);
    EXPECT_EQ(s.values[4], 3.3e-9);  // the 10 kHz band's starting capacitor
  }
}

// Fixed parts: capacitors only give the resistors; one part scales the
// free design; anything else, or a ratio too small for the Q, is refused
// with a warning naming the stage and the parts.
TEST(SectionDesign, FixedPartsAreHonouredOrRefused) {
  const DesignCase mfb{kLpf, 4, kButterworth, 10e3, SectionFamily::kMfb, 10, StageOrder::kAscendingQ};
  const std::vector<engine::StagePlan> plans = PlanOf(mfb);
  const auto names = engine::SectionPartNames(plans, false);
  ASSERT_EQ(names[1], (std::vector<std::string>{"R4", "R5", "R6", "C3", "C4"}));
  struct Row {
    std::vector<std::pair<std::string, double>> fixed;
    bool valid;
    std::string caption;  // of the warning when refused
  };
  const Row rows[] = {
      {{{"C3", 100e-9}, {"C4", 1e-9}}, true, ""},
      {{{"C3", 10e-9}, {"C4", 1e-9}}, false, "C3, C4 は設定不能な値"},  // 10 < 4 Q² (1 + K) = 28.4
      {{{"C1", 47e-9}}, true, ""},
      {{{"R5", 22e3}}, true, ""},
      {{{"R4", 10e3}, {"C4", 1e-9}}, false, "R4, C4 は設定不能な値"},
      {{{"R1", 1e3}, {"R2", 10e3}, {"R3", 4.7e3}, {"C1", 100e-9}, {"C2", 1e-9}}, true, ""},
  };
  for (const Row& row : rows) {
    auto fixes = engine::FixesOf(plans, false, row.fixed);
    ASSERT_EQ(values::ProblemOf(fixes), nullptr);
    const engine::SectionsDesign d = engine::DesignSections(plans, false, std::get<engine::SectionFixes>(fixes));
    EXPECT_EQ(d.valid, row.valid) << row.fixed[0].first;
    if (!row.valid) {
      ASSERT_EQ(d.warnings.size(), 1u);
      EXPECT_EQ(d.warnings[0].caption, row.caption);
      EXPECT_EQ(d.warnings[0].text.rfind("第2段（多重帰還（MFB））: ", 0), 0u) << d.warnings[0].text;
      continue;
    }
    const std::vector<Section> sections = SectionsOf(d);
    for (const auto& [name, value] : row.fixed) {
      bool seen = false;
      for (const Section& s : sections)
        for (int i = 0; i < s.PartCount(); ++i)
          if (engine::PartName(s.ids[i].letter, s.ids[i].number) == name) {
            EXPECT_EQ(s.values[i], value) << name;
            seen = true;
          }
      EXPECT_TRUE(seen) << name;
    }
    if (row.fixed.size() == 5) continue;  // every part of stage 1 as given
    for (std::size_t k = 0; k < sections.size(); ++k) {
      const SectionFigures f = sections[k].Figures();
      EXPECT_LE(Rel(f.omega, plans[k].omega), 1e-12);
      EXPECT_LE(Rel(f.q, plans[k].q), 1e-12);
      EXPECT_LE(Rel(-f.gain, plans[k].gain), 1e-12);
    }
  }
  // A name the design does not have.
  const auto unknown = engine::FixesOf(plans, false, {{"R7", 1e3}});
  ASSERT_NE(values::ProblemOf(unknown), nullptr);
  EXPECT_EQ(values::ProblemOf(unknown)->subject, "R7");
}

TEST(SectionDesign, SallenKeyWithGainFixedCapacitorsAndPairs) {
  const DesignCase sk{kLpf, 2, kButterworth, 1e3, SectionFamily::kSallenKey, 10, StageOrder::kAscendingQ};
  const std::vector<engine::StagePlan> plans = PlanOf(sk);
  ASSERT_EQ(plans[0].form, engine::StageForm::kSallenKeyGain);
  EXPECT_EQ(engine::SectionPartNames(plans, false)[0], (std::vector<std::string>{"R1", "R2", "C1", "C2", "R3", "R4"}));
  struct Row {
    std::vector<std::pair<std::string, double>> fixed;
    bool valid;
  };
  // With K = 10 and Q = 0.707 the least Ca/Cb is 4Q² / (1 + 4Q² (K - 1)) = 0.105.
  const Row rows[] = {
      {{{"C1", 10e-9}, {"C2", 10e-9}}, true},
      {{{"C1", 1e-9}, {"C2", 100e-9}}, false},
      {{{"C1", 1e-9}, {"C2", 4.7e-9}}, true},
      {{{"C1", 1.08e-9}, {"C2", 10e-9}}, true},
      {{{"R3", 90e3}}, true},
      {{{"R3", 90e3}, {"R4", 10e3}}, true},
      {{{"R3", 91e3}, {"R4", 10e3}}, false},
      {{{"R1", 10e3}, {"C1", 10e-9}}, false},
  };
  for (const Row& row : rows) {
    const auto fixes = engine::FixesOf(plans, false, row.fixed);
    ASSERT_EQ(values::ProblemOf(fixes), nullptr);
    const engine::SectionsDesign d = engine::DesignSections(plans, false, std::get<engine::SectionFixes>(fixes));
    EXPECT_EQ(d.valid, row.valid) << row.fixed[0].first << " " << row.fixed.size();
    if (!d.valid) {
      EXPECT_NE(d.warnings.at(0).text.find("第1段"), std::string::npos);
      continue;
    }
    const SectionFigures f = SectionsOf(d)[0].Figures();
    EXPECT_LE(Rel(f.omega, plans[0].omega), 1e-12);
    EXPECT_LE(Rel(f.q, plans[0].q), 1e-12);
    EXPECT_LE(Rel(f.gain, 10.0), 1e-12);
  }
}

}  // namespace
}  // namespace kelvara::response
