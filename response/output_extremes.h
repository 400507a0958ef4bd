#pragma once

// The highest gain from the filter's input to every op-amp's output over a
// band, and the highest of f |H| there (what limits a sine's slew at that
// output): one search for every op-amp model, used by the signal levels.
//
// Ideal op-amp: each output's gain is the product of the sections before
// it, so its stationary points (and those of f |H|) are the real roots of a
// polynomial in (f/fref)^2 (cascade_extremes.h), found exactly; the search
// evaluates the circuit there and at the band's ends. A circuit of other
// sections (not the sheet's form) is walked as below with either op-amp.
//
// Real op-amp: the derivative of ln |H| by ln f is exact at every frequency
// (Re(s H'(s) / H(s)) from the circuit's solve, no difference of samples),
// so a stationary point lies wherever that derivative changes sign. The band
// is walked in steps of at most 1 / (8 Qmax) in ln f from 1/8 of the lowest
// section frequency to 8 times the highest (40 points a decade outside),
// Qmax the highest section Q of the ideal circuit: a resonance of quality Q
// turns the derivative over about 1 / Q in ln f, so its maximum falls
// between two steps of opposite sign (its half-power width is about eight
// steps). Every such step is bisected on
// the derivative's sign to adjacent doubles of ln f. What this cannot see
// is a peak the finite gain makes eight times sharper than the ideal Q, or
// a maximum and a minimum closer together than one step (of nearly
// equal value, so the highest value moves by less than the gain changes
// over that step); tests hold it against a walk of 100,000 points a decade.

#include <functional>
#include <utility>
#include <vector>

#include "response/circuit.h"

namespace kelvara::response {

/// Where a quantity is highest and its value there.
struct OutputPeak {
  double hz = 0;     // 0: at DC
  double value = 0;  // |H| (V/V), or f |H| (Hz) for a slope search
};

enum class PeakOf {
  kGain,   // |H|
  kSlope,  // f |H|
};

/// The steps of a walk: perDecade within [fineLoHz, fineHiHz], where the
/// sections' resonances lie, and 40 a decade outside it (where the gain is
/// a sum of slow pole and zero terms).
struct WalkGrid {
  double perDecade = 40;
  double fineLoHz = 0;
  double fineHiHz = 0;
};
/// A circuit's grid: 8 Qmax steps a unit of ln f (at least 40 a decade)
/// from 1/8 of its lowest section frequency to 8 times its highest.
WalkGrid WalkGridOf(const CircuitModel& circuit);

/// The bracketed walk itself, for `count` quantities at once over [loHz,
/// hiHz]: sampleAll(f, values, slopes) gives every quantity's value and
/// its slope d ln(value) / d ln f, sampleOne(k, f) quantity k's alone. For
/// each, the highest value (the lowest with `lowest`) of the two ends and
/// the stationary points between the grid's steps, each bisected on the
/// slope's sign to adjacent doubles of ln f.
using SampleAll = std::function<void(double f, std::vector<double>& values, std::vector<double>& slopes)>;
using SampleOne = std::function<std::pair<double, double>(int k, double f)>;
std::vector<OutputPeak> WalkExtremes(int count, double loHz, double hiHz, const WalkGrid& grid, bool lowest,
                                     const SampleAll& sampleAll, const SampleOne& sampleOne);
/// The walk of one quantity: sample(f) gives its value and slope.
OutputPeak WalkExtreme(double loHz, double hiHz, const WalkGrid& grid, bool lowest,
                       const std::function<std::pair<double, double>(double f)>& sample);

/// For every op-amp output in cascade order: the highest of |H| (or f |H|)
/// over [loHz, hiHz] (0 < loHz < hiHz), and at DC too where `withDc` (ties
/// go to DC).
std::vector<OutputPeak> HighestAtOutputs(const CircuitModel& circuit, double loHz, double hiHz, PeakOf of, bool withDc);

}  // namespace kelvara::response
