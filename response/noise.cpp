#include "response/noise.h"

#include <algorithm>
#include <cmath>

#include "response/noise_transfer.h"

namespace kelvara::response {
namespace {

using Complex = std::complex<double>;

// Gauss-Kronrod 7/15 on [-1, 1].
constexpr double kXk[8] = {0.991455371120812639206854697526329, 0.949107912342758524526189684047851,
                           0.864864423359769072789712788640926, 0.741531185599394439863864773280788,
                           0.586087235467691130294144845693013, 0.405845151377397166906606412076961,
                           0.207784955007898467600689403773245, 0.000000000000000000000000000000000};
constexpr double kWk[8] = {0.022935322010529224963732008058970, 0.063092092629978553290700663189204,
                           0.104790010322250183839876322541518, 0.140653259715525918745189590510238,
                           0.169004726639267902826583426598550, 0.190350578064785409913256402421014,
                           0.204432940075298892414161999234649, 0.209482141084727828012999174891714};
constexpr double kWg[4] = {0.129484966168869693270611432679082, 0.279705391489276667901467771423780,
                           0.381830050505118944950369775488975, 0.417959183673469387755102040816327};

struct Segment {
  double a = 0, b = 0;  // in ln f
  std::vector<double> value;
  std::vector<double> error;
};

// The integral of f P(f) d(ln f) over one segment.
Segment Integrate(const NoiseEvaluator& e, double a, double b, int& evaluations) {
  const std::size_t n = e.Sources().size();
  Segment s{a, b, std::vector<double>(n + 1, 0.0), std::vector<double>(n + 1, 0.0)};
  std::vector<double> kronrod(n + 1, 0.0), gauss(n + 1, 0.0), p;
  const double mid = (a + b) / 2, half = (b - a) / 2;
  auto add = [&](double u, double wk, double wg) {
    const double f = std::exp(u);
    e.At(f, p);
    ++evaluations;
    double total = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const double v = p[i] * f;
      kronrod[i] += wk * v;
      gauss[i] += wg * v;
      total += v;
    }
    kronrod[n] += wk * total;
    gauss[n] += wg * total;
  };
  add(mid, kWk[7], kWg[3]);
  for (int j = 0; j < 7; ++j) {
    const double wg = j % 2 == 1 ? kWg[j / 2] : 0.0;
    add(mid - half * kXk[j], kWk[j], wg);
    add(mid + half * kXk[j], kWk[j], wg);
  }
  for (std::size_t i = 0; i <= n; ++i) {
    s.value[i] = kronrod[i] * half;
    s.error[i] = std::fabs((kronrod[i] - gauss[i]) * half);
  }
  return s;
}

}  // namespace

NoiseEvaluator::NoiseEvaluator(const OpAmpCircuit& c, const OpAmpModel& m, double temperatureC)
    : NoiseEvaluator(CircuitOf(c, m), temperatureC) {}

NoiseEvaluator::NoiseEvaluator(const CircuitModel& c, double temperatureC) : circuit_(c), sources_(NoiseSourcesOf(c)) {
  const double fourKT = 4 * kBoltzmann * (kZeroCelsiusK + temperatureC);
  for (const CircuitPart& part : PartsOf(c)) {
    const int i = part.id.number - 1;
    if (part.id.letter == 'R' && i >= 0 && i < kMaxCircuitParts)
      fourKTOverR_[i] = part.value > 0 ? fourKT / part.value : 0;
  }
  const OpAmpModel& m = c.opAmp;
  const double en = m.noise.enNvRtHz * 1e-9;
  const double in = m.noise.inPaRtHz * 1e-12;
  en2_ = en * en;
  in2_ = in * in;
  corner_ = m.noise.enCornerHz;
}

void NoiseEvaluator::Powers(const NoiseTransfers& t, double f, std::vector<double>& power) const {
  power.resize(sources_.size());
  const double enAtF = en2_ * (1 + corner_ / f);
  for (std::size_t s = 0; s < sources_.size(); ++s) {
    const NoiseSource& src = sources_[s];
    switch (src.kind) {
      case NoiseSourceKind::kResistor:
        power[s] = fourKTOverR_[src.index] * std::norm(t.resistor[src.index]);
        break;
      case NoiseSourceKind::kVoltage:
        power[s] = enAtF * std::norm(t.en[src.index]);
        break;
      case NoiseSourceKind::kCurrent:
        power[s] = in2_ * std::norm(t.in[src.index]);
        break;
    }
  }
}

void NoiseEvaluator::At(double f, std::vector<double>& power) const { Powers(NoiseTransfersAt(circuit_, f), f, power); }

std::vector<NoiseSource> NoiseSourcesOf(const OpAmpCircuit& circuit) { return NoiseSourcesOf(CircuitOf(circuit, {})); }

std::vector<NoiseSource> NoiseSourcesOf(const CircuitModel& circuit) {
  std::vector<NoiseSource> sources;
  for (const CircuitPart& part : PartsOf(circuit)) {
    if (part.id.letter == 'R') sources.push_back({NoiseSourceKind::kResistor, part.id.number - 1, PartName(part.id)});
  }
  for (int k = 0; k < circuit.StageCount(); ++k) {
    const std::string u = "U" + std::to_string(k + 1);
    sources.push_back({NoiseSourceKind::kVoltage, k, u + " en"});
    sources.push_back({NoiseSourceKind::kCurrent, k, u + " in"});
  }
  return sources;
}

NoiseBand DefaultNoiseBand(const engine::DesignRequest& request) {
  const double fc = request.cutoffHz;
  if (request.passKind == engine::kHpf) return {fc / 10, 100 * fc};
  return {1.0, 10 * fc};
}

NoiseDensity NoiseDensityAt(const OpAmpCircuit& circuit, const OpAmpModel& model, double temperatureC, double f) {
  const NoiseEvaluator e(circuit, model, temperatureC);
  std::vector<double> power;
  e.At(f, power);
  NoiseDensity d;
  double total = 0;
  for (double p : power) {
    d.sourceVRtHz.push_back(std::sqrt(p));
    total += p;
  }
  d.totalVRtHz = std::sqrt(total);
  return d;
}

double PassbandGain(const OpAmpCircuit& circuit, const OpAmpModel& model) {
  const std::optional<SinglePole> pole = SinglePoleOf(model);
  if (!pole || circuit.request.passKind == engine::kHpf) return 1.0;
  double gain = 1.0;
  for (int k = 0; k < circuit.stageCount; ++k) gain *= pole->a0 / (1 + pole->a0);
  return gain;
}

double PassbandGain(const CircuitModel& circuit) {
  if (HasSheetForm(circuit)) return PassbandGain(circuit.drawn, circuit.opAmp);
  return CircuitPassbandGain(circuit);
}

double NoiseReport::Share(std::size_t i) const {
  if (i >= sourceVrms.size() || !(totalVrms > 0)) return 0;
  return sourceVrms[i] * sourceVrms[i] / (totalVrms * totalVrms);
}

NoiseReport IntegrateNoise(const OpAmpCircuit& circuit, const OpAmpModel& model, double temperatureC,
                           const NoiseBand& band) {
  return IntegrateNoise(CircuitOf(circuit, model), temperatureC, band);
}

NoiseReport IntegrateNoise(const CircuitModel& circuit, double temperatureC, const NoiseBand& band) {
  const NoiseEvaluator e(circuit, temperatureC);
  NoiseReport r;
  r.temperatureC = temperatureC;
  r.band = band;
  r.sources = e.Sources();
  const std::size_t n = e.Sources().size();
  r.sourceVrms.assign(n, 0.0);
  if (!(band.loHz > 0) || !(band.hiHz > band.loHz) || !std::isfinite(band.hiHz)) return r;

  // Four segments a decade to start with, then every segment whose error is
  // more than its share of the tolerance is halved.
  const double ua = std::log(band.loHz), ub = std::log(band.hiHz);
  const int first = std::max(1, static_cast<int>(std::ceil((ub - ua) / (std::log(10.0) / 4))));
  std::vector<Segment> done, work;
  for (int j = 0; j < first; ++j) {
    const double a = ua + (ub - ua) * j / first;
    const double b = j + 1 == first ? ub : ua + (ub - ua) * (j + 1) / first;
    work.push_back(Integrate(e, a, b, r.evaluations));
  }
  std::vector<double> estimate(n + 1, 0.0);
  for (const Segment& s : work)
    for (std::size_t i = 0; i <= n; ++i) estimate[i] += s.value[i];
  const double width = ub - ua;
  for (int pass = 0; pass < 40 && !work.empty(); ++pass) {
    std::vector<Segment> next;
    for (Segment& s : work) {
      bool fine = true;
      for (std::size_t i = 0; i <= n && fine; ++i) {
        // A source far below the total needs no more than the total's
        // absolute accuracy.
        const double scale = std::max(estimate[i], estimate[n] * 1e-12);
        if (s.error[i] > kNoiseRelativeTolerance * scale * (s.b - s.a) / width) fine = false;
      }
      if (fine || pass == 39 || s.b - s.a < width * 1e-9) {
        done.push_back(std::move(s));
        continue;
      }
      const double mid = (s.a + s.b) / 2;
      next.push_back(Integrate(e, s.a, mid, r.evaluations));
      next.push_back(Integrate(e, mid, s.b, r.evaluations));
    }
    work = std::move(next);
  }
  std::sort(done.begin(), done.end(), [](const Segment& x, const Segment& y) { return x.a < y.a; });
  std::vector<double> sum(n + 1, 0.0);
  for (const Segment& s : done)
    for (std::size_t i = 0; i <= n; ++i) sum[i] += s.value[i];
  for (std::size_t i = 0; i < n; ++i) r.sourceVrms[i] = std::sqrt(std::max(sum[i], 0.0));
  r.totalVrms = std::sqrt(std::max(sum[n], 0.0));
  r.inputReferredVrms = r.totalVrms / PassbandGain(circuit);
  return r;
}

NoiseCurves ComputeNoiseCurves(const OpAmpCircuit& circuit, const OpAmpModel& model, double temperatureC,
                               const std::vector<double>& frequencies) {
  return ComputeNoiseCurves(CircuitOf(circuit, model), temperatureC, frequencies);
}

NoiseCurves ComputeNoiseCurves(const CircuitModel& circuit, double temperatureC,
                               const std::vector<double>& frequencies) {
  const NoiseEvaluator e(circuit, temperatureC);
  NoiseCurves c;
  c.frequencyHz = frequencies;
  c.sourceNv.assign(e.Sources().size(), std::vector<double>(frequencies.size(), 0.0));
  c.totalNv.assign(frequencies.size(), 0.0);
  std::vector<double> power;
  for (std::size_t j = 0; j < frequencies.size(); ++j) {
    e.At(frequencies[j], power);
    double total = 0;
    for (std::size_t s = 0; s < power.size(); ++s) {
      c.sourceNv[s][j] = std::sqrt(power[s]) * 1e9;
      total += power[s];
    }
    c.totalNv[j] = std::sqrt(total) * 1e9;
  }
  return c;
}

}  // namespace kelvara::response
