#pragma once

// Step and impulse responses of a cascade with ideal op-amps, exactly: the
// transfer function is expanded in partial fractions over its poles with
// their multiplicities (a Q = 0.5 section has a double pole, equal sections
// repeat theirs), and the responses are sums of c t^k / k! e^(p t).
//
// Poles closer than kPoleMergeRelative (relative to their size) are taken
// as one repeated pole at their mean: kept apart, their residues would
// cancel in the last digits. Either way the step is right to about 1e-10.

#include <complex>
#include <optional>
#include <span>
#include <vector>

#include "response/analysis.h"
#include "response/section.h"

namespace kelvara::response {

inline constexpr double kPoleMergeRelative = 1e-6;

/// Settling bands: the span of the step view and the settling mark.
inline constexpr double kSettledBand = 1e-3;   // 0.1 % of the unit step
inline constexpr double kSettlingBand = 1e-2;  // 1 %

/// Terms c_k t^k / k! e^(p t), k = 0 .. terms.size() - 1, of one pole.
struct PoleTerms {
  std::complex<double> pole;
  std::vector<std::complex<double>> c;
};

class TimeResponse {
 public:
  explicit TimeResponse(const Cascade& cascade);
  /// The same of stages each of its own kind (kinds[k] of the cascade's
  /// stage k), each of unit gain where it passes (at DC, at infinity, at its
  /// centre): the transfer is K s^z over the cascade's poles, z the orders
  /// of the high-pass stages plus one for each band-pass stage. With every
  /// stage low-pass (or every one high-pass) this is the cascade's own, bit
  /// for bit. The step settles to 1 when no stage has a zero at s = 0,
  /// otherwise to 0; the Dirac part is there only when every stage is
  /// high-pass.
  TimeResponse(const Cascade& cascade, std::span<const SectionKind> kinds);

  /// Output at time t (s) for a unit step at t = 0; 0 before it, the value
  /// just after the step at t = 0.
  double Step(double t) const;
  /// Impulse response at time t, without the Dirac impulse of weight
  /// DiracWeight() at t = 0 that a high-pass filter passes.
  double Impulse(double t) const;
  double DiracWeight() const { return dirac_; }
  /// Value the step response settles to (1 for LPF, 0 for HPF).
  double FinalValue() const { return final_; }

  /// The last time at which |step - final| exceeds band (the unit step's
  /// fraction); 0 when it never does.
  double SettlingTime(double band) const;
  /// The span of the step view: settled to 0.1 %.
  double SettledSpan() const { return SettlingTime(kSettledBand); }

  /// Largest excursion beyond the final value, in per cent of the step
  /// (LPF: above 1; HPF and band-pass: below 0), with its time; 0 % at t = 0
  /// if none.
  struct Overshoot {
    double percent = 0.0;
    double timeS = 0.0;
  };
  Overshoot MaxOvershoot() const;

  /// Terms in scaled time t x TimeScale() (the impulse terms then also
  /// carry a factor TimeScale()).
  const std::vector<PoleTerms>& StepTerms() const { return step_; }
  double TimeScale() const { return scale_; }
  const std::vector<PoleTerms>& ImpulseTerms() const { return impulse_; }

 private:
  /// Times (scaled) of the scan for the settling and overshoot searches.
  std::vector<double> ScanTimes() const;

  std::vector<PoleTerms> step_;
  std::vector<PoleTerms> impulse_;
  double dirac_ = 0.0;
  bool hpf_ = false;
  double final_ = 0.0;
  double scale_ = 1.0;        // omegaRef: the terms are in time x omegaRef
  double slowest_ = 0.0;      // smallest |Re p| (scaled)
  double fastest_ = 0.0;      // largest |p| (scaled)
  double longestTerm_ = 0.0;  // beyond it every t^k e^(p t) decays
};

}  // namespace kelvara::response
