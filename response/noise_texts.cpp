#include "response/noise_texts.h"

#include <cctype>
#include <cmath>
#include <iomanip>
#include <sstream>
#include <string_view>

#include "values/eng_value.h"

namespace kelvara::response {
namespace {

bool Blank(const std::string& text) {
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) return false;
  return true;
}

enum class Range { kZeroOrMore, kAboveZero, kTemperature, kSupply, kHeadroom };

// The value of a text (empty: `blank`), or the error of its field.
std::optional<NoiseTextError> Read(const std::string& text, NoiseField field, Range range, double blank,
                                   double& value) {
  if (Blank(text)) {
    value = blank;
    return std::nullopt;
  }
  value = values::ParseEngValue(text);
  if ((value == 0 && !values::ReadsAsZero(text)) || !std::isfinite(value)) return NoiseTextError{field, true};
  bool ok = false;
  switch (range) {
    case Range::kZeroOrMore:
      ok = value >= 0;
      break;
    case Range::kAboveZero:
      ok = value > 0;
      break;
    case Range::kTemperature:
      ok = value > -273.15 && value <= 1000;
      break;
    case Range::kSupply:
      ok = value > 0 && value <= kMaxSupplyV;
      break;
    case Range::kHeadroom:
      ok = value >= 0 && value <= kMaxSupplyV;
      break;
  }
  if (!ok) return NoiseTextError{field, false};
  return std::nullopt;
}

std::string Text(double v) {
  if (v == 0) return {};
  std::ostringstream s;
  s << std::setprecision(6) << v;
  return s.str();
}

}  // namespace

std::optional<NoiseTextError> ReadNoiseTexts(const NoiseTexts& texts, OpAmpModel& model, double& temperatureC) {
  OpAmpNoise noise;
  OpAmpLimits limits;
  double t = kDefaultTemperatureC;
  if (auto e = Read(texts.enNvRtHz, NoiseField::kEn, Range::kZeroOrMore, 0, noise.enNvRtHz)) return e;
  if (auto e = Read(texts.enCornerHz, NoiseField::kEnCorner, Range::kZeroOrMore, 0, noise.enCornerHz)) return e;
  if (auto e = Read(texts.inPaRtHz, NoiseField::kIn, Range::kZeroOrMore, 0, noise.inPaRtHz)) return e;
  if (auto e = Read(texts.swingVpp, NoiseField::kSwing, Range::kAboveZero, 0, limits.swingVpp)) return e;
  if (auto e = Read(texts.slewVPerUs, NoiseField::kSlew, Range::kAboveZero, 0, limits.slewVPerUs)) return e;
  if (auto e = Read(texts.temperatureC, NoiseField::kTemperature, Range::kTemperature, kDefaultTemperatureC, t))
    return e;
  OpAmpSupply& supply = limits.supply;
  if (auto e = Read(texts.supplyV, NoiseField::kSupply, Range::kSupply, 0, supply.volts)) return e;
  if (auto e = Read(texts.headroomPosV, NoiseField::kHeadroomPos, Range::kHeadroom, 0, supply.headroomPosV)) return e;
  if (auto e = Read(texts.headroomNegV, NoiseField::kHeadroomNeg, Range::kHeadroom, 0, supply.headroomNegV)) return e;
  supply.kind =
      supply.volts > 0 ? (texts.singleSupply ? SupplyKind::kSingle : SupplyKind::kSymmetric) : SupplyKind::kNone;
  // A swing from the rails must leave one: name the larger headroom.
  if (supply.kind != SupplyKind::kNone && !(limits.swingVpp > 0) && !(SwingFromSupplyVpp(supply) > 0)) {
    const NoiseField field =
        supply.headroomPosV >= supply.headroomNegV ? NoiseField::kHeadroomPos : NoiseField::kHeadroomNeg;
    return NoiseTextError{field, false, true};
  }
  model.noise = noise;
  model.limits = limits;
  temperatureC = t;
  return std::nullopt;
}

NoiseTexts NoiseTextsOf(const OpAmpModel& model, double temperatureC) {
  NoiseTexts t;
  t.enNvRtHz = Text(model.noise.enNvRtHz);
  t.enCornerHz = Text(model.noise.enCornerHz);
  t.inPaRtHz = Text(model.noise.inPaRtHz);
  t.swingVpp = Text(model.limits.swingVpp);
  t.slewVPerUs = Text(model.limits.slewVPerUs);
  const OpAmpSupply& supply = model.limits.supply;
  if (supply.kind != SupplyKind::kNone) t.supplyV = Text(supply.volts);
  t.singleSupply = supply.kind == SupplyKind::kSingle;
  t.headroomPosV = Text(supply.headroomPosV);
  t.headroomNegV = Text(supply.headroomNegV);
  std::ostringstream s;
  s << std::setprecision(6) << temperatureC;
  t.temperatureC = s.str();
  return t;
}

}  // namespace kelvara::response
