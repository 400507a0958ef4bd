// The engine's preferred-value searches against the plain loops: the same
// SearchResult for thousands of random stage targets, for every fixed-part
// pattern of LPF and HPF stages and for the first-order stage, and the same
// result again when the search is stopped after any number of outer passes.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/series_search.h"
#include "tests/engine/series_cases.h"
#include "tests/engine/series_reference.h"

namespace {

using namespace kelvara;
using engine::SearchResult;
using reference::ScriptedRun;

std::string Text(const SearchResult& r) {
  return "(" + std::to_string(r.first) + ", " + std::to_string(r.second) + ", " + std::to_string(r.third) + ", " +
         std::to_string(r.fourth) + ")";
}

// What the plain search does: its result and its best after every pass.
struct PlainRecord {
  SearchResult result;
  std::vector<SearchResult> afterPass;
  int steps = 0;
};

template <class Plain>
PlainRecord RecordPlain(Plain plain) {
  PlainRecord rec;
  ScriptedRun run;
  rec.result = plain(run, [&](const SearchResult& r) { rec.afterPass.push_back(r); });
  rec.steps = run.steps;
  return rec;
}

// Runs the engine's search unstopped and stopped after several pass counts,
// and compares each with the plain record.
template <class Engine>
void ExpectSameAsPlain(const PlainRecord& plain, Engine search, const std::string& what, testcases::CaseMaker& maker,
                       const engine::PartSeries& series = engine::DefaultPartSeries()) {
  {
    ScriptedRun run;
    const SearchResult r = search(run);
    ASSERT_EQ(r, plain.result) << what << "\n engine " << Text(r) << " plain " << Text(plain.result);
    ASSERT_EQ(run.steps, plain.steps) << what;
    ASSERT_TRUE(run.valid) << what;
  }
  const int passes = static_cast<int>(plain.afterPass.size());
  std::vector<int> stops = {0, 1, 2, passes - 1, passes, passes + 1};
  for (int i = 0; i < 4 && passes > 0; ++i) stops.push_back(1 + maker.Index(passes));
  for (int k : stops) {
    if (k < 0) continue;
    ScriptedRun run(k);
    const SearchResult r = search(run);
    const SearchResult expected = k == 0 ? engine::NoneResult(series.None()) : plain.afterPass[std::min(k, passes) - 1];
    ASSERT_EQ(r, expected) << what << "\n stopped after " << k << " passes: engine " << Text(r) << " plain "
                           << Text(expected);
    ASSERT_EQ(run.steps, std::min(k, passes)) << what;
  }
}

struct PatternCase {
  engine::PassKind kind;
  int pattern;  // fixed parts: 1 Ra, 2 Rb, 4 Ca, 8 Cb
  int samples;
};

std::string PatternName(const testing::TestParamInfo<PatternCase>& info) {
  std::string name = info.param.kind == engine::kHpf ? "Hpf" : "Lpf";
  const int p = info.param.pattern;
  if (p == 0) return name + "NoneFixed";
  if (p & 1) name += "Ra";
  if (p & 2) name += "Rb";
  if (p & 4) name += "Ca";
  if (p & 8) name += "Cb";
  return name + "Fixed";
}

class SeriesSearchIdentity : public testing::TestWithParam<PatternCase> {};

TEST_P(SeriesSearchIdentity, MatchesPlainLoopsForRandomTargets) {
  const PatternCase& c = GetParam();
  testcases::CaseMaker maker(0x5e41e5ULL * 1000 + static_cast<std::uint64_t>(c.kind) * 100 + c.pattern);
  for (int n = 0; n < c.samples; ++n) {
    const engine::SeriesStage stage = maker.Stage(c.kind, c.pattern);
    const PlainRecord plain = RecordPlain([&](engine::RunState& run, const reference::PassObserver& obs) {
      return reference::PlainSearchSeriesStage(run, stage, obs);
    });
    ExpectSameAsPlain(
        plain, [&](engine::RunState& run) { return engine::SearchSeriesStage(run, stage); },
        "case " + std::to_string(n) + ": " + testcases::Describe(stage), maker);
    if (HasFatalFailure()) return;
  }
}

// The search without fixed parts costs the plain loops about 0.1 s per
// target; the others far less.
INSTANTIATE_TEST_SUITE_P(AllPatterns, SeriesSearchIdentity,
                         testing::Values(PatternCase{engine::kLpf, 0, 12}, PatternCase{engine::kHpf, 0, 10},
                                         PatternCase{engine::kLpf, 1, 50}, PatternCase{engine::kLpf, 2, 50},
                                         PatternCase{engine::kLpf, 4, 50}, PatternCase{engine::kLpf, 8, 50},
                                         PatternCase{engine::kHpf, 1, 50}, PatternCase{engine::kHpf, 2, 50},
                                         PatternCase{engine::kHpf, 4, 50}, PatternCase{engine::kHpf, 8, 50},
                                         PatternCase{engine::kLpf, 12, 400}, PatternCase{engine::kLpf, 5, 400},
                                         PatternCase{engine::kLpf, 6, 400}, PatternCase{engine::kLpf, 9, 400},
                                         PatternCase{engine::kLpf, 10, 400}, PatternCase{engine::kLpf, 3, 400},
                                         PatternCase{engine::kHpf, 3, 400}, PatternCase{engine::kHpf, 6, 400},
                                         PatternCase{engine::kHpf, 10, 400}, PatternCase{engine::kHpf, 12, 400},
                                         PatternCase{engine::kHpf, 5, 400}, PatternCase{engine::kHpf, 9, 400}),
                         PatternName);

TEST(SeriesFirstOrderIdentity, FreeSearchMatchesPlainLoops) {
  testcases::CaseMaker maker(0xf1a57ULL);
  for (int n = 0; n < 600; ++n) {
    const double omega = n % 8 == 7 ? maker.LogUniform(1e-12, 1e12) : maker.Omega();
    const PlainRecord plain = RecordPlain([&](engine::RunState& run, const reference::PassObserver& obs) {
      return reference::PlainSearchFirstOrderFree(run, omega, obs);
    });
    ExpectSameAsPlain(
        plain, [&](engine::RunState& run) { return engine::SearchFirstOrderFree(run, omega); },
        "omega=" + testcases::Hex(omega), maker);
    if (HasFatalFailure()) return;
  }
}

TEST(SeriesFirstOrderIdentity, OneFixedSearchMatchesPlainLoops) {
  testcases::CaseMaker maker(0xf1a58ULL);
  for (int n = 0; n < 600; ++n) {
    const double omega = maker.Omega();
    const bool resistorFixed = n % 2 == 0;
    const double value = resistorFixed ? maker.FixedValue(false, 1.0 / (omega * 1e-8), false, 0)
                                       : maker.FixedValue(true, 1.0 / (omega * 1e4), false, 0);
    const PlainRecord plain = RecordPlain([&](engine::RunState& run, const reference::PassObserver& obs) {
      return reference::PlainSearchFirstOrderOneFixed(run, omega, resistorFixed, value, obs);
    });
    ExpectSameAsPlain(
        plain,
        [&](engine::RunState& run) { return engine::SearchFirstOrderOneFixed(run, omega, resistorFixed, value); },
        "omega=" + testcases::Hex(omega) + (resistorFixed ? " R1=" : " C1=") + testcases::Hex(value), maker);
    if (HasFatalFailure()) return;
  }
}

// The same for larger series and narrowed ranges, on fewer targets (the
// plain loops take seconds per free stage there).
struct ChoiceCase {
  const char* name;
  engine::SeriesChoice choice;
  int freeSamples;
  int oneFixedSamples;
  int twoFixedSamples;
  /// The free HPF stage over the whole E96 range costs the plain loops
  /// some 300 million candidates per target; the narrowed case covers it.
  bool hpfFree = true;
};

engine::SeriesChoice Choice(engine::CapSeriesKind cap, engine::ResSeriesKind res, double rMin, double rMax, double cMin,
                            double cMax) {
  return {cap, res, rMin, rMax, cMin, cMax};
}

class SeriesChoiceIdentity : public testing::TestWithParam<ChoiceCase> {};

TEST_P(SeriesChoiceIdentity, MatchesPlainLoopsForEveryPattern) {
  const ChoiceCase& c = GetParam();
  const engine::PartSeries& series = engine::PartSeriesOf(c.choice);
  for (engine::PassKind kind : {engine::kLpf, engine::kHpf}) {
    for (int pattern : {0, 1, 2, 4, 8, 3, 5, 6, 9, 10, 12}) {
      const int fixed = std::popcount(static_cast<unsigned>(pattern));
      int samples = fixed == 0 ? c.freeSamples : fixed == 1 ? c.oneFixedSamples : c.twoFixedSamples;
      if (fixed == 0 && kind == engine::kHpf && !c.hpfFree) samples = 0;
      testcases::CaseMaker maker(0xc401ceULL * 1000 + static_cast<std::uint64_t>(kind) * 100 + pattern, series);
      for (int n = 0; n < samples; ++n) {
        const engine::SeriesStage stage = maker.Stage(kind, pattern);
        const PlainRecord plain = RecordPlain([&](engine::RunState& run, const reference::PassObserver& obs) {
          return reference::PlainSearchSeriesStage(run, stage, obs, series);
        });
        ExpectSameAsPlain(
            plain, [&](engine::RunState& run) { return engine::SearchSeriesStage(run, stage, series); },
            std::string(c.name) + " case " + std::to_string(n) + ": " + testcases::Describe(stage), maker, series);
        if (HasFatalFailure()) return;
      }
    }
  }
  testcases::CaseMaker maker(0xc401cfULL, series);
  for (int n = 0; n < 8 * c.oneFixedSamples; ++n) {
    const double omega = maker.Omega();
    const PlainRecord plain = RecordPlain([&](engine::RunState& run, const reference::PassObserver& obs) {
      return reference::PlainSearchFirstOrderFree(run, omega, obs, series);
    });
    ExpectSameAsPlain(
        plain, [&](engine::RunState& run) { return engine::SearchFirstOrderFree(run, omega, series); },
        std::string(c.name) + " first order omega=" + testcases::Hex(omega), maker, series);
    if (HasFatalFailure()) return;
  }
}

using CK = engine::CapSeriesKind;
using RK = engine::ResSeriesKind;
INSTANTIATE_TEST_SUITE_P(
    Choices, SeriesChoiceIdentity,
    testing::Values(ChoiceCase{"E96E12", Choice(CK::kE12, RK::kE96, 0.47, 510e3, 1e-12, 1e-3), 1, 2, 30, false},
                    ChoiceCase{"E96E12Narrowed", Choice(CK::kE12, RK::kE96, 1e3, 100e3, 100e-12, 1e-6), 2, 8, 60},
                    ChoiceCase{"DefaultNarrowed", Choice(CK::kDefault, RK::kDefault, 1e3, 100e3, 100e-12, 1e-6), 3, 20,
                               100}),
    [](const testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

}  // namespace
