#pragma once

// The op-amp's noise and limits and the temperature as the user types them:
// en in nV/sqrt(Hz), its 1/f corner in Hz, in in pA/sqrt(Hz) (each empty or
// 0 or more; empty is 0), the output swing in Vpp and the slew rate in V/us
// (each empty for "not given", or above 0) and the temperature in degrees
// Celsius (above -273.15, at most 1000).

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
};

enum class NoiseField { kEn, kEnCorner, kIn, kSwing, kSlew, kTemperature };

struct NoiseTextError {
  NoiseField field = NoiseField::kEn;
  bool unreadable = true;  // else readable but out of range
};

/// Reads the texts into the model's noise and limits and the temperature;
/// nothing changes when a text cannot be used (the first one is named).
std::optional<NoiseTextError> ReadNoiseTexts(const NoiseTexts& texts, OpAmpModel& model, double& temperatureC);

/// The texts of a model's noise and limits and a temperature (empty where 0
/// means not given).
NoiseTexts NoiseTextsOf(const OpAmpModel& model, double temperatureC);

}  // namespace kelvara::response
