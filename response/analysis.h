#pragma once

// Analysis of a designed cascade with ideal op-amps: the complex response of
// each stage and of the whole filter, the unwrapped phase, the group delay,
// the poles, the peak gain of each stage, the evaluation of each stage
// against its target and a summary of the whole response. Everything is in
// closed form; the time responses are in time_response.h.
//
// A Cascade is built once from the part values (cheap: a few divisions and
// square roots) and then evaluated at any number of frequencies without
// allocating. The gain of a Cascade is ResponseDb bit for bit.

#include <array>
#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "engine/design_types.h"
#include "engine/units.h"
#include "response/response.h"

namespace kelvara::response {

using engine::kTwoPi;

/// One section of the cascade, in cascade order.
struct CascadeStage {
  int order = 2;       // 1 for the first-order RC section of an odd order
  double omega = 0.0;  // natural (corner) angular frequency, rad/s
  double q = 0.0;      // 0 for a first-order section
  int firstPart = 1;   // part number of Ra/Ca (R1/C1 for a first-order section)
};

/// The filter as a list of sections plus what ResponseDb needs.
struct Cascade {
  DesignRequest request;
  ResponseStages stages;
  int count = 0;
  std::array<CascadeStage, engine::kMaxStages> stage{};

  bool Hpf() const { return request.passKind == engine::kHpf; }
  int Order() const { return request.Order(); }
};

/// The sections of a request whose stage parameters are known.
Cascade MakeCascade(const DesignRequest& request, const ResponseStages& stages);
/// The same from the part values (StagesFromComponents first).
Cascade CascadeFromParts(const DesignRequest& request, const ComponentSet& parts);

// ---- per-frequency evaluation (no allocation; f in Hz) ----

/// H(j 2 pi f) of section k.
std::complex<double> StageResponse(const Cascade& cascade, int k, double f);
/// H(j 2 pi f) of the whole cascade (product of the sections, in order).
std::complex<double> CascadeResponse(const Cascade& cascade, double f);
/// Gain in dB; identical to ResponseDb(request, stages, f).
double GainDb(const Cascade& cascade, double f);
/// Phase of section k in degrees, continuous in f: LPF from 0 (DC) to
/// -90 (first order) or -180 (second order); HPF from +90 / +180 to 0.
double StagePhaseDeg(const Cascade& cascade, int k, double f);
/// Unwrapped phase of the cascade in degrees: the sum of the sections'.
double PhaseDeg(const Cascade& cascade, double f);
/// Group delay -d(phase)/d(omega) of section k in seconds, closed form.
double StageGroupDelay(const Cascade& cascade, int k, double f);
/// Group delay of the cascade in seconds.
double GroupDelay(const Cascade& cascade, double f);

// ---- poles and peaks ----

/// The poles of one section in the s-plane (rad/s): one for a first-order
/// section, two for a second-order one (equal for Q = 0.5, a conjugate pair
/// above it, the upper one first).
struct StagePoles {
  int stage = 0;  // index in cascade order
  int count = 0;
  std::array<std::complex<double>, 2> p{};
};
std::vector<StagePoles> Poles(const Cascade& cascade);

/// The highest gain of one section on its own. A section that does not rise
/// above 0 dB has its maximum 0 dB at DC (LPF, hz = 0) or towards infinite
/// frequency (HPF, hz empty).
struct StagePeak {
  double db = 0.0;
  std::optional<double> hz;
};
StagePeak PeakOfStage(const Cascade& cascade, int k);

// ---- evaluation of the sections against their targets ----

/// Practical ranges of part values; outside them a part is marked.
inline constexpr double kMinPracticalOhm = 1.0e3;      // lower loads the op-amp output
inline constexpr double kMaxPracticalOhm = 1.0e6;      // higher adds noise and bias-current error
inline constexpr double kMinPracticalFarad = 100e-12;  // lower is comparable to stray capacitance

enum class RangeIssue { kResistorLow, kResistorHigh, kCapacitorLow };

struct RangeMark {
  std::string part;  // "R3", "C4"
  double value = 0.0;
  RangeIssue issue = RangeIssue::kResistorLow;
};

/// Japanese reason of a mark, as the analysis window shows it.
std::string RangeReason(RangeIssue issue);

struct StageEvaluation {
  int stage = 1;  // 1-based, cascade order
  int order = 2;
  std::vector<std::string> parts;  // "R1", "R2", "C1", "C2" (first order: "R1", "C1")
  double f0TargetHz = 0.0;
  std::optional<double> qTarget;  // empty for a first-order section
  double f0Hz = 0.0;
  std::optional<double> q;
  /// (realised - target) / target x 100; empty where the target is 0.
  std::optional<double> f0ErrorPct;
  std::optional<double> qErrorPct;
  StagePeak peak;
  /// Ca / Cb (LPF) or Rb / Ra (HPF) of a second-order section.
  std::optional<double> ratio;
  std::vector<RangeMark> marks;
};

/// One row per section in cascade order; targets from BuildStageTargets.
std::vector<StageEvaluation> EvaluateStages(const DesignRequest& request, const ComponentSet& parts);

// ---- summary of the whole response ----

struct ResponseSummary {
  double minus3dbHz = 0.0;  // FindCutoff3dB, with its sentinels
  /// Chebyshev only: the highest frequency (LPF; the lowest for HPF) at which
  /// the gain falls through the pass-band maximum - 0.25 dB, and the
  /// pass-band maximum minus the lowest gain on the pass-band side of it.
  std::optional<double> rippleEdgeHz;
  std::optional<double> rippleDb;
  /// Attenuation (positive dB) at 2 fc and 10 fc (LPF) or fc / 2 and fc / 10
  /// (HPF), fc the requested cut-off.
  double attenuationNearDb = 0.0;
  double attenuationFarDb = 0.0;
  double nearHz = 0.0;
  double farHz = 0.0;
};

ResponseSummary Summarize(const Cascade& cascade);

/// The ripple-edge search alone (any response): edge and ripple reached,
/// from the exact stationary points of the gain (cascade_extremes.cpp):
/// maxDb the highest gain, edgeHz where the gain passes maxDb - dropDb for
/// the last time towards the stop band, rippleDb maxDb less the lowest gain
/// on the pass-band side of it (not below that level).
struct RippleEdge {
  double edgeHz = 0.0;
  double rippleDb = 0.0;
  double maxDb = 0.0;
};
std::optional<RippleEdge> FindRippleEdge(const Cascade& cascade, double dropDb = 0.25);

// ---- point grids of the curves ----

/// n points from `from` to `to` inclusive, spaced logarithmically (both > 0).
std::vector<double> LogPoints(double from, double to, int n);
/// n points from `from` to `to` inclusive, spaced linearly.
std::vector<double> LinearPoints(double from, double to, int n);

}  // namespace kelvara::response
