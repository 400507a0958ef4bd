#include "tests/engine/series_reference.h"

#include <cmath>
#include <utility>

#include "engine/design_data.h"
#include "engine/stage_maths.h"
#include "engine/stages.h"

namespace kelvara::reference {
namespace {

using engine::SearchResult;
using engine::SeriesStage;

thread_local std::uint64_t candidates = 0;

// The series of the search running on this thread, its last indices and its
// no-value index; set by Using for the length of a public call.
thread_local const engine::PartSeries* current = &engine::DefaultPartSeries();
thread_local int CL = engine::kCapLast;
thread_local int RL = engine::kResLast;
thread_local std::int32_t None = engine::NoneIndex;

class Using {
 public:
  explicit Using(const engine::PartSeries& s) : saved_(current) { Set(s); }
  ~Using() { Set(*saved_); }
  Using(const Using&) = delete;
  Using& operator=(const Using&) = delete;

 private:
  static void Set(const engine::PartSeries& s) {
    current = &s;
    CL = s.CapLast();
    RL = s.ResLast();
    None = s.None();
  }
  const engine::PartSeries* saved_;
};

const engine::DesignData& Data() { return engine::BuildDesignData(); }
double C(int i) { return current->Cap()[i]; }
double R(int i) { return current->Res()[i]; }
SearchResult NoResult() { return {None, None, None, None}; }

// The best candidate so far, by the strict-less rule.
struct Best {
  double error;
  SearchResult result;
  void Consider(double e, int first, int second, int third, int fourth) {
    ++candidates;
    if (e < error) {
      error = e;
      result = {first, second, third, fourth};
    }
  }
};

// Before each pass of the outermost loop: stop, or one progress step.
bool Pass(engine::RunState& run) {
  if (run.StopRequested()) return false;
  run.StepProgress();
  return true;
}

void Observe(const PassObserver& afterPass, const Best& b) {
  if (afterPass) afterPass(b.result);
}

double LpfError(const SeriesStage& s, double ca, double cb, double ra, double rb) {
  return engine::MatchError(engine::NaturalOmega(ra, rb, ca, cb), s.omega, engine::StageQuality(ca, cb, ra, rb), s.q);
}
double HpfError(const SeriesStage& s, double rb, double ra, double ca, double cb) {
  return engine::MatchError(engine::NaturalOmega(ra, rb, ca, cb), s.omega, engine::StageQuality(rb, ra, ca, cb), s.q);
}

int IdxC(double x) { return engine::NearestIndex(current->Cap().Values(), CL, x); }
int IdxR(double x) { return engine::NearestIndex(current->Res().Values(), RL, x); }
int UpToEnd(int i, int last) { return i < last ? i + 1 : i; }
int FromStart(int i) { return i > 0 ? i - 1 : 0; }
int HighestAtOrBelow(double rf) {
  int hi = -1;
  for (int i = 0; i <= RL; ++i) {
    if (R(i) <= rf) hi = i;
  }
  return hi;
}
int LowestAtOrAbove(double rf) {
  int lo = RL + 1;
  for (int i = RL; i >= 0; --i) {
    if (R(i) >= rf) lo = i;
  }
  return lo;
}

SearchResult Lpf(engine::RunState& run, const SeriesStage& s, const PassObserver& obs) {
  Best b{1e12, NoResult()};
  const int fixed = s.FixedCount();
  const int rbFrom = LowestAtOrAbove(s.ra);  // Rb at or above a fixed Ra
  const int raTo = HighestAtOrBelow(s.rb);   // Ra at or below a fixed Rb
  if (fixed == 0) {
    b.error = 0.01;
    const double c = Data().BandTable[engine::BandIndex(s.omega)].startC;
    const int lo = IdxC(0.025 * c);
    const int hi = IdxC(40 * c);
    for (int x = lo; x <= hi; ++x) {
      if (!Pass(run)) break;
      for (int y = x; y <= hi; ++y)
        for (int j = 0; j <= RL; ++j)
          for (int k = j; k <= RL; ++k) b.Consider(LpfError(s, C(y), C(x), R(j), R(k)), y, x, j, k);
      Observe(obs, b);
    }
  } else if (fixed == 1 && s.raFixed) {
    for (int j = 0; j <= CL; ++j) {
      if (!Pass(run)) break;
      for (int k = j; k <= CL; ++k)
        for (int l = rbFrom; l <= RL; ++l) b.Consider(LpfError(s, C(k), C(j), s.ra, R(l)), k, j, None, l);
      Observe(obs, b);
    }
  } else if (fixed == 1 && s.rbFixed) {
    for (int i = 0; i <= CL; ++i) {
      if (!Pass(run)) break;
      for (int j = i; j <= CL; ++j)
        for (int k = 0; k <= raTo; ++k) b.Consider(LpfError(s, C(j), C(i), R(k), s.rb), j, i, k, None);
      Observe(obs, b);
    }
  } else if (fixed == 1 && s.caFixed) {
    for (int x = 0; x <= UpToEnd(IdxC(s.ca), CL); ++x) {
      if (!Pass(run)) break;
      for (int j = 0; j <= RL; ++j)
        for (int k = j; k <= RL; ++k) b.Consider(LpfError(s, s.ca, C(x), R(j), R(k)), None, x, j, k);
      Observe(obs, b);
    }
  } else if (fixed == 1) {  // Cb
    for (int x = FromStart(IdxC(s.cb)); x <= CL; ++x) {
      if (!Pass(run)) break;
      for (int j = 0; j <= RL; ++j)
        for (int k = j; k <= RL; ++k) b.Consider(LpfError(s, C(x), s.cb, R(j), R(k)), x, None, j, k);
      Observe(obs, b);
    }
  } else if (s.caFixed && s.cbFixed) {
    for (int i = 0; i <= RL; ++i) {
      if (!Pass(run)) break;
      for (int j = i; j <= RL; ++j) b.Consider(LpfError(s, s.ca, s.cb, R(i), R(j)), None, None, i, j);
      Observe(obs, b);
    }
  } else if (s.caFixed && s.raFixed) {
    for (int a = 0; a <= UpToEnd(IdxC(s.ca), CL); ++a) {
      if (!Pass(run)) break;
      for (int j = rbFrom; j <= RL; ++j) b.Consider(LpfError(s, s.ca, C(a), s.ra, R(j)), None, a, None, j);
      Observe(obs, b);
    }
  } else if (s.caFixed && s.rbFixed) {
    for (int a = 0; a <= UpToEnd(IdxC(s.ca), CL); ++a) {
      if (!Pass(run)) break;
      for (int i = 0; i <= raTo; ++i) b.Consider(LpfError(s, s.ca, C(a), R(i), s.rb), None, a, i, None);
      Observe(obs, b);
    }
  } else if (s.raFixed && s.cbFixed) {
    for (int a = FromStart(IdxC(s.cb)); a <= CL; ++a) {
      if (!Pass(run)) break;
      for (int j = rbFrom; j <= RL; ++j) b.Consider(LpfError(s, C(a), s.cb, s.ra, R(j)), a, None, None, j);
      Observe(obs, b);
    }
  } else if (s.rbFixed && s.cbFixed) {
    for (int a = FromStart(IdxC(s.cb)); a <= CL; ++a) {
      if (!Pass(run)) break;
      for (int i = 0; i <= raTo; ++i) b.Consider(LpfError(s, C(a), s.cb, R(i), s.rb), a, None, i, None);
      Observe(obs, b);
    }
  } else {  // Ra, Rb
    for (int i = 0; i <= CL; ++i) {
      if (!Pass(run)) break;
      for (int j = i; j <= CL; ++j) b.Consider(LpfError(s, C(j), C(i), s.ra, s.rb), j, i, None, None);
      Observe(obs, b);
    }
  }
  return b.result;
}

void Exchange(SearchResult& r) { std::swap(r.third, r.fourth); }

SearchResult Hpf(engine::RunState& run, const SeriesStage& s, const PassObserver& obs) {
  Best b{1e12, NoResult()};
  const int fixed = s.FixedCount();
  if (fixed == 0) {
    b.error = 0.01;
    const double r = Data().BandTable[engine::BandIndex(s.omega)].startR;
    const int lo = IdxR(0.025 * r);
    const int hi = IdxR(40 * r);
    for (int x = lo; x <= hi; ++x) {
      if (!Pass(run)) break;
      for (int y = x; y <= hi; ++y)
        for (int j = 0; j <= CL; ++j)
          for (int k = j; k <= CL; ++k) b.Consider(HpfError(s, R(y), R(x), C(k), C(j)), y, x, k, j);
      Observe(obs, b);
    }
    return b.result;
  }
  if (fixed == 1 && (s.caFixed || s.cbFixed)) {
    // Scored as if Cb were the fixed capacitor; reported in place.
    const double cf = s.caFixed ? s.ca : s.cb;
    PassObserver exchanged = obs;
    if (obs && s.caFixed) {
      exchanged = [&obs](const SearchResult& r) {
        SearchResult e = r;
        Exchange(e);
        obs(e);
      };
    }
    for (int i = 0; i <= RL; ++i) {
      if (!Pass(run)) break;
      for (int j = i; j <= RL; ++j)
        for (int k = 0; k <= CL; ++k) b.Consider(HpfError(s, R(j), R(i), C(k), cf), j, i, k, None);
      Observe(exchanged, b);
    }
    if (s.caFixed) Exchange(b.result);
    return b.result;
  }
  if (fixed == 1 && s.rbFixed) {
    for (int a = 0; a <= UpToEnd(IdxR(s.rb), RL); ++a) {
      if (!Pass(run)) break;
      for (int i = 0; i <= CL; ++i)
        for (int j = i; j <= CL; ++j) b.Consider(HpfError(s, s.rb, R(a), C(j), C(i)), None, a, j, i);
      Observe(obs, b);
    }
    return b.result;
  }
  if (fixed == 1) {  // Ra
    for (int a = FromStart(IdxR(s.ra)); a <= RL; ++a) {
      if (!Pass(run)) break;
      for (int i = 0; i <= CL; ++i)
        for (int j = i; j <= CL; ++j) b.Consider(HpfError(s, R(a), s.ra, C(j), C(i)), a, None, j, i);
      Observe(obs, b);
    }
    return b.result;
  }
  if (s.raFixed && s.rbFixed) {
    for (int i = 0; i <= CL; ++i) {
      if (!Pass(run)) break;
      for (int j = i; j <= CL; ++j) b.Consider(HpfError(s, s.rb, s.ra, C(j), C(i)), None, None, j, i);
      Observe(obs, b);
    }
    return b.result;
  }
  if (s.caFixed && s.cbFixed) {
    for (int i = 0; i <= RL; ++i) {
      if (!Pass(run)) break;
      for (int j = i; j <= RL; ++j) b.Consider(HpfError(s, R(j), R(i), s.ca, s.cb), j, i, None, None);
      Observe(obs, b);
    }
    return b.result;
  }
  // One resistor and one capacitor, scored as if Ca were the fixed one.
  const double cf = s.caFixed ? s.ca : s.cb;
  PassObserver exchanged = obs;
  if (obs && s.cbFixed) {
    exchanged = [&obs](const SearchResult& r) {
      SearchResult e = r;
      Exchange(e);
      obs(e);
    };
  }
  if (s.rbFixed) {
    for (int a = 0; a <= UpToEnd(IdxR(s.rb), RL); ++a) {
      if (!Pass(run)) break;
      for (int i = 0; i <= CL; ++i) b.Consider(HpfError(s, s.rb, R(a), cf, C(i)), None, a, None, i);
      Observe(exchanged, b);
    }
  } else {
    for (int a = FromStart(IdxR(s.ra)); a <= RL; ++a) {
      if (!Pass(run)) break;
      for (int i = 0; i <= CL; ++i) b.Consider(HpfError(s, R(a), s.ra, cf, C(i)), a, None, None, i);
      Observe(exchanged, b);
    }
  }
  if (s.cbFixed) Exchange(b.result);
  return b.result;
}

double FirstOrderError(double r, double c, double omega) {
  return std::fabs(1.0 - engine::ReciprocalProduct(r, c) / omega);
}

void WriteBack(bool hpf, engine::StageParts& p, const SearchResult& r) {
  auto cap = [](int i) { return i == None ? 0.0 : C(i); };
  auto res = [](int i) { return i == None ? 0.0 : R(i); };
  if (!hpf) {
    if (!p.CaFixed) p.Ca = cap(r.first);
    if (!p.CbFixed) p.Cb = cap(r.second);
    if (!p.RaFixed) p.Ra = res(r.third);
    if (!p.RbFixed) p.Rb = res(r.fourth);
  } else {
    if (!p.RbFixed) p.Rb = res(r.first);
    if (!p.RaFixed) p.Ra = res(r.second);
    if (!p.CaFixed) p.Ca = cap(r.third);
    if (!p.CbFixed) p.Cb = cap(r.fourth);
  }
}

void ThreeFixed(int e, const engine::StageTargets& t, engine::ComponentSet& parts) {
  const double w = t.stageOmega[engine::StageSlot(e)];
  engine::StageParts p(parts, e);
  auto res = [](double x) { return RL < 0 ? 0.0 : R(IdxR(x)); };
  auto cap = [](double x) { return CL < 0 ? 0.0 : C(IdxC(x)); };
  if (p.RaAuto) {
    p.Ra = res(engine::PartForOmega(w, p.Rb, p.Ca, p.Cb));
  } else if (p.RbAuto) {
    p.Rb = res(engine::PartForOmega(w, p.Ra, p.Ca, p.Cb));
  } else if (p.CaAuto) {
    p.Ca = cap(engine::PartForOmega(w, p.Ra, p.Rb, p.Cb));
  } else if (p.CbAuto) {
    p.Cb = cap(engine::PartForOmega(w, p.Ra, p.Rb, p.Ca));
  }
}

}  // namespace

SearchResult PlainSearchSeriesStage(engine::RunState& run, const SeriesStage& stage, const PassObserver& afterPass,
                                    const engine::PartSeries& series) {
  const Using using_(series);
  if (stage.FixedCount() > 2 || CL < 0 || RL < 0) return NoResult();
  return stage.kind == engine::kHpf ? Hpf(run, stage, afterPass) : Lpf(run, stage, afterPass);
}

SearchResult PlainSearchFirstOrderFree(engine::RunState& run, double omega, const PassObserver& afterPass,
                                       const engine::PartSeries& series) {
  const Using using_(series);
  if (CL < 0 || RL < 0) return NoResult();
  Best b{0.1, NoResult()};
  const double c = Data().BandTable[engine::BandIndex(omega)].startC;
  for (int x = IdxC(0.025 * c); x <= IdxC(40 * c); ++x) {
    if (!Pass(run)) break;
    for (int i = 0; i <= RL; ++i) b.Consider(FirstOrderError(R(i), C(x), omega), x, i, None, None);
    Observe(afterPass, b);
  }
  return b.result;
}

SearchResult PlainSearchFirstOrderOneFixed(engine::RunState& run, double omega, bool resistorFixed, double fixedValue,
                                           const PassObserver& afterPass, const engine::PartSeries& series) {
  const Using using_(series);
  Best b{1e12, NoResult()};
  if (resistorFixed) {
    for (int i = 0; i <= CL; ++i) {
      if (!Pass(run)) break;
      b.Consider(FirstOrderError(fixedValue, C(i), omega), i, None, None, None);
      Observe(afterPass, b);
    }
  } else {
    for (int i = 0; i <= RL; ++i) {
      if (!Pass(run)) break;
      b.Consider(FirstOrderError(R(i), fixedValue, omega), None, i, None, None);
      Observe(afterPass, b);
    }
  }
  return b.result;
}

void PlainSeriesDesign(engine::RunState& run, const engine::StageTargets& targets, const engine::DesignRequest& request,
                       engine::ComponentSet& parts) {
  const engine::PartSeries& series = engine::SeriesOfRun(run);
  const Using using_(series);
  const bool hpf = request.passKind == engine::kHpf;
  const int order = request.Order();
  int firstEnd = 2;
  if (order % 2 == 1) {
    const double w = targets.stageOmega[0];
    if (parts.rAuto[0] && parts.cAuto[0]) {
      const SearchResult r = PlainSearchFirstOrderFree(run, w, {}, series);
      parts.c[0] = r.first == None ? 0.0 : C(r.first);
      parts.r[0] = r.second == None ? 0.0 : R(r.second);
    } else if (parts.rAuto[0] && parts.cFixed[0]) {
      const SearchResult r = PlainSearchFirstOrderOneFixed(run, w, false, parts.c[0], {}, series);
      parts.r[0] = r.second == None ? 0.0 : R(r.second);
    } else if (parts.rFixed[0] && parts.cAuto[0]) {
      const SearchResult r = PlainSearchFirstOrderOneFixed(run, w, true, parts.r[0], {}, series);
      parts.c[0] = r.first == None ? 0.0 : C(r.first);
    }
    run.progress = run.stepsPerStage;
    run.StepProgress();
    firstEnd = 3;
  }
  for (int e = firstEnd; e <= order; e += 2) {
    engine::StageParts p(parts, e);
    const int fixed = p.FixedCount();
    if (fixed == 3) {
      ThreeFixed(e, targets, parts);
    } else if (fixed < 3) {
      const int slot = engine::StageSlot(e);
      SeriesStage s;
      s.kind = hpf ? engine::kHpf : engine::kLpf;
      s.q = targets.stageQ[slot];
      s.omega = targets.stageOmega[slot];
      s.ra = p.Ra;
      s.rb = p.Rb;
      s.ca = p.Ca;
      s.cb = p.Cb;
      s.raFixed = p.RaFixed;
      s.rbFixed = p.RbFixed;
      s.caFixed = p.CaFixed;
      s.cbFixed = p.CbFixed;
      WriteBack(hpf, p, PlainSearchSeriesStage(run, s, {}, series));
    }
    const int stageNumber = order % 2 == 1 ? (e + 1) / 2 : e / 2;
    run.progress = run.StopRequested() ? -1 : stageNumber * run.stepsPerStage;
    run.StepProgress();
  }
}

std::uint64_t PlainCandidatesEvaluated() { return candidates; }

}  // namespace kelvara::reference
