// The worst case and the Monte Carlo run of designs of sections: the worst
// case against a loop over every corner written here, each corner's gain
// from the MFB low-pass's node equations solved by hand; the Monte Carlo
// run the same whatever the number of threads; a part's own tolerance by
// its name in the cascade, beyond the sheet's eight.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "engine/design.h"
#include "engine/section_design.h"
#include "response/circuit.h"
#include "tests/support/section_designs.h"
#include "tolerance/monte_carlo.h"
#include "tolerance/study.h"
#include "tolerance/worst_case.h"

namespace kelvara::tolerance {
namespace {

using Complex = std::complex<double>;
constexpr double kTwoPi = 6.283185307179586;

std::vector<response::Section> Designed(std::uint8_t kind, int order, engine::SectionFamily family, double gain,
                                        engine::StageOrder stageOrder = engine::StageOrder::kAscendingQ) {
  return testing::DesignedSections(kind, order, family, gain, stageOrder);
}

// The MFB low-pass (Rin = R1 from the input to node a, Rf = R2 from a to
// the output, Rm = R3 from a to the - input n, Cs = C1 from a to ground,
// Cf = C2 from n to the output) with an ideal op-amp, n at 0 V:
//   a: (Vi - Va) G1 + (Vo - Va) G2 - Va G3 - s C1 Va = 0
//   n: Va G3 + s C2 Vo = 0
// H = -G1 / (G2 + s C2 R3 (G1 + G2 + G3 + s C1)).
Complex MfbLowPass(const double v[5], double f) {
  const Complex s(0, kTwoPi * f);
  const double g1 = 1 / v[0], g2 = 1 / v[1], g3 = 1 / v[2];
  return -g1 / (g2 + s * v[4] * v[2] * (g1 + g2 + g3 + s * v[3]));
}

double Db(Complex h) { return 20 * std::log10(std::abs(h)); }

// The frequency 3 dB below the pass-band gain |H(0)|, by bisection.
double Cutoff(const double v[5]) {
  const double target = std::abs(MfbLowPass(v, 0)) * std::pow(10.0, -3.0 / 20);
  double lo = 1, hi = 1e6;
  for (int i = 0; i < 200; ++i) {
    const double mid = std::sqrt(lo * hi);
    (std::abs(MfbLowPass(v, mid)) > target ? lo : hi) = mid;
  }
  return std::sqrt(lo * hi);
}

TEST(SectionWorstCase, EveryCornerAsALoopOverTheSignsOfTheParts) {
  struct Row {
    double gain;
    double rPct, cPct;
    int fixedPart;  // layout index of a part given 0 %, or -1
    std::uint32_t corners;
  };
  const Row rows[] = {{1, 1, 5, -1, 32}, {10, 2, 10, -1, 32}, {0.5, 1, 5, 2, 16}, {3, 0.5, 2, 4, 16}};
  const std::vector<double> frequencies = {300, 1e3, 2e3, 1e4};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.gain);
    ToleranceDesign design;
    design.sections = Designed(engine::kLpf, 2, engine::SectionFamily::kMfb, row.gain);
    ASSERT_EQ(design.sections.size(), 1u);
    const response::Section& nominal = design.sections[0];
    ASSERT_EQ(nominal.PartCount(), 5);
    design.tolerances = Tolerances::Uniform(row.rPct, row.cPct);
    double pct[5];
    for (int i = 0; i < 5; ++i) pct[i] = i < 3 ? row.rPct : row.cPct;
    if (row.fixedPart >= 0) {
      design.tolerances.SetPct(nominal.ids[row.fixedPart], 0);
      pct[row.fixedPart] = 0;
    }
    EXPECT_EQ(CornerCount(design), row.corners);
    const auto worst = RunWorstCase(design, frequencies, {});
    ASSERT_TRUE(worst);
    EXPECT_EQ(worst->corners, row.corners);

    // Every sign of every part, whether it has a tolerance or not.
    std::vector<double> lo(frequencies.size(), INFINITY), hi(frequencies.size(), -INFINITY);
    double cutLo = INFINITY, cutHi = -INFINITY;
    for (std::uint32_t signs = 0; signs < 32; ++signs) {
      double v[5];
      for (int i = 0; i < 5; ++i) v[i] = nominal.values[i] * (1 + pct[i] / 100 * ((signs >> i) & 1U ? 1.0 : -1.0));
      for (std::size_t j = 0; j < frequencies.size(); ++j) {
        lo[j] = std::min(lo[j], Db(MfbLowPass(v, frequencies[j])));
        hi[j] = std::max(hi[j], Db(MfbLowPass(v, frequencies[j])));
      }
      cutLo = std::min(cutLo, Cutoff(v));
      cutHi = std::max(cutHi, Cutoff(v));
    }
    for (std::size_t j = 0; j < frequencies.size(); ++j) {
      EXPECT_NEAR(worst->gains[j].db.min, lo[j], 1e-9) << frequencies[j];
      EXPECT_NEAR(worst->gains[j].db.max, hi[j], 1e-9) << frequencies[j];
      EXPECT_NEAR(worst->gains[j].nominalDb, Db(MfbLowPass(nominal.values.data(), frequencies[j])), 1e-9);
    }
    // The search ends on a step below 0.01 Hz.
    EXPECT_NEAR(worst->minus3dbHz.min, cutLo, 0.02);
    EXPECT_NEAR(worst->minus3dbHz.max, cutHi, 0.02);
  }
}

TEST(SectionWorstCase, CornerSectionsPutEachVariedPartAtItsBitsSign) {
  ToleranceDesign design;
  design.sections = Designed(engine::kHpf, 3, engine::SectionFamily::kSallenKey, 4);
  design.tolerances = Tolerances::Uniform(1, 5);
  const std::vector<response::SectionPartId> varied = CornerPartsOfSections(design);
  int parts = 0;
  for (const response::Section& s : design.sections) parts += s.PartCount();
  ASSERT_EQ(static_cast<int>(varied.size()), parts);
  EXPECT_EQ(CornerCount(design), 1U << parts);
  // Draw order: R1, C1, R2, C2, ...
  EXPECT_EQ(varied[0].letter, 'R');
  EXPECT_EQ(varied[0].number, 1);
  EXPECT_EQ(varied[1].letter, 'C');
  EXPECT_EQ(varied[1].number, 1);
  for (std::size_t bit = 0; bit < varied.size(); ++bit) {
    const std::vector<response::Section> corner = CornerSections(design, 1U << bit);
    for (std::size_t k = 0; k < corner.size(); ++k) {
      for (int i = 0; i < corner[k].PartCount(); ++i) {
        const response::SectionPartId id = corner[k].ids[i];
        const bool up = id.letter == varied[bit].letter && id.number == varied[bit].number;
        const double pct = id.letter == 'C' ? 5 : 1;
        EXPECT_EQ(corner[k].values[i], design.sections[k].values[i] * (1 + pct / 100 * (up ? 1.0 : -1.0)));
      }
    }
  }
}

TEST(SectionWorstCase, AGbwToleranceIsTheBitAfterTheParts) {
  ToleranceDesign design;
  design.sections = Designed(engine::kLpf, 2, engine::SectionFamily::kMfb, 10);
  design.tolerances = Tolerances::Uniform(1, 5);
  design.opamp.ideal = false;
  design.opamp.gbwHz = 1e6;
  EXPECT_EQ(CornerCount(design), 32U);  // no GBW tolerance: the parts' corners
  design.tolerances.gbwPct = 20;
  EXPECT_EQ(CornerCount(design), 64U);
  EXPECT_EQ(CornerOpAmp(design, 0).gbwHz, 1e6 * (1 + 20.0 / 100 * -1.0));
  EXPECT_EQ(CornerOpAmp(design, 31).gbwHz, 1e6 * (1 + 20.0 / 100 * -1.0));
  EXPECT_EQ(CornerOpAmp(design, 32).gbwHz, 1e6 * (1 + 20.0 / 100 * 1.0));
  const auto worst = RunWorstCase(design, {1e3}, {});
  ASSERT_TRUE(worst);
  EXPECT_EQ(worst->corners, 64U);
  // The slower op-amp lowers the gain near the cut-off: the lowest gain is
  // at a corner with the GBW's bit clear.
  EXPECT_LT(worst->gains[0].db.minCorner, 32U);
}

TEST(SectionMonteCarlo, TheSameWhateverTheThreads) {
  struct Row {
    std::uint8_t kind;
    int order;
    engine::SectionFamily family;
    double gain;
    engine::StageOrder stageOrder;
  };
  const Row rows[] = {{engine::kLpf, 5, engine::SectionFamily::kMfb, 10, engine::StageOrder::kDescendingQ},
                      {engine::kHpf, 6, engine::SectionFamily::kSallenKey, 20, engine::StageOrder::kAscendingQ},
                      {engine::kLpf, 8, engine::SectionFamily::kMfb, 2, engine::StageOrder::kAscendingQ}};
  for (const Row& row : rows) {
    MonteCarloConfig config;
    config.design.sections = Designed(row.kind, row.order, row.family, row.gain, row.stageOrder);
    config.design.tolerances = Tolerances::Uniform(1, 5);
    config.trials = 200;
    config.seed = 11;
    config.frequencies = {500, 1e3, 2e3};
    std::optional<MonteCarloResult> first;
    for (const int threads : {1, 2, 3, 8}) {
      SCOPED_TRACE(threads);
      RunOptions options;
      options.threads = threads;
      const auto run = RunMonteCarlo(config, options);
      ASSERT_TRUE(run);
      if (!first) {
        first = run;
        continue;
      }
      EXPECT_EQ(run->samples.minus3dbHz, first->samples.minus3dbHz);
      EXPECT_EQ(run->samples.f0Hz, first->samples.f0Hz);
      EXPECT_EQ(run->samples.q, first->samples.q);
      for (std::size_t j = 0; j < run->band.size(); ++j) {
        EXPECT_EQ(run->band[j].minDb, first->band[j].minDb);
        EXPECT_EQ(run->band[j].p95Db, first->band[j].p95Db);
      }
    }
    // Each stage's order as the cascade has it: a descending-Q odd order
    // has its first-order stage last.
    ASSERT_EQ(first->stages.size(), config.design.sections.size());
    for (std::size_t k = 0; k < first->stages.size(); ++k) {
      const int order = config.design.sections[k].topology->Order();
      EXPECT_EQ(first->stages[k].order, order);
      EXPECT_EQ(first->stages[k].q.has_value(), order == 2);
    }
  }
}

TEST(SectionStudy, PartTolerancesByTheirNamesInTheCascade) {
  StudyInputs in;
  in.request.cutoffHz = 1e3;
  in.request.orderIndex = 6;
  in.request.evenOrder = true;
  in.sections = Designed(engine::kLpf, 8, engine::SectionFamily::kMfb, 10);  // R1..R12, C1..C8
  in.trials = 100;
  in.partPcts = {{"R7", "0.1"}, {"R12", "2"}, {"C8", "0"}};
  const auto planned = PlanStudy(in);
  ASSERT_EQ(values::ProblemOf(planned), nullptr) << values::ProblemOf(planned)->message;
  const Tolerances& t = std::get<StudyPlan>(planned).config.design.tolerances;
  EXPECT_EQ(t.PctOf({'R', 7}), 0.1);
  EXPECT_EQ(t.PctOf({'R', 12}), 2);
  EXPECT_EQ(t.PctOf({'R', 11}), 1);  // every resistor's
  EXPECT_EQ(t.PctOf({'C', 8}), 0);
  EXPECT_EQ(t.PctOf({'C', 7}), 5);

  struct Bad {
    const char* name;
    const char* message;
  };
  const Bad bad[] = {{"R13", "部品名 R13 はこの設計にありません: R1～R12, C1～C8 を指定下さい。"},
                     {"C9", "部品名 C9 はこの設計にありません: R1～R12, C1～C8 を指定下さい。"},
                     {"R01", "部品名 R01 が不正: R1～R12, C1～C8 を指定下さい。"},
                     {"X1", "部品名 X1 が不正: R1～R12, C1～C8 を指定下さい。"}};
  for (const Bad& b : bad) {
    in.partPcts = {{b.name, "1"}};
    const auto refused = PlanStudy(in);
    const StudyProblem* problem = values::ProblemOf(refused);
    ASSERT_NE(problem, nullptr) << b.name;
    EXPECT_EQ(problem->field, StudyField::kPartTolerance);
    EXPECT_EQ(problem->message, b.message);
    EXPECT_EQ(problem->subject, b.name);
  }
  // A worst case of 2^20 corners at most: 20 parts of the 20 with a tolerance.
  in.partPcts = {};
  in.monteCarlo = false;
  in.worstCase = true;
  EXPECT_EQ(values::ProblemOf(PlanStudy(in)), nullptr);
  in.sections = Designed(engine::kLpf, 8, engine::SectionFamily::kSallenKey, 10);  // 24 parts
  const auto tooMany = PlanStudy(in);
  ASSERT_NE(values::ProblemOf(tooMany), nullptr);
  EXPECT_EQ(values::ProblemOf(tooMany)->field, StudyField::kPartTolerance);
  for (const char* name : {"R1", "R2", "R3", "R4"}) in.partPcts.push_back({name, "0"});
  EXPECT_EQ(values::ProblemOf(PlanStudy(in)), nullptr);
}

}  // namespace
}  // namespace kelvara::tolerance
