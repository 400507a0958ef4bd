#pragma once

// The op-amp's noise and limits and the temperature as the user types them:
// en in nV/sqrt(Hz), its 1/f corner in Hz, in in pA/sqrt(Hz) (each empty or
// 0 or more; empty is 0), the output swing in Vpp and the slew rate in V/us
// (each empty for "not given", or above 0), the temperature in degrees
// Celsius (above -273.15, at most 1000) and the supply: its voltage (empty
// for none, or above 0; ±V, or 0..V with `singleSupply`) and the output's
// headroom to the positive and the negative rail in volts (empty is 0, or
// 0 or more).

#include <optional>
#include <string>

#include "response/opamp_model.h"

namespace kelvara::response {

/// The default temperature in degrees Celsius.
inline constexpr double kDefaultTemperatureC = 25.0;

struct NoiseTexts {
  std::string enNvRtHz;
  std::string enCornerHz;
  std::string inPaRtHz;
  std::string swingVpp;
  std::string slewVPerUs;
  std::string temperatureC = "25";
  // Initialised here so that the lists of the first six stay complete.
  std::string supplyV = {};
  bool singleSupply = false;
  std::string headroomPosV = {};
  std::string headroomNegV = {};
};

enum class NoiseField { kEn, kEnCorner, kIn, kSwing, kSlew, kTemperature, kSupply, kHeadroomPos, kHeadroomNeg };

struct NoiseTextError {
  NoiseField field = NoiseField::kEn;
  bool unreadable = true;  // else readable but out of range
  bool noSwing = false;    // a headroom that leaves the supply no swing
};

/// The highest supply and headroom a text may give (V).
inline constexpr double kMaxSupplyV = 1000;

/// Reads the texts into the model's noise and limits and the temperature;
/// nothing changes when a text cannot be used (the first one is named).
std::optional<NoiseTextError> ReadNoiseTexts(const NoiseTexts& texts, OpAmpModel& model, double& temperatureC);

/// The texts of a model's noise and limits and a temperature (empty where 0
/// means not given).
NoiseTexts NoiseTextsOf(const OpAmpModel& model, double temperatureC);

}  // namespace kelvara::response
